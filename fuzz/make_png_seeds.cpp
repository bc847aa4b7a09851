// Writes the PNG seed corpus of the loader's fuzz target: tiny pictures of
// every colour type and bit depth the format allows, with and without
// transparency, interlacing and a gamma chunk.
//   make_png_seeds DIR
#include <cstdio>
#include <string>
#include <vector>

#include "png_fixture.h"

namespace {
const int w = 3, h = 2;

// A picture of w x h pixels whose samples step through the depth's range.
png_picture picture(png_colour colour, int depth)
{
    png_picture p;
    p.width = w;
    p.height = h;
    p.colour = colour;
    p.bit_depth = depth;
    const int top = (1 << depth) - 1;
    const int n = w * h * png_channels(colour);
    for (int i = 0; i < n; ++i)
        p.samples.push_back(static_cast<uint16_t>(colour == PC_PALETTE ? i % (top + 1 < 4 ? top + 1 : 4)
                                                                       : (i * 37) % (top + 1)));
    if (colour == PC_PALETTE) {
        p.palette = {{{0, 0, 0}}, {{255, 0, 0}}, {{0, 255, 0}}, {{0, 0, 255}}};
        if (depth == 1)
            p.palette.resize(2);
    }
    return p;
}
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_png_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    struct seed {
        const char* name;
        png_colour colour;
        int depth;
        bool trns, interlace;
        double gamma;
    };
    const std::vector<seed> seeds = {
        {"grey1", PC_GREY, 1, false, false, 0},         {"grey2", PC_GREY, 2, false, false, 0},
        {"grey4", PC_GREY, 4, false, false, 0},         {"grey8_trns", PC_GREY, 8, true, false, 0},
        {"grey16", PC_GREY, 16, false, false, 0},       {"grey_alpha8", PC_GREY_ALPHA, 8, false, false, 0},
        {"grey_alpha16", PC_GREY_ALPHA, 16, false, false, 0},
        {"rgb8_trns", PC_RGB, 8, true, false, 0},       {"rgb16", PC_RGB, 16, false, false, 0.5},
        {"palette1", PC_PALETTE, 1, false, false, 0},   {"palette2_trns", PC_PALETTE, 2, true, false, 0},
        {"palette4", PC_PALETTE, 4, false, true, 0},    {"palette8_trns", PC_PALETTE, 8, true, false, 0},
        {"rgba8", PC_RGBA, 8, false, false, 0},         {"rgba8_interlaced", PC_RGBA, 8, false, true, 0},
        {"rgba16_gamma", PC_RGBA, 16, false, false, 0.45455},
    };
    for (const seed& s : seeds) {
        png_picture p = picture(s.colour, s.depth);
        p.interlace = s.interlace;
        p.gamma = s.gamma;
        if (s.trns && s.colour == PC_PALETTE)
            p.palette_alpha = {0, 128};
        else if (s.trns)
            p.has_trns = true;
        const std::string path = dir + "/" + s.name + ".png";
        if (!write_png(path, p)) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
