#include "envelope/element_bins.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/buffers.hpp"
#include "core/plan_cache.hpp"
#include "molecule/elements.hpp"

namespace corvan::envelope {

Cx quotient(Cx a, Cx b) {
    const double norm = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / norm, (a.im * b.re - a.re * b.im) / norm};
}

Cx complex_log(Cx z) {
    return {0.5 * std::log(z.re * z.re + z.im * z.im), std::atan2(z.im, z.re)};
}

double mean_defect(const labels::ElementPattern &pattern) {
    double sum = 0;
    for (std::size_t i = 0; i < pattern.size; ++i) sum += pattern.shares[i] * pattern.defects[i];
    return sum;
}

namespace {

using Wide = long double;

struct WideCx {
    Wide re = 0, im = 0;
};

WideCx wide_quotient(WideCx a, WideCx b) {
    const Wide norm = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / norm, (a.im * b.re - a.re * b.im) / norm};
}

Cx narrow(WideCx z) {
    return {static_cast<double>(z.re), static_cast<double>(z.im)};
}

constexpr Wide kPi = 3.141592653589793238462643383279502884L;

// Below this |P|^2 a bin is taken as vanished: its powers are zero.
constexpr Wide kVanishingNorm = 1e-280L;

ElementBin element_bin(const labels::ElementPattern &p, Wide mean, Wide defect, Wide theta) {
    // Each isotope's phase is taken about the mean, so that the sum's
    // argument is small and exact to its last digits.
    WideCx centred, defects, positions;
    for (std::size_t i = 0; i < p.size; ++i) {
        const Wide offset = p.positions[i] - mean, angle = -offset * theta;
        const WideCx term{p.shares[i] * std::cos(angle), p.shares[i] * std::sin(angle)};
        centred = {centred.re + term.re, centred.im + term.im};
        const Wide d = p.defects[i] - defect;
        defects = {defects.re + d * term.re, defects.im + d * term.im};
        positions = {positions.re + offset * term.re, positions.im + offset * term.im};
    }
    const Wide norm = centred.re * centred.re + centred.im * centred.im;
    if (norm < kVanishingNorm) return {{kVanished, 0}, {}, {}, {}};
    const Wide shift = -mean * theta; // back to the uncentred transform
    const WideCx rotation{std::cos(shift), std::sin(shift)};
    const WideCx transform{centred.re * rotation.re - centred.im * rotation.im,
                           centred.re * rotation.im + centred.im * rotation.re};
    return {{static_cast<double>(0.5L * std::log(norm)),
             static_cast<double>(std::atan2(centred.im, centred.re))},
            narrow(wide_quotient(defects, centred)),
            narrow(wide_quotient(positions, centred)),
            narrow(transform)};
}

// Every grid size the envelope uses up to kLongestSharedGrid: from 4 up,
// with no prime factor above 5.
constexpr bool smooth(long long n) {
    for (long long prime : {2, 3, 5})
        while (n % prime == 0) n /= prime;
    return n == 1;
}
constexpr int count_sizes() {
    int count = 0;
    for (int n = 4; n <= kLongestSharedGrid; ++n) count += smooth(n);
    return count;
}
constexpr int kSizes = count_sizes();
constexpr auto kGridSizes = [] {
    std::array<int, kSizes> sizes{};
    int at = 0;
    for (int n = 4; n <= kLongestSharedGrid; ++n)
        if (smooth(n)) sizes[static_cast<std::size_t>(at++)] = n;
    return sizes;
}();

// For each n up to kLongestSharedGrid, the place in kGridSizes of the first
// size >= n: both look-ups below are one read, as every call asks them.
constexpr auto kFirstAtLeast = [] {
    std::array<std::int16_t, kLongestSharedGrid + 1> first{};
    std::size_t at = 0;
    for (std::size_t n = 0; n < first.size(); ++n) {
        if (static_cast<int>(n) > kGridSizes[at]) ++at;
        first[n] = static_cast<std::int16_t>(at);
    }
    return first;
}();
static_assert(kSizes <= 32767, "kFirstAtLeast holds 16-bit places");

int size_index(int grid) {
    if (grid < 0 || grid > kLongestSharedGrid) return -1;
    const int at = kFirstAtLeast[static_cast<std::size_t>(grid)];
    return kGridSizes[static_cast<std::size_t>(at)] == grid ? at : -1;
}

// Published once per (length, element) with a compare-and-swap: a thread
// that loses the race frees its copy and takes the winner's, which holds
// the same bits. Never freed: other threads may read them until the
// process ends.
using SharedBins = std::array<std::array<std::atomic<const ElementBin *>, chem::kElementCount>,
                              static_cast<std::size_t>(kSizes)>;
SharedBins &shared_bins() {
    static SharedBins *const table = new SharedBins{};
    return *table;
}

} // namespace

int grid_size(long long span) {
    if (span <= kLongestSharedGrid)
        return kGridSizes[static_cast<std::size_t>(
            kFirstAtLeast[static_cast<std::size_t>(std::max(0LL, span))])];
    long long size = span;
    while (!smooth(size)) ++size;
    return static_cast<int>(size);
}

void fill_element_bins(const labels::ElementPattern &pattern, int grid, ElementBin *bins) {
    const Wide mean = pattern.mean_position(), defect = mean_defect(pattern);
    const Wide step = 2 * kPi / grid;
    for (int j = 0; j <= grid / 2; ++j) bins[j] = element_bin(pattern, mean, defect, step * j);
}

const ElementBin *shared_natural_bins(int element, int grid) {
    const int index = size_index(grid);
    if (index < 0 || !fft::caching()) return nullptr;
    std::atomic<const ElementBin *> &slot =
        shared_bins()[static_cast<std::size_t>(index)][static_cast<std::size_t>(element)];
    if (const ElementBin *made = slot.load(std::memory_order_acquire)) return made;
    auto *bins = static_cast<ElementBin *>(
        std::malloc(sizeof(ElementBin) * static_cast<std::size_t>(grid / 2 + 1)));
    if (bins == nullptr) return nullptr;
    fill_element_bins(labels::natural_pattern(element), grid, bins);
    const ElementBin *expected = nullptr;
    if (slot.compare_exchange_strong(expected, bins, std::memory_order_acq_rel)) return bins;
    std::free(bins);
    return expected;
}

} // namespace corvan::envelope
