// PNG loading with libpng into the game's 32-bit RGBA surfaces. Any read
// failure is logged and turned into a 200 x 20 placeholder naming the file.
#include "loadimag.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include "debug.h"
#include "dirs.h"
#include "etc.h"
#include "text.h"

namespace {
const char* const this_file = "loadimag";
const int header_bytes = 8;
const double screen_gamma = 2.0;
const double default_file_gamma = 0.45455;
// Larger pictures are refused as damaged rather than allocated. A 32-bit
// row must also fit SDL 1.2's 16-bit pitch, hence one column less.
const png_uint_32 max_width = 16383;
const png_uint_32 max_height = 16384;
// And so are pictures of more pixels than this (64 MiB a copy; the largest
// of the game is 640 x 480): a small file of a well-compressed huge picture
// would otherwise take gigabytes, once for its rows and once as a surface.
const unsigned long long max_pixels = 4096ull * 4096ull;

// The ancillary chunks the game has no use for, each name ending in a zero
// byte: text, colour profiles, suggested palettes, calibration, scale, Exif.
const png_byte unused_chunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0pCAL\0sCAL\0eXIf";
const int unused_chunk_count = 8;

// Everything one read holds; released on every way out.
struct stuff {
    FILE* fp = nullptr;
    png_structp png_ptr = nullptr;
    png_infop info_ptr = nullptr;
    png_infop end_info = nullptr;
    png_bytep* row_pointers = nullptr;

    stuff() = default;
    stuff(const stuff&) = delete;
    stuff& operator=(const stuff&) = delete;
    ~stuff()
    {
        if (fp)
            fclose(fp);
        png_destroy_read_struct(&png_ptr, &info_ptr, &end_info);
        if (row_pointers) {
            for (png_bytep* row = row_pointers; *row; ++row)
                delete[] *row;
            delete[] row_pointers;
        }
    }
};

SDL_Surface* make_placeholder(const std::string& path)
{
    SDL_Surface* placeholder = create_surface(200, 20, alpha_channel);
    if (!placeholder)
        throw whinage("Could not make a placeholder for " + path);
    Uint32 red = SDL_MapRGB(placeholder->format, 255, 0, 0);
    text::draw(path + "\nFATAL ERROR!!", placeholder, 2, 2, red);
    // A blit keeps the target's alpha, so the words would stay invisible on
    // the transparent placeholder: make every coloured pixel opaque.
    SDL_LockSurface(placeholder);
    for (int y = 0; y < placeholder->h; ++y) {
        for (int x = 0; x < placeholder->w; ++x) {
            Uint32 p = getpixel(placeholder, x, y);
            if (p & 0x00FFFFFF)
                putpixel(placeholder, x, y, p | 0xFF000000);
        }
    }
    SDL_UnlockSurface(placeholder);
    return placeholder;
}
}

char uppercasify(char c) { return static_cast<char>(toupper(static_cast<unsigned char>(c))); }

std::string get_extension(const std::string& filename)
{
    std::string::size_type dot = filename.rfind('.');
    std::string ext = dot == std::string::npos ? filename : filename.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), uppercasify);
    return ext;
}

SDL_Surface* load_image(const std::string& filename)
{
    std::string ext = get_extension(filename);
    if (ext == "PNG")
        return load_png(dirs::image_dir + "/" + filename);
    whine(this_file, 65, "Unknown image extension: " + ext);
}

void whiny_png_user_error_fn(png_structp png_ptr, png_const_charp)
{
    longjmp(png_jmpbuf(png_ptr), 1);
}

