// Walking the clusters of a status vector, and the vector being per thread.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "mdo/status_vector.h"

namespace {

constexpr ISC_STATUS kCode = 335544344;  // isc_io_error
const char* const kText = "text";

struct SearchCase {
    const char* name;
    std::vector<ISC_STATUS> status;
    bool found;
};

TEST(CheckStatusVector, FindsCodesOnlyInErrorAndNumberClusters) {
    const auto text = reinterpret_cast<ISC_STATUS>(kText);
    const SearchCase cases[] = {
        {"first error code", {isc_arg_gds, kCode, isc_arg_end}, true},
        {"later error code", {isc_arg_gds, 1, isc_arg_string, text, isc_arg_gds, kCode, 0}, true},
        {"number argument", {isc_arg_gds, 1, isc_arg_number, kCode, isc_arg_end}, true},
        // A counted string occupies three words; its length word must not be
        // read as a cluster type, nor its pointer as a code.
        {"after a counted string",
         {isc_arg_gds, 1, isc_arg_cstring, 4, text, isc_arg_gds, kCode, isc_arg_end},
         true},
        {"counted string length equal to the code",
         {isc_arg_gds, 1, isc_arg_cstring, kCode, text, isc_arg_end},
         false},
        {"string argument equal to the code", {isc_arg_gds, 1, isc_arg_string, kCode, 0}, false},
        {"warning cluster is not searched", {isc_arg_gds, 1, isc_arg_warning, kCode, 0}, false},
        {"past the end marker", {isc_arg_gds, 1, isc_arg_end, isc_arg_gds, kCode, 0}, false},
        {"empty vector", {isc_arg_end}, false},
    };
    for (const SearchCase& c : cases) {
        ISC_STATUS_ARRAY status = {};
        std::copy(c.status.begin(), c.status.end(), status);
        EXPECT_EQ(CheckStatusVector(status, {42, kCode}), c.found) << c.name;
    }
}

TEST(IsLostConnection, LooksAtEveryErrorCluster) {
    const SearchCase cases[] = {
        {"lost connection", {isc_arg_gds, isc_lost_db_connection, isc_arg_end}, true},
        {"read error", {isc_arg_gds, isc_net_read_err, isc_arg_end}, true},
        {"write error", {isc_arg_gds, isc_net_write_err, isc_arg_end}, true},
        {"attachment shut down", {isc_arg_gds, isc_att_shutdown, isc_arg_end}, true},
        // The client may put the general network error first.
        {"behind a general error",
         {isc_arg_gds, isc_network_error, isc_arg_string, reinterpret_cast<ISC_STATUS>(kText),
          isc_arg_gds, isc_net_read_err, isc_arg_end},
         true},
        {"another error", {isc_arg_gds, kCode, isc_arg_end}, false},
        {"refused connect",
         {isc_arg_gds, isc_network_error, isc_arg_gds, isc_net_connect_err, 0},
         false},
        {"success", {isc_arg_gds, 0, isc_arg_end}, false},
    };
    for (const SearchCase& c : cases) {
        ISC_STATUS_ARRAY status = {};
        std::copy(c.status.begin(), c.status.end(), status);
        EXPECT_EQ(IsLostConnection(status), c.found) << c.name;
    }
}

TEST(CheckStatusVector, StopsAtTheEndOfAVectorWithoutEndMarker) {
    ISC_STATUS_ARRAY status;
    for (size_t i = 0; i < ISC_STATUS_LENGTH; i += 2) {
        status[i] = isc_arg_gds;
        status[i + 1] = 1;
    }
    EXPECT_FALSE(CheckStatusVector(status, {kCode}));
}

TEST(CheckStatusVector, ReadsTheCallingThreadsVector) {
    ISC_STATUS* status = ThreadStatusVector();
    status[0] = isc_arg_gds;
    status[1] = kCode;
    status[2] = isc_arg_end;
    EXPECT_TRUE(CheckStatusVector({kCode}));
    status[1] = 0;
    EXPECT_FALSE(CheckStatusVector({kCode}));
}

TEST(ThreadStatusVector, EachThreadHasItsOwnZeroedVector) {
    ISC_STATUS* mine = ThreadStatusVector();
    mine[0] = isc_arg_gds;
    mine[1] = kCode;
    ISC_STATUS* other = nullptr;
    ISC_STATUS otherFirstWords[2] = {-1, -1};
    std::thread([&] {
        other = ThreadStatusVector();
        otherFirstWords[0] = other[0];
        otherFirstWords[1] = other[1];
        other[1] = 7;
    }).join();
    EXPECT_NE(other, mine);
    EXPECT_EQ(otherFirstWords[0], 0);
    EXPECT_EQ(otherFirstWords[1], 0);
    EXPECT_EQ(mine[1], kCode) << "another thread's error overwrote this thread's";
    EXPECT_EQ(ThreadStatusVector(), mine);
}

}  // namespace
