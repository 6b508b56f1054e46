#include "console/vardel.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/tessel.h"
#include "console/dispatch_queue_qt.h"
#include "console/editor_completion.h"
#include "console/editor_setup.h"
#include "console/history_file.h"
#include "console/output_find_bar.h"
#include "console/settings_file.h"
#include "console/status_panels.h"
#include "console/virtual_listbox.h"
#include "console/window_commands.h"
#include "engine/base_scripter.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "mdo/login_dialog.h"

TfVardel::TfVardel(const QString& scriptFile, QWidget* parent) : TfBaseVardel(parent) {
    panels_ = std::make_unique<TcStatusPanels>(*statusBar());
    Language = TLanguage::English;
    CreateLayout();
    Dispatcher = std::make_unique<TcQtMessageDispatch>();
    Dispatcher->OnDeliveryError = [this](const std::exception& e) {
        Dialogs.ShowError(QString::fromUtf8(e.what()));
    };

    TcSettingsFile settings;
    ApplyColorScheme(settings.ReadString(QStringLiteral("Color_Scheme"))
                         .compare(QLatin1String("CLASSIC"), Qt::CaseInsensitive) == 0);

    // The base window: engine, events, actions, histories.
    InitialiseBase();
    LoadHistory(StatementHistory);
    QList<QKeySequence> windowKeys;
    for (QAction* action : actions()) windowKeys.append(action->shortcuts());
    ConfigureEditor(*Editor, windowKeys);
    ApplyColorScheme(classic_);
    StoreConnect = settings.ReadBool(QStringLiteral("Store_Connect"), false);
    WriteConnectString();
    WriteBanner();
    Dispatcher->AddListener(this, [this](const void* sender, int32_t number, TMessageData data,
                                         bool& handled, int32_t& result) {
        HandleNotification(sender, number, data, handled, result);
    });
    const std::pair<int32_t, const char*> numbers[] = {
        {wnConnectedUser, "Connected username changed"},
        {wnDatabase, "Connected databasename changed"},
        {wnTransaction, "Transaction status"},
        {wnCaret, "Caret position in input field changed"}};
    for (const auto& [number, description] : numbers)
        if (!Dispatcher->IsRegistered(number)) Dispatcher->RegisterMessage(number, description);

    Engine->CharacterSet = settings.ReadString(QStringLiteral("CHARACTER_SET")).toStdString();
    ReplayClientLibrary(settings.ReadString(QStringLiteral("CLIENT_LIBRARY")));

    RegisterWindowCommands(Engine->Commands, *this);
    aids_ = new TcEditorAids(*Editor);
    completion_ = InstallCompletion(*Editor, [this](const TCompletionWord& word) {
        // A run holds the engine: the names read last serve meanwhile.
        if (!Running()) catalogue_.Refresh(*Engine);
        return catalogue_.Complete(word.Qualifier, word.Prefix);
    });
    InstallLoginDialog();

    QString recovered;
    const bool hasRecovered = ReadRecoveryFile(recovered);
    if (!scriptFile.isEmpty()) {
        LoadStartScript(scriptFile);
        // The script takes the editor, but the text of an interrupted run
        // is never thrown away: it is kept in a file of its own, named here.
        if (hasRecovered) {
            const QString kept = KeepRecoveryFile();
            Output->AddText(
                kept.isEmpty()
                    ? QStringLiteral("The text of an interrupted run is still in %1.")
                          .arg(RecoveryFilePath())
                    : QStringLiteral("The text of an interrupted run was kept in %1.").arg(kept),
                (new TmTesselLine)->SetColor(clRed));
        }
    } else if (hasRecovered) {
        SetEditorText(recovered);
        // Safe in the editor now; the next Execute writes it again.
        DeleteRecoveryFile();
    }
    ReadRecentFiles(settings);
    RestoreWindowState(settings);
    Editor->setFocus();
}

TfVardel::~TfVardel() {
    LoginDialog() = nullptr;
    SaveWindowState();
}

