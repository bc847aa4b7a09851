// The player's side of the arena: the ship (its pictures, thrust and
// exhaust, turning, weapons and energy, wall bounces, shop tiles, blows and
// tractor key) and the shots, balls, coins and recking balls.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"
#include "loadimag.h"
#include "text.h"
#include "weapons.h"

namespace {
typedef sound_recorder::heard heard;

// ------------------------------------------------------------ helpers

// A closed room, the spawn tile in its middle.
const std::vector<std::string> room = {
    "##########",
    "#........#",
    "#........#",
    "#...S....#",
    "#........#",
    "#........#",
    "#........#",
    "##########",
};
const float room_floor = 7 * 32;

// The play loop's fixed step.
const float frame_step = 0.04f;

// A uniform draw as the game makes it from the runtime's sequence.
float draw_u() { return static_cast<float>(rand() % 32768 / 32767.0); }

// The inclusive box around the opaque pixels of a picture.
struct box {
    int x0, y0, x1, y1;
};
box opaque_box(SDL_Surface* p)
{
    box b = {p->w, p->h, -1, -1};
    for (int y = 0; y < p->h; ++y) {
        for (int x = 0; x < p->w; ++x) {
            if (pixel_rgba(p, x, y).a == 0)
                continue;
            b.x0 = std::min(b.x0, x);
            b.y0 = std::min(b.y0, y);
            b.x1 = std::max(b.x1, x);
            b.y1 = std::max(b.y1, y);
        }
    }
    return b;
}

// A ship picture that shows which way it points: a small disc with a bar
// up to the nose.
bool arrow(int x, int y)
{
    bool disc = (x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5) <= 6 * 6;
    return disc || (x >= 14 && x <= 17 && y >= 1 && y <= 15);
}

bool same_pixels(SDL_Surface* a, SDL_Surface* b)
{
    if (a->w != b->w || a->h != b->h)
        return false;
    SDL_LockSurface(a);
    SDL_LockSurface(b);
    bool same = true;
    for (int y = 0; y < a->h && same; ++y)
        for (int x = 0; x < a->w && same; ++x)
            same = getpixel(a, x, y) == getpixel(b, x, y);
    SDL_UnlockSurface(b);
    SDL_UnlockSurface(a);
    return same;
}

// The 64 turns of the current images/ship.png, i × 2π/64 clockwise each,
// to tell which of them a ship shows.
class ship_turns {
public:
    ship_turns()
    {
        surface_ptr original(load_image("ship.png"));
        for (int i = 0; i < ship::pic_count; ++i) {
            m_pics.emplace_back(create_surface(original->w * 3 / 2, original->h * 3 / 2, alpha_channel));
            rotate(original.get(), m_pics.back().get(), i * 2 * pi * (1.0 / 64));
        }
    }
    // The turn whose pixels the picture has, or -1.
    int index_of(SDL_Surface* shown) const
    {
        for (int i = 0; i < ship::pic_count; ++i) {
            if (same_pixels(shown, m_pics[i].get()))
                return i;
        }
        return -1;
    }

private:
    std::vector<surface_ptr> m_pics;
};

// The nearest of the 64 turns to a heading.
int nearest_turn(float angle) { return static_cast<int>(std::lround(angle / (2 * pi / 64))) % 64; }

// What the shot effects under test were called with.
struct det_call {
    mover* shot;
    mover* victim;
    float time;
};
std::vector<det_call> det_calls;
std::vector<mover*> exp_calls;

void recording_det(mover* m, mover* victim, float time) { det_calls.push_back({m, victim, time}); }
void killing_det(mover* m, mover* victim, float time)
{
    recording_det(m, victim, time);
    m->die();
}
void recording_exp(mover* m) { exp_calls.push_back(m); }

// The picture size an explosion key was first made from, read back by
// asking the cache for the key with a picture of another size.
int explosion_width(const std::string& key)
{
    SDL_Surface* other = game::the_game->m_bmp_pool.get_bitmap("bigfoe.png");
    std::unique_ptr<explosion> e(game::the_game->m_exp_pool.get_explosion(key, other));
    return e->pic()->w / 5;
}

class movers_test : public sounding_arena_test {
protected:
    void SetUp() override
    {
        sounding_arena_test::SetUp();
        det_calls.clear();
        exp_calls.clear();
    }

    // One behaviour pass: every mover's do_stuff and the bookkeeping after
    // it, with no movement; what was made during it is in the list after.
    void behave() { m_arena->do_stuff(frame_step); }

    // Hands m to the arena with its picture centred on (x, y).
    template <typename T>
    T* place(T* m, float x, float y)
    {
        m->teleport_centre(x, y);
        m_arena->add_mover(m);
        return m;
    }

