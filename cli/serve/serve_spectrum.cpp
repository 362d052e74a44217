// GET /api/spectrum: fine structure, profile or centroids of one ion.
#include "serve/serve_spectrum.hpp"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <variant>

#include "output/spectrum_output.hpp"
#include "serve/serve_query.hpp"

namespace cli {

namespace {

const std::set<std::string> kSpectrumKeys = {"resolution", "analyzer", "part",
                                             "mz_low",     "mz_high",  "max_peaks"};
// Keys of /api/distribution that shape its points, not the ion.
const std::set<std::string> kEnvelopeOnlyKeys = {"engine", "points", "min_intensity"};

struct OptionsDeleter {
    void operator()(corvan_options *o) const noexcept { corvan_options_free(o); }
};
struct SpectrumDeleter {
    void operator()(corvan_spectrum *s) const noexcept { corvan_spectrum_free(s); }
};
using Options = std::unique_ptr<corvan_options, OptionsDeleter>;
using Molecule = std::unique_ptr<corvan_molecule, MoleculeDeleter>;
using Spectrum = std::unique_ptr<corvan_spectrum, SpectrumDeleter>;

struct SpectrumQuery {
    EnvelopeRequest ion;
    std::string resolution = "120000@200", analyzer = "orbitrap";
    SpectrumPart part = SpectrumPart::profile;
    corvan_spectrum_settings settings{};
};

std::optional<double> plain_number(const std::string &text) {
    if (text.empty() || text.size() > 32 ||
        text.find_first_not_of("0123456789.eE+-") != std::string::npos)
        return std::nullopt;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::string> read_part(const std::string &name, SpectrumPart &part) {
    if (name == "profile")
        part = SpectrumPart::profile;
    else if (name == "centroids")
        part = SpectrumPart::centroids;
    else if (name == "fine")
        part = SpectrumPart::fine;
    else
        return "part must be profile, centroids or fine";
    return std::nullopt;
}

std::optional<std::string> read_window(const std::multimap<std::string, std::string> &keys,
                                       corvan_spectrum_settings &s) {
    const auto low = keys.find("mz_low"), high = keys.find("mz_high");
    if ((low == keys.end()) != (high == keys.end()))
        return "give both mz_low and mz_high or neither";
    if (low == keys.end()) return std::nullopt;
    const auto from = plain_number(low->second), to = plain_number(high->second);
    if (!from || !to || !(*from < *to)) return "mz_low and mz_high must be numbers, low < high";
    s.mz_low = *from;
    s.mz_high = *to;
    return std::nullopt;
}

std::optional<std::string> read_spectrum_keys(const std::multimap<std::string, std::string> &keys,
                                              SpectrumQuery &q) {
    for (const auto &[key, value] : keys)
        if (keys.count(key) > 1) return "query key '" + key + "' is given twice";
    if (const auto it = keys.find("resolution"); it != keys.end()) q.resolution = it->second;
    if (const auto it = keys.find("analyzer"); it != keys.end()) q.analyzer = it->second;
    if (q.resolution.size() > kMaxShortText || q.analyzer.size() > kMaxShortText)
        return "resolution and analyzer are at most 64 characters";
    if (const auto it = keys.find("part"); it != keys.end())
        if (auto error = read_part(it->second, q.part)) return error;
    corvan_spectrum_defaults(&q.settings);
    q.settings.max_peaks = kMaxServedFinePeaks;
    if (const auto it = keys.find("max_peaks"); it != keys.end()) {
        const auto cap = plain_number(it->second);
        if (!cap || *cap < 1 || *cap > static_cast<double>(kMaxServedFinePeaks) ||
            *cap != std::floor(*cap))
            return "max_peaks must be a whole number from 1 to " +
                   std::to_string(kMaxServedFinePeaks);
        q.settings.max_peaks = static_cast<std::size_t>(*cap);
    }
    return read_window(keys, q.settings);
}

std::variant<SpectrumQuery, SpectrumResponse>
read_spectrum_query(const std::multimap<std::string, std::string> &query) {
    std::multimap<std::string, std::string> ion_keys, spectrum_keys;
    for (const auto &[key, value] : query) {
        if (kEnvelopeOnlyKeys.contains(key))
            return query_refused("unknown query key '" + key + "'");
        (kSpectrumKeys.contains(key) ? spectrum_keys : ion_keys).emplace(key, value);
    }
    SpectrumQuery q;
    const auto ion = read_query(ion_keys);
    if (const auto *error = std::get_if<QueryError>(&ion)) return query_refused(error->message);
    q.ion = std::get<EnvelopeRequest>(ion);
    if (const auto error = exceeds_work_bound(q.ion)) return query_refused(error->message);
    if (auto error = read_spectrum_keys(spectrum_keys, q)) return query_refused(*error);
    corvan_error error{};
    if (corvan_resolution_parse(q.resolution.c_str(), q.analyzer.c_str(), &q.settings.resolution,
                                &error) != CORVAN_OK)
        return library_refused(error, false);
    return q;
}

std::optional<SpectrumResponse> build(const EnvelopeRequest &r, Molecule &molecule,
                                      Options &options) {
    corvan_error error{};
    corvan_molecule *made = nullptr;
    const int parsed = r.mass ? corvan_molecule_from_mass(r.kind, *r.mass, &made, &error)
                              : corvan_molecule_parse(r.kind, r.text.c_str(), &made, &error);
    molecule.reset(made);
    if (parsed != CORVAN_OK) return library_refused(error, true);
    options.reset(corvan_options_create());
    if (!options)
        return SpectrumResponse{503, {{"error", "out of memory"}, {"status", "out of memory"}}};
    const char *adduct = r.adduct.empty() ? nullptr : r.adduct.c_str();
    if (corvan_options_set_charge(options.get(), r.charge, adduct, &error) != CORVAN_OK)
        return library_refused(error, false);
    for (const std::string &label : r.labels)
        if (corvan_options_parse_label(options.get(), label.c_str(), &error) != CORVAN_OK)
            return library_refused(error, false);
    return std::nullopt;
}

} // namespace

SpectrumResponse spectrum_response(const std::multimap<std::string, std::string> &query) {
    const auto read = read_spectrum_query(query);
    if (const auto *answer = std::get_if<SpectrumResponse>(&read)) return *answer;
    const SpectrumQuery &q = std::get<SpectrumQuery>(read);
    Molecule molecule;
    Options options;
    if (auto answer = build(q.ion, molecule, options)) return *answer;
    const SpectrumCall call = spectrum_call(q.part);
    corvan_error error{};
    corvan_spectrum *made = nullptr;
    const int status = call(molecule.get(), options.get(), &q.settings, &made, nullptr, &error);
    const Spectrum spectrum(made);
    if (status != CORVAN_OK) return library_refused(error, false);
    SpectrumReport report;
    report.input = q.ion.mass ? std::to_string(*q.ion.mass) : q.ion.text;
    report.kind = kind_name(q.ion.kind);
    report.part = q.part;
    if (q.part != SpectrumPart::fine) report.resolution = q.resolution + " " + q.analyzer;
    corvan_spectrum_get(spectrum.get(), &report.view);
    if (report.view.profile_count > kMaxServedProfilePoints)
        return {422,
                query_error_json(QueryError{
                    "the profile has " + std::to_string(report.view.profile_count) +
                    " points, more than this server's " + std::to_string(kMaxServedProfilePoints) +
                    ": ask for a narrower mz_low..mz_high or a lower resolution"})};
    return {200, spectrum_json(report)};
}

} // namespace cli
