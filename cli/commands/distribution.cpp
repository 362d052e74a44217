// The fixed engines behind the formula, peptide and rna subcommands.
#include "commands/distribution.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "args.hpp"
#include "commands.hpp"
#include "commands/command_failure.hpp"
#include "commands/weights.hpp"
#include "output/atomic_file.hpp"
#include "output/output_formats.hpp"
#include "output/result.hpp"
#include "output/svg_plot.hpp"

namespace cli {

namespace {

constexpr int kMostPoints = 1 << 20; // far beyond any isotope envelope
// Masses cost the square of the peaks they cover; this is beyond the
// envelope of any molecule the engines take.
constexpr int kMostMassedPeaks = 512;

using Failure = CommandFailure;

Failure usage(const std::string &message) {
    return {kUsage, message};
}

// Everything the command line asks for, read and checked.
struct Request {
    const Engine *engine = nullptr;
    Format format = Format::table;
    bool all = false;
    std::string plot_path, out_path;
    Result result; // the input half, filled before the call
};

bool has_flag(const Args &args, const std::string &name) {
    for (const auto &flag : args.flags)
        if (flag == name) return true;
    return false;
}

std::string option(const Args &args, const std::string &name) {
    const auto it = args.options.find(name);
    return it == args.options.end() ? "" : it->second;
}

std::optional<Failure> read_engine(const Molecule &molecule, const Args &args, Request &request) {
    std::string name = option(args, "engine");
    if (name.empty()) name = args.options.count("weights") ? "nn" : molecule.engines.front().name;
    request.engine = find_engine(molecule, name);
    if (request.engine == nullptr)
        return usage("unknown engine '" + name + "' (choose " + engine_names(molecule) + ")");
    request.result.engine = name;
    return std::nullopt;
}

std::optional<Failure> read_input(const Molecule &molecule, const Args &args, Request &request) {
    const Engine &engine = *request.engine;
    Result &result = request.result;
    result.molecule = molecule.command;
    if (args.options.count("mass")) {
        const std::string text = option(args, "mass");
        if (!args.positional.empty())
            return usage("give either a " + molecule.noun + " or --mass, not both");
        if (engine.by_mass == nullptr)
            return usage("the " + engine.name + " engine does not take a mass");
        const auto value = to_float(text);
        if (!value || *value <= 0)
            return usage("--mass must be a positive number of daltons, e.g. 1500.5");
        result.input_kind = InputKind::mass;
        result.input_text = text;
        result.input_mass = *value;
        return std::nullopt;
    }
    if (args.positional.size() != 1)
        return usage("expected exactly one " + molecule.noun + ", such as " + molecule.example);
    if (engine.by_sequence == nullptr)
        return usage("the " + engine.name + " engine takes a mass only (--mass M)");
    if (auto reason = molecule.check_text(args.positional[0])) return usage(*reason);
    if (!engine.takes_modifications && args.positional[0].find('[') != std::string::npos)
        return usage("the " + engine.name +
                     " engine sees residue counts only and would leave the modifications out; "
                     "use the fft or brain engine");
    result.input_kind = molecule.command == "formula" ? InputKind::formula : InputKind::sequence;
    result.input_text = args.positional[0];
    return std::nullopt;
}

// --weights: the file must be readable and hold a network for this input.
std::optional<Failure> read_weights(const Molecule &molecule, const Args &args, Request &request,
                                    std::optional<int> &units) {
    if (!args.options.count("weights")) return std::nullopt;
    const std::string path = option(args, "weights");
    const Engine &engine = *request.engine;
    const bool by_mass = request.result.input_kind == InputKind::mass;
    if (by_mass ? engine.custom_by_mass == nullptr : engine.custom_by_sequence == nullptr)
        return usage("--weights needs the nn engine of the peptide or rna command");
    std::string why;
    const auto size = readable_file_size(path, why);
    if (!size) return Failure{kFile, "cannot read the weight file " + path + ": " + why};
    const int inputs = by_mass ? kNetworkMassInputs : molecule.network_sequence_inputs;
    units = network_units(*size, inputs);
    if (!units)
        return usage(path + " (" + std::to_string(*size) + " bytes) is not a weight file of a " +
                     std::to_string(inputs) + "-input network (4 x (3n + " +
                     std::to_string(inputs) + "n + 2n^2) bytes for n units per layer)");
    request.result.weights = path;
    return std::nullopt;
}

std::optional<Failure> read_frame(const Args &args, std::optional<int> units, Result &result) {
    result.points = units.value_or(64);
    if (args.options.count("points")) {
        const auto value = to_int(option(args, "points"));
        if (!value || *value < 1 || *value > kMostPoints)
            return usage("--points must be a whole number from 1 to " +
                         std::to_string(kMostPoints));
        if (units && *value != *units)
            return usage("the network in " + result.weights + " has " + std::to_string(*units) +
                         " outputs, so --points must be " + std::to_string(*units));
        result.points = *value;
    }
    if (args.options.count("offset")) {
        const auto value = to_int(option(args, "offset"));
        if (!value || *value < 0 || *value >= result.points)
            return usage("--offset must be a whole number from 0 to points-1");
        result.offset = *value;
    }
    return std::nullopt;
}

std::optional<Failure> read_outputs(const Args &args, Request &request) {
    if (args.options.count("format")) {
        const auto format = format_named(option(args, "format"));
        if (!format) return usage("--format must be table, csv, tsv or json");
        request.format = *format;
    }
    request.all = has_flag(args, "all");
    request.plot_path = option(args, "plot");
    request.out_path = option(args, "out");
    if (!args.options.count("format"))
        request.format = format_for_file(request.out_path).value_or(Format::table);
    if (args.options.count("plot") && request.plot_path.empty())
        return usage("--plot needs a file name, e.g. --plot spectrum.svg");
    if (args.options.count("out") && request.out_path.empty())
        return usage("--out needs a file name");
    return std::nullopt;
}

// What to compute: engine, input, weights and frame.
std::optional<Failure> read_computation(const Molecule &molecule, const Args &args,
                                        Request &request) {
    std::optional<int> units;
    if (auto failure = read_engine(molecule, args, request)) return failure;
    if (auto failure = read_input(molecule, args, request)) return failure;
    if (auto failure = read_weights(molecule, args, request, units)) return failure;
    return read_frame(args, units, request.result);
}

std::optional<Failure> read_request(const Molecule &molecule, int argc, char **argv,
                                    Request &request) {
    Args args;
    if (auto error = parse(argc, argv, 1,
                           {"points", "offset", "mass", "engine", "weights", "format", "plot",
                            "out", "charge", "adduct", "label", "min-intensity"},
                           {"all"}, args))
        return usage(*error);
    for (const char *exact_only : {"charge", "adduct", "label", "min-intensity"})
        if (args.options.count(exact_only))
            return usage(std::string("--") + exact_only + " needs the exact engine (the " +
                         option_or(args, "engine", "nn") +
                         " engine computes the neutral molecule without labels)");
    if (auto failure = read_outputs(args, request)) return failure;
    return read_computation(molecule, args, request);
}

float call_library(const Engine &engine, Result &result) {
    float *out = result.values.data();
    const char *text = result.input_text.c_str();
    const char *path = result.weights.c_str();
    const float mass = static_cast<float>(result.input_mass);
    const int n = result.points, offset = result.offset;
    if (result.input_kind == InputKind::mass)
        return result.weights.empty() ? engine.by_mass(out, n, offset, mass)
                                      : engine.custom_by_mass(out, n, offset, path, mass);
    return result.weights.empty() ? engine.by_sequence(text, out, n, offset)
                                  : engine.custom_by_sequence(text, out, n, offset, path);
}

std::optional<Failure> write_file(const std::string &path, const Result &result,
                                  void (*write)(std::FILE *, const Result &, Format, bool),
                                  Format format, bool all) {
    AtomicFile file;
    if (!file.open(path))
        return Failure{kFile, "cannot write " + path + ": " + std::strerror(errno)};
    write(file.stream(), result, format, all);
    if (!file.commit()) return Failure{kFile, "cannot write " + path + ": " + std::strerror(errno)};
    return std::nullopt;
}

void write_plot(std::FILE *stream, const Result &result, Format, bool) {
    write_svg_plot(stream, result);
}

std::optional<Failure> write_outputs(const Request &request) {
    const Result &result = request.result;
    if (!request.plot_path.empty())
        if (auto failure = write_file(request.plot_path, result, write_plot, {}, false))
            return failure;
    if (!request.out_path.empty())
        return write_file(request.out_path, result, write_result, request.format, request.all);
    write_result(stdout, result, request.format, request.all);
    return std::nullopt;
}

// The library gives no reason; the command line knows the BRAIN engine's
// one remaining failure once its input checks have passed.
std::string failure_text(const Engine &engine, const Result &result) {
    std::string text = "the " + engine.name + " engine could not compute the distribution of " +
                       shortened(subject_of(result));
    if (engine.name != "brain") return text;
    if (result.molecule == "rna" && result.input_kind == InputKind::mass && result.input_mass < 100)
        return text + " (a mass this small has no RNA composition)";
    return text + " (its recursion overflows for a molecule this large)";
}

// The library call and what the outputs show besides its values.
std::optional<Failure> compute(const Molecule &molecule, Request &request) {
    Result &result = request.result;
    result.peak_meaning = request.engine->peak_meaning;
    result.values.assign(static_cast<std::size_t>(result.points), 0.0f);
    result.peak = call_library(*request.engine, result);
    std::fflush(stdout); // the library's own messages come before ours
    if (!(result.peak >= 0)) return Failure{kFailedCall, failure_text(*request.engine, result)};
    if (result.input_kind != InputKind::mass) {
        result.chemistry =
            fixed_chemistry(molecule.counts(result.input_text),
                            std::min(result.points - result.offset, kMostMassedPeaks));
        if (result.chemistry) result.masses = result.chemistry->peaks;
    }
    return std::nullopt;
}

} // namespace

std::variant<Result, FixedCallFailure> compute_fixed_call(const Molecule &molecule,
                                                          const Args &args) {
    Request request;
    std::optional<Failure> failure = read_computation(molecule, args, request);
    if (!failure) failure = compute(molecule, request);
    if (failure) return FixedCallFailure{failure->status, failure->message};
    return std::move(request.result);
}

int run_distribution(const Molecule &molecule, int argc, char **argv) {
    Request request;
    if (auto failure = read_request(molecule, argc, argv, request))
        return report_command_failure(molecule.command.c_str(), *failure);
    if (auto failure = compute(molecule, request))
        return report_command_failure(molecule.command.c_str(), *failure);
    if (auto failure = write_outputs(request))
        return report_command_failure(molecule.command.c_str(), *failure);
    return kOk;
}

} // namespace cli
