// What the window remembers of itself across a restart (size, split, recent
// files), and what it says about itself (About, the status panels' tips,
// the icons).

#include <QFile>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>

#include "app/tessel.h"
#include "window_fixture.h"

namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST_F(WindowTest, SizeAndSplitAreThoseOfThePreviousRun) {
    const QSize size(720, 530);
    window->resize(size);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == size; }, 10000));
    const QList<int> before = window->Splitter()->sizes();
    ASSERT_EQ(before.size(), 2);
    // Moved by the user: most of the height to the output.
    const int total = before[0] + before[1];
    window->Splitter()->setSizes({total / 5, total - total / 5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Splitter()->sizes() != before; }, 10000));
    const QList<int> split = window->Splitter()->sizes();

    OpenWindow();
    EXPECT_EQ(window->size(), size);
    EXPECT_EQ(window->Splitter()->sizes(), split);
}

TEST_F(WindowTest, RecentFilesAreInTheFileMenuNewestFirstAfterARestart) {
    const QString first = QString::fromStdString(folder.File("first.sql"));
    const QString second = QString::fromStdString(folder.File("second.sql"));
    WriteText(first, "ECHO first;\n");
    EXPECT_FALSE(window->findChild<QMenu*>(QStringLiteral("RecentFilesMenu"))->isEnabled());
    ASSERT_TRUE(window->LoadScriptFrom(first));
    Editor().setText(QStringLiteral("ECHO second;\n"));
    ASSERT_TRUE(window->SaveScriptTo(second));
    ASSERT_TRUE(window->LoadScriptFrom(first));
    EXPECT_EQ(window->RecentFiles(), QStringList({first, second}));

    OpenWindow();
    EXPECT_EQ(window->RecentFiles(), QStringList({first, second}));
    QMenu* menu = window->findChild<QMenu*>(QStringLiteral("RecentFilesMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&2 ") + second);
    Editor().clear();
    entries[1]->trigger();
    EXPECT_EQ(Editor().text(), QStringLiteral("ECHO second;\n"));
    // Loaded again: it comes first.
    EXPECT_EQ(window->RecentFiles(), QStringList({second, first}));
}

TEST_F(WindowTest, AboutNamesTheVersion) {
    QString caption, text;
    window->Dialogs.ShowAbout = [&](const QString& c, const QString& t) {
        caption = c;
        text = t;
    };
    window->Action("actAbout")->trigger();
    EXPECT_EQ(caption, QStringLiteral("About Tessel"));
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("Tessel ") + QString::fromStdString(TesselVersion())))
        << text.toStdString();
}

TEST_F(WindowTest, StatusPanelsSayWhatTheyShow) {
    const struct {
        TcStatusPanels::TPanel Panel;
        const char* Empty;
    } cases[] = {
        {TcStatusPanels::Caret, "Caret position in the editor (line: column)"},
        {TcStatusPanels::Transaction, "Transaction (TA: a transaction is active)"},
        {TcStatusPanels::User, "Connected user"},
        {TcStatusPanels::Database, "Connected database"},
    };
    for (const auto& c : cases) {
        const QString text = Panel(c.Panel);
        const QString tip = window->StatusPanels().ToolTip(c.Panel);
        if (text.isEmpty())
            EXPECT_EQ(tip, QString::fromUtf8(c.Empty));
        else
            EXPECT_EQ(tip, QString::fromUtf8(c.Empty) + QStringLiteral(": ") + text);
    }
    CreateDatabase();
    EXPECT_EQ(window->StatusPanels().ToolTip(TcStatusPanels::User),
              QStringLiteral("Connected user: SYSDBA"));
}

TEST_F(WindowTest, EveryToolbarActionHasAnIcon) {
    auto* tools = window->findChild<QToolBar*>(QStringLiteral("ScriptToolBar"));
    ASSERT_NE(tools, nullptr);
    for (QAction* action : tools->actions())
        EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
}

}  // namespace
