// Images through stb_image: PNG, JPEG and TGA (the formats models name for their textures) from
// one decoder, its size read from the header before anything is allocated for the pixels.
#include <stb_image.h>

#include <limits>
#include <memory>
#include <string>

#include "models/Model.h"

namespace tepple {

Surface decodeImage(const uint8_t* bytes, size_t size, const std::string& name, int maxSide)
{
    if (size == 0) throw ModelError(name + ": the image file is empty");
    if (size > static_cast<size_t>(std::numeric_limits<int>::max()))
        throw ModelError(name + ": the image is too large");
    const int length = static_cast<int>(size);
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
        throw ModelError(name + ": not an image this program reads (" + stbi_failure_reason() + ")");
    }
    if (width > maxSide || height > maxSide || width < 1 || height < 1) {
        throw ModelError(name + ": the image is " + std::to_string(width) + " x " + std::to_string(height) +
                         " pixels, outside 1 to " + std::to_string(maxSide) + " a side");
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(stbi_load_from_memory(bytes, length, &width, &height,
                                                                           &channels, 3),
                                                     stbi_image_free);
    if (!pixels) throw ModelError(name + ": the image is damaged (" + stbi_failure_reason() + ")");
    Surface surface(width, height);
    uint32_t* out = surface.lock();
    const stbi_uc* in = pixels.get();
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i, in += 3)
        out[i] = packColour(in[0], in[1], in[2]);
    return surface;
}

} // namespace tepple
