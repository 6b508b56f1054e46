#pragma once
// Catalogue listings of the Firebird scripter: DESCRIBE (tables or one
// table's columns), SHOW SYSTEM_TABLES, DESCRIBE/SHOW PROCEDURE and
// DESCRIBE/SHOW FUNCTION. Each reads the system tables with a fixed query
// and answers with the whole listing as its message; none leaves rows in the
// result buffer. Registered by RegisterDatabaseCommands.

#include "engine/engine_command.h"
#include "scripter/scripter_ib.h"

class TpsShowProcedure : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsShowProcedure();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};

class TpsShowFunction : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsShowFunction();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};

class TpsDescribe : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsDescribe();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};

class TpsShowSystemTables : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsShowSystemTables();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};
