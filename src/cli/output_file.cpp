#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr size_t kBlock = 64 * 1024;

// A Firebird database starts with its header page: page type 1, the page
// size (a power of two from 1 KiB to 64 KiB) at byte 16 and the on-disk
// structure version, with Firebird's flag 0x8000, at byte 18; both little
// endian on the machines Firebird writes them on.
bool HoldsFirebirdDatabase(const std::string& fileName) {
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    unsigned char header[20] = {};
    const ssize_t got = read(fd, header, sizeof header);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof header) || header[0] != 1) return false;
    const unsigned pageSize = header[16] | (header[17] << 8);
    const unsigned version = header[18] | (header[19] << 8);
    return pageSize >= 1024 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0 &&
           (version & 0x8000) != 0;
}
}  // namespace

std::string RefusedOutputFile(const std::string& fileName, const std::string& database) {
    struct stat output {};
    // Only a regular file can be a database: a device or a pipe is never
    // read here, and a file that is not there yet holds nothing.
    if (stat(fileName.c_str(), &output) != 0 || !S_ISREG(output.st_mode)) return std::string();
    struct stat connected {};
    if (!database.empty() && stat(database.c_str(), &connected) == 0 &&
        connected.st_dev == output.st_dev && connected.st_ino == output.st_ino)
        return "Cannot write the output file " + fileName + ". It is the database of -d.";
    if (HoldsFirebirdDatabase(fileName))
        return "Cannot write the output file " + fileName + ". It holds a Firebird database.";
    return std::string();
}

TcOutputFile::TcOutputFile() : fd_(STDOUT_FILENO) {
    buffer_.reserve(kBlock);
}

TcOutputFile::TcOutputFile(const std::string& fileName) : name_(fileName) {
    fd_ = open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) Fail(errno);
    buffer_.reserve(kBlock);
}

TcOutputFile::~TcOutputFile() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (timer_.joinable()) timer_.join();
}

void TcOutputFile::Fail(int error) {
    if (error_ == 0) error_ = error;
    buffer_.clear();
}

void TcOutputFile::WriteOut() {
    size_t done = 0;
    while (error_ == 0 && done < buffer_.size()) {
        const ssize_t written = write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written >= 0)
            done += static_cast<size_t>(written);
        else if (errno != EINTR)
            Fail(errno);
    }
    buffer_.clear();
}

bool TcOutputFile::Flush() {
    std::lock_guard lock(mutex_);
    if (!buffer_.empty()) WriteOut();
    return error_ == 0;
}

void TcOutputFile::FlushEvery(std::chrono::milliseconds interval) {
    if (timer_.joinable()) return;
    timer_ = std::thread([this, interval] {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (!wake_.wait_for(lock, interval, [this] { return stopping_; }) && !closed_ &&
                !buffer_.empty())
                WriteOut();
        }
    });
}

bool TcOutputFile::Close() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (!closed_ && fd_ >= 0) {
            if (!buffer_.empty()) WriteOut();
            // A file system may report a failed write only when the file
            // closes. Standard output stays open for whatever the process
            // still writes: a copy of it is closed, which reports the same.
            const int fd = name_.empty() ? dup(fd_) : fd_;
            if (fd >= 0 && close(fd) != 0 && errno != EINTR) Fail(errno);
            closed_ = true;
        }
    }
    wake_.notify_all();
    if (timer_.joinable()) timer_.join();
    std::lock_guard lock(mutex_);
    return error_ == 0;
}

std::string TcOutputFile::Failure() const {
    std::lock_guard lock(mutex_);
    if (error_ == 0) return std::string();
    const std::string reason = std::strerror(error_);
    return name_.empty() ? "Cannot write the standard output. " + reason + "."
                         : "Cannot write the output file " + name_ + ". " + reason + ".";
}

std::streamsize TcOutputFile::xsputn(const char* text, std::streamsize count) {
    std::lock_guard lock(mutex_);
    if (error_ != 0 || closed_) return count;  // dropped: the failure is reported once
    buffer_.append(text, static_cast<size_t>(count));
    if (buffer_.size() >= kBlock) WriteOut();
    return count;
}

TcOutputFile::int_type TcOutputFile::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    xsputn(&byte, 1);
    return c;
}

int TcOutputFile::sync() {
    return Flush() ? 0 : -1;
}
