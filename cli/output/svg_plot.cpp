// A stick spectrum as a self-contained SVG picture.
#include "output/svg_plot.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace cli {

namespace {

constexpr double kWidth = 760, kHeight = 440;
constexpr double kLeft = 80, kRight = kWidth - 30, kTop = 78, kBottom = kHeight - 64;

struct Stick {
    double x;      // mass, or peak step without masses
    double height; // as the library returned it
    std::string label;
};

struct Axes {
    double x_low, x_high, y_high;
    bool by_mass;
    double to_x(double x) const {
        return kLeft + (x - x_low) / (x_high - x_low) * (kRight - kLeft);
    }
    double to_y(double y) const { return kBottom - y / y_high * (kBottom - kTop); }
};

std::vector<Stick> sticks_of(const Result &result, bool by_mass) {
    const float highest = *std::max_element(result.values.begin(), result.values.end());
    std::vector<Stick> sticks;
    for (int index = result.offset; index < static_cast<int>(result.values.size()); ++index) {
        const double height = result.values[index];
        if (!(height > 0) || height < kPlottedShare * highest) continue;
        const PeakMass *mass = mass_at(result, index);
        if (by_mass && (mass == nullptr || !std::isfinite(mass->mean))) continue;
        sticks.push_back({by_mass ? mass->mean : double(index - result.offset + result.first_step),
                          height, peak_label(index, result.offset, result.first_step)});
    }
    return sticks;
}

// 1, 2 or 5 times a power of ten, so that about `wanted` steps span `range`.
double tidy_step(double range, double wanted) {
    const double rough = range / wanted;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * decade >= rough) return factor * decade;
    return 10 * decade;
}

Axes axes_for(const std::vector<Stick> &sticks, bool by_mass) {
    double highest = 0;
    for (const Stick &stick : sticks) highest = std::max(highest, stick.height);
    const double y_high = highest > 0 ? std::ceil(highest * 10 - 1e-9) / 10 : 1.0;
    if (sticks.empty()) return {-1, 1, y_high, by_mass};
    return {sticks.front().x - 1, sticks.back().x + 1, y_high, by_mass};
}

void write_header(std::FILE *stream, const Result &result) {
    std::fprintf(stream,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                 "viewBox=\"0 0 %.0f %.0f\" font-family=\"Helvetica, Arial, sans-serif\">\n",
                 kWidth, kHeight, kWidth, kHeight);
    std::fprintf(stream, "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n");
    std::string title = describe(result);
    if (result.chemistry && result.chemistry->formula != result.input_text)
        title += ", " + result.chemistry->formula;
    std::fprintf(stream,
                 "<text x=\"%.0f\" y=\"28\" font-size=\"16\" font-weight=\"bold\">%s</text>\n",
                 kLeft, xml_escaped(title).c_str());
    std::string note = result.engine == "fit" ? "model heights, not scaled"
                                              : "heights relative to the highest peak";
    if (result.chemistry) {
        char mass[64];
        std::snprintf(mass, sizeof mass, "monoisotopic mass %.4f Da; ",
                      result.chemistry->monoisotopic_mass);
        note = mass + note;
    }
    std::fprintf(stream, "<text x=\"%.0f\" y=\"48\" font-size=\"12\" fill=\"#555\">%s</text>\n",
                 kLeft, xml_escaped(note).c_str());
}

void write_vertical_axis(std::FILE *stream, const Axes &axes) {
    const double step = tidy_step(axes.y_high, 5);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    for (double y = 0; y <= axes.y_high + step * 1e-6; y += step) {
        const double at = axes.to_y(y);
        std::fprintf(stream,
                     "<line class=\"grid\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                     "stroke=\"#e4e4e4\"/>\n",
                     kLeft, at, kRight, at);
        std::fprintf(
            stream,
            "<text x=\"%.1f\" y=\"%.1f\" font-size=\"12\" text-anchor=\"end\">%.*f</text>\n",
            kLeft - 8, at + 4, decimals, y);
    }
    std::fprintf(stream,
                 "<text transform=\"translate(22 %.1f) rotate(-90)\" font-size=\"13\" "
                 "text-anchor=\"middle\">relative intensity</text>\n",
                 (kTop + kBottom) / 2);
}

