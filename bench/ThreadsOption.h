#pragma once
// The benchmarks' own option, taken out of the command line before Google Benchmark reads it:
// --threads N (or --threads=N), the threads our renderer draws with; 1 when not given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
        char* end = nullptr;
        const long parsed = std::strtol(value, &end, 10);
        if (*value == '\0' || *end != '\0' || parsed < 1 || parsed > 30) {
            std::fprintf(stderr, "--threads wants a whole number from 1 to 30, not '%s'\n", value);
            std::exit(2);
        }
        threads = static_cast<int>(parsed);
    }
    argc = kept;
    argv[argc] = nullptr;
    return threads;
}
