// One statement: events, parameters, the two transaction models,
// SuppressError, connecting and disconnecting.

#include <gtest/gtest.h>

#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "recording_scripter.h"

namespace {

using Calls = std::vector<std::string>;

class Execution : public ::testing::Test {
  protected:
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcRecordingScripter engine;
};

TEST_F(Execution, EmptyStatementFiresNothing) {
    int events = 0;
    engine.OnBeforeStatement = [&](TcDBBaseScripter&, std::string&, bool&) { ++events; };
    engine.OnAfterStatement = [&](TObject*, const std::string&, bool&) { ++events; };
    engine.ExecuteStatement("");
    EXPECT_EQ(events, 0);
}

TEST_F(Execution, HandledStatementIsSkippedButReported) {
    std::vector<std::pair<std::string, bool>> after;
    engine.OnBeforeStatement = [](TcDBBaseScripter&, std::string& s, bool& handled) {
        s = "replaced";
        handled = true;
    };
    engine.OnAfterStatement = [&](TObject* sender, const std::string& s, bool& ok) {
        EXPECT_EQ(sender, &engine);
        after.emplace_back(s, ok);
    };
    engine.ExecuteScript("select 1;");
    EXPECT_TRUE(engine.Statements.empty());
    EXPECT_EQ(after, (std::vector<std::pair<std::string, bool>>{{"replaced", true}}));
    EXPECT_EQ(engine.CurrentStatement, "replaced");
}

TEST_F(Execution, ResultFieldsAreResetPerStatement) {
    engine.OnSql = [&](const std::string&) {
        engine.PlanText = "PLAN (T NATURAL)";
        engine.StatisticsText = "stats";
        engine.RecordCount = 3;
        engine.LastMessage = "3 row(s)";
    };
    engine.ExecuteStatement("select 1");
    engine.OnSql = nullptr;
    engine.ExecuteStatement("ECHO hi");
    EXPECT_EQ(engine.PlanText, "");
    EXPECT_EQ(engine.StatisticsText, "");
    EXPECT_EQ(engine.RecordCount, 0);
    EXPECT_EQ(engine.LastMessage, "hi");
    EXPECT_EQ(engine.CurrentStatement, "ECHO hi");
}

TEST_F(Execution, CommandWithoutMessageSaysDone) {
    engine.ExecuteStatement("SET ECHO ON");
    EXPECT_EQ(engine.LastMessage, "Done.");
    Language = TLanguage::Dutch;
    engine.ExecuteStatement("SET ECHO OFF");
    EXPECT_EQ(engine.LastMessage, "Klaar.");
}

// --- parameters ---

TEST_F(Execution, UnknownParameterIsRequestedAndSubstituted) {
    Calls asked;
    engine.OnParameterRequest = [&](TcDBBaseScripter&, const std::string& name, std::string& v) {
        asked.push_back(name);
        v = "42";
    };
    engine.ExecuteStatement("select * from t where a = :id and b = :ID");
    EXPECT_EQ(asked, Calls{"id"});
    EXPECT_EQ(engine.Statements.back(), "select * from t where a = 42 and b = 42");
    // A stored value is reused without asking again.
    engine.ExecuteStatement("select :Id from t");
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(engine.Statements.back(), "select 42 from t");
}

TEST_F(Execution, EmptyAnswerStoresNothing) {
    int asked = 0;
    engine.OnParameterRequest = [&](TcDBBaseScripter&, const std::string&, std::string&) {
        ++asked;
    };
    engine.ExecuteStatement("select * from t where a = :id");
    EXPECT_EQ(engine.Statements.back(), "select * from t where a = :id");
    EXPECT_EQ(engine.Parameters.Count(), 0);
    engine.ExecuteStatement("select * from t where a = :id");
    EXPECT_EQ(asked, 2);
}

TEST_F(Execution, ParameterNamesEndOnlyAtTheListedDelimiters) {
    struct Case {
        const char* statement;
        Calls names;
    } cases[] = {
        {"where a = :x+1", {"x+1"}},
        {"where a in (:a,:b)", {"a", "b"}},
        {"where a = ':quoted' and b = \":too\" and c = :c", {"c"}},
        {"where a = :\tb", {"\tb"}},
        {"select a: from t", {""}},  // an empty name is resolved at a delimiter
        {"select a from t where x = :", {}},
        {"where a = :p;", {"p"}},
    };
    for (const Case& c : cases) {
        TcRecordingScripter fresh;
        Calls asked;
        fresh.OnParameterRequest = [&](TcDBBaseScripter&, const std::string& n, std::string&) {
            asked.push_back(n);
        };
        fresh.ExecuteStatement(c.statement);
        EXPECT_EQ(asked, c.names) << c.statement;
    }
}

TEST_F(Execution, SubstitutionFollowsSortedOrderAndIgnoresQuotes) {
    engine.Parameters.SetValue("AB", "2");
    engine.Parameters.SetValue("A", "1");
    engine.ExecuteStatement("select :AB, ':a' from t");
    EXPECT_EQ(engine.Statements.back(), "select 1B, '1' from t");
}

TEST_F(Execution, NoSubstitutionWhileParameterReplaceIsOff) {
    int asked = 0;
    engine.OnParameterRequest = [&](TcDBBaseScripter&, const std::string&, std::string&) {
        ++asked;
    };
    engine.Parameters.SetValue("a", "1");
    engine.ParameterReplace = false;
    engine.ExecuteStatement("select :a, :b from t");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(engine.Statements.back(), "select :a, :b from t");
}

TEST_F(Execution, SubstitutedTextCanBeACommand) {
    engine.Parameters.SetValue("what", "ECHO substituted");
    engine.ExecuteStatement(":what");
    EXPECT_EQ(engine.LastMessage, "substituted");
    EXPECT_TRUE(engine.Statements.empty());
}

// --- transaction models ---

struct ModelCase {
    const char* name;
    TStartTransactionModel model;
    bool startFirst;  // START TRANSACTION before the SQL
    bool fail;
    Calls calls;
    bool inTransactionAfter;
};

class TransactionModels : public ::testing::TestWithParam<ModelCase> {};

TEST_P(TransactionModels, StartAndEndAroundSQL) {
    TcScopedValue<TLanguage> language(Language, TLanguage::English);
    const ModelCase& c = GetParam();
    TcRecordingScripter engine;
    engine.StartTransactionModel = c.model;
    if (c.startFirst) engine.ExecuteStatement("START TRANSACTION");
    if (c.fail) engine.FailOn = {"sql"};
    try {
        engine.ExecuteStatement("insert x");
        EXPECT_FALSE(c.fail);
    } catch (const EUser&) {
        EXPECT_TRUE(c.fail);
    }
    EXPECT_EQ(engine.Calls, c.calls);
    EXPECT_EQ(engine.InTransaction(), c.inTransactionAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, TransactionModels,
                         ::testing::Values(ModelCase{"explicit_commits_each_statement",
                                                     TStartTransactionModel::Explicit,
                                                     false,
                                                     false,
                                                     {"start", "sql insert x", "commit"},
                                                     false},
                                           ModelCase{"explicit_rolls_back_a_failure",
                                                     TStartTransactionModel::Explicit,
                                                     false,
                                                     true,
                                                     {"start", "sql insert x", "rollback"},
                                                     false},
                                           ModelCase{"explicit_keeps_an_open_transaction",
                                                     TStartTransactionModel::Explicit,
                                                     true,
                                                     false,
                                                     {"start", "sql insert x"},
                                                     true},
                                           ModelCase{"explicit_open_transaction_survives_failure",
                                                     TStartTransactionModel::Explicit,
                                                     true,
                                                     true,
                                                     {"start", "sql insert x"},
                                                     true},
                                           ModelCase{"implicit_keeps_transaction_open",
                                                     TStartTransactionModel::Implicit,
                                                     false,
                                                     false,
                                                     {"start", "sql insert x"},
                                                     true},
                                           ModelCase{"implicit_keeps_it_after_failure",
                                                     TStartTransactionModel::Implicit,
                                                     false,
                                                     true,
                                                     {"start", "sql insert x"},
                                                     true}),
                         [](const ::testing::TestParamInfo<ModelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Execution, ImplicitModelStartsOnlyOnce) {
    engine.StartTransactionModel = TStartTransactionModel::Implicit;
    engine.ExecuteScript("a; b; commit; c;");
    EXPECT_EQ(engine.Calls, (Calls{"start", "sql a", "sql b", "commit", "start", "sql c"}));
}

TEST_F(Execution, NoAutoTransactionSkipsTheModel) {
    engine.NoAutoTransaction = true;
    engine.ExecuteStatement("create database");
    EXPECT_EQ(engine.Calls, Calls{"sql create database"});
}

TEST_F(Execution, SuppressedErrorBecomesTheMessageAndTheRunGoesOn) {
    engine.SuppressError = true;
    engine.FailOn = {"sql bad"};
    std::vector<bool> oks;
    engine.OnAfterStatement = [&](TObject*, const std::string&, bool& ok) { oks.push_back(ok); };
    engine.ExecuteScript("bad; good;");
    EXPECT_EQ(engine.Calls, (Calls{"start", "sql bad", "rollback", "start", "sql good", "commit"}));
    EXPECT_EQ(oks, (std::vector<bool>{true, true}));
    EXPECT_EQ(engine.LastMessage, "");  // the last statement's own message
}

TEST_F(Execution, SuppressedErrorTextIsTheStatementsMessage) {
    engine.SuppressError = true;
    engine.FailOn = {"sql bad"};
    std::string shown;
    engine.OnAfterStatement = [&](TObject*, const std::string&, bool&) {
        shown = engine.LastMessage;
    };
    engine.ExecuteStatement("bad");
    EXPECT_EQ(shown, "failed: sql bad");
}

TEST_F(Execution, SuppressErrorDoesNotCoverCommands) {
    engine.SuppressError = true;
    EXPECT_THROW(engine.ExecuteScript("SET ECHO maybe; select 1;"), Exception);
    EXPECT_TRUE(engine.Statements.empty());
}

TEST_F(Execution, FailureIsReportedAndCanBeSwallowedByTheOwner) {
    engine.FailOn = {"sql bad"};
    std::vector<std::pair<std::string, bool>> after;
    engine.OnAfterStatement = [&](TObject*, const std::string& s, bool& ok) {
        after.emplace_back(s, ok);
    };
    EXPECT_THROW(engine.ExecuteScript("bad; good;"), EUser);
    EXPECT_EQ(after, (std::vector<std::pair<std::string, bool>>{{"bad", false}}));

    engine.OnAfterStatement = [](TObject*, const std::string&, bool& ok) { ok = true; };
    engine.ExecuteScript("bad; good;");
    EXPECT_EQ(engine.Statements.back(), "good");
}

TEST_F(Execution, ErrorsOfTheOwnerAfterSuccessAreSwallowed) {
    engine.OnAfterStatement = [](TObject*, const std::string&, bool& ok) {
        if (ok) throw std::runtime_error("display failed");
    };
    EXPECT_NO_THROW(engine.ExecuteScript("a; b;"));
    EXPECT_EQ(engine.Statements, (Calls{"a", "b"}));
}

TEST_F(Execution, InternalExecutionFiresNoEvents) {
    int events = 0;
    engine.OnBeforeStatement = [&](TcDBBaseScripter&, std::string&, bool&) { ++events; };
    engine.OnAfterStatement = [&](TObject*, const std::string&, bool&) { ++events; };
    {
        TcInternalExecution internal(engine);
        engine.ExecuteStatement("select 1");
    }
    EXPECT_EQ(events, 0);
    EXPECT_EQ(engine.ExecuteInternalCount, 0);
    EXPECT_THROW(engine.LeaveInternal(), EInternal);
}

// --- connecting ---

TEST_F(Execution, ConnectFiresOnConnectWithTheConnectString) {
    std::string connected;
    engine.OnConnect = [&](TcDBBaseScripter&, const std::string& s) { connected = s; };
    engine.ExecuteStatement("CONNECT 'srv:/data/emp.fdb' USER 'sysdba' PASSWORD 'pw' ROLE boss");
    EXPECT_TRUE(engine.Connected());
    EXPECT_EQ(connected, "srv:/data/emp.fdb");
    EXPECT_EQ(engine.UserName, "sysdba");
    EXPECT_EQ(engine.Password, "pw");
    EXPECT_EQ(engine.RoleName, "boss");
}

TEST_F(Execution, FailedConnectWithSuppressErrorStaysDisconnected) {
    engine.SuppressError = true;
    engine.FailOn = {"connect"};
    engine.ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'");
    EXPECT_FALSE(engine.Connected());
    EXPECT_EQ(engine.LastMessage, "failed: connect x.fdb");
}

TEST_F(Execution, DisconnectRollsBackAndCanBeCancelled) {
    engine.ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'");
    engine.ExecuteStatement("START TRANSACTION");
    bool cancel = true;
    int afterDisconnect = 0;
    engine.OnBeforeDisconnect = [&](TcDBBaseScripter&, bool& c) { c = cancel; };
    engine.OnAfterDisconnect = [&](TcDBBaseScripter&) { ++afterDisconnect; };
    engine.ExecuteStatement("DISCONNECT");
    EXPECT_TRUE(engine.Connected());
    EXPECT_TRUE(engine.InTransaction());
    cancel = false;
    engine.ExecuteStatement("DISCONNECT");
    EXPECT_FALSE(engine.Connected());
    EXPECT_FALSE(engine.InTransaction());
    EXPECT_EQ(afterDisconnect, 1);
    EXPECT_EQ(engine.Calls, (Calls{"connect x.fdb", "start", "rollback", "disconnect"}));
}

TEST_F(Execution, LostConnectionStillEndsDisconnected) {
    engine.ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'");
    engine.FailOn = {"disconnect"};
    int afterDisconnect = 0;
    engine.OnAfterDisconnect = [&](TcDBBaseScripter&) { ++afterDisconnect; };
    EXPECT_THROW(engine.Disconnect(), EUser);
    EXPECT_FALSE(engine.Connected());
    EXPECT_EQ(afterDisconnect, 1);
}

TEST_F(Execution, FailedCommitLeavesTheTransactionActive) {
    engine.StartTransaction();
    engine.FailOn = {"commit"};
    EXPECT_THROW(engine.Commit(), EUser);
    EXPECT_TRUE(engine.InTransaction());
}

// --- names ---

TEST(DatabaseNames, ServerAndPathAndRootDirectory) {
    struct Case {
        const char* root;
        const char* name;
        const char* server;
        const char* database;
        const char* connectString;
    } cases[] = {
        {"", "/data/emp.fdb", "", "/data/emp.fdb", "/data/emp.fdb"},
        {"/root", "emp.fdb", "", "emp.fdb", "/root/emp.fdb"},
        {"/root/", "/abs/emp.fdb", "", "/abs/emp.fdb", "/abs/emp.fdb"},
        {"", "localhost:/data/emp.fdb", "localhost", "/data/emp.fdb", "localhost:/data/emp.fdb"},
        {"/root", "localhost/3051:emp.fdb", "localhost/3051", "emp.fdb",
         "localhost/3051:/root/emp.fdb"},
        {"/root", "C:\\data\\emp.fdb", "", "C:\\data\\emp.fdb", "C:\\data\\emp.fdb"},
        {"/root", "srv:D:/x.fdb", "srv", "D:/x.fdb", "srv:D:/x.fdb"},
    };
    for (const Case& c : cases) {
        TcRecordingScripter engine;
        engine.SetRootDirectory(c.root);
        engine.SetDatabaseName(c.name);
        EXPECT_EQ(engine.ServerName, c.server) << c.name;
        EXPECT_EQ(engine.DatabaseName, c.database) << c.name;
        EXPECT_EQ(engine.ConnectString(), c.connectString) << c.name;
    }
}

}  // namespace
