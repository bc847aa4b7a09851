// Invaders and their block explosion, the ufo boss, the asteroid ufo, ufo
// rockets, and the exit that a ufo's death opens.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"
#include "weapons.h"

namespace {
using sound::BOINK;
using sound::BOOM;
using sound::DOOF;
using sound::POP;
typedef sound_recorder::heard heard;

const float step = 0.04f;

// The second draw of a seed.
int second_draw(unsigned seed)
{
    srand(seed);
    rand15();
    return rand15();
}

// A walled room of w x h tiles with the ship's spawn tile at (sx, sy).
std::vector<std::string> room(int w, int h, int sx, int sy)
{
    std::vector<std::string> rows(h, std::string(w, '.'));
    for (int x = 0; x < w; ++x)
        rows[0][x] = rows[h - 1][x] = '#';
    for (int y = 0; y < h; ++y)
        rows[y][0] = rows[y][w - 1] = '#';
    rows[sy][sx] = 'S';
    return rows;
}

// The ufo's firing clock, run as the ufo runs it: float seconds from 20,
// brought back below 10, a volley at every tenth and a rocket at every
// fifth of a second crossed in the last second of the cycle.
struct ufo_clock {
    float old = 20, now = 20;
    void tick()
    {
        old = now;
        now = old + step;
        while (now > 10)
            now -= 10;
    }
    bool volley() const { return static_cast<int>(old * 10) < static_cast<int>(now * 10); }
    bool rocket() const { return now > 9 && static_cast<int>(old * 5) < static_cast<int>(now * 5); }
};

class enemy_test : public sounding_arena_test {
protected:
    std::vector<heard> heard_sounds() const { return m_recorder.heard_sounds(); }
    int heard_count(sound::snd_id id) const
    {
        int n = 0;
        for (const heard& h : heard_sounds())
            n += h.id == id;
        return n;
    }

    // The behaviour step of a frame alone, then the rest of the frame.
    void behave() { m_arena->do_stuff(step); }
    void rest_of_frame()
    {
        m_arena->apply_forces(step);
        m_arena->move_stuff_and_do_collisions(step);
    }

    template <typename T>
    void kill_all()
    {
        for (T* t : all_of<T>())
            t->die();
    }

    // Takes the ship out of the arena, so nothing has a target.
    void remove_ship() { delete m_arena->remove_mover(the_ship()); }

    // Puts the ship's centre at (x, y), at rest.
    void place_ship(float x, float y)
    {
        ship* s = the_ship();
        ASSERT_NE(s, nullptr);
        s->teleport(x - s->pic()->w / 2, y - s->pic()->h / 2);
        s->m_dx = s->m_dy = 0;
    }

    // How many explosions of the main list show the first frame of those
    // cached under key: made under key and not yet stepped.
    int fresh_explosions(const std::string& key)
    {
        std::unique_ptr<explosion> probe(m_game->m_exp_pool.get_explosion(key, nullptr));
        int n = 0;
        for (explosion* e : all_of<explosion>())
            n += e->pic() == probe->pic();
        return n;
    }

    bool transparent_cell(int x, int y) { return pixel_rgba(m_arena->bitmap(), 32 * x + 16, 32 * y + 16).a == 0; }

    SDL_Surface* picture(const std::string& name) { return m_game->m_bmp_pool.get_bitmap(name); }

};

// ================================================================ invaders

class invaders : public enemy_test {
protected:
    // The index of the block explosion picture a mover shows, or -1.
    int block_picture(mover* m)
    {
        for (int k = 0; k < 4; ++k) {
            if (m->pic() == picture("blockexplo" + std::to_string(k) + ".png"))
                return k;
        }
        return -1;
    }
    std::vector<mover*> block_explosions()
    {
        std::vector<mover*> out;
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            if (block_picture(m_arena->get_mover(i)) >= 0)
                out.push_back(m_arena->get_mover(i));
        }
        return out;
    }
};

struct turn_case {
    const char* what;
    float left, right;
    float first_x;  // where it takes a first step, which sets its heading
    float probe_x;
    float push;     // the change of its horizontal speed in the probed step
};

const turn_case turn_cases[] = {
    {"below the left bound it heads right", 100, 200, 250, 50, 0.4f},
    {"above the right bound it heads left", 100, 200, 150, 250, -0.4f},
    {"between the bounds it keeps heading right", 100, 200, 150, 150, 0.4f},
    {"between the bounds it keeps heading left", 100, 200, 250, 150, -0.4f},
    {"on the left bound it keeps heading left", 100, 200, 250, 100, -0.4f},
    {"on the right bound it keeps heading right", 100, 200, 150, 200, 0.4f},
    {"with crossed bounds heading left wins", 200, 100, 50, 150, -0.4f},
};

TEST_F(invaders, turn_at_their_bounds)
{
    build(room(30, 12, 1, 9));
    for (const turn_case& c : turn_cases) {
        SCOPED_TRACE(c.what);
        invader inv(c.left, c.right);
        inv.teleport(c.first_x, 100);
        inv.do_stuff(step);
        inv.teleport(c.probe_x, 100);
        float before = inv.m_dx;
        inv.do_stuff(step);
        EXPECT_FLOAT_EQ(inv.m_dx - before, c.push);
    }
}

TEST_F(invaders, are_pushed_each_frame_until_drag_balances_and_pass_through_walls)
{
    std::vector<std::string> rows = room(30, 12, 1, 9);
    for (int y = 1; y < 11; ++y)
        rows[y][15] = '#';  // across its path
    build(rows);
    invader* inv = new invader(0, 100000);
    inv->teleport(300, 100);
    m_arena->add_mover(inv);
    m_arena->activate();

    // 0.4 px/s a frame whatever the step, then air drag on a mass of 15.
    float v = 0;
    float x = 300;
    for (int f = 1; f <= 300; ++f) {
        frame();
        v += 0.4f;
        v -= 1.0f * (step * v) / 15.0f;
        for (int i = 0; i < 4; ++i)
            x += v * (step * 0.25f);
        ASSERT_FLOAT_EQ(inv->m_dx, v) << "frame " << f;
        ASSERT_EQ(inv->m_dy, 0.0f) << "frame " << f;
        ASSERT_EQ(inv->m_y, 100.0f) << "frame " << f;
    }
    EXPECT_GT(inv->m_x, 15 * 32 + 32);  // beyond the wall
    EXPECT_NEAR(inv->m_x, x, 0.05);

    // The terminal speed, where drag takes the push back each frame.
    const float k = step / 15;
    for (int f = 0; f < 4000; ++f)
        frame();
    EXPECT_NEAR(inv->m_dx, 0.4 * (1 - k) / k, 0.05);
}

