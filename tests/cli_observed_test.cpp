// corvan match and corvan deisotope on the committed simulated scan, and
// input they refuse.
#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_support.hpp"

namespace {

using cli_test::expect_exit;
using cli_test::fields_of;
using cli_test::lines_of;
using cli_test::run;

const std::string kRun = std::string(CORVAN_SOURCE_DIR) + "/tests/data/simulated/run_centroid.mzML";

TEST(CliMatch, FindsThePeptideInTheSimulatedScan) {
    const auto result = run("match " + kRun + " --peptide EMEVEESPEK --charges 1-4 --format csv");
    ASSERT_EQ(result.status, 0) << result.out;
    const auto lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), 6u); // header and M .. M+4
    const auto m = fields_of(lines[1], ',');
    EXPECT_EQ(m[2], "2"); // charge
    EXPECT_EQ(m[7], "0"); // k
    // The M peak as Debian's pymzml reads the file: m/z 603.765876473715.
    EXPECT_EQ(m[10], "603.765876");
    EXPECT_EQ(m[11], "1147043.000");
}

TEST(CliMatch, ProfileScanCentroidedLikeThePeakPicker) {
    // The profile scan the centroided file was picked from: its M within
    // 1 ppm of PeakPickerHiRes's centroid 603.765876.
    const std::string profile =
        std::string(CORVAN_SOURCE_DIR) + "/tests/data/simulated/run_profile.mzML";
    const auto result = run("match " + profile + " --peptide EMEVEESPEK/2 --format json");
    ASSERT_EQ(result.status, 0);
    const std::size_t at = result.out.find("\"observed_mz\": ");
    ASSERT_NE(at, std::string::npos) << result.out;
    EXPECT_NEAR(std::stod(result.out.substr(at + 15)), 603.765876, 603.765876e-6);
    EXPECT_NE(result.out.find("\"charge\": 2"), std::string::npos);
}

TEST(CliMatch, PeakListsScansAndNamedPick) {
    const std::string dir = cli_test::scratch_directory("peak_list");
    // Header, comment, tabs and spaces; out of order; M+1 named as M.
    cli_test::write_file(dir + "/peaks.tsv", "m/z\tintensity\n# a comment\n"
                                             "604.26587\t683212\n603.765876 1147043\n"
                                             "604.76585,303851\n");
    auto result = run("match " + dir + "/peaks.tsv --peptide EMEVEESPEK/2 --named-mz 604.26587");
    EXPECT_NE(result.out.find("3/5"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("named m/z is M+1"), std::string::npos) << result.out;
    result = expect_exit("match " + kRun + " --peptide EMEVEESPEK --scans 2-3", 2, "no MS1 scan");
    cli_test::shell("rm -rf " + dir);
}

TEST(CliDeisotope, ReportsTheEnvelopeWithItsCharge) {
    const auto result = run("deisotope " + kRun + " --scan 1 --format csv");
    ASSERT_EQ(result.status, 0);
    bool found = false;
    for (const auto &line : lines_of(result.out)) {
        const auto f = fields_of(line, ',');
        found |= f[2].rfind("603.7658", 0) == 0 && f[4] == "2";
    }
    EXPECT_TRUE(found) << result.out;
}

TEST(CliObserved, JsonReportsReadAsJson) {
    const auto match = run("match " + kRun + " --peptide EMEVEESPEK --charges 1-4 --format json");
    ASSERT_EQ(match.status, 0);
    const auto report = nlohmann::json::parse(match.out);
    ASSERT_FALSE(report["scans"].empty());
    EXPECT_EQ(report["best_scan"], report["scans"][0]["scan"]);
    EXPECT_EQ(report["scans"][0]["charge"], 2);
    EXPECT_NEAR(report["scans"][0]["peaks"][0]["observed_mz"].get<double>(), 603.765876, 1e-6);
    const auto found = run("deisotope " + kRun + " --scan 1 --format json");
    ASSERT_EQ(found.status, 0);
    const auto envelopes = nlohmann::json::parse(found.out)["envelopes"];
    bool seen = false;
    for (const auto &e : envelopes)
        seen |= e["charge"] == 2 && std::abs(e["monoisotopic_mz"].get<double>() - 603.7659) < 1e-3;
    EXPECT_TRUE(seen) << found.out;
}

TEST(CliDeisotope, FindsWhatTheSimulatorMadeFreshly) {
    if (cli_test::run_command("command -v MSSimulator >/dev/null").status != 0)
        GTEST_SKIP() << "OpenMS's MSSimulator (Debian package topp) is not installed";
    const std::string dir = cli_test::scratch_directory("simulated_run");
    const std::string source = CORVAN_SOURCE_DIR;
    ASSERT_EQ(cli_test::shell(source + "/tools/simulate_run.sh " + source +
                              "/tests/data/simulated/peptides.fasta " + dir)
                  .status,
              0);
    const auto result = run("deisotope " + dir + "/run_centroid.mzML --charges 1-4 --format csv");
    EXPECT_NE(result.out.find(",603.765876,1205.517"), std::string::npos) << result.out;
    cli_test::shell("rm -rf " + dir);
}

TEST(CliObserved, RefusesBadInputWithAMessage) {
    const std::string dir = cli_test::scratch_directory("observed_cli");
    cli_test::write_file(dir + "/negative.csv", "mz,intensity\n500,1\n501,-2\n");
    cli_test::write_file(dir + "/empty.csv", "mz,intensity\n");
    auto result = expect_exit("deisotope " + dir + "/negative.csv", 2,
                              "peak 2 of the spectrum has a negative");
    result = run("match " + dir + "/empty.csv --peptide PEPTIDE/2", true);
    EXPECT_NE(result.out.find("the spectrum is empty"), std::string::npos) << result.out;
    result = expect_exit("match " + dir + "/absent.mzML --peptide PEPTIDE/2", 3,
                         "cannot read the mzML file");
    cli_test::shell("rm -rf " + dir);
}

} // namespace
