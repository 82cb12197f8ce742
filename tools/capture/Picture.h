#pragma once
// A picture in memory: width x height 0x00RRGGBB words, rows top first, exactly width words
// apart (the layout of every surface and of the console's pixel block).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tepple {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Picture() = default;
    // Negative sizes are taken as 0; every pixel starts as `fill`.
    Picture(int imageWidth, int imageHeight, uint32_t fill = 0);
    // Copies width x height words from `source`, which must hold that many.
    static Picture fromPixels(const uint32_t* source, int imageWidth, int imageHeight);

    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// The picture shrunk (or stretched) to the given size. Each output pixel is the mean of the
// source pixels whose centres fall inside its footprint, or the nearest source pixel when none
// does (enlarging); channels are averaged separately and rounded to nearest.
Picture resized(const Picture& source, int targetWidth, int targetHeight);

// Copies `source` onto `target` with its top-left corner at (left, top); what falls outside the
// target is dropped.
void paste(Picture& target, const Picture& source, int left, int top);

// Fills the rectangle [left, left + w) x [top, top + h), clipped to the image.
void fillRect(Picture& target, int left, int top, int w, int h, uint32_t colour);

} // namespace tepple
