// How a text becomes statements: quotes, the three comment kinds, the
// terminator read afresh at every position, trimming.

#include <gtest/gtest.h>

#include "engine/statement_splitter.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "recording_scripter.h"
#include "support/expect_error.h"

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<std::string> statements;
};

class Splitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Splitting, YieldsTheStatements) {
    TcScopedValue<TLanguage> language(Language, TLanguage::English);
    TcRecordingScripter engine;
    engine.ParameterReplace = false;
    engine.ExecuteScript(GetParam().text);
    EXPECT_EQ(engine.Statements, GetParam().statements);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Splitting,
    ::testing::Values(
        SplitCase{"two_statements_and_empty_rest",
                  "select 1 from t; select 2 from t;",
                  {"select 1 from t", "select 2 from t"}},
        SplitCase{"terminator_inside_quotes",
                  "insert into t values ('a;b');",
                  {"insert into t values ('a;b')"}},
        SplitCase{"doubled_quote",
                  "insert into t values ('it''s; ok');",
                  {"insert into t values ('it''s; ok')"}},
        SplitCase{
            "other_quote_kind_inside", "select 'a\";' from t; x", {"select 'a\";' from t", "x"}},
        SplitCase{"block_comment_removed", "select 1 /* ; */ from t;", {"select 1  from t"}},
        SplitCase{"line_comment_keeps_line_break",
                  "select 1 -- comment; more\nfrom t;",
                  {"select 1 \nfrom t"}},
        SplitCase{"slash_slash_comment", "select 1 // x;\r\nfrom t;", {"select 1 \r\nfrom t"}},
        SplitCase{"unterminated_block_comment_cut",
                  "select 1 from t; select 2 /* open ;",
                  {"select 1 from t", "select 2"}},
        SplitCase{
            "comment_inside_quotes_is_text", "select '--;/*' from t;", {"select '--;/*' from t"}},
        SplitCase{
            "quote_inside_comment_is_ignored", "select 1 /* it's */ from t;", {"select 1  from t"}},
        SplitCase{"nul_ends_line_comment_and_goes", std::string("a -- x\0b;", 9), {"a b"}},
        SplitCase{"trim_only_blanks_and_breaks", "\t\r\n select 1 \x01\n;", {"select 1 \x01"}},
        SplitCase{"last_statement_without_terminator", "a; b", {"a", "b"}},
        SplitCase{"comment_removal_joins_a_comment_opener", "a -/**/- hidden;\nb;", {"a \nb"}},
        SplitCase{"unterminated_quote_swallows_rest", "a; 'b; c", {"a", "'b; c"}},
        SplitCase{"only_comments", "-- nothing\n/* at all */", {}},
        // Past a megabyte a statement is kept differently: the quote state
        // before a character stepped back over still counts, and the text
        // after the last terminator still runs whole.
        SplitCase{"long_statement_steps_back_outside_its_quotes",
                  "select '" + std::string(size_t{1} << 21, ';') + "' -/**/- c;\n; '/**/;' x",
                  {"select '" + std::string(size_t{1} << 21, ';') + "'", "'/**/;' x"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(SplittingTerminator, SetTermAppliesToTheRestOfTheSameText) {
    TcScopedValue<TLanguage> language(Language, TLanguage::English);
    TcRecordingScripter engine;
    engine.ExecuteScript(
        "SET TERM ^ ;\n"
        "create procedure p as begin x = :a; y = 1; end^\n"
        "SET TERM ; ^\n"
        "select :a from t;");
    ASSERT_EQ(engine.Statements.size(), 2u);
    EXPECT_EQ(engine.Statements[0], "create procedure p as begin x = :a; y = 1; end");
    EXPECT_EQ(engine.Terminator(), ";");
    // Changing the terminator switched parameter substitution off.
    EXPECT_FALSE(engine.ParameterReplace);
    EXPECT_EQ(engine.Statements[1], "select :a from t");
}

TEST(SplittingTerminator, WordTerminatorMatchesWithoutRegardToCase) {
    TcRecordingScripter engine;
    engine.SetTerminator("go");
    engine.ExecuteScript("select 1 GO select 2 go select 'go' Go");
    EXPECT_EQ(engine.Statements, (std::vector<std::string>{"select 1", "select 2", "select 'go'"}));
}

TEST(SplittingTerminator, CommentRemovalCanJoinATerminator) {
    TcRecordingScripter engine;
    engine.SetTerminator("go");
    engine.ExecuteScript("select 1 g/* x */o select 2");
    EXPECT_EQ(engine.Statements, (std::vector<std::string>{"select 1", "select 2"}));
}

TEST(SplittingTerminator, BlankTerminatorIsRejectedAndKept) {
    TcScopedValue<TLanguage> language(Language, TLanguage::English);
    TcRecordingScripter engine;
    // A plain error, not a user error.
    EXPECT_RAISES_EXACTLY(Exception, engine.SetTerminator("  "), "Not a valid separator.");
    EXPECT_EQ(engine.Terminator(), ";");
    Language = TLanguage::Dutch;
    EXPECT_RAISES_EXACTLY(Exception, engine.SetTerminator(""), "Geen geldig scheidingteken.");
}

TEST(SplittingTerminator, SameTerminatorChangesNothing) {
    TcRecordingScripter engine;
    ASSERT_TRUE(engine.ParameterReplace);
    engine.SetTerminator(";");
    EXPECT_TRUE(engine.ParameterReplace);
    engine.SetTerminator("^");
    EXPECT_FALSE(engine.ParameterReplace);
}

TEST(SplittingErrors, AnErrorEndsTheRun) {
    TcRecordingScripter engine;
    engine.FailOn = {"sql b"};
    EXPECT_THROW(engine.ExecuteScript("a; b; c;"), EUser);
    EXPECT_EQ(engine.Statements, (std::vector<std::string>{"a", "b"}));
}

TEST(SplittingErrors, TheFailingStatementsLineIsKept) {
    struct Case {
        const char* text;
        int line;
    } cases[] = {
        {"a;\n\n  bad;\nc;", 3}, {"a; -- x\n/* two\nlines */ bad\n  continued;", 3},
        {"bad/* c */;", 1},      {"a;\r\n\r\n\tbad", 3},
        {"a;\n\n", 0},  // nothing failed
    };
    for (const Case& c : cases) {
        TcRecordingScripter engine;
        engine.FailOn = {"sql bad"};
        engine.ScriptSource = "main.sql";
        try {
            engine.ExecuteScript(c.text);
        } catch (const EUser&) {
        }
        EXPECT_EQ(engine.ErrorLine, c.line) << c.text;
        EXPECT_EQ(engine.ErrorSource, c.line ? "main.sql" : "") << c.text;
    }
}

TEST(SplittingErrors, SuppressOutputIsResetAtTheEndOfARun) {
    TcScopedValue<TLanguage> language(Language, TLanguage::English);
    TcRecordingScripter engine;
    engine.ExecuteScript("SET SUPPRESS_OUTPUT ON; select 1");
    EXPECT_FALSE(engine.SuppressOutput);
    engine.FailOn = {"sql x"};
    EXPECT_THROW(engine.ExecuteScript("SET SUPPRESS_OUTPUT ON; x"), EUser);
    EXPECT_TRUE(engine.SuppressOutput) << "a failed run skips the reset";
}

TEST(SplittingScale, ManyCommentLinesInOneStatement) {
    // One statement made of 200,000 comment lines: each removal must not
    // rescan the whole statement (that would be quadratic).
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "-- comment line\n";
    text += "select 1;";
    TcRecordingScripter engine;
    engine.ExecuteScript(text);
    ASSERT_EQ(engine.Statements.size(), 1u);
    EXPECT_EQ(engine.Statements[0], "select 1");
}

}  // namespace

// The engine's split and the prompt's "is this complete" come from one
// scanner; every case is asked of both uses.
namespace {

struct CompletenessCase {
    const char* name;
    const char* text;
    const char* terminator;
    bool complete;
    std::vector<std::string> statements;  // what a run of the text executes
};

class ScannerUses : public ::testing::TestWithParam<CompletenessCase> {};

TEST_P(ScannerUses, CompletenessAndSplitAgree) {
    const CompletenessCase& c = GetParam();
    EXPECT_EQ(IsStatementComplete(c.text, c.terminator), c.complete);
    // The prompt's input, given the text a character at a time, answers as
    // the whole-text check at every length; given it in two pieces, at
    // every cut, it answers as for the whole text.
    const std::string text = c.text;
    const std::string terminator = c.terminator;
    TcStatementInput typed(terminator);
    for (size_t length = 1; length <= text.size(); ++length) {
        typed.Append(text.substr(length - 1, 1));
        ASSERT_EQ(typed.IsComplete(), IsStatementComplete(text.substr(0, length), terminator))
            << "after " << length << " characters";
    }
    EXPECT_EQ(typed.Text(), text);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        TcStatementInput pasted(terminator);
        pasted.Append(text.substr(0, cut));
        pasted.Append(text.substr(cut));
        ASSERT_EQ(pasted.IsComplete(), c.complete) << "cut at " << cut;
    }
    TcRecordingScripter engine;
    engine.ParameterReplace = false;
    engine.SetTerminator(c.terminator);
    engine.ExecuteScript(c.text);
    EXPECT_EQ(engine.Statements, c.statements);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScannerUses,
    ::testing::Values(
        CompletenessCase{"terminated", "select 1 from t;\n", ";", true, {"select 1 from t"}},
        CompletenessCase{"no_terminator_yet", "select 1\n", ";", false, {"select 1"}},
        CompletenessCase{"terminator_in_quotes", "select ';'\n", ";", false, {"select ';'"}},
        CompletenessCase{"open_quote", "select 'a;\n", ";", false, {"select 'a;"}},
        CompletenessCase{
            "trailing_line_comment", "select 1; -- trailing\n", ";", true, {"select 1"}},
        CompletenessCase{"open_block_comment", "select 1; /* open\n", ";", false, {"select 1"}},
        CompletenessCase{"terminator_in_comment", "select 1 /* ; */\n", ";", false, {"select 1"}},
        CompletenessCase{"procedure_body",
                         "create procedure p as begin x = 1; end^\n",
                         "^",
                         true,
                         {"create procedure p as begin x = 1; end"}},
        CompletenessCase{"word_terminator_any_case", "select 1 go\n", "GO", true, {"select 1"}},
        CompletenessCase{
            "comment_joins_word_terminator", "select 1 g/* x */o\n", "GO", true, {"select 1"}},
        CompletenessCase{"text_after_last_terminator",
                         "select 1; select 2\n",
                         ";",
                         false,
                         {"select 1", "select 2"}},
        CompletenessCase{"only_blanks", " \n", ";", false, {}},
        CompletenessCase{"closed_comment_after", "select 1; /* done */\n", ";", true, {"select 1"}},
        CompletenessCase{"comment_over_lines_joins_terminator",
                         "select 1 ^/* a\nb */^\n",
                         "^^",
                         true,
                         {"select 1"}},
        CompletenessCase{
            "terminator_after_line_comment", "select 1 -- x;\n;\n", ";", true, {"select 1"}},
        CompletenessCase{"slash_and_minus_no_comment",
                         "select 4/2-1 from t;\n",
                         ";",
                         true,
                         {"select 4/2-1 from t"}},
        CompletenessCase{
            "star_slash_outside_comment", "select 2*/**/3;\n", ";", true, {"select 2*3"}}),
    [](const ::testing::TestParamInfo<CompletenessCase>& info) {
        return std::string(info.param.name);
    });

}  // namespace
