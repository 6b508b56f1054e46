#pragma once
// Statement generators of the Firebird scripter: GET SELECT, GET INSERT and
// GET UPDATE write a statement skeleton from a table's columns; GET CREATE
// writes a CREATE TABLE script with its key domain, references, generator,
// trigger and grants. The text is the command's message, for the user to
// copy and complete. Registered by RegisterDatabaseCommands.

#include "engine/engine_command.h"
#include "scripter/scripter_ib.h"

class TpsGetSelect : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsGetSelect();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};

class TpsGetInsert : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsGetInsert();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};

class TpsGetUpdate : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsGetUpdate();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};

class TpsGetCreate : public TcEngineCommand<TcDBScripter_IB> {
  public:
    TpsGetCreate();

  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) override;
};
