// Speed at stated accuracy: corvan's calls against IsoSpec (compare_peers)
// or OpenMS's coarse generator (compare_openms, a separate process since
// OpenMS carries its own copy of IsoSpec's symbols) on the same
// molecules (tryptic peptides and 30-100 kDa proteins of E. coli). The
// contenders run interleaved in rounds, so that drift of the machine falls
// on all of them alike; each one's error is the largest difference, over
// its molecules and points, from an exact distribution, with heights
// scaled to a base peak of 1.
//
// IsoSpec is given the same isotope shares as corvan and integer nominal
// masses, so that its unit bins are the peaks of corvan's grid.
//
// OpenMS uses its own element tables, so part of its error is a difference
// of isotope data rather than of method.
//
// Usage: compare_peers [rounds]   (compare_openms likewise)
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#if defined(CORVAN_COMPARE_ISOSPEC)
#include <IsoSpec++/fixedEnvelopes.h>
#include <IsoSpec++/isoSpec++.h>
#endif
#if defined(CORVAN_COMPARE_OPENMS)
#include <OpenMS/CHEMISTRY/EmpiricalFormula.h>
#include <OpenMS/CHEMISTRY/ISOTOPEDISTRIBUTION/CoarseIsotopePatternGenerator.h>
#endif

#include "corvan.h"
#include "exact_reference.hpp"
#include "proteome.hpp"

namespace {

using Heights = std::vector<double>; // peak-scaled, index = extra neutrons

struct Molecule {
    std::string sequence;
    std::array<int, 5> counts;
    Heights exact;
};

struct Contender {
    std::string name;
    std::function<Heights(const Molecule &)> run;
    double seconds = 0;
    double worst_error = 0;
};

Heights scaled(std::vector<double> values) {
    const double peak = *std::max_element(values.begin(), values.end());
    for (auto &v : values) v /= peak;
    return values;
}

Heights from_floats(const std::vector<float> &out) {
    return Heights(out.begin(), out.end()); // already scaled to peak 1
}

#if defined(CORVAN_COMPARE_ISOSPEC)
// Isotope tables of C, H, N, O, S with masses at their nominal steps.
struct NominalElements {
    int isotopes[5] = {};
    std::vector<double> masses[5], shares[5];
    NominalElements() {
        const int z[5] = {6, 1, 7, 8, 16};
        for (int e = 0; e < 5; ++e) {
            int first = 0;
            while (isotope_numbers[first] != z[e]) ++first;
            for (int row = first; row < 313 && isotope_numbers[row] == z[e]; ++row) {
                masses[e].push_back(std::round(isotope_masses[row]));
                shares[e].push_back(isotope_abundances[row]);
            }
            isotopes[e] = static_cast<int>(masses[e].size());
        }
    }
};

const NominalElements &nominal() {
    static const NominalElements elements;
    return elements;
}

IsoSpec::Iso iso_of(const Molecule &m) {
    const auto &el = nominal();
    const double *masses[5], *shares[5];
    for (int e = 0; e < 5; ++e) {
        masses[e] = el.masses[e].data();
        shares[e] = el.shares[e].data();
    }
    return IsoSpec::Iso(5, el.isotopes, m.counts.data(), masses, shares);
}

double lightest_mass(const Molecule &m) {
    const auto &el = nominal();
    double mass = 0;
    for (int e = 0; e < 5; ++e) mass += m.counts[e] * el.masses[e][0];
    return mass;
}

Heights isospec_binned(const Molecule &m, double total_prob, std::size_t length) {
    auto envelope = IsoSpec::FixedEnvelope::Binned(iso_of(m), total_prob, 1.0, 0.0);
    const double base = lightest_mass(m);
    std::vector<double> heights(length, 0.0);
    for (std::size_t i = 0; i < envelope.confs_no(); ++i) {
        const long k = std::lround(envelope.mass(i) - base);
        if (k >= 0 && static_cast<std::size_t>(k) < length) heights[k] += envelope.prob(i);
    }
    return scaled(heights);
}

Heights isospec_layered(const Molecule &m, double total_prob, std::size_t length) {
    IsoSpec::IsoLayeredGenerator generator(iso_of(m), 1000, 1000, true, total_prob);
    const double base = lightest_mass(m);
    std::vector<double> heights(length, 0.0);
    double collected = 0;
    while (collected < total_prob && generator.advanceToNextConfiguration()) {
        const double p = generator.prob();
        collected += p;
        const long k = std::lround(generator.mass() - base);
        if (k >= 0 && static_cast<std::size_t>(k) < length) heights[k] += p;
    }
    return scaled(heights);
}

#endif

double error_of(const Heights &got, const Heights &exact) {
    double worst = 0;
    for (std::size_t i = 0; i < exact.size(); ++i) {
        const double g = i < got.size() ? got[i] : 0.0;
        worst = std::max(worst, std::abs(g - exact[i]));
    }
    return worst;
}

std::vector<Molecule> molecules_of(const std::vector<std::string> &sequences, std::size_t length) {
    const auto patterns = reference::table_patterns();
    std::vector<Molecule> molecules;
    for (const auto &s : sequences) {
        Molecule m{s, bench::composition(s), {}};
        m.exact = scaled(reference::distribution(m.counts.data(), length, patterns));
        molecules.push_back(std::move(m));
    }
    return molecules;
}

void compare(const char *title, const std::vector<Molecule> &molecules,
             std::vector<Contender> contenders, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        for (auto &c : contenders) {
            const auto start = std::chrono::steady_clock::now();
            for (const auto &m : molecules) {
                const Heights got = c.run(m);
                if (round == 0) c.worst_error = std::max(c.worst_error, error_of(got, m.exact));
            }
            c.seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    }
    std::printf("\n%s (%zu molecules, %d rounds)\n", title, molecules.size(), rounds);
    std::printf("%-44s %12s %14s\n", "contender", "us per call", "max error");
    const double calls = static_cast<double>(molecules.size()) * rounds;
    for (const auto &c : contenders)
        std::printf("%-44s %12.2f %14.3g\n", c.name.c_str(), 1e6 * c.seconds / calls,
                    c.worst_error);
}

template <float (*Call)(const char *, float *, int, int)>
Contender corvan_sequence_call(const std::string &name, int n) {
    return {name, [n](const Molecule &m) {
                std::vector<float> out(n);
                Call(m.sequence.c_str(), out.data(), n, 0);
                return from_floats(out);
            }};
}

template <float (*Engine)(const int *, int, float *)>
Contender corvan_engine(const std::string &name, int n) {
    return {name, [n](const Molecule &m) {
                std::vector<float> out(n);
                const float peak = Engine(m.counts.data(), n, out.data());
                Heights heights(out.begin(), out.end());
                for (auto &h : heights) h /= peak;
                return heights;
            }};
}

#if defined(CORVAN_COMPARE_ISOSPEC)
std::string labelled(const char *kind, double p) {
    char label[64];
    std::snprintf(label, sizeof label, "IsoSpec %s, total prob %.10g", kind, p);
    return label;
}

Contender binned(double p, std::size_t length) {
    return {labelled("binned", p),
            [p, length](const Molecule &m) { return isospec_binned(m, p, length); }};
}

Contender layered(double p, std::size_t length) {
    return {labelled("layered", p),
            [p, length](const Molecule &m) { return isospec_layered(m, p, length); }};
}

#endif

#if defined(CORVAN_COMPARE_OPENMS)
std::string formula_of(const Molecule &m) {
    const char *symbols[5] = {"C", "H", "N", "O", "S"};
    std::string formula;
    for (int e = 0; e < 5; ++e)
        if (m.counts[e] > 0) formula += symbols[e] + std::to_string(m.counts[e]);
    return formula;
}

Contender openms_coarse(std::size_t length) {
    return {"OpenMS coarse generator", [length](const Molecule &m) {
                static thread_local OpenMS::CoarseIsotopePatternGenerator generator(length);
                generator.setMaxIsotope(length);
                const auto distribution = generator.run(OpenMS::EmpiricalFormula(formula_of(m)));
                std::vector<double> heights(length, 0.0);
                for (std::size_t i = 0; i < distribution.size() && i < length; ++i)
                    heights[i] = distribution[i].getIntensity();
                return scaled(heights);
            }};
}
#endif

// The corvan contenders followed by the peers built in: IsoSpec binned at
// three total probabilities and layered at the finer two, OpenMS coarse.
std::vector<Contender> with_peers(std::vector<Contender> contenders,
                                  [[maybe_unused]] const std::array<double, 3> &total_probs,
                                  [[maybe_unused]] std::size_t length) {
#if defined(CORVAN_COMPARE_ISOSPEC)
    for (const double p : total_probs) contenders.push_back(binned(p, length));
    for (const double p : {total_probs[1], total_probs[2]})
        contenders.push_back(layered(p, length));
#endif
#if defined(CORVAN_COMPARE_OPENMS)
    contenders.push_back(openms_coarse(length));
#endif
    return contenders;
}

} // namespace

