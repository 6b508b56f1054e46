#include "engine/base_scripter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/base_commands.h"
#include "foundation/errors.h"
#include "foundation/language.h"

TcDBBaseScripter::TcDBBaseScripter() {
    SetTerminator(";");
    WarnOnRecordsReturned = -1;
    RegisterBaseCommands(Commands);
    // SetTerminator switched substitution off; a new engine starts with it on.
    ParameterReplace = true;
    TimeDisplay = true;
    ShowRecordHeader = true;
    AutoDDL = true;
    Sleeper = [](int64_t milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    ScriptFileReader = ReadScriptFile;
}

TcDBBaseScripter::~TcDBBaseScripter() = default;

void TcDBBaseScripter::Shutdown() noexcept {
    // A destructor cannot report errors; the connection is gone either way.
    try {
        if (InTransaction) Rollback();
    } catch (...) {
    }
    try {
        if (Connected) Disconnect();
    } catch (...) {
    }
}

void TcDBBaseScripter::AttachConnection(const std::string&, void*) {}
void TcDBBaseScripter::AttachTransaction(void*) {}

void TcDBBaseScripter::AfterStatement(const std::string& statement, bool& ok) {
    if (OnAfterStatement) OnAfterStatement(this, statement, ok);
}

void TcDBBaseScripter::LeaveInternal() {
    if (ExecuteInternalCount <= 0) throw EInternal("ExecuteInternalCount < 0");
    --ExecuteInternalCount;
}

// ---------------------------------------------------------------------------
// Statement splitting
//
// The scan follows these rules at every position: quotes (single or double)
// open and close; outside quotes and comments the terminator ends a statement
// (read afresh at every position, compared without regard to case); "/*",
// "//" and "--" open comments, which are removed from the text. After a
// comment is removed, characters before it may now form a terminator or a
// comment opener with characters after it, so the scan steps back over the
// few kept characters that could take part in such a match, restoring the
// quote state it had there. That keeps the scan linear in the text length.

class StatementScanner {
  public:
    explicit StatementScanner(std::string text) : text_(std::move(text)) {}

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
        if (!HasAhead(word.size())) return false;
        for (size_t i = 0; i < word.size(); ++i) {
            char a = Peek(i), b = word[i];
            if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
            if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
            if (a != b) return false;
        }
        return true;
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
        kept_.append(text_, pos_, n);
        quoteBefore_.append(n, quote);
        const size_t from = n > kRecent ? n - kRecent : 0;
        for (size_t i = from; i < n; ++i) recentOffsets_[(first + i) % kRecent] = pos_ + i;
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
        kept_ += c;
        quoteBefore_ += quote;
        recentOffsets_[(kept_.size() - 1) % kRecent] = offset;
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
        const char quote = quoteBefore_[from];
        for (size_t i = kept_.size(); i > from; --i)
            pending_.emplace_back(kept_[i - 1], recentOffsets_[(i - 1) % kRecent]);
        kept_.resize(from);
        quoteBefore_.resize(from);
        if (started_ && startIndex_ >= from) started_ = false;
        return quote;
    }
    // The statement so far and the offset in the text where it starts.
    std::string TakeStatement(size_t& startOffset) {
        startOffset = started_ ? startOffset_ : pos_;
        started_ = false;
        std::string statement = std::move(kept_);
        kept_.clear();
        quoteBefore_.clear();
        return statement;
    }
    const std::string& Text() const { return text_; }

  private:
    static constexpr size_t kRecent = 256;
    std::string text_;
    size_t pos_ = 0;
    // Stepped-back characters with their offsets, next one last.
    std::vector<std::pair<char, size_t>> pending_;
    std::string kept_;                    // the current statement so far, comments removed
    std::string quoteBefore_;             // quote state before each kept character
    size_t recentOffsets_[kRecent] = {};  // offsets of the last kept characters
    bool started_ = false;                // a non-blank character has been kept
    size_t startIndex_ = 0;
    size_t startOffset_ = 0;
};

namespace {
enum class CommentKind { None, Block, Line };
}  // namespace

