#include "peptide/monosaccharides.hpp"

#include <array>
#include <cstring>

namespace corvan::glycan {

namespace {

// Generic sugars CnH(2n-2)O(n-1) by backbone length, the common hexose
// derivatives and sialic acids, and the sulfate and phosphate substituents
// (SO3, HPO3) that compositions count like sugars.
constexpr std::array<Monosaccharide, 28> kMonosaccharides = {{
    {"Sug", "C2H2O"},       {"Tri", "C3H4O2"},        {"Tet", "C4H6O3"},
    {"Pen", "C5H8O4"},      {"Hex", "C6H10O5"},       {"Hep", "C7H12O6"},
    {"Oct", "C8H14O7"},     {"Non", "C9H16O8"},       {"Dec", "C10H18O9"},
    {"dHex", "C6H10O4"},    {"Fuc", "C6H10O4"},       {"HexN", "C6H11NO4"},
    {"HexNAc", "C8H13NO5"}, {"aHex", "C6H8O6"},       {"HexA", "C6H8O6"},
    {"en,aHex", "C6H6O5"},  {"HexS", "C6H10O8S"},     {"HexP", "C6H11O8P"},
    {"HexNS", "C6H11NO7S"}, {"HexNAcS", "C8H13NO8S"}, {"HexNAc(S)", "C8H13NO8S"},
    {"Neu", "C9H15NO7"},    {"NeuAc", "C11H17NO8"},   {"NeuGc", "C11H17NO9"},
    {"Kdn", "C9H14O8"},     {"Kdo", "C8H12O7"},       {"Sulfate", "O3S"},
    {"Phosphate", "HO3P"},
}};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with_folded(std::string_view text, const char *name, std::size_t length) {
    if (text.size() < length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (lower(text[i]) != lower(name[i])) return false;
    return true;
}

} // namespace

const Monosaccharide *match_monosaccharide(std::string_view text) {
    const Monosaccharide *best = nullptr;
    std::size_t best_length = 0;
    for (const Monosaccharide &sugar : kMonosaccharides) {
        const std::size_t length = std::strlen(sugar.name);
        if (length > best_length && starts_with_folded(text, sugar.name, length)) {
            best = &sugar;
            best_length = length;
        }
    }
    return best;
}

} // namespace corvan::glycan