    bool touches_tile(mover* m) const
    {
        return m_arena->arena_collision(m->pic(), static_cast<int>(m->m_x), static_cast<int>(m->m_y),
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    // Fits exactly the given weapons, every other mount empty.
    void fit(const std::vector<std::pair<int, weapon_id> >& weapons)
    {
        for (weapon_mount& m : m_game->m_weapon_mounts) {
            m.type = WT_NOTHING;
            m.reload = 0;
        }
        for (const auto& w : weapons)
            m_game->m_weapon_mounts[w.first].type = w.second;
    }

    // Turns the ship right by n frames of turning.
    void turn_right(ship* s, int n)
    {
        m_game->m_key_flags.right = true;
        for (int i = 0; i < n; ++i)
            s->do_stuff(frame_step);
        m_game->m_key_flags.right = false;
    }

    std::vector<heard> heard_sounds() const { return m_recorder.heard_sounds(); }

};

#define REQUIRE_SOUND()                                          \
    do {                                                         \
        if (!m_sound)                                            \
            GTEST_SKIP() << "no audio device: " << SDL_GetError(); \
    } while (0)

class ship_making : public movers_test {};
class ship_thrust : public movers_test {};
class exhaust_particle : public movers_test {};
class ship_turning : public movers_test {};
class ship_weapons : public movers_test {};
class ship_bounce : public movers_test {};
class ship_shop : public movers_test {};
class ship_blows : public movers_test {};
class ship_tractor : public movers_test {};
class mover_contacts : public movers_test {};
class shot_mover : public movers_test {};
class ball_mover : public movers_test {};
class coin_mover : public movers_test {};
class recking_ball_mover : public movers_test {};
}

// ================================================================= ship

TEST_F(ship_making, starts_nose_up_at_rest_with_the_mass_of_its_fitting)
{
    ship fresh;
    EXPECT_EQ(fresh.get_angle(), 0.0f);
    EXPECT_EQ(fresh.m_x, 0.0f);
    EXPECT_EQ(fresh.m_y, 0.0f);
    EXPECT_EQ(fresh.m_dx, 0.0f);
    EXPECT_EQ(fresh.m_dy, 0.0f);
    EXPECT_EQ(fresh.m_mass, 10.0f);  // 8 empty + Peashooter + Piffler
    ASSERT_NE(fresh.pic(), nullptr);
    EXPECT_EQ(fresh.pic()->w, 48);
    EXPECT_EQ(fresh.pic()->h, 48);

    m_game->m_weapon_mounts[1].type = WT_ROCKET;
    m_game->m_systems[0] = ST_LEAD;
    ship heavy;
    EXPECT_EQ(heavy.m_mass, 32.0f);
}

TEST_F(ship_making, takes_a_new_fitting_s_mass_at_the_next_pass)
{
    start(room);
    m_game->m_engine = ET_STREAKER;
    EXPECT_EQ(the_ship()->m_mass, 10.0f);
    behave();
    EXPECT_EQ(the_ship()->m_mass, 15.0f);
}

TEST_F(ship_making, holds_the_64_turns_of_its_picture)
{
    write_shape(path("images/ship.png"), 32, 32, arrow);
    ship_turns turns;
    ship s;
    std::set<SDL_Surface*> pictures;
    std::set<int> indices;
    // Two turns round reach every picture: 0.1 radians a frame skips one
    // of the 64 on each pass, a different one each time.
    for (int i = 0; i < 130; ++i) {
        SDL_Surface* p = s.pic();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->w, 48);
        EXPECT_EQ(p->h, 48);
        EXPECT_NE(p->format->Amask, 0u);
        pictures.insert(p);
        indices.insert(turns.index_of(p));
        turn_right(&s, 1);
    }
    EXPECT_EQ(pictures.size(), 64u);
    EXPECT_EQ(indices.size(), 64u);
    EXPECT_EQ(indices.count(-1), 0u);
}

TEST_F(ship_making, turns_a_placeholder_when_its_picture_is_missing)
{
    std::remove(path("images/ship.png").c_str());
    testing::internal::CaptureStdout();
    ship s;
    std::string log = testing::internal::GetCapturedStdout();
    text::exit();  // the placeholder tried the font; later tests start without one
    EXPECT_NE(log.find("ship.png"), std::string::npos) << log;
    ASSERT_NE(s.pic(), nullptr);
    EXPECT_EQ(s.pic()->w, 300);
    EXPECT_EQ(s.pic()->h, 30);
}

// ---------------------------------------------------------------- thrust

TEST_F(ship_thrust, pushes_along_the_nose_and_leaves_two_particles_behind)
{
    start(room);
    ship* s = the_ship();
    s->m_dx = 20;
    s->m_dy = -10;
    behave();
    EXPECT_EQ(count_of<exhaust>(), 0);
    EXPECT_EQ(s->m_dx, 20.0f);
    EXPECT_EQ(s->m_dy, -10.0f);

    float cx = s->x_centre(), cy = s->y_centre();
    m_game->m_key_flags.up = true;
    behave();
    // Piffler: 1875 × 0.04 / 10 = 7.5 a frame, nose up.
    EXPECT_FLOAT_EQ(s->m_dx, 20.0f);
    EXPECT_FLOAT_EQ(s->m_dy, -17.5f);
    std::vector<exhaust*> puffs = all_of<exhaust>();
    ASSERT_EQ(puffs.size(), 2u);
    // 16 behind the centre and 16 to each side; a 1 x 1 picture is placed
    // one pixel short of its centre.
    EXPECT_FLOAT_EQ(puffs[0]->m_x, cx - 16 - 1);
    EXPECT_FLOAT_EQ(puffs[0]->m_y, cy + 16 - 1);
    EXPECT_FLOAT_EQ(puffs[1]->m_x, cx + 16 - 1);
    EXPECT_FLOAT_EQ(puffs[1]->m_y, cy + 16 - 1);
    for (exhaust* e : puffs) {
        // 37.5 pixels per second backwards, within 0.2 radians.
        float rx = e->m_dx - s->m_dx, ry = e->m_dy - s->m_dy;
        EXPECT_NEAR(std::sqrt(rx * rx + ry * ry), 37.5, 1e-3);
        EXPECT_LE(std::fabs(std::atan2(rx, ry)), 0.2 + 1e-6);
    }
}

TEST_F(ship_thrust, follows_the_engine_the_heading_and_the_random_spread)
{
    struct thrust_case {
        const char* what;
        engine_id engine;
        float thrust;
        float mass;
        int turns;
        float step;
        unsigned seed;
    };
    const thrust_case cases[] = {
        {"Piffler turned right", ET_PIFFLER, 1875, 10, 5, 0.04f, 7},
        {"Piffler turned far round", ET_PIFFLER, 1875, 10, 40, 0.04f, 12345},
        {"Thruster", ET_THRUSTER, 3125, 12, 17, 0.04f, 99},
        {"Streaker with a short step", ET_STREAKER, 7500, 15, 23, 0.01f, 4242},
    };
    for (const thrust_case& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_engine = c.engine;
        start(room);
        ship* s = the_ship();
        EXPECT_EQ(s->m_mass, c.mass);
        turn_right(s, c.turns);
        s->m_dx = 20;
        s->m_dy = -10;
        const float a = s->get_angle();
        const float cx = s->x_centre(), cy = s->y_centre();

        srand(c.seed);
        float u[2] = {draw_u(), draw_u()};
        srand(c.seed);
        m_game->m_key_flags.up = true;
        m_arena->do_stuff(c.step);
        release_keys();

        const float dx = 20 + c.thrust * c.step * std::sin(a) / c.mass;
        const float dy = -10 - c.thrust * c.step * std::cos(a) / c.mass;
        EXPECT_FLOAT_EQ(s->m_dx, dx);
        EXPECT_FLOAT_EQ(s->m_dy, dy);
        std::vector<exhaust*> puffs = all_of<exhaust>();
        ASSERT_EQ(puffs.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            const double lx = i == 0 ? -16 : 16, ly = 16;
            EXPECT_NEAR(puffs[i]->m_x, cx + lx * std::cos(a) - ly * std::sin(a) - 1, 1e-3) << i;
            EXPECT_NEAR(puffs[i]->m_y, cy + lx * std::sin(a) + ly * std::cos(a) - 1, 1e-3) << i;
            const double f = a + (u[i] - 0.5) * 0.4;
            EXPECT_NEAR(puffs[i]->m_dx, dx - c.thrust / 50 * std::sin(f), 1e-3) << i;
            EXPECT_NEAR(puffs[i]->m_dy, dy + c.thrust / 50 * std::cos(f), 1e-3) << i;
        }
    }
}

// --------------------------------------------------------------- exhaust

TEST_F(exhaust_particle, is_one_red_pixel_of_its_own_at_rest)
{
    exhaust e;
    ASSERT_NE(e.pic(), nullptr);
    EXPECT_EQ(e.pic()->w, 1);
    EXPECT_EQ(e.pic()->h, 1);
    EXPECT_EQ(e.pic()->format->Amask, 0u);
    EXPECT_EQ(pixel_rgba(e.pic(), 0, 0), (rgba{255, 0, 0, 255}));
    EXPECT_EQ(e.pic()->flags & SDL_SRCALPHA, 0u);  // drawn unfaded until its first step
    EXPECT_EQ(e.m_mass, 0.0f);
    EXPECT_EQ(e.m_x, 0.0f);
    EXPECT_EQ(e.m_dy, 0.0f);
    exhaust other;
    EXPECT_NE(other.pic(), e.pic());
}

TEST_F(exhaust_particle, fades_with_its_life_and_dies_at_its_seventh_step)
{
    exhaust e;
    // 1020 × the life left after each step of 0.04 s.
    const int alphas[] = {214, 173, 132, 91, 51, 10};
    for (int alpha : alphas) {
        e.do_stuff(frame_step);
        EXPECT_NE(e.pic()->flags & SDL_SRCALPHA, 0u);
        EXPECT_EQ(e.pic()->format->alpha, alpha);
        EXPECT_FALSE(e.is_dead());
    }
    e.do_stuff(frame_step);
    EXPECT_TRUE(e.is_dead());
}

TEST_F(exhaust_particle, drifts_through_seven_drawn_frames_without_forces)
{
    start(room);
    m_game->m_key_flags.up = true;
    frame();
    release_keys();
    std::vector<exhaust*> puffs = all_of<exhaust>();
    ASSERT_EQ(puffs.size(), 2u);
    std::vector<float> x, y, dx, dy;
    for (exhaust* e : puffs) {
        x.push_back(e->m_x);
        y.push_back(e->m_y);
        dx.push_back(e->m_dx);
        dy.push_back(e->m_dy);
    }
    for (int f = 1; f <= 6; ++f) {
        frame();
        puffs = all_of<exhaust>();
        ASSERT_EQ(puffs.size(), 2u) << f;
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(puffs[i]->m_dx, dx[i]);
            EXPECT_EQ(puffs[i]->m_dy, dy[i]);
            EXPECT_NEAR(puffs[i]->m_x, x[i] + dx[i] * 0.04 * f, 1e-3);
            EXPECT_NEAR(puffs[i]->m_y, y[i] + dy[i] * 0.04 * f, 1e-3);
        }
    }
    frame();
    EXPECT_EQ(count_of<exhaust>(), 0);
}

// --------------------------------------------------------------- turning

TEST_F(ship_turning, turns_a_tenth_of_a_radian_a_frame_whatever_the_step)
{
    write_shape(path("images/ship.png"), 32, 32, arrow);
    ship_turns turns;
    struct turn_case {
        const char* what;
        bool left, right;
        float step;
        float angle;
        int picture;
    };
    const turn_case cases[] = {
        {"right", false, true, 0.04f, 0.1f, 1},
        {"right with a long step", false, true, 1.0f, 0.1f, 1},
        {"left wraps below 0", true, false, 0.04f, static_cast<float>(-0.1f + 2 * pi), 63},
        {"both keys", true, true, 0.04f, 0.0f, 0},
        {"no key", false, false, 0.04f, 0.0f, 0},
    };
    for (const turn_case& c : cases) {
        SCOPED_TRACE(c.what);
        ship s;
        m_game->m_key_flags.left = c.left;
        m_game->m_key_flags.right = c.right;
        s.do_stuff(c.step);
        release_keys();
        EXPECT_FLOAT_EQ(s.get_angle(), c.angle);
        EXPECT_EQ(turns.index_of(s.pic()), c.picture);
    }
}

TEST_F(ship_turning, wraps_at_both_ends_and_always_shows_the_nearest_turn)
{
    write_shape(path("images/ship.png"), 32, 32, arrow);
    ship_turns turns;
    for (bool rightwards : {true, false}) {
        SCOPED_TRACE(rightwards ? "right" : "left");
        ship s;
        float before = s.get_angle();
        for (int i = 0; i < 130; ++i) {
            m_game->m_key_flags.right = rightwards;
            m_game->m_key_flags.left = !rightwards;
            s.do_stuff(frame_step);
            float a = s.get_angle();
            ASSERT_GE(a, 0.0f) << i;
            ASSERT_LE(a, 2 * pi) << i;
            double change = std::remainder(a - before, 2 * pi);
            EXPECT_NEAR(change, rightwards ? 0.1 : -0.1, 1e-5) << i;
            EXPECT_EQ(turns.index_of(s.pic()), nearest_turn(a)) << i << " at " << a;
            before = a;
        }
    }
}

TEST_F(ship_turning, a_heading_within_half_a_turn_of_two_pi_shows_picture_0)
{
    write_shape(path("images/ship.png"), 32, 32, arrow);
    ship_turns turns;
    ship s;
    SDL_Surface* nose_up = s.pic();
    m_game->m_key_flags.left = true;
    for (int i = 0; i < 63; ++i)
        s.do_stuff(frame_step);
    // 63 steps left from 0 end 0.0168 short of 2π, closer than half of 2π/64.
    EXPECT_GT(s.get_angle(), 2 * pi - pi / 64);
    EXPECT_LT(s.get_angle(), 2 * pi);
    EXPECT_EQ(s.pic(), nose_up);
    EXPECT_EQ(turns.index_of(s.pic()), 0);
}

// --------------------------------------------------------------- weapons

