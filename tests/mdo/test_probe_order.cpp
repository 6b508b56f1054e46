// The automatic choice probes libfbembed.so first. This executable's run path
// holds a stand-in libfbembed.so (a version-5 client, unlike the installed
// libfbclient.so.2), so the version shows which candidate was loaded.

#include <gtest/gtest.h>

#include "mdo/client_library.h"

namespace {

TEST(ClientLibraryProbing, EmbeddedLibraryWinsAndIsRememberedAcrossReloads) {
    ClientLibraryName.clear();
    CheckClientLibraryLoaded();
    EXPECT_EQ(ClientLibraryName, "libfbembed.so");
    EXPECT_EQ(ClientVersion, 5);

    FreeClientLibrary();
    EXPECT_EQ(GetClientVersion(), 5);
    EXPECT_EQ(ClientLibraryName, "libfbembed.so");
    FreeClientLibrary();
}

TEST(ClientLibraryProbing, ExplicitChoiceSkipsProbing) {
    ClientLibraryName = ClientLibraryFileNames(clFBClient);
    CheckClientLibraryLoaded();
    EXPECT_EQ(ClientLibraryName, "libfbclient.so.2");
    EXPECT_EQ(ClientVersion, 6);
    FreeClientLibrary();
}

}  // namespace
