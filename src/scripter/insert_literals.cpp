#include "scripter/insert_literals.h"

#include <charconv>
#include <system_error>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsWordChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '$';
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A cursor over the statement; every step answers false when the text does
// not continue as an INSERT of literals must.
class TcInsertParser {
  public:
    TcInsertParser(std::string_view text, TcInsertShape& shape) : text_(text), shape_(shape) {}

    bool Parse() {
        shape_.Key.clear();
        shape_.Count = 0;
        if (!Keyword("INSERT") || !Keyword("INTO") || !Identifier(&shape_.Relation)) return false;
        SkipBlanks();
        if (Peek() == '(') {
            ++pos_;
            do {
                if (!Identifier(nullptr)) return false;
            } while (Punctuation(','));
            if (!Punctuation(')')) return false;
        }
        if (!Keyword("VALUES") || !Punctuation('(')) return false;
        do {
            if (!Literal()) return false;
        } while (Punctuation(','));
        if (!Punctuation(')')) return false;
        SkipBlanks();
        if (pos_ != text_.size()) return false;  // RETURNING, or anything else
        shape_.Key.append(text_.substr(copied_));
        while (!shape_.Key.empty() && IsBlank(shape_.Key.back())) shape_.Key.pop_back();
        return true;
    }

  private:
    char Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    }
    // A whole word, compared without regard to case.
    bool Keyword(std::string_view word) {
        SkipBlanks();
        if (text_.size() - pos_ < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (Upper(text_[pos_ + i]) != word[i]) return false;
        if (IsWordChar(Peek(word.size()))) return false;
        pos_ += word.size();
        return true;
    }
    bool Punctuation(char c) {
        SkipBlanks();
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    // A plain name (kept in upper case) or a double-quoted one (kept as
    // written, doubled quotes made single).
    bool Identifier(std::string* name) {
        SkipBlanks();
        if (name) name->clear();
        if (IsLetter(Peek())) {
            while (IsWordChar(Peek())) {
                if (name) name->push_back(Upper(Peek()));
                ++pos_;
            }
            return true;
        }
        if (Peek() != '"') return false;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size()) return false;
            const char c = text_[pos_++];
            if (c == '"') {
                if (Peek() != '"') break;
                ++pos_;
            }
            if (name) name->push_back(c);
        }
        return !name || !name->empty();
    }
    TcInsertLiteral& NextValue() {
        if (shape_.Count == shape_.Values.size()) shape_.Values.emplace_back();
        return shape_.Values[shape_.Count++];
    }
    // Replaces the literal that began at `start` by a marker in the key.
    void Mark(size_t start) {
        shape_.Key.append(text_.substr(copied_, start - copied_));
        shape_.Key.push_back('?');
        copied_ = pos_;
    }
    bool Literal() {
        SkipBlanks();
        const size_t start = pos_;
        if (Peek() == '\'') return String(start);
        if (Keyword("NULL")) {
            NextValue().Kind = TcInsertLiteral::TKind::Null;
            Mark(start);
            return true;
        }
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            ++pos_;
            SkipBlanks();
        }
        return Number(start, negative);
    }
    bool String(size_t start) {
        TcInsertLiteral& value = NextValue();
        value.Kind = TcInsertLiteral::TKind::Text;
        value.Text.clear();
        ++pos_;
        for (;;) {
            const size_t quote = text_.find('\'', pos_);
            if (quote == std::string_view::npos) return false;
            value.Text.append(text_.substr(pos_, quote - pos_));
            pos_ = quote + 1;
            if (Peek() != '\'') break;
            value.Text.push_back('\'');
            ++pos_;
        }
        if (value.Text.size() > kMaxInsertTextLength) return false;
        Mark(start);
        return true;
    }
    bool Number(size_t start, bool negative) {
        const size_t first = pos_;
        int64_t digits = 0;
        int count = 0, fraction = 0;
        // At most 18 digits: a 64-bit integer holds them all.
        while (IsDigit(Peek())) {
            if (++count > 18) return false;
            digits = digits * 10 + (Peek() - '0');
            ++pos_;
        }
        if (count == 0) return false;
        if (Peek() == '.') {
            ++pos_;
            while (IsDigit(Peek())) {
                if (++count > 18) return false;
                digits = digits * 10 + (Peek() - '0');
                ++fraction;
                ++pos_;
            }
            if (fraction == 0) return false;
        }
        bool isFloat = false;
        if (Peek() == 'e' || Peek() == 'E') {
            isFloat = true;
            ++pos_;
            const bool negativeExponent = Peek() == '-';
            if (Peek() == '+' || Peek() == '-') ++pos_;
            if (!IsDigit(Peek())) return false;
            int exponent = 0;
            while (IsDigit(Peek())) {
                exponent = exponent * 10 + (Peek() - '0');
                ++pos_;
                if (exponent > 100) return false;
            }
            // The server reads a float literal as its digits times or divided
            // by a power of ten, with a range check of its own. Where the
            // digits fit a double exactly and the power of ten is exact too
            // (10^22 at most), that one operation is rounded once, as the
            // conversion here is; other literals keep the server's reading.
            const int scale = fraction - (negativeExponent ? -exponent : exponent);
            if (count > 15 || scale > 22 || scale < -22) return false;
        }
        if (IsWordChar(Peek()) || Peek() == '.') return false;
        TcInsertLiteral& value = NextValue();
        if (isFloat) {
            double number = 0;
            const auto [end, error] = std::from_chars(text_.data() + first, text_.data() + pos_,
                                                      number, std::chars_format::scientific);
            if (error != std::errc() || end != text_.data() + pos_) return false;
            value.Kind = TcInsertLiteral::TKind::Float;
            value.Float = negative ? -number : number;
        } else {
            value.Kind = TcInsertLiteral::TKind::Exact;
            value.Exact = negative ? -digits : digits;
            value.Scale = static_cast<int16_t>(-fraction);
        }
        Mark(start);
        return true;
    }

    std::string_view text_;
    TcInsertShape& shape_;
    size_t pos_ = 0;
    size_t copied_ = 0;  // the statement is copied into the key up to here
};

}  // namespace

bool ParseLiteralInsert(std::string_view statement, TcInsertShape& shape) {
    return TcInsertParser(statement, shape).Parse();
}

std::string FirstWord(std::string_view statement) {
    size_t pos = 0;
    while (pos < statement.size() && IsBlank(statement[pos])) ++pos;
    std::string word;
    if (pos >= statement.size() || !IsLetter(statement[pos])) return word;
    while (pos < statement.size() && IsWordChar(statement[pos]))
        word.push_back(Upper(statement[pos++]));
    return word;
}
