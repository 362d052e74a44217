// Many molecules per call: every row equal to the single calls to the last
// bit, per-row failures, the buffer contract, and threads on slices.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"

namespace {

constexpr double kSentinel = -7.0; // what a call must not overwrite

struct Options {
    std::unique_ptr<corvan_options, void (*)(corvan_options *)> handle{corvan_options_create(),
                                                                       corvan_options_free};
    corvan_options *get() { return handle.get(); }
};

// Matrices for `rows` x `points`, filled with the sentinel.
struct Table {
    Table(std::size_t rows, std::size_t points)
        : heights(rows * points, kSentinel), mz(rows * points, kSentinel), mono(rows, kSentinel),
          status(rows, -1), first(rows, 0),
          errors(rows), results{points,      heights.data(), mz.data(),
                                mono.data(), status.data(),  errors.data()},
          table{sizeof table, points,        heights.data(), mz.data(),
                mono.data(),  status.data(), errors.data(),  first.data()} {}
    std::vector<double> heights, mz, mono;
    std::vector<int> status, first;
    std::vector<corvan_error> errors;
    corvan_many_results results;
    corvan_many_table table; // the same arrays, with the k of each row's first column
};

// Row `row` of the table against corvan_distribution_compute on the same
// molecule and charge: equal bits, zeros and NaN where the envelope is not.
// With `keep_charge`, the options' charge and adduct stay as the caller set
// them and `charge` only says how the row's masses are given.
void expect_row_equals_single(const Table &t, std::size_t row, corvan_molecule *molecule,
                              corvan_options *options, int charge, bool keep_charge = false) {
    if (!keep_charge) {
        ASSERT_EQ(corvan_options_set_charge(options, charge, nullptr, nullptr), CORVAN_OK);
    }
    corvan_distribution *d = nullptr;
    corvan_error err{};
    ASSERT_EQ(corvan_distribution_compute(molecule, options, &d, &err), CORVAN_OK) << err.message;
    corvan_points p;
    corvan_summary s;
    corvan_distribution_points(d, &p);
    corvan_distribution_summary(d, &s);
    const std::size_t points = t.results.points;
    std::vector<double> heights(points, 0), mz(points, NAN);
    for (std::size_t i = 0; i < p.count; ++i) {
        const auto k = static_cast<std::size_t>(p.neutrons[i] - t.first[row]); // the column
        if (p.neutrons[i] < t.first[row] || k >= points || p.shares[i] == 0) continue;
        heights[k] = p.intensities[i];
        mz[k] = charge == 0 ? p.masses[i] : p.mz[i];
    }
    for (std::size_t j = 0; j < points; ++j) {
        EXPECT_EQ(t.heights[row * points + j], heights[j]) << "row " << row << " M+" << j;
        if (std::isnan(mz[j])) {
            EXPECT_TRUE(std::isnan(t.mz[row * points + j])) << "row " << row << " M+" << j;
        } else {
            EXPECT_EQ(t.mz[row * points + j], mz[j]) << "row " << row << " M+" << j;
        }
    }
    EXPECT_EQ(t.mono[row], charge == 0 ? s.monoisotopic_mass : s.monoisotopic_mz) << row;
    EXPECT_EQ(t.status[row], CORVAN_OK);
    EXPECT_EQ(t.errors[row].status, CORVAN_OK);
    EXPECT_STREQ(t.errors[row].message, "");
    corvan_distribution_free(d);
}

// expect_row_equals_single() of the molecule `text` reads as, the options'
// charge and adduct kept as the caller set them.
void expect_text_row_equals_single(const Table &t, std::size_t row, corvan_kind kind,
                                   const char *text, corvan_options *options, int charge) {
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(kind, text, &m, nullptr), CORVAN_OK) << text;
    expect_row_equals_single(t, row, m, options, charge, true);
    corvan_molecule_free(m);
}

