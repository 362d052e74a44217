// The direct sum alone on the E. coli tryptic peptides as [M+2H]2+: the
// points each one keeps, and the time per peptide (best of the rounds) in
// nanoseconds and in cycles, a cycle timed as one step of a chain of
// dependent integer additions. A checksum of every point's bits shows
// whether two builds give the same results.
//   direct_sum_bench [ROUNDS] [PEPTIDES] [LENGTH]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "envelope/direct_sum.hpp"
#include "labels/element_pattern.hpp"
#include "molecule/elements.hpp"
#include "proteome.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Nanoseconds per cycle: a chain of dependent integer additions, one a
// cycle, best of a few runs.
double nanoseconds_per_cycle() {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        std::uint64_t x = static_cast<std::uint64_t>(run);
        const long steps = 200'000'000;
        const auto start = Clock::now();
        for (long i = 0; i < steps; ++i) asm volatile("add $1, %0" : "+r"(x));
        best = std::min(best, seconds_since(start) * 1e9 / static_cast<double>(steps));
        if (x == 0) std::puts("");
    }
    return best;
}

} // namespace

int main(int argc, char **argv) {
    using namespace corvan;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const auto count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20000;
    const int length = argc > 3 ? std::atoi(argv[3]) : 20;
    auto peptides = bench::tryptic_peptides(bench::read_fasta(bench::default_proteome_path()));
    peptides.resize(std::min(peptides.size(), count));
    const char *symbols[5] = {"C", "H", "N", "O", "S"};
    std::vector<envelope::DirectTerm> terms; // five a peptide
    for (const std::string &peptide : peptides) {
        const std::array<int, 5> counts = bench::composition(peptide);
        for (int e = 0; e < 5; ++e) {
            const int element = chem::element_index(symbols[e]);
            const double whole = counts[static_cast<std::size_t>(e)] + (e == 1 ? 2 : 0);
            terms.push_back({&labels::natural_pattern(element), whole, 0,
                             envelope::natural_direct_series(element)});
        }
    }
    const auto size = static_cast<std::size_t>(length);
    std::vector<double> work(envelope::kDirectWorkPerPoint * size), total(size), moment(size);
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        for (std::size_t p = 0; p < peptides.size(); ++p)
            envelope::direct_sum(&terms[5 * p], 5, length, work.data(), total.data(),
                                 moment.data());
        best = std::min(best, seconds_since(start) / static_cast<double>(peptides.size()));
    }
    std::uint64_t checksum = 0;
    long points = 0;
    for (std::size_t p = 0; p < peptides.size(); ++p) {
        envelope::direct_sum(&terms[5 * p], 5, length, work.data(), total.data(), moment.data());
        for (std::size_t k = 0; k < size && total[k] > 0; ++k) {
            std::uint64_t bits[2];
            std::memcpy(&bits[0], &total[k], 8), std::memcpy(&bits[1], &moment[k], 8);
            checksum = checksum * 1000003 + bits[0] * 31 + bits[1];
            ++points;
        }
    }
    const double cycle = nanoseconds_per_cycle();
    std::printf(
        "%zu peptides, %.2f points each; %.1f ns (%.0f cycles) a peptide; checksum %016llx\n",
        peptides.size(), static_cast<double>(points) / static_cast<double>(peptides.size()),
        best * 1e9, best * 1e9 / cycle, static_cast<unsigned long long>(checksum));
}
