// Loading, probing, switching and binding of the client library, with the
// real client and with stand-in libraries for the cases the real one cannot
// show (a version-5 client, a missing entry point).

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "embedded_database.h"
#include "foundation/language.h"
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

// Calls an entry point with zero for every argument: a stub never reads them.
template <typename R, typename... A>
void CallWithZeros(R (*entry)(A...)) {
    entry(A{}...);
}
template <typename R, typename... A>
void CallWithZeros(R (*entry)(A..., ...)) {
    entry(A{}...);
}

void ExpectNotLoaded(const char* name, const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << name << " returned";
    } catch (const EMDOClientError& e) {
        EXPECT_EQ(e.SQLCode, 1) << name;
        EXPECT_EQ(e.Message(), kMissingClientMessage) << name;
    }
}

// An unloaded library leaves no address behind: every entry point, the
// optional ones too, raises the not-loaded error instead of jumping into
// unmapped code.
TEST_F(ClientLibraryTest, AfterAnUnloadEveryEntryPointRaisesNotLoaded) {
    Load(ClientLibraryFileNames(clFBClient));
    FreeClientLibrary();
#define EXPECT_NOT_LOADED(name) ExpectNotLoaded(#name, [] { CallWithZeros(ClientApi.name); });
    MDO_REQUIRED_ENTRY_POINTS(EXPECT_NOT_LOADED)
    MDO_VERSION6_ENTRY_POINTS(EXPECT_NOT_LOADED)
    MDO_OPTIONAL_ENTRY_POINTS(EXPECT_NOT_LOADED)
    EXPECT_NOT_LOADED(isc_rollback_retaining)
#undef EXPECT_NOT_LOADED
}

// A version-5 client after a version-6 one: the stubs of the second load
// replace the first library's addresses, and an entry point the second
// library lacks is never left pointing into the first.
TEST_F(ClientLibraryTest, RebindingLeavesNoAddressOfThePreviousLibrary) {
    Load(ClientLibraryFileNames(clFBClient));
    ASSERT_NE(ClientApi.fb_shutdown, nullptr);
    Load(FAKE_CLIENT_V5);
    EXPECT_EQ(ClientApi.fb_interpret, nullptr);
    EXPECT_EQ(ClientApi.fb_shutdown, nullptr);
    EXPECT_EQ(ClientApi.fb_cancel_operation, nullptr);
    EXPECT_THROW(ClientApi.isc_service_detach(nullptr, nullptr), EMDOClientError);
}

TEST_F(ClientLibraryTest, AUserKeepsTheLibraryLoaded) {
    Load(ClientLibraryFileNames(clFBClient));
    {
        TcClientLibraryUser first;
        TcClientLibraryUser second;
        EXPECT_EQ(ClientLibraryUserCount(), 2);
        const std::pair<TLanguage, const char*> messages[] = {
            {TLanguage::English,
             "Cannot unload the client library libfbclient.so.2: 2 other connection(s) still "
             "use it."},
            {TLanguage::Dutch,
             "Kan de client library libfbclient.so.2 niet ontladen: 2 andere verbinding(en) "
             "gebruiken hem nog."},
        };
        for (const auto& [language, message] : messages) {
            Language = language;
            try {
                FreeClientLibrary();
                ADD_FAILURE() << "unloaded under two users";
            } catch (const EUser& e) {
                EXPECT_STREQ(e.what(), message);
            }
        }
        EXPECT_NO_THROW(CheckClientLibraryUnused(2)) << "the caller's own uses do not count";
        EXPECT_THROW(CheckClientLibraryUnused(1), EUser);
        EXPECT_TRUE(IsClientLibraryLoaded());
        const char bytes[] = {0x07, 0x00};
        EXPECT_EQ(ClientApi.isc_vax_integer(bytes, 2), 7) << "still callable";
    }
    EXPECT_EQ(ClientLibraryUserCount(), 0);
    EXPECT_NO_THROW(FreeClientLibrary());
    EXPECT_FALSE(IsClientLibraryLoaded());
}

TEST_F(ClientLibraryTest, AUserLoadsTheLibraryOrCountsNothing) {
    {
        TcClientLibraryUser user;
        EXPECT_TRUE(IsClientLibraryLoaded());
        EXPECT_EQ(ClientLibraryUserCount(), 1);
    }
    FreeClientLibrary();
    ClientLibraryName = "/nonexistent/libfbclient.so.2";
    EXPECT_THROW(TcClientLibraryUser(), EMDOClientError);
    EXPECT_EQ(ClientLibraryUserCount(), 0);
}

// The number of mappings of the real client in this process.
int ClientMappings() {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find("libfbclient.so") != std::string::npos) ++count;
    return count;
}

// After the embedded engine has run, its plugins hold the client library;
// the shutdown before the unload lets it really leave the process, so the
// next load starts afresh instead of finding the old one half shut down.
TEST_F(ClientLibraryTest, UnloadAfterEmbeddedUseTakesTheLibraryOutOfTheProcess) {
    Load(ClientLibraryFileNames(clFBClient));
    { TcEmbeddedDatabase database; }
    ASSERT_GT(ClientMappings(), 0);
    FreeClientLibrary();
    EXPECT_EQ(ClientMappings(), 0);
    // And a new load works with the embedded engine again.
    Load(ClientLibraryFileNames(clFBClient));
    TcEmbeddedDatabase again;
    EXPECT_NE(again.Handle(), 0u);
}

}  // namespace
