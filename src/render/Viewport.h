#pragma once
// Where camera space lands on a target, and which of it is shown.
//
// Camera space: x to the right, y downward on the target (rows grow with y), z away from the eye.
// A point (x, y, z) in front of the eye lands on column trunc(x / z x focalLength + centreX) and
// row trunc(y / z x focalLength + centreY). A triangle's pixels are shown only for camera
// distances strictly between nearDistance and farDistance.
//
// Two presets: forTarget() for programs of their own (any size, the eye's axis at the target's
// centre, clipping at the near distance, every edge pixel drawn, the general rules of lighting,
// texturing and sprites), and demo() for the demonstration, which keeps the rules its pictures
// were made with (see demoRules).
#include <cstdint>
#include <stdexcept>
#include <string>

#include "geometry/Vertex.h"

namespace tepple {

// The demonstration's picture: 640 x 480 (Viewport::demo()).
constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// A projected point: column and row.
struct ScreenPoint {
    int32_t x;
    int32_t y;
};

struct Viewport {
    // The target's size in pixels: 1 to maxSide each way.
    int width = screenWidth;
    int height = screenHeight;
    // Pixels per unit of x / z (and y / z): the target's half width gives a 90-degree field of view
    // across it.
    double focalLength = 320.0;
    // Where the eye's axis (x = y = 0) lands, in pixels from the target's top-left corner.
    double centreX = 320.0;
    double centreY = 240.0;
    // The visibility window, in camera-space z: 0 < nearDistance < farDistance.
    double nearDistance = 10.0;
    double farDistance = 1000.0;
    // Triangles crossing the plane z = nearDistance are cut there before projection, so what lies
    // in front of the eye is drawn as it should be. Off: a triangle whose mean depth is below 1 is
    // dropped whole, and corners behind the eye project mirrored.
    bool clipNear = true;
    // The demonstration's own rules, in place of the general ones: lighting by the angle of each
    // light's position vector seen from the eye, over its distance (geometry/Lighting.h), normals
    // moved as points by drawMesh (render/MeshDraw.h), the flat path in pure red lit by the last
    // light, clearing the whole target before it draws and drawing back faces, texels read one to
    // the left of the truncated position (render/Sampling.h), sprites tinted by the mean of texel
    // and colour and not drawn when their square touches the last column or row, and a row
    // reaching past the right edge stopping one column short of it (the flat path's two).
    bool demoRules = false;

    static constexpr int maxSide = 16384;

    // A viewport filling a width x height target.
    static Viewport forTarget(int width, int height)
    {
        Viewport viewport;
        viewport.width = width;
        viewport.height = height;
        viewport.focalLength = width / 2.0;
        viewport.centreX = width / 2.0;
        viewport.centreY = height / 2.0;
        return viewport;
    }

    // The demonstration's 640 x 480 picture: focal length 320, the axis at (240, 240), the window
    // 10 to 1000, no clipping, the demonstration's rules. At `scale` N the same picture is drawn
    // 640N x 480N, sharper: the size, the focal length and the centre are N times as large.
    static Viewport demo(int scale = 1)
    {
        Viewport viewport;
        viewport.width = screenWidth * scale;
        viewport.height = screenHeight * scale;
        viewport.focalLength = 320.0 * scale;
        viewport.centreX = 240.0 * scale;
        viewport.centreY = 240.0 * scale;
        viewport.clipNear = false;
        viewport.demoRules = true;
        return viewport;
    }

    // Why the viewport cannot be drawn with, or an empty string.
    std::string problem() const
    {
        if (width < 1 || height < 1 || width > maxSide || height > maxSide) {
            return "the size " + std::to_string(width) + " x " + std::to_string(height) +
                   " is outside 1 to " + std::to_string(maxSide) + " each way";
        }
        if (!(focalLength > 0.0) || focalLength > 1e9) return "the focal length must be above 0";
        if (!(centreX > -1e9 && centreX < 1e9 && centreY > -1e9 && centreY < 1e9))
            return "the centre must be finite";
        if (!(nearDistance > 0.0 && nearDistance < farDistance && farDistance < 1e30)) {
            return "the visibility window must have 0 < near < far";
        }
        return "";
    }
};

// Where a camera-space point lands on the viewport's target, as every draw mode places corners:
// column trunc(x / z x focalLength + centreX), row trunc(y / z x focalLength + centreY), with
// z = 0 taken as 0.1. Results beyond the int range saturate; NaN gives 0. Points outside the
// visibility window, or off the target, are projected all the same.
ScreenPoint project(Vertex point, const Viewport& viewport);

} // namespace tepple