TEST_F(ship_weapons, the_peashooter_fires_every_fifth_frame_while_fire_is_held)
{
    start(room);
    m_game->m_key_flags.fire = true;
    std::vector<int> fired;
    int shots = 0;
    for (int f = 0; f < 11; ++f) {
        behave();
        int now = count_of<shot>();
        if (now > shots)
            fired.push_back(f);
        shots = now;
        if (f == 0) {
            EXPECT_EQ(m_game->m_weapon_mounts[0].reload, 4);
            EXPECT_FLOAT_EQ(status().energy, 9.0f);
        }
        if (f == 1) {
            EXPECT_FLOAT_EQ(status().energy, 9.05f);
        }
    }
    EXPECT_EQ(fired, (std::vector<int>{0, 5, 10}));
    EXPECT_TRUE(m_game->m_key_flags.fire);
}

TEST_F(ship_weapons, each_mount_pays_from_what_the_earlier_ones_left)
{
    struct firing_case {
        const char* what;
        std::vector<std::pair<int, weapon_id> > fitting;
        std::vector<std::pair<int, int> > reloading;  // mount, frames left
        float energy;
        std::vector<int> fired;
        float energy_left;
    };
    const firing_case cases[] = {
        {"a costly mount is passed over while a cheaper later one fires",
         {{0, WT_PEASHOOTER}, {1, WT_ROCKET}, {2, WT_RAPISHOOTER}}, {}, 10.5f, {0, 2}, 8.5f},
        {"what the first mount spends stops the second",
         {{0, WT_ROCKET}, {1, WT_PEASHOOTER}}, {}, 10.5f, {0}, 0.5f},
        {"exactly the cost is enough", {{3, WT_SNIPER}}, {}, 15, {3}, 0},
        {"reloading and empty mounts are passed over",
         {{0, WT_PEASHOOTER}, {5, WT_SHOVER}}, {{0, 3}}, 10, {5}, 8},
        {"eleven peashooters and energy for ten",
         {{0, WT_PEASHOOTER}, {1, WT_PEASHOOTER}, {2, WT_PEASHOOTER}, {3, WT_PEASHOOTER},
          {4, WT_PEASHOOTER}, {5, WT_PEASHOOTER}, {6, WT_PEASHOOTER}, {7, WT_PEASHOOTER},
          {8, WT_PEASHOOTER}, {9, WT_PEASHOOTER}, {10, WT_PEASHOOTER}},
         {}, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0},
    };
    const int reloads[] = {0, 5, 2, 5, 15, 7, 4, 3, 6, 10, 10};
    for (const firing_case& c : cases) {
        SCOPED_TRACE(c.what);
        start(room);
        fit(c.fitting);
        for (const auto& r : c.reloading)
            m_game->m_weapon_mounts[r.first].reload = r.second;
        status().energy = c.energy;
        ship* s = the_ship();
        s->fire_weapons();
        EXPECT_FLOAT_EQ(status().energy, c.energy_left);
        for (int i = 0; i < mount_count; ++i) {
            const weapon_mount& m = m_game->m_weapon_mounts[i];
            bool fired = std::find(c.fired.begin(), c.fired.end(), i) != c.fired.end();
            int expected = fired ? reloads[m.type] : 0;
            for (const auto& r : c.reloading)
                if (r.first == i)
                    expected = r.second;
            EXPECT_EQ(m.reload, expected) << "mount " << i;
        }
        behave();
        std::vector<int> mounts_of_shots;
        for (shot* sh : all_of<shot>())
            mounts_of_shots.push_back(sh->mount());
        EXPECT_EQ(mounts_of_shots, c.fired);
    }
}

TEST_F(ship_weapons, shots_leave_the_turned_mount_at_the_ship_s_speed_plus_their_own)
{
    // Straight up from the nose at angle 0: 15 above the centre.
    start(room);
    ship* s = the_ship();
    s->m_dx = 15;
    s->m_dy = -25;
    float cx = s->x_centre(), cy = s->y_centre();
    s->fire_weapons();
    behave();
    std::vector<shot*> shots = all_of<shot>();
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0]->pic(), m_game->m_bmp_pool.get_bitmap("shot.png"));
    EXPECT_FLOAT_EQ(shots[0]->x_centre(), cx);
    EXPECT_FLOAT_EQ(shots[0]->y_centre(), cy - 15);
    EXPECT_FLOAT_EQ(shots[0]->m_dx, 15.0f);
    EXPECT_FLOAT_EQ(shots[0]->m_dy, -325.0f);
    EXPECT_FLOAT_EQ(s->m_dx, 15.0f);  // a peashooter has no recoil
    EXPECT_FLOAT_EQ(s->m_dy, -25.0f);

    for (int turns : {0, 4, 17, 45}) {
        SCOPED_TRACE(turns);
        start(room);
        s = the_ship();
        fit({{0, WT_PEASHOOTER}, {2, WT_PEASHOOTER}, {4, WT_PEASHOOTER}, {6, WT_PEASHOOTER},
             {9, WT_PEASHOOTER}});
        turn_right(s, turns);
        s->m_dx = 15;
        s->m_dy = -25;
        status().energy = 10;
        const double a = s->get_angle();
        cx = s->x_centre();
        cy = s->y_centre();
        s->fire_weapons();
        behave();
        shots = all_of<shot>();
        ASSERT_EQ(shots.size(), 5u);
        for (shot* sh : shots) {
            const weapon_mount& m = m_game->m_weapon_mounts[sh->mount()];
            const double dir = a + m.angle;
            EXPECT_NEAR(sh->x_centre(), cx + m.loc_x * std::cos(a) - m.loc_y * std::sin(a), 1e-3) << m.name;
            EXPECT_NEAR(sh->y_centre(), cy + m.loc_x * std::sin(a) + m.loc_y * std::cos(a), 1e-3) << m.name;
            EXPECT_NEAR(sh->m_dx, 15 + 300 * std::sin(dir), 1e-3) << m.name;
            EXPECT_NEAR(sh->m_dy, -25 - 300 * std::cos(dir), 1e-3) << m.name;
        }
    }
}

TEST_F(ship_weapons, recoil_pushes_the_ship_against_the_shot)
{
    struct recoil_case {
        const char* what;
        int mount;
        weapon_id weapon;
        int turns;
        float mass;
        float dx, dy;  // the ship's velocity before the shot
    };
    // The drifting and turned rows are where a recoil worked out in float
    // would end a bit off.
    const recoil_case cases[] = {
        {"sniper forward", 0, WT_SNIPER, 0, 12, 0, 0},
        {"shover to the right", 6, WT_SHOVER, 0, 12, 0, 0},
        {"rocket backwards", 9, WT_ROCKET, 0, 11, 0, 0},
        {"sniper turned", 0, WT_SNIPER, 9, 12, 0, 0},
        {"sniper turned further, drifting", 0, WT_SNIPER, 17, 12, 13.3f, -7.9f},
        {"shover to the right, turned", 6, WT_SHOVER, 9, 12, -3.7f, 61.1f},
        {"rocket backwards, turned and drifting", 9, WT_ROCKET, 17, 11, 40, -25},
    };
    bool float_would_differ = false;
    for (const recoil_case& c : cases) {
        SCOPED_TRACE(c.what);
        start(room);
        ship* s = the_ship();
        fit({{c.mount, c.weapon}});
        behave();  // the pass takes up the new mass
        ASSERT_EQ(s->m_mass, c.mass);
        turn_right(s, c.turns);
        s->m_dx = c.dx;
        s->m_dy = c.dy;
        status().energy = 30;
        const float dir = s->get_angle() + m_game->m_weapon_mounts[c.mount].angle;  // summed in float
        const float recoil = weapon_types()[c.weapon].recoil;
        s->fire_weapons();

        // 25 x recoil / mass against the direction of fire, in double.
        const double kick = 25.0 * recoil / c.mass;
        EXPECT_EQ(s->m_dx, static_cast<float>(c.dx - kick * std::sin(static_cast<double>(dir))));
        EXPECT_EQ(s->m_dy, static_cast<float>(c.dy + kick * std::cos(static_cast<double>(dir))));
        EXPECT_NEAR(std::hypot(s->m_dx - c.dx, s->m_dy - c.dy), kick, 1e-4);
        const float float_kick = 25.0f * recoil / c.mass;
        float_would_differ = float_would_differ || s->m_dx != c.dx - float_kick * std::sin(dir) ||
                             s->m_dy != c.dy + float_kick * std::cos(dir);

        // The shot leaves with the ship's speed from before the recoil.
        behave();
        std::vector<shot*> shots = all_of<shot>();
        ASSERT_EQ(shots.size(), 1u);
        float speed = weapon_types()[c.weapon].exit_speed;
        EXPECT_NEAR(shots[0]->m_dx, c.dx + speed * std::sin(dir), 1e-3);
        EXPECT_NEAR(shots[0]->m_dy, c.dy - speed * std::cos(dir), 1e-3);
    }
    EXPECT_TRUE(float_would_differ) << "no case tells a recoil in double from one in float";
}

TEST_F(ship_weapons, regains_energy_each_frame_up_to_what_the_batteries_hold)
{
    struct energy_case {
        const char* what;
        std::vector<system_id> systems;
        float energy;
        float step;
        float after;
        float max;
    };
    const energy_case cases[] = {
        {"base generator", {}, 3, 0.04f, 3.0f + 0.05f, 10},
        {"per frame, not per second", {}, 3, 1.0f, 3.0f + 0.05f, 10},
        {"capped at the base battery", {}, 9.98f, 0.04f, 10, 10},
        {"a battery", {ST_BATTERY}, 12, 0.04f, 12.0f + 0.05f, 25},
        {"two batteries, capped", {ST_EMPTY, ST_BATTERY, ST_LEAD, ST_BATTERY}, 39.99f, 0.04f, 40, 40},
        {"a generator", {ST_GENERATOR}, 3, 0.04f, 3.0f + 0.25f, 10},
        {"a super generator", {ST_SUPERGENERATOR, ST_BATTERY}, 3, 0.04f, 3.0f + 0.65f, 25},
        {"more than a smaller battery holds", {}, 20, 0.04f, 10, 10},
    };
    for (const energy_case& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_systems.assign(system_slots, ST_EMPTY);
        for (size_t i = 0; i < c.systems.size(); ++i)
            m_game->m_systems[i] = c.systems[i];
        status().energy = c.energy;
        status().max_energy = 10;
        ship s;
        s.do_stuff(c.step);
        EXPECT_FLOAT_EQ(status().energy, c.after);
        EXPECT_FLOAT_EQ(status().max_energy, c.max);
    }
}

