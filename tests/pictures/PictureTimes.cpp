#include "PictureTimes.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "CaptureOptions.h"

namespace tepple {

std::vector<double> readPictureTimes(const std::string& path)
{
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::vector<double> times;
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        const auto time = parseDecimal(first);
        if (!time) throw std::runtime_error(path + ":" + std::to_string(lineNumber) + ": not a time: " + first);
        times.push_back(*time);
    }
    return times;
}

} // namespace tepple
