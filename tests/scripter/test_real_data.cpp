// Real data through the statement path: long text columns, single-row
// statements of any width, prepared INSERT shapes across another
// attachment's metadata change, and the attachment CREATE DATABASE makes.

#include "scripter_fixture.h"

namespace {

class RealData : public EmbeddedScripter {
  protected:
    // The first row's value in a column, as the view reads it.
    std::string Value(int column) {
        engine->View().First();
        return engine->View().ValueText(column);
    }
    // "c1 integer, c2 integer, ..." from "c# integer": `count` items.
    static std::string Items(int count, const std::string& pattern,
                             const std::string& separator = ", ") {
        std::string text;
        for (int i = 1; i <= count; ++i) {
            if (i > 1) text += separator;
            std::string item = pattern;
            for (size_t at; (at = item.find('#')) != std::string::npos;)
                item.replace(at, 1, std::to_string(i));
            text += item;
        }
        return text;
    }
};

TEST_F(RealData, TextColumnsPastTheLimitShowEveryValueThatFitsAndNameThemForOneThatDoesNot) {
    Run("create table w (a varchar(20000), b varchar(20000)); create table w2 (c varchar(32765));"
        "commit;"
        "insert into w values (lpad('', 20000, 'x'), lpad('', 20000, 'y'));"
        "insert into w2 values (lpad('', 32765, 'z'));");
    Run("select c from w2;");
    EXPECT_EQ(Value(0), std::string(32765, 'z'));
    Run("select a || 'q' from w;");
    EXPECT_EQ(Value(0), std::string(20000, 'x') + "q");
    // 40,000 bytes: more than the client library's descriptor passes.
    try {
        Run("select a || b as joined from w;");
        FAIL() << "a 40,000-byte column ran";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("JOINED"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("40000"), std::string::npos) << error.what();
    }
    // The attachment is still in order.
    Run("select char_length(a || b) from w;");
    EXPECT_EQ(Value(0), "40000");
    // A column declared past the limit whose values fit reads whole.
    Run("update w set b = 'short';");
    Run("select a || b as joined from w;");
    EXPECT_EQ(Value(0), std::string(20000, 'x') + "short");
    Run("select cast('q' as varchar(20000)) || cast('r' as varchar(20000)) from rdb$database;");
    EXPECT_EQ(Value(0), "qr");
}

TEST_F(RealData, SingleRowStatementsKeepTheirRowAtAnyWidth) {
    for (const int width : {1, 10, 11, 40}) {
        SCOPED_TRACE(width);
        const std::string table = "r" + std::to_string(width);
        const std::string columns = Items(width, "c#");
        Run("create table " + table + " (" + Items(width, "c# integer") + ");" + "SET TERM ^ ;" +
            "create procedure p" + table + " returns (" + Items(width, "o# integer") +
            ") as begin " + Items(width, "o# = #;", " ") + " end^" + "SET TERM ; ^" + "commit;");
        const std::string last = std::to_string(width);
        Run("execute procedure p" + table + ";");
        EXPECT_EQ(engine->RecordCount, 1);
        EXPECT_EQ(Value(width - 1), last);
        Run("insert into " + table + " values (" + Items(width, "#") + ") returning " + columns +
            ";");
        EXPECT_EQ(engine->RecordCount, 1);
        EXPECT_EQ(Value(width - 1), last);
        Run("update " + table + " set c1 = 5 returning " + columns + ";");
        EXPECT_EQ(engine->RecordCount, 1);
        EXPECT_EQ(Value(0), "5");
    }
}

TEST_F(RealData, PreparedInsertsDoNotOutliveAnotherAttachmentsMetadataChange) {
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast);
        engine->FastInsert = fast;
        const std::string table = fast ? "tf" : "ts";
        Run("create table " + table + " (a integer); commit;");
        Run("insert into " + table + " values (1); commit;");
        TcDBScripter_IB other;
        other.ExecuteScript("connect '" + DatabasePath() +
                            "' user 'SYSDBA' password 'masterkey';"
                            "alter table " +
                            table + " add b integer default 7 not null; commit;");
        other.Disconnect();
        EXPECT_ANY_THROW(Run("insert into " + table + " values (2);"));
        Run("rollback;");
    }
}

TEST_F(RealData, CreateDatabaseAttachesInTheCharacterSetOfSetNames) {
    Run("disconnect; set names win1252; create database '" + folder.File("names.fdb") +
        "' user 'SYSDBA' password 'masterkey';");
    Run("select trim(c.rdb$character_set_name) from mon$attachments a join rdb$character_sets c "
        "on c.rdb$character_set_id = a.mon$character_set_id "
        "where a.mon$attachment_id = current_connection;");
    EXPECT_EQ(Value(0), "WIN1252");
}

}  // namespace
