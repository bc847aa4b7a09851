// The pictures as the game reads them: the font's layout and glyphs, the
// title picture with its quiet text panel, the set of file names, and the
// pictures whose pixels fly apart as debris.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
const int cell_w = 8, cell_h = 12, cells = 96;

std::vector<uint8_t> cell_pixels(const png_picture& font, int cell)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < cell_h; ++y)
        for (int x = 0; x < cell_w; ++x) {
            const uint8_t* p = font.at(cell * cell_w + x, y);
            out.insert(out.end(), p, p + 4);
        }
    return out;
}

class font_picture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { font = read_png(generated_images() + "/font.png"); }
    static png_picture font;
};
png_picture font_picture::font;
}

TEST_F(font_picture, is_one_row_of_96_cells)
{
    EXPECT_EQ(font.width, cells * cell_w);
    EXPECT_EQ(font.height, cell_h);
}

TEST_F(font_picture, space_is_empty_and_every_other_glyph_has_ink_and_outline)
{
    ASSERT_EQ(font.width, cells * cell_w);
    for (int y = 0; y < cell_h; ++y)
        for (int x = 0; x < cell_w; ++x)
            ASSERT_EQ(font.at(x, y)[3], 0) << "space at " << x << "," << y;
    for (int cell = 1; cell < cells; ++cell) {
        int light = 0, dark = 0;
        for (int y = 0; y < cell_h; ++y)
            for (int x = 0; x < cell_w; ++x) {
                int px = cell * cell_w + x;
                if (font.at(px, y)[3] < 200)
                    continue;
                float l = font.luminance(px, y);
                light += l > 0.7f;
                dark += l < 0.1f;
                // The lit strokes keep clear of the cell's edges, which
                // belong to the outline.
                if (l > 0.7f) {
                    EXPECT_TRUE(x > 0 && x < cell_w - 1 && y > 0 && y < cell_h - 1)
                        << "character " << cell + 32 << " lit at the cell edge " << x << "," << y;
                }
            }
        EXPECT_GT(light, 0) << "character " << cell + 32 << " has no light stroke";
        EXPECT_GT(dark, light / 2) << "character " << cell + 32 << " has no dark outline";
    }
}

TEST_F(font_picture, every_glyph_differs_from_every_other)
{
    ASSERT_EQ(font.width, cells * cell_w);
    std::vector<std::vector<uint8_t>> all;
    for (int cell = 0; cell < cells; ++cell)
        all.push_back(cell_pixels(font, cell));
    for (int a = 0; a < cells; ++a)
        for (int b = a + 1; b < cells; ++b)
            EXPECT_NE(all[a], all[b]) << "characters " << a + 32 << " and " << b + 32 << " look the same";
}

TEST(title_picture, is_opaque_640_by_480_with_a_bright_name)
{
    png_picture title = read_png(generated_images() + "/title.png");
    ASSERT_EQ(title.width, 640);
    ASSERT_EQ(title.height, 480);
    int see_through = 0;
    for (int y = 0; y < title.height; ++y)
        for (int x = 0; x < title.width; ++x)
            see_through += title.at(x, y)[3] != 255;
    EXPECT_EQ(see_through, 0);
    // The name stands in the upper band, bright against the dark sky.
    int bright = 0;
    for (int y = 50; y < 160; ++y)
        for (int x = 40; x < 600; ++x)
            bright += title.luminance(x, y) > 0.8f;
    EXPECT_GT(bright, 5000);
}

TEST(title_picture, keeps_the_text_area_plain_and_dark)
{
    // The game writes its two lines of text at (300, 300) and (300, 315).
    png_picture title = read_png(generated_images() + "/title.png");
    ASSERT_EQ(title.width, 640);
    double sum = 0, sum2 = 0;
    float lo = 1, hi = 0;
    int n = 0;
    for (int y = 295; y < 330; ++y)
        for (int x = 300; x < 560; ++x) {
            float l = title.luminance(x, y);
            sum += l;
            sum2 += l * l;
            lo = std::min(lo, l);
            hi = std::max(hi, l);
            ++n;
        }
    double mean = sum / n, deviation = std::sqrt(std::max(0.0, sum2 / n - mean * mean));
    EXPECT_LT(mean, 0.08);
    EXPECT_LT(deviation, 0.01);
    EXPECT_LT(hi - lo, 0.05f);
}

TEST(picture_files, are_exactly_those_the_game_loads_by_name)
{
    // A name off by one letter (or its case) would leave the game with its
    // placeholder picture.
    std::set<std::string> wanted = {"font.png", "title.png"};
    wanted.insert(tile_files().begin(), tile_files().end());
    wanted.insert(mover_files().begin(), mover_files().end());
    wanted.insert(enemy_files().begin(), enemy_files().end());
    wanted.insert(shop_files().begin(), shop_files().end());
    EXPECT_EQ(wanted.size(), 2 + 45 + 13 + 29 + 16u) << "no name twice in the lists";
    std::set<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(generated_images()))
        made.insert(entry.path().filename().string());
    for (const std::string& file : wanted)
        EXPECT_TRUE(made.count(file)) << file << " is missing";
    for (const std::string& file : made)
        EXPECT_TRUE(wanted.count(file)) << file << " is not a picture the game loads";
}

TEST(picture_debris, what_bursts_shows_its_pieces_against_open_space)
{
    // The game breaks these pictures into flying pixels on the near-black
    // of open space. A body of mostly dark pixels bursts into nothing
    // visible, so each one's solid pixels must average some light.
    std::vector<std::string> bursting = {"ship.png",  "shot.png",  "shover.png", "rocket.png",       "plasmoid.png",
                                         "wshot.png", "heart.png", "ball.png",   "coin.png",
                                         "recking_ball.png", "block.png"};
    bursting.insert(bursting.end(), enemy_files().begin(), enemy_files().end());
    for (const std::string& file : bursting) {
        const png_picture& p = generated_picture(file);
        double light = 0;
        int solid = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (p.alpha(x, y) >= 128) {
                    light += p.luminance(x, y);
                    ++solid;
                }
        ASSERT_GT(solid, 0) << file;
        EXPECT_GE(light / solid, 0.2) << file << " bursts into pieces too dark to see";
    }
}