void TcDBBaseScripter::ExecuteScript(const std::string& text) {
    CheckFailures = 0;
    ErrorLine = 0;
    ErrorSource.clear();
    StatementScanner scan(text);
    char quote = 0;  // the open quote character, 0 outside quotes
    CommentKind comment = CommentKind::None;
    while (!scan.AtEnd()) {
        if (comment == CommentKind::None && !Terminator_.empty()) {
            const char t = Terminator_[0];
            const char upper = (t >= 'a' && t <= 'z') ? static_cast<char>(t - 32) : t;
            const char lower = (t >= 'A' && t <= 'Z') ? static_cast<char>(t + 32) : t;
            if (const size_t run = scan.PlainRun(quote, upper, lower); run > 0) {
                scan.KeepRun(run, quote);
                continue;
            }
        }
        const char c = scan.Peek(0);
        if (comment == CommentKind::None) {
            if (c == '\'' || c == '"') {
                const char before = quote;
                if (quote == c)
                    quote = 0;
                else if (quote == 0)
                    quote = c;
                scan.Keep(before);
                continue;
            }
            if (quote == 0 && scan.MatchesText(Terminator_)) {
                scan.Skip(Terminator_.size());
                // The statement may change the terminator for the rest of the text.
                RunScriptStatement(scan);
                continue;
            }
            if (quote == 0 && scan.HasAhead(2)) {
                const char d = scan.Peek(1);
                if (c == '/' && d == '*') {
                    comment = CommentKind::Block;
                    scan.Skip(2);
                    continue;
                }
                if ((c == '/' && d == '/') || (c == '-' && d == '-')) {
                    comment = CommentKind::Line;
                    scan.Skip(2);
                    continue;
                }
            }
            scan.Keep(quote);
            continue;
        }
        // Inside a comment: drop characters up to its end.
        bool ended = false;
        if (comment == CommentKind::Block) {
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
            comment = CommentKind::None;
            const size_t reach = std::max<size_t>(Terminator_.size(), 2) - 1;
            quote = scan.StepBack(reach, quote);
        }
    }
    // A comment left open at the end is cut off; the rest is still executed.
    RunScriptStatement(scan);
    SuppressOutput = false;
}

void TcDBBaseScripter::RunScriptStatement(StatementScanner& scan) {
    size_t offset = 0;
    const std::string statement = TrimWhitespace(scan.TakeStatement(offset));
    try {
        ExecuteStatement(statement);
    } catch (...) {
        // Only the innermost script knows where the failing statement stands.
        if (ErrorLine == 0) {
            const std::string& text = scan.Text();
            ErrorLine =
                1 + static_cast<int32_t>(std::count(
                        text.begin(),
                        text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size())),
                        '\n'));
            ErrorSource = ScriptSource;
        }
        throw;
    }
}

// ---------------------------------------------------------------------------
// One statement

void TcDBBaseScripter::ScanParameters(const std::string& statement) {
    bool inQuote = false;
    bool collecting = false;
    std::string name;
    auto resolve = [this](const std::string& parameter) {
        if (Parameters.IndexOf(parameter) >= 0 || !OnParameterRequest) return;
        std::string value;
        OnParameterRequest(*this, parameter, value);
        if (!value.empty()) Parameters.SetValue(parameter, value);
    };
    for (const char c : statement) {
        if (collecting) {
            if (c == '\n' || c == '\r' || c == ' ' || c == ')' || c == ',' || c == ';') {
                collecting = false;
                resolve(name);
                continue;
            }
            name += c;
            if (c == '\'' || c == '"') inQuote = !inQuote;
            continue;
        }
        if (c == '\'' || c == '"')
            inQuote = !inQuote;
        else if (c == ':' && !inQuote) {
            collecting = true;
            name.clear();
        }
    }
    if (collecting && !name.empty()) resolve(name);
}

std::string TcDBBaseScripter::SubstituteParameters(const std::string& statement) const {
    std::string result = statement;
    for (int32_t i = 0; i < Parameters.Count(); ++i) {
        std::string reference = ":";
        reference += UpperCase(Parameters.Name(i));
        const std::string& value = Parameters.Value(i);
        std::string upper = UpperCase(result);
        std::string next;
        size_t start = 0;
        for (size_t pos = upper.find(reference); pos != std::string::npos;
             pos = upper.find(reference, start)) {
            next.append(result, start, pos - start);
            next += value;
            start = pos + reference.size();
        }
        if (start == 0) continue;
        next.append(result, start, std::string::npos);
        result = std::move(next);
    }
    return result;
}

void TcDBBaseScripter::ExecuteStatement(const std::string& text) {
    if (text.empty()) return;
    ClearStatementResult();
    std::string statement = text;
    bool handled = false;
    if (!IsInternal() && OnBeforeStatement) OnBeforeStatement(*this, statement, handled);
    CurrentStatement = statement;
    LastMessage.clear();
    PlanText.clear();
    StatisticsText.clear();
    RecordCount = 0;
    try {
        if (!handled) {
            // Most statements have no colon at all: nothing to scan or replace.
            if (ParameterReplace && statement.find(':') != std::string::npos) {
                ScanParameters(statement);
                if (Parameters.Count() > 0) statement = SubstituteParameters(statement);
            }
            std::string message;
            if (DispatchCommand(*this, statement, message)) {
                if (!message.empty())
                    LastMessage = message;
                else if (LastMessage.empty())
                    LastMessage = Lang("Done.", "Klaar.");
            } else {
                BeginStatementTransaction();
                bool failed = false;
                try {
                    DoExecuteSQL(statement);
                } catch (const std::exception& error) {
                    EndStatementTransaction(false);
                    if (!SuppressError) throw;
                    // A suppressed error counts as success; its text is the result.
                    LastMessage = error.what();
                    failed = true;
                }
                if (!failed) EndStatementTransaction(true);
            }
        }
    } catch (...) {
        if (!IsInternal()) {
            bool ok = false;
            AfterStatement(statement, ok);
            if (ok) return;
        }
        throw;
    }
    if (!IsInternal()) {
        bool ok = true;
        // The statement has run; an error of the owner's display must not
        // turn it into a failure.
        try {
            AfterStatement(statement, ok);
        } catch (...) {
        }
    }
}

