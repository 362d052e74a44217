// Ions with the mass and m/z of every point: corvan's molecule layer against
// IsoSpec's fine structure summed into the same points (Debian's
// libisospec++-dev; compare_envelopes) or OpenMS's coarse generator with
// exact masses (libopenms-dev; compare_envelopes_openms, its own process
// since OpenMS carries IsoSpec's symbols), interleaved in rounds.
//
//   compare_envelopes [rounds]
//
// Molecules: E. coli tryptic peptides as [M+2H]2+ and 45-55 kDa proteins as
// [M+20H]20+. Error: the largest difference of peak-scaled heights, and of
// the mean masses of points above 1e-4 of the highest, against the exact
// enumeration (peptides) or corvan's own result (proteins; the test suite
// checks those against IsoSpec at 1e-7 of the peak).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#if defined(CORVAN_COMPARE_ISOSPEC)
#include <IsoSpec++/isoSpec++.h>
#endif
#if defined(CORVAN_COMPARE_OPENMS)
#include <OpenMS/CHEMISTRY/EmpiricalFormula.h>
#include <OpenMS/CHEMISTRY/ISOTOPEDISTRIBUTION/CoarseIsotopePatternGenerator.h>
#endif

#include "corvan.h"
#include "envelope_reference.hpp"
#include "points.hpp"
#include "proteome.hpp"

namespace {

using bench::Points;

struct Molecule {
    std::string formula; // the neutral molecule; the ion adds `charge` protons
    int charge;
    Points reference;
};

struct Contender {
    std::string name;
    std::function<Points(const Molecule &)> run;
    double seconds = 0, height_error = 0, mass_error = 0;
};

std::string formula_of(const std::array<int, 5> &c) {
    return "C" + std::to_string(c[0]) + "H" + std::to_string(c[1]) + "N" + std::to_string(c[2]) +
           "O" + std::to_string(c[3]) + "S" + std::to_string(c[4]);
}

Points scaled(std::vector<double> shares, std::vector<double> masses) {
    const double top = *std::max_element(shares.begin(), shares.end());
    for (auto &s : shares) s /= top;
    return {shares, masses};
}

// Parse, compute the ion with masses and m/z, read them: the whole route.
Points corvan_run(const Molecule &m, corvan_options *options) {
    return bench::formula_points(m.formula, options, [](double mz) { return mz; });
}

#if defined(CORVAN_COMPARE_ISOSPEC)
// IsoSpec's layered generator to `total` probability, configurations summed
// into points by their extra neutrons, with mean m/z per point.
Points isospec_points(const Molecule &m, double total) {
    static const int z[5] = {6, 1, 7, 8, 16};
    static const auto tables = [] {
        std::vector<std::vector<envelope_reference::Isotope>> t;
        for (int e : z) t.push_back(envelope_reference::isotopes(e, {}));
        return t;
    }();
    int counts[5], sizes[5];
    std::sscanf(m.formula.c_str(), "C%dH%dN%dO%dS%d", &counts[0], &counts[1], &counts[2],
                &counts[3], &counts[4]);
    counts[1] += m.charge; // the protons' atoms
    std::vector<double> masses[5], shares[5];
    const double *mass_rows[5], *share_rows[5];
    for (int e = 0; e < 5; ++e) {
        for (const auto &i : tables[e]) {
            masses[e].push_back(static_cast<double>(i.mass));
            shares[e].push_back(static_cast<double>(i.share));
        }
        sizes[e] = static_cast<int>(masses[e].size());
        mass_rows[e] = masses[e].data(), share_rows[e] = shares[e].data();
    }
    IsoSpec::IsoLayeredGenerator generator(IsoSpec::Iso(5, sizes, counts, mass_rows, share_rows),
                                           1000, 1000, true, total);
    int signature[16];
    std::vector<double> sum(4096, 0), moment(4096, 0);
    double collected = 0;
    std::size_t last = 0;
    while (collected < total && generator.advanceToNextConfiguration()) {
        generator.get_conf_signature(signature);
        std::size_t k = 0, slot = 0;
        for (int e = 0; e < 5; ++e)
            for (const auto &i : tables[e])
                k += static_cast<std::size_t>(signature[slot++] *
                                              (i.mass_number - tables[e].front().mass_number));
        const double p = generator.prob();
        collected += p;
        sum[k] += p, moment[k] += p * generator.mass();
        last = std::max(last, k);
    }
    sum.resize(last + 1), moment.resize(last + 1);
    std::vector<double> mz(last + 1);
    for (std::size_t k = 0; k <= last; ++k)
        mz[k] =
            sum[k] > 0 ? (moment[k] / sum[k] - m.charge * CORVAN_ELECTRON_MASS) / m.charge : NAN;
    return scaled(sum, mz);
}

#endif

#if defined(CORVAN_COMPARE_OPENMS)
// OpenMS's coarse generator with unrounded masses: `length` points of the
// ion's atoms (the molecule plus the protons), m/z from their masses.
Points openms_points(const Molecule &m, std::size_t length) {
    static thread_local OpenMS::CoarseIsotopePatternGenerator generator(length, false);
    generator.setMaxIsotope(length);
    int counts[5];
    std::sscanf(m.formula.c_str(), "C%dH%dN%dO%dS%d", &counts[0], &counts[1], &counts[2],
                &counts[3], &counts[4]);
    const std::string ion = "C" + std::to_string(counts[0]) + "H" +
                            std::to_string(counts[1] + m.charge) + "N" + std::to_string(counts[2]) +
                            "O" + std::to_string(counts[3]) + "S" + std::to_string(counts[4]);
    const auto distribution = generator.run(OpenMS::EmpiricalFormula(ion));
    std::vector<double> shares, mz;
    for (std::size_t i = 0; i < distribution.size(); ++i) {
        shares.push_back(distribution[i].getIntensity());
        mz.push_back((distribution[i].getMZ() - m.charge * CORVAN_ELECTRON_MASS) / m.charge);
    }
    return scaled(shares, mz);
}
#endif

void score(Contender &c, const Points &got, const Points &want) {
    for (std::size_t k = 0; k < want.heights.size(); ++k) {
        const double h = k < got.heights.size() ? got.heights[k] : 0;
        c.height_error = std::max(c.height_error, std::fabs(h - want.heights[k]));
        if (want.heights[k] >= 1e-4 && k < got.masses.size())
            c.mass_error = std::max(c.mass_error, std::fabs(got.masses[k] - want.masses[k]));
    }
}

void run(const char *title, const std::vector<Molecule> &molecules,
         std::vector<Contender> contenders, int rounds) {
    for (int round = 0; round < rounds; ++round)
        for (Contender &c : contenders) {
            std::vector<Points> results;
            results.reserve(molecules.size());
            const auto start = std::chrono::steady_clock::now();
            for (const Molecule &m : molecules) results.push_back(c.run(m));
            c.seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (round == 0)
                for (std::size_t i = 0; i < molecules.size(); ++i)
                    score(c, results[i], molecules[i].reference);
        }
    std::printf("\n%s (%zu molecules, %d rounds)\n", title, molecules.size(), rounds);
    std::printf(
        "| contender | us/call | max height error | max m/z error (Th) |\n|---|---|---|---|\n");
    for (const Contender &c : contenders)
        std::printf("| %s | %.2f | %.1e | %.1e |\n", c.name.c_str(),
                    c.seconds * 1e6 / (static_cast<double>(molecules.size()) * rounds),
                    c.height_error, c.mass_error);
}

Points exact_points(const Molecule &m) {
    corvan_molecule *parsed = nullptr;
    const std::string ion = m.formula + " H" + std::to_string(m.charge);
    corvan_molecule_parse(CORVAN_KIND_FORMULA, ion.c_str(), &parsed, nullptr);
    std::size_t count = 0;
    corvan_molecule_atoms(parsed, nullptr, 0, &count);
    std::vector<corvan_atom_count> atoms(count);
    corvan_molecule_atoms(parsed, atoms.data(), count, &count);
    corvan_molecule_free(parsed);
    const auto poly = envelope_reference::distribution(atoms, {}, 40);
    std::vector<double> shares, mz;
    for (std::size_t k = 0; k < 40; ++k) {
        shares.push_back(static_cast<double>(poly.share[k]));
        mz.push_back(poly.share[k] > 0 ? (static_cast<double>(poly.moment[k] / poly.share[k]) -
                                          m.charge * CORVAN_ELECTRON_MASS) /
                                             m.charge
                                       : NAN);
    }
    return scaled(shares, mz);
}

} // namespace

