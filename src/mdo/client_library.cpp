#include "mdo/client_library.h"

#include <dlfcn.h>

#include "mdo/mdo_errors.h"

std::string ClientLibraryName;
int ClientVersion = 0;
TMDOEntryPoints ClientApi;

namespace {

void* ClientLibraryHandle = nullptr;

// Entry-point names with static storage, so that a stub can name its function.
#define MDO_STUB_NAME(name) constexpr char k_##name[] = #name;
MDO_VERSION6_ENTRY_POINTS(MDO_STUB_NAME)
MDO_STUB_NAME(isc_rollback_retaining)
#undef MDO_STUB_NAME

// Stands in for a version-6 function in a version-5 client, with the same
// signature, so that callers fail with a clear error instead of a null call.
template <typename F>
struct TStubOf;
template <typename R, typename... A>
struct TStubOf<R (*)(A...)> {
    template <const char* Name>
    static R Stub(A...) {
        RaiseClientError(3, Name);
    }
};

template <const char* Name, typename F>
void BindStub(F& entry) {
    entry = &TStubOf<F>::template Stub<Name>;
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

    // Probed first so that no pointer into a previously loaded library survives.
    TryResolve(ClientApi.fb_interpret, "fb_interpret");
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
    dlclose(ClientLibraryHandle);
    ClientLibraryHandle = nullptr;
}

int GetClientVersion() {
    CheckClientLibraryLoaded();
    return ClientVersion;
}
