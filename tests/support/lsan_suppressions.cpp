// LeakSanitizer suppressions for the Firebird client's own allocations, built
// into every test that links test_support so that no environment is needed.
// Only ICU objects that the embedded engine's character-set support creates
// and never frees at process end are suppressed; leaks of this program stay
// visible.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libicuuc.so\n";
}
