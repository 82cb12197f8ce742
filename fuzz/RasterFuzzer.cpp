// Arbitrary vertex buffers, lights and settings through all five rasterisers. Beyond what the
// sanitizers catch, every path must leave clean 0x00RRGGBB pixels in the target and the
// accumulation buffer and no NaN depth key, must never write into a bound texture, and must leave
// a target of the wrong size untouched.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "RasterInput.h"
#include "render/LaneWidth.h"
#include "render/Renderer.h"

using namespace tepple;


namespace {

// A fixed picture per texture, so a write into one shows up as a difference from its copy.
struct TextureSet {
    Surface empty{0, 0};
    Surface oneTexel{1, 1};
    Surface flare{255, 255};
    Surface plasma{256, 256};
    Surface narrow{3, 700};
    Surface screenSized{640, 480};
    std::vector<std::vector<uint32_t>> pristine;

    TextureSet()
    {
        for (Surface* texture : all()) {
            uint32_t* texels = texture->lock();
            const int count = texture->width() * texture->height();
            for (int i = 0; i < count; ++i) texels[i] = (static_cast<uint32_t>(i) * 2654435761u) & 0x00FFFFFFu;
            pristine.emplace_back(texels, texels + count);
        }
    }

    std::vector<Surface*> all() { return {&empty, &oneTexel, &flare, &plasma, &narrow, &screenSized}; }

    Surface* pick(TextureChoice choice)
    {
        switch (choice) {
        case TextureChoice::Empty: return &empty;
        case TextureChoice::OneTexel: return &oneTexel;
        case TextureChoice::Flare255: return &flare;
        case TextureChoice::Plasma256: return &plasma;
        case TextureChoice::Narrow3x700: return &narrow;
        case TextureChoice::Screen640: return &screenSized;
        default: return nullptr;
        }
    }

