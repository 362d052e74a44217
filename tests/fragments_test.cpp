// Fragment ions: masses worked by hand from residue and nucleoside masses,
// envelopes given the isolated precursor peaks against an atom-by-atom
// enumeration, the C interface and the command.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "cli_support.hpp"
#include "corvan.h"
#include "molecule/elements.hpp"
#include "molecule/formula_parser.hpp"

namespace {

constexpr double kProton = 1.007276467, kWater = 18.010565, kHPO3 = 79.966331;

struct List {
    corvan_fragment_list *list = nullptr;
    ~List() { corvan_fragment_list_free(list); }
    std::map<std::string, corvan_fragment> by_name(int charge) const {
        std::map<std::string, corvan_fragment> found;
        for (std::size_t i = 0; i < corvan_fragment_list_count(list); ++i) {
            corvan_fragment f{};
            EXPECT_EQ(corvan_fragment_list_get(list, i, &f), CORVAN_OK);
            if (f.charge == charge) found[f.name] = f;
        }
        return found;
    }
};

int fragments(int kind, const char *text, const corvan_fragment_settings &s, List &out,
              corvan_error *error = nullptr) {
    return corvan_fragments(kind, text, &s, &out.list, error);
}

corvan_fragment_settings settings(unsigned types, int low = 1, int high = 1) {
    corvan_fragment_settings s;
    corvan_fragment_defaults(&s);
    s.types = types;
    s.min_charge = low;
    s.max_charge = high;
    return s;
}

TEST(Fragments, PeptideIonsMatchResidueMasses) {
    // Monoisotopic residue masses of P, E, T, I, D.
    const double P = 97.052764, E = 129.042593, T = 101.047679, I = 113.084064, D = 115.026943;
    List l;
    ASSERT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE", settings(0x3f, 1, 2), l), CORVAN_OK);
    EXPECT_EQ(corvan_fragment_list_count(l.list), 6u * 6 * 2);
    auto one = l.by_name(1), two = l.by_name(2);
    EXPECT_NEAR(one["b2"].monoisotopic_mz, P + E + kProton, 1e-5);
    EXPECT_NEAR(one["y3"].monoisotopic_mz, I + D + E + kWater + kProton, 1e-5);
    EXPECT_NEAR(two["y3"].monoisotopic_mz, (I + D + E + kWater + 2 * kProton) / 2, 1e-5);
    EXPECT_NEAR(one["a4"].monoisotopic_mz, P + E + P + T - 27.994915 + kProton, 1e-5);
    EXPECT_NEAR(one["c1"].monoisotopic_mz, P + 17.026549 + kProton, 1e-5);
    EXPECT_NEAR(one["x2"].monoisotopic_mz, D + E + kWater + 25.979265 + kProton, 1e-5);
    EXPECT_NEAR(one["z2"].monoisotopic_mz, D + E + kWater - 16.018724 + kProton, 1e-5);
    EXPECT_STREQ(one["b2"].formula, "C10H14N2O4");
    // PEPTIDE's singly charged ladder as fragment tables publish it (4 decimals).
    const double b[] = {98.0600, 227.1026, 324.1554, 425.2031, 538.2871, 653.3141};
    const double y[] = {148.0604, 263.0874, 376.1714, 477.2191, 574.2719, 703.3145};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(one["b" + std::to_string(i + 1)].monoisotopic_mz, b[i], 6e-5) << i;
        EXPECT_NEAR(one["y" + std::to_string(i + 1)].monoisotopic_mz, y[i], 6e-5) << i;
    }
    // The envelope's points sum to one and start at the monoisotopic m/z.
    double sum = 0;
    for (std::size_t k = 0; k < one["y6"].count; ++k) sum += one["y6"].shares[k];
    EXPECT_NEAR(sum, 1, 1e-9);
    EXPECT_NEAR(one["y6"].mz[0], one["y6"].monoisotopic_mz, 1e-9);
}

