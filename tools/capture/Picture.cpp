#include "Picture.h"

#include <algorithm>

namespace tepple {

namespace {

int nonNegative(int size) { return size < 0 ? 0 : size; }

// The source span [first, last) whose pixel centres lie in output pixel `index` of `outSize`
// pixels covering `inSize`: centre c of source pixel s is s + 0.5, and it belongs to output pixel
// floor(c x outSize / inSize). Integer arithmetic keeps the split exact.
struct Span {
    int first;
    int last;
};

Span sourceSpan(int index, int outSize, int inSize)
{
    // Source pixel s belongs to output pixel i when i <= (2s + 1) outSize / (2 inSize) < i + 1,
    // i.e. 2 i inSize <= (2s + 1) outSize < 2 (i + 1) inSize.
    const long long in = inSize;
    const long long out = outSize;
    auto firstAtLeast = [&](long long bound) {
        // Smallest s with (2s + 1) out >= bound.
        long long s = (bound - out + 2 * out - 1) / (2 * out);
        return static_cast<int>(std::max<long long>(0, s));
    };
    Span span{firstAtLeast(2 * index * in), firstAtLeast(2 * (index + 1) * in)};
    span.first = std::min(span.first, inSize);
    span.last = std::min(span.last, inSize);
    if (span.last <= span.first) {
        // Enlarging: no centre falls inside, take the nearest source pixel.
        const int nearest = static_cast<int>(std::min<long long>(inSize - 1, ((2LL * index + 1) * in) / (2 * out)));
        span = Span{nearest, nearest + 1};
    }
    return span;
}

} // namespace

Picture::Picture(int imageWidth, int imageHeight, uint32_t fill)
    : width(nonNegative(imageWidth)), height(nonNegative(imageHeight)),
      pixels(static_cast<size_t>(width) * height, fill)
{
}

Picture Picture::fromPixels(const uint32_t* source, int imageWidth, int imageHeight)
{
    Picture image(imageWidth, imageHeight);
    std::copy(source, source + image.pixels.size(), image.pixels.begin());
    return image;
}

Picture resized(const Picture& source, int targetWidth, int targetHeight)
{
    Picture target(targetWidth, targetHeight);
    if (source.width == 0 || source.height == 0) return target;
    for (int y = 0; y < target.height; ++y) {
        const Span rows = sourceSpan(y, target.height, source.height);
        for (int x = 0; x < target.width; ++x) {
            const Span columns = sourceSpan(x, target.width, source.width);
            uint64_t red = 0, green = 0, blue = 0;
            for (int sy = rows.first; sy < rows.last; ++sy) {
                for (int sx = columns.first; sx < columns.last; ++sx) {
                    const uint32_t colour = source.at(sx, sy);
                    red += (colour >> 16) & 0xFF;
                    green += (colour >> 8) & 0xFF;
                    blue += colour & 0xFF;
                }
            }
            const uint64_t count = static_cast<uint64_t>(rows.last - rows.first) * (columns.last - columns.first);
            const uint64_t half = count / 2;
            target.at(x, y) = static_cast<uint32_t>(((red + half) / count) << 16 | ((green + half) / count) << 8 |
                                                    ((blue + half) / count));
        }
    }
    return target;
}

void paste(Picture& target, const Picture& source, int left, int top)
{
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            if (target.contains(left + x, top + y)) target.at(left + x, top + y) = source.at(x, y);
        }
    }
}

void fillRect(Picture& target, int left, int top, int w, int h, uint32_t colour)
{
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + std::max(w, 0), target.width);
    const int y1 = std::min(top + std::max(h, 0), target.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) target.at(x, y) = colour;
    }
}

} // namespace tepple
