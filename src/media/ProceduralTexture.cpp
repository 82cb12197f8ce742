#include "media/ProceduralTexture.h"

#include <cmath>

#include "geometry/Vertex.h"

namespace tepple {

namespace {

// The pattern's reciprocals are fixed at these precisions; the given pixels depend on it.
constexpr float inverse74 = 1.0f / 74.0f;  // single-precision constant, widened when used
constexpr float inverse57 = 1.0f / 57.0f;  // single-precision constant, widened when used
constexpr double inverse15 = 1.0 / 15.0;   // double constant

// Each channel is the same formula moved by its own offset.
constexpr int redOffset = 10;
constexpr int greenOffset = 20;
constexpr int blueOffset = 500;

enum class Ring { cosine, sine };

// Horizontal wave period of one row, stored in single precision as the pattern requires.
float rowDivisor(int y, int offset)
{
    const double waveY = y + offset;
    return static_cast<float>(37.0 + 15.0 * std::cos(waveY * static_cast<double>(inverse74)));
}

// One channel of pixel (x, y); `divisor` is rowDivisor(y, offset). Always within 2 to 254.
int channel(int x, int y, int offset, float divisor, Ring ring)
{
    const double waveX = x + offset;
    const double waveY = y + offset;
    const double dx = waveX - 64.0;
    const double dy = static_cast<double>(y - offset + 21);
    // The ring distance is stored in single precision as the pattern requires.
    const float distance = static_cast<float>(std::sqrt(dx * dx + dy * dy) * inverse15);
    const double ringTerm = 63.0 * (ring == Ring::cosine ? std::cos(distance) : std::sin(distance));
    const double wavePeriod = 31.0 + 11.0 * std::sin(waveX * static_cast<double>(inverse57));
    const double waveTerm = 63.0 * std::cos(waveY / wavePeriod) * std::sin(waveX / divisor);
    // Truncation toward zero; the sum is bounded well inside int range.
    return static_cast<int>(waveTerm + (64.0 + ringTerm) + 64.0);
}

} // namespace

void generateTexture(Surface& surface)
{
    uint32_t* pixels = surface.lock();
    const int width = surface.width();
    const int height = surface.height();
    for (int y = 0; y < height; ++y) {
        const float redDivisor = rowDivisor(y, redOffset);
        const float greenDivisor = rowDivisor(y, greenOffset);
        const float blueDivisor = rowDivisor(y, blueOffset);
        uint32_t* row = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const int red = channel(x, y, redOffset, redDivisor, Ring::cosine);
            const int green = channel(x, y, greenOffset, greenDivisor, Ring::sine);
            const int blue = channel(x, y, blueOffset, blueDivisor, Ring::sine);
            row[x] = packColour(red, green, blue);
        }
    }
}

} // namespace tepple
