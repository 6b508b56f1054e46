// The engine's event handlers. They run on the engine's thread: whatever they
// show travels through the notification hub's queue, and whatever they ask
// is asked on the window's thread while the run waits for the answer.

#include <QMessageBox>

#include "console/base_vardel.h"
#include "console/window_text.h"
#include "engine/parameter_value.h"
#include "foundation/language.h"
#include "scripter/scripter_view.h"

void TfBaseVardel::Post(int32_t number, TMessageData value) {
    Dispatcher->Post(this, number, value, mfOnlySender);
}

void TfBaseVardel::PostText(int32_t number, const std::string& text) {
    Dispatcher->PostText(this, number, text, mfOnlySender);
}

void TfBaseVardel::ShowStatementOutput() {
    if (DisplayOff) return;
    Post(wnCaption, 0);
    if (Engine->SuppressOutput) return;
    PostStatementOutput();
    Post(wnTransaction, Engine->InTransaction() ? 1 : 0);
}

void TfBaseVardel::PostStatementOutput() {
    // In parts, so that a cancel stops a large result between two of them
    // and the window never holds the whole text twice.
    constexpr size_t kLinesPerPart = 2000;
    std::string text;
    size_t lines = 0;
    Engine->View().WriteOutput([&](std::string_view line) {
        if (lines > 0) text += '\n';
        text += line;
        if (++lines < kLinesPerPart) return;
        if (cancelRequested_) throw EStatementCancelled();
        PostText(wnOutput, text);
        text.clear();
        lines = 0;
    });
    if (cancelRequested_) throw EStatementCancelled();
    if (lines > 0) PostText(wnOutput, text);
}

void TfBaseVardel::ShowProgramOutput(std::string_view lines) {
    if (DisplayOff || cancelRequested_) return;
    PostText(wnProgramOutput, std::string(lines));
}

void TfBaseVardel::WireEngineEvents() {
    TcDBScripter_IB& engine = *Engine;
    engine.OnBeforeStatement = [this](TcDBBaseScripter& sender, std::string& statement,
                                      bool& handled) {
        BeforeStatement(sender, statement, handled);
    };
    engine.OnAfterStatement = [this](TObject*, const std::string&, bool&) {
        ShowStatementOutput();
    };
    // In the output list below the statement's output, also while the
    // display is off: a note tells of a loss.
    engine.OnStatementNote = [this](TObject*, const std::string& text) {
        PostText(wnOutput, text);
    };
    engine.OnConnect = [this](TcDBBaseScripter& sender, const std::string& connectString) {
        PostText(wnConnectedUser, ConnectedUserText(sender.UserName, sender.RoleName));
        PostText(wnDatabase, connectString);
    };
    engine.OnBeforeDisconnect = [this](TcDBBaseScripter& sender, bool& cancel) {
        if (!sender.Connected() || !sender.InTransaction()) return;
        // Closing asked already, or no one is there to ask: rolled back.
        int answer = quiet_ ? QMessageBox::No : closeAnswer_.load();
        if (answer == 0)
            OnWindowThread([&] {
                answer = Dialogs.AskYesNoCancel(
                    Title,
                    QString::fromUtf8(Lang("Transaction active, commit before disconnecting?",
                                           "Transactie is actief, commit uitvoeren voor "
                                           "verbreken?")));
            });
        if (answer == QMessageBox::Yes)
            sender.Commit();
        else if (answer != QMessageBox::No)
            cancel = true;
    };
    engine.OnAfterDisconnect = [this](TcDBBaseScripter& sender) {
        PostText(wnConnectedUser, "");
        PostText(wnDatabase, "");
        Post(wnTransaction, 0);
        PostText(wnConnectCommand,
                 ConnectCommandText(sender.ConnectString(), sender.UserName, sender.Password,
                                    sender.RoleName, UserGiven, PasswordGiven));
    };
    engine.OnClientLibraryChanged = [this](TObject*, TClientLibraryChange reason,
                                           const std::string& library) {
        if (reason == TClientLibraryChange::Chosen) PostText(wnClientLibrary, library);
    };
    engine.OnParameterRequest = [this](TcDBBaseScripter&, const std::string& name,
                                       std::string& value) {
        QString answer;
        bool ok = false;
        if (!quiet_)
            OnWindowThread(
                [&] { ok = Dialogs.AskParameter(QString::fromStdString(name), answer); });
        value = ok ? QuoteParameterValue(answer.toStdString()) : std::string();
    };
    engine.OnLogin = [this](std::string&, std::string& user, std::string& password, std::string&) {
        UserGiven = !user.empty();
        PasswordGiven = !password.empty();
        if ((UserGiven && PasswordGiven) || quiet_) return;
        QString qUser = QString::fromStdString(user);
        QString qPassword = QString::fromStdString(password);
        OnWindowThread([&] { Dialogs.AskLogin(qUser, qPassword); });
        user = qUser.toStdString();
        password = qPassword.toStdString();
    };
}
