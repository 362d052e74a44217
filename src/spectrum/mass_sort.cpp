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
    // Positions travel in 32 bits below.
    if (count <= kFewEntries || count > 0xffffffffu) {
        std::sort(entries, entries + count, lighter);
        return;
    }
    const auto [lightest, heaviest] = std::minmax_element(entries, entries + count, lighter);
    const double low = lightest->mass;
    const double span = heaviest->mass - low;
    // Enough key bits that few entries share a key; each digit is a pass.
    const int bits = count < 4096 ? 16 : count < (1 << 20) ? 24 : 32;
    const int passes = bits / kDigitBits;
    const double scale = span > 0 ? (std::ldexp(1.0, bits) - 256) / span : 0;
    // Each entry's key and position travel together in one word; the
    // entries themselves move once, when the order is known. Every digit's
    // counts come from one reading of the keys.
    std::vector<std::uint64_t> order(2 * count);
    std::uint64_t *from = order.data(), *to = from + count;
    std::vector<std::array<std::size_t, kDigits>> start(static_cast<std::size_t>(passes));
    for (std::size_t i = 0; i < count; ++i) {
        const auto key = static_cast<std::uint32_t>((entries[i].mass - low) * scale);
        from[i] = std::uint64_t{key} << 32 | i;
        for (int pass = 0; pass < passes; ++pass)
            ++start[static_cast<std::size_t>(pass)][(key >> (pass * kDigitBits)) & (kDigits - 1)];
    }
    for (int pass = 0; pass < passes; ++pass) {
        auto &slots = start[static_cast<std::size_t>(pass)];
        std::size_t sum = 0;
        for (std::size_t &slot : slots) sum += std::exchange(slot, sum);
        const int shift = 32 + pass * kDigitBits;
        for (std::size_t i = 0; i < count; ++i)
            to[slots[(from[i] >> shift) & (kDigits - 1)]++] = from[i];
        std::swap(from, to);
    }
    std::vector<WeightedMass> placed(count);
    for (std::size_t i = 0; i < count; ++i) placed[i] = entries[from[i] & 0xffffffffu];
    std::copy(placed.begin(), placed.end(), entries);
    insertion_pass(entries, count);
}

} // namespace corvan::spectrum
