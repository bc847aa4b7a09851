// The arena's forces (gravity, air drag, force balls and their indicator),
// tractor beams, area damage and the per-shot damage records.
#include <cmath>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "weapons.h"

namespace {
// A room of 12 x 12 cells with the spawn at (1, 1): the ship's centre is
// (56, 56), and everything else happens well away from it.
const std::vector<std::string> room = {
    "############", "#S.........#", "#..........#", "#..........#",
    "#..........#", "#..........#", "#..........#", "#..........#",
    "#..........#", "#..........#", "#..........#", "############",
};

class forces : public arena_test {
protected:
    // A 16 x 16 block of the given mass centred on (x, y), waiting for
    // activate (or the next pass).
    test_block* block_at(float x, float y, float mass)
    {
        test_block* b = new test_block("foe.png", mass);
        b->teleport_centre(x, y);
        m_arena->add_mover(b);
        return b;
    }
    // Forces alone, without gravity and drag.
    void no_world_forces()
    {
        m_arena->set_gravity(0);
        m_arena->set_air_resistance(0);
    }
};

// ---------------------------------------------------------- gravity, drag

class forces_gravity : public forces {};

TEST_F(forces_gravity, gravity_comes_first_then_drag_on_the_new_velocity)
{
    struct drag_case {
        const char* what;
        float mass, gravity, air, dx, dy;
        float want_dx, want_dy;  // roughly, to read the table by
    };
    const drag_case cases[] = {
        {"mass 2 loses 2 % a frame", 2, 0, 1, 100, -50, 98, -49},
        {"mass 50 loses 0.08 % a frame", 50, 0, 1, 100, -50, 99.92f, -49.96f},
        {"twice the air, twice the loss", 2, 0, 2, 100, 0, 96, 0},
        {"no air, no loss", 2, 0, 0, 100, 0, 100, 0},
        // (20 + 43.75 x 0.04) x (1 - 0.04 / 10)
        {"gravity before drag", 10, default_gravity, 1, 10, 20, 9.96f, 21.663f},
        {"gravity alone", 10, 10, 0, 0, 0, 0, 0.4f},
        {"upward gravity", 10, -25, 0, 0, 0, 0, -1},
        // Where gravity or drag worked out in double would end a step off.
        {"default gravity on a slow rise", 10, default_gravity, 0, 0, -1, 0, 0.75f},
        {"default gravity and drag on a slow rise", 10, default_gravity, 1, 0, -1, 0, 0.747f},
        {"drag on mass 10", 10, 0, 1, 46.7f, -93.4f, 46.5132f, -93.0264f},
        {"drag on mass 2", 2, 0, 1, -59.9f, -30.3f, -58.702f, -29.694f},
    };
    const float dt = 0.04f;
    bool double_would_differ = false;
    for (const drag_case& c : cases) {
        SCOPED_TRACE(c.what);
        build(room);
        test_block* b = block_at(200, 200, c.mass);
        m_arena->activate();
        m_arena->set_gravity(c.gravity);
        m_arena->set_air_resistance(c.air);
        b->m_dx = c.dx;
        b->m_dy = c.dy;
        m_arena->apply_forces(dt);

        // All in float: gravity, then drag on the new velocity.
        float dx = c.dx, dy = c.dy + c.gravity * dt;
        dx -= c.air * (dt * dx) / c.mass;
        dy -= c.air * (dt * dy) / c.mass;
        EXPECT_EQ(b->m_dx, dx);
        EXPECT_EQ(b->m_dy, dy);
        EXPECT_NEAR(b->m_dx, c.want_dx, 1e-3);
        EXPECT_NEAR(b->m_dy, c.want_dy, 1e-3);
        EXPECT_EQ(b->m_x, 192) << "forces change velocities only";

        const double air = c.air;
        const float gravity_in_double = static_cast<float>(c.dy + static_cast<double>(c.gravity) * dt);
        const float drag_in_double_x =
            static_cast<float>(c.dx - air * (dt * static_cast<double>(c.dx)) / c.mass);
        const float dy_after_gravity = c.dy + c.gravity * dt;
        const float drag_in_double_y =
            static_cast<float>(dy_after_gravity - air * (dt * static_cast<double>(dy_after_gravity)) / c.mass);
        double_would_differ = double_would_differ || gravity_in_double != dy_after_gravity ||
                              drag_in_double_x != dx || drag_in_double_y != dy;
    }
    EXPECT_TRUE(double_would_differ) << "no case tells gravity and drag in float from double";
}

TEST_F(forces_gravity, the_defaults_hold_until_set_and_settings_outlive_the_level)
{
    EXPECT_EQ(m_arena->gravity(), 43.75f);
    start(room);
    m_arena->set_gravity(10);
    m_arena->set_air_resistance(0.5f);
    EXPECT_EQ(m_arena->gravity(), 10);

    // The next level keeps both.
    build(room);
    test_block* b = block_at(200, 200, 2);
    m_arena->activate();
    EXPECT_EQ(m_arena->gravity(), 10);
    b->m_dx = 100;
    m_arena->apply_forces(0.04f);
    EXPECT_EQ(b->m_dx, 99);  // 100 - 0.5 x 0.04 x 100 / 2
    const float dy = 10 * 0.04f;
    EXPECT_EQ(b->m_dy, dy - 0.5f * (0.04f * dy) / 2);
}

TEST_F(forces_gravity, massless_and_stuck_movers_feel_no_force)
{
    build({
        "############",
        "#S.........#",
        "#..........#",
        "#.....B....#",
        "#..........#",
        "############",
    });
    test_block* massless = block_at(200, 110, 0);
    massless->m_dx = 5;
    massless->m_dy = -5;
    shot* s = new shot("shot.png", 5, 0, nullptr, nullptr);
    s->teleport_centre(210, 100);
    s->m_dx = 30;
    m_arena->add_mover(s);
    exhaust* e = new exhaust;
    e->teleport_centre(190, 120);
    e->m_dy = 7;
    m_arena->add_mover(e);
    test_block* control = block_at(200, 100, 10);
    m_arena->activate();
    ball* stuck = all_of<ball>().at(0);
    ASSERT_TRUE(stuck->is_stuck());

    m_arena->AOE_force(200, 110, 300, 40, 40);
    m_arena->do_stuff(0.04f);  // admits the indicator
    force_indicator* indicator = all_of<force_indicator>().at(0);
    m_arena->apply_forces(0.04f);

    EXPECT_EQ(massless->m_dx, 5);
    EXPECT_EQ(massless->m_dy, -5);
    EXPECT_EQ(s->m_dx, 30);
    EXPECT_EQ(s->m_dy, 0);
    EXPECT_EQ(e->m_dx, 0);
    EXPECT_EQ(e->m_dy, 7);
    EXPECT_EQ(stuck->m_dx, 0);
    EXPECT_EQ(stuck->m_dy, 0);
    EXPECT_EQ(indicator->m_dx, 0);
    EXPECT_EQ(indicator->m_dy, 0);
    EXPECT_GT(std::fabs(control->m_dy), 50) << "the force ball reached this far";
}

// ------------------------------------------------------------ force balls

class forces_balls : public forces {};

TEST_F(forces_balls, a_force_ball_pushes_movers_within_its_radius_along_the_line_from_its_centre)
{
    struct push_case {
        const char* what;
        float off_x, off_y;  // mover centre less ball centre
        float radius, force_centre, force_edge;
        double want_dx, want_dy;
    };
    const push_case cases[] = {
        {"at the very centre: straight down", 0, 0, 50, 40, 0, 0, 100},
        {"exactly at the radius: nothing", 50, 0, 50, 40, 0, 0, 0},
        {"exactly at the radius on a slant: nothing", 30, 40, 50, 40, 0, 0, 0},
        {"halfway: half the force, outwards", 30, 40, 100, 40, 0, 30, 40},
        {"a linear ramp towards the edge", 0, -25, 100, 10, 50, 0, -50},
        {"negative: pulled in from the left", -30, 0, 150, 0, -20, 10, 0},
        {"negative: pulled down from above", 0, -20, 150, 0, -20, 0, 25.0 * 20 * 20 / 150 / 10},
        {"a radius of 0 reaches nobody", 0, 0, 0, 40, 40, 0, 0},
        {"nor does a negative one", 0, 0, -10, 40, 40, 0, 0},
    };
    for (const push_case& c : cases) {
        SCOPED_TRACE(c.what);
        build(room);
        test_block* b = block_at(200 + c.off_x, 200 + c.off_y, 10);
        m_arena->activate();
        no_world_forces();
        m_arena->AOE_force(200, 200, c.radius, c.force_centre, c.force_edge);
        m_arena->apply_forces(0.04f);
        EXPECT_NEAR(b->m_dx, c.want_dx, 1e-4);
        EXPECT_NEAR(b->m_dy, c.want_dy, 1e-4);
    }
}

TEST_F(forces_balls, the_push_is_divided_by_the_mass_and_balls_add_up)
{
    build(room);
    test_block* light = block_at(200, 200, 10);
    test_block* heavy = block_at(260, 200, 40);
    m_arena->activate();
    no_world_forces();
    m_arena->AOE_force(200, 200, 100, 40, 40);
    m_arena->AOE_force(230, 200, 100, 16, 16);
    m_arena->apply_forces(0.04f);
    // light: 25 x 40 / 10 down, then 25 x 16 / 10 towards -x.
    EXPECT_NEAR(light->m_dx, -40, 1e-4);
    EXPECT_NEAR(light->m_dy, 100, 1e-4);
    // heavy: 25 x 40 / 40 and 25 x 16 / 40, both towards +x.
    EXPECT_NEAR(heavy->m_dx, 25 + 10, 1e-4);
    EXPECT_NEAR(heavy->m_dy, 0, 1e-4);
}

TEST_F(forces_balls, the_queue_is_emptied_by_every_force_step)
{
    build(room);
    test_block* b = block_at(200, 200, 10);
    m_arena->activate();
    no_world_forces();

    m_arena->AOE_force(200, 200, 50, 40, 40);
    m_arena->apply_forces(0.04f);
    EXPECT_NEAR(b->m_dy, 100, 1e-4);
    m_arena->apply_forces(0.04f);
    EXPECT_NEAR(b->m_dy, 100, 1e-4) << "acts once";

    // Nobody in reach: forgotten all the same.
    m_arena->AOE_force(50, 300, 20, 40, 40);
    m_arena->apply_forces(0.04f);
    b->teleport_centre(50, 300);
    m_arena->apply_forces(0.04f);
    EXPECT_NEAR(b->m_dy, 100, 1e-4);

    // A mover still waiting to be admitted feels nothing.
    m_arena->AOE_force(300, 300, 50, 40, 40);
    test_block* late = block_at(300, 300, 10);
    m_arena->apply_forces(0.04f);
    m_arena->do_stuff(0.04f);
    m_arena->apply_forces(0.04f);
    EXPECT_EQ(late->m_dy, 0);
}

TEST_F(forces_balls, an_indicator_shows_each_force_ball_for_four_frames)
{
    start(room);
    m_arena->AOE_force(150, 120, 80, 40, 0);
    EXPECT_EQ(count_of<force_indicator>(), 0) << "it waits for the next pass";
    for (int f = 1; f <= 4; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        frame();
        std::vector<force_indicator*> shown = all_of<force_indicator>();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0]->x_centre(), 150);
        EXPECT_EQ(shown[0]->y_centre(), 120);
        EXPECT_EQ(shown[0]->pic(), m_game->m_bmp_pool.get_bitmap("wcircle50.png"));
        EXPECT_EQ(shown[0]->m_mass, 0);
    }
    frame();
    EXPECT_EQ(count_of<force_indicator>(), 0);
}

