// The one bitmap font: "font.png" holds 96 equal glyph cells for the
// characters 32 to 127 in one row. Text keeps the font picture's colours.
#ifndef VANTREL_TEXT_H
#define VANTREL_TEXT_H

#include <string>

#include <SDL.h>

namespace text {
// Loads the font unless it is loaded already (or being loaded right now).
void init();
// Frees the font picture; w and h keep their values.
void exit();
// Draws str with its first glyph's top-left corner at (x, y) and refreshes
// that rectangle. The colour has no effect: glyphs keep their own pixels.
void draw(const std::string& str, SDL_Surface* bmp, int x, int y, Uint32 colour);
void draw_centre(const std::string& str, SDL_Surface* bmp, int x, int y, Uint32 colour);
// Pixels that s takes when drawn, with the current glyph width.
int width(const std::string& s);
}

#endif
