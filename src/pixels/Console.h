#pragma once
// The console: the window the demonstration is shown in, as an interface with back ends for SDL,
// the browser and none at all (HeadlessConsole.h). The base class owns the console's pixel block;
// a back end opens the window, tests for a key, presents pictures and shows messages. Nothing
// here knows of a window system.
#include <cstdint>
#include <string>
#include <vector>

#include "pixels/Format.h"
#include "pixels/Messages.h"

namespace tepple {

// The window. The base class holds the console's own pixel block, which surfaces copy into and
// update() shows; a picture drawn elsewhere at the console's size is shown by show() straight from
// where it lies, with no copy into the block. Back ends supply opening, the key test, presenting
// and messages.
class Console : public MessageSink {
public:
    virtual ~Console() = default;

    // Opens a window of the given size. Returns false when no window can be opened; lastError()
    // then names the cause.
    virtual bool open(const std::string& title, int width, int height, const Format& format,
                      int pages) = 0;
    // True while a key press (or a request to close the window) waits; the key is not consumed.
    virtual bool key() = 0;
    // Shows the console's pixel block.
    void update() { show(pixels_.data()); }
    // Shows `picture`, width() x height() words laid out as the pixel block is, which keeps what it
    // held. The back end takes what it needs of the picture before returning, so the caller may
    // change it at once.
    virtual void show(const uint32_t* picture) = 0;
    virtual void close() = 0;
    // message() (from MessageSink): always a line on standard error, and a dialog with this window
    // as parent where one can be shown, waiting for it to be dismissed.

    const std::string& lastError() const { return lastError_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Rows of exactly width x 4 bytes, 0x00RRGGBB.
    uint32_t* pixels() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }

protected:
    // Sizes the pixel block (negative sizes taken as 0) and makes it black.
    void resizePixels(int width, int height);

    std::string lastError_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

} // namespace tepple