TEST_F(ship_weapons, energy_comes_in_before_the_guns_fire)
{
    start(room);
    status().energy = 0.97f;
    m_game->m_key_flags.fire = true;
    behave();
    EXPECT_EQ(count_of<shot>(), 1);
    EXPECT_FLOAT_EQ(status().energy, 0.97f + 0.05f - 1);
}

TEST_F(ship_weapons, each_shot_plays_its_weapon_s_sound_at_a_fifth_of_full_volume)
{
    REQUIRE_SOUND();
    start(room);
    fit({{0, WT_PEASHOOTER}, {3, WT_SHOVER}, {4, WT_ROCKET}, {6, WT_RAPISHOOTER}});
    status().energy = 30;
    the_ship()->fire_weapons();
    // The rocket is silent.
    EXPECT_EQ(heard_sounds(), (std::vector<heard>{{sound::PFFT, 25}, {sound::DOOF, 25}, {sound::PFFT, 25}}));
}

// ---------------------------------------------------------------- bounce

namespace {
// Walls all round and a diagonal of each kind, with room to reach them.
const std::vector<std::string> hall = {
    "############",
    "#..........#",
    "#..7...9...#",
    "#..........#",
    "#..........#",
    "#..1...5...#",
    "#..........#",
    "#..........#",
    "############",
};
const int hall_floor = 8 * 32;

// The ship made ready for notify_collision as a collision sub-step leaves
// it: its last move was a sub-step of 0.01 s.
void after_a_sub_step(ship* s)
{
    float dx = s->m_dx, dy = s->m_dy;
    s->m_dx = s->m_dy = 0;
    s->move(0.01f);
    s->m_dx = dx;
    s->m_dy = dy;
}

// Puts the ship's lowest opaque row `rows` pixels deep into a floor whose
// top is at floor_y, plus a fraction of a pixel.
void sink_into_floor(ship* s, int floor_y, int rows, float fraction)
{
    box b = opaque_box(s->pic());
    s->m_y = static_cast<float>(floor_y - b.y1 - 1 + rows) + fraction;
}
}

TEST_F(ship_bounce, a_floor_sends_the_ship_back_up_at_four_fifths_of_its_speed)
{
    start(hall);
    ship* s = the_ship();
    s->m_x = 150;
    sink_into_floor(s, hall_floor, 1, 0.01f);
    s->m_dx = 10;
    s->m_dy = 50;
    after_a_sub_step(s);
    float x = s->m_x, y = s->m_y;
    s->notify_collision(A_BLOCK, 0.01f);
    // The normal is straight down: rdotv = 50.
    EXPECT_NEAR(s->m_dx, 10, 1e-4);
    EXPECT_NEAR(s->m_dy, 50 - 1.8 * 50, 1e-4);
    // The last sub-step's travel along the normal is taken back.
    EXPECT_NEAR(s->m_x, x, 1e-4);
    EXPECT_NEAR(s->m_y, y - 0.5, 1e-4);
    EXPECT_FALSE(touches_tile(s));
}

TEST_F(ship_bounce, finds_the_normal_of_every_kind_of_wall)
{
    struct wall_case {
        const char* what;
        float x, y;    // a point of the wall's face
        float nx, ny;  // its normal, into the wall
    };
    const float d = static_cast<float>(std::sqrt(0.5));
    const wall_case cases[] = {
        {"floor", 176, hall_floor, 0, 1},
        {"ceiling", 176, 32, 0, -1},
        {"left wall", 32, 128, -1, 0},
        {"right wall", 352, 128, 1, 0},
        {"top-left diagonal", 112, 80, -d, -d},
        {"top-right diagonal", 240, 80, d, -d},
        {"bottom-left diagonal", 112, 176, -d, d},
        {"bottom-right diagonal", 240, 176, d, d},
    };
    start(hall);
    ship* s = the_ship();
    for (const wall_case& c : cases) {
        SCOPED_TRACE(c.what);
        s->teleport_centre(c.x - 30 * c.nx, c.y - 30 * c.ny);
        ASSERT_FALSE(touches_tile(s));
        int steps = 0;
        while (!touches_tile(s) && steps++ < 40) {
            s->m_x += c.nx;
            s->m_y += c.ny;
        }
        ASSERT_TRUE(touches_tile(s));
        // 50 into the wall and 10 along it.
        const float tx = -c.ny, ty = c.nx;
        s->m_dx = 50 * c.nx + 10 * tx;
        s->m_dy = 50 * c.ny + 10 * ty;
        after_a_sub_step(s);
        s->notify_collision(A_BLOCK, 0.01f);
        EXPECT_NEAR(s->m_dx, 10 * tx - 40 * c.nx, 1e-3);
        EXPECT_NEAR(s->m_dy, 10 * ty - 40 * c.ny, 1e-3);
    }
}

TEST_F(ship_bounce, a_ball_source_beside_the_wall_counts_as_empty_space)
{
    // The ship lands at the right end of a wall cell; the floor cell right
    // of it is wall, empty or a ball source.
    auto bounce_beside = [&](char neighbour) {
        std::vector<std::string> rows = hall;
        rows[8][5] = neighbour;
        start(rows);
        ship* s = the_ship();
        box b = opaque_box(s->pic());
        int first = 0;  // the leftmost opaque pixel of the lowest row
        while (pixel_rgba(s->pic(), first, b.y1).a == 0)
            ++first;
        s->m_x = static_cast<float>(5 * 32 - 3 - first);
        sink_into_floor(s, hall_floor, 1, 0.01f);
        s->m_dx = 0;
        s->m_dy = 50;
        after_a_sub_step(s);
        s->notify_collision(A_BLOCK, 0.01f);
        return std::make_pair(s->m_dx, s->m_dy);
    };
    const std::pair<float, float> wall = bounce_beside('#');
    const std::pair<float, float> empty = bounce_beside('.');
    const std::pair<float, float> source = bounce_beside('B');
    EXPECT_NEAR(wall.first, 0, 1e-4);
    EXPECT_NEAR(wall.second, -40, 1e-4);
    // With nothing on its right the wall throws the ship off to the right.
    EXPECT_GT(empty.first, 1.0f);
    EXPECT_FLOAT_EQ(source.first, empty.first);
    EXPECT_FLOAT_EQ(source.second, empty.second);
}

TEST_F(ship_bounce, a_stuck_ship_moves_to_the_first_free_spot_on_the_rings)
{
    REQUIRE_SOUND();
    struct stuck_case {
        const char* what;
        bool floor;  // else the left wall
        int depth;   // pixels into it, and half a pixel more
        float dx, dy;
        int clangs;
    };
    // Ring r is tried from straight below round through the right side in
    // steps of 3 / r radians. Out of the floor the first free spot is the
    // one at 3 radians, a little right of straight up; out of the left wall
    // it is the one at 1.5, a little below straight right.
    const stuck_case cases[] = {
        {"floor, ring 1", true, 1, 0.141120f, -0.989992f, 0},
        {"floor, ring 3", true, 3, 0.423360f, -2.969977f, 0},
        {"floor, ring 4", true, 4, 0.564480f, -3.959970f, 2},
        {"floor, ring 5", true, 5, 0.705600f, -4.949963f, 2},
        {"wall, ring 2", false, 2, 1.994990f, 0.141474f, 0},
        {"wall, ring 4", false, 4, 3.989980f, 0.282949f, 2},
    };
    start(hall);
    ship* s = the_ship();
    const box b = opaque_box(s->pic());
    for (const stuck_case& c : cases) {
        SCOPED_TRACE(c.what);
        m_recorder.clear();
        if (c.floor) {
            s->m_x = 150;
            sink_into_floor(s, hall_floor, c.depth, 0.5f);
        } else {
            s->m_x = static_cast<float>(32 - b.x0 - c.depth) + 0.5f;
            s->m_y = 100;
        }
        s->m_dx = s->m_dy = 0;
        after_a_sub_step(s);
        float x = s->m_x, y = s->m_y;
        s->notify_collision(A_BLOCK, 0.01f);
        EXPECT_NEAR(s->m_x, x + c.dx, 1e-4);
        EXPECT_NEAR(s->m_y, y + c.dy, 1e-4);
        EXPECT_FALSE(touches_tile(s));
        EXPECT_EQ(heard_sounds(), std::vector<heard>(c.clangs, heard{sound::CLANG, 128}));
    }
}

TEST_F(ship_bounce, each_ring_starts_straight_below)
{
    REQUIRE_SOUND();
    // A shelf of wall the ship sits in, with only its lowest rows below it:
    // 22 pixels down is free long before anything above is.
    start({
        "#######",
        "#.....#",
        "#.....#",
        "#######",
        "#..S..#",
        "#.....#",
        "#######",
    });
    ship* s = the_ship();
    const box b = opaque_box(s->pic());
    s->m_x = 80;
    s->m_y = static_cast<float>(4 * 32 + 1 - b.y1);  // two rows below the shelf
    ASSERT_EQ(b.y1 - b.y0, 23);
    s->m_dx = s->m_dy = 0;
    after_a_sub_step(s);
    s->notify_collision(A_BLOCK, 0.01f);
    EXPECT_NEAR(s->m_x, 80, 1e-4);
    EXPECT_NEAR(s->m_y, 4 * 32 + 1 - b.y1 + 22, 1e-4);
    EXPECT_FALSE(touches_tile(s));
    EXPECT_EQ(heard_sounds(), (std::vector<heard>{{sound::CLANG, 128}, {sound::CLANG, 128}}));
}

