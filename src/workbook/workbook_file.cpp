#include "workbook/workbook_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "workbook/workbook_errors.h"

namespace spreadsheet {

namespace {

[[noreturn]] void RaiseWrite(const std::string& name, int error) {
    throw EWorkbookError("Cannot write '" + name + "': " + std::strerror(error) + ".");
}

[[noreturn]] void RaiseNotRegular(const std::string& name, const struct stat& status) {
    if (S_ISDIR(status.st_mode)) throw EWorkbookError(name + " is a directory.");
    throw EWorkbookError(name +
                         " is not a regular file; a workbook is read from and written to regular "
                         "files only.");
}

// Closes a descriptor when it goes out of scope.
class TcDescriptor {
  public:
    explicit TcDescriptor(int fd) : fd_(fd) {}
    TcDescriptor(const TcDescriptor&) = delete;
    TcDescriptor& operator=(const TcDescriptor&) = delete;
    ~TcDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    // Closes now; the error close reported, or 0.
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

// The mode a new file gets from the user's umask (mkstemp makes 0600).
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string WorkbookTarget(const std::string& name) {
    std::filesystem::path path = name;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path.string();
        if (links == 40)
            throw EWorkbookError("Cannot use '" + name + "': " + std::strerror(ELOOP) + ".");
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(path, error);
        if (error) throw EWorkbookError("Cannot use '" + name + "': " + error.message() + ".");
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
}

void CheckWritableWorkbook(const std::string& name) {
    const std::string target = WorkbookTarget(name);
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        if (errno == ENOENT) return;  // a new file
        RaiseWrite(name, errno);
    }
    if (!S_ISREG(status.st_mode)) RaiseNotRegular(name, status);
    if (status.st_nlink > 1)
        throw EWorkbookError(name + " has " + std::to_string(status.st_nlink) +
                             " hard links; a workbook is written as a new file, which would part "
                             "them. Write it under another name or remove the other links.");
}

TBytes ReadWorkbookFile(const std::string& name) {
    // O_NONBLOCK: opening a pipe must not wait for a writer before it is refused.
    TcDescriptor file(::open(name.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        throw EWorkbookError("Cannot open '" + name + "': " + std::strerror(errno) + ".");
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        throw EWorkbookError("Cannot read '" + name + "': " + std::strerror(errno) + ".");
    if (!S_ISREG(status.st_mode)) RaiseNotRegular(name, status);
    const auto size = static_cast<uint64_t>(status.st_size);
    if (size > kMaxWorkbookFileBytes)
        throw EWorkbookError(name + " is too large for an Excel 97 workbook (" +
                             std::to_string(size >> 20) + " MB; at most " +
                             std::to_string(kMaxWorkbookFileBytes >> 20) + " MB are read).");
    TBytes bytes(static_cast<size_t>(size));
    size_t done = 0;
    // A file that shrinks while it is read ends early; one that grows is read
    // to the size it had, so the limit holds.
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw EWorkbookError("Cannot read '" + name + "': " + std::strerror(errno) + ".");
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void ReplaceWorkbookFile(const std::string& name, const std::vector<const TBytes*>& parts) {
    ReplaceWorkbookFileWith(name, [&parts](int fd, const std::string&) {
        for (const TBytes* part : parts)
            if (!WriteAll(fd, part->data(), part->size())) return errno;
        return 0;
    });
}

void ReplaceWorkbookFileWith(const std::string& name,
                             const std::function<int(int fd, const std::string& path)>& write) {
    CheckWritableWorkbook(name);
    const std::filesystem::path target = WorkbookTarget(name);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;

    // A unique name beside the target: the same file system, so the rename
    // is atomic, and no file of the user's is taken over.
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    TcDescriptor file(::mkostemp(pattern.data(), O_CLOEXEC));
    if (file.Get() < 0) RaiseWrite(name, errno);
    const std::string temporary = pattern;
    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        RaiseWrite(name, error);
    };

    if (exists) {
        // Owner and group where permitted (the group alone, else nothing).
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(file.Get(), old.st_uid, old.st_gid) != 0)
            (void)::fchown(file.Get(), static_cast<uid_t>(-1), old.st_gid);
    }
    // After fchown, which may clear the set-id bits.
    if (::fchmod(file.Get(), exists ? (old.st_mode & 07777) : NewFileMode()) != 0) fail(errno);
    try {
        if (const int error = write(file.Get(), temporary)) fail(error);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (::fsync(file.Get()) != 0) fail(errno);
    if (const int error = file.Close()) fail(error);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) fail(errno);
}

}  // namespace spreadsheet
