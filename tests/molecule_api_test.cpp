// The molecule, options and distribution handles: the header's examples,
// every failure result with its message and position, and buffers.
#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

struct Refusal {
    int kind;
    const char *text;
    int status;
    long position;
    const char *message;
};

class ParseRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(ParseRefuses, WithStatusPositionAndMessage) {
    const Refusal &r = GetParam();
    corvan_molecule *m = reinterpret_cast<corvan_molecule *>(&m); // must be reset to NULL
    corvan_error e{};
    EXPECT_EQ(corvan_molecule_parse(r.kind, r.text, &m, &e), r.status) << r.text;
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(e.status, r.status);
    EXPECT_EQ(e.position, r.position) << e.message;
    EXPECT_NE(std::string(e.message).find(r.message), std::string::npos) << e.message;
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, ParseRefuses,
    testing::Values(
        Refusal{CORVAN_KIND_FORMULA, "C6H12Q6", CORVAN_E_UNKNOWN, 5, "unknown element 'Q'"},
        Refusal{CORVAN_KIND_FORMULA, "", CORVAN_E_SYNTAX, -1, "empty formula"},
        Refusal{CORVAN_KIND_FORMULA, "   ", CORVAN_E_SYNTAX, -1, "empty formula"},
        Refusal{CORVAN_KIND_FORMULA, "C6H12[13C6", CORVAN_E_SYNTAX, 5, "unclosed bracket"},
        Refusal{CORVAN_KIND_FORMULA, "[14He]", CORVAN_E_UNKNOWN, 1, "no isotope 14He"},
        Refusal{CORVAN_KIND_FORMULA, "[C6]", CORVAN_E_SYNTAX, 1, "expected a mass number"},
        Refusal{CORVAN_KIND_FORMULA, "C2H-", CORVAN_E_SYNTAX, 3, "'-' without a count"},
        Refusal{CORVAN_KIND_FORMULA, "C1000000001", CORVAN_E_RANGE, 1, "above 1000000000"},
        Refusal{CORVAN_KIND_FORMULA, "H2O H-3", CORVAN_E_RANGE, -1, "H totals below zero"},
        Refusal{CORVAN_KIND_FORMULA, "C6 h12", CORVAN_E_SYNTAX, 3, "unexpected 'h'"},
        Refusal{CORVAN_KIND_FORMULA, "H2\x01", CORVAN_E_SYNTAX, 2, "unexpected byte 1"},
        Refusal{CORVAN_KIND_FORMULA, "C1H-1C-1H1", CORVAN_E_RANGE, -1, "has no atoms"},
        Refusal{99, "H2O", CORVAN_E_ARGUMENT, -1, "unknown molecule kind"},
        Refusal{CORVAN_KIND_FORMULA, nullptr, CORVAN_E_ARGUMENT, -1, "no text"}));

TEST(MoleculeApi, ParsedAtomsAndFormulaInHillOrder) {
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "O6 H12 [13C6]", &m, nullptr), CORVAN_OK);
    std::size_t count = 0;
    EXPECT_EQ(corvan_molecule_atoms(m, nullptr, 0, &count), CORVAN_E_RANGE);
    EXPECT_EQ(count, 3u);
    corvan_atom_count atoms[3];
    ASSERT_EQ(corvan_molecule_atoms(m, atoms, 3, &count), CORVAN_OK);
    EXPECT_STREQ(atoms[0].symbol, "13C");
    EXPECT_EQ(atoms[0].count, 6);
    EXPECT_STREQ(atoms[1].symbol, "H");
    EXPECT_STREQ(atoms[2].symbol, "O");
    char text[12];
    std::size_t length = 0;
    EXPECT_EQ(corvan_molecule_formula(m, text, 4, &length), CORVAN_E_RANGE);
    EXPECT_EQ(length, 11u);
    ASSERT_EQ(corvan_molecule_formula(m, text, sizeof text, &length), CORVAN_OK);
    EXPECT_STREQ(text, "[13C6]H12O6");
    long long nominal = 0;
    ASSERT_EQ(corvan_molecule_nominal_mass(m, &nominal), CORVAN_OK);
    EXPECT_EQ(nominal, 6 * 13 + 12 + 6 * 16);
    corvan_molecule_free(m);
    // Tin's most abundant isotope is 120Sn, not its lightest (112Sn).
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "SnCl2", &m, nullptr), CORVAN_OK);
    ASSERT_EQ(corvan_molecule_nominal_mass(m, &nominal), CORVAN_OK);
    EXPECT_EQ(nominal, 120 + 2 * 35);
    corvan_molecule_free(m);
    // A negative count that stays covered, and a fixed isotope of one.
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, "C2H6O H-1 [2H]", &m, nullptr), CORVAN_OK);
    corvan_molecule_formula(m, text, sizeof text, &length);
    EXPECT_STREQ(text, "C2H5[2H]O");
    corvan_molecule_free(m);
}