TEST(Many, TextRowsEqualSingleCallsToTheLastBit) {
    // Grids of several sizes in one call (the workspace keeps each), a
    // fixed isotope, an element of many isotopes, a protein wider than the
    // columns, negative and zero charges.
    const std::vector<std::string> formulas = {
        "C6H12O6",      "[13C6]H12O6", "C50H71N13O12",
        "SnCl2",        "C2H6O",       "C6500H10000N1700O2000S50",
        "C50H71N13O12", "H2O",         "C254H377N65O75S6"};
    const std::vector<int> charges = {1, 2, 3, 0, -1, 20, 1, 0, 4};
    std::vector<const char *> texts;
    for (const auto &f : formulas) texts.push_back(f.c_str());
    for (const char *label : {"", "15N=0.98"}) {
        Options options;
        if (*label) {
            ASSERT_EQ(corvan_options_parse_label(options.get(), label, nullptr), CORVAN_OK);
        }
        Table t(texts.size(), 24);
        std::size_t failed = 99;
        ASSERT_EQ(corvan_many_table_from_texts(CORVAN_KIND_FORMULA, texts.data(), charges.data(),
                                               texts.size(), options.get(), &t.table, &failed,
                                               nullptr),
                  CORVAN_OK);
        // A label needs its element: the rows without nitrogen are refused.
        const auto lacks_label = [&](std::size_t row) {
            return *label && formulas[row].find('N') == std::string::npos;
        };
        EXPECT_EQ(failed, *label ? 5u : 0u);
        for (std::size_t row = 0; row < texts.size(); ++row) {
            if (lacks_label(row)) {
                EXPECT_EQ(t.status[row], CORVAN_E_LABEL) << row;
                continue;
            }
            corvan_molecule *m = nullptr;
            ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, texts[row], &m, nullptr),
                      CORVAN_OK);
            expect_row_equals_single(t, row, m, options.get(), charges[row]);
            corvan_molecule_free(m);
        }
        // The protein's window holds its highest point, far above M.
        EXPECT_GT(t.first[5], 0);
        EXPECT_EQ(*std::max_element(&t.heights[5 * 24], &t.heights[6 * 24]), 1.0);
    }
}

// Whole ions ("[M]+." gains nothing; "[M-H2O+H]+" loses water) and the
// adducts a peptide's text writes make the rows the single call makes: rows
// once took the proton for both.
TEST(Many, WholeIonsAndTheTextsAdductsAsTheSingleCall) {
    for (const char *adduct : {"[M]+.", "[M-H2O+H]+"}) {
        const char *texts[] = {"C20H12O2", "C6H12O6"};
        Options options;
        ASSERT_EQ(corvan_options_set_charge(options.get(), 1, adduct, nullptr), CORVAN_OK);
        Table t(2, 8);
        ASSERT_EQ(corvan_many_table_from_texts(CORVAN_KIND_FORMULA, texts, nullptr, 2,
                                               options.get(), &t.table, nullptr, nullptr),
                  CORVAN_OK);
        for (std::size_t row = 0; row < 2; ++row) {
            expect_text_row_equals_single(t, row, CORVAN_KIND_FORMULA, texts[row], options.get(),
                                          1);
        }
    }
    // Rows keep the last row's carriers where they can: a text's own
    // adducts after another text's, and protons after them, must still be
    // the single call's.
    const char *peptides[] = {"PEPTIDE/1[+Na+]", "PEPTIDE/2", "PEPTIDE/2[+Na+,+H+]",
                              "PEPTIDE/2",       "SAMPLER/2", "PEPTIDE/1[+Na+]",
                              "SAMPLER/1[+K+]",  "SAMPLER/1"};
    const int charges[] = {1, 2, 2, 2, 2, 1, 1, 1};
    Options options;
    Table t(8, 8);
    ASSERT_EQ(corvan_many_table_from_texts(CORVAN_KIND_PEPTIDE, peptides, nullptr, 8, options.get(),
                                           &t.table, nullptr, nullptr),
              CORVAN_OK);
    for (std::size_t row = 0; row < 8; ++row) {
        expect_text_row_equals_single(t, row, CORVAN_KIND_PEPTIDE, peptides[row], options.get(),
                                      charges[row]);
    }
}

