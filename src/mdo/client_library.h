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
// Unloads; `ClientLibraryName` keeps its value. Close every handle that uses
// the library first.
void FreeClientLibrary();
// `CheckClientLibraryLoaded`, then `ClientVersion`.
int GetClientVersion();
