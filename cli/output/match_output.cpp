// A match report as a table, CSV, TSV or JSON.
#include <cmath>
#include <nlohmann/json.hpp>

#include "commands/match_report.hpp"
#include "commands/mzml_command_support.hpp"

namespace cli {

namespace {

std::string named_text(const corvan_match_summary &s) {
    if (s.named_offset == CORVAN_NO_OFFSET) return "";
    const std::string place = s.named_offset == 0 ? "M" : "M+" + std::to_string(s.named_offset);
    return "named m/z is " + place + "; monoisotopic m/z " + cell(s.corrected_mz, 5);
}

void write_table(std::FILE *out, const MatchReport &r) {
    std::fprintf(out, "%s %s\n\n", r.kind.c_str(), r.input.c_str());
    std::fprintf(out, "%6s %9s %6s %8s %9s %9s %9s %9s %12s\n", "scan", "rt_s", "charge", "cosine",
                 "angle_deg", "chi2_dof", "matched", "mean_ppm", "mono_mz");
    for (const ScanMatch &m : r.scans) {
        const corvan_match_summary &s = m.summary;
        const std::string matched = std::to_string(s.matched) + "/" + std::to_string(s.compared);
        std::fprintf(out, "%6ld %9s %6d %8s %9s %9s %9s %9s %12s\n", m.scan,
                     cell(m.rt_seconds, 1).c_str(), s.charge, cell(s.cosine, 4).c_str(),
                     cell(s.contrast_angle, 2).c_str(), cell(s.chi_square, 4).c_str(),
                     matched.c_str(), cell(s.mean_ppm, 2).c_str(),
                     cell(s.monoisotopic_mz, 5).c_str());
    }
    if (r.scans.empty()) return;
    const ScanMatch &best = r.scans[r.best];
    std::fprintf(out, "\nbest scan %ld, charge %d:\n", best.scan, best.summary.charge);
    std::fprintf(out, "%6s %12s %9s %12s %14s %8s\n", "peak", "expected_mz", "height",
                 "observed_mz", "intensity", "ppm");
    for (const corvan_matched_peak &p : best.peaks)
        std::fprintf(
            out, "%6s %12s %9s %12s %14s %8s\n",
            (p.neutrons == 0 ? std::string("M") : "M+" + std::to_string(p.neutrons)).c_str(),
            cell(p.expected_mz, 5).c_str(), cell(p.expected_height, 4).c_str(),
            cell(p.observed_mz, 5).c_str(), cell(p.observed_intensity, 1).c_str(),
            cell(p.ppm_error, 2).c_str());
    if (const std::string named = named_text(best.summary); !named.empty())
        std::fprintf(out, "%s\n", named.c_str());
    if (r.label_isotope)
        std::fprintf(out, "%s enrichment: %s +- %s (cosine %s)\n", r.label_isotope->c_str(),
                     cell(r.label.fraction, 4).c_str(), cell(r.label.uncertainty, 4).c_str(),
                     cell(r.label.cosine, 4).c_str());
}

void write_delimited(std::FILE *out, const MatchReport &r, char sep) {
    std::fprintf(out,
                 "scan%crt_s%ccharge%ccosine%ccontrast_angle%cchi_square%cmean_ppm%cpeak%c"
                 "expected_mz%cexpected_height%cobserved_mz%cobserved_intensity%cppm_error\n",
                 sep, sep, sep, sep, sep, sep, sep, sep, sep, sep, sep, sep);
    for (const ScanMatch &m : r.scans)
        for (const corvan_matched_peak &p : m.peaks) {
            const corvan_match_summary &s = m.summary;
            std::fprintf(
                out, "%ld%c%s%c%d%c%s%c%s%c%s%c%s%c%d%c%s%c%s%c%s%c%s%c%s\n", m.scan, sep,
                cell(m.rt_seconds, 3).c_str(), sep, s.charge, sep, cell(s.cosine, 6).c_str(), sep,
                cell(s.contrast_angle, 4).c_str(), sep, cell(s.chi_square, 6).c_str(), sep,
                cell(s.mean_ppm, 3).c_str(), sep, p.neutrons, sep, cell(p.expected_mz, 6).c_str(),
                sep, cell(p.expected_height, 6).c_str(), sep, cell(p.observed_mz, 6).c_str(), sep,
                cell(p.observed_intensity, 3).c_str(), sep, cell(p.ppm_error, 3).c_str());
        }
}

nlohmann::ordered_json number(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json peak_json(const corvan_matched_peak &p) {
    return {{"neutrons", p.neutrons},
            {"expected_mz", number(p.expected_mz)},
            {"expected_height", number(p.expected_height)},
            {"observed_mz", number(p.observed_mz)},
            {"observed_intensity", number(p.observed_intensity)},
            {"ppm_error", number(p.ppm_error)}};
}

nlohmann::ordered_json scan_json(const ScanMatch &m) {
    const corvan_match_summary &s = m.summary;
    nlohmann::ordered_json peaks = nlohmann::ordered_json::array();
    for (const corvan_matched_peak &p : m.peaks) peaks.push_back(peak_json(p));
    return {{"scan", m.scan},
            {"rt_s", number(m.rt_seconds)},
            {"charge", s.charge},
            {"cosine", number(s.cosine)},
            {"contrast_angle", number(s.contrast_angle)},
            {"chi_square", number(s.chi_square)},
            {"compared", s.compared},
            {"matched", s.matched},
            {"mean_ppm", number(s.mean_ppm)},
            {"monoisotopic_mz", number(s.monoisotopic_mz)},
            {"named_offset", s.named_offset == CORVAN_NO_OFFSET
                                 ? nlohmann::ordered_json(nullptr)
                                 : nlohmann::ordered_json(s.named_offset)},
            {"corrected_mz", number(s.corrected_mz)},
            {"peaks", std::move(peaks)}};
}

void write_json(std::FILE *out, const MatchReport &r) {
    nlohmann::ordered_json scans = nlohmann::ordered_json::array();
    for (const ScanMatch &m : r.scans) scans.push_back(scan_json(m));
    nlohmann::ordered_json json = {
        {"input", r.input},
        {"kind", r.kind},
        {"scans", std::move(scans)},
        {"best_scan", r.scans.empty() ? nlohmann::ordered_json(nullptr)
                                      : nlohmann::ordered_json(r.scans[r.best].scan)}};
    if (r.label_isotope)
        json["label_fit"] = {{"isotope", *r.label_isotope},
                             {"fraction", number(r.label.fraction)},
                             {"uncertainty", number(r.label.uncertainty)},
                             {"cosine", number(r.label.cosine)}};
    const std::string text =
        json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    std::fputs(text.c_str(), out);
}

} // namespace

void write_match(std::FILE *stream, const MatchReport &report, Format format) {
    write_in(
        format, [&] { write_table(stream, report); },
        [&](char delimiter) { write_delimited(stream, report, delimiter); },
        [&] { write_json(stream, report); });
}

} // namespace cli
