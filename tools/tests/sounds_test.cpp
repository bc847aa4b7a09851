// The sound files as the game's mixer reads them: well-formed 16-bit PCM
// at 44100 Hz, audible, short, clean at both ends and never clipping; the
// same samples however often they are made; and balanced against each
// other as the player hears them in play.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "data_fixture.h"
#include "mixer_model.h"
#include "sounds.h"

namespace {
// The files the game's sound table names.
const char* const game_sounds[] = {"pop.wav",  "clang.wav",        "shatter.wav", "whiteout25.wav", "whitebass25.wav",
                                   "boom.wav", "cashregister.wav", "bounce.wav",  "slurp.wav"};
}

TEST(sound_files, exactly_the_games_nine_are_written)
{
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(generated_sounds()))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, std::set<std::string>(std::begin(game_sounds), std::end(game_sounds)));
}

TEST(sound_files, are_clean_short_pcm_below_full_scale)
{
    std::set<std::vector<int16_t>> distinct;
    for (const char* name : game_sounds) {
        SCOPED_TRACE(name);
        wav_sound w;
        std::string error = read_wav(generated_sounds() + "/" + name, w);
        ASSERT_EQ(error, "");
        EXPECT_EQ(w.format, 1) << "PCM";
        EXPECT_EQ(w.channels, 1);
        EXPECT_EQ(w.rate, 44100);
        EXPECT_EQ(w.bits, 16);
        double seconds = static_cast<double>(w.samples.size()) / 44100;
        EXPECT_GE(seconds, 0.05);
        EXPECT_LE(seconds, 1.25);
        ASSERT_FALSE(w.samples.empty());

        int peak = 0;
        double energy = 0;
        for (int16_t s : w.samples) {
            peak = std::max(peak, std::abs(static_cast<int>(s)));
            energy += static_cast<double>(s) * s;
        }
        double rms = std::sqrt(energy / w.samples.size()) / 32768;
        // At most -1 dBFS, clear of clipping; not so low that the 16 bits
        // are wasted (the balance below sets each level).
        EXPECT_LE(peak, 0.891 * 32768);
        EXPECT_GT(peak, 0.063 * 32768);
        // A floor against a file gone all but silent; how loud each one is
        // heard is the balance's business.
        EXPECT_GT(rms, 0.015) << "too quiet to hear";
        // Faded in and out: no click at either end.
        EXPECT_LT(std::abs(w.samples.front()), 100);
        EXPECT_LT(std::abs(w.samples.back()), 100);
        // The sound has died away by itself before the final fade, rather
        // than being cut off while still ringing.
        size_t fade = 44100 / 50, window = w.samples.size() / 10;
        double tail = 0;
        for (size_t i = w.samples.size() - fade - window; i < w.samples.size() - fade; ++i)
            tail += static_cast<double>(w.samples[i]) * w.samples[i];
        EXPECT_LT(std::sqrt(tail / window) / peak, 0.03) << "still ringing at the end";
        distinct.insert(w.samples);
    }
    EXPECT_EQ(distinct.size(), std::size(game_sounds)) << "two effects are the same sound";
}

TEST(sound_files, making_an_effect_again_gives_the_same_samples)
{
    // Made in the table's order, then again backwards: an effect must not
    // depend on what was made before it.
    std::vector<synth::buffer> forward;
    for (const sounds::effect& e : sounds::effects())
        forward.push_back(e.make());
    for (size_t i = sounds::effects().size(); i-- > 0;) {
        SCOPED_TRACE(sounds::effects()[i].file);
        EXPECT_TRUE(sounds::effects()[i].make() == forward[i]);
    }
}

