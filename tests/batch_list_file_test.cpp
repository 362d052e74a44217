// The mass/sequence list file: line grammar, strtod syntax, long lines,
// capacity growth, error messages and releasing the list.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "corvan.h"
#include "test_support.hpp"

namespace {

using test_support::TextFile;
using Entries = std::vector<std::pair<double, std::string>>;

struct Read {
    Entries entries;
    uint64_t capacity;
    std::string errors;
};

Read read_list(const std::string &bytes) {
    const TextFile file(bytes);
    testing::internal::CaptureStderr();
    protein_list list = read_masses_seqs_file(file.path());
    Read result{{}, list.capacity, testing::internal::GetCapturedStderr()};
    for (uint64_t i = 0; i < list.count; ++i)
        result.entries.emplace_back(list.entries[i].mass, list.entries[i].sequence);
    EXPECT_NE(list.entries, nullptr);
    free_protein_list(&list);
    return result;
}

TEST(ListFile, EmptyFileAndCommentsOnlyGiveNoEntriesAndCapacityTen) {
    for (const char *text : {"", "\n\n", "# a comment\n   \n\t# 1000 PEPTIDE\n  \r\n"}) {
        const Read read = read_list(text);
        EXPECT_TRUE(read.entries.empty()) << text;
        EXPECT_EQ(read.capacity, 10u);
        EXPECT_EQ(read.errors, "");
    }
}

TEST(ListFile, LineGrammar) {
    const Read read = read_list("# 1000 COMMENTED\n"
                                "  1500.5 PEPTIDE more words\n"
                                "PEPTIDE 1000\n"
                                "1000\n"
                                "1000   \t \n"
                                "1500.5PEPTIDE\n"
                                "2000\tPEP[C2H2O]TIDE\tignored\n"
                                "3000 CRLF\r\n"
                                "-7 NEG\n"
                                "+1e3 EXP\n"
                                "0x1p10 HEX\n"
                                "inf INF\n"
                                "-Infinity MINF\n"
                                "1,5 COMMA\n"
                                "12 last-line-without-end");
    const Entries expected = {{1500.5, "PEPTIDE"},
                              {1500.5, "PEPTIDE"},
                              {2000, "PEP[C2H2O]TIDE"},
                              {3000, "CRLF"},
                              {-7, "NEG"},
                              {1000, "EXP"},
                              {1024, "HEX"},
                              {INFINITY, "INF"},
                              {-INFINITY, "MINF"},
                              {1, ",5"},
                              {12, "last-line-without-end"}};
    EXPECT_EQ(read.entries, expected);
    EXPECT_EQ(read.errors, "");
}

TEST(ListFile, NanIsANumber) {
    const Read read = read_list("nan NOTANUMBER\nNAN(123) X\n");
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_TRUE(std::isnan(read.entries[0].first));
    EXPECT_EQ(read.entries[0].second, "NOTANUMBER");
    EXPECT_TRUE(std::isnan(read.entries[1].first));
    EXPECT_EQ(read.entries[1].second, "X");
}

// A cut line once produced a shortened sequence and a phantom entry from
// its tail (here 2000 BBB and a NANPEPTIDEK entry of mass nan).
TEST(ListFile, LongLinesAreReadWhole) {
    const std::string first_token = std::string(1018, 'A') + "2000";
    const std::string peptide = std::string(1018, 'G') + "NANPEPTIDEK";
    const Read read =
        read_list("1000 " + first_token + " BBB\n" + "5" + std::string(1022, 'P') + "\n" + "7 " +
                  std::string(100000, 'Q') + "\n1000 " + peptide + "\n");
    const Entries expected = {{1000, first_token},
                              {5, std::string(1022, 'P')},
                              {7, std::string(100000, 'Q')},
                              {1000, peptide}};
    EXPECT_EQ(read.entries, expected);
    EXPECT_EQ(read.errors, "");
}

TEST(ListFile, CapacityDoublesFromTen) {
    for (auto [lines, capacity] : {std::pair{10, 10u}, std::pair{11, 20u}, std::pair{20, 20u},
                                   std::pair{21, 40u}, std::pair{41, 80u}}) {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += std::to_string(100 + i) + " S" + std::to_string(i) + "\n";
        const Read read = read_list(text);
        ASSERT_EQ(read.entries.size(), static_cast<std::size_t>(lines));
        EXPECT_EQ(read.capacity, capacity) << lines << " entries";
        EXPECT_EQ(read.entries.back(), (std::pair<double, std::string>{
                                           100 + lines - 1, "S" + std::to_string(lines - 1)}));
    }
}

TEST(ListFile, UnopenableFileGivesTheZeroListAndAMessage) {
    for (const char *path : {"/no/such/dir/list.txt", static_cast<const char *>(nullptr)}) {
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        protein_list list = read_masses_seqs_file(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening file!\n");
        EXPECT_EQ(list.entries, nullptr);
        EXPECT_EQ(list.count, 0u);
        EXPECT_EQ(list.capacity, 0u);
        free_protein_list(&list);
    }
}

TEST(ListFile, FreeingTwiceIsHarmless) {
    const TextFile file("1 A\n2 B\n");
    protein_list list = read_masses_seqs_file(file.path());
    ASSERT_EQ(list.count, 2u);
    free_protein_list(&list);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.capacity, 0u);
    free_protein_list(&list);
    protein_list zero{nullptr, 0, 0};
    free_protein_list(&zero);
    free_protein_list(nullptr);
}

} // namespace
