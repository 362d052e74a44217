// Answers of the molecule layer checked against values worked out apart from
// it: the isotope table's own masses and abundances, enumerations of small
// patterns, and single calls as a second route for the many-molecule calls.
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <new>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/handles.hpp"
#include "corvan.h"

namespace {

// Mass and abundance of one isotope straight from the exported table.
double table_mass(int z, int mass_number) {
    for (int row = 0; row < dlen; ++row)
        if (isotope_numbers[row] == z && std::lround(isotope_masses[row]) == mass_number)
            return isotope_masses[row];
    ADD_FAILURE() << "no isotope " << mass_number << " of Z " << z;
    return NAN;
}

constexpr double kH = 1.00782503223, kC = 12, kN = 14.00307400443, kO = 15.99491461957;

struct Computed {
    corvan_distribution *d = nullptr;
    corvan_error e{};
    int status = CORVAN_OK;
    corvan_points p{};
    corvan_summary s{};
    corvan_most_abundant top{};
    Computed(int kind, const char *text, const corvan_options *o) {
        status = corvan_distribution_from_text(kind, text, o, &d, &e);
        if (status != CORVAN_OK) return;
        corvan_distribution_points(d, &p);
        corvan_distribution_summary(d, &s);
        corvan_distribution_most_abundant(d, &top);
    }
    ~Computed() { corvan_distribution_free(d); }
    double share(int k) const {
        for (std::size_t i = 0; i < p.count; ++i)
            if (p.neutrons[i] == k) return p.shares[i];
        return 0;
    }
};

struct Options {
    corvan_options *o = corvan_options_create();
    ~Options() { corvan_options_free(o); }
};

// ---- Item: monoisotopic is every element's most abundant isotope ----------

TEST(Monoisotopic, MostAbundantIsotopeOfEachElement) {
    // Selenocysteine: 80Se, not 74Se.
    Computed se(CORVAN_KIND_PEPTIDE, "PEPTIDEUK", nullptr);
    ASSERT_EQ(se.status, CORVAN_OK) << se.e.message;
    EXPECT_NEAR(se.s.monoisotopic_mass, 43 * kC + 70 * kH + 10 * kN + 17 * kO + table_mass(34, 80),
                1e-9);
    EXPECT_NEAR(se.s.monoisotopic_mass, 1078.408563, 1e-6);
    EXPECT_EQ(se.p.neutrons[0], -6); // 74Se, six neutrons below 80Se
    // Boron: 11B is M; 10B (19.9%) is M-1. The lone atom is its own pattern.
    Computed b(CORVAN_KIND_FORMULA, "B", nullptr);
    ASSERT_EQ(b.p.count, 2u);
    EXPECT_EQ(b.p.neutrons[0], -1);
    EXPECT_NEAR(b.share(-1), 0.199, 1e-12);
    EXPECT_NEAR(b.s.monoisotopic_mass, table_mass(5, 11), 1e-12);
    Options ion;
    corvan_options_set_charge(ion.o, 1, nullptr, nullptr);
    Computed boronic(CORVAN_KIND_FORMULA, "C19H25BN4O4", ion.o);
    const double mz =
        19 * kC + 26 * kH + table_mass(5, 11) + 4 * kN + 4 * kO - CORVAN_ELECTRON_MASS;
    EXPECT_NEAR(boronic.s.monoisotopic_mz, mz, 1e-9);
    EXPECT_NEAR(mz, 385.2042, 1e-4);
    EXPECT_EQ(boronic.top.neutrons, 0);
    EXPECT_DOUBLE_EQ(boronic.top.mz, boronic.p.mz[boronic.top.index]);
}

TEST(Monoisotopic, FollowsTheLabelsAndNamesTheHighestPoint) {
    // 15N at 0.98: M is 15N2; M-1 is one 14N, M-2 two (binomial).
    Options labelled;
    ASSERT_EQ(corvan_options_parse_label(labelled.o, "15N=0.98", nullptr), CORVAN_OK);
    Computed n2(CORVAN_KIND_FORMULA, "N2", labelled.o);
    EXPECT_NEAR(n2.s.monoisotopic_mass, 2 * table_mass(7, 15), 1e-12);
    EXPECT_NEAR(n2.share(-1), 2 * 0.98 * 0.02, 1e-12);
    EXPECT_NEAR(n2.share(-2), 0.02 * 0.02, 1e-12);
    EXPECT_EQ(n2.top.neutrons, 0);
    EXPECT_NEAR(n2.top.share, 0.98 * 0.98, 1e-12);
    EXPECT_NEAR(n2.top.mass, 2 * table_mass(7, 15), 1e-9);
    EXPECT_TRUE(std::isnan(n2.top.mz));
}

// ---- Item: many-molecule windows follow the envelope ------------------------

// The rows of one call into a corvan_many_table.
struct Table {
    std::size_t points;
    std::vector<double> heights, mz;
    std::vector<int> status, first;
    Table(std::size_t rows, std::size_t n)
        : points(n), heights(rows * n), mz(rows * n), status(rows), first(rows, 99) {}
    corvan_many_table view() {
        return {sizeof(corvan_many_table),
                points,
                heights.data(),
                mz.data(),
                nullptr,
                status.data(),
                nullptr,
                first.data()};
    }
};

TEST(ManyWindows, HoldTheMostAbundantPointAsSingleCallsPlaceIt) {
    const double masses[] = {60000, 1000};
    const int charges[] = {10, 2};
    Table t(2, 16);
    const corvan_many_table view = t.view();
    ASSERT_EQ(corvan_many_table_from_masses(CORVAN_KIND_PEPTIDE, masses, charges, 2, nullptr, &view,
                                            nullptr, nullptr),
              CORVAN_OK);
    for (std::size_t r = 0; r < 2; ++r) {
        corvan_molecule *m = nullptr;
        ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, masses[r], &m, nullptr),
                  CORVAN_OK);
        Options o;
        corvan_options_set_charge(o.o, charges[r], nullptr, nullptr);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, o.o, &d, nullptr), CORVAN_OK);
        corvan_points p{};
        corvan_distribution_points(d, &p);
        const double *row = &t.heights[r * 16];
        EXPECT_EQ(*std::max_element(row, row + 16), 1.0) << r;
        for (std::size_t i = 0; i < p.count; ++i) {
            const long column = p.neutrons[i] - t.first[r];
            if (column >= 0 && column < 16) {
                EXPECT_EQ(row[column], p.intensities[i]) << r;
            }
        }
        corvan_distribution_free(d);
        corvan_molecule_free(m);
    }
    EXPECT_GT(t.first[0], 20); // the 60 kDa envelope peaks far above M
    EXPECT_EQ(t.first[1], 0);  // a small one fits from M on
    // The first version of the results struct gets the same heights.
    std::vector<double> heights(32);
    std::vector<int> status(2);
    const corvan_many_results old{16, heights.data(), nullptr, nullptr, status.data(), nullptr};
    corvan_many_from_masses(CORVAN_KIND_PEPTIDE, masses, charges, 2, nullptr, &old, nullptr,
                            nullptr);
    EXPECT_EQ(heights, t.heights);
}

