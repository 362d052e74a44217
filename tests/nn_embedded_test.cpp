// The twelve compiled-in networks: shapes, integrity of the embedded bytes,
// the exported blobs, and a loose check that each network still predicts
// isotope distributions (so that a damaged or byte-swapped blob cannot land).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "exact_reference.hpp"
#include "nn/catalogue.hpp"
#include "nn_support.hpp"

using corvan::nn::Network;
using namespace nn_support;

namespace {

struct Entry {
    Network network;
    int inputs;
    int outputs;
    float telling[4]; // the first three floats and the last one
};

const Entry catalogue[] = {
    {Network::pep16, 20, 16, {0.21199685f, 0.20539248f, 0.27018204f, -4.120304f}},
    {Network::pep64, 20, 64, {-5.565178f, -3.1325874f, -4.952541f, -0.6332621f}},
    {Network::pep128, 20, 128, {-5.894881f, -3.9308336f, -5.526976f, -0.40051448f}},
    {Network::averagine8, 5, 8, {0.7319095f, 0.7575122f, 0.3416461f, -0.95959777f}},
    {Network::averagine32, 5, 32, {1.6021807f, 1.3434184f, 1.3691447f, -0.6253897f}},
    {Network::averagine64, 5, 64, {-1.6328421f, -1.7176745f, 0.40169084f, -0.20836534f}},
    {Network::averagine128, 5, 128, {1.3045207f, 0.4150485f, -0.30369484f, -0.6463848f}},
    {Network::rnaveragine32, 5, 32, {1.9795315f, 2.8044903f, 0.17115024f, -0.5032961f}},
    {Network::rnaveragine64, 5, 64, {0.53069776f, 0.85610634f, -0.5243195f, -0.33334f}},
    {Network::rnaveragine128, 5, 128, {1.6363965f, -0.16154292f, -0.12396897f, -0.45354602f}},
    {Network::rnaseq64, 4, 64, {2.103833f, 1.9262452f, 2.179385f, -0.330708f}},
    {Network::rnaseq128, 4, 128, {-0.0023981987f, 0.009236807f, -0.005361688f, -0.33729947f}},
};

std::string name_of(Network network) {
    const char *const names[] = {"pep16",         "pep64",          "pep128",       "averagine8",
                                 "averagine32",   "averagine64",    "averagine128", "rnaveragine32",
                                 "rnaveragine64", "rnaveragine128", "rnaseq64",     "rnaseq128"};
    return names[static_cast<int>(network)];
}

void PrintTo(const Entry &e, std::ostream *os) {
    *os << name_of(e.network);
}

int blob_floats(const Entry &e) {
    return 3 * e.outputs + e.outputs * e.inputs + 2 * e.outputs * e.outputs;
}

class EmbeddedNetwork : public ::testing::TestWithParam<Entry> {};

std::string entry_name(const ::testing::TestParamInfo<Entry> &info) {
    return name_of(info.param.network);
}

TEST_P(EmbeddedNetwork, HasItsCatalogueShape) {
    const Entry e = GetParam();
    const corvan::nn::NetworkInfo net = corvan::nn::info(e.network);
    ASSERT_NE(net.blob, nullptr);
    EXPECT_EQ(net.inputs, e.inputs);
    EXPECT_EQ(net.outputs, e.outputs);
}

TEST_P(EmbeddedNetwork, StartsAndEndsWithItsTellingValues) {
    const Entry e = GetParam();
    const unsigned char *blob = corvan::nn::info(e.network).blob;
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(bits_of(blob_float(blob, k)), bits_of(e.telling[k])) << "float " << k;
    EXPECT_EQ(bits_of(blob_float(blob, blob_floats(e) - 1)), bits_of(e.telling[3])) << "last";
}

TEST_P(EmbeddedNetwork, LoadsTheTellingValuesIntoTheWeightSet) {
    const Entry e = GetParam();
    NetWeights w = LoadWeights(SetupWeights(e.inputs, e.outputs), corvan::nn::info(e.network).blob);
    ASSERT_FALSE(is_empty(w));
    EXPECT_EQ(w.total_count, blob_floats(e));
    EXPECT_EQ(bits_of(w.w1[0]), bits_of(e.telling[0]));
    EXPECT_EQ(bits_of(w.w1[2]), bits_of(e.telling[2]));
    EXPECT_EQ(bits_of(w.b3[e.outputs - 1]), bits_of(e.telling[3]));
    FreeCorvanWeights(w);
}

TEST_P(EmbeddedNetwork, HoldsOnlyFiniteModerateValues) {
    const Entry e = GetParam();
    const unsigned char *blob = corvan::nn::info(e.network).blob;
    for (int i = 0; i < blob_floats(e); ++i) {
        const float v = blob_float(blob, i);
        ASSERT_TRUE(std::isfinite(v)) << "float " << i;
        ASSERT_LT(std::fabs(v), 20.0f) << "float " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EmbeddedNetwork, ::testing::ValuesIn(catalogue), entry_name);

TEST(ExportedBlobs, HaveTheirDocumentedLengths) {
    EXPECT_EQ(corvanpep_model_64_bin_len, 38656u);
    EXPECT_EQ(corvanpep_model_128_bin_len, 142848u);
    EXPECT_EQ(corvan_rnaveragine_model32_bin_len, 9216u);
    EXPECT_EQ(corvan_rnaveragine_model64_bin_len, 34816u);
    EXPECT_EQ(corvan_rnaveragine_model128_bin_len, 135168u);
    static_assert(sizeof corvanpep_model_64_bin_len == 4);
}

TEST(ExportedBlobs, AreTheOnesTheCatalogueRuns) {
    EXPECT_EQ(corvan::nn::info(Network::pep64).blob, corvanpep_model_64_bin);
    EXPECT_EQ(corvan::nn::info(Network::pep128).blob, corvanpep_model_128_bin);
    EXPECT_EQ(corvan::nn::info(Network::rnaveragine32).blob, corvan_rnaveragine_model32_bin);
    EXPECT_EQ(corvan::nn::info(Network::rnaveragine64).blob, corvan_rnaveragine_model64_bin);
    EXPECT_EQ(corvan::nn::info(Network::rnaveragine128).blob, corvan_rnaveragine_model128_bin);
}

TEST(ExportedBlobs, AreCopiedAfreshOnEveryRun) {
    // A host may overwrite an exported blob between calls; zero weights give
    // 0.5 at every output, so the next run must come back flat.
    std::vector<unsigned char> saved(corvan_rnaveragine_model32_bin,
                                     corvan_rnaveragine_model32_bin + 9216);
    float features[5], out[32];
    mass_to_vector(5000.0f, features);
    std::memset(corvan_rnaveragine_model32_bin, 0, 9216);
    const float peak = corvan::nn::run_embedded(Network::rnaveragine32, features, out, 32, 0);
    std::memcpy(corvan_rnaveragine_model32_bin, saved.data(), saved.size());
    EXPECT_EQ(peak, 0.5f);
    for (float v : out) EXPECT_EQ(v, 1.0f);
    EXPECT_NE(corvan::nn::run_embedded(Network::rnaveragine32, features, out, 32, 0), 0.5f);
}

TEST(ExportedBlobs, OverflowingWeightsFailWithOutZeroed) {
    std::vector<unsigned char> saved(corvan_rnaveragine_model32_bin,
                                     corvan_rnaveragine_model32_bin + 9216);
    const std::vector<float> huge(9216 / 4, 3e38f);
    std::memcpy(corvan_rnaveragine_model32_bin, huge.data(), 9216);
    std::vector<float> out(32, 7.0f);
    const float peak = nn_rna_mass_to_dist(out.data(), 32, 0, 5000.0f);
    std::memcpy(corvan_rnaveragine_model32_bin, saved.data(), saved.size());
    EXPECT_EQ(peak, -1.0f);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST(InternalBlobs, SomeStartAtOddAddresses) {
    // Keeps the loader's byte copying exercised: a load that read floats in
    // place would trip the sanitizer build on these.
    int odd = 0;
    for (Network n :
         {Network::pep16, Network::averagine8, Network::averagine32, Network::averagine64,
          Network::averagine128, Network::rnaseq64, Network::rnaseq128})
        odd += reinterpret_cast<std::uintptr_t>(corvan::nn::info(n).blob) % 2 == 1;
    EXPECT_GT(odd, 0);
}

// ---- accuracy smoke test ----------------------------------------------

struct Molecule {
    std::vector<float> features;
    int fftlist[5];
    std::string label;
};

// A chain of `length` units drawn at random from the `alphabet` rows of
// `unit_atoms`, on top of the atoms `ends` adds once.
template <std::size_t Alphabet>
Molecule random_chain(int length, unsigned seed, const int (&unit_atoms)[Alphabet][5],
                      const std::array<int, 5> &ends, const std::string &unit_name) {
    Molecule m{std::vector<float>(Alphabet, 0.0f), {}, ""};
    std::copy(ends.begin(), ends.end(), m.fftlist);
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> unit(0, static_cast<int>(Alphabet) - 1);
    for (int i = 0; i < length; ++i) {
        const int u = unit(engine);
        m.features[u] += 1.0f;
        for (int e = 0; e < 5; ++e) m.fftlist[e] += unit_atoms[u][e];
    }
    m.label = std::to_string(length) + " " + unit_name;
    return m;
}

Molecule peptide_of_length(int residues, unsigned seed) {
    return random_chain(residues, seed, aa_vectors, {0, 2, 0, 1, 0}, "residues"); // one water
}

Molecule rna_of_length(int length, unsigned seed) {
    return random_chain(length, seed, rna_vectors, {0, 0, 0, 0, 0}, "nucleotides");
}

int round_half_away(double v) {
    return static_cast<int>(std::lround(v));
}

Molecule averagine_of_mass(float mass) {
    Molecule m{std::vector<float>(5), {}, "peptide mass " + std::to_string(mass)};
    mass_to_vector(mass, m.features.data());
    const int units = round_half_away(static_cast<double>(mass) / massavgine);
    for (int e = 0; e < 5; ++e) m.fftlist[e] = round_half_away(avgine[e] * units);
    return m;
}

Molecule rnaveragine_of_mass(float mass) {
    Molecule m{std::vector<float>(5), {}, "RNA mass " + std::to_string(mass)};
    mass_to_vector(mass, m.features.data());
    const double u = static_cast<float>((static_cast<double>(mass) + 95.9534) / 320.2838134765625);
    const int counts[5] = {round_half_away(9.5 * u), round_half_away(10.75 * u),
                           round_half_away(3.75 * u), round_half_away(7.0 * u) - 4, 0};
    std::copy(counts, counts + 5, m.fftlist);
    return m;
}

template <class Make, class Value>
std::vector<Molecule> molecules(Make make, std::initializer_list<Value> values) {
    std::vector<Molecule> list;
    for (Value v : values) list.push_back(make(v));
    return list;
}

std::vector<Molecule> peptides(std::initializer_list<int> lengths) {
    return molecules([](int length) { return peptide_of_length(length, 1000u + length); }, lengths);
}

std::vector<Molecule> rnas(std::initializer_list<int> lengths) {
    return molecules([](int length) { return rna_of_length(length, 2000u + length); }, lengths);
}

std::vector<Molecule> averagines(std::initializer_list<float> masses) {
    return molecules(averagine_of_mass, masses);
}

std::vector<Molecule> rnaveragines(std::initializer_list<float> masses) {
    return molecules(rnaveragine_of_mass, masses);
}

struct SmokeCase {
    Network network;
    std::vector<Molecule> molecules;
};

// Molecules at both ends and inside each network's band.
std::vector<SmokeCase> smoke_cases() {
    return {
        {Network::pep16, peptides({3, 20, 50})},
        {Network::pep64, peptides({51, 170, 300})},
        {Network::pep128, peptides({301, 640, 1000})},
        {Network::averagine8, averagines({400, 850, 1199})},
        {Network::averagine32, averagines({1200, 4800, 10999})},
        {Network::averagine64, averagines({11000, 30000, 54999})},
        {Network::averagine128, averagines({55000, 87000, 119999})},
        {Network::rnaveragine32, rnaveragines({1500, 9000, 23999})},
        {Network::rnaveragine64, rnaveragines({24000, 44000, 64999})},
        {Network::rnaveragine128, rnaveragines({65000, 110000, 164999})},
        {Network::rnaseq64, rnas({4, 90, 200})},
        {Network::rnaseq128, rnas({201, 350, 500})},
    };
}

void PrintTo(const SmokeCase &c, std::ostream *os) {
    *os << name_of(c.network);
}

class Accuracy : public ::testing::TestWithParam<SmokeCase> {};

std::string smoke_name(const ::testing::TestParamInfo<SmokeCase> &info) {
    return name_of(info.param.network);
}

TEST_P(Accuracy, PeakScaledHeightsFollowTheExactDistribution) {
    const SmokeCase c = GetParam();
    const int m = corvan::nn::info(c.network).outputs;
    const std::vector<reference::Poly> patterns = reference::table_patterns();
    for (const Molecule &molecule : c.molecules) {
        std::vector<float> out(static_cast<size_t>(m), 0.0f);
        ASSERT_GT(corvan::nn::run_embedded(c.network, molecule.features.data(), out.data(), m, 0),
                  0.0f)
            << molecule.label;
        std::vector<double> exact = reference::distribution(molecule.fftlist, m, patterns);
        const double top = *std::max_element(exact.begin(), exact.end());
        double worst = 0.0;
        for (int k = 0; k < m; ++k) worst = std::max(worst, std::fabs(out[k] - exact[k] / top));
        EXPECT_LT(worst, 0.03) << molecule.label;
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Accuracy, ::testing::ValuesIn(smoke_cases()), smoke_name);

} // namespace
