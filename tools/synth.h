// The sound kit of the data tools: sample buffers, oscillators, filters,
// envelopes, the finishing pass every effect goes through and WAV output.
#ifndef VANTREL_TOOLS_SYNTH_H
#define VANTREL_TOOLS_SYNTH_H

#include <cstddef>
#include <string>
#include <vector>

namespace synth {

const int sample_rate = 44100;

// Mono samples, nominally -1 to 1.
using buffer = std::vector<float>;

buffer make_buffer(float seconds);
inline float time_at(size_t i) { return static_cast<float>(i) / sample_rate; }
inline size_t index_at(float seconds) { return static_cast<size_t>(seconds * sample_rate + 0.5f); }

// A smooth rise over attack seconds, then an exponential fall with time
// constant decay; 0 before t = 0.
float attack_decay(float t, float attack, float decay);
// 0 to 1 with a smooth start and end.
float smoothstep(float a, float b, float v);

// A phase accumulator, so the pitch can glide without jumps.
class oscillator {
public:
    float sine(float hz);
    // Phase 0 to 1 after advancing by hz.
    float advance(float hz);

private:
    double m_phase = 0;
};

// Second-order filter (the usual audio cookbook forms). The coefficients
// may be changed every sample for sweeps.
class biquad {
public:
    void lowpass(float hz, float q);
    void highpass(float hz, float q);
    // Peak gain 1 at the centre.
    void bandpass(float hz, float q);
    float process(float x);

private:
    void set(double b0, double b1, double b2, double a0, double a1, double a2);
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// Adds from into to, starting at the given sample, scaled by gain.
void mix_into(buffer& to, const buffer& from, size_t offset, float gain);

// The finishing pass: removes any DC drift, fades the first 2 ms in and
// the last 20 ms out (no clicks at either end) and scales the peak to
// peak_db (dBFS). The peak sets the effect's place in the game's balance.
void finish(buffer& b, float peak_db);

// 16-bit PCM mono WAV at sample_rate. Throws std::runtime_error on failure.
void write_wav(const buffer& b, const std::string& path);

}

#endif
