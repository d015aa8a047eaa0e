// Leak-checker rule of the sanitizer build of the unit tests: fontconfig's own configuration
// loader (FcInitLoadConfigAndFonts) loses a few bytes once per process, which is not ours to
// free. The library is built without frame pointers, so only its name identifies the
// allocation. The program run by the integration tests gets the same rule from lsan.supp.
// Unused without LeakSanitizer. The sanitizer runtime looks the function up by name, so it is
// exported although the build hides symbols by default.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