TEST_F(invaders, flap_between_their_two_pictures_every_second)
{
    build(room(30, 12, 1, 9));
    invader* inv = new invader(200, 600);
    inv->teleport(300, 100);
    m_arena->add_mover(inv);
    m_arena->activate();
    SDL_Surface* one = picture("invader1.png");
    SDL_Surface* two = picture("invader2.png");
    EXPECT_EQ(inv->pic(), one);

    float timer = 0;
    int changes = 0;
    SDL_Surface* last = one;
    for (int f = 1; f <= 140; ++f) {
        frame();
        timer += step;
        while (timer > 2)
            timer -= 2;
        ASSERT_EQ(inv->pic(), timer < 1 ? one : two) << "frame " << f;
        changes += inv->pic() != last;
        last = inv->pic();
    }
    EXPECT_EQ(changes, 5);  // 5.6 s of flapping
}

struct fire_case {
    const char* what;
    int draw;
    bool fires;
};

// 0.2 x 0.04 = 0.008 against the draw over 32767.
const fire_case invader_fire_cases[] = {
    {"a draw of 0 fires", 0, true},
    {"a draw of 262 fires", 262, true},
    {"a draw of 263 holds", 263, false},
    {"a draw of 32767 holds", 32767, false},
};

TEST_F(invaders, drop_bullets_straight_down_by_one_draw_a_frame)
{
    build(room(30, 12, 1, 9));
    invader* inv = new invader(100, 800);
    inv->teleport(400, 100);
    m_arena->add_mover(inv);
    m_arena->activate();
    for (const fire_case& c : invader_fire_cases) {
        SCOPED_TRACE(c.what);
        inv->m_dx = 120;  // its bullets do not take its speed
        inv->m_dy = 30;
        unsigned seed = seed_with_first_draw(c.draw);
        srand(seed);
        behave();
        std::vector<t_shot*> shots = all_of<t_shot>();
        ASSERT_EQ(shots.size(), c.fires ? 1u : 0u);
        if (c.fires) {
            EXPECT_FLOAT_EQ(shots[0]->x_centre(), inv->x_centre());
            EXPECT_FLOAT_EQ(shots[0]->y_centre(), inv->y_centre());
            EXPECT_EQ(shots[0]->m_dx, 0.0f);
            EXPECT_EQ(shots[0]->m_dy, 250.0f);
        }
        int next = rand15();
        EXPECT_EQ(next, second_draw(seed)) << "one draw a frame";
        kill_all<t_shot>();
    }
}

TEST_F(invaders, die_into_a_block_explosion_that_stays_put)
{
    build(room(30, 12, 1, 9));
    invader* inv = new invader(100, 800);
    inv->teleport(400, 100);
    m_arena->add_mover(inv);
    m_arena->activate();
    frames(5);
    inv->m_dx = 80;
    inv->m_dy = -20;
    float cx = inv->x_centre(), cy = inv->y_centre();
    m_recorder.clear();

    EXPECT_EQ(inv->take_hit(5), 5.0);
    if (m_sound) {
        EXPECT_EQ(heard_sounds(), (std::vector<heard>{{POP, 128}}));
    }

    // Picture 0 before its first step, then 0 1 1 2 3 3, gone in the seventh.
    const int shown[] = {0, 0, 1, 1, 2, 3, 3};
    for (int f = 0; f < 7; ++f) {
        frame();
        std::vector<mover*> blocks = block_explosions();
        ASSERT_EQ(blocks.size(), 1u) << "frame " << f + 1;
        EXPECT_EQ(block_picture(blocks[0]), shown[f]) << "frame " << f + 1;
        EXPECT_NEAR(blocks[0]->m_x + 16, cx, 1e-3);
        EXPECT_NEAR(blocks[0]->m_y + 16, cy, 1e-3);
        EXPECT_EQ(blocks[0]->m_dx, 0.0f);
        EXPECT_EQ(blocks[0]->m_dy, 0.0f);
    }
    frame();
    EXPECT_TRUE(block_explosions().empty());

    EXPECT_EQ(count_of<invader>(), 0);
    EXPECT_EQ(count_of<coin>(), 0);
    EXPECT_EQ(count_of<explosion>(), 0);
    EXPECT_EQ(status().score, 0);
}

// ==================================================================== ufos

class ufos : public enemy_test {
protected:
    // 60 x 16 tiles: 1920 x 512 pixels.
    void SetUp() override
    {
        enemy_test::SetUp();
        m_rows = room(60, 16, 2, 13);
    }
    // A ufo whose top edge is at 96 and centre at x, patrolling [left, right].
    ufo* add_ufo(float x, int left, int right)
    {
        ufo* u = new ufo(96, left, right);
        u->teleport(x - 48, 96);
        m_arena->add_mover(u);
        return u;
    }

    std::vector<std::string> m_rows;
};

TEST_F(ufos, hold_their_top_edge_at_the_desired_height_every_frame)
{
    build(m_rows);
    ufo* u = new ufo(96, 600, 1400);
    u->teleport_centre(1000, 300);  // wherever it starts
    m_arena->add_mover(u);
    m_arena->activate();
    remove_ship();
    int moved = 0;
    for (int f = 0; f < 40; ++f) {
        if (f % 10 == 5) {
            m_arena->AOE_force(u->x_centre(), u->y_centre() + 30, 100, 200, 200);
            u->m_dy -= 300;
        }
        behave();
        ASSERT_EQ(u->m_y, 96.0f) << "frame " << f + 1;
        rest_of_frame();
        moved += u->m_y != 96.0f;
    }
    EXPECT_GT(moved, 0) << "the pushes moved it between frames";
}

