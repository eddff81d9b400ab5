// hostile_files [BODY-TRIALS]: every truncation of a 64 KiB enciphered file,
// every bit of its header flipped and BODY-TRIALS (default 10000) random
// changes of its body, with compression off and on, all decrypted with the
// right password.  Prints the counts; exits non-zero on any failure.  A
// watchdog ends the run when one decryption takes longer than 10 seconds.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/cryptlib/hostile_files.h"

namespace {

std::atomic<std::uint64_t> heartbeat{0};

void Watchdog() {
    std::uint64_t seen = heartbeat.load();
    for (int idle = 0;; ) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const std::uint64_t now = heartbeat.load();
        idle = now == seen ? idle + 1 : 0;
        seen = now;
        if (idle >= 10) {
            std::fputs("hostile_files: no progress for 10 seconds: a decryption hangs\n", stderr);
            std::_Exit(2);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int bodyTrials = argc > 1 ? std::atoi(argv[1]) : 10000;
    std::thread(Watchdog).detach();
    bool sound = true;
    for (bool compression : {false, true}) {
        testfiles::TempFolder folder;
        hostile::Runner runner(folder, compression, hostile::PlainFor(compression, 65536));
        const std::size_t size = runner.secret().size();
        const auto started = std::chrono::steady_clock::now();
        for (std::size_t length = 0; length < size; ++length, ++heartbeat) runner.Truncations({length});
        runner.HeaderFlips();
        for (int trial = 0; trial < bodyTrials; ++trial, ++heartbeat) runner.BodyCorruptions(1, 1000003u * trial + compression);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;

        const hostile::Counts& c = runner.counts();
        std::printf("compression %s, enciphered file of %zu bytes (%.0f s):\n", compression ? "on" : "off", size,
                    took.count());
        std::printf("  truncations      %llu, refused as a wrong password %llu\n",
                    static_cast<unsigned long long>(c.truncations), static_cast<unsigned long long>(c.truncationsRefused));
        std::printf("  header bit flips %llu, refused as a wrong password %llu\n",
                    static_cast<unsigned long long>(c.headerFlips), static_cast<unsigned long long>(c.headerFlipsRefused));
        std::printf("  body corruptions %llu, decrypted to wrong bytes %llu, to the original bytes %llu\n",
                    static_cast<unsigned long long>(c.bodyCorruptions), static_cast<unsigned long long>(c.bodyWrong),
                    static_cast<unsigned long long>(c.bodyOriginal));
        std::printf("  slowest decryption %.1f ms; failures %llu\n", c.slowestMs,
                    static_cast<unsigned long long>(c.failures));
        for (const std::string& failure : c.firstFailures) std::printf("  FAIL: %s\n", failure.c_str());
        sound = sound && c.failures == 0 && c.truncationsRefused == c.truncations &&
                c.headerFlipsRefused == c.headerFlips && c.bodyWrong + c.bodyOriginal == c.bodyCorruptions &&
                (compression || c.bodyOriginal == 0);
    }
    std::puts(sound ? "hostile files: all sound" : "hostile files: FAILED");
    return sound ? 0 : 1;
}
