// The nine effects, each synthesised from oscillators, filtered noise and
// envelopes, and the table that names their files.
//
// Each effect's peak level places it in the game's balance, heard at the
// volume the game plays it at: shots (a fifth of full volume, five times a
// second) soft and well under a clang; kills, coins, a broken ball and a
// scoop about level with a clang; an explosion some 4 dB above it. CLANG and
// BOOM also come several at once in step (a ship pushed out of a wall: three
// clangs; a ufo killed by a rocket: four booms), and the mixer adds them
// sample for sample, so their peaks leave room for that many.
#include "sounds.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "random.h"

namespace sounds {

namespace {
using synth::attack_decay;
using synth::biquad;
using synth::buffer;
using synth::oscillator;
using synth::time_at;

// One struck mode of a bell or a metal bar: a pair of slightly detuned
// sines (the beating makes it shimmer) with its own decay.
struct mode {
    float ratio, level, decay;
};

void add_modes(buffer& b, float start, float base_hz, const std::vector<mode>& modes, float detune)
{
    for (const mode& m : modes) {
        oscillator one, two;
        for (size_t i = synth::index_at(start); i < b.size(); ++i) {
            float t = time_at(i) - start;
            float hz = base_hz * m.ratio;
            float v = 0.5f * (one.sine(hz) + two.sine(hz * (1 + detune)));
            b[i] += m.level * attack_decay(t, 0.0015f, m.decay) * v;
        }
    }
}

// A short burst of band-passed noise: strikes, clicks and sparks.
void add_noise_burst(buffer& b, gen::rng& r, float start, float centre_hz, float q, float decay, float level)
{
    biquad band;
    band.bandpass(centre_hz, q);
    size_t end = std::min(b.size(), synth::index_at(start + decay * 7));
    for (size_t i = synth::index_at(start); i < end; ++i)
        b[i] += level * attack_decay(time_at(i) - start, 0.0008f, decay) * band.process(r.signed_unit());
}

// A firework bursting: a sharp crack with a low thump, then crackling sparks.
buffer pop()
{
    buffer b = synth::make_buffer(0.55f);
    gen::rng r(101);
    biquad crack;
    crack.lowpass(3500, 0.9f);
    oscillator thump;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time_at(i);
        b[i] += attack_decay(t, 0.001f, 0.03f) * crack.process(r.signed_unit());
        b[i] += 0.8f * attack_decay(t, 0.001f, 0.05f) * thump.sine(55 + 110 * std::exp(-t / 0.03f));
    }
    for (int i = 0; i < 45; ++i) {
        float start = 0.035f + 0.4f * std::pow(r.uniform(), 1.6f);
        float level = 0.9f * (1 - start / 0.5f) * r.range(0.3f, 1);
        add_noise_burst(b, r, start, r.range(2500, 6000), 2.5f, r.range(0.0015f, 0.004f), level);
    }
    synth::finish(b, -9.3f); // a spiky sound: a high peak for its loudness
    return b;
}

// Metal struck hard: the inharmonic modes of a bar over a short strike.
buffer clang()
{
    buffer b = synth::make_buffer(1.0f);
    gen::rng r(202);
    add_modes(b, 0, 523,
              {{1.0f, 1.0f, 0.28f},
               {2.32f, 0.5f, 0.2f},
               {2.76f, 0.65f, 0.22f},
               {4.25f, 0.3f, 0.13f},
               {5.4f, 0.35f, 0.14f},
               {6.8f, 0.18f, 0.09f},
               {8.93f, 0.12f, 0.06f}},
              0.004f);
    add_noise_burst(b, r, 0, 3200, 1.2f, 0.004f, 1.2f);
    synth::finish(b, -14.2f); // three at once stay below -1 dBFS
    return b;
}

// Glass breaking: a bright crash, then shards ringing and tinkling down.
buffer shatter()
{
    buffer b = synth::make_buffer(0.9f);
    gen::rng r(303);
    biquad hiss;
    hiss.highpass(2500, 0.7f);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] += 0.9f * attack_decay(time_at(i), 0.002f, 0.07f) * hiss.process(r.signed_unit());
    for (int i = 0; i < 80; ++i) {
        float start = 0.7f * r.uniform() * r.uniform();
        float hz = r.range(2200, 7000);
        float decay = r.range(0.015f, 0.07f);
        float level = 0.28f * (1 - start / 0.8f) * r.range(0.4f, 1);
        add_modes(b, start, hz, {{1, level, decay}, {2.71f, 0.4f * level, 0.5f * decay}}, 0.002f);
        if (i % 3 == 0)
            add_noise_burst(b, r, start, hz * 0.8f, 3, 0.002f, 2 * level);
    }
    synth::finish(b, -15.5f); // bright and dense: it carries at a low peak
    return b;
}

