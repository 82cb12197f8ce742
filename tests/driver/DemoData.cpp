#include "DemoData.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "geometry/MeshFile.h"
#include "media/DataFiles.h"
#include "media/MusicPlayer.h"
#include "TgaWriter.h"

namespace tepple {

namespace {

const char* const meshNames[] = {dataFiles::columnMesh,      dataFiles::bouncerMesh,      dataFiles::centrePieceMesh,
                                 dataFiles::mushroomCapMesh, dataFiles::mushroomStemMesh, dataFiles::knotMesh,
                                 dataFiles::capsuleMesh};

// A TGA file through the asset generator's own writer, pixel (x, y) counted from the top row.
std::vector<uint8_t> encodeTga(int width, int height, uint32_t (*pixel)(int, int))
{
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.at(x, y) = pixel(x, y);
    }
    return encodeTga(image);
}

// A bright disc fading to a black (see-through) rim.
uint32_t flarePixel(int x, int y)
{
    const int dx = x - 127;
    const int dy = y - 127;
    const int fall = 255 - 2 * (dx * dx + dy * dy) / 127;
    const int level = fall < 0 ? 0 : fall;
    return packColour(level, level, level);
}

uint32_t stripePixel(int x, int y) { return packColour(200, (x / 16 % 2) ? 40 : 180, (y / 16 % 2) ? 60 : 120); }

std::string uniqueFolder()
{
    static std::atomic<int> made{0};
    const auto base = std::filesystem::temp_directory_path();
    return (base / ("tepple-driver-" + std::to_string(getpid()) + "-" + std::to_string(made++))).string();
}

} // namespace

DemoData::DemoData() : folder_(uniqueFolder())
{
    std::filesystem::create_directories(folder_ + "/mushroom");
    for (const char* name : meshNames) writeLsbFile(path(name), cubeVertices(8.0f), cubeFaces());
    write(dataFiles::flareTexture, encodeTga(255, 255, flarePixel));
    write(dataFiles::mushroomTexture, encodeTga(255, 255, stripePixel));
    write(dataFiles::background, encodeTga(640, 480, backgroundPixel));
}

DemoData::~DemoData()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void DemoData::remove(const std::string& name) const { std::filesystem::remove(path(name)); }

void DemoData::write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::ofstream file(path(name), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t DemoData::backgroundPixel(int x, int y) { return packColour(40 + x % 200, 60 + y % 180, 90); }

std::vector<Vertex> DemoData::cubeVertices(float halfSize)
{
    std::vector<Vertex> corners;
    for (int i = 0; i < 8; ++i) {
        const float x = (i & 1) ? halfSize : -halfSize;
        const float y = (i & 2) ? halfSize : -halfSize;
        const float z = (i & 4) ? halfSize : -halfSize;
        Vertex corner(x, y, z, packColour(90 + 20 * i, 200 - 10 * i, 160));
        corner.texU = corner.texU2 = (i & 1) ? 0.98f : 0.02f;
        corner.texV = corner.texV2 = (i & 2) ? 0.98f : 0.02f;
        corners.push_back(corner);
    }
    return corners;
}

std::vector<int32_t> DemoData::cubeFaces()
{
    return {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
            2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
}

DemoSetup headlessSetup(HeadlessConsole& console, Clock& clock, const DemoData& data)
{
    return DemoSetup{console, clock, console, [](const std::string&) { return std::make_unique<SilentMusicPlayer>(); },
                     data.folder(), 7u, {}};
}

HeadlessDemo::HeadlessDemo(const DemoData& data)
    : demo(std::make_unique<Demo>(headlessSetup(console, clock, data)))
{
}

FrameResult HeadlessDemo::stepAt(double seconds)
{
    clock.set(seconds);
    return demo->step();
}

} // namespace tepple
