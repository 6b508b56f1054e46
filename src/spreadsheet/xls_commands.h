#pragma once
// The XLS commands of the spreadsheet engine: a workbook file is created or
// opened, a cell cursor moved, titles and texts written, and the capture of
// statement results switched on and off.

#include "engine/engine_command.h"
#include "spreadsheet/scripter_ibxls.h"

// Appends the twelve XLS commands to the engine's, in their matching order.
void RegisterXLSCommands(TcPreparsedStatements& commands);

#define TESSEL_DECLARE_XLS_COMMAND(Name)                                             \
    class Name : public TcEngineCommand<TcDBScripter_IBXLS> {                        \
      public:                                                                        \
        Name();                                                                      \
                                                                                     \
      protected:                                                                     \
        void ExecuteOn(TcDBScripter_IBXLS& engine, const TStringList& arguments,     \
                       const std::string& statement, std::string& message) override; \
    }

TESSEL_DECLARE_XLS_COMMAND(TpsXLSOpenFile);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSReadFile);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSSheet);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSClose);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSHeader);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSEcho);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSCapture);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSColumn);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSRow);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSMoveRow);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSEchoPosition);
TESSEL_DECLARE_XLS_COMMAND(TpsXLSFormulaPrefix);

#undef TESSEL_DECLARE_XLS_COMMAND
