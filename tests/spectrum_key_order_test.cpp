// Ordering by a key through buckets, against a stable comparison sort: keys
// spread evenly, keys crowded into a few buckets (the comparison path),
// ties (their order kept) and a single repeated key.
#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "spectrum/key_order.hpp"

using corvan::spectrum::order_by_key;

TEST(KeyOrder, OrdersAsAStableSortDoes) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> spread(-0.2, 0.2);
    using Item = std::pair<double, int>; // key, place in the input
    for (int crowded : {0, 1, 2}) {
        for (std::size_t count : {1, 7, 300, 4000}) {
            std::vector<Item> items, spare;
            std::vector<std::size_t> counts;
            for (std::size_t i = 0; i < count; ++i) {
                // Crowded: all but a few keys within 1e-9 of each other.
                double key = crowded == 1 && i % 50 != 0 ? 1e-9 * spread(random) : spread(random);
                if (crowded == 2) key = 0.25;
                if (i % 5 == 0 && i > 0) key = items[i / 2].first; // a tie
                items.emplace_back(key, static_cast<int>(i));
            }
            std::vector<Item> want = items;
            std::stable_sort(want.begin(), want.end(),
                             [](const Item &a, const Item &b) { return a.first < b.first; });
            order_by_key(items, spare, counts, [](const Item &x) { return x.first; });
            ASSERT_EQ(items, want) << crowded << " " << count;
        }
    }
}
