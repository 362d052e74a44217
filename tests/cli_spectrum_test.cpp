// The spectrum options of the molecule commands, run as a user runs them.
#include <string>

#include <gtest/gtest.h>

#include "cli_support.hpp"

namespace {

using cli_test::expect_exit;
using cli_test::run;

TEST(CliSpectrum, FineStructureAsTableAndCsv) {
    auto r = run("formula H2O --fine --threshold 1e-4");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("M+0           18.010565   9.973406e-01     1.000000"), std::string::npos)
        << r.out;
    EXPECT_EQ(cli_test::lines_of(r.out).size(), 5u) << r.out;
    r = run("formula H2O --fine --format csv");
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "peak,mass,probability,intensity");
    EXPECT_NE(r.out.find("M+2,20.0148"), std::string::npos) << r.out;
}

TEST(CliSpectrum, CentroidsSeparate13CAnd15NAt360kNotAt30k) {
    const auto high = run("peptide SAMPLER --charge 2 --resolution 360000@200 --centroids");
    const auto low =
        run("peptide SAMPLER --charge 2 --resolution 30000@200 --centroids --format csv");
    EXPECT_NE(high.out.find("M+1        402.706"), std::string::npos) << high.out;
    EXPECT_NE(high.out.find("M+1        402.709"), std::string::npos) << high.out;
    // One M+1 centroid merging both forms (15N 402.706156, 13C 402.709316).
    EXPECT_NE(low.out.find("M+1,402.709"), std::string::npos) << low.out;
    EXPECT_NE(low.out.find("402.7061558"), std::string::npos) << low.out;
    EXPECT_EQ(low.out.find("M+1,402.706"), std::string::npos) << low.out;
}

TEST(CliSpectrum, ProfileAsJsonAndSvg) {
    const std::string dir = cli_test::scratch_directory("spectrum");
    const auto r =
        run("formula C6H12O6 --charge 1 --profile --format json --plot " + dir + "/p.svg");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"resolution\": \"120000@200 orbitrap\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"intensity\": ["), std::string::npos);
    EXPECT_NE(cli_test::read_file(dir + "/p.svg").find("<polyline"), std::string::npos);
}

TEST(CliSpectrum, RefusesBadResolutionAnalyzerAndCaps) {
    auto r = expect_exit("formula H2O --resolution 0@200", 2, "no number > 0");
    r = expect_exit("formula H2O --profile --analyzer magnet", 2, "unknown analyzer 'magnet'");
    r = expect_exit("formula C6H12O6 --fine --threshold 1e-6 --max-peaks 5", 1,
                    "more than the cap of 5");
    r = run("peptide --mass 1000 --fine", true);
    EXPECT_EQ(r.status, 2);
}

} // namespace
