#pragma once
// The demo's soundtrack, "pelmoric.mp3" before encoding: a synthesised piece in A minor at 96
// beats a minute (a bar is 2.5 s), whose sections turn where the demo's scenes do.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/Timeline.h"

namespace tepple {

// The piece runs two seconds past the demo's end, its closing chord fading out in them.
constexpr double soundtrackSeconds = timelineEnd + 2.0;
constexpr int soundtrackRate = 44100;

struct SoundtrackSection {
    std::string name;
    double startSeconds;
};

// The sections in order, the first at 0 s.
std::vector<SoundtrackSection> soundtrackSections();

// The whole piece as interleaved left/right 16-bit samples at soundtrackRate, peak-normalised
// below full scale, DC-free, fading to silence at the very end.
std::vector<int16_t> renderSoundtrack();

} // namespace tepple
