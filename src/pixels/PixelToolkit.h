#pragma once
// The pixel toolkit: formats, areas, 32-bit pixel surfaces, the console (window)
// interface and the timer. Nothing here knows of SDL; the console has an SDL back end and a
// headless one.
#include <cstdint>
#include <string>
#include <vector>

#include "pixels/Messages.h"

// Direct colour: bits per pixel and channel masks.
struct Format {
    int bits;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    uint32_t alphaMask;
};

// 32-bit 0x00RRGGBB: the window's format and every surface's.
inline Format displayFormat32() { return Format{32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0}; }
// 24-bit rows read as little-endian 0xRRGGBB words (bytes blue, green, red): TGA pixel rows.
inline Format rowFormat24() { return Format{24, 0xFF0000, 0x00FF00, 0x0000FF, 0}; }

// Right and bottom are exclusive: (0, 0, w, h) covers a whole w x h surface.
struct Area {
    int left;
    int top;
    int right;
    int bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

class Console;

// A block of width x height 32-bit 0x00RRGGBB pixels. Rows are exactly width x 4 bytes apart,
// top row first; lock() yields the top-left pixel, to read and write in place.
class Surface {
public:
    // Negative sizes are taken as 0. The surface starts black.
    Surface(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    uint32_t* lock() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }

    // Converts `height` rows of `width` pixels, top row first, `pitch` bytes apart, from a 24- or
    // 32-bit direct-colour source into this surface. Only the part that fits is loaded; the
    // caller guarantees the source holds (height - 1) x pitch + width x bytesPerPixel bytes.
    // Other depths and a negative pitch load nothing.
    void load(const void* rows, int width, int height, int pitch, const Format& source);

    // Copies `source` of this surface to `destination` of the target. Equal-sized areas that lie
    // inside both are copied pixel for pixel; anything else copies nothing.
    void copy(Surface& target, const Area& source, const Area& destination) const;
    void copy(Console& target, const Area& source, const Area& destination) const;

    // Every pixel 0.
    void clear();

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

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
    void resizePixels(int width, int height);

    std::string lastError_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

// A monotonic source of seconds; the timer reads it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds() = 0;
};

// A clock that moves only when told to: for tests, the capture tool and benchmarks.
class ManualClock : public Clock {
public:
    double seconds() override { return now_; }
    void set(double seconds) { now_ = seconds; }
    void advance(double step) { now_ += step; }

private:
    double now_ = 0.0;
};

// The demonstration clock.
class Timer {
public:
    explicit Timer(Clock& clock) : clock_(clock) {}
    // Time counts from here; the first delta after start is measured from here too.
    void start();
    // Seconds since start (0 before start).
    double time();
    // Seconds since the previous delta reading (or since start).
    double delta();

private:
    Clock& clock_;
    bool started_ = false;
    double startSeconds_ = 0.0;
    double lastDeltaSeconds_ = 0.0;
};
