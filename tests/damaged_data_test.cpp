// The whole program, from the title through one game to Escape on the
// title, in run folders whose data is missing or damaged: no pictures, no
// sounds, a cut WAV, PNGs that are text or cut short, a save folder the
// table cannot be written to. Each time the damage shows as the game says
// it does (a labelled placeholder picture with its log line, silence, the
// hi-score message), the game goes on, and the program ends with 0.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "arena.h"
#include "dirs.h"
#include "enemies.h"
#include "game.h"
#include "sound.h"
#include "sound_table.h"
#include "test_support.h"
#include "vantrel_private.h"

namespace fs = std::filesystem;

namespace {
// A closed room: the ship falls to the floor under a turret that faces up
// and away from it, which its Peashooter brings down in a second.
const char* const one_room =
    "L:START\n"
    "A:#########\n"
    "A:#.......#\n"
    "A:#...U...#\n"
    "A:#.......#\n"
    "A:#.......#\n"
    "A:#...S...#\n"
    "A:#.......#\n"
    "A:#.......#\n"
    "A:#########\n"
    "L:END\n";
// Where the 9 x 9 map and the turret show on a 640 x 480 screen.
const int view_x = (640 - 9 * 32) / 2, view_y = (448 - 9 * 32) / 2;
const int turret_x = view_x + 4 * 32, turret_y = view_y + 2 * 32;

// The default table as a file: a game that saves it prints nothing. Its
// tenth score is 1.
const std::string default_table =
    "Zorp 500000\nZorp 300000\nZorp 200000\nZorp 100000\nZorp 50000\n"
    "Zorp 20000\nZorp 10000\nDunx 5000\nDunx 2000\nDunx 1\n";
const std::string table_with_the_turret =
    "Zorp 500000\nZorp 300000\nZorp 200000\nZorp 100000\nZorp 50000\n"
    "Zorp 20000\nZorp 10000\nDunx 5000\nDunx 2000\nSomebody very lazy 200\n";
// The frame after which Escape is pressed: by then the turret is down and
// the ship has landed.
const int escape_frame = 80;
const std::string load_failure = "Failed to load scores from save/scores .  Creating default scores.\n";
const std::string save_failure = "Failed to write hi-scores to save/scores .\n";

std::string game_data(const std::string& dir) { return std::string(VANTREL_GAME_IMAGES) + "/../" + dir; }

int count_of(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::string::size_type at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The effect a mixer chunk belongs to, by the game's sound table.
bool effect_of(Mix_Chunk* chunk, sound::snd_id& id)
{
    for (const auto& entry : sound::sounds) {
        if (entry.second && entry.second == chunk) {
            id = entry.first;
            return true;
        }
    }
    return false;
}

// ------------------------------------------------------------ the script

// The play loop's clock and pause, faked: the frames run at once, and the
// pause at the end of each frame runs the script.
frame_script* the_script = nullptr;

// A frame's work takes no time on this clock: each pause is the whole 40 ms.
Uint32 fake_ticks() { return the_script->now; }

// The end keys are pressed once, after the frame that ends the game.
void fake_delay(Uint32 ms)
{
    the_script->end_frame(ms);
    the_script->end_keys.clear();
}

// What one run showed.
struct run_result {
    int exit_code = -1;
    std::string out;
    int frames = 0;
    int score = -1;
    std::set<sound::snd_id> heard;
    bool any_channel_busy = false;
};

class damaged_data : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        hi_scores::forget_loaded_table();
        // The game's own pictures and sounds, the room and a good table.
        fs::copy(game_data("images"), path("images"), fs::copy_options::recursive);
        fs::copy(game_data("sounds"), path("sounds"), fs::copy_options::recursive);
        write_file(dirs::level_file, one_room);
        write_file(dirs::hiscore_file, default_table);
        the_script = &m_script;
        m_flags.emplace();
        m_pacing.emplace(fake_ticks, fake_delay);
    }
    void TearDown() override
    {
        m_pacing.reset();
        m_flags.reset();
        the_script = nullptr;
        hi_scores::forget_loaded_table();
        game::the_game = nullptr;  // the play loop leaves it on its finished game
        run_dir_test::TearDown();
    }