TEST(Fragments, ModificationsAndLossesFollowTheirResidues) {
    corvan_fragment_settings s = settings(CORVAN_ION_B | CORVAN_ION_Y | CORVAN_ION_IMMONIUM);
    s.losses = CORVAN_LOSS_H2O | CORVAN_LOSS_NH3 | CORVAN_LOSS_H3PO4;
    List l;
    ASSERT_EQ(fragments(CORVAN_KIND_PEPTIDE, "[Acetyl]-GAS[Phospho]K", s, l), CORVAN_OK);
    auto f = l.by_name(1);
    // b2 = Ac-GA: no loss allowed; y2 = S[Phospho]K loses any of the three.
    EXPECT_STREQ(f["b2"].formula, "C7H10N2O3");
    EXPECT_EQ(f.count("b2-H2O") + f.count("b2-NH3") + f.count("b1-H3PO4"), 0u);
    EXPECT_NEAR(f["y2"].monoisotopic_mass - f["y2-H3PO4"].monoisotopic_mass, 97.976896, 1e-5);
    EXPECT_EQ(f.count("y2-H2O") + f.count("y2-NH3") + f.count("y1-H3PO4"), 2u);
    EXPECT_NEAR(f["y2"].monoisotopic_mz - f["y2-H2O"].monoisotopic_mz, kWater, 1e-5);
    EXPECT_NEAR(f["y2"].monoisotopic_mz - f["y2-NH3"].monoisotopic_mz, 17.026549, 1e-5);
    EXPECT_STREQ(f["b3"].formula, "C10H16N3O8P"); // Ac-GAS + HPO3
    // Immonium of Y-free GASK: G carries the acetyl, S the phosphate.
    EXPECT_NEAR(f["imm(S)"].monoisotopic_mz, 87.032028 + kHPO3 - 27.994915 + kProton, 1e-5);
    EXPECT_EQ(f["imm(K)"].number, 4u);

    // Fixed, terminal and written modifications and a global label: every
    // b and its complementary y make the whole molecule.
    const char *text = "<[Carbamidomethyl]@C><15N>[Acetyl]-PEC[Oxidation]CK-[Amidated]";
    List whole;
    ASSERT_EQ(fragments(CORVAN_KIND_PEPTIDE, text, settings(CORVAN_ION_B | CORVAN_ION_Y), whole),
              CORVAN_OK);
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, text, &m, nullptr), CORVAN_OK);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, nullptr), CORVAN_OK);
    corvan_summary molecule{};
    corvan_distribution_summary(d, &molecule);
    auto ions = whole.by_name(1);
    for (int i = 1; i < 5; ++i)
        EXPECT_NEAR(ions["b" + std::to_string(i)].monoisotopic_mass +
                        ions["y" + std::to_string(5 - i)].monoisotopic_mass,
                    molecule.monoisotopic_mass, 1e-9)
            << i;
    corvan_distribution_free(d);
    corvan_molecule_free(m);
}

TEST(Fragments, NucleicAcidIonsMatchNucleosideMasses) {
    // Nucleosides A, C, U and the cytosine base (monoisotopic).
    const double A = 267.096754, C = 243.085521, U = 244.069536, cytosine = 111.043262;
    List l;
    ASSERT_EQ(
        fragments(CORVAN_KIND_RNA, "ACGU",
                  settings(CORVAN_ION_A_BASE | CORVAN_ION_C | CORVAN_ION_W | CORVAN_ION_Y, -1, -1),
                  l),
        CORVAN_OK);
    auto f = l.by_name(-1);
    EXPECT_EQ(f.size(), 12u);
    List defaults; // no settings: the nucleic series, at charge 1
    ASSERT_EQ(corvan_fragments(CORVAN_KIND_RNA, "ACGU", nullptr, &defaults.list, nullptr),
              CORVAN_OK);
    EXPECT_EQ(defaults.by_name(1).size(), 12u);
    EXPECT_NEAR(f["y1"].monoisotopic_mz, U - kProton, 1e-5);
    EXPECT_NEAR(f["w1"].monoisotopic_mz, U + kHPO3 - kProton, 1e-5);
    EXPECT_NEAR(f["c1"].monoisotopic_mz, A + kHPO3 - kWater - kProton, 1e-5);
    EXPECT_NEAR(f["a2-B"].monoisotopic_mz, A + C + kHPO3 - 2 * kWater - cytosine - kProton, 1e-5);
    // c and y of one cut make the whole chain.
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_RNA, "ACGU", &m, nullptr), CORVAN_OK);
    corvan_distribution *d = nullptr;
    ASSERT_EQ(corvan_distribution_compute(m, nullptr, &d, nullptr), CORVAN_OK);
    corvan_summary whole{};
    corvan_distribution_summary(d, &whole);
    EXPECT_NEAR(f["c1"].monoisotopic_mass + f["y3"].monoisotopic_mass, whole.monoisotopic_mass,
                1e-6);
    corvan_distribution_free(d);
    corvan_molecule_free(m);
}

