// The play loop, driven headless: a fake clock and pause run the frames at
// once and script the keys at the end of each frame; the level file, the
// pictures, the font and the hi-score file are the test's own. Also the
// game flow of the entry point: title, game, title; and how a stop asked
// for by a signal ends it from every screen.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "arena.h"
#include "arena_fixture.h"
#include "debug.h"
#include "dirs.h"
#include "etc.h"
#include "game.h"
#include "loadimag.h"
#include "movers.h"
#include "test_support.h"
#include "text.h"
#include "vantrel_private.h"
#include "weapons.h"

namespace fs = std::filesystem;

namespace {
// ------------------------------------------------------- the fake clock

// What the fake clock and pause do, and the script they run.
struct play_script : frame_script {
    // What the work of each frame costs on the clock, in ms.
    Uint32 spent = 0;
    bool in_frame = false;
    // The pause each frame of the current game asked for.
    std::vector<Uint32> delays;
    // A loop that does not end on its own gets Escape from here on.
    int give_up_at = 600;

    // Pushed after every frame, so that whatever ends the game finds them
    // waiting: Return ends a name entry, the next key-down the fireworks.
    play_script() { end_keys = {SDLK_RETURN, SDLK_F1}; }
};

play_script* the_script = nullptr;

// The loop reads the clock twice a frame: at its start and after its work.
Uint32 fake_ticks()
{
    play_script& s = *the_script;
    if (!s.in_frame) {
        s.in_frame = true;
        return s.now;
    }
    s.in_frame = false;
    s.now += s.spent;
    return s.now;
}

void fake_delay(Uint32 ms)
{
    play_script& s = *the_script;
    s.delays.push_back(ms);
    s.end_frame(ms);
    if (s.frames >= s.give_up_at)
        push_key_down(SDLK_ESCAPE);
}

// ------------------------------------------------------------ level text

// cols x rows of empty cells with the spawn S at (sx, sy).
std::vector<std::string> open_map(int cols, int rows, int sx, int sy)
{
    std::vector<std::string> map(rows, std::string(cols, '.'));
    map[sy][sx] = 'S';
    return map;
}

// One level block; no gravity unless extra says otherwise.
std::string block(const std::vector<std::string>& rows, const std::string& extra = "P: GRAVITY = 0\n",
                  const std::string& description_line = "")
{
    std::string text = "L:START\n";
    if (!description_line.empty())
        text += "D:" + description_line + "\n";
    for (const std::string& row : rows)
        text += "A:" + row + "\n";
    return text + extra + "L:END\n";
}

// The default hi-score table as a file, so that no game prints a message
// about it; its tenth score is 1.
const std::string default_table =
    "Zorp 500000\nZorp 300000\nZorp 200000\nZorp 100000\nZorp 50000\n"
    "Zorp 20000\nZorp 10000\nDunx 5000\nDunx 2000\nDunx 1\n";

// The table with its last line replaced by name and score.
std::string table_ending_with(const std::string& last_line)
{
    std::string t = default_table;
    t.erase(t.rfind("Dunx 1\n"));
    return t + last_line + "\n";
}

void type(const std::string& s)
{
    for (char c : s)
        push_key_down(static_cast<SDLKey>(std::tolower(static_cast<unsigned char>(c))),
                      static_cast<Uint16>(c));
}

void push_key_up(SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
}

rgba rgb(int r, int g, int b) { return {r, g, b, 255}; }
const rgba black = rgb(0, 0, 0);
const rgba white = rgb(255, 255, 255);
const rgba magenta = rgb(255, 0, 255);
const rgba view_blue = rgb(0, 0, 32);

// The ship's grey disc (its exact shade is the picture loader's).
bool is_ship(const rgba& c) { return c.r > 128 && c.r == c.g && c.g == c.b; }

// The colour of a fixture picture at (x, y).
rgba picture_colour(const char* file, int x = 0, int y = 0)
{
    surface_ptr p(load_image(file));
    return pixel_rgba(p.get(), x, y);
}

// A mover that has no picture to show.
class blank_mover : public mover {
public:
    SDL_Surface* pic() const override { return nullptr; }
};

struct flags5 {
    bool up, left, right, tractor, fire;
    bool operator==(const flags5& o) const
    {
        return up == o.up && left == o.left && right == o.right && tractor == o.tractor &&
               fire == o.fire;
    }
};

std::ostream& operator<<(std::ostream& out, const flags5& f)
{
    return out << "{up " << f.up << ", left " << f.left << ", right " << f.right << ", tractor "
               << f.tractor << ", fire " << f.fire << "}";
}

// ---------------------------------------------------------------- fixture

class play_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        hi_scores::forget_loaded_table();
        write_fixture_pictures(path("images"));
        write_test_font(path("images/font.png"));
        write_file(dirs::hiscore_file, default_table);
        open_screen(640, 480);
        text::init();
        the_script = &m_script;
        m_pacing.emplace(fake_ticks, fake_delay);
    }
    void TearDown() override
    {
        m_pacing.reset();
        the_script = nullptr;
        text::exit();
        hi_scores::forget_loaded_table();
        game::the_game = nullptr;  // the play loop leaves it on its finished game
        run_dir_test::TearDown();
    }

    void open_screen(int w, int h)
    {
        m_screen = SDL_SetVideoMode(w, h, 32, SDL_SWSURFACE);
        ASSERT_NE(m_screen, nullptr) << SDL_GetError();
    }
    void levels(const std::string& text) { write_file(dirs::level_file, text); }

    // One game; gives what it printed. Failures inside the game are
    // printed while standard output is captured, so they are shown again.
    std::string play()
    {
        m_script.frames = 0;
        m_script.delays.clear();
        testing::internal::CaptureStdout();
        try {
            play_game(m_screen);
        } catch (...) {
            show_if_failed(testing::internal::GetCapturedStdout());
            throw;
        }
        return show_if_failed(testing::internal::GetCapturedStdout());
    }
    // One game that must end in whinage; gives what it printed.
    std::string play_to_whinage()
    {
        m_script.frames = 0;
        m_script.delays.clear();
        bool thrown = false;
        testing::internal::CaptureStdout();
        try {
            play_game(m_screen);
        } catch (const whinage&) {
            thrown = true;
        } catch (...) {
            ADD_FAILURE() << "not whinage";
        }
        std::string out = show_if_failed(testing::internal::GetCapturedStdout());
        EXPECT_TRUE(thrown);
        return out;
    }
    static std::string show_if_failed(const std::string& out)
    {
        if (testing::Test::HasFailure())
            std::cerr << out;
        return out;
    }

    // The game in progress, for the scripts.
    game& g() { return *game::the_game; }
    arena& the_arena() { return *game::the_game->m_arena; }
    player_status& status() { return game::the_game->m_player_status; }
    ship* the_ship() { return dynamic_cast<ship*>(the_arena().get_player_target()); }
    flags5 key_flags()
    {
        auto& f = g().m_key_flags;
        return {f.up, f.left, f.right, f.tractor, f.fire};
    }
    // Puts the ship above the map, as if it had just flown out.
    void fly_out() { the_ship()->m_y = -200; }

    rgba at(int x, int y) { return pixel_rgba(m_screen, x, y); }
    void fill(int x, int y, int w, int h, const rgba& c)
    {
        SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                      static_cast<Uint16>(h)};
        SDL_FillRect(m_screen, &r, SDL_MapRGB(m_screen->format, c.r, c.g, c.b));
    }
    // A white mark in the view area; a fade darkens it, nothing else of a
    // finished game touches it.
    void mark_view() { fill(100, 100, 4, 4, white); }
    bool view_faded() { return at(101, 101).r < 64; }

    play_script m_script;
    SDL_Surface* m_screen = nullptr;

