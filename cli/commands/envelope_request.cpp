// One envelope request, read from options or a query, and its JSON.
#include "commands/envelope_request.hpp"

#include <cmath>

namespace cli {

namespace {

struct OptionsDeleter {
    void operator()(corvan_options *o) const noexcept { corvan_options_free(o); }
};
using Options = std::unique_ptr<corvan_options, OptionsDeleter>;

EnvelopeFailure failure_of(const corvan_error &error) {
    return {error.status, error.position, error.message};
}

// Charge, adduct, labels and limits, each checked by the library.
std::optional<EnvelopeFailure> build_options(const EnvelopeRequest &request, Options &options) {
    options.reset(corvan_options_create());
    if (!options) return EnvelopeFailure{CORVAN_E_MEMORY, -1, "out of memory"};
    corvan_error error{};
    const char *adduct = request.adduct.empty() ? nullptr : request.adduct.c_str();
    if (corvan_options_set_charge(options.get(), request.charge, adduct, &error) != CORVAN_OK)
        return failure_of(error);
    for (const std::string &label : request.labels)
        if (corvan_options_parse_label(options.get(), label.c_str(), &error) != CORVAN_OK)
            return failure_of(error);
    if (corvan_options_set_limits(options.get(), request.max_points, request.min_intensity,
                                  &error) != CORVAN_OK)
        return failure_of(error);
    return std::nullopt;
}

std::optional<EnvelopeFailure> make_molecule(const EnvelopeRequest &request, Envelope &envelope) {
    corvan_error error{};
    corvan_molecule *molecule = nullptr;
    const int status =
        request.mass ? corvan_molecule_from_mass(request.kind, *request.mass, &molecule, &error)
        : request.peptidoform != std::string::npos
            ? corvan_peptidoform_parse(request.text.c_str(), request.peptidoform, &molecule, &error)
            : corvan_molecule_parse(request.kind, request.text.c_str(), &molecule, &error);
    envelope.molecule.reset(molecule);
    if (status != CORVAN_OK) return failure_of(error);
    return std::nullopt;
}

void describe_molecule(Envelope &envelope) {
    std::size_t count = 0;
    corvan_molecule_atoms(envelope.molecule.get(), nullptr, 0, &count);
    envelope.atoms.resize(count);
    corvan_molecule_atoms(envelope.molecule.get(), envelope.atoms.data(), count, &count);
    std::size_t length = 0;
    corvan_molecule_formula(envelope.molecule.get(), nullptr, 0, &length);
    envelope.formula.assign(length + 1, '\0');
    corvan_molecule_formula(envelope.molecule.get(), envelope.formula.data(), length + 1, &length);
    envelope.formula.resize(length);
}

nlohmann::ordered_json number_or_null(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

// Whole counts as integers ("C": 6), fractional ones (by mass) as reals.
nlohmann::ordered_json count_json(double count) {
    if (count == std::floor(count) && std::fabs(count) < 9e15)
        return nlohmann::ordered_json(static_cast<long long>(count));
    return nlohmann::ordered_json(count);
}

nlohmann::ordered_json points_json(const Envelope &envelope) {
    nlohmann::ordered_json points = nlohmann::ordered_json::array();
    const corvan_points &p = envelope.points;
    for (std::size_t i = 0; i < p.count; ++i) {
        const int k = p.neutrons[i];
        nlohmann::ordered_json point = {{"k", k},
                                        {"peak", peak_name(k)},
                                        {"share", p.shares[i]},
                                        {"intensity", p.intensities[i]},
                                        {"mass", number_or_null(p.masses[i])}};
        if (p.mz != nullptr) point["mz"] = number_or_null(p.mz[i]);
        points.push_back(std::move(point));
    }
    return points;
}

} // namespace

EnvelopeOutcome compute_envelope(const EnvelopeRequest &request) {
    EnvelopeOutcome outcome;
    Options options;
    if (auto failure = build_options(request, options)) {
        outcome.failure = failure;
        return outcome;
    }
    Envelope envelope;
    if (auto failure = make_molecule(request, envelope)) {
        outcome.failure = failure;
        return outcome;
    }
    corvan_error error{};
    corvan_distribution *distribution = nullptr;
    const int status =
        corvan_distribution_compute(envelope.molecule.get(), options.get(), &distribution, &error);
    envelope.distribution.reset(distribution);
    if (status != CORVAN_OK) {
        outcome.failure = failure_of(error);
        return outcome;
    }
    corvan_distribution_points(distribution, &envelope.points);
    corvan_distribution_summary(distribution, &envelope.summary);
    corvan_distribution_most_abundant(distribution, &envelope.most_abundant);
    describe_molecule(envelope);
    outcome.envelope = std::move(envelope);
    return outcome;
}

std::string peak_name(int k) {
    return k == 0 ? "M" : k > 0 ? "M+" + std::to_string(k) : "M" + std::to_string(k);
}

namespace {

// Each molecule kind with the name the command line, the page and JSON use.
struct KindName {
    corvan_kind kind;
    const char *name;
};
constexpr KindName kKindNames[] = {{CORVAN_KIND_FORMULA, "formula"},
                                   {CORVAN_KIND_PEPTIDE, "peptide"},
                                   {CORVAN_KIND_RNA, "rna"},
                                   {CORVAN_KIND_DNA, "dna"}};

} // namespace

const char *kind_name(corvan_kind kind) {
    for (const KindName &entry : kKindNames)
        if (entry.kind == kind) return entry.name;
    return "unknown";
}

std::optional<corvan_kind> kind_named(const std::string &name) {
    for (const KindName &entry : kKindNames)
        if (name == entry.name) return entry.kind;
    return std::nullopt;
}

nlohmann::ordered_json envelope_json(const EnvelopeRequest &request, const Envelope &envelope) {
    nlohmann::ordered_json atoms = nlohmann::ordered_json::object();
    for (const corvan_atom_count &atom : envelope.atoms)
        atoms[atom.symbol] = count_json(atom.count);
    const corvan_summary &summary = envelope.summary;
    nlohmann::ordered_json json = {
        {"kind", kind_name(request.kind)},
        {"input", request.mass ? nlohmann::ordered_json{{"mass", *request.mass}}
                               : nlohmann::ordered_json{{"text", request.text}}},
        {"formula", envelope.formula},
        {"atoms", atoms},
        {"charge", summary.charge},
        {"adduct", summary.charge == 0      ? nlohmann::ordered_json(nullptr)
                   : request.adduct.empty() ? nlohmann::ordered_json("H+")
                                            : nlohmann::ordered_json(request.adduct)},
        {"labels", request.labels},
        {"monoisotopic_mass", summary.monoisotopic_mass},
        {"average_mass", summary.average_mass},
    };
    if (summary.charge != 0) json["monoisotopic_mz"] = summary.monoisotopic_mz;
    json["most_abundant"] = summary.most_abundant;
    json["most_abundant_mass"] = number_or_null(envelope.most_abundant.mass);
    if (summary.charge != 0) json["most_abundant_mz"] = number_or_null(envelope.most_abundant.mz);
    json["points"] = points_json(envelope);
    return json;
}

nlohmann::ordered_json failure_json(const EnvelopeFailure &failure) {
    return {{"error", failure.message},
            {"status", corvan_status_name(failure.status)},
            {"position", failure.position >= 0 ? nlohmann::ordered_json(failure.position)
                                               : nlohmann::ordered_json(nullptr)}};
}

} // namespace cli
