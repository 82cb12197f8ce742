#pragma once
// The demo's three pictures.
#include <cstdint>

#include "Image.h"

namespace tepple {

// The sprite path's transparent key: texels of exactly this colour are not drawn.
constexpr uint32_t spriteKeyColour = 0x00FF0000;

// "flare.tga": 255 x 255, a four-rayed star flare on the key colour. Every pixel that is not the
// key has some green, so none of the glow can be mistaken for the key.
Image makeFlare();

// "amuscaria.tga": 255 x 255, the fly-agaric cap seen from above: red with white warts inside
// the disc of radius 0.44 (in texture units) about the centre, a pale rim band out to 0.455, and
// cream gills with radial lines beyond it (what the cap's underside is mapped to).
Image makeFlyAgaric();

// "stone_version_1.tga": 640 x 480, a dark wall of irregular stones, dim enough that the scenes
// drawn over it stand out.
Image makeStoneWall();

} // namespace tepple
