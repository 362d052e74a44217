// The corvan program's outputs: machine formats, the mass columns, a
// caller's network, the SVG plot and the all-or-nothing output files.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_support.hpp"
#include "corvan.h"

using namespace cli_test;

namespace {

// ---- mass columns against an enumeration of every isotopic composition ----

struct PeakSums {
    std::map<int, double> abundance, mass_moment;
};

struct Spread {
    double abundance, mass;
};

// Every way to spread `count` atoms over the element's isotopes, with its
// multinomial probability and its mass.
std::vector<Spread> element_outcomes(int atomic_number, int count) {
    std::vector<double> masses, abundances;
    for (int row = 0; row < dlen; ++row)
        if (isotope_numbers[row] == atomic_number) {
            masses.push_back(isotope_masses[row]);
            abundances.push_back(isotope_abundances[row]);
        }
    std::vector<Spread> outcomes;
    std::function<void(std::size_t, int, double, double)> spread =
        [&](std::size_t isotope, int left, double log_probability, double mass) {
            if (isotope + 1 == masses.size()) {
                const double logp = log_probability + left * std::log(abundances[isotope]) -
                                    std::lgamma(left + 1.0);
                outcomes.push_back(
                    {std::exp(logp + std::lgamma(count + 1.0)), mass + left * masses[isotope]});
                return;
            }
            for (int k = 0; k <= left; ++k)
                spread(isotope + 1, left - k,
                       log_probability +
                           (abundances[isotope] > 0 ? k * std::log(abundances[isotope])
                                                    : (k ? -INFINITY : 0.0)) -
                           std::lgamma(k + 1.0),
                       mass + k * masses[isotope]);
        };
    spread(0, count, 0.0, 0.0);
    return outcomes;
}

void combine(const std::vector<std::vector<Spread>> &elements, std::size_t next, double abundance,
             double mass, double lightest, PeakSums &sums) {
    if (next == elements.size()) {
        const int step = static_cast<int>(std::lround(mass - lightest));
        sums.abundance[step] += abundance;
        sums.mass_moment[step] += abundance * mass;
        return;
    }
    for (const Spread &outcome : elements[next])
        combine(elements, next + 1, abundance * outcome.abundance, mass + outcome.mass, lightest,
                sums);
}

PeakSums enumerated_peaks(const std::vector<std::pair<int, int>> &formula) {
    std::vector<std::vector<Spread>> elements;
    double lightest = 0;
    for (const auto &[atomic_number, count] : formula) {
        elements.push_back(element_outcomes(atomic_number, count));
        for (int row = 0; row < dlen; ++row)
            if (isotope_numbers[row] == atomic_number) {
                lightest += count * isotope_masses[row];
                break;
            }
    }
    PeakSums sums;
    combine(elements, 0, 1.0, 0.0, lightest, sums);
    return sums;
}

struct MassCase {
    std::string arguments;
    std::vector<std::pair<int, int>> formula; // atomic number, count
    long long nominal;                        // of peak M
};

// The program's CSV answer for a case, and the enumeration to hold it to.
class CsvAgainstEnumeration : public testing::TestWithParam<MassCase> {
  protected:
    const Outcome r = run(GetParam().arguments + " --format csv");
    const std::vector<std::string> lines = lines_of(r.out);
    const PeakSums sums = enumerated_peaks(GetParam().formula);
};

class CliMassColumns : public CsvAgainstEnumeration {};

// Sequences keep the fixed-grid table of their engines.
TEST_P(CliMassColumns, AgreeWithEveryIsotopicCompositionEnumerated) {
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_EQ(lines.size(), 9u) << r.out;
    EXPECT_EQ(lines[0], "k,peak,intensity,mass,nominal_mass");
    for (int k = 0; k < 8; ++k) {
        const auto fields = fields_of(lines[k + 1], ',');
        ASSERT_EQ(fields.size(), 5u) << lines[k + 1];
        EXPECT_EQ(std::stoll(fields[4]), GetParam().nominal + k);
        const auto found = sums.abundance.find(k);
        if (found == sums.abundance.end() || found->second == 0) {
            EXPECT_EQ(fields[3], "") << "peak " << k;
            continue;
        }
        const double mean = sums.mass_moment.at(k) / found->second;
        EXPECT_NEAR(std::stod(fields[3]), mean, 1.5e-6) << "peak " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CliMassColumns,
    testing::Values( // G, A, G less two waters, plus one water: C7H13N3O4.
        MassCase{"peptide GAG --engine fft --points 8", {{6, 7}, {1, 13}, {7, 3}, {8, 4}}, 203},
        // The library's nucleotide rows: A C10H11N5O6 + U C9H10N2O8.
        MassCase{"rna AU --engine fft --points 8", {{6, 19}, {1, 21}, {7, 7}, {8, 14}}, 571}));

// Formulas report every point with its share and mean mass: both against
// the enumeration of every isotopic composition.
class CliFormulaPoints : public CsvAgainstEnumeration {};

TEST_P(CliFormulaPoints, AgreeWithEveryIsotopicCompositionEnumerated) {
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_GE(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0], "k,peak,share,intensity,mass");
    // The enumeration counts k from the lightest composition, the program
    // from M (each element's most abundant isotope): M's mass tells how far
    // apart they are.
    int shift = 0;
    for (std::size_t row = 1; row < lines.size(); ++row) {
        const auto fields = fields_of(lines[row], ',');
        if (fields.size() == 5 && fields[0] == "0")
            shift = static_cast<int>(
                std::lround(std::stod(fields[4]) - sums.mass_moment.at(0) / sums.abundance.at(0)));
    }
    for (std::size_t row = 1; row < lines.size(); ++row) {
        const auto fields = fields_of(lines[row], ',');
        ASSERT_EQ(fields.size(), 5u) << lines[row];
        const int k = std::stoi(fields[0]) + shift;
        const auto found = sums.abundance.find(k);
        const double share = found == sums.abundance.end() ? 0 : found->second;
        EXPECT_NEAR(std::stod(fields[2]), share, 1e-12) << "peak " << k;
        if (share < 1e-12) {
            EXPECT_EQ(fields[4], "") << "peak " << k;
            continue;
        }
        EXPECT_NEAR(std::stod(fields[4]), sums.mass_moment.at(k) / share, 1e-6) << "peak " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, CliFormulaPoints,
    testing::Values(MassCase{"formula H2O", {{1, 2}, {8, 1}}, 18},
                    MassCase{"formula C3H7NO2S", {{6, 3}, {1, 7}, {7, 1}, {8, 2}, {16, 1}}, 121},
                    MassCase{"formula SnCl2", {{50, 1}, {17, 2}}, 182}));

TEST(CliMassColumns, WaterByHand) {
    const auto r = run("formula H2O");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(
        holds_all(r.out, {"    0  M                 1.000000    0.99734057     18.010565\n",
                          // M+1: one deuterium (2 x 0.999885 x 0.000115 x 0.99757) at 19.016841, or
                          // oxygen-17 (0.999885^2 x 0.00038) at 19.014782; weighted: 19.015557.
                          "M+1               0.000611    0.00060933     19.015557\n",
                          "monoisotopic mass 18.010565 Da", "# mass      = abundance-weighted"}));
}

TEST(CliMassColumns, AbsentForAMass) {
    const auto r = run("peptide --mass 1500 --engine fft");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(holds(r.out, "index  peak    relative intensity\n"));
    EXPECT_EQ(r.out.find("nominal"), std::string::npos) << r.out;
}

// ---- machine formats ----

TEST(CliFormats, CsvAndTsvCarryEveryPoint) {
    std::vector<float> out(20);
    const float peak = brain_pep_seq_to_dist("PEPTIDE", out.data(), 20, 2);
    for (const char *format : {"csv", "tsv"}) {
        const char separator = format[0] == 'c' ? ',' : '\t';
        const auto r =
            run(std::string("peptide PEPTIDE --engine brain --points 20 --offset 2 --format ") +
                format);
        ASSERT_EQ(r.status, 0);
        const auto lines = lines_of(r.out);
        ASSERT_EQ(lines.size(), 21u) << r.out;
        EXPECT_EQ(fields_of(lines[0], separator),
                  (std::vector<std::string>{"k", "peak", "intensity", "mass", "nominal_mass"}));
        for (int i = 0; i < 20; ++i) {
            const auto fields = fields_of(lines[i + 1], separator);
            ASSERT_EQ(fields.size(), 5u);
            EXPECT_EQ(fields[0], std::to_string(i - 2));
            EXPECT_EQ(fields[1], i < 2 ? "-" : i == 2 ? "M" : "M+" + std::to_string(i - 2));
            EXPECT_EQ(std::stof(fields[2]), out[i]) << "row " << i;
            // Masses where the library reports the peak: M to M+13 for PEPTIDE,
            // whose M+14 holds less than 1e-12 of the whole.
            EXPECT_EQ(fields[3].empty(), i < 2 || i > 15) << "row " << i;
        }
        EXPECT_GT(peak, 0);
    }
}

TEST(CliFormats, JsonHoldsTheInputEngineFrameAndPeaks) {
    const auto r =
        run("peptide 'PEPTIDE[C2H2O]K' --engine brain --points 20 --offset 1 --format json");
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<float> out(20);
    const float peak = brain_pep_seq_to_dist("PEPTIDE[C2H2O]K", out.data(), 20, 1);
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["kind"], "peptide");
    EXPECT_EQ(json["input"], nlohmann::json({{"text", "PEPTIDE[C2H2O]K"}}));
    EXPECT_EQ(json["engine"], "brain");
    EXPECT_EQ(json["grid"], 20);
    EXPECT_EQ(json["offset"], 1);
    EXPECT_FLOAT_EQ(json["peak_value"].get<float>(), peak);
    EXPECT_EQ(json["formula"], "C42H67N9O17");
    EXPECT_EQ(json["monoisotopic_mass"], 969.465492);
    const auto &points = json["points"];
    ASSERT_EQ(points.size(), 20u);
    EXPECT_EQ(points[0], nlohmann::json({{"k", -1}, {"peak", "-"}, {"intensity", 0}}));
    EXPECT_EQ(points[1], nlohmann::json({{"k", 0},
                                         {"peak", "M"},
                                         {"intensity", 1},
                                         {"mass", 969.465492},
                                         {"nominal_mass", 969}}));
    for (std::size_t i = 1; i < points.size(); ++i)
        EXPECT_FLOAT_EQ(points[i]["intensity"].get<float>(), out[i]) << i;
}

TEST(CliFormats, JsonForAMass) {
    const auto r = run("rna --mass 30000 --engine fft --format json");
    ASSERT_EQ(r.status, 0);
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["input"], nlohmann::json({{"mass", 30000}}));
    EXPECT_FALSE(json.contains("formula"));
    EXPECT_FALSE(json["points"][0].contains("nominal_mass"));
}

