// Tests of picture loading: every PNG flavour into the game's surface
// format, gamma, extensions, damaged files and their placeholders.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "debug.h"
#include "etc.h"
#include "loadimag.h"
#include "png_fixture.h"
#include "test_support.h"
#include "text.h"

namespace {
const int font_cell = 4;
const int font_height = 8;
// With this file gamma against the screen gamma 2.0 libpng changes nothing,
// so colours can be compared exactly.
const double neutral_gamma = 0.5;
const double default_exponent = 1.0 / (0.45455 * 2.0);

int open_fd_count()
{
    int n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

std::string log_line(int line, const std::string& message)
{
    return "loadimag, line " + std::to_string(line) + ": " + message + "\n";
}

void expect_game_format(SDL_Surface* s)
{
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BitsPerPixel, 32);
    EXPECT_EQ(s->format->BytesPerPixel, 4);
    EXPECT_EQ(s->format->Rmask, 0x000000FFu);
    EXPECT_EQ(s->format->Gmask, 0x0000FF00u);
    EXPECT_EQ(s->format->Bmask, 0x00FF0000u);
    EXPECT_EQ(s->format->Amask, 0xFF000000u);
    EXPECT_EQ(s->flags & SDL_SRCCOLORKEY, 0u);
}

std::vector<rgba> all_pixels(SDL_Surface* s)
{
    std::vector<rgba> out;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            out.push_back(pixel_rgba(s, x, y));
    return out;
}

bool is_blank(SDL_Surface* s)
{
    for (const rgba& p : all_pixels(s))
        if (p.r || p.g || p.b || p.a)
            return false;
    return true;
}

// Reads back a line drawn with the code font: one character per cell, from
// the red byte of the cell's top-left pixel, up to the first empty cell.
std::string read_code_text(SDL_Surface* s, int x, int y)
{
    std::string out;
    for (; x < s->w; x += font_cell) {
        rgba p = pixel_rgba(s, x, y);
        if (p.a == 0 && p.r == 0)
            break;
        out += static_cast<char>(p.r);
    }
    return out;
}

void write_good(const std::string& file, int width = 12, int height = 10)
{
    ASSERT_TRUE(write_noise_png(file, width, height));
}

// Every test starts without a loaded font, so no earlier test decides
// whether a placeholder gets its text.
class loadimag_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        text::exit();
    }
    void TearDown() override
    {
        text::exit();
        run_dir_test::TearDown();
    }
    void write_font() const
    {
        ASSERT_TRUE(write_code_font(path("images/font.png"), font_cell, font_height));
    }
};

// --- colour types and bit depths -------------------------------------------

struct format_case {
    const char* name;
    png_colour colour;
    int depth;
    bool trns;
};

const format_case format_cases[] = {
    {"grey1", PC_GREY, 1, false},          {"grey2", PC_GREY, 2, false},
    {"grey4", PC_GREY, 4, false},          {"grey8", PC_GREY, 8, false},
    {"grey16", PC_GREY, 16, false},        {"grey1_trns", PC_GREY, 1, true},
    {"grey2_trns", PC_GREY, 2, true},      {"grey4_trns", PC_GREY, 4, true},
    {"grey8_trns", PC_GREY, 8, true},      {"grey16_trns", PC_GREY, 16, true},
    {"grey_alpha8", PC_GREY_ALPHA, 8, false}, {"grey_alpha16", PC_GREY_ALPHA, 16, false},
    {"palette1", PC_PALETTE, 1, false},    {"palette2", PC_PALETTE, 2, false},
    {"palette4", PC_PALETTE, 4, false},    {"palette8", PC_PALETTE, 8, false},
    {"palette1_trns", PC_PALETTE, 1, true}, {"palette2_trns", PC_PALETTE, 2, true},
    {"palette4_trns", PC_PALETTE, 4, true}, {"palette8_trns", PC_PALETTE, 8, true},
    {"rgb8", PC_RGB, 8, false},            {"rgb16", PC_RGB, 16, false},
    {"rgb8_trns", PC_RGB, 8, true},        {"rgb16_trns", PC_RGB, 16, true},
    {"rgba8", PC_RGBA, 8, false},          {"rgba16", PC_RGBA, 16, false},
};

