// A progress bar on standard error, drawn only when it is a terminal.
#pragma once

#include <chrono>
#include <cstddef>

namespace cli {

class ProgressBar {
  public:
    explicit ProgressBar(std::size_t total);
    void show(std::size_t done); // redraws at most a few times a second
    void finish();               // the final state and a line end
    bool visible() const { return visible_; }

  private:
    void draw(std::size_t done);

    std::size_t total_;
    bool visible_;
    std::chrono::steady_clock::time_point start_, last_;
};

} // namespace cli
