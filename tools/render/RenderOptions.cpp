#include "RenderOptions.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "render/ThreadCount.h"
#include "render/Viewport.h"

namespace tepple {

namespace {

double number(const std::string& text, const std::string& option, double low, double high)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < low || value > high) {
        throw UsageError(option + " takes a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + text + "\"");
    }
    return value;
}

int whole(const std::string& text, const std::string& option, int low, int high)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '+' || text[0] == ' ' || value < low || value > high) {
        throw UsageError(option + " takes a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + text + "\"");
    }
    return static_cast<int>(value);
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

uint32_t colour(const std::string& text, const std::string& option)
{
    std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    char* end = nullptr;
    const unsigned long value = std::strtoul(hex.c_str(), &end, 16);
    if (hex.size() != 6 || *end != '\0')
        throw UsageError(option + " takes a colour RRGGBB, not \"" + text + "\"");
    return static_cast<uint32_t>(value);
}

void size(const std::string& text, RenderOptions& options)
{
    const size_t x = text.find('x');
    if (x == std::string::npos) throw UsageError("--size takes WIDTHxHEIGHT, not \"" + text + "\"");
    options.width = whole(text.substr(0, x), "--size", 1, 8192);
    options.height = whole(text.substr(x + 1), "--size", 1, 8192);
}

ViewLight light(const std::string& text)
{
    const std::vector<std::string> parts = split(text, ',');
    if (parts.size() < 3 || parts.size() > 4) {
        throw UsageError("--light takes AZIMUTH,ELEVATION,STRENGTH[,RRGGBB], not \"" + text + "\"");
    }
    ViewLight result;
    result.azimuth = number(parts[0], "--light azimuth", -360, 360);
    result.elevation = number(parts[1], "--light elevation", -90, 90);
    const double strength = number(parts[2], "--light strength", 0, 16);
    const uint32_t tint = parts.size() == 4 ? colour(parts[3], "--light") : 0xFFFFFF;
    result.red = strength * ((tint >> 16) & 0xFF) / 255.0;
    result.green = strength * ((tint >> 8) & 0xFF) / 255.0;
    result.blue = strength * (tint & 0xFF) / 255.0;
    return result;
}

} // namespace

const char* renderUsage()
{
    return "usage: tepple-render MODEL -o OUT.png [options]\n"
           "       tepple-render --thumbnail SIZE MODEL OUT.png\n"
           "Draws a model file (OBJ, glTF, GLB, STL, PLY, LSB) into a PNG, without a GPU or a display.\n"
           "  -o, --output FILE         the PNG to write (with --turntable: FILE-000.png, ...)\n"
           "  --size WxH                picture size, 1 to 8192 each way (512x512)\n"
           "  --view AZIMUTH,ELEVATION  camera around the model in degrees (30,20)\n"
           "  --light AZ,EL,STRENGTH[,RRGGBB]  a light from the camera's frame; repeat for more;\n"
           "                            replaces the default key, fill and rim lights\n"
           "  --ambient A               light everywhere, 0 to 1 (0.18)\n"
           "  --background RRGGBB|transparent  (303438)\n"
           "  --aa N                    draw at N times the size and filter down, 1 to 4 (2)\n"
           "  --normals auto|smooth|flat  auto: the file's, else flat for STL, smooth for the rest\n"
           "  --turntable N             N views around the model\n"
           "  --video FILE.mp4          the turntable as an H.264 video (needs ffmpeg)\n"
           "  --fps N                   video frame rate (30)\n"
           "  --threads N               drawing threads, 1 to 30 (one per core)\n"
           "  --lanes W                 SIMD lane width, 0 (the widest) to 16; the same pictures\n"
           "  --timings                 print loading, drawing and writing times\n"
           "  --thumbnail SIZE IN OUT   a SIZE x SIZE thumbnail on a transparent background\n";
}

