#include "cli/cli_session.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "app/signal_watcher.h"

#include "app/tessel.h"
#include "engine/parameter_value.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "foundation/string_utils.h"
#include "scripter/ddl_commands.h"
#include "scripter/password_mask.h"
#include "scripter/scripter_view.h"

namespace {
// The longest statement the session copies for its error messages.
constexpr size_t kCopiedStatement = size_t{1} << 20;
// The error that ends a statement when a signal stops the run.
const char* const kInterrupted = "Interrupted.";

// Terminal lines use plain line feeds.
std::string ForTerminal(const std::string& text) {
    return ReplaceAll(text, "\r\n", "\n");
}

// The output cannot be written: the run ends, whatever the statement is.
class TcOutputLost : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The number of the line on which the text ends.
int32_t LastLine(const std::string& text) {
    const auto breaks = static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
    return std::max(1, breaks + (text.empty() || text.back() == '\n' ? 0 : 1));
}
}  // namespace

TcCliSession::TcCliSession(TcDBScripter_IB& engine, const TcCliOptions& options, std::ostream& out,
                           std::ostream& err, ICliTerminal* terminal)
    : engine_(engine), options_(options), out_(out), err_(err), terminal_(terminal) {
    engine_.StartTransactionModel = TStartTransactionModel::Implicit;
    engine_.WarnOnRecordsReturned = 1000;
    engine_.Echo = options.Echo;
    // The records question needs someone to answer it.
    engine_.OwnerWindow = terminal_ ? this : nullptr;
    engine_.OnBeforeStatement = [this](TcDBBaseScripter&, std::string& statement, bool& handled) {
        handled = false;
        // A long statement is not held twice for an error message that
        // shows its start: the engine holds it as CurrentStatement. Only one
        // refused here, which never gets there, is copied whatever its size.
        lastIsEngines_ = statement.size() > kCopiedStatement;
        lastStatement_ = lastIsEngines_ ? std::string() : statement;
        const auto refuse = [&] {
            if (lastIsEngines_) lastStatement_ = statement;
            lastIsEngines_ = false;
        };
        if (watcher_ != nullptr && watcher_->Received() != 0) {
            refuse();
            RaiseUser(kInterrupted);
        }
        if (OutputFailure)
            if (std::string failure = OutputFailure(); !failure.empty()) {
                refuse();
                throw TcOutputLost(failure);
            }
        wasInTransaction_ = engine_.InTransaction();
        wasConnected_ = engine_.Connected();
        if (wasConnected_) connectedTo_ = engine_.ConnectString();
        // Output that cannot be written must fail the run before a commit
        // makes the work permanent, not after.
        if (wasInTransaction_ && MayEndTheTransaction(statement) && !CheckOutput()) {
            refuse();
            throw TcOutputLost(OutputFailure());
        }
    };
    engine_.OnAfterStatement = [this](TObject* sender, const std::string& statement, bool&) {
        ShowStatement(sender);
        if (FlushEachStatement || EndsAStep(statement)) out_.flush();
    };
    // On the statement's own stream, so that the note stands right below
    // its output wherever that goes.
    engine_.OnStatementNote = [this](TObject*, const std::string& text) {
        out_ << ForTerminal(text) << '\n';
        if (FlushEachStatement) out_.flush();
    };
    engine_.OnParameterRequest = [this](TcDBBaseScripter&, const std::string& name,
                                        std::string& value) { AskParameter(name, value); };
    engine_.OnLogin = [this](std::string&, std::string& user, std::string& password, std::string&) {
        CompleteLogin(user, password);
    };
    // Without a terminal nobody can answer: every login of the access layer
    // counts as cancelled.
    previousLoginDialog_ = std::exchange(
        LoginDialog(),
        terminal_ ? TMDOLoginDialog([this](TMDOLoginRequest& request) { return AskLogin(request); })
                  : TMDOLoginDialog());
}

TcCliSession::~TcCliSession() {
    if (watcher_ != nullptr) engine_.Sleeper = std::move(previousSleeper_);
    engine_.OnBeforeStatement = nullptr;
    engine_.OnAfterStatement = nullptr;
    engine_.OnStatementNote = nullptr;
    engine_.OnParameterRequest = nullptr;
    engine_.OnLogin = nullptr;
    engine_.OwnerWindow = nullptr;
    LoginDialog() = std::move(previousLoginDialog_);
}

