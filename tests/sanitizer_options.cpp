// The demo allocates nothing, but SDL and Mesa keep allocations alive until
// exit by design; leak reports from them would drown real findings.
extern "C" const char *__asan_default_options() { return "detect_leaks=0"; }
