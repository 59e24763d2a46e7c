// Linked into the program only when it is built with the sanitizers. The system's D-Bus and
// fontconfig libraries keep allocations for the life of the process on purpose; LeakSanitizer
// would report them at every exit of a program run on a real desktop and turn its exit code
// into 1. The tests pass the same list through LSAN_OPTIONS.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_options();

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus\n"
         "leak:libfontconfig\n";
}

extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