void TcCliSession::WatchSignals(TcSignalWatcher& watcher) {
    watcher_ = &watcher;
    previousSleeper_ = std::move(engine_.Sleeper);
    engine_.Sleeper = [this](int64_t milliseconds) {
        // What ran before the wait stands on the output while it lasts.
        out_.flush();
        if (!watcher_->Sleep(milliseconds)) RaiseUser(kInterrupted);
    };
}

void TcCliSession::WriteBanner() {
    for (const std::string& line : TesselBannerLines(engine_)) out_ << line << "\n";
    out_.flush();
}

std::string TcCliSession::CommandKeyword(const std::string& statement) const {
    // Matched as the engine matches commands: by the start of the statement
    // with line breaks made blanks. No keyword is longer than the prefix.
    std::string start = UpperCase(std::string_view(statement).substr(0, 128));
    start = RemoveChars(ReplaceAll(start, "\n", " "), "\r");
    std::string matched;
    if (FindCommand(engine_.Commands, start, matched) == nullptr) return std::string();
    return matched;
}

bool TcCliSession::OpensAConnection(const std::string& statement) const {
    const std::string keyword = CommandKeyword(statement);
    return StartsWithText(keyword, "CONNECT") || StartsWithText(keyword, "CREATE DATABASE");
}

bool TcCliSession::MayEndTheTransaction(const std::string& statement) const {
    // Rows come and go in the transaction; anything else may end it (COMMIT,
    // DDL that commits, a connection that comes or goes).
    const std::string start = UpperCase(TrimWhitespace(std::string_view(statement).substr(0, 32)));
    for (const char* keeps : {"INSERT", "UPDATE", "DELETE", "SELECT", "MERGE", "WITH", "ROLLBACK"})
        if (start.starts_with(keeps)) return false;
    // Settings of this program leave the transaction as it is.
    return !StartsWithText(CommandKeyword(statement), "SET ");
}

bool TcCliSession::EndsAStep(const std::string& statement) const {
    // A transaction ended (COMMIT, ROLLBACK, DDL, a disconnect), or a
    // connection came or went.
    if (wasInTransaction_ && !engine_.InTransaction()) return true;
    if (wasConnected_ != engine_.Connected()) return true;
    const std::string keyword = CommandKeyword(statement);
    if (!keyword.empty())
        return !StartsWithText(keyword, "SET ");  // a setting is no step of its own
    // SQL that ended its own transaction (the explicit model).
    return !engine_.InTransaction();
}

void TcCliSession::ShowStatement(TObject*) {
    // A failing statement shows what it produced before it failed (its echo,
    // plan and the rows fetched so far), as the console's output list does;
    // its error goes to standard error afterwards (ReportError).
    if (engine_.SuppressOutput) return;
    // The view's echo line shows the statement without its password. Lines
    // are written as they are made: a large result is never held twice.
    engine_.View().WriteOutput([this](std::string_view line) {
        out_.write(line.data(), static_cast<std::streamsize>(line.size()));
        out_.put('\n');
    });
}

void TcCliSession::AskParameter(const std::string& name, std::string& value) {
    if (!terminal_) return;
    out_.flush();
    const std::optional<std::string> answer =
        terminal_->ReadLine("Parameter requested: " + name + ": ");
    if (!answer || answer->empty()) return;
    value = QuoteParameterValue(*answer);
}

void TcCliSession::CompleteLogin(std::string& user, std::string& password) {
    if (user.empty()) user = options_.User;
    if (password.empty()) password = options_.Password;
    if (!terminal_) return;
    out_.flush();
    if (user.empty())
        if (auto answer = terminal_->ReadLine("User name: ")) user = *answer;
    if (password.empty())
        if (auto answer = terminal_->ReadSecret("Password: ")) password = *answer;
    // A signal ends the questions as if the input had ended: no attempt to
    // connect without the answers.
    if (watcher_ != nullptr && watcher_->Received() != 0) RaiseUser(kInterrupted);
}

bool TcCliSession::AskLogin(TMDOLoginRequest& request) {
    out_.flush();
    std::string user = request.UserName;
    if (!request.UserNameReadOnly) {
        const auto answer =
            terminal_->ReadLine("User name for " + request.Target + " [" + user + "]: ");
        if (!answer) return false;
        if (!answer->empty()) user = *answer;
    }
    const auto password = terminal_->ReadSecret("Password: ");
    if (!password) return false;
    request.UserName = user;
    if (!password->empty()) request.Password = *password;
    return true;
}

