#pragma once
// The pixel toolkit as one header: formats (Format.h), areas and surfaces (Surface.h), the console
// interface (Console.h), clocks and the timer (Clock.h), and messages (Messages.h). It declares
// nothing of its own; a file that needs only one of these may include that header alone. Nothing
// here knows of SDL; the console has an SDL back end, a browser one and a headless one.
#include "pixels/Clock.h"
#include "pixels/Console.h"
#include "pixels/Format.h"
#include "pixels/Messages.h"
#include "pixels/Surface.h"

namespace tepple {

} // namespace tepple
