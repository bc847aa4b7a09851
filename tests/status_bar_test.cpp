// The status bar: the bottom 32 rows of the screen, drawn whole from the
// player status: texts, the shield and energy bars and the overlay of
// invulnerability.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "etc.h"
#include "game.h"
#include "shop.h"
#include "test_support.h"
#include "text.h"
#include "vantrel_private.h"

namespace {
const rgba white = {255, 255, 255, 255};
const rgba black = {0, 0, 0, 255};
const rgba magenta = {255, 0, 255, 255};

rgba rgb(int r, int g, int b) { return {r, g, b, 255}; }

// A fresh game whose status the bar shows; a 640 x 480 screen by default,
// painted magenta so that every pixel the bar leaves alone shows.
class status_bar_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        write_test_font(path("images/font.png"));
        text::init();
        game::the_game = &m_game;
        m_game.m_player_status = {0, 0, MAX_SHIELD, 3, false, 10.0f, 10.0f, 0.0f};
        use_screen(640, 480);
    }
    void TearDown() override
    {
        m_screen.reset();
        game::the_game = nullptr;
        text::exit();
        run_dir_test::TearDown();
    }
    // A plain 32-bit surface of the given size stands in for the screen.
    void use_screen(int w, int h)
    {
        m_screen.reset(create_surface(w, h, no_alpha_channel));
        ASSERT_TRUE(m_screen);
        SDL_FillRect(m_screen.get(), nullptr, SDL_MapRGB(m_screen->format, 255, 0, 255));
    }
    rgba at(int x, int y) { return pixel_rgba(m_screen.get(), x, y); }
    void draw() { update_player_status(m_screen.get()); }
    player_status& status() { return m_game.m_player_status; }

    game m_game;
    surface_ptr m_screen;
};
}

TEST_F(status_bar_test, covers_the_bottom_rows_only_with_a_white_top_line)
{
    status() = {1234, 50, 7, 2, false, 3.0f, 10.0f, 0.0f};
    draw();
    for (int x : {0, 100, 639}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(at(x, 447), magenta);  // the view above is not touched
        EXPECT_EQ(at(x, 448), white);
    }
    // Background: black wherever nothing else is drawn.
    for (auto p : std::vector<std::pair<int, int>>{{0, 449}, {639, 479}, {10, 479}, {150, 460},
                                                   {470, 475}, {620, 470}, {249, 455}}) {
        SCOPED_TRACE(testing::Message() << p.first << ", " << p.second);
        EXPECT_EQ(at(p.first, p.second), black);
    }
}

TEST_F(status_bar_test, texts_stand_at_their_places)
{
    status() = {1234, 50, 7, 2, false, 3.0f, 24.6f, 0.0f};
    draw();
    EXPECT_EQ(text_at(m_screen.get(), 20, 453), "Lives: 2");
    EXPECT_EQ(text_at(m_screen.get(), 20, 468), "Score: 1234");
    EXPECT_EQ(text_at(m_screen.get(), 190, 451, 7), "Shield:");
    EXPECT_EQ(text_at(m_screen.get(), 190, 466, 7), "Energy:");
    EXPECT_EQ(text_at(m_screen.get(), 457, 466), "/25");
    EXPECT_EQ(text_at(m_screen.get(), 530, 453), "Money: 50");
}

