#pragma once
// tessel-cli as a child process, for the tests of faults and signals. Its
// standard output is read as it comes (through a pipe, or through a pseudo
// terminal that is also its standard input), its standard error goes to a
// file. Every wait takes a limit that only guards against a hang: a test
// never passes or fails by how fast the child is.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class TcCliChild {
  public:
    enum class TInput { None, Terminal };
    // Starts TESSEL_CLI with `arguments` in `folder`. With TInput::None
    // standard input is /dev/null; with TInput::Terminal standard input and
    // output are a pseudo terminal, so the child asks its questions there.
    TcCliChild(const std::vector<std::string>& arguments, const std::string& folder,
               TInput input = TInput::None);
    // A child still running is killed and reaped.
    ~TcCliChild();
    TcCliChild(const TcCliChild&) = delete;
    TcCliChild& operator=(const TcCliChild&) = delete;

    // Reads the output until it holds `text`; false when the output ended
    // or the limit passed first.
    bool WaitForOutput(const std::string& text,
                       std::chrono::seconds limit = std::chrono::seconds(120));
    // The same for `then` after the first `first` in the output: for a
    // prompt that must stand after some output before anything is typed.
    bool WaitForOutput(const std::string& first, const std::string& then,
                       std::chrono::seconds limit = std::chrono::seconds(120));
    // Types on the child's terminal (TInput::Terminal only).
    void Type(const std::string& text);
    // Whether the child's terminal echoes what is typed (TInput::Terminal
    // only); readable after the child has ended too.
    bool TerminalEchoes() const;
    void Signal(int signal);
    pid_t Pid() const { return pid_; }

    struct TEnd {
        bool Ended = false;   // false: still running when the limit passed
        bool Exited = false;  // exited by itself (else a signal ended it)
        int Status = -1;      // exit status, when Exited
        int Signal = 0;       // the ending signal, when not Exited
    };
    // Reads the rest of the output and waits until the child has ended.
    TEnd Wait(std::chrono::seconds limit = std::chrono::seconds(120));

    const std::string& Output() const { return output_; }
    // What the child wrote to standard error so far.
    std::string Errors() const;

  private:
    // Reads what is there, waiting until `deadline`; false at the end of the output.
    bool ReadSome(std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    int fd_ = -1;  // the pipe's or the terminal's reading end
    bool outputEnded_ = false;
    std::string errorFile_;
    std::string output_;
};

// A whole run of tessel-cli through the shell in `folder`: `arguments` may
// hold input redirections; standard output goes to `stdoutTarget` (read back
// when it is cli.out) and standard error to cli.err.
struct Outcome {
    int status;  // -1 when ended by a signal
    std::string out;
    std::string err;
};
Outcome RunCli(const std::string& arguments, const std::string& folder,
               const std::string& stdoutTarget = "cli.out");

// Waits, with a limit that only guards against a hang, until the condition
// holds; false when the limit passed first.
bool WaitUntil(const std::function<bool()>& condition);

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
