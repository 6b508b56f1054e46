#include "app/run_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

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

int ExitStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return status;
}

}  // namespace

int RunProgram(const std::string& program, const std::string& parameters, bool wait,
               const std::string& directory, const std::function<bool()>& keepWaiting) {
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
    if (error != 0) throw EExecuteApplication(std::strerror(error));

    int status = 0;
    while (wait) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return ExitStatus(status);
        if (done < 0 && errno != EINTR) throw EExecuteApplication(std::strerror(errno));
        if (keepWaiting && !keepWaiting()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Reaped by a detached waiter, so the child leaves no zombie behind.
    std::thread([child] {
        int ignored = 0;
        while (waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}