RenderOptions parseRenderOptions(const std::vector<std::string>& arguments)
{
    RenderOptions options;
    bool viewGiven = false;
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
            return arguments[++i];
        };
        using Handler = std::function<void()>;
        const std::map<std::string, Handler> table = {
            {"-o", [&] { options.output = value(); }},
            {"--output", [&] { options.output = value(); }},
            {"--size", [&] { size(value(), options); }},
            {"--view",
             [&] {
                 const std::string& text = value();
                 const std::vector<std::string> parts = split(text, ',');
                 if (parts.size() != 2)
                     throw UsageError("--view takes AZIMUTH,ELEVATION, not \"" + text + "\"");
                 options.azimuth = number(parts[0], "--view azimuth", -3600, 3600);
                 options.elevation = number(parts[1], "--view elevation", -90, 90);
                 viewGiven = true;
             }},
            {"--light", [&] { options.lights.push_back(light(value())); }},
            {"--ambient", [&] { options.ambient = number(value(), "--ambient", 0, 1); }},
            {"--background",
             [&] {
                 const std::string& text = value();
                 options.transparent = text == "transparent";
                 if (!options.transparent) options.background = colour(text, "--background");
             }},
            {"--aa", [&] { options.aa = whole(value(), "--aa", 1, 4); }},
            {"--normals",
             [&] {
                 const std::string& text = value();
                 if (text == "auto")
                     options.normals = tepple::NormalRule::Auto;
                 else if (text == "smooth")
                     options.normals = tepple::NormalRule::Smooth;
                 else if (text == "flat")
                     options.normals = tepple::NormalRule::Flat;
                 else
                     throw UsageError("--normals takes auto, smooth or flat, not \"" + text + "\"");
             }},
            {"--turntable", [&] { options.turntable = whole(value(), "--turntable", 1, 3600); }},
            {"--video", [&] { options.video = value(); }},
            {"--fps", [&] { options.fps = whole(value(), "--fps", 1, 240); }},
            {"--threads",
             [&] {
                 const std::string& text = value();
                 const auto count = parseThreadCount(text);
                 if (!count)
                     throw UsageError("--threads takes a whole number from 1 to 30, not \"" + text + "\"");
                 options.threads = *count;
             }},
            {"--lanes", [&] { options.laneWidth = whole(value(), "--lanes", 0, 16); }},
            {"--timings", [&] { options.timings = true; }},
            {"--thumbnail",
             [&] {
                 const int side = whole(value(), "--thumbnail", 1, 2048);
                 options.thumbnail = true;
                 options.width = options.height = side;
             }},
            {"--help", [&] { options.help = true; }},
            {"-h", [&] { options.help = true; }},
        };
        const auto handler = table.find(argument);
        if (handler != table.end()) {
            handler->second();
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (options.help) return options;
    if (options.thumbnail) {
        // As a file manager runs it: --thumbnail SIZE INPUT OUTPUT, transparent, the default view.
        if (positional.size() != 2) throw UsageError("--thumbnail takes SIZE INPUT OUTPUT");
        options.model = positional[0];
        options.output = positional[1];
        options.transparent = true;
        if (!viewGiven) options.azimuth = 30, options.elevation = 20;
    } else {
        if (positional.size() != 1)
            throw UsageError(positional.empty() ? "no model file given" : "one model file at a time");
        options.model = positional[0];
    }
    if (options.output.empty() && options.video.empty()) throw UsageError("no output given (-o OUT.png)");
    if (!options.video.empty() && options.turntable == 0) throw UsageError("--video needs --turntable N");
    if (!options.video.empty() && (options.width % 2 || options.height % 2)) {
        throw UsageError("--video needs an even width and height");
    }
    if (static_cast<long>(options.width) * options.aa > Viewport::maxSide ||
        static_cast<long>(options.height) * options.aa > Viewport::maxSide) {
        throw UsageError("--size times --aa must stay within " + std::to_string(Viewport::maxSide) +
                         " each way");
    }
    return options;
}

std::string turntableName(const std::string& output, int index, int count)
{
    const int digits = count > 1000 ? 4 : 3;
    std::string number = std::to_string(index);
    number.insert(0, static_cast<size_t>(std::max(0, digits - static_cast<int>(number.size()))), '0');
    const size_t slash = output.rfind('/');
    const size_t dot = output.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return output + "-" + number;
    return output.substr(0, dot) + "-" + number + output.substr(dot);
}

} // namespace tepple