private:
    std::optional<fake_pacing> m_pacing;
};
}

// --------------------------------------------------------------- the view

TEST_F(play_test, view_is_centred_on_a_smaller_map_and_filled_by_a_larger_one)
{
    struct {
        int screen_w, screen_h, cols, rows;
        int x, y, w, h;  // the expected view rectangle
    } cases[] = {
        {640, 480, 5, 4, 240, 160, 160, 128},
        {640, 480, 20, 14, 0, 0, 640, 448},   // exactly the view
        {641, 481, 20, 14, 0, 0, 640, 448},   // 1 pixel smaller: not centred
        {642, 482, 20, 14, 1, 1, 640, 448},   // 2 pixels smaller: centred
        {643, 483, 20, 14, 1, 1, 640, 448},
        {640, 480, 30, 20, 0, 0, 640, 448},   // larger: clipped to the view
        {640, 480, 30, 3, 0, 176, 640, 96},
        {640, 480, 3, 30, 272, 0, 96, 448},
        {300, 200, 5, 5, 70, 4, 160, 160},
        {300, 200, 9, 5, 6, 4, 288, 160},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cols << " x " << c.rows << " tiles on " << c.screen_w
                                        << " x " << c.screen_h);
        open_screen(c.screen_w, c.screen_h);
        const int view_h = c.screen_h - 32;
        levels(block(open_map(c.cols, c.rows, c.cols / 2, c.rows / 2)));
        bool looked = false;
        m_script.after_frame = [&](int n) {
            if (n != 1)
                return;
            looked = true;
            // Inside: the dark blue of the empty map.
            EXPECT_EQ(at(c.x, c.y), view_blue);
            EXPECT_EQ(at(c.x + c.w - 1, c.y), view_blue);
            EXPECT_EQ(at(c.x, c.y + c.h - 1), view_blue);
            EXPECT_EQ(at(c.x + c.w - 1, c.y + c.h - 1), view_blue);
            // Outside: the black of the cleared view area.
            if (c.x > 0) {
                EXPECT_EQ(at(c.x - 1, c.y), black);
            }
            if (c.y > 0) {
                EXPECT_EQ(at(c.x, c.y - 1), black);
            }
            if (c.x + c.w < c.screen_w) {
                EXPECT_EQ(at(c.x + c.w, c.y + c.h - 1), black);
            }
            if (c.y + c.h < view_h) {
                EXPECT_EQ(at(c.x + c.w - 1, c.y + c.h), black);
            }
            // The view ends above the status bar's white top line.
            EXPECT_EQ(at(0, view_h), white);
            EXPECT_EQ(at(c.screen_w - 1, view_h), white);
            push_key_down(SDLK_ESCAPE);
        };
        play();
        EXPECT_TRUE(looked);
    }
}

TEST_F(play_test, view_follows_the_ship_until_a_map_edge_comes_into_view)
{
    struct {
        int cols, rows, sx, sy;  // map size and spawn tile
        int src_x, src_y;        // the part of the map the view shows
        int win_x, win_y;        // where the view stands on the screen
    } cases[] = {
        {40, 30, 2, 2, 0, 0, 0, 0},         // near the top left corner
        {40, 30, 37, 27, 640, 512, 0, 0},   // near the bottom right corner
        {40, 30, 20, 15, 344, 280, 0, 0},   // centred on the ship (its centre at 664, 504)
        {40, 30, 10, 3, 24, 0, 0, 0},
        {40, 30, 3, 25, 0, 512, 0, 0},
        {40, 30, 30, 12, 640, 184, 0, 0},
        {40, 5, 20, 2, 344, 0, 0, 144},     // wider than the screen, lower than the view
        {10, 5, 8, 3, 0, 0, 160, 144},      // smaller than the view: never scrolls
    };
    const rgba wall = picture_colour("block.png");
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cols << " x " << c.rows << ", ship at " << c.sx << ", "
                                        << c.sy);
        // Walls in the four corners and four tiles beside the ship.
        std::vector<std::string> map = open_map(c.cols, c.rows, c.sx, c.sy);
        const int mark_x = c.sx >= c.cols / 2 ? c.sx - 4 : c.sx + 4;
        map[c.sy][mark_x] = '#';
        map[0][0] = map[0][c.cols - 1] = map[c.rows - 1][0] = map[c.rows - 1][c.cols - 1] = '#';
        levels(block(map));
        const int view_w = std::min(640, 32 * c.cols), view_h = std::min(448, 32 * c.rows);
        // A wall tile wholly in the view shows its colour from its corner
        // to its far corner, and the empty map around it.
        auto expect_wall = [&](int tx, int ty) {
            int x = c.win_x + 32 * tx - c.src_x, y = c.win_y + 32 * ty - c.src_y;
            if (x < c.win_x || y < c.win_y || x + 32 > c.win_x + view_w || y + 32 > c.win_y + view_h)
                return false;
            SCOPED_TRACE(testing::Message() << "wall " << tx << ", " << ty);
            EXPECT_EQ(at(x, y), wall);
            EXPECT_EQ(at(x + 31, y + 31), wall);
            if (x > c.win_x) {
                EXPECT_EQ(at(x - 1, y + 5), view_blue);
            }
            if (x + 32 < c.win_x + view_w) {
                EXPECT_EQ(at(x + 32, y + 5), view_blue);
            }
            return true;
        };
        int walls_seen = 0;
        m_script.after_frame = [&](int n) {
            if (n != 1)
                return;
            // The ship's disc spans columns and rows 12 to 35 of its picture.
            int left = c.win_x + 32 * c.sx - c.src_x, top = c.win_y + 32 * c.sy - c.src_y;
            EXPECT_TRUE(is_ship(at(left + 12, top + 23)));
            EXPECT_TRUE(is_ship(at(left + 35, top + 23)));
            EXPECT_EQ(at(left + 11, top + 23), view_blue);
            EXPECT_EQ(at(left + 36, top + 23), view_blue);
            EXPECT_TRUE(is_ship(at(left + 23, top + 12)));
            EXPECT_TRUE(is_ship(at(left + 23, top + 35)));
            EXPECT_EQ(at(left + 23, top + 11), view_blue);
            EXPECT_EQ(at(left + 23, top + 36), view_blue);
            EXPECT_TRUE(expect_wall(mark_x, c.sy));
            for (int tx : {0, c.cols - 1})
                for (int ty : {0, c.rows - 1})
                    walls_seen += expect_wall(tx, ty);
            push_key_down(SDLK_ESCAPE);
        };
        play();
        // At a corner of the map, that corner's wall is in the view.
        if (c.src_x == 0 && c.src_y == 0) {
            EXPECT_GE(walls_seen, 1);
        }
    }
}

