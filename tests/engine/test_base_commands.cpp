// What each base command does to the engine and the message it leaves.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/base_commands.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "recording_scripter.h"
#include "support/expect_error.h"

namespace {

using Calls = std::vector<std::string>;

class Commands : public ::testing::Test {
  protected:
    void SetUp() override { engine = std::make_unique<TcRecordingScripter>(); }
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    void Run(const std::string& statement) { engine->ExecuteStatement(statement); }
    std::unique_ptr<TcRecordingScripter> engine;
};

TEST_F(Commands, OnOffSwitchesSetTheirField) {
    struct Case {
        const char* keyword;
        bool TcDBBaseScripter::*field;
    } cases[] = {
        {"SET ECHO", &TcDBBaseScripter::Echo},
        {"SET SUPPRESS_ERROR", &TcDBBaseScripter::SuppressError},
        {"SET TIME_DISPLAY", &TcDBBaseScripter::TimeDisplay},
        {"SET SHOW_RECORD_COUNT", &TcDBBaseScripter::ShowRecordCount},
        {"SET SUPPRESS_OUTPUT", &TcDBBaseScripter::SuppressOutput},
        {"SET SHOW_RECORD_HEADER", &TcDBBaseScripter::ShowRecordHeader},
        {"SET PARAMETER_REPLACE", &TcDBBaseScripter::ParameterReplace},
        {"SET AUTODDL", &TcDBBaseScripter::AutoDDL},
    };
    for (const Case& c : cases) {
        Run(std::string(c.keyword) + " on");
        EXPECT_TRUE((*engine).*c.field) << c.keyword;
        Run(std::string(c.keyword) + " OFF");
        EXPECT_FALSE((*engine).*c.field) << c.keyword;
        Run(std::string(c.keyword) + " On");
        EXPECT_TRUE((*engine).*c.field) << c.keyword;
        EXPECT_EQ(engine->LastMessage, "Done.");
    }
    // Registered by the Firebird engine, but it works on any engine.
    engine->Commands.Add(new TpsShowStats);
    Run("set statistics_display on");
    EXPECT_TRUE(engine->StatisticsDisplay);
}

TEST_F(Commands, ChoiceSettings) {
    Run("SET PLAN only");
    EXPECT_EQ(engine->PlanMode, TPlanMode::Only);
    Run("SET PLAN ON");
    EXPECT_EQ(engine->PlanMode, TPlanMode::On);
    Run("SET PLAN off");
    EXPECT_EQ(engine->PlanMode, TPlanMode::Off);
    Run("SET START_TRANSACTION implicit");
    EXPECT_EQ(engine->StartTransactionModel, TStartTransactionModel::Implicit);
    Run("SET START_TRANSACTION EXPLICIT");
    EXPECT_EQ(engine->StartTransactionModel, TStartTransactionModel::Explicit);
}

TEST_F(Commands, TransactionModeMessages) {
    struct Case {
        const char* statement;
        TTransactionMode mode;
        const char* english;
        const char* dutch;
    } cases[] = {
        {"SET TRANSACTION MODE readcommitted", TTransactionMode::ReadCommitted,
         "New transaction will be read committed.",
         "De volgende transaction zal read committed zijn."},
        {"SET TRANSACTION_MODE SNAPSHOT", TTransactionMode::Snapshot,
         "New transaction will be snapshot.", "De volgende transaction zal snapshot zijn."},
        {"set transaction_mode ReadOnly", TTransactionMode::ReadOnly,
         "New transaction will be readonly.", "De volgende transaction zal readonly zijn."},
    };
    for (const Case& c : cases) {
        Language = TLanguage::English;
        Run(c.statement);
        EXPECT_EQ(engine->TransactionMode, c.mode);
        EXPECT_EQ(engine->LastMessage, c.english);
        Language = TLanguage::Dutch;
        Run(c.statement);
        EXPECT_EQ(engine->LastMessage, c.dutch);
    }
}

TEST_F(Commands, WarnOnRecordsReturned) {
    Run("SET WARN_ON_RECORDS_RETURNED 250");
    EXPECT_EQ(engine->WarnOnRecordsReturned, 250);
    Run("SET WARN_ON_RECORDS_RETURNED 0");
    EXPECT_EQ(engine->WarnOnRecordsReturned, 0);
    Run("SET WARN_ON_RECORDS_RETURNED many");
    EXPECT_EQ(engine->WarnOnRecordsReturned, -1);
}

TEST_F(Commands, TransactionCommandsAndTheirMessages) {
    Run("COMMIT");
    EXPECT_EQ(engine->LastMessage, "Transaction commit.");  // even with nothing to commit
    Run("START TRANSACTION");
    EXPECT_EQ(engine->LastMessage, "Transaction start.");
    Run("START TRANSACTION");  // already active: nothing happens
    Run("ROLLBACK WORK");
    EXPECT_EQ(engine->LastMessage, "Transaction rollback.");
    Run("START TRANSACTION");
    Run("COMMIT TRANSACTION");
    Run("ROLLBACK TRANSACTION");
    EXPECT_EQ(engine->Calls, (Calls{"start", "rollback", "start", "commit"}));
    Language = TLanguage::Dutch;
    Run("commit work");
    EXPECT_EQ(engine->LastMessage, "Transactie commit.");
}

TEST_F(Commands, SetParameterStoresReplacesAndRemoves) {
    Run("SET PARAMETER city 'Delft'");
    ASSERT_EQ(engine->Parameters.IndexOf("CITY"), 0);
    EXPECT_EQ(engine->Parameters.Value(0), "'Delft'");
    Run("select * from t where c = :city");
    EXPECT_EQ(engine->Statements.back(), "select * from t where c = 'Delft'");
    Run("SET PARAMETER City 'New  York'");
    EXPECT_EQ(engine->Parameters.Value(0), "'New  York'");
    Run("SET PARAMETER city");
    EXPECT_EQ(engine->Parameters.Count(), 0);
    Run("SET PARAMETER city");  // nothing stored: nothing happens
    EXPECT_EQ(engine->Parameters.Count(), 0);
    EXPECT_THROW(Run("SET PARAMETER"), Exception);
    EXPECT_EQ(engine->Parameters.Count(), 0);
}

TEST_F(Commands, EchoReturnsTheValueAsParsed) {
    Run("ECHO 'hello  there'");
    EXPECT_EQ(engine->LastMessage, "'hello  there'");
    Run("ECHO   two   words");
    EXPECT_EQ(engine->LastMessage, "two words");
    Run("ECHO");
    EXPECT_EQ(engine->LastMessage, "Done.");
}

TEST_F(Commands, SleepWaitsWholeSeconds) {
    Run("SLEEP 3");
    Run("SLEEP 2147483647");  // beyond what milliseconds fit in 32 bits
    Run("SLEEP -5");
    EXPECT_EQ(engine->Calls, (Calls{"sleep 3000", "sleep 2147483647000"}));
    EXPECT_RAISES(Exception, Run("SLEEP soon"), "'soon' is not a valid integer value");
}

TEST_F(Commands, ConnectNeedsUserAndPassword) {
    Run("CONNECT 'a.fdb' USER 'u' PASSWORD 'p'");
    ASSERT_TRUE(engine->Connected());
    struct Case {
        const char* statement;
        const char* message;
    } cases[] = {
        {"CONNECT 'emp.fdb'", "User unknown."},
        {"CONNECT 'emp.fdb' USER 'u'", "Password unknown."},
    };
    for (const Case& c : cases) {
        EXPECT_RAISES(EUser, Run(c.statement), c.message);
        EXPECT_TRUE(engine->Connected()) << "the current connection stays open";
        EXPECT_EQ(engine->ConnectString(), "a.fdb");
    }
}

TEST_F(Commands, OnLoginCanCompleteTheLogin) {
    engine->OnLogin = [](std::string& database, std::string& user, std::string& password,
                         std::string& role) {
        EXPECT_EQ(database, "emp.fdb");
        EXPECT_EQ(role, "");
        user = "asked";
        password = "secret";
    };
    Run("CONNECT \"emp.fdb\"");
    EXPECT_TRUE(engine->Connected());
    EXPECT_EQ(engine->UserName, "asked");
    EXPECT_EQ(engine->Password, "secret");
}

TEST_F(Commands, ConnectingAgainClosesTheCurrentConnection) {
    Run("CONNECT 'a.fdb' USER 'u' PASSWORD 'p'");
    Run("START TRANSACTION");
    Run("CONNECT 'b.fdb' USER 'u' PASSWORD 'p'");
    EXPECT_EQ(engine->Calls,
              (Calls{"connect a.fdb", "start", "rollback", "disconnect", "connect b.fdb"}));
}

TEST_F(Commands, ReconnectCommitsWaitsAndConnectsAgain) {
    Run("CONNECT 'a.fdb' USER 'u' PASSWORD 'p'");
    Run("START TRANSACTION");
    Run("RECONNECT");
    EXPECT_EQ(engine->Calls, (Calls{"connect a.fdb", "start", "commit", "disconnect", "sleep 2000",
                                    "connect a.fdb"}));
    EXPECT_TRUE(engine->Connected());
}

TEST_F(Commands, SetTermAndRootDirectory) {
    Run("SET TERM   !!");
    EXPECT_EQ(engine->Terminator(), "!!");
    EXPECT_THROW(Run("SET TERM"), Exception);
    EXPECT_EQ(engine->Terminator(), "!!");
    Run("SET ROOT_DIRECTORY '/data/dbs'");
    EXPECT_EQ(engine->RootDirectory(), "/data/dbs/");
    Run("SET ROOT_DIRECTORY '/data/'");
    EXPECT_EQ(engine->RootDirectory(), "/data/");
}

// --- CHECK ---

class CheckCommand : public Commands {
  protected:
    void SetUp() override {
        Commands::SetUp();
        // "rows N" pretends to fetch N rows.
        engine->OnSql = [this](const std::string& statement) {
            if (statement.rfind("rows ", 0) == 0)
                engine->RecordCount = std::stoi(statement.substr(5));
        };
    }
};

TEST_F(CheckCommand, PassesWhenNoRowsCome) {
    std::vector<TObject*> senders;
    engine->OnAfterStatement = [&](TObject* sender, const std::string&, bool&) {
        senders.push_back(sender);
    };
    engine->ExecuteScript("CHECK rows 0; ECHO after;");
    EXPECT_EQ(engine->LastMessage, "after");
    EXPECT_EQ(engine->Statements, Calls{"rows 0"});
    EXPECT_EQ(senders, (std::vector<TObject*>{engine.get(), engine.get()}));
    EXPECT_TRUE(engine->ShowRecordHeader);
    EXPECT_EQ(engine->ExecuteInternalCount, 0);
}

TEST_F(CheckCommand, FailsWhenRowsComeAndShowsThem) {
    bool headerDuringCheck = true;
    std::vector<std::pair<bool, std::string>> after;  // from the command? statement
    engine->OnAfterStatement = [&](TObject* sender, const std::string& statement, bool&) {
        if (sender != engine.get()) headerDuringCheck = engine->ShowRecordHeader;
        after.emplace_back(sender != engine.get(), statement);
    };
    EXPECT_RAISES(EUser, engine->ExecuteScript("CHECK rows 2; ECHO never;"), "Check failed.");
    // First the command shows the rows it found, then the failing statement.
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], std::make_pair(true, std::string()));
    EXPECT_EQ(after[1], std::make_pair(false, std::string("CHECK rows 2")));
    EXPECT_FALSE(headerDuringCheck);
    EXPECT_TRUE(engine->ShowRecordHeader);
    EXPECT_EQ(engine->CheckFailures, 1);
}

