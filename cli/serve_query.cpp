#include "serve_query.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

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

std::string trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
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
    if (!value) return QueryError{"mass must be a number of daltons"};
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
    if (request.mass) return std::nullopt; // bounded in read_query
    corvan_molecule *parsed = nullptr;
    if (corvan_molecule_parse(request.kind, request.text.c_str(), &parsed, nullptr) != CORVAN_OK)
        return std::nullopt;
    std::unique_ptr<corvan_molecule, MoleculeDeleter> molecule(parsed);
    std::size_t count = 0;
    corvan_molecule_atoms(molecule.get(), nullptr, 0, &count);
    std::vector<corvan_atom_count> atoms(count);
    if (corvan_molecule_atoms(molecule.get(), atoms.data(), count, &count) != CORVAN_OK)
        return std::nullopt;
    double total = 0;
    for (const corvan_atom_count &atom : atoms) total += atom.count;
    if (total > kMaxQueryAtoms)
        return QueryError{"the molecule has more than " +
                          std::to_string(static_cast<long>(kMaxQueryAtoms)) +
                          " atoms, this server's limit"};
    return std::nullopt;
}

nlohmann::ordered_json query_error_json(const QueryError &error) {
    return {{"error", error.message}, {"status", "bad query"}, {"position", nullptr}};
}

} // namespace cli