// Sample values at a bit depth and what each becomes at 8 bits. Low depths
// use every level; 16-bit values are multiples of 257 so that any way of
// reducing them to 8 bits gives the same byte.
void depth_levels(int depth, std::vector<uint16_t>& file, std::vector<int>& eight)
{
    if (depth < 8) {
        int top = (1 << depth) - 1;
        for (int v = 0; v <= top; ++v) {
            file.push_back(static_cast<uint16_t>(v));
            eight.push_back(v * 255 / top);
        }
        return;
    }
    for (int v : {0, 1, 64, 127, 128, 200, 254, 255}) {
        file.push_back(static_cast<uint16_t>(depth == 16 ? v * 257 : v));
        eight.push_back(v);
    }
}

std::array<uint8_t, 3> palette_colour(int k)
{
    return {{static_cast<uint8_t>(k * 37 + 5), static_cast<uint8_t>(k * 91 + 13),
             static_cast<uint8_t>(255 - k * 53)}};
}

// A 13 x 11 picture (odd sizes, so packed rows end inside a byte and every
// Adam7 pass has pixels) and the colours the loader must make of it.
png_picture format_picture(const format_case& fc, bool interlace, std::vector<rgba>& expected)
{
    png_picture pic;
    pic.width = 13;
    pic.height = 11;
    pic.colour = fc.colour;
    pic.bit_depth = fc.depth;
    pic.interlace = interlace;
    pic.gamma = neutral_gamma;
    const int pixels = pic.width * pic.height;

    if (fc.colour == PC_PALETTE) {
        const int entries = 1 << fc.depth;
        for (int k = 0; k < entries; ++k)
            pic.palette.push_back(palette_colour(k));
        if (fc.trns)  // shorter than the palette: the entries past it stay opaque
            for (int k = 0; k < std::max(1, entries / 2); ++k)
                pic.palette_alpha.push_back(static_cast<uint8_t>(k * 71 + 3));
        for (int i = 0; i < pixels; ++i) {
            int k = (i * 7) % entries;
            pic.samples.push_back(static_cast<uint16_t>(k));
            std::array<uint8_t, 3> c = palette_colour(k);
            int a = k < static_cast<int>(pic.palette_alpha.size()) ? pic.palette_alpha[k] : 255;
            expected.push_back({c[0], c[1], c[2], a});
        }
        return pic;
    }

    std::vector<uint16_t> file;
    std::vector<int> eight;
    depth_levels(fc.depth, file, eight);
    const int n = static_cast<int>(file.size());
    for (int i = 0; i < pixels; ++i) {
        int v = i % n, v2 = (i + 1) % n, v3 = (i + 2) % n, va = (i * 3 + 1) % n;
        switch (fc.colour) {
        case PC_GREY:
            pic.samples.push_back(file[v]);
            expected.push_back({eight[v], eight[v], eight[v], 255});
            break;
        case PC_GREY_ALPHA:
            pic.samples.insert(pic.samples.end(), {file[v], file[va]});
            expected.push_back({eight[v], eight[v], eight[v], eight[va]});
            break;
        case PC_RGB:
            pic.samples.insert(pic.samples.end(), {file[v], file[v2], file[v3]});
            expected.push_back({eight[v], eight[v2], eight[v3], 255});
            break;
        case PC_RGBA:
            pic.samples.insert(pic.samples.end(), {file[v], file[v2], file[v3], file[va]});
            expected.push_back({eight[v], eight[v2], eight[v3], eight[va]});
            break;
        case PC_PALETTE:
            break;
        }
    }
    if (fc.trns) {  // the first pixel's colour is named transparent; it must not be
        pic.has_trns = true;
        pic.trns_colour = {{pic.samples[0], pic.samples[fc.colour == PC_RGB ? 1 : 0],
                            pic.samples[fc.colour == PC_RGB ? 2 : 0]}};
    }
    return pic;
}

void PrintTo(const format_case& c, std::ostream* out) { *out << c.name; }

class png_format_test : public loadimag_test,
                        public ::testing::WithParamInterface<std::tuple<format_case, bool>> {};

