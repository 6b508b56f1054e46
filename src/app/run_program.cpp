#include "app/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "engine/base_scripter.h"
#include "foundation/errors.h"

extern char** environ;

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\' && i + 1 < commandLine.size()) {
            word += commandLine[++i];
        } else if (c == '\'') {
            const size_t end = commandLine.find('\'', i + 1);
            if (end == std::string::npos) throw EExecuteApplication("Unterminated quote.");
            word.append(commandLine, i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            size_t j = i + 1;
            for (; j < commandLine.size() && commandLine[j] != '"'; ++j) {
                if (commandLine[j] == '\\' && j + 1 < commandLine.size() &&
                    (commandLine[j + 1] == '"' || commandLine[j + 1] == '\\'))
                    ++j;
                word += commandLine[j];
            }
            if (j >= commandLine.size()) throw EExecuteApplication("Unterminated quote.");
            i = j;
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

namespace {

// The exit status, or minus the signal that ended the child.
int ExitStatus(int status) {
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return status;
}

// The pipe that a program's standard output and standard error go into,
// read without blocking on this side: whole lines go to the receiver as
// they arrive, a line's beginning waits for its line feed.
class TcOutputPipe {
  public:
    explicit TcOutputPipe(const TProgramOutput& receiver) : receiver_(receiver) {
        int ends[2];
        // Close-on-exec: a program another thread starts meanwhile must not
        // hold the write end (the end would never come).
        if (pipe2(ends, O_CLOEXEC) != 0) throw EExecuteApplication(std::strerror(errno));
        read_ = ends[0];
        write_ = ends[1];
        fcntl(read_, F_SETFL, fcntl(read_, F_GETFL) | O_NONBLOCK);
    }
    ~TcOutputPipe() {
        CloseWriteEnd();
        if (read_ >= 0) close(read_);
    }
    TcOutputPipe(const TcOutputPipe&) = delete;
    TcOutputPipe& operator=(const TcOutputPipe&) = delete;

    int WriteEnd() const { return write_; }
    // -1 once every writer has closed it.
    int ReadEnd() const { return read_; }
    // The program has its copy; this process must not keep the pipe open.
    void CloseWriteEnd() {
        if (write_ >= 0) close(write_);
        write_ = -1;
    }
    // Reads what the pipe holds now, a bounded amount (a pipe holds at most
    // 64 KiB by default, so a program that has ended is read whole).
    void ReadAvailable() {
        char buffer[kPiece];
        for (int reads = 0; read_ >= 0 && reads < 16; ++reads) {
            const ssize_t count = read(read_, buffer, sizeof buffer);
            if (count > 0) {
                Take(std::string_view(buffer, static_cast<size_t>(count)));
            } else if (count < 0 && errno == EINTR) {
                continue;
            } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                close(read_);  // the end of the pipe, or it failed
                read_ = -1;
            }
        }
    }
    // The text after the last line feed, once the program has ended.
    void Finish() {
        if (!pending_.empty()) receiver_(pending_);
        pending_.clear();
    }

  private:
    static constexpr size_t kPiece = 65536;

    void Take(std::string_view text) {
        pending_.append(text);
        if (const size_t last = pending_.rfind('\n'); last != std::string::npos) {
            receiver_(std::string_view(pending_).substr(0, last));
            pending_.erase(0, last + 1);
        }
        // A line without end is not held back whole.
        while (pending_.size() >= kPiece) {
            receiver_(std::string_view(pending_).substr(0, kPiece));
            pending_.erase(0, kPiece);
        }
    }

    const TProgramOutput& receiver_;
    int read_ = -1;
    int write_ = -1;
    std::string pending_;
};

// Waits for the child, false once `stop` was readable before it ended or
// keepWaiting answered false. The child's descriptor (pidfd) wakes the wait
// the moment the child ends: no look at it every so often. The output pipe,
// when there is one, is read whenever it holds something.
bool WaitForEnd(pid_t child, int pidfd, int stopFd, int timeout,
                const std::function<bool()>& keepWaiting, TcOutputPipe* output, int& status) {
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return true;
        if (done < 0 && errno != EINTR) throw EExecuteApplication(std::strerror(errno));
        if (keepWaiting && !keepWaiting()) return false;
        pollfd watched[3] = {
            {pidfd, POLLIN, 0}, {stopFd, POLLIN, 0}, {output ? output->ReadEnd() : -1, POLLIN, 0}};
        // Without a pidfd (an old kernel) the child is looked at every 10 ms.
        const int count = poll(watched, 3, pidfd < 0 ? 10 : timeout);
        if (count > 0 && (watched[1].revents & POLLIN) != 0) {
            if (waitpid(child, &status, WNOHANG) == child) return true;
            return false;
        }
        if (count > 0 && watched[2].revents != 0) output->ReadAvailable();
    }
}

// Ends a child that is no longer waited for: SIGTERM, and SIGKILL when it is
// still there after the grace period; reaped before this returns.
void EndChild(pid_t child, int pidfd) {
    constexpr int kGraceMilliseconds = 2000;
    kill(child, SIGTERM);
    int status = 0;
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kGraceMilliseconds);
    while (waitpid(child, &status, WNOHANG) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(child, SIGKILL);
            break;
        }
        pollfd watched{pidfd, POLLIN, 0};
        poll(&watched, 1, pidfd < 0 ? 10 : static_cast<int>(left.count()));
    }
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

int RunProgram(const std::string& program, const std::string& parameters, bool wait,
               const std::string& directory, const std::function<bool()>& keepWaiting, int stopFd,
               const TProgramOutput& output) {
    const std::vector<std::string> words = SplitCommandLine(program + " " + parameters);
    if (words.empty()) throw EExecuteApplication(std::strerror(ENOENT));
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    // The directory is the child's alone: a chdir here would move every
    // thread of the process.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    std::unique_ptr<TcOutputPipe> pipe;
    if (wait && output) {
        pipe = std::make_unique<TcOutputPipe>(output);
        posix_spawn_file_actions_adddup2(&actions, pipe->WriteEnd(), STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, pipe->WriteEnd(), STDERR_FILENO);
    }
    // The program gets the standard handles and nothing else: a database
    // file, the engine's lock files or a server's socket held by a program
    // that outlives this process would keep the database locked.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The program starts with no signal blocked and the usual signal
    // handling, whatever this process blocks or ignores (tessel-cli blocks
    // SIGINT in every thread but its watcher's): Ctrl-C must reach it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGQUIT, SIGPIPE, SIGHUP})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    // glibc reports a failing exec (a missing program) as the result.
    const int error = posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (pipe) pipe->CloseWriteEnd();
    if (error != 0) throw EExecuteApplication(words[0] + ": " + std::strerror(error));

    if (!wait) {
        // Reaped by a detached waiter, so the child leaves no zombie behind.
        std::thread([child] {
            int ignored = 0;
            while (waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
            }
        }).detach();
        return 0;
    }
    // Through syscall: glibc 2.36's <sys/pidfd.h> declares pidfd_open without
    // C linkage.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    int status = 0;
    bool ended = false;
    try {
        ended = WaitForEnd(child, pidfd, stopFd, keepWaiting ? 100 : -1, keepWaiting, pipe.get(),
                           status);
    } catch (...) {
        EndChild(child, pidfd);
        if (pidfd >= 0) close(pidfd);
        throw;
    }
    if (!ended) EndChild(child, pidfd);
    if (pidfd >= 0) close(pidfd);
    if (!ended) throw EStatementCancelled();
    if (pipe) {
        pipe->ReadAvailable();
        pipe->Finish();
    }
    return ExitStatus(status);
}
