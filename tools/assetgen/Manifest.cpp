#include "Manifest.h"

#include <zlib.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace tepple {

namespace {

constexpr const char* heading = "# tepple-assets: name, size in bytes, CRC-32 of every data file";

// A manifest is a dozen short lines: anything much longer is not one, and is not read at all.
constexpr uint64_t maxManifestBytes = 64 * 1024;

bool regularFileSize(const std::string& path, uint64_t& size)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    size = std::filesystem::file_size(path, error);
    return !error;
}

bool readText(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// The CRC-32 of the first `size` bytes of the file, read in pieces so that memory stays small
// however large the file; false when fewer can be read.
bool crcOfFile(const std::string& path, uint64_t size, uint32_t& crc)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<char> piece(1 << 20);
    uLong sum = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size, piece.size()));
        file.read(piece.data(), static_cast<std::streamsize>(want));
        if (static_cast<size_t>(file.gcount()) != want) return false;
        sum = crc32(sum, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(want));
        size -= want;
    }
    crc = static_cast<uint32_t>(sum);
    return true;
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
    // An empty name would make "/name" of every file: the root folder, never what was meant.
    if (folder.empty()) return {"the data folder name is empty"};
    const std::string manifestPath = folder + "/" + manifestName;
    uint64_t manifestSize = 0;
    if (!regularFileSize(manifestPath, manifestSize)) {
        return {manifestPath + ": missing: the folder was not completely generated"};
    }
    if (manifestSize > maxManifestBytes) {
        return {manifestPath + ": malformed (" + std::to_string(manifestSize) + " bytes, far more than a manifest)"};
    }
    std::string text;
    if (!readText(manifestPath, text)) return {manifestPath + ": cannot be read"};
    const auto manifest = parseManifest(text);
    if (!manifest) return {manifestPath + ": malformed"};

    std::vector<std::string> problems;
    const std::set<std::string> wanted(names.begin(), names.end());
    std::set<std::string> listedNames;
    for (const ManifestEntry& listed : *manifest) {
        if (!wanted.count(listed.name)) {
            problems.push_back(manifestPath + ": lists " + listed.name + ", which is not a data file");
        }
        // Two lines for one file cannot both be true: neither is trusted.
        if (!listedNames.insert(listed.name).second) {
            problems.push_back(manifestPath + ": lists " + listed.name + " more than once");
        }
    }
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const ManifestEntry* listed = nullptr;
        for (const ManifestEntry& entry : *manifest) {
            if (entry.name == name) listed = &entry;
        }
        // The size is compared before a byte is read: a file of another size is damaged whatever
        // it holds, and may be far larger than memory.
        uint64_t size = 0;
        uint32_t crc = 0;
        if (listed == nullptr) {
            problems.push_back(path + ": not in the manifest");
        } else if (!regularFileSize(path, size)) {
            problems.push_back(path + ": missing or not a readable file");
        } else if (size != listed->size) {
            problems.push_back(path + ": " + std::to_string(size) + " bytes, not the " + std::to_string(listed->size) +
                               " the manifest lists");
        } else if (!crcOfFile(path, size, crc)) {
            problems.push_back(path + ": missing or not a readable file");
        } else if (crc != listed->crc) {
            problems.push_back(path + ": its bytes differ from those the manifest lists (checksum)");
        }
    }
    return problems;
}

} // namespace tepple