// The joint distribution of (fragment neutrons i, precursor neutrons k)
// built atom by atom from the isotope table, for k below kTop.
constexpr int kTop = 10;
using Joint = std::vector<std::vector<double>>;

void add_atoms(Joint &joint, int element, double count, bool in_fragment) {
    const auto isotopes = corvan::chem::isotopes_of(element);
    for (int n = 0; n < static_cast<int>(count); ++n) {
        Joint next(kTop, std::vector<double>(kTop, 0.0));
        for (int i = 0; i < kTop; ++i)
            for (int k = 0; k < kTop; ++k)
                for (const auto &isotope : isotopes) {
                    const int extra = isotope.mass_number - isotopes.front().mass_number;
                    const int ni = i + (in_fragment ? extra : 0), nk = k + extra;
                    if (ni < kTop && nk < kTop) next[ni][nk] += joint[i][k] * isotope.abundance;
                }
        joint = next;
    }
}

corvan::chem::Composition atoms_of(const std::string &formula, int protons) {
    corvan::chem::Composition atoms;
    EXPECT_TRUE(corvan::chem::parse_formula(formula, atoms).ok());
    atoms.add_natural(corvan::chem::element::H, protons);
    return atoms;
}

TEST(Fragments, IsolatedPeaksConditionTheEnvelopeAsAnEnumerationDoes) {
    corvan_fragment_settings s = settings(CORVAN_ION_Y);
    s.isolated_peaks = "M+1, M+2";
    List l;
    ASSERT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", s, l), CORVAN_OK);
    const corvan_fragment y3 = l.by_name(1)["y3"];
    ASSERT_NE(y3.conditioned, nullptr);

    const auto fragment = atoms_of(y3.formula, 1);
    auto complement = atoms_of("C34H53N7O15", 2); // PEPTIDE with two protons
    complement.add(fragment, -1);
    Joint joint(kTop, std::vector<double>(kTop, 0.0));
    joint[0][0] = 1;
    for (int e = 0; e < corvan::chem::kElementCount; ++e) {
        add_atoms(joint, e, fragment.natural[e], true);
        add_atoms(joint, e, complement.natural[e], false);
    }
    double total = 0;
    for (int i = 0; i < kTop; ++i) total += joint[i][1] + joint[i][2];
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(y3.conditioned[i], (joint[i][1] + joint[i][2]) / total, 1e-9) << i;
    EXPECT_LT(y3.conditioned[3], 1e-12); // three neutrons cannot come from M+2

    // The same peaks chosen by a window in m/z around M+1 and M+2 of [M+2H]2+.
    corvan_fragment_settings w = settings(CORVAN_ION_Y);
    const double m1 = (799.359964 + 2 * kProton) / 2 + 1.00335 / 2;
    w.window_low = m1 - 0.1;
    w.window_high = m1 + 0.6;
    w.precursor_charge = 2;
    List windowed;
    ASSERT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE", w, windowed), CORVAN_OK);
    const corvan_fragment same = windowed.by_name(1)["y3"];
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(same.conditioned[i], y3.conditioned[i], 1e-12);
}