// A soft shot: a puff of noise whose brightness falls away ("pfft").
buffer whiteout()
{
    buffer b = synth::make_buffer(0.2f);
    gen::rng r(404);
    biquad band, low;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time_at(i);
        band.bandpass(1400 + 4200 * std::exp(-t / 0.04f), 0.9f);
        low.lowpass(7000, 0.7f);
        b[i] = attack_decay(t, 0.004f, 0.045f) * low.process(band.process(r.signed_unit()));
    }
    synth::finish(b, -13.3f); // played at 0.2: a soft stream of shots
    return b;
}

// A heavy shot: a bass thump falling in pitch with a muffled puff ("doof").
buffer whitebass()
{
    buffer b = synth::make_buffer(0.3f);
    gen::rng r(505);
    oscillator body;
    biquad puff;
    puff.lowpass(450, 0.8f);
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time_at(i);
        float v = attack_decay(t, 0.003f, 0.06f) * body.sine(42 + 100 * std::exp(-t / 0.045f));
        v += 0.9f * attack_decay(t, 0.002f, 0.03f) * puff.process(r.signed_unit());
        b[i] = std::tanh(1.6f * v);
    }
    synth::finish(b, -15.9f); // soft as a Shover shot at 0.2, not loud from a ufo at 1.0
    return b;
}

// An explosion: a roar of noise darkening as it dies, over a deep rumble.
buffer boom()
{
    buffer b = synth::make_buffer(1.2f);
    gen::rng r(606);
    biquad roar, crackle;
    crackle.highpass(1800, 0.7f);
    oscillator sub;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time_at(i);
        roar.lowpass(110 + 2600 * std::exp(-t / 0.25f), 0.9f);
        float noise = r.signed_unit();
        float v = 1.4f * (0.7f * attack_decay(t, 0.004f, 0.28f) + 0.3f * attack_decay(t, 0.004f, 0.5f)) *
                  roar.process(noise);
        v += 0.35f * attack_decay(t, 0.001f, 0.04f) * crackle.process(noise);
        v += 0.8f * attack_decay(t, 0.006f, 0.3f) * sub.sine(28 + 45 * std::exp(-t / 0.12f));
        b[i] = std::tanh(1.6f * v);
    }
    synth::finish(b, -13.1f); // four at once (a ufo killed by a rocket) stay below -1 dBFS
    return b;
}

// A cash register: the clunk of the keys and drawer, then two bright bells.
buffer cashregister()
{
    buffer b = synth::make_buffer(0.95f);
    gen::rng r(707);
    oscillator clunk;
    for (size_t i = 0; i < synth::index_at(0.1f); ++i) {
        float t = time_at(i);
        b[i] += 0.5f * attack_decay(t, 0.001f, 0.02f) * clunk.sine(150 + 90 * std::exp(-t / 0.01f));
    }
    add_noise_burst(b, r, 0, 1200, 1.5f, 0.01f, 1.0f);
    add_noise_burst(b, r, 0.055f, 2400, 2, 0.006f, 0.7f);
    const std::vector<mode> bell = {{1, 1, 0.24f},      {2.0f, 0.45f, 0.17f}, {2.76f, 0.3f, 0.14f},
                                    {3.0f, 0.25f, 0.12f}, {4.07f, 0.15f, 0.08f}, {5.2f, 0.1f, 0.06f}};
    add_modes(b, 0.09f, 1975.5f, bell, 0.0025f);
    buffer second = synth::make_buffer(0.95f);
    add_modes(second, 0.14f, 2637.0f, bell, 0.003f);
    synth::mix_into(b, second, 0, 0.7f);
    synth::finish(b, -8.4f); // played at 0.3
    return b;
}

