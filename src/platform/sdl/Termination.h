#pragma once

namespace tepple {

// Termination requests (SIGTERM, SIGINT, SIGHUP) and the helper processes of message dialogs.
//
// SDL shows a message dialog from a forked child process and waits for it. SDL's own signal
// handlers only queue a quit event, which nothing reads during that wait, and the child keeps
// them, so it ignores SIGTERM; killed outright, the demo would leave it on screen. Instead the
// signals are handled here: each one sets a flag that the console's key test reads, and ends the
// helper of a dialog on show, so the wait returns and the demo stops as it would on a key. The
// helper itself ends on a termination signal of its own and dies with the demo, even a SIGKILLed
// one.
// On Windows the console's control events (Ctrl+C, Ctrl+Break, closing the console) stand for the
// signals, and a dialog on show is closed rather than its helper killed (it has none).

// While at least one of these lives, SIGTERM, SIGINT and SIGHUP only request termination; the
// first one made clears an earlier request, the last one gone puts back the handlers found.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Whether a termination signal has arrived since the handlers were installed.
    static bool requested();
};

} // namespace tepple
