#include <cmath>

#include "match_report.hpp"
#include "mzml_command_support.hpp"

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

void write_json(std::FILE *out, const MatchReport &r) {
    std::fprintf(out, "{\"input\": %s, \"kind\": %s, \"scans\": [", json_string(r.input).c_str(),
                 json_string(r.kind).c_str());
    for (std::size_t i = 0; i < r.scans.size(); ++i) {
        const ScanMatch &m = r.scans[i];
        const corvan_match_summary &s = m.summary;
        std::fprintf(out,
                     "%s\n  {\"scan\": %ld, \"rt_s\": %s, \"charge\": %d, \"cosine\": %s, "
                     "\"contrast_angle\": %s, \"chi_square\": %s, \"compared\": %zu, "
                     "\"matched\": %zu, \"mean_ppm\": %s, \"monoisotopic_mz\": %s, "
                     "\"named_offset\": %s, \"corrected_mz\": %s, \"peaks\": [",
                     i ? "," : "", m.scan, json_number(m.rt_seconds).c_str(), s.charge,
                     json_number(s.cosine).c_str(), json_number(s.contrast_angle).c_str(),
                     json_number(s.chi_square).c_str(), s.compared, s.matched,
                     json_number(s.mean_ppm).c_str(), json_number(s.monoisotopic_mz).c_str(),
                     s.named_offset == CORVAN_NO_OFFSET ? "null"
                                                        : std::to_string(s.named_offset).c_str(),
                     json_number(s.corrected_mz).c_str());
        for (std::size_t k = 0; k < m.peaks.size(); ++k) {
            const corvan_matched_peak &p = m.peaks[k];
            std::fprintf(out,
                         "%s{\"neutrons\": %d, \"expected_mz\": %s, \"expected_height\": %s, "
                         "\"observed_mz\": %s, \"observed_intensity\": %s, \"ppm_error\": %s}",
                         k ? ", " : "", p.neutrons, json_number(p.expected_mz).c_str(),
                         json_number(p.expected_height).c_str(), json_number(p.observed_mz).c_str(),
                         json_number(p.observed_intensity).c_str(),
                         json_number(p.ppm_error).c_str());
        }
        std::fputs("]}", out);
    }
    std::fprintf(out, "\n], \"best_scan\": %s",
                 r.scans.empty() ? "null" : std::to_string(r.scans[r.best].scan).c_str());
    if (r.label_isotope)
        std::fprintf(out,
                     ", \"label_fit\": {\"isotope\": %s, \"fraction\": %s, "
                     "\"uncertainty\": %s, \"cosine\": %s}",
                     json_string(*r.label_isotope).c_str(), json_number(r.label.fraction).c_str(),
                     json_number(r.label.uncertainty).c_str(), json_number(r.label.cosine).c_str());
    std::fputs("}\n", out);
}

} // namespace

void write_match(std::FILE *stream, const MatchReport &report, Format format) {
    switch (format) {
    case Format::table:
        write_table(stream, report);
        break;
    case Format::csv:
        write_delimited(stream, report, ',');
        break;
    case Format::tsv:
        write_delimited(stream, report, '\t');
        break;
    case Format::json:
        write_json(stream, report);
        break;
    }
}

} // namespace cli