TEST_F(status_bar_test, places_follow_the_screen_size)
{
    struct {
        int w, h;
        int label_x, bars_left, capacity_x, money_x;
    } cases[] = {
        {640, 480, 190, 250, 457, 530},
        {800, 600, 270, 330, 537, 690},
        {641, 481, 190, 250, 457, 531},  // halves of odd widths truncate
        {1024, 768, 382, 442, 649, 914},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        use_screen(c.w, c.h);
        status() = {5, 7, 10, 3, false, 10.0f, 10.0f, 0.0f};
        draw();
        const int top = c.h - 32;
        EXPECT_EQ(at(0, top - 1), magenta);
        EXPECT_EQ(at(c.w - 1, top), white);
        EXPECT_EQ(text_at(m_screen.get(), 20, c.h - 27), "Lives: 3");
        EXPECT_EQ(text_at(m_screen.get(), 20, c.h - 12), "Score: 5");
        EXPECT_EQ(text_at(m_screen.get(), c.label_x, c.h - 29, 7), "Shield:");
        EXPECT_EQ(text_at(m_screen.get(), c.label_x, c.h - 14, 7), "Energy:");
        EXPECT_EQ(text_at(m_screen.get(), c.capacity_x, c.h - 14), "/10");
        EXPECT_EQ(text_at(m_screen.get(), c.money_x, c.h - 27), "Money: 7");
        // Both boxes: white frames of 202 x 12 from bars_left.
        for (int box_top : {top + 3, top + 18}) {
            SCOPED_TRACE(box_top);
            EXPECT_EQ(at(c.bars_left - 1, box_top + 5), black);
            EXPECT_EQ(at(c.bars_left, box_top), white);
            EXPECT_EQ(at(c.bars_left + 201, box_top + 11), white);
            EXPECT_EQ(at(c.bars_left + 202, box_top + 5), black);
            EXPECT_EQ(at(c.bars_left + 1, box_top + 1), rgb(0, 255, 0));
            EXPECT_EQ(at(c.bars_left + 200, box_top + 10), rgb(0, 255, 0));
        }
    }
}

namespace {
struct bar_case {
    const char* name;
    int shield;
    float energy, max_energy;
    // Expected width and colour of the shield bar, then of the energy bar.
    int shield_w;
    rgba shield_colour;
    int energy_w;
    rgba energy_colour;
};

const bar_case bar_cases[] = {
    {"full", 10, 10.0f, 10.0f, 200, rgb(0, 255, 0), 200, rgb(0, 255, 0)},
    {"empty", 0, 0.0f, 10.0f, 0, rgb(255, 0, 0), 0, rgb(255, 0, 0)},
    {"shield 3", 3, 10.0f, 10.0f, 60, rgb(178, 76, 0), 200, rgb(0, 255, 0)},
    {"half", 5, 5.0f, 10.0f, 100, rgb(127, 127, 0), 100, rgb(127, 127, 0)},
    {"shield 7, a third of the energy", 7, 1.0f, 3.0f, 140, rgb(76, 178, 0), 66,
     rgb(169, 85, 0)},
    {"shield 1, a quarter", 1, 2.5f, 10.0f, 20, rgb(229, 25, 0), 50, rgb(191, 63, 0)},
    {"above the maximum", 15, 12.0f, 10.0f, 200, rgb(0, 255, 0), 200, rgb(0, 255, 0)},
    {"below zero", -2, -1.0f, 10.0f, 0, rgb(255, 0, 0), 0, rgb(255, 0, 0)},
    // 200 x 0.02 in float is 4, in double a little below.
    {"a fiftieth", 10, 0.2f, 10.0f, 200, rgb(0, 255, 0), 4, rgb(249, 5, 0)},
    {"large capacity", 9, 10.0f, 24.5f, 180, rgb(25, 229, 0), 81, rgb(150, 104, 0)},
    // No capacity at all: an empty bar, not a division by zero.
    {"no capacity", 10, 0.0f, 0.0f, 200, rgb(0, 255, 0), 0, rgb(255, 0, 0)},
};

std::ostream& operator<<(std::ostream& out, const bar_case& c) { return out << c.name; }

class status_bars : public status_bar_test, public testing::WithParamInterface<bar_case> {
protected:
    // The inside of a box from (250, box_top): the bar of width w in its
    // colour, black to its right, the white frame around.
    void expect_bar(int box_top, int w, const rgba& colour)
    {
        const int inside_top = box_top + 1;
        for (int y : {inside_top, inside_top + 9}) {
            SCOPED_TRACE(y);
            if (w > 0) {
                EXPECT_EQ(at(251, y), colour);
                EXPECT_EQ(at(250 + w, y), colour);
            }
            if (w < 200) {
                EXPECT_EQ(at(251 + w, y), black);
                EXPECT_EQ(at(450, y), black);
            }
            EXPECT_EQ(at(250, y), white);
            EXPECT_EQ(at(451, y), white);
        }
        EXPECT_EQ(at(251, box_top), white);
        EXPECT_EQ(at(251, box_top + 11), white);
        EXPECT_EQ(at(450, box_top + 11), white);
    }
};
}