TEST_F(CheckCommand, OneFailureFailsEveryLaterCheckOfTheRun) {
    // An owner that swallows errors lets the run go on.
    engine->OnAfterStatement = [](TObject*, const std::string&, bool& ok) { ok = true; };
    int failures = 0;
    auto swallowing = engine->OnAfterStatement;
    engine->OnAfterStatement = [&](TObject* sender, const std::string& s, bool& ok) {
        if (!ok) ++failures;
        swallowing(sender, s, ok);
    };
    engine->ExecuteScript("CHECK rows 1; CHECK rows 0;");
    EXPECT_EQ(failures, 2);
    // A new run starts counting afresh.
    engine->ExecuteScript("CHECK rows 0;");
    EXPECT_EQ(failures, 2);
}

TEST_F(CheckCommand, ErrorInsideTheCheckRestoresTheEngine) {
    engine->FailOn = {"sql boom"};
    EXPECT_THROW(engine->ExecuteScript("CHECK boom;"), EUser);
    EXPECT_TRUE(engine->ShowRecordHeader);
    EXPECT_EQ(engine->ExecuteInternalCount, 0);
}

// --- EXECUTE SCRIPT ---

class ScriptFiles : public Commands {
  protected:
    void SetUp() override {
        Commands::SetUp();
        folder = scratch.Path();
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    TcTempDir scratch;
    std::filesystem::path folder;
};

TEST_F(ScriptFiles, RunsNestedWithRootDirectoryAndKeepsSettings) {
    Write("setup.sql", "SET ECHO ON;\ninsert a;\nSET TERM ^ ;\ninsert b^\n");
    std::vector<std::string> seen;
    engine->OnAfterStatement = [&](TObject*, const std::string& s, bool&) { seen.push_back(s); };
    engine->ExecuteScript("SET ROOT_DIRECTORY '" + folder.string() +
                          "';\nEXECUTE SCRIPT 'setup.sql';\ninsert c^");
    EXPECT_EQ(engine->Statements, (Calls{"insert a", "insert b", "insert c"}));
    EXPECT_TRUE(engine->Echo);
    EXPECT_EQ(engine->Terminator(), "^");
    EXPECT_EQ(engine->LastMessage, "");
    // Inner statements fire their events; the command's own comes last.
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen[seen.size() - 2], "EXECUTE SCRIPT 'setup.sql'");
}

