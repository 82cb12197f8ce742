#pragma once
// Termination signals (SIGINT, SIGTERM, SIGHUP) that ask a tool to stop rather than end it at
// once: the handler only records the signal, and the tool's loops look at it. Every wait that can
// last (a write to a pipe whose reader has stalled, an encoder that does not finish) waits in
// slices of a fraction of a second and looks at it between them, so that a stop asked for while
// the tool is blocked still takes effect at once.

namespace tepple {

// Installs the recording handler for the three signals, without SA_RESTART.
void catchStopSignals();
// The first termination signal caught since catchStopSignals(), or 0.
int stopSignal();
// How long one slice of a wait lasts, in milliseconds.
constexpr int stopCheckMilliseconds = 100;

} // namespace tepple
