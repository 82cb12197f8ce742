#pragma once
// The soundtrack through SDL2_mixer: an MP3 streamed from disk and looped forever.
#include <string>

#include "media/MusicPlayer.h"

struct _Mix_Music;

namespace tepple {

class SdlMusicPlayer : public MusicPlayer {
public:
    // `fileName` resolves against the current directory when relative.
    explicit SdlMusicPlayer(std::string fileName);

    // Decodes the whole file once to see that it plays cleanly (about 0.3 s for the 150-second
    // soundtrack), then opens audio at 44,100 Hz stereo on its own (video may already be
    // running), streams the file and loops it forever. A file that is missing, not a regular
    // file or damaged, or no sound device, gives one line on standard error ("tepple: ...; the
    // demo runs in silence") and silence; the decoder itself says nothing. Calling it again while
    // the music is going does nothing.
    int start() override;

    // Whether the mixer is playing music at this moment.
    bool playing() const;
    // Seconds into the current pass through the file; restarts at 0 on every loop. -1 when
    // nothing was loaded or the position is unknown.
    double position() const;

    // Leaves the music playing: the soundtrack lasts until the process ends.
    ~SdlMusicPlayer() override = default;

private:
    bool openAudio();

    std::string fileName_;
    _Mix_Music* music_ = nullptr;
};

} // namespace tepple