TEST(CliFormats, UnknownFormatIsAUsageError) {
    const auto r =
        expect_exit("formula H2O --format xml", 2, "--format must be table, csv, tsv or json");
}

// ---- a caller's network (--weights) ----

class CliWeights : public testing::Test {
  protected:
    void SetUp() override {
        directory = scratch_directory("weights");
        weights = directory + "/pep64.bin";
        write_file(weights, std::string(reinterpret_cast<const char *>(corvanpep_model_64_bin),
                                        corvanpep_model_64_bin_len));
    }
    std::string directory, weights;
    // 60 residues: in the range of the embedded 64-output network.
    const std::string sequence = "ACDEFGHIKLMNPQRSTVWYACDEFGHIKLMNPQRSTVWYACDEFGHIKLMNPQRSTVWY";
};

TEST_F(CliWeights, RunTheNetworkInTheFile) {
    const auto r = run("peptide " + sequence + " --weights " + weights + " --format csv");
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<float> custom(64), embedded(64);
    nn_pep_seq_to_dist_custom(sequence.c_str(), custom.data(), 64, 0, weights.c_str());
    nn_pep_seq_to_dist(sequence.c_str(), embedded.data(), 64, 0);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 65u);
    for (int i = 0; i < 64; ++i) {
        const float value = std::stof(fields_of(lines[i + 1], ',')[2]);
        EXPECT_EQ(value, custom[i]) << i;
        EXPECT_EQ(value, embedded[i]) << i;
    }
    const auto table = run("peptide " + sequence + " --weights " + weights);
    EXPECT_NE(table.out.find("(nn engine, network file " + weights + ")"), std::string::npos);
}

