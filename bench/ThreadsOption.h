#pragma once
// The benchmarks' own option, taken out of the command line before Google Benchmark reads it:
// --threads N (or --threads=N), the threads our renderer draws with; 1 when not given. N is read
// as the demo and the capture tool read theirs (parseThreadCount).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "render/ThreadCount.h"

// Removes --threads from argv. Exits with status 2 and a message on a bad value.
inline int takeThreadsOption(int& argc, char** argv)
{
    int threads = 1;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* value = nullptr;
        if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            value = argv[++i];
        } else if (std::strncmp(argv[i], "--threads=", 10) == 0) {
            value = argv[i] + 10;
        } else {
            argv[kept++] = argv[i];
            continue;
        }
        const auto parsed = parseThreadCount(value);
        if (!parsed) {
            std::fprintf(stderr, "--threads wants a whole number from 1 to %d, not '%s'\n", maxRenderThreads, value);
            std::exit(2);
        }
        threads = *parsed;
    }
    argc = kept;
    argv[argc] = nullptr;
    return threads;
}