TEST_F(play_test, movers_are_cut_at_the_view_and_never_cover_the_status_bar)
{
    // The ship at tile (10, 10) puts the view over the map from (24, 120);
    // every turret faces away from it.
    std::vector<std::string> map = open_map(40, 30, 10, 10);
    map[8][0] = 'L';    // on screen from (-24, 136): cut at the left edge
    map[8][20] = 'R';   // from (616, 136): cut at the right edge
    map[17][14] = 'D';  // from (424, 424): cut at the bottom of the view
    map[3][14] = 'U';   // from (424, -24): cut at the top
    map[18][5] = 'D';   // from (136, 456): wholly below the view
    levels(block(map));
    const rgba left = picture_colour("turret_left.png"), right = picture_colour("turret_right.png");
    const rgba down = picture_colour("turret_down.png"), up = picture_colour("turret_up.png");
    int looked = 0;
    m_script.after_frame = [&](int n) {
        SCOPED_TRACE(n);
        ++looked;
        EXPECT_EQ(at(0, 136), left);
        EXPECT_EQ(at(7, 167), left);
        EXPECT_EQ(at(8, 150), view_blue);
        EXPECT_EQ(at(616, 136), right);
        EXPECT_EQ(at(639, 167), right);
        EXPECT_EQ(at(615, 150), view_blue);
        EXPECT_EQ(at(424, 424), down);
        EXPECT_EQ(at(455, 447), down);
        EXPECT_EQ(at(456, 440), view_blue);
        EXPECT_EQ(at(424, 0), up);
        EXPECT_EQ(at(455, 7), up);
        EXPECT_EQ(at(440, 8), view_blue);
        // The bar, drawn in frame 1 only, keeps its own pixels where the
        // two lower turrets would reach.
        EXPECT_EQ(at(424, 448), white);
        EXPECT_EQ(at(455, 455), black);
        EXPECT_EQ(at(136, 456), black);
        EXPECT_EQ(at(160, 470), black);
        if (n == 3)
            push_key_down(SDLK_ESCAPE);
    };
    play();
    EXPECT_EQ(looked, 4);
}

TEST_F(play_test, movers_are_cut_at_a_centred_view)
{
    // A 5 x 4 map shows at (240, 160) to (399, 287), with black around it.
    levels(block(open_map(5, 4, 4, 3)));
    const rgba foe = picture_colour("foe.png");
    auto add_foe = [&](float x, float y) {
        test_block* b = new test_block("foe.png");
        b->teleport(x, y);
        the_arena().add_mover(b);
    };
    bool looked = false;
    m_script.after_frame = [&](int n) {
        if (n == 1) {
            add_foe(-8, -8);   // over the map's top left corner
            add_foe(-40, 40);  // wholly left of it
            add_foe(60, -40);  // wholly above it
        }
        if (n != 2)
            return;
        looked = true;
        EXPECT_EQ(at(240, 160), foe);
        EXPECT_EQ(at(247, 167), foe);
        EXPECT_EQ(at(239, 165), black);
        EXPECT_EQ(at(245, 159), black);
        EXPECT_EQ(at(232, 152), black);
        EXPECT_EQ(at(200, 200), black);
        EXPECT_EQ(at(215, 215), black);
        EXPECT_EQ(at(300, 120), black);
        EXPECT_EQ(at(315, 135), black);
        // The ship's picture at the bottom right tile reaches 16 pixels
        // beyond the map, its disc 4.
        EXPECT_TRUE(is_ship(at(399, 279)));
        EXPECT_EQ(at(400, 279), black);
        EXPECT_EQ(at(403, 279), black);
        EXPECT_TRUE(is_ship(at(391, 287)));
        EXPECT_EQ(at(391, 288), black);
        EXPECT_EQ(at(391, 291), black);
        push_key_down(SDLK_ESCAPE);
    };
    play();
    EXPECT_TRUE(looked);
}

TEST_F(play_test, movers_are_drawn_in_list_order_and_one_without_a_picture_is_logged)
{
    levels(block(open_map(5, 4, 3, 2)));
    const rgba big = picture_colour("bigfoe.png"), small = picture_colour("foe.png");
    m_script.after_frame = [&](int n) {
        if (n == 1) {
            // Admitted with the next frame's bookkeeping, in this order.
            the_arena().add_mover(new blank_mover);
            test_block* under = new test_block("bigfoe.png");
            under->teleport(40.9f, 20.5f);
            the_arena().add_mover(under);
            test_block* over = new test_block("foe.png");
            over->teleport(40.9f, 20.5f);
            the_arena().add_mover(over);
        }
        if (n == 2) {
            // The map's (40.9, 20.5) is the screen's (280, 180): truncated.
            EXPECT_EQ(at(280, 180), small);
            EXPECT_EQ(at(295, 195), small);
            EXPECT_EQ(at(296, 181), big);
            EXPECT_EQ(at(343, 211), big);
            EXPECT_EQ(at(279, 180), view_blue);
            EXPECT_EQ(at(280, 179), view_blue);
            EXPECT_EQ(at(344, 200), view_blue);
            push_key_down(SDLK_ESCAPE);
        }
    };
    std::string out = play();
    EXPECT_NE(out.find("vantrel, line "), std::string::npos) << out;
    EXPECT_NE(out.find(": Mover has no picture!\n"), std::string::npos) << out;
    EXPECT_EQ(m_script.frames, 3);
}

