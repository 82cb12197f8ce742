#pragma once
// Writing finished bytes to disk.
#include <cstdint>
#include <string>
#include <vector>

// Writes the bytes to `path`, creating missing parent folders. Throws std::runtime_error naming
// the file and the cause when anything fails (including a short write or a failing close).
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
