#include "cli/cli_options.h"

#include <cstdlib>
#include <cstring>

const char* const kCliUsage =
    "Usage: tessel-cli [options] [script.sql]\n"
    "Runs a script, standard input, or an interactive prompt on a terminal.\n"
    "  -d DATABASE   connect to DATABASE first (a path, or host[/port]:path)\n"
    "  -u USER       user name (default: ISC_USER)\n"
    "  -p PASSWORD   password (default: ISC_PASSWORD)\n"
    "  -r ROLE       the role of the -d connection\n"
    "  -ch CHARSET   character set of the connections (SET NAMES CHARSET)\n"
    "  -s DIALECT    SQL dialect 1, 2 or 3 (SET SQL DIALECT DIALECT)\n"
    "  -t TERMINATOR statement terminator instead of ; (SET TERM TERMINATOR)\n"
    "  -i FILE       the script to run (the same as naming it last)\n"
    "  -c SQL        run SQL (statements and commands) instead of a script\n"
    "  -b            stop at the first error (always so; SET SUPPRESS_ERROR ON\n"
    "                goes on)\n"
    "  -e            echo every statement before its result\n"
    "  -o FILE       write the output to FILE instead of standard output\n"
    "  -q            quiet: no banner\n"
    "  -x            extract: write the DDL of the -d database (the DESCRIBE\n"
    "                DATABASE text) and nothing else; no script is read\n"
    "  -h, --help    this help\n"
    "  --version     the version\n"
    "Exit status: 0 success, 1 a statement failed or the output could not be\n"
    "written, 2 the input, the output file or the first connection could not be\n"
    "opened, 3 a CHECK failed, 130 or 143 ended by SIGINT or SIGTERM.\n";

bool ParseCliOptions(int argc, const char* const* argv, TcCliOptions& options, std::string& error) {
    if (const char* user = std::getenv("ISC_USER")) options.User = user;
    if (const char* password = std::getenv("ISC_PASSWORD")) options.Password = password;
    auto setScript = [&](const std::string& script) {
        if (options.Script.empty()) {
            options.Script = script;
            return true;
        }
        error = "Only one script can be given; " + script + " is a second one.";
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                error = "Option " + arg + " needs a value.";
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (arg == "-d" || arg == "-database") {
            if (!value(options.Database)) return false;
        } else if (arg == "-u" || arg == "-user") {
            if (!value(options.User)) return false;
        } else if (arg == "-p" || arg == "-password") {
            if (!value(options.Password)) return false;
        } else if (arg == "-o" || arg == "-output") {
            if (!value(options.Output)) return false;
        } else if (arg == "-r" || arg == "-role") {
            if (!value(options.Role)) return false;
        } else if (arg == "-ch" || arg == "-charset") {
            if (!value(options.Charset)) return false;
        } else if (arg == "-t" || arg == "-terminator") {
            if (!value(options.Terminator)) return false;
        } else if (arg == "-s" || arg == "-sqldialect") {
            std::string dialect;
            if (!value(dialect)) return false;
            if (dialect != "1" && dialect != "2" && dialect != "3") {
                error = "Option -s needs a dialect 1, 2 or 3; " + dialect + " is none.";
                return false;
            }
            options.Dialect = dialect[0] - '0';
        } else if (arg == "-i" || arg == "-input") {
            std::string script;
            if (!value(script)) return false;
            if (!setScript(script)) return false;
        } else if (arg == "-c" || arg == "-command") {
            if (!value(options.Statement)) return false;
        } else if (arg == "-b" || arg == "-bail") {
            options.StopOnError = true;
        } else if (arg == "--version" || arg == "-version") {
            options.Version = true;
        } else if (arg == "-e" || arg == "-echo") {
            options.Echo = true;
        } else if (arg == "-q" || arg == "-quiet") {
            options.Quiet = true;
        } else if (arg == "-x" || arg == "-extract") {
            options.Extract = true;
        } else if (arg == "-h" || arg == "-help" || arg == "--help") {
            options.Help = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "Unknown option " + arg + ".";
            return false;
        } else if (!setScript(arg)) {
            return false;
        }
    }
    if (!options.Statement.empty() && !options.Script.empty()) {
        error = "Option -c runs its own text; the script " + options.Script + " was given too.";
        return false;
    }
    if (options.Extract && !options.Statement.empty()) {
        error = "Option -x reads no script; -c was given.";
        return false;
    }
    if (options.Extract && options.Database.empty()) {
        error = "Option -x needs a database (-d).";
        return false;
    }
    if (options.Extract && !options.Script.empty()) {
        error = "Option -x reads no script; " + options.Script + " was given.";
        return false;
    }
    return true;
}
