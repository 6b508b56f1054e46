#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/string_utils.h"
#include "support/expect_error.h"

namespace {

TEST(StringUtils, SplitQuotedKeepsQuotedSeparators) {
    struct Case {
        const char* text;
        TStringList expected;
    } cases[] = {
        {"'<my db>'  USER  x", {"'<my db>'", "USER", "x"}},
        {"  ", {}},
        {"\"a b\" 'c \" d'", {"\"a b\"", "'c \" d'"}},
        {"'unterminated and more", {"'unterminated and more"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitQuoted(c.text, ' ', "'\"", "'\""), c.expected) << c.text;
}

TEST(StringUtils, SplitStringTrailingPartRule) {
    struct Case {
        const char* text;
        TStringList expected;
    } cases[] = {
        {"a,", {"a", ""}}, {"", {}}, {"a,b", {"a", "b"}}, {",", {"", ""}}, {"abc", {"abc"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitString(c.text, ","), c.expected) << c.text;
}

TEST(StringUtils, JoinStrings) {
    EXPECT_EQ(JoinStrings({"ON", "OFF"}, ", ", " or "), "ON or OFF");
    EXPECT_EQ(JoinStrings({"a", "b", "c"}, ", ", " or "), "a, b or c");
    EXPECT_EQ(JoinStrings({"a"}, ", ", " or "), "a");
    EXPECT_EQ(JoinStrings({}, ", ", " or "), "");
}

TEST(StringUtils, SmallHelpers) {
    EXPECT_EQ(EnsureFullStop("Check failed"), "Check failed.");
    EXPECT_EQ(EnsureFullStop("done."), "done.");
    EXPECT_EQ(EnsureFullStop(""), "");
    EXPECT_EQ(PadRight("ab", 4), "ab  ");
    EXPECT_EQ(PadRight("abcdef", 4), "abcdef");
    EXPECT_EQ(PadLeft("7", 3, '0'), "007");
    EXPECT_EQ(RemoveChars("'it''s' \"x\"", "'\""), "its x");
    EXPECT_EQ(StripTrailingLineBreaks("a\r\n\r\n"), "a");
    EXPECT_EQ(StripTrailingLineBreaks("a\n"), "a\n");
    TStringList lines;
    AddTextLines(lines, "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(lines, (TStringList{"one", "two", "three", "four"}));
    int value = 0;
    EXPECT_TRUE(TryStrToInt(" 42 ", value));
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(TryStrToInt("many", value));
    EXPECT_FALSE(TryStrToInt("99999999999", value));
    EXPECT_TRUE(SameText("Set Term", "SET TERM"));
}

TEST(StringUtils, ReplaceAllTextMatchesWithoutRegardToCase) {
    struct Case {
        const char* text;
        const char* from;
        const char* to;
        const char* expected;
    } cases[] = {
        {"=A%Row%+%ROW%", "%row%", "7", "=A7+7"},
        {"where a = :Id or b = :ID", ":id", "5", "where a = 5 or b = 5"},
        {"nothing here", ":x", "1", "nothing here"},
        {":A:a", ":a", "", ""},
        {"abc", "", "x", "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceAllText(c.text, c.from, c.to), c.expected) << c.text;
}

TEST(RaiseHelpers, MessagesAndClasses) {
    EXPECT_RAISES_EXACTLY(EUser, RaiseUser("User unknown."), "User unknown.");
    EXPECT_RAISES_EXACTLY(EUser, RaiseUser("Check failed"), "Check failed.");
    EXPECT_RAISES_EXACTLY(EUser, RaiseUserFmt("Value %d too large", 7), "Value 7 too large.");
    EXPECT_RAISES_EXACTLY(EDeveloper, RaiseDeveloperFmt("Field %s does not exist", "X"),
                          "Field X does not exist.");
    EXPECT_RAISES_EXACTLY(EInternal, RaiseInternal("Scanner", "bad state"),
                          "Internal error. Location: Scanner. Message: bad state.");
    // The family shares one base so that callers catch it in one place.
    EXPECT_THROW(throw EcList_IndexOutOfBounds(), EReraiseable);
}

}  // namespace