// Rows keep the last row's atoms where they can: a row after elements it
// lacks, or after a refused loss, must still be the single call's.
TEST(Many, RowsAfterOtherAtomsAsTheSingleCall) {
    Options options;
    Table t(5, 8);
    const char *formulas[] = {"C6H12O6", "C2H6O", "C20H12O2", "SnCl2", "C2H6O"};
    ASSERT_EQ(corvan_options_set_charge(options.get(), 1, "[M-H2O+H]+", nullptr), CORVAN_OK);
    ASSERT_EQ(corvan_many_table_from_texts(CORVAN_KIND_FORMULA, formulas, nullptr, 5, options.get(),
                                           &t.table, nullptr, nullptr),
              CORVAN_OK);
    EXPECT_NE(t.status[3], CORVAN_OK); // no water to lose
    for (std::size_t row : {0u, 1u, 2u, 4u}) {
        expect_text_row_equals_single(t, row, CORVAN_KIND_FORMULA, formulas[row], options.get(), 1);
    }
}

TEST(Many, MassRowsAndTheOptionsChargeAndAdduct) {
    const std::vector<double> masses = {1000, 1450, 25000, 3000};
    Options options;
    ASSERT_EQ(corvan_options_set_charge(options.get(), 1, "Na+", nullptr), CORVAN_OK);
    Table t(masses.size(), 16);
    ASSERT_EQ(corvan_many_from_masses(CORVAN_KIND_PEPTIDE, masses.data(), nullptr, masses.size(),
                                      options.get(), &t.results, nullptr, nullptr),
              CORVAN_OK);
    for (std::size_t row = 0; row < masses.size(); ++row) {
        corvan_molecule *m = nullptr;
        ASSERT_EQ(corvan_molecule_from_mass(CORVAN_KIND_PEPTIDE, masses[row], &m, nullptr),
                  CORVAN_OK);
        // The options keep their adduct; only the charge is set again.
        corvan_options *o = options.get();
        ASSERT_EQ(corvan_options_set_charge(o, 1, "Na+", nullptr), CORVAN_OK);
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, o, &d, nullptr), CORVAN_OK);
        corvan_summary s;
        corvan_distribution_summary(d, &s);
        EXPECT_EQ(t.mono[row], s.monoisotopic_mz) << row;
        corvan_distribution_free(d);
        corvan_molecule_free(m);
    }
}

TEST(Many, SequencesAndTheirOwnChargeAsSingleCallsReadThem) {
    const char *texts[] = {"EM[Oxidation]EVEES[Phospho]PEK/2", "PEPTIDE/2", "PEPTIDE/2",
                           "PEPTIDE/2"};
    const int charges[] = {0, 0, 2, 3};
    Table t(4, 10);
    std::size_t failed = 0;
    ASSERT_EQ(corvan_many_from_texts(CORVAN_KIND_PEPTIDE, texts, charges, 4, nullptr, &t.results,
                                     &failed, nullptr),
              CORVAN_OK);
    EXPECT_EQ(failed, 1u);
    EXPECT_EQ(t.status[3], CORVAN_E_CHARGE); // the text's 2 against the row's 3
    for (std::size_t row = 0; row < 3; ++row) {
        corvan_molecule *m = nullptr;
        ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_PEPTIDE, texts[row], &m, nullptr), CORVAN_OK);
        Options options; // charge 0: the text's charge, as the single call takes it
        corvan_distribution *d = nullptr;
        ASSERT_EQ(corvan_distribution_compute(m, options.get(), &d, nullptr), CORVAN_OK);
        corvan_summary s;
        corvan_distribution_summary(d, &s);
        EXPECT_EQ(t.mono[row], s.monoisotopic_mz) << row;
        corvan_distribution_free(d);
        corvan_molecule_free(m);
    }
    EXPECT_NEAR(t.mono[1], 400.687258, 1e-6);
}