// --------------------------------------------------------- the status bar

namespace {
struct redraw_case {
    const char* name;
    void (*change)(player_status&);
    bool redraws;
    // A change that stays put is drawn once; energy regenerates and
    // invulnerability runs down, which changes the status again each frame.
    bool settles;
};

const redraw_case redraw_cases[] = {
    {"nothing", [](player_status&) {}, false, true},
    {"score", [](player_status& s) { s.score += 1; }, true, true},
    {"money", [](player_status& s) { s.money += 50; }, true, true},
    {"shield", [](player_status& s) { s.shield -= 1; }, true, true},
    {"lives", [](player_status& s) { s.lives -= 1; }, true, true},
    {"energy", [](player_status& s) { s.energy = 5; }, true, false},
    {"invulnerability", [](player_status& s) { s.invulnerability = 1; }, true, false},
};

std::ostream& operator<<(std::ostream& out, const redraw_case& c) { return out << c.name; }

class play_status_bar : public play_test, public testing::WithParamInterface<redraw_case> {
protected:
    // A dot in the bar that every redraw paints over.
    void scribble() { fill(5, 470, 1, 1, magenta); }
    bool scribbled() { return at(5, 470) == magenta; }
};
}

TEST_P(play_status_bar, is_drawn_on_the_first_frame_and_then_when_the_status_changed)
{
    const redraw_case& c = GetParam();
    levels(block(open_map(5, 4, 2, 1)));
    m_script.after_frame = [&](int n) {
        SCOPED_TRACE(n);
        switch (n) {
        case 1:
            EXPECT_EQ(at(0, 448), white);
            EXPECT_EQ(glyph_at(m_screen, 20, 453), 'L' - 32);
            scribble();
            break;
        case 2:
            EXPECT_TRUE(scribbled()) << "redrawn without a change";
            c.change(status());
            break;
        case 3:
            EXPECT_EQ(!scribbled(), c.redraws);
            scribble();
            break;
        case 4:
            if (c.settles) {
                EXPECT_TRUE(scribbled()) << "redrawn again without a further change";
            }
            push_key_down(SDLK_ESCAPE);
            break;
        }
    };
    play();
    EXPECT_EQ(m_script.frames, 5);
}

INSTANTIATE_TEST_SUITE_P(all, play_status_bar, testing::ValuesIn(redraw_cases),
                         [](const testing::TestParamInfo<redraw_case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(play_test, redrawn_bar_shows_the_status_of_that_frame)
{
    levels(block(open_map(5, 4, 2, 1)));
    m_script.after_frame = [&](int n) {
        if (n == 1) {
            status().score = 1234;
            status().money = 250;
        }
        if (n == 2) {
            EXPECT_EQ(glyph_at(m_screen, 20 + 7 * 8, 468), '1' - 32);
            EXPECT_EQ(glyph_at(m_screen, 20 + 10 * 8, 468), '4' - 32);
            EXPECT_EQ(glyph_at(m_screen, 530 + 7 * 8, 453), '2' - 32);
            push_key_down(SDLK_ESCAPE);
        }
    };
    play();
}

// -------------------------------------------------- how a game and a level end

TEST_F(play_test, escape_ends_the_game_after_its_frame_with_the_hi_score_entry)
{
    levels(block(open_map(5, 4, 2, 1)));
    // Score 0 does not enter the table: the fireworks end on the waiting
    // key before they draw, so the screen still shows the last frame.
    m_script.after_frame = [&](int n) {
        if (n == 3)
            push_key_down(SDLK_ESCAPE);
        if (n == 4)
            mark_view();
    };
    play();
    EXPECT_EQ(m_script.frames, 4);
    EXPECT_FALSE(view_faded());
    EXPECT_EQ(read_file(dirs::hiscore_file), default_table);

    // 700 does, with the name typed after the game.
    m_script.after_frame = [&](int n) {
        if (n == 3) {
            status().score = 700;
            push_key_down(SDLK_ESCAPE);
        }
        if (n == 4)
            type("Ann");
    };
    play();
    EXPECT_EQ(m_script.frames, 4);
    EXPECT_EQ(read_file(dirs::hiscore_file), table_ending_with("Ann 700"));
}

TEST_F(play_test, escape_in_the_frame_that_completes_the_level_fades_and_ends_the_game)
{
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(7, 4, 2, 1)));
    std::vector<int> widths;
    m_script.after_frame = [&](int n) {
        widths.push_back(the_arena().width());
        if (n == 3) {
            push_key_down(SDLK_ESCAPE);
            fly_out();
        }
        if (n == 4) {
            EXPECT_TRUE(the_arena().level_complete());
            mark_view();
        }
    };
    play();
    EXPECT_EQ(m_script.frames, 4);
    EXPECT_EQ(widths, std::vector<int>(4, 5)) << "the second level was played";
    EXPECT_TRUE(view_faded());
}

TEST_F(play_test, end_of_the_level_file_ends_the_game_quietly_with_the_hi_score_entry)
{
    levels(block(open_map(5, 4, 2, 1), "P: GRAVITY = 0\n", "The only level"));
    std::unique_ptr<key_feeder> description_keys(new key_feeder);
    // A description shown again at the end of the file would wait for a
    // key that only this late feeder gives.
    std::unique_ptr<key_feeder> rescue;
    m_script.after_frame = [&](int n) {
        if (n == 1)
            description_keys.reset();
        if (n == 2) {
            status().score = 700;
            fly_out();
        }
        if (n == 3) {
            mark_view();
            rescue.reset(new key_feeder(5000));
        }
    };
    std::string out = play();
    ASSERT_TRUE(rescue);
    EXPECT_FALSE(rescue->fed()) << "a screen waited for a key after the last level";
    // No frame after the completed one, no log line, and the faded view.
    EXPECT_EQ(m_script.frames, 3);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(view_faded());
    EXPECT_EQ(read_file(dirs::hiscore_file), table_ending_with("Somebody very lazy 700"));
}

