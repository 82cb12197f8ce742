#include "FileOutput.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "ReplacingFile.h"

namespace tepple {

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
        if (error) throw std::runtime_error(path + ": cannot create its folder: " + error.message());
    }
    // The demo shows whatever a data file holds: a file cut short by a full disk must never
    // appear under its name.
    replaceFile(path, bytes, Durability::Synced);
}

} // namespace tepple
