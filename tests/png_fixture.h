// Small PNG files for tests, written through libpng's write interface, and
// the byte surgery that turns a good file into a damaged one.
#ifndef VANTREL_PNG_FIXTURE_H
#define VANTREL_PNG_FIXTURE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGBA picture, pixels row by row as 0xAABBGGRR (r in the low byte).
bool write_rgba_png(const std::string& path, int width, int height,
                    const std::vector<uint32_t>& pixels);

// The PNG colour types, with the values the IHDR chunk stores.
enum png_colour { PC_GREY = 0, PC_RGB = 2, PC_PALETTE = 3, PC_GREY_ALPHA = 4, PC_RGBA = 6 };

// Samples per pixel in the file: 1 (grey, palette index) to 4 (RGBA).
int png_channels(png_colour colour);

// One picture to write, in any colour type and bit depth the format allows.
struct png_picture {
    int width = 0;
    int height = 0;
    png_colour colour = PC_RGBA;
    int bit_depth = 8;
    // png_channels(colour) samples per pixel, row by row, each at bit_depth
    // (0 .. 2^bit_depth - 1); palette pictures hold palette indices.
    std::vector<uint16_t> samples;
    // Palette pictures only: the colours, and the tRNS alphas (may be
    // shorter than the palette; entries past its end are opaque).
    std::vector<std::array<uint8_t, 3>> palette;
    std::vector<uint8_t> palette_alpha;
    // Grey and RGB pictures only: a tRNS chunk naming one transparent
    // colour (grey uses the first value), at bit_depth.
    bool has_trns = false;
    std::array<uint16_t, 3> trns_colour = {{0, 0, 0}};
    bool interlace = false;  // Adam7
    double gamma = 0;        // the gAMA chunk's value; 0 writes none
};

bool write_png(const std::string& path, const png_picture& picture);

// An 8-bit RGBA picture of pseudo-random pixels (the same for every call),
// so that its IDAT chunk is long enough to be cut or damaged in the middle.
bool write_noise_png(const std::string& path, int width = 12, int height = 10);

// A font picture of 96 cells, cell_width x height each, in which every pixel
// of the glyph for character c is opaque with red = c, green 0x40 and blue
// 0x80, so the text drawn with it can be read back from the red bytes. It
// carries a gAMA chunk that makes the loader's gamma correction a no-op.
bool write_code_font(const std::string& path, int cell_width, int height);
const int code_font_green = 0x40;
const int code_font_blue = 0x80;

// Whole-file access for making damaged copies.
std::vector<uint8_t> read_bytes(const std::string& path);
bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Keeps the first `keep` bytes of the file.
bool truncate_file(const std::string& path, size_t keep);
// Size of the file up to the end of the first chunk of `type` (signature
// included); 0 when there is no such chunk.
size_t end_of_chunk(const std::string& path, const char* type);
// Flips one byte in the middle of the first `type` chunk's data, leaving its
// stored CRC as it was, so the CRC no longer matches.
bool damage_chunk_data(const std::string& path, const char* type);
// Flips one bit of the stored CRC of the first `type` chunk.
bool damage_chunk_crc(const std::string& path, const char* type);
// Flips the first byte of the PNG signature.
bool damage_signature(const std::string& path);

// Rewrites fields of the IHDR chunk and recomputes its CRC, so that libpng
// sees a well-formed chunk with the given values.
bool set_ihdr_size(const std::string& path, uint32_t width, uint32_t height);
enum ihdr_byte { IB_BIT_DEPTH = 8, IB_COLOUR_TYPE = 9, IB_COMPRESSION = 10, IB_FILTER = 11,
                 IB_INTERLACE = 12 };
bool set_ihdr_byte(const std::string& path, ihdr_byte field, uint8_t value);

#endif