void TfVardel::LoadStartScript(const QString& scriptFile) {
    SetEditorText(QString());
    // A file that cannot be opened leaves the editor empty without a word;
    // one that opens but is refused (no text) says why.
    if (!QFileInfo(scriptFile).isReadable()) return;
    try {
        SetEditorText(
            QString::fromStdString(ReadScriptFile(QFile::encodeName(scriptFile).toStdString())));
    } catch (const std::exception& e) {
        Output->AddText(QString::fromUtf8(e.what()), (new TmTesselLine)->SetColor(clRed));
    }
}

void TfVardel::CreateLayout() {
    topPanel_ = new QWidget;
    topPanel_->setObjectName(QStringLiteral("TopPanel"));
    auto* top = new QVBoxLayout(topPanel_);
    top->setContentsMargins(4, 4, 4, 4);
    Editor = new QsciScintilla(topPanel_);
    Editor->setObjectName(QStringLiteral("Editor"));
    top->addWidget(Editor);

    bottomPanel_ = new QWidget;
    bottomPanel_->setObjectName(QStringLiteral("BottomPanel"));
    auto* bottom = new QVBoxLayout(bottomPanel_);
    // The spacer panels at the top and left of the output list.
    bottom->setContentsMargins(5, 5, 0, 0);
    Output = new TmVirtualListbox(bottomPanel_);
    Output->setObjectName(QStringLiteral("Output"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Output->setFont(font);
    bottom->addWidget(Output);
    FindBar = new TcOutputFindBar(*Output, bottomPanel_);
    bottom->addWidget(FindBar);

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->addWidget(topPanel_);
    splitter_->addWidget(bottomPanel_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 2);
    splitter_->setSizes({220, 380});
    setCentralWidget(splitter_);
}

std::unique_ptr<TcDBScripter_IB> TfVardel::CreateEngine() {
    auto engine = std::make_unique<TcTessel>();
    engine->StartTransactionModel = TStartTransactionModel::Implicit;
    const QString mode = TcSettingsFile().ReadString(QStringLiteral("TRANSACTION_MODE"));
    if (mode.compare(QLatin1String("READONLY"), Qt::CaseInsensitive) == 0)
        engine->TransactionMode = TTransactionMode::ReadOnly;
    else if (mode.compare(QLatin1String("READCOMMITTED"), Qt::CaseInsensitive) == 0)
        engine->TransactionMode = TTransactionMode::ReadCommitted;
    // A program started by EXECUTE PROGRAM is waited for until Cancel.
    engine->KeepWaiting = [this] { return !CancelRequested(); };
    // What the program writes is shown in the output list, not lost on the
    // window's own standard output.
    engine->OnProgramOutput = [this](std::string_view lines) { ShowProgramOutput(lines); };
    return engine;
}

QString TfVardel::AboutText() const {
    return QString::fromStdString(TesselBannerLines(*Engine).front()) +
           QStringLiteral("\nAn SQL console for Firebird databases.\nQt %1, QScintilla %2.")
               .arg(QString::fromLatin1(qVersion()), QStringLiteral(QSCINTILLA_VERSION_STR));
}

void TfVardel::WriteBanner() {
    for (const std::string& line : TesselBannerLines(*Engine))
        Output->AddText(QString::fromStdString(line));
}

void TfVardel::ReplayClientLibrary(const QString& library) {
    if (library.isEmpty()) return;
    // The engine is idle at start-up, so the window may run it directly.
    try {
        TcInternalExecution internal(*Engine);
        Engine->ExecuteScript("SET CLIENT_LIBRARY " + library.toStdString());
    } catch (const std::exception& e) {
        Output->AddText(QString::fromUtf8(e.what()), (new TmTesselLine)->SetColor(clRed));
    }
}

void TfVardel::InstallLoginDialog() {
    // The access layer's own logins (the service manager's) ask through the
    // same dialog, on the window's thread.
    LoginDialog() = [this](TMDOLoginRequest& request) {
        OnWindowThread([&] {
            QString user = QString::fromStdString(request.UserName);
            QString password = QString::fromStdString(request.Password);
            Dialogs.AskLogin(user, password);
            request.UserName = user.toStdString();
            request.Password = password.toStdString();
        });
        return true;
    };
}

void TfVardel::Execute() {
    if (Running()) return;
    // A text that cannot be kept must not stop the execution.
    WriteRecoveryFile(GetEditorText());
    executing_ = true;
    // Read while the engine is idle: the run starts on its own thread.
    const std::string terminator = Engine->Terminator();
    TfBaseVardel::Execute();
    // The text is in the history now; kept for the next start. A history
    // that cannot be kept must not stop the execution either.
    SaveHistory(StatementHistory, terminator);
}

void TfVardel::RunHasEnded(bool) {
    if (!executing_) return;
    executing_ = false;
    DeleteRecoveryFile();
}

QString TfVardel::StoredConnectString() const {
    return TcSettingsFile().ReadString(QStringLiteral("LastConnectString"));
}

void TfVardel::ConnectCommandChanged(const QString& command) {
    if (StoreConnect) TcSettingsFile().WriteString(QStringLiteral("LastConnectString"), command);
}

void TfVardel::ShowConnectionLost() {
    panels_->SetText(TcStatusPanels::User, QString());
    panels_->SetText(TcStatusPanels::Transaction, QString());
    panels_->SetText(TcStatusPanels::Database, QStringLiteral("Connection lost"));
    Output->AddText(QStringLiteral("The connection to the database was lost."),
                    (new TmTesselLine)->SetColor(clRed));
}

void TfVardel::ClientLibraryChanged(const QString& library) {
    panels_->SetText(TcStatusPanels::Library, library);
}

void TfVardel::HandleNotification(const void* sender, int32_t number, TMessageData data,
                                  bool& handled, int32_t& result) {
    const auto text = [data] {
        return QString::fromStdString(*reinterpret_cast<const std::string*>(data));
    };
    handled = true;
    switch (number) {
        case wnCaret:
            panels_->SetText(TcStatusPanels::Caret, text());
            break;
        case wnTransaction:
            panels_->SetText(TcStatusPanels::Transaction,
                             data != 0 ? QStringLiteral("TA") : QString());
            break;
        case wnConnectedUser:
            panels_->SetText(TcStatusPanels::User, text());
            TfBaseVardel::HandleNotification(sender, number, data, handled, result);
            break;
        case wnDatabase:
            panels_->SetText(TcStatusPanels::Database, text());
            break;
        default:
            TfBaseVardel::HandleNotification(sender, number, data, handled, result);
    }
}

bool TfVardel::ApplyColorScheme(bool classic) {
    classic_ = classic;
    const QColor back = TColorToQColor(classic ? clNavy : clWindow);
    const QColor text = TColorToQColor(classic ? clYellow : clBlack);
    for (QWidget* widget : {topPanel_, bottomPanel_, static_cast<QWidget*>(Output)}) {
        if (widget == nullptr) continue;
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::WindowText, text);
        widget->setAutoFillBackground(true);
        widget->setPalette(palette);
    }
    if (Output) {
        Output->viewport()->setAutoFillBackground(true);
        QPalette palette = Output->viewport()->palette();
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Text, text);
        Output->viewport()->setPalette(palette);
        // The scroll bars keep the theme's look in both schemes.
        for (QWidget* bar : {static_cast<QWidget*>(Output->horizontalScrollBar()),
                             static_cast<QWidget*>(Output->verticalScrollBar())}) {
            QPalette theme = QApplication::palette(bar);
            // Every role set, so that none is taken from the list's colours.
            theme.setResolveMask(~QPalette::ResolveMask(0));
            bar->setPalette(theme);
        }
        Output->SetSelectColorBackGround(TColorToQColor(clSilver));
        Output->SetSelectColorText(TColorToQColor(clNavy));
        Output->viewport()->update();
    }
    if (Editor && Editor->lexer()) ApplyEditorScheme(*Editor, classic);
    return TcSettingsFile().WriteString(
        QStringLiteral("Color_Scheme"),
        classic ? QStringLiteral("Classic") : QStringLiteral("Default"));
}
