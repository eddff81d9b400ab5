// The console on POSIX systems: arguments, errors, the password prompt on a
// terminal, and stop requests.
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "runtime/console.h"
#include "runtime/stop_requests.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;

TEST(Console, ArgumentsAreArgv) {
    char first[] = "prog";
    char second[] = "Файл.txt";
    char* argv[] = {first, second, nullptr};
    EXPECT_EQ(rt::CommandLineArguments(2, argv), (std::vector<std::string>{"prog", "Файл.txt"}));
}

TEST(Console, ErrorsGoOutAsUtf8) {
    TempFolder folder;
    const int file = ::open((folder / "stderr").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    rt::WriteError("Ошибка 文\n");
    ::dup2(saved, 2);
    ::close(saved);
    ::close(file);
    EXPECT_EQ(ReadText(folder / "stderr"), "Ошибка 文\n");
}

// A child on a pseudo-terminal of its own that reads a password; the
// parent types and watches what the terminal shows.
class PasswordPrompt : public ::testing::Test {
protected:
    // With `stopRequests` the child catches them, as the command line does.
    void Start(bool stopRequests = false) {
        int results[2];
        ASSERT_EQ(::pipe(results), 0);
        child = ::forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(results[0]);
            if (stopRequests) new rt::StopRequests;  // for the rest of the child's life
            const auto password = rt::ReadPasswordFromTerminal("Password: ");
            struct termios mode;
            ::tcgetattr(STDIN_FILENO, &mode);
            const std::string report = std::string(mode.c_lflag & ECHO ? "echo " : "quiet ") +
                                       (password ? "[" + *password + "]" : "none");
            if (::write(results[1], report.data(), report.size()) < 0) std::_Exit(2);
            std::_Exit(0);
        }
        ::close(results[1]);
        result = results[0];
        WaitFor("Password: ");
    }
    void TearDown() override {
        if (master >= 0) ::close(master);
        if (result >= 0) ::close(result);
    }
    // Reads the terminal until `text` shows up; everything read is kept.
    void WaitFor(const std::string& text) {
        while (shown.find(text) == std::string::npos) {
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            ASSERT_GT(n, 0) << "terminal so far: " << shown;
            shown.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // Everything the terminal shows until the child's side closes.
    void ReadToTheEnd() {
        char buffer[256];
        ssize_t n;
        while ((n = ::read(master, buffer, sizeof buffer)) > 0) shown.append(buffer, static_cast<std::size_t>(n));
    }
    std::string Result() {
        std::string report;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(result, buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<std::size_t>(n));
        return report;
    }
    bool TerminalEchoes() {
        struct termios mode;
        EXPECT_EQ(::tcgetattr(master, &mode), 0);
        return mode.c_lflag & ECHO;
    }

    pid_t child = -1;
    int master = -1;
    int result = -1;
    std::string shown;
};

TEST_F(PasswordPrompt, ReadsALineWithoutEchoAndRestoresTheTerminal) {
    Start();
    const std::string typed = "s3cr\xD0\x81t wörd\n";
    ASSERT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    EXPECT_EQ(Result(), "echo [s3cr\xD0\x81t wörd]");
    int status;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ReadToTheEnd();
    EXPECT_EQ(shown.find("s3cr"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Password: \r\n"), std::string::npos) << shown;  // the unechoed line break
}

TEST_F(PasswordPrompt, EndOfInputGivesNothing) {
    Start();
    const char endOfFile = 4;  // Ctrl+D
    ASSERT_EQ(::write(master, &endOfFile, 1), 1);
    EXPECT_EQ(Result(), "echo none");
    ::waitpid(child, nullptr, 0);
}

TEST_F(PasswordPrompt, ASignalGivesTheEchoBack) {
    Start();
    EXPECT_FALSE(TerminalEchoes());
    ::kill(child, SIGTERM);
    int status;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(TerminalEchoes());
}

// A stop request before the program defers them (at the prompt) ends it
// by its signal, the echo given back.
TEST_F(PasswordPrompt, AStopRequestEndsTheProgramWithTheEchoBack) {
    Start(true);
    ::kill(child, SIGINT);
    int status;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(TerminalEchoes());
}

TEST(StopRequests, DeferredOnesWaitUntilTheProgramEndsItselfByThem) {
    EXPECT_EXIT(
        {
            rt::StopRequests stops;
            stops.Defer();
            ::raise(SIGHUP);
            ::raise(SIGTERM);  // the first one counts
            if (stops.Requested() != SIGHUP) std::_Exit(1);
            stops.End();
        },
        ::testing::KilledBySignal(SIGHUP), "");
    // One the program was started to ignore stays ignored.
    EXPECT_EXIT(
        {
            ::signal(SIGINT, SIG_IGN);
            rt::StopRequests stops;
            ::raise(SIGINT);
            std::_Exit(stops.Requested() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Console, NoTerminalNoPassword) {
    EXPECT_EXIT(
        {
            ::setsid();  // no controlling terminal any more
            std::_Exit(rt::ReadPasswordFromTerminal("Password: ") ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
