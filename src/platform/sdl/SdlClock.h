#pragma once
// Seconds from SDL's high-resolution performance counter, counted from this clock's creation so
// the double keeps full precision however long the machine has been up.
#include <cstdint>

#include "pixels/Clock.h"

namespace tepple {

class SdlClock : public Clock {
public:
    SdlClock();
    double seconds() override;

private:
    uint64_t originTicks_;
    double ticksPerSecond_;
};

} // namespace tepple
