// Shared helpers of the data tool tests: fresh temporary folders, the
// game data generated once per run, and readers for the PNG and WAV files.
#ifndef VANTREL_TOOLS_DATA_FIXTURE_H
#define VANTREL_TOOLS_DATA_FIXTURE_H

#include <cstdint>
#include <string>
#include <vector>

// A new empty folder under the system's temporary folder, removed when the
// test program ends.
std::string fresh_dir(const std::string& tag);

// Folders holding every picture (images/) and sound (sounds/), made once
// per test program by the tool's own functions.
const std::string& generated_images();
const std::string& generated_sounds();

std::string read_bytes(const std::string& path);

// An 8-bit RGBA picture as read back through libpng.
struct png_picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    // Alpha of a pixel; 0 outside the picture.
    int alpha(int x, int y) const { return x < 0 || y < 0 || x >= width || y >= height ? 0 : at(x, y)[3]; }
    // The number of pixels whose alpha is at least min_alpha.
    int count_alpha(int min_alpha) const;
    // Luminance 0 to 1 of a pixel's colour (its alpha not applied).
    float luminance(int x, int y) const;
};
// Fails the calling test (and returns an empty picture) when unreadable.
png_picture read_png(const std::string& path);

// A picture of generated_images() by file name, read once per test
// program; a missing file fails the calling test and reads as empty.
const png_picture& generated_picture(const std::string& file);

// The pictures the game loads by name: the arena's tiles (in the order of
// its tile table, the exit block sharing block.png) and the movers'.
const std::vector<std::string>& tile_files();
const std::vector<std::string>& mover_files();
// The enemies' pictures: turrets and bullet, bobbler, miner, graldor frames
// and baby, invader frames and block bursts, the two ufos, the asteroids.
const std::vector<std::string>& enemy_files();
// The shop's pictures: the weapon mount's socket, the weapons' pictures in
// the order of the weapon table, the equipment bay and the systems'.
const std::vector<std::string>& shop_weapon_files();
const std::vector<std::string>& shop_system_files();
const std::vector<std::string>& shop_files();

// The number of separate pieces of a picture's body (its pixels with alpha
// above 0, joined along sides and corners).
int body_pieces(const png_picture& p);
// How far the light of a body leans from its middle: the luminance-weighted
// mean position of its pixels less their plain mean, in pixels. A body lit
// from the upper left leans there: both negative.
struct lean {
    float x = 0, y = 0;
};
lean light_lean(const png_picture& p);

struct wav_sound {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples;
};
// Returns an empty error string on success.
std::string read_wav(const std::string& path, wav_sound& out);

// Partly clear pixels with no fully opaque neighbour: a halo wider than a
// shape's one-pixel soft edge, hit in the collision tests where the eye
// sees nothing.
int halo_pixels(const png_picture& p);

#endif