int main(int argc, char **argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const auto proteome = bench::read_fasta(bench::default_proteome_path());
    corvan_options *ion2 = corvan_options_create(), *ion20 = corvan_options_create();
    corvan_options_set_charge(ion2, 2, nullptr, nullptr);
    corvan_options_set_charge(ion20, 20, nullptr, nullptr);

    std::vector<Molecule> peptides;
    for (const auto &sequence : bench::tryptic_peptides(proteome)) {
        if (peptides.size() == 2000) break;
        peptides.push_back({formula_of(bench::composition(sequence)), 2, {}});
        peptides.back().reference = exact_points(peptides.back());
    }
    std::vector<Contender> peptide_contenders = {
        {"corvan envelope (parse + ion + masses + m/z)",
         [&](const Molecule &m) { return corvan_run(m, ion2); }}};
#if defined(CORVAN_COMPARE_ISOSPEC)
    for (double total : {0.999, 0.99999, 0.9999999})
        peptide_contenders.push_back(
            {"IsoSpec layered, p = " + std::to_string(total).substr(0, 9),
             [total](const Molecule &m) { return isospec_points(m, total); }});
#endif
#if defined(CORVAN_COMPARE_OPENMS)
    for (std::size_t length : {8, 16})
        peptide_contenders.push_back(
            {"OpenMS coarse, " + std::to_string(length) + " points, exact masses",
             [length](const Molecule &m) { return openms_points(m, length); }});
#endif
    run("Tryptic peptides, [M+2H]2+", peptides, peptide_contenders, rounds);

    std::vector<Molecule> proteins;
    for (const auto &sequence : bench::proteins_between(proteome, 45000, 55000)) {
        if (proteins.size() == 30) break;
        proteins.push_back({formula_of(bench::composition(sequence)), 20, {}});
        proteins.back().reference = corvan_run(proteins.back(), ion20);
    }
    std::vector<Contender> protein_contenders = {
        {"corvan envelope", [&](const Molecule &m) { return corvan_run(m, ion20); }}};
#if defined(CORVAN_COMPARE_ISOSPEC)
    for (double total : {0.99, 0.999})
        protein_contenders.push_back(
            {"IsoSpec layered, p = " + std::to_string(total).substr(0, 5),
             [total](const Molecule &m) { return isospec_points(m, total); }});
#endif
#if defined(CORVAN_COMPARE_OPENMS)
    protein_contenders.push_back({"OpenMS coarse, 100 points, exact masses",
                                  [](const Molecule &m) { return openms_points(m, 100); }});
#endif
    run("45-55 kDa proteins, [M+20H]20+", proteins, protein_contenders, std::max(1, rounds / 3));
    corvan_options_free(ion2);
    corvan_options_free(ion20);
    return 0;
}
