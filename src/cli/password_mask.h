#pragma once
// Passwords kept out of what tessel-cli shows of a statement: its echo and
// the statement named with an error. The output of the statement itself
// (rows, messages) is never changed.

#include <string>

// The statement with the value after each PASSWORD keyword replaced by
// '***' (keeping its quotes), or by *** where CONNECT and CREATE DATABASE
// take it unquoted. PASSWORD inside a quoted text is no keyword.
std::string MaskPasswords(const std::string& statement);
