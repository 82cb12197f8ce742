#include "platform/web/WebConsole.h"

#include <emscripten.h>

#include <utility>

// The page-side halves. Module.teppleScreen keeps the canvas, its context and one ImageData
// between frames, so a frame costs one copy into the ImageData and one putImageData.

EM_JS(int, webCanvasOpen, (const char* selector, int width, int height, const char* title), {
    var canvas = document.querySelector(UTF8ToString(selector));
    if (!canvas || !canvas.getContext) return 0;
    canvas.width = width;
    canvas.height = height;
    var context = canvas.getContext('2d', {alpha: false});
    if (!context) return 0;
    document.title = UTF8ToString(title);
    Module['teppleScreen'] = {canvas: canvas, context: context, image: context.createImageData(width, height)};
    if (typeof Module['onCanvasSize'] === 'function') Module['onCanvasSize'](width, height);
    return 1;
});

EM_JS(void, webCanvasShow, (const uint8_t* rgba, int byteCount), {
    var screen = Module['teppleScreen'];
    if (!screen) return;
    screen.image.data.set(HEAPU8.subarray(rgba, rgba + byteCount));
    screen.context.putImageData(screen.image, 0, 0);
});

EM_JS(void, webCanvasClose, (), { Module['teppleScreen'] = null; });

EM_JS(void, webShowMessage, (const char* caption, const char* text, const char* detail), {
    if (typeof Module['showMessage'] === 'function') {
        Module['showMessage'](UTF8ToString(caption), UTF8ToString(text), UTF8ToString(detail));
    }
});

WebConsole::WebConsole(std::string canvasSelector) : canvasSelector_(std::move(canvasSelector)) {}

WebConsole::~WebConsole()
{
    close();
}

bool WebConsole::open(const std::string& title, int width, int height, const Format& format, int)
{
    close();
    lastError_.clear();
    keyWaiting_ = false;
    const Format display = displayFormat32();
    if (width <= 0 || height <= 0) {
        lastError_ = "window size must be positive";
        return false;
    }
    if (format.bits != display.bits || format.redMask != display.redMask || format.greenMask != display.greenMask ||
        format.blueMask != display.blueMask) {
        lastError_ = "only 32-bit 0x00RRGGBB pixels can be shown";
        return false;
    }
    if (webCanvasOpen(canvasSelector_.c_str(), width, height, title.c_str()) == 0) {
        lastError_ = "the page has no canvas " + canvasSelector_;
        return false;
    }
    resizePixels(width, height);
    // Alpha is opaque once and for all; update() only writes the three colour bytes.
    rgba_.assign(static_cast<size_t>(width) * height * 4, 0xFF);
    open_ = true;
    return true;
}

void WebConsole::press()
{
    if (open_) keyWaiting_ = true;
}

bool WebConsole::key()
{
    return keyWaiting_;
}

void WebConsole::update()
{
    if (!open_) return;
    const size_t count = pixels_.size();
    uint8_t* out = rgba_.data();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t colour = pixels_[i];
        out[4 * i] = static_cast<uint8_t>(colour >> 16);
        out[4 * i + 1] = static_cast<uint8_t>(colour >> 8);
        out[4 * i + 2] = static_cast<uint8_t>(colour);
    }
    webCanvasShow(rgba_.data(), static_cast<int>(rgba_.size()));
}

void WebConsole::close()
{
    if (!open_) return;
    webCanvasClose();
    open_ = false;
}

void WebConsole::message(const std::string& text, const std::string& caption, const std::string& detail)
{
    StderrMessages().message(text, caption, detail);
    webShowMessage(caption.c_str(), text.c_str(), detail.c_str());
}
