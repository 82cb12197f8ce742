#include "platform/web/WebClock.h"

#include <emscripten.h>

namespace tepple {

EM_JS(void, webClockReset, (), { Module['teppleMusic'].reset(); });
EM_JS(double, webClockSeconds, (), { return Module['teppleMusic'].seconds(); });
EM_JS(int, webClockIsPaused, (), { return Module['teppleMusic'].isPaused() ? 1 : 0; });

WebClock::WebClock()
{
    webClockReset();
}

double WebClock::seconds()
{
    return webClockSeconds();
}

bool webClockPaused()
{
    return webClockIsPaused() != 0;
}

} // namespace tepple
