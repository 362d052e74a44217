// The corvan program's peptide and rna commands, run as a user runs them,
// checked against the library calls they stand for.
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_support.hpp"

#include "corvan.h"

namespace {

using cli_test::BadUse;
using cli_test::expect_exit;
using cli_test::holds;
using cli_test::holds_all;
using cli_test::Outcome;
using cli_test::run;

// The index, peak and intensity columns the program prints for point
// `index` holding `value` (the mass columns follow where known).
std::string row(int index, int offset, float value) {
    char intensity[32];
    std::snprintf(intensity, sizeof intensity, value == 0 || value >= 1e-4f ? "%.6f" : "%.4e",
                  value);
    const int step = index - offset;
    const std::string label = step < 0 ? "-" : step == 0 ? "M" : "M+" + std::to_string(step);
    char text[80];
    std::snprintf(text, sizeof text, "%5d  %-6s  %18s\n", index, label.c_str(), intensity);
    return text;
}

constexpr std::size_t kIntensityColumnsWidth = 33;

// The index, peak and intensity columns of the table's rows.
std::string intensity_rows(const std::string &out) {
    const std::string header = "index  peak    relative intensity";
    std::size_t at = out.find(header);
    if (at == std::string::npos) return "(no table header)";
    at = out.find('\n', at) + 1;
    std::string rows;
    while (at < out.size() && out[at] != '#') {
        const std::size_t end = out.find('\n', at);
        rows += out.substr(at, std::min(end - at, kIntensityColumnsWidth)) + "\n";
        at = end + 1;
    }
    return rows;
}

struct Agreement {
    std::string arguments;
    std::function<float(float *, int, int)> call;
    int points, offset;
};

class CliAgrees : public testing::TestWithParam<Agreement> {};

TEST_P(CliAgrees, WithTheLibraryCall) {
    const auto c = GetParam();
    const Outcome r = run(c.arguments + " --all");
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<float> out(c.points);
    const float peak = c.call(out.data(), c.points, c.offset);
    ASSERT_GE(peak, 0.0f);
    char value[32];
    std::snprintf(value, sizeof value, " %.6g\n", peak);
    EXPECT_NE(r.out.find(value), std::string::npos) << "peak value in the title:\n" << r.out;
    std::string rows;
    for (int i = 0; i < c.points; ++i) rows += row(i, c.offset, out[i]);
    EXPECT_EQ(intensity_rows(r.out), rows) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliAgrees,
    testing::Values(
        Agreement{
            "peptide 'PEPTIDE[C2H2O]K' --engine fft",
            [](float *o, int n, int k) { return fft_pep_seq_to_dist("PEPTIDE[C2H2O]K", o, n, k); },
            64, 0},
        Agreement{"peptide PEPTIDE --engine brain --points 16 --offset 3",
                  [](float *o, int n, int k) { return brain_pep_seq_to_dist("PEPTIDE", o, n, k); },
                  16, 3},
        Agreement{"peptide PEPTIDE --engine nn --points 20",
                  [](float *o, int n, int k) { return nn_pep_seq_to_dist("PEPTIDE", o, n, k); }, 20,
                  0},
        Agreement{"peptide --mass 1500.5 --engine fft",
                  [](float *o, int n, int k) { return fft_pep_mass_to_dist(o, n, k, 1500.5f); }, 64,
                  0},
        Agreement{"peptide --mass=25000 --engine brain",
                  [](float *o, int n, int k) { return brain_pep_mass_to_dist(o, n, k, 25000); }, 64,
                  0},
        Agreement{"peptide --mass 3000 --engine nn --points 40",
                  [](float *o, int n, int k) { return nn_pep_mass_to_dist(o, n, k, 3000); }, 40, 0},
        Agreement{"peptide --mass 5000 --engine fit --points 12 --offset 2",
                  [](float *o, int n, int k) { return pep_mass_to_dist_fitting(o, n, k, 5000); },
                  12, 2},
        Agreement{"rna ACGUACGU --engine fft",
                  [](float *o, int n, int k) { return fft_rna_seq_to_dist("ACGUACGU", o, n, k); },
                  64, 0},
        Agreement{"rna ACGUACGU --engine fft --points 100 --offset 10",
                  [](float *o, int n, int k) { return fft_rna_seq_to_dist("ACGUACGU", o, n, k); },
                  100, 10},
        Agreement{"rna ACGUACGU --engine brain",
                  [](float *o, int n, int k) { return brain_rna_seq_to_dist("ACGUACGU", o, n, k); },
                  64, 0},
        Agreement{
            "rna GGCUAGCUAGCC --engine nn",
            [](float *o, int n, int k) { return nn_rna_seq_to_dist("GGCUAGCUAGCC", o, n, k); }, 64,
            0},
        Agreement{"rna --mass 30000 --engine fft",
                  [](float *o, int n, int k) { return fft_rna_mass_to_dist(o, n, k, 30000); }, 64,
                  0},
        Agreement{"rna --mass 30000 --engine nn --points 80",
                  [](float *o, int n, int k) { return nn_rna_mass_to_dist(o, n, k, 30000); }, 80,
                  0}));

TEST(CliPeptide, FixedFftTableHidesTheTinyTail) {
    const Outcome r = run("peptide 'PEPTIDE[C2H2O]K' --engine fft");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(holds_all(r.out, {"    0  M                 1.000000      969    969.465492\n",
                                  "further points below", "PEPTIDE[C2H2O]K (fft engine)"}));
}

// The exact engine (the default) computes the real molecule: ProForma
// peptides and their ions, nucleic-acid chains with their phosphates.
TEST(CliExactEngine, PeptidesAndNucleicAcidsAsWritten) {
    Outcome r = run("peptide 'EM[Oxidation]EVEES[Phospho]PEK/2' --format json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(holds_all(r.out, {"\"formula\": \"C49H80N11O26PS\"", "\"charge\": 2", "\"mz\": "}));
    r = run("peptide '<[Carbamidomethyl]@C>ACDEFK'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(holds(r.out, "composition C32H48N8O12S"));
    r = run("rna ACGUACGU");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(holds(r.out, "C76H95N30O54P7, monoisotopic mass 2508.37"));
    r = run("dna p-ACGT --charge -2 --format csv");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("k,peak,share,intensity,mass,mz\n", 0), 0u) << r.out;
    r = expect_exit("peptide PEPS[+79.966]TIDE", 2, "[Phospho]");
    EXPECT_NE(r.out.find("      ^"), std::string::npos) << "a caret under the bracket:\n" << r.out;
    r = expect_exit("dna ACGT --engine nn", 2, "exact engine only");
}

