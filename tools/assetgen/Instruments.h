#pragma once
// The soundtrack's instruments. Each call renders one note or hit, added into a buffer from
// frame `start` on; anything past the end of the buffer is dropped. Velocities are in [0, 1];
// pitches are MIDI note numbers (fractional allowed). Noise-based sounds take a seed so that
// every hit differs a little and the whole piece still renders the same way every time.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Synth.h"

namespace tepple {

struct Note {
    size_t start;     // frame
    double seconds;   // how long the note is held
    double pitch;     // MIDI note number
    double velocity;  // 0..1
    double pan;       // -1 left .. +1 right
    double brightness; // 0..1: how far the instrument's filter opens
};

void playKick(StereoBuffer& out, size_t start, double velocity);
void playSnare(StereoBuffer& out, size_t start, double velocity, uint64_t seed);
void playClap(StereoBuffer& out, size_t start, double velocity, uint64_t seed);
// A closed hat is short; an open one rings for a quarter of a second.
void playHat(StereoBuffer& out, size_t start, double velocity, bool open, double pan, uint64_t seed);
void playCrash(StereoBuffer& out, size_t start, double velocity, uint64_t seed);
// Filtered noise swelling over `seconds`, its band sweeping upward: a build-up into a new section.
void playRiser(StereoBuffer& out, size_t start, double seconds, double velocity, uint64_t seed);

// Saw plus a sine an octave down through an enveloped low-pass; always centred.
void playBass(StereoBuffer& out, const Note& note);
// A held chord: three detuned saws per note spread across the stereo field, through a slowly
// moving low-pass. Start, length, velocity and brightness come from the first note; the others
// give only their pitches.
void playPadChord(StereoBuffer& out, const std::vector<Note>& chord);
// A short plucked pulse for arpeggios.
void playPluck(StereoBuffer& out, const Note& note);
// Short bright chord stab (one note of it).
void playStab(StereoBuffer& out, const Note& note);
// A soft two-operator bell.
void playBell(StereoBuffer& out, const Note& note);
// The lead: two detuned saws and a square, gliding from `fromPitch`, with delayed vibrato.
void playLead(StereoBuffer& out, const Note& note, double fromPitch);

} // namespace tepple
