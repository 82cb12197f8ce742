#pragma once
// The manifest the generator writes beside the data files once every one of them is written: a
// line per file with its name, size in bytes and CRC-32. The build checks the folder against it
// on every build, so a file cut short by a full disk, edited or spoilt is noticed and made again,
// not only a missing one. Format, after a comment line:
//   capsule.LSB 196232 9f3a0c11
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tepple {

inline constexpr const char* manifestName = "tepple-assets.manifest";

struct ManifestEntry {
    std::string name; // as in the catalogue, relative to the folder
    uint64_t size = 0;
    uint32_t crc = 0; // CRC-32 as zlib and PNG compute it

    bool operator==(const ManifestEntry& other) const
    {
        return name == other.name && size == other.size && crc == other.crc;
    }
};

ManifestEntry describeFile(const std::string& name, const std::vector<uint8_t>& bytes);

std::string formatManifest(const std::vector<ManifestEntry>& entries);
// Empty when any line is malformed.
std::optional<std::vector<ManifestEntry>> parseManifest(const std::string& text);

// What is wrong with the data files in `folder`: one line per problem, each naming its file (the
// manifest missing, malformed or listing a file twice, a file of `names` missing, not a regular
// file, of another size or checksum than the manifest says, or absent from it). Empty when all
// is well. Sizes are compared first; no file is read whole into memory. An empty folder name is
// a problem of its own, never the root folder.
std::vector<std::string> checkDataFolder(const std::string& folder, const std::vector<std::string>& names);

} // namespace tepple