    // The program from its start: a key on the title, one game with the
    // fire button held and Escape after escape_frame frames (unless the
    // ship has left the room before), then the keys of the screens after
    // the game and Escape on the title. check runs after every frame.
    run_result run(const std::function<void(int n)>& check = nullptr)
    {
        run_result r;
        m_script.frames = 0;
        m_script.after_frame = [&](int n) {
            game& g = *game::the_game;
            r.score = g.m_player_status.score;
            // Effects are long beside a frame: what was played in this
            // frame still sounds at its end.
            for (int i = 0; i < Mix_AllocateChannels(-1); ++i) {
                if (!Mix_Playing(i))
                    continue;
                r.any_channel_busy = true;
                sound::snd_id id;
                if (effect_of(Mix_GetChunk(i), id))
                    r.heard.insert(id);
            }
            if (check)
                check(n);
            if (n == 1)
                push_key_down(SDLK_SPACE, ' ');
            if (n == escape_frame)
                push_key_down(SDLK_ESCAPE);
            // The frame that reads Escape, or the one that leaves the room,
            // is the game's last.
            if (n == escape_frame + 1 || g.m_arena->level_complete()) {
                // A score above the table's last enters it: Return ends the
                // name, F1 the fireworks; else Return ends the fireworks.
                if (r.score > 1)
                    m_script.end_keys = {SDLK_RETURN, SDLK_F1, SDLK_ESCAPE};
                else
                    m_script.end_keys = {SDLK_RETURN, SDLK_ESCAPE};
            }
        };
        push_key_down(SDLK_a, 'a');  // the first title
        char name[] = "vantrel";
        char* argv[] = {name, nullptr};
        {
            // Return and Escape over and over once the run has taken far too long.
            key_feeder guard(60000, {SDLK_RETURN, SDLK_ESCAPE}, 100);
            testing::internal::CaptureStdout();
            r.exit_code = SDL_main(1, argv);
            r.out = testing::internal::GetCapturedStdout();
            EXPECT_FALSE(guard.fed()) << "a screen waited for a key that never came";
        }
        r.frames = m_script.frames;
        m_script.after_frame = nullptr;
        if (HasFailure())
            std::cerr << r.out;
        return r;
    }

    void cut_file(const std::string& relative, size_t bytes)
    {
        std::string whole = read_file(relative);
        ASSERT_GT(whole.size(), bytes) << relative;
        write_file(relative, whole.substr(0, bytes));
    }

    // The picture the game's cache holds for a file name.
    SDL_Surface* cached(const std::string& file) { return game::the_game->m_bmp_pool.get_bitmap(file); }
    SDL_Surface* turret_picture()
    {
        for (int i = 0; i < game::the_game->m_arena->num_movers(); ++i) {
            if (turret* t = dynamic_cast<turret*>(game::the_game->m_arena->get_mover(i)))
                return t->pic();
        }
        return nullptr;
    }

    frame_script m_script;

private:
    std::optional<default_flags> m_flags;
    std::optional<fake_pacing> m_pacing;
};

// The screen as the program left it.
SDL_Surface* screen() { return SDL_GetVideoSurface(); }
}

// ------------------------------------------------------------- the control

TEST_F(damaged_data, intact_folder_plays_a_game_without_a_word)
{
    run_result r = run();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.frames, escape_frame + 1);
    EXPECT_EQ(r.score, 200) << "the turret was shot down";
    EXPECT_TRUE(r.heard.count(sound::PFFT)) << "the Peashooter was heard";
    EXPECT_TRUE(r.heard.count(sound::CLANG)) << "the landing was heard";
    EXPECT_EQ(read_file(dirs::hiscore_file), table_with_the_turret);
}

// -------------------------------------------------------------- the levels

TEST_F(damaged_data, without_the_level_file_the_program_ends_with_its_log_line)
{
    fs::remove_all(path("levels"));
    run_result r = run();
    // The game ends before its first frame, without the hi-score entry, and
    // so does the program, without a second title.
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "levels, line 177: Unable to load file: levels/levels.txt\n");
    EXPECT_EQ(r.frames, 0);
    EXPECT_EQ(read_file(dirs::hiscore_file), default_table);
}

// ---------------------------------------------------------------- pictures

