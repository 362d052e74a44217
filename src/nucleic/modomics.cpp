#include "nucleic/modomics.hpp"

#include <algorithm>

namespace corvan::modomics {

const Entry *find(std::string_view name) {
    const Entry *end = kEntries + kEntryCount;
    const Entry *named = std::lower_bound(
        kEntries, end, name, [](const Entry &e, std::string_view n) { return e.short_name < n; });
    if (named != end && named->short_name == name) return named;
    const Entry *coded =
        std::find_if(kEntries, end, [&](const Entry &e) { return *e.code != 0 && e.code == name; });
    return coded != end ? coded : nullptr;
}

} // namespace corvan::modomics
