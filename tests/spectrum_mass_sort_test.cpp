// Peaks by mass: the radix placement and its insertion pass against a
// comparison sort, with masses closer than one key step.
#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "spectrum/mass_sort.hpp"

using corvan::spectrum::sort_by_mass;
using corvan::spectrum::WeightedMass;

TEST(MassSort, OrdersAsAComparisonSortDoes) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> mass(1000, 1020);
    for (std::size_t count : {5, 300, 5000}) {
        std::vector<WeightedMass> entries;
        for (std::size_t i = 0; i < count; ++i) {
            const double m = mass(random);
            entries.push_back({static_cast<double>(i), m});
            // Pairs 1e-11 Da apart share a 32-bit key over a 20 Da range.
            if (i % 7 == 0) entries.push_back({-static_cast<double>(i), m - 1e-11});
        }
        std::vector<WeightedMass> want = entries;
        std::sort(want.begin(), want.end(),
                  [](const WeightedMass &a, const WeightedMass &b) { return a.mass < b.mass; });
        sort_by_mass(entries.data(), entries.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(entries[i].mass, want[i].mass) << count << " " << i;
            ASSERT_EQ(entries[i].probability, want[i].probability) << count << " " << i;
        }
    }
}
