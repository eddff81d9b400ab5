// tessavel-cli: encrypts, decrypts and checks files in the desktop
// program's format from the command line.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <stdexcept>

#include "cli/batch.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "runtime/console.h"
#include "runtime/secret.h"
#include "runtime/stop_requests.h"
#include "tessavel/version.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 3;

using rt::Secret;

std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::string ReadPasswordFile(const std::string& name) {
    std::ifstream in(PathOf(name), std::ios::binary);
    if (!in) throw cli::UsageError{"cannot read the password file " + name};
    Secret all{std::string{std::istreambuf_iterator<char>(in), {}}};
    return cli::FirstLine(all.text);
}

std::string AskPassword(bool twice) {
    if (!rt::StdinIsTerminal()) {
        Secret line;
        std::getline(std::cin, line.text);
        if (!std::cin && line.text.empty()) throw cli::UsageError{"no password on standard input"};
        return cli::FirstLine(line.text);
    }
    auto first = rt::ReadPasswordFromTerminal("Password: ");
    if (!first) throw cli::UsageError{"no password given"};
    Secret one{std::move(*first)};
    if (twice) {
        auto second = rt::ReadPasswordFromTerminal("Password, again: ");
        Secret two{second ? std::move(*second) : std::string()};
        if (!second || two.text != one.text) throw cli::UsageError{"the two passwords differ"};
    }
    return one.text;
}

int Run(const std::vector<std::string>& args, rt::StopRequests& stops) {
    const cli::Options options = cli::Parse(args);
    if (options.command == cli::Command::Help) {
        std::fputs(cli::Usage().c_str(), stdout);
        return kExitDone;
    }
    if (options.command == cli::Command::Version) {
        std::printf("tessavel-cli %s\n", tessavel::kVersionText);
        return kExitDone;
    }
    const std::vector<cli::Job> jobs = cli::Jobs(options);
    // Whatever can be refused is refused before the password is typed.
    cli::CheckBeforeWork(options, jobs);

    Secret typed{options.passwordFile ? ReadPasswordFile(*options.passwordFile)
                                      : AskPassword(options.command == cli::Command::Encrypt)};
    const Secret password{cli::PasswordBytes(typed.text)};

    // From here on a stop request waits for the file in hand to be put back.
    stops.Defer();
    cli::ProgressLine line(!options.quiet && rt::StderrIsTerminal(), rt::WriteError);
    return cli::RunBatch(options, jobs, password.text, [&stops] { return stops.Requested() != 0; }, line)
        .ExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
    rt::StopRequests stops;
    try {
        const int status = Run(rt::CommandLineArguments(argc, argv), stops);
        // A stopped run ends by its signal, once the password is wiped.
        if (stops.Requested() != 0) stops.End();
        return status;
    } catch (const cli::UsageError& e) {
        rt::WriteError(std::string("tessavel-cli: ") + e.what() + "\n" + cli::Usage());
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        rt::WriteError("tessavel-cli: Out of memory\n");
        return kExitFailure;
    } catch (const std::exception& e) {
        rt::WriteError(std::string("tessavel-cli: ") + e.what() + "\n");
        return kExitFailure;
    }
}