TEST(Many, FailedRowsCarryTheirStatusMessageAndNaNOthersGoOn) {
    const char *texts[] = {"C6H12Q6", "H2O", nullptr, "C6H12O6", "NaCl", "[13C6"};
    const int charges[] = {1, 1, 1, 3, -1, 0};
    Options options;
    ASSERT_EQ(corvan_options_set_charge(options.get(), 0, "Fe:z+2", nullptr), CORVAN_OK);
    Table t(6, 4);
    std::size_t failed = 0;
    ASSERT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, charges, 6, options.get(),
                                     &t.results, &failed, nullptr),
              CORVAN_OK);
    // Fe:z+2 carries even charges only; the text faults as the parser says.
    const int expected[] = {CORVAN_E_UNKNOWN, CORVAN_E_CHARGE, CORVAN_E_ARGUMENT,
                            CORVAN_E_CHARGE,  CORVAN_E_CHARGE, CORVAN_E_SYNTAX};
    EXPECT_EQ(failed, 6u);
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(t.status[row], expected[row]) << row;
        EXPECT_EQ(t.errors[row].status, expected[row]) << row;
        EXPECT_STRNE(t.errors[row].message, "") << row;
        EXPECT_TRUE(std::isnan(t.mono[row]));
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(std::isnan(t.heights[row * 4 + j]));
    }
    EXPECT_EQ(t.errors[0].position, 5);
    EXPECT_NE(std::string(t.errors[0].message).find("unknown element 'Q'"), std::string::npos);

    const int even[] = {2, 2, 2, 2, -2, 0};
    Table u(6, 4);
    ASSERT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, even, 6, options.get(), &u.results,
                                     &failed, nullptr),
              CORVAN_OK);
    EXPECT_EQ(failed, 4u); // Q, NULL, the salt and the unclosed bracket
    EXPECT_EQ(u.status[1], CORVAN_OK);
    EXPECT_EQ(u.status[3], CORVAN_OK);
    EXPECT_EQ(u.status[4], CORVAN_E_RANGE);            // removes an Fe the salt lacks
    EXPECT_GT(u.heights[3 * 4 + 2], u.heights[3 * 4]); // 56Fe above 54Fe

    // Without row charges the options' charge 0 drops the adduct: checked
    // once per call, every row still refused with the single call's words.
    Table w(2, 4);
    ASSERT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts + 3, nullptr, 2, options.get(),
                                     &w.results, &failed, nullptr),
              CORVAN_OK);
    EXPECT_EQ(failed, 2u);
    for (int row = 0; row < 2; ++row)
        EXPECT_NE(std::string(w.errors[row].message).find("'Fe:z+2' carries a charge"),
                  std::string::npos)
            << w.errors[row].message;

    const double masses[] = {-1, 1000, NAN, 2e9};
    Table v(4, 4);
    ASSERT_EQ(corvan_many_from_masses(CORVAN_KIND_RNA, masses, nullptr, 4, nullptr, &v.results,
                                      &failed, nullptr),
              CORVAN_OK);
    EXPECT_EQ(failed, 3u);
    EXPECT_EQ(v.status[0], CORVAN_E_RANGE);
    EXPECT_EQ(v.status[1], CORVAN_OK);
    EXPECT_EQ(v.mono[1], v.mz[4]); // neutral: the monoisotopic mass is M's mass
}

TEST(Many, OptionalOutputsAndCallRefusalsThatWriteNothing) {
    const char *texts[] = {"H2O", "C6H12O6"};
    Table t(2, 3);
    corvan_many_results slim = t.results;
    slim.mz = nullptr;
    slim.monoisotopic_mz = nullptr;
    slim.errors = nullptr;
    ASSERT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, nullptr, 2, nullptr, &slim,
                                     nullptr, nullptr),
              CORVAN_OK);
    EXPECT_EQ(t.heights[0], 1.0);
    EXPECT_EQ(t.mz[0], kSentinel);
    EXPECT_EQ(t.mono[0], kSentinel);

    struct Case {
        int kind;
        const char *const *texts;
        std::size_t points;
        bool null_heights, null_status;
        const char *message;
    };
    const Case cases[] = {
        {99, texts, 3, false, false, "unknown molecule kind"},
        {CORVAN_KIND_FORMULA, nullptr, 3, false, false, "NULL"},
        {CORVAN_KIND_FORMULA, texts, 0, false, false, "points"},
        {CORVAN_KIND_FORMULA, texts, CORVAN_MAX_POINTS + 1, false, false, "points"},
        {CORVAN_KIND_FORMULA, texts, 3, true, false, "NULL"},
        {CORVAN_KIND_FORMULA, texts, 3, false, true, "NULL"},
    };
    for (const Case &c : cases) {
        Table u(2, 3);
        corvan_many_results results = u.results;
        results.points = c.points;
        if (c.null_heights) results.heights = nullptr;
        if (c.null_status) results.status = nullptr;
        corvan_error e{};
        std::size_t failed = 5;
        EXPECT_EQ(
            corvan_many_from_texts(c.kind, c.texts, nullptr, 2, nullptr, &results, &failed, &e),
            CORVAN_E_ARGUMENT);
        EXPECT_NE(std::string(e.message).find(c.message), std::string::npos) << e.message;
        EXPECT_EQ(failed, 0u);
        EXPECT_EQ(u.heights[0], kSentinel);
        EXPECT_EQ(u.status[0], -1);
    }
    const double masses[] = {1000};
    Table w(1, 3);
    EXPECT_EQ(corvan_many_from_masses(CORVAN_KIND_FORMULA, masses, nullptr, 1, nullptr, &w.results,
                                      nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    EXPECT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, nullptr, 0, nullptr, nullptr,
                                     nullptr, nullptr),
              CORVAN_E_ARGUMENT);
    corvan_many_results none{3, nullptr, nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, nullptr, nullptr, 0, nullptr, &none,
                                     nullptr, nullptr),
              CORVAN_OK); // no rows: nothing to write
    corvan_many_results huge = t.results;
    huge.points = CORVAN_MAX_POINTS;
    EXPECT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts, nullptr,
                                     std::numeric_limits<std::size_t>::max() / 1024, nullptr, &huge,
                                     nullptr, nullptr),
              CORVAN_E_ARGUMENT);
}