struct patrol_case {
    const char* what;
    int left, right;
    float centre_x;
    float dx_before, dx_after;
};

const patrol_case patrol_cases[] = {
    {"beyond the right bound it turns left", 600, 1400, 1401, 100, -100},
    {"beyond the left bound it turns right", 600, 1400, 599, -100, 100},
    {"between the bounds it keeps its speed", 600, 1400, 1000, -37, -37},
    {"on the right bound it keeps going", 600, 1400, 1400, 99, 99},
    {"on the left bound it keeps going", 600, 1400, 600, -99, -99},
    {"with crossed bounds heading right wins", 1000, 900, 950, -100, 100},
};

TEST_F(ufos, turn_at_the_bounds_of_their_centre)
{
    build(m_rows);
    for (const patrol_case& c : patrol_cases) {
        SCOPED_TRACE(c.what);
        ufo u(96, c.left, c.right);
        u.teleport(c.centre_x - 48, 96);
        u.m_dx = c.dx_before;
        u.do_stuff(step);
        EXPECT_EQ(u.m_dx, c.dx_after);
    }
}

TEST_F(ufos, patrol_between_their_bounds_at_100_pixels_a_second)
{
    build(m_rows);
    ufo* u = add_ufo(1000, 600, 1400);
    EXPECT_EQ(u->m_dx, 100.0f);
    m_arena->activate();
    remove_ship();
    float lowest = 1e9f, highest = -1e9f;
    int turns = 0;
    float last_dx = u->m_dx;
    for (int f = 0; f < 1000; ++f) {
        behave();
        ASSERT_LE(std::fabs(u->m_dx), 100.0f);
        if ((u->m_dx > 0) != (last_dx > 0)) {
            ++turns;
            EXPECT_EQ(std::fabs(u->m_dx), 100.0f) << "a turn sets the full speed";
        }
        rest_of_frame();  // drag slows it a little between turns
        last_dx = u->m_dx;
        lowest = std::min(lowest, u->x_centre());
        highest = std::max(highest, u->x_centre());
    }
    // At most one frame's travel beyond a bound.
    EXPECT_GE(lowest, 600 - 4.01f);
    EXPECT_LE(highest, 1400 + 4.01f);
    EXPECT_LT(lowest, 601.0f);
    EXPECT_GT(highest, 1399.0f);
    EXPECT_GE(turns, 4);
}

TEST_F(ufos, fire_volleys_ten_times_a_second_and_rockets_in_the_last_second)
{
    build(m_rows);
    ufo* u = add_ufo(1000, 1000, 1000);
    m_arena->activate();
    status().invulnerability = 5;
    ufo_clock clock;
    int volleys = 0, rockets = 0, first_volley = 0;
    for (int f = 1; f <= 260; ++f) {
        kill_all<t_shot>();
        kill_all<ufo_rocket>();
        m_recorder.clear();
        place_ship(u->x_centre() - 200, u->y_centre() + 150);  // 250 px away
        clock.tick();
        behave();

        int shots = count_of<t_shot>();
        int new_rockets = count_of<ufo_rocket>();
        ASSERT_EQ(shots, clock.volley() ? 2 : 0) << "frame " << f;
        ASSERT_EQ(new_rockets, clock.rocket() ? 1 : 0) << "frame " << f;
        if (m_sound) {
            std::vector<heard> expected;
            if (clock.volley())
                expected = {{BOINK, 128}, {BOINK, 128}};
            if (clock.rocket())
                expected.push_back({DOOF, 128});
            ASSERT_EQ(heard_sounds(), expected) << "frame " << f;
        }
        if (shots && !first_volley)
            first_volley = f;
        volleys += shots / 2;
        rockets += new_rockets;
        rest_of_frame();
    }
    EXPECT_EQ(first_volley, 3);  // none in its first frame
    EXPECT_GE(volleys, 99);
    EXPECT_LE(volleys, 104);
    EXPECT_EQ(rockets, 5);
}

struct range_case {
    const char* what;
    float dx, dy;  // the ship's centre from the ufo's
    int bullets;
    int boinks;
};

const range_case range_cases[] = {
    {"399_px_away_fires_both_guns", 399, 0, 2, 2},
    {"400_px_away_holds_fire", 400, 0, 0, 0},
    {"diagonally_in_range", -250, 250, 2, 2},
    {"diagonally_out_of_range", 300, 300, 0, 0},
    {"on_its_centre_holds_fire", 0, 0, 0, 0},
    {"one_px_away_holds_fire", 1, 0, 0, 0},
    {"on_the_left_gun_it_boinks_twice_and_fires_once", -40, 10, 1, 2},
    {"half_a_px_from_the_right_gun_it_boinks_twice_and_fires_once", 40.5f, 10, 1, 2},
};

class ufos_in_range : public ufos, public ::testing::WithParamInterface<range_case> {};

TEST_P(ufos_in_range, fire_a_volley_from_both_guns_at_the_ship)
{
    const range_case& c = GetParam();
    build(m_rows);
    ufo* u = add_ufo(1000, 1000, 1000);
    m_arena->activate();
    frames(2);  // the third frame crosses the first tenth of a second
    kill_all<t_shot>();
    m_recorder.clear();
    float ux = u->x_centre(), uy = u->y_centre();
    place_ship(ux + c.dx, uy + c.dy);
    behave();

    std::vector<t_shot*> shots = all_of<t_shot>();
    ASSERT_EQ(static_cast<int>(shots.size()), c.bullets);
    if (m_sound) {
        EXPECT_EQ(heard_count(BOINK), c.boinks);
    }
    if (c.boinks == 0)
        return;
    // Each gun aims from itself at the ship's centre, the left gun first.
    const float guns[2][2] = {{-40, 10}, {40, 10}};
    size_t next = 0;
    for (const auto& gun : guns) {
        float ex = c.dx - gun[0], ey = c.dy - gun[1];
        float len = std::sqrt(ex * ex + ey * ey);
        if (!(len > 1))
            continue;
        ASSERT_LT(next, shots.size());
        t_shot* s = shots[next++];
        EXPECT_NEAR(s->x_centre(), ux + gun[0], 1e-3);
        EXPECT_NEAR(s->y_centre(), uy + gun[1], 1e-3);
        EXPECT_NEAR(s->m_dx, 250 * ex / len, 1e-3);
        EXPECT_NEAR(s->m_dy, 250 * ey / len, 1e-3);
    }
}

