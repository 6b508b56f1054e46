// Loading, probing, switching and binding of the client library, with the
// real client and with stand-in libraries for the cases the real one cannot
// show (a version-5 client, a missing entry point).

#include <gtest/gtest.h>

#include <functional>

#include "mdo/client_library.h"
#include "mdo/mdo_errors.h"

namespace {

const char* const kMissingClientMessage =
    "Firebird Client library not found in the path. Please install Firebird to use this "
    "functionality";

// Every test starts and ends with no library loaded and an automatic choice.
class ClientLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        FreeClientLibrary();
        ClientLibraryName.clear();
    }
    static void Load(const std::string& fileName) {
        FreeClientLibrary();
        ClientLibraryName = fileName;
        CheckClientLibraryLoaded();
    }
};

TEST_F(ClientLibraryTest, ChoicesMapToTheLinuxFileNames) {
    EXPECT_EQ(ClientLibraryFileNames(clAutoDetect), "");
    EXPECT_EQ(ClientLibraryFileNames(clGDS32), "libgds.so");
    EXPECT_EQ(ClientLibraryFileNames(clFBClient), "libfbclient.so.2");
    EXPECT_EQ(ClientLibraryFileNames(clFBEmbed), "libfbembed.so");
}

TEST_F(ClientLibraryTest, RealClientIsAVersion6ClientWithEveryEntryPoint) {
    Load(ClientLibraryFileNames(clFBClient));
    EXPECT_TRUE(IsClientLibraryLoaded());
    EXPECT_EQ(ClientLibraryName, "libfbclient.so.2");
    EXPECT_EQ(GetClientVersion(), 6);
#define EXPECT_BOUND(name) EXPECT_NE(ClientApi.name, nullptr) << #name;
    MDO_REQUIRED_ENTRY_POINTS(EXPECT_BOUND)
    MDO_VERSION6_ENTRY_POINTS(EXPECT_BOUND)
#undef EXPECT_BOUND
    EXPECT_NE(ClientApi.isc_rollback_retaining, nullptr);
    EXPECT_NE(ClientApi.fb_interpret, nullptr);
}

TEST_F(ClientLibraryTest, ResolvedEntryPointsWork) {
    Load(ClientLibraryFileNames(clFBClient));
    // isc_vax_integer decodes little-endian numbers of information replies.
    const char bytes[] = {0x34, 0x12, 0x00, 0x00};
    EXPECT_EQ(ClientApi.isc_vax_integer(bytes, 4), 0x1234);
    EXPECT_EQ(ClientApi.isc_vax_integer(bytes, 2), 0x1234);
}

// On this platform no libfbembed.so is installed, so the automatic choice
// lands on the client library and remembers its name.
TEST_F(ClientLibraryTest, AutomaticChoiceRemembersTheLoadedName) {
    CheckClientLibraryLoaded();
    EXPECT_EQ(ClientLibraryName, "libfbclient.so.2");
    FreeClientLibrary();
    EXPECT_EQ(ClientLibraryName, "libfbclient.so.2") << "unloading keeps the choice";
    EXPECT_FALSE(IsClientLibraryLoaded());
    EXPECT_EQ(GetClientVersion(), 6) << "loads again lazily";
    EXPECT_TRUE(IsClientLibraryLoaded());
}

TEST_F(ClientLibraryTest, MissingLibraryRaisesClientError1AndALaterAttemptSucceeds) {
    ClientLibraryName = "/nonexistent/libfbclient.so.2";
    try {
        CheckClientLibraryLoaded();
        FAIL() << "a missing library loaded";
    } catch (const EMDOClientError& e) {
        EXPECT_EQ(e.Message(), kMissingClientMessage);
        EXPECT_EQ(e.SQLCode, 1);
        EXPECT_EQ(e.ErrorCode, 0);
    }
    EXPECT_FALSE(IsClientLibraryLoaded());
    EXPECT_FALSE(TryLoadClientLibrary());
    EXPECT_EQ(ClientLibraryName, "/nonexistent/libfbclient.so.2") << "a failed load keeps the name";

    ClientLibraryName = FAKE_CLIENT_V6;
    EXPECT_NO_THROW(CheckClientLibraryLoaded());
    EXPECT_TRUE(IsClientLibraryLoaded());
}

TEST_F(ClientLibraryTest, LoadedLibraryIsNotReplacedWithoutFreeing) {
    Load(FAKE_CLIENT_V5);
    ClientLibraryName = FAKE_CLIENT_V6;
    CheckClientLibraryLoaded();
    EXPECT_EQ(ClientVersion, 5) << "a loaded library must stay until it is freed";
    // Loading again binds the loaded library anew; it opens no other one.
    LoadClientLibrary();
    EXPECT_EQ(ClientVersion, 5) << "a second load replaced the loaded library";
    EXPECT_EQ(ClientLibraryName, FAKE_CLIENT_V6) << "only a load that opens a library names it";
}

TEST_F(ClientLibraryTest, Version6ClientBindsTheVersion6EntryPoints) {
    Load(FAKE_CLIENT_V6);
    EXPECT_EQ(GetClientVersion(), 6);
    EXPECT_EQ(ClientApi.fb_interpret, nullptr) << "optional entry point not exported";
    // Resolved to the library, not to a stub: calling returns instead of raising.
    EXPECT_EQ(ClientApi.isc_service_attach(nullptr, 0, nullptr, nullptr, 0, nullptr), 0);
}

struct StubCase {
    const char* name;
    std::function<void()> call;
};

TEST_F(ClientLibraryTest, Version5ClientGetsStubsThatRaiseClientError3) {
    Load(FAKE_CLIENT_V5);
    EXPECT_EQ(GetClientVersion(), 5);
    const StubCase cases[] = {
        {"isc_service_attach",
         [] { ClientApi.isc_service_attach(nullptr, 0, nullptr, nullptr, 0, nullptr); }},
        {"isc_service_query",
         [] {
             ClientApi.isc_service_query(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0,
                                         nullptr);
         }},
        {"isc_decode_sql_date", [] { ClientApi.isc_decode_sql_date(nullptr, nullptr); }},
        {"isc_encode_timestamp", [] { ClientApi.isc_encode_timestamp(nullptr, nullptr); }},
        {"isc_rollback_retaining", [] { ClientApi.isc_rollback_retaining(nullptr, nullptr); }},
    };
    for (const StubCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            FAIL() << "the stub returned";
        } catch (const EMDOClientError& e) {
            EXPECT_EQ(e.Message(), std::string(c.name) +
                                       " is an InterBase 6 function. Please upgrade to "
                                       "InterBase 6 to use this functonality");
            EXPECT_EQ(e.SQLCode, 3);
        }
    }
}

TEST_F(ClientLibraryTest, MissingEntryPointRaisesTheLoaderErrorAndKeepsTheLibrary) {
    Load(FAKE_CLIENT_V5);
    FreeClientLibrary();
    ClientLibraryName = FAKE_CLIENT_MISSING;
    try {
        LoadClientLibrary();
        FAIL() << "a library without isc_dsql_prepare was bound";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.Message().rfind("Dynamic Library Error.\n", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find("isc_dsql_prepare"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(IsClientLibraryLoaded());
    EXPECT_EQ(ClientVersion, 5) << "the version is set only after the required entry points";
    EXPECT_EQ(ClientLibraryName, FAKE_CLIENT_MISSING);
}

}  // namespace
