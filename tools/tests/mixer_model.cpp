// The mixer model and the K-weighted loudness of its output.
#include "mixer_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mixer_model {

namespace {
const double pi = 3.141592653589793;

// A second-order section in direct form I.
struct section {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    double process(double x)
    {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The BS.1770 pre-filter, derived for our sample rate from its analogue
// prototype (the published coefficients are for 48 kHz).
section shelf()
{
    const double f0 = 1681.974450955533, gain_db = 3.999843853973347, q = 0.7071752369554196;
    double k = std::tan(pi * f0 / rate);
    double vh = std::pow(10.0, gain_db / 20), vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

section low_cut()
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    double k = std::tan(pi * f0 / rate);
    double a0 = 1 + k / q + k * k;
    return {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

size_t buffer_start(int frame)
{
    double at = frame * frame_seconds * rate;
    return static_cast<size_t>(std::ceil(at / buffer_frames)) * buffer_frames;
}
}

mix play(const std::vector<request>& requests)
{
    mix m;
    // For each channel, the sample at which the mixer finds it idle again:
    // after the buffer in which its effect ends.
    std::vector<size_t> busy_until(channels, 0);
    std::vector<request> ordered = requests;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const request& a, const request& b) { return a.frame < b.frame; });
    for (const request& r : ordered) {
        size_t start = buffer_start(r.frame);
        int channel = -1;
        for (int i = 0; i < channels && channel < 0; ++i)
            if (busy_until[i] <= start)
                channel = i;
        if (channel < 0) {
            ++m.dropped;
            continue;
        }
        size_t end = start + r.samples->size();
        busy_until[channel] = (end + buffer_frames - 1) / buffer_frames * buffer_frames;
        int volume = static_cast<int>(128.0f * r.volume);
        if (m.sum.size() < end)
            m.sum.resize(end, 0);
        for (size_t i = 0; i < r.samples->size(); ++i)
            m.sum[start + i] += (*r.samples)[i] * volume / 128; // the mixer's own rounding, toward zero
        int sounding = 0;
        for (size_t until : busy_until)
            sounding += until > start;
        m.busiest = std::max(m.busiest, sounding);
    }
    return m;
}

double peak_dbfs(const mix& m)
{
    int32_t peak = 0;
    for (int32_t s : m.sum)
        peak = std::max(peak, std::abs(s));
    return peak > 0 ? 20 * std::log10(peak / 32768.0) : -200;
}

double loudness(const mix& m)
{
    const size_t window = rate * 4 / 10, hop = rate / 100;
    // Silence on either side, so a short effect is measured whole in one window.
    std::vector<double> energy(window + m.sum.size() + window, 0);
    section a = shelf(), b = low_cut();
    for (size_t i = 0; i < energy.size(); ++i) {
        double x = i >= window && i - window < m.sum.size() ? m.sum[i - window] / 32768.0 : 0;
        double y = b.process(a.process(x));
        energy[i] = y * y;
    }
    std::vector<double> total(energy.size() + 1, 0);
    for (size_t i = 0; i < energy.size(); ++i)
        total[i + 1] = total[i] + energy[i];
    double best = 0;
    for (size_t from = 0; from + window <= energy.size(); from += hop)
        best = std::max(best, (total[from + window] - total[from]) / window);
    // The mixer plays the mono effect on both output channels, which the
    // measure sums.
    return best > 0 ? -0.691 + 10 * std::log10(2 * best) : -200;
}

}
