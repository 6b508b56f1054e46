#pragma once
// RunProgram: starts a program from one command line and, when asked, waits
// for it to end. The command line is split into words as a shell splits them
// (blanks separate, quotes and backslashes group) but nothing is expanded,
// and the program is looked up on PATH. No window toolkit: a front end that
// must stay responsive while it waits runs it off its event thread, or gives
// KeepWaiting, which the wait loop calls between its looks at the child.

#include <functional>
#include <string>
#include <vector>

// Splits a command line into words: runs of blanks separate words, single
// quotes take everything up to the next single quote literally, double
// quotes group (a backslash in them escapes " and \ only), and a backslash
// outside quotes takes the next character literally. Raises
// EExecuteApplication for an unterminated quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Runs program + " " + parameters with the caller's environment, in
// directory (the current one when empty), its standard handles inherited
// and nothing else. Raises EExecuteApplication with the system's text
// (strerror) when the program cannot be started. With wait: polls the child
// every 100 ms until it ends or keepWaiting (when given) answers false, and
// answers the exit status (128 + the signal number for a child that a
// signal ended); without wait, or when it stops waiting, answers 0 and the
// child is reaped in the background.
int RunProgram(const std::string& program, const std::string& parameters, bool wait,
               const std::string& directory, const std::function<bool()>& keepWaiting = {});