TEST_P(png_format_test, loads_as_game_surface_with_exact_colours)
{
    const format_case& fc = std::get<0>(GetParam());
    const bool interlace = std::get<1>(GetParam());
    std::vector<rgba> expected;
    ASSERT_TRUE(write_png(path("images/pic.png"), format_picture(fc, interlace, expected)));

    testing::internal::CaptureStdout();
    surface_ptr pic(load_image("pic.png"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    expect_game_format(pic.get());
    ASSERT_EQ(pic->w, 13);
    ASSERT_EQ(pic->h, 11);
    std::vector<rgba> got = all_pixels(pic.get());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("pixel (" + std::to_string(i % 13) + ", " + std::to_string(i / 13) + ")");
        EXPECT_EQ(got[i], expected[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    all, png_format_test, ::testing::Combine(::testing::ValuesIn(format_cases), ::testing::Bool()),
    [](const ::testing::TestParamInfo<png_format_test::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "_interlaced" : "");
    });

// --- gamma -------------------------------------------------------------------

struct gamma_case {
    const char* name;
    png_colour colour;
    int depth;
    double file_gamma;  // 0: no gAMA chunk
    double exponent;    // what libpng raises each colour sample to
};

const gamma_case gamma_cases[] = {
    {"grey8_no_gama", PC_GREY, 8, 0, default_exponent},
    {"grey16_no_gama", PC_GREY, 16, 0, default_exponent},
    {"rgb8_no_gama", PC_RGB, 8, 0, default_exponent},
    {"rgba8_no_gama", PC_RGBA, 8, 0, default_exponent},
    {"palette8_no_gama", PC_PALETTE, 8, 0, default_exponent},
    {"rgb8_gama_default_value", PC_RGB, 8, 0.45455, default_exponent},
    {"grey8_gama_1", PC_GREY, 8, 1.0, 0.5},
    {"rgba8_gama_quarter", PC_RGBA, 8, 0.25, 2.0},
};

// 16 x 16 pixels running through every 8-bit value: red and blue rise,
// green falls, alpha (where there is one) falls too and must stay as it is.
png_picture gamma_picture(const gamma_case& gc, bool interlace)
{
    png_picture pic;
    pic.width = 16;
    pic.height = 16;
    pic.colour = gc.colour;
    pic.bit_depth = gc.depth;
    pic.interlace = interlace;
    pic.gamma = gc.file_gamma;
    const int scale = gc.depth == 16 ? 257 : 1;
    for (int v = 0; v < 256; ++v) {
        uint16_t up = static_cast<uint16_t>(v * scale), down = static_cast<uint16_t>((255 - v) * scale);
        switch (gc.colour) {
        case PC_GREY:
            pic.samples.push_back(up);
            break;
        case PC_GREY_ALPHA:
            pic.samples.insert(pic.samples.end(), {up, down});
            break;
        case PC_RGB:
            pic.samples.insert(pic.samples.end(), {up, down, up});
            break;
        case PC_RGBA:
            pic.samples.insert(pic.samples.end(), {up, down, up, down});
            break;
        case PC_PALETTE:
            pic.samples.push_back(static_cast<uint16_t>(v));
            pic.palette.push_back({{static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v),
                                    static_cast<uint8_t>(v)}});
            break;
        }
    }
    return pic;
}

void PrintTo(const gamma_case& c, std::ostream* out) { *out << c.name; }

class png_gamma_test : public loadimag_test, public ::testing::WithParamInterface<gamma_case> {};

TEST_P(png_gamma_test, corrects_colours_against_screen_gamma_two)
{
    const gamma_case& gc = GetParam();
    ASSERT_TRUE(write_png(path("images/flat.png"), gamma_picture(gc, false)));
    ASSERT_TRUE(write_png(path("images/laced.png"), gamma_picture(gc, true)));
    surface_ptr flat(load_image("flat.png"));
    surface_ptr laced(load_image("laced.png"));
    expect_game_format(flat.get());
    ASSERT_EQ(flat->w, 16);
    ASSERT_EQ(flat->h, 16);

    auto corrected = [&](int v) { return 255.0 * std::pow(v / 255.0, gc.exponent); };
    const bool grey = gc.colour == PC_GREY;
    const bool alpha = gc.colour == PC_RGBA;
    std::vector<rgba> got = all_pixels(flat.get());
    for (int v = 0; v < 256; ++v) {
        SCOPED_TRACE("value " + std::to_string(v));
        const rgba& p = got[v];
        EXPECT_NEAR(p.r, corrected(v), 1.0);
        EXPECT_NEAR(p.g, corrected(grey ? v : 255 - v), 1.0);
        EXPECT_NEAR(p.b, corrected(v), 1.0);
        EXPECT_EQ(p.a, alpha ? 255 - v : 255);  // alpha is never gamma corrected
    }
    // The ends of the range stay where they are whatever the gamma.
    EXPECT_EQ(got[0].r, 0);
    EXPECT_EQ(got[255].r, 255);
    // libpng applies the same tables to each Adam7 pass.
    EXPECT_EQ(all_pixels(laced.get()), got);
}

INSTANTIATE_TEST_SUITE_P(all, png_gamma_test, ::testing::ValuesIn(gamma_cases),
                         [](const ::testing::TestParamInfo<gamma_case>& info) {
                             return std::string(info.param.name);
                         });

// --- names and extensions ---------------------------------------------------

TEST(loadimag_names, extension_is_the_text_after_the_last_dot_upper_cased)
{
    const struct {
        const char* name;
        const char* ext;
    } cases[] = {
        {"font.png", "PNG"}, {"a.b.png", "PNG"},   {"png", "PNG"},         {"x.PnG", "PNG"},
        {"name.", ""},       {".bmp", "BMP"},      {"title.jpeg", "JPEG"}, {"", ""},
        {"dir.d/ship", "D/SHIP"}, {"ship.png.bak", "BAK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(get_extension(c.name), c.ext);
    }
}

TEST(loadimag_names, uppercasify_changes_only_letters)
{
    const struct {
        char in, out;
    } cases[] = {
        {'a', 'A'}, {'z', 'Z'}, {'Q', 'Q'}, {'1', '1'}, {'.', '.'}, {' ', ' '},
        {static_cast<char>(0xE9), static_cast<char>(0xE9)},  // negative as a char
        {static_cast<char>(0xFF), static_cast<char>(0xFF)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.in));
        EXPECT_EQ(uppercasify(c.in), c.out);
    }
}

TEST_F(loadimag_test, accepts_every_name_whose_extension_is_png)
{
    write_font();
    for (const char* name : {"title.png", "x.PnG", "a.b.png", "png", "SHIP.PNG"}) {
        SCOPED_TRACE(name);
        write_good(path(std::string("images/") + name), 3, 2);
        const int fds = open_fd_count();
        testing::internal::CaptureStdout();
        surface_ptr pic(load_image(name));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(pic->w, 3);
        EXPECT_EQ(pic->h, 2);
        EXPECT_EQ(open_fd_count(), fds);
    }
}

TEST_F(loadimag_test, refuses_other_extensions_without_reading_the_file)
{
    const struct {
        const char* name;
        const char* ext;
    } cases[] = {
        {"ship.bmp", "BMP"}, {"name.", ""}, {"title.jpeg", "JPEG"}, {"png.txt", "TXT"},
        {"noext", "NOEXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_good(path(std::string("images/") + c.name), 3, 2);  // a real picture all the same
        const std::string message = std::string("Unknown image extension: ") + c.ext;
        testing::internal::CaptureStdout();
        try {
            SDL_Surface* pic = load_image(c.name);
            SDL_FreeSurface(pic);
            ADD_FAILURE() << "no whinage";
        } catch (const whinage& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), log_line(65, message));
    }
}

TEST_F(loadimag_test, looks_in_the_image_directory)
{
    write_font();
    write_good(path("title.png"), 3, 2);  // beside images/, not in it
    testing::internal::CaptureStdout();
    surface_ptr pic(load_image("title.png"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              log_line(111, "Could not open images/title.png"));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->w, 200);
}

// --- damaged files ----------------------------------------------------------

struct damage_case {
    const char* name;
    void (*make)(const std::string& file);
    int line;
};

void PrintTo(const damage_case& c, std::ostream* out) { *out << c.name; }

class damaged_png_test : public loadimag_test, public ::testing::WithParamInterface<damage_case> {};

void cut_after(const std::string& file, const char* chunk, int more)
{
    size_t end = end_of_chunk(file, chunk);
    ASSERT_NE(end, 0u);
    ASSERT_TRUE(truncate_file(file, end + more));
}

const damage_case damage_cases[] = {
    {"missing", [](const std::string&) {}, 111},
    {"empty", [](const std::string& f) { ASSERT_TRUE(write_bytes(f, {})); }, 119},
    {"shorter_than_signature",
     [](const std::string& f) {
         ASSERT_TRUE(write_bytes(f, {0x89, 'P', 'N', 'G', '\r'}));
     },
     119},
    {"signature_only",
     [](const std::string& f) {
         ASSERT_TRUE(write_bytes(f, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
     },
     133},
    {"bad_signature",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(damage_signature(f));
     },
     119},
    {"line_ends_converted",  // a text-mode copy turned the signature's CR LF into LF
     [](const std::string& f) {
         write_good(f);
         std::vector<uint8_t> bytes = read_bytes(f);
         bytes.erase(bytes.begin() + 4);
         ASSERT_TRUE(write_bytes(f, bytes));
     },
     119},
    {"cut_inside_ihdr",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(truncate_file(f, 8 + 8 + 6));
     },
     133},
    {"cut_inside_idat",
     [](const std::string& f) {
         write_good(f);
         cut_after(f, "IHDR", 8 + 40);
     },
     133},
    {"cut_before_iend",
     [](const std::string& f) {
         write_good(f);
         cut_after(f, "IDAT", 0);
     },
     133},
    {"idat_byte_flipped",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(damage_chunk_data(f, "IDAT"));
     },
     133},
    {"ihdr_crc",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(damage_chunk_crc(f, "IHDR"));
     },
     133},
    {"idat_crc",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(damage_chunk_crc(f, "IDAT"));
     },
     133},
    {"iend_crc",  // found only after the pixels were converted
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(damage_chunk_crc(f, "IEND"));
     },
     133},
    {"zero_width",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_size(f, 0, 10));
     },
     133},
    {"zero_height",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_size(f, 12, 0));
     },
     133},
    {"bit_depth_3",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_byte(f, IB_BIT_DEPTH, 3));
     },
     133},
    {"rgba_at_4_bits",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_byte(f, IB_BIT_DEPTH, 4));
     },
     133},
    {"colour_type_5",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_byte(f, IB_COLOUR_TYPE, 5));
     },
     133},
    {"unknown_compression",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_byte(f, IB_COMPRESSION, 1));
     },
     133},
    {"width_beyond_format",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_size(f, 0x80000000u, 10));
     },
     133},
    {"unknown_interlace",
     [](const std::string& f) {
         write_good(f);
         ASSERT_TRUE(set_ihdr_byte(f, IB_INTERLACE, 2));
     },
     133},
};

