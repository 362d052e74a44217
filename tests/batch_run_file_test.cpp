// The batch run: five peptide calls per entry, in order, shown by the
// messages they print.
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "corvan.h"
#include "test_support.hpp"

namespace {

using test_support::TextFile;
struct Output {
    std::string out, err;
};

Output run(const char *path) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    run_file(path);
    std::fflush(stdout);
    Output output;
    output.err = testing::internal::GetCapturedStderr();
    output.out = testing::internal::GetCapturedStdout();
    return output;
}

const std::string kRange = "Error: Mass outside of allowed NN mass range: ";
const std::string kTooMany = "Sequence contains too many amino acids (>1000).";

TEST(RunFile, NetworkMassCallRunsTwice) {
    const TextFile file("150000 PEPTIDE\n");
    const Output output = run(file.path());
    EXPECT_EQ(output.out, kRange + "150000.000000\n" + kRange + "150000.000000\n");
    EXPECT_EQ(output.err, "");
}

TEST(RunFile, CallsMassThenSequenceMembersInOrder) {
    // nn mass, fft mass, nn mass, fft sequence (formula message, then the
    // residue limit), nn sequence (residue limit only).
    const TextFile file("# first entry\n150000 [2H]" + std::string(1001, 'G') + "\n" +
                        "1000 GAG[c]\n");
    const Output output = run(file.path());
    EXPECT_EQ(output.out, kRange + "150000.000000\n" + kRange + "150000.000000\n" +
                              "Error while parsing modification formula:2H\n" + kTooMany +
                              kTooMany + "Error while parsing modification formula:c\n");
    EXPECT_EQ(output.err, "");
}

TEST(RunFile, MassesBeyondFloatBecomeInfinite) {
    const TextFile file("1e300 GAG\n-1e300 GAG\n");
    const Output output = run(file.path());
    EXPECT_EQ(output.out, kRange + "inf\n" + kRange + "inf\n");
}

TEST(RunFile, UnopenableFileOnlyReports) {
    const Output output = run("/no/such/dir/list.txt");
    EXPECT_EQ(output.err, "Error opening file!\n");
    EXPECT_EQ(output.out, "");
}

TEST(RunFile, QuietEntriesPrintNothing) {
    const TextFile file("1000 PEPTIDE\n2000.5 ACDEFGHIKLMNPQRSTVWY\n\n# done\n");
    const Output output = run(file.path());
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(output.err, "");
}

} // namespace
