// Picture loading: every PNG of the image directory becomes a new 32-bit
// RGBA surface; a file that cannot be read becomes a labelled placeholder.
#ifndef VANTREL_LOADIMAG_H
#define VANTREL_LOADIMAG_H

#include <string>

#include <SDL.h>
#include <png.h>

// filename is a bare name inside the image directory. Throws whinage when
// its extension is not PNG; never returns null for a file it cannot read.
SDL_Surface* load_image(const std::string& filename);
// path is relative to the working directory; failures give the placeholder.
SDL_Surface* load_png(const std::string& path);
// The text after the last '.', upper-cased (the whole name without a '.').
std::string get_extension(const std::string& filename);
char uppercasify(char c);
// libpng's error callback: jumps back to load_png's recovery point.
void whiny_png_user_error_fn(png_structp png_ptr, png_const_charp error_msg);

#endif
