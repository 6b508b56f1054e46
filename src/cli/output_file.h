#pragma once
// Where a tessel-cli run writes its output lines: standard output or the -o
// file, through the descriptor itself, so that every failure is seen with
// the system's reason.
//
// Contract: the run writes on one thread; Flush may come from a second (the
// timer of FlushEvery), so every access to the buffer takes the lock. The
// buffer is written out when it passes 64 KiB, on Flush (std::ostream::flush
// ends there), and at least once per interval given to FlushEvery: a killed
// run leaves at most that much time's output unwritten, and rows are never
// written one by one. After the first failure nothing more is written and
// the failure stays.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>

class TcOutputFile : public std::streambuf {
  public:
    // Standard output.
    TcOutputFile();
    // Creates or empties the file; Failure() says why when it cannot.
    explicit TcOutputFile(const std::string& fileName);
    // Stops the timer; writes nothing more and closes nothing: call Close.
    ~TcOutputFile() override;
    TcOutputFile(const TcOutputFile&) = delete;
    TcOutputFile& operator=(const TcOutputFile&) = delete;

    // Writes out what is buffered; false once anything failed.
    bool Flush();
    // From now on also flushes whenever `interval` has passed since the
    // last write-out.
    void FlushEvery(std::chrono::milliseconds interval);
    // Flushes, stops the timer and closes the file (for standard output a
    // copy of its descriptor: a close can report the last write's
    // failure). False once anything failed.
    bool Close();
    // The first failure as a message naming the output and the system's
    // reason; empty while none.
    std::string Failure() const;

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    // With the lock held.
    void WriteOut();
    void Fail(int error);

    std::string name_;  // empty for standard output
    int fd_ = -1;
    mutable std::mutex mutex_;
    std::string buffer_;
    int error_ = 0;
    bool closed_ = false;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread timer_;
};

// Why the file named by -o must not be opened for writing (emptying it):
// it is the database of -d (the same device and inode) or holds a Firebird
// database. Empty when it may be written.
std::string RefusedOutputFile(const std::string& fileName, const std::string& database);