TEST_F(damaged_data, without_images_every_picture_is_a_blank_placeholder_and_the_game_goes_on)
{
    fs::remove_all(path("images"));
    int checked = 0;
    run_result r = run([&](int n) {
        if (n != 1)
            return;
        ++checked;
        // The font is a placeholder too, so the words on every placeholder
        // are invisible: nothing of the room is solid or to be seen.
        for (const char* file : {"turret_up.png", "coin.png", "ball.png"}) {
            SCOPED_TRACE(file);
            SDL_Surface* p = cached(file);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p->w, 200);
            EXPECT_EQ(p->h, 20);
            bool blank = true;
            for (int y = 0; y < p->h; ++y)
                for (int x = 0; x < p->w; ++x)
                    blank = blank && pixel_rgba(p, x, y).a == 0;
            EXPECT_TRUE(blank);
        }
        EXPECT_EQ(turret_picture(), cached("turret_up.png"));
    });
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(r.exit_code, 0);
    // Each file that was asked for, with the path it was looked for at:
    // the font once a run, the title at each showing, a cached picture once
    // a game.
    EXPECT_EQ(count_of(r.out, "loadimag, line 111: Could not open images/font.png\n"), 1) << r.out;
    EXPECT_EQ(count_of(r.out, "loadimag, line 111: Could not open images/title.png\n"), 2) << r.out;
    EXPECT_EQ(count_of(r.out, "loadimag, line 111: Could not open images/turret_up.png\n"), 1) << r.out;
    EXPECT_GE(count_of(r.out, "loadimag, line 111: Could not open images/ship.png\n"), 1) << r.out;
    EXPECT_GE(count_of(r.out, "loadimag, line 111: Could not open images/block.png\n"), 1) << r.out;
    // Nothing held the ship: it fell out of the room, which completed the
    // level and the game; the score did not enter the table.
    EXPECT_LT(r.frames, escape_frame);
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(read_file(dirs::hiscore_file), default_table);
}

namespace {
struct picture_damage {
    const char* name;
    const char* file;
    // Writes the damaged file over the good one at path.
    std::function<void(const std::string& path)> damage;
    // The log line's message.
    std::string message;
};

std::string whole_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void overwrite(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

const picture_damage picture_damages[] = {
    {"turret_is_text", "turret_up.png",
     [](const std::string& p) { overwrite(p, "This is not a picture of a turret.\n"); },
     "images/turret_up.png is not a valid .PNG file!"},
    {"turret_is_empty", "turret_up.png", [](const std::string& p) { overwrite(p, ""); },
     "images/turret_up.png is not a valid .PNG file!"},
    {"turret_is_cut_short", "turret_up.png",
     [](const std::string& p) { overwrite(p, whole_file(p).substr(0, 60)); },
     "FATAL ERROR loading images/turret_up.png"},
    {"turret_has_a_damaged_chunk", "turret_up.png",
     [](const std::string& p) {
         std::string png = whole_file(p);
         // A byte of the first chunk's data: its CRC no longer holds.
         png[20] = static_cast<char>(png[20] ^ 0x40);
         overwrite(p, png);
     },
     "FATAL ERROR loading images/turret_up.png"},
};

void PrintTo(const picture_damage& d, std::ostream* out) { *out << d.name; }

class damaged_picture : public damaged_data, public testing::WithParamInterface<picture_damage> {};
}

TEST_P(damaged_picture, shows_as_the_labelled_placeholder_once_logged_and_the_game_goes_on)
{
    const picture_damage& d = GetParam();
    d.damage(path(std::string("images/") + d.file));
    bool looked = false;
    run_result r = run([&](int n) {
        if (n != 1)
            return;
        looked = true;
        SDL_Surface* p = turret_picture();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p, cached(d.file));
        ASSERT_EQ(p->w, 200);
        ASSERT_EQ(p->h, 20);
        // The path in the game's font, opaque on the transparent rest, and
        // drawn where the turret stands, cut at the room's right edge.
        int written = 0, shown = 0, compared = 0;
        for (int y = 0; y < p->h; ++y) {
            for (int x = 0; x < p->w; ++x) {
                rgba c = pixel_rgba(p, x, y);
                if (c.a == 0)
                    continue;
                EXPECT_EQ(c.a, 255);
                ++written;
                if (turret_x + x >= view_x + 9 * 32)
                    continue;
                ++compared;
                rgba on_screen = pixel_rgba(screen(), turret_x + x, turret_y + y);
                shown += on_screen.r == c.r && on_screen.g == c.g && on_screen.b == c.b;
            }
        }
        EXPECT_GT(written, 100) << "no words on the placeholder";
        EXPECT_GT(compared, 50);
        EXPECT_EQ(shown, compared);
    });
    EXPECT_TRUE(looked);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(count_of(r.out, "loadimag, line "), 1) << r.out;
    EXPECT_EQ(count_of(r.out, ": " + d.message + "\n"), 1) << r.out;
    EXPECT_EQ(r.frames, escape_frame + 1) << "the game ran to the Escape";
}

