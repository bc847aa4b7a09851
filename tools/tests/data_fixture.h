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
    // Luminance 0 to 1 of a pixel's colour (its alpha not applied).
    float luminance(int x, int y) const;
};
// Fails the calling test (and returns an empty picture) when unreadable.
png_picture read_png(const std::string& path);

struct wav_sound {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples;
};
// Returns an empty error string on success.
std::string read_wav(const std::string& path, wav_sound& out);

#endif
