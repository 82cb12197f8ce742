#include "platform/web/WebClock.h"

#include <emscripten.h>

WebClock::WebClock() : originMilliseconds_(emscripten_get_now()) {}

double WebClock::seconds()
{
    return (emscripten_get_now() - originMilliseconds_) / 1000.0;
}
