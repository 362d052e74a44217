// Chimeric peptides and the formula language through the corvan program.
#include <string>

#include <gtest/gtest.h>

#include "cli_support.hpp"

namespace {

using cli_test::run;

// G + water C2H5NO2, GG + water C4H8N2O3: one table each.
TEST(CliProforma, ChimeraGivesOneTablePerPeptidoform) {
    const auto r = run("peptide 'G/1+GG/2' --points 1");
    EXPECT_EQ(r.status, 0);
    const auto first = r.out.find("# peptidoform 1 of 2");
    const auto second = r.out.find("# peptidoform 2 of 2");
    ASSERT_NE(second, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("composition C2H5NO2", first), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("composition C4H8N2O3", second), std::string::npos) << r.out;
    EXPECT_NE(run("peptide 'G+GG' --format csv", true).out.find("2 peptidoforms"),
              std::string::npos);
}

TEST(CliProforma, HydratesAndWholeIons) {
    EXPECT_NE(run("formula 'CuSO4*5H2O'").out.find("composition CuH10O9S"), std::string::npos);
    const auto ion = run("formula C6H12O6 --adduct '[M+H+Na]2+'");
    EXPECT_NE(ion.out.find("charge +2 ([M+H+Na]2+)"), std::string::npos) << ion.out;
    // (180.063388 + 1.007825 + 22.989769 - 2 x 0.000549) / 2
    EXPECT_NE(ion.out.find("monoisotopic m/z 102.029943"), std::string::npos) << ion.out;
}

} // namespace
