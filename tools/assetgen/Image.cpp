#include "Image.h"

#include <algorithm>

namespace tepple {

Image::Image(int w, int h)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      pixels(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)), 0u)
{
}

} // namespace tepple
