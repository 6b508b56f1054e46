// Passwords are hidden wherever a statement is shown: the echo, and every
// place that names a statement with its error.

#include <gtest/gtest.h>

#include "scripter/password_mask.h"
#include "scripter_fixture.h"

namespace {

TEST(HidePasswords, ReplacesTheValueAfterEveryPasswordKeyword) {
    const struct {
        const char* name;
        const char* text;
        const char* shown;
    } cases[] = {
        {"quoted", "CREATE USER 'bob' PASSWORD 'secret'", "CREATE USER 'bob' PASSWORD '***'"},
        {"double-quoted", "ALTER USER bob PASSWORD \"s e\"", "ALTER USER bob PASSWORD \"***\""},
        {"bare, up to the terminator", "CONNECT 'x.fdb' USER u password secret;",
         "CONNECT 'x.fdb' USER u password ***;"},
        {"bare, then more options", "CONNECT 'x.fdb' PASSWORD pw ROLE r",
         "CONNECT 'x.fdb' PASSWORD *** ROLE r"},
        {"doubled quote inside", "CREATE USER a PASSWORD 'it''s' -- end",
         "CREATE USER a PASSWORD '***' -- end"},
        {"across a line break", "CREATE DATABASE 'd' USER 'u'\r\nPassword\r\n'pw' PAGE_SIZE 4096",
         "CREATE DATABASE 'd' USER 'u'\r\nPassword\r\n'***' PAGE_SIZE 4096"},
        {"server's SQL", "alter user bob set password 'x' firstname 'B'",
         "alter user bob set password '***' firstname 'B'"},
        {"every occurrence", "ALTER USER u PASSWORD 'a' PASSWORD 'b'",
         "ALTER USER u PASSWORD '***' PASSWORD '***'"},
        {"leading blanks and line breaks", "  create\n  user x password 'y'",
         "  create\n  user x password '***'"},
        {"inside a quoted text", "CREATE USER x PASSWORD 'y' FIRSTNAME 'PASSWORD x'",
         "CREATE USER x PASSWORD '***' FIRSTNAME 'PASSWORD x'"},
        {"part of a longer word", "CONNECT 'd' USER passwords PASSWORD_X y",
         "CONNECT 'd' USER passwords PASSWORD_X y"},
        {"qualified name", "CREATE DATABASE 'd' USER a.password x",
         "CREATE DATABASE 'd' USER a.password x"},
        // Elsewhere PASSWORD is a name, not a keyword.
        {"column in a query", "select password from users", "select password from users"},
        {"column in a table", "create table t (password varchar(20))",
         "create table t (password varchar(20))"},
        {"statement beginning like one", "CONNECTED password x", "CONNECTED password x"},
        {"keyword at the end", "CREATE USER bob PASSWORD", "CREATE USER bob PASSWORD"},
        {"open quote at the end", "CREATE USER bob PASSWORD 'sec", "CREATE USER bob PASSWORD '***"},
        {"no password", "select 1 from rdb$database", "select 1 from rdb$database"},
        // The whole value CONNECT takes (one blank-separated word, quotes
        // grouping) is hidden, whatever its quotes.
        {"doubled quotes around", "CONNECT 'd' password ''masterkey'' ROLE r",
         "CONNECT 'd' password *** ROLE r"},
        {"quoted, then bare", "CONNECT 'd' password 'master'key", "CONNECT 'd' password ***"},
        {"double-quoted, then bare", "CONNECT 'd' password \"master\"key",
         "CONNECT 'd' password ***"},
        {"quotes of both kinds", "CONNECT 'd' password 'mas'\"ter\"'key' USER u",
         "CONNECT 'd' password *** USER u"},
        {"blank inside quotes", "CONNECT 'd' password 'a b'c ROLE r",
         "CONNECT 'd' password *** ROLE r"},
    };
    for (const auto& c : cases) EXPECT_EQ(HidePasswords(c.text), c.shown) << c.name;
}

class EchoedPasswords : public EmbeddedScripter {};

TEST_F(EchoedPasswords, NeverAppearInTheEchoLine) {
    const std::vector<std::string> lines =
        Run("SET ECHO ON; CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'hunter2';");
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("hunter2"), std::string::npos) << line;
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "CONNECT '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD '***'"),
              lines.end());
    EXPECT_EQ(engine->Password, "hunter2") << "only the shown text is masked";
}

}  // namespace
