// Identifier quoting and normalisation, random strings and buffer resizing.

#include <gtest/gtest.h>

#include <cstring>

#include "mdo/buffers.h"
#include "mdo/identifiers.h"

namespace {

struct IdentifierCase {
    const char* name;
    int dialect;
    const char* input;
    const char* expected;
};

TEST(FormatIdentifier, QuotesForDialect3AndUpperCasesForDialect1) {
    const IdentifierCase cases[] = {
        {"dialect 3 wraps unchanged", 3, "abc", "\"abc\""},
        {"dialect 3 keeps blanks", 3, " abc ", "\" abc \""},
        {"dialect 3 keeps inner quotes single", 3, "a\"b", "\"a\"b\""},
        {"dialect 2 counts as quoting", 2, "abc", "\"abc\""},
        {"dialect 1 trims and upper-cases", 1, "  abc  ", "ABC"},
        {"dialect 1 never quotes", 1, "My Table", "MY TABLE"},
    };
    for (const IdentifierCase& c : cases) {
        EXPECT_EQ(FormatIdentifier(c.dialect, c.input), c.expected) << c.name;
    }
}

TEST(FormatIdentifierValue, NormalisesNamesForLookups) {
    const IdentifierCase cases[] = {
        {"quoted keeps case, doubled quotes made single", 3, "\"My\"\"Name\"", "My\"Name"},
        {"quoted after trimming", 3, "  \"Mixed\"  ", "Mixed"},
        {"unquoted is trimmed and upper-cased", 3, " abc ", "ABC"},
        {"dialect 1 upper-cases even quoted names", 1, "\"abc\"", "\"ABC\""},
        {"lone quote gives an empty name", 3, "\"", ""},
        {"empty stays empty", 3, "   ", ""},
    };
    for (const IdentifierCase& c : cases) {
        EXPECT_EQ(FormatIdentifierValue(c.dialect, c.input), c.expected) << c.name;
    }
}

TEST(RandomString, HasTheRequestedLengthInDigits) {
    for (int length : {0, 1, 10, 31, 100}) {
        const std::string text = RandomString(length);
        EXPECT_EQ(text.size(), static_cast<size_t>(length));
        EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos) << text;
    }
    EXPECT_NE(RandomString(20), RandomString(20)) << "cursor names must not repeat";
}

TEST(AllocBuffer, GrowingZeroesOnlyTheNewBytesAndKeepsTheOld) {
    char* buffer = nullptr;
    AllocBuffer(buffer, 0, 4);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::memcmp(buffer, "\0\0\0\0", 4), 0);
    std::memcpy(buffer, "abcd", 4);
    AllocBuffer(buffer, 4, 4096);
    EXPECT_EQ(std::memcmp(buffer, "abcd", 4), 0);
    for (size_t i = 4; i < 4096; ++i) ASSERT_EQ(buffer[i], 0) << "byte " << i;
    AllocBuffer(buffer, 4096, 2);
    EXPECT_EQ(std::memcmp(buffer, "ab", 2), 0);
    FreeBuffer(buffer);
    EXPECT_EQ(buffer, nullptr);
}

}  // namespace