// ----------------------------------------------------------- tractor beams

class tractors : public forces {
protected:
    void press_tractor() { m_game->m_key_flags.tractor = true; }
    int beams_shown() { return count_of<tractor_indicator>(); }
};

class tractor_targets : public tractors {};

TEST_F(tractor_targets, the_nearest_ball_coin_or_recking_ball_closer_than_100_pixels)
{
    enum kind { COIN, RECKING, ENEMY, BLOCK, SHOT, EXHAUST };
    struct placement {
        kind k;
        float off_x, off_y;  // centre less the query point
        bool dead;
    };
    struct target_case {
        const char* what;
        std::vector<placement> movers;
        int chosen;  // index into movers, -1 for none
    };
    const target_case cases[] = {
        {"nothing near", {}, -1},
        {"just inside", {{COIN, 99.5f, 0, false}}, 0},
        {"exactly 100 is out of reach", {{COIN, 100, 0, false}, {RECKING, -60, 80, false}}, -1},
        {"the nearest wins", {{RECKING, 60, 0, false}, {COIN, 0, -40, false}, {COIN, -70, 0, false}}, 1},
        {"a tie goes to the earlier", {{COIN, 50, 0, false}, {RECKING, -30, 40, false}, {COIN, 0, 50, false}}, 0},
        {"no enemies, blocks, shots or exhaust",
         {{ENEMY, 0, 0, false}, {BLOCK, 2, 0, false}, {SHOT, 0, 3, false}, {EXHAUST, 1, 1, false},
          {RECKING, 0, 90, false}},
         4},
        {"a dead coin is not passed over", {{COIN, 0, 30, false}, {COIN, 0, 20, true}}, 1},
    };
    const float qx = 200, qy = 200;
    for (const target_case& c : cases) {
        SCOPED_TRACE(c.what);
        build(room);
        std::vector<mover*> made;
        for (const placement& p : c.movers) {
            mover* m = nullptr;
            switch (p.k) {
            case COIN: m = new coin; break;
            case RECKING: m = new recking_ball; break;
            case ENEMY: m = new test_enemy; break;
            case BLOCK: m = new test_block("foe.png", 10); break;
            case SHOT: m = new shot("shot.png", 5, 0, nullptr, nullptr); break;
            case EXHAUST: m = new exhaust; break;
            }
            m->teleport_centre(qx + p.off_x, qy + p.off_y);
            m_arena->add_mover(m);
            made.push_back(m);
        }
        m_arena->activate();
        for (size_t i = 0; i < made.size(); ++i) {
            if (c.movers[i].dead)
                made[i]->die();
        }
        mover* expected = c.chosen < 0 ? nullptr : made[c.chosen];
        EXPECT_EQ(m_arena->get_nearest_tractor_target(qx, qy), expected);
    }
}

