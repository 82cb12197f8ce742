#pragma once
// The soundtrack through the page's music clock (music-clock.js, on the Web Audio API): the MP3's
// bytes come from the packed data, as every other data file, and are decoded by the browser. The
// music is the demo's clock while it plays (see WebClock.h). Browsers start sound only after the
// viewer has acted, so start() must run inside the handler of a click or key press; when the
// browser refuses, the demo runs on the page's clock in silence and the page is told, so that it
// can offer to turn the sound on.
#include <string>

#include "media/MusicPlayer.h"

namespace tepple {

class WebMusicPlayer : public MusicPlayer {
public:
    // `fileName` is read from the packed data.
    explicit WebMusicPlayer(std::string fileName);

    // Reads the file and sets the music going from its beginning, looping; demo time waits at 0
    // until it is heard. A missing or undecodable file gives one line on standard error
    // ("No music (...)") and silence.
    int start() override;

    // Leaves the music playing, as every player does: see stopMusic().
    ~WebMusicPlayer() override = default;

private:
    std::string fileName_;
};

// Decodes the soundtrack ahead of the first start, so the first run's music begins at once.
// A file that cannot be read is reported when a run starts it.
void prepareMusic(const std::string& fileName);

// The page outlives a run, where a native process ends with it and its sound: the entry point
// calls this when a run ends. Nothing happens when no music plays.
void stopMusic();

} // namespace tepple