TEST_F(play_test, completed_level_restores_the_shield_and_the_next_level_keeps_held_keys)
{
    // The second map, 8 x 6 tiles, shows at (192, 128) to (447, 319).
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(8, 6, 3, 3)));
    bool second = false;
    m_script.after_frame = [&](int n) {
        SCOPED_TRACE(n);
        if (n == 1) {
            push_key_down(SDLK_RIGHT);
            status().score = 300;
        }
        if (n == 2) {
            status().shield = 3;
            fly_out();
        }
        if (n == 3)
            mark_view();  // faded, but not to black
        if (n == 4) {
            second = true;
            EXPECT_EQ(at(101, 101), black) << "the view was not cleared for the new level";
            EXPECT_EQ(the_arena().width(), 8);
            EXPECT_EQ(status().shield, MAX_SHIELD);
            EXPECT_EQ(status().score, 300);
            EXPECT_EQ(status().lives, 3);
            EXPECT_TRUE(key_flags().right);
            EXPECT_EQ(at(192, 128), view_blue);
            EXPECT_EQ(at(447, 319), view_blue);
            EXPECT_EQ(at(191, 128), black);
            EXPECT_EQ(at(192, 127), black);
            EXPECT_EQ(at(448, 319), black);
            EXPECT_EQ(at(447, 320), black);
            push_key_down(SDLK_ESCAPE);
        }
    };
    play();
    EXPECT_TRUE(second);
    EXPECT_EQ(m_script.frames, 5);
}

TEST_F(play_test, level_description_releases_the_held_keys)
{
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(8, 6, 3, 3), "P: GRAVITY = 0\n", "Level two"));
    key_feeder feeder;
    bool second = false;
    m_script.after_frame = [&](int n) {
        if (n == 1)
            push_key_down(SDLK_RIGHT);
        if (n == 2)
            fly_out();
        if (n == 3) {
            EXPECT_TRUE(key_flags().right);
        }
        if (n == 4) {
            second = true;
            EXPECT_EQ(the_arena().width(), 8);
            EXPECT_EQ(key_flags(), (flags5{false, false, false, false, false}));
            push_key_down(SDLK_ESCAPE);
        }
    };
    play();
    EXPECT_TRUE(second);
}

TEST_F(play_test, losing_the_last_life_ends_the_game_at_the_end_of_the_level)
{
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(7, 4, 2, 1)));
    std::vector<int> widths;
    bool dead_before_last = false, dead_at_last = false;
    int lives_at_last = -1;
    m_script.after_frame = [&](int) {
        widths.push_back(the_arena().width());
        dead_before_last = dead_before_last || dead_at_last;
        dead_at_last = the_arena().player_is_dead();
        lives_at_last = status().lives;
        if (ship* s = the_ship())
            s->die();
        mark_view();
    };
    play();
    EXPECT_LT(m_script.frames, m_script.give_up_at);
    EXPECT_TRUE(dead_at_last);
    EXPECT_FALSE(dead_before_last) << "a frame ran after the last life was lost";
    EXPECT_EQ(lives_at_last, 0);
    EXPECT_EQ(widths, std::vector<int>(widths.size(), 5)) << "the second level was played";
    EXPECT_FALSE(view_faded());
}

TEST_F(play_test, a_ship_lost_as_it_completes_the_level_is_one_life_and_the_last_one_ends_the_game)
{
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(7, 4, 2, 1), "P: GRAVITY = 0\n", "Level two"));
    const struct {
        const char* name;
        int lives;        // before the loss
        bool next_level;  // is shown and played
        int frames;       // that the game runs
    } cases[] = {
        // The next level runs until Escape, well past the countdown's end.
        {"a life left", 2, true, 40},
        // Neither its description nor a frame: straight to the hi-score entry.
        {"the last life", 1, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dirs::hiscore_file, default_table);
        hi_scores::forget_loaded_table();
        int next_level_frames = 0;
        // Passes the next level's description, or fails the test instead of
        // hanging it when a description comes that should not.
        std::unique_ptr<key_feeder> keys;
        m_script.after_frame = [&](int n) {
            SCOPED_TRACE(n);
            if (n == 1) {
                status().score = 700;
                status().lives = c.lives;
                lose_ship_on_the_way_out(the_arena(), *the_ship());
                return;
            }
            if (n == 2) {
                EXPECT_TRUE(the_arena().level_complete());
                EXPECT_EQ(the_ship(), nullptr);
                EXPECT_EQ(status().lives, c.lives - 1);
                keys.reset(new key_feeder(c.next_level ? 0 : 5000));
                return;
            }
            ++next_level_frames;
            EXPECT_EQ(the_arena().width(), 7);
            int ships = 0;
            for (int i = 0; i < the_arena().num_movers(); ++i)
                ships += dynamic_cast<ship*>(the_arena().get_mover(i)) != nullptr;
            EXPECT_EQ(ships, 1);
            EXPECT_EQ(status().lives, c.lives - 1);
            if (n + 1 == c.frames)
                push_key_down(SDLK_ESCAPE);  // read by the game's last frame
        };
        play();
        EXPECT_EQ(m_script.frames, c.frames);
        EXPECT_EQ(next_level_frames, c.frames - 2);
        ASSERT_TRUE(keys);
        if (!c.next_level) {
            EXPECT_FALSE(keys->fed()) << "the next level's description was shown";
        }
        EXPECT_EQ(read_file(dirs::hiscore_file), table_ending_with("Somebody very lazy 700"));
    }
}

TEST_F(play_test, error_in_a_later_level_leaves_the_game_without_the_hi_score_entry)
{
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(5, 4, 2, 1), "E: MINER 3\n"));
    m_script.after_frame = [&](int n) {
        if (n == 2) {
            status().score = 700;
            fly_out();
        }
    };
    std::string out = play_to_whinage();
    EXPECT_EQ(m_script.frames, 3);
    EXPECT_NE(out.find("Invalid MINER entry"), std::string::npos) << out;
    EXPECT_EQ(read_file(dirs::hiscore_file), default_table);
}

