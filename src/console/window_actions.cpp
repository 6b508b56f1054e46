// The window's actions: captions, shortcuts, menus, and what each does.

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStyle>
#include <QToolBar>

#include "console/base_vardel.h"
#include "console/output_find_bar.h"
#include "console/virtual_listbox.h"
#include "console/window_text.h"
#include "engine/base_scripter.h"
#include "foundation/errors.h"
#include "scripter/catalogue_query.h"

const char* const kForeignKeysQuery =
    "SELECT    C.RDB$CONSTRAINT_NAME Constraint_name,    IS_.RDB$Field_Name Field_Name,    "
    "C2.RDB$RELATION_NAME Ref_Table_Name,    RC.RDB$CONST_NAME_UQ Ref_Constraint_name FROM    "
    "RDB$INDICES I    JOIN RDB$RELATION_CONSTRAINTS C ON I.RDB$INDEX_NAME=C.RDB$INDEX_NAME    "
    "JOIN RDB$REF_CONSTRAINTS RC ON C.RDB$CONSTRAINT_NAME=RC.RDB$CONSTRAINT_NAME    JOIN "
    "RDB$RELATION_CONSTRAINTS C2 ON C2.RDB$CONSTRAINT_NAME=RC.RDB$CONST_NAME_UQ    JOIN "
    "RDB$INDEX_SEGMENTS IS_ ON IS_.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE    "
    "(I.RDB$SYSTEM_FLAG<>1 OR I.RDB$SYSTEM_FLAG IS NULL) AND    C.RDB$CONSTRAINT_TYPE='FOREIGN "
    "KEY' AND    I.RDB$RELATION_NAME='%s' ORDER BY C.RDB$CONSTRAINT_NAME, "
    "IS_.RDB$FIELD_POSITION ";

namespace {

struct TActionDef {
    const char* Name;
    const char* Caption;
    const char* MenuCaption;  // when the menus say it otherwise
    QList<QKeySequence> Keys;
};

}  // namespace