bool TcCliSession::AskYesNo(const std::string& caption, const std::string& text) {
    if (!terminal_) return true;
    out_.flush();  // the rows so far stand above the question
    for (;;) {
        const std::optional<std::string> answer =
            terminal_->ReadLine(caption + ": " + text + " (y/n) ");
        if (!answer) return false;
        const std::string reply = LowerCase(TrimBlanks(*answer));
        if (reply == "y" || reply == "yes") return true;
        if (reply == "n" || reply == "no") return false;
    }
}

bool TcCliSession::CheckOutput() {
    out_.flush();
    const std::string failure = OutputFailure ? OutputFailure() : std::string();
    if (failure.empty()) return true;
    if (!outputFailureReported_) {
        err_ << failure << '\n';
        err_.flush();
        outputFailureReported_ = true;
    }
    return false;
}

void TcCliSession::ReportError(const std::exception& error) {
    out_.flush();  // what ran before the error is shown before it
    std::string where;
    if (engine_.ErrorLine > 0)
        where = (engine_.ErrorSource.empty() ? std::string("<input>") : engine_.ErrorSource) + ":" +
                std::to_string(engine_.ErrorLine) + ": ";
    // A statement of megabytes would bury the message.
    constexpr size_t kShown = 2000;
    const std::string& failed = FailedStatement();
    std::string statement = HidePasswords(failed);
    // Line ends are made plain in no more than what can be shown: the
    // shown part is then as if the whole text had been converted.
    if (statement.size() > 2 * kShown + 2) statement.resize(2 * kShown + 2);
    statement = ForTerminal(statement);
    if (statement.size() > kShown) statement = statement.substr(0, kShown) + " ...";
    err_ << where << statement << '\n';
    err_ << ForTerminal(HidePasswordWords(error.what(), failed)) << '\n';
    // The engine has let the attachment go: later statements would only
    // meet "invalid database handle".
    if (wasConnected_ && !engine_.Connected()) {
        // CONNECT and CREATE DATABASE close the earlier connection
        // themselves before they open theirs.
        if (OpensAConnection(failed))
            err_ << "Disconnected from " << connectedTo_ << ".\n";
        else
            err_ << "The connection to the database was lost.\n";
    }
    err_.flush();
}

int TcCliSession::ConnectFirst() {
    if (options_.Database.empty()) return cliOk;
    try {
        engine_.SetDatabaseName(options_.Database);
        engine_.UserName = options_.User;
        engine_.Password = options_.Password;
        engine_.RoleName = options_.Role;
        engine_.Connect();
    } catch (const std::exception& error) {
        err_ << "Cannot connect to " << options_.Database << ":\n"
             << ForTerminal(error.what()) << '\n';
        return cliCannotOpen;
    }
    return cliOk;
}

const std::string& TcCliSession::FailedStatement() const {
    // A command that runs another statement inside it (CHECK) leaves that
    // one as the engine's: for a long statement the error then shows it.
    return lastIsEngines_ ? engine_.CurrentStatement : lastStatement_;
}

int TcCliSession::RunScript(std::string text, const std::string& source) {
    engine_.ScriptSource = source;
    lastStatement_.clear();
    lastIsEngines_ = false;
    lastSource_ = source;
    lastLine_ = LastLine(text);
    try {
        engine_.ExecuteScript(std::move(text));
    } catch (const TcOutputLost&) {
        CheckOutput();
        return cliStatementFailed;
    } catch (const std::exception& error) {
        ReportError(error);
        return engine_.CheckFailures > 0 ? cliCheckFailed : cliStatementFailed;
    }
    return cliOk;
}

int TcCliSession::ExtractDatabase() {
    TStringList unwritten;
    try {
        out_ << ReplaceAll(DescribeDatabaseText(engine_, &unwritten), "\r\n", "\n");
    } catch (const std::exception& error) {
        out_.flush();
        err_ << ForTerminal(error.what()) << '\n';
        err_.flush();
        return cliStatementFailed;
    }
    const bool written = CheckOutput();
    // A script that leaves objects out does not rebuild the database: each
    // is named (as in the script's comments) and the run fails.
    for (const std::string& what : unwritten)
        err_ << "Not extracted: " << ForTerminal(what) << '\n';
    err_.flush();
    return written && unwritten.empty() ? cliOk : cliStatementFailed;
}

