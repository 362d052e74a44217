// The query of GET /api/distribution read into an envelope request.
#include "serve/serve_query.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace cli {

namespace {

const std::set<std::string> kKeys = {"kind",  "input",  "mass",          "charge", "adduct",
                                     "label", "points", "min_intensity", "engine"};

std::optional<long> whole_number(const std::string &text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0) return std::nullopt;
    return value;
}

// Plain decimal numbers only: strtod would also take "inf", "nan" and hex.
std::optional<double> real_number(const std::string &text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    if (text.find_first_not_of("0123456789.eE+-") != std::string::npos) return std::nullopt;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

// A carrier such as "C999999:z+1" would multiply the work by its count.
bool has_long_number(const std::string &text) {
    std::size_t run = 0;
    for (char c : text) {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run > 3) return true;
    }
    return false;
}

// The atoms of a text that parses; 0 otherwise.
double atom_count(corvan_kind kind, const std::string &text) {
    corvan_molecule *parsed = nullptr;
    if (corvan_molecule_parse(kind, text.c_str(), &parsed, nullptr) != CORVAN_OK) return 0;
    std::unique_ptr<corvan_molecule, MoleculeDeleter> molecule(parsed);
    std::size_t count = 0;
    corvan_molecule_atoms(molecule.get(), nullptr, 0, &count);
    std::vector<corvan_atom_count> atoms(count);
    if (corvan_molecule_atoms(molecule.get(), atoms.data(), count, &count) != CORVAN_OK) return 0;
    double total = 0;
    for (const corvan_atom_count &atom : atoms) total += atom.count;
    return total;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One key or value: %XX escapes and '+' for a space; nothing else changes.
std::optional<std::string> decoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] != '%') {
            out += text[i];
        } else {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hex_digit(text[i + 1]), low = hex_digit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    if (out.find('\0') != std::string::npos) return std::nullopt;
    return out;
}

std::string trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Atoms the adduct adds to the ion: its carrier's atoms times the number
// of carriers (charge / carrier charge); 0 when it removes atoms or does
// not parse (the library then says why).
double adduct_atoms(const EnvelopeRequest &request) {
    if (request.adduct.empty() || request.charge == 0) return 0;
    std::string carrier = request.adduct;
    long carrier_charge = 1;
    if (const auto colon = carrier.find(":z"); colon != std::string::npos) {
        const auto value = whole_number(carrier.substr(colon + 2));
        if (!value || *value == 0) return 0;
        carrier_charge = *value;
        carrier.resize(colon);
    } else {
        if (carrier.empty() || (carrier.back() != '+' && carrier.back() != '-')) return 0;
        carrier_charge = carrier.back() == '+' ? 1 : -1;
        carrier.pop_back();
    }
    const long carriers = request.charge / carrier_charge;
    if (carriers <= 0) return 0;
    return static_cast<double>(carriers) * atom_count(CORVAN_KIND_FORMULA, carrier);
}

std::optional<QueryError> read_labels(const std::multimap<std::string, std::string> &query,
                                      EnvelopeRequest &request) {
    const auto [begin, end] = query.equal_range("label");
    for (auto it = begin; it != end; ++it) {
        std::size_t start = 0;
        while (start <= it->second.size()) {
            std::size_t comma = it->second.find(',', start);
            if (comma == std::string::npos) comma = it->second.size();
            const std::string label = trimmed(it->second.substr(start, comma - start));
            start = comma + 1;
            if (label.empty()) continue;
            if (label.size() > kMaxShortText) return QueryError{"a label is too long"};
            if (request.labels.size() == kMaxLabels)
                return QueryError{"at most " + std::to_string(kMaxLabels) + " labels"};
            request.labels.push_back(label);
        }
    }
    return std::nullopt;
}

std::optional<QueryError> read_molecule(const std::multimap<std::string, std::string> &query,
                                        EnvelopeRequest &request) {
    if (const auto it = query.find("kind"); it != query.end()) {
        const auto kind = kind_named(it->second);
        if (!kind) return QueryError{"kind must be formula, peptide, rna or dna"};
        request.kind = *kind;
    }
    const auto input = query.find("input");
    const auto mass = query.find("mass");
    if ((input == query.end()) == (mass == query.end()))
        return QueryError{"give either input (a formula or sequence) or mass"};
    if (input != query.end()) {
        if (input->second.size() > kMaxQueryText)
            return QueryError{"input is longer than " + std::to_string(kMaxQueryText) +
                              " characters"};
        request.text = input->second;
        return std::nullopt;
    }
    const auto value = real_number(mass->second);
    if (!value || *value <= 0) return QueryError{"mass must be a positive number of daltons"};
    if (*value > kMaxQueryMass)
        return QueryError{"mass is above this server's limit of 2000000 Da"};
    request.mass = *value;
    return std::nullopt;
}

