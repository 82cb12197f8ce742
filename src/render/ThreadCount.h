#pragma once
// How many threads the renderer may be asked to draw with, and the one reading of such a number
// that the demo's TEPPLE_THREADS, the capture tool's --threads and the benchmarks' --threads all
// share, so that a text one of them accepts is accepted by all.
#include <optional>
#include <string>

namespace tepple {

// The demonstration's 480 rows cut into one strip per thread stay 16 rows high or more.
constexpr int maxRenderThreads = 30;

// A count from 1 to maxRenderThreads written as plain decimal digits and nothing else (no sign,
// no spaces, no trailing text); empty for anything else.
std::optional<int> parseThreadCount(const std::string& text);

} // namespace tepple
