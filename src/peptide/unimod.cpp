#include "peptide/unimod.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text_scan.hpp"

namespace corvan::unimod {

namespace {

constexpr long long kMaxAccession = 100000; // above Unimod's, and far from int's end

// Negative, zero or positive as the table's name sorts before, with or
// after `b`, ignoring case; walks the name to its NUL instead of measuring it.
int compare_folded(const char *name, std::string_view b) {
    std::size_t i = 0;
    for (; name[i] != '\0' && i < b.size(); ++i) {
        const char x = text::folded(name[i]), y = text::folded(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (name[i] == '\0') return i == b.size() ? 0 : -1;
    return 1;
}

} // namespace

const Entry *find_accession(int accession) {
    const Entry *end = kEntries + kEntryCount;
    const Entry *found = std::lower_bound(
        kEntries, end, accession, [](const Entry &e, int value) { return e.accession < value; });
    return found != end && found->accession == accession ? found : nullptr;
}

bool read_accession(std::string_view digits, int &accession) {
    long long value = 0;
    if (!text::read_whole(digits, kMaxAccession, value)) return false;
    accession = static_cast<int>(value);
    return true;
}

const Entry *find_name(std::string_view name) {
    const unsigned short *end = kByName + kEntryCount;
    const unsigned short *found =
        std::lower_bound(kByName, end, name, [](unsigned short index, std::string_view value) {
            return compare_folded(kEntries[index].name, value) < 0;
        });
    if (found == end || compare_folded(kEntries[*found].name, name) != 0) return nullptr;
    return &kEntries[*found];
}

std::vector<const Entry *> near_mass(double mass, double tolerance) {
    std::vector<const Entry *> near;
    for (int i = 0; i < kEntryCount; ++i)
        if (std::fabs(kEntries[i].monoisotopic_mass - mass) <= tolerance)
            near.push_back(&kEntries[i]);
    std::stable_sort(near.begin(), near.end(), [mass](const Entry *a, const Entry *b) {
        return std::fabs(a->monoisotopic_mass - mass) < std::fabs(b->monoisotopic_mass - mass);
    });
    return near;
}

} // namespace corvan::unimod
