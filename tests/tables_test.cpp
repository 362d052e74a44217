// The exported chemistry tables against the NIST data file and the
// relations between the residue and averaging-unit tables.
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

struct NistIsotope {
    int z = 0;
    int mass_number = 0;
    double mass = 0;
    double composition = 0; // 0 where NIST gives none
};

double strip_and_parse(std::string text) {
    text = text.substr(0, text.find('('));
    return text.empty() ? 0.0 : std::stod(text);
}

std::vector<NistIsotope> read_nist() {
    std::ifstream file(CORVAN_SOURCE_DIR "/data/nist-isotopes.txt");
    std::vector<NistIsotope> isotopes;
    NistIsotope current;
    for (std::string line; std::getline(file, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq < 1) continue;
        const std::string key = line.substr(0, eq - 1);
        const std::string value = eq + 2 <= line.size() ? line.substr(eq + 2) : "";
        if (key == "Atomic Number") current = NistIsotope{std::stoi(value)};
        if (key == "Mass Number") current.mass_number = std::stoi(value);
        if (key == "Relative Atomic Mass") current.mass = strip_and_parse(value);
        if (key == "Isotopic Composition") current.composition = strip_and_parse(value);
        if (key == "Notes") isotopes.push_back(current);
    }
    return isotopes;
}

std::vector<int> rows_of(int z) {
    std::vector<int> rows;
    for (int r = 0; r < 313; ++r)
        if (isotope_numbers[r] == z) rows.push_back(r);
    return rows;
}

TEST(ElementTable, CountsAndSymbols) {
    EXPECT_EQ(numelements, 109);
    EXPECT_EQ(dlen, 313);
    EXPECT_STREQ(element_names[0], "H");
    EXPECT_STREQ(element_names[5], "C");
    EXPECT_STREQ(element_names[15], "S");
    EXPECT_STREQ(element_names[108], "Mt");
    EXPECT_STREQ(elements[0], "He");
    EXPECT_STREQ(elements[94], "Mt");
    EXPECT_STREQ(elements[95], "H");
    EXPECT_STREQ(elements[108], "I");
}

TEST(ElementTable, ElementsHoldEverySymbolTwoLettersFirst) {
    std::vector<std::string> expected;
    for (int z = 0; z < 109; ++z)
        if (std::strlen(element_names[z]) == 2) expected.push_back(element_names[z]);
    for (const char *one : {"H", "B", "C", "N", "O", "F", "P", "S", "K", "V", "Y", "U", "W", "I"})
        expected.push_back(one);
    ASSERT_EQ(expected.size(), 109u);
    for (int i = 0; i < 109; ++i) EXPECT_EQ(expected[i], elements[i]) << i;
}

TEST(IsotopeTable, RowsAreSortedCompleteAndSumToOne) {
    EXPECT_EQ(isotope_numbers[0], 1);
    EXPECT_EQ(isotope_numbers[312], 109);
    const std::map<int, int> expected_rows = {{1, 2},  {2, 2},  {8, 3},  {16, 4}, {50, 10},
                                              {54, 9}, {62, 7}, {92, 3}, {109, 1}};
    for (int z = 1; z <= 109; ++z) {
        const auto rows = rows_of(z);
        ASSERT_FALSE(rows.empty()) << z;
        EXPECT_EQ(rows.back() - rows.front() + 1, static_cast<int>(rows.size())) << z;
        double sum = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            sum += isotope_abundances[rows[i]];
            if (i == 0) continue;
            const double step = isotope_masses[rows[i]] - isotope_masses[rows[i - 1]];
            EXPECT_GE(std::lround(step), 1) << z;
            EXPECT_LE(std::lround(step), 3) << z;
            EXPECT_GT(std::fabs(step - std::floor(step) - 0.5), 0.05) << "near a tie: " << z;
        }
        const double span = isotope_masses[rows.back()] - isotope_masses[rows.front()];
        EXPECT_LE(std::lround(span), 12) << z;
        EXPECT_NEAR(sum, 1.0, 2e-4) << z;
        if (auto it = expected_rows.find(z); it != expected_rows.end()) {
            EXPECT_EQ(static_cast<int>(rows.size()), it->second) << z;
        }
    }
}

TEST(IsotopeTable, NaturalRowsAreExactlyTheNistCompositions) {
    const auto nist = read_nist();
    ASSERT_GT(nist.size(), 300u);
    int compared = 0;
    for (int z = 1; z <= 109; ++z) {
        std::vector<NistIsotope> natural;
        for (const auto &iso : nist)
            if (iso.z == z && iso.composition > 0) natural.push_back(iso);
        if (natural.empty()) continue;
        const auto rows = rows_of(z);
        ASSERT_EQ(rows.size(), natural.size()) << z;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(isotope_masses[rows[i]], natural[i].mass) << z;
            EXPECT_EQ(isotope_abundances[rows[i]], natural[i].composition) << z;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 288);
}