// Three significant digits, without exponents for the heights shown.
std::string height_text(double height) {
    char text[32];
    std::snprintf(text, sizeof text, height >= 0.1 ? "%.3f" : "%.2g", height);
    return text;
}

std::string step_label(long step) {
    return step == 0 ? "M" : step > 0 ? "M+" + std::to_string(step) : "M" + std::to_string(step);
}

const char *axis_title(const Result &result, const Axes &axes) {
    if (!axes.by_mass) return "peak";
    return result.masses_are_mz ? "m/z, each stick at the mean m/z of its peak"
                                : "mass (Da), each stick at the mean mass of its peak";
}

void write_horizontal_axis(std::FILE *stream, const Result &result, const Axes &axes) {
    const double step = std::max(1.0, tidy_step(axes.x_high - axes.x_low, 10));
    for (double x = std::ceil(axes.x_low / step) * step; x <= axes.x_high; x += step) {
        if (!axes.by_mass && x < 0) continue;
        const double at = axes.to_x(x);
        std::fprintf(stream,
                     "<line class=\"tick\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" "
                     "stroke=\"black\"/>\n",
                     at, kBottom, at, kBottom + 5);
        const std::string label =
            axes.by_mass ? std::to_string(std::lround(x)) : step_label(std::lround(x));
        std::fprintf(stream,
                     "<text x=\"%.1f\" y=\"%.1f\" font-size=\"12\" "
                     "text-anchor=\"middle\">%s</text>\n",
                     at, kBottom + 19, label.c_str());
    }
    std::fprintf(stream,
                 "<text x=\"%.1f\" y=\"%.1f\" font-size=\"13\" text-anchor=\"middle\">%s</text>\n",
                 (kLeft + kRight) / 2, kHeight - 18, axis_title(result, axes));
    std::fprintf(stream,
                 "<path class=\"axis\" d=\"M%.1f %.1f V%.1f H%.1f\" fill=\"none\" "
                 "stroke=\"black\"/>\n",
                 kLeft, kTop - 6, kBottom, kRight);
}

void write_sticks(std::FILE *stream, const Axes &axes, const std::vector<Stick> &sticks) {
    const double room =
        (kRight - kLeft) / static_cast<double>(std::max<std::size_t>(sticks.size(), 1));
    const double width = std::clamp(room / 5, 1.0, 6.0);
    const bool labelled = room >= 26;
    for (const Stick &stick : sticks) {
        const double x = axes.to_x(stick.x), top = axes.to_y(stick.height);
        std::fprintf(stream,
                     "<line class=\"peak\" x1=\"%.2f\" y1=\"%.1f\" x2=\"%.2f\" y2=\"%.2f\" "
                     "stroke=\"#1f5fa8\" stroke-width=\"%.1f\"><title>%s: %.6g</title></line>\n",
                     x, kBottom, x, top, width, stick.label.c_str(), stick.height);
        if (!labelled) continue;
        std::fprintf(stream,
                     "<text x=\"%.2f\" y=\"%.1f\" font-size=\"11\" text-anchor=\"middle\" "
                     "fill=\"#555\">%s</text>\n",
                     x, top - 6, height_text(stick.height).c_str());
        if (axes.by_mass)
            std::fprintf(stream,
                         "<text x=\"%.2f\" y=\"%.1f\" font-size=\"11\" "
                         "text-anchor=\"middle\" font-weight=\"bold\">%s</text>\n",
                         x, top - 19, stick.label.c_str());
    }
}

} // namespace

void write_svg_plot(std::FILE *stream, const Result &result) {
    const bool by_mass = !result.masses.empty();
    const std::vector<Stick> sticks = sticks_of(result, by_mass);
    const Axes axes = axes_for(sticks, by_mass);
    write_header(stream, result);
    write_vertical_axis(stream, axes);
    write_horizontal_axis(stream, result, axes);
    write_sticks(stream, axes, sticks);
    std::fputs("</svg>\n", stream);
}

std::string xml_escaped(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace cli