TEST(ManyWindows, LabelledPeptideAndTooShortATable) {
    Options o;
    corvan_options_parse_label(o.o, "15N=0.98", nullptr);
    const char *texts[] = {"PEPTIDEKPEPTIDEKPEPTIDEKPEPTIDEKPEPTID"}; // 38 residues
    Table t(1, 16);
    corvan_many_table view = t.view();
    ASSERT_EQ(corvan_many_table_from_texts(CORVAN_KIND_PEPTIDE, texts, nullptr, 1, o.o, &view,
                                           nullptr, nullptr),
              CORVAN_OK);
    EXPECT_EQ(*std::max_element(t.heights.begin(), t.heights.end()), 1.0);
    EXPECT_LT(t.first[0], 0); // M is 15N throughout; 14N atoms make M-1, M-2...
    view.size = sizeof(std::size_t);
    EXPECT_EQ(corvan_many_table_from_texts(CORVAN_KIND_PEPTIDE, texts, nullptr, 1, o.o, &view,
                                           nullptr, nullptr),
              CORVAN_E_ARGUMENT);
}

// ---- Item: labels describe the molecule, not its adduct ---------------------

TEST(LabelsOnTheMoleculeOnly, TheCarrierKeepsNaturalAbundance) {
    Options o;
    corvan_options_parse_label(o.o, "2H=0.99", nullptr);
    corvan_options_set_charge(o.o, 1, nullptr, nullptr);
    Computed ion(CORVAN_KIND_FORMULA, "CH4", o.o);
    ASSERT_EQ(ion.status, CORVAN_OK) << ion.e.message;
    // M: CD4 plus a 1H proton.
    EXPECT_NEAR(ion.s.monoisotopic_mz, kC + 4 * table_mass(1, 2) + kH - CORVAN_ELECTRON_MASS, 1e-9);
    // [M-H]-: the proton leaves from the molecule's own (labelled) atoms.
    corvan_options_set_charge(o.o, -1, nullptr, nullptr);
    Computed anion(CORVAN_KIND_FORMULA, "CH4", o.o);
    EXPECT_NEAR(anion.s.monoisotopic_mz, kC + 3 * table_mass(1, 2) + CORVAN_ELECTRON_MASS, 1e-9);
    // Glucosamine with 15N and NH4+: the carrier's 14N makes M-1 only with
    // the molecule's 1% of 14N.
    Options ammonium;
    corvan_options_parse_label(ammonium.o, "15N=0.99", nullptr);
    corvan_options_set_charge(ammonium.o, 1, "NH4+", nullptr);
    Computed gln(CORVAN_KIND_FORMULA, "C6H13NO5", ammonium.o);
    // M-1 is the molecule's 14N with every other atom monoisotopic: those
    // are C6H17NO5 at natural abundance (the carrier's N among them).
    Computed rest(CORVAN_KIND_FORMULA, "C6H17NO5", nullptr);
    ASSERT_EQ(gln.status, CORVAN_OK) << gln.e.message;
    EXPECT_NEAR(gln.share(-1), 0.01 * rest.share(0), 1e-12);
}

