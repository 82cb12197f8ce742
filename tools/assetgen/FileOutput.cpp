#include "FileOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
        if (error) throw std::runtime_error(path + ": cannot create its folder: " + error.message());
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error(path + ": cannot open for writing: " + std::strerror(errno));
    const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    const int writeError = written != bytes.size() ? errno : 0;
    if (std::fclose(file) != 0 && writeError == 0)
        throw std::runtime_error(path + ": cannot finish writing: " + std::strerror(errno));
    if (written != bytes.size())
        throw std::runtime_error(path + ": cannot write: " + std::strerror(writeError != 0 ? writeError : EIO));
}