TEST_F(play_test, bad_level_file_leaves_play_game_before_any_frame)
{
    struct {
        const char* name;
        const char* file;  // null: no level file at all
        const char* message;
    } cases[] = {
        {"no file", nullptr, "Unable to load file: levels/levels.txt"},
        {"block never ends", "L:START\nA:S\n", "Final level never ends!"},
        {"end outside a block", "L:END\n", "L:END outside level!"},
        {"bad enemy", "L:START\nA:S..\nE: GRALDOR 1\nL:END\n", "Invalid GRALDOR entry"},
        {"no spawn", "L:START\nA:...\nL:END\n", "First level has no S"},
        {"no map", "L:START\nD:Nothing\nL:END\n", "Level has no map"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove(path(dirs::level_file), ec);
        if (c.file)
            levels(c.file);
        m_script.after_frame = nullptr;
        std::string out = play_to_whinage();
        EXPECT_EQ(m_script.frames, 0);
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
    }
    // The next game starts as if nothing had happened.
    levels(block(open_map(5, 4, 2, 1)));
    m_script.after_frame = [&](int n) {
        EXPECT_EQ(status().lives, 3);
        if (n == 1)
            push_key_down(SDLK_ESCAPE);
    };
    play();
    EXPECT_EQ(m_script.frames, 2);
}

// ------------------------------------------------------ inside the frame

TEST_F(play_test, every_game_starts_from_a_fresh_state)
{
    levels(block(open_map(5, 4, 2, 1)) + block(open_map(7, 4, 2, 1)));
    auto expect_start = [&] {
        const player_status& s = status();
        EXPECT_EQ(s.score, 0);
        EXPECT_EQ(s.money, 0);
        EXPECT_EQ(s.shield, MAX_SHIELD);
        EXPECT_EQ(s.lives, 3);
        EXPECT_FALSE(s.in_shop);
        EXPECT_EQ(s.energy, 10.0f);
        EXPECT_EQ(s.max_energy, 10.0f);
        EXPECT_EQ(s.invulnerability, 0.0f);
        EXPECT_EQ(key_flags(), (flags5{false, false, false, false, false}));
        ASSERT_EQ(g().m_weapon_mounts.size(), static_cast<size_t>(mount_count));
        for (int i = 0; i < mount_count; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(g().m_weapon_mounts[i].type, mounts[i].type);
            EXPECT_EQ(g().m_weapon_mounts[i].angle, mounts[i].angle);
        }
        EXPECT_EQ(g().m_engine, ET_PIFFLER);
        EXPECT_EQ(g().m_systems, std::vector<system_id>(system_slots, ST_EMPTY));
        EXPECT_EQ(the_arena().width(), 5);  // the file's first level
    };
    for (int game_number = 1; game_number <= 2; ++game_number) {
        SCOPED_TRACE(game_number);
        m_script.after_frame = [&](int n) {
            if (n == 1) {
                expect_start();
                status() = {700, 100, 2, 1, false, 3.0f, 10.0f, 2.0f};
                g().m_engine = ET_STREAKER;
                g().m_systems[0] = ST_BATTERY;
                push_key_down(SDLK_RIGHT);
                push_key_down(SDLK_ESCAPE);
            }
        };
        play();
        EXPECT_EQ(m_script.frames, 2);
    }
}

TEST_F(play_test, invulnerability_runs_down_by_a_frame_step_and_stops_at_zero)
{
    struct {
        float before, after;
    } cases[] = {
        {0.03f, 0.0f},
        {0.04f, 0.0f},
        // Less 0.04 in double, then stored: not the float difference.
        {0.05f, static_cast<float>(0.05f - 0.04)},
        {2.5f, static_cast<float>(2.5f - 0.04)},
        {5.0f, static_cast<float>(5.0f - 0.04)},
        {0.0f, 0.0f},
        {-1.0f, -1.0f},  // only a value above 0 runs down
    };
    ASSERT_NE(static_cast<float>(0.05f - 0.04), 0.05f - 0.04f);
    levels(block(open_map(5, 4, 2, 1)));
    const int count = static_cast<int>(sizeof cases / sizeof cases[0]);
    m_script.after_frame = [&](int n) {
        if (n >= 2 && n - 2 < count) {
            SCOPED_TRACE(cases[n - 2].before);
            EXPECT_EQ(status().invulnerability, cases[n - 2].after);
        }
        if (n - 1 < count)
            status().invulnerability = cases[n - 1].before;
        else
            push_key_down(SDLK_ESCAPE);
    };
    play();
    EXPECT_EQ(m_script.frames, count + 2);
}

TEST_F(play_test, keys_set_and_clear_the_five_control_flags)
{
    auto event_of = [](Uint8 type) {
        SDL_Event e = {};
        e.type = type;
        return e;
    };
    struct step {
        const char* name;
        std::function<void()> push;
        flags5 after;
    };
    const std::vector<step> steps = {
        {"Up", [] { push_key_down(SDLK_UP); }, {true, false, false, false, false}},
        {"Left", [] { push_key_down(SDLK_LEFT); }, {true, true, false, false, false}},
        {"Right", [] { push_key_down(SDLK_RIGHT); }, {true, true, true, false, false}},
        {"Z", [] { push_key_down(SDLK_z, 'z'); }, {true, true, true, true, false}},
        {"Space", [] { push_key_down(SDLK_SPACE, ' '); }, {true, true, true, true, true}},
        {"everything else",
         [&] {
             push_key(SDLK_DOWN);
             push_key(SDLK_a, 'a');
             push_key(SDLK_x, 'x');
             push_key_up(SDLK_ESCAPE);
             push_key_up(SDLK_PRINT);
             SDL_Event e = event_of(SDL_MOUSEBUTTONDOWN);
             e.button.button = SDL_BUTTON_LEFT;
             SDL_PushEvent(&e);
             e = event_of(SDL_MOUSEMOTION);
             SDL_PushEvent(&e);
             e = event_of(SDL_QUIT);
             SDL_PushEvent(&e);
         },
         {true, true, true, true, true}},
        {"Up released", [] { push_key_up(SDLK_UP); }, {false, true, true, true, true}},
        {"Left released", [] { push_key_up(SDLK_LEFT); }, {false, false, true, true, true}},
        {"Right released", [] { push_key_up(SDLK_RIGHT); }, {false, false, false, true, true}},
        {"Z released", [] { push_key_up(SDLK_z); }, {false, false, false, false, true}},
        {"Space released", [] { push_key_up(SDLK_SPACE); }, {false, false, false, false, false}},
        {"Space pressed and released", [] { push_key(SDLK_SPACE, ' '); },
         {false, false, false, false, false}},
        {"Z released and pressed",
         [] {
             push_key_up(SDLK_z);
             push_key_down(SDLK_z, 'z');
         },
         {false, false, false, true, false}},
        {"Left and Right, Up released",
         [] {
             push_key_down(SDLK_LEFT);
             push_key_down(SDLK_RIGHT);
             push_key_up(SDLK_UP);
         },
         {false, true, true, true, false}},
    };
    levels(block(open_map(5, 4, 2, 1)));
    // The ship clears the tractor flag whenever it acts on it: the steps
    // run while the ship is away, between its death in frame 2 and its
    // return 20 frames later.
    int checked = 0;
    m_script.after_frame = [&](int n) {
        if (n == 1) {
            the_ship()->die();
            return;
        }
        int i = n - 3;  // the step whose events frame n read
        if (i >= 0 && i < static_cast<int>(steps.size())) {
            SCOPED_TRACE(steps[i].name);
            ASSERT_EQ(the_ship(), nullptr);
            EXPECT_EQ(key_flags(), steps[i].after);
            ++checked;
        }
        if (i + 1 < static_cast<int>(steps.size()))
            steps[i + 1].push();
        else
            push_key_down(SDLK_ESCAPE);
    };
    play();
    EXPECT_EQ(checked, static_cast<int>(steps.size()));
    EXPECT_EQ(m_script.frames, static_cast<int>(steps.size()) + 3);
    // Print Screen's key-up took no screenshot.
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().find("VantrelScreenShot"), std::string::npos);
}

