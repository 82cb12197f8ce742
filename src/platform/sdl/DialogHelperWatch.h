#pragma once
// The console's own guard around a message dialog (Termination.h tells why one is needed). Not
// installed: only the SDL console shows dialogs.
#include "platform/sdl/Termination.h"

namespace tepple {

// Held around a call that shows a dialog through a child process; holds the termination signals
// meanwhile. Any process forked meanwhile is killed when the demo dies, ends on its own
// termination signals, and is killed when the demo receives one.
class DialogHelperWatch {
public:
    DialogHelperWatch();
    ~DialogHelperWatch();
    DialogHelperWatch(const DialogHelperWatch&) = delete;
    DialogHelperWatch& operator=(const DialogHelperWatch&) = delete;

private:
    TerminationSignals signals_;
};

} // namespace tepple
