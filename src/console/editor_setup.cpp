#include "console/editor_setup.h"

#include <Qsci/qscicommandset.h>
#include <Qsci/qscimacro.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QFontDatabase>

#include "console/colors.h"

const char* TcFirebirdLexer::keywords(int set) const {
    switch (set) {
        case 1:
            return "add all alter and any as asc ascending at auto avg before begin between by "
                   "case cast check collate column commit committed computed connect constraint "
                   "containing count create cross current cursor database declare default delete "
                   "desc descending describe distinct do domain drop else end entry escape "
                   "exception execute exists exit external extract fetch first for foreign from "
                   "full function gdscode generator gen_id grant group having if in inactive index "
                   "inner input_type insert into is isolation join key last left like max merge "
                   "min natural not null on or order outer plan position primary procedure "
                   "references release retain returning returns revoke right role rollback rows "
                   "savepoint select set similar skip snapshot some sql start statement suspend "
                   "table then to transaction trigger union unique update user using value values "
                   "view when where while with work";
        case 5:
            return "bigint blob boolean char character cstring date decimal double float int "
                   "integer nchar numeric precision real smallint time timestamp varchar varying";
        case 6:
            return "abs ascii_char ascii_val ceiling char_length coalesce current_date "
                   "current_time current_timestamp current_user dateadd datediff decode floor "
                   "iif list lower lpad mod nullif overlay power replace round rpad substring "
                   "trim upper";
        default:
            return QsciLexerSQL::keywords(set);
    }
}

const char* TcFirebirdLexer::wordCharacters() const {
    return "_$\"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
}

QStringList TcFirebirdLexer::autoCompletionWordSeparators() const {
    return {QStringLiteral(".")};
}

void ConfigureEditor(QsciScintilla& editor, const QList<QKeySequence>& windowKeys) {
    auto* lexer = new TcFirebirdLexer(&editor);
    lexer->setFoldComments(false);
    editor.setLexer(lexer);
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    lexer->setFont(font);
    editor.setFont(font);
    // Line numbers, so that "At line 3, column 15" can be found at a glance.
    editor.setMarginType(0, QsciScintilla::NumberMargin);
    editor.setMarginLineNumbers(0, true);
    editor.setMarginWidth(0, QStringLiteral("00000"));
    editor.setMarginWidth(1, 0);
    editor.setMarginWidth(2, 0);
    editor.setFolding(QsciScintilla::NoFoldStyle);
    editor.setTabWidth(1);
    editor.setUtf8(true);
    editor.setWrapMode(QsciScintilla::WrapNone);
    editor.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor.setCaretWidth(2);
    editor.setBraceMatching(QsciScintilla::SloppyBraceMatch);

    // Shift+Enter does nothing, F1 reaches Help, and the window's keys reach
    // the window: a key the editor has bound would be taken by the editor.
    QList<int> freed = {(Qt::SHIFT | Qt::Key_Return).toCombined(),
                        (Qt::SHIFT | Qt::Key_Enter).toCombined(), Qt::Key_F1, Qt::Key_Escape};
    for (const QKeySequence& sequence : windowKeys)
        if (!sequence.isEmpty()) freed.append(sequence[0].toCombined());
    for (QsciCommand* command : editor.standardCommands()->commands()) {
        if (freed.contains(command->key())) command->setKey(0);
        if (freed.contains(command->alternateKey())) command->setAlternateKey(0);
    }
}

namespace {

struct TEditorColors {
    TColor Paper, Text, Comment, Types, Identifier, IdentifierPaper, Keyword, Number, String,
        Symbol;
};

}  // namespace

void ApplyEditorScheme(QsciScintilla& editor, bool classic) {
    const TColor paper = classic ? clNavy : clWindow;
    const TEditorColors colors = classic
                                     ? TEditorColors{paper,  clYellow, clSilver, clYellow, clYellow,
                                                     clNavy, clWhite,  clYellow, clRed,    clYellow}
                                     : TEditorColors{paper,    clBlack, clSilver, clBlack, clNavy,
                                                     clWindow, clBlack, clBlack,  clRed,   clBlack};
    auto* lexer = static_cast<QsciLexerSQL*>(editor.lexer());
    const QColor back = TColorToQColor(colors.Paper);
    lexer->setDefaultPaper(back);
    lexer->setPaper(back, -1);
    lexer->setDefaultColor(TColorToQColor(colors.Text));
    editor.setMarginsBackgroundColor(back);
    editor.setMarginsForegroundColor(TColorToQColor(clSilver));
    lexer->setColor(TColorToQColor(colors.Text), -1);
    const auto style = [&](TColor color, std::initializer_list<int> styles) {
        for (int s : styles) lexer->setColor(TColorToQColor(color), s);
    };
    style(colors.Comment, {QsciLexerSQL::Comment, QsciLexerSQL::CommentLine,
                           QsciLexerSQL::CommentDoc, QsciLexerSQL::CommentLineHash,
                           QsciLexerSQL::PlusComment, QsciLexerSQL::CommentDocKeyword});
    style(colors.Types, {QsciLexerSQL::KeywordSet5, QsciLexerSQL::KeywordSet6});
    style(colors.Identifier, {QsciLexerSQL::Identifier, QsciLexerSQL::QuotedIdentifier});
    style(colors.Keyword, {QsciLexerSQL::Keyword, QsciLexerSQL::PlusKeyword});
    style(colors.Number, {QsciLexerSQL::Number});
    style(colors.String, {QsciLexerSQL::SingleQuotedString, QsciLexerSQL::DoubleQuotedString});
    style(colors.Symbol, {QsciLexerSQL::Operator, QsciLexerSQL::QuotedOperator});
    // No bold or italic anywhere: every style in the editor's one font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(false);
    font.setItalic(false);
    lexer->setFont(font, -1);

    const QColor text = TColorToQColor(colors.Text);
    editor.setCaretForegroundColor(classic ? QColor(Qt::white) : text);
    editor.setSelectionBackgroundColor(TColorToQColor(clSilver));
    editor.setSelectionForegroundColor(TColorToQColor(clNavy));
    editor.setMatchedBraceForegroundColor(classic ? QColor(Qt::white) : QColor(Qt::darkBlue));
    editor.setMatchedBraceBackgroundColor(back);
    editor.setPaper(back);
    editor.setColor(text);
}

