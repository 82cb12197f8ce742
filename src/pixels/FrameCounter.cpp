#include "pixels/FrameCounter.h"

uint32_t frameCounter = 0;
