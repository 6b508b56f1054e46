// The engine's event handlers. They run on the engine's thread: whatever they
// show travels through the notification hub's queue, and whatever they ask
// is asked on the window's thread while the run waits for the answer.

#include <QMessageBox>

#include "console/base_vardel.h"
#include "console/window_text.h"
#include "engine/parameter_value.h"
#include "foundation/language.h"
#include "scripter/database_commands.h"
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
    TStringList lines;
    Engine->View().BuildOutput(lines);
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    if (!lines.empty()) PostText(wnOutput, text);
    Post(wnTransaction, Engine->InTransaction() ? 1 : 0);
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
    engine.OnConnect = [this](TcDBBaseScripter& sender, const std::string& connectString) {
        PostText(wnConnectedUser, ConnectedUserText(sender.UserName, sender.RoleName));
        PostText(wnDatabase, connectString);
    };
    engine.OnBeforeDisconnect = [this](TcDBBaseScripter& sender, bool& cancel) {
        if (!sender.Connected() || !sender.InTransaction()) return;
        int answer = 0;
        OnWindowThread([&] {
            answer = Dialogs.AskYesNoCancel(
                Title, QString::fromUtf8(Lang("Transaction active, commit before disconnecting?",
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
    engine.OnClientLibraryChanged = [this](TObject* sender, const std::string& library) {
        if (dynamic_cast<TpsSetClientLibrary*>(sender) != nullptr)
            PostText(wnClientLibrary, library);
    };
    engine.OnParameterRequest = [this](TcDBBaseScripter&, const std::string& name,
                                       std::string& value) {
        QString answer;
        bool ok = false;
        OnWindowThread([&] { ok = Dialogs.AskParameter(QString::fromStdString(name), answer); });
        value = ok ? QuoteParameterValue(answer.toStdString()) : std::string();
    };
    engine.OnLogin = [this](std::string&, std::string& user, std::string& password, std::string&) {
        UserGiven = !user.empty();
        PasswordGiven = !password.empty();
        if (UserGiven && PasswordGiven) return;
        QString qUser = QString::fromStdString(user);
        QString qPassword = QString::fromStdString(password);
        OnWindowThread([&] { Dialogs.AskLogin(qUser, qPassword); });
        user = qUser.toStdString();
        password = qPassword.toStdString();
    };
}
