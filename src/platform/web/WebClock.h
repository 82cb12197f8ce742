#pragma once
// The demo's clock in the browser: the page's music clock (music-clock.js). While the soundtrack
// plays, the time is the position of the music being heard, so picture and sound stay together;
// without music it is the page's high-resolution time. Both stand still while the page is hidden.
#include "pixels/Clock.h"

namespace tepple {

class WebClock : public Clock {
public:
    // Starts a new run's time at 0, without music until a WebMusicPlayer starts it.
    WebClock();
    double seconds() override;
};

// True while the page is hidden: the run draws no frames and its time stands still.
bool webClockPaused();

} // namespace tepple