TEST_F(CliWeights, PointsMustMatchTheNetwork) {
    const auto r = expect_exit("peptide PEPTIDE --weights " + weights + " --points 32", 2,
                               "has 64 outputs, so --points must be 64");
}

TEST_F(CliWeights, AFileOfTheWrongSizeOrKind) {
    const std::string cut = directory + "/cut.bin";
    write_file(cut, read_file(weights).substr(4));
    auto r = expect_exit("peptide PEPTIDE --weights " + cut, 2,
                         "is not a weight file of a 20-input network");
    // The 20-input file is no network by mass.
    r = expect_exit("peptide --mass 1000 --weights " + weights, 2, "5-input network");
    r = expect_exit("peptide PEPTIDE --engine brain --weights " + weights, 2,
                    "--weights needs the nn engine");
}

TEST_F(CliWeights, AMissingFileIsAFileError) {
    const auto r = expect_exit("peptide PEPTIDE --weights " + directory + "/absent.bin", 3,
                               "cannot read the weight file");
}

// ---- the plot ----

std::size_t count_of(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++count;
    return count;
}

struct PlotCase {
    std::string arguments;
    std::function<float(float *, int)> call; // n points, offset 0
    bool by_mass;
};

class CliPlot : public testing::TestWithParam<PlotCase> {};

