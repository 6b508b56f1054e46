#include "console/base_vardel.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/signal_watcher.h"
#include "console/dispatch_queue_qt.h"
#include "console/execution_runner.h"
#include "console/input_username_password.h"
#include "console/virtual_listbox.h"
#include "engine/statement_splitter.h"
#include "foundation/errors.h"
#include "foundation/scoped_value.h"
#include "scripter/password_mask.h"
#include "scripter/scripter_view.h"

namespace {

TcWindowDialogs StandardDialogs(QWidget* window) {
    TcWindowDialogs dialogs;
    dialogs.AskYesNoCancel = [window](const QString& caption, const QString& text) {
        return static_cast<int>(QMessageBox::question(
            window, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    };
    dialogs.AskYesNo = [window](const QString& caption, const QString& text) {
        return QMessageBox::question(window, caption, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    dialogs.AskParameter = [window](const QString& name, QString& value) {
        bool ok = false;
        value = QInputDialog::getText(window, QStringLiteral("Parameter requested"), name,
                                      QLineEdit::Normal, QString(), &ok);
        return ok;
    };
    dialogs.AskLogin = [window](QString& user, QString& password) {
        TfInputUsernamePassword::Ask(window, user, password);
    };
    dialogs.ShowError = [window](const QString& text) {
        QMessageBox::critical(window, QApplication::applicationDisplayName(), text);
    };
    dialogs.ShowMessage = [window](const QString& text) {
        QMessageBox::information(window, QApplication::applicationDisplayName(), text);
    };
    dialogs.ShowAbout = [window](const QString& caption, const QString& text) {
        QMessageBox::about(window, caption, text);
    };
    dialogs.Exit = [](int status) { QCoreApplication::exit(status); };
    return dialogs;
}

}  // namespace

TfBaseVardel::TfBaseVardel(QWidget* parent)
    : QMainWindow(parent), runner_(std::make_unique<TcExecutionRunner>(this)) {
    Dialogs = StandardDialogs(this);
    // As tessel-cli does after a signal: a statement whose echo was shown
    // but whose execution had not begun when Cancel came would miss a
    // single request.
    cancelRepeat_ = new QTimer(this);
    cancelRepeat_->setInterval(100);
    connect(cancelRepeat_, &QTimer::timeout, this, [this] {
        if (running_ && Engine) Engine->CancelRunningStatement();
    });
}

TfBaseVardel::~TfBaseVardel() {
    if (signals_ != nullptr) signals_->SetInterruptHandler(nullptr);
    // The worker first: a run still going is stopped and waited for, so that
    // nothing uses the engine below.
    if (Engine && runner_->Busy()) Engine->CancelRunningStatement();
    runner_.reset();
    if (Dispatcher) Dispatcher->RemoveListener(this);
    if (Engine) {
        // Nothing may reach the window from here on: it is being destroyed.
        Engine->OnBeforeStatement = nullptr;
        Engine->OnAfterStatement = nullptr;
        Engine->OnStatementNote = nullptr;
        Engine->OnConnect = nullptr;
        Engine->OnBeforeDisconnect = nullptr;
        Engine->OnAfterDisconnect = nullptr;
        Engine->OnClientLibraryChanged = nullptr;
        Engine->OnParameterRequest = nullptr;
        Engine->OnLogin = nullptr;
        Engine->OwnerWindow = nullptr;
        // A failing rollback or detach at the end has no one left to tell;
        // the server ends the attachment in any case.
        try {
            Engine->Close();
        } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): see above
        }
    }
}

QAction* TfBaseVardel::Action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

void TfBaseVardel::OnWindowThread(const std::function<void()>& fn) const {
    runner_->OnWindowThread(fn);
}

void TfBaseVardel::InitialiseBase() {
    if (Title.isEmpty()) Title = QStringLiteral("Tessel");
    if (Output == nullptr) RaiseDeveloperFmt("%s", "Output is not assigned");
    Output->SetColumns(32768);
    Output->installEventFilter(this);
    Output->SetWrapLines(false);
    Output->OnGetItemColor = [](TmVirtualListbox*, int, TmVirtualListBoxLine* object, QColor& text,
                                QColor&) {
        if (const auto* line = dynamic_cast<TmTesselLine*>(object))
            text = TColorToQColor(line->Color);
    };
    Output->SetMultiSelect(true);

    if (Editor == nullptr) RaiseDeveloperFmt("%s", "SynEdit is not assigned");
    connect(Editor, &QsciScintilla::cursorPositionChanged, this, [this](int line, int index) {
        const std::string text = Format("%d: %d", line + 1, index + 1);
        if (Dispatcher)
            Dispatcher->Send(this, wnCaret, reinterpret_cast<TMessageData>(&text), mfOnlySender);
    });
    Editor->setTabWidth(1);

    setWindowTitle(Title);
    StatementHistory.MaxCount = 25;
    StatementHistory.SingleEntryRecall = true;
    ConnectHistory.MaxCount = 25;
    ConnectHistory.SingleEntryRecall = true;

    Engine = CreateEngine();
    Engine->OwnerWindow = this;
    WireEngineEvents();
    Engine->WarnOnRecordsReturned = 1000;
    // SLEEP waits on the engine's thread, so the window stays alive; Cancel
    // ends the wait as it ends a statement.
    Engine->Sleeper = [this](int64_t milliseconds) {
        using namespace std::chrono;
        const auto end = steady_clock::now() + duration<int64_t, std::milli>(milliseconds);
        for (auto now = steady_clock::now(); now < end; now = steady_clock::now()) {
            if (cancelRequested_) throw EStatementCancelled();
            std::this_thread::sleep_for(std::min<steady_clock::duration>(end - now, 50ms));
        }
    };

    CreateActions();
    CreateMenus();
}

std::unique_ptr<TcDBScripter_IB> TfBaseVardel::CreateEngine() {
    return std::make_unique<TcDBScripter_IB>();
}

QString TfBaseVardel::GetEditorText() const {
    return Editor->text();
}

void TfBaseVardel::SetEditorText(const QString& text) {
    Editor->setText(text);
}

void TfBaseVardel::WriteBanner() {}

void TfBaseVardel::ClientLibraryChanged(const QString&) {}

void TfBaseVardel::Execute() {
    BaseExecute(GetEditorText());
}

void TfBaseVardel::BaseExecute(const QString& text) {
    if (running_) return;
    StatementHistory.Add(text.toStdString());
    // In the history already: a failed run leaves it in the editor, and
    // that is no draft.
    recalled_ = text;
    firstNewRow_ = Output->RowCount();
    Output->ClearSelection();
    userRun_ = true;
    StartRun([this, script = text.toStdString()] {
        const std::string terminator = Engine->Terminator();
        try {
            Engine->ExecuteScript(script);
        } catch (const EStatementCancelled& e) {
            // Shown like any failure, but without the error box: the user
            // asked for the stop and needs no box to confirm it.
            Engine->SetTerminator(terminator);
            PostText(wnFailedStatement, HidePasswords(announced_));
            PostText(wnRunCancelled, e.what());
            Post(wnRunEnded, 0);
            return;
        } catch (const std::exception& e) {
            Engine->SetTerminator(terminator);
            PostText(wnFailedStatement, HidePasswords(announced_));
            PostText(wnRunFailed, ShownError(e));
            Post(wnRunEnded, 0);
            return;
        }
        Post(wnRunEnded, 1);
    });
}

void TfBaseVardel::RunInternal(const std::string& text, bool trimCharFields) {
    if (running_) return;
    userRun_ = false;
    StartRun([this, text, trimCharFields] {
        try {
            {
                TcScopedValue<bool> trim(Engine->TrimCharFields,
                                         trimCharFields || Engine->TrimCharFields);
                TcInternalExecution internal(*Engine);
                Engine->ExecuteScript(text);
            }
            ShowStatementOutput();
        } catch (const std::exception& e) {
            PostText(wnInternalFailed, e.what());
            Post(wnRunEnded, 0);
            return;
        }
        Post(wnRunEnded, 1);
    });
}

void TfBaseVardel::StartRun(std::function<void()> job) {
    cancelRequested_ = false;
    announced_.clear();
    SetRunning(true);
    runner_->Start(std::move(job));
}

void TfBaseVardel::SetRunning(bool running) {
    running_ = running;
    for (const char* name : {"actExecute", "actExecute2", "actExecuteBlock", "actSelectFromBlock",
                             "actDescribeBlock", "actForeignKeysOfBlock", "actHelp", "actLoad"})
        if (QAction* action = Action(name)) action->setEnabled(!running);
    if (QAction* cancel = Action("actCancel")) cancel->setEnabled(running);
    // The text being run stays as it is until the run ends: a failing run
    // keeps it, a successful one empties the editor.
    Editor->setReadOnly(running);
    if (running)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfBaseVardel::Cancel() {
    if (!running_ || !Engine) return;
    cancelRequested_ = true;
    Engine->CancelRunningStatement();
    cancelRepeat_->start();
}

void TfBaseVardel::EndRun(bool ok) {
    cancelRepeat_->stop();
    setWindowTitle(Title);
    if (cancelRequested_) ReleaseCancelledResult();
    SetRunning(false);
    if (shownConnected_ && !Engine->Connected()) {
        // Gone without a disconnect (the server ended it, the network
        // failed): the panels must not go on naming it.
        shownConnected_ = false;
        connectionLost_ = true;
        ShowConnectionLost();
    }
    // The run got through, but the user stopped its output part way.
    if (userRun_ && ok && cancelRequested_) Output->AddText(EStatementCancelled().what());
    if (userRun_ && ok) SetEditorText(QString());
    if (userRun_) {
        Output->SetItemIndex(firstNewRow_);
        // Current, not highlighted: a highlighted row would hide the red of
        // a failing statement, and the user reads from here.
        Output->ClearSelection();
        Output->viewport()->update();
        if (ok) Output->setFocus();
    }
    RunHasEnded(ok);
    emit RunFinished(ok);
    if (closePending_) {
        closePending_ = false;
        close();
    }
}

void TfBaseVardel::ReleaseCancelledResult() {
    // The job has posted its end and never waits for this thread after
    // that, so the engine is idle once it has returned.
    runner_->WaitIdle();
    Engine->ClearStatementResult();
}

void TfBaseVardel::AddOutputText(const QString& text) {
    Output->AddText(text);
    FollowOutput();
}

void TfBaseVardel::AddOutputLines(const QStringList& lines) {
    Output->AddLines(lines);
    FollowOutput();
}

void TfBaseVardel::FollowOutput() {
    Output->ClearSelection();
    Output->SetItemIndex(Output->RowCount() - 1);
    Output->horizontalScrollBar()->setValue(0);
    emit OutputShown();
}

void TfBaseVardel::AddRedLine(const QString& text) {
    Output->AddText(text, (new TmTesselLine)->SetColor(clRed));
}

void TfBaseVardel::HandleNotification(const void*, int32_t number, TMessageData data, bool& handled,
                                      int32_t&) {
    const auto text = [data] {
        return QString::fromStdString(*reinterpret_cast<const std::string*>(data));
    };
    handled = true;
    switch (number) {
        case wnStatement:
            LastStatement = text();
            if (!DisplayOff) setWindowTitle(QStringLiteral("%1 - %2").arg(Title, LastStatement));
            break;
        case wnCaption:
            setWindowTitle(Title);
            break;
        case wnOutput:
            // What was still on its way when the user cancelled is dropped:
            // the window answers at once instead of drawing it all.
            if (!cancelRequested_) AddOutputText(text());
            break;
        case wnProgramOutput:
            if (!cancelRequested_) {
                // Split at line feeds alone, so that an empty line a
                // program wrote is kept as one.
                QStringList lines = text().split(QLatin1Char('\n'));
                for (QString& line : lines)
                    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
                AddOutputLines(lines);
            }
            break;
        case wnFailedStatement:
            LastStatement = text();
            break;
        case wnConnectedUser:
            shownConnected_ = !text().isEmpty();
            if (shownConnected_) connectionLost_ = false;
            handled = false;  // the layout class shows it
            break;
        case wnConnectCommand:
            ConnectHistory.Add(text().toStdString());
            ConnectCommandChanged(text());
            break;
        case wnClientLibrary:
            ClientLibraryChanged(text());
            break;
        case wnRunFailed:
        case wnRunCancelled:
            firstNewRow_ = Output->RowCount();
            if (!Engine->Echo) AddRedLine(LastStatement);
            Output->AddText(text());
            if (number == wnRunFailed && !quiet_) Dialogs.ShowError(text());
            break;
        case wnInternalFailed:
        case wnMessage:
            if (quiet_)
                std::fprintf(stderr, "%s\n", text().toLocal8Bit().constData());
            else if (number == wnMessage)
                Dialogs.ShowMessage(text());
            else
                Dialogs.ShowError(text());
            break;
        case wnRunEnded:
            EndRun(data != 0);
            break;
        default:
            handled = false;
    }
}

void TfBaseVardel::BeforeStatement(TcDBBaseScripter&, std::string& statement, bool& handled) {
    handled = false;
    announced_ = statement;
    // The caption is shown as the echo is: without a password.
    if (!DisplayOff) PostText(wnStatement, HidePasswords(statement));
}

std::string TfBaseVardel::ShownError(const std::exception& error) const {
    return HidePasswordWords(error.what(), announced_);
}

bool TfBaseVardel::AskYesNo(const std::string& caption, const std::string& text) {
    bool answer = false;
    if (quiet_) return answer;
    OnWindowThread([&] {
        answer = Dialogs.AskYesNo(QString::fromStdString(caption), QString::fromStdString(text));
    });
    return answer;
}

void TfBaseVardel::WriteConnectString() {
    QString text;
    if (ConnectHistory.Count() > 1) {
        if (!ConnectHistory.CanGoPrevious()) ConnectHistory.MoveToEnd();
        std::string previous;
        ConnectHistory.Previous(previous);
        text = QString::fromStdString(previous);
    } else {
        text = StoreConnect ? StoredConnectString() : QString();
        if (text.isEmpty()) text = QStringLiteral("CONNECT '");
    }
    if (!text.isEmpty()) {
        SetEditorText(text);
        recalled_ = text;  // no draft of the user's
        // The user goes on typing where the command leaves off.
        int line = 0, index = 0;
        Editor->lineIndexFromPosition(Editor->length(), &line, &index);
        Editor->setCursorPosition(line, index);
    }
    ConnectHistory.Add(text.toStdString());
    std::string ignored;
    ConnectHistory.Previous(ignored);
}

bool TfBaseVardel::eventFilter(QObject* watched, QEvent* event) {
    // A character typed into the output list goes to the editor.
    if (watched == Output && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        if (!command && !typed.isEmpty() && typed.front().unicode() > 31 &&
            typed.front().unicode() != 127 && !Editor->isReadOnly()) {
            Editor->setFocus();
            Editor->replaceSelectedText(typed);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