// ---- Item: refusals, each with its status, text and position ----------------

struct Refused {
    int kind;
    const char *text;
    const char *adduct;
    int charge;
    const char *label;
    int status;
    const char *says;
};

class Refusals : public testing::TestWithParam<Refused> {};

TEST_P(Refusals, NameTheOffendingText) {
    const Refused &r = GetParam();
    Options o;
    corvan_error e{};
    int status = corvan_options_set_charge(o.o, r.charge, r.adduct, &e);
    if (status == CORVAN_OK && r.label != nullptr) {
        corvan_options_parse_label(o.o, "13C=0.99", nullptr);
        status = corvan_options_parse_label(o.o, r.label, &e);
    }
    if (status == CORVAN_OK) {
        corvan_distribution *d = nullptr;
        status = corvan_distribution_from_text(r.kind, r.text, o.o, &d, &e);
        corvan_distribution_free(d);
    }
    EXPECT_EQ(status, r.status) << r.text << ": " << e.message;
    EXPECT_NE(std::string(e.message).find(r.says), std::string::npos) << e.message;
}

INSTANTIATE_TEST_SUITE_P(
    Item, Refusals,
    testing::Values(
        Refused{CORVAN_KIND_FORMULA, "C2[13C-2]", nullptr, 0, nullptr, CORVAN_E_RANGE,
                "-2 atoms of 13C"},
        Refused{CORVAN_KIND_PEPTIDE, "PEPT[Formula:[13C-2]]IDE", nullptr, 0, nullptr,
                CORVAN_E_RANGE, "-2 atoms of 13C"},
        Refused{CORVAN_KIND_FORMULA, "C6H12O6", nullptr, 0, "13C=0.5", CORVAN_E_LABEL,
                "'13C' is labelled twice"},
        Refused{CORVAN_KIND_FORMULA, "C6H12O6", nullptr, 0, "15N=0.9", CORVAN_E_LABEL,
                "15N=0.9 names N, which the molecule has no atoms of"},
        Refused{CORVAN_KIND_FORMULA, "C6H12O6", "NH4+", 1, "15N=0.99", CORVAN_E_LABEL, "names N"},
        Refused{CORVAN_KIND_PEPTIDE, "<15N>PEPTIDE", nullptr, 0, "15N=0.5", CORVAN_E_LABEL,
                "every N atom of the molecule is a fixed isotope"},
        Refused{CORVAN_KIND_FORMULA, "Tc2O7", nullptr, 0, nullptr, CORVAN_E_UNSUPPORTED, "[98Tc]"},
        Refused{CORVAN_KIND_FORMULA, "C6H12O6", "Na+", 0, nullptr, CORVAN_E_CHARGE,
                "'Na+' carries a charge, but the charge is 0"}));

