#pragma once
// Small stand-ins for the demo's eleven data files, written into a fresh temporary folder, and a
// headless demo started from them with a manual clock and a fixed star-field seed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/Demo.h"
#include "pixels/HeadlessConsole.h"
#include "pixels/PixelToolkit.h"
#include "pixels/ManualClock.h"

namespace tepple {

// The folder and its files live as long as the object.
class DemoData {
public:
    DemoData();
    ~DemoData();
    DemoData(const DemoData&) = delete;
    DemoData& operator=(const DemoData&) = delete;

    const std::string& folder() const { return folder_; }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    void remove(const std::string& name) const;
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const;

    // The background picture's pixel: no pixel of it is black.
    static uint32_t backgroundPixel(int x, int y);
    // The cube every mesh file holds, in engine coordinates: 8 corners, 12 triangles.
    static std::vector<Vertex> cubeVertices(float halfSize);
    static std::vector<int32_t> cubeFaces();

private:
    std::string folder_;
};

// A demo on the headless console, started from a DemoData folder with seed 7.
struct HeadlessDemo {
    explicit HeadlessDemo(const DemoData& data);

    // Sets the clock to `seconds` after the timer's start, then runs one frame.
    FrameResult stepAt(double seconds);

    HeadlessConsole console;
    ManualClock clock;
    std::unique_ptr<Demo> demo;
};

// The setup HeadlessDemo uses, for tests that build their own Demo.
DemoSetup headlessSetup(HeadlessConsole& console, Clock& clock, const DemoData& data);

} // namespace tepple
