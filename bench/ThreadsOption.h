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

namespace tepple {

// Removes every `--name V` and `--name=V` from argv, handing each V to take(V) in order.
template <class Take>
void takeOption(int& argc, char** argv, const std::string& name, Take&& take)
{
    const std::string flag = "--" + name, prefix = flag + "=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == flag && i + 1 < argc) {
            take(argv[++i]);
        } else if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            take(argv[i] + prefix.size());
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
}

// Removes --threads from argv. Exits with status 2 and a message on a bad value.
inline int takeThreadsOption(int& argc, char** argv)
{
    int threads = 1;
    takeOption(argc, argv, "threads", [&threads](const char* value) {
        const auto parsed = parseThreadCount(value);
        if (!parsed) {
            std::fprintf(stderr, "--threads wants a whole number from 1 to %d, not '%s'\n", maxRenderThreads, value);
            std::exit(2);
        }
        threads = *parsed;
    });
    return threads;
}

// Removes --lanes from argv. Exits with status 2 and a message on a bad value or one this processor
// cannot run (a benchmark must measure the width it names).
inline int takeLanesOption(int& argc, char** argv)
{
    int lanes = 0;
    takeOption(argc, argv, "lanes", [&lanes](const char* value) {
        const std::string text = value;
        lanes = text == "1" || text == "4" || text == "8" || text == "16" ? std::atoi(value) : -1;
        if (lanes < 0 || resolvedLaneWidth(lanes) != lanes) {
            std::fprintf(stderr, "--lanes wants 1, 4, 8 or 16, a width this processor runs, not '%s'\n", value);
            std::exit(2);
        }
    });
    return lanes;
}

} // namespace tepple