TEST(Refusals, PositionsAndWhatStillWorks) {
    corvan_molecule *m = nullptr;
    corvan_error e{};
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "C2[13C-2]", &m, &e), CORVAN_E_RANGE);
    EXPECT_EQ(e.position, 2);
    EXPECT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "O7Tc2", &m, &e), CORVAN_E_UNSUPPORTED);
    EXPECT_EQ(e.position, 2);
    EXPECT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, 100, &m, &e), CORVAN_E_RANGE);
    EXPECT_NE(std::string(e.message).find("111.1236"), std::string::npos) << e.message;
    EXPECT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, 5e-324, &m, &e), CORVAN_E_RANGE);
    Computed technetium(CORVAN_KIND_FORMULA, "[98Tc2]O7", nullptr);
    EXPECT_EQ(technetium.status, CORVAN_OK);
    Computed exchange(CORVAN_KIND_PEPTIDE, "G[Formula:[13C2][12C-2]]", nullptr);
    EXPECT_EQ(exchange.status, CORVAN_OK); // the most abundant isotope's loss stays natural
}

// ---- Item: numbers are the same in every locale -----------------------------

// A German locale, generated into a private folder when the system has
// none: its decimal comma is what strtod and printf would obey.
bool use_german_locale(std::string &folder) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) return true;
    folder = testing::TempDir() + "corvan_locale_XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) return false;
    const std::string make = "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 2>/dev/null";
    if (std::system(make.c_str()) != 0) return false;
    setenv("LOCPATH", folder.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

TEST(Locale, LabelsAndFormulasReadAndWriteTheSameEverywhere) {
    std::string folder;
    if (!use_german_locale(folder))
        GTEST_SKIP() << "no de_DE.UTF-8 locale and none can be made (localedef, package locales)";
    ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
    Options o;
    EXPECT_EQ(corvan_options_parse_label(o.o, "15N=0.98", nullptr), CORVAN_OK);
    corvan_molecule *by_mass = nullptr, *again = nullptr;
    ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, 5000, &by_mass, nullptr), CORVAN_OK);
    char text[256];
    ASSERT_EQ(corvan_molecule_formula(by_mass, text, sizeof text, nullptr), CORVAN_OK);
    EXPECT_NE(std::string(text).find('.'), std::string::npos) << text;
    corvan_error e{};
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, text, &again, &e), CORVAN_OK) << e.message;
    EXPECT_EQ(again->composition.natural, by_mass->composition.natural) << text;
    corvan_molecule_free(by_mass);
    corvan_molecule_free(again);
    std::setlocale(LC_ALL, "C");
    if (!folder.empty()) std::system(("rm -rf " + folder).c_str());
}

// ---- Item: errors keep their cause ------------------------------------------

TEST(Errors, OnlyAFailedAllocationIsOutOfMemory) {
    corvan_error e{};
    EXPECT_EQ(corvan::api::guarded(
                  &e, []() -> corvan::Outcome { throw std::runtime_error("grid of -3 points"); }),
              CORVAN_E_INTERNAL);
    EXPECT_STREQ(e.message, "internal error: grid of -3 points");
    EXPECT_EQ(corvan::api::guarded(&e, []() -> corvan::Outcome { throw std::bad_alloc(); }),
              CORVAN_E_MEMORY);
    EXPECT_STREQ(corvan_status_name(CORVAN_E_INTERNAL), "internal error");
}

// ---- Item: molecules by mass are distributions ------------------------------

TEST(ByMass, SharesSumToOneWithoutInnerGaps) {
    for (const double mass : {111.124, 112.0, 150.0, 333.3, 1000.0, 25000.0}) {
        corvan_molecule *m = nullptr;
        ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, mass, &m, nullptr), CORVAN_OK);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, nullptr), CORVAN_OK) << mass;
        corvan_points p{};
        corvan_distribution_points(d, &p);
        EXPECT_NEAR(std::accumulate(p.shares, p.shares + p.count, 0.0), 1.0, 1e-9) << mass;
        EXPECT_EQ(std::count(p.shares, p.shares + p.count, 0.0), 0) << mass;
        corvan_distribution_free(d);
        corvan_molecule_free(m);
    }
}

} // namespace
