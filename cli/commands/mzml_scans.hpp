// Measured scans for the match and deisotope commands: MS1 spectra of an
// mzML file (read through ProteoWizard) or one plain peak list.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Scan {
    long number = 0;        // the id's "scan=N", else position from 1
    double rt_seconds = -1; // -1 when the file gives none
    bool centroided = true;
    std::vector<double> mz, intensity; // ascending m/z, centroids
};

// Which MS1 scans to keep: numbers [first, last] and retention times
// [rt_low, rt_high] in seconds (either may be unset).
struct ScanFilter {
    std::optional<long> first, last;
    std::optional<double> rt_low, rt_high;
    bool keeps(long number, double rt) const;
};

// Reads `path`: mzML when its name ends in .mzML (any case), else a peak
// list (see read_peak_list). Profile scans are reduced to centroids. On
// failure returns the message and leaves `scans` empty.
std::optional<std::string> read_scans(const std::string &path, const ScanFilter &filter,
                                      std::vector<Scan> &scans);

// A peak list: one peak per line, m/z and intensity separated by a comma,
// tab or spaces; a first line that is not numbers is a header; '#' starts a
// comment. Peaks are sorted by m/z.
std::optional<std::string> read_peak_list(const std::string &path, Scan &scan);

// Centroids of a profile: each local maximum, at the intensity-weighted m/z
// of the maximum and its two neighbours, with the maximum's height.
void centroid_profile(Scan &scan);

// "A-B" or "A" into [first, last]; nothing on junk.
std::optional<std::pair<double, double>> read_range(const std::string &text);

} // namespace cli
