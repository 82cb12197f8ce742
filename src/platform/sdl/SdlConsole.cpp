#include "platform/sdl/SdlConsole.h"

#include <algorithm>

#include <SDL.h>

#include <utility>

#include "platform/sdl/SdlEnvironment.h"
#include "platform/sdl/WindowSystem.h"
#include "platform/sdl/DialogHelperWatch.h"

namespace tepple {

namespace {

constexpr Uint32 consoleSubsystems = SDL_INIT_VIDEO | SDL_INIT_TIMER;

// Drivers that show nothing. SDL falls back to "offscreen" when there is no display at all; used
// without being asked for by name, the demo would play unseen and report success.
bool isInvisibleFallback(const char* driver)
{
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (requested != nullptr && requested[0] != '\0') return false;
    return driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
}

struct NamedDisplay {
    const char* driver = nullptr; // SDL's driver for it; null when no display is named
    const char* variable = nullptr;
    const char* value = nullptr;
};

// The display the environment names (Wayland's first).
NamedDisplay namedDisplay()
{
    for (const auto& [variable, driver] :
         {std::pair{"WAYLAND_DISPLAY", "wayland"}, std::pair{"DISPLAY", "x11"}}) {
        const char* value = SDL_getenv(variable);
        if (value != nullptr && value[0] != '\0') return NamedDisplay{driver, variable, value};
    }
    return {};
}

bool isDisplayFormat(const Format& format)
{
    const Format display = displayFormat32();
    return format.bits == display.bits && format.redMask == display.redMask &&
           format.greenMask == display.greenMask && format.blueMask == display.blueMask;
}

} // namespace

SdlConsole::~SdlConsole()
{
    close();
}

bool SdlConsole::fail(const char* what)
{
    lastError_ = std::string(what) + ": " + SDL_GetError();
    close();
    return false;
}

bool SdlConsole::open(const std::string& title, int width, int height, const Format& format, int)
{
    close();
    lastError_.clear();
    keyWaiting_ = false;
    if (width <= 0 || height <= 0) {
        lastError_ = "window size must be positive";
        return false;
    }
    if (!isDisplayFormat(format)) {
        lastError_ = "only 32-bit 0x00RRGGBB pixels can be shown";
        return false;
    }
    // Termination signals are handled here, not by SDL, whose handlers go unheard while a dialog
    // is up.
    signals_.emplace();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    prepareSdlEnvironment();
    watchWindowSystem(true);
    if (SDL_InitSubSystem(consoleSubsystems) != 0) return fail("SDL video initialisation failed");
    videoStarted_ = true;
    if (isInvisibleFallback(SDL_GetCurrentVideoDriver())) {
        close();
        const NamedDisplay named = namedDisplay();
        if (named.driver == nullptr) {
            lastError_ = "no display to show it on (is DISPLAY set?)";
            return false;
        }
        // A display is named but SDL passed over it: its server refused the connection (perhaps
        // only for a moment) or is not there. Asked for by name, SDL either gets it this time or
        // says why not.
        signals_.emplace();
        SDL_SetHint(SDL_HINT_VIDEODRIVER, named.driver);
        const bool started = SDL_InitSubSystem(consoleSubsystems) == 0;
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        if (!started) {
            lastError_ = std::string(named.variable) + " is \"" + named.value +
                         "\" but SDL cannot use it: " + SDL_GetError();
            close();
            return false;
        }
        videoStarted_ = true;
    }

    // A picture larger than the screen opens in a window that fits it, the picture scaled down
    // into it as into any resized window.
    int windowWidth = width, windowHeight = height;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0 &&
        (width > usable.w || height > usable.h)) {
        const double fit = std::min(static_cast<double>(usable.w) / width,
                                    static_cast<double>(usable.h) / height);
        windowWidth = std::max(1, static_cast<int>(width * fit));
        windowHeight = std::max(1, static_cast<int>(height * fit));
    }
    fitWindowSize(windowWidth, windowHeight);
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, windowWidth,
                               windowHeight, SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) return fail("cannot create the window");
    // No window larger than the displays together: nothing more could be seen, and every frame
    // would cost its whole size to show.
    largestWidth_ = largestHeight_ = maxWindowSide;
    SDL_Rect all{0, 0, 0, 0};
    for (int display = 0; display < SDL_GetNumVideoDisplays(); ++display) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(display, &bounds) == 0) SDL_UnionRect(&all, &bounds, &all);
    }
    if (all.w > 0 && all.h > 0) {
        largestWidth_ = std::clamp(std::max(all.w, windowWidth), 1, maxWindowSide);
        largestHeight_ = std::clamp(std::max(all.h, windowHeight), 1, maxWindowSide);
    }
    SDL_SetWindowMaximumSize(window_, largestWidth_, largestHeight_);

    // Vsync is only asked for: a renderer without it still shows every frame. When no
    // accelerated renderer can be made (or safely tried), SDL's software renderer shows the
    // picture all the same, its window surface kept off the GPU path too.
    if (!addressSpaceIsTight()) {
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
        if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    }
    if (renderer_ == nullptr) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer_ == nullptr) return fail("cannot create a renderer");
    // The picture keeps its size in logical pixels and is scaled, letterboxed, into the window.
    if (SDL_RenderSetLogicalSize(renderer_, width, height) != 0) return fail("cannot scale the picture");

    // RGB888 is SDL's 32-bit 0x00RRGGBB word: the pixel block streams in without conversion.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width,
                                 height);
    if (texture_ == nullptr) return fail("cannot create the picture texture");

    resizePixels(width, height);
    watchWindowSystem(false);
    return true;
}

