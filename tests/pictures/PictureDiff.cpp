#include "PictureDiff.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tepple {

namespace {

int channelStep(uint32_t a, uint32_t b)
{
    int largest = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        largest = std::max(largest, std::abs(difference));
    }
    return largest;
}

std::string hexColour(uint32_t colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", colour & 0xFFFFFF);
    return text;
}

} // namespace

PictureDifference comparePictures(const Picture& expected, const Picture& actual)
{
    PictureDifference difference;
    if (expected.width != actual.width || expected.height != actual.height) {
        difference.sameSize = false;
        return difference;
    }
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const uint32_t want = expected.at(x, y) & 0xFFFFFF;
            const uint32_t got = actual.at(x, y) & 0xFFFFFF;
            if (want == got) continue;
            if (difference.differingPixels == 0) {
                difference.firstX = x;
                difference.firstY = y;
                difference.expectedColour = want;
                difference.actualColour = got;
                difference.left = difference.right = x;
                difference.top = difference.bottom = y;
            }
            ++difference.differingPixels;
            difference.left = std::min(difference.left, x);
            difference.right = std::max(difference.right, x);
            difference.bottom = y;
            difference.largestChannelStep = std::max(difference.largestChannelStep, channelStep(want, got));
        }
    }
    return difference;
}

std::string PictureDifference::describe() const
{
    if (!sameSize) return "the pictures differ in size";
    if (differingPixels == 0) return "identical";
    return std::to_string(differingPixels) + " pixels differ, within columns " + std::to_string(left) + "-" +
           std::to_string(right) + " and rows " + std::to_string(top) + "-" + std::to_string(bottom) +
           "; first at (" + std::to_string(firstX) + ", " + std::to_string(firstY) + "): expected " +
           hexColour(expectedColour) + ", got " + hexColour(actualColour) + "; largest channel difference " +
           std::to_string(largestChannelStep);
}

Picture differencePicture(const Picture& expected, const Picture& actual)
{
    if (expected.width != actual.width || expected.height != actual.height) return Picture();
    Picture picture(expected.width, expected.height);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const uint32_t want = expected.pixels[i] & 0xFFFFFF;
        const uint32_t got = actual.pixels[i] & 0xFFFFFF;
        if (want == got) {
            // A quarter of each channel: shifting the whole word keeps channels apart once the
            // two low bits of each are masked off.
            picture.pixels[i] = (want >> 2) & 0x3F3F3F;
        } else {
            const int red = 128 + channelStep(want, got) / 2;
            picture.pixels[i] = static_cast<uint32_t>(red) << 16;
        }
    }
    return picture;
}

} // namespace tepple