    bool untouched()
    {
        const std::vector<Surface*> textures = all();
        for (size_t t = 0; t < textures.size(); ++t) {
            const uint32_t* texels = textures[t]->pixels();
            if (!std::equal(pristine[t].begin(), pristine[t].end(), texels)) return false;
        }
        return true;
    }
};

[[noreturn]] void fail(const char* what, int index)
{
    std::fprintf(stderr, "raster fuzzer: %s (word %d)\n", what, index);
    std::abort();
}

constexpr uint32_t wrongTargetFill = 0x12345678u;

void checkBuffers(const Surface& screen, const Renderer& renderer)
{
    const uint32_t* pixels = screen.pixels();
    for (int i = 0; i < static_cast<int>(renderer.pixelCount()); ++i) {
        if ((pixels[i] & 0xFF000000u) != 0) fail("pixel with bits above 0x00FFFFFF", i);
        if ((renderer.accumBuffer()[i] & 0xFF000000u) != 0) fail("accumulation word with bits above 0x00FFFFFF", i);
        if (std::isnan(renderer.depthBuffer()[i])) fail("NaN depth key", i);
    }
}

void checkUntouched(const Surface& target)
{
    const uint32_t* pixels = target.pixels();
    const int count = target.width() * target.height();
    for (int i = 0; i < count; ++i) {
        if (pixels[i] != wrongTargetFill) fail("a target of the wrong size was drawn into", i);
    }
}

// Draws the input with every mode into a fresh renderer, one frame per mode, so the depth rule
// sees keys of earlier frames too.
void drawInput(const RasterInput& input, TextureSet& textures, const Renderer& pristine, Renderer& renderer,
               Surface& target, int laneWidth)
{
    renderer = pristine;
    renderer.laneWidth = laneWidth;
    renderer.blendMode = input.blendMode;
    renderer.backfaceCull = input.backfaceCull;
    renderer.setTexture(textures.pick(input.firstTexture));
    renderer.setSecondTexture(textures.pick(input.secondTexture));
    for (const Light& light : input.lights) renderer.addLight(light);

    renderer.setVertexBuffers(input.positions.data(), input.normals.empty() ? nullptr : input.normals.data(),
                              input.positions.size());
    // Corners past the end of the normals must count as having the zero normal.
    renderer.normals.resize(renderer.normals.size() - std::min<size_t>(input.missingNormals, renderer.normals.size()));

    if (input.wrongSizeTarget) {
        std::fill(target.lock(), target.lock() + target.width() * target.height(), wrongTargetFill);
    } else {
        target.clear();
    }
    renderer.setFrame(input.frame);
    for (int mode = 0; mode < 5; ++mode) {
        if (input.wrongSizeTarget) {
            // A target of the wrong size is refused whole, with the error naming both sizes.
            try {
                renderer.draw(static_cast<DrawMode>(mode), target);
                fail("a target of the wrong size was accepted", mode);
            } catch (const std::invalid_argument&) {
            }
        } else if (!renderer.draw(static_cast<DrawMode>(mode), target)) {
            fail("a draw mode was refused", mode);
        }
        renderer.nextFrame();
    }
}

// Rows drawn side by side in lanes must give every bit that rows drawn one by one give, whatever
// the values: NaN, infinities and saturated positions included.
void checkSameAsRowByRow(const Surface& lanes, const Renderer& lanesRenderer, const Surface& rows,
                         const Renderer& rowsRenderer)
{
    const size_t count = lanesRenderer.pixelCount();
    if (std::memcmp(lanes.pixels(), rows.pixels(), count * sizeof(uint32_t)) != 0) {
        fail("lanes and rows one by one drew different pixels", 0);
    }
    const size_t pixels = lanesRenderer.pixelCount();
    if (std::memcmp(lanesRenderer.accumBuffer(), rowsRenderer.accumBuffer(), pixels * sizeof(uint32_t)) != 0) {
        fail("lanes and rows one by one left different accumulation values", 0);
    }
    if (std::memcmp(lanesRenderer.depthBuffer(), rowsRenderer.depthBuffer(), pixels * sizeof(double)) != 0) {
        fail("lanes and rows one by one left different depth keys", 0);
    }
}

// Draws the input into `screen` with lanes and row by row, and checks the results.
void drawAndCheck(const RasterInput& input, TextureSet& textures, const Renderer& pristine, Renderer& renderer,
                  Renderer& rowByRow, Surface& screen, Surface& rowByRowScreen)
{
    if (input.wrongSizeTarget) {
        Surface wrongSize(screen.width(), screen.height() - 1);
        drawInput(input, textures, pristine, renderer, wrongSize, 0);
        checkUntouched(wrongSize);
    } else {
        // Each lane width this processor runs in turn, chosen by the input so that a replay draws
        // with the width that failed.
        static const std::vector<int> widths = laneWidthsAvailable();
        const int width = widths.size() > 1 ? widths[1 + input.frame % (widths.size() - 1)] : 1;
        drawInput(input, textures, pristine, renderer, screen, width);
        drawInput(input, textures, pristine, rowByRow, rowByRowScreen, 1);
        checkSameAsRowByRow(screen, renderer, rowByRowScreen, rowByRow);
        checkBuffers(screen, renderer);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TextureSet textures;
    const RasterInput input = decodeRasterInput(data, size);
    if (!input.ownViewport) {
        // The demonstration's viewport, the common case, reuses its renderers and surfaces: every
        // input starts from a copy of a fresh renderer, cheaper than building one.
        static const Renderer pristine(Viewport::demo());
        static Renderer renderer(pristine), rowByRow(pristine);
        static Surface screen(screenWidth, screenHeight), rowByRowScreen(screenWidth, screenHeight);
        drawAndCheck(input, textures, pristine, renderer, rowByRow, screen, rowByRowScreen);
    } else {
        // A viewport that cannot be drawn with must be refused, never drawn with.
        const bool usable = input.viewport.problem().empty();
        std::unique_ptr<Renderer> pristine;
        try {
            pristine = std::make_unique<Renderer>(input.viewport);
        } catch (const std::invalid_argument&) {
            if (usable) fail("a usable viewport was refused", 0);
            return 0;
        }
        if (!usable) fail("a viewport that cannot be drawn with was accepted", 0);
        Renderer renderer(*pristine), rowByRow(*pristine);
        Surface screen(input.viewport.width, input.viewport.height);
        Surface rowByRowScreen(input.viewport.width, input.viewport.height);
        drawAndCheck(input, textures, *pristine, renderer, rowByRow, screen, rowByRowScreen);
    }
    if (!textures.untouched()) fail("a bound texture was written to", 0);
    return 0;
}