const QStringList& TcEditorAids::AutoCorrectWords() {
    static const QStringList words = {
        QStringLiteral("select"), QStringLiteral("from"),  QStringLiteral("where"),
        QStringLiteral("join"),   QStringLiteral("order"), QStringLiteral("group"),
        QStringLiteral("by"),     QStringLiteral("and"),   QStringLiteral("or"),
        QStringLiteral("in"),     QStringLiteral("left"),  QStringLiteral("outer"),
        QStringLiteral("inner"),  QStringLiteral("right"), QStringLiteral("delete"),
        QStringLiteral("insert"), QStringLiteral("into"),  QStringLiteral("values"),
        QStringLiteral("update"), QStringLiteral("set"),   QStringLiteral("on"),
        QStringLiteral("having")};
    return words;
}

TcEditorAids::TcEditorAids(QsciScintilla& editor)
    : QObject(&editor), editor_(editor), macro_(new QsciMacro(&editor)) {
    connect(&editor, &QsciScintilla::SCN_CHARADDED, this, &TcEditorAids::CharacterAdded);
    connect(&editor, &QsciScintilla::userListActivated, this, &TcEditorAids::CompletionChosen);
    const auto bind = [this](const QKeySequence& key, void (TcEditorAids::*handler)()) {
        auto* action = new QAction(&editor_);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, handler);
        editor_.addAction(action);
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_J), &TcEditorAids::ShowCompletion);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), &TcEditorAids::ToggleRecording);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), &TcEditorAids::PlayBack);
}

void TcEditorAids::CharacterAdded(int character) {
    // A word ends when something that cannot be part of it is typed.
    if (character < 128 && (std::isalnum(character) || character == '_' || character == '$'))
        return;
    const long end = editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS) - 1;
    const long start = editor_.SendScintilla(QsciScintillaBase::SCI_WORDSTARTPOSITION, end, true);
    if (start >= end) return;
    // Words in strings and comments stay as typed.
    const long style = editor_.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, start);
    if (style != QsciLexerSQL::Keyword && style != QsciLexerSQL::Identifier &&
        style != QsciLexerSQL::Default)
        return;
    QByteArray bytes(static_cast<int>(end - start), '\0');
    editor_.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, start, end);
    editor_.SendScintilla(QsciScintillaBase::SCI_GETTARGETTEXT, 0UL, bytes.data());
    const QString word = QString::fromUtf8(bytes);
    if (!AutoCorrectWords().contains(word, Qt::CaseInsensitive) || word == word.toUpper()) return;
    const QByteArray upper = word.toUpper().toUtf8();
    editor_.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, upper.size(), upper.constData());
}

void TcEditorAids::ShowCompletion() {
    // One entry, "select", that expands into a query's skeleton.
    editor_.showUserList(1, {QStringLiteral("select")});
}

void TcEditorAids::CompletionChosen(int id, const QString& text) {
    if (id != 1 || text != QLatin1String("select")) return;
    // The word typed before the list was shown is replaced.
    const long at = editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const long start = editor_.SendScintilla(QsciScintillaBase::SCI_WORDSTARTPOSITION, at, true);
    editor_.SendScintilla(QsciScintillaBase::SCI_SETSEL, start, at);
    editor_.replaceSelectedText(QStringLiteral("SELECT \nFROM\nWHERE"));
    // The caret where the column list goes: after "SELECT ".
    editor_.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, start + 7);
}

void TcEditorAids::ToggleRecording() {
    if (recording_)
        macro_->endRecording();
    else
        macro_->startRecording();
    recording_ = !recording_;
}

void TcEditorAids::PlayBack() {
    if (!recording_) macro_->play();
}
