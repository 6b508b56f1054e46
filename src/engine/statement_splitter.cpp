#include "engine/statement_splitter.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "foundation/string_utils.h"

// The text with a moving position, the kept characters of the current
// statement, and the characters stepped back over after a removed comment.
class TcStatementScan {
  public:
    // A whole text, or (final false) the start of one that more may follow.
    TcStatementScan(std::string text, bool final) : text_(std::move(text)), final_(final) {}

    void Append(std::string_view more) { text_.append(more); }
    // Whether the text is whole; else what needs the next characters waits
    // for them.
    bool Final() const { return final_; }
    bool AtEnd() const { return pending_.empty() && pos_ >= text_.size(); }
    // The character n places ahead, or NUL past the end.
    char Peek(size_t n) const {
        if (n < pending_.size()) return pending_[pending_.size() - 1 - n].first;
        n -= pending_.size();
        return pos_ + n < text_.size() ? text_[pos_ + n] : '\0';
    }
    bool HasAhead(size_t n) const { return pending_.size() + (text_.size() - pos_) >= n; }
    void Skip(size_t n) {
        while (n > 0 && !pending_.empty()) {
            pending_.pop_back();
            --n;
        }
        pos_ += n;
    }
    bool MatchesText(const std::string& word) const {
        return HasAhead(word.size()) && MatchesFirst(word, word.size());
    }
    // Whether the text runs out before the word's end and matches it as far
    // as it goes: only what comes next can decide.
    bool MatchesTextSoFar(const std::string& word) const {
        return !HasAhead(word.size()) &&
               MatchesFirst(word, pending_.size() + (text_.size() - pos_));
    }
    // How many characters from here cannot start a quote change, a
    // terminator or a comment, so that they can be kept in one go. Inside a
    // quote only the quote characters matter.
    size_t PlainRun(char quote, char terminatorUpper, char terminatorLower) const {
        if (!pending_.empty()) return 0;
        size_t end = pos_;
        const size_t size = text_.size();
        if (quote != 0) {
            while (end < size && text_[end] != '\'' && text_[end] != '"') ++end;
        } else {
            while (end < size) {
                const char c = text_[end];
                if (c == '\'' || c == '"' || c == '/' || c == '-' || c == terminatorUpper ||
                    c == terminatorLower)
                    break;
                ++end;
            }
        }
        return end - pos_;
    }
    // Keeps the next n characters, read straight from the text.
    void KeepRun(size_t n, char quote) {
        const size_t first = kept_.size();
        MakeRoom(n);
        kept_.append(text_, pos_, n);
        const size_t from = n > kRecent ? n - kRecent : 0;
        for (size_t i = from; i < n; ++i) {
            recentOffsets_[(first + i) % kRecent] = pos_ + i;
            recentQuotes_[(first + i) % kRecent] = quote;
        }
        if (!started_) {
            for (size_t i = 0; i < n; ++i) {
                const char c = text_[pos_ + i];
                if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                    started_ = true;
                    startIndex_ = first + i;
                    startOffset_ = pos_ + i;
                    break;
                }
            }
        }
        pos_ += n;
    }
    // Keeps the next character in the current statement.
    void Keep(char quote) {
        const char c = Peek(0);
        const size_t offset = pending_.empty() ? pos_ : pending_.back().second;
        MakeRoom(1);
        kept_ += c;
        recentOffsets_[(kept_.size() - 1) % kRecent] = offset;
        recentQuotes_[(kept_.size() - 1) % kRecent] = quote;
        if (!started_ && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            started_ = true;
            startIndex_ = kept_.size() - 1;
            startOffset_ = offset;
        }
        Skip(1);
    }
    // Steps back over the last n kept characters; returns the quote state
    // that held before the first of them.
    char StepBack(size_t n, char currentQuote) {
        n = std::min({n, kept_.size(), kRecent - 1});
        if (n == 0) return currentQuote;
        const size_t from = kept_.size() - n;
        const char quote = recentQuotes_[from % kRecent];
        for (size_t i = kept_.size(); i > from; --i)
            pending_.emplace_back(kept_[i - 1], recentOffsets_[(i - 1) % kRecent]);
        kept_.resize(from);
        if (started_ && startIndex_ >= from) started_ = false;
        return quote;
    }
    // The statement so far and the offset in the text where it starts.
    std::string TakeStatement(size_t& startOffset) {
        startOffset = started_ ? startOffset_ : pos_;
        started_ = false;
        std::string statement = std::move(kept_);
        kept_.clear();
        return statement;
    }
    const std::string& Text() const { return text_; }
    void ReleaseText() {
        // Assigning an empty string would keep the room.
        std::string().swap(text_);
        pos_ = 0;
        pending_.clear();
    }
    // Whether a non-blank character has been kept since the last statement.
    bool Started() const { return started_; }
    // Whether everything not yet scanned is blank.
    bool RestIsBlank() const {
        for (const auto& [c, offset] : pending_)
            if (!IsBlankChar(c)) return false;
        for (size_t i = pos_; i < text_.size(); ++i)
            if (!IsBlankChar(text_[i])) return false;
        return true;
    }

  private:
    // A statement grows by doubling its room, which copies it each time and
    // holds both copies for a moment. Once it is long, it gets room for the
    // rest of a whole text at once instead: pages not written to are never
    // used.
    void MakeRoom(size_t n) {
        constexpr size_t kLong = size_t{1} << 20;
        if (!final_ || kept_.size() + n < kLong || kept_.size() + n <= kept_.capacity()) return;
        kept_.reserve(kept_.size() + pending_.size() + (text_.size() - pos_));
    }
    // Whether the next n characters are the word's first n, without regard
    // to case; n characters must be there.
    bool MatchesFirst(const std::string& word, size_t n) const {
        for (size_t i = 0; i < n; ++i) {
            char a = Peek(i), b = word[i];
            if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
            if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
            if (a != b) return false;
        }
        return true;
    }
    // The blanks that TrimWhitespace removes.
    static bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static constexpr size_t kRecent = 256;
    std::string text_;
    bool final_;
    size_t pos_ = 0;
    // Stepped-back characters with their offsets, next one last.
    std::vector<std::pair<char, size_t>> pending_;
    std::string kept_;                    // the current statement so far, comments removed
    size_t recentOffsets_[kRecent] = {};  // offsets of the last kept characters
    // The quote state before each of the last kept characters: StepBack
    // reaches no further back.
    char recentQuotes_[kRecent] = {};
    bool started_ = false;  // a non-blank character has been kept
    size_t startIndex_ = 0;
    size_t startOffset_ = 0;
};

