// A spectrum as a table, CSV, TSV, JSON or SVG drawing.
#include "output/spectrum_output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "output/svg_plot.hpp"

namespace cli {

namespace {

const char *position_name(const corvan_spectrum_view &v) {
    return v.charge == 0 ? "mass" : "mz";
}

// Nominal peak M+k of a position, counted from the lightest fine peak (or
// profile point) in units of 1/|charge|.
int nominal_peak(const corvan_spectrum_view &v, double mz) {
    const double base = v.fine_count > 0 ? v.fine_mz[0] : mz;
    return static_cast<int>(std::lround((mz - base) * std::max(1, std::abs(v.charge))));
}

double highest(const double *values, std::size_t count) {
    double top = 0;
    for (std::size_t i = 0; i < count; ++i) top = std::max(top, values[i]);
    return top > 0 ? top : 1;
}

char separator(Format format) {
    return format == Format::tsv ? '\t' : ',';
}

void write_fine(std::FILE *out, const corvan_spectrum_view &v, Format format) {
    const double top = highest(v.fine_probability, v.fine_count);
    if (format == Format::table)
        std::fprintf(out, "%-6s %16s %14s %12s\n", "peak", position_name(v), "probability",
                     "intensity");
    else
        std::fprintf(out, "peak%c%s%cprobability%cintensity\n", separator(format), position_name(v),
                     separator(format), separator(format));
    for (std::size_t i = 0; i < v.fine_count; ++i) {
        const std::string peak = "M+" + std::to_string(nominal_peak(v, v.fine_mz[i]));
        if (format == Format::table)
            std::fprintf(out, "%-6s %16.6f %14.6e %12.6f\n", peak.c_str(), v.fine_mz[i],
                         v.fine_probability[i], v.fine_probability[i] / top);
        else
            std::fprintf(out, "%s%c%.10f%c%.10e%c%.10e\n", peak.c_str(), separator(format),
                         v.fine_mz[i], separator(format), v.fine_probability[i], separator(format),
                         v.fine_probability[i] / top);
    }
}

void write_profile(std::FILE *out, const corvan_spectrum_view &v, Format format) {
    const double top = highest(v.profile_intensity, v.profile_count);
    if (format == Format::table)
        std::fprintf(out, "%16s %12s %14s\n", position_name(v), "intensity", "signal");
    else
        std::fprintf(out, "%s%cintensity%csignal\n", position_name(v), separator(format),
                     separator(format));
    for (std::size_t i = 0; i < v.profile_count; ++i) {
        const double signal = v.profile_intensity[i];
        if (format == Format::table)
            std::fprintf(out, "%16.6f %12.6f %14.6e\n", v.profile_mz[i], signal / top, signal);
        else
            std::fprintf(out, "%.10f%c%.10e%c%.10e\n", v.profile_mz[i], separator(format),
                         signal / top, separator(format), signal);
    }
}

std::string merged_list(const corvan_spectrum_view &v, std::size_t c, const char *between,
                        int digits) {
    std::string text;
    char number[64];
    for (std::size_t j = 0; j < v.centroid_fine_count[c]; ++j) {
        std::snprintf(number, sizeof number, "%.*f", digits,
                      v.fine_mz[v.centroid_first_fine[c] + j]);
        text += (j ? between : "") + std::string(number);
    }
    return text;
}

void write_centroids(std::FILE *out, const corvan_spectrum_view &v, Format format) {
    const double top = highest(v.centroid_height, v.centroid_count);
    if (format == Format::table)
        std::fprintf(out, "%-6s %14s %12s %12s %12s  %s\n", "peak", position_name(v), "intensity",
                     "height", "area", "fine peaks merged");
    else
        std::fprintf(out, "peak%c%s%cintensity%cheight%carea%cfine_count%cfine_%s\n",
                     separator(format), position_name(v), separator(format), separator(format),
                     separator(format), separator(format), separator(format), position_name(v));
    for (std::size_t c = 0; c < v.centroid_count; ++c) {
        const std::string peak = "M+" + std::to_string(nominal_peak(v, v.centroid_mz[c]));
        if (format == Format::table)
            std::fprintf(out, "%-6s %14.6f %12.6f %12.4e %12.4e  %zu: %s\n", peak.c_str(),
                         v.centroid_mz[c], v.centroid_height[c] / top, v.centroid_height[c],
                         v.centroid_area[c], v.centroid_fine_count[c],
                         merged_list(v, c, " ", 6).c_str());
        else {
            const char s = separator(format);
            std::fprintf(out, "%s%c%.10f%c%.10e%c%.10e%c%.10e%c%zu%c%s\n", peak.c_str(), s,
                         v.centroid_mz[c], s, v.centroid_height[c] / top, s, v.centroid_height[c],
                         s, v.centroid_area[c], s, v.centroid_fine_count[c], s,
                         merged_list(v, c, ";", 10).c_str());
        }
    }
}

nlohmann::ordered_json fine_json(const corvan_spectrum_view &v, std::size_t first,
                                 std::size_t count) {
    auto peaks = nlohmann::ordered_json::array();
    for (std::size_t i = first; i < first + count; ++i)
        peaks.push_back({{position_name(v), v.fine_mz[i]}, {"probability", v.fine_probability[i]}});
    return peaks;
}

} // namespace

nlohmann::ordered_json spectrum_json(const SpectrumReport &report) {
    const corvan_spectrum_view &v = report.view;
    nlohmann::ordered_json out{
        {"input", report.input}, {"kind", report.kind}, {"charge", v.charge}};
    if (!report.resolution.empty()) out["resolution"] = report.resolution;
    if (report.part == SpectrumPart::fine) out["fine"] = fine_json(v, 0, v.fine_count);
    if (report.part == SpectrumPart::profile) {
        out["profile"] = {
            {position_name(v), std::vector<double>(v.profile_mz, v.profile_mz + v.profile_count)},
            {"intensity",
             std::vector<double>(v.profile_intensity, v.profile_intensity + v.profile_count)}};
    }
    if (report.part == SpectrumPart::centroids) {
        auto centroids = nlohmann::ordered_json::array();
        for (std::size_t c = 0; c < v.centroid_count; ++c)
            centroids.push_back(
                {{position_name(v), v.centroid_mz[c]},
                 {"height", v.centroid_height[c]},
                 {"area", v.centroid_area[c]},
                 {"fine", fine_json(v, v.centroid_first_fine[c], v.centroid_fine_count[c])}});
        out["centroids"] = centroids;
    }
    return out;
}

void write_spectrum(std::FILE *stream, const SpectrumReport &report, Format format) {
    if (format == Format::json) {
        std::fprintf(stream, "%s\n", spectrum_json(report).dump(2).c_str());
        return;
    }
    switch (report.part) {
    case SpectrumPart::fine:
        write_fine(stream, report.view, format);
        break;
    case SpectrumPart::profile:
        write_profile(stream, report.view, format);
        break;
    case SpectrumPart::centroids:
        write_centroids(stream, report.view, format);
        break;
    }
}

namespace {

constexpr double kWidth = 900, kHeight = 420, kLeft = 70, kRight = 50, kTop = 30, kBottom = 50;

struct Frame {
    double low, high, top;
    double x(double mz) const {
        return kLeft + (mz - low) / (high - low) * (kWidth - kLeft - kRight);
    }
    double y(double value) const {
        return kHeight - kBottom - value / top * (kHeight - kTop - kBottom);
    }
};

Frame frame_of(const corvan_spectrum_view &v) {
    Frame f{0, 1, 0};
    const double *mz = v.profile_count ? v.profile_mz : v.fine_mz;
    const std::size_t count = v.profile_count ? v.profile_count : v.fine_count;
    if (count == 0) return f;
    f.low = mz[0];
    f.high = mz[count - 1];
    if (f.high <= f.low) f.low -= 0.5, f.high += 0.5;
    // The profile sets the scale when there is one: fine peaks outside its
    // range must not flatten it.
    f.top = v.profile_count ? highest(v.profile_intensity, v.profile_count)
                            : highest(v.fine_probability, v.fine_count);
    return f;
}

void write_axes(std::FILE *out, const Frame &f, const char *name) {
    std::fprintf(out, "<line x1='%g' y1='%g' x2='%g' y2='%g' stroke='#333'/>\n", kLeft,
                 kHeight - kBottom, kWidth - kRight, kHeight - kBottom);
    for (int t = 0; t <= 5; ++t) {
        const double mz = f.low + (f.high - f.low) * t / 5;
        std::fprintf(out, "<text x='%g' y='%g' font-size='12' text-anchor='middle'>%.4f</text>\n",
                     f.x(mz), kHeight - kBottom + 18, mz);
    }
    std::fprintf(out, "<text x='%g' y='%g' font-size='13' text-anchor='middle'>%s</text>\n",
                 (kWidth + kLeft) / 2, kHeight - 10, name);
}

} // namespace

void write_spectrum_svg(std::FILE *out, const SpectrumReport &report) {
    const corvan_spectrum_view &v = report.view;
    const Frame f = frame_of(v);
    std::fprintf(out,
                 "<svg xmlns='http://www.w3.org/2000/svg' width='%g' height='%g' "
                 "font-family='sans-serif'>\n<rect width='100%%' height='100%%' fill='white'/>\n",
                 kWidth, kHeight);
    std::fprintf(out, "<text x='%g' y='20' font-size='14'>%s %s</text>\n", kLeft,
                 xml_escaped(report.input).c_str(), report.resolution.c_str());
    write_axes(out, f, v.charge == 0 ? "mass (Da)" : "m/z");
    if (f.top > 0 && v.profile_count > 0) {
        std::fprintf(out, "<polyline fill='none' stroke='#1f5fa8' stroke-width='1.2' points='");
        for (std::size_t i = 0; i < v.profile_count; ++i)
            std::fprintf(out, "%.2f,%.2f ", f.x(v.profile_mz[i]), f.y(v.profile_intensity[i]));
        std::fprintf(out, "'/>\n");
    }
    const bool centroids = v.centroid_count > 0;
    const std::size_t sticks = centroids ? v.centroid_count : v.fine_count;
    for (std::size_t i = 0; f.top > 0 && i < sticks; ++i) {
        const double mz = centroids ? v.centroid_mz[i] : v.fine_mz[i];
        const double value = centroids ? v.centroid_height[i] : v.fine_probability[i];
        std::fprintf(out, "<line x1='%.2f' y1='%.2f' x2='%.2f' y2='%.2f' stroke='#c0392b'/>\n",
                     f.x(mz), f.y(0), f.x(mz), f.y(value));
    }
    std::fprintf(out, "</svg>\n");
}

} // namespace cli
