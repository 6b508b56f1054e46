#pragma once
// The base of every command that needs more than the base engine: Execute
// finds the engine of its family once and hands it on typed, so a command
// family never casts by itself. A command registered on an engine of another
// family is a programming error and raises EInternal.

#include <string>

#include "engine/base_scripter.h"
#include "foundation/errors.h"

template <class TEngine>
class TcEngineCommand : public TcPreparsedStatement {
  public:
    void Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                 const std::string& statement, std::string& message) final {
        auto* typed = dynamic_cast<TEngine*>(&engine);
        if (typed == nullptr) RaiseInternal(Keyword(), "The command belongs to another engine");
        ExecuteOn(*typed, arguments, statement, message);
    }

  protected:
    virtual void ExecuteOn(TEngine& engine, const TStringList& arguments,
                           const std::string& statement, std::string& message) = 0;
};