void PrintTo(const range_case& c, std::ostream* out) { *out << c.what; }

INSTANTIATE_TEST_SUITE_P(all, ufos_in_range, ::testing::ValuesIn(range_cases),
                         [](const ::testing::TestParamInfo<range_case>& info) {
                             return std::string(info.param.what);
                         });

TEST_F(ufos, fire_rockets_at_a_ship_out_of_volley_range)
{
    build(m_rows);
    ufo* u = add_ufo(1000, 1000, 1000);
    m_arena->activate();
    status().invulnerability = 5;
    ufo_clock clock;
    int rockets = 0;
    for (int f = 1; f <= 500; ++f) {
        kill_all<ufo_rocket>();
        m_recorder.clear();
        float ux = u->x_centre(), uy = u->y_centre();
        place_ship(ux - 900, uy + 300);
        clock.tick();
        behave();
        ASSERT_EQ(count_of<t_shot>(), 0) << "frame " << f;
        std::vector<ufo_rocket*> made = all_of<ufo_rocket>();
        ASSERT_EQ(made.size(), clock.rocket() ? 1u : 0u) << "frame " << f;
        if (m_sound) {
            std::vector<heard> expected;
            if (!made.empty())
                expected.push_back({DOOF, 128});
            ASSERT_EQ(heard_sounds(), expected);
        }
        if (!made.empty()) {
            float d = std::sqrt(900.0f * 900.0f + 300.0f * 300.0f);
            EXPECT_NEAR(made[0]->x_centre(), ux, 1e-3);
            EXPECT_NEAR(made[0]->y_centre(), uy, 1e-3);
            EXPECT_NEAR(made[0]->m_dx, 450 * -900 / d, 1e-3);
            EXPECT_NEAR(made[0]->m_dy, 450 * 300 / d, 1e-3);
        }
        rockets += static_cast<int>(made.size());
        rest_of_frame();
    }
    EXPECT_EQ(rockets, 10);  // five in each of two cycles
}

TEST_F(ufos, are_bosses_the_scoop_cannot_take)
{
    build(m_rows);
    ufo* u = add_ufo(1000, 600, 1400);
    m_arena->activate();
    EXPECT_TRUE(u->is_boss());
    shot* s = new shot("heart.png", 0.5f, 0, scoop_det, nullptr);
    s->teleport_centre(u->x_centre(), u->y_centre());
    m_arena->add_mover(s);
    frame();
    frame();
    EXPECT_EQ(count_of<shot>(), 0);
    EXPECT_EQ(count_of<scoop_victim>(), 0);
    EXPECT_EQ(count_of<ufo>(), 1);
}

// The two kinds of ufo die alike.
struct ufo_kind {
    const char* what;
    bool boss;
    double killing_hit_takes;  // its hit points and reduction
    enemy* (*make)();
};

enemy* make_ufo() { return new ufo(180, 400, 900); }
enemy* make_ast_ufo() { return new ast_ufo; }

const ufo_kind ufo_kinds[] = {
    {"ufo", true, 400 + 1, make_ufo},
    {"ast_ufo", false, 100, make_ast_ufo},
};

class ufo_deaths : public ufos, public ::testing::WithParamInterface<ufo_kind> {};

TEST_P(ufo_deaths, boom_thrice_shower_coins_push_and_open_the_exit)
{
    std::vector<std::string> rows = room(40, 14, 2, 11);
    rows[0][20] = rows[0][21] = 'X';
    build(rows);
    enemy* e = GetParam().make();
    e->teleport_centre(640, 200);
    m_arena->add_mover(e);
    test_block* block = new test_block("foe.png", 10);
    block->teleport_centre(665, 200);  // 25 px right of its centre
    m_arena->add_mover(block);
    m_arena->activate();
    EXPECT_EQ(e->is_boss(), GetParam().boss);
    EXPECT_EQ(e->m_mass, 50.0f);

    float cx = e->x_centre(), cy = e->y_centre();
    m_recorder.clear();
    srand(77);
    EXPECT_EQ(e->take_hit(1000), GetParam().killing_hit_takes);
    EXPECT_TRUE(e->is_dead());
    if (m_sound) {
        EXPECT_EQ(heard_sounds(), (std::vector<heard>{{BOOM, 128}, {BOOM, 128}, {BOOM, 128}}));
    }

    // Exit blocks gone at once.
    EXPECT_EQ(m_arena->get(20, 0), A_EMPTY);
    EXPECT_EQ(m_arena->get(21, 0), A_EMPTY);
    EXPECT_EQ(m_arena->get(19, 0), A_BLOCK);
    EXPECT_TRUE(transparent_cell(20, 0));
    EXPECT_TRUE(transparent_cell(21, 0));
    EXPECT_FALSE(transparent_cell(19, 0));

    behave();  // admits what the death made
    EXPECT_EQ(count_of<ufo>() + count_of<ast_ufo>(), 0);
    EXPECT_EQ(status().score, 0);

    // 20 coins spread normally by 20 px about its centre, the y offset
    // drawn first, with their own starting velocity only.
    std::vector<coin*> coins = all_of<coin>();
    ASSERT_EQ(coins.size(), 20u);
    srand(77);
    for (coin* c : coins) {
        float oy = 20 * randn();
        float ox = 20 * randn();
        EXPECT_NEAR(c->x_centre(), cx + ox, 1e-3);
        EXPECT_NEAR(c->y_centre(), cy + oy, 1e-3);
        EXPECT_EQ(c->m_dx, 0.0f);
        EXPECT_EQ(c->m_dy, -3.0f);
    }

    // No explosion of its own: only the two exit blocks burst.
    EXPECT_EQ(count_of<explosion>(), 2);
    EXPECT_EQ(fresh_explosions("block"), 2);

    // A force ball at its centre: 40 there, 100 at 50 px.
    std::vector<force_indicator*> balls = all_of<force_indicator>();
    ASSERT_EQ(balls.size(), 1u);
    EXPECT_NEAR(balls[0]->x_centre(), cx, 1e-3);
    EXPECT_NEAR(balls[0]->y_centre(), cy, 1e-3);
    rest_of_frame();
    EXPECT_NEAR(block->m_dx, 25 * 70 / 10.0, 1e-2);
}

