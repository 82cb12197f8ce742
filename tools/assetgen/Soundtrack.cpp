#include "Soundtrack.h"

#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "Effects.h"
#include "Instruments.h"
#include "Random.h"

namespace tepple {

namespace {

// ---- time ------------------------------------------------------------------------------------

// Sixteenth notes at 96 beats a minute: 0.15625 s, 6890.625 frames; 16 to the bar.
constexpr double stepSeconds = 60.0 / 96.0 / 4.0;
constexpr int stepsPerBar = 16;
constexpr double barSeconds = stepSeconds * stepsPerBar;

// The bar (bar b starts at 2.5 b s) in which a moment of the demo falls; the opening scene's
// window opens at minus infinity, in bar 0. For times above 0 the cast truncates, as floor would.
constexpr int barAt(double seconds) { return seconds > 0 ? static_cast<int>(seconds / barSeconds) : 0; }

// The bar in which the demo's scene of that name starts. An unknown name stops the build: the
// throw cannot be part of a constant expression.
constexpr int startBar(std::string_view scene)
{
    for (const TimelineEntry& entry : sceneTimeline) {
        if (entry.name == scene) return barAt(entry.after);
    }
    throw std::logic_error("the timeline has no such scene");
}

// Sections by bar, read from the demo's timeline: each starts with the bar in which a scene starts,
// so the music turns where the pictures do.
constexpr int spinBar = startBar("SpinScene");         // 45 s
constexpr int starsBar = startBar("StarScene");        // 70 s
constexpr int mushroomBar = startBar("MushroomScene"); // 90 s
constexpr int gridBar = startBar("GridScene");         // 110 s
constexpr int finaleBar = startBar("CapsuleScene");    // 140 s
constexpr int lastHitBar = barAt(timelineEnd);         // 150 s: the closing chord

// Frame of a step counted from bar 0; `swing` delays the off-beat sixteenths by that fraction
// of a step.
size_t frameOf(double bar, double step, double swing = 0.0)
{
    const double stepIndex = bar * stepsPerBar + step;
    const bool offBeat = static_cast<long long>(std::floor(step)) % 2 == 1;
    const double seconds = (stepIndex + (offBeat ? swing : 0.0)) * stepSeconds;
    return static_cast<size_t>(std::llround(seconds * soundtrackRate));
}

double stepsToSeconds(double steps) { return steps * stepSeconds; }

// ---- harmony ---------------------------------------------------------------------------------

struct Chord {
    int bass;                 // root for the bass line
    std::vector<int> voicing; // four notes around middle C for pads and arpeggios
};

const Chord am{45, {57, 60, 64, 69}};
const Chord f{41, {53, 57, 60, 65}};
const Chord c{48, {55, 60, 64, 67}};
const Chord g{43, {55, 59, 62, 67}};
const Chord em{40, {52, 55, 59, 64}};
const Chord fMaj7{41, {53, 57, 60, 64}};
const Chord em7{40, {52, 55, 59, 62}};
const Chord dm7{38, {50, 53, 57, 60}};
const Chord am7{45, {57, 60, 64, 67}};
const Chord d7{38, {50, 54, 57, 60}};

const Chord& chordAt(int bar)
{
    static const std::vector<const Chord*> main{&am, &f, &c, &g};
    static const std::vector<const Chord*> spin{&f, &g, &em, &am};
    static const std::vector<const Chord*> stars{&fMaj7, &em7, &dm7, &em7};
    static const std::vector<const Chord*> mushrooms{&am7, &d7};
    static const std::vector<const Chord*> finale{&f, &g, &am, &am, &am};
    if (bar < spinBar) return *main[bar % 4];
    if (bar < starsBar) return *spin[(bar - spinBar) % 4];
    if (bar < mushroomBar) return *stars[(bar - starsBar) % 4];
    if (bar < gridBar) return *mushrooms[(bar - mushroomBar) % 2];
    if (bar < finaleBar) return *main[(bar - gridBar) % 4];
    return *finale[std::min(bar - finaleBar, 4)];
}

// ---- melodies --------------------------------------------------------------------------------

struct MelodyNote {
    int step;  // from the phrase's first bar
    int steps; // length
    int pitch;
};

// The main theme, eight bars over Am F C G Am F C G.
const std::vector<MelodyNote> mainTheme{
    {0, 6, 76},   {6, 2, 74},   {8, 4, 72},   {12, 2, 74},  {14, 2, 76},  {16, 6, 72},  {22, 2, 69},
    {24, 4, 65},  {28, 4, 69},  {32, 4, 67},  {36, 4, 72},  {40, 6, 76},  {46, 2, 79},  {48, 6, 74},
    {54, 2, 71},  {56, 4, 67},  {60, 2, 71},  {62, 2, 74},  {64, 4, 81},  {68, 2, 79},  {70, 2, 76},
    {72, 4, 76},  {76, 2, 74},  {78, 2, 72},  {80, 6, 69},  {86, 2, 72},  {88, 8, 77},  {96, 4, 76},
    {100, 4, 79}, {104, 2, 76}, {106, 2, 72}, {108, 4, 67}, {112, 4, 71}, {116, 4, 74}, {120, 8, 71},
};

// Long answering notes for the second half of the spin section (F G Em Am F G).
const std::vector<MelodyNote> spinPhrase{
    {0, 8, 69},  {8, 8, 72},  {16, 8, 71}, {24, 8, 74}, {32, 12, 67}, {44, 4, 71},
    {48, 16, 69}, {64, 4, 72}, {68, 4, 74}, {72, 8, 77}, {80, 12, 74}, {92, 4, 71},
};

// A slow line high above the star-field chords.
const std::vector<MelodyNote> starsPhrase{
    {0, 12, 76}, {12, 4, 77}, {16, 16, 79}, {32, 8, 77}, {40, 8, 76}, {48, 16, 74},
    {64, 8, 72}, {72, 8, 76}, {80, 16, 71},
};

// A bouncing two-bar figure over Am7 D7, played three times with a livelier last turn.
const std::vector<MelodyNote> mushroomFigure{
    {0, 2, 69},  {2, 1, 72},  {3, 2, 76},  {6, 2, 79},  {8, 2, 76},  {10, 2, 72}, {12, 2, 74}, {14, 2, 76},
    {16, 2, 78}, {18, 2, 76}, {20, 2, 74}, {22, 2, 69}, {24, 4, 72}, {28, 2, 74}, {30, 2, 72},
};
const std::vector<MelodyNote> mushroomEnding{
    {0, 2, 81},  {2, 2, 79},  {4, 2, 76},  {6, 2, 72},  {8, 4, 76},  {12, 4, 79},
    {16, 2, 78}, {18, 2, 74}, {20, 2, 78}, {22, 2, 81}, {24, 8, 78},
};

// The close: F G Am, then up to the final A.
const std::vector<MelodyNote> finalePhrase{
    {0, 8, 72}, {8, 8, 69}, {16, 8, 71}, {24, 8, 74}, {32, 16, 76}, {48, 8, 79}, {56, 8, 83}, {64, 26, 81},
};

// ---- the score -------------------------------------------------------------------------------

struct Hit {
    size_t frame;
    double velocity;
    double pan;
};

struct Score {
    std::vector<Hit> kicks;
    std::vector<Hit> snares;
    std::vector<Hit> claps;
    std::vector<Hit> closedHats;
    std::vector<Hit> openHats;
    std::vector<Hit> crashes;
    std::vector<Note> risers; // pitch unused; seconds is the swell's length
    std::vector<Note> bass;
    std::vector<std::vector<Note>> pads; // whole chords
    std::vector<Note> arps;
    std::vector<Note> bells;
    std::vector<Note> stabs;
    std::vector<Note> lead;
};

Note note(size_t frame, double seconds, double pitch, double velocity, double pan = 0.0, double brightness = 0.5)
{
    return Note{frame, seconds, pitch, velocity, pan, brightness};
}

void addMelody(Score& score, int firstBar, const std::vector<MelodyNote>& melody, double velocity, int transpose = 0)
{
    for (const MelodyNote& m : melody) {
        // Notes are held slightly short of their length so repeated pitches re-articulate.
        score.lead.push_back(note(frameOf(firstBar, m.step), stepsToSeconds(m.steps - 0.25), m.pitch + transpose,
                                  velocity, 0.08));
    }
}

void addChord(Score& score, size_t frame, double seconds, const Chord& chord, double velocity, double brightness)
{
    std::vector<Note> notes;
    for (int pitch : chord.voicing) notes.push_back(note(frame, seconds, pitch, velocity, 0.0, brightness));
    score.pads.push_back(notes);
}

void addPads(Score& score, int bar, double brightness, double velocity)
{
    addChord(score, frameOf(bar, 0), barSeconds - 0.05, chordAt(bar), velocity, brightness);
}

// Sixteenth-note arpeggio over the bar's chord, rising through two octaves and falling back.
void addArpeggio(Score& score, int bar, double brightness, double velocity, int octaveShift = 12)
{
    static const int order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
    const std::vector<int>& tones = chordAt(bar).voicing;
    for (int step = 0; step < stepsPerBar; ++step) {
        const int index = order[step % 8];
        const int pitch = index < 4 ? tones[index] + octaveShift : tones[0] + octaveShift + 12;
        const double accent = step % 4 == 0 ? 1.0 : 0.72;
        const double pan = step % 2 == 0 ? -0.45 : 0.45;
        score.arps.push_back(note(frameOf(bar, step), stepsToSeconds(0.8), pitch, velocity * accent, pan, brightness));
    }
}

// Bass pattern: (step, length in steps, interval above the root in semitones).
struct BassStep {
    int step;
    double steps;
    int interval;
};

void addBass(Score& score, int bar, const std::vector<BassStep>& pattern, double velocity, double brightness,
             double swing = 0.0)
{
    const int root = chordAt(bar).bass;
    for (const BassStep& b : pattern)
        score.bass.push_back(note(frameOf(bar, b.step, swing), stepsToSeconds(b.steps), root + b.interval, velocity,
                                  0.0, brightness));
}

const std::vector<BassStep> drivingBass{{0, 1.6, 0},  {2, 1.6, 0},  {4, 1.6, 12}, {6, 1.6, 0},
                                        {8, 1.6, 0},  {10, 1.6, 0}, {12, 1.6, 12}, {14, 1.6, 7}};
const std::vector<BassStep> halfTimeBass{{0, 5.5, 0}, {6, 1.6, 12}, {8, 3.5, 0}, {12, 3.5, 7}};
const std::vector<BassStep> funkBass{{0, 1.5, 0},  {3, 0.8, 0},  {4, 1.5, 12}, {7, 0.8, 7},
                                     {8, 1.5, 0},  {10, 1.5, 10}, {12, 0.8, 12}, {14, 1.5, 7}};
const std::vector<BassStep> rollingBass{{0, 0.8, 0},  {1, 0.8, 0},  {2, 0.8, 12}, {3, 0.8, 0},  {4, 0.8, 0},  {5, 0.8, 0},
                                        {6, 0.8, 12}, {7, 0.8, 0},  {8, 0.8, 0},  {9, 0.8, 0},  {10, 0.8, 12}, {11, 0.8, 0},
                                        {12, 0.8, 0}, {13, 0.8, 7}, {14, 0.8, 12}, {15, 0.8, 7}};
const std::vector<BassStep> heldBass{{0, 15.5, 0}};

// Drum hits of one bar: kick, snare and clap steps with velocities; hats are filled in by style.
void addDrumBar(Score& score, Random& feel, int bar, const std::vector<std::pair<int, double>>& kicks,
                const std::vector<std::pair<int, double>>& snares, bool claps, int hatDivision, double swing)
{
    for (const auto& [step, velocity] : kicks) score.kicks.push_back({frameOf(bar, step, swing), velocity, 0.0});
    for (const auto& [step, velocity] : snares) {
        score.snares.push_back({frameOf(bar, step, swing), velocity, 0.0});
        if (claps && velocity > 0.6) score.claps.push_back({frameOf(bar, step, swing), velocity * 0.8, 0.0});
    }
    if (hatDivision <= 0) return;
    for (int step = 0; step < stepsPerBar; step += hatDivision) {
        // Off-beat eighths open up a little; everything gets a touch of human variation.
        const bool offBeatEighth = step % 4 == 2;
        const double velocity = (offBeatEighth ? 0.9 : (step % 2 == 0 ? 0.7 : 0.45)) * feel.range(0.85, 1.0);
        const double pan = feel.range(-0.35, 0.35);
        if (offBeatEighth && hatDivision == 1 && step == 14)
            score.openHats.push_back({frameOf(bar, step, swing), velocity * 0.8, pan});
        else
            score.closedHats.push_back({frameOf(bar, step, swing), velocity, pan});
    }
}

const std::vector<std::pair<int, double>> fourOnTheFloor{{0, 1.0}, {4, 0.95}, {8, 1.0}, {12, 0.95}};
const std::vector<std::pair<int, double>> backBeat{{4, 0.9}, {12, 0.95}};

// A snare run over the second half of a bar, growing louder, into the next section.
void addSnareFill(Score& score, int bar)
{
    for (int step = 8; step < stepsPerBar; ++step)
        score.snares.push_back({frameOf(bar, step), 0.35 + 0.6 * (step - 8) / 7.0, 0.0});
}

void composeBounce(Score& score, Random& feel)
{
    for (int bar = 0; bar < spinBar; ++bar) {
        const double opening = std::min(1.0, bar / 8.0);
        addPads(score, bar, 0.15 + 0.45 * opening, 0.9);
        addArpeggio(score, bar, 0.2 + 0.5 * opening, 0.55 + 0.25 * opening);
        if (bar >= 2 && bar < 4) addDrumBar(score, feel, bar, fourOnTheFloor, {}, false, 2, 0.0);
        if (bar >= 4) {
            addDrumBar(score, feel, bar, fourOnTheFloor, bar == spinBar - 1 ? std::vector<std::pair<int, double>>{{4, 0.9}} : backBeat,
                       bar >= 8, 1, 0.0);
            addBass(score, bar, drivingBass, 0.9, 0.35 + 0.3 * opening);
        }
    }
    score.crashes.push_back({frameOf(4, 0), 0.8, 0.0});
    score.crashes.push_back({frameOf(8, 0), 1.0, 0.0});
    addMelody(score, 8, mainTheme, 0.85);
    addSnareFill(score, spinBar - 1);
}

void composeSpin(Score& score, Random& feel)
{
    const std::vector<std::pair<int, double>> halfTimeKicks{{0, 1.0}, {10, 0.85}};
    const std::vector<std::pair<int, double>> halfTimeSnare{{8, 1.0}};
    for (int bar = spinBar; bar < starsBar; ++bar) {
        addPads(score, bar, 0.45, 0.9);
        addArpeggio(score, bar, 0.75, 0.7, 24);
        addDrumBar(score, feel, bar, halfTimeKicks, halfTimeSnare, true, 2, 0.0);
        addBass(score, bar, halfTimeBass, 0.9, 0.45);
    }
    score.crashes.push_back({frameOf(spinBar, 0), 1.0, 0.0});
    score.crashes.push_back({frameOf(spinBar + 4, 0), 0.7, 0.0});
    addMelody(score, spinBar + 4, spinPhrase, 0.75);
}

void composeStars(Score& score, Random& feel)
{
    Random sparkle(0x57A125);
    for (int bar = starsBar; bar < mushroomBar; ++bar) {
        addPads(score, bar, 0.3, 1.0);
        // Bells twinkle on random eighths, high above the chord.
        const std::vector<int>& tones = chordAt(bar).voicing;
        for (int step = 0; step < stepsPerBar; step += 2) {
            if (sparkle.unit() < 0.45) continue;
            const int pitch = tones[static_cast<size_t>(sparkle.unit() * 4.0) % 4] + 24;
            score.bells.push_back(note(frameOf(bar, step), stepsToSeconds(3.0), pitch, sparkle.range(0.45, 0.9),
                                       sparkle.range(-0.8, 0.8)));
        }
        if (bar >= starsBar + 2) addBass(score, bar, heldBass, 0.6, 0.05);
        if (bar >= mushroomBar - 2) addDrumBar(score, feel, bar, {{0, 0.6}, {8, 0.6}}, {}, false, 2, 0.0);
    }
    score.crashes.push_back({frameOf(starsBar, 0), 0.7, 0.0});
    addMelody(score, starsBar + 2, starsPhrase, 0.6);
    score.risers.push_back(note(frameOf(mushroomBar - 1, 0), barSeconds, 0.0, 0.9));
    addSnareFill(score, mushroomBar - 1);
}

void composeMushrooms(Score& score, Random& feel)
{
    constexpr double swing = 0.18;
    const std::vector<std::pair<int, double>> kicks{{0, 1.0}, {3, 0.6}, {8, 0.95}, {11, 0.7}};
    const std::vector<std::pair<int, double>> snares{{4, 0.9}, {7, 0.25}, {12, 0.95}, {15, 0.3}};
    for (int bar = mushroomBar; bar < gridBar; ++bar) {
        addDrumBar(score, feel, bar, kicks, snares, true, 2, swing);
        addBass(score, bar, funkBass, 0.95, 0.55, swing);
        // Off-beat chord stabs.
        for (int step : {2, 6, 11, 14})
            for (int pitch : chordAt(bar).voicing)
                score.stabs.push_back(note(frameOf(bar, step, swing), stepsToSeconds(0.7), pitch + 12, 0.8,
                                           step % 4 == 2 ? -0.3 : 0.3));
        addPads(score, bar, 0.25, 0.5);
    }
    score.crashes.push_back({frameOf(mushroomBar, 0), 1.0, 0.0});
    for (int repeat = 0; repeat < 2; ++repeat) addMelody(score, mushroomBar + 2 + 2 * repeat, mushroomFigure, 0.75);
    addMelody(score, gridBar - 2, mushroomEnding, 0.8);
    score.risers.push_back(note(frameOf(gridBar - 1, 0), barSeconds, 0.0, 0.7));
    addSnareFill(score, gridBar - 1);
}

void composeGrid(Score& score, Random& feel)
{
    for (int bar = gridBar; bar < finaleBar; ++bar) {
        std::vector<std::pair<int, double>> kicks = fourOnTheFloor;
        if (bar % 2 == 1) kicks.push_back({14, 0.7});
        addDrumBar(score, feel, bar, kicks, bar == finaleBar - 1 ? std::vector<std::pair<int, double>>{{4, 0.9}} : backBeat,
                   true, 1, 0.0);
        addBass(score, bar, rollingBass, 0.85, 0.6);
        addPads(score, bar, 0.7, 0.8);
        addArpeggio(score, bar, 0.8, 0.6);
    }
    for (int bar = gridBar; bar < finaleBar; bar += 4) score.crashes.push_back({frameOf(bar, 0), 1.0, 0.0});
    addMelody(score, gridBar, mainTheme, 0.9);
    // The theme's second half again, doubled an octave down for weight.
    std::vector<MelodyNote> secondHalf(mainTheme.begin() + 20, mainTheme.end());
    for (MelodyNote& m : secondHalf) m.step -= 64;
    addMelody(score, gridBar + 8, secondHalf, 0.9);
    addMelody(score, gridBar + 8, secondHalf, 0.5, -12);
    addSnareFill(score, finaleBar - 1);
}

void composeFinale(Score& score, Random& feel)
{
    for (int bar = finaleBar; bar < lastHitBar; ++bar) {
        if (bar < lastHitBar - 1) addDrumBar(score, feel, bar, fourOnTheFloor, backBeat, true, 1, 0.0);
        addBass(score, bar, bar < lastHitBar - 1 ? drivingBass : heldBass, 0.9, 0.6);
        addPads(score, bar, 0.75, 0.85);
        addArpeggio(score, bar, 0.85, 0.6);
    }
    // A full bar of snare sixteenths, rising, then the closing chord.
    for (int step = 0; step < stepsPerBar; ++step)
        score.snares.push_back({frameOf(lastHitBar - 1, step), 0.3 + 0.65 * step / 15.0, 0.0});
    score.crashes.push_back({frameOf(finaleBar, 0), 1.0, 0.0});
    score.crashes.push_back({frameOf(lastHitBar, 0), 1.0, 0.0});
    score.kicks.push_back({frameOf(lastHitBar, 0), 1.0, 0.0});
    addChord(score, frameOf(lastHitBar, 0), 1.6, am, 1.0, 0.8);
    score.bass.push_back(note(frameOf(lastHitBar, 0), 1.4, am.bass, 0.9, 0.0, 0.5));
    addMelody(score, finaleBar, finalePhrase, 0.9);
}

Score compose()
{
    Score score;
    Random feel(0x5EED0F7E);
    composeBounce(score, feel);
    composeSpin(score, feel);
    composeStars(score, feel);
    composeMushrooms(score, feel);
    composeGrid(score, feel);
    composeFinale(score, feel);
    return score;
}

// ---- mixing ----------------------------------------------------------------------------------

struct Sends {
    double reverb;
    double delay;
};

// Adds a rendered bus into the mix at `level`, and into the effect sends.
void mixBus(const StereoBuffer& bus, double level, Sends sends, StereoBuffer& mix, std::vector<float>& reverbSend,
            std::vector<float>& delaySend)
{
    for (size_t i = 0; i < bus.frames(); ++i) {
        const double left = bus.left[i] * level;
        const double right = bus.right[i] * level;
        mix.left[i] += static_cast<float>(left);
        mix.right[i] += static_cast<float>(right);
        const double mono = 0.5 * (left + right);
        reverbSend[i] += static_cast<float>(mono * sends.reverb);
        delaySend[i] += static_cast<float>(mono * sends.delay);
    }
}

std::vector<size_t> framesOf(const std::vector<Hit>& hits)
{
    std::vector<size_t> frames;
    for (const Hit& hit : hits) frames.push_back(hit.frame);
    return frames;
}

} // namespace

std::vector<SoundtrackSection> soundtrackSections()
{
    return {{"bounce", 0.0},
            {"spin", spinBar * barSeconds},
            {"stars", starsBar * barSeconds},
            {"mushrooms", mushroomBar * barSeconds},
            {"grid", gridBar * barSeconds},
            {"finale", finaleBar * barSeconds}};
}

std::vector<int16_t> renderSoundtrack()
{
    const Score score = compose();
    const size_t frames = static_cast<size_t>(soundtrackSeconds * soundtrackRate);
    StereoBuffer mix(frames);
    std::vector<float> reverbSend(frames, 0.0f);
    std::vector<float> delaySend(frames, 0.0f);
    const std::vector<size_t> kickFrames = framesOf(score.kicks);

    // Each group renders into a bus of its own, which is then mixed and released.
    struct Group {
        double level;
        Sends sends;
        double duckDepth;
        std::function<void(StereoBuffer&)> play;
    };
    std::vector<Group> groups;

    groups.push_back({1.0, {0.0, 0.0}, 0.0, [&](StereoBuffer& bus) {
        for (const Hit& hit : score.kicks) playKick(bus, hit.frame, hit.velocity);
    }});
    groups.push_back({1.0, {0.18, 0.0}, 0.0, [&](StereoBuffer& bus) {
        for (const Hit& hit : score.snares) playSnare(bus, hit.frame, hit.velocity, hit.frame * 31 + 7);
        for (const Hit& hit : score.claps) playClap(bus, hit.frame, hit.velocity, hit.frame * 17 + 3);
    }});
    groups.push_back({1.0, {0.05, 0.0}, 0.0, [&](StereoBuffer& bus) {
        for (const Hit& hit : score.closedHats) playHat(bus, hit.frame, hit.velocity, false, hit.pan, hit.frame * 13 + 5);
        for (const Hit& hit : score.openHats) playHat(bus, hit.frame, hit.velocity, true, hit.pan, hit.frame * 11 + 9);
        for (const Hit& hit : score.crashes) playCrash(bus, hit.frame, hit.velocity, hit.frame * 19 + 1);
        for (const Note& riser : score.risers) playRiser(bus, riser.start, riser.seconds, riser.velocity, riser.start + 77);
    }});
    groups.push_back({1.0, {0.0, 0.0}, 0.45, [&](StereoBuffer& bus) {
        for (const Note& n : score.bass) playBass(bus, n);
    }});
    groups.push_back({1.0, {0.35, 0.0}, 0.4, [&](StereoBuffer& bus) {
        for (const std::vector<Note>& chord : score.pads) playPadChord(bus, chord);
    }});
    groups.push_back({1.0, {0.2, 0.3}, 0.25, [&](StereoBuffer& bus) {
        for (const Note& n : score.arps) playPluck(bus, n);
    }});
    groups.push_back({1.0, {0.6, 0.35}, 0.0, [&](StereoBuffer& bus) {
        for (const Note& n : score.bells) playBell(bus, n);
    }});
    groups.push_back({1.0, {0.25, 0.1}, 0.3, [&](StereoBuffer& bus) {
        for (const Note& n : score.stabs) playStab(bus, n);
    }});
    groups.push_back({1.0, {0.3, 0.28}, 0.0, [&](StereoBuffer& bus) {
        double previous = score.lead.empty() ? 69.0 : score.lead.front().pitch;
        for (const Note& n : score.lead) {
            // Glide only between neighbouring notes of a line, never across a leap to another line.
            playLead(bus, n, std::fabs(n.pitch - previous) <= 5.0 ? previous : n.pitch);
            previous = n.pitch;
        }
    }});

    // Two groups render at a time, one on a helper thread; each writes only its own bus, and the
    // buses are mixed in the fixed order above, so the result is the same bytes every run.
    const auto render = [&](const Group& group, StereoBuffer& bus) {
        group.play(bus);
        if (group.duckDepth > 0.0) duckUnderKicks(bus, kickFrames, group.duckDepth, 0.14);
    };
    for (size_t first = 0; first < groups.size(); first += 2) {
        StereoBuffer bus(frames);
        std::optional<StereoBuffer> second;
        if (first + 1 < groups.size()) {
            second.emplace(frames);
            std::thread helper([&] { render(groups[first + 1], *second); });
            render(groups[first], bus);
            helper.join();
        } else {
            render(groups[first], bus);
        }
        mixBus(bus, groups[first].level, groups[first].sends, mix, reverbSend, delaySend);
        if (second) mixBus(*second, groups[first + 1].level, groups[first + 1].sends, mix, reverbSend, delaySend);
    }

    // The echo repeats on the dotted eighth, three sixteenths.
    addPingPongDelay(delaySend, mix, static_cast<size_t>(std::llround(stepsToSeconds(3) * soundtrackRate)), 0.42, 0.8);
    addReverb(reverbSend, mix, 1.0);
    removeDc(mix, 12.0);
    fadeOut(mix, static_cast<size_t>((timelineEnd + 0.4) * soundtrackRate),
            static_cast<size_t>((timelineEnd + 1.9) * soundtrackRate));
    return toPcm16(mix, 0.84);
}

} // namespace tepple
