#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cryptlib/cryptlib.h"
#include "cryptlib/decipher_ahead.h"
#include "cryptlib/program_keys.h"
#include "cryptlib/secure_buffer.h"
#include "lzh/lzh.h"
#include "runtime/clock.h"
#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/cryptlib/reference_cipher.h"
#include "tests/lzh/lzh_memory.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
using testdata::Bytes;
using testfiles::ReadFile;
using testfiles::Snapshot;
using testfiles::WriteFile;

using tessavel::kAddKey;
using tessavel::kMultKey;

class CryptFiles : public ::testing::Test {
protected:
    void SetUp() override {
        crypto.SetAddKey(kAddKey);
        crypto.SetMultKey(kMultKey);
        crypto.SetOnBadPassword([this](TCryptLib& sender) {
            EXPECT_EQ(&sender, &crypto);
            ++badPasswords;
        });
        rt::testing::SetClock(43210);
    }
    void TearDown() override {
        rt::testing::ClearFaultPlan();
        rt::testing::SetClock(-1);
    }

    void Encrypt(const std::string& from, const std::string& to, const std::string& password = "marigold") {
        crypto.SetInfile(from);
        crypto.SetOutfile(to);
        crypto.SetPassword(password);
        crypto.EncryptFile();
    }
    void Decrypt(const std::string& from, const std::string& to, const std::string& password = "marigold") {
        crypto.SetInfile(from);
        crypto.SetOutfile(to);
        crypto.SetPassword(password);
        crypto.DecryptFile();
    }
    std::string Message(const std::function<void()>& run) {
        try {
            run();
        } catch (const rt::Exception& e) {
            return e.Message();
        }
        return "<no exception>";
    }

    testfiles::TempFolder dir;
    TCryptLib crypto;
    int badPasswords = 0;
};

// The file the component writes must be exactly the format written the plain
// way, with the LZH stream as payload when compressing.
TEST_F(CryptFiles, RoundTripsInTheExactFormat) {
    for (bool compression : {false, true}) {
        for (std::size_t size : {0u, 1u, 32767u, 32768u, 32769u, 65537u, 3u << 20}) {
            for (bool inPlace : {false, true}) {
                SCOPED_TRACE(testing::Message() << compression << " " << size << " " << inPlace);
                crypto.SetCompression(compression);
                const Bytes plain = size < 100000 ? testdata::Binary(size, size) : testdata::Text(size, size);
                const std::string source = dir / "source.bin";
                const std::string target = inPlace ? source : dir / "target.tsv";
                WriteFile(source, plain);

                Encrypt(source, target);
                const Bytes payload = compression ? lzhtest::ModuleCompress(plain) : plain;
                const Bytes expected = reference::EncipherFile(payload, "marigold", kMultKey, kAddKey, 43210);
                ASSERT_EQ(ReadFile(target), expected);
                if (!inPlace) {
                    ASSERT_EQ(ReadFile(source), plain);
                }

                const std::string back = inPlace ? target : dir / "back.bin";
                Decrypt(target, back);
                ASSERT_EQ(ReadFile(back), plain);
                EXPECT_EQ(badPasswords, 0);

                // Only the user's files remain: no work file.
                const auto files = Snapshot(dir.path());
                EXPECT_EQ(files.size(), inPlace ? 1u : 3u);
                fs::remove_all(dir.path());
                fs::create_directories(dir.path());
            }
        }
    }
}

