#pragma once
// A connected TMDODatabase and a TMDOTransaction on an empty embedded
// database, with a TMDOSQL on them, for the statement and value tests.

#include <gtest/gtest.h>

#include <string>

#include "embedded_database.h"
#include "foundation/locale_settings.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_transaction.h"

class SqlComponent : public ::testing::Test {
  protected:
    explicit SqlComponent(int dialect = 3) : dialect_(dialect) {}
    void SetUp() override {
        CreateDatabaseFile(path, dialect_);
        database.SetDatabaseName(path);
        database.SetParams({"user_name=SYSDBA"});
        database.LoginPrompt = false;
        database.SetConnected(true);
        transaction.SetDefaultDatabase(&database);
        sql.SetDatabase(&database);
        sql.SetTransaction(&transaction);
    }
    // Runs DDL or DML in a statement of its own and commits.
    void Exec(const std::string& text) {
        TMDOSQL statement(&database);
        statement.SetTransaction(&transaction);
        statement.SetSQLText(text);
        statement.ExecQuery();
        transaction.Commit();
    }
    // The statement's text set, executed.
    void Run(const std::string& text) {
        sql.Close();
        sql.SetSQLText(text);
        sql.ExecQuery();
    }

    // Fixed separators and pictures, whatever the process was given.
    TcScopedValue<TcLocaleSettings> locale{TcLocaleSettings::Current(), TcLocaleSettings{}};
    int dialect_;
    TcTempDir dir;
    const std::string path = dir.File("sql.fdb");
    TMDODatabase database;
    TMDOTransaction transaction;
    TMDOSQL sql;
};