TEST_P(status_bars, width_and_colour_follow_the_fractions)
{
    const bar_case& c = GetParam();
    status() = {0, 0, c.shield, 3, false, c.energy, c.max_energy, 0.0f};
    draw();
    {
        SCOPED_TRACE("shield");
        expect_bar(451, c.shield_w, c.shield_colour);
    }
    {
        SCOPED_TRACE("energy");
        expect_bar(466, c.energy_w, c.energy_colour);
    }
}

INSTANTIATE_TEST_SUITE_P(all, status_bars, testing::ValuesIn(bar_cases),
                         [](const testing::TestParamInfo<bar_case>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

TEST_F(status_bar_test, invulnerability_whitens_the_shield_box_from_its_left_edge)
{
    struct {
        float invulnerability;
        int width;  // of the white overlay from x = 250; 0 for none
    } cases[] = {
        {5.0f, 202}, {7.5f, 202}, {2.5f, 101}, {1.0f, 40}, {0.04f, 1}, {0.0f, 0}, {-1.0f, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.invulnerability);
        status() = {0, 0, 10, 3, false, 10.0f, 10.0f, c.invulnerability};
        draw();
        for (int y : {451, 456, 462}) {
            SCOPED_TRACE(y);
            if (c.width > 1) {
                EXPECT_EQ(at(250 + c.width - 1, y), white);
            }
            if (c.width < 202) {
                // The full green bar shows to the right of the overlay,
                // the box's frame above and below.
                rgba beyond = at(std::max(250 + c.width, 251), y);
                EXPECT_EQ(beyond, y == 456 ? rgb(0, 255, 0) : white);
            }
        }
        // The energy box below is never covered.
        EXPECT_EQ(at(300, 470), rgb(0, 255, 0));
    }
}

TEST_F(status_bar_test, capacity_is_the_maximum_energy_rounded_halves_up)
{
    struct {
        float max_energy;
        const char* shown;
    } cases[] = {
        {10.0f, "/10"}, {24.5f, "/25"}, {24.6f, "/25"}, {24.4f, "/24"}, {10.5f, "/11"}, {0.0f, "/0"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.max_energy);
        status() = {0, 0, 10, 3, false, 1.0f, c.max_energy, 0.0f};
        draw();
        EXPECT_EQ(text_at(m_screen.get(), 457, 466), c.shown);
    }
}

TEST_F(status_bar_test, redraws_the_whole_bar_over_an_older_one)
{
    status() = {987654, 12345, 10, 3, false, 10.0f, 24.6f, 5.0f};
    draw();
    status() = {5, 0, 2, 1, false, 0.0f, 10.0f, 0.0f};
    draw();
    EXPECT_EQ(text_at(m_screen.get(), 20, 453), "Lives: 1");
    EXPECT_EQ(text_at(m_screen.get(), 20, 468), "Score: 5");
    EXPECT_EQ(text_at(m_screen.get(), 457, 466), "/10");
    EXPECT_EQ(text_at(m_screen.get(), 530, 453), "Money: 0");
    // The longer texts of the old bar are gone, and so are its full bars
    // and overlay.
    EXPECT_EQ(glyph_at(m_screen.get(), 20 + 8 * 8, 468), -1);
    EXPECT_EQ(glyph_at(m_screen.get(), 530 + 8 * 8, 453), -1);
    EXPECT_EQ(at(300, 455), black);
    EXPECT_EQ(at(251, 455), rgb(203, 51, 0));
    EXPECT_EQ(at(300, 470), black);
}
