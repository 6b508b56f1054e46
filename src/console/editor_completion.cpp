#include "console/editor_completion.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>

namespace {

QStringList ToQStringList(const TStringList& names) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) list.append(QString::fromStdString(name));
    return list;
}

}  // namespace

TcCatalogueAPIs::TcCatalogueAPIs(QsciLexer* lexer, QsciScintilla& editor, TCompletionSource source)
    : QsciAbstractAPIs(lexer), editor_(editor), source_(std::move(source)) {}

QStringList TcCatalogueAPIs::Candidates() {
    // The text of the caret's line up to the caret.
    int line = 0, index = 0;
    editor_.getCursorPosition(&line, &index);
    const QByteArray before = editor_.text(line).toUtf8().left(
        static_cast<qsizetype>(editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS) -
                               editor_.positionFromLineIndex(line, 0)));
    offered_ = ToQStringList(source_(CompletionWordAt(before.toStdString())));
    return offered_;
}

void TcCatalogueAPIs::updateAutoCompletionList(const QStringList&, QStringList& list) {
    list += Candidates();
}

QStringList TcCatalogueAPIs::callTips(const QStringList&, int, QsciScintilla::CallTipsStyle,
                                      QList<int>&) {
    return {};
}

void TcCatalogueAPIs::ShowList() {
    const long caret = editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const char before =
        caret > 0
            ? static_cast<char>(editor_.SendScintilla(QsciScintillaBase::SCI_GETCHARAT, caret - 1))
            : '\0';
    // A word or a dot before the caret: QScintilla's own way, which knows
    // the word it replaces.
    if (before == '.' || (before != '\0' && before != ' ' && before != '\t' && before != '\n' &&
                          before != '\r' && before != '(' && before != ',')) {
        editor_.autoCompleteFromAPIs();
        if (editor_.isListActive()) return;
    }
    // Nothing typed yet: every name, replacing nothing.
    const QStringList names = Candidates();
    if (names.isEmpty()) return;
    editor_.SendScintilla(QsciScintillaBase::SCI_AUTOCSETSEPARATOR, '\x03');
    editor_.SendScintilla(QsciScintillaBase::SCI_AUTOCSHOW, 0UL,
                          names.join(QChar('\x03')).toUtf8().constData());
}

TcCatalogueAPIs* InstallCompletion(QsciScintilla& editor, TCompletionSource source) {
    QsciLexer* lexer = editor.lexer();
    auto* apis = new TcCatalogueAPIs(lexer, editor, std::move(source));
    lexer->setAPIs(apis);
    editor.setAutoCompletionSource(QsciScintilla::AcsAPIs);
    editor.setAutoCompletionThreshold(3);
    editor.setAutoCompletionCaseSensitivity(false);
    editor.setAutoCompletionUseSingle(QsciScintilla::AcusNever);
    // The names come sorted without regard to case, QScintilla sorts them
    // by code: Scintilla sorts them once more, as its search needs.
    editor.SendScintilla(QsciScintillaBase::SCI_AUTOCSETORDER, 1 /* SC_ORDER_PERFORMSORT */);
    auto* action = new QAction(&editor);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    action->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(action, &QAction::triggered, apis, &TcCatalogueAPIs::ShowList);
    editor.addAction(action);
    return apis;
}