TEST_P(CliPlot, OneStickPerVisiblePeak) {
    const std::string directory = scratch_directory("plot");
    const std::string path = directory + "/spectrum.svg";
    const auto r = run(GetParam().arguments + " --plot " + path);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("relative intensity"), std::string::npos) << "the table still prints";
    const std::string svg = read_file(path);
    ASSERT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u) << svg.substr(0, 80);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    std::vector<float> out(64);
    ASSERT_GE(GetParam().call(out.data(), 64), 0.0f);
    std::size_t visible = 0;
    for (float value : out) visible += value >= 1e-3f;
    EXPECT_EQ(count_of(svg, "<line class=\"peak\""), visible);
    EXPECT_EQ(count_of(svg, "<text"), count_of(svg, "</text>"));
    EXPECT_TRUE(holds(svg, "relative intensity"));
    EXPECT_NE(svg.find(GetParam().by_mass ? "mass (Da)" : ">peak<"), std::string::npos);
    EXPECT_EQ(directory_listing(directory), "spectrum.svg\n");
}

INSTANTIATE_TEST_SUITE_P(
    Molecules, CliPlot,
    testing::Values(
        PlotCase{"peptide 'PEPTIDE[C2H2O]K' --engine fft",
                 [](float *o, int n) { return fft_pep_seq_to_dist("PEPTIDE[C2H2O]K", o, n, 0); },
                 true},
        PlotCase{"peptide --mass 25000 --engine nn",
                 [](float *o, int n) { return nn_pep_mass_to_dist(o, n, 0, 25000); }, false},
        PlotCase{
            "formula C254H377N65O75S6",
            [](float *o, int n) { return fft_atom_formula_to_dist("C254H377N65O75S6", o, n, 0); },
            true}));

// ---- failures leave nothing behind ----

TEST(CliOutputFiles, AFailedCallWritesNoFile) {
    const std::string directory = scratch_directory("failed-call");
    const auto r = run("peptide --mass 150000 --engine nn --plot " + directory + "/x.svg --out " +
                       directory + "/x.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(directory_listing(directory), "");
}

TEST(CliOutputFiles, AnUnwritableTargetIsAFileErrorAndLeavesNoTemporary) {
    const std::string directory = scratch_directory("unwritable");
    // A directory in the way: the rename fails after the temporary was written.
    std::system(("mkdir '" + directory + "/in-the-way.svg'").c_str());
    auto r = expect_exit("formula H2O --plot " + directory + "/in-the-way.svg", 3, "cannot write");
    EXPECT_EQ(r.out.find("relative intensity"), std::string::npos) << "no table either";
    EXPECT_EQ(directory_listing(directory), "in-the-way.svg\n");
    r = run("formula H2O --out " + directory + "/no/such/directory/x.csv", true);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(directory_listing(directory), "in-the-way.svg\n");
}

TEST(CliOutputFiles, OutReplacesTheFileWhole) {
    const std::string directory = scratch_directory("out");
    write_file(directory + "/x.json", "old");
    const auto r = run("formula H2O --format json --out " + directory + "/x.json");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(directory + "/x.json").rfind("{\n  \"kind\": \"formula\"", 0), 0u);
    EXPECT_EQ(directory_listing(directory), "x.json\n");
}

// One contract: a fixed engine's CSV and JSON use the exact engine's names
// where they mean the same; the ending of --out picks the format; ion plots
// say m/z; counts agree with their nouns.
TEST(CliOutputFiles, OneContractForEveryEngine) {
    const std::string directory = scratch_directory("contract");
    for (const std::string engine : {"exact", "fft"}) {
        ASSERT_EQ(run("peptide PEPTIDE --engine " + engine + " --out " + directory + "/" + engine +
                      ".csv")
                      .status,
                  0);
        ASSERT_EQ(run("peptide PEPTIDE --engine " + engine + " --out " + directory + "/" + engine +
                      ".json")
                      .status,
                  0);
        EXPECT_EQ(
            read_file(directory + "/" + engine + ".json").rfind("{\n  \"kind\": \"peptide\"", 0),
            0u)
            << engine;
    }
    const auto exact = fields_of(lines_of(read_file(directory + "/exact.csv"))[0], ',');
    const auto fixed = fields_of(lines_of(read_file(directory + "/fft.csv"))[0], ',');
    for (const std::string column : {"k", "peak", "intensity", "mass"}) {
        EXPECT_NE(std::find(exact.begin(), exact.end(), column), exact.end()) << column;
        EXPECT_NE(std::find(fixed.begin(), fixed.end(), column), fixed.end()) << column;
    }
    ASSERT_EQ(run("formula C6H12O6 --charge 1 --plot " + directory + "/ion.svg").status, 0);
    const std::string plot = read_file(directory + "/ion.svg");
    EXPECT_TRUE(holds_all(plot, {">m/z, each stick", "(exact engine)"}));
    EXPECT_NE(run("formula H2O --points 1").out.find("# 1 point;"), std::string::npos);
    EXPECT_NE(run("peptide PEPTIDE --engine fft --points 1").out.find(": 1 point,"),
              std::string::npos);
}

} // namespace
