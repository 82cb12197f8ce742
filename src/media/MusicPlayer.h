#pragma once

namespace tepple {

// The soundtrack player. start() sets the music going and returns at once; from then on the
// music streams and loops on its own until the process ends. A missing file or sound device
// leaves the program running in silence. Destroying a player does not stop the music.
class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    // Returns 0 in every case.
    virtual int start() = 0;
};

// Plays nothing; records that start was called. For the headless back end.
class SilentMusicPlayer : public MusicPlayer {
public:
    int start() override
    {
        ++startCount;
        return 0;
    }
    int startCount = 0;
};

} // namespace tepple
