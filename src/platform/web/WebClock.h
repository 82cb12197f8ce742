#pragma once
// Seconds from the browser's high-resolution time (performance.now()), counted from this clock's
// creation.
#include "pixels/PixelToolkit.h"

class WebClock : public Clock {
public:
    WebClock();
    double seconds() override;

private:
    double originMilliseconds_;
};
