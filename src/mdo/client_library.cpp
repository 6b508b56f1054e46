#include "mdo/client_library.h"

#include <dlfcn.h>

#include <atomic>

#include "foundation/language.h"
#include "mdo/mdo_errors.h"

namespace {

void* ClientLibraryHandle = nullptr;
std::atomic<int> ClientLibraryUsers{0};

// Entry-point names with static storage, so that a stub can name its function.
#define MDO_STUB_NAME(name) constexpr char k_##name[] = #name;
MDO_VERSION6_ENTRY_POINTS(MDO_STUB_NAME)
MDO_STUB_NAME(isc_rollback_retaining)
#undef MDO_STUB_NAME

// Stubs with the signature of the entry point they stand in for, so that a
// caller fails with a clear error instead of a null or dangling call:
// `Version6` for a version-6 function of a version-5 client, `NotLoaded`
// while no library is loaded.
template <typename F>
struct TStubOf;
template <typename R, typename... A>
struct TStubOf<R (*)(A...)> {
    template <const char* Name>
    static R Version6(A...) {
        RaiseClientError(3, Name);
    }
    static R NotLoaded(A...) { RaiseClientError(1); }
};
// The C variadic entry points (isc_event_block).
template <typename R, typename... A>
struct TStubOf<R (*)(A..., ...)> {
    static R NotLoaded(A..., ...) { RaiseClientError(1); }
};

constexpr TMDOEntryPoints NotLoadedEntryPoints() {
    TMDOEntryPoints api;
#define MDO_NOT_LOADED(name) api.name = &TStubOf<decltype(api.name)>::NotLoaded;
    MDO_REQUIRED_ENTRY_POINTS(MDO_NOT_LOADED)
    MDO_VERSION6_ENTRY_POINTS(MDO_NOT_LOADED)
    MDO_NOT_LOADED(isc_rollback_retaining)
    MDO_OPTIONAL_ENTRY_POINTS(MDO_NOT_LOADED)
#undef MDO_NOT_LOADED
    return api;
}

}  // namespace

std::string ClientLibraryName;
int ClientVersion = 0;
constinit TMDOEntryPoints ClientApi = NotLoadedEntryPoints();

namespace {

template <const char* Name, typename F>
void BindStub(F& entry) {
    entry = &TStubOf<F>::template Version6<Name>;
}

template <typename F>
void Resolve(F& entry, const char* name) {
    dlerror();  // a stale error must not be taken for this lookup's
    void* address = dlsym(ClientLibraryHandle, name);
    if (address == nullptr) {
        const char* reason = dlerror();
        throw EOSError(Format("Dynamic Library Error.\n%s",
                              reason != nullptr ? reason : "A dynamic library function failed"));
    }
    entry = reinterpret_cast<F>(address);
}

template <typename F>
bool TryResolve(F& entry, const char* name) {
    void* address = dlsym(ClientLibraryHandle, name);
    entry = reinterpret_cast<F>(address);
    return address != nullptr;
}

// Opens `fileName` only while no library is loaded: a second open would
// replace, and leak, the handle in use, so the loaded library is bound anew.
bool TryOpen(const std::string& fileName) {
    if (ClientLibraryHandle != nullptr) return true;
    ClientLibraryHandle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (ClientLibraryHandle == nullptr) return false;
    ClientLibraryName = fileName;
    return true;
}

}  // namespace

std::string ClientLibraryFileNames(TMDOClientLib choice) {
    switch (choice) {
        case clGDS32:
            return "libgds.so";
        case clFBClient:
            return "libfbclient.so.2";
        case clFBEmbed:
            return "libfbembed.so";
        case clAutoDetect:
            break;
    }
    return std::string();
}

bool IsClientLibraryLoaded() {
    return ClientLibraryHandle != nullptr;
}

void LoadClientLibrary() {
    if (ClientLibraryName.empty()) {
        for (const char* candidate : kClientLibraryProbeOrder) {
            if (TryOpen(candidate)) break;
        }
    } else {
        TryOpen(ClientLibraryName);
    }
    if (ClientLibraryHandle == nullptr) return;

    // Bound from scratch: a lookup that fails below leaves a stub behind,
    // never an address into a library loaded before.
    ClientApi = NotLoadedEntryPoints();
#define MDO_TRY_RESOLVE(name) TryResolve(ClientApi.name, #name);
    MDO_OPTIONAL_ENTRY_POINTS(MDO_TRY_RESOLVE)
#undef MDO_TRY_RESOLVE
#define MDO_RESOLVE(name) Resolve(ClientApi.name, #name);
    MDO_REQUIRED_ENTRY_POINTS(MDO_RESOLVE)
    if (TryResolve(ClientApi.isc_rollback_retaining, "isc_rollback_retaining")) {
        ClientVersion = 6;
        MDO_VERSION6_ENTRY_POINTS(MDO_RESOLVE)
    } else {
        ClientVersion = 5;
        BindStub<k_isc_rollback_retaining>(ClientApi.isc_rollback_retaining);
#define MDO_BIND_STUB(name) BindStub<k_##name>(ClientApi.name);
        MDO_VERSION6_ENTRY_POINTS(MDO_BIND_STUB)
#undef MDO_BIND_STUB
    }
#undef MDO_RESOLVE
}

bool TryLoadClientLibrary() {
    if (!IsClientLibraryLoaded()) LoadClientLibrary();
    return IsClientLibraryLoaded();
}

void CheckClientLibraryLoaded() {
    if (!TryLoadClientLibrary()) RaiseClientError(1);
}

void FreeClientLibrary() {
    if (ClientLibraryHandle == nullptr) return;
    CheckClientLibraryUnused();
    // Without the shutdown the embedded engine's plugins keep the library
    // mapped and their threads running into it.
    if (ClientApi.fb_shutdown != nullptr) ClientApi.fb_shutdown(0, fb_shutrsn_app_stopped);
    ClientApi = NotLoadedEntryPoints();
    dlclose(ClientLibraryHandle);
    ClientLibraryHandle = nullptr;
}

TcClientLibraryUser::TcClientLibraryUser() {
    CheckClientLibraryLoaded();
    ++ClientLibraryUsers;
}

TcClientLibraryUser::~TcClientLibraryUser() {
    --ClientLibraryUsers;
}

int ClientLibraryUserCount() {
    return ClientLibraryUsers.load();
}

void CheckClientLibraryUnused(int ownUses) {
    const int others = ClientLibraryUsers.load() - ownUses;
    if (others <= 0) return;
    throw EUser(Format(Lang("Cannot unload the client library %s: %d other connection(s) still "
                            "use it.",
                            "Kan de client library %s niet ontladen: %d andere verbinding(en) "
                            "gebruiken hem nog."),
                       ClientLibraryName.c_str(), others));
}

int GetClientVersion() {
    CheckClientLibraryLoaded();
    return ClientVersion;
}
