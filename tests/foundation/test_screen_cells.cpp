#include <gtest/gtest.h>

#include <string>

#include "foundation/screen_cells.h"

TEST(ScreenCells, CountsCellsOfUtf8Text) {
    const struct {
        const char* Text;
        size_t Cells;
    } cases[] = {
        {"", 0},
        {"plain ascii", 11},
        {"Zürich", 6},
        {"東京", 4},
        {"e\xCC\x81", 1},         // e and a combining acute accent
        {"\xEF\xBC\xA1", 2},      // FULLWIDTH LATIN CAPITAL LETTER A
        {"\xE2\x80\x8B", 0},      // ZERO WIDTH SPACE
        {"\xF0\x9F\x98\x80", 2},  // an emoji, wide
        {"\xF0\xA0\x80\x80", 2},  // CJK extension B
        {"\xED\x9E\xB0", 0},      // Hangul medial vowel U+D7B0
        {"\xE1\x85\xA0", 0},      // Hangul medial vowel U+1160
        {"\t\x01", 2},            // control characters, one cell each
        // Malformed sequences: each byte a cell, as single-byte text.
        {"Z\xFCrich", 6},         // WIN1252 ü
        {"\xE6\x9D", 2},          // a cut sequence
        {"\xC0\x80", 2},          // overlong
        {"\xED\xA0\x80", 3},      // a surrogate
        {"\xF4\x90\x80\x80", 4},  // beyond U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8Cells(c.Text), c.Cells) << c.Text;
}

TEST(ScreenCells, PrefixEndsOnACharacterBoundary) {
    const struct {
        const char* Text;
        size_t Cells;
        const char* Prefix;
        size_t Used;
    } cases[] = {
        {"abcdef", 3, "abc", 3},
        {"東京大", 3, "東", 2},  // the second wide character would straddle
        {"東京大", 4, "東京", 4},
        {"e\xCC\x81x", 1, "e\xCC\x81", 1},  // the combining mark stays with its letter
        {"Zürich", 2, "Zü", 2},
        {"Z\xFCrich", 2, "Z\xFC", 2},
        {"ab", 10, "ab", 2},
    };
    for (const auto& c : cases) {
        size_t used = 99;
        const std::string text = c.Text;
        EXPECT_EQ(text.substr(0, Utf8Prefix(text, c.Cells, used)), c.Prefix) << c.Text;
        EXPECT_EQ(used, c.Used) << c.Text;
    }
}
