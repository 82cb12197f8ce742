#include "Catalogue.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "FileOutput.h"
#include "Images.h"
#include "Manifest.h"
#include "Mp3Encoder.h"
#include "Shapes.h"
#include "Soundtrack.h"
#include "TgaWriter.h"
#include "geometry/MeshFile.h"
#include "media/DataFiles.h"

namespace tepple {

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
    using namespace dataFiles;
    return {
        meshAsset(capsuleMesh, makeCapsule),
        meshAsset(knotMesh, makeSpinKnot),
        meshAsset(mushroomCapMesh, makeMushroomCap),
        meshAsset(mushroomStemMesh, makeMushroomStem),
        meshAsset(columnMesh, makeGridColumn),
        meshAsset(bouncerMesh, makeBouncer),
        meshAsset(centrePieceMesh, makeCentrePiece),
        imageAsset(flareTexture, makeFlare),
        imageAsset(mushroomTexture, makeFlyAgaric),
        imageAsset(background, makeStoneWall),
        {soundtrack, "", [] { return encodeMp3(renderSoundtrack()); }},
    };
}

void writeAssets(const std::string& folder, std::ostream& progress)
{
    // An empty name would put every file in the root folder ("" + "/" + name).
    if (folder.empty()) throw std::invalid_argument("the data folder name is empty");
    // The manifest exists only beside a complete set: a run that stops part way leaves none, so
    // the next check finds the folder unfinished whatever the files written so far hold.
    const std::string manifestPath = folder + "/" + manifestName;
    std::error_code ignored;
    std::filesystem::remove(manifestPath, ignored);

    std::vector<ManifestEntry> manifest;
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
        manifest.push_back(describeFile(asset.name, bytes));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char timing[32];
        std::snprintf(timing, sizeof timing, "%.2f s", seconds);
        progress << "tepple-assets: wrote " << path << " (" << describeSize(bytes.size())
                 << (asset.summary.empty() ? "" : ", " + asset.summary) << ") in " << timing << '\n';
    }
    const std::string text = formatManifest(manifest);
    writeFileBytes(manifestPath, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace tepple