TEST_F(ScriptFiles, MessageAndAbsoluteNames) {
    Write("x.sql", "insert x;");
    engine->SetRootDirectory("/nonexistent");
    engine->ExecuteStatement("EXECUTE SCRIPT '" + (folder / "x.sql").string() + "'");
    EXPECT_EQ(engine->LastMessage, "Script executed.");
    EXPECT_EQ(engine->Statements, Calls{"insert x"});
}

TEST_F(ScriptFiles, AnErrorInsideEndsTheOuterRunToo) {
    Write("inner.sql", "insert 1; fail; insert 2;");
    engine->FailOn = {"sql fail"};
    engine->SetRootDirectory(folder.string());
    EXPECT_THROW(engine->ExecuteScript("EXECUTE SCRIPT inner.sql; insert 3;"), EUser);
    EXPECT_EQ(engine->Statements, (Calls{"insert 1", "fail"}));
}

TEST_F(ScriptFiles, ErrorPositionNamesTheInnerScript) {
    Write("inner.sql", "insert 1;\n\nfail;\n");
    engine->FailOn = {"sql fail"};
    engine->SetRootDirectory(folder.string());
    engine->ScriptSource = "outer.sql";
    EXPECT_THROW(engine->ExecuteScript("insert 0;\nEXECUTE SCRIPT inner.sql;"), EUser);
    EXPECT_EQ(engine->ErrorSource, (folder / "inner.sql").string());
    EXPECT_EQ(engine->ErrorLine, 3);
    EXPECT_EQ(engine->ScriptSource, "outer.sql");
}

