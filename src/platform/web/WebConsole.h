#pragma once
// The console as the page's <canvas>: every picture shown goes onto the canvas, which the
// page scales to fit (4:3, crisp pixels). The page decides which of the viewer's actions ask the
// demo to stop (keys, taps, clicks) and passes them on through press(). Messages go to standard
// error (the browser's console) and to the page, which shows them without blocking: a browser page
// must never wait for a dialog inside a frame.
#include <cstdint>
#include <string>
#include <vector>

#include "pixels/Console.h"

namespace tepple {

class WebConsole : public Console {
public:
    // `canvasSelector` names the page's canvas, e.g. "#screen".
    explicit WebConsole(std::string canvasSelector);
    WebConsole(const WebConsole&) = delete;
    WebConsole& operator=(const WebConsole&) = delete;
    ~WebConsole() override;

    // Sizes the canvas to the picture (the page lays it out at that size) and takes presses from
    // now on: one before (the key that started the demo, say) does not count. Fails, naming the
    // cause, when the page has no such canvas or the format is not 32-bit 0x00RRGGBB. The title
    // goes to the page's title.
    bool open(const std::string& title, int width, int height, const Format& format, int pages) override;
    // True once press() has been called since open().
    bool key() override;
    // The viewer asked to stop; ignored while the console is closed.
    void press();
    void show(const uint32_t* picture) override;
    // Stops listening for keys; safe to call twice. The canvas keeps the last picture.
    void close() override;
    void message(const std::string& text, const std::string& caption, const std::string& detail) override;

    bool isOpen() const { return open_; }

private:
    std::string canvasSelector_;
    bool open_ = false;
    bool keyWaiting_ = false;
    // The picture as the canvas wants it: bytes R, G, B, 255 per pixel, one word each.
    std::vector<uint32_t> rgba_;
};

} // namespace tepple