TEST_F(ship_bounce, a_contact_with_a_shop_tile_counts_as_free)
{
    REQUIRE_SOUND();
    // Two pixels into the left wall and two into the shop floor: the tile
    // scan, from the bottom up, meets the shop first.
    start({
        "#######",
        "#..S..#",
        "#.....#",
        "#.....#",
        "#sssss#",
        "#######",
    });
    ship* s = the_ship();
    const box b = opaque_box(s->pic());
    const float x = static_cast<float>(32 - b.x0 - 2), y = static_cast<float>(4 * 32 - b.y1 + 1);
    s->teleport(x, y);
    s->m_dx = s->m_dy = 0;
    after_a_sub_step(s);
    s->notify_collision(A_BLOCK, 0.01f);
    EXPECT_EQ(s->m_x, x);
    EXPECT_EQ(s->m_y, y);
    EXPECT_TRUE(heard_sounds().empty());
}

TEST_F(ship_bounce, deep_in_solid_rock_nothing_moves)
{
    REQUIRE_SOUND();
    // Every neighbour of the contact counts, so the normal is 0; no ring
    // within 31 pixels gets out.
    start(std::vector<std::string>(7, "#######"));
    ship* s = the_ship();
    s->teleport(96, 96);
    s->m_dx = 30;
    s->m_dy = 40;
    after_a_sub_step(s);
    float x = s->m_x, y = s->m_y;
    s->notify_collision(A_BLOCK, 0.01f);
    EXPECT_EQ(s->m_x, x);
    EXPECT_EQ(s->m_y, y);
    EXPECT_EQ(s->m_dx, 30.0f);
    EXPECT_EQ(s->m_dy, 40.0f);
    EXPECT_TRUE(heard_sounds().empty());
}

namespace {
// The free spot a plain ring search finds for a picture at (x, y): every
// candidate in turn through the collision test, a first contact with a shop
// tile or a ball source counting as free. Ring 0 when none is free.
struct ring_spot {
    int ring;
    float x, y;
};
ring_spot plain_ring_search(const arena& a, SDL_Surface* p, float x, float y)
{
    for (int r = 1; r <= 31; ++r) {
        for (float angle = 0; angle < 2 * pi; angle += 3.0f / r) {
            float ox = r * std::sin(angle), oy = r * std::cos(angle);
            arena_t obstacle = A_EMPTY;
            if (!a.arena_collision(p, static_cast<int>(x + ox), static_cast<int>(y + oy), &obstacle, nullptr,
                                   nullptr, nullptr, nullptr) ||
                obstacle == A_SHOP || obstacle == A_SOURCE)
                return {r, x + ox, y + oy};
        }
    }
    return {0, x, y};
}

// A map of solid rock, w x h tiles, with the given cells changed.
std::vector<std::string> rock(int w, int h, const std::vector<std::pair<std::pair<int, int>, char> >& cells = {})
{
    std::vector<std::string> rows(h, std::string(w, '#'));
    for (const auto& c : cells)
        rows[c.first.second][c.first.first] = c.second;
    return rows;
}
}

TEST_F(ship_bounce, a_buried_ship_takes_the_spot_a_plain_ring_search_takes)
{
    struct buried_case {
        const char* what;
        std::vector<std::string> rows;
        float x, y;  // the ship's corner, in the wall
        int ring;    // where the plain search gets out; 0 for nowhere
    };
    // The fixture ship is a disc of radius 12 in the middle of its 48 x 48
    // picture; a single free cell holds it with 7 pixels to spare.
    const buried_case cases[] = {
        {"deep in rock", rock(9, 9), 100.5f, 110.25f, 0},
        {"in rock at the map's left edge, which reaches outward", rock(9, 9), 10.5f, 120.3f, 0},
        {"in rock at the top-left corner", rock(9, 9), 3.75f, 2.5f, 0},
        {"just above the bottom edge, where nothing is met", rock(9, 9), 130.5f, 278.5f, 10},
        {"just left of the right edge", rock(9, 9), 283.5f, 130.5f, 5},
        {"a free cell down and to the right", rock(9, 9, {{{5, 5}, '.'}}), 140.5f, 141.25f, 11},
        {"a free cell beyond the picture's right side", rock(9, 9, {{{3, 3}, '.'}}), 64.5f, 88.25f, 20},
        {"a free cell beyond the picture's lower side", rock(9, 9, {{{3, 3}, '.'}}), 88.25f, 64.5f, 20},
        {"a free cell out of reach", rock(9, 9, {{{6, 6}, '.'}}), 110.5f, 110.5f, 0},
        {"diagonals round a free cell",
         rock(9, 9, {{{4, 4}, '.'}, {{5, 4}, '1'}, {{4, 5}, '9'}, {{5, 5}, '7'}, {{3, 4}, '5'}}), 120.5f, 100.75f,
         16},
        {"a hole between four diagonals",
         rock(9, 9, {{{4, 4}, '7'}, {{5, 4}, '9'}, {{4, 5}, '1'}, {{5, 5}, '5'}}), 121.5f, 142.25f, 4},
        {"a shop floor below", rock(9, 9, {{{4, 5}, 's'}, {{5, 5}, 's'}}), 130.5f, 110.5f, 15},
        {"a ball source in the rock", rock(9, 9, {{{4, 4}, 'B'}}), 110.5f, 118.5f, 6},
    };
    for (const buried_case& c : cases) {
        SCOPED_TRACE(c.what);
        start(c.rows);
        ship* s = the_ship();
        arena_t obstacle = A_EMPTY;
        ASSERT_TRUE(m_arena->arena_collision(s->pic(), static_cast<int>(c.x), static_cast<int>(c.y), &obstacle,
                                             nullptr, nullptr, nullptr, nullptr));
        ASSERT_NE(obstacle, A_SHOP);
        const ring_spot want = plain_ring_search(*m_arena, s->pic(), c.x, c.y);
        EXPECT_EQ(want.ring, c.ring);
        m_recorder.clear();
        s->teleport(c.x, c.y);
        s->m_dx = s->m_dy = 0;  // so the bounce itself moves nothing
        after_a_sub_step(s);
        // The normal estimate at the map's edges reads outside it, and says so.
        testing::internal::CaptureStdout();
        s->notify_collision(A_BLOCK, 0.01f);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(s->m_x, want.x);
        EXPECT_EQ(s->m_y, want.y);
        if (m_sound) {
            EXPECT_EQ(heard_sounds(), std::vector<heard>(want.ring > 3 ? 2 : 0, heard{sound::CLANG, 128}));
        }
    }
}

TEST_F(ship_bounce, the_clang_grows_with_the_impact_speed)
{
    REQUIRE_SOUND();
    struct impact_case {
        float dy;  // straight into the floor, so also rdotv
        std::vector<heard> sounds;
    };
    const impact_case cases[] = {
        {50, {{sound::CLANG, 64}}},
        {8, {}},
        {8.5f, {{sound::CLANG, 10}}},
        {99, {{sound::CLANG, 126}}},
        {101, {{sound::CLANG, 128}}},
        {150, {{sound::CLANG, 128}}},
        // Moving away: no sound, and the bounce still reverses the speed.
        {-50, {}},
    };
    start(hall);
    ship* s = the_ship();
    for (const impact_case& c : cases) {
        SCOPED_TRACE(c.dy);
        m_recorder.clear();
        s->m_x = 150;
        sink_into_floor(s, hall_floor, 1, 0.01f);
        s->m_dx = 0;
        s->m_dy = c.dy;
        after_a_sub_step(s);
        s->notify_collision(A_BLOCK, 0.01f);
        EXPECT_NEAR(s->m_dy, -0.8 * c.dy, 1e-3);
        EXPECT_EQ(heard_sounds(), c.sounds);
    }
}

TEST_F(ship_bounce, a_falling_ship_bounces_off_the_floor_in_play)
{
    REQUIRE_SOUND();
    start(room);
    ship* s = the_ship();
    s->m_dy = 150;
    for (int f = 0; f < 60; ++f) {
        m_arena->do_stuff(frame_step);
        m_arena->apply_forces(frame_step);
        float v = s->m_dy;
        m_arena->move_stuff_and_do_collisions(frame_step);
        if (s->m_dy < 0) {
            EXPECT_NEAR(s->m_dy, -0.8 * v, 1e-3);
            EXPECT_FALSE(touches_tile(s));
            EXPECT_LT(s->m_y + opaque_box(s->pic()).y1, room_floor);
            EXPECT_EQ(heard_sounds(), (std::vector<heard>{{sound::CLANG, 128}}));
            return;
        }
    }
    ADD_FAILURE() << "the ship never bounced";
}

// ------------------------------------------------------------------ shop

namespace {
const std::vector<std::string> shop_hall = {
    "#######",
    "#..S..#",
    "#.....#",
    "#sssss#",
    "#sssss#",
    "#.....#",
    "#.....#",
    "#.....#",
    "#######",
};
}

