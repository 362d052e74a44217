// One computed fixed-engine distribution and its labels for the outputs.
#include "output/result.hpp"

namespace cli {

const char *const kMassColumnsMeaning =
    "nominal = sum of the mass numbers of the lightest isotopic composition, plus k;\n"
    "mass    = abundance-weighted mean exact mass (Da, neutral) of all isotopic\n"
    "          compositions in peak M+k, from the library's isotope tables\n"
    "          (for M: the monoisotopic mass); blank for a peak below 1e-12\n"
    "          of the whole";

std::string counted(std::size_t count, const std::string &noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string peak_label(int index, int offset, int first_step) {
    if (index < offset) return "-";
    const int step = index - offset + first_step;
    return step == 0 ? "M" : step > 0 ? "M+" + std::to_string(step) : "M" + std::to_string(step);
}

const PeakMass *mass_at(const Result &result, int index) {
    const int step = index - result.offset;
    if (step < 0 || step >= static_cast<int>(result.masses.size())) return nullptr;
    return &result.masses[step];
}

const char *input_kind_name(InputKind kind) {
    switch (kind) {
    case InputKind::formula:
        return "formula";
    case InputKind::sequence:
        return "sequence";
    case InputKind::mass:
        break;
    }
    return "mass";
}

std::string subject_of(const Result &result) {
    return result.input_kind == InputKind::mass
               ? result.molecule + " of " + result.input_text + " Da"
               : result.input_text;
}

std::string shortened(const std::string &text) {
    constexpr std::size_t kShown = 40;
    if (text.size() <= kShown + 20) return text;
    return text.substr(0, kShown) + "... (" + std::to_string(text.size()) + " characters)";
}

std::string describe(const Result &result) {
    const std::string subject = subject_of(result);
    std::string engine = result.engine + " engine";
    if (!result.weights.empty()) engine += ", network file " + result.weights;
    return subject + " (" + engine + ")";
}

} // namespace cli
