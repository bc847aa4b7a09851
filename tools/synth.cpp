// Oscillators, filters, envelopes, the finishing pass and WAV output.
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace synth {

namespace {
const double two_pi = 6.283185307179586;

void put_u16(std::ofstream& out, uint16_t v)
{
    char bytes[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
    out.write(bytes, 2);
}

void put_u32(std::ofstream& out, uint32_t v)
{
    put_u16(out, static_cast<uint16_t>(v & 0xffff));
    put_u16(out, static_cast<uint16_t>(v >> 16));
}

void fade(buffer& b, size_t from, size_t count, bool in)
{
    for (size_t i = 0; i < count && from + i < b.size(); ++i) {
        double t = static_cast<double>(i) / static_cast<double>(count);
        double g = 0.5 - 0.5 * std::cos(3.141592653589793 * (in ? t : 1 - t));
        b[from + i] = static_cast<float>(b[from + i] * g);
    }
}
}

buffer make_buffer(float seconds) { return buffer(index_at(seconds), 0.0f); }

float attack_decay(float t, float attack, float decay)
{
    if (t < 0)
        return 0;
    if (t < attack) {
        float s = std::sin(1.5707963f * t / attack);
        return s * s;
    }
    return std::exp(-(t - attack) / decay);
}

float smoothstep(float a, float b, float v)
{
    float t = std::min(1.0f, std::max(0.0f, (v - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

float oscillator::advance(float hz)
{
    m_phase += static_cast<double>(hz) / sample_rate;
    m_phase -= std::floor(m_phase);
    return static_cast<float>(m_phase);
}

float oscillator::sine(float hz) { return static_cast<float>(std::sin(two_pi * advance(hz))); }

void biquad::set(double b0, double b1, double b2, double a0, double a1, double a2)
{
    m_b0 = b0 / a0;
    m_b1 = b1 / a0;
    m_b2 = b2 / a0;
    m_a1 = a1 / a0;
    m_a2 = a2 / a0;
}

void biquad::lowpass(float hz, float q)
{
    double w = two_pi * std::min(hz, 0.45f * sample_rate) / sample_rate;
    double alpha = std::sin(w) / (2 * q), c = std::cos(w);
    set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void biquad::highpass(float hz, float q)
{
    double w = two_pi * std::min(hz, 0.45f * sample_rate) / sample_rate;
    double alpha = std::sin(w) / (2 * q), c = std::cos(w);
    set((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void biquad::bandpass(float hz, float q)
{
    double w = two_pi * std::min(hz, 0.45f * sample_rate) / sample_rate;
    double alpha = std::sin(w) / (2 * q), c = std::cos(w);
    set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

float biquad::process(float x)
{
    double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
    m_x2 = m_x1;
    m_x1 = x;
    m_y2 = m_y1;
    m_y1 = y;
    return static_cast<float>(y);
}

void mix_into(buffer& to, const buffer& from, size_t offset, float gain)
{
    for (size_t i = 0; i < from.size() && offset + i < to.size(); ++i)
        to[offset + i] += from[i] * gain;
}

void finish(buffer& b, float peak_db)
{
    biquad dc;
    dc.highpass(25, 0.707f);
    for (float& s : b)
        s = dc.process(s);
    fade(b, 0, index_at(0.002f), true);
    size_t tail = std::min(b.size(), index_at(0.02f));
    fade(b, b.size() - tail, tail, false);
    float peak = 0;
    for (float s : b)
        peak = std::max(peak, std::fabs(s));
    float level = std::pow(10.0f, peak_db / 20);
    if (peak > 0)
        for (float& s : b)
            s *= level / peak;
}

void write_wav(const buffer& b, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    const uint32_t data_bytes = static_cast<uint32_t>(b.size() * 2);
    out.write("RIFF", 4);
    put_u32(out, 36 + data_bytes);
    out.write("WAVEfmt ", 8);
    put_u32(out, 16);          // size of the format block
    put_u16(out, 1);           // PCM
    put_u16(out, 1);           // mono
    put_u32(out, sample_rate);
    put_u32(out, sample_rate * 2); // bytes per second
    put_u16(out, 2);           // bytes per frame
    put_u16(out, 16);          // bits per sample
    out.write("data", 4);
    put_u32(out, data_bytes);
    for (float s : b) {
        long v = std::lround(std::min(1.0f, std::max(-1.0f, s)) * 32767.0f);
        put_u16(out, static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}