// Compression on any number of threads, more than the cores too, writes the
// one file the format allows.
TEST_F(CryptFiles, EveryThreadCountWritesTheSameFile) {
    EXPECT_EQ(crypto.Threads(), lzh::DefaultThreads());
    EXPECT_EQ(Message([&] { crypto.SetThreads(lzh::kMaxThreads + 1); }), "TCryptLib.Threads is too big");
    EXPECT_EQ(crypto.Threads(), lzh::DefaultThreads());
    Bytes plain = testdata::Text(700000, 21);
    const Bytes binary = testdata::Binary(300001, 22);
    plain.insert(plain.end(), binary.begin(), binary.end());
    WriteFile(dir / "plain", plain);
    const Bytes expected =
        reference::EncipherFile(lzhtest::ModuleCompress(plain), "marigold", kMultKey, kAddKey, 43210);
    for (unsigned threads : {1u, 2u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        crypto.SetThreads(threads);
        EXPECT_EQ(crypto.Threads(), threads);
        Encrypt(dir / "plain", dir / "secret");
        EXPECT_EQ(ReadFile(dir / "secret"), expected);
        Decrypt(dir / "secret", dir / "back");
        EXPECT_EQ(ReadFile(dir / "back"), plain);
    }
    // Where no helper thread can be started, the calling thread deciphers
    // every block itself.
    struct NoHelper {
        NoHelper() { cipher::testing::RefuseHelperThread(true); }
        ~NoHelper() { cipher::testing::RefuseHelperThread(false); }
    };
    for (unsigned threads : {1u, 2u}) {
        crypto.SetThreads(threads);
        const NoHelper refused;
        Decrypt(dir / "secret", dir / "back");
        EXPECT_EQ(ReadFile(dir / "back"), plain);
    }
}

TEST_F(CryptFiles, EmptySourceGivesEightBytesAndTwoRunsDiffer) {
    for (bool compression : {false, true}) {
        crypto.SetCompression(compression);
        WriteFile(dir / "empty", {});
        Encrypt(dir / "empty", dir / "one");
        EXPECT_EQ(ReadFile(dir / "one").size(), 8u);
        Decrypt(dir / "one", dir / "back");
        EXPECT_TRUE(ReadFile(dir / "back").empty());
    }
    // The clock-seeded nonce changes the header, and through it every byte.
    WriteFile(dir / "text", testdata::Text(5000, 1));
    Encrypt(dir / "text", dir / "a");
    rt::testing::SetClock(43211);
    Encrypt(dir / "text", dir / "b");
    const Bytes a = ReadFile(dir / "a"), b = ReadFile(dir / "b");
    ASSERT_EQ(a.size(), b.size());
    std::size_t same = 0;
    for (std::size_t i = 0; i < a.size(); ++i) same += a[i] == b[i];
    EXPECT_LT(same, a.size() / 50);
}

TEST_F(CryptFiles, PasswordThatDoesNotFitChangesNothing) {
    const Bytes plain = testdata::Text(70000, 2);
    WriteFile(dir / "plain", plain);
    Encrypt(dir / "plain", dir / "secret");
    const Bytes secret = ReadFile(dir / "secret");
    WriteFile(dir / "existing", testdata::FromString("keep me"));

    Bytes truncated(secret.begin(), secret.end() - 1);
    Bytes extended = secret;
    extended.push_back(0);
    WriteFile(dir / "truncated", truncated);
    WriteFile(dir / "extended", extended);
    WriteFile(dir / "short", Bytes(secret.begin(), secret.begin() + 7));
    WriteFile(dir / "nothing", {});

    struct Case {
        const char* name;
        std::string file;
        std::string password;
        std::int32_t mult, add;
    };
    const Case cases[] = {
        {"wrong password", "secret", "marigolD", kMultKey, kAddKey},
        {"other AddKey", "secret", "marigold", kMultKey, kAddKey + 1},
        {"other MultKey", "secret", "marigold", 9261, kAddKey},
        {"one byte short", "truncated", "marigold", kMultKey, kAddKey},
        {"one byte more", "extended", "marigold", kMultKey, kAddKey},
        {"shorter than a header", "short", "marigold", kMultKey, kAddKey},
        {"empty", "nothing", "marigold", kMultKey, kAddKey},
    };
    for (bool compression : {true, false}) {
        for (const Case& c : cases) {
            for (const std::string& target : {dir / "existing", dir / "fresh", dir / c.file}) {
                SCOPED_TRACE(testing::Message() << c.name << " -> " << target << " " << compression);
                crypto.SetCompression(compression);
                crypto.SetMultKey(c.mult);
                crypto.SetAddKey(c.add);
                const auto before = Snapshot(dir.path());
                badPasswords = 0;
                Decrypt(dir / c.file, target, c.password);
                EXPECT_EQ(badPasswords, 1);
                EXPECT_EQ(Snapshot(dir.path()), before);
                EXPECT_TRUE(crypto.SecretsWiped());
            }
        }
    }
}

TEST_F(CryptFiles, CompressionSettingIsNotRecordedInTheFile) {
    const Bytes plain = testdata::Text(20000, 3);
    WriteFile(dir / "plain", plain);
    crypto.SetCompression(false);
    Encrypt(dir / "plain", dir / "secret");
    crypto.SetCompression(true);
    Decrypt(dir / "secret", dir / "back");
    EXPECT_EQ(badPasswords, 0);
    EXPECT_NE(ReadFile(dir / "back"), plain);
}

TEST_F(CryptFiles, RefusalsAndFileErrorsTouchNothing) {
    WriteFile(dir / "plain", testdata::FromString("data"));
    const auto before = Snapshot(dir.path());
    crypto.SetInfile("");
    crypto.SetOutfile(dir / "x");
    EXPECT_EQ(Message([&] { crypto.EncryptFile(); }), "TCryptLib.Infile is empty");
    EXPECT_EQ(Message([&] { crypto.DecryptFile(); }), "TCryptLib.Infile is empty");
    crypto.SetInfile(dir / "plain");
    crypto.SetOutfile("");
    EXPECT_EQ(Message([&] { crypto.EncryptFile(); }), "TCryptLib.Outfile is empty");
    EXPECT_EQ(Message([&] { crypto.DecryptFile(); }), "TCryptLib.Outfile is empty");

    EXPECT_EQ(Message([&] { Encrypt(dir / "missing", dir / "x"); }), "File not found");
    EXPECT_EQ(Message([&] { Decrypt(dir / "missing", dir / "x"); }), "File not found");
    // A missing folder: ENOENT on POSIX, ERROR_PATH_NOT_FOUND (3) on Windows.
    EXPECT_THAT(Message([&] { Encrypt(dir / "plain", dir / "no-such-folder/x"); }),
                testing::AnyOf("File not found", "Invalid filename"));
    // A source that is a folder, a destination that is one.
    fs::create_directory(dir.path() / "folder");
    EXPECT_NE(Message([&] { Encrypt(dir / "folder", dir / "x"); }), "<no exception>");
    EXPECT_NE(Message([&] { Encrypt(dir / "plain", dir / "folder"); }), "<no exception>");
    fs::remove(dir.path() / "folder");
    EXPECT_EQ(Snapshot(dir.path()), before);
    EXPECT_TRUE(crypto.SecretsWiped());
}

TEST_F(CryptFiles, WorkFileNamesAreNotTakenFromTheUser) {
    const Bytes plain = testdata::FromString("a file that happens to carry a work file's name");
    WriteFile(dir / "___.~~-", plain);
    WriteFile(dir / "other", plain);
    const auto before = Snapshot(dir.path());
    EXPECT_EQ(Message([&] { Encrypt(dir / "___.~~-", dir / "out"); }), "TCryptLib.Infile is a work file name");
    EXPECT_EQ(Message([&] { Encrypt(dir / "other", dir / "___.~--"); }), "TCryptLib.Outfile is a work file name");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

// Work files that another run holds are left alone: this run takes names
// of its own beside them, never a user's file, and leaves nothing behind.
// Leftovers that nobody holds are replaced.
TEST_F(CryptFiles, RunsInOneFolderKeepToTheirOwnWorkFiles) {
    const Bytes plain = testdata::Text(100000, 13);
    const Bytes marker = testdata::FromString("another run's data");
    for (bool compression : {true, false}) {
        SCOPED_TRACE(compression);
        crypto.SetCompression(compression);
        rt::WorkFile held[] = {rt::WorkFile::Claim(dir / "___.~--"), rt::WorkFile::Claim(dir / "___.~~-")};
        for (rt::WorkFile& work : held) work.Write(marker.data(), marker.size());
        // A source that happens to carry the first name beside one.
        WriteFile(dir / "___1.~~-", plain);
        Encrypt(dir / "___1.~~-", dir / "secret");
        EXPECT_EQ(ReadFile(dir / "___1.~~-"), plain);
        fs::remove(dir.path() / "___1.~~-");  // other runs take such names for their own
        Decrypt(dir / "secret", dir / "file");
        Encrypt(dir / "file", dir / "file");
        Decrypt(dir / "file", dir / "back");
        EXPECT_EQ(ReadFile(dir / "back"), plain);
        fs::rename(dir.path() / "back", dir.path() / "file");
        EXPECT_EQ(badPasswords, 0);
        EXPECT_EQ(Snapshot(dir.path()).size(), 4u) << "work files left";
        for (rt::WorkFile& work : held) {
            Bytes kept(marker.size() + 1);
            kept.resize(work.ReadBack().Read(kept.data(), kept.size()));
            EXPECT_EQ(kept, marker);
            EXPECT_TRUE(work.Remove());
        }

        // As a killed run leaves them.
        WriteFile(dir / "___.~--", marker);
        if (compression) WriteFile(dir / "___.~~-", marker);
        Encrypt(dir / "file", dir / "file");
        Decrypt(dir / "file", dir / "file");
        EXPECT_EQ(ReadFile(dir / "file"), plain);
        EXPECT_EQ(Snapshot(dir.path()).size(), 2u) << "leftovers not replaced";
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
    }
}

TEST_F(CryptFiles, EncryptionRemovesALeftoverCompressionWorkFile) {
    WriteFile(dir / "plain", testdata::Text(3000, 4));
    Encrypt(dir / "plain", dir / "first");  // forms the work file's name
    WriteFile(dir / "___.~~-", testdata::FromString("left by a killed run"));
    crypto.SetCompression(false);
    Encrypt(dir / "plain", dir / "second");
    EXPECT_FALSE(fs::exists(dir.path() / "___.~~-"));
}

TEST_F(CryptFiles, OneFileUnderOtherNamesIsWorkedOnInPlace) {
    const Bytes plain = testdata::Text(100000, 5);
    fs::create_directories(dir.path() / "sub");
    const std::string file = dir / "file";
    // Relative names start in the folder itself.
    struct WorkingFolder {
        fs::path previous = fs::current_path();
        ~WorkingFolder() {
            std::error_code ignored;
            fs::current_path(previous, ignored);
        }
    } restore;
    fs::current_path(dir.path());
    std::vector<std::pair<std::string, std::string>> names = {
        {file, dir / "sub/../file"},
        {file, testfiles::NameOf(dir.path() / "." / "file")},
        {"file", file},
        {"./file", "sub/../file"},
        {file, dir / "hard"},
        {file, dir / "soft"},
    };
    // Where the system's names are not exact, other spellings too, absolute and relative.
    for (const std::string& other : testfiles::OtherSpellings(dir.name(), "sub", "file")) names.push_back({file, other});
    for (const std::string& other : testfiles::OtherSpellings("", "sub", "file")) names.push_back({other, file});

    for (bool compression : {true, false}) {
        for (const auto& [a, b] : names) {
            SCOPED_TRACE(a + " and " + b);
            crypto.SetCompression(compression);
            WriteFile(file, plain);
            std::error_code ec;
            if (b == dir / "hard") fs::create_hard_link(dir.path() / "file", dir.path() / "hard", ec);
            if (b == dir / "soft" && !testfiles::MakeSymlink(file, b)) continue;  // none under Wine
            ASSERT_FALSE(ec);
            // The destination's name receives the result.
            Encrypt(a, b);
            EXPECT_TRUE(crypto.SameFile());
            EXPECT_EQ(ReadFile(b).size(), (compression ? lzhtest::ModuleCompress(plain).size() : plain.size()) + 8);
            if (b == dir / "hard") {
                // The result is a new file under the name: the other name
                // keeps the original, as after any replacing save.
                EXPECT_EQ(ReadFile(a), plain);
                fs::remove(dir.path() / "file");
                fs::create_hard_link(dir.path() / "hard", dir.path() / "file");
            }
            Decrypt(b, a);
            EXPECT_TRUE(crypto.SameFile());
            EXPECT_EQ(ReadFile(a), plain);
            EXPECT_EQ(ReadFile(file), plain);
            fs::remove(dir.path() / "hard", ec);
            fs::remove(dir.path() / "soft", ec);
            EXPECT_EQ(Snapshot(dir.path()).size(), 2u) << "work files left behind";  // the file and sub/
        }
    }
}

// A link the user names reaches its file, in place and as a destination; it
// is not replaced by a file of its own.
TEST_F(CryptFiles, ALinkTheUserNamesPassesTheResultToItsFile) {
    fs::create_directory(dir.path() / "real");
    const std::string file = dir / "real/file", link = dir / "link";
    const Bytes plain = testdata::Text(50000, 11), other = testdata::Text(20000, 12);
    WriteFile(file, plain);
    WriteFile(dir / "other", other);
    if (!testfiles::MakeSymlink(file, link)) GTEST_SKIP() << "this system makes no symbolic links (Wine)";
    for (bool compression : {true, false}) {
        SCOPED_TRACE(compression);
        crypto.SetCompression(compression);
        Encrypt(link, link);
        EXPECT_NE(ReadFile(file), plain);
        Decrypt(link, link);
        EXPECT_EQ(ReadFile(file), plain);
        Encrypt(dir / "other", link);
        Decrypt(file, dir / "back");
        EXPECT_EQ(ReadFile(dir / "back"), other);
        Encrypt(dir / "back", file);
        Decrypt(file, link);
        EXPECT_EQ(ReadFile(file), other);
        WriteFile(file, plain);
        EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
        EXPECT_EQ(Snapshot(dir.path() / "real").size(), 1u) << "work files left";
        EXPECT_EQ(Snapshot(dir.path()).size(), 4u) << "work files left";  // link, other, back, real/
        EXPECT_EQ(badPasswords, 0);
    }
}

TEST_F(CryptFiles, ALinkPlantedAtAWorkFileNameIsNotFollowed) {
    testfiles::TempFolder elsewhere;
    const Bytes victim = testdata::FromString("must not be overwritten");
    WriteFile(elsewhere / "victim", victim);
    std::error_code ec;
    fs::create_symlink(elsewhere.path() / "victim", dir.path() / "___.~--", ec);
    if (ec) GTEST_SKIP() << "symbolic links are not available here";
    fs::create_symlink(elsewhere.path() / "victim", dir.path() / "___.~~-");
    WriteFile(dir / "plain", testdata::Text(10000, 6));
    Encrypt(dir / "plain", dir / "secret");
    Decrypt(dir / "secret", dir / "back");
    EXPECT_EQ(ReadFile(elsewhere / "victim"), victim);
    EXPECT_EQ(ReadFile(dir / "back"), ReadFile(dir / "plain"));
    EXPECT_EQ(Snapshot(dir.path()).size(), 3u);
}

// Every file call of a run in turn fails, or writes short: the source and an
// existing destination stay byte for byte as they were and no work file is
// left, whatever the step.
TEST_F(CryptFiles, AFailureAtAnyFileCallLosesNothing) {
    const Bytes plain = testdata::Text(80000, 7);
    WriteFile(dir / "plain", plain);
    Encrypt(dir / "plain", dir / "secret.ref");
    const Bytes secret = ReadFile(dir / "secret.ref");
    fs::remove(dir.path() / "secret.ref");

    struct Run {
        const char* name;
        bool encrypt, inPlace;
    };
    const Run runs[] = {{"encrypt", true, false},
                        {"encrypt in place", true, true},
                        {"decrypt", false, false},
                        {"decrypt in place", false, true}};
    for (bool compression : {true, false}) {
        crypto.SetCompression(compression);
        Encrypt(dir / "plain", dir / "secret");  // the file decryption reads, in this setting
        const Bytes enciphered = ReadFile(dir / "secret");
        for (const Run& run : runs) {
            for (bool shortWrite : {false, true}) {
                const Bytes& source = run.encrypt ? plain : enciphered;
                const std::string from = dir / "from";
                const std::string to = run.inPlace ? from : dir / "to";
                int calls = 0;
                for (int n = 1;; ++n) {
                    SCOPED_TRACE(testing::Message() << run.name << " compression " << compression << " short "
                                                    << shortWrite << " call " << n);
                    WriteFile(from, source);
                    if (!run.inPlace) WriteFile(to, testdata::FromString("existing destination"));
                    const auto before = Snapshot(dir.path());
                    rt::testing::FaultPlan plan;
                    (shortWrite ? plan.shortWriteAt : plan.failAt) = n;
                    plan.errorCode = 5;
                    rt::testing::SetFaultPlan(plan);
                    bool failed = false;
                    try {
                        run.encrypt ? Encrypt(from, to) : Decrypt(from, to);
                    } catch (const rt::EInOutError&) {
                        failed = true;
                    }
                    calls = rt::testing::FileCallCount();
                    rt::testing::ClearFaultPlan();
                    EXPECT_TRUE(crypto.SecretsWiped());
                    if (failed) {
                        EXPECT_EQ(Snapshot(dir.path()), before);
                        continue;
                    }
                    // The fault fell after the last call (or on one whose
                    // failure is harmless): the run must be complete.
                    for (const auto& entry : Snapshot(dir.path()))
                        EXPECT_EQ(entry.first.find("___"), std::string::npos) << "work file left";
                    if (run.encrypt) {
                        Decrypt(to, dir / "check");
                        EXPECT_EQ(ReadFile(dir / "check"), plain);
                        fs::remove(dir.path() / "check");
                    } else {
                        EXPECT_EQ(ReadFile(to), plain);
                    }
                    if (n > calls) break;
                }
                EXPECT_GT(calls, 5);
            }
        }
        fs::remove(dir.path() / "secret");
        fs::remove(dir.path() / "from");
        fs::remove(dir.path() / "to");
    }
}

// A front end stops a run by throwing from the progress handler, which runs
// on the calling thread only.  Stopped at the first, a middle and the last
// report of each pass, a run ends on every thread and leaves the folder as it
// was; the next run is whole.
TEST_F(CryptFiles, AProgressHandlerThatThrowsStopsEveryPass) {
    Bytes plain = testdata::Text(300000, 23);
    const Bytes noise = testdata::RandomBytes(600000, 24);  // three blocks to decipher, compressed
    plain.insert(plain.end(), noise.begin(), noise.end());
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<TCryptPass> passes;  // of the last run, one per report
    int stopAt = 0;
    crypto.SetOnProgress([&](TCryptPass pass, std::uint64_t, std::uint64_t) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        passes.push_back(pass);
        if (static_cast<int>(passes.size()) == stopAt) throw rt::ECancelled();
    });
    crypto.SetThreads(2);
    for (bool compression : {true, false}) {
        crypto.SetCompression(compression);
        WriteFile(dir / "plain", plain);
        Encrypt(dir / "plain", dir / "secret");
        const Bytes enciphered = ReadFile(dir / "secret");
        for (bool encrypt : {true, false}) {
            for (bool inPlace : {false, true}) {
                const std::string from = dir / "from";
                const std::string to = inPlace ? from : dir / "to";
                const auto put = [&] {
                    WriteFile(from, encrypt ? plain : enciphered);
                    if (!inPlace) WriteFile(to, testdata::FromString("existing destination"));
                };
                const auto run = [&](int at) {
                    passes.clear();
                    stopAt = at;
                    encrypt ? Encrypt(from, to) : Decrypt(from, to);
                };
                put();
                run(0);
                const std::vector<TCryptPass> whole = passes;
                std::vector<int> stops;  // report numbers, from 1
                for (std::size_t first = 0, last; first < whole.size(); first = last + 1) {
                    for (last = first; last + 1 < whole.size() && whole[last + 1] == whole[first];) ++last;
                    for (std::size_t at : {first, (first + last) / 2, last})
                        if (stops.empty() || stops.back() < static_cast<int>(at + 1))
                            stops.push_back(static_cast<int>(at + 1));
                }
                EXPECT_GE(stops.size(), compression && encrypt ? 6u : 3u);
                for (int at : stops) {
                    SCOPED_TRACE(testing::Message() << "compression " << compression << " encrypt " << encrypt
                                                    << " in place " << inPlace << " stop at " << at);
                    put();
                    const auto before = Snapshot(dir.path());
                    EXPECT_THROW(run(at), rt::ECancelled);
                    EXPECT_EQ(Snapshot(dir.path()), before);
                    EXPECT_TRUE(crypto.SecretsWiped());
                    EXPECT_EQ(lzh::testing::RunningWorkers(), 0u);
                }
                put();
                run(0);
                EXPECT_EQ(passes, whole);
                if (!encrypt) {
                    EXPECT_EQ(ReadFile(to), plain);
                }
            }
        }
    }
}

// The compressed copy of the source, which the system keeps refusing to
// remove at the end: the result is in place, and the user hears of the copy.
// Nothing holds it any more, so the next run in the folder replaces it.
TEST_F(CryptFiles, ACompressedCopyThatStaysIsReported) {
    const Bytes plain = testdata::Text(50000, 14);
    WriteFile(dir / "plain", plain);
    rt::testing::ClearFaultPlan();
    Encrypt(dir / "plain", dir / "secret");
    const int removal = rt::testing::FileCallCount();  // the last call
    rt::testing::SetFaultPlan({.failAt = removal, .shortWriteAt = 0, .errorCode = 5, .failCount = 100});
    EXPECT_EQ(Message([&] { Encrypt(dir / "plain", dir / "other"); }),
              "TCryptLib: the result is in place, but the work file " + (dir / "___.~~-") + " could not be removed");
    rt::testing::ClearFaultPlan();
    EXPECT_TRUE(fs::exists(dir.path() / "___.~~-"));
    EXPECT_TRUE(crypto.SecretsWiped());
    Decrypt(dir / "other", dir / "back");
    EXPECT_EQ(ReadFile(dir / "back"), plain);
    EXPECT_EQ(Snapshot(dir.path()).size(), 4u);
}

// A compressor that cannot have its memory stops either operation before
// any file is made.
TEST_F(CryptFiles, ACompressorThatCannotStartChangesNothing) {
    WriteFile(dir / "plain", testdata::Text(20000, 15));
    Encrypt(dir / "plain", dir / "secret");
    const auto before = Snapshot(dir.path());
    lzh::testing::SetAllocator([](std::size_t) -> void* { return nullptr; }, [](void*) {});
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace);
        EXPECT_EQ(Message([&] { Encrypt(dir / "plain", dir / (inPlace ? "plain" : "out")); }),
                  "TCryptLib: LZH init error");
        EXPECT_EQ(Message([&] { Decrypt(dir / "secret", dir / (inPlace ? "secret" : "out")); }),
                  "TCryptLib: LZH init error");
        EXPECT_TRUE(crypto.SecretsWiped());
        EXPECT_FALSE(lzh::testing::IsPrepared());
    }
    lzh::testing::SetAllocator(nullptr, nullptr);
    EXPECT_EQ(Snapshot(dir.path()), before);
    EXPECT_EQ(badPasswords, 0);
}

