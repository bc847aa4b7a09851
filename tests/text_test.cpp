// The bitmap font: glyph cells, '?' for bytes without a glyph, widths,
// centring and loading.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "etc.h"
#include "test_support.h"
#include "text.h"

namespace {
class text_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        m_target.reset(create_surface(400, 100, no_alpha_channel));
    }
    void TearDown() override
    {
        text::exit();
        m_target.reset();
        run_dir_test::TearDown();
    }
    surface_ptr m_target;
};

const int question_cell = '?' - 32;
}

TEST_F(text_test, draws_one_cell_per_byte_with_question_marks_for_the_rest)
{
    write_test_font(path("images/font.png"));
    struct {
        std::string str;
        std::vector<int> cells;
    } cases[] = {
        {"AB", {'A' - 32, 'B' - 32}},
        {"A\nB", {'A' - 32, question_cell, 'B' - 32}},
        {std::string("\t\x01", 2), {question_cell, question_cell}},
        {std::string("x\xc8y", 3), {'x' - 32, question_cell, 'y' - 32}},
        {"\x7f ~", {95, 0, '~' - 32}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.str);
        SDL_FillRect(m_target.get(), nullptr, 0);
        text::draw(c.str, m_target.get(), 10, 20, 0);
        EXPECT_EQ(text::width(c.str), 8 * static_cast<int>(c.str.size()));
        for (size_t i = 0; i < c.cells.size(); ++i) {
            // The space glyph is blank: its marker is there, its bits are not.
            EXPECT_EQ(glyph_at(m_target.get(), 10 + 8 * static_cast<int>(i), 20), c.cells[i]) << i;
        }
        EXPECT_EQ(glyph_at(m_target.get(), 10 + 8 * static_cast<int>(c.cells.size()), 20), -1);
    }
}

TEST_F(text_test, empty_string_draws_nothing)
{
    write_test_font(path("images/font.png"));
    text::draw("", m_target.get(), 0, 0, 0);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(pixel_rgba(m_target.get(), x, 0).r, 0);
    EXPECT_EQ(text::width(""), 0);
}

TEST_F(text_test, colour_argument_changes_nothing)
{
    write_test_font(path("images/font.png"));
    surface_ptr other(create_surface(400, 100, no_alpha_channel));
    text::draw("Score: 42", m_target.get(), 3, 4, SDL_MapRGB(m_target->format, 255, 0, 0));
    text::draw("Score: 42", other.get(), 3, 4, SDL_MapRGB(other->format, 0, 0, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(getpixel(m_target.get(), x, y), getpixel(other.get(), x, y)) << x << "," << y;
}

TEST_F(text_test, cell_size_comes_from_the_picture)
{
    struct {
        int cell_w, h, extra;
    } cases[] = {{10, 12, 0}, {10, 12, 40}, {8, 13, 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.extra);
        text::exit();
        write_test_font(path("images/font.png"), c.cell_w, c.h, c.extra);
        text::init();
        EXPECT_EQ(text::width("Score: "), 7 * c.cell_w);
        SDL_FillRect(m_target.get(), nullptr, 0);
        text::draw("~", m_target.get(), 0, 0, 0);
        EXPECT_EQ(glyph_at(m_target.get(), 0, 0, c.cell_w), '~' - 32);
    }
}

TEST_F(text_test, draw_centre_halves_before_subtracting)
{
    write_test_font(path("images/font.png"), 10, 12);
    text::init();
    text::draw_centre("abc", m_target.get(), 100, 50, 0);
    // 100 - 30/2 = 85, 50 - 12/2 = 44
    EXPECT_EQ(glyph_at(m_target.get(), 85, 44, 10), 'a' - 32);
    EXPECT_EQ(glyph_at(m_target.get(), 105, 44, 10), 'c' - 32);
    SDL_FillRect(m_target.get(), nullptr, 0);
    text::draw_centre("ab", m_target.get(), 101, 51, 0);
    EXPECT_EQ(glyph_at(m_target.get(), 91, 45, 10), 'a' - 32);
}

TEST_F(text_test, loads_once_and_exit_is_safe_without_a_font)
{
    text::exit();
    write_test_font(path("images/font.png"));
    text::init();
    std::remove(path("images/font.png").c_str());
    testing::internal::CaptureStdout();
    text::init();
    text::draw("A", m_target.get(), 0, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(glyph_at(m_target.get(), 0, 0), 'A' - 32);
    text::exit();
    text::exit();
}

TEST_F(text_test, missing_font_becomes_an_invisible_placeholder_logged_once)
{
    testing::internal::CaptureStdout();
    text::init();
    text::draw("Hello", m_target.get(), 0, 0, 0);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log, "loadimag, line 111: Could not open images/font.png\n");
    // The placeholder is 200 x 20: glyphs 2 pixels wide, all transparent.
    EXPECT_EQ(text::width("Hello"), 10);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(pixel_rgba(m_target.get(), x, y).r, 0);
}
