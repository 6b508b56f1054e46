#pragma once
// The real console window, offscreen, with its settings and recovery files
// in a fresh folder and its modal boxes answered by the test. Each Execute
// is waited for until its end has reached the window.

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <memory>

#include "console/status_panels.h"
#include "console/vardel.h"
#include "console/virtual_listbox.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "support/scoped_environment.h"

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override { OpenWindow(); }
    void TearDown() override { window.reset(); }

    // A new window over the same settings and state folders, as a restart.
    void OpenWindow(const QString& scriptFile = QString()) {
        window.reset();
        window = std::make_unique<TfVardel>(scriptFile);
        TcWindowDialogs& dialogs = window->Dialogs;
        dialogs.ShowError = [this](const QString& text) {
            Errors.append(text);
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
        };
        dialogs.ShowMessage = [this](const QString& text) { Messages.append(text); };
        dialogs.AskYesNo = [this](const QString&, const QString& text) {
            Questions.append(text);
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            return true;
        };
        dialogs.AskYesNoCancel = [this](const QString&, const QString& text) {
            Questions.append(text);
            return DisconnectAnswer;
        };
        dialogs.AskParameter = [this](const QString& name, QString& value) {
            Questions.append(name);
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            value = ParameterAnswer;
            return true;
        };
        dialogs.AskLogin = [this](QString& user, QString& password) {
            Questions.append(QStringLiteral("login ") + user);
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            user = QStringLiteral("SYSDBA");
            password = QStringLiteral("masterkey");
        };
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QsciScintilla& Editor() { return *window->Editor; }
    TmVirtualListbox& Output() { return *window->Output; }
    QString Panel(TcStatusPanels::TPanel panel) { return window->StatusPanels().Text(panel); }
    std::string DatabasePath() const { return folder.File("window.fdb"); }
    QString Connect() const {
        return QStringLiteral("CONNECT '%1' USER 'SYSDBA' PASSWORD 'masterkey';")
            .arg(QString::fromStdString(DatabasePath()));
    }

    // Presses keys on the editor, as the user does.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->Editor, static_cast<Qt::Key>(key), modifiers);
    }
    // Types the lines into the editor, each ended by Enter but the last.
    void Type(const QStringList& lines) {
        Editor().setFocus();
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) Press(Qt::Key_Return);
            QTest::keyClicks(window->Editor, lines[i]);
        }
    }
    // Waits for the run that the trigger starts to end; its success.
    template <class Trigger>
    bool RunAndWait(Trigger&& trigger) {
        QSignalSpy ended(window.get(), &TfBaseVardel::RunFinished);
        trigger();
        EXPECT_TRUE(window->Running() || !ended.isEmpty());
        if (ended.isEmpty() && !ended.wait(120000)) {
            ADD_FAILURE() << "the run did not end";
            return false;
        }
        return ended.front().front().toBool();
    }
    // Puts the script in the editor and presses Ctrl+E.
    bool Execute(const QString& script) {
        Editor().setText(script);
        return RunAndWait([this] { Press(Qt::Key_E, Qt::ControlModifier); });
    }
    // A database of the test's own, created through the window.
    void CreateDatabase() {
        ASSERT_TRUE(Execute(QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA' PASSWORD "
                                           "'masterkey';")
                                .arg(QString::fromStdString(DatabasePath()))));
    }
    QStringList OutputLines() {
        QStringList lines;
        for (const TmListLine& line : Output().Lines()) lines.append(line.Text);
        return lines;
    }
    // The output lines from the given one on.
    QStringList OutputFrom(int first) { return OutputLines().mid(first); }
    TColor LineColor(int line) {
        const auto* object = dynamic_cast<const TmTesselLine*>(Output().Lines()[line].Object.get());
        return object ? object->Color : clBlack;
    }

    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcTempDir folder;
    TcScopedEnvironment config{"TESSEL_CONFIG", folder.File("config/tessel.ini")};
    TcScopedEnvironment state{"XDG_STATE_HOME", folder.File("state")};
    std::unique_ptr<TfVardel> window;
    QStringList Errors, Messages, Questions;
    QString ParameterAnswer;
    int DisconnectAnswer = 0x00004000;  // QMessageBox::Yes
};
