#pragma once

namespace tepple {

// Descriptors 0, 1 and 2 held open for the whole run. A program started with one of them closed
// would otherwise hand that number to the next file or pipe it opens, and everything written to
// standard error (or output) would land in that file: a progress line in the middle of a video,
// a warning inside a written asset.

// Opens /dev/null onto each of descriptors 0 to 2 that is closed; one that is open is left as it
// is. Call it first thing in main, before anything else is opened. When /dev/null cannot be
// opened the descriptor stays closed: there is nothing better to put there.
void keepStandardStreamsOpen();

} // namespace tepple
