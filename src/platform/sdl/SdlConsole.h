#pragma once
// The console as an SDL2 window: the pixel block is streamed into a texture and scaled to fit
// the window, keeping its aspect ratio, whatever size the user drags the window to.
// Only video and the timer are initialised here; audio belongs to the music player, so a missing
// sound device never keeps the window from opening.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pixels/Console.h"
#include "platform/sdl/Termination.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace tepple {

class SdlConsole : public Console {
public:
    SdlConsole() = default;
    SdlConsole(const SdlConsole&) = delete;
    SdlConsole& operator=(const SdlConsole&) = delete;
    ~SdlConsole() override;

    // A resizable window with vsync requested. Only 32-bit 0x00RRGGBB is shown; pages are
    // ignored. On failure nothing stays open and lastError() holds SDL's reason.
    bool open(const std::string& title, int width, int height, const Format& format, int pages) override;
    // Pumps the window's events. A key press, a request to close the window or a termination
    // signal (SIGTERM, SIGINT, SIGHUP) counts as a key, so the run ends cleanly; it stays
    // waiting from then on.
    bool key() override;
    // Streams the picture into the window's texture and presents it.
    void show(const uint32_t* picture) override;
    // Destroys the window and releases video; safe to call twice.
    void close() override;
    // The text and detail on standard error, then a simple information dialog, parented to the
    // window while it is open, where one can be shown (not without a display or fonts). A
    // termination signal closes the dialog and returns; once one has arrived, no dialog is shown.
    void message(const std::string& text, const std::string& caption, const std::string& detail) override;

    // Reads back what the renderer last drew, as 0x00RRGGBB words of the console's size.
    // Returns false if the console is not open or the renderer cannot be read.
    bool readBack(std::vector<uint32_t>& pixels);

private:
    bool fail(const char* what);

    // Held while the window is open.
    std::optional<TerminationSignals> signals_;
    bool videoStarted_ = false;
    bool keyWaiting_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
};

} // namespace tepple