INSTANTIATE_TEST_SUITE_P(all, damaged_picture, testing::ValuesIn(picture_damages),
                         [](const testing::TestParamInfo<picture_damage>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(damaged_data, damaged_font_draws_no_text_and_the_game_goes_on)
{
    write_file("images/font.png", "Not a font.\n");
    run_result r = run([&](int n) {
        if (n != 1)
            return;
        // The status bar's texts are gone; its frame is still drawn.
        for (int x = 20; x < 100; ++x)
            for (int y = 453; y < 465; ++y)
                ASSERT_EQ(pixel_rgba(screen(), x, y), (rgba{0, 0, 0, 255})) << x << ", " << y;
        EXPECT_EQ(pixel_rgba(screen(), 0, 448), (rgba{255, 255, 255, 255}));
    });
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "loadimag, line 119: images/font.png is not a valid .PNG file!\n");
    EXPECT_EQ(r.score, 200);
    EXPECT_EQ(read_file(dirs::hiscore_file), table_with_the_turret);
}

// ------------------------------------------------------------------ sounds

TEST_F(damaged_data, without_sounds_the_game_is_silent_without_a_word)
{
    fs::remove_all(path("sounds"));
    bool looked = false;
    run_result r = run([&](int n) {
        if (n != 1)
            return;
        looked = true;
        // The device opened; no effect has a sound.
        for (const sound::sound_file& row : sound::sound_table)
            EXPECT_EQ(sound::sounds[row.id], nullptr) << row.file;
    });
    EXPECT_TRUE(looked);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.any_channel_busy) << "something was heard";
    // The game went on as ever: the turret went down and entered the table.
    EXPECT_EQ(r.score, 200);
    EXPECT_EQ(read_file(dirs::hiscore_file), table_with_the_turret);
}

TEST_F(damaged_data, cut_wav_files_play_what_they_hold_or_stay_silent)
{
    // The Peashooter's sound cut inside its header, the wall's inside its
    // samples: 0.1 seconds of its mono 16-bit sound are left.
    const size_t header = 44, kept = 4410 * 2;
    cut_file("sounds/whiteout25.wav", 30);
    cut_file("sounds/clang.wav", header + kept);
    bool looked = false;
    run_result r = run([&](int n) {
        if (n != 1)
            return;
        looked = true;
        EXPECT_EQ(sound::sounds[sound::PFFT], nullptr);
        Mix_Chunk* clang = sound::sounds[sound::CLANG];
        ASSERT_NE(clang, nullptr);
        // Never more than the file holds (in the mixer's stereo).
        EXPECT_LE(clang->alen, 2 * kept);
        EXPECT_GT(clang->alen, 0u);
        EXPECT_NE(sound::sounds[sound::BOOM], nullptr) << "the other effects are loaded";
    });
    EXPECT_TRUE(looked);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.heard.count(sound::PFFT)) << "the cut Peashooter sound was heard";
    EXPECT_TRUE(r.heard.count(sound::CLANG)) << "the landing, on what is left of its sound";
    EXPECT_EQ(r.score, 200);
}

// ------------------------------------------------------------ the hi-scores

namespace {
struct save_damage {
    const char* name;
    void (*damage)(const std::string& dir);
};

const save_damage save_damages[] = {
    // The game makes no folder of its own.
    {"no_save_folder", [](const std::string& dir) { fs::remove_all(dir + "/save"); }},
    // No folder can be made where a file stands, and nothing written in it.
    {"save_is_a_file",
     [](const std::string& dir) {
         fs::remove_all(dir + "/save");
         overwrite(dir + "/save", "not a folder\n");
     }},
    // The table's own name is taken by a folder: it reads as nothing, and
    // no file can take its place.
    {"scores_is_a_folder",
     [](const std::string& dir) {
         fs::remove(dir + "/" + dirs::hiscore_file);
         fs::create_directories(dir + "/" + dirs::hiscore_file + "/inside");
     }},
};

void PrintTo(const save_damage& d, std::ostream* out) { *out << d.name; }

class unwritable_save : public damaged_data, public testing::WithParamInterface<save_damage> {};
}

TEST_P(unwritable_save, says_so_keeps_the_entry_for_the_run_and_the_game_goes_on)
{
    GetParam().damage(m_dir);
    const fs::file_type before = fs::symlink_status(path("save")).type();
    run_result r = run();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.score, 200);
    // Read at the end of the game, failed and replaced by the defaults;
    // the new entry is saved, which fails; the fireworks and the title
    // follow as ever.
    EXPECT_EQ(r.out, load_failure + save_failure);
    // The table in memory keeps the entry for the rest of the run.
    ASSERT_EQ(hi_scores::scores().size(), 10u);
    EXPECT_EQ(hi_scores::scores()[9], 200);
    EXPECT_EQ(hi_scores::people()[9], "Somebody very lazy");
    EXPECT_FALSE(fs::is_regular_file(path(dirs::hiscore_file)));
    EXPECT_EQ(fs::symlink_status(path("save")).type(), before) << "the save folder was changed";
}

INSTANTIATE_TEST_SUITE_P(all, unwritable_save, testing::ValuesIn(save_damages),
                         [](const testing::TestParamInfo<save_damage>& info) {
                             return std::string(info.param.name);
                         });
