#pragma once
// Writing finished bytes to disk.
#include <cstdint>
#include <string>
#include <vector>

namespace tepple {

// Writes the bytes to `path`, creating missing parent folders. The file appears under its name
// only once complete and on disk; until then any earlier file of that name stays as it was.
// Throws std::runtime_error naming the file and the cause when anything fails.
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace tepple
