// Sanitizer builds only: the embedded engine's character-set support creates
// ICU objects that it never frees at process end. Only those are suppressed;
// leaks of this program stay visible.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libicuuc.so\n";
}

// Standard error belongs to the program's own messages. The engine's dynamic
// TLS blocks must not be guessed at: GCC 12's runtime reads nonsense bounds
// for a block that starts 16 bytes into a page and the leak check's tracer
// dies at exit (tests/support/lsan_suppressions.cpp says more).
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0:intercept_tls_get_addr=0";
}
