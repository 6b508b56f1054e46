#pragma once
// The one statement scanner. It splits a text at a terminator outside quotes
// and comments and removes the comments; the engine runs what it yields, the
// prompt of tessel-cli and the window ask it whether a text is a complete
// statement yet. One scanner, so that the two answers never disagree.
//
// The scan follows these rules at every position: quotes (single or double)
// open and close; outside quotes and comments the terminator ends a statement
// (read afresh at every position, compared without regard to case); "/*",
// "//" and "--" open comments, which are removed from the text. After a
// comment is removed, characters before it may now form a terminator or a
// comment opener with characters after it, so the scan steps back over the
// few kept characters that could take part in such a match, restoring the
// quote state it had there. That keeps the scan linear in the text length.

#include <memory>
#include <string>
#include <string_view>

class TcStatementScan;

class TcStatementSplitter {
  public:
    // The terminator is read through the reference at every position, so a
    // statement run between two calls of Next may change it for the rest.
    TcStatementSplitter(std::string text, const std::string& terminator);
    // A splitter for a text that arrives in pieces (Append): Next answers
    // false also where what it would decide depends on characters not there
    // yet, and goes on from there once they are appended. Rest is not for
    // such a splitter.
    explicit TcStatementSplitter(const std::string& terminator);
    ~TcStatementSplitter();
    TcStatementSplitter(const TcStatementSplitter&) = delete;
    TcStatementSplitter& operator=(const TcStatementSplitter&) = delete;

    // The next statement ended by the terminator, comments removed and not
    // trimmed, and the offset in the text of its first non-blank character.
    // False at the end of the text; Rest then holds what is left.
    bool Next(std::string& statement, size_t& startOffset);
    // After Next answered false: the text after the last terminator, cut
    // before a comment left open at the end.
    std::string Rest(size_t& startOffset);
    // After Next answered false: whether the text ended inside a quote or a
    // block comment.
    bool EndedInQuote() const { return quote_ != 0; }
    bool EndedInBlockComment() const { return comment_ == Block; }
    const std::string& Text() const;
    // Lets the text go once nothing more is to be split: Text() is empty
    // from then on.
    void ReleaseText();
    // Appends to a text that arrives in pieces.
    void Append(std::string_view text);
    // After Next answered false: whether nothing but blanks followed the
    // last statement (comments removed).
    bool RestIsBlank() const;

  private:
    enum CommentKind { None, Block, Line };
    std::unique_ptr<TcStatementScan> scan_;
    const std::string& terminator_;
    char quote_ = 0;  // the open quote character, 0 outside quotes
    CommentKind comment_ = None;
};

// Whether the text holds at least one statement ended by the terminator and
// nothing after the last one but blanks and closed comments: a prompt then
// runs it.
bool IsStatementComplete(const std::string& text, const std::string& terminator);

// The text a prompt collects, line by line or pasted, until it holds a
// complete statement. Each appended piece is scanned once, where asking
// IsStatementComplete after every line would scan the whole text again;
// IsComplete gives the answer IsStatementComplete gives for Text().
class TcStatementInput {
  public:
    // The terminator is read through the reference, as the splitter reads it.
    explicit TcStatementInput(const std::string& terminator);
    ~TcStatementInput();
    TcStatementInput(const TcStatementInput&) = delete;
    TcStatementInput& operator=(const TcStatementInput&) = delete;

    void Append(std::string_view text);
    bool IsComplete() const;
    const std::string& Text() const;
    // The text collected, and a fresh start.
    std::string Take();

  private:
    const std::string& terminator_;
    std::unique_ptr<TcStatementSplitter> splitter_;
    bool ended_ = false;  // a statement ended by the terminator was seen
};
