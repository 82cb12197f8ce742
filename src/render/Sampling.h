#pragma once

namespace tepple {
// How the general rules read a texture (Renderer::sampling); the demonstration's rules
// (Viewport::demoRules) read as they always have and ignore it.
//
// Texture coordinates run 0 to 1 across the texture whatever its size, so coordinate u lands on
// u x width in texels, texel i covering [i, i + 1) and having its centre at i + 0.5. Nearest reads
// the texel that covers the point; bilinear mixes the four texels whose centres surround it, by
// distance. Coordinates outside 0-1 repeat the texture, or clamp to its edge texels.
enum class TextureFilter { Nearest, Bilinear };
enum class TextureAddress { Repeat, Clamp };

struct Sampling {
    TextureFilter filter = TextureFilter::Nearest;
    TextureAddress address = TextureAddress::Repeat;
};

} // namespace tepple
