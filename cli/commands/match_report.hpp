// What corvan match found in each scan, and how it is written.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "corvan.h"
#include "output/output_formats.hpp"

namespace cli {

struct ScanMatch {
    long scan = 0;
    double rt_seconds = -1;
    corvan_match_summary summary{};
    std::vector<corvan_matched_peak> peaks;
    std::vector<double> mz, intensity; // the scan's peaks near the envelope, for the plot
};

struct MatchReport {
    std::string input, kind;
    std::vector<ScanMatch> scans;
    std::size_t best = 0; // index of the scan with the highest cosine
    std::optional<std::string> label_isotope;
    corvan_label_fit label{};
};

void write_match(std::FILE *stream, const MatchReport &report, Format format);

// Observed peaks up, the expected envelope (scaled onto them) mirrored
// below, of the best scan; ppm errors over the matched peaks.
void write_match_plot(std::FILE *stream, const MatchReport &report);

} // namespace cli
