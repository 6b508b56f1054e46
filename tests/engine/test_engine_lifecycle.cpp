// Closing and destroying an engine, the transaction around one statement
// when its end fails as well, and connecting when the owner's handler fails.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "recording_scripter.h"
#include "support/expect_error.h"

namespace {

using Calls = std::vector<std::string>;

class Lifecycle : public ::testing::Test {
  protected:
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcRecordingScripter engine;
};

TEST_F(Lifecycle, CloseRollsBackAndDisconnectsWithEvents) {
    engine.ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'");
    engine.ExecuteStatement("START TRANSACTION");
    int before = 0, after = 0;
    engine.OnBeforeDisconnect = [&](TcDBBaseScripter&, bool&) { ++before; };
    engine.OnAfterDisconnect = [&](TcDBBaseScripter&) { ++after; };
    engine.Close();
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(engine.Connected());
    EXPECT_FALSE(engine.InTransaction());
    EXPECT_EQ(engine.Calls, (Calls{"connect x.fdb", "start", "rollback", "disconnect"}));
}

TEST(LifecycleDestruction, FiresNoEventsIntoItsOwner) {
    // The handlers reach into an owner that is already being torn down when
    // the engine goes; destruction must not call them.
    int events = 0;
    {
        auto engine = std::make_unique<TcRecordingScripter>();
        engine->ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'");
        engine->StartTransaction();
        engine->OnBeforeDisconnect = [&](TcDBBaseScripter&, bool&) { ++events; };
        engine->OnAfterDisconnect = [&](TcDBBaseScripter&) { ++events; };
        engine->OnAfterStatement = [&](TObject*, const std::string&, bool&) { ++events; };
    }
    EXPECT_EQ(events, 0);
}

TEST_F(Lifecycle, FailedRollbackStillDetaches) {
    engine.ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'");
    engine.StartTransaction();
    engine.FailOn = {"rollback"};
    EXPECT_RAISES(EUser, engine.Disconnect(), "failed: rollback");
    EXPECT_EQ(engine.Calls, (Calls{"connect x.fdb", "start", "rollback", "disconnect"}));
    EXPECT_FALSE(engine.Connected());
}

TEST_F(Lifecycle, OnConnectErrorLeavesTheEngineConsistentlyConnected) {
    engine.OnConnect = [](TcDBBaseScripter&, const std::string&) {
        throw Exception("window gone");
    };
    EXPECT_THROW(engine.ExecuteStatement("CONNECT 'x.fdb' USER 'a' PASSWORD 'b'"), Exception);
    EXPECT_TRUE(engine.Connected());
    EXPECT_TRUE(engine.ConnectPrepared) << "a connected engine keeps its parameters";
    engine.OnConnect = nullptr;
    engine.Disconnect();
    EXPECT_FALSE(engine.ConnectPrepared);
}

// --- the transaction around one statement ---

struct EndCase {
    const char* name;
    TStartTransactionModel model;
    bool suppress;
    bool ddl;  // the statement ends its transaction (DDL with AutoDDL)
    std::set<std::string> failOn;
    const char* error;        // the error that leaves, or "" when none
    const char* lastMessage;  // with SuppressError
    bool inTransaction;       // afterwards
    Calls calls;
};

class StatementEnd : public ::testing::TestWithParam<EndCase> {
  protected:
    TcScopedValue<TLanguage> language{Language, TLanguage::English};
};

TEST_P(StatementEnd, FirstErrorWinsAndTheStateIsTrue) {
    const EndCase& c = GetParam();
    TcRecordingScripter engine;
    engine.StartTransactionModel = c.model;
    engine.SuppressError = c.suppress;
    engine.FailOn = c.failOn;
    if (c.ddl) engine.OnSql = [&](const std::string&) { engine.EndTransactionWithStatement(); };
    std::string error;
    try {
        engine.ExecuteStatement("sql x");
    } catch (const std::exception& e) {
        error = e.what();
    }
    EXPECT_EQ(error, c.error);
    if (c.suppress) {
        EXPECT_EQ(engine.LastMessage, c.lastMessage);
    }
    EXPECT_EQ(engine.InTransaction(), c.inTransaction);
    EXPECT_EQ(engine.Calls, c.calls);
    // The run goes on after a suppressed failure.
    if (c.suppress) {
        engine.FailOn.clear();
        engine.OnSql = nullptr;
        engine.ExecuteStatement("sql next");
        EXPECT_EQ(engine.Statements.back(), "sql next");
    }
}

const TStartTransactionModel kExplicit = TStartTransactionModel::Explicit;
const TStartTransactionModel kImplicit = TStartTransactionModel::Implicit;

INSTANTIATE_TEST_SUITE_P(Cases, StatementEnd,
                         ::testing::Values(EndCase{"failing_rollback_keeps_the_statements_error",
                                                   kExplicit,
                                                   false,
                                                   false,
                                                   {"sql", "rollback"},
                                                   "failed: sql sql x",
                                                   "",
                                                   true,
                                                   {"start", "sql sql x", "rollback"}},
                                           EndCase{"failing_commit_is_the_statements_failure",
                                                   kExplicit,
                                                   false,
                                                   false,
                                                   {"commit"},
                                                   "failed: commit",
                                                   "",
                                                   false,
                                                   {"start", "sql sql x", "commit", "rollback"}},
                                           EndCase{"suppressed_failing_commit_goes_on",
                                                   kExplicit,
                                                   true,
                                                   false,
                                                   {"commit"},
                                                   "",
                                                   "failed: commit",
                                                   false,
                                                   {"start", "sql sql x", "commit", "rollback"}},
                                           EndCase{"suppressed_failing_autoddl_commit",
                                                   kImplicit,
                                                   true,
                                                   true,
                                                   {"commit"},
                                                   "",
                                                   "failed: commit",
                                                   false,
                                                   {"start", "sql sql x", "commit", "rollback"}},
                                           EndCase{"failing_commit_and_rollback_report_the_commit",
                                                   kImplicit,
                                                   false,
                                                   true,
                                                   {"commit", "rollback"},
                                                   "failed: commit",
                                                   "",
                                                   true,
                                                   {"start", "sql sql x", "commit", "rollback"}}),
                         [](const ::testing::TestParamInfo<EndCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