void TfBaseVardel::CreateActions() {
    const auto add = [this](const TActionDef& def, auto handler) {
        auto* action = new QAction(QString::fromUtf8(def.Caption), this);
        action->setObjectName(QString::fromLatin1(def.Name));
        action->setShortcuts(def.Keys);
        if (def.MenuCaption) action->setProperty("menuCaption", QString::fromUtf8(def.MenuCaption));
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };
    const auto key = [](QKeyCombination combination) { return QKeySequence(combination); };
    add({"actExecute", "Execute", nullptr, {key(Qt::CTRL | Qt::Key_E)}}, [this] { Execute(); });
    add({"actExecute2",
         "Execute",
         nullptr,
         {key(Qt::CTRL | Qt::Key_Return), key(Qt::CTRL | Qt::Key_Enter)}},
        [this] { Execute(); });
    add({"actCancel", "Cancel", nullptr, {key(Qt::Key_Escape)}}, [this] {
        Cancel();
    })->setEnabled(false);
    add({"actExecuteBlock", "Execute <block>", nullptr, {key(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}},
        [this] { ExecuteBlock(); });
    add({"actSelectFromBlock",
         "SELECT * FROM <block>",
         nullptr,
         {key(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}},
        [this] { SelectFromBlock(); });
    add({"actDescribeBlock", "Describe <block>", nullptr, {key(Qt::CTRL | Qt::SHIFT | Qt::Key_D)}},
        [this] { DescribeBlock(); });
    add({"actForeignKeysOfBlock",
         "Foreignkeys of <block>",
         "Foreign keys of <block>",
         {key(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}},
        [this] { ForeignKeysOfBlock(); });
    add({"actPrevious", "Previous", nullptr, {key(Qt::CTRL | Qt::Key_P)}},
        [this] { HistoryPrevious(); });
    add({"actNext", "Next", nullptr, {key(Qt::CTRL | Qt::Key_N)}}, [this] { HistoryNext(); });
    add({"actClearInput", "Clear input", nullptr, {key(Qt::CTRL | Qt::Key_I)}}, [this] {
        if (!running_) SetEditorText(QString());
    });
    add({"actClearOutput", "Clear output", nullptr, {key(Qt::CTRL | Qt::Key_O)}},
        [this] { Output->ClearLines(); });
    add({"actConnectString", "Connect string", nullptr, {key(Qt::CTRL | Qt::Key_L)}}, [this] {
        if (running_) return;
        WriteConnectString();
        Editor->setFocus();
    });
    add({"actLiteralCopy", "Delphi copy", nullptr, {key(Qt::CTRL | Qt::ALT | Qt::Key_C)}},
        [this] { LiteralCopy(); });
    add({"actLiteralPaste", "Delphi paste", nullptr, {key(Qt::CTRL | Qt::ALT | Qt::Key_V)}},
        [this] { LiteralPaste(); });
    add({"actLoad", "Load", "Load script / statement", {key(Qt::CTRL | Qt::Key_Q)}},
        [this] { LoadScript(); });
    add({"actSaveScript", "Save script", nullptr, {key(Qt::CTRL | Qt::Key_S)}},
        [this] { SaveScript(); });
    add({"actSaveOutput", "Save output", nullptr, {}}, [this] { SaveOutput(); });
    add({"actPrintOutput", "Print output", nullptr, {}}, [this] { PrintOutput(); });
    add({"actHelp", "Help", nullptr, {key(Qt::Key_F1)}}, [this] { RunInternal("HELP"); });
    add({"actFind", "Find in output", nullptr, {key(Qt::CTRL | Qt::Key_F)}}, [this] {
        if (FindBar) FindBar->Open();
    });
    // F3 and Shift+F3 step on from wherever the focus is; with nothing to
    // find yet they open the bar.
    for (const auto& [name, caption, combination, forward] :
         {std::tuple{"actFindNext", "Find next", key(Qt::Key_F3), true},
          std::tuple{"actFindPrevious", "Find previous", key(Qt::SHIFT | Qt::Key_F3), false}})
        add({name, caption, nullptr, {combination}}, [this, forward = forward] {
            if (!FindBar) return;
            if (FindBar->Field().text().isEmpty()) {
                FindBar->Open();
                return;
            }
            FindBar->show();
            if (forward)
                FindBar->Next();
            else
                FindBar->Previous();
        });

    // Only while the output list has the focus: elsewhere these keys are the
    // editor's own.
    for (const auto& [name, keys, handler] :
         {std::tuple{"actCopyOutput",
                     QList<QKeySequence>{key(Qt::CTRL | Qt::Key_C), key(Qt::CTRL | Qt::Key_Insert)},
                     std::function<void()>([this] { CopyOutput(); })},
          std::tuple{"actPasteInput", QList<QKeySequence>{key(Qt::CTRL | Qt::Key_V)},
                     std::function<void()>([this] { PasteInput(); })}}) {
        auto* action = new QAction(Output);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, handler);
        Output->addAction(action);
    }

    add({"actAbout", "About Tessel", nullptr, {}},
        [this] { Dialogs.ShowAbout(QStringLiteral("About %1").arg(Title), AboutText()); });

    // One icon set: the style's own standard icons, for every action that
    // shows one (the toolbar, the menus, the find bar).
    const std::pair<const char*, QStyle::StandardPixmap> icons[] = {
        {"actExecute", QStyle::SP_MediaPlay},
        {"actCancel", QStyle::SP_MediaStop},
        {"actPrevious", QStyle::SP_ArrowBack},
        {"actNext", QStyle::SP_ArrowForward},
        {"actLoad", QStyle::SP_DialogOpenButton},
        {"actSaveScript", QStyle::SP_DialogSaveButton},
        {"actSaveOutput", QStyle::SP_FileDialogListView},
        {"actClearOutput", QStyle::SP_DialogResetButton},
        {"actFind", QStyle::SP_FileDialogContentsView},
        {"actHelp", QStyle::SP_DialogHelpButton},
        {"actAbout", QStyle::SP_MessageBoxInformation},
    };
    for (const auto& [name, icon] : icons) Action(name)->setIcon(style()->standardIcon(icon));
}

void TfBaseVardel::CreateMenus() {
    const auto menuEntry = [this](QMenu* menu, const char* name) {
        QAction* action = Action(name);
        // The menus name some actions more fully than their caption.
        if (const QString caption = action->property("menuCaption").toString();
            !caption.isEmpty()) {
            auto* alias = new QAction(caption, menu);
            alias->setShortcuts(action->shortcuts());
            alias->setShortcutContext(Qt::WidgetShortcut);  // the action has the keys
            connect(alias, &QAction::triggered, action, &QAction::trigger);
            connect(action, &QAction::enabledChanged, alias, &QAction::setEnabled);
            menu->addAction(alias);
        } else {
            menu->addAction(action);
        }
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    menuEntry(file, "actLoad");
    recentMenu_ = file->addMenu(QStringLiteral("Open &recent"));
    recentMenu_->setObjectName(QStringLiteral("RecentFilesMenu"));
    recentMenu_->setEnabled(false);
    for (const char* name : {"actSaveScript", "actSaveOutput", "actPrintOutput"})
        menuEntry(file, name);
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // The editor's own keys do these; the menu names the keys without
    // taking them, so the output list keeps its Ctrl+C and Ctrl+V.
    struct TEditEntry {
        const char* Name;
        const char* Caption;
        bool Changes;  // changes the text: not while a run holds it
        std::function<void()> Do;
    };
    const TEditEntry entries[] = {
        {"actUndo", "&Undo\tCtrl+Z", true, [this] { Editor->undo(); }},
        {"actRedo", "&Redo\tCtrl+Y", true, [this] { Editor->redo(); }},
        {"actCut", "Cu&t\tCtrl+X", true, [this] { Editor->cut(); }},
        {"actCopy", "&Copy\tCtrl+C", false, [this] { Editor->copy(); }},
        {"actPaste", "&Paste\tCtrl+V", true, [this] { Editor->paste(); }},
        {"actSelectAll", "Select &all\tCtrl+A", false, [this] { Editor->selectAll(); }},
    };
    for (const TEditEntry& entry : entries) {
        QAction* action = edit->addAction(QString::fromUtf8(entry.Caption));
        action->setObjectName(QString::fromLatin1(entry.Name));
        connect(action, &QAction::triggered, Editor,
                [this, changes = entry.Changes, work = entry.Do] {
                    if (!changes || !Editor->isReadOnly()) work();
                });
    }
    edit->addSeparator();
    for (const char* name : {"actPrevious", "actNext", "actConnectString", "actClearInput",
                             "actClearOutput", "actLiteralCopy", "actLiteralPaste"})
        menuEntry(edit, name);
    edit->addSeparator();
    for (const char* name : {"actFind", "actFindNext", "actFindPrevious"}) menuEntry(edit, name);
    QMenu* run = menuBar()->addMenu(QStringLiteral("&Script"));
    for (const char* name : {"actExecute", "actCancel", "actExecuteBlock", "actSelectFromBlock",
                             "actDescribeBlock", "actForeignKeysOfBlock"})
        menuEntry(run, name);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    menuEntry(help, "actHelp");
    menuEntry(help, "actAbout");

    QToolBar* tools = addToolBar(QStringLiteral("Script"));
    tools->setObjectName(QStringLiteral("ScriptToolBar"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const char* name : {"actExecute", "actCancel", "actPrevious", "actNext", "actLoad",
                             "actSaveOutput", "actClearOutput"})
        tools->addAction(Action(name));

    for (QWidget* widget : {static_cast<QWidget*>(Editor), static_cast<QWidget*>(Output)}) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, widget](const QPoint& at) { ShowPopupMenu(widget, at); });
    }
}

void TfBaseVardel::FillPopupMenu(QMenu& menu) {
    for (const char* name :
         {"actClearInput", "actClearOutput", "actExecute", "actNext", "actPrevious",
          "actConnectString", "actDescribeBlock", "actExecuteBlock", "actSelectFromBlock",
          "actForeignKeysOfBlock", "actLoad", "actSaveOutput", "actHelp"}) {
        QAction* action = Action(name);
        if (const QString caption = action->property("menuCaption").toString();
            !caption.isEmpty()) {
            QAction* alias = menu.addAction(caption, action, &QAction::trigger);
            alias->setEnabled(action->isEnabled());
        } else {
            menu.addAction(action);
        }
    }
}

void TfBaseVardel::ShowPopupMenu(QWidget* widget, const QPoint& at) {
    QMenu menu(this);
    FillPopupMenu(menu);
    menu.exec(widget->mapToGlobal(at));
}

QString TfBaseVardel::SelectedBlock() const {
    return Editor->selectedText();
}

void TfBaseVardel::ExecuteBlock() {
    const QString block = SelectedBlock();
    if (block.isEmpty() || running_) return;
    // Not internal: the block runs as the user's statements, with events,
    // but without the history and with the editor unchanged.
    userRun_ = false;
    StartRun([this, text = block.toStdString()] {
        try {
            Engine->ExecuteScript(text);
        } catch (const std::exception& e) {
            PostText(wnInternalFailed, ShownError(e));
            Post(wnRunEnded, 0);
            return;
        }
        Post(wnRunEnded, 1);
    });
}

void TfBaseVardel::SelectFromBlock() {
    const QString block = SelectedBlock();
    if (!block.isEmpty()) RunInternal("SELECT * FROM " + block.toStdString(), true);
}

void TfBaseVardel::DescribeBlock() {
    const QString block = SelectedBlock();
    if (!block.isEmpty()) RunInternal("DESCRIBE " + block.toStdString());
}

void TfBaseVardel::ForeignKeysOfBlock() {
    const QString block = SelectedBlock();
    // The selection is a name in a literal: a quote in it must not end it.
    if (!block.isEmpty()) RunInternal(CatalogueQueryFor(kForeignKeysQuery, block.toStdString()));
}

QString TfBaseVardel::Draft() const {
    const QString text = GetEditorText();
    return text.trimmed().isEmpty() || text == recalled_ ? QString() : text;
}

void TfBaseVardel::SetEditorFromHistory(const std::string& text) {
    recalled_ = QString::fromStdString(text);
    SetEditorText(recalled_);
    Editor->setFocus();
}

void TfBaseVardel::HistoryPrevious() {
    if (running_ || !StatementHistory.CanGoPrevious()) return;
    std::string text;
    if (const QString draft = Draft(); !draft.isEmpty()) {
        // Text not executed yet becomes the newest entry, so that Next
        // brings it back; the first step back then passes over it.
        StatementHistory.Add(draft.toStdString());
        StatementHistory.Previous(text);
    }
    StatementHistory.Previous(text);
    SetEditorFromHistory(text);
}

void TfBaseVardel::HistoryNext() {
    if (running_ || !StatementHistory.CanGoNext()) return;
    std::string text;
    StatementHistory.Next(text);
    SetEditorFromHistory(text);
}

void TfBaseVardel::LiteralCopy() {
    QApplication::clipboard()->setText(LiteralCopyText(GetEditorText()));
}

void TfBaseVardel::LiteralPaste() {
    if (running_) return;
    SetEditorText(LiteralPasteText(QApplication::clipboard()->text()));
    Editor->setFocus();
}

void TfBaseVardel::LoadScript() {
    if (running_) return;
    const QString name = QFileDialog::getOpenFileName(
        this, QString(), loadDirectory_, QStringLiteral("SQL Files (*.SQL *.sql);;All Files (*)"));
    if (!name.isEmpty()) LoadScriptFrom(name);
}

bool TfBaseVardel::LoadScriptFrom(const QString& fileName) {
    QString text;
    try {
        // The same rule as every script the engine reads: a file with NUL
        // bytes is no text and is refused whole, never shown cut off.
        text = QString::fromStdString(ReadScriptFile(QFile::encodeName(fileName).toStdString()));
    } catch (const std::exception& e) {
        Dialogs.ShowError(QString::fromUtf8(e.what()));
        return false;
    }
    SetEditorText(text);
    // The next choice starts in this file's folder.
    loadDirectory_ = QFileInfo(fileName).absolutePath();
    ScriptFileUsed(fileName);
    return true;
}

void TfBaseVardel::SaveScript() {
    QFileDialog dialog(this, QStringLiteral("Save script"), loadDirectory_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("sql"));
    dialog.setNameFilters(
        {QStringLiteral("SQL Files (*.SQL *.sql)"), QStringLiteral("All Files (*)")});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        SaveScriptTo(dialog.selectedFiles().front());
}

bool TfBaseVardel::SaveScriptTo(const QString& fileName) {
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) file.write(GetEditorText().toUtf8());
    if (!file.commit()) {
        Dialogs.ShowError(file.errorString());
        return false;
    }
    loadDirectory_ = QFileInfo(fileName).absolutePath();
    ScriptFileUsed(fileName);
    return true;
}