TEST_F(tractor_targets, a_stuck_ball_is_a_target_and_the_ship_never_is)
{
    start({
        "##########",
        "#........#",
        "#..S.B...#",
        "#........#",
        "#........#",
        "##########",
    });
    ship* s = the_ship();
    ball* b = all_of<ball>().at(0);
    ASSERT_TRUE(b->is_stuck());
    // Ship centre (120, 88), ball centre (176, 80).
    EXPECT_EQ(m_arena->get_nearest_tractor_target(s->x_centre(), s->y_centre()), b);
    EXPECT_EQ(m_arena->get_nearest_tractor_target(s->x_centre() - 60, s->y_centre()), nullptr);
}

class tractor_beams : public tractors {};

// The ship's centre is (216, 216); ball sources at (4, 6) and (8, 6), the
// nearer one (centre (272, 208)) first in reach; a sink at (8, 9); the
// cell at (10, 6) is what a carried ball is thrown against.
std::vector<std::string> beam_room(char obstacle = '.')
{
    std::vector<std::string> rows = {
        "#############", "#...........#", "#...........#", "#...........#",
        "#...........#", "#...........#", "#...B.S.B...#", "#...........#",
        "#...........#", "#.......T...#", "#...........#", "#############",
    };
    rows[6][10] = obstacle;
    return rows;
}

