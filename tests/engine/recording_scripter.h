#pragma once
// An engine with no database: it records every call it receives and can be
// told to fail, so the transaction models, the events and the commands are
// tested without a server.

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/base_scripter.h"
#include "foundation/errors.h"

class TcRecordingScripter : public TcDBBaseScripter {
  public:
    TcRecordingScripter() {
        Sleeper = [this](int64_t milliseconds) {
            Calls.push_back("sleep " + std::to_string(milliseconds));
        };
    }

    void DoConnect() override { Record("connect " + ConnectString()); }
    void DoDisconnect() override { Record("disconnect"); }
    void DoCommit() override { Record("commit"); }
    void DoStartTransaction() override { Record("start"); }
    void DoRollback() override { Record("rollback"); }
    void PrepareConnect() override { ConnectPrepared = true; }
    void UnprepareConnect() override { ConnectPrepared = false; }
    void DoExecuteSQL(const std::string& statement) override {
        Statements.push_back(statement);
        Record("sql " + statement);
        if (OnSql) OnSql(statement);
    }

    // The SQL statements in the order they arrived.
    std::vector<std::string> Statements;
    // Every call: "connect <name>", "disconnect", "start", "commit",
    // "rollback", "sql <text>", "sleep <ms>".
    std::vector<std::string> Calls;
    // A call whose text starts with one of these raises instead.
    std::set<std::string> FailOn;
    // What a DDL statement under AutoDDL does: its transaction ends with it.
    void EndTransactionWithStatement() { SetKeepTransaction(false); }
    // Whether connect parameters are held: between PrepareConnect and
    // UnprepareConnect.
    bool ConnectPrepared = false;
    // Runs after a statement is recorded; may set RecordCount or raise.
    std::function<void(const std::string&)> OnSql;

  private:
    void Record(const std::string& call) {
        Calls.push_back(call);
        for (const std::string& prefix : FailOn)
            if (call.compare(0, prefix.size(), prefix) == 0) throw EUser("failed: " + call);
    }
};
