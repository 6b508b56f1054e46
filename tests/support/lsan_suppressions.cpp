// LeakSanitizer settings for the tests that load the Firebird client and its
// embedded engine, built into every test that links test_support so that no
// environment is needed. Leaks of this program stay visible.

// Suppressed, and nothing else: ICU objects that the embedded engine's
// character-set support creates and never frees at process end; and the
// search path glibc's newlocale builds from LOCPATH and never frees (the
// locale test compiles its locale into a private folder named by LOCPATH).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libicuuc.so\n"
           "leak:__argz_add_sep\n";
}

// The client and the engine's plugins are loaded with dlopen and keep
// thread-local data, so glibc gives each thread that touches it a dynamic TLS
// block from malloc. GCC 12's sanitizer runtime, watching __tls_get_addr,
// takes a block that happens to start 16 bytes into a page for a block of a
// glibc older than 2.25 and reads its bounds from the allocator's chunk
// header in front of it; the leak check at exit then scans that nonsense
// range and its tracer dies with signal 11. Not watching __tls_get_addr
// avoids the guess and hides nothing: the blocks are ordinary heap blocks,
// reachable through the thread's TLS vector, and static TLS is still scanned
// (use_tls=0 would also stop that, and report memory that only thread-local
// variables hold as leaked).
extern "C" const char* __lsan_default_options() {
    return "intercept_tls_get_addr=0";
}