TEST_F(play_test, print_screen_saves_the_screen_as_the_key_finds_it)
{
    levels(block(open_map(5, 4, 2, 1)));
    m_script.after_frame = [&](int n) {
        if (n == 2) {
            fill(300, 200, 4, 4, magenta);  // the next frame paints over it
            push_key(SDLK_PRINT);
        }
        if (n == 3)
            push_key_down(SDLK_PRINT);
        if (n == 4)
            push_key_down(SDLK_ESCAPE);
    };
    // The screenshot counter lasts for the run: the game runs in a child
    // process, so that the other tests' screenshots keep their numbers.
    EXPECT_EXIT(
        {
            play();
            _exit(0);
        },
        testing::ExitedWithCode(0), "");
    std::vector<int> numbers;
    const std::string prefix = "VantrelScreenShot";
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0)
            numbers.push_back(std::stoi(name.substr(prefix.size())));
    }
    std::sort(numbers.begin(), numbers.end());
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_EQ(numbers[1], numbers[0] + 1);
    auto shot = [&](int number) {
        std::string name = path(prefix + std::to_string(number) + ".bmp");
        return surface_ptr(SDL_LoadBMP(name.c_str()));
    };
    surface_ptr first = shot(numbers[0]), second = shot(numbers[1]);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->w, 640);
    EXPECT_EQ(first->h, 480);
    EXPECT_EQ(pixel_rgba(first.get(), 301, 201), magenta);
    EXPECT_EQ(pixel_rgba(first.get(), 241, 161), view_blue);
    EXPECT_EQ(pixel_rgba(first.get(), 0, 448), white);
    EXPECT_EQ(pixel_rgba(second.get(), 301, 201), view_blue);
}

TEST_F(play_test, each_frame_waits_out_the_rest_of_forty_ms)
{
    struct {
        Uint32 spent, delay;
    } cases[] = {{0, 40}, {1, 39}, {17, 23}, {39, 1}, {40, 0}, {41, 0}, {1000, 0}};
    levels(block(open_map(5, 4, 2, 1)));
    for (auto& c : cases) {
        SCOPED_TRACE(c.spent);
        m_script.spent = c.spent;
        m_script.after_frame = [&](int n) {
            if (n == 2)
                push_key_down(SDLK_ESCAPE);
        };
        play();
        EXPECT_EQ(m_script.delays, std::vector<Uint32>(3, c.delay));
    }
}

TEST_F(play_test, a_shop_tile_opens_the_shop_before_the_next_frame_and_play_goes_on)
{
    // The ship falls onto the shop tile two rows below its own. The shop's
    // frames wait through the same pacing, so they reach the script too.
    levels(block({"...", ".S.", "...", ".s."}, ""));
    int entered = 0, shop_frames = 0, resumed = 0;
    float y_in_shop = 0;
    m_script.after_frame = [&](int n) {
        if (entered == 0) {
            if (status().in_shop) {
                entered = n;
                y_in_shop = the_ship()->m_y;
            }
            return;
        }
        if (resumed == 0 && status().in_shop) {
            // The shop's own frame: the pointer shows, the arena stands still.
            ++shop_frames;
            EXPECT_EQ(SDL_ShowCursor(-1), 1);
            EXPECT_EQ(the_ship()->m_y, y_in_shop);
            if (shop_frames == 2)
                push_key_down(SDLK_ESCAPE);
            return;
        }
        if (resumed == 0) {
            resumed = n;
            EXPECT_EQ(SDL_ShowCursor(-1), 0);
            EXPECT_NE(the_ship(), nullptr);
            push_key_down(SDLK_ESCAPE);
        }
    };
    play();
    ASSERT_GT(entered, 0) << "the ship never reached the shop tile";
    // Two frames of the shop, then the one that reads Escape runs to its end.
    EXPECT_EQ(shop_frames, 3);
    EXPECT_EQ(resumed, entered + shop_frames + 1) << "play resumes with the frame after the shop";
    EXPECT_EQ(m_script.frames, resumed + 1);
}

TEST_F(play_test, after_the_shop_the_bar_waits_for_a_change_of_the_status)
{
    // The shop blacks the whole screen when it closes; the bar comes back
    // only with a change of the status, not for in_shop alone.
    levels(block({"...", ".S.", "...", ".s."}, ""));
    int closed = 0;
    m_script.after_frame = [&](int n) {
        if (closed == 0) {
            if (status().in_shop && SDL_ShowCursor(-1) == 1)
                push_key_down(SDLK_ESCAPE);  // leave the shop at once
            else if (n > 1 && SDL_ShowCursor(-1) == 0 && !(at(0, 448) == white))
                closed = n;
            return;
        }
        if (n == closed + 1) {
            EXPECT_EQ(at(0, 448), black) << "the bar is not drawn again without a change";
            status().score += 1;
        }
        if (n == closed + 2) {
            EXPECT_EQ(at(0, 448), white);
            push_key_down(SDLK_ESCAPE);
        }
    };
    play();
    EXPECT_GT(closed, 0) << "the shop never closed";
}

// ---------------------------------------------------------- a stop request

namespace {
// The names and bytes of every file in save/.
std::map<std::string, std::string> save_folder(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& f : fs::directory_iterator(dir + "/save")) {
        std::ifstream in(f.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[f.path().filename().string()] = bytes.str();
    }
    return files;
}
}

