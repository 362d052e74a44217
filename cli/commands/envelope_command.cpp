// The subcommands that compute through the molecule and ion layer.
#include "commands/envelope_command.hpp"

#include <cerrno>
#include <cstring>
#include <string>

#include "args.hpp"
#include "commands.hpp"
#include "output/atomic_file.hpp"
#include "output/envelope_output.hpp"
#include "output/svg_plot.hpp"

namespace cli {

namespace {

struct Failure {
    int status;
    std::string message;
    std::string detail; // a second line, such as a caret under the fault
};

struct Request {
    EnvelopeRequest envelope;
    Format format = Format::table;
    bool all = false;
    std::string out_path, plot_path;
};

std::string option(const Args &args, const std::string &name) {
    const auto it = args.options.find(name);
    return it == args.options.end() ? "" : it->second;
}

std::optional<Failure> read_numbers(const Args &args, EnvelopeRequest &request) {
    if (args.options.count("charge")) {
        const auto charge = to_int(option(args, "charge"));
        if (!charge) return Failure{kUsage, "--charge must be a whole number, e.g. 2 or -1", ""};
        request.charge = *charge;
    }
    if (args.options.count("points")) {
        const auto points = to_int(option(args, "points"));
        if (!points || *points < 1)
            return Failure{kUsage, "--points must be a whole number of at least 1", ""};
        request.max_points = *points;
    }
    if (args.options.count("min-intensity")) {
        const auto floor = to_float(option(args, "min-intensity"));
        if (!floor || *floor < 0 || *floor > 1)
            return Failure{kUsage, "--min-intensity must be a number from 0 to 1", ""};
        request.min_intensity = *floor;
    }
    return std::nullopt;
}

std::optional<Failure> read_input(corvan_kind kind, const Args &args, EnvelopeRequest &request) {
    request.kind = kind;
    if (args.options.count("mass")) {
        if (!args.positional.empty())
            return Failure{kUsage, "give either a molecule or --mass, not both", ""};
        const auto mass = to_float(option(args, "mass"));
        if (!mass || *mass <= 0)
            return Failure{kUsage, "--mass must be a positive number of daltons, e.g. 1500.5", ""};
        request.mass = *mass;
        return std::nullopt;
    }
    if (args.positional.size() != 1)
        return Failure{kUsage,
                       std::string("expected exactly one ") + kind_name(kind) +
                           (kind == CORVAN_KIND_FORMULA ? ", such as C6H12O6" : " or --mass M"),
                       ""};
    request.text = args.positional[0];
    return std::nullopt;
}

std::optional<Failure> read_request(corvan_kind kind, int argc, char **argv, Request &request) {
    Args args;
    if (auto error = parse(argc, argv, 1,
                           {"charge", "adduct", "label", "points", "min-intensity", "mass",
                            "engine", "format", "out", "plot", "offset"},
                           {"all"}, args))
        return Failure{kUsage, *error, ""};
    if (args.options.count("offset"))
        return Failure{kUsage,
                       "--offset places points on a fixed grid; here every point carries its "
                       "own peak M+k (use --points and --min-intensity to limit them)",
                       ""};
    if (args.options.count("engine") && option(args, "engine") != "exact")
        return Failure{kUsage,
                       "unknown engine '" + option(args, "engine") + "' (" +
                           (kind == CORVAN_KIND_FORMULA || kind == CORVAN_KIND_DNA
                                ? std::string("this command has the exact engine only")
                                : std::string("choose exact, fft, brain or nn")) +
                           ")",
                       ""};
    if (args.options.count("format")) {
        const auto format = format_named(option(args, "format"));
        if (!format) return Failure{kUsage, "--format must be table, csv, tsv or json", ""};
        request.format = *format;
    }
    request.all = std::find(args.flags.begin(), args.flags.end(), "all") != args.flags.end();
    request.out_path = option(args, "out");
    request.plot_path = option(args, "plot");
    if (!args.options.count("format"))
        request.format = format_for_file(request.out_path).value_or(Format::table);
    if (args.options.count("out") && request.out_path.empty())
        return Failure{kUsage, "--out needs a file name", ""};
    if (args.options.count("plot") && request.plot_path.empty())
        return Failure{kUsage, "--plot needs a file name, e.g. --plot spectrum.svg", ""};
    request.envelope.adduct = option(args, "adduct");
    if (args.repeated.count("label")) request.envelope.labels = args.repeated.at("label");
    if (auto failure = read_numbers(args, request.envelope)) return failure;
    return read_input(kind, args, request.envelope);
}

// The library's message; for a fault inside the text, the text again with
// a caret under the place.
Failure library_failure(const EnvelopeRequest &request, const EnvelopeFailure &failure) {
    const bool input_fault = failure.status == CORVAN_E_SYNTAX ||
                             failure.status == CORVAN_E_UNKNOWN || failure.status == CORVAN_E_RANGE;
    std::string detail;
    if (failure.position >= 0 && !request.text.empty() &&
        static_cast<std::size_t>(failure.position) < request.text.size() &&
        request.text.size() <= 120)
        detail = "  " + request.text + "\n  " + std::string(failure.position, ' ') + "^";
    const std::string prefix =
        input_fault && failure.message.find(" of the ") != std::string::npos
            ? std::string("cannot read the ") + kind_name(request.kind) + ": "
            : "";
    const int status = failure.status == CORVAN_E_MEMORY || failure.status == CORVAN_E_TOO_WIDE ||
                               failure.status == CORVAN_E_INTERNAL
                           ? kFailedCall
                           : kUsage;
    return {status, prefix + failure.message, detail};
}

int report(const char *command, const Failure &failure) {
    std::fprintf(stderr, "corvan %s: %s%s\n", command, failure.message.c_str(),
                 failure.status == kUsage && failure.detail.empty()
                     ? (std::string(" (see corvan ") + command + " --help)").c_str()
                     : "");
    if (!failure.detail.empty()) std::fprintf(stderr, "%s\n", failure.detail.c_str());
    return failure.status;
}

std::optional<Failure> write_file(const std::string &path, const Request &request,
                                  const Envelope &envelope, bool plot) {
    AtomicFile file;
    if (!file.open(path))
        return Failure{kFile, "cannot write " + path + ": " + std::strerror(errno), ""};
    if (plot)
        write_svg_plot(file.stream(), plot_result(request.envelope, envelope));
    else
        write_envelope(file.stream(), request.envelope, envelope, request.format, request.all);
    if (!file.commit())
        return Failure{kFile, "cannot write " + path + ": " + std::strerror(errno), ""};
    return std::nullopt;
}

std::optional<Failure> write_outputs(const Request &request, const Envelope &envelope) {
    if (!request.plot_path.empty())
        if (auto failure = write_file(request.plot_path, request, envelope, true)) return failure;
    if (!request.out_path.empty()) return write_file(request.out_path, request, envelope, false);
    write_envelope(stdout, request.envelope, envelope, request.format, request.all);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Failure{kFile, std::string("cannot write standard output: ") + std::strerror(errno),
                       ""};
    return std::nullopt;
}

// A chimeric ProForma text ("A/2+B/3") holds several peptidoforms: 0 when
// the text is no such peptide (it is then read, and refused, as one).
std::size_t peptidoforms(const EnvelopeRequest &request) {
    std::size_t count = 0;
    if (request.kind != CORVAN_KIND_PEPTIDE || request.mass ||
        request.text.find('+') == std::string::npos ||
        corvan_peptidoform_count(request.text.c_str(), &count, nullptr) != CORVAN_OK)
        return 0;
    return count > 1 ? count : 0;
}

std::optional<Failure> compute_and_write(const Request &request) {
    const EnvelopeOutcome outcome = compute_envelope(request.envelope);
    if (outcome.failure) return library_failure(request.envelope, *outcome.failure);
    return write_outputs(request, *outcome.envelope);
}

// One result per peptidoform, each after a line that names it, on standard
// output (files would take only the last).
std::optional<Failure> write_chimera(Request &request, std::size_t count) {
    if (!request.out_path.empty() || !request.plot_path.empty() || request.format != Format::table)
        return Failure{kUsage,
                       "a text of " + std::to_string(count) +
                           " peptidoforms ('+') is written as tables to standard output; give "
                           "each peptidoform alone for --out, --plot or --format",
                       ""};
    for (std::size_t i = 0; i < count; ++i) {
        std::printf("%s# peptidoform %zu of %zu\n", i == 0 ? "" : "\n", i + 1, count);
        request.envelope.peptidoform = i;
        if (auto failure = compute_and_write(request)) return failure;
    }
    return std::nullopt;
}

} // namespace

int run_envelope(corvan_kind kind, const char *command, int argc, char **argv) {
    Request request;
    if (auto failure = read_request(kind, argc, argv, request)) return report(command, *failure);
    const std::size_t count = peptidoforms(request.envelope);
    auto failure = count > 1 ? write_chimera(request, count) : compute_and_write(request);
    if (failure) return report(command, *failure);
    return kOk;
}

} // namespace cli
