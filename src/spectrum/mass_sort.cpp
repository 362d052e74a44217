#include "spectrum/mass_sort.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace corvan::spectrum {

namespace {

// Below this many, a comparison sort is as fast.
constexpr std::size_t kFewEntries = 64;
constexpr int kDigitBits = 8;
constexpr std::uint32_t kDigits = 1u << kDigitBits;

void insertion_pass(WeightedMass *entries, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i) {
        const WeightedMass moving = entries[i];
        std::size_t j = i;
        for (; j > 0 && entries[j - 1].mass > moving.mass; --j) entries[j] = entries[j - 1];
        entries[j] = moving;
    }
}

} // namespace

void sort_by_mass(WeightedMass *entries, std::size_t count) {
    const auto lighter = [](const WeightedMass &a, const WeightedMass &b) {
        return a.mass < b.mass;
    };
    if (count <= kFewEntries) {
        std::sort(entries, entries + count, lighter);
        return;
    }
    const auto [lightest, heaviest] = std::minmax_element(entries, entries + count, lighter);
    const double low = lightest->mass;
    const double span = heaviest->mass - low;
    // Enough key bits that few entries share a key; each digit is a pass.
    const int bits = count < 4096 ? 16 : count < (1 << 20) ? 24 : 32;
    const double scale = span > 0 ? (std::ldexp(1.0, bits) - 256) / span : 0;
    const auto key = [&](const WeightedMass &e) {
        return static_cast<std::uint32_t>((e.mass - low) * scale);
    };
    std::vector<WeightedMass> other(count);
    WeightedMass *from = entries, *to = other.data();
    for (int shift = 0; shift < bits; shift += kDigitBits) {
        std::array<std::size_t, kDigits> start{};
        for (std::size_t i = 0; i < count; ++i) ++start[(key(from[i]) >> shift) & (kDigits - 1)];
        std::size_t sum = 0;
        for (std::size_t &slot : start) sum += std::exchange(slot, sum);
        for (std::size_t i = 0; i < count; ++i)
            to[start[(key(from[i]) >> shift) & (kDigits - 1)]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries) std::copy(from, from + count, entries);
    insertion_pass(entries, count);
}

} // namespace corvan::spectrum
