#pragma once
// What the demo may ask of the window system, and how it answers the window system's failures.
//
// Sizes: a window side above maxWindowSide (nor above the displays' together, which the console
// checks) is never asked for, and a window the window system makes larger (another client
// resizing it) is asked back: the picture of a 32767 x 32767 window is over 4 GB, more than one X
// request can carry, and the X client library aborts the process sending it. SDL learns of a
// resize only from an event that may still be on its way, while the GL path sizes each frame by
// asking the display just before drawing it, so a frame is shown only once the display itself
// says the window is within the limits. The picture is scaled to fit whatever size the window has.
//
// Memory: under an address-space limit with little room left, an accelerated (OpenGL) renderer is
// not tried at all. The GL software rasteriser reserves some 700 MB of address space and, refused
// it, crashes rather than fails; SDL's own software renderer needs a tenth of that.
//
// X errors: an X error SDL does not catch itself, or a broken connection to the display (the
// window destroyed or its client killed by another client), ends the demo with one line of its
// own and status 1 ("tepple: the window was lost: ..." once the window is up, "tepple: cannot open
// the window: ..." before), instead of the X library's report. Where the build has no X11 client
// library, nothing is installed.

struct SDL_Window;

namespace tepple {

constexpr int maxWindowSide = 16384;

// The largest width x height within maxWindowSide on each side that keeps the proportions of
// `width` x `height` (both positive); the size itself when it fits.
void fitWindowSize(int& width, int& height);

// Whether the address-space limit leaves so little room that only the software renderer can be
// made safely.
bool addressSpaceIsTight();

// Whether the display holds `window` within `largestWidth` x `largestHeight`. When it does not,
// the window is asked back within them and false is returned: no frame is to be shown at that
// size. True where the window system cannot be asked (no X11, or another video driver).
bool windowFitsOnDisplay(SDL_Window* window, int largestWidth, int largestHeight);

// Installs the X error handlers (once; later calls only change the stage). `opening` tells which
// line a failure gets.
void watchWindowSystem(bool opening);

} // namespace tepple