TEST(MoleculeApi, ByMass) {
    corvan_molecule *m = nullptr;
    corvan_error e{};
    EXPECT_EQ(corvan_molecule_from_mass(CORVAN_KIND_FORMULA, 100, &m, &e), CORVAN_E_ARGUMENT);
    for (double bad : {0.0, -5.0, double(NAN), double(INFINITY), 2e9})
        EXPECT_EQ(corvan_molecule_from_mass(CORVAN_KIND_RNA, bad, &m, &e), CORVAN_E_RANGE) << bad;
    EXPECT_EQ(m, nullptr);
    for (int kind : {CORVAN_KIND_PEPTIDE, CORVAN_KIND_RNA, CORVAN_KIND_DNA}) {
        ASSERT_EQ(corvan_molecule_from_mass(kind, 1450.0, &m, &e), CORVAN_OK);
        long long nominal = -1;
        EXPECT_EQ(corvan_molecule_nominal_mass(m, &nominal), CORVAN_E_UNSUPPORTED);
        EXPECT_EQ(nominal, -1);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, &e), CORVAN_OK) << e.message;
        corvan_summary s;
        corvan_distribution_summary(d, &s);
        EXPECT_NEAR(s.average_mass, 1450.0, 1e-9);
        corvan_distribution_free(d);
        corvan_molecule_free(m);
    }
}

