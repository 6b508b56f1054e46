// How the window ends: closed by the user (asking first about a running
// statement and an open transaction), or by SIGINT or SIGTERM (asking
// nothing).

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QSocketNotifier>

#include "app/signal_watcher.h"
#include "console/base_vardel.h"
#include "console/execution_runner.h"
#include "foundation/language.h"

void TfBaseVardel::closeEvent(QCloseEvent* event) {
    if (closeAllowed_ || !Engine) {
        event->accept();
        return;
    }
    event->ignore();
    if (closePending_) return;  // already on its way
    if (running_) {
        if (!quiet_) {
            // Asked before anything stops: Cancel leaves the statement
            // running and the window open.
            const int answer = Dialogs.AskYesNoCancel(
                Title, QString::fromUtf8(Lang("A statement is running. Stop it and commit the "
                                              "transaction before closing? (No: stop it and roll "
                                              "back; Cancel: let it run.)",
                                              "Er loopt een statement. Stoppen en de transactie "
                                              "committen voor het sluiten? (Nee: stoppen en "
                                              "terugdraaien; Annuleren: laten lopen.)")));
            if (answer != QMessageBox::Yes && answer != QMessageBox::No) return;
            closeAnswer_ = answer;
        }
        // Closing waits for the run to stop; the run's end closes again.
        closePending_ = true;
        Cancel();
        return;
    }
    RequestClose();
}

void TfBaseVardel::RequestClose() {
    // Disconnecting may ask about an open transaction; Cancel keeps the
    // window open. It runs as any run does, so the question is asked the
    // same way.
    userRun_ = false;
    // After a signal: the rollback and the detach must not be cancelled.
    if (exitStatus_ != 0 && signals_ != nullptr) signals_->SetInterruptHandler(nullptr);
    StartRun([this] {
        // What is still pending (a workbook with cells not written yet) is
        // written now: closing must not lose it without a word.
        try {
            const std::string note = Engine->EndOfRun();
            if (!note.empty()) PostText(wnMessage, note);
        } catch (const std::exception& e) {
            PostText(wnInternalFailed, e.what());
        }
        try {
            Engine->Disconnect();
        } catch (const std::exception& e) {
            PostText(wnInternalFailed, e.what());
        }
        const bool connected = Engine->Connected();
        Post(wnRunEnded, connected ? 0 : 2);
    });
    connect(
        this, &TfBaseVardel::RunFinished, this,
        [this](bool) {
            closeAnswer_ = 0;
            // After a signal the window ends whatever the disconnect did.
            if (Engine->Connected() && exitStatus_ == 0) return;
            closeAllowed_ = true;
            close();
            if (exitStatus_ != 0) Dialogs.Exit(exitStatus_);
        },
        Qt::SingleShotConnection);
}

void TfBaseVardel::WatchSignals(TcSignalWatcher& watcher) {
    signals_ = &watcher;
    // From the watcher's thread: stops whatever runs, as Esc does.
    watcher.SetInterruptHandler([this] {
        cancelRequested_ = true;
        if (Engine) Engine->CancelRunningStatement();
    });
    auto* notifier = new QSocketNotifier(watcher.InterruptFd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
        // The pipe stays readable: one end is enough.
        notifier->setEnabled(false);
        EndBySignal(signals_->ExitStatus());
    });
}

void TfBaseVardel::EndBySignal(int status) {
    if (exitStatus_ != 0) return;
    exitStatus_ = status;
    quiet_ = true;
    // A question open on the screen gives its cautious answer now.
    while (QWidget* modal = QApplication::activeModalWidget())
        if (!modal->close()) break;
    if (running_) {
        closePending_ = true;
        Cancel();
        return;
    }
    RequestClose();
}
