#include "render/ThreadCount.h"

namespace tepple {

std::optional<int> parseThreadCount(const std::string& text)
{
    // Two digits cover the range: a longer text is refused before it could overflow.
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > maxRenderThreads) return std::nullopt;
    return value;
}

} // namespace tepple
