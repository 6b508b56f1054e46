#include "mdo/mdo_blob_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "mdo/buffers.h"
#include "mdo/info_reply.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_transaction.h"
#include "mdo/status_vector.h"

namespace {

int64_t SeekTarget(int64_t position, int64_t size, int64_t offset, int origin) {
    switch (origin) {
        case soFromBeginning:
            return offset;
        case soFromCurrent:
            return position + offset;
        default:
            return size + offset;
    }
}

// The bytes from `position` that a read of `count` gets out of `size`.
int64_t Available(int64_t position, int64_t size, int64_t count) {
    if (count <= 0 || position < 0 || position >= size) return 0;
    return std::min(count, size - position);
}

}  // namespace

// ---------------------------------------------------------------------------
// Streams in memory

int64_t TMDOStream::Size() {
    const int64_t position = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TMDOStringStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
}

int64_t TMDOStringStream::Read(void* buffer, int64_t count) {
    const int64_t n = Available(position_, static_cast<int64_t>(data_.size()), count);
    if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMDOStringStream::Write(const void* buffer, int64_t count) {
    if (count <= 0 || position_ < 0) return 0;
    const size_t end = static_cast<size_t>(position_ + count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMDOStringStream::Seek(int64_t offset, int origin) {
    position_ = SeekTarget(position_, static_cast<int64_t>(data_.size()), offset, origin);
    return position_;
}

std::string TMDOStringStream::TakeData() {
    position_ = 0;
    return std::move(data_);
}

void TMDOReadOnlyStream::SetSize(int64_t) {
    RaiseClientError(41);
}

int64_t TMDOReadOnlyStream::Read(void* buffer, int64_t count) {
    const int64_t n = Available(position_, static_cast<int64_t>(data_.size()), count);
    if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMDOReadOnlyStream::Write(const void*, int64_t) {
    RaiseClientError(41);
}

int64_t TMDOReadOnlyStream::Seek(int64_t offset, int origin) {
    position_ = SeekTarget(position_, static_cast<int64_t>(data_.size()), offset, origin);
    return position_;
}

// ---------------------------------------------------------------------------
// Segment transfer

TMDOBlobInfo QueryBlobInfo(isc_blob_handle* handle) {
    static const ISC_SCHAR kItems[] = {isc_info_blob_num_segments, isc_info_blob_max_segment,
                                       isc_info_blob_total_length, isc_info_blob_type};
    ISC_SCHAR reply[100] = {};
    if (ClientApi.isc_blob_info(ThreadStatusVector(), handle, sizeof kItems, kItems, sizeof reply,
                                reply) > 0)
        RaiseDatabaseError();
    TMDOBlobInfo info;
    const TcInfoReply items(reply, sizeof reply);
    if (auto item = items.Find(isc_info_blob_num_segments))
        info.SegmentCount = static_cast<int32_t>(InfoInteger(*item));
    if (auto item = items.Find(isc_info_blob_max_segment))
        info.MaxSegmentSize = static_cast<int32_t>(InfoInteger(*item));
    if (auto item = items.Find(isc_info_blob_total_length)) info.TotalLength = InfoInteger(*item);
    if (auto item = items.Find(isc_info_blob_type))
        info.BlobType = static_cast<int16_t>(InfoInteger(*item));
    return info;
}

void ReadSegments(isc_blob_handle* handle, char* buffer, int64_t length) {
    int64_t offset = 0;
    while (offset < length) {
        const auto chunk =
            static_cast<unsigned short>(std::min<int64_t>(kBlobSegmentSize, length - offset));
        unsigned short received = 0;
        const ISC_STATUS result = ClientApi.isc_get_segment(ThreadStatusVector(), handle, &received,
                                                            chunk, buffer + offset);
        if (result != 0 && ThreadStatusVector()[1] != isc_segment) RaiseDatabaseError();
        // A blob shorter than it said it was would loop for ever.
        if (received == 0) RaiseClientError(0);
        offset += received;
    }
}

void WriteSegments(isc_blob_handle* handle, const char* buffer, int64_t length) {
    for (int64_t offset = 0; offset < length; offset += kBlobSegmentSize) {
        const auto chunk =
            static_cast<unsigned short>(std::min<int64_t>(kBlobSegmentSize, length - offset));
        if (ClientApi.isc_put_segment(ThreadStatusVector(), handle, chunk, buffer + offset) > 0)
            RaiseDatabaseError();
    }
}

// ---------------------------------------------------------------------------
// TMDOBlobStream

TMDOBlobStream::TMDOBlobStream() {
    CheckClientLibraryLoaded();
}

TMDOBlobStream::~TMDOBlobStream() {
    if (handle_ != 0) {
        try {
            CloseHandle(true);
        } catch (const std::exception&) {
            // A destructor cannot report it; the handle is forgotten either way.
        }
    }
    FreeBuffer(buffer_);
}

void TMDOBlobStream::SetDatabase(TMDODatabase* database) {
    base_.SetDatabase(database);
    contentReady_ = false;
}

void TMDOBlobStream::SetTransaction(TMDOTransaction* transaction) {
    base_.SetTransaction(transaction);
    contentReady_ = false;
}

void TMDOBlobStream::SetMode(TMDOBlobStreamMode mode) {
    mode_ = mode;
    contentReady_ = false;
}

void TMDOBlobStream::SetBlobID(const ISC_QUAD& id) {
    blobID_ = id;
    contentReady_ = false;
}

void TMDOBlobStream::Resize(int64_t size) {
    if (size < 0 || size > std::numeric_limits<int32_t>::max()) RaiseClientError(38);
    const auto wanted = static_cast<size_t>(size);
    if (wanted == 0) {
        FreeBuffer(buffer_);
        capacity_ = 0;
    } else if (wanted > capacity_) {
        // Growing by a write: leave room for the next ones.
        const size_t capacity = std::max(wanted, std::min(capacity_ * 2, size_t{1} << 31));
        AllocBuffer(buffer_, capacity_, capacity);
        capacity_ = capacity;
    }
    blobSize_ = static_cast<int32_t>(size);
}

void TMDOBlobStream::SetSize(int64_t size) {
    if (size != blobSize_) Resize(size);
}

int64_t TMDOBlobStream::Read(void* buffer, int64_t count) {
    CheckCanRead();
    EnsureLoaded();
    const int64_t n = Available(position_, blobSize_, count);
    if (n > 0) std::memcpy(buffer, buffer_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMDOBlobStream::Write(const void* buffer, int64_t count) {
    CheckCanWrite();
    EnsureLoaded();
    if (count <= 0) return count;
    if (position_ < 0) RaiseClientError(38);
    if (position_ + count > blobSize_) Resize(position_ + count);
    std::memcpy(buffer_ + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    modified_ = true;
    return count;
}

int64_t TMDOBlobStream::Seek(int64_t offset, int origin) {
    EnsureLoaded();
    position_ = SeekTarget(position_, blobSize_, offset, origin);
    return position_;
}

void TMDOBlobStream::SaveToStream(TMDOStream& target) {
    CheckCanRead();
    EnsureLoaded();
    if (blobSize_ == 0) return;
    Seek(0, soFromBeginning);
    target.Write(buffer_, blobSize_);
}

void TMDOBlobStream::LoadFromStream(TMDOStream& source) {
    CheckCanWrite();
    EnsureLoaded();
    source.Seek(0, soFromBeginning);
    const int64_t size = source.Size();
    SetSize(size);
    if (size > 0) source.Read(buffer_, size);
    modified_ = true;
}

void TMDOBlobStream::CheckCanRead() const {
    if (mode_ == bmWrite) RaiseClientError(40);
}

void TMDOBlobStream::CheckCanWrite() const {
    if (mode_ == bmRead) RaiseClientError(41);
}

ISC_STATUS TMDOBlobStream::Call(ISC_STATUS result, bool raiseOnError) {
    if (base_.Transaction() != nullptr) return base_.Transaction()->Call(result, raiseOnError);
    if (raiseOnError && result > 0) RaiseDatabaseError();
    return 0;
}

void TMDOBlobStream::EnsureLoaded() {
    if (contentReady_) return;
    const bool zeroID = blobID_.gds_quad_high == 0 && blobID_.gds_quad_low == 0;
    if (mode_ == bmWrite || (mode_ == bmReadWrite && zeroID))
        StartNewBlob();
    else
        LoadBlob();
    contentReady_ = true;
}

void TMDOBlobStream::StartNewBlob() {
    CheckCanWrite();
    blobID_ = ISC_QUAD{};
    SetSize(0);
    position_ = 0;
}

void TMDOBlobStream::CloseHandle(bool raiseOnError) {
    ISC_STATUS_ARRAY ignored;
    ISC_STATUS* status = raiseOnError ? ThreadStatusVector() : ignored;
    const ISC_STATUS result = ClientApi.isc_close_blob(status, &handle_);
    handle_ = 0;
    libraryUser_.reset();
    if (raiseOnError) Call(result, true);
}

void TMDOBlobStream::LoadBlob() {
    CheckCanRead();
    isc_db_handle* database = base_.DBHandle();
    isc_tr_handle* transaction = base_.TRHandle();
    libraryUser_ = std::make_unique<TcClientLibraryUser>();
    const ISC_STATUS opened = ClientApi.isc_open_blob2(ThreadStatusVector(), database, transaction,
                                                       &handle_, &blobID_, 0, nullptr);
    if (opened > 0) {
        handle_ = 0;
        libraryUser_.reset();
        Call(opened, true);
    }
    try {
        const TMDOBlobInfo info = QueryBlobInfo(&handle_);
        segmentCount_ = info.SegmentCount;
        maxSegmentSize_ = info.MaxSegmentSize;
        blobType_ = info.BlobType;
        SetSize(info.TotalLength);
        ReadSegments(&handle_, buffer_, info.TotalLength);
    } catch (...) {
        // The blob is closed on the server before the failure goes on.
        CloseHandle(false);
        throw;
    }
    CloseHandle(true);
    position_ = 0;
    modified_ = false;
}

void TMDOBlobStream::Flush() {
    if (!contentReady_ || mode_ == bmRead || !modified_) return;
    isc_db_handle* database = base_.DBHandle();
    isc_tr_handle* transaction = base_.TRHandle();
    libraryUser_ = std::make_unique<TcClientLibraryUser>();
    const ISC_STATUS created = ClientApi.isc_create_blob2(
        ThreadStatusVector(), database, transaction, &handle_, &blobID_, 0, nullptr);
    if (created > 0) {
        handle_ = 0;
        libraryUser_.reset();
        Call(created, true);
    }
    try {
        WriteSegments(&handle_, buffer_, blobSize_);
    } catch (...) {
        CloseHandle(false);
        throw;
    }
    CloseHandle(true);
    modified_ = false;
}
