#include "pixels/HeadlessConsole.h"

#include <climits>

namespace tepple {

bool HeadlessConsole::open(const std::string& title, int width, int height, const Format&, int)
{
    title_ = title;
    resizePixels(width, height);
    lastFrame_.clear();
    open_ = true;
    closed_ = false;
    return true;
}

bool HeadlessConsole::key()
{
    return keyScripted_ && updateCount_ >= keyDueAtUpdate_;
}

void HeadlessConsole::show(const uint32_t* picture)
{
    if (!open_) return;
    lastFrame_.assign(picture, picture + pixels_.size());
    ++updateCount_;
}

void HeadlessConsole::close()
{
    open_ = false;
    closed_ = true;
}

void HeadlessConsole::message(const std::string& text, const std::string& caption, const std::string& detail)
{
    messages_.push_back(Message{text, caption, detail});
    StderrMessages().message(text, caption, detail);
}

void HeadlessConsole::pressKey()
{
    pressKeyAfterFrames(0);
}

void HeadlessConsole::pressKeyAfterFrames(int frames)
{
    // Saturate rather than overflow for absurdly distant presses; negative counts mean now.
    const int delay = frames < 0 ? 0 : frames;
    const int due = delay > INT_MAX - updateCount_ ? INT_MAX : updateCount_ + delay;
    if (!keyScripted_ || due < keyDueAtUpdate_) keyDueAtUpdate_ = due;
    keyScripted_ = true;
}

} // namespace tepple
