// tessel-cli: options, the prompt's statement detection, the session's
// terminal questions and the end of a run, and the exit statuses.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"

namespace {

using Lines = std::vector<std::string>;

TEST(CliOptions, ParsesIsqlStyleOptions) {
    const char* argv[] = {"tessel-cli", "-d", "db.fdb", "-u", "me",      "-p",
                          "pw",         "-e", "-q",     "-o", "out.txt", "script.sql"};
    TcCliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions(12, argv, options, error)) << error;
    EXPECT_EQ(options.Database, "db.fdb");
    EXPECT_EQ(options.User, "me");
    EXPECT_EQ(options.Password, "pw");
    EXPECT_EQ(options.Output, "out.txt");
    EXPECT_EQ(options.Script, "script.sql");
    EXPECT_TRUE(options.Echo);
    EXPECT_TRUE(options.Quiet);
}

TEST(CliOptions, Errors) {
    struct Case {
        std::vector<const char*> argv;
        const char* error;
    } cases[] = {
        {{"tessel-cli", "-z"}, "Unknown option -z."},
        {{"tessel-cli", "-x"}, "Option -x needs a database (-d)."},
        {{"tessel-cli", "-x", "-d", "db.fdb", "a.sql"},
         "Option -x reads no script; a.sql was given."},
        {{"tessel-cli", "-d"}, "Option -d needs a value."},
        {{"tessel-cli", "a.sql", "b.sql"}, "Only one script can be given; b.sql is a second one."},
    };
    for (const Case& c : cases) {
        TcCliOptions options;
        std::string error;
        EXPECT_FALSE(
            ParseCliOptions(static_cast<int>(c.argv.size()), c.argv.data(), options, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(CliOptions, ExtractModeWithADatabase) {
    const char* argv[] = {"tessel-cli", "-x", "-d", "db.fdb", "-o", "schema.sql"};
    TcCliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions(6, argv, options, error)) << error;
    EXPECT_TRUE(options.Extract);
    EXPECT_EQ(options.Database, "db.fdb");
    EXPECT_EQ(options.Output, "schema.sql");
}

TEST(CliOptions, EnvironmentGivesUserAndPassword) {
    setenv("ISC_USER", "envuser", 1);
    setenv("ISC_PASSWORD", "envpw", 1);
    const char* argv[] = {"tessel-cli", "-u", "given"};
    TcCliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions(3, argv, options, error));
    EXPECT_EQ(options.User, "given");
    EXPECT_EQ(options.Password, "envpw");
    unsetenv("ISC_USER");
    unsetenv("ISC_PASSWORD");
}

// A terminal that answers from a list and records its prompts.
class TcScriptedTerminal : public ICliTerminal {
  public:
    std::optional<std::string> ReadLine(const std::string& prompt) override {
        Prompts.push_back(prompt);
        if (Answers.empty()) return std::nullopt;
        std::string answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    std::optional<std::string> ReadSecret(const std::string& prompt) override {
        return ReadLine(prompt);
    }
    std::deque<std::string> Answers;
    Lines Prompts;
};

class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        Language = TLanguage::English;
        engine = std::make_unique<TcDBScripter_IB>();
    }
    Lines OutLines() const {
        Lines lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::string Create() {
        return "CREATE DATABASE '" + folder.File("s.fdb") + "' USER 'SYSDBA' PASSWORD 'x';";
    }
    TcTempDir folder;
    TcCliOptions options;
    std::ostringstream out, err;
    std::unique_ptr<TcDBScripter_IB> engine;
};

TEST_F(Session, SetsTheEngineUpAsTheConsoleDoes) {
    TcCliSession session(*engine, options, out, err, nullptr);
    EXPECT_EQ(engine->StartTransactionModel, TStartTransactionModel::Implicit);
    EXPECT_EQ(engine->WarnOnRecordsReturned, 1000);
    EXPECT_EQ(engine->OwnerWindow, nullptr) << "no terminal, nobody to ask";
}

TEST_F(Session, ParameterAskedOnTheTerminalAndQuotedLikeTheConsole) {
    TcScriptedTerminal terminal;
    terminal.Answers = {"Delft", "42", "'x'", "2147483647"};
    TcCliSession session(*engine, options, out, err, &terminal);
    EXPECT_EQ(session.RunScript("ECHO :a; ECHO :b; ECHO :c; ECHO :d;", "t.sql"), cliOk);
    EXPECT_EQ(OutLines(), (Lines{"'Delft'", "42", "'x'", "'2147483647'"}));
    EXPECT_EQ(terminal.Prompts.front(), "Parameter requested: a: ");
}

TEST_F(Session, WithoutTerminalNothingIsAsked) {
    TcCliSession session(*engine, options, out, err, nullptr);
    EXPECT_EQ(session.RunScript("ECHO :a;", "t.sql"), cliOk);
    EXPECT_EQ(OutLines(), Lines{":a"});
}

TEST_F(Session, LoginFromOptionsThenFromTheTerminal) {
    TcScriptedTerminal terminal;
    TcCliSession creator(*engine, options, out, err, nullptr);
    ASSERT_EQ(creator.RunScript(Create() + " DISCONNECT;", "t.sql"), cliOk);
    options.User = "SYSDBA";
    terminal.Answers = {"secret"};
    TcCliSession session(*engine, options, out, err, &terminal);
    EXPECT_EQ(session.RunScript("CONNECT '" + folder.File("s.fdb") + "';", "t.sql"), cliOk);
    EXPECT_EQ(terminal.Prompts, Lines{"Password: "});
    EXPECT_EQ(engine->UserName, "SYSDBA");
    EXPECT_EQ(engine->Password, "secret");
}

TEST_F(Session, AccessLayerLoginAsksOnTheTerminal) {
    TcScriptedTerminal terminal;
    terminal.Answers = {"", "typed", "bob", "", "x"};
    {
        TcCliSession session(*engine, options, out, err, &terminal);
        TMDOLoginRequest request;
        request.Target = "db.fdb";
        request.UserName = "SYSDBA";
        request.Password = "given";
        ASSERT_TRUE(ShowLoginDialog(request));
        EXPECT_EQ(request.UserName, "SYSDBA") << "an empty answer keeps the user name";
        EXPECT_EQ(request.Password, "typed");
        ASSERT_TRUE(ShowLoginDialog(request));
        EXPECT_EQ(request.UserName, "bob");
        EXPECT_EQ(request.Password, "typed") << "an empty answer keeps the password";
        request.UserNameReadOnly = true;
        ASSERT_TRUE(ShowLoginDialog(request));
        EXPECT_EQ(request.Password, "x");
        EXPECT_FALSE(ShowLoginDialog(request)) << "the end of the input cancels";
        EXPECT_EQ(
            terminal.Prompts,
            (Lines{"User name for db.fdb [SYSDBA]: ", "Password: ",
                   "User name for db.fdb [SYSDBA]: ", "Password: ", "Password: ", "Password: "}));
    }
    TMDOLoginRequest request;
    EXPECT_FALSE(ShowLoginDialog(request)) << "the session's dialog went with it";
    TcCliSession withoutTerminal(*engine, options, out, err, nullptr);
    EXPECT_FALSE(ShowLoginDialog(request)) << "nobody to ask";
}

TEST_F(Session, RecordsQuestionOnTheTerminal) {
    TcScriptedTerminal terminal;
    TcCliSession session(*engine, options, out, err, &terminal);
    ASSERT_EQ(session.RunScript(
                  Create() + "create table t (a integer);"
                             "insert into t select first 3 rdb$relation_id from rdb$relations;",
                  "t.sql"),
              cliOk);
    engine->WarnOnRecordsReturned = 2;
    engine->ShowRecordCount = true;
    terminal.Answers = {"maybe", "n"};
    out.str("");
    EXPECT_EQ(session.RunScript("select a from t;", "t.sql"), cliOk);
    EXPECT_EQ(terminal.Prompts.size(), 2u) << "an unclear answer is asked again";
    EXPECT_EQ(terminal.Prompts[0], "Warning: Returned 2 records, continue? (y/n) ");
    EXPECT_EQ(OutLines().back(), "Returned 2 records.");
}

TEST_F(Session, ErrorsNameTheScriptLineAndStatement) {
    TcCliSession session(*engine, options, out, err, nullptr);
    EXPECT_EQ(session.RunScript("ECHO one;\n\nSET ECHO maybe;\nECHO two;", "bad.sql"),
              cliStatementFailed);
    EXPECT_EQ(err.str(), "bad.sql:3: SET ECHO maybe\nParameters should be ON or OFF\n");
    EXPECT_EQ(OutLines(), Lines{"one"});
}

TEST_F(Session, ErrorsAndEchoHideThePassword) {
    TcCliSession session(*engine, options, out, err, nullptr);
    EXPECT_EQ(session.RunScript("SET ECHO ON;\nCONNECT '" + folder.File("none.fdb") +
                                    "' USER 'SYSDBA' PASSWORD 'hunter2';",
                                "p.sql"),
              cliStatementFailed);
    EXPECT_EQ(err.str().find("hunter2"), std::string::npos) << err.str();
    EXPECT_EQ(out.str().find("hunter2"), std::string::npos) << out.str();
    EXPECT_EQ(
        err.str().rfind(
            "p.sql:2: CONNECT '" + folder.File("none.fdb") + "' USER 'SYSDBA' PASSWORD '***'\n", 0),
        0u)
        << err.str();
}

// A failing statement's output stays on standard output, as the console's
// output list keeps it: the echo, the plan, the header and the rows fetched
// before the failure. Only the error itself goes to standard error.
TEST_F(Session, FailingStatementShowsWhatItProducedBeforeTheError) {
    // The second row divides by zero; the first is fetched before that.
    const std::string failsAtRowTwo =
        "with recursive r (n) as (select 1 from rdb$database union all "
        "select n + 1 from r where n < 3) select 10 / (2 - n) as q from r";
    struct Case {
        const char* name;
        std::string script;  // runs after SET ECHO ON
        Lines out;           // what follows the lines of SET ECHO ON
        std::string err;
    } cases[] = {
        {"query failing at its second row",
         "SET PLAN ON;\n" + failsAtRowTwo + ";",
         {"SET PLAN ON", "Done.", failsAtRowTwo, "<plan>", "             Q",
          "==============", "            10 "},
         "t.sql:2: " + failsAtRowTwo + "\n"},
        {"failing command",
         "SET ECHO maybe;",
         {"SET ECHO maybe"},
         "t.sql:1: SET ECHO maybe\nParameters should be ON or OFF\n"},
        // The check's rows come first (shown without echo or header); the
        // echo then shows the statement the check ran.
        {"failing CHECK",
         "CHECK select 1 as found from rdb$database;",
         {"        1 ", "select 1 as found from rdb$database"},
         "t.sql:1: CHECK select 1 as found from rdb$database\nCheck failed.\n"},
    };
    TcCliSession session(*engine, options, out, err, nullptr);
    ASSERT_EQ(session.RunScript(Create(), "t.sql"), cliOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.RunScript("SET PLAN OFF; SET ECHO OFF;", "t.sql");
        ASSERT_EQ(session.RunScript("SET ECHO ON;", "t.sql"), cliOk);
        out.str("");
        err.str("");
        EXPECT_NE(session.RunScript(c.script, "t.sql"), cliOk);
        Lines lines = OutLines();
        for (std::string& line : lines)
            if (line.rfind("PLAN ", 0) == 0) line = "<plan>";  // the server's wording
        EXPECT_EQ(lines, c.out);
        EXPECT_EQ(err.str().rfind(c.err, 0), 0u) << err.str();
    }
}
TEST_F(Session, CheckFailureHasItsOwnStatus) {
    TcCliSession session(*engine, options, out, err, nullptr);
    EXPECT_EQ(session.RunScript(Create() + "CHECK select 1 from rdb$database;", "c.sql"),
              cliCheckFailed);
}

TEST_F(Session, EndOfInputCommitsAfterSuccessAndRollsBackAfterFailure) {
    {
        TcCliSession session(*engine, options, out, err, nullptr);
        ASSERT_EQ(session.RunScript(Create() + "create table t (a integer);"
                                               "insert into t values (1);",
                                    "t.sql"),
                  cliOk);
        session.Finish(true);
        EXPECT_FALSE(engine->Connected());
    }
    const std::string connect =
        "CONNECT '" + folder.File("s.fdb") + "' USER 'SYSDBA' PASSWORD 'x';";
    {
        TcCliSession session(*engine, options, out, err, nullptr);
        EXPECT_EQ(session.RunScript(
                      connect + "insert into t values (2); insert into t values ('x');", "t.sql"),
                  cliStatementFailed);
        session.Finish(false);
    }
    {
        // On a terminal the user decides: yes commits even after a failure.
        TcScriptedTerminal terminal;
        terminal.Answers = {"y"};
        TcCliSession session(*engine, options, out, err, &terminal);
        EXPECT_EQ(session.RunScript(
                      connect + "insert into t values (3); insert into t values ('x');", "t.sql"),
                  cliStatementFailed);
        session.Finish(false);
        EXPECT_EQ(terminal.Prompts.back(),
                  "Warning: Transaction active, commit before disconnecting? (y/n) ");
    }
    TcCliSession session(*engine, options, out, err, nullptr);
    out.str("");
    session.RunScript(connect + "SET SHOW_RECORD_HEADER OFF; select a from t order by a;", "t.sql");
    EXPECT_EQ(OutLines(), (Lines{"Done.", "Done.", "        1 ", "        3 "}));
}

TEST_F(Session, InteractivePromptRunsCompleteStatementsAndGoesOnAfterErrors) {
    TcScriptedTerminal terminal;
    terminal.Answers = {"ECHO one", "  two;", "SET ECHO wrong;", "ECHO three;", "ECHO unfinished"};
    TcCliSession session(*engine, options, out, err, &terminal);
    EXPECT_EQ(session.RunInteractive(), cliStatementFailed);
    // The end of input ends the prompt line before the rest runs.
    EXPECT_EQ(OutLines(), (Lines{"one two", "three", "", "unfinished"}));
    EXPECT_EQ(terminal.Prompts[0], "SQL> ");
    EXPECT_EQ(terminal.Prompts[1], "CON> ");
    EXPECT_NE(err.str().find("Parameters should be ON or OFF"), std::string::npos);
}

// --- the program itself ---

TEST(CliProgram, ExitStatusesForInputThatCannotBeUsed) {
    TcTempDir folder;
    std::ofstream(folder.File("bin.sql"), std::ios::binary) << std::string("select\0\x01", 8);
    std::ofstream(folder.File("ok.sql")) << "ECHO fine;\n";
    EXPECT_EQ(RunCli("missing.sql", folder.Path()).status, cliCannotOpen);
    EXPECT_EQ(RunCli("bin.sql", folder.Path()).status, cliCannotOpen);
    EXPECT_EQ(RunCli("-x ok.sql", folder.Path()).status, cliCannotOpen);
    EXPECT_EQ(RunCli("-d " + folder.File("none.fdb") + " ok.sql", folder.Path()).status,
              cliCannotOpen);
    EXPECT_EQ(RunCli("< bin.sql", folder.Path()).status, cliCannotOpen);
    const Outcome ok = RunCli("ok.sql", folder.Path());
    EXPECT_EQ(ok.status, cliOk);
    EXPECT_EQ(ok.out, "fine\n");
    const Outcome piped = RunCli("-q < ok.sql", folder.Path());
    EXPECT_EQ(piped.status, cliOk);
    EXPECT_EQ(piped.out, "fine\n");
}

// Input that once ran as nothing, or as something else: a directory read as
// an empty script, a byte-order mark hiding the first command, a dialect
// that wrapped around to a valid one.
TEST(CliProgram, BadInputGetsAClearErrorAndStatus) {
    struct Case {
        const char* name;
        std::string arguments;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {"directory as the script", "adir", cliCannotOpen, "", "adir is a directory.\n"},
        {"directory on standard input", "< adir", cliCannotOpen, "",
         "Standard input is a directory.\n"},
        {"directory run by EXECUTE SCRIPT", "run_dir.sql", cliStatementFailed, "before\n",
         "run_dir.sql:2: EXECUTE SCRIPT 'adir'\nadir is a directory.\n"},
        {"byte-order mark before the first command", "bom.sql", cliOk, "first\nsecond\n", ""},
        {"byte-order mark on standard input", "< bom.sql", cliOk, "first\nsecond\n", ""},
        {"dialect past 16 bits", "dialect.sql", cliStatementFailed, "",
         "dialect.sql:1: SET SQL_DIALECT 65539\n"
         "65539 is not a valid SQL dialect; the dialect is 1, 2 or 3.\n"},
    };
    TcTempDir folder;
    std::filesystem::create_directory(folder.File("adir"));
    std::ofstream(folder.File("run_dir.sql"))
        << "ECHO before;\nEXECUTE SCRIPT 'adir';\nECHO after;\n";
    std::ofstream(folder.File("bom.sql")) << "\xEF\xBB\xBF"
                                             "ECHO first;\nECHO second;\n";
    std::ofstream(folder.File("dialect.sql")) << "SET SQL_DIALECT 65539;\nECHO after;\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome result = RunCli("-q " + c.arguments, folder.Path());
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

// A failing CONNECT or CREATE DATABASE once showed its password in the
// error, and -e wrote it into the output file.
TEST(CliProgram, PasswordsAreMaskedInErrorsAndEcho) {
    TcTempDir folder;
    const std::string missing = folder.File("none/x.fdb");
    struct Case {
        const char* name;
        std::string statement;
        std::string shown;
    } cases[] = {
        {"CONNECT", "CONNECT '" + missing + "' USER 'SYSDBA' PASSWORD 'Se''cret1'",
         "CONNECT '" + missing + "' USER 'SYSDBA' PASSWORD '***'"},
        {"CONNECT unquoted", "CONNECT '" + missing + "' USER SYSDBA PASSWORD Secret1",
         "CONNECT '" + missing + "' USER SYSDBA PASSWORD ***"},
        {"CREATE DATABASE", "CREATE DATABASE '" + missing + "' USER 'SYSDBA' PASSWORD 'Secret1'",
         "CREATE DATABASE '" + missing + "' USER 'SYSDBA' PASSWORD '***'"},
        // CONNECT takes the whole word, quotes grouping: so does the mask.
        {"doubled quotes around", "CONNECT '" + missing + "' PASSWORD ''Secret1'' USER SYSDBA",
         "CONNECT '" + missing + "' PASSWORD *** USER SYSDBA"},
        {"quoted, then bare", "CONNECT '" + missing + "' USER SYSDBA PASSWORD 'Se'cret1",
         "CONNECT '" + missing + "' USER SYSDBA PASSWORD ***"},
        {"double-quoted, then bare", "CONNECT '" + missing + "' USER SYSDBA PASSWORD \"Se\"cret1",
         "CONNECT '" + missing + "' USER SYSDBA PASSWORD ***"},
        {"quotes of both kinds", "CONNECT '" + missing + "' USER SYSDBA PASSWORD 'Se'\"cr\"'et1'",
         "CONNECT '" + missing + "' USER SYSDBA PASSWORD ***"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(folder.File("p.sql")) << c.statement << ";\n";
        const Outcome result = RunCli("-e -o echo.txt p.sql", folder.Path());
        EXPECT_EQ(result.status, cliStatementFailed);
        const std::string echo = ReadFile(folder.File("echo.txt"));
        EXPECT_EQ(echo, c.shown + "\n");
        EXPECT_EQ(result.err.rfind("p.sql:1: " + c.shown + "\n", 0), 0u) << result.err;
        EXPECT_EQ((echo + result.err).find("et1"), std::string::npos);
    }
}

// The server's "Token unknown" quotes an unquoted password back.
TEST(CliProgram, PasswordRepeatedInTheServersMessageIsMasked) {
    TcTempDir folder;
    std::ofstream(folder.File("u.sql"))
        << "CREATE DATABASE '" << folder.File("u.fdb") << "' USER 'SYSDBA' PASSWORD 'x';\n"
        << "create or alter user bob password Sekr3t;\n";
    const Outcome result = RunCli("u.sql", folder.Path());
    EXPECT_EQ(result.status, cliStatementFailed);
    EXPECT_NE(result.err.find("Token unknown"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("***"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Sekr3t"), std::string::npos) << result.err;
}

TEST(CliProgram, ConnectsFirstWithDatabaseOptionAndWritesTheOutputFile) {
    TcTempDir folder;
    std::ofstream(folder.File("make.sql"))
        << "CREATE DATABASE '" << folder.File("d.fdb") << "' USER 'SYSDBA' PASSWORD 'x';\n";
    ASSERT_EQ(RunCli("make.sql", folder.Path()).status, cliOk);
    std::ofstream(folder.File("q.sql")) << "select 1 as one from rdb$database;\n";
    const Outcome result =
        RunCli("-d " + folder.File("d.fdb") + " -u SYSDBA -p x -o result.txt q.sql", folder.Path());
    EXPECT_EQ(result.status, cliOk);
    EXPECT_EQ(result.out, "");
    std::ifstream in(folder.File("result.txt"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "      ONE\n=========\n        1 \n");
}

TEST(CliProgram, HugeStatementGetsAClearErrorNotACrash) {
    TcTempDir folder;
    {
        std::ofstream script(folder.File("huge.sql"));
        script << "CREATE DATABASE '" << folder.File("h.fdb") << "' USER 'SYSDBA' PASSWORD 'x';\n"
               << "select '" << std::string(10 * 1024 * 1024, 'x') << "' from rdb$database;\n";
    }
    const Outcome result = RunCli("huge.sql", folder.Path());
    EXPECT_EQ(result.status, cliStatementFailed);
    EXPECT_EQ(result.out, "Database created.\n");
    std::ifstream in(folder.File("cli.err"));
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind("huge.sql:2: select 'xxx", 0), 0u);
}

TEST(CliProgram, UnterminatedQuoteAndCommentAreRunAsTheyStand) {
    TcTempDir folder;
    std::ofstream(folder.File("open.sql")) << "ECHO before;\nECHO 'never closed;\n";
    const Outcome quote = RunCli("open.sql", folder.Path());
    EXPECT_EQ(quote.status, cliOk);
    EXPECT_EQ(quote.out, "before\n'never closed;\n");
    std::ofstream(folder.File("comment.sql")) << "ECHO before;\nECHO after /* never closed;\n";
    const Outcome comment = RunCli("comment.sql", folder.Path());
    EXPECT_EQ(comment.status, cliOk);
    EXPECT_EQ(comment.out, "before\nafter\n");
}

}  // namespace
