// Fine structure, profiles and their speed: corvan's spectrum calls against
// IsoSpec (Debian's libisospec++-dev) on E. coli tryptic peptides, natural
// and 15N-labelled (0.98), given the same isotope table.
//
// Fine structure: thresholds 1e-3 and 1e-6 (relative to the most probable
// composition) and coverages 0.999 and 0.99999. Each side's peaks are
// compared by m/z: the number of peaks, the largest difference in
// probability (relative to the highest) and in mass. Times are processor
// time per peptide, each side's whole batch timed at once, the fastest of
// three rounds.
//
// Profiles at R = 120000@200 (Orbitrap): each peptide as [M+2H]2+, and the
// proteins of 45-55 kDa as [M+30H]30+, against IsoSpec's fine structure
// (threshold 1e-10 for peptides, total probability 0.999999 for proteins)
// summed with the same Gaussian on the same grid; each molecule's fastest
// of three rounds per side.
//
// Usage: compare_fine [peptides] [proteins] [corvan [row]]
// With "corvan" only corvan's side runs, once, and nothing is compared: for
// counting its instructions (valgrind --tool=callgrind), which a shared
// machine's load does not change. With "dump" instead of "corvan", corvan's
// side also prints every peak exactly (hexadecimal), for checking that a
// change of the enumeration leaves each peak as it was.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include <IsoSpec++/fixedEnvelopes.h>
#include <IsoSpec++/isoSpec++.h>

#include "corvan.h"
#include "proteome.hpp"

namespace {

// Processor time of this process: on a shared machine, the other programs'
// load does not count.
double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// C, H, N, O, S as the isotope table gives them (shares normalised to 1),
// with an optional 15N share.
struct Table {
    int sizes[5] = {};
    std::vector<double> masses[5], shares[5];
    explicit Table(double n15) {
        const int z[5] = {6, 1, 7, 8, 16};
        for (int e = 0; e < 5; ++e) {
            double total = 0;
            for (int row = 0; row < CORVAN_ISOTOPE_COUNT; ++row)
                if (isotope_numbers[row] == z[e]) {
                    masses[e].push_back(isotope_masses[row]);
                    shares[e].push_back(isotope_abundances[row]);
                    total += isotope_abundances[row];
                }
            for (double &s : shares[e]) s /= total;
            sizes[e] = static_cast<int>(masses[e].size());
        }
        if (n15 > 0) shares[2] = {1 - n15, n15};
    }
    IsoSpec::Iso iso(const std::array<int, 5> &counts) const {
        const double *m[5], *s[5];
        for (int e = 0; e < 5; ++e) m[e] = masses[e].data(), s[e] = shares[e].data();
        return IsoSpec::Iso(5, sizes, counts.data(), m, s);
    }
};

struct Peaks {
    std::vector<double> mz, p;
};

Peaks sorted(const double *mz, const double *p, std::size_t n) {
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return mz[a] < mz[b]; });
    Peaks out;
    for (std::size_t i : order) out.mz.push_back(mz[i]), out.p.push_back(p[i]);
    return out;
}

struct Comparison {
    std::size_t molecules = 0, peaks = 0, count_mismatch = 0, ties = 0;
    double worst_p = 0, worst_mass = 0, corvan_s = 0, isospec_s = 0;
};

// Peaks matched by m/z (within 1e-6). A peak one side lists and the other
// does not counts as a tie when the other lists one of equal probability
// (within 1e-9 of the highest) instead: at a threshold's or coverage's
// edge either is right.
void compare(const Peaks &a, const Peaks &b, Comparison &c) {
    c.peaks += a.mz.size();
    if (a.mz.size() != b.mz.size()) {
        ++c.count_mismatch;
        return;
    }
    const double top = *std::max_element(a.p.begin(), a.p.end());
    std::vector<double> only_a, only_b;
    std::size_t i = 0, j = 0;
    while (i < a.mz.size() || j < b.mz.size()) {
        if (i < a.mz.size() && j < b.mz.size() && std::fabs(a.mz[i] - b.mz[j]) < 1e-6) {
            c.worst_p = std::max(c.worst_p, std::fabs(a.p[i] - b.p[j]) / top);
            c.worst_mass = std::max(c.worst_mass, std::fabs(a.mz[i] - b.mz[j]));
            ++i, ++j;
        } else if (j == b.mz.size() || (i < a.mz.size() && a.mz[i] < b.mz[j])) {
            only_a.push_back(a.p[i++]);
        } else {
            only_b.push_back(b.p[j++]);
        }
    }
    std::sort(only_a.begin(), only_a.end());
    std::sort(only_b.begin(), only_b.end());
    for (std::size_t k = 0; k < only_a.size(); ++k) {
        if (std::fabs(only_a[k] - only_b[k]) > 1e-9 * top) {
            ++c.count_mismatch;
            return;
        }
    }
    c.ties += only_a.size();
}

int rounds = 3;
bool corvan_only = false;
bool dump = false;

struct Setting {
    const char *name;
    int mode;
    double value;
};

struct Peptide {
    corvan_molecule *molecule;
    std::array<int, 5> counts;
};

