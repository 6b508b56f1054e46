#pragma once
// DDL description commands of the Firebird scripter: DESCRIBE DATABASE and
// the DESCRIBE commands for procedures, triggers, generators, domains,
// exceptions and indexes. Each wraps the scripter's own attachment and
// transaction in extraction components for the one command, asks one
// writer of the metadata extractor, and answers with its text as the
// message. Registered by RegisterDatabaseCommands.

#include <memory>
#include <string>

#include "engine/engine_command.h"
#include "mdo/extract/extract.h"
#include "mdo/mdo_transaction.h"
#include "scripter/scripter_ib.h"

// The extractor as the scripter uses it: it adds nothing of its own and only
// makes the per-kind writers callable.
class TcMyMDOExtract : public TMDOExtract {
  public:
    using TMDOExtract::WriteDomains;
    using TMDOExtract::WriteExceptions;
    using TMDOExtract::WriteGenerators;
    using TMDOExtract::WriteIndexes;
    using TMDOExtract::WriteProcedures;
    using TMDOExtract::WriteTriggers;
};

// The components of one DDL command: the extractor over a database and a
// transaction that share the scripter's handles. Freed in the order
// extractor, transaction, database; the shared attachment and transaction
// stay as they are, and a transaction the component started for itself is
// committed.
struct TcExtractComponents {
    std::unique_ptr<TMDODatabase> Database;
    std::unique_ptr<TMDOTransaction> Transaction;
    std::unique_ptr<TcMyMDOExtract> Extract;
    TcExtractComponents() = default;
    TcExtractComponents(TcExtractComponents&&) = default;
    TcExtractComponents& operator=(TcExtractComponents&&) = default;
    ~TcExtractComponents();
};

// The database component takes the scripter's DatabaseHandle, with the SQL
// dialect of the connection (the lower of the scripter's dialect and the
// database's own), the transaction component its TransactionHandle (or, when
// that is 0, starts one of its own when a query first needs it).
TcExtractComponents CreateExtract(TcDBScripter_IB& scripter);
void FreeExtract(TcExtractComponents& components);

// The whole database script (DESCRIBE DATABASE shows it with every tab
// replaced by one blank). `unwritten`, when given, receives the objects the
// script names as left out.
std::string DescribeDatabaseText(TcDBScripter_IB& scripter, TStringList* unwritten = nullptr);

// Appends the DDL commands in their order.
void RegisterDDLCommands(TcPreparsedStatements& commands);

#define TESSEL_DECLARE_COMMAND(Name)                                                 \
    class Name : public TcEngineCommand<TcDBScripter_IB> {                           \
      public:                                                                        \
        Name();                                                                      \
                                                                                     \
      protected:                                                                     \
        void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,      \
                       const std::string& statement, std::string& message) override; \
    }

TESSEL_DECLARE_COMMAND(TpsDescribeDatabase);
TESSEL_DECLARE_COMMAND(TpsDescribeCompleteProcedure);
TESSEL_DECLARE_COMMAND(TpsDescribeTriggerFor);
TESSEL_DECLARE_COMMAND(TpsDescribeTrigger);
TESSEL_DECLARE_COMMAND(TpsDescribeGenerator);
TESSEL_DECLARE_COMMAND(TpsDescribeDomain);
TESSEL_DECLARE_COMMAND(TpsDescribeException);
TESSEL_DECLARE_COMMAND(TpsDescribeIndexFor);
TESSEL_DECLARE_COMMAND(TpsDescribeIndex);

#undef TESSEL_DECLARE_COMMAND
