// Completion in the editor against a database of the test's own: names
// offered after three letters, columns after a dot, a quoted name with its
// quotes, everything on Ctrl+Space, and a table made by DDL offered at once.

#include <Qsci/qsciscintillabase.h>

#include "console/editor_completion.h"
#include "window_fixture.h"

namespace {

class WindowCompletion : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        CreateDatabase();
        ASSERT_TRUE(
            Execute(QStringLiteral("CREATE TABLE CUSTOMER (ID INTEGER, NAME VARCHAR(20));"
                                   "CREATE TABLE COUNTRY (ID INTEGER);"
                                   "CREATE TABLE \"lower_case\" (\"Mixed\" INTEGER);")));
        Editor().clear();
        Editor().setFocus();
    }
    bool ListShown() { return Editor().SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0; }
    QString Offered() { return window->Completion().LastOffered().join(QLatin1Char(' ')); }
    // Takes the entry the list has chosen. (The editor's aids write the
    // keywords typed in capitals.)
    void Accept() { Press(Qt::Key_Tab); }
};

TEST_F(WindowCompletion, ThreeLettersOfATableOfferItAndEnterTakesIt) {
    QTest::keyClicks(window->Editor, QStringLiteral("select * from cu"));
    EXPECT_FALSE(ListShown()) << "two letters are not enough";
    QTest::keyClicks(window->Editor, QStringLiteral("s"));
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Offered(), QStringLiteral("CUSTOMER"));
    Accept();
    EXPECT_EQ(Editor().text(), QStringLiteral("SELECT * FROM CUSTOMER"));
}

TEST_F(WindowCompletion, ADotOffersTheColumnsOfTheRelationBeforeIt) {
    QTest::keyClicks(window->Editor, QStringLiteral("select customer."));
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Offered(), QStringLiteral("ID NAME"));
    QTest::keyClicks(window->Editor, QStringLiteral("na"));
    Accept();
    EXPECT_EQ(Editor().text(), QStringLiteral("SELECT customer.NAME"));
}

TEST_F(WindowCompletion, AQuotedNameKeepsItsQuotesAndCase) {
    QTest::keyClicks(window->Editor, QStringLiteral("select * from \"low"));
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Offered(), QStringLiteral("\"lower_case\""));
    Accept();
    EXPECT_EQ(Editor().text(), QStringLiteral("SELECT * FROM \"lower_case\""));
    QTest::keyClicks(window->Editor, QStringLiteral("."));
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Offered(), QStringLiteral("\"Mixed\""));
}

TEST_F(WindowCompletion, CtrlSpaceOffersEveryNameOrThoseOfAShortWord) {
    QTest::keyClicks(window->Editor, QStringLiteral("select * from c"));
    Press(Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(ListShown());
    const QStringList& offered = window->Completion().LastOffered();
    EXPECT_TRUE(offered.contains(QStringLiteral("COUNTRY")) &&
                offered.contains(QStringLiteral("CUSTOMER")))
        << Offered().toStdString();
    for (const QString& name : offered)
        EXPECT_TRUE(name.startsWith(QLatin1Char('C'))) << name.toStdString();
    Press(Qt::Key_Escape);
    Editor().setText(QStringLiteral("select * from "));
    Editor().setCursorPosition(0, 14);
    Press(Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(ListShown());
    for (const char* name : {"\"lower_case\"", "COUNTRY", "CUSTOMER", "DESCRIBE"})
        EXPECT_TRUE(window->Completion().LastOffered().contains(QString::fromUtf8(name))) << name;
}

TEST_F(WindowCompletion, ATableMadeByDDLIsOfferedAtOnce) {
    QTest::keyClicks(window->Editor, QStringLiteral("ord"));
    EXPECT_FALSE(ListShown());
    ASSERT_TRUE(Execute(QStringLiteral("CREATE TABLE ORDERS (ID INTEGER);")));
    Editor().clear();
    QTest::keyClicks(window->Editor, QStringLiteral("ord"));
    ASSERT_TRUE(ListShown());
    EXPECT_EQ(Offered(), QStringLiteral("ORDERS"));
}

}  // namespace
