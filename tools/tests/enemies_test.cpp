// The enemies' pictures as the game uses them: sizes, bodies that are
// solid exactly where they show and in one piece; turrets that are one
// turret on four walls; a bullet unlike the player's; the bobbler's
// tentacles, the miner's spikes and lamp; the graldor's birth frames and
// the mouth its baby leaves by.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
struct enemy_picture {
    const char* file;
    int min_w, max_w, min_h, max_h;
    bool collides; // the block bursts touch nothing and fly apart
};
const enemy_picture enemies[] = {
    {"turret_up.png", 32, 32, 32, 32, true},    {"turret_down.png", 32, 32, 32, 32, true},
    {"turret_left.png", 32, 32, 32, 32, true},  {"turret_right.png", 32, 32, 32, 32, true},
    {"t_shot.png", 5, 7, 5, 7, true},           {"bobbler.png", 14, 18, 14, 18, true},
    {"miner.png", 22, 26, 22, 26, true},        {"graldor0.png", 32, 32, 32, 32, true},
    {"graldor1.png", 32, 32, 32, 32, true},     {"graldor2.png", 32, 32, 32, 32, true},
    {"graldor3.png", 32, 32, 32, 32, true},     {"graldor4.png", 32, 32, 32, 32, true},
    {"graldor5.png", 32, 32, 32, 32, true},     {"graldor6.png", 32, 32, 32, 32, true},
    {"graldor7.png", 32, 32, 32, 32, true},     {"graldor8.png", 32, 32, 32, 32, true},
    {"graldor9.png", 32, 32, 32, 32, true},     {"baby_graldor.png", 7, 9, 7, 9, true},
    {"invader1.png", 26, 30, 18, 22, true},     {"invader2.png", 26, 30, 18, 22, true},
    {"blockexplo0.png", 32, 32, 32, 32, false}, {"blockexplo1.png", 32, 32, 32, 32, false},
    {"blockexplo2.png", 32, 32, 32, 32, false}, {"blockexplo3.png", 32, 32, 32, 32, false},
    {"ufo.png", 90, 100, 36, 44, true},         {"ast_ufo.png", 60, 68, 28, 36, true},
    {"asteroid1.png", 38, 42, 38, 42, true},    {"asteroid2.png", 22, 26, 22, 26, true},
    {"asteroid3.png", 12, 16, 12, 16, true},
};


struct rgb {
    float r = 0, g = 0, b = 0;
};
rgb colour_at(const png_picture& p, int x, int y)
{
    const uint8_t* c = p.at(x, y);
    return {c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f};
}
rgb mean_colour(const png_picture& p)
{
    rgb sum;
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.alpha(x, y) > 0) {
                rgb c = colour_at(p, x, y);
                sum.r += c.r;
                sum.g += c.g;
                sum.b += c.b;
                ++n;
            }
    if (n)
        sum = {sum.r / n, sum.g / n, sum.b / n};
    return sum;
}

// ---- Turrets -------------------------------------------------------------

const int cell = 32;

// A turret seen in its own frame: u counts pixels out from the wall it
// stands on, v runs along that wall.
struct turret {
    const char* file;
    const char* wall;
    int (*x)(int u, int v);
    int (*y)(int u, int v);
};
const turret turrets[] = {
    {"turret_up.png", "floor", [](int, int v) { return v; }, [](int u, int) { return cell - 1 - u; }},
    {"turret_down.png", "ceiling", [](int, int v) { return v; }, [](int u, int) { return u; }},
    {"turret_left.png", "wall on its right", [](int u, int) { return cell - 1 - u; }, [](int, int v) { return v; }},
    {"turret_right.png", "wall on its left", [](int u, int) { return u; }, [](int, int v) { return v; }},
};

int turret_alpha(const png_picture& p, const turret& t, int u, int v) { return p.alpha(t.x(u, v), t.y(u, v)); }

// ---- Graldors ------------------------------------------------------------

// The graldor's frames in the order the game plays a birth.
const char* const birth_order[] = {"graldor1.png", "graldor2.png", "graldor3.png", "graldor4.png", "graldor5.png",
                                   "graldor6.png", "graldor7.png", "graldor8.png", "graldor9.png", "graldor0.png"};
// The baby leaves with its top-left corner here.
const int baby_x = 12, baby_y = 19;

// The open mouth: the glowing red of the gullet below the eyes, in the
// lower middle where the baby comes out.
bool gullet(const png_picture& p, int x, int y)
{
    if (p.alpha(x, y) == 0)
        return false;
    rgb c = colour_at(p, x, y);
    return c.r > c.g + 0.25f && c.r > c.b + 0.25f;
}
int gullet_area(const png_picture& p)
{
    int n = 0;
    for (int y = baby_y; y < cell; ++y)
        for (int x = 8; x < 24; ++x)
            n += gullet(p, x, y);
    return n;
}
}

