// Turrets and the enemies' bullets in a small open arena: when a turret
// fires (range, side, reload), where its bullets go, what a destroyed turret
// leaves, and the ways a bullet ends.
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"

namespace {

class turrets_and_bullets : public sounding_arena_test {
protected:
    void SetUp() override
    {
        sounding_arena_test::SetUp();
        srand(1);
    }

    // A turret on the top-left corner of tile (14, 14), as levels place
    // them, and the ship parked with its centre at (dx, dy) from the
    // turret's. No gravity, so the ship stays where it is put.
    turret* start_with_turret(turret::direction d, float dx, float dy)
    {
        build(open_field(30, 30));
        turret* t = new turret(d);
        t->teleport(14 * 32, 14 * 32);
        m_arena->add_mover(t);
        m_arena->activate();
        m_arena->set_gravity(0);
        park_ship(*t, dx, dy);
        return t;
    }
    void park_ship(const mover& t, float dx, float dy)
    {
        ship* s = the_ship();
        s->teleport_centre(t.x_centre() + dx, t.y_centre() + dy);
        s->m_dx = s->m_dy = 0;
    }

    // The behaviour pass of a frame; returns the bullets it made.
    std::vector<t_shot*> think()
    {
        std::vector<t_shot*> before = all_of<t_shot>();
        m_arena->do_stuff(FRAME_STEP);
        std::vector<t_shot*> made;
        for (t_shot* s : all_of<t_shot>())
            if (std::find(before.begin(), before.end(), s) == before.end())
                made.push_back(s);
        return made;
    }
    // The rest of the frame: forces, movement and collisions.
    void finish()
    {
        m_arena->apply_forces(FRAME_STEP);
        m_arena->move_stuff_and_do_collisions(FRAME_STEP);
    }
    // A whole frame; the number of bullets it fired.
    size_t step()
    {
        size_t fired = think().size();
        finish();
        return fired;
    }

    // Frame 0 of the frames the explosion pool keeps under key.
    SDL_Surface* pool_frame0(const std::string& key)
    {
        std::unique_ptr<explosion> probe(m_game->m_exp_pool.get_explosion(key, nullptr));
        return probe->pic();
    }
    SDL_Surface* picture(const char* name) { return m_game->m_bmp_pool.get_bitmap(name); }

