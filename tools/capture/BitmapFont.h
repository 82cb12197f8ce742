#pragma once
// A tiny built-in font for labelling pictures: 5 x 7 pixel glyphs with one more row for the tails
// of g, j, p, q and y. Digits, both cases of the Latin letters, the space and
// . , : ; - + = / ( ) % _ ' #; any other character is drawn as a hollow box.
#include <cstdint>
#include <string>

#include "Picture.h"

namespace tepple {

constexpr int glyphWidth = 5;
constexpr int glyphHeight = 8;
// A character cell: the glyph plus one column of spacing.
constexpr int glyphAdvance = glyphWidth + 1;

// Rows of a glyph, top first; bit 4 is the leftmost column.
struct Glyph {
    uint8_t rows[glyphHeight];
};

Glyph glyphFor(char character);

// Width in pixels of `text` drawn at `scale` (each font pixel a scale x scale block), without the
// spacing after the last character.
int textWidth(const std::string& text, int scale);

// Draws `text` with its top-left corner at (left, top); pixels outside the image are dropped.
void drawText(Picture& target, int left, int top, const std::string& text, uint32_t colour, int scale);

} // namespace tepple
