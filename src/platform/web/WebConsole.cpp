#include "platform/web/WebConsole.h"

#include <emscripten.h>

#include <utility>

namespace tepple {

// The page-side halves. Module.teppleScreen keeps the canvas and its context between frames, and an
// ImageData laid over the picture's own bytes in the wasm heap, so a frame costs one putImageData
// and no copy. The heap's buffer is replaced when memory grows: the ImageData is then made again.

EM_JS(int, webCanvasOpen, (const char* selector, int width, int height, const char* title), {
    var canvas = document.querySelector(UTF8ToString(selector));
    if (!canvas || !canvas.getContext) return 0;
    canvas.width = width;
    canvas.height = height;
    var context = canvas.getContext('2d', {alpha: false});
    if (!context) return 0;
    document.title = UTF8ToString(title);
    Module['teppleScreen'] = {canvas: canvas, context: context, width: width, height: height,
                              image: null, at: 0};
    if (typeof Module['onCanvasSize'] === 'function') Module['onCanvasSize'](width, height);
    return 1;
});

EM_JS(void, webCanvasShow, (const uint8_t* rgba, int byteCount), {
    var screen = Module['teppleScreen'];
    if (!screen) return;
    if (!screen.image || screen.at !== rgba || screen.image.data.buffer !== HEAPU8.buffer) {
        var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, byteCount);
        screen.image = new ImageData(bytes, screen.width, screen.height);
        screen.at = rgba;
    }
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
    if (format.bits != display.bits || format.redMask != display.redMask ||
        format.greenMask != display.greenMask || format.blueMask != display.blueMask) {
        lastError_ = "only 32-bit 0x00RRGGBB pixels can be shown";
        return false;
    }
    if (webCanvasOpen(canvasSelector_.c_str(), width, height, title.c_str()) == 0) {
        lastError_ = "the page has no canvas " + canvasSelector_;
        return false;
    }
    resizePixels(width, height);
    rgba_.assign(static_cast<size_t>(width) * height, 0);
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

void WebConsole::show(const uint32_t* picture)
{
    if (!open_) return;
    // 0x00RRGGBB to the bytes R, G, B, 255, as one little-endian word per pixel: red and blue swap
    // places, green stays, alpha is set.
    const size_t count = pixels_.size();
    uint32_t* out = rgba_.data();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t colour = picture[i];
        out[i] = 0xFF000000u | ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
    }
    webCanvasShow(reinterpret_cast<const uint8_t*>(rgba_.data()), static_cast<int>(rgba_.size() * 4));
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

} // namespace tepple