void PrintTo(const ufo_kind& c, std::ostream* out) { *out << c.what; }

INSTANTIATE_TEST_SUITE_P(both, ufo_deaths, ::testing::ValuesIn(ufo_kinds),
                         [](const ::testing::TestParamInfo<ufo_kind>& info) {
                             return std::string(info.param.what);
                         });

// ========================================================== asteroid ufos

class asteroid_ufos : public enemy_test {};

struct start_case {
    const char* what;
    int w, h;
    float x, y;
};

const start_case start_cases[] = {
    {"a 30 x 10 map", 30, 10, 1600, 160},
    {"an odd height halves down", 30, 7, 1600, 96},
    {"a one-tile map", 1, 1, 672, 0},
    {"a map without columns counts as 0 x 0", 0, 5, 640, 0},
};

TEST_F(asteroid_ufos, start_20_tiles_beyond_the_right_edge_on_the_middle_row)
{
    for (const start_case& c : start_cases) {
        SCOPED_TRACE(c.what);
        build(std::vector<std::string>(c.h, std::string(c.w, '.')));
        ast_ufo a;
        EXPECT_EQ(a.x_centre(), c.x);
        EXPECT_EQ(a.y_centre(), c.y);
        EXPECT_EQ(a.m_dx, -150.0f);
        EXPECT_EQ(a.m_dy, 0.0f);
        EXPECT_FALSE(a.is_boss());
        EXPECT_FALSE(a.does_arena_collisions());
    }
}

struct sweep_case {
    const char* what;
    float x;
    float dx_before, dx_after;
};

// A 30-tile map: it turns when its top-left x passes 1600 or -640.
const sweep_case sweep_cases[] = {
    {"where it starts it goes on", 1568, -150, -150},
    {"past -640 it turns", -641, -150, 150},
    {"at -640 it goes on", -640, -150, -150},
    {"past 1600 it turns", 1601, 150, -150},
    {"at 1600 it goes on", 1600, 150, 150},
    {"past a turning point it turns whatever its heading", 1601, -150, 150},
};

TEST_F(asteroid_ufos, sweep_from_20_tiles_right_of_the_map_to_20_tiles_left)
{
    build(std::vector<std::string>(10, std::string(30, '.')));
    for (const sweep_case& c : sweep_cases) {
        SCOPED_TRACE(c.what);
        ast_ufo a;
        a.teleport(c.x, 144);
        a.m_dx = c.dx_before;
        a.do_stuff(step);
        EXPECT_EQ(a.m_dx, c.dx_after);
    }
}

struct sway_case {
    const char* what;
    float from_middle;  // its top edge below the middle row's y
    int y_offset;       // the whole pixels that pull it
};

const sway_case sway_cases[] = {
    {"below the middle row it is pulled up", 50.7f, 50},
    {"above the middle row it is pulled down", -50.7f, -50},
    {"less than a pixel below: no pull", 0.9f, 0},
    {"less than a pixel above: no pull", -0.9f, 0},
};

TEST_F(asteroid_ufos, hover_pulled_weakly_towards_the_middle_row)
{
    build(std::vector<std::string>(10, std::string(30, '.')));
    for (const sway_case& c : sway_cases) {
        SCOPED_TRACE(c.what);
        ast_ufo a;
        a.teleport(500, 160 + c.from_middle);
        a.m_dy = 3;
        a.do_stuff(step);
        EXPECT_FLOAT_EQ(a.m_dy, (3 - step * default_gravity) - c.y_offset * step / 100);
    }
}

TEST_F(asteroid_ufos, sway_about_the_middle_row)
{
    build(room(30, 10, 1, 7));
    ast_ufo* a = new ast_ufo;
    m_arena->add_mover(a);
    m_arena->activate();
    remove_ship();
    const float middle = 5 * 32;
    float lowest = 1e9f, highest = -1e9f;
    for (int f = 0; f < 2000; ++f) {
        frame();
        lowest = std::min(lowest, a->m_y - middle);
        highest = std::max(highest, a->m_y - middle);
    }
    EXPECT_GE(lowest, -16.01f);  // it starts centred, its top 16 px up
    EXPECT_LE(highest, 16.01f);
    EXPECT_GT(highest, 5.0f);  // it has swung below the middle row
}

enum ship_place { SHIP_AWAY, SHIP_ON_ITS_CENTRE, NO_SHIP };

struct salvo_case {
    const char* what;
    float x;  // its top-left x; the map is 960 px wide
    int draw;
    ship_place ship;
    int rockets;
    int boinks;
    int draws;
};

