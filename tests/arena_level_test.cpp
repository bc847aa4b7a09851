// A whole level flown with the controls alone: shoot the button that opens
// the gate, tow the ball from its source into the sink, and leave through
// the exit that sinking it opens.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "arena_fixture.h"

namespace {
// The ship's heading as a signed angle, clockwise positive.
float signed_angle(const ship& s)
{
    float a = s.get_angle();
    return a > pi ? static_cast<float>(a - 2 * pi) : a;
}

// Flies the ship towards a point by the five control flags, as a steady
// player would: tilt towards the target, thrust to hold the height.
class autopilot {
public:
    autopilot(game& g, arena& a) : m_game(g), m_arena(a) {}

    // Sets the flags for the coming frame.
    void steer(float tx, float ty, float max_speed = 60)
    {
        ship* s = dynamic_cast<ship*>(m_arena.get_player_target());
        auto& keys = m_game.m_key_flags;
        keys.up = keys.left = keys.right = false;
        if (!s)
            return;
        float ex = tx - s->x_centre(), ey = ty - s->y_centre();
        float want_dx = std::max(-max_speed, std::min(max_speed, 0.8f * ex));
        float tilt = std::max(-0.35f, std::min(0.35f, 0.01f * (want_dx - s->m_dx)));
        float a = signed_angle(*s);
        keys.right = a < tilt - 0.05f;
        keys.left = a > tilt + 0.05f;
        float want_dy = std::max(-max_speed, std::min(max_speed, 0.8f * ey));
        keys.up = s->m_dy > want_dy;
    }

private:
    game& m_game;
    arena& m_arena;
};

class flown_level : public arena_test {
protected:
    float tile_centre(int t) { return t * 32 + 16.0f; }
    // Runs frames while steering to (tx, ty) until done() holds; false
    // when it never does within the limit.
    template <typename F>
    bool fly_until(float tx, float ty, F done, int limit = 1500, float max_speed = 60)
    {
        autopilot pilot(*m_game, *m_arena);
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            pilot.steer(tx, ty, max_speed);
            frame();
        }
        return done();
    }
    bool near(float x, float y, float within)
    {
        ship* s = the_ship();
        return s && std::fabs(s->x_centre() - x) < within && std::fabs(s->y_centre() - y) < within &&
               std::fabs(s->m_dx) < 15 && std::fabs(s->m_dy) < 15;
    }
};
}

TEST_F(flown_level, button_gate_ball_sink_and_exit)
{
    start({
        "#################",
        "#..........v....#",
        "#...............#",
        "#..S............X",
        "#...............X",
        "#...............#",
        "#.........V.....#",
        "#.B.......V..T..#",
        "#################",
    });
    m_arena->connect(11, 1, 10, 6);
    m_arena->connect(11, 1, 10, 7);
    ASSERT_NE(the_ship(), nullptr);
    const int lives = status().lives;

    // Under the button, nose up, and fire until the gate stands open.
    ASSERT_TRUE(fly_until(tile_centre(11), tile_centre(4), [&] { return near(tile_centre(11), tile_centre(4), 6); }));
    ASSERT_TRUE(fly_until(tile_centre(11), tile_centre(4), [&] {
        m_game->m_key_flags.fire = std::fabs(signed_angle(*the_ship())) < 0.05f;
        return m_arena->get(10, 6) == A_VGATE_OPEN && m_arena->get(10, 7) == A_VGATE_OPEN;
    }, 400));
    m_game->m_key_flags.fire = false;

    // Over the ball, and take it with the beam.
    ASSERT_TRUE(fly_until(tile_centre(2), tile_centre(5), [&] { return near(tile_centre(2), tile_centre(5), 6); }));
    ball* b = all_of<ball>().at(0);
    ASSERT_TRUE(b->is_stuck());
    m_game->m_key_flags.tractor = true;
    frame();
    ASSERT_FALSE(b->is_stuck()) << "the beam takes the ball off its source";
    ASSERT_EQ(count_of<tractor_indicator>(), 10);

    // Carry it high over the floor to the sink, then lower it in.
    ASSERT_TRUE(fly_until(tile_centre(7), tile_centre(3), [&] { return near(tile_centre(7), tile_centre(3), 12); },
                          1500, 30));
    ASSERT_TRUE(fly_until(tile_centre(13), tile_centre(3), [&] { return near(tile_centre(13), tile_centre(3), 8); },
                          1500, 30));
    const int score_before = status().score;
    ASSERT_TRUE(fly_until(tile_centre(13), tile_centre(5), [&] { return count_of<ball>() == 0; }, 600, 20))
        << "the ball never sank";
    EXPECT_EQ(status().score, score_before + 1000);
    EXPECT_EQ(status().lives, lives);
    EXPECT_EQ(count_of<tractor_indicator>(), 0);
    for (int y : {3, 4})
        EXPECT_EQ(m_arena->get(16, y), A_EMPTY) << "exit block at row " << y;
    EXPECT_EQ(m_arena->get(13, 7), A_EMPTY) << "the sink is gone";
    EXPECT_FALSE(m_arena->level_complete());

    // Out through the opened exit.
    ASSERT_TRUE(fly_until(tile_centre(19), tile_centre(3) + 16, [&] { return m_arena->level_complete(); }, 600));
    EXPECT_GT(m_arena->get_player_x(), 32 * m_arena->width());
    EXPECT_EQ(status().lives, lives);
}
