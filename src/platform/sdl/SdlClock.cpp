#include "platform/sdl/SdlClock.h"

#include <SDL.h>

namespace tepple {

SdlClock::SdlClock()
    : originTicks_(SDL_GetPerformanceCounter()),
      ticksPerSecond_(static_cast<double>(SDL_GetPerformanceFrequency()))
{
}

double SdlClock::seconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter() - originTicks_) / ticksPerSecond_;
}

} // namespace tepple
