// The spectrum options: fine structure, profile and centroids.
#include "commands/spectrum_command.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "args.hpp"
#include "commands.hpp"
#include "commands/command_failure.hpp"
#include "commands/envelope_request.hpp"
#include "output/atomic_file.hpp"
#include "output/spectrum_output.hpp"

namespace cli {

namespace {

using Failure = CommandFailure;

struct Request {
    corvan_kind kind = CORVAN_KIND_FORMULA;
    std::string text, adduct, resolution_text = "120000@200", analyzer = "orbitrap";
    int charge = 0;
    std::vector<std::string> labels;
    SpectrumPart part = SpectrumPart::centroids;
    corvan_spectrum_settings settings{};
    Format format = Format::table;
    std::string out_path, plot_path;
};

template <class T, void (*Free)(T *)> struct Deleter {
    void operator()(T *p) const noexcept { Free(p); }
};
using Molecule = std::unique_ptr<corvan_molecule, Deleter<corvan_molecule, corvan_molecule_free>>;
using Options = std::unique_ptr<corvan_options, Deleter<corvan_options, corvan_options_free>>;
using Spectrum = std::unique_ptr<corvan_spectrum, Deleter<corvan_spectrum, corvan_spectrum_free>>;

// The options only a spectrum takes: any of them asks for one.
const std::vector<std::string> kSpectrumValued = {
    "resolution", "analyzer", "threshold",       "coverage",   "max-peaks", "shape",
    "lorentzian", "mz-range", "points-per-fwhm", "min-height", "step"};
const std::vector<std::string> kFlags = {"fine", "profile", "centroids"};

std::vector<std::string> valued_options() {
    std::vector<std::string> all = {"charge", "adduct", "label", "format", "out", "plot"};
    all.insert(all.end(), kSpectrumValued.begin(), kSpectrumValued.end());
    return all;
}

std::string option(const Args &args, const std::string &name) {
    const auto it = args.options.find(name);
    return it == args.options.end() ? "" : it->second;
}

bool has(const Args &args, const std::string &name) {
    return args.options.count(name) != 0;
}

bool flag(const Args &args, const std::string &name) {
    return std::find(args.flags.begin(), args.flags.end(), name) != args.flags.end();
}

// A number the whole text spells, within [low, high].
std::optional<Failure> read_real(const Args &args, const std::string &name, double low, double high,
                                 double &value, const char *what) {
    if (!has(args, name)) return std::nullopt;
    const std::string text = option(args, name);
    char *end = nullptr;
    const double read = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !(read >= low && read <= high))
        return Failure{kUsage, "--" + name + " must be " + what};
    value = read;
    return std::nullopt;
}

std::optional<Failure> read_part(const Args &args, Request &r) {
    int parts = 0;
    for (const auto &[name, part] :
         {std::pair{"fine", SpectrumPart::fine}, std::pair{"profile", SpectrumPart::profile},
          std::pair{"centroids", SpectrumPart::centroids}})
        if (flag(args, name)) r.part = part, ++parts;
    if (parts > 1) return Failure{kUsage, "give one of --fine, --profile and --centroids"};
    return std::nullopt;
}

std::optional<Failure> read_fine(const Args &args, Request &r) {
    corvan_spectrum_settings &s = r.settings;
    if (has(args, "threshold") && has(args, "coverage"))
        return Failure{kUsage, "give either --threshold or --coverage, not both"};
    if (auto f = read_real(args, "threshold", 0, 1, s.fine_value, "a number in (0, 1], e.g. 1e-3"))
        return f;
    if (has(args, "coverage")) s.fine_mode = CORVAN_FINE_COVERAGE;
    if (auto f = read_real(args, "coverage", 0, 1, s.fine_value, "a number in (0, 1), e.g. 0.999"))
        return f;
    double cap = static_cast<double>(s.max_peaks);
    if (auto f = read_real(args, "max-peaks", 1, 1e12, cap, "a whole number of at least 1"))
        return f;
    s.max_peaks = static_cast<size_t>(cap);
    return std::nullopt;
}

std::optional<Failure> read_shape(const Args &args, Request &r) {
    corvan_spectrum_settings &s = r.settings;
    if (has(args, "shape")) {
        const std::string name = option(args, "shape");
        if (name == "gaussian")
            s.shape = CORVAN_SHAPE_GAUSSIAN;
        else if (name == "lorentzian")
            s.shape = CORVAN_SHAPE_LORENTZIAN;
        else if (name == "mixed")
            s.shape = CORVAN_SHAPE_MIXED;
        else
            return Failure{kUsage, "--shape must be gaussian, lorentzian or mixed"};
    }
    if (has(args, "lorentzian")) s.shape = CORVAN_SHAPE_MIXED;
    if (auto f =
            read_real(args, "lorentzian", 0, 1, s.lorentzian_fraction, "a fraction from 0 to 1"))
        return f;
    if (has(args, "mz-range")) {
        const std::string text = option(args, "mz-range");
        char *end = nullptr;
        s.mz_low = std::strtod(text.c_str(), &end);
        if (*end != ':') return Failure{kUsage, "--mz-range must be LOW:HIGH, e.g. 400.5:402"};
        const char *high = end + 1;
        s.mz_high = std::strtod(high, &end);
        if (end == high || *end != '\0')
            return Failure{kUsage, "--mz-range must be LOW:HIGH, e.g. 400.5:402"};
    }
    if (auto f = read_real(args, "step", 0, 1e6, s.mz_step, "a step in m/z > 0")) return f;
    if (auto f = read_real(args, "points-per-fwhm", 1, 1e4, s.points_per_fwhm,
                           "a number from 1 to 10000"))
        return f;
    return read_real(args, "min-height", 0, 1, s.centroid_min_height, "a fraction from 0 to 1");
}

std::optional<Failure> read_request(corvan_kind kind, int argc, char **argv, Request &r) {
    Args args;
    if (auto error = parse(argc, argv, 1, valued_options(), kFlags, args))
        return Failure{kUsage, *error};
    r.kind = kind;
    corvan_spectrum_defaults(&r.settings);
    if (args.positional.size() != 1)
        return Failure{kUsage, std::string("expected exactly one molecule text (a spectrum needs "
                                           "the atoms, not a mass)")};
    r.text = args.positional[0];
    r.adduct = option(args, "adduct");
    if (args.repeated.count("label")) r.labels = args.repeated.at("label");
    if (has(args, "charge")) {
        const auto charge = to_int(option(args, "charge"));
        if (!charge) return Failure{kUsage, "--charge must be a whole number, e.g. 2 or -1"};
        r.charge = *charge;
    }
    if (has(args, "format")) {
        const auto format = format_named(option(args, "format"));
        if (!format) return Failure{kUsage, "--format must be table, csv, tsv or json"};
        r.format = *format;
    }
    r.out_path = option(args, "out");
    r.plot_path = option(args, "plot");
    if ((has(args, "out") && r.out_path.empty()) || (has(args, "plot") && r.plot_path.empty()))
        return Failure{kUsage, "--out and --plot need a file name"};
    if (has(args, "resolution")) r.resolution_text = option(args, "resolution");
    if (has(args, "analyzer")) r.analyzer = option(args, "analyzer");
    if (auto f = read_part(args, r)) return f;
    if (auto f = read_fine(args, r)) return f;
    return read_shape(args, r);
}

Failure library_failure(const corvan_error &error, std::size_t needed) {
    std::string message = error.message;
    if (error.status == CORVAN_E_TOO_WIDE && needed > 0)
        message += " (raise --max-peaks or the --threshold)";
    return {error.status == CORVAN_E_MEMORY || error.status == CORVAN_E_TOO_WIDE ? kFailedCall
                                                                                 : kUsage,
            message};
}

// Molecule and options built and checked by the library, as for the
// distribution.
std::optional<Failure> build(const Request &r, Molecule &molecule, Options &options) {
    corvan_error error{};
    corvan_molecule *made = nullptr;
    const int parsed = corvan_molecule_parse(r.kind, r.text.c_str(), &made, &error);
    molecule.reset(made);
    if (parsed != CORVAN_OK) return library_failure(error, 0);
    options.reset(corvan_options_create());
    if (!options) return Failure{kFailedCall, "out of memory"};
    if (corvan_options_set_charge(options.get(), r.charge,
                                  r.adduct.empty() ? nullptr : r.adduct.c_str(),
                                  &error) != CORVAN_OK)
        return library_failure(error, 0);
    for (const std::string &label : r.labels)
        if (corvan_options_parse_label(options.get(), label.c_str(), &error) != CORVAN_OK)
            return library_failure(error, 0);
    return std::nullopt;
}

std::optional<Failure> compute(Request &r, Spectrum &spectrum) {
    corvan_error error{};
    if (corvan_resolution_parse(r.resolution_text.c_str(), r.analyzer.c_str(),
                                &r.settings.resolution, &error) != CORVAN_OK)
        return Failure{kUsage, "--resolution/--analyzer: " + std::string(error.message)};
    Molecule molecule;
    Options options;
    if (auto f = build(r, molecule, options)) return f;
    const SpectrumCall call = spectrum_call(r.part);
    corvan_spectrum *made = nullptr;
    size_t needed = 0;
    const int status = call(molecule.get(), options.get(), &r.settings, &made, &needed, &error);
    spectrum.reset(made);
    if (status != CORVAN_OK) return library_failure(error, needed);
    return std::nullopt;
}

std::optional<Failure> write_to(const std::string &path, const SpectrumReport &report,
                                Format format, bool svg) {
    AtomicFile file;
    if (!file.open(path))
        return Failure{kFile, "cannot write " + path + ": " + std::strerror(errno)};
    if (svg)
        write_spectrum_svg(file.stream(), report);
    else
        write_spectrum(file.stream(), report, format);
    if (!file.commit()) return Failure{kFile, "cannot write " + path + ": " + std::strerror(errno)};
    return std::nullopt;
}

std::optional<Failure> write_outputs(const Request &r, const SpectrumReport &report) {
    if (!r.plot_path.empty())
        if (auto f = write_to(r.plot_path, report, r.format, true)) return f;
    if (!r.out_path.empty()) return write_to(r.out_path, report, r.format, false);
    write_spectrum(stdout, report, r.format);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Failure{kFile, std::string("cannot write standard output: ") + std::strerror(errno)};
    return std::nullopt;
}

std::optional<Failure> run(corvan_kind kind, int argc, char **argv) {
    Request request;
    if (auto f = read_request(kind, argc, argv, request)) return f;
    Spectrum spectrum;
    if (auto f = compute(request, spectrum)) return f;
    SpectrumReport report;
    report.input = request.text;
    report.kind = kind_name(kind);
    report.part = request.part;
    if (request.part != SpectrumPart::fine)
        report.resolution = request.resolution_text + " " + request.analyzer;
    corvan_spectrum_get(spectrum.get(), &report.view);
    return write_outputs(request, report);
}

} // namespace