TEST_F(CryptFiles, SecretsAreWipedOnEveryPath) {
    const std::uint64_t allocatedBefore = cipher::testing::SecureBytesAllocated();
    const std::uint64_t wipedBefore = cipher::testing::SecureBytesWiped();
    WriteFile(dir / "plain", testdata::Text(40000, 8));
    Encrypt(dir / "plain", dir / "secret");
    EXPECT_TRUE(crypto.SecretsWiped());
    Decrypt(dir / "secret", dir / "back", "wrong");
    EXPECT_TRUE(crypto.SecretsWiped());
    Decrypt(dir / "secret", dir / "back");
    EXPECT_TRUE(crypto.SecretsWiped());
    rt::testing::FaultPlan plan;
    plan.failAt = 12;
    rt::testing::SetFaultPlan(plan);
    EXPECT_THROW(Encrypt(dir / "plain", dir / "secret2"), rt::EInOutError);
    rt::testing::ClearFaultPlan();
    EXPECT_TRUE(crypto.SecretsWiped());
    const std::uint64_t allocated = cipher::testing::SecureBytesAllocated() - allocatedBefore;
    EXPECT_GT(allocated, 0u);
    EXPECT_EQ(cipher::testing::SecureBytesWiped() - wipedBefore, allocated);
}

