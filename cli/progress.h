// The progress line of tessavel-cli on a terminal, and the messages that
// share stderr with it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "cryptlib/cryptlib.h"

namespace cli {

// One line, rewritten in place: "file 2 of 5: compressing  43%  12.3 MB/s
// 0:05 left" (without the file count for a single file).  Rate and time
// left show once the rate (bytes a second) is known, that is not 0.
std::string ProgressText(std::size_t file, std::size_t files, TCryptPass pass, std::uint64_t done,
                         std::uint64_t total, double rate);

class ProgressLine {
public:
    using Writer = std::function<void(const std::string&)>;
    using Clock = std::chrono::steady_clock;

    // Disabled, it shows no progress but still passes messages on.
    ProgressLine(bool enabled, Writer write);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void StartFile(std::size_t file, std::size_t files);
    // Shown from a second after the run began, five times a second at most.
    void Update(TCryptPass pass, std::uint64_t done, std::uint64_t total);
    // A message on a line of its own, the progress line cleared first.
    void Say(const std::string& text);
    // Blanks the line, so that nothing of it stays on the terminal.
    void Clear();

private:
    bool enabled_;
    Writer write_;
    std::size_t file_ = 0;
    std::size_t files_ = 0;
    std::size_t shownWidth_ = 0;
    TCryptPass pass_ = TCryptPass::Compress;
    Clock::time_point start_;
    Clock::time_point passStart_;
    std::uint64_t passStartDone_ = 0;
    Clock::time_point lastShown_{};
    bool passStarted_ = false;
};

}  // namespace cli
