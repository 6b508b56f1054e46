#pragma once
// A zip archive written front to back to an open file, as an Office Open
// XML package needs it: every member deflated, a member's bytes streamed in
// as they are made (a sheet of a million rows is never held whole), and the
// Zip64 extensions where a member or the archive passes 4 GiB.
//
// The descriptor must be a regular file: a member's sizes and checksum are
// written into its header once the member is complete. A failure of the
// file raises EZipWrite with its errno; the archive is then unusable.
//
// The pieces of a member are checksummed, deflated and written by a thread
// of the writer's own while the caller makes the next ones; every call
// below comes from one thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <zlib.h>

namespace spreadsheet {

class EZipWrite {
  public:
    explicit EZipWrite(int error) : Error(error) {}
    int Error;
};

class TcZipWriter {
  public:
    // `level` is zlib's compression level. `forceZip64` gives every member
    // and the end of the archive their Zip64 records even when they are
    // small (for tests of the large-archive path).
    TcZipWriter(int fd, int level, bool forceZip64 = false);
    ~TcZipWriter();
    TcZipWriter(const TcZipWriter&) = delete;
    TcZipWriter& operator=(const TcZipWriter&) = delete;

    // A whole member at once.
    void Add(std::string_view name, std::string_view data);
    // A member written in pieces. `sizeBound` is at least the member's size:
    // past 4 GiB its header needs room for the large sizes from the start.
    void Begin(std::string_view name, uint64_t sizeBound);
    // Takes the piece's bytes, leaving `piece` empty but with room for the
    // next one.
    void Write(std::string& piece);
    void End();
    // The central directory; no member may follow.
    void Finish();

  private:
    struct TcMember {
        std::string Name;
        uint64_t Offset = 0;
        uint64_t Size = 0;
        uint64_t CompressedSize = 0;
        uint32_t Crc = 0;
        bool Zip64 = false;
    };
    void Work();
    // Waits until every piece handed over is written; raises its failure.
    void Drain();
    void Consume(std::string_view data);
    void Deflate(std::string_view data, int flush);
    void Put(const void* data, size_t size);
    void Flush();
    void PutAt(uint64_t offset, const std::vector<uint8_t>& bytes);

    int fd_;
    bool forceZip64_;
    z_stream stream_{};
    bool open_ = false;  // a member is being written
    uint16_t time_ = 0;
    uint16_t date_ = 0;
    std::vector<uint8_t> buffer_;  // bytes not yet written to the file
    uint64_t offset_ = 0;          // the file's size with the buffer written
    std::vector<TcMember> members_;

    // Between the caller and the worker: the pieces not yet deflated, spent
    // pieces kept for their room, whether the worker holds one, the first
    // failure, and the end of the writer.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pieces_;
    std::vector<std::string> spent_;
    bool busy_ = false;
    int error_ = 0;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace spreadsheet