TEST_F(tractor_beams, the_tractor_key_takes_a_stuck_ball_and_both_ends_pull_in_the_same_frame)
{
    start(beam_room());
    ship* s = the_ship();
    std::vector<ball*> b = all_of<ball>();
    ball* target = b.at(1);
    ASSERT_EQ(target->m_x, 256);
    press_tractor();
    frame();
    EXPECT_FALSE(m_game->m_key_flags.tractor) << "each press acts once";
    EXPECT_FALSE(target->is_stuck());
    EXPECT_TRUE(b[0]->is_stuck());
    EXPECT_EQ(beams_shown(), 10);

    // Separation ball - ship (64, 0): the ball (mass 15) gets
    // -64 x 0.04 x 1875 / (15 x 128) after gravity and drag, the ship
    // (mass 10) +64 x 0.04 x 1875 / (10 x 128).
    EXPECT_FLOAT_EQ(target->m_dx, -2.5f);
    EXPECT_FLOAT_EQ(target->m_dy, 1.75f * (1 - 0.04f / 15));
    EXPECT_FLOAT_EQ(s->m_dx, 3.75f);
    EXPECT_FLOAT_EQ(s->m_dy, 1.75f * (1 - 0.04f / 10));

    // The indicators run from the ball's centre to the ship's.
    std::vector<tractor_indicator*> dots = all_of<tractor_indicator>();
    EXPECT_NEAR(dots.front()->x_centre(), target->x_centre(), 1e-3);
    EXPECT_NEAR(dots.front()->y_centre(), target->y_centre(), 1e-3);
    EXPECT_NEAR(dots.back()->x_centre(), s->x_centre(), 1e-3);
    EXPECT_NEAR(dots.back()->y_centre(), s->y_centre(), 1e-3);
}

TEST_F(tractor_beams, the_key_drops_the_beam_and_takes_again)
{
    start(beam_room());
    ball* target = all_of<ball>().at(1);
    press_tractor();
    frame();
    ASSERT_EQ(beams_shown(), 10);

    press_tractor();
    frame();
    EXPECT_EQ(beams_shown(), 0);
    EXPECT_FALSE(target->is_stuck()) << "a dropped ball flies on";

    press_tractor();
    frame();
    EXPECT_EQ(beams_shown(), 10);
}

TEST_F(tractor_beams, nothing_in_reach_and_the_key_does_nothing)
{
    start(room);
    press_tractor();
    frame();
    EXPECT_FALSE(m_game->m_key_flags.tractor);
    EXPECT_EQ(beams_shown(), 0);
}

TEST_F(tractor_beams, the_pull_is_a_spring_between_the_corners_on_both_ends)
{
    build(room);
    test_block* from = block_at(100, 200, 10);
    test_block* to = block_at(130, 160, 20);
    test_block* third = block_at(300, 300, 5);
    m_arena->activate();
    no_world_forces();
    m_arena->create_tractor(from, to);
    m_arena->apply_forces(0.04f);
    // Separation to - from = (30, -40); 0.04 x 1875 / 128 = 0.5859375.
    EXPECT_FLOAT_EQ(from->m_dx, 30 * 0.5859375f / 10);
    EXPECT_FLOAT_EQ(from->m_dy, -40 * 0.5859375f / 10);
    EXPECT_FLOAT_EQ(to->m_dx, -30 * 0.5859375f / 20);
    EXPECT_FLOAT_EQ(to->m_dy, 40 * 0.5859375f / 20);
    EXPECT_EQ(third->m_dx, 0);

    // An end of two beams feels the sum.
    m_arena->create_tractor(from, third);
    from->m_dx = from->m_dy = 0;
    m_arena->apply_forces(0.04f);
    EXPECT_FLOAT_EQ(from->m_dx, (30 + 200) * 0.5859375f / 10);
    EXPECT_FLOAT_EQ(from->m_dy, (-40 + 100) * 0.5859375f / 10);
}

