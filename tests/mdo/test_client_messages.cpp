// The client message table and the raising of client errors.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "mdo/mdo_errors.h"

namespace {

struct MessageCase {
    int number;
    const char* text;
};

// Entries spread over the table, including the ones whose wording is odd on
// purpose (other clients match them exactly).
const MessageCase kTexts[] = {
    {0, "Unknown error"},
    {1,
     "Firebird Client library not found in the path. Please install Firebird to use this "
     "functionality"},
    {3, "%s is an InterBase 6 function. Please upgrade to InterBase 6 to use this functonality"},
    {15, "Cannot perform operation -- DB is not open"},
    {43, "Cannot \"open\" a non-select statement. Use ExecQuery"},
    {55, "SQL Parse Error:\r\n\r\n%s"},
    {62,
     "Can't end a shared transaction unless it is forced and equal to the transaction's "
     "TimeoutAction"},
    {82, "Exceded Maximum Event limits"},
    {87, "SQL Dialect Invalid"},
    {90, "Cannot perform operation -- service is not attached"},
    {96,
     "Generic ServiceStart not applicable: Use Specific Procedures to set configuration params"},
    {103, "Successful execution"},
    {114, "DPB Constant (%s) is unknown"},
    {115, "TPB Constant (%s) is unknown"},
    {116, "Generator %s is not defined"},
};

TEST(ClientMessages, TableHoldsTheExactTexts) {
    for (const MessageCase& c : kTexts) {
        EXPECT_STREQ(ClientMessageText(c.number), c.text) << "entry " << c.number;
    }
}

// A gap in the table (an entry left out, so the rest shift or the last ones
// stay null) or a duplicated line must not pass unnoticed.
TEST(ClientMessages, EveryNumberHasItsOwnTextAndNothingOutside) {
    std::set<std::string> seen;
    for (int number = 0; number < kClientMessageCount; ++number) {
        const char* text = ClientMessageText(number);
        ASSERT_NE(text, nullptr) << "entry " << number;
        EXPECT_GT(std::strlen(text), 0u) << "entry " << number;
        EXPECT_TRUE(seen.insert(text).second) << "entry " << number << " repeats \"" << text << '"';
    }
    // The last documented entry closes the table: no entry after it.
    EXPECT_STREQ(ClientMessageText(kClientMessageCount - 1), "Generator %s is not defined");
    for (int outside : {-1, kClientMessageCount, 1000}) {
        ASSERT_NE(ClientMessageText(outside), nullptr) << outside;
        EXPECT_STREQ(ClientMessageText(outside), "") << outside;
    }
}

struct FormatCase {
    const char* name;
    int number;
    std::initializer_list<TMDOMessageArg> args;
    const char* expected;
};

TEST(ClientMessages, PlaceholdersAreFilledInOrder) {
    const FormatCase cases[] = {
        {"text", 46, {"NAME"}, "Field \"NAME\" not found"},
        {"number", 35, {520}, "Unknown SQL Data type (520)"},
        {"negative number", 12, {-7}, "DPB Constant (-7) is unknown"},
        {"two numbers", 61, {3, 4}, "Column types don't match. (From index: 3; To index: 4)"},
        {"hex with precision",
         59,
         {255, 255},
         "Windows API error. (Windows error 255 [$000000ff])"},
        {"line breaks kept",
         55,
         {"EOF in string detected"},
         "SQL Parse Error:\r\n\r\nEOF in string detected"},
        {"percent in argument", 116, {"G%d"}, "Generator G%d is not defined"},
        {"number for text", 27, {12}, "XSQLDA name does not exist (12)"},
        {"missing arguments", 61, {}, "Column types don't match. (From index: 0; To index: 0)"},
        {"no placeholder", 42, {"ignored"}, "Empty query"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(FormatClientMessage(c.number, c.args), c.expected) << c.name;
    }
}

TEST(ClientMessages, RaiseClientErrorCarriesTheNumberAsSQLCode) {
    try {
        RaiseClientError(46, "NAME");
    } catch (const EMDOClientError& e) {
        EXPECT_EQ(e.Message(), "Field \"NAME\" not found");
        EXPECT_EQ(e.SQLCode, 46);
        EXPECT_EQ(e.ErrorCode, 0);
        return;
    }
    FAIL() << "RaiseClientError returned";
}

TEST(ClientMessages, ClientErrorsAreCaughtAsTheLayersAndTheSystemsErrors) {
    EXPECT_THROW(RaiseClientError(18), EMDOError);
    EXPECT_THROW(RaiseClientError(18), Exception);
}

}  // namespace
