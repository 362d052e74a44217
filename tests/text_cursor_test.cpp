// The text readers' shared cursor: failure positions and messages, and the
// case-insensitive and number readers.
#include <gtest/gtest.h>

#include "core/text_cursor.hpp"
#include "peptide/unimod.hpp"

namespace {

using namespace corvan;

struct Reader : text::Cursor {
    using Cursor::Cursor;
    Outcome at(std::size_t where) {
        pos_ = where;
        return unexpected();
    }
    Outcome unplaced(const char *message) const { return fail(CORVAN_E_SYNTAX, message, -1); }
};

TEST(TextCursor, ReportsPositionsFromTheBase) {
    Reader reader("AB\x01", "thing", 10);
    const Outcome byte = reader.at(2);
    EXPECT_EQ(byte.message, "unexpected byte 1 at character 3 of the thing 'AB\x01'");
    EXPECT_EQ(byte.position, 12);
    EXPECT_EQ(reader.at(1).message, "unexpected 'B' at character 2 of the thing 'AB\x01'");
    const Outcome nowhere = reader.unplaced("empty");
    EXPECT_EQ(nowhere.message, "empty in the thing 'AB\x01'");
    EXPECT_EQ(nowhere.position, -1);
    EXPECT_EQ(Reader("", "formula", 0, " of").unplaced("empty formula").message,
              "empty formula of the formula ''");
}

TEST(TextCursor, FoldsAsciiCaseOnly) {
    EXPECT_TRUE(text::starts_with_folded("uniMod:35", "UNIMOD:"));
    EXPECT_FALSE(text::starts_with_folded("UNI", "UNIMOD:"));
    EXPECT_TRUE(text::equal_folded("oXIDATION", "Oxidation"));
    EXPECT_FALSE(text::equal_folded("Oxid", "Oxidation"));
    EXPECT_FALSE(text::equal_folded("[", "{")); // '[' and '{' lie 32 apart, as letters do
    EXPECT_EQ(text::folded('Z'), 'z');
}

TEST(TextCursor, ReadsNumbersUpToALimit) {
    long long value = -1;
    std::size_t at = 1;
    EXPECT_TRUE(text::read_digits("x123y", at, 1000, value));
    EXPECT_EQ(value, 123);
    EXPECT_EQ(at, 4u);
    at = 0;
    EXPECT_FALSE(text::read_digits("10010", at, 1000, value));
    EXPECT_EQ(at, 3u); // the digit that took it past the limit
    EXPECT_TRUE(text::read_whole("1000", 1000, value));
    EXPECT_FALSE(text::read_whole("", 1000, value) || text::read_whole("12a", 1000, value));
    int accession = 0;
    EXPECT_TRUE(unimod::read_accession("0035", accession));
    EXPECT_EQ(accession, 35);
    EXPECT_FALSE(unimod::read_accession("100001", accession));
}

} // namespace
