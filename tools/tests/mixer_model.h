// How the player hears the effects: a model of the game's mixer (channel
// volumes, 16 channels, effects starting on buffer boundaries, channels
// summed) and a K-weighted short-term loudness of what comes out of it.
#ifndef VANTREL_TOOLS_MIXER_MODEL_H
#define VANTREL_TOOLS_MIXER_MODEL_H

#include <cstdint>
#include <vector>

namespace mixer_model {

const int rate = 44100;
// The game opens the mixer with 1024-frame buffers and 16 channels; an
// effect asked for during a frame starts at the next buffer.
const int buffer_frames = 1024;
const int channels = 16;
// The game's fixed step: requests come at whole frames.
const double frame_seconds = 0.04;

// One sound::play call: the effect's samples, the caller's volume (0 to 1)
// and the game frame it is made in.
struct request {
    const std::vector<int16_t>* samples;
    float volume;
    int frame;
};

struct mix {
    // The sum of the channels before the mixer saturates it to 16 bits.
    std::vector<int32_t> sum;
    // The most channels sounding at once, and requests that found none idle.
    int busiest = 0;
    int dropped = 0;
};

// Mixes the requests as the game's mixer does: each on the lowest idle
// channel, scaled by the channel volume (int)(128 × volume) with the
// mixer's truncating arithmetic, all channels added.
mix play(const std::vector<request>& requests);

// The peak of the sum in dBFS: above 0 the mixer clips.
double peak_dbfs(const mix& m);

// K-weighted loudness (the two-stage weighting of ITU-R BS.1770: a high
// shelf of +4 dB above about 1.7 kHz and a high-pass at 38 Hz) of the
// loudest 400 ms stretch of the mix, in LUFS of the game's stereo output
// (the mono mix on both channels).
double loudness(const mix& m);

}

#endif