SDL_Surface* load_png(const std::string& path)
{
    // volatile: it must survive a longjmp back to the recovery point
    SDL_Surface* volatile target = nullptr;
    try {
        stuff ptrs;
        ptrs.fp = fopen(path.c_str(), "rb");
        if (!ptrs.fp)
            whine(this_file, 111, "Could not open " + path);

        png_byte header[header_bytes] = {};
        size_t got = fread(header, 1, header_bytes, ptrs.fp);
        if (got < static_cast<size_t>(header_bytes) || png_sig_cmp(header, 0, header_bytes) != 0)
            whine(this_file, 119, path + " is not a valid .PNG file!");

        ptrs.png_ptr = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (!ptrs.png_ptr)
            whine(this_file, 123, "png_create_read_struct failed!");
        ptrs.info_ptr = png_create_info_struct(ptrs.png_ptr);
        if (!ptrs.info_ptr)
            whine(this_file, 125, "png_create_info_struct failed!");
        ptrs.end_info = png_create_info_struct(ptrs.png_ptr);
        if (!ptrs.end_info)
            whine(this_file, 127, "png_create_info_struct failed!");
        png_set_sig_bytes(ptrs.png_ptr, header_bytes);

        if (setjmp(png_jmpbuf(ptrs.png_ptr)))
            whine(this_file, 133, "FATAL ERROR loading " + path);
        png_set_error_fn(ptrs.png_ptr, png_get_error_ptr(ptrs.png_ptr), whiny_png_user_error_fn,
                         nullptr);
        png_set_user_limits(ptrs.png_ptr, max_width, max_height);
        // Skipped unread: libpng would allocate (and clear) whatever length
        // a damaged header claims for these, gigabytes for a tiny file.
        png_set_keep_unknown_chunks(ptrs.png_ptr, PNG_HANDLE_CHUNK_NEVER, unused_chunks,
                                    unused_chunk_count);

        png_init_io(ptrs.png_ptr, ptrs.fp);
        png_read_info(ptrs.png_ptr, ptrs.info_ptr);
        png_uint_32 width = 0, height = 0;
        int bit_depth = 0, color_type = 0;
        png_get_IHDR(ptrs.png_ptr, ptrs.info_ptr, &width, &height, &bit_depth, &color_type,
                     nullptr, nullptr, nullptr);
        if (static_cast<unsigned long long>(width) * height > max_pixels)
            whine(this_file, 133, "FATAL ERROR loading " + path);

        if (color_type == PNG_COLOR_TYPE_PALETTE)
            png_set_palette_to_rgb(ptrs.png_ptr);
        else if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(ptrs.png_ptr);
        if (bit_depth == 16)
            png_set_strip_16(ptrs.png_ptr);
        double gamma = 0;
        if (png_get_gAMA(ptrs.png_ptr, ptrs.info_ptr, &gamma))
            png_set_gamma(ptrs.png_ptr, screen_gamma, gamma);
        else
            png_set_gamma(ptrs.png_ptr, screen_gamma, default_file_gamma);
        // Interlaced files are read whole: libpng assembles the passes.
        png_set_interlace_handling(ptrs.png_ptr);
        png_read_update_info(ptrs.png_ptr, ptrs.info_ptr);

        // Pixels come as RGB, or RGBA for grey+alpha, RGBA and palette
        // pictures with a transparency chunk, which keep their alpha.
        bool has_alpha = png_get_channels(ptrs.png_ptr, ptrs.info_ptr) == 4;
        size_t row_bytes = std::max<size_t>(png_get_rowbytes(ptrs.png_ptr, ptrs.info_ptr),
                                            static_cast<size_t>(width) * 4);

        ptrs.row_pointers = new png_bytep[height + 1];
        std::fill(ptrs.row_pointers, ptrs.row_pointers + height + 1, nullptr);
        for (png_uint_32 r = 0; r < height; ++r)
            ptrs.row_pointers[r] = new png_byte[row_bytes];
        png_read_image(ptrs.png_ptr, ptrs.row_pointers);

        target = create_surface(static_cast<int>(width), static_cast<int>(height), alpha_channel);
        if (!target)
            whine(this_file, 133, "FATAL ERROR loading " + path);
        SDL_Surface* t = target;
        if (SDL_MUSTLOCK(t))
            SDL_LockSurface(t);
        for (png_uint_32 r = 0; r < height; ++r) {
            png_bytep p = ptrs.row_pointers[r];
            for (png_uint_32 c = 0; c < width; ++c) {
                Uint32 colour = has_alpha
                                    ? SDL_MapRGBA(t->format, p[4 * c], p[4 * c + 1], p[4 * c + 2], p[4 * c + 3])
                                    : SDL_MapRGBA(t->format, p[3 * c], p[3 * c + 1], p[3 * c + 2], 255);
                putpixel(t, static_cast<int>(c), static_cast<int>(r), colour);
            }
        }
        if (SDL_MUSTLOCK(t))
            SDL_UnlockSurface(t);
        png_read_end(ptrs.png_ptr, ptrs.end_info);
        return t;
    } catch (...) {
        if (target)
            SDL_FreeSurface(target);
    }
    return make_placeholder(path);
}
