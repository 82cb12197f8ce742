#pragma once
// A short stereo sine tone encoded as MP3, for the music player's tests.
#include <cstdint>
#include <string>
#include <vector>

namespace tepple {

// `seconds` of a `frequency` Hz tone at half full scale, 44,100 Hz stereo, CBR 128 kbit/s.
std::vector<uint8_t> encodeSineMp3(double seconds, double frequency);

// Writes the bytes to `path`; false if the file could not be written.
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace tepple
