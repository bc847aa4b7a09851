// Fuzz target: the PNG loader. The input is written to a file and loaded
// with load_png, once as it is and, when its chunk CRCs do not match, once
// more with them mended so that the damage reaches the decoder behind the
// CRC check. Every load must give a 32-bit surface in the game's format.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <zlib.h>

#include <SDL.h>

#include "fuzz_support.h"
#include "loadimag.h"
#include "text.h"

namespace {
const size_t signature_bytes = 8;

uint32_t big_endian(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Rewrites the stored CRC of every whole chunk; true when one changed.
bool mend_crcs(std::vector<uint8_t>& bytes)
{
    bool changed = false;
    size_t at = signature_bytes;
    while (at + 12 <= bytes.size()) {
        uint32_t length = big_endian(&bytes[at]);
        if (length > bytes.size() - at - 12)
            break;
        uint8_t* type = &bytes[at + 4];
        uLong crc = crc32(0L, type, static_cast<uInt>(4 + length));
        uint8_t* stored = type + 4 + length;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = static_cast<uint8_t>(crc >> (24 - 8 * i));
            changed = changed || stored[i] != b;
            stored[i] = b;
        }
        at += 12 + length;
    }
    return changed;
}

void load(const uint8_t* data, size_t size)
{
    fuzz::write_input("images/input.png", data, size);
    SDL_Surface* s = load_png("images/input.png");
    if (!s || s->format->BitsPerPixel != 32 || s->format->Rmask != 0x000000FF ||
        s->format->Amask != 0xFF000000 || s->w <= 0 || s->h <= 0) {
        std::fprintf(stderr, "load_png gave no picture in the game's format\n");
        std::abort();
    }
    SDL_FreeSurface(s);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::enter_run_dir();
    text::init();
    load(data, size);
    std::vector<uint8_t> mended(data, data + size);
    if (mend_crcs(mended))
        load(mended.data(), mended.size());
    return 0;
}
