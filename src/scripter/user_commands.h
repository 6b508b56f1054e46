#pragma once
// CREATE USER, DROP USER and ALTER USER: user administration through the
// service manager of the server of the last CONNECT or CREATE DATABASE, one
// security service per command. An open connection is not needed.

#include "engine/engine_command.h"
#include "scripter/scripter_ib.h"

// A user command: errors of the attach or the request are, with
// SUPPRESS_ERROR on, the statement's message instead of its failure.
class TcUserCommand : public TcEngineCommand<TcDBScripter_IB> {
  protected:
    void ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                   const std::string& statement, std::string& message) final;
    // Sets the user fields from the arguments and sends the request.
    virtual void Request(TMDOSecurityService& service, const TStringList& arguments) = 0;
};

class TpsCreateUser : public TcUserCommand {
  public:
    TpsCreateUser();

  protected:
    void Request(TMDOSecurityService& service, const TStringList& arguments) override;
};

class TpsDropUser : public TcUserCommand {
  public:
    TpsDropUser();

  protected:
    void Request(TMDOSecurityService& service, const TStringList& arguments) override;
};

class TpsAlterUser : public TcUserCommand {
  public:
    TpsAlterUser();

  protected:
    void Request(TMDOSecurityService& service, const TStringList& arguments) override;
};
