// Ordering a list by a floating-point key without a comparison sort: the
// fine structure orders its prefixes this way, and a comparison sort's
// branches go either way and stall the processor.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace corvan::spectrum {

// Up to this many items share a bucket before the bucket is sorted by
// comparison rather than by insertion.
inline constexpr std::size_t kInsertedItems = 16;

// Orders `items` by increasing key(item). Each item goes to one of as many
// buckets as items by its place in the keys' range (a place that cannot
// decrease as the key grows, so buckets are in order), then each bucket is
// ordered by insertion, or by comparison when crowded. Items of equal keys
// keep their order. `spare` and `counts` are the caller's room, reused from
// call to call. Keys must be finite.
template <class Item, class Allocator, class Key>
void order_by_key(std::vector<Item, Allocator> &items, std::vector<Item, Allocator> &spare,
                  std::vector<std::size_t> &counts, Key key) {
    const std::size_t n = items.size();
    if (n < 2) return;
    const auto [least, most] = std::minmax_element(
        items.begin(), items.end(), [&](const Item &a, const Item &b) { return key(a) < key(b); });
    const double low = key(*least), span = key(*most) - low;
    if (!(span > 0)) return;
    const double scale = static_cast<double>(n - 1) / span;
    const auto bucket = [&](const Item &item) {
        return std::min(static_cast<std::size_t>((key(item) - low) * scale), n - 1);
    };
    counts.assign(n + 1, 0);
    for (const Item &item : items) ++counts[bucket(item) + 1];
    for (std::size_t b = 1; b <= n; ++b) counts[b] += counts[b - 1];
    spare.resize(n);
    for (const Item &item : items) spare[counts[bucket(item)]++] = item;
    items.swap(spare);
    // counts[b] is now the end of bucket b, and the start of bucket b + 1.
    const auto by_key = [&](const Item &a, const Item &b) { return key(a) < key(b); };
    for (std::size_t b = 0, from = 0; b < n; from = counts[b++]) {
        const auto first = items.begin() + static_cast<long>(from);
        const auto last = items.begin() + static_cast<long>(counts[b]);
        if (last - first > static_cast<long>(kInsertedItems)) {
            std::stable_sort(first, last, by_key);
            continue;
        }
        for (auto it = first + (first != last); it < last; ++it)
            for (auto at = it; at != first && by_key(*at, *(at - 1)); --at)
                std::iter_swap(at, at - 1);
    }
}

} // namespace corvan::spectrum
