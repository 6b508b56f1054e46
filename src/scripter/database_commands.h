#pragma once
// Commands the Firebird scripter adds for the life cycle of a database and
// its connection: CREATE/DROP DATABASE, the options that travel with the next
// connect, the SQL dialect, CHAR trimming, prepared INSERT reuse and the
// client library.

#include "engine/engine_command.h"
#include "scripter/scripter_ib.h"

// Appends the Firebird scripter's commands to the engine's, in matching order.
void RegisterDatabaseCommands(TcPreparsedStatements& commands);

#define TESSEL_DECLARE_COMMAND(Name)                                                 \
    class Name : public TcEngineCommand<TcDBScripter_IB> {                           \
      public:                                                                        \
        Name();                                                                      \
                                                                                     \
      protected:                                                                     \
        void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,      \
                       const std::string& statement, std::string& message) override; \
    }

TESSEL_DECLARE_COMMAND(TpsCreateDatabase);
TESSEL_DECLARE_COMMAND(TpsDropDatabase);
TESSEL_DECLARE_COMMAND(TpsForcedWrite);
TESSEL_DECLARE_COMMAND(TpsSetNames);
TESSEL_DECLARE_COMMAND(TpsSetSQLDialect);
TESSEL_DECLARE_COMMAND(TpsSetTrimCharFields);
TESSEL_DECLARE_COMMAND(TpsSetFastInsert);
TESSEL_DECLARE_COMMAND(TpsSetClientLibrary);

#undef TESSEL_DECLARE_COMMAND
