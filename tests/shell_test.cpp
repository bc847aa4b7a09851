// The game shell: the command line, the title screen, level descriptions
// and screenshots.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "etc.h"
#include "game.h"
#include "png_fixture.h"
#include "test_support.h"
#include "text.h"
#include "vantrel_private.h"

namespace {
const char* const help_text =
    "\n"
    "It's a game, you know how to play games, don't you?\n"
    "\n"
    "Optional arguments:\n"
    "--fullscreen: run in fullscreen mode\n"
    "--window: run in window\n"
    "-r(number)x(number) Run in specified resolution.  \n"
    "    e.g. -r800x600.  Default is -r640x480.\n"
    "--show-dirs: show directories where vantrel looks for stuff\n"
    "--help: show this text which you are reading right now\n"
    "\n";

const char* const dirs_text =
    "Image directory: images\n"
    "Sound directory: sounds\n"
    "Level file: levels/levels.txt\n"
    "Hi Score file: save/scores\n"
    "\n";

struct args_case {
    std::vector<std::string> args;  // argv[0] included
    bool ends;
    std::string output;
    bool fullscreen;
    int width;
    int height;
};

const args_case args_cases[] = {
    {{"vantrel"}, false, "", true, 640, 480},
    {{"vantrel", "--help"}, true, help_text, true, 640, 480},
    {{"vantrel", "--window", "-r800x600", "--help"}, true, help_text, true, 640, 480},
    {{"vantrel", "--show-dirs", "--help"}, true, help_text, true, 640, 480},
    {{"vantrel", "--show-dirs", "--window"}, true, dirs_text, true, 640, 480},
    {{"--help"}, true, help_text, true, 640, 480},
    {{"vantrel", "--window"}, false, "", false, 640, 480},
    {{"vantrel", "--window", "--fullscreen"}, false, "", true, 640, 480},
    {{"vantrel", "--fullscreen", "--window"}, false, "", true, 640, 480},
    {{"vantrel", "--windowed"}, false, "", true, 640, 480},
    {{"vantrel", "-r1024x768"}, false, "Resolution: 1024x768\n", true, 1024, 768},
    {{"vantrel", "-r300x200"}, false, "Resolution: 300x200\n", true, 300, 200},
    {{"vantrel", "-r299x200"}, false,
     "Resolution: 299x200\n299x200??  You've got to be kidding.\n", true, 640, 480},
    {{"vantrel", "-r300x199"}, false,
     "Resolution: 300x199\n300x199??  You've got to be kidding.\n", true, 640, 480},
    {{"vantrel", "-r800x"}, false, "", true, 640, 480},
    {{"vantrel", "-rx600"}, false, "", true, 640, 480},
    {{"vantrel", "-r800x600junk"}, false, "Resolution: 800x600\n", true, 800, 600},
    {{"vantrel", "-r-5x-5"}, false, "Resolution: -5x-5\n-5x-5??  You've got to be kidding.\n",
     true, 640, 480},
    {{"vantrel", "-r 800x 600"}, false, "Resolution: 800x600\n", true, 800, 600},
    {{"vantrel", "-r99999999999x600"}, false, "", true, 640, 480},
    {{"vantrel", "-rabcx600"}, false, "", true, 640, 480},
    {{"vantrel", "-r800x600", "-r1024x768"}, false,
     "Resolution: 800x600\nResolution: 1024x768\n", true, 1024, 768},
    {{"vantrel", "-r1024x768", "-r10x10"}, false,
     "Resolution: 1024x768\nResolution: 10x10\n10x10??  You've got to be kidding.\n", true,
     1024, 768},
    // The first '-' need not lead the argument, but the first 'r' must follow it.
    {{"vantrel", "a-r800x600"}, false, "Resolution: 800x600\n", true, 800, 600},
    {{"vantrel", "r-r800x600"}, false, "", true, 640, 480},
    {{"vantrel", "--r800x600"}, false, "", true, 640, 480},
    {{"vantrel", "-x800r600"}, false, "", true, 640, 480},
    {{"-r800x600"}, false, "Resolution: 800x600\n", true, 800, 600},
    {{"vantrel", "levels.txt"}, false, "", true, 640, 480},
};

bool run_process_args(const std::vector<std::string>& args)
{
    std::vector<std::vector<char>> storage;
    std::vector<char*> argv;
    for (const std::string& a : args) {
        storage.emplace_back(a.begin(), a.end());
        storage.back().push_back('\0');
    }
    for (auto& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    return process_args(static_cast<int>(args.size()), argv.data());
}
}

TEST(command_line, options_table)
{
    for (const args_case& c : args_cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        default_flags start;
        testing::internal::CaptureStdout();
        bool ends = run_process_args(c.args);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
        EXPECT_EQ(ends, c.ends);
        EXPECT_EQ(flags::fullscreen, c.fullscreen);
        EXPECT_EQ(flags::width, c.width);
        EXPECT_EQ(flags::height, c.height);
    }
}

TEST(command_line, help_ends_the_program_before_sdl_starts)
{
    std::vector<std::string> args = {"vantrel", "--help"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDL_main(2, argv.data()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), help_text);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

namespace {
class screen_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        write_test_font(path("images/font.png"));
        m_screen = SDL_SetVideoMode(640, 480, 32, SDL_SWSURFACE);
        ASSERT_NE(m_screen, nullptr) << SDL_GetError();
    }
    void TearDown() override
    {
        text::exit();
        run_dir_test::TearDown();
    }
    // A title picture of a flat, recognisable colour.
    void write_title(int w, int h)
    {
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0xFFFF0000);
        ASSERT_TRUE(write_rgba_png(path("images/title.png"), w, h, pixels));
    }
    bool is_title(int x, int y) { return pixel_rgba(m_screen, x, y).b > 200; }
    SDL_Surface* m_screen = nullptr;
};
}

