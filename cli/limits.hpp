// Limits and thresholds that several subcommands share.
#pragma once

namespace cli {

// Tables leave out points below this height (the highest is 1) unless --all.
inline constexpr double kShownFloor = 1e-6;

// A batch row's points, and a batch's worker threads, at most.
inline constexpr int kMostBatchPoints = 4096;
inline constexpr int kMostThreads = 256;

} // namespace cli
