// Leak-checker settings of the fuzz target that loads the Firebird client.
// Suppressed by name, and nothing else: what the client and its plugins keep
// for good on a network attach or a service request (big numbers of the SRP
// login, character-set converters) and the ICU objects of the embedded
// engine. The tests' reason for not watching __tls_get_addr holds here too
// (tests/support/lsan_suppressions.cpp).

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libicuuc.so\n"
           "leak:libfbclient.so\n"
           "leak:libSrp.so\n"
           "leak:libtommath.so\n"
           "leak:__argz_add_sep\n";
}

extern "C" const char* __lsan_default_options() {
    return "intercept_tls_get_addr=0";
}
