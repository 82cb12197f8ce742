#include "pixels/Messages.h"

#include <cstdio>

namespace tepple {

void StderrMessages::message(const std::string& text, const std::string&, const std::string& detail)
{
    if (detail.empty()) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s %s\n", text.c_str(), detail.c_str());
    }
    std::fflush(stderr);
}

} // namespace tepple
