// GET /api/fragments: fragment ions and their envelopes.
#include "serve/serve_fragments.hpp"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <variant>

#include "commands/envelope_request.hpp"
#include "output/fragments_output.hpp"
#include "serve/serve_query.hpp"

namespace cli {

namespace {

const std::set<std::string> kFragmentKeys = {"kind",   "input",     "types",  "charges",
                                             "losses", "isolation", "window", "precursor_charge"};

struct ListDeleter {
    void operator()(corvan_fragment_list *list) const noexcept { corvan_fragment_list_free(list); }
};
using List = std::unique_ptr<corvan_fragment_list, ListDeleter>;

struct FragmentsQuery {
    corvan_kind kind = CORVAN_KIND_PEPTIDE;
    std::string input, peaks, isolation;
    bool peaks_given = false;
    corvan_fragment_settings settings{};
};

// The text read on its own first, so that any later syntax error is the
// isolated peaks' (corvan_fragments reads the text as this call does).
std::optional<FragmentsResponse> refuse_text(const FragmentsQuery &q) {
    corvan_molecule *parsed = nullptr;
    corvan_error error{};
    const int status = corvan_molecule_parse(q.kind, q.input.c_str(), &parsed, &error);
    corvan_molecule_free(parsed);
    if (status == CORVAN_OK) return std::nullopt;
    return library_refused(error, true);
}

std::optional<double> number(const std::string &text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::string> read_window(const std::string &text, corvan_fragment_settings &s) {
    const std::size_t colon = text.find(':');
    const auto low = number(text.substr(0, colon));
    const auto high = colon == std::string::npos ? std::nullopt : number(text.substr(colon + 1));
    if (!low || !high || !(*low > 0 && *low < *high))
        return "window must be LOW:HIGH in m/z, LOW below HIGH (500.2:502.2)";
    s.window_low = *low;
    s.window_high = *high;
    return std::nullopt;
}

std::optional<std::string> read_charges(const std::multimap<std::string, std::string> &keys,
                                        FragmentsQuery &q, corvan_error &error) {
    const bool nucleic = q.kind != CORVAN_KIND_PEPTIDE;
    const auto types = keys.find("types");
    const std::string type_text = types != keys.end() ? types->second
                                  : nucleic           ? "a-B,c,w,y"
                                                      : "by";
    if (corvan_fragment_types_parse(type_text.c_str(), &q.settings.types, &error) != CORVAN_OK)
        return "types: " + std::string(error.message);
    const auto charges = keys.find("charges");
    const std::string charge_text = charges != keys.end() ? charges->second : nucleic ? "-1" : "1";
    if (corvan_fragment_charges_parse(charge_text.c_str(), &q.settings.min_charge,
                                      &q.settings.max_charge, &error) != CORVAN_OK)
        return "charges: " + std::string(error.message);
    if (const auto z = keys.find("precursor_charge"); z != keys.end()) {
        const auto read = number(z->second);
        if (!read || *read == 0 || *read != std::floor(*read) || std::fabs(*read) > kMaxQueryCharge)
            return "precursor_charge must be a whole number, not 0, of size at most " +
                   std::to_string(kMaxQueryCharge);
        q.settings.precursor_charge = static_cast<int>(*read);
    }
    return std::nullopt;
}

std::optional<std::string> read_isolation(const std::multimap<std::string, std::string> &keys,
                                          FragmentsQuery &q) {
    const auto peaks = keys.find("isolation"), window = keys.find("window");
    if (peaks != keys.end() && window != keys.end()) return "give isolation or window, not both";
    if (peaks != keys.end()) {
        if (peaks->second.size() > kMaxShortText) return "isolation is at most 64 characters";
        q.peaks = q.isolation = peaks->second;
        q.peaks_given = true;
    }
    if (window != keys.end()) {
        if (auto error = read_window(window->second, q.settings)) return error;
        q.isolation = window->second + " m/z";
    }
    if (const auto losses = keys.find("losses"); losses != keys.end()) {
        if (losses->second != "yes" && losses->second != "no") return "losses must be yes or no";
        if (losses->second == "yes")
            q.settings.losses = CORVAN_LOSS_H2O | CORVAN_LOSS_NH3 | CORVAN_LOSS_H3PO4;
    }
    return std::nullopt;
}

// An upper bound on the ions of the request (see kMaxServedFragments).
long most_ions(const FragmentsQuery &q) {
    long residues = 0;
    int depth = 0;
    for (const char c : q.input) {
        if (depth == 0 && ((c >= 'A' && c <= 'Z') || c == '[' || c == '{')) ++residues;
        depth += (c == '[' || c == '{') ? 1 : (c == ']' || c == '}') ? -1 : 0;
    }
    const long series = std::popcount(q.settings.types);
    const long charges = long(q.settings.max_charge) - q.settings.min_charge + 1;
    return residues * series * charges * (q.settings.losses != 0 ? 4 : 1);
}

std::variant<FragmentsQuery, FragmentsResponse>
read_fragments_query(const std::multimap<std::string, std::string> &keys) {
    for (const auto &[key, value] : keys) {
        if (!kFragmentKeys.contains(key)) return query_refused("unknown query key '" + key + "'");
        if (keys.count(key) > 1) return query_refused("query key '" + key + "' is given twice");
    }
    FragmentsQuery q;
    if (const auto kind = keys.find("kind"); kind != keys.end()) {
        const auto named = kind_named(kind->second);
        if (!named || *named == CORVAN_KIND_FORMULA)
            return query_refused("kind must be peptide, rna or dna");
        q.kind = *named;
    }
    const auto input = keys.find("input");
    if (input == keys.end() || input->second.empty())
        return query_refused("give the input sequence");
    if (input->second.size() > kMaxQueryText)
        return query_refused("input is at most " + std::to_string(kMaxQueryText) + " characters");
    q.input = input->second;
    corvan_fragment_defaults(&q.settings);
    corvan_error error{};
    if (auto message = read_charges(keys, q, error)) {
        if (error.status == CORVAN_E_MEMORY) return library_refused(error, false);
        return query_refused(*message);
    }
    if (auto message = read_isolation(keys, q)) return query_refused(*message);
    if (const long ions = most_ions(q); ions > kMaxServedFragments)
        return FragmentsResponse{
            422,
            query_error_json(QueryError{
                "the request may give up to " + std::to_string(ions) +
                " fragment ions, more than this server's " + std::to_string(kMaxServedFragments) +
                ": ask for fewer series or charges, or a shorter sequence"})};
    return q;
}

} // namespace

FragmentsResponse fragments_response(const std::multimap<std::string, std::string> &query) {
    auto read = read_fragments_query(query);
    if (const auto *answer = std::get_if<FragmentsResponse>(&read)) return *answer;
    FragmentsQuery &q = std::get<FragmentsQuery>(read);
    if (auto answer = refuse_text(q)) return *answer;
    // Pointed at here, where q stays put until the call returns.
    if (q.peaks_given) q.settings.isolated_peaks = q.peaks.c_str();
    corvan_fragment_list *made = nullptr;
    corvan_error error{};
    const int status = corvan_fragments(q.kind, q.input.c_str(), &q.settings, &made, &error);
    const List list(made);
    if (status != CORVAN_OK) return library_refused(error, error.status != CORVAN_E_SYNTAX);
    return {200, fragments_json({q.input, kind_name(q.kind), q.isolation, list.get()})};
}

} // namespace cli
