#pragma once
// Surfaces: blocks of 32-bit 0x00RRGGBB pixels held in memory, and the areas copied between them
// and into a console. A surface owns its pixels and is read and written in place; loading converts
// rows of another direct-colour format, and copying moves only areas that lie wholly inside both
// ends. Nothing here knows of a window system.
#include <cstdint>
#include <vector>

#include "pixels/Format.h"

namespace tepple {

// Right and bottom are exclusive: (0, 0, w, h) covers a whole w x h surface.
struct Area {
    int left;
    int top;
    int right;
    int bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

class Console;

// A block of width x height 32-bit 0x00RRGGBB pixels. Rows are exactly width x 4 bytes apart,
// top row first; lock() yields the top-left pixel, to read and write in place.
class Surface {
public:
    // Negative sizes are taken as 0. The surface starts black.
    Surface(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    uint32_t* lock() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }

    // Converts `height` rows of `width` pixels, top row first, `pitch` bytes apart, from a 24- or
    // 32-bit direct-colour source into this surface. Only the part that fits is loaded; the
    // caller guarantees the source holds (height - 1) x pitch + width x bytesPerPixel bytes.
    // Other depths and a negative pitch load nothing.
    void load(const void* rows, int width, int height, int pitch, const Format& source);

    // Copies `source` of this surface to `destination` of the target. Equal-sized areas that lie
    // inside both are copied pixel for pixel; anything else copies nothing.
    void copy(Surface& target, const Area& source, const Area& destination) const;
    void copy(Console& target, const Area& source, const Area& destination) const;

    // Every pixel 0.
    void clear();

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

} // namespace tepple
