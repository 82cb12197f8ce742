#include "Catalogue.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "FileOutput.h"
#include "Images.h"
#include "Mp3Encoder.h"
#include "Shapes.h"
#include "Soundtrack.h"
#include "TgaWriter.h"
#include "geometry/MeshFile.h"

namespace {

AssetFile meshAsset(const std::string& name, MeshData (*make)())
{
    const MeshData probe = make();
    const std::string summary = std::to_string(probe.triangleCount()) + " triangles, " +
                                std::to_string(probe.vertices.size()) + " vertices";
    return {name, summary, [make] {
                const MeshData mesh = make();
                return encodeLsb(toEngineCoordinates(mesh.vertices), mesh.indices);
            }};
}

AssetFile imageAsset(const std::string& name, Image (*make)())
{
    return {name, "", [make] { return encodeTga(make()); }};
}

std::string describeSize(size_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%zu bytes", bytes);
    return text;
}

} // namespace

std::vector<AssetFile> assetCatalogue()
{
    return {
        meshAsset("capsule.LSB", makeCapsule),
        meshAsset("kelvo.LSB", makeSpinKnot),
        meshAsset("mushroom/1.LSB", makeMushroomCap),
        meshAsset("mushroom/2.LSB", makeMushroomStem),
        meshAsset("Shape1.LSB", makeGridColumn),
        meshAsset("Shape4.LSB", makeBouncer),
        meshAsset("Shape5.LSB", makeCentrePiece),
        imageAsset("flare.tga", makeFlare),
        imageAsset("amuscaria.tga", makeFlyAgaric),
        imageAsset("stone_version_1.tga", makeStoneWall),
        {"pelmoric.mp3", "", [] { return encodeMp3(renderSoundtrack()); }},
    };
}

void writeAssets(const std::string& folder, std::ostream& progress)
{
    for (const AssetFile& asset : assetCatalogue()) {
        const std::string path = folder + "/" + asset.name;
        const auto start = std::chrono::steady_clock::now();
        std::vector<uint8_t> bytes;
        try {
            bytes = asset.make();
        } catch (const std::exception& error) {
            throw std::runtime_error(path + ": cannot be made: " + error.what());
        }
        writeFileBytes(path, bytes);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char timing[32];
        std::snprintf(timing, sizeof timing, "%.2f s", seconds);
        progress << "tepple-assets: wrote " << path << " (" << describeSize(bytes.size())
                 << (asset.summary.empty() ? "" : ", " + asset.summary) << ") in " << timing << '\n';
    }
}
