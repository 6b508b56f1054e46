#pragma once
// The texts the window composes from the editor, the clipboard and the
// engine, kept apart from the widgets so that each rule has one copy and a
// test of its own.

#include <QString>
#include <string>

// The editor text as string literals for a program's source: every line
// becomes 'line ' (single quotes doubled, a blank before the closing quote),
// every line but the last followed by " +".
QString LiteralCopyText(const QString& editorText);
// The reverse: "''" becomes "'" in the whole text, then each line loses
// everything up to its first quote and from its last quote on, and its
// trailing blanks; a line without quotes becomes empty.
QString LiteralPasteText(const QString& clipboardText);
// The connect command the window remembers after a disconnect.
std::string ConnectCommandText(const std::string& connectString, const std::string& user,
                               const std::string& password, const std::string& role, bool userGiven,
                               bool passwordGiven);
// The user panel's text: the user, with the role in brackets when one is set.
std::string ConnectedUserText(const std::string& user, const std::string& role);