// A rubbery bounce: a twangy tone that leaps up and wobbles ("boink").
// Short, so the volleys of a ufo (two every 0.1 s) hold few mixing channels.
buffer bounce()
{
    buffer b = synth::make_buffer(0.22f);
    oscillator carrier, modulator;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time_at(i);
        float wobble = 1 + 0.05f * std::sin(6.2831853f * 24 * t) * std::exp(-t / 0.12f);
        float hz = (240 + 300 * (1 - std::exp(-t / 0.018f))) * wobble;
        float index = 0.6f + 2.2f * std::exp(-t / 0.05f);
        float phase = 6.2831853f * carrier.advance(hz) + index * modulator.sine(hz);
        b[i] = attack_decay(t, 0.002f, 0.055f) * std::sin(phase);
    }
    synth::finish(b, -22.1f); // a ufo plays two ten times a second
    return b;
}

// A slurp: gurgling noise through a narrow filter sweeping upwards, with
// wet little bubbles along the way.
buffer slurp()
{
    buffer b = synth::make_buffer(0.6f);
    gen::rng r(909);
    biquad throat, low;
    low.lowpass(3000, 0.7f);
    oscillator buzz, gurgle;
    float gurgle_rate = 22;
    for (size_t i = 0; i < b.size(); ++i) {
        float t = time_at(i);
        // The gurgle rate wanders a little, so the bubbles are uneven.
        if (i % 2205 == 0)
            gurgle_rate = r.range(16, 30);
        float sweep = synth::smoothstep(0.0f, 0.45f, t);
        throat.bandpass(260 + 1700 * sweep * sweep + 500 * synth::smoothstep(0.38f, 0.48f, t), 5);
        float source = 0.6f * r.signed_unit() + 0.4f * (2 * buzz.advance(95 + 60 * sweep) - 1);
        float bubble = 0.35f + 0.65f * std::pow(std::fabs(gurgle.sine(gurgle_rate)), 3.0f);
        float env = synth::smoothstep(0, 0.06f, t) * synth::smoothstep(0.56f, 0.42f, t);
        b[i] = env * bubble * low.process(throat.process(source));
    }
    for (int i = 0; i < 5; ++i) {
        float start = 0.06f + 0.09f * i + r.range(-0.025f, 0.025f);
        float level = r.range(0.2f, 0.35f);
        oscillator pip;
        for (size_t k = synth::index_at(start); k < synth::index_at(start + 0.03f) && k < b.size(); ++k) {
            float t = time_at(k) - start;
            b[k] += level * attack_decay(t, 0.002f, 0.008f) * pip.sine(500 + 30000 * t);
        }
    }
    synth::finish(b, -15.0f);
    return b;
}
}

const std::vector<effect>& effects()
{
    static const std::vector<effect> all = {
        {"pop.wav", pop},
        {"clang.wav", clang},
        {"shatter.wav", shatter},
        {"whiteout25.wav", whiteout},
        {"whitebass25.wav", whitebass},
        {"boom.wav", boom},
        {"cashregister.wav", cashregister},
        {"bounce.wav", bounce},
        {"slurp.wav", slurp},
    };
    return all;
}

void write_effects(const std::string& dir, const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        bool known = false;
        for (const effect& e : effects())
            known = known || file == e.file;
        if (!known)
            throw std::runtime_error("unknown sound: " + file);
    }
    std::filesystem::create_directories(dir);
    for (const effect& e : effects()) {
        bool wanted = files.empty();
        for (const std::string& file : files)
            wanted = wanted || file == e.file;
        if (wanted)
            synth::write_wav(e.make(), (std::filesystem::path(dir) / e.file).string());
    }
}

}
