// Reading the replies of the information calls: clusters of item, length and
// value, integers of every width, and replies cut short.

#include <gtest/gtest.h>

#include <string>

#include "embedded_database.h"
#include "mdo/info_reply.h"
#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"

namespace {

std::string Cluster(char code, const std::string& value) {
    return std::string{code, static_cast<char>(value.size() & 0xFF),
                       static_cast<char>(value.size() >> 8)} +
           value;
}

TEST(TcInfoReply, FirstIsTheEchoedItemWhateverItsCode) {
    const std::string reply = Cluster(62, std::string{3}) + std::string{1};
    const auto item = TcInfoReply(reply.data(), reply.size()).First();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Code, 62);
    EXPECT_EQ(InfoInteger(*item), 3);

    const std::string unknown = std::string{isc_info_error, 0, 0, 1};
    const auto answer = TcInfoReply(unknown.data(), unknown.size()).First();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Code, isc_info_error);
    EXPECT_EQ(answer->Length, 0u);
    EXPECT_FALSE(TcInfoReply(unknown.data(), 2).First()) << "no room for a header";
}

TEST(TcInfoReply, FindWalksClustersUpToTheEndMarker) {
    const std::string reply = Cluster(21, std::string{2, 0, 0, 0}) +
                              Cluster(23, Cluster(14, std::string{7, 0, 0, 0})) + std::string{1} +
                              Cluster(30, "after the end");
    const TcInfoReply answer(reply.data(), reply.size());
    ASSERT_TRUE(answer.Find(21));
    EXPECT_EQ(InfoInteger(*answer.Find(21)), 2);
    const auto counts = answer.Find(23);
    ASSERT_TRUE(counts);
    const auto inserted = TcInfoReply(counts->Value, counts->Length).Find(14);
    ASSERT_TRUE(inserted);
    EXPECT_EQ(InfoInteger(*inserted), 7);
    EXPECT_FALSE(answer.Find(14)) << "a nested cluster is not an item of the reply";
    EXPECT_FALSE(answer.Find(30)) << "nothing after the end marker counts";
}

TEST(TcInfoReply, NeverReadsPastTheBuffer) {
    // A length that claims more bytes than the buffer holds.
    const std::string reply = std::string{14, 0x10, 0x00} + "ab";
    const auto item = TcInfoReply(reply.data(), reply.size()).First();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Length, 2u);
    EXPECT_FALSE(TcInfoReply(reply.data(), reply.size()).Find(15));
}

TEST(InfoInteger, LittleEndianSignedOfEveryWidth) {
    const struct {
        std::string bytes;
        int64_t value;
    } cases[] = {
        {std::string{5}, 5},
        {std::string{'\xff'}, -1},
        {std::string{0x00, 0x10}, 4096},
        {std::string{'\xfe', '\xff'}, -2},
        {std::string{0x20, 0x4e, 0, 0}, 20000},
        {std::string{0, 0, 0, '\x80'}, INT32_MIN},
        {std::string{0, 0, 0, 0, 1}, int64_t{1} << 32},
        {std::string{1, 0, 0, 0, 0, 0, 0, '\x80'}, INT64_MIN + 1},
        {std::string(), 0},
        {std::string(9, 1), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InfoInteger(c.bytes.data(), c.bytes.size()), c.value) << c.bytes.size();
}

// The same request the access layer and the scripter send, against a real
// database: the page size answer is a number the engine really uses.
TEST(RequestDatabaseInfo, ReadsOneItemOfARealDatabase) {
    TcEmbeddedDatabase database;
    std::vector<char> reply(512);
    ASSERT_EQ(
        RequestDatabaseInfo(ThreadStatusVector(), &database.Handle(), isc_info_page_size, reply),
        0);
    const auto item = TcInfoReply(reply).First();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Code, isc_info_page_size);
    const int64_t pageSize = InfoInteger(*item);
    EXPECT_TRUE(pageSize == 4096 || pageSize == 8192 || pageSize == 16384) << pageSize;

    isc_db_handle none = 0;
    EXPECT_NE(RequestDatabaseInfo(ThreadStatusVector(), &none, isc_info_page_size, reply), 0);
    EXPECT_TRUE(CheckStatusVector({isc_bad_db_handle}));
}

}  // namespace