TEST_F(play_test, a_stop_request_leaves_every_screen_and_save_as_it_was)
{
    bool shop_was_open = false;
    struct {
        const char* screen;
        std::string level_file;
        std::function<void()> run;
    } cases[] = {
        {"title", "", [&] { do_title_screen(m_screen); }},
        {"description, waiting", "", [&] { show_description(m_screen, ""); }},
        {"description, drawing", "", [&] { show_description(m_screen, "A\nB\nC\n"); }},
        {"play", block(open_map(5, 4, 2, 1)),
         [&] {
             stop_requested = 0;
             m_script.after_frame = [&](int n) {
                 if (n == 2)
                     stop_requested = 1;
             };
             play();
         }},
        {"shop", block({"...", ".S.", "...", ".s."}, ""),
         [&] {
             stop_requested = 0;
             // Asked for in the frame that reaches the shop tile.
             m_script.after_frame = [&](int) {
                 if (status().in_shop)
                     stop_requested = 1;
             };
             try {
                 play();
             } catch (const stopped&) {
                 shop_was_open = SDL_ShowCursor(-1) == 1;
                 throw;
             }
         }},
        {"name entry", "", [&] { hi_scores::new_score(m_screen, 600000); }},
        {"fireworks", "", [&] { hi_scores::animate(m_screen); }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.screen);
        if (!c.level_file.empty())
            levels(c.level_file);
        m_script.after_frame = nullptr;
        const auto save_before = save_folder(m_dir);
        stop_requested = 1;
        {
            // Ends a screen that missed the stop, failing the case.
            key_feeder rescue(3000, {SDLK_ESCAPE, SDLK_RETURN, SDLK_F1});
            EXPECT_THROW(c.run(), stopped);
            EXPECT_FALSE(rescue.fed());
        }
        EXPECT_EQ(save_folder(m_dir), save_before);
        stop_requested = 0;
        SDL_ShowCursor(SDL_DISABLE);
        for (SDL_Event e; SDL_PollEvent(&e);) {
        }
        if (std::string(c.screen) == "play") {
            EXPECT_EQ(m_script.frames, 2) << "the frame after the stop does not run";
        }
    }
    EXPECT_TRUE(shop_was_open);
    game::the_game = nullptr;
}

TEST_F(play_test, a_stop_request_cuts_the_fade_short)
{
    mark_view();
    stop_requested = 1;
    fade_out(m_screen, {0, 0, 640, 448});
    EXPECT_FALSE(view_faded());
}

// ------------------------------------------------------- the whole program

namespace {
class game_flow : public play_test {
protected:
    void SetUp() override
    {
        play_test::SetUp();
        m_flags.emplace();
    }
    void TearDown() override
    {
        m_flags.reset();
        play_test::TearDown();
    }
    int run()
    {
        m_script.frames = 0;
        char name[] = "vantrel";
        char* argv[] = {name, nullptr};
        testing::internal::CaptureStdout();
        int rc = SDL_main(1, argv);
        show_if_failed(testing::internal::GetCapturedStdout());
        return rc;
    }

private:
    std::optional<default_flags> m_flags;
};
}

TEST_F(game_flow, escape_on_the_first_title_ends_the_program)
{
    levels(block(open_map(5, 4, 2, 1)));
    push_key_down(SDLK_ESCAPE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(m_script.frames, 0);
}

TEST_F(game_flow, title_and_game_alternate_until_escape_on_the_title)
{
    levels(block(open_map(5, 4, 2, 1)));
    push_key_down(SDLK_a, 'a');  // for the first title
    std::vector<int> scores_at_start;
    m_script.after_frame = [&](int n) {
        // Two frames a game: Escape in the first.
        if (n % 2 == 1) {
            scores_at_start.push_back(status().score);
            push_key_down(SDLK_ESCAPE);
        }
        // The first game's 5 points enter the table: Return ends the name,
        // F1 the fireworks, b the title. The second game's 0 does not:
        // Return ends the fireworks, and Escape the title.
        if (n == 1)
            status().score = 5;
        if (n == 2)
            m_script.end_keys = {SDLK_RETURN, SDLK_F1, SDLK_b};
        if (n == 4)
            m_script.end_keys = {SDLK_RETURN, SDLK_ESCAPE};
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(m_script.frames, 4);
    EXPECT_EQ(scores_at_start, (std::vector<int>{0, 0}));
    EXPECT_EQ(read_file(dirs::hiscore_file), table_ending_with("Somebody very lazy 5"));
}

namespace {
typedef void (*signal_handler)(int);

signal_handler handler_of(int sig)
{
    struct sigaction now;
    sigaction(sig, nullptr, &now);
    return now.sa_handler;
}
}

TEST_F(game_flow, a_stop_signal_on_the_title_ends_the_program_with_its_stages_undone)
{
    struct {
        const char* what;
        int sig;
        int ignored;  // ignored when the program starts; 0: none
    } cases[] = {
        {"SIGTERM", SIGTERM, 0},
        {"SIGINT, with SIGTERM ignored", SIGINT, SIGTERM},
    };
    levels(block(open_map(5, 4, 2, 1)));
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string table = read_file(dirs::hiscore_file);
        if (c.ignored)
            std::signal(c.ignored, SIG_IGN);
        const signal_handler before = handler_of(c.sig);
        std::atomic<bool> raised{false};
        signal_handler ignored_meanwhile = SIG_DFL;
        // Raises the signal once the program has taken it over.
        std::thread sender([&] {
            for (int waited = 0; waited < 10000; waited += 5) {
                if (handler_of(c.sig) == on_stop_signal) {
                    if (c.ignored)
                        ignored_meanwhile = handler_of(c.ignored);
                    raised = true;
                    std::raise(c.sig);
                    return;
                }
                SDL_Delay(5);
            }
        });
        int rc = -1;
        {
            key_feeder rescue(15000, {SDLK_ESCAPE});
            rc = run();
            EXPECT_FALSE(rescue.fed()) << "the program ended on Escape, not on the signal";
        }
        sender.join();
        EXPECT_EQ(rc, 0);
        EXPECT_TRUE(raised);
        EXPECT_EQ(stop_requested, 1);
        EXPECT_EQ(m_script.frames, 0);
        // Shut down as usual: SDL is gone and the signals are back as before.
        EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
        EXPECT_NE(before, on_stop_signal);
        EXPECT_EQ(handler_of(c.sig), before);
        if (c.ignored) {
            EXPECT_EQ(ignored_meanwhile, SIG_IGN);
            EXPECT_EQ(handler_of(c.ignored), SIG_IGN);
            std::signal(c.ignored, SIG_DFL);
        }
        EXPECT_EQ(read_file(dirs::hiscore_file), table);
        stop_requested = 0;
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
}

TEST_F(game_flow, error_in_the_level_file_ends_the_program_quietly)
{
    levels("L:START\nA:S\n");
    push_key_down(SDLK_a, 'a');
    push_key_down(SDLK_b, 'b');  // would start a second game
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(m_script.frames, 0);
}