void TfBaseVardel::SaveOutput() {
    QFileDialog dialog(this, QStringLiteral("Save output"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("Text files (*.txt)"), QStringLiteral("All Files (*)")});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        SaveOutputTo(dialog.selectedFiles().front());
}

bool TfBaseVardel::SaveOutputTo(const QString& fileName) {
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        for (const TmListLine& line : Output->Lines()) {
            file.write(line.Text.toUtf8());
            file.write("\n");
        }
    }
    if (file.commit()) return true;
    Dialogs.ShowError(file.errorString());
    return false;
}

void TfBaseVardel::PrintOutput() {
    QStringList lines;
    Output->GetSelectedLines(lines);
    if (lines.isEmpty()) {
        Dialogs.ShowMessage(QStringLiteral("No lines selected for printing."));
        return;
    }
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter painter(&printer);
    painter.setFont(Output->font());
    const int lineHeight = painter.fontMetrics().lineSpacing();
    int y = lineHeight;
    for (const QString& line : lines) {
        if (y > painter.viewport().height()) {
            printer.newPage();
            y = lineHeight;
        }
        painter.drawText(0, y, line);
        y += lineHeight;
    }
}

void TfBaseVardel::CopyOutput() {
    QStringList lines;
    Output->GetSelectedLines(lines);
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void TfBaseVardel::PasteInput() {
    if (running_) return;
    SetEditorText(QApplication::clipboard()->text());
    Editor->setFocus();
}
