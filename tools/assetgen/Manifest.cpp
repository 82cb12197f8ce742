#include "Manifest.h"

#include <zlib.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace {

constexpr const char* heading = "# tepple-assets: name, size in bytes, CRC-32 of every data file";

bool readWhole(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace

ManifestEntry describeFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    // zlib's crc32 takes at most 4 GiB a call; the data files are a few megabytes.
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size()));
    return ManifestEntry{name, bytes.size(), static_cast<uint32_t>(crc)};
}

std::string formatManifest(const std::vector<ManifestEntry>& entries)
{
    std::string text = std::string(heading) + "\n";
    for (const ManifestEntry& entry : entries) {
        char numbers[48];
        std::snprintf(numbers, sizeof numbers, " %" PRIu64 " %08" PRIx32 "\n", entry.size, entry.crc);
        text += entry.name + numbers;
    }
    return text;
}

std::optional<std::vector<ManifestEntry>> parseManifest(const std::string& text)
{
    std::vector<ManifestEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ManifestEntry entry;
        std::string size, crc, extra;
        if (!(fields >> entry.name >> size >> crc) || (fields >> extra)) return std::nullopt;
        if (size.find_first_not_of("0123456789") != std::string::npos || size.size() > 15) return std::nullopt;
        if (crc.size() != 8 || crc.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
        entry.size = std::stoull(size);
        entry.crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
        entries.push_back(entry);
    }
    return entries;
}

std::vector<std::string> checkDataFolder(const std::string& folder, const std::vector<std::string>& names)
{
    const std::string manifestPath = folder + "/" + manifestName;
    std::vector<uint8_t> bytes;
    if (!readWhole(manifestPath, bytes)) {
        return {manifestPath + ": missing: the folder was not completely generated"};
    }
    const auto manifest = parseManifest(std::string(bytes.begin(), bytes.end()));
    if (!manifest) return {manifestPath + ": malformed"};

    std::vector<std::string> problems;
    const std::set<std::string> wanted(names.begin(), names.end());
    for (const ManifestEntry& listed : *manifest) {
        if (!wanted.count(listed.name)) {
            problems.push_back(manifestPath + ": lists " + listed.name + ", which is not a data file");
        }
    }
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const ManifestEntry* listed = nullptr;
        for (const ManifestEntry& entry : *manifest) {
            if (entry.name == name) listed = &entry;
        }
        if (listed == nullptr) {
            problems.push_back(path + ": not in the manifest");
        } else if (!readWhole(path, bytes)) {
            problems.push_back(path + ": missing or not a readable file");
        } else if (bytes.size() != listed->size) {
            problems.push_back(path + ": " + std::to_string(bytes.size()) + " bytes, not the " +
                               std::to_string(listed->size) + " the manifest lists");
        } else if (describeFile(name, bytes).crc != listed->crc) {
            problems.push_back(path + ": its bytes differ from those the manifest lists (checksum)");
        }
    }
    return problems;
}
