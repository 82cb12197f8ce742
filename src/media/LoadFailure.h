#pragma once
// The demo's caption for every message about a data file that cannot be loaded (Tga.h's loadTga,
// and the demo's own start-up). Not installed: a program of its own words its messages itself.

namespace tepple {

inline constexpr const char* loadFailureCaption = "Hehe :-D";

} // namespace tepple