int TcCliSession::RunInteractive() {
    interactive_ = true;
    int status = cliOk;
    // Each line is scanned once as it comes: a statement of thousands of
    // pasted lines is not scanned again for every line.
    TcStatementInput input(engine_.Terminator());
    for (;;) {
        const std::optional<std::string> line =
            terminal_->ReadLine(input.Text().empty() ? "SQL> " : "CON> ");
        if (!line) {
            out_ << '\n';  // the end of input leaves the cursor after the prompt
            out_.flush();
            break;
        }
        input.Append(*line);
        input.Append("\n");
        if (!input.IsComplete()) continue;
        std::string text = input.Take();
        AddToHistory(text);
        // A failure is reported; the session goes on, unless the output
        // can no longer be written.
        if (RunScript(std::move(text), "") != cliOk) status = cliStatementFailed;
        if (!CheckOutput()) return cliStatementFailed;
        if (watcher_ != nullptr && watcher_->Received() == SIGINT) {
            // Ctrl-C stopped the statement, not the session: the prompt
            // comes back with the connection and its transaction as the
            // statement left them. Ctrl-C at the prompt itself, and SIGTERM,
            // end the session.
            watcher_->Rearm();
        }
    }
    if (!TrimWhitespace(input.Text()).empty()) {
        AddToHistory(input.Text());
        if (RunScript(input.Text(), "") != cliOk) status = cliStatementFailed;
    }
    return status;
}

void TcCliSession::AddToHistory(const std::string& text) {
    // Whole statements, not lines: a statement of several lines comes back
    // whole, and its password is masked in the file wherever it stands.
    std::string entry = text;
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
    if (!TrimWhitespace(entry).empty()) terminal_->AddHistory(entry, engine_.Terminator());
}

bool TcCliSession::Finish(bool success) {
    const bool interrupted = watcher_ != nullptr && watcher_->Received() != 0;
    bool ok = true;
    if (engine_.InTransaction()) {
        bool commit = success && !interrupted;
        if (terminal_ && !interrupted)
            commit = AskYesNo("Warning", "Transaction active, commit before disconnecting?");
        try {
            if (commit) {
                if (watcher_ != nullptr) watcher_->HoldGuard(true);
                TcScopeExit release([this] {
                    if (watcher_ != nullptr) watcher_->HoldGuard(false);
                });
                engine_.Commit();
            } else {
                engine_.Rollback();
            }
            if (interrupted) {
                SayRolledBack();
            } else if (commit && watcher_ != nullptr && watcher_->Received() != 0) {
                // The signal came while the commit ran, too late to undo it:
                // the run ends as the commit did.
                err_ << "Transaction committed.\n";
                err_.flush();
                watcher_->Rearm();
            }
        } catch (const std::exception& error) {
            ReportEndOfRun(commit ? "COMMIT" : "ROLLBACK", error);
            ok = false;
            // A signal cancelled the commit: the transaction is rolled back
            // as for any signal, and said so.
            if (commit && watcher_ != nullptr && watcher_->Received() != 0 &&
                engine_.InTransaction())
                RollBackInterrupted();
        }
    }
    // Rolls back what a failed commit left open.
    try {
        engine_.Disconnect();
    } catch (const std::exception& error) {
        if (ok) ReportEndOfRun("DISCONNECT", error);
        ok = false;
    }
    return ok;
}

void TcCliSession::SayRolledBack() {
    err_ << "Transaction rolled back.\n";
    err_.flush();
}

void TcCliSession::RollBackInterrupted() {
    try {
        engine_.Rollback();
        SayRolledBack();
    } catch (const std::exception& error) {
        ReportEndOfRun("ROLLBACK", error);
    }
}

void TcCliSession::ReportEndOfRun(const char* action, const std::exception& error) {
    out_.flush();
    // Named like a failing statement: where the input ended, and what was
    // done there.
    if (!lastSource_.empty()) err_ << lastSource_ << ':' << lastLine_ << ": ";
    err_ << action << " at the end of the " << (interactive_ ? "session" : "script") << '\n'
         << ForTerminal(error.what()) << '\n';
    err_.flush();
}