std::string failure_message(int line, const std::string& path)
{
    switch (line) {
    case 111:
        return "Could not open " + path;
    case 119:
        return path + " is not a valid .PNG file!";
    default:
        return "FATAL ERROR loading " + path;
    }
}

TEST_P(damaged_png_test, gives_the_labelled_placeholder_and_closes_the_file)
{
    const damage_case& dc = GetParam();
    write_font();
    dc.make(path("images/bad.png"));
    if (HasFatalFailure())
        return;

    const int fds = open_fd_count();
    testing::internal::CaptureStdout();
    surface_ptr pic(load_image("bad.png"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              log_line(dc.line, failure_message(dc.line, "images/bad.png")));
    EXPECT_EQ(open_fd_count(), fds);
    expect_game_format(pic.get());
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->w, 200);
    EXPECT_EQ(pic->h, 20);
    EXPECT_EQ(read_code_text(pic.get(), 2, 2), "images/bad.png?FATAL ERROR!!");
}

INSTANTIATE_TEST_SUITE_P(all, damaged_png_test, ::testing::ValuesIn(damage_cases),
                         [](const ::testing::TestParamInfo<damage_case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(loadimag_test, loads_pictures_up_to_the_largest_size)
{
    write_font();
    for (auto size : {std::make_pair(16383, 1), std::make_pair(1, 16384)}) {
        SCOPED_TRACE(std::to_string(size.first) + " x " + std::to_string(size.second));
        write_good(path("images/big.png"), size.first, size.second);
        testing::internal::CaptureStdout();
        surface_ptr pic(load_image("big.png"));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(pic->w, size.first);
        EXPECT_EQ(pic->h, size.second);
    }
}

TEST_F(loadimag_test, refuses_larger_pictures_at_the_header)
{
    const struct {
        uint32_t width, height;
        bool well_formed;  // else only the header claims the size
    } cases[] = {
        {16384, 1, true},           // one column past what a surface row can hold
        {1, 16385, true},
        {16384, 16384, false},      // would be 1 GiB of rows
        {100000, 100000, false},
    };
    write_font();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        if (c.well_formed) {
            write_good(path("images/big.png"), static_cast<int>(c.width), static_cast<int>(c.height));
        } else {
            write_good(path("images/big.png"));
            ASSERT_TRUE(set_ihdr_size(path("images/big.png"), c.width, c.height));
        }
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        surface_ptr pic(load_image("big.png"));
        std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  log_line(133, "FATAL ERROR loading images/big.png"));
        // libpng's own warning shows the header was refused before any row was read.
        EXPECT_NE(warnings.find("exceeds user limit in IHDR"), std::string::npos) << warnings;
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(pic->w, 200);
        EXPECT_EQ(pic->h, 20);
    }
}

