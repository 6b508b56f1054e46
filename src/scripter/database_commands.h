#pragma once
// Commands the Firebird scripter adds for the life cycle of a database and
// its connection: CREATE/DROP DATABASE, the options that travel with the next
// connect, the SQL dialect, CHAR trimming and the client library.

#include "engine/command_framework.h"

class TcDBScripter_IB;

// Appends the Firebird scripter's commands to the engine's, in matching order.
void RegisterDatabaseCommands(TcPreparsedStatements& commands);

// The Firebird scripter behind an engine reference; commands of this family
// are only ever registered on one.
TcDBScripter_IB& ScripterOf(TcDBBaseScripter& engine);

#define TESSEL_DECLARE_COMMAND(Name)                                               \
    class Name : public TcPreparsedStatement {                                     \
      public:                                                                      \
        Name();                                                                    \
        void Execute(TcDBBaseScripter& engine, const TStringList& arguments,       \
                     const std::string& statement, std::string& message) override; \
    }

TESSEL_DECLARE_COMMAND(TpsCreateDatabase);
TESSEL_DECLARE_COMMAND(TpsDropDatabase);
TESSEL_DECLARE_COMMAND(TpsForcedWrite);
TESSEL_DECLARE_COMMAND(TpsSetNames);
TESSEL_DECLARE_COMMAND(TpsSetSQLDialect);
TESSEL_DECLARE_COMMAND(TpsSetTrimCharFields);
TESSEL_DECLARE_COMMAND(TpsSetClientLibrary);

#undef TESSEL_DECLARE_COMMAND