void fine_row(const std::vector<Peptide> &peptides, const Setting &s, double n15) {
    corvan_options *options = corvan_options_create();
    if (n15 > 0) corvan_options_set_label(options, "15N", n15, nullptr);
    corvan_spectrum_settings settings;
    corvan_spectrum_defaults(&settings);
    settings.fine_mode = s.mode;
    settings.fine_value = s.value;
    settings.max_peaks = 10000000;
    const Table table(n15);
    Comparison c;
    // Each side's batch runs rounds times; its fastest round counts, and
    // the last round's results are compared.
    std::vector<corvan_spectrum *> spectra(peptides.size(), nullptr);
    std::vector<IsoSpec::FixedEnvelope> envelopes;
    c.corvan_s = 1e300;
    c.isospec_s = corvan_only ? 0 : 1e300;
    for (int round = 0; round < rounds; ++round) {
        for (corvan_spectrum *&spectrum : spectra)
            corvan_spectrum_free(std::exchange(spectrum, nullptr));
        double start = cpu_seconds();
        for (std::size_t i = 0; i < peptides.size(); ++i)
            corvan_fine_structure(peptides[i].molecule, options, &settings, &spectra[i], nullptr,
                                  nullptr);
        c.corvan_s = std::min(c.corvan_s, cpu_seconds() - start);
        if (corvan_only) continue;
        envelopes.clear();
        envelopes.reserve(peptides.size());
        start = cpu_seconds();
        for (const Peptide &pep : peptides)
            envelopes.push_back(
                s.mode == CORVAN_FINE_THRESHOLD
                    ? IsoSpec::FixedEnvelope::FromThreshold(table.iso(pep.counts), s.value, false)
                    : IsoSpec::FixedEnvelope::FromTotalProb(table.iso(pep.counts), s.value, true));
        c.isospec_s = std::min(c.isospec_s, cpu_seconds() - start);
    }
    for (std::size_t i = 0; i < peptides.size(); ++i) {
        corvan_spectrum_view v;
        corvan_spectrum_get(spectra[i], &v);
        c.peaks += corvan_only ? v.fine_count : 0;
        for (std::size_t k = 0; dump && k < v.fine_count; ++k)
            std::printf("%zu %a %a\n", i, v.fine_mz[k], v.fine_probability[k]);
        if (!corvan_only)
            compare(sorted(v.fine_mz, v.fine_probability, v.fine_count),
                    sorted(envelopes[i].masses(), envelopes[i].probs(), envelopes[i].confs_no()),
                    c);
        ++c.molecules;
        corvan_spectrum_free(spectra[i]);
    }
    std::printf("| %-16s | %-9s | %8zu | %8.1f | %5zu | %4zu | %9.1e | %9.1e | %8.2f | %8.2f | "
                "%5.2f |\n",
                s.name, n15 > 0 ? "15N 0.98" : "natural", c.molecules,
                static_cast<double>(c.peaks) / static_cast<double>(c.molecules), c.count_mismatch,
                c.ties, c.worst_p, c.worst_mass,
                1e6 * c.corvan_s / static_cast<double>(c.molecules),
                1e6 * c.isospec_s / static_cast<double>(c.molecules), c.isospec_s / c.corvan_s);
    corvan_options_free(options);
}

// IsoSpec's fine structure as an ion, summed as Gaussians on the grid.
std::vector<double> summed(const IsoSpec::FixedEnvelope &e, int charge,
                           const std::vector<double> &grid, const corvan_resolution &r) {
    std::vector<double> out(grid.size(), 0.0);
    const double step = grid[1] - grid[0];
    for (std::size_t i = 0; i < e.confs_no(); ++i) {
        const double mz = (e.masses()[i] - charge * CORVAN_ELECTRON_MASS) / charge;
        double w = 0;
        corvan_resolution_fwhm(&r, mz, &w, nullptr);
        const double reach = 3 * w, rate = 4 * std::log(2.0) / (w * w);
        const long first = std::max(0L, static_cast<long>((mz - reach - grid[0]) / step));
        const long last = std::min(static_cast<long>(grid.size()) - 1,
                                   static_cast<long>((mz + reach - grid[0]) / step));
        for (long k = first; k <= last; ++k) {
            const double x = grid[static_cast<std::size_t>(k)] - mz;
            out[static_cast<std::size_t>(k)] += e.probs()[i] * std::exp(-rate * x * x);
        }
    }
    return out;
}

