// Small PNG files for tests, written through libpng's write interface, and
// the byte surgery that turns a good file into a damaged one.
#include "png_fixture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <png.h>

namespace {
const size_t signature_bytes = 8;
const size_t chunk_head_bytes = 8;  // length and type
const size_t crc_bytes = 4;

// libpng reports write errors here; the jump lands in write_rows.
void fixture_png_error(png_structp png_ptr, png_const_charp)
{
    longjmp(png_jmpbuf(png_ptr), 1);
}

// Packs one row of samples the way the file stores them: several samples
// per byte below 8 bits (first sample in the high bits), big-endian words
// at 16 bits.
std::vector<png_byte> pack_row(const png_picture& pic, int row)
{
    const int per_row = pic.width * png_channels(pic.colour);
    const uint16_t* in = pic.samples.data() + static_cast<size_t>(row) * per_row;
    std::vector<png_byte> out;
    if (pic.bit_depth == 16) {
        for (int i = 0; i < per_row; ++i) {
            out.push_back(static_cast<png_byte>(in[i] >> 8));
            out.push_back(static_cast<png_byte>(in[i] & 0xFF));
        }
    } else if (pic.bit_depth == 8) {
        for (int i = 0; i < per_row; ++i)
            out.push_back(static_cast<png_byte>(in[i]));
    } else {
        const int per_byte = 8 / pic.bit_depth;
        out.assign((per_row + per_byte - 1) / per_byte, 0);
        for (int i = 0; i < per_row; ++i) {
            int shift = 8 - pic.bit_depth * (i % per_byte + 1);
            out[i / per_byte] |= static_cast<png_byte>(in[i] << shift);
        }
    }
    return out;
}

// Everything that can longjmp lives here, with no object that needs a
// destructor between the setjmp and the jump.
bool write_rows(FILE* fp, const png_picture& pic, png_bytepp rows, const png_color* palette,
                const png_color_16* trns)
{
    png_structp png_ptr = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                                  fixture_png_error, nullptr);
    if (!png_ptr)
        return false;
    png_infop info_ptr = png_create_info_struct(png_ptr);
    if (!info_ptr) {
        png_destroy_write_struct(&png_ptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png_ptr))) {
        png_destroy_write_struct(&png_ptr, &info_ptr);
        return false;
    }
    png_init_io(png_ptr, fp);
    png_set_IHDR(png_ptr, info_ptr, static_cast<png_uint_32>(pic.width),
                 static_cast<png_uint_32>(pic.height), pic.bit_depth, pic.colour,
                 pic.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (pic.colour == PC_PALETTE) {
        png_set_PLTE(png_ptr, info_ptr, palette, static_cast<int>(pic.palette.size()));
        if (!pic.palette_alpha.empty())
            png_set_tRNS(png_ptr, info_ptr, pic.palette_alpha.data(),
                         static_cast<int>(pic.palette_alpha.size()), nullptr);
    } else if (pic.has_trns) {
        png_set_tRNS(png_ptr, info_ptr, nullptr, 1, trns);
    }
    if (pic.gamma > 0)
        png_set_gAMA(png_ptr, info_ptr, pic.gamma);
    png_write_info(png_ptr, info_ptr);
    png_write_image(png_ptr, rows);  // runs the Adam7 passes itself
    png_write_end(png_ptr, info_ptr);
    png_destroy_write_struct(&png_ptr, &info_ptr);
    return true;
}

uint32_t crc32_of(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

uint32_t get_be32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void put_be32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Offset of the first chunk of `type` (its length field), or 0.
size_t find_chunk(const std::vector<uint8_t>& bytes, const char* type)
{
    size_t at = signature_bytes;
    while (at + chunk_head_bytes + crc_bytes <= bytes.size()) {
        uint32_t length = get_be32(&bytes[at]);
        if (std::memcmp(&bytes[at + 4], type, 4) == 0)
            return at;
        at += chunk_head_bytes + length + crc_bytes;
    }
    return 0;
}

// Recomputes the CRC of the chunk at `at` over its type and data.
void fix_crc(std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t length = get_be32(&bytes[at]);
    uint32_t crc = crc32_of(&bytes[at + 4], 4 + length);
    put_be32(&bytes[at + chunk_head_bytes + length], crc);
}
}

int png_channels(png_colour colour)
{
    switch (colour) {
    case PC_GREY_ALPHA:
        return 2;
    case PC_RGB:
        return 3;
    case PC_RGBA:
        return 4;
    case PC_GREY:
    case PC_PALETTE:
        break;
    }
    return 1;
}

