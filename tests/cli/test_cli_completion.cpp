// The prompt's completion and history through a pseudo terminal: Tab
// completes table, column and quoted names of the connected database, and
// the statements of one run come back with Ctrl+P in the next, their
// passwords masked in the history file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"

namespace {

class PromptNamesAndHistory : public ::testing::Test {
  protected:
    void SetUp() override {
        Language = TLanguage::English;
        TcDBScripter_IB creator;
        creator.ExecuteScript(
            "CREATE DATABASE '" + folder.File("names.fdb") +
            "' USER 'SYSDBA' PASSWORD 'x'; create table customer (id integer, name varchar(20));"
            "create table \"lower_case\" (\"Mixed\" integer); commit;"
            "insert into customer values (1, 'Alice'); insert into \"lower_case\" values (42);"
            "commit;");
        creator.Close();
    }
    std::string Connect(const std::string& password) const {
        return "CONNECT '" + folder.File("names.fdb") + "' USER 'SYSDBA' PASSWORD '" + password +
               "';";
    }
    // Types once the editor reads raw keys: typed while the terminal is still
    // in line mode, keys would be taken by the terminal.
    static void TypeRaw(TcCliChild& child, const std::string& keys) {
        ASSERT_TRUE(WaitUntil([&] { return !child.TerminalEchoes(); }));
        child.Type(keys);
    }
    static void End(TcCliChild& child) {
        TypeRaw(child, "\x04");
        const TcCliChild::TEnd end = child.Wait();
        ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
        EXPECT_EQ(end.Status, 0) << child.Errors();
    }
    TcTempDir folder;
};

TEST_F(PromptNamesAndHistory, TabCompletesNamesOfTheConnectedDatabase) {
    TcCliChild child({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(child.WaitForOutput("SQL> ")) << child.Output();
    child.Type(Connect("x") + " ECHO ready;\r");
    ASSERT_TRUE(child.WaitForOutput("ready\r\nSQL> ")) << child.Output() << child.Errors();

    // A table name from three letters in lower case: only the completed name
    // finds the column listing.
    TypeRaw(child, "DESCRIBE cus\t");
    // The editor redraws the word from its start.
    ASSERT_TRUE(child.WaitForOutput("DESCRIBE cus", "CUSTOMER ")) << child.Output();
    child.Type(";\r");
    ASSERT_TRUE(child.WaitForOutput("NAME ", "SQL> ")) << child.Output() << child.Errors();

    // A column after its table and a dot; "customer.na" would be unknown.
    TypeRaw(child, "select customer.na\t from customer;\r");
    ASSERT_TRUE(child.WaitForOutput("Alice", "SQL> ")) << child.Output() << child.Errors();

    // A quoted name keeps its case and its quotes.
    TypeRaw(child, "select * from \"low\t;\r");
    ASSERT_TRUE(child.WaitForOutput("Mixed", "42")) << child.Output() << child.Errors();
    TypeRaw(child, "commit;\r");
    ASSERT_TRUE(child.WaitForOutput("commit;", "SQL> ")) << child.Output() << child.Errors();
    End(child);
}

TEST_F(PromptNamesAndHistory, HistoryOfTheLastRunComesBackWithoutItsPassword) {
    {
        TcCliChild first({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
        ASSERT_TRUE(first.WaitForOutput("SQL> ")) << first.Output();
        first.Type(Connect("sekrit99") + "\r");
        ASSERT_TRUE(first.WaitForOutput("SQL> ", "SQL> ")) << first.Output() << first.Errors();
        TypeRaw(first, "ECHO first\r");
        ASSERT_TRUE(first.WaitForOutput("CON> ")) << first.Output();
        TypeRaw(first, "  run;\r");
        ASSERT_TRUE(first.WaitForOutput("first run\r\n")) << first.Output() << first.Errors();
        End(first);
    }
    const std::string file = folder.File("state/tessel/cli_history");
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string history = ReadFile(file);
    EXPECT_EQ(history.find("sekrit99"), std::string::npos) << history;
    EXPECT_NE(history.find("PASSWORD '***'"), std::string::npos) << history;

    TcCliChild second({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
    ASSERT_TRUE(second.WaitForOutput("SQL> ")) << second.Output();
    // Ctrl+P brings back the last statement of the first run, both lines.
    TypeRaw(second, "\x10\r");
    ASSERT_TRUE(second.WaitForOutput("first run\r\n")) << second.Output() << second.Errors();
    // One step further back: the connect, with the password masked.
    TypeRaw(second, "\x10\x10");
    ASSERT_TRUE(second.WaitForOutput("PASSWORD '***'")) << second.Output();
    EXPECT_EQ(second.Output().find("sekrit99"), std::string::npos);
    TypeRaw(second, "\x15");  // the line is not run
    End(second);
}

}  // namespace