// A protein's first reported point lies far above M, yet its envelope fits a
// wide row from M on: the row starts at M, its leading columns empty.
TEST(Many, WideRowStartsAtMBeforeTheFirstReportedPoint) {
    const char *text = "C6500H10000N1700O2000S50";
    Options options;
    Table t(1, 400);
    ASSERT_EQ(corvan_many_table_from_texts(CORVAN_KIND_FORMULA, &text, nullptr, 1, options.get(),
                                           &t.table, nullptr, nullptr),
              CORVAN_OK);
    EXPECT_EQ(t.first[0], 0);
    EXPECT_EQ(t.heights[0], 0.0);
    EXPECT_TRUE(std::isnan(t.mz[0]));
    corvan_molecule *m = nullptr;
    ASSERT_EQ(corvan_molecule_parse(CORVAN_KIND_FORMULA, text, &m, nullptr), CORVAN_OK);
    expect_row_equals_single(t, 0, m, options.get(), 0);
    corvan_molecule_free(m);
}

TEST(Many, ThreadsOnSlicesWithSharedOptionsEqualOneCall) {
    std::vector<std::string> formulas;
    std::vector<int> charges;
    for (int n = 1; n <= 400; ++n) {
        formulas.push_back("C" + std::to_string(10 + n) + "H" + std::to_string(20 + 2 * n) + "N" +
                           std::to_string(n / 3 + 1) + "O" + std::to_string(n / 4 + 2) + "S" +
                           std::to_string(n % 3));
        charges.push_back(1 + n % 4);
    }
    std::vector<const char *> texts;
    for (const auto &f : formulas) texts.push_back(f.c_str());
    Options options;
    ASSERT_EQ(corvan_options_parse_label(options.get(), "13C=0.5", nullptr), CORVAN_OK);
    const std::size_t rows = texts.size(), points = 12;
    Table whole(rows, points), split(rows, points);
    ASSERT_EQ(corvan_many_from_texts(CORVAN_KIND_FORMULA, texts.data(), charges.data(), rows,
                                     options.get(), &whole.results, nullptr, nullptr),
              CORVAN_OK);
    std::vector<std::thread> threads;
    for (std::size_t first = 0; first < rows; first += 50)
        threads.emplace_back([&, first] {
            corvan_many_results part{points,
                                     split.heights.data() + first * points,
                                     split.mz.data() + first * points,
                                     split.mono.data() + first,
                                     split.status.data() + first,
                                     nullptr};
            corvan_many_from_texts(CORVAN_KIND_FORMULA, texts.data() + first,
                                   charges.data() + first, 50, options.get(), &part, nullptr,
                                   nullptr);
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(
        std::memcmp(whole.heights.data(), split.heights.data(), rows * points * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(whole.mz.data(), split.mz.data(), rows * points * sizeof(double)), 0);
    EXPECT_EQ(whole.status, split.status);
}

} // namespace
