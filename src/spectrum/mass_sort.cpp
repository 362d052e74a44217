#include "spectrum/mass_sort.hpp"

#include <algorithm>
#include <array>
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
    if (count <= kFewEntries) {
        std::sort(entries, entries + count,
                  [](const WeightedMass &a, const WeightedMass &b) { return a.mass < b.mass; });
        return;
    }
    const auto [lightest, heaviest] = std::minmax_element(
        entries, entries + count,
        [](const WeightedMass &a, const WeightedMass &b) { return a.mass < b.mass; });
    const double low = lightest->mass;
    const double span = heaviest->mass - low;
    const double scale = span > 0 ? 4294967040.0 / span : 0;
    std::vector<std::uint32_t> keys(count), other_keys(count);
    std::vector<WeightedMass> other(count);
    for (std::size_t i = 0; i < count; ++i)
        keys[i] = static_cast<std::uint32_t>((entries[i].mass - low) * scale);
    WeightedMass *from = entries, *to = other.data();
    std::uint32_t *from_keys = keys.data(), *to_keys = other_keys.data();
    for (int shift = 0; shift < 32; shift += kDigitBits) {
        std::array<std::size_t, kDigits> start{};
        for (std::size_t i = 0; i < count; ++i) ++start[(from_keys[i] >> shift) & (kDigits - 1)];
        std::size_t sum = 0;
        for (std::size_t &slot : start) sum += std::exchange(slot, sum);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = start[(from_keys[i] >> shift) & (kDigits - 1)]++;
            to[at] = from[i];
            to_keys[at] = from_keys[i];
        }
        std::swap(from, to);
        std::swap(from_keys, to_keys);
    }
    // An even number of passes leaves the result in `entries`.
    static_assert((32 / kDigitBits) % 2 == 0);
    insertion_pass(entries, count);
}

} // namespace corvan::spectrum
