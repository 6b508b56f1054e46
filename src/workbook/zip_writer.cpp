#include "workbook/zip_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace spreadsheet {

namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kZip64End = 0x06064B50;
constexpr uint32_t kZip64Locator = 0x07064B50;
constexpr uint32_t kEnd = 0x06054B50;
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kVersion = 20;       // deflate
constexpr uint16_t kVersionZip64 = 45;  // Zip64 extensions
constexpr size_t kBufferSize = size_t{1} << 20;
// Pieces waiting for the worker: enough to keep it busy, few enough that a
// fast caller does not pile up the member in memory.
constexpr size_t kPiecesInFlight = 4;

void Le(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void Le16(std::vector<uint8_t>& out, uint64_t value) {
    Le(out, value, 2);
}
void Le32(std::vector<uint8_t>& out, uint64_t value) {
    Le(out, value, 4);
}
void Le64(std::vector<uint8_t>& out, uint64_t value) {
    Le(out, value, 8);
}

uint32_t Clip32(uint64_t value, bool zip64) {
    return zip64 || value >= kMax32 ? kMax32 : static_cast<uint32_t>(value);
}

}  // namespace

TcZipWriter::TcZipWriter(int fd, int level, bool forceZip64) : fd_(fd), forceZip64_(forceZip64) {
    // Raw deflate: the archive's own headers stand in for zlib's.
    if (deflateInit2(&stream_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw EZipWrite(ENOMEM);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // The archive's times are local, to two seconds, from 1980 on.
    time_ = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    date_ = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) |
                                  local.tm_mday);
    buffer_.reserve(kBufferSize + 65536);
    worker_ = std::thread([this] { Work(); });
}

TcZipWriter::~TcZipWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
    deflateEnd(&stream_);
}

void TcZipWriter::Add(std::string_view name, std::string_view data) {
    Begin(name, data.size());
    std::string piece(data);
    Write(piece);
    End();
}

void TcZipWriter::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !pieces_.empty(); });
        if (pieces_.empty()) return;  // stopped, and nothing left to write
        std::string piece = std::move(pieces_.front());
        pieces_.pop_front();
        busy_ = true;
        const bool failed = error_ != 0;
        lock.unlock();
        int error = 0;
        // After a failure the rest is dropped: the archive is given up.
        if (!failed) {
            try {
                Consume(piece);
            } catch (const EZipWrite& failure) {
                error = failure.Error;
            }
        }
        piece.clear();
        lock.lock();
        if (error != 0) error_ = error;
        spent_.push_back(std::move(piece));
        busy_ = false;
        changed_.notify_all();
    }
}

void TcZipWriter::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pieces_.empty() && !busy_; });
    if (error_ != 0) throw EZipWrite(error_);
}

void TcZipWriter::Begin(std::string_view name, uint64_t sizeBound) {
    Drain();
    TcMember member;
    member.Name = std::string(name);
    member.Offset = offset_;
    // Deflate may grow a member a little; the bound leaves room for that.
    member.Zip64 = forceZip64_ || sizeBound + sizeBound / 64 + 4096 >= kMax32;
    std::vector<uint8_t> header;
    Le32(header, kLocalHeader);
    Le16(header, member.Zip64 ? kVersionZip64 : kVersion);
    Le16(header, 0);
    Le16(header, kDeflated);
    Le16(header, time_);
    Le16(header, date_);
    Le32(header, 0);  // checksum and sizes: written by End
    Le32(header, member.Zip64 ? kMax32 : 0);
    Le32(header, member.Zip64 ? kMax32 : 0);
    Le16(header, member.Name.size());
    Le16(header, member.Zip64 ? 20 : 0);
    header.insert(header.end(), member.Name.begin(), member.Name.end());
    if (member.Zip64) {
        Le16(header, 1);  // the Zip64 extra field: both sizes
        Le16(header, 16);
        Le64(header, 0);
        Le64(header, 0);
    }
    Put(header.data(), header.size());
    members_.push_back(std::move(member));
    deflateReset(&stream_);
    open_ = true;
}

void TcZipWriter::Write(std::string& piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pieces_.size() < kPiecesInFlight || error_ != 0; });
    if (error_ != 0) throw EZipWrite(error_);
    pieces_.push_back(std::move(piece));
    piece = std::string();
    if (!spent_.empty()) {
        piece = std::move(spent_.back());
        spent_.pop_back();
    }
    changed_.notify_all();
}

void TcZipWriter::Consume(std::string_view data) {
    TcMember& member = members_.back();
    member.Crc = static_cast<uint32_t>(
        crc32_z(member.Crc, reinterpret_cast<const Bytef*>(data.data()), data.size()));
    member.Size += data.size();
    Deflate(data, Z_NO_FLUSH);
}