TEST_F(tractor_beams, the_pull_acts_on_a_stuck_ball_without_gravity)
{
    start({
        "##########",
        "#S.......#",
        "#........#",
        "#....B...#",
        "#........#",
        "##########",
    });
    ball* b = all_of<ball>().at(0);
    test_block* from = new test_block("foe.png", 10);
    from->teleport(100, 64);
    m_arena->add_mover(from);
    m_arena->do_stuff(0.04f);
    m_arena->create_tractor(from, b);
    EXPECT_FALSE(b->is_stuck());
    b->stick();
    m_arena->apply_forces(0.04f);
    // Separation (160, 96) - (100, 64) = (60, 32); no gravity for the stuck end.
    EXPECT_FLOAT_EQ(b->m_dx, -60 * 0.5859375f / 15);
    EXPECT_FLOAT_EQ(b->m_dy, -32 * 0.5859375f / 15);
}

TEST_F(tractor_beams, an_end_without_mass_is_not_pulled)
{
    build(room);
    test_block* from = block_at(100, 200, 0);
    test_block* to = block_at(130, 160, 20);
    m_arena->activate();
    no_world_forces();
    m_arena->create_tractor(from, to);
    m_arena->apply_forces(0.04f);
    EXPECT_EQ(from->m_dx, 0);
    EXPECT_EQ(from->m_dy, 0);
    EXPECT_FLOAT_EQ(to->m_dx, -30 * 0.5859375f / 20);
}

TEST_F(tractor_beams, a_beam_ends_with_either_end_and_leaves_other_beams_alone)
{
    for (int dying_end = 0; dying_end < 2; ++dying_end) {
        SCOPED_TRACE(dying_end == 0 ? "the source dies" : "the target dies");
        build(room);
        test_block* from = block_at(100, 200, 10);
        test_block* to = block_at(130, 160, 20);
        test_block* other_from = block_at(250, 250, 10);
        test_block* other_to = block_at(250, 300, 10);
        m_arena->activate();
        no_world_forces();
        m_arena->create_tractor(from, to);
        m_arena->create_tractor(other_from, other_to);
        m_arena->do_stuff(0.04f);
        ASSERT_EQ(beams_shown(), 20);

        test_block* survivor = dying_end == 0 ? to : from;
        (dying_end == 0 ? from : to)->die();
        m_arena->do_stuff(0.04f);  // deletes the end; its beam's dots die
        m_arena->do_stuff(0.04f);  // and go
        EXPECT_EQ(beams_shown(), 10);
        m_arena->apply_forces(0.04f);
        EXPECT_EQ(survivor->m_dx, 0);
        EXPECT_EQ(survivor->m_dy, 0);
        EXPECT_FLOAT_EQ(other_to->m_dy, -50 * 0.5859375f / 10) << "the other beam still pulls";
    }
}

TEST_F(tractor_beams, every_beam_of_a_dying_mover_ends)
{
    build(room);
    test_block* hub = block_at(100, 200, 10);
    test_block* first = block_at(130, 160, 20);
    test_block* second = block_at(160, 220, 20);
    test_block* other_from = block_at(250, 250, 10);
    test_block* other_to = block_at(250, 300, 10);
    m_arena->activate();
    no_world_forces();
    m_arena->create_tractor(hub, first);
    m_arena->create_tractor(second, hub);
    m_arena->create_tractor(other_from, other_to);
    hub->die();
    m_arena->do_stuff(0.04f);
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(beams_shown(), 10);
    m_arena->apply_forces(0.04f);
    EXPECT_EQ(first->m_dx, 0);
    EXPECT_EQ(second->m_dx, 0);
    EXPECT_NE(other_to->m_dy, 0);
}

TEST_F(tractor_beams, a_dead_target_frees_the_ship_to_take_another)
{
    build(room);
    coin* first = new coin;
    first->teleport_centre(56, 110);
    m_arena->add_mover(first);
    m_arena->activate();
    press_tractor();
    frame();
    ASSERT_EQ(beams_shown(), 10);

    first->die();
    coin* second = new coin;
    second->teleport_centre(100, 56);
    m_arena->add_mover(second);
    frame();
    EXPECT_EQ(beams_shown(), 0);

    // The ship forgot its beam: the press searches instead of dropping.
    press_tractor();
    frame();
    EXPECT_EQ(beams_shown(), 10);
    EXPECT_EQ(m_arena->get_nearest_tractor_target(56, 56), second);
}

