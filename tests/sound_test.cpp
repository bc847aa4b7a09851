// Sound effects: loading from the sound directory, channel choice, volumes,
// and running silent without a device or without files.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "debug.h"
#include "sound.h"
#include "sound_table.h"
#include "test_support.h"

namespace {
// A mono 16-bit 44100 Hz WAV of the given length.
void write_wav(const std::string& path, int samples)
{
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + samples * 2);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(44100 * 2);
    u16(2);
    u16(16);
    out << "data";
    u32(samples * 2);
    for (int i = 0; i < samples; ++i)
        u16(static_cast<uint16_t>((i % 100) * 100));
}

int busy_channels()
{
    int busy = 0;
    for (int i = 0; i < Mix_AllocateChannels(-1); ++i)
        busy += Mix_Playing(i) != 0;
    return busy;
}

class sound_test : public run_dir_test {
protected:
    void TearDown() override
    {
        sound::kill();
        run_dir_test::TearDown();
    }
    // Every file of the table, each ten seconds long so it keeps playing.
    void write_all_effects()
    {
        for (const sound::sound_file& row : sound::sound_table) {
            if (*row.file)
                write_wav(path(std::string("sounds/") + row.file), 441000);
        }
    }
};
}

TEST(sound_volume, fractions_become_channel_volumes)
{
    struct {
        float volume;
        int channel;
    } cases[] = {{1.0f, 128}, {0.5f, 64}, {0.3f, 38}, {0.25f, 32}, {0.2f, 25}, {0.0f, 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.volume);
        EXPECT_EQ(sound::channel_volume(c.volume), c.channel);
    }
}

TEST(sound_table, lists_every_effect_in_id_order)
{
    ASSERT_EQ(sizeof(sound::sound_table) / sizeof(sound::sound_table[0]), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sound::sound_table[i].id, i);
    EXPECT_STREQ(sound::sound_table[sound::SILENCE].file, "");
    EXPECT_STREQ(sound::sound_table[sound::CRASH].file, "shatter.wav");
}

TEST_F(sound_test, loads_every_file_and_plays_on_the_lowest_idle_channel)
{
    write_all_effects();
    testing::internal::CaptureStdout();
    sound::init();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Mix_AllocateChannels(-1), 16);
    for (int id = sound::POP; id <= sound::SLURRRP; ++id)
        EXPECT_NE(sound::sounds[static_cast<sound::snd_id>(id)], nullptr) << id;

    sound::play(sound::BOOM, 0.5f);
    EXPECT_NE(Mix_Playing(0), 0);
    EXPECT_EQ(Mix_Volume(0, -1), 64);
    // The same effect twice in a row sounds twice.
    sound::play(sound::BOOM);
    EXPECT_NE(Mix_Playing(1), 0);
    EXPECT_EQ(Mix_Volume(1, -1), 128);
    EXPECT_EQ(busy_channels(), 2);
}

TEST_F(sound_test, takes_the_first_gap_and_drops_a_request_when_all_are_busy)
{
    write_all_effects();
    sound::init();
    Mix_Chunk* chunk = sound::sounds[sound::POP];
    for (int i : {0, 1, 2, 4})
        Mix_PlayChannelTimed(i, chunk, -1, -1);
    sound::play(sound::CLANG, 0.2f);
    EXPECT_NE(Mix_Playing(3), 0);
    EXPECT_EQ(Mix_Volume(3, -1), 25);
    EXPECT_EQ(Mix_Playing(5), 0);

    for (int i = 0; i < 16; ++i) {
        if (!Mix_Playing(i))
            Mix_PlayChannelTimed(i, chunk, -1, -1);
    }
    ASSERT_EQ(busy_channels(), 16);
    Mix_Volume(15, 100);
    sound::play(sound::KACHING, 1.0f);
    EXPECT_EQ(busy_channels(), 16);
    EXPECT_EQ(Mix_Volume(15, -1), 100);
}

TEST_F(sound_test, silence_and_unloaded_effects_play_nothing)
{
    write_wav(path("sounds/pop.wav"), 44100);
    write_file("sounds/clang.wav", "not a wave file");
    sound::init();
    EXPECT_EQ(sound::sounds[sound::SILENCE], nullptr);
    EXPECT_EQ(sound::sounds[sound::CLANG], nullptr);
    sound::play(sound::SILENCE);
    sound::play(sound::CLANG);
    sound::play(sound::BOINK);
    EXPECT_EQ(busy_channels(), 0);
    sound::play(sound::POP);
    EXPECT_EQ(busy_channels(), 1);
}

TEST_F(sound_test, missing_sound_directory_is_silent_without_a_message)
{
    std::system(("rm -rf " + path("sounds")).c_str());
    testing::internal::CaptureStdout();
    sound::init();
    for (int id = sound::SILENCE; id <= sound::SLURRRP; ++id)
        sound::play(static_cast<sound::snd_id>(id));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(busy_channels(), 0);
}

TEST_F(sound_test, without_a_device_init_logs_and_throws_and_play_is_ignored)
{
    write_all_effects();
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStdout();
    EXPECT_THROW(sound::init(), whinage);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "sound, line 37: Sound init failed\n\n");
    EXPECT_TRUE(sound::sounds.empty());
    sound::play(sound::BOOM);
    sound::kill();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}