TEST(OptionsApi, FailuresKeepWhatWasSet) {
    corvan_options *o = corvan_options_create();
    ASSERT_NE(o, nullptr);
    corvan_error e{};
    ASSERT_EQ(corvan_options_set_charge(o, 2, "Na+", &e), CORVAN_OK);
    EXPECT_EQ(corvan_options_set_charge(o, 3, "Ca:z+2", &e), CORVAN_E_CHARGE);
    EXPECT_EQ(corvan_options_set_charge(o, 1, "Na", &e), CORVAN_E_CHARGE);
    EXPECT_EQ(corvan_options_set_charge(o, 1, "Xx+", &e), CORVAN_E_UNKNOWN);
    EXPECT_EQ(corvan_options_set_charge(o, 1, "Fe:z+", &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(corvan_options_set_charge(o, 1001, nullptr, &e), CORVAN_E_RANGE);
    EXPECT_EQ(corvan_options_set_label(o, "15N", 1.5, &e), CORVAN_E_LABEL);
    EXPECT_EQ(corvan_options_set_label(o, "N15", 0.5, &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(corvan_options_set_label(o, "19F", 0.5, &e), CORVAN_E_LABEL);
    EXPECT_EQ(corvan_options_set_label(o, "14C", 0.5, &e), CORVAN_E_UNKNOWN);
    ASSERT_EQ(corvan_options_set_label(o, "18O", 0.6, &e), CORVAN_OK);
    EXPECT_EQ(corvan_options_set_label(o, "17O", 0.5, &e), CORVAN_E_LABEL) << "sum above 1";
    EXPECT_EQ(corvan_options_parse_label(o, "13C", &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(corvan_options_parse_label(o, "13C=0.5x", &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(corvan_options_parse_label(o, "13C=-0.5", &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(corvan_options_set_limits(o, -1, 0, &e), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_options_set_limits(o, 0, 1.5, &e), CORVAN_E_ARGUMENT);
    // What stands: [M+2Na]2+ of water with 60 % 18O, whose M is H2 18O
    // (18O is oxygen's most abundant isotope then).
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "H2O", o, &d, &e), CORVAN_OK);
    corvan_summary s;
    corvan_points p;
    corvan_distribution_summary(d, &s);
    corvan_distribution_points(d, &p);
    EXPECT_EQ(s.charge, 2);
    EXPECT_NEAR(s.monoisotopic_mz,
                (2 * 1.00782503223 + 17.99915961286 + 2 * 22.989769282 - 2 * CORVAN_ELECTRON_MASS) /
                    2,
                1e-6);
    EXPECT_EQ(p.neutrons[s.most_abundant], 0);
    EXPECT_NEAR(p.shares[s.most_abundant], 0.6 * 0.999885 * 0.999885, 1e-4);
    corvan_distribution_free(d);
    corvan_options_free(o);
}

TEST(DistributionApi, LimitsAndDeprotonation) {
    corvan_options *o = corvan_options_create();
    corvan_error e{};
    corvan_options_set_limits(o, 3, 0, &e);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "SnCl2", o, &d, &e), CORVAN_OK);
    corvan_points p;
    corvan_distribution_points(d, &p);
    ASSERT_EQ(p.count, 3u);
    EXPECT_EQ(p.neutrons[0], -2); // M: 120Sn, 35Cl
    EXPECT_EQ(p.neutrons[1], 0);
    EXPECT_EQ(p.neutrons[2], 2);
    EXPECT_EQ(p.mz, nullptr);
    corvan_distribution_free(d);
    corvan_options_set_limits(o, 0, 0.05, &e);
    corvan_options_set_charge(o, -1, nullptr, &e);
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C6H12O6", o, &d, &e), CORVAN_OK);
    corvan_distribution_points(d, &p);
    EXPECT_EQ(p.count, 2u) << "M and M+1 are at least 5 % of M";
    EXPECT_NEAR(p.mz[0], 180.0633881 - 1.00782503223 + CORVAN_ELECTRON_MASS, 1e-6);
    corvan_distribution_free(d);
    // Losing more protons than there are hydrogens.
    corvan_options_set_charge(o, -3, nullptr, &e);
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "CH2O2", o, &d, &e),
              CORVAN_E_RANGE);
    EXPECT_EQ(d, nullptr);
    corvan_options_free(o);
}

// The summary's masses are the neutral molecule's, whichever carriers make
// the ion: added ones (H+, Cl-, even of an element it lacks) or lost ones.
TEST(DistributionApi, NeutralMassesWhateverTheCarriers) {
    corvan_options *o = corvan_options_create();
    corvan_distribution *d = nullptr;
    corvan_summary neutral{}, ion{};
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C6H12O6", o, &d, nullptr), 0);
    corvan_distribution_summary(d, &neutral);
    corvan_distribution_free(d);
    const struct {
        int charge;
        const char *adduct;
    } ions[] = {{2, nullptr}, {-1, "Cl-"}, {-1, nullptr}, {1, "[M-H2O+H]+"}};
    for (const auto &made : ions) {
        ASSERT_EQ(corvan_options_set_charge(o, made.charge, made.adduct, nullptr), CORVAN_OK);
        ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C6H12O6", o, &d, nullptr), 0);
        corvan_distribution_summary(d, &ion);
        corvan_distribution_free(d);
        EXPECT_EQ(ion.monoisotopic_mass, neutral.monoisotopic_mass) << made.charge;
        EXPECT_EQ(ion.average_mass, neutral.average_mass) << made.charge;
    }
    EXPECT_NEAR(neutral.monoisotopic_mass, 180.0633881, 1e-6);
    corvan_options_free(o);
}

TEST(DistributionApi, ColumnsKeepTheirPointsWhenFewerPassThanRoomWasMadeFor) {
    // The handle's room is made before the floor is applied (for every
    // point, or for a cap that does not bite): each column keeps its own.
    corvan_options *o = corvan_options_create();
    corvan_error e{};
    corvan_options_set_charge(o, 1, nullptr, &e);
    for (int cap : {0, 3}) {
        corvan_options_set_limits(o, cap, 0.05, &e);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "C6H12O6", o, &d, &e),
                  CORVAN_OK);
        corvan_points p;
        corvan_distribution_points(d, &p);
        ASSERT_EQ(p.count, 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(p.neutrons[i], static_cast<int>(i));
            EXPECT_EQ(p.intensities[i], p.shares[i] / p.shares[0]);
            EXPECT_NEAR(p.masses[i], 180.0633881 + 1.00782503223 + 1.00336 * double(i), 2e-3);
            EXPECT_NEAR(p.mz[i], p.masses[i] - CORVAN_ELECTRON_MASS, 1e-9);
        }
        corvan_distribution_free(d);
    }
    corvan_options_free(o);
}

TEST(DistributionApi, FloorDropsPointsInsideTheRange) {
    // Br2: 79Br2, 79Br81Br, 81Br2 two neutrons apart; the odd points between
    // them hold nothing, so a floor leaves a gapped list.
    corvan_options *o = corvan_options_create();
    corvan_options_set_limits(o, 0, 0.1, nullptr);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "Br2", o, &d, nullptr), CORVAN_OK);
    corvan_points p;
    corvan_distribution_points(d, &p);
    ASSERT_EQ(p.count, 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.neutrons[i], 2 * i);
    EXPECT_NEAR(p.shares[1], 2 * 0.5069 * 0.4931, 1e-3);
    EXPECT_EQ(p.intensities[1], 1.0);
    corvan_most_abundant top;
    corvan_distribution_most_abundant(d, &top);
    EXPECT_EQ(top.index, 1u);
    corvan_distribution_free(d);
    corvan_options_free(o);
}