TEST(IsotopeTable, LightElementsAndSyntheticRowsAsPublished) {
    struct Row {
        int row;
        double mass, abundance;
    };
    const Row light[] = {
        {0, 1.00782503223, 0.999885},  {1, 2.01410177812, 0.000115},  {9, 12.0, 0.9893},
        {10, 13.00335483507, 0.0107},  {11, 14.00307400443, 0.99636}, {12, 15.00010889888, 0.00364},
        {13, 15.99491461957, 0.99757}, {14, 16.9991317565, 0.00038},  {15, 17.99915961286, 0.00205},
        {29, 31.9720711744, 0.9499},   {30, 32.9714589098, 0.0075},   {31, 33.967867004, 0.0425},
        {32, 35.96708071, 0.0001}};
    for (const auto &r : light) {
        EXPECT_EQ(isotope_masses[r.row], r.mass) << r.row;
        EXPECT_EQ(isotope_abundances[r.row], r.abundance) << r.row;
    }
    const std::map<std::string, double> synthetic = {
        {"Tc", 97.9072124},  {"Pm", 144.9127559}, {"Po", 208.9824308}, {"Rn", 222.0175782},
        {"Am", 243.0613813}, {"Bk", 247.0703073}, {"Hs", 270.13429},   {"Mt", 276.15159}};
    for (int z = 1; z <= 109; ++z) {
        const auto it = synthetic.find(element_names[z - 1]);
        if (it == synthetic.end()) continue;
        const auto rows = rows_of(z);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(isotope_masses[rows[0]], it->second);
        EXPECT_EQ(isotope_abundances[rows[0]], 1.0);
    }
    // The first row is the lightest isotope, not the most abundant one.
    EXPECT_EQ(isotope_abundances[rows_of(2)[0]], 1.34e-06);
    EXPECT_EQ(isotope_abundances[rows_of(18)[0]], 0.003336);
}

TEST(ResidueTables, OrdersAndNames) {
    EXPECT_STREQ(aaorder, "ACDEFGHIKLMNPQRSTVWY");
    EXPECT_STREQ(pepOrder, aaorder);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(aa_names[i][0], aaorder[i]);
    EXPECT_STREQ(rnaOrder, "ACGU");
    EXPECT_EQ(numaminoacids, 23);
    EXPECT_EQ(num_simp_elements, 5);
    const char *symbols[] = {"C", "H", "N", "O", "S"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(pep_encoding_elements[i], symbols[i]);
}

TEST(ResidueTables, ExtendedSetMatchesStandardResiduesWithHAndCSwapped) {
    const int serine[5] = {3, 5, 1, 2, 0};
    for (int e = 0; e < 5; ++e) EXPECT_EQ(aa_vectors[15][e], serine[e]);
    int matched = 0;
    for (int row = 0; row < 23; ++row) {
        const char *p = std::strchr(aaorder, amino_acid_names[row][0]);
        if (p == nullptr) continue;
        const int *standard = aa_vectors[p - aaorder];
        EXPECT_EQ(amino_acid_vectors[row][0], standard[1]) << amino_acid_names[row];
        EXPECT_EQ(amino_acid_vectors[row][1], standard[0]) << amino_acid_names[row];
        for (int e = 2; e < 5; ++e) EXPECT_EQ(amino_acid_vectors[row][e], standard[e]);
        ++matched;
    }
    EXPECT_EQ(matched, 20);
    for (int e = 0; e < 5; ++e) EXPECT_EQ(amino_acid_vectors[23][e], 0);
    for (int e = 0; e < 5; ++e) EXPECT_EQ(amino_acid_vectors[18][e], amino_acid_vectors[1][e]);
}

TEST(AveragingUnits, RelationsHold) {
    EXPECT_EQ(massavgine, 111.1254);
    for (int e = 0; e < 5; ++e) {
        double mean = 0;
        for (int row = 0; row < 4; ++row) mean += rna_vectors[row][e] / 4.0;
        EXPECT_EQ(mean, rnaveragine_comp_numerical[e]);
        EXPECT_NEAR(averagine_coeffs[e], avgine[e] / massavgine, 5e-4 * avgine[e] / massavgine);
        EXPECT_NEAR(rnaveragine_coeff[e], rnaveragine_comp_numerical[e] / 320.2838,
                    5e-4 * rnaveragine_comp_numerical[e] / 320.2838);
    }
    EXPECT_EQ(static_cast<double>(rnaveragine_mass), 320.2838134765625);
    // DNA rows carry H first: thymine has 13 hydrogens and 10 carbons.
    EXPECT_EQ(dna_vectors[3][0], 13);
    EXPECT_EQ(dna_vectors[3][1], 10);
}

} // namespace
