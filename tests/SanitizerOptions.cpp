// Defaults the sanitizer runtimes read at start; options in the environment still come first.
// Each program has its own copy: the runtimes look these up in the executable.

extern "C" {

const char* __asan_default_options() { return "detect_leaks=1"; }

const char* __ubsan_default_options() { return "print_stacktrace=1"; }

// The suppressions cover only the own code of libraries this build does not instrument (reasons
// in the file): project code those libraries call is always checked.
const char* __tsan_default_options() {
  return "suppressions=" KD_SOURCE_DIR "/tests/tsan-suppressions.txt:halt_on_error=1:second_deadlock_stack=1";
}

}  // extern "C"
