// An envelope as a table, CSV, TSV or JSON, and as a plot.
#include "output/envelope_output.hpp"
#include "limits.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace cli {

const char *const kEnvelopeColumnsMeaning =
    "peak      = M+k: k extra neutrons above the monoisotopic composition (every\n"
    "            atom its element's most abundant isotope; M-k: lighter)\n"
    "share     = fraction of the whole distribution in the point\n"
    "mass      = abundance-weighted mean mass (Da) of all isotopic compositions\n"
    "            in the point: the atoms of the molecule and its adducts,\n"
    "            electrons not counted\n"
    "m/z       = (mass - z x electron mass) / |z|, for ions";

namespace {

std::string fixed(double value, const char *format) {
    if (!std::isfinite(value)) return "-";
    char text[40];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string intensity_text(double value) {
    return fixed(value, value == 0 || value >= 1e-4 ? "%.6f" : "%.4e");
}

std::string subject(const EnvelopeRequest &request, const Envelope &envelope) {
    std::string text = request.mass
                           ? std::string(kind_name(request.kind)) + " of " +
                                 fixed(*request.mass, "%g") + " Da (" + envelope.formula + ")"
                           : request.text;
    const int z = envelope.summary.charge;
    if (z == 0) return text + ", neutral";
    return text + ", charge " + (z > 0 ? "+" : "") + std::to_string(z) + " (" +
           (request.adduct.empty() ? "H+" : request.adduct) + ")";
}

void write_title(std::FILE *stream, const EnvelopeRequest &request, const Envelope &envelope) {
    const corvan_summary &s = envelope.summary;
    std::fprintf(stream, "# %s\n", subject(request, envelope).c_str());
    std::fprintf(stream, "# composition %s, monoisotopic mass %.6f Da, average mass %.6f Da\n",
                 envelope.formula.c_str(), s.monoisotopic_mass, s.average_mass);
    if (s.charge != 0) std::fprintf(stream, "# monoisotopic m/z %.6f\n", s.monoisotopic_mz);
    for (const std::string &label : request.labels)
        std::fprintf(stream, "# label %s\n", label.c_str());
    const corvan_points &p = envelope.points;
    const corvan_most_abundant &top = envelope.most_abundant;
    if (p.count > 0)
        std::fprintf(stream, "# %s; highest %s, share of the whole %.6g, mass %.6f Da%s\n",
                     counted(p.count, "point").c_str(), peak_name(top.neutrons).c_str(), top.share,
                     top.mass, s.charge != 0 ? (", m/z " + fixed(top.mz, "%.6f")).c_str() : "");
}

void write_footnote(std::FILE *stream) {
    std::fputs("# ", stream);
    for (const char *c = kEnvelopeColumnsMeaning; *c; ++c) {
        std::fputc(*c, stream);
        if (*c == '\n') std::fputs("# ", stream);
    }
    std::fputc('\n', stream);
}

void write_table(std::FILE *stream, const EnvelopeRequest &request, const Envelope &envelope,
                 bool all) {
    write_title(stream, request, envelope);
    const corvan_points &p = envelope.points;
    std::fprintf(stream, "index  peak    relative intensity         share     mass (Da)%s\n",
                 p.mz ? "           m/z" : "");
    std::size_t hidden = 0;
    for (std::size_t i = 0; i < p.count; ++i) {
        if (!all && p.intensities[i] < kShownFloor) {
            ++hidden;
            continue;
        }
        std::fprintf(stream, "%5zu  %-6s  %18s  %12s  %12s", i, peak_name(p.neutrons[i]).c_str(),
                     intensity_text(p.intensities[i]).c_str(),
                     fixed(p.shares[i], p.shares[i] >= 1e-4 ? "%.8f" : "%.4e").c_str(),
                     fixed(p.masses[i], "%.6f").c_str());
        if (p.mz) std::fprintf(stream, "  %12s", fixed(p.mz[i], "%.6f").c_str());
        std::fputc('\n', stream);
    }
    if (hidden > 0)
        std::fprintf(stream, "# %zu points below %g of the highest not shown (--all shows them)\n",
                     hidden, kShownFloor);
    write_footnote(stream);
}

void write_delimited(std::FILE *stream, const Envelope &envelope, char separator) {
    const corvan_points &p = envelope.points;
    const char s = separator;
    std::fprintf(stream, "k%cpeak%cshare%cintensity%cmass%s\n", s, s, s, s,
                 p.mz ? (s == ',' ? ",mz" : "\tmz") : "");
    for (std::size_t i = 0; i < p.count; ++i) {
        std::fprintf(stream, "%d%c%s%c%.17g%c%.17g%c%s", p.neutrons[i], s,
                     peak_name(p.neutrons[i]).c_str(), s, p.shares[i], s, p.intensities[i], s,
                     std::isfinite(p.masses[i]) ? fixed(p.masses[i], "%.9f").c_str() : "");
        if (p.mz)
            std::fprintf(stream, "%c%s", s,
                         std::isfinite(p.mz[i]) ? fixed(p.mz[i], "%.9f").c_str() : "");
        std::fputc('\n', stream);
    }
}

} // namespace

void write_envelope(std::FILE *stream, const EnvelopeRequest &request, const Envelope &envelope,
                    Format format, bool all) {
    write_in(
        format, [&] { write_table(stream, request, envelope, all); },
        [&](char delimiter) { write_delimited(stream, envelope, delimiter); },
        [&] {
            std::fputs(envelope_json(request, envelope).dump(2).c_str(), stream);
            std::fputc('\n', stream);
        });
}

Result plot_result(const EnvelopeRequest &request, const Envelope &envelope) {
    Result result;
    result.molecule = kind_name(request.kind);
    result.engine = "exact";
    result.input_text = request.text;
    result.masses_are_mz = envelope.points.mz != nullptr;
    const corvan_points &p = envelope.points;
    // Points lighter than M (k < 0) come first: the plot numbers its
    // columns from the lightest point shown.
    const int first = p.count > 0 ? std::min(0, p.neutrons[0]) : 0;
    const int last = p.count > 0 ? p.neutrons[p.count - 1] : 0;
    result.first_step = first;
    result.points = last - first + 1;
    result.values.assign(static_cast<std::size_t>(result.points), 0.0f);
    result.masses.assign(static_cast<std::size_t>(result.points),
                         PeakMass{0, std::numeric_limits<double>::quiet_NaN()});
    for (std::size_t i = 0; i < p.count; ++i) {
        const auto k = static_cast<std::size_t>(p.neutrons[i] - first);
        result.values[k] = static_cast<float>(p.intensities[i]);
        result.masses[k].mean = p.mz ? p.mz[i] : p.masses[i];
    }
    return result;
}

} // namespace cli
