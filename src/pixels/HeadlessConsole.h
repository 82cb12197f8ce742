#pragma once
// A console with no display, for tests, the capture tool and benchmarks. Opening always succeeds;
// presented frames are kept in memory; key presses are scripted; messages are recorded and also
// written to standard error.
#include <cstdint>
#include <string>
#include <vector>

#include "pixels/Console.h"

namespace tepple {

class HeadlessConsole : public Console {
public:
    struct Message {
        std::string text;
        std::string caption;
        std::string detail;
    };

    // Sizes the pixel block (black) and records the title; any format is accepted.
    bool open(const std::string& title, int width, int height, const Format& format, int pages) override;
    // True once a scripted key press is due; like a real key it stays waiting, never consumed.
    bool key() override;
    // While open: keeps a copy of the picture as lastFrame() and counts the update.
    // A closed console shows nothing, so updates then are ignored.
    void show(const uint32_t* picture) override;
    void close() override;
    void message(const std::string& text, const std::string& caption, const std::string& detail) override;

    // A key press waits from now on.
    void pressKey();
    // A key press waits once `frames` more updates have been shown (0: at once). An earlier
    // scripted press stays in force.
    void pressKeyAfterFrames(int frames);

    bool isOpen() const { return open_; }
    bool wasClosed() const { return closed_; }
    const std::string& title() const { return title_; }
    int updateCount() const { return updateCount_; }
    // width() x height() words, rows top first; empty before the first update.
    const std::vector<uint32_t>& lastFrame() const { return lastFrame_; }
    const std::vector<Message>& messages() const { return messages_; }

private:
    bool open_ = false;
    bool closed_ = false;
    std::string title_;
    int updateCount_ = 0;
    bool keyScripted_ = false;
    int keyDueAtUpdate_ = 0;
    std::vector<uint32_t> lastFrame_;
    std::vector<Message> messages_;
};

} // namespace tepple
