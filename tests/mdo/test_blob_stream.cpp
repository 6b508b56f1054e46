// TMDOBlobStream: modes, seek and the in-memory content on their own; then
// against the embedded engine the segment transfer (counted through the
// client's entry points), partial segments, empty blobs and rewriting an
// existing blob as a new one.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/scoped_value.h"
#include "mdo/mdo_blob_stream.h"
#include "mdo/mdo_errors.h"
#include "sql_fixture.h"
#include "support/expect_error.h"

namespace {

std::string Read(TMDOStream& stream, int64_t count) {
    std::string text(static_cast<size_t>(count), '\0');
    text.resize(static_cast<size_t>(stream.Read(text.data(), count)));
    return text;
}

TEST(BlobStreamMemory, ModesRefuseTheWrongDirection) {
    TMDOBlobStream reader;
    char byte = 0;
    EXPECT_RAISES(EMDOClientError, reader.Write(&byte, 1), "Blob stream cannot be written");
    TMDOBlobStream writer;
    writer.SetMode(bmWrite);
    EXPECT_RAISES(EMDOClientError, writer.Read(&byte, 1), "Blob stream cannot be read");
    TMDOStringStream target;
    EXPECT_RAISES(EMDOClientError, writer.SaveToStream(target), "Blob stream cannot be read");
}

TEST(BlobStreamMemory, ReadingWithoutADatabaseNeedsOne) {
    TMDOBlobStream reader;
    reader.SetBlobID(ISC_QUAD{1, 2});
    char byte = 0;
    EXPECT_RAISES(EMDOClientError, reader.Read(&byte, 1), "Database not assigned");
    EXPECT_FALSE(reader.ContentReady());
}

TEST(BlobStreamMemory, SeekWriteAndReadInANewBlob) {
    TMDOBlobStream stream;
    stream.SetMode(bmReadWrite);
    EXPECT_EQ(stream.Write("hello", 5), 5);
    EXPECT_TRUE(stream.ContentReady());
    EXPECT_TRUE(stream.Modified());
    EXPECT_EQ(stream.Seek(0, soFromBeginning), 0);
    EXPECT_EQ(Read(stream, 10), "hello") << "only what is there";
    EXPECT_EQ(stream.Position(), 5);
    EXPECT_EQ(Read(stream, 3), "");
    EXPECT_EQ(stream.Seek(3, soFromEnd), 8) << "a position beyond the end is allowed";
    EXPECT_EQ(Read(stream, 1), "");
    EXPECT_EQ(stream.Position(), 8) << "a read beyond the end stays put";
    EXPECT_EQ(stream.Write("!", 1), 1);
    EXPECT_EQ(stream.BlobSize(), 9);
    EXPECT_EQ(stream.Seek(-1, soFromCurrent), 8);
    EXPECT_EQ(Read(stream, 1), "!");
    stream.SetSize(2);
    stream.Seek(0, soFromBeginning);
    EXPECT_EQ(Read(stream, 9), "he");
    EXPECT_EQ(stream.Write("", 0), 0);
    stream.SetSize(0);
    EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(BlobStreamMemory, ChangingASettingLoadsAgain) {
    TMDOBlobStream stream;
    stream.SetMode(bmWrite);
    stream.Write("abc", 3);
    EXPECT_TRUE(stream.ContentReady());
    stream.SetMode(bmWrite);
    EXPECT_FALSE(stream.ContentReady());
    stream.Write("x", 1);
    EXPECT_EQ(stream.BlobSize(), 1) << "a new blob starts empty";
}

// Counts the segment calls and can cap the bytes asked per isc_get_segment,
// so that the client answers with partial segments.
struct SegmentSpy {
    static inline int Puts = 0;
    static inline std::vector<unsigned short> Gets;
    static inline unsigned short Cap = 0;
    static inline decltype(ClientApi.isc_put_segment) RealPut = nullptr;
    static inline decltype(ClientApi.isc_get_segment) RealGet = nullptr;

    static ISC_STATUS Put(ISC_STATUS* status, isc_blob_handle* handle, unsigned short length,
                          const ISC_SCHAR* buffer) {
        ++Puts;
        return RealPut(status, handle, length, buffer);
    }
    static ISC_STATUS Get(ISC_STATUS* status, isc_blob_handle* handle, unsigned short* received,
                          unsigned short length, ISC_SCHAR* buffer) {
        Gets.push_back(length);
        return RealGet(status, handle, received, Cap > 0 && Cap < length ? Cap : length, buffer);
    }
};

class BlobStreamDatabase : public SqlComponent {
  protected:
    // Runs before the entry points are replaced below.
    static bool ResetSpy() {
        SegmentSpy::Puts = 0;
        SegmentSpy::Gets.clear();
        SegmentSpy::Cap = 0;
        SegmentSpy::RealPut = ClientApi.isc_put_segment;
        SegmentSpy::RealGet = ClientApi.isc_get_segment;
        return true;
    }
    void Attach(TMDOBlobStream& stream, TMDOBlobStreamMode mode) {
        stream.SetDatabase(&database);
        stream.SetTransaction(&transaction);
        stream.SetMode(mode);
    }
    ISC_QUAD Write(const std::string& content) {
        TMDOBlobStream stream;
        Attach(stream, bmWrite);
        TMDOReadOnlyStream source(content);
        stream.LoadFromStream(source);
        stream.Flush();
        EXPECT_FALSE(stream.Modified());
        return stream.BlobID();
    }
    std::string ReadBack(const ISC_QUAD& id) {
        TMDOBlobStream stream;
        Attach(stream, bmRead);
        stream.SetBlobID(id);
        TMDOStringStream target;
        stream.SaveToStream(target);
        return target.TakeData();
    }
    static std::string Content(size_t size) {
        std::string content(size, '\0');
        for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 % 251);
        return content;
    }

    bool spyReset_ = ResetSpy();
    TcScopedValue<decltype(ClientApi.isc_put_segment)> put{ClientApi.isc_put_segment,
                                                           &SegmentSpy::Put};
    TcScopedValue<decltype(ClientApi.isc_get_segment)> get{ClientApi.isc_get_segment,
                                                           &SegmentSpy::Get};
};

TEST_F(BlobStreamDatabase, FortyThousandBytesInThreeSegments) {
    const std::string content = Content(40000);
    const ISC_QUAD id = Write(content);
    EXPECT_EQ(SegmentSpy::Puts, 3);
    TMDOBlobStream stream;
    Attach(stream, bmRead);
    stream.SetBlobID(id);
    EXPECT_EQ(stream.Seek(0, soFromEnd), 40000);
    EXPECT_EQ(SegmentSpy::Gets, (std::vector<unsigned short>{16384, 16384, 7232}));
    EXPECT_EQ(stream.SegmentCount(), 3);
    EXPECT_EQ(stream.MaxSegmentSize(), 16384);
    EXPECT_EQ(stream.BlobType(), 0) << "segmented";
    TMDOStringStream target;
    stream.SaveToStream(target);
    EXPECT_EQ(target.Data(), content);
}

TEST_F(BlobStreamDatabase, PartialSegmentsGoOnReading) {
    const std::string content = Content(40000);
    const ISC_QUAD id = Write(content);
    SegmentSpy::Cap = 1000;
    EXPECT_EQ(ReadBack(id), content);
    // Each stored segment of 16,384 bytes takes 17 reads of at most 1,000
    // bytes, the last one of 7,232 bytes 8.
    EXPECT_EQ(SegmentSpy::Gets.size(), 42u);
}

TEST_F(BlobStreamDatabase, EmptyBlobReadsAsNothing) {
    const ISC_QUAD id = Write("");
    EXPECT_EQ(SegmentSpy::Puts, 0);
    TMDOBlobStream stream;
    Attach(stream, bmRead);
    stream.SetBlobID(id);
    TMDOStringStream target("keep");
    target.Seek(0, soFromEnd);
    stream.SaveToStream(target);
    EXPECT_EQ(target.Data(), "keep") << "nothing written";
    EXPECT_EQ(stream.BlobSize(), 0);
}

TEST_F(BlobStreamDatabase, ReadWriteRewritesAsANewBlob) {
    const ISC_QUAD original = Write("first version");
    TMDOBlobStream stream;
    Attach(stream, bmReadWrite);
    stream.SetBlobID(original);
    stream.Seek(0, soFromBeginning);
    stream.Write("FIRST", 5);
    stream.Flush();
    const ISC_QUAD rewritten = stream.BlobID();
    EXPECT_FALSE(rewritten.gds_quad_high == original.gds_quad_high &&
                 rewritten.gds_quad_low == original.gds_quad_low);
    EXPECT_EQ(ReadBack(rewritten), "FIRST version");
    EXPECT_EQ(ReadBack(original), "first version");
}

TEST_F(BlobStreamDatabase, ServerErrorOnABadIdentifier) {
    TMDOBlobStream stream;
    Attach(stream, bmRead);
    stream.SetBlobID(ISC_QUAD{12345, 678});
    char byte = 0;
    EXPECT_THROW(stream.Read(&byte, 1), EMDOFirebirdError);
    EXPECT_FALSE(stream.ContentReady());
}

}  // namespace