// --- the placeholder and the font -------------------------------------------

TEST_F(loadimag_test, placeholder_shows_path_and_words_in_the_font)
{
    write_font();
    surface_ptr pic(load_image("missing.png"));
    ASSERT_NE(pic, nullptr);
    const std::string words = "images/missing.png?FATAL ERROR!!";  // the line feed shows as '?'
    EXPECT_EQ(read_code_text(pic.get(), 2, 2), words);

    // Glyphs keep the font's colours and are opaque; nothing lies outside
    // the text line.
    const int right = 2 + static_cast<int>(words.size()) * font_cell;
    for (int y = 0; y < pic->h; ++y)
        for (int x = 0; x < pic->w; ++x) {
            rgba p = pixel_rgba(pic.get(), x, y);
            bool inside = x >= 2 && x < right && y >= 2 && y < 2 + font_height;
            SCOPED_TRACE("(" + std::to_string(x) + ", " + std::to_string(y) + ")");
            if (inside) {
                EXPECT_EQ(p.g, code_font_green);
                EXPECT_EQ(p.b, code_font_blue);
                EXPECT_EQ(p.a, 255);
            } else {
                EXPECT_EQ(p, (rgba{0, 0, 0, 0}));
            }
            if (HasFailure())
                return;
        }
}

TEST_F(loadimag_test, missing_font_is_read_once_and_draws_nothing)
{
    surface_ptr canvas(create_surface(400, 40, alpha_channel));
    std::string every_glyph;
    for (int c = 32; c < 128; ++c)
        every_glyph += static_cast<char>(c);

    // Through init and through a first draw: either way one attempt.
    for (bool init_first : {true, false}) {
        SCOPED_TRACE(init_first ? "init first" : "draw first");
        text::exit();
        testing::internal::CaptureStdout();
        if (init_first)
            text::init();
        text::draw(every_glyph, canvas.get(), 0, 0, 0);
        text::init();
        text::draw("again", canvas.get(), 0, 20, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  log_line(111, "Could not open images/font.png"));
        // The 200 x 20 placeholder serves as the font: cells 2 wide, all blank.
        EXPECT_EQ(text::width("abc"), 6);
        EXPECT_TRUE(is_blank(canvas.get()));
    }
}

TEST_F(loadimag_test, damaged_font_is_read_once)
{
    write_good(path("images/font.png"));
    ASSERT_TRUE(damage_signature(path("images/font.png")));
    testing::internal::CaptureStdout();
    text::init();
    text::init();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              log_line(119, "images/font.png is not a valid .PNG file!"));
    EXPECT_EQ(text::width("abc"), 6);
}

TEST_F(loadimag_test, placeholder_without_font_is_blank_and_loads_the_font_once)
{
    testing::internal::CaptureStdout();
    surface_ptr ship(load_image("ship.png"));
    surface_ptr coin(load_image("coin.png"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              log_line(111, "Could not open images/ship.png") +
                  log_line(111, "Could not open images/font.png") +
                  log_line(111, "Could not open images/coin.png"));
    for (SDL_Surface* s : {ship.get(), coin.get()}) {
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->w, 200);
        EXPECT_EQ(s->h, 20);
        EXPECT_TRUE(is_blank(s));
    }
}
}
