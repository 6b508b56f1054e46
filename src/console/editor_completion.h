#pragma once
// Completion in the editor from the catalogue: QScintilla's autocompletion
// with the catalogue reader as its source. The list comes after a dot (the
// columns of the relation before it), after the third letter of a word, and
// on Ctrl+Space (with no word typed, every name). The word is the one
// CompletionWordAt finds, so both front ends complete the same words; the
// lexer's word characters are the same set, so that the word QScintilla
// replaces is that word.
//
// Contract: window thread.

#include <Qsci/qsciabstractapis.h>

#include <functional>

#include "scripter/catalogue_names.h"

class QsciScintilla;

// The names for a word; the window reads the catalogue only while the
// engine is idle.
using TCompletionSource = std::function<TStringList(const TCompletionWord& word)>;

class TcCatalogueAPIs : public QsciAbstractAPIs {
    Q_OBJECT

  public:
    TcCatalogueAPIs(QsciLexer* lexer, QsciScintilla& editor, TCompletionSource source);
    void updateAutoCompletionList(const QStringList& context, QStringList& list) override;
    QStringList callTips(const QStringList& context, int commas, QsciScintilla::CallTipsStyle style,
                         QList<int>& shifts) override;
    // Ctrl+Space: the list for the word before the caret, whatever its length.
    void ShowList();
    // The list offered last, for tests and the status of the editor.
    const QStringList& LastOffered() const { return offered_; }

  private:
    QStringList Candidates();

    QsciScintilla& editor_;
    TCompletionSource source_;
    QStringList offered_;
};

// Sets the editor's lexer up for completion from `source` and binds Ctrl+Space.
TcCatalogueAPIs* InstallCompletion(QsciScintilla& editor, TCompletionSource source);
