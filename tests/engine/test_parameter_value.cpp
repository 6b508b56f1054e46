#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/parameter_value.h"

TEST(QuoteParameterValue, QuotesWhatIsNoWholeNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"12", "12"},
        {"-5", "-5"},
        {"+5", "+5"},
        {"0", "0"},
        {"-2147483648", "-2147483648"},
        {"2147483646", "2147483646"},
        // The largest 32-bit value counts as no number.
        {"2147483647", "'2147483647'"},
        {"99999999999", "'99999999999'"},
        {"abc", "'abc'"},
        {"'q'", "'q'"},
        {"'", "'"},
        {"1.5", "'1.5'"},
        {"12a", "'12a'"},
        // Blanks are text, before and after the digits alike.
        {" 5", "' 5'"},
        {"5 ", "'5 '"},
        {"\t5", "'\t5'"},
        {"+", "'+'"},
        {"-", "'-'"},
        {"+-5", "'+-5'"},
        {"--5", "'--5'"},
        {"0x10", "'0x10'"},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(QuoteParameterValue(value), expected) << '[' << value << ']';
}
