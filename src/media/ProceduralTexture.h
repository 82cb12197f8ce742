#pragma once
#include "pixels/PixelToolkit.h"

// Fills every pixel of a surface of any size with the wave-and-ring pattern. Pixel (x, y) depends
// only on x and y, never on the surface size.
void generateTexture(Surface& surface);
