#pragma once
// The eleven data files of the demo and how each is made.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tepple {

struct AssetFile {
    std::string name; // relative to the run folder, '/' separated
    std::string summary;  // what the progress line says besides the size, e.g. "3456 triangles"
    std::function<std::vector<uint8_t>()> make;
};

// In the order they are written: meshes, pictures, then the soundtrack.
std::vector<AssetFile> assetCatalogue();

// Makes every file and writes it into `folder` (created if missing), one progress line per file
// on `progress`. Throws std::runtime_error naming the file on the first one that cannot be made
// or written, std::invalid_argument for an empty folder name.
void writeAssets(const std::string& folder, std::ostream& progress);

} // namespace tepple
