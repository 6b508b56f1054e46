#pragma once
// Statements as they may be shown to anyone: an echo line, the statement
// named with an error, a trace. A password typed into CONNECT, CREATE
// DATABASE, CREATE USER or ALTER USER (the console's commands or the
// server's SQL) never appears in them.

#include <string>
#include <string_view>

// The text with the value after every PASSWORD keyword replaced by "***"
// when the statement is one that carries a password (CONNECT, CREATE
// DATABASE, CREATE/ALTER USER and the server's user statements); any other
// text is returned as it is. A quoted value keeps its quotes ('***'), a bare
// value is the run of characters up to a blank or ";". A keyword inside a
// quoted text, part of a longer word or a qualified name is no keyword. Comments are gone from
// statements by the time they are shown, so only quotes are followed here.
std::string HidePasswords(std::string_view text);
// The message of an error of the statement with every password value of the
// statement that stands in it as a word of its own replaced by "***": a
// server's "Token unknown" quotes an unquoted one back.
std::string HidePasswordWords(std::string_view message, std::string_view statement);
