// Sanitizer builds only: the embedded engine's character-set support creates
// ICU objects that it never frees at process end. Only those are suppressed;
// leaks of this program stay visible.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libicuuc.so\n";
}

// Standard error belongs to the program's own messages.
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
