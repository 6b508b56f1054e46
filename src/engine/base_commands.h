#pragma once
// The base commands every engine registers, grouped by family in
// commands_connection.cpp, commands_settings.cpp and commands_scripting.cpp.

#include "engine/command_framework.h"

class TcDBBaseScripter;

// Registers the thirty base commands in their matching order.
void RegisterBaseCommands(TcPreparsedStatements& commands);

// --- connection and transaction commands ---
class TpsConnect : public TcPreparsedStatement {
  public:
    TpsConnect();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsDisConnect : public TcPreparsedStatement {
  public:
    TpsDisConnect();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsReconnect : public TcPreparsedStatement {
  public:
    TpsReconnect();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsCommit : public TcPreparsedStatement {
  public:
    TpsCommit();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsCommitWork : public TpsCommit {
  public:
    TpsCommitWork();
};
class TpsCommitTransaction : public TpsCommit {
  public:
    TpsCommitTransaction();
};
class TpsStartTransaction : public TcPreparsedStatement {
  public:
    TpsStartTransaction();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsRollback : public TcPreparsedStatement {
  public:
    TpsRollback();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsRollbackwork : public TpsRollback {
  public:
    TpsRollbackwork();
};
class TpsRollbackTransaction : public TpsRollback {
  public:
    TpsRollbackTransaction();
};

// --- settings ---
// An ON/OFF switch of one boolean engine field.
class TcOnOffCommand : public TcPreparsedStatement {
  public:
    TcOnOffCommand(const char* keyword, bool TcDBBaseScripter::*field, const char* englishHelp,
                   const char* dutchHelp);
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;

  private:
    bool TcDBBaseScripter::*field_;
};
class TpsSetEcho : public TcOnOffCommand {
  public:
    TpsSetEcho();
};
class TpsSetError : public TcOnOffCommand {
  public:
    TpsSetError();
};
class TpsTimeDisplay : public TcOnOffCommand {
  public:
    TpsTimeDisplay();
};
class TpsShowRecordCount : public TcOnOffCommand {
  public:
    TpsShowRecordCount();
};
class TpsSuppressOutput : public TcOnOffCommand {
  public:
    TpsSuppressOutput();
};
class TpsShowRecordHeader : public TcOnOffCommand {
  public:
    TpsShowRecordHeader();
};
class TpsSetParameterReplace : public TcOnOffCommand {
  public:
    TpsSetParameterReplace();
};
class TpsSetAutoDDL : public TcOnOffCommand {
  public:
    TpsSetAutoDDL();
};
// Registered by the Firebird scripter after its own first commands.
class TpsShowStats : public TcOnOffCommand {
  public:
    TpsShowStats();
};
class TpsSetPlan : public TcPreparsedStatement {
  public:
    TpsSetPlan();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSetWaronOnRecordsReturned : public TcPreparsedStatement {
  public:
    TpsSetWaronOnRecordsReturned();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSetStartTransaction : public TcPreparsedStatement {
  public:
    TpsSetStartTransaction();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSetTransactionMode : public TcPreparsedStatement {
  public:
    TpsSetTransactionMode();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSetRootDir : public TcPreparsedStatement {
  public:
    TpsSetRootDir();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSetTerm : public TcPreparsedStatement {
  public:
    TpsSetTerm();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};

// --- scripting ---
class TpsScript : public TcPreparsedStatement {
  public:
    TpsScript();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsHelp : public TcPreparsedStatement {
  public:
    TpsHelp();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsEcho : public TcPreparsedStatement {
  public:
    TpsEcho();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSleep : public TcPreparsedStatement {
  public:
    TpsSleep();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsSetParameter : public TcPreparsedStatement {
  public:
    TpsSetParameter();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
class TpsCheck : public TcPreparsedStatement {
  public:
    TpsCheck();
    void Execute(TcDBBaseScripter&, const TStringList&, const std::string&, std::string&) override;
};
