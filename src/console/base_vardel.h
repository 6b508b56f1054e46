#pragma once
// TfBaseVardel: the console window's logic, apart from its layout. The editor
// above, the output list below; Execute hands the editor's text to the engine
// and shows each statement's output as it completes.
//
// Threading: the widgets, the histories and every member here belong to the
// window's thread. The engine runs on the runner's worker thread, one run at
// a time (Execute is disabled while one runs, Cancel enabled): its event
// handlers run there and reach the window only through the notification
// hub's queue, in order, or through a question that the runner asks on the
// window's thread while the run waits. Between runs the engine is idle and
// the window may use it directly (start-up, closing).

#include <QMainWindow>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "foundation/history_list.h"
#include "foundation/message_dispatch.h"
#include "scripter/scripter_ib.h"

class QAction;
class QMenu;
class QsciScintilla;
class TmVirtualListbox;
class QTimer;
class TcExecutionRunner;
class TcOutputFindBar;
class TcSignalWatcher;

// Notifications of the window to itself beside the four status numbers;
// numbers above 999999999 need no registration.
enum TWindowNotification : int32_t {
    wnConnectedUser = 2000,
    wnDatabase = 2001,
    wnTransaction = 2002,
    wnCaret = 2003,
    wnStatement = 1000000001,        // text: a statement begins
    wnOutput = 1000000002,           // text: a statement's output lines
    wnCaption = 1000000003,          // the caption goes back to Title
    wnConnectCommand = 1000000004,   // text: the connect command after a disconnect
    wnClientLibrary = 1000000005,    // text: SET CLIENT_LIBRARY chose a library
    wnRunFailed = 1000000006,        // text: the error that ended an Execute
    wnInternalFailed = 1000000007,   // text: the error of an internal run
    wnRunEnded = 1000000008,         // value: 1 after success
    wnRunCancelled = 1000000009,     // text: Cancel stopped an Execute
    wnMessage = 1000000010,          // text: words for the user, in a box
    wnFailedStatement = 1000000011,  // text: the statement that ended a run
    wnProgramOutput = 1000000012,    // text: lines a started program wrote
};

// The modal questions and boxes of the window, replaceable so that a test
// can answer them. Each is called on the window's thread.
struct TcWindowDialogs {
    // QMessageBox::Yes, No or Cancel.
    std::function<int(const QString& caption, const QString& text)> AskYesNoCancel;
    std::function<bool(const QString& caption, const QString& text)> AskYesNo;
    // False when cancelled.
    std::function<bool(const QString& name, QString& value)> AskParameter;
    // The user name/password dialog: both values in, whatever is left out.
    std::function<void(QString& user, QString& password)> AskLogin;
    std::function<void(const QString& text)> ShowError;
    std::function<void(const QString& text)> ShowMessage;
    // The About box.
    std::function<void(const QString& caption, const QString& text)> ShowAbout;
    // Ends the application's event loop with the status (after a signal).
    std::function<void(int status)> Exit;
};

class TfBaseVardel : public QMainWindow, public IOwnerWindow {
    Q_OBJECT

  public:
    explicit TfBaseVardel(QWidget* parent = nullptr);
    ~TfBaseVardel() override;

    // The window's state; see the class comment for the thread of each.
    QString Title;
    QString LastStatement;
    TcHistoryList ConnectHistory;
    TcHistoryList StatementHistory;
    bool StoreConnect = false;
    // Set by the engine's login on the worker, read there after a disconnect.
    std::atomic<bool> UserGiven{false};
    std::atomic<bool> PasswordGiven{false};
    // Read by the engine's handlers on the worker.
    std::atomic<bool> DisplayOff{false};
    QsciScintilla* Editor = nullptr;
    TmVirtualListbox* Output = nullptr;
    // The search bar over the output list, when the layout has one.
    TcOutputFindBar* FindBar = nullptr;
    std::unique_ptr<TcDBScripter_IB> Engine;
    std::unique_ptr<TcMessageDispatch> Dispatcher;
    TcWindowDialogs Dialogs;

    // The actions, by name, for menus, the toolbar and tests.
    QAction* Action(const char* name) const;

    // Writes every output line (the logical lines, unwrapped) to the file;
    // false, with the reason shown, when it cannot.
    bool SaveOutputTo(const QString& fileName);
    // The file's text replaces the editor's; false, with the reason shown,
    // when it cannot be read.
    bool LoadScriptFrom(const QString& fileName);
    // Writes the editor's text to the file; false, with the reason shown,
    // when it cannot.
    bool SaveScriptTo(const QString& fileName);
    // Fills the pop-up menu of the editor and the output list, in its order.
    void FillPopupMenu(QMenu& menu);

    // A run of the engine is on its way: from Execute until its output and
    // its end have reached the window.
    bool Running() const { return running_; }
    // Execute: the editor's whole text (overridden by the layout class for
    // the recovery file).
    virtual void Execute();
    // Stops the running statement; nothing while none runs.
    void Cancel();
    // Runs fn on the window's thread and returns after it (for commands
    // that act on the window from the engine's thread).
    void OnWindowThread(const std::function<void()>& fn) const;

    // SIGINT and SIGTERM end the window through the watcher, which must
    // outlive the window: see EndBySignal.
    void WatchSignals(TcSignalWatcher& watcher);
    // The end a signal asks for: nothing is asked any more, the running
    // statement is stopped, the transaction rolled back, the database
    // detached, the window closed and the event loop ended with the status
    // (128 + the signal).
    void EndBySignal(int status);
    // The window showed a connection that the engine has since lost.
    bool ConnectionLost() const { return connectionLost_; }

