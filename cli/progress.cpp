#include "cli/progress.h"

#include <cstdio>

namespace cli {

namespace {

const char* PassName(TCryptPass pass) {
    switch (pass) {
    case TCryptPass::Compress: return "compressing";
    case TCryptPass::Encipher: return "enciphering";
    case TCryptPass::Decipher: return "deciphering";
    case TCryptPass::Expand: return "expanding";
    }
    return "working";
}

std::string Duration(std::uint64_t seconds) {
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%u:%02u", static_cast<unsigned>(seconds / 60),
                      static_cast<unsigned>(seconds % 60));
    return text;
}

}  // namespace

std::string ProgressText(std::size_t file, std::size_t files, TCryptPass pass, std::uint64_t done,
                         std::uint64_t total, double rate) {
    std::string text;
    if (files > 1) text = "file " + std::to_string(file) + " of " + std::to_string(files) + ": ";
    const unsigned percent = total == 0 || done >= total ? 100u : static_cast<unsigned>(done * 100 / total);
    char figures[96];
    std::snprintf(figures, sizeof figures, "%-12s%3u%%", PassName(pass), percent);
    text += figures;
    if (rate > 0) {
        const double left = total > done ? static_cast<double>(total - done) / rate : 0.0;
        std::snprintf(figures, sizeof figures, "  %.1f MB/s  %s left", rate / 1e6,
                      Duration(static_cast<std::uint64_t>(left + 0.5)).c_str());
        text += figures;
    }
    return text;
}

ProgressLine::ProgressLine(bool enabled, Writer write)
    : enabled_(enabled), write_(std::move(write)), start_(Clock::now()) {}

void ProgressLine::StartFile(std::size_t file, std::size_t files) {
    file_ = file;
    files_ = files;
    passStarted_ = false;
}

void ProgressLine::Update(TCryptPass pass, std::uint64_t done, std::uint64_t total) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (!passStarted_ || pass != pass_) {
        pass_ = pass;
        passStart_ = now;
        passStartDone_ = done;
        passStarted_ = true;
    }
    if (now - start_ < std::chrono::seconds(1) || now - lastShown_ < std::chrono::milliseconds(200)) return;
    lastShown_ = now;
    // A rate from a few milliseconds says little.
    const double seconds = std::chrono::duration<double>(now - passStart_).count();
    const double rate = seconds >= 0.2 ? static_cast<double>(done - passStartDone_) / seconds : 0.0;
    const std::string text = ProgressText(file_, files_, pass, done, total, rate);
    // Spaces over what is left of a longer line: no terminal control codes,
    // which not every console understands.
    const std::size_t width = text.size();
    write_("\r" + text + std::string(shownWidth_ > width ? shownWidth_ - width : 0, ' '));
    shownWidth_ = width;
}

void ProgressLine::Say(const std::string& text) {
    Clear();
    write_(text);
}

void ProgressLine::Clear() {
    if (shownWidth_ == 0) return;
    write_("\r" + std::string(shownWidth_, ' ') + "\r");
    shownWidth_ = 0;
}

}  // namespace cli