// The compressor's blocks hold the plain text; they are wiped before they go
// back to the heap, on success and on failure.
namespace released {
std::map<void*, std::size_t> sizes;
int blocks = 0;
int dirty = 0;
void* Allocate(std::size_t size) {
    void* block = ::operator new(size, std::nothrow);
    if (block != nullptr) sizes[block] = size;
    return block;
}
void Release(void* block) {
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    ++blocks;
    if (std::any_of(bytes, bytes + sizes[block], [](std::uint8_t b) { return b != 0; })) ++dirty;
    sizes.erase(block);
    ::operator delete(block);
}
}  // namespace released

TEST_F(CryptFiles, CompressorBlocksAreWipedOnEveryPath) {
    released::blocks = released::dirty = 0;
    lzh::testing::SetAllocator(released::Allocate, released::Release);
    WriteFile(dir / "plain", testdata::Text(300000, 10));
    Encrypt(dir / "plain", dir / "secret");
    Decrypt(dir / "secret", dir / "back");
    rt::testing::FaultPlan plan;
    plan.failAt = 8;  // inside the compression pass
    rt::testing::SetFaultPlan(plan);
    EXPECT_THROW(Encrypt(dir / "plain", dir / "secret2"), rt::EInOutError);
    rt::testing::ClearFaultPlan();
    lzh::testing::SetAllocator(nullptr, nullptr);
    EXPECT_EQ(released::blocks, 9);  // three blocks for each of three passes
    EXPECT_EQ(released::dirty, 0);
    EXPECT_EQ(ReadFile(dir / "back"), ReadFile(dir / "plain"));
}

TEST_F(CryptFiles, ProgressIsReportedPerBlock) {
    WriteFile(dir / "plain", testdata::RandomBytes(200000, 9));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    crypto.SetOnProgress([&](TCryptPass pass, std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(pass, TCryptPass::Encipher);
        seen.emplace_back(done, total);
    });
    crypto.SetCompression(false);
    Encrypt(dir / "plain", dir / "secret");
    ASSERT_EQ(seen.size(), 7u);  // six full blocks and the rest
    EXPECT_EQ(seen.back(), std::make_pair(std::uint64_t{200000}, std::uint64_t{200000}));
}

}  // namespace
