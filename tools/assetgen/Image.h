#pragma once
// A picture being authored: packed 0x00RRGGBB pixels, top row first.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tepple {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // width x height

    Image() = default;
    // Negative sizes are taken as 0. Starts black.
    Image(int w, int h);

    // (x, y) must lie inside the image.
    uint32_t& at(int x, int y) { return pixels[index(x, y)]; }
    uint32_t at(int x, int y) const { return pixels[index(x, y)]; }

private:
    size_t index(int x, int y) const
    {
        return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
    }
};

} // namespace tepple