// dt = 0.04 against twice the draw over 32767.
const salvo_case salvo_cases[] = {
    {"over_the_map_a_draw_of_655_fires", 400, 655, SHIP_AWAY, 1, 1, 1},
    {"over_the_map_a_draw_of_656_holds", 400, 656, SHIP_AWAY, 0, 0, 1},
    {"just_inside_the_left_edge_fires", 1, 0, SHIP_AWAY, 1, 1, 1},
    {"on_the_left_edge_draws_nothing", 0, 0, SHIP_AWAY, 0, 0, 0},
    {"just_inside_the_right_edge_fires", 959, 0, SHIP_AWAY, 1, 1, 1},
    {"on_the_right_edge_draws_nothing", 960, 0, SHIP_AWAY, 0, 0, 0},
    {"off_the_map_draws_nothing", -300, 0, SHIP_AWAY, 0, 0, 0},
    {"with_the_ship_on_its_centre_it_boinks_only", 400, 0, SHIP_ON_ITS_CENTRE, 0, 1, 1},
    {"without_a_ship_draws_nothing", 400, 0, NO_SHIP, 0, 0, 0},
};

class asteroid_ufo_salvos : public asteroid_ufos, public ::testing::WithParamInterface<salvo_case> {};

TEST_P(asteroid_ufo_salvos, fire_rockets_at_random_while_over_the_map)
{
    const salvo_case& c = GetParam();
    build(room(30, 12, 2, 9));
    ast_ufo* a = new ast_ufo;
    m_arena->add_mover(a);
    m_arena->activate();
    a->teleport(c.x, 176);
    if (c.ship == NO_SHIP)
        remove_ship();
    else if (c.ship == SHIP_ON_ITS_CENTRE)
        place_ship(a->x_centre(), a->y_centre());
    else
        place_ship(200, 300);
    m_recorder.clear();
    unsigned seed = seed_with_first_draw(c.draw);
    srand(seed);
    behave();
    int next = rand15();

    std::vector<ufo_rocket*> rockets = all_of<ufo_rocket>();
    ASSERT_EQ(static_cast<int>(rockets.size()), c.rockets);
    if (m_sound) {
        EXPECT_EQ(heard_count(BOINK), c.boinks);
    }
    srand(seed);
    std::vector<int> sequence = {rand15(), rand15()};
    EXPECT_EQ(next, sequence[c.draws]) << "draws made";
    if (!rockets.empty()) {
        ship* s = the_ship();
        float dx = s->x_centre() - a->x_centre(), dy = s->y_centre() - a->y_centre();
        float d = std::sqrt(dx * dx + dy * dy);
        EXPECT_NEAR(rockets[0]->x_centre(), a->x_centre(), 1e-3);
        EXPECT_NEAR(rockets[0]->y_centre(), a->y_centre(), 1e-3);
        EXPECT_NEAR(rockets[0]->m_dx, 450 * dx / d, 1e-3);
        EXPECT_NEAR(rockets[0]->m_dy, 450 * dy / d, 1e-3);
    }
}

void PrintTo(const salvo_case& c, std::ostream* out) { *out << c.what; }

INSTANTIATE_TEST_SUITE_P(all, asteroid_ufo_salvos, ::testing::ValuesIn(salvo_cases),
                         [](const ::testing::TestParamInfo<salvo_case>& info) {
                             return std::string(info.param.what);
                         });

TEST_F(asteroid_ufos, fire_nothing_while_the_scoop_carries_them)
{
    build(room(30, 12, 2, 9));
    ast_ufo* a = new ast_ufo;
    m_arena->add_mover(a);
    m_arena->activate();
    a->teleport(400, 176);
    status().invulnerability = 5;
    shot* s = new shot("heart.png", 0.5f, 0, scoop_det, nullptr);
    s->teleport_centre(a->x_centre(), a->y_centre());
    m_arena->add_mover(s);
    frame();
    ASSERT_EQ(count_of<scoop_victim>(), 1);
    ASSERT_EQ(count_of<ast_ufo>(), 0);
    kill_all<ufo_rocket>();

    // Left alone over the map it would fire about one rocket in 50 frames.
    srand(5);
    int rockets = 0;
    for (int f = 0; f < 500; ++f) {
        behave();
        rockets += count_of<ufo_rocket>();
        kill_all<ufo_rocket>();
        rest_of_frame();
    }
    EXPECT_EQ(rockets, 0);
    EXPECT_EQ(count_of<scoop_victim>(), 1);
}

// ============================================================ ufo rockets

class ufo_rockets : public enemy_test {
protected:
    ufo_rocket* add_rocket(float x, float y, float dx, float dy)
    {
        ufo_rocket* r = new ufo_rocket;
        r->teleport(x, y);
        r->m_dx = dx;
        r->m_dy = dy;
        m_arena->add_mover(r);
        return r;
    }
    test_enemy* add_enemy(float x, float y)
    {
        test_enemy* e = new test_enemy(10);
        e->teleport(x, y);
        m_arena->add_mover(e);
        return e;
    }
    test_block* add_block(float centre_x, float centre_y)
    {
        test_block* b = new test_block("foe.png", 10);
        b->teleport_centre(centre_x, centre_y);
        m_arena->add_mover(b);
        return b;
    }
};

TEST_F(ufo_rockets, fly_straight_whatever_pulls_at_them)
{
    build(room(30, 16, 1, 13));
    ufo_rocket* r = add_rocket(300, 200, 120, -80);
    m_arena->activate();
    EXPECT_EQ(r->m_mass, 0.0f);
    for (int f = 0; f < 10; ++f) {
        m_arena->AOE_force(r->x_centre(), r->y_centre() + 10, 100, 200, 200);
        frame();
        ASSERT_EQ(r->m_dx, 120.0f);
        ASSERT_EQ(r->m_dy, -80.0f);
    }
    EXPECT_NEAR(r->m_x, 300 + 10 * 120 * step, 1e-2);
    EXPECT_NEAR(r->m_y, 200 - 10 * 80 * step, 1e-2);
}

