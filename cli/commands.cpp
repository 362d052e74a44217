#include "commands.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include "args.hpp"
#include "corvan.h"
#include "table.hpp"

namespace cli {

namespace {

constexpr float kShownFloor = 1e-6f;

int usage_error(const std::string &command, const std::string &message) {
    std::fprintf(stderr, "corvan %s: %s (see corvan %s --help)\n", command.c_str(),
                 message.c_str(), command.c_str());
    return kUsage;
}

// --points and --offset, common to every distribution subcommand.
struct Frame {
    int points = 64;
    int offset = 0;
};

std::optional<std::string> read_frame(const Args &args, Frame &frame) {
    if (auto it = args.options.find("points"); it != args.options.end()) {
        const auto value = to_int(it->second);
        if (!value || *value < 1) return "--points must be a whole number of at least 1";
        frame.points = *value;
    }
    if (auto it = args.options.find("offset"); it != args.options.end()) {
        const auto value = to_int(it->second);
        if (!value || *value < 0 || *value >= frame.points)
            return "--offset must be a whole number from 0 to points-1";
        frame.offset = *value;
    }
    return std::nullopt;
}

bool has_flag(const Args &args, const std::string &name) {
    for (const auto &flag : args.flags)
        if (flag == name) return true;
    return false;
}

int run_formula(int argc, char **argv) {
    Args args;
    if (auto error = parse(argc, argv, 1, {"points", "offset"}, {"all"}, args))
        return usage_error("formula", *error);
    if (args.positional.size() != 1)
        return usage_error("formula", "expected exactly one formula, such as C6H12O6");
    Frame frame;
    if (auto error = read_frame(args, frame)) return usage_error("formula", *error);
    const std::string &formula = args.positional[0];
    int counts[109];
    if (atom_formula_to_vector(formula.c_str(), counts) != 0)
        return usage_error("formula", "cannot read the formula \"" + formula +
                                          "\" (element symbols such as C, H, Na, each with "
                                          "an optional count, e.g. C6H12O6)");
    std::vector<float> out(static_cast<std::size_t>(frame.points));
    const float peak = fft_atom_formula_to_dist(formula.c_str(), out.data(), frame.points,
                                                frame.offset);
    if (peak < 0) {
        std::fprintf(stderr, "corvan formula: the distribution of %s could not be computed\n",
                     formula.c_str());
        return kFailedCall;
    }
    char title[256];
    std::snprintf(title, sizeof title, "%s: %d points, offset %d; highest peak holds %.6g of the total",
                  formula.c_str(), frame.points, frame.offset, peak);
    print_table(stdout, title, out, has_flag(args, "all") ? 0.0f : kShownFloor);
    return kOk;
}

const char *const kFormulaHelp =
    "usage: corvan formula FORMULA [--points N] [--offset K] [--all]\n"
    "\n"
    "Isotope distribution of an elemental formula over the elements H to Mt,\n"
    "computed by FFT on a grid of N points (default 64), scaled so that the\n"
    "highest peak is 1. Index k is the peak with k extra neutrons, written at\n"
    "row offset + k. Points below 1e-6 at the end are not shown unless --all.\n"
    "\n"
    "examples:\n"
    "  corvan formula C6H12O6\n"
    "  corvan formula 'C254 H377 N65 O75 S6' --points 32\n"
    "  corvan formula SnCl2 --points 16 --all\n";

} // namespace

const std::vector<Command> &commands() {
    static const std::vector<Command> table = {
        {"formula", "isotope distribution of an elemental formula", kFormulaHelp, run_formula},
    };
    return table;
}

} // namespace cli