void profile_row(const char *name, const std::vector<std::string> &sequences, int charge,
                 bool by_threshold) {
    corvan_options *options = corvan_options_create();
    corvan_options_set_charge(options, charge, nullptr, nullptr);
    corvan_spectrum_settings settings;
    corvan_spectrum_defaults(&settings);
    const Table table(0);
    double corvan_s = 0, isospec_s = 0, worst = 0;
    std::size_t points = 0;
    for (const std::string &sequence : sequences) {
        corvan_molecule *molecule = nullptr;
        corvan_molecule_parse(CORVAN_KIND_PEPTIDE, sequence.c_str(), &molecule, nullptr);
        // Each molecule's fastest of rounds: the transform's plans are made
        // once per length in a process, not per molecule.
        corvan_spectrum *spectrum = nullptr;
        double fastest = 1e300;
        for (int round = 0; round < rounds; ++round) {
            corvan_spectrum_free(std::exchange(spectrum, nullptr));
            const double start = cpu_seconds();
            corvan_profile(molecule, options, &settings, &spectrum, nullptr, nullptr);
            fastest = std::min(fastest, cpu_seconds() - start);
        }
        corvan_s += fastest;
        corvan_spectrum_view v;
        corvan_spectrum_get(spectrum, &v);
        const std::vector<double> grid(v.profile_mz, v.profile_mz + v.profile_count);
        auto counts = bench::composition(sequence);
        counts[1] += charge;
        std::vector<double> reference;
        fastest = corvan_only ? 0 : 1e300;
        for (int round = 0; round < (corvan_only ? 0 : rounds); ++round) {
            const double start = cpu_seconds();
            IsoSpec::FixedEnvelope e =
                by_threshold
                    ? IsoSpec::FixedEnvelope::FromThreshold(table.iso(counts), 1e-10, false)
                    : IsoSpec::FixedEnvelope::FromTotalProb(table.iso(counts), 0.999999, false);
            reference = summed(e, charge, grid, settings.resolution);
            fastest = std::min(fastest, cpu_seconds() - start);
        }
        isospec_s += fastest;
        const double top = corvan_only ? 0 : *std::max_element(reference.begin(), reference.end());
        for (std::size_t k = 0; k < reference.size(); ++k)
            worst = std::max(worst, std::fabs(reference[k] - v.profile_intensity[k]) / top);
        points += grid.size();
        corvan_spectrum_free(spectrum);
        corvan_molecule_free(molecule);
    }
    const double n = static_cast<double>(sequences.size());
    std::printf("| %-30s | %6zu | %7.0f | %10.1f | %12.1f | %6.1f | %9.1e |\n", name,
                sequences.size(), static_cast<double>(points) / n, 1e6 * corvan_s / n,
                1e6 * isospec_s / n, isospec_s / corvan_s, worst);
    corvan_options_free(options);
}

} // namespace

int main(int argc, char **argv) {
    const std::size_t peptide_count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
    const std::size_t protein_count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20;
    dump = argc > 3 && std::string(argv[3]) == "dump";
    corvan_only = dump || (argc > 3 && std::string(argv[3]) == "corvan");
    if (corvan_only) rounds = 1;
    const auto proteome = bench::read_fasta(bench::default_proteome_path());
    auto sequences = bench::tryptic_peptides(proteome);
    if (sequences.size() > peptide_count) sequences.resize(peptide_count);
    std::vector<Peptide> peptides;
    for (const std::string &s : sequences) {
        corvan_molecule *m = nullptr;
        corvan_molecule_parse(CORVAN_KIND_PEPTIDE, s.c_str(), &m, nullptr);
        peptides.push_back({m, bench::composition(s)});
    }
    std::printf("Fine structure, %zu E. coli tryptic peptides (neutral), times per peptide\n\n",
                peptides.size());
    std::printf("| setting          | labels    | peptides | peaks/pep | mismatches | ties | max "
                "dp/pmax | max dm (Da) | corvan us | IsoSpec us | IsoSpec/corvan |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    const Setting settings[] = {{"threshold 1e-3", CORVAN_FINE_THRESHOLD, 1e-3},
                                {"threshold 1e-6", CORVAN_FINE_THRESHOLD, 1e-6},
                                {"coverage 0.999", CORVAN_FINE_COVERAGE, 0.999},
                                {"coverage 0.99999", CORVAN_FINE_COVERAGE, 0.99999}};
    // A fourth argument picks one row: 0-7 fine structure, 8 and 9 profiles.
    const int only_row = argc > 4 ? std::atoi(argv[4]) : -1;
    int row = 0;
    for (double n15 : {0.0, 0.98})
        for (const Setting &s : settings)
            if (only_row < 0 || only_row == row++) fine_row(peptides, s, n15);
    for (Peptide &p : peptides) corvan_molecule_free(p.molecule);
    if (only_row >= 0 && only_row < 8) return 0;

    std::printf("\nProfiles at 120000@200 (Orbitrap, Gaussian, 10 points per FWHM), times per "
                "molecule\n\n");
    std::printf("| molecules                      | count  | points  | corvan us  | IsoSpec+sum us "
                "| ratio  | max diff  |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    std::vector<std::string> few(sequences.begin(),
                                 sequences.begin() + std::min<std::size_t>(500, sequences.size()));
    if (only_row < 0 || only_row == 8) profile_row("tryptic peptides [M+2H]2+", few, 2, true);
    auto proteins = bench::proteins_between(proteome, 45000, 55000);
    if (proteins.size() > protein_count) proteins.resize(protein_count);
    if (only_row < 0 || only_row == 9)
        profile_row("45-55 kDa proteins [M+30H]30+", proteins, 30, false);
    return 0;
}