int main(int argc, char **argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const auto proteome = bench::read_fasta(bench::default_proteome_path());
    if (proteome.empty()) {
        std::fprintf(stderr, "cannot read %s\n", bench::default_proteome_path().c_str());
        return 1;
    }
    auto peptides = bench::tryptic_peptides(proteome);
    std::vector<std::string> sample;
    for (std::size_t i = 0; i < peptides.size() && sample.size() < 2000; i += 7)
        sample.push_back(peptides[i]);
    auto proteins = bench::proteins_between(proteome, 30000, 100000);
    if (proteins.size() > 60) proteins.resize(60);

    const auto peptide_set = molecules_of(sample, 64);
    compare(
        "Tryptic peptides, 64 points", peptide_set,
        with_peers({corvan_sequence_call<fft_pep_seq_to_dist>("corvan fft_pep_seq_to_dist", 64),
                    corvan_sequence_call<brain_pep_seq_to_dist>("corvan brain_pep_seq_to_dist", 64),
                    corvan_sequence_call<nn_pep_seq_to_dist>("corvan nn_pep_seq_to_dist", 64)},
                   {0.9999, 0.999999, 0.99999999}, 64),
        rounds);

    const auto protein_set = molecules_of(proteins, 1024);
    compare(
        "30-100 kDa proteins, 1024 points", protein_set,
        with_peers({corvan_engine<fft_list_to_dist>("corvan fft_list_to_dist (N=1024)", 1024),
                    corvan_engine<brain_list_to_dist>("corvan brain_list_to_dist (N=1024)", 1024)},
                   {0.999, 0.99999, 0.9999999}, 1024),
        std::max(1, rounds / 2));
    return 0;
}
