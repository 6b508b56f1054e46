#include "mdo/mdo_preprocess.h"

#include "mdo/mdo_errors.h"

namespace {

bool IsIdentifierChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

[[noreturn]] void RaiseParseError(const char* what) {
    RaiseClientError(55, std::string(what));
}

enum class TState { Default, Comment, Quote, Parameter, QuotedParameter };

}  // namespace

TMDOPreprocessedSQL PreprocessParamText(std::string_view text, bool autoNameParams) {
    TMDOPreprocessedSQL result;
    std::string& out = result.Text;
    out.reserve(text.size() + 1);
    TState state = TState::Default;
    char closingQuote = 0;
    std::string name;
    int autoNumber = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        const char next = i + 1 < n ? text[i + 1] : '\0';
        switch (state) {
            case TState::Default:
                if (c == '\'' || c == '"') {
                    closingQuote = c;
                    state = TState::Quote;
                    out += c;
                } else if (c == ':' || c == '?') {
                    out += '?';
                    name.clear();
                    state = TState::Parameter;
                } else if (c == '/' && next == '*') {
                    out += c;
                    out += next;
                    ++i;
                    state = TState::Comment;
                } else {
                    out += c;
                }
                break;
            case TState::Comment:
                if (next == '\0') RaiseParseError("EOF in comment detected");
                if (c == '*' && next == '/') state = TState::Default;
                out += c;
                break;
            case TState::Quote:
                if (next == '\0') RaiseParseError("EOF in string detected");
                if (c == closingQuote && next == closingQuote) {
                    out += c;
                    out += next;
                    ++i;
                } else {
                    if (c == closingQuote) state = TState::Default;
                    out += c;
                }
                break;
            case TState::Parameter:
                if (c == '"') {
                    state = TState::QuotedParameter;
                } else if (IsIdentifierChar(c)) {
                    name += c;
                    if (!IsIdentifierChar(next)) {
                        result.Names.push_back(name);
                        state = TState::Default;
                        // The look-ahead is copied unexamined: it cannot
                        // start a quote, a comment or another parameter.
                        out += next;
                        ++i;
                    }
                } else if (autoNameParams) {
                    result.Names.push_back("MDOParam" + std::to_string(autoNumber++));
                    state = TState::Default;
                    out += c;
                } else {
                    RaiseParseError("Parameter name expected");
                }
                break;
            case TState::QuotedParameter:
                if (c == '"') {
                    result.Names.push_back(name);
                    state = TState::Default;
                    out += next;
                    ++i;
                } else {
                    name += c;
                }
                break;
        }
    }
    // The text ends at its first NUL, whether it came with the input or was
    // copied as the look-ahead of the last character.
    const size_t nul = out.find('\0');
    if (nul != std::string::npos) out.resize(nul);
    return result;
}
