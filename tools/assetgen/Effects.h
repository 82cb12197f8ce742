#pragma once
// Effects and mastering for the soundtrack: reverb, echo, side-chain ducking, DC removal and the
// final conversion to 16-bit samples.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Synth.h"

namespace tepple {

// Adds a stereo room reverb of the mono `send` to `out`, scaled by `wet`.
void addReverb(const std::vector<float>& send, StereoBuffer& out, double wet);
// Adds a ping-pong echo of the mono `send` to `out`: the first repeat on the left after `delay`
// frames, the next on the right, each `feedback` times the last and a little darker.
void addPingPongDelay(const std::vector<float>& send, StereoBuffer& out, size_t delay, double feedback, double wet);
// Pumps `bus` down by `depth` at each kick frame, recovering with time constant `recovery` s.
void duckUnderKicks(StereoBuffer& bus, const std::vector<size_t>& kicks, double depth, double recovery);
// A first-order high-pass at `cutoff` Hz on both channels: removes any DC offset.
void removeDc(StereoBuffer& buffer, double cutoff);
// Fades both channels to silence over the frames from `from` to `to` (and silence after).
void fadeOut(StereoBuffer& buffer, size_t from, size_t to);
// Scales so the loudest sample reaches `peak` (of full scale) and interleaves as 16-bit
// left/right pairs with rounding; nothing can reach the rails when peak < 1.
std::vector<int16_t> toPcm16(const StereoBuffer& buffer, double peak);

} // namespace tepple
