// Several threads calling the library at once, each on its own arrays,
// get exactly what the same calls give one after another. Built with
// -DCORVAN_SANITIZE_THREAD=ON (scripts/tsan.sh) this also checks for races.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

using Call = std::function<std::vector<float>()>;

std::string weight_file() {
    const std::string path =
        testing::TempDir() + "corvan_concurrency_pep64_" + std::to_string(getpid()) + ".bin";
    FILE *file = std::fopen(path.c_str(), "wb");
    std::fwrite(corvanpep_model_64_bin, 1, corvanpep_model_64_bin_len, file);
    std::fclose(file);
    return path;
}

// The result array with the return value appended, so both are compared.
template <class F> Call distribution(int n, F call) {
    return [n, call] {
        std::vector<float> out(n + 1);
        out[n] = call(out.data(), n);
        return out;
    };
}

std::vector<Call> calls(const std::string &weights) {
    const std::string peptide = "SAMPLERPEPTIDEK";
    const std::string long_peptide(120, 'G');
    const std::string rna = "ACGUACGUUAGCCGAUACGA";
    return {
        distribution(
            64, [=](float *o, int n) { return fft_pep_seq_to_dist(peptide.c_str(), o, n, 0); }),
        distribution(
            64, [=](float *o, int n) { return brain_pep_seq_to_dist(peptide.c_str(), o, n, 2); }),
        distribution(
            64, [=](float *o, int n) { return nn_pep_seq_to_dist(long_peptide.c_str(), o, n, 0); }),
        distribution(64,
                     [=](float *o, int n) {
                         return nn_pep_seq_to_dist_custom(long_peptide.c_str(), o, n, 0,
                                                          weights.c_str());
                     }),
        distribution(128, [](float *o, int n) { return fft_pep_mass_to_dist(o, n, 0, 60000.0f); }),
        distribution(1024,
                     [](float *o, int n) { return brain_pep_mass_to_dist(o, n, 0, 150000.0f); }),
        distribution(32, [](float *o, int n) { return nn_pep_mass_to_dist(o, n, 0, 5000.0f); }),
        distribution(16,
                     [](float *o, int n) { return pep_mass_to_dist_fitting(o, n, 0, 2000.0f); }),
        distribution(64,
                     [=](float *o, int n) { return fft_rna_seq_to_dist(rna.c_str(), o, n, 0); }),
        distribution(64,
                     [=](float *o, int n) { return brain_rna_seq_to_dist(rna.c_str(), o, n, 0); }),
        distribution(64, [=](float *o, int n) { return nn_rna_seq_to_dist(rna.c_str(), o, n, 0); }),
        distribution(128, [](float *o, int n) { return fft_rna_mass_to_dist(o, n, 0, 70000.0f); }),
        distribution(32, [](float *o, int n) { return nn_rna_mass_to_dist(o, n, 0, 9000.0f); }),
        distribution(300, [](float *o, int n) { return corvan_atom("C254H377N65O75S6Fe2", o, n); }),
        [=] {
            int fftlist[5];
            float counts[20] = {};
            const int residues = pep_seq_to_fftlist("PEP[C2H3O]TIDE", fftlist);
            pep_seq_to_nnvector(peptide.c_str(), counts);
            std::vector<float> encoded(counts, counts + 20);
            for (int v : fftlist) encoded.push_back(static_cast<float>(v));
            encoded.push_back(static_cast<float>(residues));
            return encoded;
        },
    };
}

TEST(Concurrency, ParallelCallsEqualSerialCalls) {
    const auto all = calls(weight_file());
    std::vector<std::vector<float>> serial;
    for (const auto &call : all) serial.push_back(call());

    constexpr int kThreads = 4;
    constexpr int kRounds = 6;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t k = 0; k < all.size(); ++k) {
                    const std::size_t i = (k + static_cast<std::size_t>(t) * 3) % all.size();
                    const auto got = all[i]();
                    if (got.size() != serial[i].size() ||
                        std::memcmp(got.data(), serial[i].data(), got.size() * sizeof(float)) != 0)
                        ++mismatches[t];
                }
            }
        });
    }
    for (auto &thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

} // namespace
