// Time per call of every distribution call on real molecules: tryptic
// peptides of the E. coli proteome and its 30-100 kDa proteins. Each
// benchmark cycles through its molecules, so the figure is a mean over them.
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "corvan.h"
#include "proteome.hpp"

namespace {

struct Molecules {
    std::vector<std::string> peptides;
    std::vector<std::string> proteins;
    std::vector<float> peptide_masses;
    std::vector<float> protein_masses;
    std::vector<std::string> peptide_formulas;
    std::vector<std::string> rnas;
    std::string weights_64; // the embedded 64-output peptide network as a weight file
};

std::string formula_of(const std::string &sequence) {
    const auto c = bench::composition(sequence);
    return "C" + std::to_string(c[0]) + "H" + std::to_string(c[1]) + "N" + std::to_string(c[2]) +
           "O" + std::to_string(c[3]) + "S" + std::to_string(c[4]);
}

std::string write_weights_64() {
    const std::string path = "/tmp/corvan_bench_pep64.bin";
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return "";
    std::fwrite(corvanpep_model_64_bin, 1, corvanpep_model_64_bin_len, file);
    std::fclose(file);
    return path;
}

const Molecules &molecules() {
    static const Molecules m = [] {
        Molecules built;
        const auto proteome = bench::read_fasta(bench::default_proteome_path());
        const auto peptides = bench::tryptic_peptides(proteome);
        for (std::size_t i = 0; i < peptides.size() && built.peptides.size() < 2000; i += 7)
            built.peptides.push_back(peptides[i]);
        built.proteins = bench::proteins_between(proteome, 30000, 100000);
        if (built.proteins.size() > 200) built.proteins.resize(200);
        for (const auto &p : built.peptides) {
            built.peptide_masses.push_back(static_cast<float>(bench::average_mass(p)));
            built.peptide_formulas.push_back(formula_of(p));
        }
        for (const auto &p : built.proteins)
            built.protein_masses.push_back(static_cast<float>(bench::average_mass(p)));
        const char bases[] = "ACGU";
        for (int i = 0; i < 200; ++i) {
            std::string rna;
            for (int j = 0; j < 20 + (i * 37) % 150; ++j) rna += bases[(i * 7 + j * 13) % 4];
            built.rnas.push_back(rna);
        }
        built.weights_64 = write_weights_64();
        return built;
    }();
    return m;
}

template <class Item, class Call>
void cycle(benchmark::State &state, const std::vector<Item> &items, int n, Call call) {
    std::vector<float> out(n);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(call(items[i], out.data(), n));
        benchmark::ClobberMemory();
        if (++i == items.size()) i = 0;
    }
    state.counters["molecules"] = static_cast<double>(items.size());
}

using Seq = std::string;

#define SEQUENCE_CALL(name, items, n, expr)                                                        \
    void name(benchmark::State &state) {                                                           \
        cycle(state, molecules().items, n,                                                         \
              [](const Seq &s, float *out, int len) { return expr; });                             \
    }                                                                                              \
    BENCHMARK(name)

#define MASS_CALL(name, items, n, expr)                                                            \
    void name(benchmark::State &state) {                                                           \
        cycle(state, molecules().items, n, [](float m, float *out, int len) { return expr; });     \
    }                                                                                              \
    BENCHMARK(name)

// The fft, brain and nn calls of one family (pep or rna) over one set.
#define ENGINE_SEQUENCE_CALLS(set, items, n, family)                                               \
    SEQUENCE_CALL(set##_fft_##family##_seq_to_dist, items, n,                                      \
                  fft_##family##_seq_to_dist(s.c_str(), out, len, 0));                             \
    SEQUENCE_CALL(set##_brain_##family##_seq_to_dist, items, n,                                    \
                  brain_##family##_seq_to_dist(s.c_str(), out, len, 0));                           \
    SEQUENCE_CALL(set##_nn_##family##_seq_to_dist, items, n,                                       \
                  nn_##family##_seq_to_dist(s.c_str(), out, len, 0))

#define ENGINE_MASS_CALLS(set, items, n, family, mass)                                             \
    MASS_CALL(set##_fft_##family##_mass_to_dist, items, n,                                         \
              fft_##family##_mass_to_dist(out, len, 0, mass));                                     \
    MASS_CALL(set##_brain_##family##_mass_to_dist, items, n,                                       \
              brain_##family##_mass_to_dist(out, len, 0, mass));                                   \
    MASS_CALL(set##_nn_##family##_mass_to_dist, items, n,                                          \
              nn_##family##_mass_to_dist(out, len, 0, mass))

// Tryptic peptides.
ENGINE_SEQUENCE_CALLS(peptide, peptides, 64, pep);
SEQUENCE_CALL(peptide_nn_pep_seq_to_dist_custom, peptides, 64,
              nn_pep_seq_to_dist_custom(s.c_str(), out, len, 0, molecules().weights_64.c_str()));
SEQUENCE_CALL(peptide_fft_atom_formula_to_dist, peptide_formulas, 64,
              fft_atom_formula_to_dist(s.c_str(), out, len, 0));
ENGINE_MASS_CALLS(peptide, peptide_masses, 64, pep, m);
MASS_CALL(peptide_pep_mass_to_dist_fitting, peptide_masses, 64,
          pep_mass_to_dist_fitting(out, len, 0, m));

// 30-100 kDa proteins.
ENGINE_SEQUENCE_CALLS(protein, proteins, 128, pep);
SEQUENCE_CALL(protein_fft_list_to_dist_1024, proteins, 1024, [&] {
    const auto c = bench::composition(s);
    return fft_list_to_dist(c.data(), len, out);
}());
SEQUENCE_CALL(protein_brain_list_to_dist_1024, proteins, 1024, [&] {
    const auto c = bench::composition(s);
    return brain_list_to_dist(c.data(), len, out);
}());
ENGINE_MASS_CALLS(protein, protein_masses, 128, pep, m);

// RNA.
ENGINE_SEQUENCE_CALLS(rna, rnas, 64, rna);
ENGINE_MASS_CALLS(rna, peptide_masses, 64, rna, m * 4);

} // namespace
