#pragma once
// Run-time binding of the Firebird client library. The library is never
// linked: it is loaded by file name on first use and every entry point is
// resolved by name into `ClientApi`. All state here is process-wide and not
// locked; load and switch libraries on the main thread, before or between
// uses of the library.

#include <string>

#include "foundation/errors.h"
#include "mdo/client_entry_points.h"

// The user's library choice.
enum TMDOClientLib { clAutoDetect = 0, clGDS32 = 1, clFBClient = 2, clFBEmbed = 3 };

// The file name behind a choice; empty for clAutoDetect (probe the candidates).
std::string ClientLibraryFileNames(TMDOClientLib choice);

// Candidates tried, in this order, when `ClientLibraryName` is empty.
inline constexpr const char* kClientLibraryProbeOrder[] = {"libfbembed.so", "libfbclient.so.2",
                                                           "libgds.so"};

// File name to load; empty means probe. After a successful load it holds the
// name actually loaded, so an automatic choice is remembered.
extern std::string ClientLibraryName;
// 6 when the loaded library exports isc_rollback_retaining, else 5.
extern int ClientVersion;
// The entry points of the loaded library.
extern TMDOEntryPoints ClientApi;

// A failed dynamic-library lookup; the message names the library and the
// symbol as the system's loader reports them.
class EOSError : public Exception {
  public:
    using Exception::Exception;
};

bool IsClientLibraryLoaded();
// Loads and binds. Loading nothing is not an error here (the handle stays
// empty); a required entry point that is missing raises EOSError and leaves
// the library loaded with a partly filled table and `ClientVersion` unchanged.
void LoadClientLibrary();
// Loads unless a library is loaded; whether one is loaded now.
bool TryLoadClientLibrary();
// Raises client error 1 when no library can be loaded; a later call tries again.
void CheckClientLibraryLoaded();
// Unloads; `ClientLibraryName` keeps its value. Refuses (CheckClientLibraryUnused)
// while a TcClientLibraryUser is open. Before the library goes it is shut
// down (fb_shutdown, when exported), so the embedded engine stops its threads
// in order and the library really leaves the process; afterwards every entry
// point raises client error 1 until the next load.
void FreeClientLibrary();
// `CheckClientLibraryLoaded`, then `ClientVersion`.
int GetClientVersion();

// Keeps the loaded library in the process for its lifetime. Whatever holds
// client handles holds one (an attached engine; a connection, transaction or
// service component of the access layer), so that no library is unloaded
// under a live handle. Creating one loads the library when none is loaded and
// raises as CheckClientLibraryLoaded does. Counted process-wide; may be
// created and destroyed on any thread.
class TcClientLibraryUser {
  public:
    TcClientLibraryUser();
    ~TcClientLibraryUser();
    TcClientLibraryUser(const TcClientLibraryUser&) = delete;
    TcClientLibraryUser& operator=(const TcClientLibraryUser&) = delete;
};

// How many TcClientLibraryUser objects are open.
int ClientLibraryUserCount();
// Raises EUser when more than `ownUses` users are open: the caller holds
// `ownUses` of them itself and is about to release them.
void CheckClientLibraryUnused(int ownUses = 0);
