#pragma once
// Where user-facing messages go: a dialog the user acknowledges, or standard error where no
// dialog can be shown. Kept behind this seam so tests can count messages without a dialog.
#include <string>

namespace tepple {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows `text` under `caption` and waits until it is acknowledged where a dialog is used.
    // `detail` (a file name, say) is added on standard error, where it helps and a dialog has no room.
    virtual void message(const std::string& text, const std::string& caption, const std::string& detail) = 0;
};

// Writes the text, then the detail after a space, as one line on standard error and carries on.
class StderrMessages : public MessageSink {
public:
    void message(const std::string& text, const std::string& caption, const std::string& detail) override;
};

} // namespace tepple