    // The records question of the scripter (Part of IOwnerWindow), asked on
    // the window's thread whichever thread asks.
    bool AskYesNo(const std::string& caption, const std::string& text) override;

  signals:
    // A run has ended and everything it showed has reached the window.
    void RunFinished(bool ok);
    // Lines of a statement's output have reached the output list.
    void OutputShown();

  protected:
    // Virtual operations, in slot order.
    virtual void HandleNotification(const void* sender, int32_t number, TMessageData data,
                                    bool& handled, int32_t& result);
    virtual void BeforeStatement(TcDBBaseScripter& engine, std::string& statement, bool& handled);
    virtual void ClientLibraryChanged(const QString& library);
    virtual void WriteBanner();
    virtual std::unique_ptr<TcDBScripter_IB> CreateEngine();
    virtual QString GetEditorText() const;
    virtual void SetEditorText(const QString& text);

    // The base window's creation, once Editor, Output and Dispatcher exist.
    void InitialiseBase();
    // Base execution: runs text as the user's script, with the error display.
    void BaseExecute(const QString& text);
    // Runs text internally (no events, no echo), then shows its output; its
    // errors reach the error box only.
    void RunInternal(const std::string& text, bool trimCharFields = false);
    // Writes the connect command into the editor (Ctrl+L, and at start-up).
    void WriteConnectString();
    // Hook of the layout class: the last stored connect command.
    virtual QString StoredConnectString() const { return {}; }
    // Hook of the layout class: after a disconnect, with the connect command.
    virtual void ConnectCommandChanged(const QString&) {}
    // Lines that a program started by the run wrote (engine's thread): shown
    // in the output list as they come, unless DISPLAY is off.
    void ShowProgramOutput(std::string_view lines);
    // Cancel was asked for during the run in hand (any thread).
    bool CancelRequested() const { return cancelRequested_; }
    // Called after every run once its end has reached the window.
    virtual void RunHasEnded(bool) {}
    // Hook of the layout class: the connection shown was lost.
    virtual void ShowConnectionLost() {}
    // Hook of the layout class: a script file was loaded or saved.
    virtual void ScriptFileUsed(const QString&) {}
    // The About box's text.
    virtual QString AboutText() const { return Title; }
    // The File menu's list of recent files, for the layout class to fill.
    QMenu* RecentFilesMenu() const { return recentMenu_; }
    // No one may be asked any more (a signal is ending the window): the
    // questions take their cautious answer, boxes become standard error.
    bool Quiet() const { return quiet_; }

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void ShowPopupMenu(QWidget* widget, const QPoint& at);
    void WireEngineEvents();
    // The OnAfterStatement handler; runs on the engine's thread.
    void ShowStatementOutput();
    void Post(int32_t number, TMessageData value);
    void PostText(int32_t number, const std::string& text);
    void StartRun(std::function<void()> job);
    void SetRunning(bool running);
    void EndRun(bool ok);
    // The error's message as the window shows it: a password of the
    // statement that failed, quoted back by the server, is hidden (engine's
    // thread, while the run is in hand).
    std::string ShownError(const std::exception& error) const;
    void AddOutputText(const QString& text);
    void AddOutputLines(const QStringList& lines);
    // The list shows its newest line after an addition.
    void FollowOutput();
    void AddRedLine(const QString& text);
    // The block commands: act on the editor's selection when there is one.
    QString SelectedBlock() const;
    void ExecuteBlock();
    void SelectFromBlock();
    void DescribeBlock();
    void ForeignKeysOfBlock();
    void HistoryPrevious();
    void HistoryNext();
    void LiteralCopy();
    void LiteralPaste();
    void LoadScript();
    void SaveScript();
    void SaveOutput();
    void PrintOutput();
    void CopyOutput();
    void PasteInput();
    void RequestClose();
    // Runs on the engine's thread: the statement's output, in parts, as long
    // as no cancel came.
    void PostStatementOutput();
    // The run's buffered rows, once it was cancelled: they are not shown.
    void ReleaseCancelledResult();
    // The editor's text when it is not what the history put there.
    QString Draft() const;
    void SetEditorFromHistory(const std::string& text);

    std::unique_ptr<TcExecutionRunner> runner_;
    bool running_ = false;
    // The run in hand is an Execute of the user's text (not an internal run).
    bool userRun_ = false;
    int firstNewRow_ = 0;
    bool closePending_ = false;
    bool closeAllowed_ = false;
    std::atomic<bool> cancelRequested_{false};
    // Asks the engine again, while the cancelled run lasts, to stop its
    // statement: one that had not begun when Cancel came is reached too.
    QTimer* cancelRepeat_ = nullptr;
    // The answer to the transaction question that closing asked already
    // (0: none yet), for the disconnect that follows.
    std::atomic<int> closeAnswer_{0};
    std::atomic<bool> quiet_{false};
    int exitStatus_ = 0;
    TcSignalWatcher* signals_ = nullptr;
    // The statement the engine announced last (engine's thread), so that a
    // failure names it even when DISPLAY is off. It is shown only through
    // the password masks.
    std::string announced_;
    bool shownConnected_ = false;
    bool connectionLost_ = false;
    // The text the history last put into the editor.
    QString recalled_;
    QString loadDirectory_;
    QMenu* recentMenu_ = nullptr;
};

// "SELECT ... I.RDB$RELATION_NAME='%s' ..." of the Foreign keys action.
extern const char* const kForeignKeysQuery;