    // A bullet centred on (x, y) at velocity (dx, dy), waiting for the next pass.
    t_shot* add_bullet(float x, float y, float dx, float dy)
    {
        t_shot* s = new t_shot;
        s->teleport_centre(x, y);
        s->m_dx = dx;
        s->m_dy = dy;
        m_arena->add_mover(s);
        return s;
    }

};

// ------------------------------------------------------------------ range

struct range_case {
    const char* what;
    float dx, dy;  // the ship's centre from the turret's
    bool fires;
};

const range_case range_cases[] = {
    {"20 away on a slant", -12, -16, false},
    {"20 straight above", 0, -20, false},
    {"21 above", 0, -21, true},
    {"399 above", 0, -399, true},
    {"400 away on a slant", -240, -320, false},
    {"400 straight above", 0, -400, false},
    {"401 above", 0, -401, false},
};

void PrintTo(const range_case& c, std::ostream* out) { *out << c.what; }

class turret_range : public turrets_and_bullets, public ::testing::WithParamInterface<range_case> {};

TEST_P(turret_range, fires_only_beyond_20_and_within_400)
{
    const range_case& c = GetParam();
    start_with_turret(turret::UP, c.dx, c.dy);
    EXPECT_EQ(think().size(), c.fires ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(all, turret_range, ::testing::ValuesIn(range_cases));

// ------------------------------------------------------------------ sides

struct side_case {
    const char* what;
    turret::direction d;
    float dx, dy;
    bool fires;
};

// Each turret against the ship on all four sides, level with it and one
// pixel off level: only the facing side counts, compared strictly.
const side_case side_cases[] = {
    {"up: above", turret::UP, 0, -100, true},
    {"up: below", turret::UP, 0, 100, false},
    {"up: level left", turret::UP, -100, 0, false},
    {"up: level right", turret::UP, 100, 0, false},
    {"up: one above, to the left", turret::UP, -100, -1, true},
    {"down: below", turret::DOWN, 0, 100, true},
    {"down: above", turret::DOWN, 0, -100, false},
    {"down: level left", turret::DOWN, -100, 0, false},
    {"down: level right", turret::DOWN, 100, 0, false},
    {"down: one below, to the right", turret::DOWN, 100, 1, true},
    {"left: left", turret::LEFT, -100, 0, true},
    {"left: right", turret::LEFT, 100, 0, false},
    {"left: level above", turret::LEFT, 0, -100, false},
    {"left: level below", turret::LEFT, 0, 100, false},
    {"left: one left, above", turret::LEFT, -1, -100, true},
    {"right: right", turret::RIGHT, 100, 0, true},
    {"right: left", turret::RIGHT, -100, 0, false},
    {"right: level above", turret::RIGHT, 0, -100, false},
    {"right: level below", turret::RIGHT, 0, 100, false},
    {"right: one right, below", turret::RIGHT, 1, 100, true},
};

void PrintTo(const side_case& c, std::ostream* out) { *out << c.what; }

class turret_side : public turrets_and_bullets, public ::testing::WithParamInterface<side_case> {};

TEST_P(turret_side, fires_only_at_a_ship_on_the_side_it_faces)
{
    const side_case& c = GetParam();
    start_with_turret(c.d, c.dx, c.dy);
    // A ship on the wrong side is never fired at, however long it waits.
    size_t fired = 0;
    for (int i = 0; i < 20; ++i)
        fired += step();
    EXPECT_EQ(fired, c.fires ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(all, turret_side, ::testing::ValuesIn(side_cases));

// ---------------------------------------------------------------- turrets

struct aim_case {
    turret::direction d;
    float dx, dy;    // the ship's centre from the turret's
    float vx, vy;    // the bullet's velocity
};

TEST_F(turrets_and_bullets, turret_bullet_starts_on_its_centre_at_250_towards_the_ship)
{
    const aim_case cases[] = {
        {turret::UP, -120, -160, -150, -200},
        {turret::DOWN, 120, 160, 150, 200},
        {turret::LEFT, -160, 120, -200, 150},
        {turret::RIGHT, 160, -120, 200, -150},
    };
    for (const aim_case& c : cases) {
        SCOPED_TRACE(c.d);
        turret* t = start_with_turret(c.d, c.dx, c.dy);
        std::vector<t_shot*> fired = think();
        ASSERT_EQ(fired.size(), 1u);
        EXPECT_EQ(fired[0]->pic(), picture("t_shot.png"));
        EXPECT_FLOAT_EQ(fired[0]->x_centre(), t->x_centre());
        EXPECT_FLOAT_EQ(fired[0]->y_centre(), t->y_centre());
        EXPECT_NEAR(fired[0]->m_dx, c.vx, 1e-3);
        EXPECT_NEAR(fired[0]->m_dy, c.vy, 1e-3);
    }
}

TEST_F(turrets_and_bullets, turret_fires_every_13_frames_while_the_ship_stays_in_its_sights)
{
    start_with_turret(turret::UP, 0, -100);
    m_game->m_player_status.invulnerability = MAX_INVULNERABILITY;
    std::vector<int> firing_frames;
    for (int f = 1; f <= 40; ++f)
        if (step() != 0)
            firing_frames.push_back(f);
    EXPECT_EQ(firing_frames, (std::vector<int>{1, 14, 27, 40}));
}

TEST_F(turrets_and_bullets, turret_reload_runs_down_to_0_and_stays_there_out_of_sight)
{
    // Where the ship is in each stretch of frames, from the turret's centre.
    struct stretch {
        int last_frame;
        float dx, dy;
    };
    const stretch script[] = {
        {10, 0, -450},  // out of range from the start
        {16, 0, -100},  // in its sights
        {20, 0, 100},   // on the wrong side while it reloads
        {30, 0, -100},  // back: fires when the reload is done
        {60, 0, 100},   // wrong side long after the reload ran out
        {65, 0, -100},  // back: fires at once
        {90, 0, -500},  // out of range long after
        {92, 0, -100},  // back: fires at once
    };
    turret* t = start_with_turret(turret::UP, 0, -450);
    m_game->m_player_status.invulnerability = MAX_INVULNERABILITY;
    std::vector<int> firing_frames;
    int f = 1;
    for (const stretch& s : script) {
        for (; f <= s.last_frame; ++f) {
            park_ship(*t, s.dx, s.dy);
            if (step() != 0)
                firing_frames.push_back(f);
        }
    }
    EXPECT_EQ(firing_frames, (std::vector<int>{11, 24, 61, 91}));
}

TEST_F(turrets_and_bullets, turret_without_a_ship_holds_its_fire)
{
    turret* t = start_with_turret(turret::UP, 0, -100);
    std::unique_ptr<mover> gone(m_arena->remove_mover(the_ship()));
    ASSERT_TRUE(gone);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(step(), 0u);
    // The ship is back: the turret fires at once.
    m_arena->add_mover(gone.release());
    think();
    park_ship(*t, 0, -100);
    finish();
    EXPECT_EQ(step(), 1u);
}

TEST_F(turrets_and_bullets, destroyed_turrets_burst_their_own_way_and_score_200)
{
    struct death {
        turret::direction d;
        const char* key;
        const char* picture;
        float vx, vy;
    };
    const death deaths[] = {
        {turret::UP, "turret_U", "turret_up.png", 0, -100},
        {turret::DOWN, "turret_D", "turret_down.png", 0, 100},
        {turret::LEFT, "turret_L", "turret_left.png", -100, 0},
        {turret::RIGHT, "turret_R", "turret_right.png", 100, 0},
    };
    // Four turrets in one game, far beyond the range of the ship.
    build(open_field(30, 30));
    std::vector<turret*> turrets;
    for (int i = 0; i < 4; ++i) {
        turret* t = new turret(deaths[i].d);
        t->teleport(static_cast<float>((16 + 3 * i) * 32), 26 * 32);
        m_arena->add_mover(t);
        turrets.push_back(t);
    }
    m_arena->activate();
    m_arena->set_gravity(0);
    std::set<SDL_Surface*> first_frames;
    for (int i = 0; i < 4; ++i) {
        const death& d = deaths[i];
        SCOPED_TRACE(d.key);
        float x = turrets[i]->x_centre(), y = turrets[i]->y_centre();
        EXPECT_EQ(turrets[i]->take_hit(5.0), 5.0);
        EXPECT_EQ(status().score, 200 * (i + 1));
        think();
        std::vector<explosion*> bursts = all_of<explosion>();
        ASSERT_EQ(bursts.size(), 1u);
        explosion* e = bursts[0];
        EXPECT_EQ(e->m_dx, d.vx);
        EXPECT_EQ(e->m_dy, d.vy);
        EXPECT_FLOAT_EQ(e->x_centre(), x);
        EXPECT_FLOAT_EQ(e->y_centre(), y);
        // Frames of its own picture, kept under its own key.
        EXPECT_EQ(e->pic()->w, 5 * 32);
        EXPECT_EQ(first_opaque(e->pic()), pixel_rgba(picture(d.picture), 0, 0));
        EXPECT_EQ(e->pic(), pool_frame0(d.key));
        first_frames.insert(e->pic());
        EXPECT_EQ(count_of<turret>(), 3 - i);
        e->die();
        finish();
    }
    EXPECT_EQ(first_frames.size(), 4u);
    if (m_sound) {
        EXPECT_TRUE(m_recorder.heard_sounds().empty());
    }
}

// ---------------------------------------------------------------- bullets

TEST_F(turrets_and_bullets, bullet_flies_straight_for_40_frames_then_vanishes)
{
    build(open_field(30, 30));
    t_shot* s = add_bullet(300, 300, 50, 0);
    m_arena->activate();
    for (int f = 1; f < 40; ++f) {
        frame();
        ASSERT_EQ(count_of<t_shot>(), 1) << "frame " << f;
    }
    // No gravity or drag acts on it.
    EXPECT_NEAR(s->x_centre(), 300 + 50 * 0.04f * 39, 1e-2);
    EXPECT_FLOAT_EQ(s->y_centre(), 300);
    EXPECT_EQ(s->m_dx, 50);
    EXPECT_EQ(s->m_dy, 0);
    frame();
    EXPECT_EQ(count_of<t_shot>(), 0);
    EXPECT_EQ(count_of<explosion>(), 0);
    EXPECT_EQ(status().score, 0);
}

TEST_F(turrets_and_bullets, bullet_vanishes_on_a_wall)
{
    std::vector<std::string> rows = open_field(30, 30);
    rows[9][12] = '#';  // x 384..415, y 288..319
    build(rows);
    add_bullet(360, 300, 250, 0);
    m_arena->activate();
    frame();
    EXPECT_EQ(count_of<t_shot>(), 1);
    frames(2);
    EXPECT_EQ(count_of<t_shot>(), 0);
    EXPECT_EQ(count_of<explosion>(), 0);
    EXPECT_EQ(status().score, 0);
}

TEST_F(turrets_and_bullets, bullet_that_hits_the_ship_costs_one_shield_point)
{
    start(open_field(30, 30));
    m_arena->set_gravity(0);
    ship* sh = the_ship();
    sh->teleport_centre(300, 300);
    add_bullet(300, 250, 0, 250);
    frames(6);
    EXPECT_EQ(count_of<t_shot>(), 0);
    EXPECT_EQ(status().shield, MAX_SHIELD - 1);
    EXPECT_EQ(count_of<explosion>(), 0);
    EXPECT_EQ(status().score, 0);
}

TEST_F(turrets_and_bullets, bullet_is_shot_down_by_the_ship_without_score)
{
    start(open_field(30, 30));
    m_arena->set_gravity(0);
    ship* sh = the_ship();
    sh->teleport_centre(300, 300);
    add_bullet(300, 240, 0, 0);
    frame();
    ASSERT_EQ(count_of<t_shot>(), 1);
    // The peashooter on the front mount fires straight up.
    m_game->m_key_flags.fire = true;
    frame();
    release_keys();
    ASSERT_EQ(count_of<shot>(), 1);
    frames(8);
    EXPECT_EQ(count_of<t_shot>(), 0);
    EXPECT_EQ(status().shield, MAX_SHIELD);
    EXPECT_EQ(status().score, 0);
}

}  // namespace
