// tessel-cli's isql-style session options (-i, -c, -ch, -r, -t, -s, -b) and
// --version / --help, read by the parser and seen working in whole runs.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "app/tessel.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli_child.h"
#include "foundation/temp_dir.h"

namespace {

bool Parse(std::vector<const char*> argv, TcCliOptions& options, std::string& error) {
    argv.insert(argv.begin(), "tessel-cli");
    return ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(CliOptions, SessionOptionsOfIsql) {
    TcCliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"-ch", "WIN1252", "-r", "CLERK", "-t", "#", "-s", "1", "-b", "-i", "s.sql"},
                      options, error))
        << error;
    EXPECT_EQ(options.Charset, "WIN1252");
    EXPECT_EQ(options.Role, "CLERK");
    EXPECT_EQ(options.Terminator, "#");
    EXPECT_EQ(options.Dialect, 1);
    EXPECT_TRUE(options.StopOnError);
    EXPECT_EQ(options.Script, "s.sql");

    TcCliOptions command;
    ASSERT_TRUE(Parse({"-c", "ECHO hi", "--version"}, command, error)) << error;
    EXPECT_EQ(command.Statement, "ECHO hi");
    EXPECT_TRUE(command.Version);
    EXPECT_EQ(command.Dialect, 0);
}

TEST(CliOptions, SessionOptionErrors) {
    struct Case {
        std::vector<const char*> argv;
        const char* error;
    } cases[] = {
        {{"-s", "4"}, "Option -s needs a dialect 1, 2 or 3; 4 is none."},
        {{"-s", "65539"}, "Option -s needs a dialect 1, 2 or 3; 65539 is none."},
        {{"-i", "a.sql", "b.sql"}, "Only one script can be given; b.sql is a second one."},
        {{"-c", "ECHO x", "a.sql"}, "Option -c runs its own text; the script a.sql was given too."},
        {{"-x", "-d", "db.fdb", "-c", "ECHO x"}, "Option -x reads no script; -c was given."},
        {{"-ch"}, "Option -ch needs a value."},
        {{"-t"}, "Option -t needs a value."},
    };
    for (const Case& c : cases) {
        TcCliOptions options;
        std::string error;
        EXPECT_FALSE(Parse(c.argv, options, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(CliProgram, VersionAndHelpOnStandardOutput) {
    TcTempDir folder;
    const Outcome version = RunCli("--version", folder.Path());
    EXPECT_EQ(version.status, cliOk);
    EXPECT_EQ(version.out, "tessel-cli " + TesselVersion() + "\n");
    EXPECT_EQ(version.err, "");
    const Outcome help = RunCli("--help", folder.Path());
    EXPECT_EQ(help.status, cliOk);
    EXPECT_EQ(help.out, kCliUsage);
    for (const char* option : {"-i FILE", "-c SQL", "-ch CHARSET", "-r ROLE", "-t TERMINATOR",
                               "-s DIALECT", "-b ", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

// The man page documents every option the help text lists, each in a
// paragraph tag of its own (".B \-x", ".BI \-d " ..., ".BR \-h ", ...).
TEST(CliProgram, ManPageHasEveryOptionOfTheHelp) {
    std::istringstream page(ReadFile(TESSEL_MAN_DIR "/tessel-cli.1"));
    std::set<std::string> tagged;
    for (std::string line; std::getline(page, line);) {
        std::istringstream words(line);
        std::string macro, first;
        words >> macro >> first;
        if (macro == ".B" || macro == ".BI" || macro == ".BR") tagged.insert(first);
    }
    std::istringstream usage(kCliUsage);
    std::vector<std::string> options;
    for (std::string line; std::getline(usage, line);) {
        if (line.rfind("  -", 0) != 0) continue;
        const std::string name = line.substr(2, line.find_first_of(" ,", 2) - 2);
        options.push_back(name);
        std::string roff;
        for (char c : name) roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(tagged.count(roff) == 1 || tagged.count(roff + "\"") == 1) << name;
    }
    EXPECT_EQ(options.front(), "-d");
    EXPECT_EQ(options.back(), "--version");
}

// Runs that need no database: the script from -i or -c, the terminator of
// -t, and -b's stop at the first error.
TEST(CliProgram, ScriptTerminatorAndErrorOptions) {
    TcTempDir folder;
    std::ofstream(folder.File("s.sql")) << "ECHO one;\nECHO two;\n";
    std::ofstream(folder.File("hash.sql")) << "ECHO one; two#\nECHO three#\n";
    std::ofstream(folder.File("fail.sql")) << "ECHO before;\nSET NOSUCH ON;\nECHO after;\n";
    struct Case {
        const char* name;
        std::string arguments;
        int status;
        std::string out;
    } cases[] = {
        {"-i names the script", "-i s.sql", cliOk, "one\ntwo\n"},
        {"-c runs its text", "-c 'ECHO hi; ECHO there'", cliOk, "hi\nthere\n"},
        {"-c without a terminator", "-c 'ECHO hi'", cliOk, "hi\n"},
        {"-t sets the terminator", "-t '#' hash.sql", cliOk, "one; two\nthree\n"},
        {"-b stops at the first error", "-b fail.sql", cliStatementFailed, "before\n"},
        {"-s out of range", "-s 0 s.sql", cliCannotOpen, ""},
        {"-t blank", "-t ' ' s.sql", cliCannotOpen, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome result = RunCli("-q " + c.arguments, folder.Path());
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.out, c.out);
    }
}

// The server says which character set, role and dialect the -d connection has.
TEST(CliProgram, CharsetRoleAndDialectReachTheConnection) {
    TcTempDir folder;
    const std::string database = folder.File("d.fdb");
    std::ofstream(folder.File("make.sql"))
        << "CREATE DATABASE '" << database << "' USER 'SYSDBA' PASSWORD 'x';\n"
        << "CREATE ROLE CLERK;\nGRANT CLERK TO USER MARY;\nCOMMIT;\n";
    ASSERT_EQ(RunCli("make.sql", folder.Path()).status, cliOk);
    // The embedded engine takes any user name without a password check.
    const std::string connect = "-q -d " + database + " -u MARY -p x ";
    struct Case {
        const char* name;
        std::string options;
        std::string query;
        std::string shown;
    } cases[] = {
        {"-ch is the attachment's character set", "-ch WIN1252",
         "select trim(c.rdb$character_set_name) as cs from mon$attachments a "
         "join rdb$character_sets c on c.rdb$character_set_id = a.mon$character_set_id "
         "where a.mon$attachment_id = current_connection",
         "WIN1252"},
        {"-r is the current role", "-r CLERK", "select current_role as r from rdb$database",
         "CLERK"},
        {"without -r no role", "", "select current_role as r from rdb$database", "NONE"},
        // Dialect 1 divides integers into a floating-point number.
        {"-s 1 is the client dialect", "-s 1", "select 1/2 as h from rdb$database", "0.5"},
        {"dialect 3 by default", "", "select 1/2 as h from rdb$database", " 0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome result = RunCli(connect + c.options + " -c '" + c.query + "'", folder.Path());
        EXPECT_EQ(result.status, cliOk) << result.err;
        EXPECT_NE(result.out.find(c.shown), std::string::npos) << result.out;
    }
}

}  // namespace