void TcDBBaseScripter::BeginStatementTransaction() {
    if (NoAutoTransaction) return;
    if (StartTransactionModel == TStartTransactionModel::Explicit) {
        KeepTransaction = InTransaction;
        if (!InTransaction) StartTransaction();
    } else {
        if (!InTransaction) StartTransaction();
        KeepTransaction = true;
    }
}

void TcDBBaseScripter::EndStatementTransaction(bool success) {
    if (NoAutoTransaction || KeepTransaction) return;
    if (success)
        Commit();
    else
        Rollback();
}

// ---------------------------------------------------------------------------
// Connection and transaction

void TcDBBaseScripter::Connect() {
    if (Connected) return;
    PrepareConnect();
    try {
        DoConnect();
        Connected = true;
        if (OnConnect) OnConnect(*this, ConnectString());
    } catch (const std::exception& error) {
        UnprepareConnect();
        if (!SuppressError) throw;
        LastMessage = error.what();
    }
}

void TcDBBaseScripter::Disconnect() {
    if (Connected && OnBeforeDisconnect) {
        bool cancel = false;
        OnBeforeDisconnect(*this, cancel);
        if (cancel) return;
    }
    std::exception_ptr failure;
    if (Connected) {
        try {
            if (InTransaction) Rollback();
            DoDisconnect();
        } catch (...) {
            failure = std::current_exception();
        }
        Connected = false;
        if (OnAfterDisconnect) OnAfterDisconnect(*this);
    }
    UnprepareConnect();
    InTransaction = false;
    if (failure) std::rethrow_exception(failure);
}

void TcDBBaseScripter::StartTransaction() {
    if (InTransaction) return;
    DoStartTransaction();
    InTransaction = true;
}

void TcDBBaseScripter::Commit() {
    if (!InTransaction) return;
    DoCommit();
    InTransaction = false;
}

void TcDBBaseScripter::Rollback() {
    if (!InTransaction) return;
    DoRollback();
    InTransaction = false;
}

// ---------------------------------------------------------------------------
// Names

void TcDBBaseScripter::SetTerminator(const std::string& text) {
    if (text == Terminator_) return;
    if (TrimBlanks(text).empty())
        throw Exception(Lang("Not a valid separator.", "Geen geldig scheidingteken."));
    Terminator_ = text;
    // Colon references in trigger and procedure bodies between SET TERM
    // commands must be left alone.
    ParameterReplace = false;
}

bool HasDrivePart(const std::string& name) {
    if (!name.empty() && name[0] == '/') return true;
    return name.size() >= 3 && std::isalpha(static_cast<unsigned char>(name[0])) &&
           name[1] == ':' && (name[2] == '\\' || name[2] == '/');
}

void TcDBBaseScripter::SetDatabaseName(const std::string& name) {
    if (HasDrivePart(name)) {
        DatabaseName = name;
        ServerName.clear();
        return;
    }
    const size_t colon = name.find(':');
    if (colon == std::string::npos) {
        ServerName.clear();
        DatabaseName = name;
    } else {
        ServerName = name.substr(0, colon);
        DatabaseName = name.substr(colon + 1);
    }
}

std::string TcDBBaseScripter::FullDatabasePath() const {
    if (HasDrivePart(DatabaseName)) return DatabaseName;
    if (DatabaseName.find(':') != std::string::npos && DatabaseName.size() > 1 &&
        DatabaseName[1] != ':')
        return DatabaseName;
    return RootDirectory_ + DatabaseName;
}

std::string TcDBBaseScripter::ConnectString() const {
    return ServerName.empty() ? FullDatabasePath() : ServerName + ":" + FullDatabasePath();
}

void TcDBBaseScripter::SetRootDirectory(const std::string& path) {
    RootDirectory_ = path;
    if (!RootDirectory_.empty() && RootDirectory_.back() != '/') RootDirectory_ += '/';
}

std::string ReadScriptFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw Exception(
            Format("Cannot open file \"%s\". %s", fileName.c_str(), std::strerror(errno)));
    std::ostringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    if (text.find('\0') != std::string::npos)
        throw Exception(
            Format("Cannot read file \"%s\". It is not a text file.", fileName.c_str()));
    return text;
}
