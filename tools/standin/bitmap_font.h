// A small 5 x 7 bitmap font for text drawn into generated pictures: capital
// letters, digits and a little punctuation (lower case is shown as capitals).
#pragma once

namespace velkor {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Seven rows of five bits (bit 4 is the left column), top row first; a blank
// glyph for characters the font does not have.
const unsigned char* GlyphRows(char c);

// True when dot (column, row) of c is set; false outside the glyph.
bool GlyphDot(char c, int column, int row);

}  // namespace velkor
