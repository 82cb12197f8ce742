#pragma once
// Opening the files the demo reads its data from: meshes, pictures and the soundtrack. Only a
// regular file is accepted. A named pipe in a data file's place would hold the reader until
// something writes to it, and a device may never end, so anything else is refused at once, just
// as a file that cannot be opened is.
#include <cstdio>
#include <string>

namespace tepple {

// Opens `path` for binary reading. Returns the stream, or nullptr with `whyNot` saying why: the
// system's reason ("No such file or directory") or what stands there instead ("it is a named
// pipe, not a regular file"). Opening never waits; reads from the stream are ordinary ones.
std::FILE* openDataFile(const std::string& path, std::string& whyNot);

// What a file's name is joined to its folder with, as this system writes paths: a backslash on
// Windows (which reads a slash too), a slash elsewhere.
#ifdef _WIN32
constexpr char folderSeparator = '\\';
#else
constexpr char folderSeparator = '/';
#endif

} // namespace tepple