void TcZipWriter::Deflate(std::string_view data, int flush) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = 0;
    size_t left = data.size();
    for (;;) {
        // zlib counts in 32 bits; a larger piece goes in parts.
        if (stream_.avail_in == 0 && left > 0) {
            stream_.avail_in = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
            left -= stream_.avail_in;
        }
        const size_t used = buffer_.size();
        const size_t room = 65536;
        buffer_.resize(used + room);
        stream_.next_out = buffer_.data() + used;
        stream_.avail_out = static_cast<uInt>(room);
        const int result = deflate(&stream_, left > 0 ? Z_NO_FLUSH : flush);
        const size_t made = room - stream_.avail_out;
        buffer_.resize(used + made);
        offset_ += made;
        if (buffer_.size() >= kBufferSize) Flush();
        if (result == Z_STREAM_END) return;
        if (result != Z_OK && result != Z_BUF_ERROR) throw EZipWrite(EIO);
        if (stream_.avail_out != 0 && stream_.avail_in == 0 && left == 0 && flush == Z_NO_FLUSH)
            return;
    }
}

void TcZipWriter::End() {
    Drain();
    Deflate({}, Z_FINISH);
    open_ = false;
    TcMember& member = members_.back();
    const uint64_t dataStart = member.Offset + 30 + member.Name.size() + (member.Zip64 ? 20 : 0);
    member.CompressedSize = offset_ - dataStart;
    // A member larger than its bound said has no room for its sizes.
    if (!member.Zip64 && (member.Size >= kMax32 || member.CompressedSize >= kMax32))
        throw EZipWrite(EFBIG);
    std::vector<uint8_t> sizes;
    Le32(sizes, member.Crc);
    Le32(sizes, member.Zip64 ? kMax32 : member.CompressedSize);
    Le32(sizes, member.Zip64 ? kMax32 : member.Size);
    PutAt(member.Offset + 14, sizes);
    if (member.Zip64) {
        sizes.clear();
        Le64(sizes, member.Size);
        Le64(sizes, member.CompressedSize);
        PutAt(member.Offset + 30 + member.Name.size() + 4, sizes);
    }
}

void TcZipWriter::Finish() {
    Drain();
    const uint64_t directoryStart = offset_;
    std::vector<uint8_t> directory;
    for (const TcMember& member : members_) {
        const bool large = member.Zip64 || member.Size >= kMax32 ||
                           member.CompressedSize >= kMax32 || member.Offset >= kMax32;
        std::vector<uint8_t> extra;
        if (large) {
            // The Zip64 field holds, in this order, the values the header
            // could not.
            Le16(extra, 1);
            Le16(extra, 24);
            Le64(extra, member.Size);
            Le64(extra, member.CompressedSize);
            Le64(extra, member.Offset);
        }
        Le32(directory, kCentralHeader);
        Le16(directory, large ? kVersionZip64 : kVersion);  // made by: MS-DOS attributes
        Le16(directory, large ? kVersionZip64 : kVersion);
        Le16(directory, 0);
        Le16(directory, kDeflated);
        Le16(directory, time_);
        Le16(directory, date_);
        Le32(directory, member.Crc);
        Le32(directory, Clip32(member.CompressedSize, large));
        Le32(directory, Clip32(member.Size, large));
        Le16(directory, member.Name.size());
        Le16(directory, extra.size());
        Le16(directory, 0);  // comment
        Le16(directory, 0);  // disk
        Le16(directory, 0);  // internal attributes
        Le32(directory, 0);  // external attributes
        Le32(directory, Clip32(member.Offset, large));
        directory.insert(directory.end(), member.Name.begin(), member.Name.end());
        directory.insert(directory.end(), extra.begin(), extra.end());
    }
    Put(directory.data(), directory.size());
    const uint64_t directorySize = directory.size();
    const uint64_t count = members_.size();
    const bool large =
        forceZip64_ || count >= 0xFFFF || directoryStart >= kMax32 || directorySize >= kMax32;
    std::vector<uint8_t> end;
    if (large) {
        const uint64_t zip64End = offset_;
        Le32(end, kZip64End);
        Le64(end, 44);  // the size of the rest of this record
        Le16(end, kVersionZip64);
        Le16(end, kVersionZip64);
        Le32(end, 0);
        Le32(end, 0);
        Le64(end, count);
        Le64(end, count);
        Le64(end, directorySize);
        Le64(end, directoryStart);
        Le32(end, kZip64Locator);
        Le32(end, 0);
        Le64(end, zip64End);
        Le32(end, 1);
    }
    Le32(end, kEnd);
    Le16(end, 0);
    Le16(end, 0);
    Le16(end, large ? 0xFFFF : count);
    Le16(end, large ? 0xFFFF : count);
    Le32(end, Clip32(directorySize, large));
    Le32(end, Clip32(directoryStart, large));
    Le16(end, 0);
    Put(end.data(), end.size());
    Flush();
}

void TcZipWriter::Put(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    offset_ += size;
    if (buffer_.size() >= kBufferSize) Flush();
}

void TcZipWriter::Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            throw EZipWrite(errno);
        }
        done += static_cast<size_t>(written);
    }
    buffer_.clear();
}

void TcZipWriter::PutAt(uint64_t offset, const std::vector<uint8_t>& bytes) {
    const uint64_t flushed = offset_ - buffer_.size();
    if (offset >= flushed) {
        std::copy(bytes.begin(), bytes.end(),
                  buffer_.begin() + static_cast<long>(offset - flushed));
        return;
    }
    Flush();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                         static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR) continue;
            throw EZipWrite(errno);
        }
        done += static_cast<size_t>(written);
    }
}

}  // namespace spreadsheet
