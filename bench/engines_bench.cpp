// Time per call of the composition engines at the lengths the front-ends
// use, for a typical 2 kDa peptide and a 50 kDa protein.
#include <vector>

#include <benchmark/benchmark.h>

#include "corvan.h"

namespace {

const int kPeptide2kDa[5] = {89, 140, 24, 27, 1};        // averagine, 2 kDa
const int kProtein50kDa[5] = {2223, 3490, 611, 665, 19}; // averagine, 50 kDa

const int *composition(int which) {
    return which == 0 ? kPeptide2kDa : kProtein50kDa;
}

template <float (*Engine)(const int *, int, float *)> void run_engine(benchmark::State &state) {
    const int *counts = composition(static_cast<int>(state.range(0)));
    const int length = static_cast<int>(state.range(1));
    std::vector<float> out(length);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Engine(counts, length, out.data()));
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) == 0 ? "2 kDa peptide" : "50 kDa protein");
}

void lengths(benchmark::internal::Benchmark *b) {
    b->ArgNames({"molecule", "N"});
    for (int molecule : {0, 1})
        for (int n : {64, 128, 1024}) b->Args({molecule, n});
}

BENCHMARK(run_engine<fft_list_to_dist>)->Name("fft_list_to_dist")->Apply(lengths);
BENCHMARK(run_engine<brain_list_to_dist>)->Name("brain_list_to_dist")->Apply(lengths);

} // namespace
