// GET /api/match: a pasted peak list matched against one molecule.
#include "serve/match_serve.hpp"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

#include "commands/mzml_scans.hpp"
#include "corvan.h"
#include "serve/serve_query.hpp"

namespace cli {

namespace {

struct Query {
    int kind = CORVAN_KIND_PEPTIDE;
    std::string input;
    corvan_match_settings settings{};
    Scan peaks;
};

MatchAnswer refused(const std::string &message) {
    return {400, {{"error", message}, {"status", "bad query"}, {"position", nullptr}}};
}

// "MZ:I,MZ:I,..." sorted by m/z, as the command line sorts a peak list.
bool read_peaks(const std::string &text, Scan &scan) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const std::string pair = text.substr(at, end - at);
        const std::size_t colon = pair.find(':');
        if (colon == std::string::npos) return false;
        char *stop = nullptr;
        const double mz = std::strtod(pair.c_str(), &stop);
        if (stop != pair.c_str() + colon) return false;
        const double intensity = std::strtod(pair.c_str() + colon + 1, &stop);
        if (*stop != '\0' || colon + 1 == pair.size()) return false;
        scan.mz.push_back(mz);
        scan.intensity.push_back(intensity);
        at = end + 1;
    }
    std::vector<std::size_t> order(scan.mz.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return scan.mz[a] < scan.mz[b]; });
    Scan sorted;
    for (std::size_t i : order)
        sorted.mz.push_back(scan.mz[i]), sorted.intensity.push_back(scan.intensity[i]);
    scan.mz.swap(sorted.mz);
    scan.intensity.swap(sorted.intensity);
    return true;
}

std::optional<std::string> read_query(const std::multimap<std::string, std::string> &pairs,
                                      Query &q) {
    corvan_match_defaults(&q.settings);
    for (const auto &[key, value] : pairs) {
        if (pairs.count(key) > 1) return "the key " + key + " is given twice";
        if (key == "kind") {
            const std::vector<std::pair<std::string, int>> kinds = {
                {"peptide", CORVAN_KIND_PEPTIDE},
                {"formula", CORVAN_KIND_FORMULA},
                {"rna", CORVAN_KIND_RNA},
                {"dna", CORVAN_KIND_DNA}};
            const auto it = std::find_if(kinds.begin(), kinds.end(),
                                         [&](const auto &k) { return k.first == value; });
            if (it == kinds.end()) return "kind must be peptide, formula, rna or dna";
            q.kind = it->second;
        } else if (key == "input") {
            if (value.size() > kMaxQueryText) return "the input is too long";
            q.input = value;
        } else if (key == "charges") {
            const auto range = read_range(value);
            if (!range || std::abs(range->first) > kMaxQueryCharge ||
                std::abs(range->second) > kMaxQueryCharge)
                return "charges must be N or A-B within +-100";
            q.settings.min_charge = static_cast<int>(range->first);
            q.settings.max_charge = static_cast<int>(range->second);
        } else if (key == "ppm") {
            char *end = nullptr;
            q.settings.ppm = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0') return "ppm must be a number";
        } else if (key == "peaks") {
            if (!read_peaks(value, q.peaks))
                return "peaks must be MZ:INTENSITY pairs separated by commas";
            if (q.peaks.mz.size() > kMaxQueryPeaks)
                return "at most " + std::to_string(kMaxQueryPeaks) + " peaks per request";
        } else {
            return "unknown key " + key;
        }
    }
    if (q.input.empty()) return "give the molecule as input";
    return std::nullopt;
}

MatchAnswer library_refusal(const corvan_error &e) {
    const unsigned http = e.status == CORVAN_E_MEMORY     ? 503
                          : e.status == CORVAN_E_INTERNAL ? 500
                                                          : 400;
    return {http,
            {{"error", e.message},
             {"status", corvan_status_name(e.status)},
             {"position", e.position >= 0 ? nlohmann::ordered_json(e.position) : nullptr}}};
}

nlohmann::ordered_json match_json(const corvan_match *match) {
    corvan_match_summary s{};
    corvan_match_get_summary(match, &s);
    nlohmann::ordered_json peaks = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < corvan_match_peak_count(match); ++i) {
        corvan_matched_peak p{};
        corvan_match_peak(match, i, &p);
        peaks.push_back({{"neutrons", p.neutrons},
                         {"expected_mz", p.expected_mz},
                         {"expected_height", p.expected_height},
                         {"observed_mz", p.observed_mz},
                         {"observed_intensity", p.observed_intensity},
                         {"ppm_error", p.ppm_error}});
    }
    return {{"charge", s.charge},
            {"cosine", s.cosine},
            {"contrast_angle", s.contrast_angle},
            {"chi_square", s.chi_square},
            {"scale", s.scale},
            {"mean_ppm", s.mean_ppm},
            {"compared", s.compared},
            {"matched", s.matched},
            {"monoisotopic_mz", s.monoisotopic_mz},
            {"peaks", peaks}};
}

} // namespace

MatchAnswer match_answer(std::string_view raw_query) {
    const auto pairs = split_query(raw_query);
    if (const auto *error = std::get_if<QueryError>(&pairs)) return refused(error->message);
    Query q;
    if (auto message = read_query(std::get<0>(pairs), q)) return refused(*message);
    corvan_error e{};
    corvan_molecule *raw = nullptr;
    if (corvan_molecule_parse(q.kind, q.input.c_str(), &raw, &e) != CORVAN_OK)
        return library_refusal(e);
    const std::unique_ptr<corvan_molecule, void (*)(corvan_molecule *)> molecule(
        raw, corvan_molecule_free);
    int text_charge = 0;
    corvan_molecule_charge(raw, &text_charge);
    if (q.settings.min_charge == 0 && text_charge == 0)
        q.settings.min_charge = 1, q.settings.max_charge = 4;
    corvan_match *match = nullptr;
    if (corvan_match_spectrum(raw, nullptr, &q.settings, q.peaks.mz.data(),
                              q.peaks.intensity.data(), q.peaks.mz.size(), &match, &e) != CORVAN_OK)
        return library_refusal(e);
    const std::unique_ptr<corvan_match, void (*)(corvan_match *)> owned(match, corvan_match_free);
    return {200, match_json(match)};
}

} // namespace cli
