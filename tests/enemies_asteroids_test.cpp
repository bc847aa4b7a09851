// Asteroids: their random start, their drift without gravity, the billiard
// bounce off the map, and their break-up into smaller pieces and coins.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"

namespace {
using sound::POP;
typedef sound_recorder::heard heard;

const float step = 0.04f;

// A walled room of w x h tiles, the ship's spawn in its bottom-left corner.
std::vector<std::string> room(int w, int h)
{
    std::vector<std::string> rows(h, std::string(w, '.'));
    for (int x = 0; x < w; ++x)
        rows[0][x] = rows[h - 1][x] = '#';
    for (int y = 0; y < h; ++y)
        rows[y][0] = rows[y][w - 1] = '#';
    rows[h - 3][1] = 'S';
    return rows;
}

const char* const pictures[] = {"asteroid1.png", "asteroid2.png", "asteroid3.png"};
const float masses[] = {10, 5, 2.5f};

class asteroids : public sounding_arena_test {
protected:
    asteroid* add_asteroid(asteroid::size s, float x, float y, float dx, float dy)
    {
        asteroid* a = new asteroid(s);
        a->teleport(x, y);
        a->m_dx = dx;
        a->m_dy = dy;
        m_arena->add_mover(a);
        return a;
    }
    SDL_Surface* picture(const char* name) { return m_game->m_bmp_pool.get_bitmap(name); }
    // A new arena, which reads the tile pictures again.
    void new_arena()
    {
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
    }

};

struct direction_case {
    int draw;
    float dx, dy;  // roughly, to read the table by
};

// f = draw / 32767 of a turn; the velocity is (50 sin f, 50 cos f).
const direction_case direction_cases[] = {
    {0, 0, 50}, {8192, 50, 0}, {16384, 0, -50}, {24575, -50, 0}, {32767, 0, 50}, {5000, 41, 29},
};

TEST_F(asteroids, start_large_in_a_random_direction_at_50_pixels_a_second)
{
    for (const direction_case& c : direction_cases) {
        SCOPED_TRACE(c.draw);
        unsigned seed = seed_with_first_draw(c.draw);
        srand(seed);
        asteroid a;
        int next = rand15();
        srand(seed);
        rand15();
        EXPECT_EQ(next, rand15()) << "one draw";

        float f = static_cast<float>(static_cast<float>(c.draw / 32767.0) * 2 * pi);
        EXPECT_NEAR(a.m_dx, 50 * std::sin(f), 1e-3);
        EXPECT_NEAR(a.m_dy, 50 * std::cos(f), 1e-3);
        EXPECT_NEAR(a.m_dx, c.dx, 1.0);
        EXPECT_NEAR(a.m_dy, c.dy, 1.0);
        EXPECT_NEAR(std::sqrt(a.m_dx * a.m_dx + a.m_dy * a.m_dy), 50, 1e-3);
        EXPECT_EQ(a.pic(), picture("asteroid1.png"));
        EXPECT_EQ(a.m_mass, 10.0f);
    }
}

struct drift_case {
    const char* what;
    float air_resistance;
    float factor;  // of the speed kept each frame
};

const drift_case drift_cases[] = {
    {"without drag they keep their speed", 0, 1},
    {"drag slows them, gravity does not pull", 1, 1 - step / 10},
};

TEST_F(asteroids, drift_without_falling)
{
    for (const drift_case& c : drift_cases) {
        SCOPED_TRACE(c.what);
        build(room(30, 16));
        asteroid* a = add_asteroid(asteroid::AS_LARGE, 400, 200, 30, -40);
        m_arena->activate();
        m_arena->set_air_resistance(c.air_resistance);
        double dx = 30, dy = -40, x = 400, y = 200;
        for (int f = 0; f < 50; ++f) {
            frame();
            dx *= c.factor;
            dy *= c.factor;
            x += dx * step;
            y += dy * step;
        }
        EXPECT_NEAR(a->m_dx, dx, 1e-3);
        EXPECT_NEAR(a->m_dy, dy, 1e-3);
        EXPECT_NEAR(a->m_x, x, 1e-2);
        EXPECT_NEAR(a->m_y, y, 1e-2);
    }
}

struct bounce_case {
    const char* what;
    asteroid::size size;
    float x, y, dx, dy;
    float after_dx, after_dy;
};

// In a 20 x 12 room whose floor starts at y 352, with a wall column at
// x 160 to 191 and a top-left diagonal on the tile at (256, 160).
const bounce_case bounce_cases[] = {
    {"straight down onto the floor: straight up", asteroid::AS_LARGE, 300, 311, 0, 50, 0, -50},
    {"slanting onto the floor", asteroid::AS_LARGE, 300, 311, 30, 40, 30, -40},
    {"into a wall on its left", asteroid::AS_LARGE, 193, 200, -50, 0, 50, 0},
    // Its top-left corner meets the slope mid-tile; the normal is diagonal.
    {"along onto a 45 degree slope: turned down", asteroid::AS_SMALL, 277, 175, -50, 0, 0, 50},
};

TEST_F(asteroids, bounce_off_the_map_like_billiard_balls)
{
    for (const bounce_case& c : bounce_cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> rows = room(20, 12);
        for (int y = 1; y < 11; ++y)
            rows[y][5] = '#';
        rows[5][8] = '7';
        build(rows);
        asteroid* a = add_asteroid(c.size, c.x, c.y, c.dx, c.dy);
        m_arena->activate();
        m_arena->set_air_resistance(0);
        int f = 0;
        while (f < 25 && std::fabs(a->m_dx - c.dx) < 1e-3 && std::fabs(a->m_dy - c.dy) < 1e-3) {
            frame();
            ++f;
        }
        ASSERT_LT(f, 25) << "no bounce";
        EXPECT_NEAR(a->m_dx, c.after_dx, 1e-2);
        EXPECT_NEAR(a->m_dy, c.after_dy, 1e-2);
        EXPECT_NEAR(std::sqrt(a->m_dx * a->m_dx + a->m_dy * a->m_dy), 50, 1e-3) << "speed kept";
        // Free again: one bounce only.
        float dx = a->m_dx, dy = a->m_dy;
        frames(5);
        EXPECT_NEAR(a->m_dx, dx, 1e-3);
        EXPECT_NEAR(a->m_dy, dy, 1e-3);
    }
}

struct wall_normal_case {
    const char* what;
    float x, y, dx, dy;  // a small asteroid, its top-left corner touching the map
};

// In a 20 x 12 room whose floor starts at y 352, with a wall column at
// x 160 to 191, a top-left diagonal on the tile at (256, 160) and a lone
// block at (384, 160).
const wall_normal_case wall_normal_cases[] = {
    {"on the floor", 300, 339, 30, 40},
    {"into the wall column", 191, 200, -41.9f, 23.7f},
    {"in the corner of floor and wall", 191, 339, -30, 40},
    {"on the slope", 272, 172, -37.1f, 12.9f},
    {"on the lone block's top-left corner", 371, 147, 25.3f, 33.1f},
    {"on the lone block's bottom-right corner", 415, 191, -20, -45},
};

// The velocity and position after one bounce on a wall normal made of the
// sums (tx, ty), as the bounce works them out.
struct bounced {
    float dx, dy, x, y;
};
bounced bounce(float tx, float ty, const wall_normal_case& c, float time_interval)
{
    float len = std::sqrt(tx * tx + ty * ty);
    float n_x = tx / len, n_y = ty / len;
    float rdotv = c.dx * n_x + c.dy * n_y;
    // The reflection in double, the push-back in float.
    return {static_cast<float>(c.dx - 2.0 * rdotv * n_x), static_cast<float>(c.dy - 2.0 * rdotv * n_y),
            c.x - n_x * rdotv * time_interval, c.y - n_y * rdotv * time_interval};
}

TEST_F(asteroids, the_wall_normal_sums_each_term_in_double_stored_as_float)
{
    std::vector<std::string> rows = room(20, 12);
    for (int y = 1; y < 11; ++y)
        rows[y][5] = '#';
    rows[5][8] = '7';
    rows[5][12] = '#';
    bool float_sums_would_differ = false, double_sums_would_differ = false;
    for (const wall_normal_case& c : wall_normal_cases) {
        SCOPED_TRACE(c.what);
        build(rows);
        asteroid* a = add_asteroid(asteroid::AS_SMALL, c.x, c.y, c.dx, c.dy);
        m_arena->activate();
        int ix = 0, iy = 0;
        ASSERT_TRUE(m_arena->arena_collision(a->pic(), static_cast<int>(c.x), static_cast<int>(c.y), nullptr,
                                             nullptr, nullptr, &ix, &iy));

        // Over the opaque points round the hit point, not on ball sources:
        // (i, j) / r, each sum in double stored as float. Beside it the
        // same sums all in float, and kept in double to the end.
        float tx = 0, ty = 0, float_tx = 0, float_ty = 0;
        double double_tx = 0, double_ty = 0;
        for (int i = -5; i <= 5; ++i) {
            for (int j = -5; j <= 5; ++j) {
                int x = static_cast<int>(ix + c.x + i), y = static_cast<int>(iy + c.y + j);
                if ((i == 0 && j == 0) || m_arena->getalpha(x, y) != 255 ||
                    m_arena->get(x / 32, y / 32) == A_SOURCE)
                    continue;
                double r = std::sqrt(static_cast<double>(i * i + j * j));
                tx = static_cast<float>(tx + i / r);
                ty = static_cast<float>(ty + j / r);
                float float_r = std::sqrt(static_cast<float>(i * i + j * j));
                float_tx += i / float_r;
                float_ty += j / float_r;
                double_tx += i / r;
                double_ty += j / r;
            }
        }

        const float sub_step = 0.01f;
        a->notify_collision(A_BLOCK, sub_step);
        const bounced want = bounce(tx, ty, c, sub_step);
        EXPECT_EQ(a->m_dx, want.dx);
        EXPECT_EQ(a->m_dy, want.dy);
        EXPECT_EQ(a->m_x, want.x);
        EXPECT_EQ(a->m_y, want.y);

        const bounced with_float = bounce(float_tx, float_ty, c, sub_step);
        const bounced with_double =
            bounce(static_cast<float>(double_tx), static_cast<float>(double_ty), c, sub_step);
        float_sums_would_differ =
            float_sums_would_differ || with_float.dx != want.dx || with_float.dy != want.dy;
        double_sums_would_differ =
            double_sums_would_differ || with_double.dx != want.dx || with_double.dy != want.dy;
    }
    EXPECT_TRUE(float_sums_would_differ) << "no case tells the sums from sums in float";
    EXPECT_TRUE(double_sums_would_differ) << "no case tells the sums from sums kept in double";
}

bool lone_middle_pixel(int x, int y) { return x == 16 && y == 16; }
bool pixel_pair(int x, int y) { return (x == 16 || x == 17) && y == 16; }
bool lone_corner_pixel(int x, int y) { return x == 0 && y == 0; }
bool full_tile(int, int) { return true; }

struct neighbourhood_case {
    const char* what;
    bool (*cross_pipe)(int x, int y);  // the picture of the tile touched
    int px, py;                        // the pixel of it the asteroid covers
    bool among_sources;                // sources left of, above and above-left
    bool bounces;
};

const neighbourhood_case neighbourhood_cases[] = {
    {"a lone opaque pixel mid-tile: nothing round it", lone_middle_pixel, 16, 16, false, false},
    {"with an opaque neighbour to its right it bounces", pixel_pair, 16, 16, false, true},
    {"a lone corner pixel among sources: only sources round it", lone_corner_pixel, 0, 0, true, false},
    {"the same corner of a full tile among sources bounces", full_tile, 0, 0, true, true},
};

TEST_F(asteroids, ignore_contacts_with_no_opaque_wall_round_the_hit_point)
{
    for (const neighbourhood_case& c : neighbourhood_cases) {
        SCOPED_TRACE(c.what);
        write_shape(path("images/pipe_+.png"), 32, 32, c.cross_pipe);
        new_arena();
        std::vector<std::string> rows = room(20, 12);
        rows[5][8] = '+';
        if (c.among_sources)
            rows[4][7] = rows[4][8] = rows[5][7] = 'B';
        build(rows);
        // Its picture's pixel (7, 7) on the pixel of the tile.
        float x = 8 * 32 + c.px - 7, y = 5 * 32 + c.py - 7;
        asteroid* a = add_asteroid(asteroid::AS_SMALL, x, y, 30, -40);
        m_arena->activate();
        m_arena->set_air_resistance(0);
        frame();
        // A bounce in every sub-step of contact (the sign of the speed
        // along the normal is not tested) may turn the velocity back, but
        // the push-backs still show in the position.
        bool untouched = a->m_dx == 30 && a->m_dy == -40 && std::fabs(a->m_x - (x + 30 * step)) < 1e-4 &&
                         std::fabs(a->m_y - (y - 40 * step)) < 1e-4;
        EXPECT_EQ(untouched, !c.bounces);
    }
}

TEST_F(asteroids, take_seven_hits_to_clear_a_large_one_leaving_four_coins)
{
    build(room(30, 16));
    add_asteroid(asteroid::AS_LARGE, 460, 220, 10, 5);
    m_arena->activate();
    int hits = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<asteroid*> alive = all_of<asteroid>();
        ASSERT_EQ(alive.size(), static_cast<size_t>(1 << round));
        for (asteroid* a : alive) {
            EXPECT_EQ(a->pic(), picture(pictures[round]));
            EXPECT_EQ(a->m_mass, masses[round]);
            EXPECT_EQ(a->take_hit(1), 1.0);
            EXPECT_TRUE(a->is_dead());
            ++hits;
        }
        frame();
    }
    EXPECT_EQ(hits, 7);
    EXPECT_EQ(count_of<asteroid>(), 0);
    EXPECT_EQ(count_of<coin>(), 4);
    EXPECT_EQ(status().score, 0);
}