TEST(Fragments, BadInputIsRefusedWithItsReason) {
    corvan_error e{};
    unsigned types = 0;
    EXPECT_EQ(corvan_fragment_types_parse("b,q", &types, &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(e.position, 2);
    EXPECT_EQ(corvan_fragment_types_parse("a-B,c,y,w", &types, &e), CORVAN_OK);
    EXPECT_EQ(types, CORVAN_ION_A_BASE | CORVAN_ION_C | CORVAN_ION_Y | CORVAN_ION_W);
    int low = 0, high = 0;
    EXPECT_EQ(corvan_fragment_charges_parse("-3..-1", &low, &high, &e), CORVAN_OK);
    EXPECT_EQ(low * 10 + high, -31);
    EXPECT_EQ(corvan_fragment_charges_parse("-1-2", &low, &high, &e), CORVAN_E_RANGE);

    List l;
    EXPECT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE", settings(CORVAN_ION_W), l, &e),
              CORVAN_E_UNSUPPORTED);
    EXPECT_EQ(l.list, nullptr);
    EXPECT_EQ(fragments(CORVAN_KIND_RNA, "ACGT", settings(CORVAN_ION_Y, -1, -1), l, &e),
              CORVAN_E_UNKNOWN);
    corvan_fragment_settings s = settings(CORVAN_ION_B);
    s.isolated_peaks = "M+1;M+2";
    EXPECT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE", s, l, &e), CORVAN_E_SYNTAX);
    EXPECT_EQ(e.position, 3);
    s.isolated_peaks = "M+40";
    EXPECT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE", s, l, &e), CORVAN_E_RANGE);
    EXPECT_EQ(fragments(CORVAN_KIND_PEPTIDE, "K", settings(CORVAN_ION_B), l, &e),
              CORVAN_E_UNSUPPORTED);
    // Atoms that no one residue holds, or a second chain, leave the fragments unknown.
    for (const auto &[text, at] : {std::pair<const char *, long>{"[Phospho]?PEPTIDE", 9},
                                   {"PEP(TI)[Phospho]DE", 3},
                                   {"{Glycan:Hex}PEPTIDE", 0},
                                   {"PEPTIDE//ACK", -1}}) {
        EXPECT_EQ(fragments(CORVAN_KIND_PEPTIDE, text, settings(CORVAN_ION_B), l, &e),
                  CORVAN_E_UNSUPPORTED)
            << text;
        EXPECT_EQ(e.position, at) << text;
    }
}

TEST(Fragments, CommandWritesTheLibrarysIonsAndRefusesBadInput) {
    const auto csv =
        cli_test::run("fragments 'PEPTIDE/2' --types y --isolation M+1,M+2 --format csv");
    ASSERT_EQ(csv.status, 0);
    // y3 at M+1: share and conditioned share, as the C interface gives them.
    corvan_fragment_settings s = settings(CORVAN_ION_Y);
    s.isolated_peaks = "M+1,M+2";
    List l;
    ASSERT_EQ(fragments(CORVAN_KIND_PEPTIDE, "PEPTIDE/2", s, l), CORVAN_OK);
    const corvan_fragment y3 = l.by_name(1)["y3"];
    char row[200];
    std::snprintf(row, sizeof row, "y3,16,3,0,1,%s,%.10f,%.10f,1,%.10f,%.10e,%.10e\n", y3.formula,
                  y3.monoisotopic_mass, y3.monoisotopic_mz, y3.mz[1], y3.shares[1],
                  y3.conditioned[1]);
    EXPECT_NE(csv.out.find(row), std::string::npos) << row << csv.out;

    const auto refused = cli_test::run("fragments PEPTIDE --types w", true);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.out.find("peptides give the series a, b, c, x, y, z"), std::string::npos);
    EXPECT_EQ(cli_test::run("fragments PEPTIDE --isolation M+0 --window 1:2").status, 2);
}

} // namespace