std::optional<QueryError> read_numbers(const std::multimap<std::string, std::string> &query,
                                       EnvelopeRequest &request) {
    if (const auto it = query.find("charge"); it != query.end()) {
        const auto charge = whole_number(it->second);
        if (!charge || std::labs(*charge) > kMaxQueryCharge)
            return QueryError{"charge must be a whole number from -" +
                              std::to_string(kMaxQueryCharge) + " to " +
                              std::to_string(kMaxQueryCharge)};
        request.charge = static_cast<int>(*charge);
    }
    if (const auto it = query.find("points"); it != query.end()) {
        const auto points = whole_number(it->second);
        if (!points || *points < 0 || *points > kMaxQueryPoints)
            return QueryError{"points must be a whole number from 0 (every point) to " +
                              std::to_string(kMaxQueryPoints)};
        request.max_points = static_cast<int>(*points);
    }
    if (const auto it = query.find("min_intensity"); it != query.end()) {
        const auto value = real_number(it->second);
        if (!value || *value < 0 || *value > 1)
            return QueryError{"min_intensity must be a number from 0 to 1"};
        request.min_intensity = *value;
    }
    return std::nullopt;
}

// A fixed call computes a neutral molecule of its own notation, on a grid
// of `points` (the command line's default when 0).
std::optional<QueryError> read_engine(const std::multimap<std::string, std::string> &query,
                                      EnvelopeRequest &request) {
    const auto it = query.find("engine");
    if (it == query.end() || it->second == "exact") return std::nullopt;
    if (it->second.size() > kMaxShortText) return QueryError{"engine is too long"};
    request.engine = it->second;
    if (request.kind != CORVAN_KIND_PEPTIDE && request.kind != CORVAN_KIND_RNA)
        return QueryError{std::string("the ") + kind_name(request.kind) +
                          " kind has the exact engine only"};
    if (request.charge != 0 || !request.adduct.empty() || !request.labels.empty() ||
        request.min_intensity != 0)
        return QueryError{"charge, adduct, labels and min_intensity need the exact engine (the " +
                          request.engine + " engine computes the neutral molecule)"};
    if (request.max_points > kMaxFixedCallPoints)
        return QueryError{"points must be at most " + std::to_string(kMaxFixedCallPoints) +
                          " for the " + request.engine + " engine"};
    return std::nullopt;
}

} // namespace

std::variant<std::multimap<std::string, std::string>, QueryError>
split_query(std::string_view raw) {
    std::multimap<std::string, std::string> query;
    std::size_t start = 0;
    while (start <= raw.size()) {
        std::size_t end = raw.find('&', start);
        if (end == std::string_view::npos) end = raw.size();
        const std::string_view pair = raw.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        const auto equals = pair.find('=');
        const auto key = decoded(pair.substr(0, equals));
        const std::string name = key ? *key : std::string(pair.substr(0, equals));
        if (pair.find('?') != std::string_view::npos)
            return QueryError{"query key '" + name + "' holds an unencoded '?' (write %3F)"};
        if (equals == std::string_view::npos || equals + 1 == pair.size())
            return QueryError{"query key '" + name + "' has no value"};
        if (pair.find('=', equals + 1) != std::string_view::npos)
            return QueryError{"query key '" + name + "' holds a second '=' (write %3D)"};
        const auto value = decoded(pair.substr(equals + 1));
        if (!key || !value)
            return QueryError{"query key '" + name + "' holds a bad %-escape or a NUL character"};
        query.emplace(*key, *value);
    }
    return query;
}

std::variant<EnvelopeRequest, QueryError>
read_query(const std::multimap<std::string, std::string> &query) {
    for (const auto &[key, value] : query) {
        if (!kKeys.contains(key)) return QueryError{"unknown query key '" + key + "'"};
        if (key != "label" && query.count(key) > 1)
            return QueryError{"query key '" + key + "' is given twice"};
    }
    EnvelopeRequest request;
    if (auto error = read_molecule(query, request)) return *error;
    if (auto error = read_numbers(query, request)) return *error;
    if (const auto it = query.find("adduct"); it != query.end()) {
        if (it->second.size() > kMaxShortText || has_long_number(it->second))
            return QueryError{"adduct is too long (at most 64 characters, counts below 1000)"};
        request.adduct = trimmed(it->second);
    }
    if (auto error = read_labels(query, request)) return *error;
    if (auto error = read_engine(query, request)) return *error;
    return request;
}

std::optional<QueryError> exceeds_work_bound(const EnvelopeRequest &request) {
    // A molecule by mass is bounded in read_query; its adduct is not.
    const double molecule = request.mass ? 0 : atom_count(request.kind, request.text);
    if (molecule + adduct_atoms(request) > kMaxQueryAtoms)
        return QueryError{"the molecule has more than " +
                          std::to_string(static_cast<long>(kMaxQueryAtoms)) +
                          " atoms, this server's limit"};
    return std::nullopt;
}

nlohmann::ordered_json query_error_json(const QueryError &error) {
    return {{"error", error.message}, {"status", "bad query"}, {"position", nullptr}};
}

JsonResponse query_refused(const std::string &message) {
    return {400, query_error_json(QueryError{message})};
}

JsonResponse library_refused(const corvan_error &error, bool position_in_text) {
    const int http = error.status == CORVAN_E_MEMORY     ? 503
                     : error.status == CORVAN_E_TOO_WIDE ? 422
                                                         : 400;
    return {http,
            failure_json({error.status, position_in_text ? error.position : -1, error.message})};
}

} // namespace cli
