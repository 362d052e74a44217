#include "fragments/fragment_ions.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "envelope/envelope.hpp"
#include "fragments/conditioned.hpp"
#include "fragments/ion_series.hpp"
#include "ion/adduct.hpp"

namespace corvan::fragments {

namespace {

Outcome argument(const std::string &message) {
    return Outcome::failure(CORVAN_E_ARGUMENT, message);
}

bool is_nucleic(int kind) {
    return kind == CORVAN_KIND_RNA || kind == CORVAN_KIND_DNA;
}

// The ion's atoms in one composition: what the complement is taken from.
chem::Composition whole(const ion::Ion &ion) {
    chem::Composition atoms = ion.molecule;
    atoms.add(ion.carriers, 1);
    return atoms;
}

// The charge of `atoms` with `charge` protons (gained, or lost when negative).
Outcome protonated(const chem::Composition &atoms, int charge, ion::Ion &ion) {
    return ion::ion_composition(atoms, charge, ion::proton(), ion);
}

// What the fragments of one molecule share: its isolated peaks, if any.
struct Isolation {
    int charge = 0;
    ion::Ion precursor;
    std::vector<int> peaks;
};

int precursor_charge(const Request &request, int text_charge) {
    if (request.precursor_charge != 0) return request.precursor_charge;
    if (text_charge != 0) return text_charge;
    return std::abs(request.min_charge) > std::abs(request.max_charge) ? request.min_charge
                                                                       : request.max_charge;
}

Outcome isolate(const Request &request, const Precursor &molecule, envelope::Workspace &workspace,
                Isolation &isolation) {
    isolation.charge = precursor_charge(request, molecule.charge);
    Outcome step = protonated(molecule.atoms, isolation.charge, isolation.precursor);
    envelope::Envelope envelope;
    if (step.ok())
        step = envelope::compute(isolation.precursor.molecule, &isolation.precursor.carriers,
                                 workspace, envelope);
    if (!step.ok()) return step;
    isolation.peaks =
        request.isolates_window
            ? peaks_in_window(envelope, isolation.charge, request.window_low, request.window_high)
            : request.isolated_peaks;
    double held = 0;
    for (int k : isolation.peaks) {
        const long index = k - envelope.first_neutrons;
        if (index >= 0 && index < static_cast<long>(envelope.shares.size()))
            held += envelope.shares[static_cast<std::size_t>(index)];
    }
    if (held > 0) return Outcome::success();
    return Outcome::failure(CORVAN_E_RANGE,
                            "the isolation holds none of the precursor's isotope peaks (its "
                            "points run from M" +
                                std::string(envelope.first_neutrons < 0 ? "" : "+") +
                                std::to_string(envelope.first_neutrons) + " over " +
                                std::to_string(envelope.shares.size()) + " peaks at charge " +
                                std::to_string(isolation.charge) + ")");
}

Outcome fragment_ion(const FragmentAtoms &fragment, int charge, envelope::Workspace &workspace,
                     const Isolation *isolation, FragmentIon &out) {
    ion::Ion ion;
    Outcome step = protonated(fragment.atoms, charge, ion);
    envelope::Envelope envelope;
    if (step.ok()) step = envelope::compute(ion.molecule, &ion.carriers, workspace, envelope);
    if (!step.ok()) return step;
    out.fragment = fragment;
    out.charge = charge;
    out.formula = chem::hill_formula(fragment.atoms);
    out.monoisotopic_mass = chem::monoisotopic_mass(fragment.atoms);
    out.monoisotopic_mz = ion::to_mz(chem::monoisotopic_mass(whole(ion)), charge);
    for (std::size_t i = 0; i < envelope.shares.size(); ++i) {
        out.neutrons.push_back(envelope.first_neutrons + static_cast<int>(i));
        out.mz.push_back(envelope.shares[i] > 0 ? ion::to_mz(envelope.masses[i], charge)
                                                : std::numeric_limits<double>::quiet_NaN());
    }
    out.shares = envelope.shares;
    out.masses = envelope.masses;
    if (isolation == nullptr) return Outcome::success();
    chem::Composition complement = whole(isolation->precursor);
    complement.add(whole(ion), -1);
    envelope::Envelope rest;
    step = envelope::compute(complement, nullptr, workspace, rest);
    if (!step.ok()) return step;
    out.conditioned = conditioned_shares(envelope, rest, isolation->peaks);
    return Outcome::success();
}

} // namespace

Outcome check(const Request &request) {
    if (request.types == 0 || (request.types & ~kAllSeries) != 0)
        return argument("no or unknown fragment ion types");
    if (request.min_charge == 0 || request.max_charge == 0 ||
        (request.min_charge < 0) != (request.max_charge < 0) ||
        request.min_charge > request.max_charge || std::abs(request.min_charge) > ion::kMaxCharge ||
        std::abs(request.max_charge) > ion::kMaxCharge)
        return argument("fragment charges must run from low to high, of one sign, without 0, "
                        "within 1000");
    if ((request.losses & ~kAllLosses) != 0) return argument("unknown neutral losses");
    if (std::abs(request.precursor_charge) > ion::kMaxCharge)
        return argument("precursor charge beyond 1000");
    if (request.precursor_charge != 0 && (request.precursor_charge < 0) != (request.min_charge < 0))
        return argument("the precursor's charge and the fragments' are of opposite signs");
    if (request.isolates_window && request.isolates_peaks)
        return argument("isolated peaks and an isolation window exclude each other");
    if (request.isolates_window &&
        !(std::isfinite(request.window_low) && std::isfinite(request.window_high) &&
          request.window_low < request.window_high))
        return argument("the isolation window must run from low to high m/z");
    if (request.kind != CORVAN_KIND_PEPTIDE && !is_nucleic(request.kind))
        return argument("fragments are of peptides, RNA and DNA");
    const unsigned allowed = is_nucleic(request.kind) ? kNucleicSeries : kPeptideSeries;
    if ((request.types & ~allowed) != 0)
        return Outcome::failure(CORVAN_E_UNSUPPORTED,
                                is_nucleic(request.kind)
                                    ? "nucleic acids give the series a-B, c, w and y"
                                    : "peptides give the series a, b, c, x, y, z and immonium");
    if (is_nucleic(request.kind) && request.losses != 0)
        return Outcome::failure(CORVAN_E_UNSUPPORTED, "neutral losses are for peptides");
    return Outcome::success();
}

Outcome compute(std::string_view text, const Request &request, std::vector<FragmentIon> &ions) {
    ions.clear();
    Outcome step = check(request);
    if (!step.ok()) return step;
    Precursor molecule;
    std::vector<FragmentAtoms> fragments;
    step = is_nucleic(request.kind)
               ? nucleic_fragments(text, request.kind == CORVAN_KIND_RNA, request.types, molecule,
                                   fragments)
               : peptide_fragments(text, request.types, request.losses, molecule, fragments);
    if (!step.ok()) return step;
    envelope::Workspace workspace{labels::LabelSet{}};
    std::optional<Isolation> isolation;
    if (request.isolates_peaks || request.isolates_window) {
        isolation.emplace();
        step = isolate(request, molecule, workspace, *isolation);
        if (!step.ok()) return step;
    }
    for (const FragmentAtoms &fragment : fragments) {
        for (int charge = request.min_charge; charge <= request.max_charge; ++charge) {
            if (fragment.series == CORVAN_ION_IMMONIUM && charge != 1) continue;
            if (isolation && std::abs(charge) > std::abs(isolation->charge)) continue;
            FragmentIon ion;
            step =
                fragment_ion(fragment, charge, workspace, isolation ? &*isolation : nullptr, ion);
            if (!step.ok()) return step;
            ions.push_back(std::move(ion));
        }
    }
    return Outcome::success();
}

} // namespace corvan::fragments