TEST_F(tractor_beams, a_carried_ball_touching_any_tile_loses_the_beam_and_the_ship_its_flag)
{
    struct touch_case {
        const char* what;
        char obstacle;
        float x, y, dy;  // where the carried ball is put
        bool sunk;
    };
    const touch_case cases[] = {
        {"a wall", '#', 312, 192, 0, false},
        {"a pipe", '|', 312, 192, 0, false},
        {"a closed gate", 'V', 312, 192, 0, false},
        {"a button", '>', 312, 192, 0, false},
        {"a sink", '.', 256, 264, 200, true},
    };
    for (const touch_case& c : cases) {
        SCOPED_TRACE(c.what);
        start(beam_room(c.obstacle));
        std::vector<ball*> b = all_of<ball>();
        press_tractor();
        frame();
        ASSERT_FALSE(b[1]->is_stuck());
        ASSERT_EQ(beams_shown(), 10);

        b[1]->teleport(c.x, c.y);
        b[1]->m_dx = 0;
        b[1]->m_dy = c.dy;
        frame();
        EXPECT_EQ(beams_shown(), 0);
        ASSERT_EQ(count_of<ball>(), 2);
        EXPECT_TRUE(b[1]->is_stuck());
        if (c.sunk) {
            EXPECT_GT(b[1]->m_y, 250) << "stuck in the sink";
        } else {
            EXPECT_EQ(b[1]->m_y, 192) << "back on its source";
        }

        // The next press takes the nearest ball again, even out of a sink.
        mover* nearest = m_arena->get_nearest_tractor_target(the_ship()->x_centre(), the_ship()->y_centre());
        ASSERT_NE(nearest, nullptr);
        press_tractor();
        frame();
        EXPECT_EQ(beams_shown(), 10);
        EXPECT_FALSE(nearest->is_stuck());
    }
}

TEST_F(tractor_beams, taking_a_sunk_ball_out_of_its_sink_frees_it)
{
    start(beam_room());
    ball* b = all_of<ball>().at(1);
    b->unstick();
    b->teleport(256, 262);
    b->m_dy = 200;
    frame();
    ASSERT_EQ(count_of<ball>(), 2);
    ASSERT_TRUE(b->is_stuck());
    m_arena->create_tractor(the_ship(), b);
    EXPECT_FALSE(b->is_stuck());
}

// ----------------------------------------------------------------- damage

// An enemy that remembers every hit it is asked to take.
class counting_enemy : public test_enemy {
public:
    explicit counting_enemy(double hitpoints = 100, int dam_red = 0, const char* picture = "foe.png")
        : test_enemy(hitpoints, dam_red, 0, picture)
    {
    }
    double take_hit(double damage) override
    {
        hits.push_back(damage);
        return test_enemy::take_hit(damage);
    }
    std::vector<double> hits;
};

// Dies into an area blast of its own, as a miner does.
class blasting_enemy : public counting_enemy {
public:
    blasting_enemy() : counting_enemy(1) {}
    void notify_dead() override
    {
        counting_enemy::notify_dead();
        game::the_game->m_arena->AOE_damage(x_centre(), y_centre(), 100, 4, 4, HURT_ENEMIES);
    }
};

// Every object of T lives in one fixed place as long as only one is alive,
// so the next one made after a deletion has the old one's address.
template <typename T>
class one_home {
public:
    static void* operator new(std::size_t size)
    {
        if (!home_taken() && size <= sizeof(T)) {
            home_taken() = true;
            return home();
        }
        return ::operator new(size);
    }
    static void operator delete(void* p)
    {
        if (p == home())
            home_taken() = false;
        else
            ::operator delete(p);
    }

private:
    static void* home()
    {
        alignas(T) static unsigned char storage[sizeof(T)];
        return storage;
    }
    static bool& home_taken()
    {
        static bool taken = false;
        return taken;
    }
};

class homed_shot : public shot, public one_home<homed_shot> {
public:
    homed_shot() : shot("plasmoid.png", 10, 0, nullptr, nullptr) {}
    using one_home<homed_shot>::operator new;
    using one_home<homed_shot>::operator delete;
};

class homed_enemy : public counting_enemy, public one_home<homed_enemy> {
public:
    explicit homed_enemy(int dam_red) : counting_enemy(100, dam_red) {}
    using one_home<homed_enemy>::operator new;
    using one_home<homed_enemy>::operator delete;
};

class damage : public forces {
protected:
    counting_enemy* enemy_at(float x, float y, double hitpoints = 100, int dam_red = 0,
                             const char* picture = "foe.png")
    {
        counting_enemy* e = new counting_enemy(hitpoints, dam_red, picture);
        e->teleport(x, y);
        m_arena->add_mover(e);
        return e;
    }
};

class damage_area : public damage {};

TEST_F(damage_area, a_rocket_blast_falls_off_with_the_distance_to_the_picture_box)
{
    struct blast_case {
        const char* what;
        const char* picture;  // at (200, 200)
        float x, y;
        std::vector<double> hits;
    };
    // foe.png covers 200 to 216 each way, bigfoe.png 200 to 264 by 200 to 232.
    const blast_case cases[] = {
        {"inside the box", "foe.png", 208, 208, {5}},
        {"on its far corner", "foe.png", 216, 216, {5}},
        {"12.5 away", "foe.png", 228.5f, 208, {4}},
        {"13 away: truncated", "foe.png", 229, 208, {3}},
        {"25 away", "foe.png", 241, 208, {3}},
        {"49 away", "foe.png", 265, 208, {1}},
        {"50 away: out of reach", "foe.png", 266, 208, {}},
        {"50 away on a slant", "foe.png", 246, 256, {}},
        {"49.2 away on a slant", "foe.png", 246, 255, {1}},
        {"above and left", "foe.png", 190, 170, {2}},
        {"a large enemy's box, its centre 52 away", "bigfoe.png", 180, 216, {3}},
        {"below a large enemy", "bigfoe.png", 232, 262, {2}},
    };
    for (const blast_case& c : cases) {
        SCOPED_TRACE(c.what);
        build(room);
        counting_enemy* e = enemy_at(200, 200, 100, 0, c.picture);
        m_arena->activate();
        m_arena->AOE_damage(c.x, c.y, 50, 5, 1, HURT_ENEMIES);
        EXPECT_EQ(e->hits, c.hits);
        double total = 0;
        for (double h : c.hits)
            total += h;
        EXPECT_EQ(e->hitpoints(), 100 - total);
    }
}

