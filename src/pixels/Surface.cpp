#include "pixels/Surface.h"

#include <algorithm>
#include <cstring>

#include "pixels/Console.h"

namespace tepple {

namespace {

bool areaInside(const Area& area, int width, int height)
{
    return area.left >= 0 && area.top >= 0 && area.right <= width && area.bottom <= height &&
           area.left <= area.right && area.top <= area.bottom;
}

bool equalSize(const Area& a, const Area& b)
{
    return a.width() == b.width() && a.height() == b.height();
}

// Copies an area between two pixel blocks whose rows are exactly width x 4 bytes.
void copyArea(const uint32_t* sourcePixels, int sourceWidth, int sourceHeight, const Area& source,
              uint32_t* targetPixels, int targetWidth, int targetHeight, const Area& destination)
{
    // Containment first: it bounds every coordinate, so the widths compared next cannot overflow.
    if (!areaInside(source, sourceWidth, sourceHeight) ||
        !areaInside(destination, targetWidth, targetHeight) || !equalSize(source, destination)) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(source.width()) * 4;
    for (int row = 0; row < source.height(); ++row) {
        const uint32_t* from =
            sourcePixels + static_cast<size_t>(source.top + row) * sourceWidth + source.left;
        uint32_t* to =
            targetPixels + static_cast<size_t>(destination.top + row) * targetWidth + destination.left;
        std::memmove(to, from, rowBytes);
    }
}

// One channel of a direct-colour format: where it sits and how wide it is, worked out once per load.
struct Channel {
    uint32_t mask;
    int shift;
    uint32_t maximum;

    explicit Channel(uint32_t channelMask) : mask(channelMask), shift(0), maximum(0)
    {
        if (mask == 0) return;
        while (((mask >> shift) & 1u) == 0) ++shift;
        maximum = mask >> shift;
    }

    // The channel of `pixel` scaled to 8 bits.
    uint32_t to8(uint32_t pixel) const
    {
        if (maximum == 0) return 0;
        const uint32_t value = (pixel & mask) >> shift;
        if (maximum == 255) return value;
        return static_cast<uint32_t>((static_cast<uint64_t>(value) * 255 + maximum / 2) / maximum);
    }
};

} // namespace

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_, 0u)
{
}

void Surface::load(const void* rows, int width, int height, int pitch, const Format& source)
{
    // A negative pitch would walk before the first row; such rows are not a layout this loader knows.
    if (rows == nullptr || pitch < 0 || (source.bits != 24 && source.bits != 32)) return;
    const int bytesPerPixel = source.bits / 8;
    const int copyWidth = std::min(width, width_);
    const int copyHeight = std::min(height, height_);
    const auto* bytes = static_cast<const uint8_t*>(rows);
    const Channel red(source.redMask), green(source.greenMask), blue(source.blueMask);
    for (int row = 0; row < copyHeight; ++row) {
        const uint8_t* from = bytes + static_cast<size_t>(row) * pitch;
        uint32_t* to = pixels_.data() + static_cast<size_t>(row) * width_;
        for (int column = 0; column < copyWidth; ++column) {
            const uint8_t* p = from + static_cast<size_t>(column) * bytesPerPixel;
            // Little-endian words: the first byte is the lowest.
            uint32_t word = p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
            if (bytesPerPixel == 4) word |= static_cast<uint32_t>(p[3]) << 24;
            to[column] = (red.to8(word) << 16) | (green.to8(word) << 8) | blue.to8(word);
        }
    }
}

void Surface::copy(Surface& target, const Area& source, const Area& destination) const
{
    copyArea(pixels_.data(), width_, height_, source, target.lock(), target.width(), target.height(),
             destination);
}

void Surface::copy(Console& target, const Area& source, const Area& destination) const
{
    copyArea(pixels_.data(), width_, height_, source, target.pixels(), target.width(), target.height(),
             destination);
}

void Surface::clear()
{
    std::fill(pixels_.begin(), pixels_.end(), 0u);
}

} // namespace tepple