TEST(enemy_pictures, have_their_sizes_and_solid_bodies_in_one_piece)
{
    EXPECT_EQ(std::size(enemies), enemy_files().size());
    for (const enemy_picture& e : enemies) {
        const png_picture& p = generated_picture(e.file);
        EXPECT_GE(p.width, e.min_w) << e.file;
        EXPECT_LE(p.width, e.max_w) << e.file;
        EXPECT_GE(p.height, e.min_h) << e.file;
        EXPECT_LE(p.height, e.max_h) << e.file;
        EXPECT_GT(p.count_alpha(255), 0) << e.file << " shows nothing";
        if (!e.collides)
            continue;
        EXPECT_GT(p.count_alpha(255), p.width * p.height / 8) << e.file << " shows little";
        // Any alpha above 0 is body to the collision tests.
        EXPECT_EQ(p.count_alpha(1) - p.count_alpha(40), 0) << e.file << " has faint pixels";
        EXPECT_EQ(halo_pixels(p), 0) << e.file;
        EXPECT_EQ(body_pieces(p), 1) << e.file << " has stray pieces";
    }
}

TEST(enemy_pictures, are_lit_from_the_upper_left)
{
    for (const char* file : {"turret_up.png", "turret_down.png", "turret_left.png", "turret_right.png", "bobbler.png",
                             "miner.png", "graldor0.png", "invader1.png", "ufo.png", "ast_ufo.png", "asteroid1.png",
                             "asteroid2.png", "asteroid3.png"}) {
        lean l = light_lean(generated_picture(file));
        EXPECT_LT(l.x, 0) << file;
        EXPECT_LT(l.y, 0) << file;
    }
}

TEST(turret_pictures, are_one_turret_on_four_walls)
{
    // In its own frame each turret has exactly the same body, and that body
    // is the same on both sides of its barrel, so the four are one turret
    // turned (down is up flipped, left is up turned a quarter, and so on).
    const png_picture& up = generated_picture(turrets[0].file);
    ASSERT_EQ(up.width, cell);
    for (const turret& t : turrets) {
        const png_picture& p = generated_picture(t.file);
        ASSERT_EQ(p.width, cell) << t.file;
        int differ = 0, lopsided = 0;
        for (int u = 0; u < cell; ++u)
            for (int v = 0; v < cell; ++v) {
                differ += (turret_alpha(p, t, u, v) > 0) != (turret_alpha(up, turrets[0], u, v) > 0);
                lopsided += (turret_alpha(p, t, u, v) > 0) != (turret_alpha(p, t, u, cell - 1 - v) > 0);
            }
        EXPECT_EQ(differ, 0) << t.file;
        EXPECT_EQ(lopsided, 0) << t.file;
    }
}

TEST(turret_pictures, stand_on_their_wall_and_aim_away_from_it)
{
    for (const turret& t : turrets) {
        const png_picture& p = generated_picture(t.file);
        ASSERT_EQ(p.width, cell) << t.file;
        int foot = 0;
        for (int v = 0; v < cell; ++v)
            foot += turret_alpha(p, t, 0, v) == 255;
        EXPECT_GE(foot, 24) << t.file << " does not stand on the " << t.wall;
        // Away from the wall only the barrel: narrow, on the middle line,
        // reaching almost across the cell.
        int reach = 0;
        for (int u = cell / 2 + 4; u < cell; ++u)
            for (int v = 0; v < cell; ++v)
                if (turret_alpha(p, t, u, v) > 0) {
                    EXPECT_LE(std::abs(2 * v - (cell - 1)), 9) << t.file << " at " << u << "," << v;
                    reach = std::max(reach, u + 1);
                }
        EXPECT_GE(reach, cell - 2) << t.file << " does not aim away from the " << t.wall;
        for (int u = 0; u < cell; ++u)
            EXPECT_GT(turret_alpha(p, t, u, 15) + turret_alpha(p, t, u, 16), 0)
                << t.file << ": a gap between the foot and the muzzle at " << u;
    }
}

TEST(bullet_picture, is_round_and_red_hot_unlike_the_players_shot)
{
    const png_picture& bullet = generated_picture("t_shot.png");
    ASSERT_GT(bullet.width, 0);
    ASSERT_EQ(bullet.width, bullet.height);
    for (int y = 0; y < bullet.height; ++y)
        for (int x = 0; x < bullet.width; ++x) {
            EXPECT_EQ(bullet.alpha(x, y) > 0, bullet.alpha(bullet.width - 1 - x, y) > 0) << x << "," << y;
            EXPECT_EQ(bullet.alpha(x, y) > 0, bullet.alpha(x, bullet.height - 1 - y) > 0) << x << "," << y;
        }
    EXPECT_EQ(bullet.alpha(0, 0), 0) << "round, not square";
    rgb hot = mean_colour(bullet), pellet = mean_colour(generated_picture("shot.png"));
    EXPECT_GT(hot.r, 0.6f);
    EXPECT_GT(hot.r - hot.g, 0.4f) << "red or magenta";
    EXPECT_GT(pellet.g - hot.g, 0.3f) << "the player's yellow pellet and the enemy bullet look alike";
    float brightest = 0;
    for (int y = 0; y < bullet.height; ++y)
        for (int x = 0; x < bullet.width; ++x)
            brightest = std::max(brightest, bullet.luminance(x, y));
    EXPECT_GT(brightest, 0.75f) << "a white-hot heart";
}

