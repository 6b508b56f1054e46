// PreprocessParamText: named parameters to markers, with quotes, comments,
// quoted and repeated names, and the three parse errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mdo/mdo_errors.h"
#include "mdo/mdo_preprocess.h"
#include "support/expect_error.h"

namespace {

struct PreprocessCase {
    const char* Name;
    std::string Input;
    std::string Text;
    std::vector<std::string> Names;
};

const PreprocessCase kCases[] = {
    {"NoParameters", "select 1 from t\r\n", "select 1 from t\r\n", {}},
    {"OneNamed", "select a from t where a = :A\r\n", "select a from t where a = ?\r\n", {"A"}},
    {"QuotedNameKeepsBlank",
     "select A from T where A = :A and B = :\"x y\"\r\n",
     "select A from T where A = ? and B = ?\r\n",
     {"A", "x y"}},
    {"SameNameTwice", "select :A, :A from t\r\n", "select ?, ? from t\r\n", {"A", "A"}},
    {"ColonInSingleQuotes", "select ':x' from t\r\n", "select ':x' from t\r\n", {}},
    {"ColonInDoubleQuotes", "select \"a:b\" from t\r\n", "select \"a:b\" from t\r\n", {}},
    {"DoubledQuoteStaysInString",
     "select 'it''s :x' from t where a = :y\r\n",
     "select 'it''s :x' from t where a = ?\r\n",
     {"y"}},
    {"ColonInBlockComment",
     "select /* :x */ a from t where b = :p\r\n",
     "select /* :x */ a from t where b = ?\r\n",
     {"p"}},
    // "--" comments are not recognised: the colon there is a parameter.
    {"LineCommentNotRecognised", "select 1 from t -- :c\r\n", "select 1 from t -- ?\r\n", {"c"}},
    {"IdentifierCharacters", "select :a_1$b+1 from t\r\n", "select ?+1 from t\r\n", {"a_1$b"}},
    // The character after a name is copied unexamined: it starts no quote.
    {"LookAheadCopiedUnexamined", "select :a'b from t\r\n", "select ?'b from t\r\n", {"a"}},
    {"LookAheadAfterQuotedName", "select :\"n\":m\r\n", "select ?:m\r\n", {"n"}},
    {"CommentClosedThenSlash", "/* a */ :x\r\n", "/* a */ ?\r\n", {"x"}},
    {"ParameterAtEnd", "select 1 from t where a = :last", "select 1 from t where a = ?", {"last"}},
    {"NulEndsTheText", std::string("select 1\0 :x\r\n", 14), "select 1", {"x"}},
};

class PreprocessTable : public ::testing::TestWithParam<PreprocessCase> {};

TEST_P(PreprocessTable, MarkersAndNames) {
    const PreprocessCase& c = GetParam();
    const TMDOPreprocessedSQL result = PreprocessParamText(c.Input, false);
    EXPECT_EQ(result.Text, c.Text);
    EXPECT_EQ(result.Names, c.Names);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreprocessTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct ParseErrorCase {
    const char* Name;
    std::string Input;
    const char* Message;
};

const ParseErrorCase kErrors[] = {
    {"OpenComment", "select /* never closed\r\n",
     "SQL Parse Error:\r\n\r\nEOF in comment detected"},
    {"OpenString", "select 'never closed\r\n", "SQL Parse Error:\r\n\r\nEOF in string detected"},
    {"QuoteClosedByLastCharacter", "select 'x'", "SQL Parse Error:\r\n\r\nEOF in string detected"},
    {"BareQuestionMark", "select ? from t\r\n", "SQL Parse Error:\r\n\r\nParameter name expected"},
    {"ColonBlank", "select : x\r\n", "SQL Parse Error:\r\n\r\nParameter name expected"},
};

class PreprocessErrors : public ::testing::TestWithParam<ParseErrorCase> {};

TEST_P(PreprocessErrors, RaiseClientError55) {
    const ParseErrorCase& c = GetParam();
    EXPECT_RAISES(EMDOClientError, PreprocessParamText(c.Input, false), c.Message);
    const auto error = CaughtError<EMDOClientError>([&] { PreprocessParamText(c.Input, false); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->SQLCode, 55);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreprocessErrors, ::testing::ValuesIn(kErrors),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PreprocessParams, AutoNamesCountFromZero) {
    const TMDOPreprocessedSQL result = PreprocessParamText("values (?, :b, ?)\r\n", true);
    EXPECT_EQ(result.Text, "values (?, ?, ?)\r\n");
    EXPECT_EQ(result.Names, (std::vector<std::string>{"MDOParam0", "b", "MDOParam1"}));
}

}  // namespace