TEST_F(ship_shop, a_shop_tile_opens_the_shop_and_stops_the_ship_nose_up)
{
    write_shape(path("images/ship.png"), 32, 32, arrow);
    ship_turns turns;
    start(shop_hall);
    ship* s = the_ship();
    turn_right(s, 7);
    ASSERT_NE(turns.index_of(s->pic()), 0);
    s->m_dx = 30;
    s->m_dy = 40;
    s->notify_collision(A_SHOP, 0.01f);
    EXPECT_TRUE(status().in_shop);
    EXPECT_EQ(s->get_angle(), 0.0f);
    EXPECT_EQ(s->m_dx, 0.0f);
    EXPECT_EQ(s->m_dy, -4.0f);
    EXPECT_EQ(turns.index_of(s->pic()), 0);
}

TEST_F(ship_shop, shop_tiles_do_nothing_for_the_next_100_frames)
{
    start(shop_hall);
    ship* s = the_ship();
    s->notify_collision(A_SHOP, 0.01f);
    ASSERT_TRUE(status().in_shop);
    status().in_shop = false;
    turn_right(s, 1);  // the first of the 100 frames
    float angle = s->get_angle();
    for (int f = 1; f < 100; ++f) {
        s->m_dx = 5;
        s->m_dy = 6;
        s->notify_collision(A_SHOP, 0.01f);
        ASSERT_FALSE(status().in_shop) << f;
        ASSERT_EQ(s->m_dx, 5.0f) << f;
        ASSERT_EQ(s->m_dy, 6.0f) << f;
        ASSERT_EQ(s->get_angle(), angle) << f;
        s->do_stuff(frame_step);
    }
    s->notify_collision(A_SHOP, 0.01f);
    EXPECT_TRUE(status().in_shop);
    EXPECT_EQ(s->m_dy, -4.0f);
}

TEST_F(ship_shop, in_play_the_ship_enters_once_and_then_falls_through_the_shop)
{
    start(shop_hall);
    ship* s = the_ship();
    s->m_dy = 100;
    int f = 0;
    while (!status().in_shop && f++ < 50)
        frame();
    ASSERT_TRUE(status().in_shop);
    EXPECT_EQ(s->m_dx, 0.0f);
    EXPECT_EQ(s->m_dy, -4.0f);

    // Back from the shop screen, diving through the two rows of shop tiles.
    status().in_shop = false;
    s->m_dy = 150;
    const int below_shop = 5 * 32;
    box b = opaque_box(s->pic());
    for (f = 0; f < 40 && s->m_y + b.y0 < below_shop; ++f) {
        frame();
        ASSERT_FALSE(status().in_shop) << f;
        ASSERT_GT(s->m_dy, 100.0f) << f;
    }
    EXPECT_GE(s->m_y + b.y0, below_shop);
}

// ----------------------------------------------------------------- blows

TEST_F(ship_blows, the_shield_takes_hits_until_it_goes_below_0)
{
    struct hit_case {
        const char* what;
        int shield;
        float invulnerability;
        std::vector<int> hits;
        int shield_after;
        bool dead;
        int explosions;
    };
    const hit_case cases[] = {
        {"ten hits on a full shield", MAX_SHIELD, 0, std::vector<int>(10, 1), 0, false, 0},
        {"eleven hits on a full shield", MAX_SHIELD, 0, std::vector<int>(11, 1), -1, true, 1},
        {"a shield of 0 still flies", 3, 0, {3}, 0, false, 0},
        {"one hit on an empty shield", 0, 0, {1}, -1, true, 1},
        {"a big hit", 3, 0, {5}, -2, true, 1},
        {"invulnerable", 2, 0.5f, {5, 5}, 2, false, 0},
        {"a dead ship hit again explodes again", 0, 0, {1, 1}, -2, true, 2},
    };
    for (const hit_case& c : cases) {
        SCOPED_TRACE(c.what);
        new_game();  // with all its lives: most cases lose one
        start(room);
        ship* s = the_ship();
        ASSERT_NE(s, nullptr);
        status().shield = c.shield;
        status().invulnerability = c.invulnerability;
        for (int h : c.hits)
            s->take_hit(h);
        EXPECT_EQ(status().shield, c.shield_after);
        EXPECT_EQ(s->is_dead(), c.dead);
        behave();
        EXPECT_EQ(count_of<explosion>(), c.explosions);
    }
}

TEST_F(ship_blows, a_destroyed_ship_bursts_with_its_speed_where_it_was)
{
    start(room);
    ship* s = the_ship();
    s->m_dx = 12;
    s->m_dy = -7;
    float cx = s->x_centre(), cy = s->y_centre();
    s->take_hit(MAX_SHIELD + 1);
    behave();
    EXPECT_EQ(the_ship(), nullptr);
    std::vector<explosion*> bursts = all_of<explosion>();
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_EQ(bursts[0]->m_dx, 12.0f);
    EXPECT_EQ(bursts[0]->m_dy, -7.0f);
    EXPECT_EQ(bursts[0]->x_centre(), cx);
    EXPECT_EQ(bursts[0]->y_centre(), cy);
    EXPECT_EQ(explosion_width("ship"), 48);
}

TEST_F(ship_blows, trades_a_blow_with_every_enemy_it_touches)
{
    struct contact_case {
        const char* what;
        double hitpoints;
        int reduction;
        float invulnerability;
        double hitpoints_after;
        int deaths;
        int shield_after;
    };
    const contact_case cases[] = {
        {"a plain enemy", 5, 0, 0, 4, 0, 9},
        {"an enemy of one hit point", 1, 0, 0, 0, 1, 9},
        {"a reduction of 1 ignores the ship's body", 5, 1, 0, 5, 0, 9},
        {"so does a larger one", 5, 5, 0, 5, 0, 9},
        {"an invulnerable ship still hits", 5, 0, 2.5f, 4, 0, 10},
    };
    for (const contact_case& c : cases) {
        SCOPED_TRACE(c.what);
        start(room);
        status().shield = MAX_SHIELD;
        status().invulnerability = c.invulnerability;
        test_enemy foe(c.hitpoints, c.reduction);
        ASSERT_TRUE(the_ship()->does_collisions(&foe));
        the_ship()->notify_collision(&foe, 0.01f);
        EXPECT_DOUBLE_EQ(foe.hitpoints(), c.hitpoints_after);
        EXPECT_EQ(foe.deaths, c.deaths);
        EXPECT_EQ(status().shield, c.shield_after);
    }
}

TEST_F(ship_blows, area_damage_reaches_the_shield_only_when_not_invulnerable)
{
    for (float invulnerability : {0.0f, 1.0f}) {
        SCOPED_TRACE(invulnerability);
        start(room);
        status().shield = MAX_SHIELD;
        status().invulnerability = invulnerability;
        ship* s = the_ship();
        m_arena->AOE_damage(s->x_centre(), s->y_centre(), 50, 4, 4, HURT_PLAYER);
        EXPECT_EQ(status().shield, invulnerability == 0 ? MAX_SHIELD - 4 : MAX_SHIELD);
    }
}

TEST_F(ship_blows, a_lasting_contact_costs_four_shield_points_a_frame)
{
    start(room);
    ship* s = the_ship();
    test_enemy* foe = place(new test_enemy(10), s->x_centre(), s->y_centre());
    frame();
    EXPECT_DOUBLE_EQ(foe->hitpoints(), 6);
    EXPECT_EQ(status().shield, MAX_SHIELD - 4);
}

TEST_F(ship_blows, a_ship_killed_in_a_sub_step_is_still_hit_by_a_second_enemy)
{
    start(room);
    ship* s = the_ship();
    status().shield = 0;
    test_enemy* first = place(new test_enemy(5), s->x_centre(), s->y_centre());
    test_enemy* second = place(new test_enemy(5), s->x_centre(), s->y_centre());
    frame();
    EXPECT_EQ(the_ship(), nullptr);
    EXPECT_EQ(status().shield, -2);
    EXPECT_EQ(status().lives, 2);
    EXPECT_EQ(count_of<explosion>(), 2);
    EXPECT_DOUBLE_EQ(first->hitpoints(), 4);
    EXPECT_DOUBLE_EQ(second->hitpoints(), 4);
}

// --------------------------------------------------------------- tractor

namespace {
const std::vector<std::string> source_room = {
    "##########",
    "#........#",
    "#........#",
    "#...S.B..#",
    "#........#",
    "#........#",
    "##########",
};
}

TEST_F(ship_tractor, one_press_takes_the_nearest_ball_and_the_next_lets_it_go)
{
    start(source_room);
    std::vector<ball*> balls = all_of<ball>();
    ASSERT_EQ(balls.size(), 1u);
    ASSERT_TRUE(balls[0]->is_stuck());

    m_game->m_key_flags.tractor = true;
    behave();
    EXPECT_FALSE(m_game->m_key_flags.tractor);
    EXPECT_EQ(count_of<tractor_indicator>(), 10);
    EXPECT_FALSE(balls[0]->is_stuck());

    m_game->m_key_flags.tractor = true;
    behave();
    EXPECT_FALSE(m_game->m_key_flags.tractor);
    EXPECT_EQ(count_of<tractor_indicator>(), 0);
}

TEST_F(ship_tractor, a_press_with_nothing_in_reach_only_clears_the_key)
{
    start(room);
    m_game->m_key_flags.tractor = true;
    behave();
    EXPECT_FALSE(m_game->m_key_flags.tractor);
    EXPECT_EQ(count_of<tractor_indicator>(), 0);
}

