#pragma once
// The commands that only make sense with the console window. The window
// registers them on its engine after the engine's own, so they follow every
// engine command. They act on that window, not on the engine they get; they
// run on the engine's thread, so what they change in the window they change
// on the window's thread.

#include "engine/command_framework.h"

class TfVardel;

class TcWindowCommand : public TcPreparsedStatement {
  public:
    explicit TcWindowCommand(TfVardel& window) : Window(window) {}

  protected:
    TfVardel& Window;
};

class TPSSetColorScheme : public TcWindowCommand {
  public:
    explicit TPSSetColorScheme(TfVardel& window);
    void Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                 const std::string& statement, std::string& message) override;
};

class TPSSetStoreConnect : public TcWindowCommand {
  public:
    explicit TPSSetStoreConnect(TfVardel& window);
    void Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                 const std::string& statement, std::string& message) override;
};

class TPSSetDisplay : public TcWindowCommand {
  public:
    explicit TPSSetDisplay(TfVardel& window);
    void Execute(TcDBBaseScripter& engine, const TStringList& arguments,
                 const std::string& statement, std::string& message) override;
};

// Appends the three window commands to the engine's, in their order.
void RegisterWindowCommands(TcPreparsedStatements& commands, TfVardel& window);
