// The bitmap font: loading "font.png", drawing strings glyph by glyph, and
// measuring them. Bytes outside 32..127 show as '?'.
#include "text.h"

#include "loadimag.h"

namespace text {
namespace {
const int begin_char = 32;
const int end_char = 128;
const int question_cell = '?' - begin_char;

SDL_Surface* the_font = nullptr;
bool initialised = false;
// True while load_image reads the font: a placeholder drawn for a font
// that cannot be read must neither draw text nor load the font again.
bool loading = false;
int w = 0;
int h = 0;
}

void init()
{
    if (initialised || loading)
        return;
    loading = true;
    try {
        the_font = load_image("font.png");
    } catch (...) {
        loading = false;
        throw;
    }
    loading = false;
    initialised = true;
    h = the_font->h;
    w = the_font->w / (end_char - begin_char);
}

void exit()
{
    if (initialised)
        SDL_FreeSurface(the_font);
    the_font = nullptr;
    initialised = false;
}

void draw(const std::string& str, SDL_Surface* bmp, int x, int y, Uint32)
{
    init();
    if (!initialised)
        return;  // the font itself is being loaded: nothing can be drawn yet
    for (std::string::size_type i = 0; i < str.size(); ++i) {
        signed char c = static_cast<signed char>(str[i]);
        int cell = c < begin_char ? question_cell : c - begin_char;
        SDL_Rect src = {static_cast<Sint16>(cell * w), 0, static_cast<Uint16>(w),
                        static_cast<Uint16>(h)};
        SDL_Rect dst = {static_cast<Sint16>(x + static_cast<int>(i) * w), static_cast<Sint16>(y),
                        0, 0};
        SDL_UpperBlit(the_font, &src, bmp, &dst);
    }
    SDL_UpdateRect(bmp, x, y, static_cast<Sint32>(str.size()) * w, h);
}

void draw_centre(const std::string& str, SDL_Surface* bmp, int x, int y, Uint32 colour)
{
    draw(str, bmp, x - (w * static_cast<int>(str.size())) / 2, y - h / 2, colour);
}

int width(const std::string& s) { return w * static_cast<int>(s.size()); }
}
