// What tessel-cli shows of a statement keeps the password out.

#include <gtest/gtest.h>

#include "cli/password_mask.h"

namespace {

TEST(MaskPasswords, HidesTheValueAfterEachPasswordKeyword) {
    struct Case {
        const char* name;
        const char* statement;
        const char* shown;
    } cases[] = {
        {"connect", "CONNECT 'db.fdb' USER 'SYSDBA' PASSWORD 'secret'",
         "CONNECT 'db.fdb' USER 'SYSDBA' PASSWORD '***'"},
        {"any case, blanks and line breaks", "create database 'x.fdb' user 'a' password\r\n\t\"s\"",
         "create database 'x.fdb' user 'a' password\r\n\t\"***\""},
        {"doubled quote inside", "CONNECT 'd' PASSWORD 'it''s' ROLE r",
         "CONNECT 'd' PASSWORD '***' ROLE r"},
        {"unclosed quote", "CONNECT 'd' PASSWORD 'open", "CONNECT 'd' PASSWORD '***'"},
        {"unquoted for CONNECT", "  connect db.fdb user me password secret role r",
         "  connect db.fdb user me password *** role r"},
        {"unquoted for CREATE DATABASE", "CREATE DATABASE 'x' USER SYSDBA PASSWORD masterkey",
         "CREATE DATABASE 'x' USER SYSDBA PASSWORD ***"},
        {"SQL user statements", "alter user bob password 'new' firstname 'Bob'",
         "alter user bob password '***' firstname 'Bob'"},
        {"two passwords", "CREATE USER a PASSWORD 'x'; CREATE USER b PASSWORD 'y'",
         "CREATE USER a PASSWORD '***'; CREATE USER b PASSWORD '***'"},
        // Not a password value: left as it stands.
        {"column named password", "select password from users where password = 'x'",
         "select password from users where password = 'x'"},
        {"keyword inside a text", "ECHO 'PASSWORD ''x''' 'y'", "ECHO 'PASSWORD ''x''' 'y'"},
        {"part of a longer word", "select passwords, old_password from t where a = 'x'",
         "select passwords, old_password from t where a = 'x'"},
        {"keyword at the end", "CONNECT 'd' PASSWORD", "CONNECT 'd' PASSWORD"},
        {"no password", "select 1 from rdb$database", "select 1 from rdb$database"},
    };
    for (const Case& c : cases) EXPECT_EQ(MaskPasswords(c.statement), c.shown) << c.name;
}

}  // namespace
