// One isotope envelope as the command line and the web server ask for it:
// the request read from options or a query, computed through the library's
// validating entry points, and its JSON form (the same object for
// `corvan ... --format json` and `GET /api/distribution`).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "corvan.h"

namespace cli {

struct EnvelopeRequest {
    corvan_kind kind = CORVAN_KIND_FORMULA;
    std::string text;                // formula or sequence; empty when by mass
    std::optional<double> mass;      // average mass in Da, for a molecule by mass
    int charge = 0;                  // 0: neutral
    std::string adduct;              // "" for protons; "Na+", "NH4+", "Cl-", "Fe:z+2"
    std::vector<std::string> labels; // "15N=0.98"
    int max_points = 0;              // 0: every point
    double min_intensity = 0;        // relative to the highest point
    // "exact" (this layer), or a fixed call's engine ("fft", "brain", "nn",
    // "fit") for peptides and RNA by sequence or mass; the web server's
    // query carries it, the command line picks its path before.
    std::string engine = "exact";
    // Which peptidoform of a chimeric ProForma text ("A/2+B/3"); npos: the
    // text's only one.
    std::size_t peptidoform = std::string::npos;
};

struct DistributionDeleter {
    void operator()(corvan_distribution *d) const noexcept { corvan_distribution_free(d); }
};
struct MoleculeDeleter {
    void operator()(corvan_molecule *m) const noexcept { corvan_molecule_free(m); }
};

struct Envelope {
    std::unique_ptr<corvan_molecule, MoleculeDeleter> molecule;
    std::unique_ptr<corvan_distribution, DistributionDeleter> distribution;
    corvan_points points{};
    corvan_summary summary{};
    corvan_most_abundant most_abundant{};
    std::vector<corvan_atom_count> atoms; // the molecule's, Hill order
    std::string formula;                  // the molecule's, Hill order
};

struct EnvelopeFailure {
    int status;    // corvan_status
    long position; // byte offset in the text, or -1
    std::string message;
};

// Either the envelope or why not; nothing is printed.
struct EnvelopeOutcome {
    std::optional<Envelope> envelope;
    std::optional<EnvelopeFailure> failure;
};

EnvelopeOutcome compute_envelope(const EnvelopeRequest &request);

// "M", "M+2", "M-1": point k, numbered from the monoisotopic composition.
std::string peak_name(int k);

// "formula", "peptide", "rna", "dna"; and back (nothing for other names).
const char *kind_name(corvan_kind kind);
std::optional<corvan_kind> kind_named(const std::string &name);

// Keys: "input" (text or mass), "kind", "formula", "atoms" (symbol -> count,
// isotopes as "13C"), "charge", "adduct", "labels", "monoisotopic_mass",
// "average_mass" (neutral molecule, Da), "monoisotopic_mz" (ions),
// "most_abundant" (index into points), "most_abundant_mass" (the ion's
// mean mass in that point, Da), "most_abundant_mz" (ions), "points":
// [{"k" (may be negative), "peak" ("M+k", "M-k"),
// "share", "intensity", "mass", "mz" (ions)}]. NaN masses are null.
nlohmann::ordered_json envelope_json(const EnvelopeRequest &request, const Envelope &envelope);

// {"error": message, "status": name, "position": offset or null}
nlohmann::ordered_json failure_json(const EnvelopeFailure &failure);

} // namespace cli