TEST_F(ship_tractor, a_beam_the_arena_ends_is_forgotten_by_the_ship)
{
    start(room);
    ball* first = place(new ball, the_ship()->x_centre() + 40, the_ship()->y_centre());
    behave();
    m_game->m_key_flags.tractor = true;
    behave();
    ASSERT_EQ(count_of<tractor_indicator>(), 10);
    // The pass that deletes the ball ends the beam; the next one deletes
    // the beam's dots.
    first->die();
    behave();
    behave();
    ASSERT_EQ(count_of<tractor_indicator>(), 0);

    // The next press makes a new beam instead of letting go of the old one.
    place(new ball, the_ship()->x_centre() + 40, the_ship()->y_centre());
    behave();
    m_game->m_key_flags.tractor = true;
    behave();
    EXPECT_EQ(count_of<tractor_indicator>(), 10);
}

// ===================================================== contacts wanted

TEST_F(mover_contacts, each_kind_wants_only_its_own_contacts)
{
    ship a_ship;
    test_enemy an_enemy;
    ball a_ball;
    coin a_coin;
    shot a_shot("shot.png", 1, 0, recording_det, nullptr);
    recking_ball a_recking_ball;
    exhaust an_exhaust;
    test_block a_block;
    mover* others[] = {&an_enemy, &a_ball, &a_ship, &a_coin, &a_shot, &a_block, nullptr};
    const char* other_names[] = {"enemy", "ball", "ship", "coin", "shot", "block", "null"};
    struct wants_case {
        const char* what;
        mover* subject;
        bool tiles;
        bool wants[7];  // in the order of others
    };
    const wants_case cases[] = {
        {"ship", &a_ship, true, {true, false, false, false, false, false, false}},
        {"shot", &a_shot, true, {true, true, false, false, false, false, false}},
        {"ball", &a_ball, true, {false, false, false, false, false, false, false}},
        {"coin", &a_coin, false, {false, false, true, false, false, false, false}},
        {"recking ball", &a_recking_ball, true, {true, false, false, false, false, false, false}},
        {"exhaust", &an_exhaust, false, {false, false, false, false, false, false, false}},
    };
    for (const wants_case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.subject->does_arena_collisions(), c.tiles);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(c.subject->does_collisions(others[i]), c.wants[i]) << other_names[i];
    }
}

// ================================================================= shot

TEST_F(shot_mover, is_made_at_rest_with_its_picture_mount_and_effects)
{
    shot s("rocket.png", 0.5f, 7, recording_det, recording_exp);
    EXPECT_EQ(s.pic(), m_game->m_bmp_pool.get_bitmap("rocket.png"));
    EXPECT_EQ(s.mount(), 7);
    EXPECT_EQ(s.m_mass, 0.0f);
    EXPECT_EQ(s.m_x, 0.0f);
    EXPECT_EQ(s.m_y, 0.0f);
    EXPECT_EQ(s.m_dx, 0.0f);
    EXPECT_EQ(s.m_dy, 0.0f);
    EXPECT_FALSE(s.is_stuck());
}

TEST_F(shot_mover, its_life_runs_out_into_its_expiry_function)
{
    struct life_case {
        const char* what;
        float life;
        float step;
        int steps;  // the step in which it dies
        bool has_expiry;
    };
    const life_case cases[] = {
        {"a tenth of a second", 0.1f, 0.04f, 3, true},
        {"down to exactly 0", 0.5f, 0.25f, 2, true},
        {"a peashooter's 0.8 s", 0.8f, 0.04f, 20, true},
        {"without an expiry function", 0.1f, 0.04f, 3, false},
    };
    for (const life_case& c : cases) {
        SCOPED_TRACE(c.what);
        exp_calls.clear();
        shot s("shot.png", c.life, 0, recording_det, c.has_expiry ? recording_exp : nullptr);
        for (int i = 1; i < c.steps; ++i) {
            s.do_stuff(c.step);
            ASSERT_FALSE(s.is_dead()) << i;
        }
        EXPECT_TRUE(exp_calls.empty());
        s.do_stuff(c.step);
        EXPECT_TRUE(s.is_dead());
        EXPECT_EQ(exp_calls, c.has_expiry ? std::vector<mover*>{&s} : std::vector<mover*>{});
        EXPECT_TRUE(det_calls.empty());
    }
}

TEST_F(shot_mover, a_wall_detonates_it_with_no_victim_and_ends_it)
{
    shot s("shot.png", 1, 0, recording_det, recording_exp);
    s.notify_collision(A_BLOCK, 0.01f);
    ASSERT_EQ(det_calls.size(), 1u);
    EXPECT_EQ(det_calls[0].shot, &s);
    EXPECT_EQ(det_calls[0].victim, nullptr);
    EXPECT_FLOAT_EQ(det_calls[0].time, 0.01f);
    EXPECT_TRUE(s.is_dead());
    EXPECT_TRUE(exp_calls.empty());

    shot quiet("shot.png", 1, 0, nullptr, nullptr);
    quiet.notify_collision(A_BLOCK, 0.01f);
    EXPECT_TRUE(quiet.is_dead());
}

TEST_F(shot_mover, in_play_a_shot_flying_into_a_wall_detonates_there)
{
    start(room);
    shot* s = place(new shot("shot.png", 0.8f, 0, recording_det, nullptr), 100, 180);
    s->m_dx = -300;
    for (int f = 0; f < 20; ++f) {
        frame();
        if (count_of<shot>() == 0)
            break;
    }
    EXPECT_EQ(count_of<shot>(), 0);
    ASSERT_EQ(det_calls.size(), 1u);
    EXPECT_EQ(det_calls[0].victim, nullptr);
    EXPECT_FLOAT_EQ(det_calls[0].time, 0.01f);
}

TEST_F(shot_mover, meets_enemies_and_balls_in_every_sub_step_and_nothing_else)
{
    struct victim_case {
        const char* what;
        std::function<mover*()> make;  // a null victim stands for the ship
        int calls;
    };
    const float vx = 230, vy = 180;  // clear of the ship and the walls
    const victim_case cases[] = {
        {"enemy", []() -> mover* { return new test_enemy(100); }, 4},
        {"ball", []() -> mover* { return new ball; }, 4},
        {"coin", []() -> mover* { return new coin; }, 0},
        {"block", []() -> mover* { return new test_block; }, 0},
        {"ship", []() -> mover* { return nullptr; }, 0},
    };
    for (const victim_case& c : cases) {
        SCOPED_TRACE(c.what);
        start(room);
        det_calls.clear();
        mover* victim = c.make();
        float x = vx, y = vy;
        if (victim) {
            place(victim, x, y);
        } else {
            victim = the_ship();
            x = victim->x_centre();
            y = victim->y_centre();
        }
        shot* s = place(new shot("shot.png", 10, 0, recording_det, nullptr), x, y);
        frame();
        ASSERT_EQ(det_calls.size(), static_cast<size_t>(c.calls));
        for (const det_call& d : det_calls) {
            EXPECT_EQ(d.shot, s);
            EXPECT_EQ(d.victim, victim);
            EXPECT_FLOAT_EQ(d.time, 0.01f);
        }
        EXPECT_FALSE(s->is_dead());  // only its detonation function ends it
    }
}

TEST_F(shot_mover, a_dead_shot_ignores_every_further_contact)
{
    start(room);
    place(new test_enemy(100), 230, 180);
    place(new test_enemy(100), 230, 180);
    place(new shot("shot.png", 10, 0, killing_det, nullptr), 230, 180);
    frame();
    EXPECT_EQ(det_calls.size(), 1u);
    EXPECT_EQ(count_of<shot>(), 0);

    // One that lives on meets both, in every sub-step.
    det_calls.clear();
    place(new shot("shot.png", 10, 0, recording_det, nullptr), 230, 180);
    frame();
    EXPECT_EQ(det_calls.size(), 8u);

    det_calls.clear();
    shot s("shot.png", 10, 0, recording_det, nullptr);
    test_enemy foe;
    s.die();
    s.notify_collision(&foe, 0.01f);
    EXPECT_TRUE(det_calls.empty());
}

TEST_F(shot_mover, without_a_detonation_it_passes_through_enemies)
{
    start(room);
    test_enemy* foe = place(new test_enemy(3), 230, 180);
    shot* s = place(new shot("shot.png", 10, 0, nullptr, nullptr), 230, 180);
    frame();
    EXPECT_FALSE(s->is_dead());
    EXPECT_DOUBLE_EQ(foe->hitpoints(), 3);
}

TEST_F(shot_mover, pic_name_adds_one_of_five_variant_suffixes)
{
    shot s("shot.png", 1, 0, nullptr, nullptr);
    const unsigned seed = 31;
    srand(seed);
    std::vector<std::string> expected;
    for (int i = 0; i < 200; ++i) {
        int k = std::min(static_cast<int>(static_cast<double>(draw_u()) * 5), 4);
        expected.push_back("shot.png_" + std::string(1, "12345"[k]));
    }
    srand(seed);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string name = s.pic_name();
        EXPECT_EQ(name, expected[i]) << i;
        seen.insert(name);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"shot.png_1", "shot.png_2", "shot.png_3", "shot.png_4",
                                           "shot.png_5"}));
}

// ================================================================= ball

TEST_F(ball_mover, is_made_stuck_with_its_picture_and_mass)
{
    ball b;
    EXPECT_TRUE(b.is_stuck());
    EXPECT_EQ(b.m_mass, 15.0f);
    EXPECT_EQ(b.pic(), m_game->m_bmp_pool.get_bitmap("ball.png"));
    EXPECT_EQ(b.m_x, 0.0f);
    EXPECT_EQ(b.m_dx, 0.0f);
}

