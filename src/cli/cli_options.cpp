#include "cli/cli_options.h"

#include <cstdlib>
#include <cstring>

const char* const kCliUsage =
    "Usage: tessel-cli [options] [script.sql]\n"
    "Runs a script, standard input, or an interactive prompt on a terminal.\n"
    "  -d DATABASE   connect to DATABASE first (a path, or host[/port]:path)\n"
    "  -u USER       user name (default: ISC_USER)\n"
    "  -p PASSWORD   password (default: ISC_PASSWORD)\n"
    "  -e            echo every statement before its result\n"
    "  -o FILE       write the output to FILE instead of standard output\n"
    "  -q            quiet: no banner\n"
    "  -x            extract: write the DDL of the -d database (the DESCRIBE\n"
    "                DATABASE text) and nothing else; no script is read\n"
    "  -h            this help\n"
    "Exit status: 0 success, 1 a statement failed or the output could not be\n"
    "written, 2 the input, the output file or the first connection could not be\n"
    "opened, 3 a CHECK failed, 130 or 143 ended by SIGINT or SIGTERM.\n";

bool ParseCliOptions(int argc, const char* const* argv, TcCliOptions& options, std::string& error) {
    if (const char* user = std::getenv("ISC_USER")) options.User = user;
    if (const char* password = std::getenv("ISC_PASSWORD")) options.Password = password;
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
        } else if (options.Script.empty()) {
            options.Script = arg;
        } else {
            error = "Only one script can be given; " + arg + " is a second one.";
            return false;
        }
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
