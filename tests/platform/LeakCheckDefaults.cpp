// Leak-checker defaults for the music tests, read by the sanitizer runtime at start-up when the
// program is built with it (and unused otherwise). The player hands its stream to the mixer for
// the life of the process and never frees it; that one allocation is not a leak.

namespace tepple {

extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:Mix_LoadMUS\n";
}

// Full unwinding, so the suppression can see Mix_LoadMUS under the libraries' own frames.
extern "C" __attribute__((used)) const char* __lsan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

} // namespace tepple
