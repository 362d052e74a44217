// corvan match: a molecule's expected envelope against measured scans.
#include "commands/match_command.hpp"

#include <memory>

#include "commands.hpp"
#include "commands/match_report.hpp"
#include "commands/mzml_command_support.hpp"

namespace cli {

namespace {

template <class T, void (*Free)(T *)> struct Deleter {
    void operator()(T *p) const noexcept { Free(p); }
};
using Molecule = std::unique_ptr<corvan_molecule, Deleter<corvan_molecule, corvan_molecule_free>>;
using Options = std::unique_ptr<corvan_options, Deleter<corvan_options, corvan_options_free>>;
using Match = std::unique_ptr<corvan_match, Deleter<corvan_match, corvan_match_free>>;

constexpr int kDefaultLowCharge = 1, kDefaultHighCharge = 4, kMaxCharge = 100;

const std::vector<std::string> kKinds = {"peptide", "formula", "rna", "dna"};

struct Request {
    std::string file, text, kind, adduct, label_isotope, out, plot;
    int kind_code = CORVAN_KIND_PEPTIDE;
    std::vector<std::string> labels;
    corvan_match_settings settings{};
    ScanFilter filter;
    Format format = Format::table;
};

std::optional<CommandFailure> read_molecule_text(const Args &args, Request &r) {
    const int codes[] = {CORVAN_KIND_PEPTIDE, CORVAN_KIND_FORMULA, CORVAN_KIND_RNA,
                         CORVAN_KIND_DNA};
    int given = 0;
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (const auto it = args.options.find(kKinds[i]); it != args.options.end())
            r.text = it->second, r.kind = kKinds[i], r.kind_code = codes[i], ++given;
    if (given != 1)
        return CommandFailure{kUsage, "give one molecule: --peptide, --formula, --rna or --dna"};
    return std::nullopt;
}

std::optional<CommandFailure> read_request(int argc, char **argv, Request &r) {
    Args args;
    std::vector<std::string> valued = {"charges",  "adduct",    "label",  "scans", "rt",  "ppm",
                                       "named-mz", "fit-label", "format", "out",   "plot"};
    valued.insert(valued.end(), kKinds.begin(), kKinds.end());
    if (auto error = parse(argc, argv, 1, valued, {}, args)) return CommandFailure{kUsage, *error};
    if (args.positional.size() != 1)
        return CommandFailure{kUsage, "give one mzML file or peak list"};
    r.file = args.positional[0];
    corvan_match_defaults(&r.settings);
    if (auto f = read_molecule_text(args, r)) return f;
    if (auto f = read_int_range(args, "charges", -kMaxCharge, kMaxCharge, r.settings.min_charge,
                                r.settings.max_charge))
        return f;
    if (auto f = read_number(args, "ppm", 1e-6, 1e4, r.settings.ppm)) return f;
    if (auto f = read_number(args, "named-mz", 0, 1e9, r.settings.named_mz)) return f;
    if (auto f = read_scan_filter(args, r.filter)) return f;
    if (auto f = read_format(args, r.format)) return f;
    r.adduct = option_or(args, "adduct", "");
    r.label_isotope = option_or(args, "fit-label", "");
    r.out = option_or(args, "out", "");
    r.plot = option_or(args, "plot", "");
    if (const auto it = args.repeated.find("label"); it != args.repeated.end())
        r.labels = it->second;
    return std::nullopt;
}

CommandFailure library_failure(const corvan_error &e) {
    return {e.status == CORVAN_E_MEMORY || e.status == CORVAN_E_INTERNAL ? kFailedCall : kUsage,
            e.message};
}

// Molecule and options; the charge range defaults to the text's charge, or
// 1 to 4 when the text gives none.
std::optional<CommandFailure> prepare(Request &r, Molecule &molecule, Options &options) {
    corvan_error e{};
    corvan_molecule *m = nullptr;
    if (corvan_molecule_parse(r.kind_code, r.text.c_str(), &m, &e) != CORVAN_OK)
        return library_failure(e);
    molecule.reset(m);
    options.reset(corvan_options_create());
    if (!options) return CommandFailure{kFailedCall, "out of memory"};
    for (const std::string &label : r.labels)
        if (corvan_options_parse_label(options.get(), label.c_str(), &e) != CORVAN_OK)
            return library_failure(e);
    int text_charge = 0;
    corvan_molecule_charge(m, &text_charge);
    if (r.settings.min_charge == 0 && text_charge == 0)
        r.settings.min_charge = kDefaultLowCharge, r.settings.max_charge = kDefaultHighCharge;
    const int carrier_charge = r.settings.min_charge != 0 ? r.settings.min_charge : text_charge;
    if (!r.adduct.empty() &&
        corvan_options_set_charge(options.get(), carrier_charge, r.adduct.c_str(), &e) != CORVAN_OK)
        return library_failure(e);
    if (r.settings.min_charge == 0) r.settings.min_charge = r.settings.max_charge = text_charge;
    return std::nullopt;
}

std::optional<CommandFailure> match_scan(const Request &r, const corvan_molecule *molecule,
                                         const corvan_options *options, const Scan &scan,
                                         ScanMatch &result) {
    corvan_error e{};
    corvan_match *raw = nullptr;
    if (corvan_match_spectrum(molecule, options, &r.settings, scan.mz.data(), scan.intensity.data(),
                              scan.mz.size(), &raw, &e) != CORVAN_OK)
        return CommandFailure{library_failure(e).status,
                              "scan " + std::to_string(scan.number) + ": " + e.message};
    const Match match(raw);
    result.scan = scan.number;
    result.rt_seconds = scan.rt_seconds;
    corvan_match_get_summary(raw, &result.summary);
    result.peaks.resize(corvan_match_peak_count(raw));
    for (std::size_t i = 0; i < result.peaks.size(); ++i)
        corvan_match_peak(raw, i, &result.peaks[i]);
    result.mz = scan.mz;
    result.intensity = scan.intensity;
    return std::nullopt;
}

std::optional<CommandFailure> fit_best(const Request &r, const corvan_molecule *molecule,
                                       corvan_options *options, const Scan &scan,
                                       MatchReport &report) {
    if (r.label_isotope.empty()) return std::nullopt;
    corvan_error e{};
    const int charge = report.scans[report.best].summary.charge;
    if (corvan_options_set_charge(options, charge, r.adduct.empty() ? nullptr : r.adduct.c_str(),
                                  &e) != CORVAN_OK ||
        corvan_fit_label(molecule, options, r.label_isotope.c_str(), r.settings.ppm, scan.mz.data(),
                         scan.intensity.data(), scan.mz.size(), &report.label, &e) != CORVAN_OK)
        return library_failure(e);
    report.label_isotope = r.label_isotope;
    return std::nullopt;
}

std::optional<CommandFailure> run(int argc, char **argv) {
    Request r;
    if (auto f = read_request(argc, argv, r)) return f;
    Molecule molecule;
    Options options;
    if (auto f = prepare(r, molecule, options)) return f;
    std::vector<Scan> scans;
    if (auto failed = read_scans(r.file, r.filter, scans)) return CommandFailure{kFile, *failed};
    std::erase_if(scans, [&](const Scan &s) { return s.mz.empty() && scans.size() > 1; });
    if (scans.empty()) return CommandFailure{kUsage, "no MS1 scan of " + r.file + " is selected"};
    MatchReport report{r.text, r.kind, {}, 0, std::nullopt, {}};
    for (const Scan &scan : scans) {
        report.scans.emplace_back();
        if (auto f = match_scan(r, molecule.get(), options.get(), scan, report.scans.back()))
            return f;
        if (report.scans.back().summary.cosine > report.scans[report.best].summary.cosine)
            report.best = report.scans.size() - 1;
    }
    if (auto f = fit_best(r, molecule.get(), options.get(), scans[report.best], report)) return f;
    if (!r.plot.empty())
        if (auto f = write_output(r.plot, [&](std::FILE *s) { write_match_plot(s, report); }))
            return f;
    return write_output(r.out, [&](std::FILE *s) { write_match(s, report, r.format); });
}

} // namespace

int run_match(int argc, char **argv) {
    return command_exit("match", run(argc, argv));
}

const std::string &match_help() {
    static const std::string help =
        "usage: corvan match FILE (--peptide|--formula|--rna|--dna) TEXT [options]\n"
        "\n"
        "Finds a molecule's isotope envelope in measured spectra: FILE is an mzML\n"
        "file (its MS1 scans; profile scans are reduced to centroids) or a peak\n"
        "list (m/z and intensity per line, comma, tab or space separated). For\n"
        "each scan: the best charge, the matched peaks with their ppm errors, the\n"
        "cosine of expected and observed heights and its contrast angle, chi2 per\n"
        "degree of freedom (missing peaks count as 0); the best scan in detail.\n"
        "\n"
        "options:\n"
        "  --peptide TEXT     the molecule: a ProForma peptide (or --formula, --rna,\n"
        "  --formula TEXT     --dna: a formula or a nucleic acid, as the commands of\n"
        "  --rna TEXT         those names read them)\n"
        "  --dna TEXT\n"
        "  --charges A-B      charges tried (default: the text's \"/2\", else 1-4)\n"
        "  --adduct A         carrier of the charge (H+ default, Na+, NH4+ ...)\n"
        "  --label I=F        enrichment the molecule carries (15N=0.98); repeatable\n"
        "  --scans A-B        only scans A to B\n"
        "  --rt A-B           only retention times A to B (seconds)\n"
        "  --ppm P            m/z tolerance (default 10)\n"
        "  --named-mz X       an m/z named as monoisotopic: which peak it really is\n"
        "  --fit-label I      fit the enrichment of isotope I (15N, 13C, 2H, 18O)\n"
        "  --format F         table (default), csv, tsv or json\n"
        "  --out FILE         write there (whole or not at all) instead of standard output\n"
        "  --plot FILE.svg    observed peaks over the expected envelope, mirrored\n"
        "\n"
        "examples:\n"
        "  corvan match run.mzML --peptide 'EM[Oxidation]EVEESPEK' --charges 1-4\n"
        "  corvan match peaks.csv --peptide 'PEPTIDEK/2' --fit-label 15N --plot m.svg\n";
    return help;
}

} // namespace cli
