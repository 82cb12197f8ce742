#pragma once
// The command line of tepple-render, read into one record. Every option is checked here, before
// any file is read, so that a mistake costs nothing and says what was wrong in one line.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "models/Model.h"

namespace tepple {

// A usage mistake: status 2 and the message, with a pointer to --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A directional light in the camera's frame: azimuth to the right of the eye, elevation above it
// (degrees; 0, 0 shines from the eye), and a strength per channel.
struct ViewLight {
    double azimuth = 0;
    double elevation = 0;
    double red = 1, green = 1, blue = 1;
};

struct RenderOptions {
    std::string model;
    std::string output; // the PNG; for a turntable the stem of its numbered files
    std::string video;  // --video: the turntable as a video
    int width = 512;
    int height = 512;
    double azimuth = 30; // degrees around the model's up axis, 0 facing its front (+z)
    double elevation = 20;
    std::vector<ViewLight> lights; // empty: the default key, fill and rim
    double ambient = 0.18;
    bool transparent = false;
    uint32_t background = 0x303438;
    int aa = 2;
    tepple::NormalRule normals = tepple::NormalRule::Auto;
    int turntable = 0; // views around the model; 0: one picture
    int fps = 30;
    int threads = 0; // 0: one per core
    int laneWidth = 0;
    bool timings = false;
    bool thumbnail = false;
    bool help = false;
};

// Reads argv (without the program name). Throws UsageError.
RenderOptions parseRenderOptions(const std::vector<std::string>& arguments);

// The --help text.
const char* renderUsage();

// The name of view `index` of `count` for the output "name.png": "name-007.png".
std::string turntableName(const std::string& output, int index, int count);

} // namespace tepple
