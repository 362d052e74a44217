// A fixed engine's result as a table, CSV, TSV or JSON.
#include "output/output_formats.hpp"
#include "limits.hpp"

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <utility>

namespace cli {

namespace {

// Fixed notation where it stays readable, scientific for the small tail.
std::string intensity_text(float value) {
    char text[32];
    std::snprintf(text, sizeof text, value == 0 || value >= 1e-4f ? "%.6f" : "%.4e", value);
    return text;
}

std::string mass_text(double mass) {
    if (!std::isfinite(mass)) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", mass);
    return text;
}

std::size_t shown_rows(const Result &result, bool all) {
    std::size_t shown = result.values.size();
    while (!all && shown > 0 && result.values[shown - 1] < kShownFloor) --shown;
    return shown;
}

void write_table_title(std::FILE *stream, const Result &result) {
    std::fprintf(stream, "# %s: %s, offset %d; %s %.6g\n", describe(result).c_str(),
                 counted(static_cast<std::size_t>(result.points), "point").c_str(), result.offset,
                 result.peak_meaning.c_str(), result.peak);
    if (result.chemistry)
        std::fprintf(stream, "# composition %s, monoisotopic mass %.6f Da\n",
                     result.chemistry->formula.c_str(), result.chemistry->monoisotopic_mass);
}

void write_mass_footnote(std::FILE *stream) {
    std::string text = kMassColumnsMeaning;
    std::fputs("# ", stream);
    for (char c : text) {
        std::fputc(c, stream);
        if (c == '\n') std::fputs("# ", stream);
    }
    std::fputc('\n', stream);
}

void write_table(std::FILE *stream, const Result &result, bool all) {
    write_table_title(stream, result);
    const bool with_masses = !result.masses.empty();
    std::fprintf(stream, "index  peak    relative intensity%s\n",
                 with_masses ? "  nominal     mass (Da)" : "");
    const std::size_t shown = shown_rows(result, all);
    for (std::size_t i = 0; i < shown; ++i) {
        const int index = static_cast<int>(i);
        std::fprintf(stream, "%5d  %-6s  %18s", index, peak_label(index, result.offset).c_str(),
                     intensity_text(result.values[i]).c_str());
        if (const PeakMass *mass = mass_at(result, index))
            std::fprintf(stream, "  %7lld  %12s", mass->nominal, mass_text(mass->mean).c_str());
        std::fputc('\n', stream);
    }
    if (shown < result.values.size())
        std::fprintf(stream, "# %s below %g not shown (--all shows them)\n",
                     counted(result.values.size() - shown, "further point").c_str(), kShownFloor);
    if (with_masses) write_mass_footnote(stream);
}

// The exact engine's column names where they mean the same: k (M+k; rows
// before the offset have negative k), peak, intensity, mass; then
// nominal_mass, which only these engines give.
void write_delimited(std::FILE *stream, const Result &result, char separator) {
    const bool with_masses = !result.masses.empty();
    const char s = separator;
    std::fprintf(stream, "k%cpeak%cintensity", s, s);
    if (with_masses) std::fprintf(stream, "%cmass%cnominal_mass", s, s);
    std::fputc('\n', stream);
    for (std::size_t i = 0; i < result.values.size(); ++i) {
        const int index = static_cast<int>(i);
        std::fprintf(stream, "%d%c%s%c%.9g", index - result.offset, s,
                     peak_label(index, result.offset).c_str(), s, result.values[i]);
        if (with_masses) {
            const PeakMass *mass = mass_at(result, index);
            if (mass != nullptr)
                std::fprintf(stream, "%c%s%c%lld", s, mass_text(mass->mean).c_str(), s,
                             mass->nominal);
            else
                std::fprintf(stream, "%c%c", s, s);
        }
        std::fputc('\n', stream);
    }
}

// A number as the text `format` writes it (nine significant digits for a
// float, six decimals for a mass), so that the JSON carries no digits the
// value does not have; null when not finite.
nlohmann::ordered_json rounded(double value, const char *format = "%.9g") {
    if (!std::isfinite(value)) return nullptr;
    char text[40];
    std::snprintf(text, sizeof text, format, value);
    const double number = std::strtod(text, nullptr);
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        return static_cast<long long>(number);
    return number;
}

nlohmann::ordered_json json_points(const Result &result) {
    nlohmann::ordered_json points = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < result.values.size(); ++i) {
        const int index = static_cast<int>(i);
        nlohmann::ordered_json point = {{"k", index - result.offset},
                                        {"peak", peak_label(index, result.offset)},
                                        {"intensity", rounded(result.values[i])}};
        if (const PeakMass *mass = mass_at(result, index)) {
            point["mass"] = rounded(mass->mean, "%.6f");
            point["nominal_mass"] = mass->nominal;
        }
        points.push_back(std::move(point));
    }
    return points;
}

void write_json(std::FILE *stream, const Result &result) {
    nlohmann::ordered_json json = {{"kind", result.molecule}};
    json["input"] = result.input_kind == InputKind::mass
                        ? nlohmann::ordered_json{{"mass", rounded(result.input_mass)}}
                        : nlohmann::ordered_json{{"text", result.input_text}};
    json["engine"] = result.engine;
    if (!result.weights.empty()) json["weights"] = result.weights;
    json["grid"] = result.points;
    json["offset"] = result.offset;
    json["peak_value"] = rounded(result.peak);
    json["peak_meaning"] = result.peak_meaning;
    if (result.chemistry) {
        json["formula"] = result.chemistry->formula;
        json["monoisotopic_mass"] = rounded(result.chemistry->monoisotopic_mass, "%.6f");
    }
    json["points"] = json_points(result);
    const std::string text =
        json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    std::fputs(text.c_str(), stream);
}

} // namespace

std::optional<Format> format_for_file(const std::string &path) {
    for (const auto &[ending, format] : {std::pair<const char *, Format>{".csv", Format::csv},
                                         {".tsv", Format::tsv},
                                         {".json", Format::json}})
        if (path.ends_with(ending)) return format;
    return std::nullopt;
}

std::optional<Format> format_named(const std::string &name) {
    if (name == "table") return Format::table;
    if (name == "csv") return Format::csv;
    if (name == "tsv") return Format::tsv;
    if (name == "json") return Format::json;
    return std::nullopt;
}

void write_result(std::FILE *stream, const Result &result, Format format, bool all) {
    write_in(
        format, [&] { write_table(stream, result, all); },
        [&](char delimiter) { write_delimited(stream, result, delimiter); },
        [&] { write_json(stream, result); });
}

} // namespace cli