namespace {
// The samples of a generated effect, read once.
const std::vector<int16_t>& effect_samples(const std::string& file)
{
    static std::map<std::string, std::vector<int16_t>> read;
    auto found = read.find(file);
    if (found != read.end())
        return found->second;
    wav_sound w;
    std::string error = read_wav(generated_sounds() + "/" + file, w);
    EXPECT_EQ(error, "") << file;
    return read[file] = w.samples;
}

// One kind of sound::play call in a stretch of play: the effect, the
// caller's volume, how many calls in the same frame, and how often they
// repeat (in seconds, 0 for once) and how many times.
struct cue {
    const char* file;
    float volume;
    int at_once;
    double every;
    int times;
};

// A moment of play as the player hears it, and where its loudness must land.
struct situation {
    const char* what;
    std::vector<cue> cues;
    double quietest, loudest; // LUFS
    int most_channels;
};

// The requests a situation makes. A repeating cue fires in the frame in
// which the game's clock (0.04 s a frame) crosses a multiple of its period,
// as the weapons' reloads and the ufo's timers do.
std::vector<mixer_model::request> requests_of(const situation& s)
{
    std::vector<mixer_model::request> made;
    for (const cue& c : s.cues) {
        int fired = 0;
        for (int frame = 0; fired < c.times; ++frame) {
            auto period = [&](int f) { return std::floor(f * mixer_model::frame_seconds / c.every + 1e-6); };
            bool now = frame == 0 || (c.every > 0 && period(frame) > period(frame - 1));
            if (!now)
                continue;
            for (int k = 0; k < c.at_once; ++k)
                made.push_back({&effect_samples(c.file), c.volume, frame});
            ++fired;
        }
    }
    return made;
}

const char* const pfft = "whiteout25.wav";
const char* const doof = "whitebass25.wav";

const std::vector<situation>& situations()
{
    static const std::vector<situation> all = {
        {"a Peashooter firing, five shots a second", {{pfft, 0.2f, 1, 0.2, 10}}, -39.6, -35.6, 2},
        {"a Rapishooter firing, a shot every other frame", {{pfft, 0.2f, 1, 0.08, 25}}, -36.1, -31.6, 3},
        {"a Shover firing, five shots a second", {{doof, 0.2f, 1, 0.2, 10}}, -40.1, -35.6, 2},
        {"a character typed into the hi-score name", {{pfft, 1.0f, 1, 0, 1}}, -29.1, -24.6, 1},
        {"a firework launched", {{pfft, 0.3f, 1, 0, 1}}, -39.6, -34.6, 1},
        {"a firework bursting", {{"pop.wav", 0.5f, 1, 0, 1}}, -34.1, -30.1, 1},
        {"the ship striking a wall", {{"clang.wav", 1.0f, 1, 0, 1}}, -28.1, -25.1, 1},
        {"the ship bumping a wall at half the full-volume speed", {{"clang.wav", 0.5f, 1, 0, 1}}, -34.6, -30.6, 1},
        {"the ship striking a wall and pushed out of it", {{"clang.wav", 1.0f, 3, 0, 1}}, -19.6, -14.6, 3},
        {"a ball breaking", {{"shatter.wav", 1.0f, 1, 0, 1}}, -27.6, -23.6, 1},
        {"a bobbler, an invader or a large asteroid killed", {{"pop.wav", 1.0f, 1, 0, 1}}, -28.1, -24.1, 1},
        {"a small asteroid broken", {{"pop.wav", 0.25f, 1, 0, 1}}, -40.6, -35.6, 1},
        {"an explosion: a rocket, a miner or a ufo's rocket", {{"boom.wav", 1.0f, 1, 0, 1}}, -24.1, -20.6, 1},
        {"a ufo destroyed", {{"boom.wav", 1.0f, 3, 0, 1}}, -15.1, -11.1, 3},
        // The ufo's three and the Rocket's own, all in one frame.
        {"a ufo destroyed by a rocket", {{"boom.wav", 1.0f, 4, 0, 1}}, -12.6, -8.6, 4},
        {"a coin collected", {{"cashregister.wav", 0.3f, 1, 0, 1}}, -29.6, -25.6, 1},
        {"a coin bouncing", {{"bounce.wav", 1.0f, 1, 0, 1}}, -37.1, -33.1, 1},
        {"a ufo's volleys, two guns ten times a second", {{"bounce.wav", 1.0f, 2, 0.1, 30}}, -25.1, -21.1, 6},
        {"a ufo's rockets, five a second", {{doof, 1.0f, 1, 0.2, 5}}, -26.1, -21.6, 2},
        {"an enemy scooped", {{"slurp.wav", 1.0f, 1, 0, 1}}, -28.6, -24.6, 1},
        {"a ufo destroyed while the ship, firing, sweeps up its coins",
         {{"boom.wav", 1.0f, 3, 0, 1}, {pfft, 0.2f, 1, 0.2, 10}, {"cashregister.wav", 0.3f, 1, 0.08, 10}},
         -15.1,
         -10.6,
         16},
    };
    return all;
}

double loudness_of(const char* what)
{
    for (const situation& s : situations())
        if (std::string(s.what) == what)
            return mixer_model::loudness(mixer_model::play(requests_of(s)));
    ADD_FAILURE() << "no situation " << what;
    return 0;
}
}

