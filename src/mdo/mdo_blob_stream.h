#pragma once
// TMDOBlobStream: a byte stream over one blob, holding its whole content in
// memory. Opening reads the blob at once in segments of at most 16,384 bytes
// and closes it on the server; writing collects bytes in memory and Flush
// sends them as a new blob. TMDOStream is the byte-stream interface it
// shares with the in-memory streams that descriptor variables read blobs
// into and write blobs from.
//
// Contract: one owning thread. A server-side blob handle is open only inside
// a load or a flush. Content written but not flushed is dropped with the
// stream. The content is copied once on its way in (LoadFromStream or
// Write) and once on its way out (SaveToStream or Read); segments go to and
// from the client straight out of the stream's buffer.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mdo/client_library.h"
#include "mdo/mdo_database.h"

// Origins of Seek.
enum TMDOSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// An abstract byte stream: set size, read, write, seek.
class TMDOStream {
  public:
    virtual ~TMDOStream() = default;
    virtual void SetSize(int64_t size) = 0;
    // Copies up to `count` bytes to `buffer`; answers the count copied.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Copies `count` bytes from `buffer`; answers the count written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Answers the new position.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    int64_t Position() { return Seek(0, soFromCurrent); }
    int64_t Size();
};

// A stream over a std::string of its own.
class TMDOStringStream : public TMDOStream {
  public:
    TMDOStringStream() = default;
    explicit TMDOStringStream(std::string data) : data_(std::move(data)) {}
    void SetSize(int64_t size) override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    const std::string& Data() const { return data_; }
    // Moves the content out, leaving the stream empty.
    std::string TakeData();

  private:
    std::string data_;
    int64_t position_ = 0;
};

// A read-only stream over bytes the caller keeps alive; writing raises
// client error 41.
class TMDOReadOnlyStream : public TMDOStream {
  public:
    explicit TMDOReadOnlyStream(std::string_view data) : data_(data) {}
    void SetSize(int64_t size) override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;

  private:
    std::string_view data_;
    int64_t position_ = 0;
};

enum TMDOBlobStreamMode : uint8_t { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

// What isc_blob_info tells of an open blob.
struct TMDOBlobInfo {
    int32_t SegmentCount = 0;
    int32_t MaxSegmentSize = 0;
    int64_t TotalLength = 0;
    int16_t BlobType = 0;
};

// Segment size of every transfer.
inline constexpr int32_t kBlobSegmentSize = 16384;

TMDOBlobInfo QueryBlobInfo(isc_blob_handle* handle);
// Reads `length` bytes with isc_get_segment in chunks of at most 16,384
// bytes; a partial segment (isc_segment) goes on reading.
void ReadSegments(isc_blob_handle* handle, char* buffer, int64_t length);
// Sends `length` bytes with one isc_put_segment per 16,384 bytes.
void WriteSegments(isc_blob_handle* handle, const char* buffer, int64_t length);

class TMDOBlobStream : public TMDOStream {
  public:
    TMDOBlobStream();
    // Closes a blob handle left open (raising on error).
    ~TMDOBlobStream() override;
    TMDOBlobStream(const TMDOBlobStream&) = delete;
    TMDOBlobStream& operator=(const TMDOBlobStream&) = delete;

    void SetSize(int64_t size) override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;

    TMDODatabase* Database() const { return base_.Database(); }
    void SetDatabase(TMDODatabase* database);
    TMDOTransaction* Transaction() const { return base_.Transaction(); }
    void SetTransaction(TMDOTransaction* transaction);
    TMDOBlobStreamMode Mode() const { return mode_; }
    void SetMode(TMDOBlobStreamMode mode);
    const ISC_QUAD& BlobID() const { return blobID_; }
    void SetBlobID(const ISC_QUAD& id);

    bool ContentReady() const { return contentReady_; }
    bool Modified() const { return modified_; }
    int32_t BlobSize() const { return blobSize_; }
    int32_t MaxSegmentSize() const { return maxSegmentSize_; }
    int32_t SegmentCount() const { return segmentCount_; }
    int16_t BlobType() const { return blobType_; }
    // The content in memory (null when empty); valid until the next change.
    const char* Memory() const { return buffer_; }

    void SaveToStream(TMDOStream& target);
    void LoadFromStream(TMDOStream& source);
    // Sends modified content as a new blob; BlobID then names it.
    void Flush();
    // Loads the blob, or starts a new one, once per settings.
    void EnsureLoaded();
    void CheckCanRead() const;
    void CheckCanWrite() const;
    ISC_STATUS Call(ISC_STATUS result, bool raiseOnError);

  private:
    void LoadBlob();
    void StartNewBlob();
    // Size and capacity apart, so that writing a stream piece by piece
    // regrows the buffer only now and then.
    void Resize(int64_t size);
    void CloseHandle(bool raiseOnError);

    TMDOBase base_{this};
    ISC_QUAD blobID_{};
    bool contentReady_ = false;
    int32_t maxSegmentSize_ = 0;
    int32_t segmentCount_ = 0;
    int32_t blobSize_ = 0;
    int16_t blobType_ = 0;
    char* buffer_ = nullptr;
    size_t capacity_ = 0;
    isc_blob_handle handle_ = 0;
    TMDOBlobStreamMode mode_ = bmRead;
    bool modified_ = false;
    int64_t position_ = 0;
    std::unique_ptr<TcClientLibraryUser> libraryUser_;
};