TcStatementSplitter::TcStatementSplitter(std::string text, const std::string& terminator)
    : scan_(std::make_unique<TcStatementScan>(std::move(text), true)), terminator_(terminator) {}

TcStatementSplitter::TcStatementSplitter(const std::string& terminator)
    : scan_(std::make_unique<TcStatementScan>(std::string(), false)), terminator_(terminator) {}

void TcStatementSplitter::Append(std::string_view text) {
    scan_->Append(text);
}

bool TcStatementSplitter::RestIsBlank() const {
    return !scan_->Started() && scan_->RestIsBlank();
}

TcStatementSplitter::~TcStatementSplitter() = default;

const std::string& TcStatementSplitter::Text() const {
    return scan_->Text();
}

void TcStatementSplitter::ReleaseText() {
    scan_->ReleaseText();
}

bool TcStatementSplitter::Next(std::string& statement, size_t& startOffset) {
    TcStatementScan& scan = *scan_;
    while (!scan.AtEnd()) {
        if (comment_ == None && !terminator_.empty()) {
            const char t = terminator_[0];
            const char upper = (t >= 'a' && t <= 'z') ? static_cast<char>(t - 32) : t;
            const char lower = (t >= 'A' && t <= 'Z') ? static_cast<char>(t + 32) : t;
            if (const size_t run = scan.PlainRun(quote_, upper, lower); run > 0) {
                scan.KeepRun(run, quote_);
                continue;
            }
        }
        const char c = scan.Peek(0);
        if (comment_ == None) {
            if (c == '\'' || c == '"') {
                const char before = quote_;
                if (quote_ == c)
                    quote_ = 0;
                else if (quote_ == 0)
                    quote_ = c;
                scan.Keep(before);
                continue;
            }
            // A terminator or a comment opener may go on in text not there yet.
            if (quote_ == 0 && !scan.Final() &&
                (scan.MatchesTextSoFar(terminator_) ||
                 ((c == '/' || c == '-') && !scan.HasAhead(2))))
                return false;
            if (quote_ == 0 && scan.MatchesText(terminator_)) {
                scan.Skip(terminator_.size());
                statement = scan.TakeStatement(startOffset);
                return true;
            }
            if (quote_ == 0 && scan.HasAhead(2)) {
                const char d = scan.Peek(1);
                if (c == '/' && d == '*') {
                    comment_ = Block;
                    scan.Skip(2);
                    continue;
                }
                if ((c == '/' && d == '/') || (c == '-' && d == '-')) {
                    comment_ = Line;
                    scan.Skip(2);
                    continue;
                }
            }
            scan.Keep(quote_);
            continue;
        }
        // Inside a comment: drop characters up to its end.
        bool ended = false;
        if (comment_ == Block) {
            if (c == '*' && !scan.Final() && !scan.HasAhead(2)) return false;
            if (c == '*' && scan.HasAhead(2) && scan.Peek(1) == '/') {
                scan.Skip(2);
                ended = true;
            } else {
                scan.Skip(1);
            }
        } else if (c == '\r' || c == '\n') {
            ended = true;  // the line break stays in the text
        } else {
            scan.Skip(1);
            ended = c == '\0';
        }
        if (ended) {
            comment_ = None;
            const size_t reach = std::max<size_t>(terminator_.size(), 2) - 1;
            quote_ = scan.StepBack(reach, quote_);
        }
    }
    return false;
}

std::string TcStatementSplitter::Rest(size_t& startOffset) {
    // A comment left open at the end was never kept: the rest is cut there.
    return scan_->TakeStatement(startOffset);
}

TcStatementInput::TcStatementInput(const std::string& terminator)
    : terminator_(terminator), splitter_(std::make_unique<TcStatementSplitter>(terminator)) {}

TcStatementInput::~TcStatementInput() = default;

void TcStatementInput::Append(std::string_view text) {
    splitter_->Append(text);
    std::string statement;
    size_t offset = 0;
    while (splitter_->Next(statement, offset)) ended_ = true;
}

bool TcStatementInput::IsComplete() const {
    return ended_ && !splitter_->EndedInQuote() && !splitter_->EndedInBlockComment() &&
           splitter_->RestIsBlank();
}

const std::string& TcStatementInput::Text() const {
    return splitter_->Text();
}

std::string TcStatementInput::Take() {
    std::string text = splitter_->Text();
    splitter_ = std::make_unique<TcStatementSplitter>(terminator_);
    ended_ = false;
    return text;
}

bool IsStatementComplete(const std::string& text, const std::string& terminator) {
    TcStatementSplitter splitter(text, terminator);
    std::string statement;
    size_t offset = 0;
    bool ended = false;
    while (splitter.Next(statement, offset)) ended = true;
    if (!ended || splitter.EndedInQuote() || splitter.EndedInBlockComment()) return false;
    return TrimWhitespace(splitter.Rest(offset)).empty();
}
