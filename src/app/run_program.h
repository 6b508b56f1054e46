#pragma once
// RunProgram: starts a program from one command line and, when asked, waits
// for it to end. The command line is split into words as a shell splits them
// (blanks separate, quotes and backslashes group) but nothing is expanded,
// and the program is looked up on PATH. No window toolkit: a front end that
// must stay responsive while it waits runs it off its event thread, or gives
// KeepWaiting, which the wait loop calls between its looks at the child.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Receives what a program writes, in whole lines joined by line feeds
// (without the last one); the text after the last line feed comes once the
// program has ended, or in pieces of 64 KiB when a line grows longer.
using TProgramOutput = std::function<void(std::string_view lines)>;

// Splits a command line into words: runs of blanks separate words, single
// quotes take everything up to the next single quote literally, double
// quotes group (a backslash in them escapes " and \ only), and a backslash
// outside quotes takes the next character literally. Raises
// EExecuteApplication for an unterminated quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Runs program + " " + parameters with the caller's environment, in
// directory (the current one when empty), with its standard handles and no
// other descriptor of this process. With output (and wait), the program's
// standard output and standard error go, in the order written, into one
// pipe instead, and output gets them as they arrive while the wait lasts;
// what is still in the pipe when the program has ended is read before this
// returns (a program it left behind may write on, unread). Raises EExecuteApplication naming the
// program and the system's text (strerror) when it cannot be started. With
// wait: waits until the child ends (woken by the child's end itself, no
// polling) and answers its exit status, or minus the signal number for a
// child that a signal ended. The waiting stops when stopFd (if not -1)
// becomes readable or keepWaiting (when given; called about every 100 ms)
// answers false: the program is then ended (SIGTERM, SIGKILL after a grace
// period of 2 s), reaped, and EStatementCancelled is raised. Without wait:
// answers 0 and the child is reaped in the background.
int RunProgram(const std::string& program, const std::string& parameters, bool wait,
               const std::string& directory, const std::function<bool()>& keepWaiting = {},
               int stopFd = -1, const TProgramOutput& output = {});
