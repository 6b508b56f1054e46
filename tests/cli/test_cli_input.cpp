// tessel-cli with input that is odd, large or hostile: each case must end
// with a clear outcome, never a crash or a silent loss.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "cli/cli_session.h"
#include "cli_child.h"
#include "foundation/temp_dir.h"

namespace {

std::string RandomBytesWithoutNul(size_t count) {
    std::mt19937 generator(7);  // fixed: the same bytes every run
    std::uniform_int_distribution<int> byte(1, 255);
    std::string text;
    for (size_t i = 0; i < count; ++i) text += static_cast<char>(byte(generator));
    return text;
}

std::string ManyColumns(int count) {
    std::string select = "select ";
    for (int i = 1; i <= count; ++i)
        select += (i > 1 ? ", " : "") + std::to_string(i) + " as c" + std::to_string(i);
    return select + " from rdb$database;\n";
}

std::string Repeated(const std::string& text, int count) {
    std::string result;
    result.reserve(text.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) result += text;
    return result;
}

TEST(CliInput, OddLargeAndHostileInputEndsClearly) {
    TcTempDir folder;
    const std::string create =
        "CREATE DATABASE '" + folder.File("odd.fdb") + "' USER 'SYSDBA' PASSWORD 'x';\n";
    const std::string connect = "CONNECT '" + folder.File("odd.fdb") + "' USER 'SYSDBA' ";
    struct Case {
        const char* name;
        std::string script;
        int status;
        std::string out;  // what standard output holds, or a part of it
        std::string err;  // a part of standard error
    } cases[] = {
        {"random bytes", RandomBytesWithoutNul(4096), cliStatementFailed, "", "case.sql:1: "},
        {"odd terminators",
         "SET TERM GO;\nECHO a GO\nSET TERM !! GO\nECHO b!!\nset term ; !!\nECHO c;\n", cliOk,
         "Done.\na\nDone.\nb\nDone.\nc\n", ""},
        {"a million statements", Repeated("SET ECHO OFF;\n", 1000000) + "ECHO last;\n", cliOk,
         Repeated("Done.\n", 1000000) + "last\n", ""},
        {"a row of 32,000 bytes",
         create + "SET SHOW_RECORD_HEADER OFF;\n"
                  "select cast(lpad('', 32000, 'x') as varchar(32000)) from rdb$database;\n",
         cliOk, std::string(32000, 'x'), ""},
        {"1,000 columns", create + ManyColumns(1000), cliOk, "C1000", ""},
        // Megabytes of blanks and comments between two quoted parts, and no
        // terminator: the statement reaches the server whole, comments
        // removed, what looks like one inside the quotes kept.
        {"a statement of 2 MB without a terminator",
         create + "SET SHOW_RECORD_HEADER OFF;\n  select '<--/*;*/>' ||" +
             Repeated("\n" + std::string(60, ' ') + "/* ; */ -- ;\n", 30000) +
             "'end' from rdb$database\n\n  ",
         cliOk, "\n<--/*;*/>end", ""},
        {"character sets round trip",
         "SET NAMES UTF8;\n" + create.substr(0, create.size() - 2) +
             " DEFAULT CHARACTER SET UTF8;\n"
             "create table t (u varchar(10) character set utf8, w varchar(10) character set "
             "win1252, n varchar(20) character set none);\n"
             // The character set of SET NAMES reaches the server with CONNECT.
             "DISCONNECT;\n" +
             connect +
             "PASSWORD 'x';\n"
             "insert into t values ('\xC3\xA9\xE2\x82\xAC\xC3\xBC', "
             "'\xC3\xA9\xE2\x82\xAC\xC3\xBC', '\xC3\xA9\xE2\x82\xAC\xC3\xBC');\n"
             "SET SHOW_RECORD_HEADER OFF;\nselect u || w || n from t;\n",
         cliOk,
         "\xC3\xA9\xE2\x82\xAC\xC3\xBC\xC3\xA9\xE2\x82\xAC\xC3\xBC\xC3\xA9\xE2\x82\xAC\xC3\xBC",
         ""},
        {"user name past 255 bytes",
         "CONNECT '" + folder.File("odd.fdb") + "' USER '" + std::string(300, 'u') +
             "' PASSWORD 'x';\n",
         cliStatementFailed, "", "\nThe user name is too long: at most 255 bytes can be sent.\n"},
        {"password of 255 bytes",
         create + "DISCONNECT;\n" + connect + "PASSWORD '" + std::string(255, 'p') + "';\n", cliOk,
         "Database created.\nDone.\nDone.\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(folder.File("odd.fdb").c_str());
        std::ofstream(folder.File("case.sql"), std::ios::binary) << c.script;
        const Outcome result = RunCli("-q case.sql", folder.Path());
        EXPECT_EQ(result.status, c.status) << result.err.substr(0, 500);
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out.substr(0, 500);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err.substr(0, 500);
        EXPECT_EQ(result.err.empty(), c.status == cliOk) << result.err.substr(0, 500);
    }
}

// Endless input once grew in memory until the allocation failed. A binary
// stream is refused with its first block, a text past 1 GiB (here a sparse
// file, never read) before it is read.
TEST(CliInput, EndlessOrHugeInputIsRefusedAtOnce) {
    TcTempDir folder;
    {
        std::ofstream(folder.File("zero.sql")) << "EXECUTE SCRIPT '/dev/zero';\nECHO after;\n";
        std::ofstream huge(folder.File("huge.sql"));
        huge << "ECHO first;\n";
    }
    std::filesystem::resize_file(folder.File("huge.sql"), (uint64_t(1) << 30) + 1);
    struct Case {
        const char* arguments;
        int status;
        std::string err;
    } cases[] = {
        {"/dev/zero", cliCannotOpen, "Cannot read file \"/dev/zero\". It is not a text file.\n"},
        {"< /dev/zero", cliCannotOpen, "Standard input is not a text file.\n"},
        {"zero.sql", cliStatementFailed,
         "zero.sql:1: EXECUTE SCRIPT '/dev/zero'\n"
         "Cannot read file \"/dev/zero\". It is not a text file.\n"},
        {"huge.sql", cliCannotOpen, "Cannot read file \"huge.sql\". It is larger than 1 GiB.\n"},
        {"< huge.sql", cliCannotOpen, "Standard input is larger than 1 GiB.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome result = RunCli(c.arguments, folder.Path());
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out.find("after"), std::string::npos);
    }
}

}  // namespace