class CliDistributionRejects : public testing::TestWithParam<BadUse> {};

TEST_P(CliDistributionRejects, WithAMessageAndStatus) {
    const Outcome r = expect_exit(GetParam().arguments, GetParam().status, GetParam().message);
    EXPECT_EQ(r.out.find("relative intensity"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliDistributionRejects,
    testing::Values(
        BadUse{"peptide --engine fft", 2, "expected exactly one peptide sequence"},
        BadUse{"peptide PEP TIDE --engine fft", 2, "expected exactly one peptide sequence"},
        BadUse{"peptide PEPTIDEB --engine fft", 2, "unexpected character 'B' at position 8"},
        BadUse{"peptide peptide --engine fft", 2, "unexpected character 'p' at position 1"},
        BadUse{"peptide 'PEP[C2H2O' --engine fft", 2, "is not closed"},
        BadUse{"peptide 'PEP]TIDE' --engine fft", 2, "unexpected character ']'"},
        BadUse{"peptide 'PEP[HPO3]' --engine fft", 2, "cannot read the modification [HPO3]"},
        BadUse{"peptide 'PEP[C99999999999]' --engine fft", 2, "cannot read the modification"},
        BadUse{"peptide '[C2H2O]' --engine fft", 2, "no residues"},
        BadUse{"peptide PEPTIDE --engine fit", 2, "takes a mass only"},
        BadUse{"peptide PEPTIDE --engine quantum", 2,
               "unknown engine 'quantum' (choose fft, brain, nn or fit)"},
        BadUse{"peptide PEPTIDE --mass 1000 --engine fft", 2, "not both"},
        BadUse{"peptide --mass -5 --engine fft", 2, "--mass must be a positive number"},
        BadUse{"peptide --mass 0 --engine fft", 2, "--mass must be a positive number"},
        BadUse{"peptide --mass abc --engine fft", 2, "--mass must be a positive number"},
        BadUse{"peptide --mass nan --engine fft", 2, "--mass must be a positive number"},
        BadUse{"peptide PEPTIDE --offset 64 --engine fft", 2, "--offset"},
        BadUse{"peptide PEPTIDE --points 2000000000 --engine fft", 2,
               "--points must be a whole number"},
        BadUse{"peptide PEPTIDE --colour red --engine fft", 2, "unknown option --colour"},
        BadUse{"rna --engine fft", 2, "expected exactly one RNA sequence"},
        BadUse{"rna acgu --engine fft", 2, "unexpected character 'a' at position 1"},
        BadUse{"rna ACGT --engine fft", 2, "unexpected character 'T' at position 4"},
        BadUse{"rna '' --engine fft", 2, "empty"},
        BadUse{"rna ACGU --engine fit", 2, "unknown engine 'fit' (choose fft, brain or nn)"},
        BadUse{"rna --mass 1e40 --engine fft", 2, "--mass must be a positive number"},
        // The library refuses: its own message, then ours, and status 1.
        BadUse{"peptide --mass 150000 --engine nn", 1,
               "Error: Mass outside of allowed NN mass range: 150000.000000"},
        BadUse{"peptide --mass 150000 --engine nn", 1, "nn engine could not compute"},
        BadUse{"rna --mass 200000 --engine nn", 1, "could not compute"},
        BadUse{"rna --mass 40 --engine brain", 1, "could not compute"}));

TEST(CliDistribution, LongPeptideFailsInTheNetworkButNotInBrain) {
    const std::string sequence(1001, 'G');
    const Outcome nn = expect_exit("peptide " + sequence + " --engine nn", 1,
                                   "Sequence contains too many amino acids (>1000).");
    EXPECT_EQ(run("peptide " + sequence + " --engine brain").status, 0);
}

TEST(CliDistribution, HelpTextsHaveUsageAndExamples) {
    for (const char *command : {"peptide", "rna"}) {
        const Outcome r = run(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(std::string("usage: corvan ") + command), std::string::npos);
        EXPECT_TRUE(holds_all(r.out, {"examples:", "--engine", "--mass"}));
    }
    const Outcome overview = run("--help");
    EXPECT_TRUE(holds_all(overview.out, {"peptide", "rna"}));
}

} // namespace
