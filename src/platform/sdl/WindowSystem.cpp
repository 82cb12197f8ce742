#include "platform/sdl/WindowSystem.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>

#include <SDL.h>

#ifdef TEPPLE_HAS_X11
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#endif

namespace tepple {

namespace {

// Room the GL software path needs beyond what the process holds when the window opens, with a
// margin (measured: about 700 MB).
constexpr unsigned long long glRoomBytes = 1ull << 30;

#ifdef TEPPLE_HAS_X11
std::atomic<bool> opening{true};

// Xlib calls these on the thread that made the failing call. They must not return into Xlib's
// broken state (nor, for the connection, return at all): the process ends here, as Xlib's own
// handlers end it, with _exit so that no exit-time destructor runs beside the drawing threads.
int onXError(Display* display, XErrorEvent* error)
{
    char text[160] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "tepple: %s: the display refused a request (%s; request %d.%d)\n",
                 opening ? "cannot open the window" : "the window was lost", text, error->request_code,
                 error->minor_code);
    std::fflush(stderr);
    _exit(1);
}

int onXIOError(Display*)
{
    std::fprintf(stderr, "tepple: %s: the connection to the display was closed\n",
                 opening ? "cannot open the window" : "the window was lost");
    std::fflush(stderr);
    _exit(1);
}
#endif

} // namespace

void fitWindowSize(int& width, int& height)
{
    if (width <= maxWindowSide && height <= maxWindowSide) return;
    const double fit = std::min(static_cast<double>(maxWindowSide) / width,
                                static_cast<double>(maxWindowSide) / height);
    width = std::clamp(static_cast<int>(width * fit), 1, maxWindowSide);
    height = std::clamp(static_cast<int>(height * fit), 1, maxWindowSide);
}

bool addressSpaceIsTight()
{
#ifdef _WIN32
    // Windows sets no address-space limit of this kind on a program.
    return false;
#else
    rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return false;
    unsigned long long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const unsigned long long used = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
    return limit.rlim_cur < used + glRoomBytes;
#endif
}

bool windowFitsOnDisplay(SDL_Window* window, int largestWidth, int largestHeight)
{
#ifdef TEPPLE_HAS_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return true;
    }
    Display* display = info.info.x11.display;
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    // A window already gone raises an X error, which ends the demo as a lost window.
    if (XGetGeometry(display, info.info.x11.window, &root, &x, &y, &width, &height, &border, &depth) == 0) {
        return true;
    }
    if (width <= static_cast<unsigned>(largestWidth) && height <= static_cast<unsigned>(largestHeight)) return true;
    XResizeWindow(display, info.info.x11.window, std::min(width, static_cast<unsigned>(largestWidth)),
                  std::min(height, static_cast<unsigned>(largestHeight)));
    XFlush(display);
    return false;
#else
    (void)window;
    (void)largestWidth;
    (void)largestHeight;
    return true;
#endif
}

void watchWindowSystem(bool openingNow)
{
#ifdef TEPPLE_HAS_X11
    opening = openingNow;
    static const bool installed = [] {
        XSetErrorHandler(onXError);
        XSetIOErrorHandler(onXIOError);
        return true;
    }();
    (void)installed;
#else
    (void)openingNow;
#endif
}

} // namespace tepple