TEST_F(ScriptFiles, UnreadableAndBinaryFilesGiveClearErrors) {
    Write("bin.sql", std::string("select\0\x01\x02", 9));
    std::filesystem::create_directory(folder / "adir");
    engine->SetRootDirectory(folder.string());
    struct Case {
        const char* statement;
        std::string expected;
    } cases[] = {
        {"EXECUTE SCRIPT 'missing.sql'", "Cannot open file \"" + (folder / "missing.sql").string() +
                                             "\". No such file or directory"},
        {"EXECUTE SCRIPT 'bin.sql'",
         "Cannot read file \"" + (folder / "bin.sql").string() + "\". It is not a text file."},
        // A directory opens, and once read as an empty script.
        {"EXECUTE SCRIPT 'adir'", (folder / "adir").string() + " is a directory."},
    };
    for (const Case& c : cases)
        EXPECT_RAISES(Exception, engine->ExecuteStatement(c.statement), c.expected);
    EXPECT_TRUE(engine->Statements.empty());
}

// A byte-order mark once hid the first command: it went to the server as SQL.
TEST_F(ScriptFiles, LeadingByteOrderMarkIsSkipped) {
    Write("bom.sql", "\xEF\xBB\xBFSET ECHO ON;\ninsert a;\n");
    Write("inside.sql",
          "insert \xEF\xBB\xBF"
          "b;\n");
    engine->SetRootDirectory(folder.string());
    engine->ExecuteScript("EXECUTE SCRIPT 'bom.sql'; EXECUTE SCRIPT 'inside.sql';");
    EXPECT_TRUE(engine->Echo);
    // Only a mark at the very start is left out.
    EXPECT_EQ(engine->Statements, (Calls{"insert a",
                                         "insert \xEF\xBB\xBF"
                                         "b"}));
}

TEST_F(ScriptFiles, AScriptThatRunsItselfStopsWithAnError) {
    Write("self.sql", "insert x;\nEXECUTE SCRIPT 'self.sql';\n");
    engine->SetRootDirectory(folder.string());
    EXPECT_RAISES(
        EUser, engine->ExecuteScript("EXECUTE SCRIPT 'self.sql';"),
        "Scripts are nested more than 64 levels deep at " + (folder / "self.sql").string() + ".");
    EXPECT_EQ(engine->Statements.size(), 64u);
    EXPECT_EQ(engine->ScriptDepth, 0);
    // The engine runs scripts again afterwards.
    Write("once.sql", "insert y;");
    engine->ExecuteScript("EXECUTE SCRIPT 'once.sql';");
    EXPECT_EQ(engine->Statements.back(), "insert y");
}

}  // namespace
