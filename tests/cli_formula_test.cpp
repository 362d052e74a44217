// The corvan program's formula command, run as a user runs it.
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "cli_support.hpp"

namespace {

using cli_test::run;

TEST(CliFormula, PrintsATableOfRelativeIntensities) {
    const auto r = run("formula C6H12O6");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("index"), std::string::npos);
    EXPECT_NE(r.out.find("relative intensity"), std::string::npos);
    EXPECT_NE(r.out.find("    0  M                 1.000000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    1  M+1               0.068560"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0.92263"), std::string::npos) << r.out;
}

TEST(CliFormula, PointsAndOffsetOptions) {
    const auto r = run("formula H2O --points 4 --offset 1 --all");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("    0  -                 0.000000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    1  M                 1.000000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    3  M+2"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("    4  "), std::string::npos) << r.out;
}

struct BadUse {
    const char *arguments;
    int status;
    const char *message;
};

class CliRejects : public testing::TestWithParam<BadUse> {};

TEST_P(CliRejects, WithAMessageAndStatus) {
    const auto r = run(GetParam().arguments, true);
    EXPECT_EQ(r.status, GetParam().status) << r.out;
    EXPECT_NE(r.out.find(GetParam().message), std::string::npos) << r.out;
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
    EXPECT_NE(r.out.find("usage: corvan formula"), std::string::npos);
    EXPECT_EQ(run("--help").status, 0);
}

} // namespace