TEST_F(damage_area, whom_it_hurts_follows_the_flags)
{
    struct flag_case {
        int flags;
        bool enemy_hit, ship_hit;
    };
    const flag_case cases[] = {
        {HURT_ENEMIES, true, false},
        {HURT_PLAYER, false, true},
        {HURT_ENEMIES | HURT_PLAYER, true, true},
    };
    for (const flag_case& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        build(room);
        counting_enemy* e = enemy_at(90, 50);
        m_arena->activate();
        status().shield = MAX_SHIELD;
        m_arena->AOE_damage(56, 56, 1000, 4, 4, static_cast<damage_type>(c.flags));
        EXPECT_EQ(e->hits, c.enemy_hit ? std::vector<double>{4} : std::vector<double>{});
        EXPECT_EQ(status().shield, c.ship_hit ? MAX_SHIELD - 4 : MAX_SHIELD);
    }
}

TEST_F(damage_area, dead_movers_and_a_zero_radius_are_passed_over)
{
    build(room);
    counting_enemy* dead = enemy_at(90, 50);
    counting_enemy* alive = enemy_at(90, 80);
    m_arena->activate();
    dead->die();
    the_ship()->die();
    m_arena->AOE_damage(56, 56, 1000, 4, 4, static_cast<damage_type>(HURT_ENEMIES | HURT_PLAYER));
    EXPECT_TRUE(dead->hits.empty());
    EXPECT_EQ(alive->hits, std::vector<double>{4});
    EXPECT_EQ(status().shield, MAX_SHIELD);

    m_arena->AOE_damage(98, 88, 0, 4, 4, HURT_ENEMIES);
    m_arena->AOE_damage(98, 88, -5, 4, 4, HURT_ENEMIES);
    EXPECT_EQ(alive->hits.size(), 1u);
}

TEST_F(damage_area, an_enemy_killed_by_a_blast_is_passed_over_by_the_blast_of_its_death)
{
    build(room);
    blasting_enemy* victim = new blasting_enemy;
    victim->teleport(200, 200);
    m_arena->add_mover(victim);
    counting_enemy* neighbour = enemy_at(240, 200);
    m_arena->activate();
    m_arena->AOE_damage(208, 208, 50, 5, 5, HURT_ENEMIES);
    EXPECT_EQ(victim->hits, std::vector<double>{5});
    EXPECT_EQ(victim->deaths, 1);
    // Its own blast first (4, from inside its notify_dead), then the outer one.
    EXPECT_EQ(neighbour->hits, (std::vector<double>{4, 5}));
}

TEST_F(damage_area, invulnerability_shields_the_ship_but_an_enemy_keeps_only_its_reduction)
{
    build(room);
    counting_enemy* e = enemy_at(90, 50, 100, 2);
    m_arena->activate();
    status().invulnerability = 1.5f;
    m_arena->AOE_damage(56, 56, 1000, 5, 5, static_cast<damage_type>(HURT_ENEMIES | HURT_PLAYER));
    EXPECT_EQ(status().shield, MAX_SHIELD);
    EXPECT_FALSE(the_ship()->is_dead());
    EXPECT_EQ(e->hits, std::vector<double>{5});
    EXPECT_EQ(e->hitpoints(), 97);
}

class damage_records : public damage {};

TEST_F(damage_records, a_stream_of_small_hits_pays_the_reduction_once)
{
    struct stream_case {
        const char* what;
        int dam_red;
        double amount;
        std::vector<double> losses;    // hit points lost by each contact
        std::vector<double> absorbed;  // what each contact returns
    };
    const stream_case cases[] = {
        {"reduction 1, contacts of 1", 1, 1, {0, 1, 1, 1}, {1, 1, 1, 1}},
        {"reduction 5, contacts of 1", 5, 1, {0, 0, 0, 0, 0, 1, 1}, {1, 1, 1, 1, 1, 1, 1}},
        {"reduction 5, contacts of 3", 5, 3, {0, 1, 3, 3}, {3, 3, 3, 3}},
        {"no reduction", 0, 2.5, {2.5, 2.5}, {2, 2}},
        // What was asked for is recorded, not what the hits absorbed.
        {"reduction 2, contacts of 0.5", 2, 0.5, {0, 0, 0, 0, 0.5, 0.5}, {0, 0.5, 0, 0.5, 0, 0}},
    };
    for (const stream_case& c : cases) {
        SCOPED_TRACE(c.what);
        build(room);
        counting_enemy* e = enemy_at(200, 200, 100, c.dam_red);
        shot* s = new shot("plasmoid.png", 10, 0, nullptr, nullptr);
        m_arena->add_mover(s);
        m_arena->activate();
        for (size_t i = 0; i < c.losses.size(); ++i) {
            SCOPED_TRACE("contact " + std::to_string(i + 1));
            double before = e->hitpoints();
            EXPECT_EQ(m_arena->apply_damage(s, e, c.amount), c.absorbed[i]);
            EXPECT_EQ(before - e->hitpoints(), c.losses[i]);
        }
    }
}

