// Vantrel's picture families. Each family is one function that draws its
// pictures and hands each one, with its file name, to a sink; the table of
// families is what the command line walks.
#ifndef VANTREL_TOOLS_PICTURES_H
#define VANTREL_TOOLS_PICTURES_H

#include <functional>
#include <string>
#include <vector>

#include "draw.h"

namespace pictures {

using sink = std::function<void(const std::string& file, const draw::canvas& picture)>;

struct family {
    const char* name;
    void (*make)(const sink& out);
};

// Every family, in the order they are written.
const std::vector<family>& families();

// The font: one row of 96 cells for the characters 32 to 127.
const int font_cell_width = 8;
const int font_cell_height = 12;
const int font_first_char = 32;
const int font_char_count = 96;
void make_font(const sink& out);

// The title screen, 640 x 480; the game writes two lines of text into a
// plain panel below the name.
const int title_width = 640;
const int title_height = 480;
void make_title(const sink& out);

// Writes every picture of the named families (all when names is empty)
// as PNG files into dir, which is created if needed. Throws
// std::runtime_error for an unknown family or a file that cannot be written.
void write_families(const std::string& dir, const std::vector<std::string>& names);

}

#endif
