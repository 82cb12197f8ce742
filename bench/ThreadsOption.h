#pragma once
// The benchmarks' own options, taken out of the command line before Google Benchmark reads them:
// --threads N (or --threads=N), the threads our renderer draws with, 1 when not given, read as the
// demo and the capture tool read theirs (parseThreadCount); --lanes W, the rows drawn side by side
// (Renderer::laneWidth: 1, 4, 8 or 16), the widest the processor has when not given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "render/LaneWidth.h"
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

// Removes --lanes from argv. Exits with status 2 and a message on a bad value or one this processor
// cannot run (a benchmark must measure the width it names).
inline int takeLanesOption(int& argc, char** argv)
{
    int lanes = 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* value = nullptr;
        if (std::strcmp(argv[i], "--lanes") == 0 && i + 1 < argc) {
            value = argv[++i];
        } else if (std::strncmp(argv[i], "--lanes=", 8) == 0) {
            value = argv[i] + 8;
        } else {
            argv[kept++] = argv[i];
            continue;
        }
        const std::string text = value;
        lanes = text == "1" || text == "4" || text == "8" || text == "16" ? std::atoi(value) : -1;
        if (lanes < 0 || resolvedLaneWidth(lanes) != lanes) {
            std::fprintf(stderr, "--lanes wants 1, 4, 8 or 16, a width this processor runs, not '%s'\n", value);
            std::exit(2);
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return lanes;
}
