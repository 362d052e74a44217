// corvan deisotope: the isotope envelopes of centroided scans.
#include "commands/deisotope_command.hpp"

#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>

#include "commands.hpp"
#include "commands/mzml_command_support.hpp"
#include "corvan.h"

namespace cli {

namespace {

struct Request {
    std::string file, out;
    ScanFilter filter;
    corvan_deisotope_settings settings{};
    Format format = Format::table;
};

struct ScanEnvelopes {
    long scan;
    double rt_seconds;
    std::vector<corvan_found_envelope> found;
};

std::optional<CommandFailure> read_request(int argc, char **argv, Request &r) {
    Args args;
    if (auto error = parse(argc, argv, 1,
                           {"scan", "scans", "rt", "ppm", "charges", "min-score", "min-intensity",
                            "min-snr", "format", "out"},
                           {}, args))
        return CommandFailure{kUsage, *error};
    if (args.positional.size() != 1)
        return CommandFailure{kUsage, "give one mzML file or peak list"};
    r.file = args.positional[0];
    if (const auto it = args.options.find("scan"); it != args.options.end())
        args.options["scans"] = it->second;
    corvan_deisotope_defaults(&r.settings);
    if (auto f = read_scan_filter(args, r.filter)) return f;
    if (auto f =
            read_int_range(args, "charges", 1, 100, r.settings.min_charge, r.settings.max_charge))
        return f;
    if (auto f = read_number(args, "ppm", 1e-6, 1e4, r.settings.ppm)) return f;
    if (auto f = read_number(args, "min-score", 0, 1, r.settings.min_score)) return f;
    if (auto f = read_number(args, "min-intensity", 0, 1e300, r.settings.min_intensity)) return f;
    if (auto f = read_number(args, "min-snr", 0, 1e300, r.settings.min_signal_to_noise)) return f;
    if (auto f = read_format(args, r.format)) return f;
    r.out = option_or(args, "out", "");
    return std::nullopt;
}

nlohmann::ordered_json number(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

void write_json(std::FILE *out, const std::vector<ScanEnvelopes> &all) {
    nlohmann::ordered_json envelopes = nlohmann::ordered_json::array();
    for (const ScanEnvelopes &s : all)
        for (const corvan_found_envelope &e : s.found)
            envelopes.push_back({{"scan", s.scan},
                                 {"rt_s", number(s.rt_seconds)},
                                 {"monoisotopic_mz", number(e.monoisotopic_mz)},
                                 {"monoisotopic_mass", number(e.monoisotopic_mass)},
                                 {"charge", e.charge},
                                 {"intensity", number(e.intensity)},
                                 {"score", number(e.score)},
                                 {"peaks", e.peaks}});
    const nlohmann::ordered_json json = {{"envelopes", std::move(envelopes)}};
    std::fputs((json.dump(2) + "\n").c_str(), out);
}

void write_found(std::FILE *out, const std::vector<ScanEnvelopes> &all, Format format) {
    if (format == Format::json) return write_json(out, all);
    const char sep = format == Format::csv ? ',' : '\t';
    if (format == Format::table)
        std::fprintf(out, "%6s %12s %12s %6s %14s %7s %5s\n", "scan", "mono_mz", "mono_mass",
                     "charge", "intensity", "score", "peaks");
    else
        std::fprintf(out,
                     "scan%crt_s%cmonoisotopic_mz%cmonoisotopic_mass%ccharge%cintensity%c"
                     "score%cpeaks\n",
                     sep, sep, sep, sep, sep, sep, sep);
    for (const ScanEnvelopes &s : all)
        for (const corvan_found_envelope &e : s.found) {
            if (format == Format::table)
                std::fprintf(out, "%6ld %12s %12s %6d %14s %7s %5zu\n", s.scan,
                             cell(e.monoisotopic_mz, 5).c_str(),
                             cell(e.monoisotopic_mass, 5).c_str(), e.charge,
                             cell(e.intensity, 1).c_str(), cell(e.score, 4).c_str(), e.peaks);
            else
                std::fprintf(out, "%ld%c%s%c%s%c%s%c%d%c%s%c%s%c%zu\n", s.scan, sep,
                             cell(s.rt_seconds, 3).c_str(), sep, cell(e.monoisotopic_mz, 6).c_str(),
                             sep, cell(e.monoisotopic_mass, 6).c_str(), sep, e.charge, sep,
                             cell(e.intensity, 3).c_str(), sep, cell(e.score, 6).c_str(), sep,
                             e.peaks);
        }
}

std::optional<CommandFailure> deisotope_scan(const Request &r, const Scan &scan,
                                             ScanEnvelopes &result) {
    corvan_error e{};
    corvan_envelopes *raw = nullptr;
    if (corvan_deisotope(scan.mz.data(), scan.intensity.data(), scan.mz.size(), &r.settings, &raw,
                         &e) != CORVAN_OK)
        return CommandFailure{kUsage, "scan " + std::to_string(scan.number) + ": " + e.message};
    result = {scan.number, scan.rt_seconds,
              std::vector<corvan_found_envelope>(corvan_envelopes_count(raw))};
    for (std::size_t i = 0; i < result.found.size(); ++i)
        corvan_envelopes_get(raw, i, &result.found[i]);
    corvan_envelopes_free(raw);
    return std::nullopt;
}

std::optional<CommandFailure> run(int argc, char **argv) {
    Request r;
    if (auto f = read_request(argc, argv, r)) return f;
    std::vector<Scan> scans;
    if (auto failed = read_scans(r.file, r.filter, scans)) return CommandFailure{kFile, *failed};
    if (scans.empty()) return CommandFailure{kUsage, "no MS1 scan of " + r.file + " is selected"};
    std::vector<ScanEnvelopes> all(scans.size());
    for (std::size_t i = 0; i < scans.size(); ++i)
        if (auto f = deisotope_scan(r, scans[i], all[i])) return f;
    return write_output(r.out, [&](std::FILE *s) { write_found(s, all, r.format); });
}

} // namespace

int run_deisotope(int argc, char **argv) {
    return command_exit("deisotope", run(argc, argv));
}

const std::string &deisotope_help() {
    static const std::string help =
        "usage: corvan deisotope FILE [--scan N | --scans A-B | --rt A-B] [options]\n"
        "\n"
        "The isotope envelopes in centroided scans of an mzML file (MS1; profile\n"
        "scans are reduced to centroids) or in a peak list: monoisotopic m/z and\n"
        "neutral mass, charge, fitted intensity of the highest peak, score (cosine\n"
        "of the peptide by-mass pattern and the peaks, the rung below M counting\n"
        "as 0) and matched peaks. Overlapping envelopes of different charges are\n"
        "separated: a peak's intensity is shared between them.\n"
        "\n"
        "options:\n"
        "  --scan N           only scan N\n"
        "  --scans A-B        only scans A to B\n"
        "  --rt A-B           only retention times A to B (seconds)\n"
        "  --charges A-B      charges tried (default 1-6)\n"
        "  --ppm P            m/z tolerance (default 10)\n"
        "  --min-score S      envelopes scoring lower are left out (default 0.9)\n"
        "  --min-intensity I  peaks below I start no envelope (default 0)\n"
        "  --min-snr R        envelopes fitted below R times the scan's noise level\n"
        "                     are left out (default 10; 0 keeps them)\n"
        "  --format F         table (default), csv, tsv or json\n"
        "  --out FILE         write there instead of standard output\n"
        "\n"
        "example:\n"
        "  corvan deisotope run.mzML --scan 1 --charges 1-4\n";
    return help;
}

} // namespace cli