TEST(sound_balance, each_moment_of_play_lands_in_its_window_unclipped)
{
    for (const situation& s : situations()) {
        SCOPED_TRACE(s.what);
        mixer_model::mix m = mixer_model::play(requests_of(s));
        double lufs = mixer_model::loudness(m);
        EXPECT_GE(lufs, s.quietest);
        EXPECT_LE(lufs, s.loudest);
        // The mixer saturates its sum at full scale: keep a decibel clear.
        EXPECT_LE(mixer_model::peak_dbfs(m), -1.0);
        EXPECT_EQ(m.dropped, 0) << "a request found every channel busy";
        EXPECT_LE(m.busiest, s.most_channels);
    }
}

TEST(sound_balance, explosions_stand_out_and_shots_stay_soft)
{
    double boom = loudness_of("an explosion: a rocket, a miner or a ufo's rocket");
    double clang = loudness_of("the ship striking a wall");
    double shots = loudness_of("a Peashooter firing, five shots a second");
    double volleys = loudness_of("a ufo's volleys, two guns ten times a second");
    EXPECT_GE(boom - clang, 2) << "an explosion should be bigger than a clang";
    EXPECT_LE(boom - clang, 6.5) << "but not overwhelm it";
    EXPECT_GE(clang - shots, 9) << "a stream of shots should sit well under the events";
    EXPECT_LE(volleys - boom, 1) << "a ufo's guns should not drown its explosions";
    EXPECT_GE(loudness_of("a coin bouncing") - shots, 1) << "a bounce should be heard over the shots";
}

TEST(mixer_model, reads_tones_as_the_standard_weighting_does)
{
    // Tones of one second at -20 dBFS. At 997 Hz the mono effect on both
    // channels reads -20 LUFS; the weighting leaves 100 Hz nearly alone,
    // lifts the treble by about 3.4 dB and all but ignores a deep rumble.
    const struct {
        double hz, quietest, loudest;
    } tones[] = {{997, -20.15, -19.85}, {100, -22.1, -21.5}, {10000, -16.95, -16.35}, {20, -99, -30}};
    for (const auto& tone : tones) {
        SCOPED_TRACE(tone.hz);
        std::vector<int16_t> s(mixer_model::rate);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<int16_t>(std::lround(3276.7 * std::sin(6.283185307179586 * tone.hz * i / s.size())));
        double lufs = mixer_model::loudness(mixer_model::play({{&s, 1.0f, 0}}));
        EXPECT_GE(lufs, tone.quietest);
        EXPECT_LE(lufs, tone.loudest);
    }
}

TEST(mixer_model, plays_as_the_games_mixer_does)
{
    const std::vector<int16_t> one(4096, 10000);
    // A fifth of full volume is channel volume 25 of 128, rounded toward zero.
    mixer_model::mix soft = mixer_model::play({{&one, 0.2f, 0}});
    EXPECT_EQ(soft.sum[0], 10000 * 25 / 128);
    // Requests of one frame start together and add up sample for sample.
    mixer_model::mix three = mixer_model::play({{&one, 1.0f, 2}, {&one, 1.0f, 2}, {&one, 1.0f, 2}});
    EXPECT_EQ(*std::max_element(three.sum.begin(), three.sum.end()), 30000);
    EXPECT_EQ(three.busiest, 3);
    // Sixteen channels: a seventeenth request in the same frame is dropped,
    // and one made after the effects have ended finds a channel again.
    std::vector<mixer_model::request> crowd(17, {&one, 1.0f, 0});
    crowd.push_back({&one, 1.0f, 10});
    mixer_model::mix crowded = mixer_model::play(crowd);
    EXPECT_EQ(crowded.dropped, 1);
    EXPECT_EQ(crowded.busiest, 16);
}