TEST_F(ball_mover, sticking_stops_it_and_unsticking_lets_it_go)
{
    ball b;
    b.m_dx = 5;
    b.m_dy = -6;
    b.unstick();
    EXPECT_FALSE(b.is_stuck());
    EXPECT_EQ(b.m_dx, 5.0f);
    EXPECT_EQ(b.m_dy, -6.0f);
    b.stick();
    EXPECT_TRUE(b.is_stuck());
    EXPECT_EQ(b.m_dx, 0.0f);
    EXPECT_EQ(b.m_dy, 0.0f);
}

TEST_F(ball_mover, while_stuck_it_feels_no_force_and_meets_no_tile)
{
    start(source_room);
    ball* b = all_of<ball>()[0];
    const float home_x = 6 * 32, home_y = 3 * 32;
    ASSERT_EQ(b->m_x, home_x);
    frames(5);
    EXPECT_EQ(b->m_x, home_x);
    EXPECT_EQ(b->m_y, home_y);
    EXPECT_EQ(b->m_dy, 0.0f);

    // Lying in the left wall, stuck: nothing happens.
    b->teleport(20, 120);
    frames(2);
    EXPECT_EQ(b->m_x, 20.0f);
    EXPECT_EQ(b->m_y, 120.0f);
    EXPECT_EQ(count_of<explosion>(), 0);

    // Loose, it crashes back to its source.
    b->unstick();
    frame();
    EXPECT_TRUE(b->is_stuck());
    EXPECT_EQ(b->m_x, home_x);
    EXPECT_EQ(b->m_y, home_y);
    EXPECT_EQ(count_of<explosion>(), 1);

    // Loose in the open, it falls.
    b->unstick();
    frame();
    EXPECT_GT(b->m_dy, 0.0f);
    EXPECT_GT(b->m_y, home_y);
}

// ================================================================= coin

TEST_F(coin_mover, is_made_rising_slowly_with_its_picture)
{
    coin c;
    EXPECT_EQ(c.m_mass, 7.0f);
    EXPECT_EQ(c.m_dx, 0.0f);
    EXPECT_EQ(c.m_dy, -3.0f);
    EXPECT_EQ(c.pic(), m_game->m_bmp_pool.get_bitmap("coin.png"));
}

TEST_F(coin_mover, turns_back_at_the_side_edges_by_its_left_edge)
{
    build(room);
    const float w = 10 * 32;
    struct edge_case {
        const char* what;
        float x, dx;
        float dx_after;
    };
    const edge_case cases[] = {
        {"past the right edge", w + 0.5f, 5, -5},
        {"half out on the right", w - 4, 5, 5},
        {"exactly on the right edge", w, 5, 5},
        {"past the right edge, coming back", w + 0.5f, -5, -5},
        {"past the left edge", -0.5f, -5, 5},
        {"past the left edge, coming back", -0.5f, 5, 5},
        {"exactly on the left edge", 0, -5, -5},
    };
    for (const edge_case& e : cases) {
        SCOPED_TRACE(e.what);
        coin c;
        c.m_x = e.x;
        c.m_y = 100;
        c.m_dx = e.dx;
        c.do_stuff(frame_step);
        EXPECT_EQ(c.m_dx, e.dx_after);
    }
}

TEST_F(coin_mover, gains_a_tenth_a_frame_on_top_of_gravity)
{
    build(room);
    // The tenth is added in double: from all but the new coin's -3, a tenth
    // added in float would end one step off (at the top of its rise it would
    // stop dead instead of starting down).
    const float speeds[] = {-3, -0.1f, 0.02f, 0.11f};
    bool float_would_differ = false;
    for (float dy : speeds) {
        for (float step : {0.04f, 1.0f}) {
            SCOPED_TRACE(testing::Message() << "speed " << dy << ", step " << step);
            coin c;
            c.m_y = 100;
            c.m_dy = dy;
            c.do_stuff(step);
            EXPECT_EQ(c.m_dy, static_cast<float>(dy + 0.1));
            float_would_differ = float_would_differ || c.m_dy != dy + 0.1f;
        }
    }
    EXPECT_TRUE(float_would_differ) << "no case tells a tenth in double from one in float";
}

TEST_F(coin_mover, bounces_on_the_map_s_bottom_edge_with_a_boink)
{
    REQUIRE_SOUND();
    build(room);
    struct floor_case {
        const char* what;
        float below;  // how far the coin's bottom is past the map's
        float dy;
        float dy_after;
        int boinks;
    };
    const floor_case cases[] = {
        {"falling past the bottom", 0.5f, 20, -19.9f, 1},
        {"exactly on the bottom", 0, 20, 20.1f, 0},
        {"rising past the bottom", 0.5f, -20, -19.9f, 0},
        {"still past the bottom", 0.5f, 0, 0.1f, 0},
    };
    for (const floor_case& f : cases) {
        SCOPED_TRACE(f.what);
        m_recorder.clear();
        coin c;
        c.m_x = 100;
        c.m_y = room_floor + 32 - 8 + f.below;
        c.m_dy = f.dy;
        c.do_stuff(frame_step);
        EXPECT_FLOAT_EQ(c.m_dy, f.dy_after);
        EXPECT_FALSE(c.is_dead());
        EXPECT_EQ(heard_sounds(), std::vector<heard>(f.boinks, heard{sound::BOINK, 128}));
    }
}

TEST_F(coin_mover, bursts_on_the_fourth_floor_contact)
{
    REQUIRE_SOUND();
    build(room);
    coin c;
    c.m_x = 100;
    for (int i = 0; i < 3; ++i) {
        c.m_y = room_floor + 32 - 7.5f;
        c.m_dy = 20;
        c.do_stuff(frame_step);
        ASSERT_FALSE(c.is_dead()) << i;
    }
    EXPECT_EQ(heard_sounds(), std::vector<heard>(3, heard{sound::BOINK, 128}));
    c.m_y = room_floor + 32 - 7.5f;
    c.m_dy = 20;
    float cx = c.x_centre(), cy = c.y_centre();
    c.do_stuff(frame_step);
    EXPECT_TRUE(c.is_dead());
    EXPECT_EQ(heard_sounds().size(), 3u);
    behave();
    std::vector<explosion*> bursts = all_of<explosion>();
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_EQ(bursts[0]->x_centre(), cx);
    EXPECT_EQ(bursts[0]->y_centre(), cy);
    EXPECT_EQ(bursts[0]->m_dx, 0.0f);
    EXPECT_EQ(bursts[0]->m_dy, 0.0f);
    EXPECT_EQ(explosion_width("coin.png"), 8);
}

TEST_F(coin_mover, in_play_it_falls_through_tiles_and_bounces_three_times)
{
    REQUIRE_SOUND();
    start({
        "#####",
        "#...#",
        "#####",
        "#...#",
        "#...#",
    });
    // Only the coin is to be heard: the ship leaves.
    delete m_arena->remove_mover(the_ship());
    const float bottom = 5 * 32;
    coin* c = place(new coin, 80, 20);
    bool reached_bottom = false;
    for (int f = 0; f < 3000; ++f) {
        frame();
        if (count_of<coin>() == 0)
            break;
        if (c->m_y + 8 > bottom)
            reached_bottom = true;
    }
    EXPECT_TRUE(reached_bottom);
    EXPECT_EQ(count_of<coin>(), 0);
    EXPECT_EQ(count_of<explosion>(), 1);
    EXPECT_EQ(heard_sounds(), std::vector<heard>(3, heard{sound::BOINK, 128}));
}

TEST_F(coin_mover, the_ship_collects_fifty_with_a_kaching)
{
    REQUIRE_SOUND();
    start(room);
    ship* s = the_ship();
    place(new coin, s->x_centre(), s->y_centre());
    test_enemy* foe = place(new test_enemy, 230, 180);
    coin* spare = place(new coin, 230, 180);
    frame();
    EXPECT_EQ(status().money, 50);
    EXPECT_EQ(count_of<coin>(), 1);
    EXPECT_FALSE(spare->is_dead());
    EXPECT_FALSE(foe->is_dead());
    EXPECT_EQ(heard_sounds(), (std::vector<heard>{{sound::KACHING, 38}}));
}

// ========================================================= recking ball

TEST_F(recking_ball_mover, is_a_heavy_ball_at_rest)
{
    recking_ball r;
    EXPECT_EQ(r.m_mass, 50.0f);
    EXPECT_EQ(r.pic(), m_game->m_bmp_pool.get_bitmap("recking_ball.png"));
    EXPECT_EQ(r.m_x, 0.0f);
    EXPECT_EQ(r.m_dx, 0.0f);
    EXPECT_EQ(r.m_dy, 0.0f);
}

TEST_F(recking_ball_mover, bursts_on_the_first_tile_it_touches)
{
    start(room);
    place(new recking_ball, 36, 120);  // 4 pixels into the left wall
    frame();
    EXPECT_EQ(count_of<recking_ball>(), 0);
    std::vector<explosion*> bursts = all_of<explosion>();
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_NEAR(bursts[0]->x_centre(), 36, 0.05);
    EXPECT_NEAR(bursts[0]->y_centre(), 120, 0.05);
    EXPECT_EQ(explosion_width("recking_ball.png"), 16);
}

TEST_F(recking_ball_mover, grinds_an_enemy_half_a_point_per_sub_step)
{
    struct grind_case {
        int reduction;
        double hitpoints_after;
    };
    const grind_case cases[] = {{0, 8}, {1, 10}, {2, 10}};
    for (const grind_case& c : cases) {
        SCOPED_TRACE(c.reduction);
        start(room);
        test_enemy* foe = place(new test_enemy(10, c.reduction), 230, 180);
        place(new recking_ball, 230, 180);
        frame();
        EXPECT_DOUBLE_EQ(foe->hitpoints(), c.hitpoints_after);
        EXPECT_EQ(count_of<recking_ball>(), 1);
    }
}
