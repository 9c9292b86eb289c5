// The application lives to the end of the process, and with it the font configuration
// caches it loaded; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
