// Grid sizes and the shared bins' look-up by length, against a plain search.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/element_bins.hpp"
#include "labels/element_pattern.hpp"
#include "molecule/elements.hpp"

namespace {

using namespace corvan::envelope;

bool only_2_3_5(long long n) {
    for (long long prime : {2, 3, 5})
        while (n % prime == 0) n /= prime;
    return n == 1;
}

TEST(ElementBins, GridSizeIsTheNextSizeWithFactors2And3And5) {
    // Across the shared lengths' table and past its end.
    for (long long span = 1; span <= kLongestSharedGrid + 300; ++span) {
        long long expected = std::max(4LL, span);
        while (!only_2_3_5(expected)) ++expected;
        ASSERT_EQ(grid_size(span), expected) << "span " << span;
    }
}

TEST(ElementBins, SharedBinsOnlyForGridSizesAndEqualToMadeOnes) {
    const int carbon = corvan::chem::element_index("C");
    for (int grid : {4, 5, 7, 97, 100, 4095, 4096, 4100}) {
        const ElementBin *shared = shared_natural_bins(carbon, grid);
        const bool expected = grid <= kLongestSharedGrid && only_2_3_5(grid);
        ASSERT_EQ(shared != nullptr, expected) << "grid " << grid;
        if (!expected) continue;
        std::vector<ElementBin> made(static_cast<std::size_t>(grid / 2 + 1));
        fill_element_bins(corvan::labels::natural_pattern(carbon), grid, made.data());
        EXPECT_EQ(std::memcmp(made.data(), shared, made.size() * sizeof(ElementBin)), 0)
            << "grid " << grid;
    }
}

} // namespace