TEST_F(screen_test, title_is_centred_or_placed_at_the_corner)
{
    struct {
        int w, h, x, y;
    } cases[] = {
        {100, 50, 270, 215},
        {639, 478, 0, 1},
        {638, 480, 1, 0},
        {800, 600, 0, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.w);
        write_title(c.w, c.h);
        push_key(SDLK_a, 'a');
        EXPECT_FALSE(do_title_screen(m_screen));
        EXPECT_TRUE(is_title(c.x, c.y));
        if (c.x > 0) {
            EXPECT_FALSE(is_title(c.x - 1, c.y));
        }
        if (c.y > 0) {
            EXPECT_FALSE(is_title(c.x, c.y - 1));
        }
        int right = std::min(c.x + c.w, 640) - 1;
        EXPECT_TRUE(is_title(right, c.y));
    }
}

TEST_F(screen_test, title_lines_stand_relative_to_the_picture)
{
    write_title(100, 50);
    push_key(SDLK_a, 'a');
    do_title_screen(m_screen);
    // picture at (270, 215): lines at (570, 515) and (570, 530), off a 480
    // screen; a picture filling the screen puts them at (300, 300).
    write_title(640, 480);
    push_key(SDLK_a, 'a');
    do_title_screen(m_screen);
    EXPECT_EQ(glyph_at(m_screen, 300, 300), 'P' - 32);
    EXPECT_EQ(glyph_at(m_screen, 308, 300), 'r' - 32);
    EXPECT_EQ(glyph_at(m_screen, 300, 315), 'O' - 32);
}

TEST_F(screen_test, title_ends_on_a_key_down_and_escape_means_quit)
{
    write_title(640, 480);
    struct {
        SDLKey key;
        bool quits;
    } cases[] = {{SDLK_SPACE, false}, {SDLK_RETURN, false}, {SDLK_ESCAPE, true}, {SDLK_z, false}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.key);
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);  // closing the window does nothing here
        SDL_Event up = {};
        up.type = SDL_KEYUP;
        up.key.keysym.sym = SDLK_ESCAPE;
        SDL_PushEvent(&up);
        push_key(c.key);
        EXPECT_EQ(do_title_screen(m_screen), c.quits);
    }
}

TEST_F(screen_test, missing_title_still_shows_the_screen)
{
    push_key(SDLK_ESCAPE);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(do_title_screen(m_screen));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "loadimag, line 111: Could not open images/title.png\n");
}

namespace {
void press_space() { push_key(SDLK_SPACE, ' '); }
}

TEST_F(screen_test, description_draws_each_finished_line_and_waits)
{
    struct {
        std::string text;
        std::vector<std::pair<int, int>> lines;  // (y, first cell) of each drawn line
        int gaps;
    } cases[] = {
        {"A\nB", {{20, 'A' - 32}}, 1},
        {"A\n\nB\n", {{20, 'A' - 32}, {50, 'B' - 32}}, 3},
        {"", {}, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.text);
        SDL_FillRect(m_screen, nullptr, 0);
        push_key(SDLK_x);  // drained before the lines are drawn
        after_ms(50 * c.gaps + 300, press_space);
        Uint32 start = SDL_GetTicks();
        show_description(m_screen, c.text);
        EXPECT_GE(SDL_GetTicks() - start, static_cast<Uint32>(50 * c.gaps));
        for (auto& line : c.lines)
            EXPECT_EQ(glyph_at(m_screen, 20, line.first), line.second) << line.first;
        EXPECT_EQ(glyph_at(m_screen, 20, 35), -1);
        if (c.lines.size() < 2) {
            EXPECT_EQ(glyph_at(m_screen, 20, 50), -1);
        }
        EXPECT_EQ(glyph_at(m_screen, 20, 420), 'P' - 32);
    }
}

TEST_F(screen_test, description_clears_the_control_flags)
{
    game g;
    game::the_game = &g;
    g.m_key_flags = {true, true, true, true, true};
    after_ms(100, press_space);
    show_description(m_screen, "Go\n");
    EXPECT_FALSE(g.m_key_flags.up || g.m_key_flags.left || g.m_key_flags.right ||
                 g.m_key_flags.tractor || g.m_key_flags.fire);
    game::the_game = nullptr;
}

TEST_F(screen_test, screenshots_are_numbered_from_zero_for_the_run)
{
    SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, 10, 20, 30));
    do_printscreen(m_screen);
    do_printscreen(m_screen);
    // A name that cannot be written still uses up its number, silently.
    std::filesystem::create_directory(path("VantrelScreenShot2.bmp"));
    testing::internal::CaptureStdout();
    do_printscreen(m_screen);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    do_printscreen(m_screen);
    for (const char* name : {"VantrelScreenShot0.bmp", "VantrelScreenShot1.bmp", "VantrelScreenShot3.bmp"}) {
        SCOPED_TRACE(name);
        surface_ptr shot(SDL_LoadBMP(path(name).c_str()));
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->w, 640);
        EXPECT_EQ(shot->h, 480);
        EXPECT_EQ(pixel_rgba(shot.get(), 5, 5).g, 20);
    }
}
