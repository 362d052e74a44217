// The corvan program's formula command, run as a user runs it.
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "cli_support.hpp"

namespace {

using cli_test::BadUse;
using cli_test::expect_exit;
using cli_test::holds;
using cli_test::holds_all;
using cli_test::run;

TEST(CliFormula, PrintsATableOfRelativeIntensities) {
    const auto r = run("formula C6H12O6");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(
        holds_all(r.out, {"index", "relative intensity", "    0  M                 1.000000",
                          "    1  M+1               0.068560", "0.92263"}));
}

TEST(CliFormula, PointsKeepsTheMostAbundantInOrderAndOffsetIsRefused) {
    // SnCl2's three highest points are M-2, M and M+2 (M: 120Sn, 35Cl); the
    // grid never folds the heaviest, M+8, back onto M-8.
    auto r = run("formula SnCl2 --points 3 --format csv");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("\n-8,M-8,"), std::string::npos) << r.out;
    EXPECT_TRUE(holds_all(r.out, {"\n-2,M-2,", "\n0,M,", "\n2,M+2,"}));
    EXPECT_LT(r.out.find("\n-2,M-2,"), r.out.find("\n2,M+2,"));
    r = run("formula SnCl2 --format csv");
    EXPECT_TRUE(holds_all(r.out, {"\n8,M+8,", "\n-8,M-8,"}));
    r = expect_exit("formula H2O --offset 1", 2, "--offset places points on a fixed grid");
}

TEST(CliFormula, IonsLabelsAndAdducts) {
    auto r = run("formula '[13C6]H12O6' --charge 1 --format csv");
    ASSERT_EQ(r.status, 0) << r.out;
    // [M+H]+ of 13C6-glucose: 6 x 13.00335483507 + 13 x 1.00782503223 +
    // 6 x 15.99491461957 less one electron.
    EXPECT_TRUE(holds_all(r.out, {"\n0,M,0.98403", ",187.090793"}));
    r = run("formula C6H12O6 --charge 1 --adduct Na+ --format json");
    EXPECT_TRUE(holds(r.out, "\"monoisotopic_mz\": 203.05"));
    r = run("formula C50H71N13O12 --charge 2 --label 15N=0.98 --label 13C=0.5 --format json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(holds(r.out, "\"labels\": [\n    \"15N=0.98\",\n    \"13C=0.5\""));
    r = expect_exit("formula H2O --label 15N=2", 2, "must be a number from 0 to 1");
    r = expect_exit("formula H2O --charge 1 --adduct Na", 2, "no charge");
    r = expect_exit("formula CH4 --charge -5", 2, "removes more H than the molecule has");
}

TEST(CliFormula, ParseErrorsPointAtThePlace) {
    const auto r = expect_exit("formula 'C6H12[13C2O6'", 2, "unclosed bracket at character 6");
    EXPECT_TRUE(holds(r.out, "  C6H12[13C2O6\n       ^"));
}

class CliRejects : public testing::TestWithParam<BadUse> {};

TEST_P(CliRejects, WithAMessageAndStatus) {
    expect_exit(GetParam().arguments, GetParam().status, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliRejects,
    testing::Values(BadUse{"formula C6H12Q6", 2, "cannot read the formula"},
                    BadUse{"formula", 2, "expected exactly one formula"},
                    BadUse{"formula H2O --points 0", 2, "--points"},
                    BadUse{"formula H2O --points abc", 2, "--points"},
                    BadUse{"formula H2O --offset 64", 2, "--offset"},
                    BadUse{"formula H2O --colour red", 2, "unknown option --colour"},
                    BadUse{"formula H2O --points", 2, "needs a value"},
                    BadUse{"transmogrify", 2, "unknown command"}, BadUse{"", 2, "usage"}));

TEST(CliFormula, HelpExitsZero) {
    const auto r = run("formula --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(holds(r.out, "usage: corvan formula"));
    EXPECT_EQ(run("--help").status, 0);
}

} // namespace
