#include "media/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tepple {

namespace {

int channel(uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

} // namespace

void enlargeSmoothly(const Surface& source, Surface& target)
{
    const int width = source.width(), height = source.height();
    const int factor = width > 0 ? target.width() / width : 0;
    if (factor < 1 || target.width() != width * factor || target.height() != height * factor) {
        throw std::invalid_argument("enlargeSmoothly: " + std::to_string(target.width()) + " x " +
                                    std::to_string(target.height()) + " is not a whole multiple of " +
                                    std::to_string(width) + " x " + std::to_string(height));
    }
    const uint32_t* in = source.pixels();
    uint32_t* out = target.lock();
    const auto at = [&](int x, int y) {
        return in[static_cast<size_t>(std::clamp(y, 0, height - 1)) * width + std::clamp(x, 0, width - 1)];
    };
    for (int y = 0; y < target.height(); ++y) {
        // The target pixel's centre in source pixels, measured from the first source centre.
        const double v = (y + 0.5) / factor - 0.5;
        const int y0 = static_cast<int>(std::floor(v));
        const double fy = v - y0;
        for (int x = 0; x < target.width(); ++x) {
            const double u = (x + 0.5) / factor - 0.5;
            const int x0 = static_cast<int>(std::floor(u));
            const double fx = u - x0;
            const uint32_t c00 = at(x0, y0), c10 = at(x0 + 1, y0);
            const uint32_t c01 = at(x0, y0 + 1), c11 = at(x0 + 1, y0 + 1);
            uint32_t mixed = 0;
            for (const int shift : {16, 8, 0}) {
                const double top = channel(c00, shift) * (1 - fx) + channel(c10, shift) * fx;
                const double bottom = channel(c01, shift) * (1 - fx) + channel(c11, shift) * fx;
                const int value = static_cast<int>(std::lround(top * (1 - fy) + bottom * fy));
                mixed |= static_cast<uint32_t>(std::clamp(value, 0, 255)) << shift;
            }
            out[static_cast<size_t>(y) * target.width() + x] = mixed;
        }
    }
}

} // namespace tepple