TEST_F(ufo_rockets, burst_on_a_wall_hurting_enemies_and_the_ship_and_pushing)
{
    std::vector<std::string> rows = room(20, 14, 17, 11);
    for (int y = 1; y < 13; ++y)
        rows[y][10] = '#';  // x 320 to 351
    build(rows);
    m_arena->set_gravity(0);
    // Two sub-steps of 4.5 px bring it onto the wall, its centre at (322, 203).
    add_rocket(310, 200, 450, 0);
    test_enemy* inside = add_enemy(315, 196);  // its box holds the centre
    test_enemy* near = add_enemy(314, 167);    // 20 px
    test_enemy* far = add_enemy(246, 195);     // 60 px
    test_block* pushed = add_block(272, 203);  // 50 px
    test_block* pushed_less = add_block(322, 123);  // 80 px
    test_block* beyond = add_block(322, 323);       // 120 px
    m_arena->activate();
    ship* s = the_ship();
    s->teleport(352, 180);  // its box 30 px from the centre
    m_recorder.clear();

    frame();
    EXPECT_EQ(count_of<ufo_rocket>(), 0);
    if (m_sound) {
        EXPECT_EQ(heard_sounds(), (std::vector<heard>{{BOOM, 128}}));
    }
    // 2 at the centre, 1 at 50 px, truncated.
    EXPECT_EQ(inside->hitpoints(), 8);
    EXPECT_EQ(near->hitpoints(), 9);
    EXPECT_EQ(far->hitpoints(), 10);
    EXPECT_EQ(status().shield, 9);
    EXPECT_EQ(count_of<explosion>(), 0);
    ASSERT_EQ(count_of<force_indicator>(), 1);

    // 20 at the centre, 10 at 100 px, as an impulse of 25 x force / mass.
    frame();
    EXPECT_NEAR(pushed->m_dx, -25 * 15 / 10.0, 1e-2);
    EXPECT_NEAR(pushed->m_dy, 0, 1e-2);
    EXPECT_NEAR(pushed_less->m_dx, 0, 1e-2);
    EXPECT_NEAR(pushed_less->m_dy, -25 * 12 / 10.0, 1e-2);
    EXPECT_EQ(beyond->m_dx, 0.0f);
    EXPECT_EQ(beyond->m_dy, 0.0f);
}

enum rocket_killer { BY_SHOT, BY_SHIP, BY_WALL };

struct blast_case {
    const char* what;
    rocket_killer killer;
    int shield;
};

const blast_case blast_cases[] = {
    {"shot_down", BY_SHOT, 10},
    // 2 from the blast at its centre, then 1 for the touch.
    {"rammed_by_the_ship", BY_SHIP, 7},
    {"on_a_wall", BY_WALL, 10},
};

class ufo_rocket_blasts : public ufo_rockets, public ::testing::WithParamInterface<blast_case> {};

TEST_P(ufo_rocket_blasts, are_the_same_however_the_rocket_goes)
{
    const blast_case& c = GetParam();
    std::vector<std::string> rows = room(30, 16, 1, 13);
    rows[7][10] = '#';  // x 320 to 351, y 224 to 255
    build(rows);
    m_arena->set_gravity(0);
    // Resting with its centre at (300, 240), or on the wall's edge.
    float rx = c.killer == BY_WALL ? 317 : 297;
    add_rocket(rx, 237, 0, 0);
    float cx = rx + 3, cy = 240;
    test_enemy* near = add_enemy(cx - 8, cy - 30 - 16);  // 30 px above
    test_enemy* far = add_enemy(cx - 8, cy + 70);        // 70 px below
    if (c.killer == BY_SHOT) {
        shot* s = new shot("shot.png", 0.8f, 0, shot_det, nullptr);
        s->teleport_centre(cx, cy);
        m_arena->add_mover(s);
    }
    m_arena->activate();
    if (c.killer == BY_SHIP)
        place_ship(cx, cy);
    else
        place_ship(100, 400);
    m_recorder.clear();

    frame();
    EXPECT_TRUE(all_of<ufo_rocket>().empty());
    if (m_sound) {
        EXPECT_EQ(heard_count(BOOM), 1);
    }
    EXPECT_EQ(near->hitpoints(), 9);
    EXPECT_EQ(far->hitpoints(), 10);
    EXPECT_EQ(status().shield, c.shield);
    std::vector<force_indicator*> balls = all_of<force_indicator>();
    ASSERT_EQ(balls.size(), 1u);
    EXPECT_NEAR(balls[0]->x_centre(), cx, 1e-3);
    EXPECT_NEAR(balls[0]->y_centre(), cy, 1e-3);
}

void PrintTo(const blast_case& c, std::ostream* out) { *out << c.what; }

INSTANTIATE_TEST_SUITE_P(all, ufo_rocket_blasts, ::testing::ValuesIn(blast_cases),
                         [](const ::testing::TestParamInfo<blast_case>& info) {
                             return std::string(info.param.what);
                         });

TEST_F(ufo_rockets, hurt_the_ufo_that_fired_them)
{
    std::vector<std::string> rows = room(60, 16, 2, 13);
    for (int x = 28; x <= 34; ++x) {
        for (int y = 3; y <= 4; ++y)
            rows[y][x] = '#';  // round the ufo's centre at (1000, 116)
    }
    build(rows);
    ufo* u = new ufo(96, 1000, 1000);
    u->teleport(1000 - 48, 96);
    m_arena->add_mover(u);
    m_arena->activate();
    status().invulnerability = 5;  // the ship is the target, far away
    int rockets = 0;
    for (int f = 0; f < 250; ++f) {
        place_ship(100, 440);
        behave();
        rockets += count_of<ufo_rocket>();
        rest_of_frame();
    }
    EXPECT_EQ(rockets, 5);
    // Each burst in the wall at its centre: 2 less its reduction of 1.
    // What a killing hit takes is the hit points left and the reduction.
    EXPECT_EQ(u->take_hit(1000), 395 + 1);
}

TEST_F(ufo_rockets, burst_once_when_a_blast_killed_them_in_the_same_pass)
{
    std::vector<std::string> rows = room(20, 14, 17, 11);
    for (int y = 1; y < 13; ++y)
        rows[y][10] = '#';
    build(rows);
    m_arena->set_gravity(0);
    // Both reach the wall in the same sub-step; the first one's blast kills
    // the second before its own contact is told.
    add_rocket(310, 200, 450, 0);
    add_rocket(310, 210, 450, 0);
    test_enemy* witness = add_enemy(300, 170);
    m_arena->activate();
    m_recorder.clear();
    frame();
    EXPECT_EQ(count_of<ufo_rocket>(), 0);
    if (m_sound) {
        EXPECT_EQ(heard_count(BOOM), 2);
    }
    EXPECT_EQ(witness->hitpoints(), 8);
    EXPECT_EQ(count_of<force_indicator>(), 2);
}

