// The sound files as the game's mixer reads them: well-formed 16-bit PCM
// at 44100 Hz, audible, short, clean at both ends and never clipping.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "data_fixture.h"

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
        // About -3 dBFS at the peak, well clear of clipping.
        EXPECT_GT(peak, 0.6 * 32768);
        EXPECT_LT(peak, 0.75 * 32768);
        EXPECT_GT(rms, 0.02) << "too quiet to hear";
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