TEST(drifter_pictures, the_bobbler_trails_tentacles_and_the_miner_bristles_round_its_lamp)
{
    // Near its bottom the bobbler is three tentacles, apart.
    const png_picture& bobbler = generated_picture("bobbler.png");
    ASSERT_GT(bobbler.height, 4);
    for (int y : {bobbler.height - 3, bobbler.height - 2}) {
        int runs = 0;
        for (int x = 0; x < bobbler.width; ++x)
            runs += bobbler.alpha(x, y) > 0 && bobbler.alpha(x - 1, y) == 0;
        EXPECT_EQ(runs, 3) << "row " << y;
    }

    // Round the miner, well out from its ball, eight separate spikes.
    const png_picture& miner = generated_picture("miner.png");
    ASSERT_GT(miner.width, 20);
    const float cx = miner.width / 2.0f, cy = miner.height / 2.0f;
    for (float radius : {9.0f, 10.0f}) {
        int spikes = 0;
        bool before = false;
        for (int i = 0; i <= 720; ++i) {
            float a = 6.2831853f * i / 720;
            bool on = miner.alpha(static_cast<int>(std::floor(cx + radius * std::cos(a))),
                                  static_cast<int>(std::floor(cy + radius * std::sin(a)))) > 0;
            spikes += on && !before && i > 0;
            before = on;
        }
        EXPECT_GE(spikes, 8) << "at radius " << radius;
        EXPECT_LE(spikes, 9) << "at radius " << radius; // a spike cut where the walk starts counts twice
    }
    rgb lamp = colour_at(miner, miner.width / 2, miner.height / 2);
    EXPECT_GT(lamp.r, 0.8f) << "the warning lamp in its middle is lit red";
    EXPECT_GT(lamp.r, lamp.b + 0.1f);
}

TEST(graldor_pictures, every_frame_differs_and_the_body_swells_before_the_birth)
{
    std::vector<const png_picture*> frames;
    for (const char* file : birth_order) {
        frames.push_back(&generated_picture(file));
        ASSERT_EQ(frames.back()->width, cell) << file;
        ASSERT_EQ(frames.back()->height, cell) << file;
    }
    for (size_t a = 0; a < frames.size(); ++a)
        for (size_t b = a + 1; b < frames.size(); ++b)
            EXPECT_NE(frames[a]->rgba, frames[b]->rgba) << birth_order[a] << " and " << birth_order[b];
    const png_picture& rest = generated_picture("graldor0.png");
    const png_picture& strain = generated_picture("graldor4.png");
    EXPECT_GT(strain.count_alpha(1), rest.count_alpha(1) + 20) << "it swells as the baby comes";
}

TEST(graldor_pictures, the_mouth_opens_widest_as_the_baby_leaves_and_shuts_at_rest)
{
    std::vector<int> open;
    for (const char* file : birth_order)
        open.push_back(gullet_area(generated_picture(file)));
    // The baby leaves as graldor4 gives way to graldor5.
    size_t widest = std::max_element(open.begin(), open.end()) - open.begin();
    EXPECT_TRUE(widest == 3 || widest == 4) << "widest at " << birth_order[widest];
    for (size_t i = 1; i < open.size(); ++i) {
        if (i <= widest) {
            EXPECT_GT(open[i], open[i - 1]) << birth_order[i] << " opens no wider than the frame before";
        } else {
            EXPECT_LT(open[i], open[i - 1]) << birth_order[i] << " closes no further than the frame before";
        }
    }
    EXPECT_EQ(open.back(), 0) << "the resting graldor's mouth is shut";

    // At its widest the mouth is round the place where the baby appears.
    const png_picture& wide = generated_picture(birth_order[widest]);
    EXPECT_GE(open[widest], 40);
    EXPECT_TRUE(gullet(wide, baby_x + 4, baby_y + 4));
    EXPECT_TRUE(gullet(wide, baby_x + 1, baby_y + 4));
    EXPECT_TRUE(gullet(wide, baby_x + 6, baby_y + 4));
}

TEST(graldor_pictures, the_baby_is_of_its_flesh_and_born_inside_it)
{
    const png_picture& baby = generated_picture("baby_graldor.png");
    const png_picture& mother = generated_picture("graldor4.png");
    ASSERT_GT(baby.width, 0);
    ASSERT_EQ(mother.width, cell);
    for (int y = 0; y < baby.height; ++y)
        for (int x = 0; x < baby.width; ++x)
            if (baby.alpha(x, y) > 0) {
                EXPECT_GT(mother.alpha(baby_x + x, baby_y + y), 0) << "the baby shows outside its mother at " << x
                                                                   << "," << y;
            }
    rgb young = mean_colour(baby), old = mean_colour(generated_picture("graldor0.png"));
    EXPECT_GT(young.g, young.r) << "green like its mother";
    EXPECT_NEAR(young.g, old.g, 0.2f);
}