TEST_F(damage_records, a_plasmoid_on_an_enemy_for_one_frame_does_0_1_1_1)
{
    build(room);
    counting_enemy* e = enemy_at(200, 200, 100, 1);
    shot* s = new shot("plasmoid.png", 10, 0, plasmoid_det, nullptr);
    s->teleport(204, 204);
    m_arena->add_mover(s);
    m_arena->activate();
    frame();
    EXPECT_EQ(e->hits, (std::vector<double>{1, 2, 2, 2}));
    EXPECT_EQ(e->hitpoints(), 97);
    EXPECT_FALSE(s->is_dead()) << "a plasmoid flies on";
}

TEST_F(damage_records, the_records_are_kept_per_shot_and_per_enemy)
{
    build(room);
    counting_enemy* e = enemy_at(200, 200, 100, 1);
    counting_enemy* f = enemy_at(250, 200, 100, 1);
    shot* s1 = new shot("plasmoid.png", 10, 0, nullptr, nullptr);
    shot* s2 = new shot("plasmoid.png", 10, 0, nullptr, nullptr);
    m_arena->add_mover(s1);
    m_arena->add_mover(s2);
    m_arena->activate();
    struct contact {
        shot* s;
        counting_enemy* en;
        double loss;
    };
    const contact contacts[] = {
        {s1, e, 0}, {s1, e, 1}, {s2, e, 0}, {s1, f, 0}, {s2, e, 1}, {s1, e, 1}, {s2, f, 0}, {s1, f, 1},
    };
    for (size_t i = 0; i < sizeof contacts / sizeof contacts[0]; ++i) {
        SCOPED_TRACE("contact " + std::to_string(i + 1));
        const contact& c = contacts[i];
        double before = c.en->hitpoints();
        m_arena->apply_damage(c.s, c.en, 1);
        EXPECT_EQ(before - c.en->hitpoints(), c.loss);
    }
}

TEST_F(damage_records, the_records_go_with_a_deleted_shot_or_enemy)
{
    build(room);
    homed_enemy* e = new homed_enemy(1);
    e->teleport(200, 200);
    m_arena->add_mover(e);
    counting_enemy* f = enemy_at(250, 200, 100, 1);
    homed_shot* s = new homed_shot;
    m_arena->add_mover(s);
    m_arena->activate();
    void* const shot_home = s;
    void* const enemy_home = e;

    auto loss = [&](shot* by, enemy* on, const test_enemy* seen) {
        double before = seen->hitpoints();
        m_arena->apply_damage(by, on, 1);
        return before - seen->hitpoints();
    };
    EXPECT_EQ(loss(s, e, e), 0);
    EXPECT_EQ(loss(s, e, e), 1);
    EXPECT_EQ(loss(s, f, f), 0);

    // A new shot in the old one's place starts afresh.
    s->die();
    m_arena->do_stuff(0.04f);
    homed_shot* s2 = new homed_shot;
    ASSERT_EQ(static_cast<void*>(s2), shot_home);
    m_arena->add_mover(s2);
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(loss(s2, e, e), 0);
    EXPECT_EQ(loss(s2, e, e), 1);
    EXPECT_EQ(loss(s2, f, f), 0);

    // So does a new enemy in the old one's place; other records stay.
    e->die();
    m_arena->do_stuff(0.04f);
    homed_enemy* e2 = new homed_enemy(1);
    ASSERT_EQ(static_cast<void*>(e2), enemy_home);
    e2->teleport(200, 200);
    m_arena->add_mover(e2);
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(loss(s2, e2, e2), 0);
    EXPECT_EQ(loss(s2, f, f), 1) << "the record of s2 on f was kept";

    // A new level forgets every record.
    build(room);
    homed_shot* s3 = new homed_shot;
    homed_enemy* e3 = new homed_enemy(1);
    ASSERT_EQ(static_cast<void*>(s3), shot_home);
    ASSERT_EQ(static_cast<void*>(e3), enemy_home);
    m_arena->add_mover(s3);
    m_arena->add_mover(e3);
    m_arena->activate();
    EXPECT_EQ(loss(s3, e3, e3), 0);
}
}
