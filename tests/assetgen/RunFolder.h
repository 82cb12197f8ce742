#pragma once
// The data files the build generated into the run folder, as the demo reads them.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tepple {

inline std::string runPath(const std::string& name) { return std::string(TEPPLE_RUN_DIR) + "/" + name; }

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace tepple
