#include "cli_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

TcCliChild::TcCliChild(const std::vector<std::string>& arguments, const std::string& folder,
                       TInput input)
    : errorFile_(folder + "/cli.err") {
    // Everything the child needs is prepared before the fork: between fork
    // and exec only async-signal-safe calls are allowed.
    std::vector<std::string> words{TESSEL_CLI};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // The child keeps what it remembers between runs (the prompt's history)
    // in the test's folder, never in the home of whoever runs the tests.
    std::vector<std::string> variables{"XDG_STATE_HOME=" + folder + "/state"};
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (std::strncmp(*variable, "XDG_STATE_HOME=", 15) != 0) variables.push_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    int childOut = -1;
    int childIn = -1;
    if (input == TInput::Terminal) {
        fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) Fail("posix_openpt");
        const char* name = ptsname(fd_);
        if (name == nullptr) Fail("ptsname");
        childOut = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (childOut < 0) Fail("open terminal");
        childIn = childOut;
    } else {
        int pipe[2];
        if (pipe2(pipe, O_CLOEXEC) != 0) Fail("pipe2");
        fd_ = pipe[0];
        childOut = pipe[1];
        childIn = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (childIn < 0) Fail("open /dev/null");
    }
    const int childErr = open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (childErr < 0) Fail("open error file");

    // The child starts with no signal blocked, whatever this process blocks.
    sigset_t none;
    sigemptyset(&none);
    pid_ = fork();
    if (pid_ < 0) Fail("fork");
    if (pid_ == 0) {
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (chdir(folder.c_str()) != 0 || dup2(childIn, STDIN_FILENO) < 0 ||
            dup2(childOut, STDOUT_FILENO) < 0 || dup2(childErr, STDERR_FILENO) < 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (childIn != childOut) close(childIn);
    close(childOut);
    close(childErr);
}

TcCliChild::~TcCliChild() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
}

bool TcCliChild::ReadSome(std::chrono::steady_clock::time_point deadline) {
    if (outputEnded_) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    pollfd pfd{fd_, POLLIN, 0};
    const int ready = poll(&pfd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) Fail("poll");
    if (ready <= 0) return true;
    char buffer[65536];
    const ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got > 0) {
        output_.append(buffer, static_cast<size_t>(got));
        return true;
    }
    if (got < 0 && errno == EINTR) return true;
    // The end of a pipe, or EIO on a terminal nobody holds open any more.
    outputEnded_ = true;
    return false;
}

bool TcCliChild::WaitForOutput(const std::string& text, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (output_.find(text) == std::string::npos) {
        if (!ReadSome(deadline) || std::chrono::steady_clock::now() >= deadline) {
            return output_.find(text) != std::string::npos;
        }
    }
    return true;
}

bool TcCliChild::WaitForOutput(const std::string& first, const std::string& then,
                               std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto found = [&] {
        const size_t at = output_.find(first);
        return at != std::string::npos &&
               output_.find(then, at + first.size()) != std::string::npos;
    };
    while (!found()) {
        if (!ReadSome(deadline) || std::chrono::steady_clock::now() >= deadline) return found();
    }
    return true;
}

void TcCliChild::Type(const std::string& text) {
    if (write(fd_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) Fail("write");
}

bool TcCliChild::TerminalEchoes() const {
    // On the controlling side the settings read are those of the child's side.
    termios settings{};
    if (tcgetattr(fd_, &settings) != 0) Fail("tcgetattr");
    return (settings.c_lflag & ECHO) != 0;
}

void TcCliChild::Signal(int signal) {
    if (pid_ > 0 && kill(pid_, signal) != 0) Fail("kill");
}

TcCliChild::TEnd TcCliChild::Wait(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadSome(deadline) && std::chrono::steady_clock::now() < deadline) {
    }
    TEnd end;
    int raw = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) break;
        if (done < 0) Fail("waitpid");
        if (std::chrono::steady_clock::now() >= deadline) return end;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    end.Ended = true;
    end.Exited = WIFEXITED(raw);
    end.Status = end.Exited ? WEXITSTATUS(raw) : -1;
    end.Signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    return end;
}

std::string TcCliChild::Errors() const {
    std::ifstream in(errorFile_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Outcome RunCli(const std::string& arguments, const std::string& folder,
               const std::string& stdoutTarget) {
    const std::string command = "cd '" + folder + "' && " + TESSEL_CLI + " " + arguments + " >" +
                                stdoutTarget + " 2>cli.err";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
            stdoutTarget == "cli.out" ? ReadFile(folder + "/cli.out") : std::string(),
            ReadFile(folder + "/cli.err")};
}

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
