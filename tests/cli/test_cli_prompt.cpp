// Text typed at tessel-cli's prompt is data: it reaches the server byte for
// byte, in a UTF-8 terminal and in the C locale alike. The child types on a
// pseudo terminal; the value is read back from the database.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"
#include "support/scoped_environment.h"

namespace {

struct TPromptCase {
    const char* Name;
    const char* Locale;        // LC_ALL of the child
    const char* CharacterSet;  // of the column and of the connection
    std::string Typed;
};

void PrintTo(const TPromptCase& c, std::ostream* out) {
    *out << c.Name;
}

class CliPromptText : public ::testing::TestWithParam<TPromptCase> {};

TEST_P(CliPromptText, ReachesTheDatabaseUnchanged) {
    const TPromptCase& c = GetParam();
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string connect =
        "CONNECT '" + folder.File("typed.fdb") + "' USER 'SYSDBA' PASSWORD 'x';";
    {
        TcDBScripter_IB creator;
        creator.ExecuteScript("CREATE DATABASE '" + folder.File("typed.fdb") +
                              "' USER 'SYSDBA' PASSWORD 'x'; create table t (v varchar(40) "
                              "character set " +
                              c.CharacterSet + "); commit;");
        creator.Close();
    }
    {
        const TcScopedEnvironment locale("LC_ALL", std::string(c.Locale));
        TcCliChild child({"-q"}, folder.Path(), TcCliChild::TInput::Terminal);
        ASSERT_TRUE(child.WaitForOutput("SQL> ")) << child.Output();
        child.Type(std::string("SET NAMES ") + c.CharacterSet + "; " + connect + " ECHO ready;\r");
        ASSERT_TRUE(child.WaitForOutput("ready\r\nSQL> ")) << child.Output() << child.Errors();
        child.Type("insert into t values ('" + c.Typed + "'); commit; ECHO stored;\r");
        ASSERT_TRUE(child.WaitForOutput("stored\r\nSQL> ")) << child.Output() << child.Errors();
        // The end of the input only once the editor reads raw keys again:
        // typed while the terminal is still in line mode, it would be taken
        // by the terminal and lost.
        ASSERT_TRUE(WaitUntil([&] { return !child.TerminalEchoes(); }));
        child.Type("\x04");
        const TcCliChild::TEnd end = child.Wait();
        ASSERT_TRUE(end.Ended) << "tessel-cli did not stop";
        EXPECT_EQ(end.Status, 0) << child.Errors();
    }
    TcDBScripter_IB reader;
    reader.CharacterSet = c.CharacterSet;
    reader.ExecuteScript(std::string("SET NAMES ") + c.CharacterSet + ";" + connect +
                         "select v from t;");
    reader.View().First();
    ASSERT_FALSE(reader.View().AtEnd());
    EXPECT_EQ(reader.View().ValueText(0), c.Typed);
    reader.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Locales, CliPromptText,
    ::testing::Values(
        // A UTF-8 terminal: a two-byte letter, wide characters, a combining mark.
        TPromptCase{"Utf8Terminal", "C.UTF-8", "UTF8",
                    "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC e\xCC\x81"},
        // The C locale: every byte passes as it is, those of C1 controls too.
        TPromptCase{"CLocaleBytes", "C", "NONE", "Z\xFCrich \x9D\x80\xFF"}),
    [](const ::testing::TestParamInfo<TPromptCase>& info) { return std::string(info.param.Name); });

}  // namespace
