// The movers' pictures as the game uses them: their sizes, no faint pixels
// on anything that collides, round shots, a ship whose body carries its
// weapon mounts, a ball centred in its tile, and the indicators.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
struct mover_picture {
    const char* file;
    int min_w, max_w, min_h, max_h;
    bool collides;
};
const mover_picture movers[] = {
    {"ship.png", 32, 32, 32, 32, true},         {"ball.png", 32, 32, 32, 32, true},
    {"shot.png", 4, 6, 4, 6, true},             {"shover.png", 7, 9, 7, 9, true},
    {"rocket.png", 7, 9, 7, 9, true},           {"plasmoid.png", 9, 11, 9, 11, true},
    {"wshot.png", 3, 5, 3, 5, true},            {"heart.png", 9, 11, 8, 10, true},
    {"coin.png", 11, 13, 11, 13, true},         {"recking_ball.png", 18, 22, 18, 22, true},
    {"tractor.png", 4, 6, 4, 6, false},         {"wcircle50.png", 50, 50, 50, 50, false},
    {"transpixel.png", 1, 1, 1, 1, false},
};

// Pixels whose alpha differs by more than a little from their mirror image.
int asymmetric_pixels(const png_picture& p, bool left_right, bool up_down)
{
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int mx = left_right ? p.width - 1 - x : x, my = up_down ? p.height - 1 - y : y;
            n += std::abs(p.alpha(x, y) - p.alpha(mx, my)) > 40;
        }
    return n;
}


// True when an opaque pixel's centre lies within reach of (x, y).
bool body_near(const png_picture& p, float x, float y, float reach)
{
    for (int py = 0; py < p.height; ++py)
        for (int px = 0; px < p.width; ++px)
            if (p.alpha(px, py) >= 128 && std::hypot(px + 0.5f - x, py + 0.5f - y) <= reach)
                return true;
    return false;
}
}

TEST(mover_pictures, have_their_sizes_and_no_faint_pixels_where_they_collide)
{
    EXPECT_EQ(std::size(movers), mover_files().size());
    for (const mover_picture& m : movers) {
        const png_picture& p = generated_picture(m.file);
        EXPECT_GE(p.width, m.min_w) << m.file;
        EXPECT_LE(p.width, m.max_w) << m.file;
        EXPECT_GE(p.height, m.min_h) << m.file;
        EXPECT_LE(p.height, m.max_h) << m.file;
        if (!m.collides)
            continue;
        // Any alpha above 0 is body in the collision tests: a faint halo
        // would be hit where nothing shows.
        EXPECT_EQ(p.count_alpha(1) - p.count_alpha(40), 0) << m.file;
        EXPECT_EQ(halo_pixels(p), 0) << m.file;
        EXPECT_GT(p.count_alpha(200), p.width * p.height / 4) << m.file;
    }
}

TEST(mover_pictures, shots_are_round_since_they_fly_unturned)
{
    for (const char* file : {"shot.png", "shover.png", "rocket.png", "plasmoid.png", "wshot.png"}) {
        const png_picture& p = generated_picture(file);
        EXPECT_EQ(asymmetric_pixels(p, true, false), 0) << file;
        EXPECT_EQ(asymmetric_pixels(p, false, true), 0) << file;
    }
    EXPECT_EQ(asymmetric_pixels(generated_picture("heart.png"), true, false), 0);
}

TEST(ship_picture, carries_every_weapon_mount_on_its_body)
{
    const png_picture& ship = generated_picture("ship.png");
    ASSERT_EQ(ship.width, 32);
    // The mounts, from the ship's centre, nose up: nose, front pair, wing
    // tips, the side pairs and the tail pair.
    const float mounts[][2] = {{0, -15},   {-2.5f, -14.8f}, {2.5f, -14.8f}, {-15, 13.5f}, {15, 13.5f}, {-9, 0},
                               {9, 0},     {-9, 4},         {9, 4},         {-2, 16},     {2, 16}};
    for (const auto& m : mounts)
        EXPECT_TRUE(body_near(ship, 16 + m[0], 16 + m[1], 1.5f)) << "mount " << m[0] << "," << m[1];
    EXPECT_GE(std::max(ship.alpha(15, 0), ship.alpha(16, 0)), 200) << "the nose touches the top edge";
}

TEST(ship_picture, is_a_symmetric_arrowhead_with_clear_shoulders)
{
    const png_picture& ship = generated_picture("ship.png");
    ASSERT_EQ(ship.width, 32);
    EXPECT_EQ(asymmetric_pixels(ship, true, false), 0) << "it turns about its centre; its halves match";
    // Beside the nose, above the wings, nothing: the ship is no square.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(ship.alpha(x, y), 0) << x << "," << y;
            EXPECT_EQ(ship.alpha(31 - x, y), 0) << 31 - x << "," << y;
        }
    // The tail between the wing tips reaches the bottom edge.
    EXPECT_GE(ship.alpha(15, 31), 200);
    EXPECT_GE(ship.alpha(16, 31), 200);
}

TEST(ball_picture, is_a_sphere_centred_in_its_tile)
{
    // The ball lies on its source with its corner on the cell's corner, so
    // its sphere must sit in the middle of the 32 x 32 picture.
    const png_picture& ball = generated_picture("ball.png");
    ASSERT_EQ(ball.width, 32);
    double sum = 0, sx = 0, sy = 0;
    int x0 = 32, x1 = -1, y0 = 32, y1 = -1;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int a = ball.alpha(x, y);
            sum += a;
            sx += a * (x + 0.5);
            sy += a * (y + 0.5);
            if (a >= 128) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    ASSERT_GT(sum, 0);
    EXPECT_NEAR(sx / sum, 16, 0.3);
    EXPECT_NEAR(sy / sum, 16, 0.3);
    EXPECT_EQ(x0 + x1, 31) << "as much room on the left as on the right";
    EXPECT_EQ(y0 + y1, 31);
    EXPECT_GE(x1 - x0 + 1, 22);
    EXPECT_LE(x1 - x0 + 1, 25);
    // Round, not square: its corners are clear.
    for (int d = 0; d < 4; ++d) {
        int x = x0 + d, y = y0 + d;
        EXPECT_EQ(ball.alpha(x, y0), 0) << "top-left corner " << x;
        EXPECT_EQ(ball.alpha(x0, y), 0) << "top-left corner " << y;
    }
}

TEST(indicator_pictures, the_ring_is_white_round_and_hollow_and_the_empty_picture_empty)
{
    const png_picture& ring = generated_picture("wcircle50.png");
    ASSERT_EQ(ring.width, 50);
    EXPECT_EQ(ring.alpha(25, 25), 0) << "hollow";
    EXPECT_EQ(ring.alpha(0, 0), 0);
    for (int i = 0; i < 16; ++i) {
        float a = 6.2831853f * i / 16;
        int x = static_cast<int>(std::floor(25 + 22 * std::cos(a))), y = static_cast<int>(std::floor(25 + 22 * std::sin(a)));
        EXPECT_GE(ring.alpha(x, y), 200) << x << "," << y;
        EXPECT_GT(ring.luminance(x, y), 0.9f) << x << "," << y;
    }

    const png_picture& empty = generated_picture("transpixel.png");
    ASSERT_EQ(empty.width, 1);
    ASSERT_EQ(empty.height, 1);
    EXPECT_EQ(empty.alpha(0, 0), 0) << "a released carrier must touch nothing";

    const png_picture& dot = generated_picture("tractor.png");
    ASSERT_GT(dot.width, 2);
    EXPECT_GT(dot.alpha(dot.width / 2, dot.height / 2), 200) << "the beam's dots show";
}
