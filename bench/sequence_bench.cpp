// What reading ProForma costs: tryptic peptides with two modifications each,
// parsed and computed as doubly protonated ions with every point's mass and
// m/z, against the same compositions given as formulas with the charge in
// the options. The target: the ProForma route within 1.5x of the formula one.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "corvan.h"

namespace {

const std::vector<std::string> kPeptides = {
    "EM[Oxidation]EVEES[Phospho]PEK/2",
    "[Acetyl]-SAM[Oxidation]TDLLK/2",
    "YIC[Carbamidomethyl]DNQDTIS[Phospho]SK/2",
    "M[Oxidation]LVNELTEFAK[Label:13C(6)15N(2)]/2",
};

// The formula of each peptide, as the library writes it.
std::vector<std::string> formulas() {
    std::vector<std::string> out;
    for (const std::string &text : kPeptides) {
        corvan_molecule *molecule = nullptr;
        char buffer[128] = "";
        if (corvan_molecule_parse(CORVAN_KIND_PEPTIDE, text.c_str(), &molecule, nullptr) ==
            CORVAN_OK)
            corvan_molecule_formula(molecule, buffer, sizeof buffer, nullptr);
        corvan_molecule_free(molecule);
        out.push_back(buffer);
    }
    return out;
}

// One distribution with its points read, as a caller would.
void compute(benchmark::State &state, int kind, const std::string &text,
             const corvan_options *options) {
    corvan_distribution *d = nullptr;
    if (corvan_distribution_from_text(kind, text.c_str(), options, &d, nullptr) != CORVAN_OK) {
        state.SkipWithError("the call failed");
        return;
    }
    corvan_points points;
    corvan_distribution_points(d, &points);
    benchmark::DoNotOptimize(points.mz[points.count - 1]);
    corvan_distribution_free(d);
}

void BM_ProformaIon(benchmark::State &state) {
    std::size_t i = 0;
    for (auto _ : state)
        compute(state, CORVAN_KIND_PEPTIDE, kPeptides[i++ % kPeptides.size()], nullptr);
}
BENCHMARK(BM_ProformaIon);

void BM_FormulaIon(benchmark::State &state) {
    const std::vector<std::string> texts = formulas();
    corvan_options *options = corvan_options_create();
    corvan_options_set_charge(options, 2, nullptr, nullptr);
    std::size_t i = 0;
    for (auto _ : state) compute(state, CORVAN_KIND_FORMULA, texts[i++ % texts.size()], options);
    corvan_options_free(options);
}
BENCHMARK(BM_FormulaIon);

// Parsing alone, for the share of the whole.
void parse(benchmark::State &state, int kind, const std::vector<std::string> &texts) {
    std::size_t i = 0;
    for (auto _ : state) {
        corvan_molecule *molecule = nullptr;
        corvan_molecule_parse(kind, texts[i++ % texts.size()].c_str(), &molecule, nullptr);
        benchmark::DoNotOptimize(molecule);
        corvan_molecule_free(molecule);
    }
}

void BM_ProformaParse(benchmark::State &state) {
    parse(state, CORVAN_KIND_PEPTIDE, kPeptides);
}
BENCHMARK(BM_ProformaParse);

void BM_FormulaParse(benchmark::State &state) {
    parse(state, CORVAN_KIND_FORMULA, formulas());
}
BENCHMARK(BM_FormulaParse);

} // namespace