TEST(DistributionApi, WhatCannotBeComputed) {
    corvan_distribution *d = nullptr;
    corvan_error e{};
    EXPECT_EQ(corvan_distribution_compute(nullptr, nullptr, &d, &e), CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_distribution_from_text(
                  CORVAN_KIND_FORMULA, "Sn1000000000Sn1000000000Sn1000000000", nullptr, &d, &e),
              CORVAN_E_TOO_WIDE);
    EXPECT_NE(std::string(e.message).find("more than 1048576"), std::string::npos) << e.message;
    EXPECT_EQ(corvan_distribution_from_text(CORVAN_KIND_FORMULA, "[13C6]C-1H12", nullptr, &d, &e),
              CORVAN_E_RANGE);
    // A fractional count where the lightest isotope does not dominate.
    corvan_molecule *m = nullptr;
    corvan_options *o = corvan_options_create();
    corvan_options_set_label(o, "15N", 0.9, &e);
    ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, 1000, &m, &e), CORVAN_OK);
    EXPECT_EQ(corvan_distribution_compute(m, o, &d, &e), CORVAN_E_UNSUPPORTED);
    EXPECT_EQ(corvan_distribution_points(nullptr, nullptr), CORVAN_E_ARGUMENT);
    corvan_molecule_free(m);
    corvan_options_free(o);
}

TEST(VersionAndStatus, NamesAndNumbers) {
    EXPECT_EQ(corvan_version_number(), static_cast<unsigned>(CORVAN_VERSION_NUMBER));
    EXPECT_STREQ(corvan_version_string(), CORVAN_VERSION_STRING);
    EXPECT_STREQ(corvan_status_name(CORVAN_E_SYNTAX), "syntax error");
    EXPECT_STREQ(corvan_status_name(CORVAN_OK), "success");
    EXPECT_STREQ(corvan_status_name(-7), "unknown status");
    // Messages longer than the record are cut, still terminated.
    corvan_error e{};
    corvan_molecule *m = nullptr;
    const std::string long_text = "C" + std::string(300, '6') + "Xx";
    corvan_molecule_parse(CORVAN_KIND_FORMULA, long_text.c_str(), &m, &e);
    EXPECT_LT(std::strlen(e.message), sizeof e.message);
}

} // namespace

namespace {

// The fixed calls' notation: what the program and the Python module refuse
// before those calls would drop part of the text.
TEST(FixedSequenceCheck, RefusesWhatTheFixedCallsWouldPartlyApply) {
    struct Case {
        int kind;
        const char *text;
        int status;
        long position;
        const char *message;
    };
    const Case cases[] = {
        {CORVAN_KIND_PEPTIDE, "PEPTIDE", CORVAN_OK, -1, ""},
        {CORVAN_KIND_PEPTIDE, "PEPTIDE[C2H2O]K", CORVAN_OK, -1, ""},
        {CORVAN_KIND_PEPTIDE, "PEPTIDEX", CORVAN_E_SYNTAX, 7, "'X' at position 8"},
        {CORVAN_KIND_PEPTIDE, "peptide", CORVAN_E_SYNTAX, 0, "'p' at position 1"},
        {CORVAN_KIND_PEPTIDE, "PEP TIDE", CORVAN_E_SYNTAX, 3, "' ' at position 4"},
        {CORVAN_KIND_PEPTIDE, "", CORVAN_E_SYNTAX, -1, "no residues"},
        {CORVAN_KIND_PEPTIDE, "PEPTIDE[C2H2O", CORVAN_E_SYNTAX, 7, "is not closed"},
        {CORVAN_KIND_PEPTIDE, "PEPTIDE[Br]", CORVAN_E_SYNTAX, 7, "cannot read the modification"},
        {CORVAN_KIND_PEPTIDE, "A[C2147483647]", CORVAN_E_RANGE, -1, "more than 2147483647"},
        {CORVAN_KIND_RNA, "ACGU", CORVAN_OK, -1, ""},
        {CORVAN_KIND_RNA, "ACGT", CORVAN_E_SYNTAX, 3, "'T' at position 4"},
        {CORVAN_KIND_RNA, "", CORVAN_E_SYNTAX, -1, "empty"},
        {CORVAN_KIND_DNA, "ACGT", CORVAN_E_ARGUMENT, -1, "peptide and RNA"},
    };
    for (const Case &c : cases) {
        corvan_error e{};
        EXPECT_EQ(corvan_check_fixed_sequence(c.kind, c.text, &e), c.status) << c.text;
        EXPECT_EQ(e.position, c.position) << c.text;
        EXPECT_NE(std::string(e.message).find(c.message), std::string::npos) << e.message;
    }
}

} // namespace