bool asks_for_spectrum(int argc, char **argv) {
    std::vector<std::string> names = kFlags;
    names.insert(names.end(), kSpectrumValued.begin(), kSpectrumValued.end());
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        for (const std::string &name : names)
            if (word == "--" + name || word.rfind("--" + name + "=", 0) == 0) return true;
    }
    return false;
}

int run_spectrum(corvan_kind kind, const char *command, int argc, char **argv) {
    return command_exit(command, run(kind, argc, argv));
}

const std::string &spectrum_options_help() {
    static const std::string help =
        "\nspectrum (the peaks an instrument records; every composition's exact mass):\n"
        "  --fine            the fine structure: each isotopic composition's m/z and\n"
        "                    probability (--threshold T relative to the highest,\n"
        "                    default 1e-3, or --coverage C, e.g. 0.999; --max-peaks N,\n"
        "                    default 100000, refuses larger answers)\n"
        "  --profile         the profile at the resolving power: a sum of peak shapes\n"
        "  --centroids       the profile's peaks, each with the fine peaks it merges\n"
        "                    (the default when --resolution is given)\n"
        "  --resolution R@MZ resolving power R at m/z MZ (default 120000@200)\n"
        "  --analyzer A      orbitrap (default), fticr, tof or quadrupole\n"
        "  --shape S         gaussian (default), lorentzian or mixed (--lorentzian F)\n"
        "  --mz-range LO:HI  the profile's range (default: the envelope and its tails)\n"
        "  --step S          grid step in m/z (default FWHM / --points-per-fwhm, 10)\n"
        "  --min-height F    centroids below F x the highest are left out (1e-3)\n"
        "  --plot FILE       SVG: the profile as a line, centroids or fine peaks as sticks\n"
        "  e.g. corvan peptide SAMPLER --charge 2 --resolution 360000@200 --centroids\n";
    return help;
}

} // namespace cli