void SdlConsole::keepWindowWithinLimits()
{
    if (window_ == nullptr) return;
    int shownWidth = 0, shownHeight = 0;
    SDL_GetWindowSize(window_, &shownWidth, &shownHeight);
    if (shownWidth <= largestWidth_ && shownHeight <= largestHeight_) return;
    // Asked back at once, before anything is drawn at the size: the picture scales to fit.
    SDL_SetWindowSize(window_, std::min(shownWidth, largestWidth_), std::min(shownHeight, largestHeight_));
}

bool SdlConsole::key()
{
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
        if (event.type == SDL_KEYDOWN || event.type == SDL_QUIT) keyWaiting_ = true;
    }
    keepWindowWithinLimits();
    if (TerminationSignals::requested()) keyWaiting_ = true;
    return keyWaiting_;
}

void SdlConsole::show(const uint32_t* picture)
{
    if (texture_ == nullptr) return;
    // A resize by another client may have come since the last key test.
    SDL_PumpEvents();
    keepWindowWithinLimits();
    SDL_UpdateTexture(texture_, nullptr, picture, width_ * 4);
    // Asked last, so that nothing stands between the display's answer and the frame it sizes.
    if (!windowFitsOnDisplay(window_, largestWidth_, largestHeight_)) return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void SdlConsole::close()
{
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    if (videoStarted_) SDL_QuitSubSystem(consoleSubsystems);
    videoStarted_ = false;
    signals_.reset();
}

void SdlConsole::message(const std::string& text, const std::string& caption, const std::string& detail)
{
    // Standard error first and always: the dialog has no room for the detail (the file name), and
    // it blocks until dismissed, possibly on a display nobody is watching.
    StderrMessages().message(text, caption, detail);
    // Nobody is to wait for an OK once the demo has been told to end.
    if (TerminationSignals::requested()) return;
    // SDL shows the dialog from a child process and waits for it.
    DialogHelperWatch watch;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), window_);
}

bool SdlConsole::readBack(std::vector<uint32_t>& pixels)
{
    if (renderer_ == nullptr) return false;
    // Once the window is scaled, output pixels no longer map one to one onto the picture.
    int outputWidth = 0, outputHeight = 0;
    if (SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0 || outputWidth != width_ ||
        outputHeight != height_) {
        return false;
    }
    pixels.assign(static_cast<size_t>(width_) * height_, 0u);
    // The explicit rectangle bounds the read to the buffer whatever the viewport is.
    const SDL_Rect whole{0, 0, width_, height_};
    return SDL_RenderReadPixels(renderer_, &whole, SDL_PIXELFORMAT_RGB888, pixels.data(), width_ * 4) == 0;
}

} // namespace tepple
