// Averagine patterns by mass bin: bins 0.5% wide, where a peptide's pattern
// moves by far less than a measured one scatters. The FFT engine (about 10
// microseconds a pattern, most of a scan's deisotoping when run per bin)
// computes them 2% apart and the bins interpolate linearly in log mass.
// Computed per call, the patterns took over a third of a scan's
// deisotoping; the shared table costs about one scan's deisotoping, once
// per process.
// The engine rounds the averagine composition to whole atoms, so its
// patterns step with the mass: against it at the exact mass, the nearest
// bin was off by up to 0.06 of the highest point, the interpolation is off
// by up to 0.064 (300 Da to 30 kDa, median 0.0015).
#include "observed/model_patterns.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "corvan.h"

namespace corvan::observed {

namespace {

constexpr double kBinRatio = 1.005;
constexpr double kCoarseRatio = 1.02;
// Points the engine computes: room for the envelope of any mass a charge of
// 100 reaches in the m/z range of instruments.
constexpr int kEnginePoints = 128;

// The FFT by-mass engine: the averagine composition of the mass, heights
// relative to the highest point, M first.
Outcome compute_pattern(double mass, std::vector<double> &pattern) {
    std::vector<float> heights(kEnginePoints);
    if (fft_pep_mass_to_dist(heights.data(), kEnginePoints, 0, static_cast<float>(mass)) < 0)
        return Outcome::failure(CORVAN_E_INTERNAL,
                                "no averagine pattern for mass " + std::to_string(mass));
    const std::size_t top = static_cast<std::size_t>(
        std::max_element(heights.begin(), heights.end()) - heights.begin());
    pattern.clear();
    for (std::size_t i = 0; i < heights.size(); ++i) {
        if (i > top && heights[i] < kPatternFloor) break;
        pattern.push_back(heights[i]);
    }
    return Outcome::success();
}

// Mixes two patterns (heights relative to their highest point) and scales
// the mix to its highest point, cut as compute_pattern cuts.
std::vector<double> interpolate(const std::vector<double> &low, const std::vector<double> &high,
                                double share_of_high) {
    std::vector<double> mixed(std::max(low.size(), high.size()), 0.0);
    for (std::size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = (1 - share_of_high) * (i < low.size() ? low[i] : 0) +
                   share_of_high * (i < high.size() ? high[i] : 0);
    const auto top = std::max_element(mixed.begin(), mixed.end());
    const double height = *top;
    std::size_t end = static_cast<std::size_t>(top - mixed.begin()) + 1;
    while (end < mixed.size() && mixed[end] / height >= kPatternFloor) ++end;
    mixed.resize(end);
    for (double &h : mixed) h /= height;
    return mixed;
}

long fine_bin(double mass) {
    return std::lround(std::log(mass) / std::log(kBinRatio));
}

// The fine bin's pattern from the two coarse bins around it.
template <typename Coarse>
Outcome fine_pattern(long bin, Coarse &&coarse, std::vector<double> &pattern) {
    const double place = static_cast<double>(bin) * std::log(kBinRatio) / std::log(kCoarseRatio);
    const double below = std::floor(place);
    const std::vector<double> *low = nullptr, *high = nullptr;
    Outcome done = coarse(static_cast<long>(below), low);
    if (done.ok()) done = coarse(static_cast<long>(below) + 1, high);
    if (done.ok()) pattern = interpolate(*low, *high, place - below);
    return done;
}

// fine_bin without its logarithm (over half of a look-up's cost): masses are cut
// into cells by the top bits of their double (each cell under 0.4% wide, so
// it holds at most one border of the 0.5% bins), and a cell keeps its
// lowest mass's bin and the first mass of the next bin in it, found once by
// bisecting the cell's doubles with fine_bin itself. A mass within
// kBorderGuard of a border (where a logarithm one unit off in its last
// place could put it in the other bin) and a mass outside the cells take
// fine_bin.
class BinCells {
  public:
    BinCells() : first_(cell_of(kTableLowMass)) {
        const std::uint64_t end = cell_of(kTableHighMass) + 1;
        cells_.reserve(end - first_);
        for (std::uint64_t cell = first_; cell < end; ++cell) cells_.push_back(bisect(cell));
    }

    long bin(double mass) const {
        const std::uint64_t cell = cell_of(mass) - first_;
        if (cell >= cells_.size()) return fine_bin(mass);
        const Cell &at = cells_[cell];
        if (std::abs(mass - at.border) <= kBorderGuard * mass) return fine_bin(mass);
        return at.low_bin + (mass >= at.border);
    }

  private:
    static constexpr int kCellShift = 44; // 8 bits of the mantissa kept
    static constexpr double kBorderGuard = 1e-12;

    struct Cell {
        long low_bin;
        double border; // the first mass of bin low_bin + 1; infinity: none in the cell
    };

    static std::uint64_t cell_of(double mass) {
        return std::bit_cast<std::uint64_t>(mass) >> kCellShift;
    }

    static Cell bisect(std::uint64_t cell) {
        std::uint64_t low = cell << kCellShift, high = ((cell + 1) << kCellShift) - 1;
        const long low_bin = fine_bin(std::bit_cast<double>(low));
        if (fine_bin(std::bit_cast<double>(high)) == low_bin)
            return {low_bin, std::numeric_limits<double>::infinity()};
        while (high - low > 1) { // fine_bin(low) is low_bin, fine_bin(high) is not
            const std::uint64_t middle = low + (high - low) / 2;
            (fine_bin(std::bit_cast<double>(middle)) == low_bin ? low : high) = middle;
        }
        return {low_bin, std::bit_cast<double>(high)};
    }

    std::uint64_t first_;
    std::vector<Cell> cells_;
};

// Every fine bin of kTableLowMass .. kTableHighMass; a bin the engine
// failed on stays empty (the call then computes it and reports the failure).
class SharedTable {
  public:
    SharedTable() : first_(fine_bin(kTableLowMass)), bins_(table_size()) {
        std::unordered_map<long, std::vector<double>> coarse;
        auto coarse_bin = [&](long bin, const std::vector<double> *&pattern) {
            auto found = coarse.find(bin);
            if (found == coarse.end()) {
                std::vector<double> computed;
                Outcome done =
                    compute_pattern(std::pow(kCoarseRatio, static_cast<double>(bin)), computed);
                if (!done.ok()) return done;
                found = coarse.emplace(bin, std::move(computed)).first;
            }
            pattern = &found->second;
            return Outcome::success();
        };
        for (std::size_t i = 0; i < bins_.size(); ++i)
            (void)fine_pattern(first_ + static_cast<long>(i), coarse_bin, bins_[i]);
    }

    long bin(double mass) const { return cells_.bin(mass); }

    // The bin's pattern, or nullptr outside the table or where it failed.
    const std::vector<double> *find(long bin) const {
        if (bin < first_ || bin - first_ >= static_cast<long>(bins_.size())) return nullptr;
        const std::vector<double> &pattern = bins_[static_cast<std::size_t>(bin - first_)];
        return pattern.empty() ? nullptr : &pattern;
    }

  private:
    static std::size_t table_size() {
        return static_cast<std::size_t>(fine_bin(kTableHighMass) - fine_bin(kTableLowMass) + 1);
    }

    long first_;
    std::vector<std::vector<double>> bins_;
    BinCells cells_;
};

// Built once (thread-safe static initialisation); a failed allocation
// throws out of the first call and the next call tries again.
const SharedTable &shared_table() {
    static const SharedTable table;
    return table;
}

} // namespace

Outcome ModelPatterns::coarse(long bin, const std::vector<double> *&pattern) {
    auto found = coarse_.find(bin);
    if (found == coarse_.end()) {
        std::vector<double> computed;
        Outcome done = compute_pattern(std::pow(kCoarseRatio, static_cast<double>(bin)), computed);
        if (!done.ok()) return done;
        found = coarse_.emplace(bin, std::move(computed)).first;
    }
    pattern = &found->second;
    return Outcome::success();
}

long pattern_bin(double mass) {
    return shared_table().bin(mass);
}

const std::vector<double> *shared_pattern(double mass) {
    const SharedTable &table = shared_table();
    return table.find(table.bin(mass));
}

Outcome ModelPatterns::off_table(double mass, const std::vector<double> *&pattern) {
    const long bin = pattern_bin(mass);
    auto found = bins_.find(bin);
    if (found == bins_.end()) {
        std::vector<double> computed;
        Outcome done = fine_pattern(
            bin, [this](long b, const std::vector<double> *&p) { return coarse(b, p); }, computed);
        if (!done.ok()) return done;
        found = bins_.emplace(bin, std::move(computed)).first;
    }
    pattern = &found->second;
    return Outcome::success();
}

} // namespace corvan::observed
