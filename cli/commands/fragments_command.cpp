// corvan fragments: fragment ions and their envelopes after isolation.
#include "commands/fragments_command.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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
#include "output/fragments_output.hpp"

namespace cli {

const std::string kFragmentsHelp =
    "usage: corvan fragments SEQUENCE [--kind peptide|rna|dna] [--types by]\n"
    "       [--charges 1-2] [--losses] [--isolation M+0,M+1 | --window LOW:HIGH]\n"
    "       [--precursor-charge Z] [--format table|csv|tsv|json] [--out FILE]\n"
    "\n"
    "The fragment ions of a ProForma peptide (or, with --kind rna or dna, of a\n"
    "nucleic acid) with their compositions, monoisotopic m/z and isotope\n"
    "envelopes; with an isolation, also each fragment's envelope when the\n"
    "precursor was isolated with only those isotope peaks.\n"
    "\n"
    "options:\n"
    "  --kind K       peptide (default), rna or dna\n"
    "  --types T      ion series: letters a b c x y z (peptides), c y w and a-B\n"
    "                 (nucleic acids), immonium; default by (nucleic: a-B,c,w,y)\n"
    "  --charges C    fragment charges: 2, 1-3, -1, -3..-1 (default 1; nucleic\n"
    "                 acids -1)\n"
    "  --losses       also the fragments less H2O (S, T, E, D), NH3 (R, K, N, Q)\n"
    "                 and H3PO4 (phosphorylated S, T)\n"
    "  --isolation P  the precursor's isotope peaks isolated: M+0,M+1\n"
    "  --window L:H   or an isolation window in m/z: the peaks inside it\n"
    "  --precursor-charge Z   the precursor's charge (default: the text's /Z,\n"
    "                 else the largest fragment charge)\n"
    "  --format F     table (default: M+0..M+3 of each ion), csv, tsv or json\n"
    "                 (every point)\n"
    "  --out FILE     write the output to FILE\n"
    "\n"
    "z ions are z-dot (y - NH2, 'z+1'); c of nucleic acids holds a 2',3'-cyclic\n"
    "phosphate, so that c + y and a + w are the whole chain.\n"
    "\n"
    "examples:\n"
    "  corvan fragments PEPTIDE --types by --charges 1-2\n"
    "  corvan fragments 'PEPT[Phospho]IDEK/2' --losses --isolation M+1,M+2\n"
    "  corvan fragments ACGU --kind rna --charges -2..-1\n";

namespace {

using Failure = CommandFailure;

struct Request {
    corvan_kind kind = CORVAN_KIND_PEPTIDE;
    std::string text, isolation, peaks;
    corvan_fragment_settings settings{};
    Format format = Format::table;
    std::string out_path;
};

struct ListDeleter {
    void operator()(corvan_fragment_list *list) const noexcept { corvan_fragment_list_free(list); }
};
using List = std::unique_ptr<corvan_fragment_list, ListDeleter>;

std::optional<std::string> value(const Args &args, const std::string &name) {
    const auto it = args.options.find(name);
    if (it == args.options.end()) return std::nullopt;
    return it->second;
}

Failure library_failure(const std::string &what, const corvan_error &error) {
    return {error.status == CORVAN_E_MEMORY ? kFailedCall : kUsage, what + error.message};
}

// "500.2:502.2" into the window's ends.
std::optional<Failure> read_window(const std::string &text, corvan_fragment_settings &s) {
    const std::size_t colon = text.find(':');
    char *end = nullptr;
    const std::string low = text.substr(0, colon);
    s.window_low = std::strtod(low.c_str(), &end);
    bool ok = colon != std::string::npos && !low.empty() && *end == '\0';
    const std::string high = ok ? text.substr(colon + 1) : "";
    if (ok) {
        s.window_high = std::strtod(high.c_str(), &end);
        ok = !high.empty() && *end == '\0';
    }
    if (!ok || !(s.window_low > 0 && s.window_low < s.window_high))
        return Failure{kUsage, "--window must be LOW:HIGH in m/z, LOW below HIGH (500.2:502.2)"};
    return std::nullopt;
}

std::optional<Failure> read_settings(const Args &args, Request &r) {
    corvan_fragment_settings &s = r.settings;
    corvan_fragment_defaults(&s);
    corvan_error error{};
    const bool nucleic = r.kind != CORVAN_KIND_PEPTIDE;
    const std::string types = value(args, "types").value_or(nucleic ? "a-B,c,w,y" : "by");
    if (corvan_fragment_types_parse(types.c_str(), &s.types, &error) != CORVAN_OK)
        return library_failure("--types: ", error);
    const std::string charges = value(args, "charges").value_or(nucleic ? "-1" : "1");
    if (corvan_fragment_charges_parse(charges.c_str(), &s.min_charge, &s.max_charge, &error) !=
        CORVAN_OK)
        return library_failure("--charges: ", error);
    if (std::find(args.flags.begin(), args.flags.end(), "losses") != args.flags.end())
        s.losses = CORVAN_LOSS_H2O | CORVAN_LOSS_NH3 | CORVAN_LOSS_H3PO4;
    if (const auto z = value(args, "precursor-charge")) {
        const auto read = to_int(*z);
        if (!read || *read == 0)
            return Failure{kUsage, "--precursor-charge must be a whole number, not 0"};
        s.precursor_charge = *read;
    }
    const auto peaks = value(args, "isolation");
    const auto window = value(args, "window");
    if (peaks && window) return Failure{kUsage, "give --isolation or --window, not both"};
    if (peaks) {
        r.peaks = *peaks;
        s.isolated_peaks = r.peaks.c_str();
        r.isolation = *peaks;
    }
    if (window) {
        if (auto f = read_window(*window, s)) return f;
        r.isolation = *window + " m/z";
    }
    return std::nullopt;
}

std::optional<Failure> read_request(int argc, char **argv, Request &r) {
    Args args;
    if (auto error = parse(argc, argv, 1,
                           {"kind", "types", "charges", "isolation", "window", "precursor-charge",
                            "format", "out"},
                           {"losses"}, args))
        return Failure{kUsage, *error};
    if (args.positional.size() != 1) return Failure{kUsage, "give one sequence"};
    r.text = args.positional[0];
    if (const auto kind = value(args, "kind")) {
        const auto named = kind_named(*kind);
        if (!named || *named == CORVAN_KIND_FORMULA)
            return Failure{kUsage, "--kind must be peptide, rna or dna"};
        r.kind = *named;
    }
    if (auto f = read_settings(args, r)) return f;
    r.out_path = value(args, "out").value_or("");
    if (const auto name = value(args, "format")) {
        const auto format = format_named(*name);
        if (!format) return Failure{kUsage, "--format must be table, csv, tsv or json"};
        r.format = *format;
    } else if (!r.out_path.empty()) {
        r.format = format_for_file(r.out_path).value_or(Format::table);
    }
    return std::nullopt;
}

std::optional<Failure> write_output(const Request &r, const FragmentsReport &report) {
    if (r.out_path.empty()) {
        write_fragments(stdout, report, r.format);
        return std::nullopt;
    }
    AtomicFile file;
    if (!file.open(r.out_path) ||
        (write_fragments(file.stream(), report, r.format), !file.commit()))
        return Failure{kFile, "cannot write " + r.out_path + ": " + std::strerror(errno)};
    return std::nullopt;
}

} // namespace

int run_fragments(int argc, char **argv) {
    Request request;
    if (auto f = read_request(argc, argv, request)) return report_command_failure("fragments", *f);
    corvan_fragment_list *made = nullptr;
    corvan_error error{};
    const int status =
        corvan_fragments(request.kind, request.text.c_str(), &request.settings, &made, &error);
    List list(made);
    if (status != CORVAN_OK) return report_command_failure("fragments", library_failure("", error));
    FragmentsReport report{request.text, kind_name(request.kind), request.isolation, list.get()};
    if (auto f = write_output(request, report)) return report_command_failure("fragments", *f);
    return kOk;
}

} // namespace cli
