#pragma once
// The input editor as the console sets it up: QScintilla with a Firebird SQL
// lexer, no margins, tab width 1, the console's keys taken out of its key
// map, the colours of both schemes, and the editor aids (auto-correction of
// keywords to capitals, the Ctrl+J auto-complete list, keyboard macros).
// Window thread only.

#include <Qsci/qscilexersql.h>

#include <QKeySequence>
#include <QList>
#include <QObject>

class QsciScintilla;
class QsciMacro;

class TcFirebirdLexer : public QsciLexerSQL {
  public:
    using QsciLexerSQL::QsciLexerSQL;
    // 1: keywords; 5: data types; 6: functions.
    const char* keywords(int set) const override;
    // Words are names as completion sees them (CompletionWordAt): with "$",
    // and a quoted name with its quotes; a dot separates a relation from its
    // column.
    const char* wordCharacters() const override;
    QStringList autoCompletionWordSeparators() const override;
};

// Sets up the editor with its lexer. windowKeys: the shortcuts of the
// window's actions, which the editor must not take for its own commands.
void ConfigureEditor(QsciScintilla& editor, const QList<QKeySequence>& windowKeys);
// The highlighter's and the editor's colours of a scheme.
void ApplyEditorScheme(QsciScintilla& editor, bool classic);

// The editor aids, created once the window stands.
class TcEditorAids : public QObject {
    Q_OBJECT

  public:
    explicit TcEditorAids(QsciScintilla& editor);
    // The words typed in lower or mixed case that become capitals.
    static const QStringList& AutoCorrectWords();
    // Ctrl+J: the auto-complete list.
    void ShowCompletion();
    // Ctrl+Shift+R starts and stops recording, Ctrl+Shift+P plays back.
    void ToggleRecording();
    void PlayBack();
    bool Recording() const { return recording_; }

  private:
    void CharacterAdded(int character);
    void CompletionChosen(int id, const QString& text);

    QsciScintilla& editor_;
    QsciMacro* macro_;
    bool recording_ = false;
};
