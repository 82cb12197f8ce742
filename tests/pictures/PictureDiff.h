#pragma once
// Exact comparison of two pictures, and what a reviewer needs when they differ: where, how many
// pixels, and a picture of the difference.
#include <cstdint>
#include <string>

#include "Picture.h"

namespace tepple {

struct PictureDifference {
    bool sameSize = true;
    long long differingPixels = 0;
    // Bounding box of the differing pixels, right and bottom inclusive; meaningful when any differ.
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    // The first differing pixel in reading order.
    int firstX = -1;
    int firstY = -1;
    uint32_t expectedColour = 0;
    uint32_t actualColour = 0;
    int largestChannelStep = 0; // the biggest difference of one channel anywhere

    bool identical() const { return sameSize && differingPixels == 0; }
    // One line for a failure message.
    std::string describe() const;
};

PictureDifference comparePictures(const Picture& expected, const Picture& actual);

// The expected picture dimmed to a quarter, with every differing pixel in red whose strength grows
// with the largest channel difference there (never fainter than half, so a one-step change shows).
// Pictures of different sizes give an empty image.
Picture differencePicture(const Picture& expected, const Picture& actual);

} // namespace tepple
