// The progress bar on standard error, drawn only on a terminal.
#include "batch/progress.hpp"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace cli {

namespace {

constexpr int kBarWidth = 30;

std::string clock_text(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(std::size_t total)
    : total_(total), visible_(isatty(2) != 0), start_(std::chrono::steady_clock::now()),
      last_(start_) {}

void ProgressBar::show(std::size_t done) {
    if (!visible_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    draw(done);
}

void ProgressBar::finish() {
    if (!visible_) return;
    draw(total_);
    std::fputc('\n', stderr);
}

void ProgressBar::draw(std::size_t done) {
    const double share = total_ == 0 ? 1.0 : double(done) / double(total_);
    const int filled = static_cast<int>(share * kBarWidth);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    const std::string left = rate > 0 ? clock_text(static_cast<double>(total_ - done) / rate) : "?";
    std::fprintf(stderr, "\r[%.*s%*s] %3.0f%%  %zu/%zu calculations  %.0f/s  %s left ", filled,
                 "##############################", kBarWidth - filled, "", share * 100, done,
                 total_, rate, left.c_str());
    std::fflush(stderr);
}

} // namespace cli