// ==================================================== the exit and ufos

class ufo_exit : public ufos {
protected:
    // Two ball sources, a sink and two exit blocks.
    void SetUp() override
    {
        ufos::SetUp();
        m_rows = room(40, 14, 2, 11);
        m_rows[10][10] = m_rows[10][14] = 'B';
        m_rows[12][30] = 'T';
        m_rows[0][20] = m_rows[0][21] = 'X';
    }
    void expect_exit_open()
    {
        EXPECT_EQ(m_arena->get(20, 0), A_EMPTY);
        EXPECT_EQ(m_arena->get(21, 0), A_EMPTY);
        EXPECT_EQ(m_arena->get(30, 12), A_EMPTY);
        EXPECT_TRUE(transparent_cell(20, 0));
        EXPECT_TRUE(transparent_cell(30, 12));
        // Sources are not part of the exit.
        EXPECT_EQ(m_arena->get(10, 10), A_SOURCE);
        EXPECT_EQ(m_arena->get(14, 10), A_SOURCE);
        EXPECT_FALSE(transparent_cell(10, 10));
    }
};

TEST_F(ufo_exit, a_ufo_death_bursts_the_balls_and_empties_their_sources)
{
    build(m_rows);
    ufo* u = add_ufo(640, 300, 900);
    m_arena->activate();
    std::vector<ball*> balls = all_of<ball>();
    ASSERT_EQ(balls.size(), 2u);

    u->insta_kill();
    for (ball* b : balls)
        EXPECT_TRUE(b->is_dead());
    expect_exit_open();

    behave();
    EXPECT_EQ(count_of<ball>(), 0);
    EXPECT_EQ(fresh_explosions("ball"), 2);
    EXPECT_EQ(fresh_explosions("block"), 2);
    EXPECT_EQ(fresh_explosions("sink"), 1);
    EXPECT_EQ(status().score, 0);
    rest_of_frame();

    frames(20);
    EXPECT_EQ(count_of<ball>(), 0);
}

struct second_opening_case {
    const char* what;
    int frames_between;
};

const second_opening_case second_opening_cases[] = {
    {"both dying at once", 0},
    {"the second dying later", 10},
};

TEST_F(ufo_exit, a_second_ufo_death_opens_nothing_more)
{
    for (const second_opening_case& c : second_opening_cases) {
        SCOPED_TRACE(c.what);
        build(m_rows);
        ufo* first = add_ufo(640, 300, 900);
        ast_ufo* second = new ast_ufo;
        second->teleport_centre(900, 200);
        m_arena->add_mover(second);
        m_arena->activate();

        first->insta_kill();
        if (c.frames_between) {
            behave();
            EXPECT_EQ(fresh_explosions("ball"), 2);
            rest_of_frame();
            frames(c.frames_between);
        }
        second->insta_kill();
        expect_exit_open();
        behave();
        EXPECT_EQ(count_of<ball>(), 0);
        // Everything of the exit went with the first opening.
        EXPECT_EQ(fresh_explosions("ball"), c.frames_between ? 0 : 2);
        EXPECT_EQ(fresh_explosions("block"), c.frames_between ? 0 : 2);
        EXPECT_EQ(fresh_explosions("sink"), c.frames_between ? 0 : 1);
        EXPECT_EQ(count_of<coin>(), 40);
        EXPECT_EQ(status().score, 0);
        rest_of_frame();
        frames(5);
    }
}

// Opens the exit in the middle of a tile pass, as a ufo's death can: on
// its first wall contact it destroys the ufo, then lays a sink where a ball
// that comes later in the same pass is, so that the ball, destroyed by the
// opening, touches a sink before it is deleted.
class exit_opener : public mover {
public:
    exit_opener(enemy* victim, int sink_x, int sink_y)
        : m_pic(game::the_game->m_bmp_pool.get_bitmap("shot.png")), m_victim(victim),
          m_sink_x(sink_x), m_sink_y(sink_y)
    {
    }
    SDL_Surface* pic() const override { return m_pic; }
    bool does_arena_collisions() const override { return true; }
    void notify_collision(arena_t, float) override
    {
        if (!m_victim)
            return;
        m_victim->insta_kill();
        m_victim = nullptr;
        game::the_game->m_arena->set(m_sink_x, m_sink_y, A_SINK);
    }

private:
    SDL_Surface* m_pic;
    enemy* m_victim;
    int m_sink_x, m_sink_y;
};

TEST_F(ufo_exit, a_ball_the_opening_destroyed_earns_nothing_in_a_sink)
{
    build(m_rows);
    ufo* u = add_ufo(640, 300, 900);
    m_arena->activate();
    // The ball goes to the back of the list, loose, over the cell where the
    // sink will be laid.
    ball* b = all_of<ball>()[0];
    ASSERT_EQ(m_arena->remove_mover(b), b);
    exit_opener* opener = new exit_opener(u, 5, 6);
    opener->teleport(10, 200);  // in the left wall
    m_arena->add_mover(opener);
    m_arena->add_mover(b);
    b->unstick();
    b->teleport(5 * 32, 6 * 32);

    behave();
    rest_of_frame();
    EXPECT_EQ(status().score, 0);
    EXPECT_EQ(count_of<ball>(), 0);
    EXPECT_EQ(count_of<ufo>(), 0);
    // The opening ran once: the laid sink is still there.
    EXPECT_EQ(m_arena->get(5, 6), A_SINK);
    EXPECT_EQ(m_arena->get(30, 12), A_EMPTY);
    EXPECT_EQ(fresh_explosions("sink"), 1);
    EXPECT_EQ(fresh_explosions("ball"), 2);
}
}