bool write_png(const std::string& path, const png_picture& pic)
{
    const size_t expected = static_cast<size_t>(pic.width) * pic.height * png_channels(pic.colour);
    if (pic.samples.size() != expected)
        return false;

    std::vector<std::vector<png_byte>> packed;
    std::vector<png_bytep> rows;
    for (int r = 0; r < pic.height; ++r)
        packed.push_back(pack_row(pic, r));
    for (auto& row : packed)
        rows.push_back(row.data());

    std::vector<png_color> palette;
    for (const auto& c : pic.palette)
        palette.push_back(png_color{c[0], c[1], c[2]});
    png_color_16 trns = {};
    trns.gray = pic.trns_colour[0];
    trns.red = pic.trns_colour[0];
    trns.green = pic.trns_colour[1];
    trns.blue = pic.trns_colour[2];

    FILE* fp = fopen(path.c_str(), "wb");
    if (!fp)
        return false;
    bool ok = write_rows(fp, pic, rows.data(), palette.data(), &trns);
    return fclose(fp) == 0 && ok;
}

bool write_rgba_png(const std::string& path, int width, int height,
                    const std::vector<uint32_t>& pixels)
{
    png_picture pic;
    pic.width = width;
    pic.height = height;
    pic.colour = PC_RGBA;
    pic.bit_depth = 8;
    for (uint32_t p : pixels)
        for (int shift = 0; shift < 32; shift += 8)
            pic.samples.push_back(static_cast<uint16_t>((p >> shift) & 0xFF));
    return write_png(path, pic);
}

bool write_noise_png(const std::string& path, int width, int height)
{
    png_picture pic;
    pic.width = width;
    pic.height = height;
    pic.colour = PC_RGBA;
    uint32_t seed = 12345;
    for (long i = 0; i < static_cast<long>(width) * height * 4; ++i) {
        seed = seed * 1103515245u + 12345u;
        pic.samples.push_back(static_cast<uint16_t>(seed >> 24));
    }
    return write_png(path, pic);
}

bool write_code_font(const std::string& path, int cell_width, int height)
{
    const int glyphs = 96;
    png_picture pic;
    pic.width = glyphs * cell_width;
    pic.height = height;
    pic.colour = PC_RGBA;
    pic.gamma = 0.5;  // against the game's screen gamma 2.0: colours stay exact
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            uint16_t code = static_cast<uint16_t>(32 + x / cell_width);
            pic.samples.insert(pic.samples.end(), {code, static_cast<uint16_t>(code_font_green),
                                                   static_cast<uint16_t>(code_font_blue), 255});
        }
    return write_png(path, pic);
}

std::vector<uint8_t> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool truncate_file(const std::string& path, size_t keep)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    if (keep > bytes.size())
        return false;
    bytes.resize(keep);
    return write_bytes(path, bytes);
}

size_t end_of_chunk(const std::string& path, const char* type)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    size_t at = find_chunk(bytes, type);
    if (!at)
        return 0;
    return at + chunk_head_bytes + get_be32(&bytes[at]) + crc_bytes;
}

bool damage_chunk_data(const std::string& path, const char* type)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    size_t at = find_chunk(bytes, type);
    if (!at || get_be32(&bytes[at]) == 0)
        return false;
    bytes[at + chunk_head_bytes + get_be32(&bytes[at]) / 2] ^= 0x55;
    return write_bytes(path, bytes);
}

bool damage_chunk_crc(const std::string& path, const char* type)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    size_t at = find_chunk(bytes, type);
    if (!at)
        return false;
    bytes[at + chunk_head_bytes + get_be32(&bytes[at])] ^= 0x01;
    return write_bytes(path, bytes);
}

bool damage_signature(const std::string& path)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    if (bytes.empty())
        return false;
    bytes[0] ^= 0xFF;
    return write_bytes(path, bytes);
}

bool set_ihdr_size(const std::string& path, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    size_t at = find_chunk(bytes, "IHDR");
    if (!at)
        return false;
    put_be32(&bytes[at + chunk_head_bytes], width);
    put_be32(&bytes[at + chunk_head_bytes + 4], height);
    fix_crc(bytes, at);
    return write_bytes(path, bytes);
}

bool set_ihdr_byte(const std::string& path, ihdr_byte field, uint8_t value)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    size_t at = find_chunk(bytes, "IHDR");
    if (!at)
        return false;
    bytes[at + chunk_head_bytes + field] = value;
    fix_crc(bytes, at);
    return write_bytes(path, bytes);
}
