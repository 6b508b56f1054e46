#pragma once
// Command-line options of tessel-cli, in the manner of Firebird's isql.

#include <string>

struct TcCliOptions {
    std::string Script;        // script file; empty: standard input or the prompt
    std::string Database;      // -d: connect before the first statement
    std::string User;          // -u, else ISC_USER
    std::string Password;      // -p, else ISC_PASSWORD
    std::string Output;        // -o: write the output lines to this file
    std::string Statement;     // -c: run this text instead of a script
    std::string Charset;       // -ch: the character set of every connection (SET NAMES)
    std::string Role;          // -r: the role of the -d connection
    std::string Terminator;    // -t: the statement terminator (SET TERM)
    int Dialect = 0;           // -s: the SQL dialect (SET SQL DIALECT); 0: the client's default
    bool Echo = false;         // -e
    bool Quiet = false;        // -q: no banner
    bool Help = false;         // -h
    bool Version = false;      // --version
    bool StopOnError = false;  // -b: accepted; a failed statement always ends the run
    bool Extract = false;      // -x: write the -d database's DDL and nothing else
};

// Reads the options; false with a message for an unknown option or a missing
// value. User and password default to ISC_USER and ISC_PASSWORD.
bool ParseCliOptions(int argc, const char* const* argv, TcCliOptions& options, std::string& error);

extern const char* const kCliUsage;
