#pragma once
// The soundtrack through the page's <audio> element: the MP3's bytes are handed to the element
// (from the packed data, as every other data file) and looped. Browsers play sound only after the
// viewer has acted, so start() must run inside the handler of a click or key press.
#include <string>

#include "media/MusicPlayer.h"

class WebMusicPlayer : public MusicPlayer {
public:
    // `elementId` names the page's <audio> element; `fileName` is read from the packed data.
    WebMusicPlayer(std::string elementId, std::string fileName);

    // Reads the file, sets the element playing from the beginning, looping, and returns at once.
    // A missing file or element, or a browser that refuses to play, gives one line on standard
    // error ("No music (...)") and silence.
    int start() override;

    // Leaves the music playing, as every player does: see stopMusic().
    ~WebMusicPlayer() override = default;

private:
    std::string elementId_;
    std::string fileName_;
};

// The page outlives a run, where a native process ends with it and its sound: the entry point
// calls this when a run ends. Pauses the element; nothing happens when it is not playing.
void stopMusic(const std::string& elementId = "music");
