#pragma once
// An embedded database of a chosen dialect with a connected TMDODatabase, a
// TMDOTransaction and an extractor whose writers the tests call directly.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../embedded_database.h"
#include "foundation/locale_settings.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "mdo/extract/extract.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_transaction.h"

// The extractor with its writers callable, as the scripter's subclass has it.
class TcTestExtract : public TMDOExtract {
  public:
    using TMDOExtract::ArrayBoundsText;
    using TMDOExtract::CharsetText;
    using TMDOExtract::IndexColumnsText;
    using TMDOExtract::TMDOExtract;
    using TMDOExtract::WriteAllTables;
    using TMDOExtract::WriteBlobFilters;
    using TMDOExtract::WriteCheckConstraints;
    using TMDOExtract::WriteComments;
    using TMDOExtract::WriteDatabaseHeader;
    using TMDOExtract::WriteDomains;
    using TMDOExtract::WriteExceptions;
    using TMDOExtract::WriteExternalFunctions;
    using TMDOExtract::WriteForeignKeys;
    using TMDOExtract::WriteGenerators;
    using TMDOExtract::WriteGrants;
    using TMDOExtract::WriteIndexes;
    using TMDOExtract::WriteObjectGrants;
    using TMDOExtract::WriteProcedures;
    using TMDOExtract::WriteRoleGrants;
    using TMDOExtract::WriteRoles;
    using TMDOExtract::WriteRoutineAndUsageGrants;
    using TMDOExtract::WriteTable;
    using TMDOExtract::WriteTableData;
    using TMDOExtract::WriteTriggers;
    using TMDOExtract::WriteViews;
};

class ExtractDatabase {
  public:
    explicit ExtractDatabase(int dialect = 3, const std::string& options = "PAGE_SIZE 4096") {
        CreateDatabaseFile(path, dialect, options);
        database.SetDatabaseName(path);
        database.SetParams({"user_name=SYSDBA"});
        database.LoginPrompt = false;
        database.SetSQLDialect(dialect);
        database.SetConnected(true);
        transaction.SetDefaultDatabase(&database);
        extract.SetDatabase(&database);
        extract.SetTransaction(&transaction);
    }
    ~ExtractDatabase() {
        if (transaction.Active()) transaction.Commit();
        database.SetConnected(false);
    }
    ExtractDatabase(const ExtractDatabase&) = delete;
    ExtractDatabase& operator=(const ExtractDatabase&) = delete;

    // Runs each statement in a transaction of its own, committed, as a
    // script with automatic commit after DDL would.
    void Exec(const std::vector<std::string>& statements) {
        for (const std::string& text : statements) {
            TMDOTransaction own;
            own.SetDefaultDatabase(&database);
            TMDOSQL statement(&database);
            statement.SetTransaction(&own);
            statement.ParamCheck = false;
            statement.SetSQLText(text);
            statement.ExecQuery();
            own.Commit();
        }
    }
    // The items a writer appended, from a fresh Lines.
    template <class F>
    TStringList Items(F write) {
        extract.Lines.clear();
        write(extract);
        if (transaction.Active()) transaction.Commit();
        return extract.Lines;
    }

    // Fixed separators and pictures, whatever the process was given.
    TcScopedValue<TcLocaleSettings> locale{TcLocaleSettings::Current(), TcLocaleSettings{}};
    TcTempDir dir;
    const std::string path = dir.File("extract.fdb");
    TMDODatabase database;
    TMDOTransaction transaction;
    TcTestExtract extract;
};
