#include "pixels/Console.h"

#include <algorithm>

namespace tepple {

void Console::resizePixels(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * height_, 0u);
}

} // namespace tepple
