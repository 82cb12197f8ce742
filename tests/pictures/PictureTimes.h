#pragma once
// The list of reference moments kept in tests/pictures/times.txt.
#include <string>
#include <vector>

namespace tepple {

// The times in file order. Throws std::runtime_error when the file cannot be read or a line does
// not start with a time.
std::vector<double> readPictureTimes(const std::string& path);

} // namespace tepple
