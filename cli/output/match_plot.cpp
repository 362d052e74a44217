// The mirror plot of corvan match --plot.
#include <algorithm>
#include <cmath>

#include "commands/match_report.hpp"
#include "commands/mzml_command_support.hpp"
#include "output/svg_plot.hpp"

namespace cli {

namespace {

constexpr double kWidth = 760, kHeight = 480, kLeft = 70, kRight = 730, kTop = 70, kBottom = 430;
constexpr double kMiddle = (kTop + kBottom) / 2;

struct Frame {
    double low, high, top; // m/z range and the observed intensity drawn full height
    double x(double mz) const { return kLeft + (mz - low) / (high - low) * (kRight - kLeft); }
    double up(double h) const { return kMiddle - h / top * (kMiddle - kTop); }
    double down(double h) const { return kMiddle + h / top * (kMiddle - kTop); }
};

Frame frame_of(const ScanMatch &m) {
    double low = m.peaks.front().expected_mz, high = m.peaks.back().expected_mz, top = 0;
    const double margin = 1.0 / std::max(1, std::abs(m.summary.charge));
    low -= margin, high += margin;
    for (std::size_t i = 0; i < m.mz.size(); ++i)
        if (m.mz[i] >= low && m.mz[i] <= high) top = std::max(top, m.intensity[i]);
    for (const corvan_matched_peak &p : m.peaks)
        top = std::max(top, p.expected_height * m.summary.scale);
    return {low, high, top > 0 ? top : 1};
}

} // namespace

void write_match_plot(std::FILE *out, const MatchReport &report) {
    std::fprintf(out,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
                 "viewBox=\"0 0 %g %g\" font-family=\"sans-serif\" font-size=\"12\">\n"
                 "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                 kWidth, kHeight, kWidth, kHeight);
    if (report.scans.empty() || report.scans[report.best].peaks.empty()) {
        std::fputs("<text x=\"20\" y=\"40\">no scan matched</text>\n</svg>\n", out);
        return;
    }
    const ScanMatch &m = report.scans[report.best];
    const Frame f = frame_of(m);
    std::fprintf(out,
                 "<text x=\"%g\" y=\"24\" font-size=\"15\">%s, scan %ld, charge %d</text>\n"
                 "<text x=\"%g\" y=\"44\">cosine %s, contrast angle %s deg, chi2/dof %s, "
                 "mean error %s ppm</text>\n",
                 kLeft, xml_escaped(report.input).c_str(), m.scan, m.summary.charge, kLeft,
                 cell(m.summary.cosine, 4).c_str(), cell(m.summary.contrast_angle, 2).c_str(),
                 cell(m.summary.chi_square, 4).c_str(), cell(m.summary.mean_ppm, 2).c_str());
    std::fprintf(out, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", kLeft,
                 kMiddle, kRight, kMiddle);
    std::fprintf(out,
                 "<text x=\"%g\" y=\"%g\">observed</text><text x=\"%g\" y=\"%g\">"
                 "expected</text>\n",
                 kRight - 70, kTop + 10, kRight - 70, kBottom - 4);
    for (std::size_t i = 0; i < m.mz.size(); ++i)
        if (m.mz[i] >= f.low && m.mz[i] <= f.high)
            std::fprintf(out,
                         "<line class=\"observed\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" "
                         "y2=\"%.2f\" stroke=\"#1f5fbf\" stroke-width=\"2\"/>\n",
                         f.x(m.mz[i]), kMiddle, f.x(m.mz[i]), f.up(m.intensity[i]));
    for (const corvan_matched_peak &p : m.peaks) {
        const double x = f.x(p.expected_mz);
        std::fprintf(out,
                     "<line class=\"expected\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" "
                     "stroke=\"#c0392b\" stroke-width=\"2\"/>\n",
                     x, kMiddle, x, f.down(p.expected_height * m.summary.scale));
        if (std::isfinite(p.ppm_error))
            std::fprintf(out,
                         "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\" "
                         "font-size=\"10\">%s ppm</text>\n",
                         x, kBottom + 16, cell(p.ppm_error, 1).c_str());
    }
    for (int tick = 0; tick <= 4; ++tick) {
        const double mz = f.low + (f.high - f.low) * tick / 4;
        std::fprintf(out, "<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%s</text>\n", f.x(mz),
                     kBottom + 36, cell(mz, 3).c_str());
    }
    std::fputs("<text x=\"400\" y=\"472\" text-anchor=\"middle\">m/z</text>\n</svg>\n", out);
}

} // namespace cli
