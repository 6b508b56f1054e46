// The texts the window composes, rule by rule.

#include <gtest/gtest.h>

#include "console/window_text.h"

namespace {

struct LiteralCase {
    const char* Name;
    const char* Editor;
    const char* Clipboard;
};

const LiteralCase kLiteralCases[] = {
    {"two lines", "select *\nfrom t", "'select * ' +\n'from t '"},
    {"quotes doubled", "where a = 'x'", "'where a = ''x'' '"},
    {"empty line kept", "a\n\nb", "'a ' +\n' ' +\n'b '"},
};

TEST(LiteralCopy, QuotesEveryLineAndJoinsThemWithPlus) {
    for (const LiteralCase& c : kLiteralCases)
        EXPECT_EQ(LiteralCopyText(QString::fromUtf8(c.Editor)), QString::fromUtf8(c.Clipboard))
            << c.Name;
}

TEST(LiteralPaste, GivesBackWhatLiteralCopyMade) {
    for (const LiteralCase& c : kLiteralCases)
        EXPECT_EQ(LiteralPasteText(QString::fromUtf8(c.Clipboard)), QString::fromUtf8(c.Editor))
            << c.Name;
}

TEST(LiteralPaste, TakesWhatStandsBetweenTheOuterQuotesOfEachLine) {
    EXPECT_EQ(LiteralPasteText(QStringLiteral("  s := 'select 1  ' + // note\nno quotes")),
              QStringLiteral("select 1\n"));
}

TEST(ConnectCommandText, NamesWhatTheUserGave) {
    EXPECT_EQ(ConnectCommandText("/db.fdb", "SYSDBA", "pw", "", true, true),
              "CONNECT '/db.fdb' USER 'SYSDBA' PASSWORD 'pw'");
    EXPECT_EQ(ConnectCommandText("/db.fdb", "SYSDBA", "pw", "R1", true, false),
              "CONNECT '/db.fdb' USER 'SYSDBA' ROLE 'R1'");
    EXPECT_EQ(ConnectedUserText("SYSDBA", "R1"), "SYSDBA (R1)");
    EXPECT_EQ(ConnectedUserText("SYSDBA", ""), "SYSDBA");
}

}  // namespace
