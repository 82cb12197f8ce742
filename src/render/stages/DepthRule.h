#pragma once
// The depth rule, decided here for all four depth-tested paths (Gouraud, textured, two-texture,
// sprites), and the buffers a call's span kernels test and write. Its lane form, passLanes and
// containsLanes in lanes/LaneSet.h, applies these same comparisons to every lane.
//
// A pixel's key is frame + w, with w = 1/z; the pixel passes when its key is strictly greater than
// the stored one, and then the key is stored, whether or not the pixel's colour is shown. Equal
// keys fail, so of two equal surfaces the first drawn stays. The frame number's growth makes every
// key of an earlier frame stale without clearing the buffer: a key stored k frames ago loses to
// any new w above its own w minus k.
//
// The key is formed and stored in double, where it is exact: frame + w fits in 53 bits for every w
// a triangle shows (above 0.001) up to frame 2^20, over an hour at 240 Hz. Past frame 2^20 double
// rounding can make keys tie but never reorder them.
#include <cstddef>
#include <cstdint>

#include "render/Viewport.h"

namespace tepple {

class DepthRule {
public:
    explicit DepthRule(uint32_t frame) : frame_(frame) {}

    double key(float w) const { return frame_ + static_cast<double>(w); }

    bool pass(double& stored, float w) const
    {
        const double pixelKey = key(w);
        if (!(pixelKey > stored)) return false;
        stored = pixelKey;
        return true;
    }

    double frame() const { return frame_; }

private:
    double frame_;
};

// Triangle pixels are shown only for camera distances strictly between the viewport's near and far
// distances, tested on w = 1/z.
class VisibilityWindow {
public:
    explicit VisibilityWindow(const Viewport& viewport)
        : minW_(1.0 / viewport.farDistance), maxW_(1.0 / viewport.nearDistance)
    {
    }

    bool contains(float w) const { return w > minW_ && w < maxW_; }
    // w of the far and the near distance: nearer points have a greater w.
    double minW() const { return minW_; }
    double maxW() const { return maxW_; }

private:
    double minW_;
    double maxW_;
};

// What a call's span kernels write into: the target's pixels, the renderer's accumulation and depth
// buffers (all `width` entries a row), the call's depth rule and the visibility window.
struct DrawBuffers {
    uint32_t* pixels;
    uint32_t* accumulation;
    double* depth;
    size_t width;
    DepthRule depthRule;
    VisibilityWindow window;

    // Where row `row` starts in each buffer.
    size_t rowStart(int row) const { return static_cast<size_t>(row) * width; }
};

} // namespace tepple