struct death_case {
    asteroid::size size;
    int pieces;  // of the next size; none leave a coin
    float offset;
    int volume;
    const char* key;
};

const death_case death_cases[] = {
    {asteroid::AS_LARGE, 2, 20, 128, "asteroid0"},
    {asteroid::AS_MEDIUM, 2, 10, 64, "asteroid1"},
    {asteroid::AS_SMALL, 0, 0, 32, "asteroid2"},
};

TEST_F(asteroids, break_into_pieces_on_a_diagonal_with_a_pop_and_an_explosion)
{
    for (const death_case& c : death_cases) {
        SCOPED_TRACE(c.key);
        build(room(30, 16));
        asteroid* a = add_asteroid(c.size, 460, 220, 20, -10);
        m_arena->activate();
        m_arena->set_gravity(0);
        m_arena->set_air_resistance(0);
        float cx = a->x_centre(), cy = a->y_centre();
        SDL_Surface* own = a->pic();
        m_recorder.clear();
        srand(99);
        EXPECT_EQ(a->take_hit(1), 1.0);
        if (m_sound) {
            EXPECT_EQ(m_recorder.heard_sounds(), (std::vector<heard>{{POP, c.volume}}));
        }

        m_arena->do_stuff(step);  // admits what the death made
        std::vector<asteroid*> pieces = all_of<asteroid>();
        ASSERT_EQ(static_cast<int>(pieces.size()), c.pieces);
        // The same sine on both axes: each piece up to the offset from the
        // centre along the diagonal, with the parent's velocity.
        srand(99);
        for (asteroid* p : pieces) {
            float f = static_cast<float>(2 * static_cast<double>(static_cast<float>(rand15() / 32767.0)) * pi);
            float off = c.offset * std::sin(f);
            EXPECT_NEAR(p->x_centre(), cx + off, 1e-3);
            EXPECT_NEAR(p->y_centre(), cy + off, 1e-3);
            EXPECT_EQ(p->pic(), picture(pictures[c.size + 1]));
            EXPECT_EQ(p->m_mass, masses[c.size + 1]);
            EXPECT_EQ(p->m_dx, 20.0f);
            EXPECT_EQ(p->m_dy, -10.0f);
        }

        std::vector<coin*> coins = all_of<coin>();
        ASSERT_EQ(coins.size(), c.pieces ? 0u : 1u);
        for (coin* k : coins) {
            EXPECT_NEAR(k->x_centre(), cx, 1e-3);
            EXPECT_NEAR(k->y_centre(), cy, 1e-3);
            EXPECT_EQ(k->m_dx, 20.0f);
            EXPECT_EQ(k->m_dy, -3.0f - 10.0f);
        }

        // Its own picture bursting under its size's key, with its velocity.
        std::vector<explosion*> bursts = all_of<explosion>();
        ASSERT_EQ(bursts.size(), 1u);
        std::unique_ptr<explosion> probe(m_game->m_exp_pool.get_explosion(c.key, nullptr));
        EXPECT_EQ(bursts[0]->pic(), probe->pic());
        EXPECT_EQ(bursts[0]->pic()->w, 5 * own->w);
        EXPECT_NEAR(bursts[0]->x_centre(), cx, 1e-3);
        EXPECT_NEAR(bursts[0]->y_centre(), cy, 1e-3);
        EXPECT_EQ(bursts[0]->m_dx, 20.0f);
        EXPECT_EQ(bursts[0]->m_dy, -10.0f);
        EXPECT_EQ(status().score, 0);

        // A force ball at the centre, 40 there and 0 at 50 px, parts them.
        std::vector<force_indicator*> balls = all_of<force_indicator>();
        ASSERT_EQ(balls.size(), c.pieces ? 1u : 0u);
        if (!c.pieces)
            continue;
        EXPECT_NEAR(balls[0]->x_centre(), cx, 1e-3);
        EXPECT_NEAR(balls[0]->y_centre(), cy, 1e-3);
        m_arena->apply_forces(step);
        for (asteroid* p : pieces) {
            double ox = p->x_centre() - cx, oy = p->y_centre() - cy;
            double d = std::sqrt(ox * ox + oy * oy);
            double push = 25 * 40 * (1 - d / 50) / p->m_mass;
            double ux = d > 0 ? ox / d : 0, uy = d > 0 ? oy / d : 1;
            EXPECT_NEAR(p->m_dx, 20 + push * ux, 1e-2);
            EXPECT_NEAR(p->m_dy, -10 + push * uy, 1e-2);
        }
        m_arena->move_stuff_and_do_collisions(step);
    }
}
}
