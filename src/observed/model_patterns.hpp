// Peptide by-mass (averagine) patterns for deisotoping, by mass bin: the
// engine runs on a coarse grid, and the fine bins interpolate it. The bins
// of the masses scans hold (kTableLowMass to kTableHighMass) come from one
// table built on first use and never changed after, shared by every call
// and thread; the rare mass outside it is computed for the call.
#pragma once

#include <unordered_map>
#include <vector>

#include "molecule/outcome.hpp"

namespace corvan::observed {

// The shared table's pattern for `mass`, or nullptr when the table has
// none (a mass outside it, or a bin the engine failed on).
const std::vector<double> *shared_pattern(double mass);

// Heights relative to the highest point, from M (index 0) on, cut where they
// fall below kPatternFloor after the highest point.
class ModelPatterns {
  public:
    // The pattern of a peptide of monoisotopic mass `mass` (Da, > 0).
    // Inline: deisotoping asks tens of thousands of times a scan, nearly
    // always for a mass the shared table holds.
    Outcome get(double mass, const std::vector<double> *&pattern) {
        pattern = shared_pattern(mass);
        return pattern != nullptr ? Outcome::success() : off_table(mass, pattern);
    }

  private:
    // Off the shared table: the pattern computed for the call.
    Outcome off_table(double mass, const std::vector<double> *&pattern);
    Outcome coarse(long bin, const std::vector<double> *&pattern);

    std::unordered_map<long, std::vector<double>> bins_;
    std::unordered_map<long, std::vector<double>> coarse_;
};

// The mass bin ModelPatterns files `mass` (Da, > 0) under:
// round(ln(mass) / ln(1.005)).
long pattern_bin(double mass);

inline constexpr double kTableLowMass = 50;
inline constexpr double kTableHighMass = 20000;
inline constexpr double kPatternFloor = 0.02;
// Spacing of an averagine envelope's points (Da): between that of 13C and
// that of the heavier isotopes of N, O and S, as peptides show it.
inline constexpr double kAveragineSpacing = 1.00286;

} // namespace corvan::observed
