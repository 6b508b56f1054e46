#include "engine/base_scripter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/base_commands.h"
#include "engine/statement_splitter.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"

namespace {
// The number of the line the offset of the text stands on.
int32_t LineAt(const std::string& text, size_t offset) {
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size()));
    return 1 + static_cast<int32_t>(std::count(text.begin(), end, '\n'));
}
}  // namespace

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

void TcDBBaseScripter::Close() {
    // Disconnect rolls an open transaction back first.
    if (Connected())
        Disconnect();
    else
        Rollback();
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
// Script runs

void TcDBBaseScripter::ExecuteScript(std::string text) {
    CheckFailures = 0;
    ErrorLine = 0;
    ErrorSource.clear();
    // The splitter reads Terminator_ afresh: a SET TERM applies to the rest.
    TcStatementSplitter splitter(std::move(text), Terminator_);
    std::string statement;
    size_t offset = 0;
    // The line of a statement is counted only when it fails.
    const auto lineOf = [&splitter](size_t at) {
        return [&splitter, at] { return LineAt(splitter.Text(), at); };
    };
    std::vector<TcRunStatement> run;
    while (splitter.Next(statement, offset)) {
        // A statement is read ahead only while a run is gathered: the one
        // that ends the run is split before the run executes, as it would be
        // anyway, and runs before the next split.
        if (!IsInternal()) {
            TrimWhitespaceInPlace(statement);
            if (!run.empty() && JoinsBatch(statement, false)) {
                run.push_back({std::move(statement), offset});
                continue;
            }
            RunGathered(splitter, run);
            if (!statement.empty() && JoinsBatch(statement, true)) {
                run.push_back({std::move(statement), offset});
                continue;
            }
        }
        RunScriptStatement(statement, lineOf(offset));
    }
    RunGathered(splitter, run);
    statement = splitter.Rest(offset);
    TrimWhitespaceInPlace(statement);
    if (!statement.empty()) {
        // The script is let go before the text after its last terminator
        // runs: a long statement without one is not held twice.
        const int32_t line = lineOf(offset)();
        splitter.ReleaseText();
        RunScriptStatement(statement, [line] { return line; });
    }
    SuppressOutput = false;
}

void TcDBBaseScripter::RunGathered(const TcStatementSplitter& splitter,
                                   std::vector<TcRunStatement>& run) {
    if (run.empty()) return;
    std::vector<TcRunStatement> statements;
    statements.swap(run);
    if (statements.size() > 1) {
        std::vector<std::string> texts;
        texts.reserve(statements.size());
        for (const auto& item : statements) texts.push_back(item.Text);
        BeginBatch(texts);
    }
    TcScopeExit end([this]() noexcept { EndBatch(); });
    size_t ran = 0;
    try {
        for (; ran < statements.size(); ++ran)
            RunScriptStatement(statements[ran].Text, [&splitter, at = statements[ran].Offset] {
                return LineAt(splitter.Text(), at);
            });
    } catch (...) {
        UndoBatch(ran);
        throw;
    }
}

void TcDBBaseScripter::RunScriptStatement(std::string& statement,
                                          const std::function<int32_t()>& line) {
    TrimWhitespaceInPlace(statement);
    try {
        ExecuteStatement(std::move(statement));
    } catch (...) {
        // Only the innermost script knows where the failing statement stands.
        if (ErrorLine == 0) {
            ErrorLine = line();
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
    for (int32_t i = 0; i < Parameters.Count(); ++i)
        result = ReplaceAllText(result, ":" + Parameters.Name(i), Parameters.Value(i));
    return result;
}

void TcDBBaseScripter::ExecuteStatement(std::string statement) {
    if (statement.empty()) return;
    ClearStatementResult();
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
                // A failing start is no failure of the statement: it is not
                // suppressed.
                TcStatementTransaction transaction(*this);
                try {
                    DoExecuteSQL(statement);
                    transaction.Commit();
                } catch (const std::exception& error) {
                    transaction.Rollback();
                    if (!SuppressError || dynamic_cast<const EStatementCancelled*>(&error)) throw;
                    // A suppressed error counts as success; its text is the result.
                    LastMessage = error.what();
                }
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
        SetKeepTransaction(InTransaction());
        if (!InTransaction()) StartTransaction();
    } else {
        if (!InTransaction()) StartTransaction();
        SetKeepTransaction(true);
    }
}

void TcDBBaseScripter::EndStatementTransaction(bool success) {
    if (NoAutoTransaction || KeepTransaction()) return;
    if (success)
        Commit();
    else
        Rollback();
}

TcStatementTransaction::TcStatementTransaction(TcDBBaseScripter& engine) : engine_(engine) {
    engine_.BeginStatementTransaction();
}

TcStatementTransaction::~TcStatementTransaction() {
    Rollback();
}

void TcStatementTransaction::Commit() {
    if (ended_) return;
    try {
        engine_.EndStatementTransaction(true);
    } catch (...) {
        Rollback();
        throw;
    }
    ended_ = true;
}

void TcStatementTransaction::Rollback() noexcept {
    if (ended_) return;
    ended_ = true;
    try {
        engine_.EndStatementTransaction(false);
    } catch (...) {
        // The statement's own error is on its way and is the one reported;
        // InTransaction stays set, as a failed rollback leaves it.
    }
}

// ---------------------------------------------------------------------------
// Connection and transaction

void TcDBBaseScripter::Connect() {
    if (Connected()) return;
    PrepareConnect();
    try {
        DoConnect();
    } catch (const std::exception& error) {
        UnprepareConnect();
        if (!SuppressError) throw;
        LastMessage = error.what();
        return;
    }
    SetConnected(true);
    // The connection is open whatever the owner's handler does; its error
    // reaches the caller with the engine consistently connected.
    if (OnConnect) OnConnect(*this, ConnectString());
}

void TcDBBaseScripter::Disconnect() {
    if (Connected() && OnBeforeDisconnect) {
        bool cancel = false;
        OnBeforeDisconnect(*this, cancel);
        if (cancel) return;
    }
    // The first error is the one reported; a failed rollback does not keep
    // the attachment open.
    std::exception_ptr failure;
    if (Connected()) {
        try {
            if (InTransaction()) Rollback();
        } catch (...) {
            failure = std::current_exception();
        }
        try {
            DoDisconnect();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        SetConnected(false);
        if (OnAfterDisconnect) OnAfterDisconnect(*this);
    }
    UnprepareConnect();
    SetInTransaction(false);
    if (failure) std::rethrow_exception(failure);
}

void TcDBBaseScripter::StartTransaction() {
    if (InTransaction()) return;
    DoStartTransaction();
    SetInTransaction(true);
}

void TcDBBaseScripter::Commit() {
    if (!InTransaction()) return;
    DoCommit();
    SetInTransaction(false);
}

void TcDBBaseScripter::Rollback() {
    if (!InTransaction()) return;
    DoRollback();
    SetInTransaction(false);
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
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Exception(
            Format("Cannot open file \"%s\". %s", fileName.c_str(), std::strerror(errno)));
    TcScopeExit closeFile([fd] { close(fd); });
    return ReadScriptText(fd, fileName);
}

std::string ReadScriptText(int fd, const std::string& fileName) {
    const bool standardInput = fileName.empty();
    // Opening a directory succeeds and reading it yields nothing or an
    // error: either would pass for an empty script.
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
        throw Exception(standardInput ? std::string("Standard input is a directory.")
                                      : Format("%s is a directory.", fileName.c_str()));
    // Endless input (/dev/zero, a device, a pipe that never ends) is refused
    // as soon as it shows what it is, not when memory runs out.
    const auto tooLarge = [&] {
        return Exception(standardInput ? std::string("Standard input is larger than 1 GiB.")
                                       : Format("Cannot read file \"%s\". It is larger than 1 GiB.",
                                                fileName.c_str()));
    };
    const auto notText = [&] {
        return Exception(standardInput ? std::string("Standard input is not a text file.")
                                       : Format("Cannot read file \"%s\". It is not a text file.",
                                                fileName.c_str()));
    };
    std::string text;
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        if (static_cast<uint64_t>(info.st_size) > kMaxScriptBytes) throw tooLarge();
        text.reserve(static_cast<size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            if (std::memchr(buffer, '\0', static_cast<size_t>(got)) != nullptr) throw notText();
            if (text.size() + static_cast<size_t>(got) > kMaxScriptBytes) throw tooLarge();
            text.append(buffer, static_cast<size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            // A script cut short by a read error must not run as if whole.
            throw Exception(standardInput
                                ? Format("Cannot read standard input. %s", std::strerror(errno))
                                : Format("Cannot read file \"%s\". %s", fileName.c_str(),
                                         std::strerror(errno)));
        }
    }
    // Editors that save UTF-8 with a byte-order mark put it before the first
    // command, which would then match no keyword.
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
    return text;
}
