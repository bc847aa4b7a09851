// The arena's mechanisms: buttons and the gates they toggle, tile
// animations frame by frame, balls in sinks and on walls, the opening of
// the exit, the level-complete test and the frame-list builder.
#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"

namespace {
typedef std::deque<arena_t> frame_list;
typedef std::pair<float, float> point;

class mechanisms : public arena_test {
protected:
    // What the background must show for a tile type: its picture, or
    // nothing at all for a type without one.
    rgba picture_pixel(arena_t t, int px, int py)
    {
        if (!image_files[t])
            return {0, 0, 0, 0};
        return pixel_rgba(m_game->m_bmp_pool.get_bitmap(image_files[t]), px, py);
    }
    // Pixels of cell (cx, cy) of the background that differ from the
    // picture of t.
    int background_mismatches(int cx, int cy, arena_t t)
    {
        int wrong = 0;
        for (int px = 0; px < TILE_SIZE; ++px)
            for (int py = 0; py < TILE_SIZE; ++py)
                wrong += !(pixel_rgba(m_arena->bitmap(), TILE_SIZE * cx + px, TILE_SIZE * cy + py) ==
                           picture_pixel(t, px, py));
        return wrong;
    }
    // The cell holds t and the background shows t's picture there.
    void expect_cell(int cx, int cy, arena_t t)
    {
        EXPECT_EQ(m_arena->get(cx, cy), t) << "cell (" << cx << ", " << cy << ")";
        EXPECT_EQ(background_mismatches(cx, cy, t), 0) << "cell (" << cx << ", " << cy << ")";
    }
    // A cleared cell: empty and fully transparent black in the background.
    void expect_cleared(int cx, int cy) { expect_cell(cx, cy, A_EMPTY); }

    // A 4 x 4 shot that reaches cell (cx, cy) from its left in the first
    // sub-step of the next frame; dy is its offset from the cell's top.
    shot* shoot_at(int cx, int cy, int dy = 14)
    {
        shot* s = new shot("shot.png", 5.0f, 0, nullptr, nullptr);
        s->teleport(static_cast<float>(TILE_SIZE * cx - 5), static_cast<float>(TILE_SIZE * cy + dy));
        s->m_dx = 200;
        m_arena->add_mover(s);
        return s;
    }

    // A ball set loose just above cell (cx, cy), falling into it within
    // the first sub-step of the next frame.
    void drop_into(ball* b, int cx, int cy)
    {
        b->unstick();
        b->teleport(static_cast<float>(TILE_SIZE * cx), static_cast<float>(TILE_SIZE * cy - 26));
        b->m_dx = 0;
        b->m_dy = 200;
    }

    // The first frame of the explosions made under key: an explosion made
    // by the arena this frame still shows it.
    SDL_Surface* first_frame_of(const std::string& key)
    {
        std::unique_ptr<explosion> probe(m_game->m_exp_pool.get_explosion(key, nullptr));
        return probe->pic();
    }
    // Centres of the explosions of key in the main list, sorted.
    std::vector<point> explosion_centres(const std::string& key)
    {
        SDL_Surface* first = first_frame_of(key);
        std::vector<point> out;
        for (explosion* e : all_of<explosion>()) {
            if (e->pic() == first)
                out.push_back(point(e->x_centre(), e->y_centre()));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    void expect_centres(const std::string& key, std::vector<point> expected)
    {
        std::vector<point> got = explosion_centres(key);
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(got.size(), expected.size()) << key;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].first, expected[i].first, 0.01) << key << " " << i;
            EXPECT_NEAR(got[i].second, expected[i].second, 0.01) << key << " " << i;
        }
    }

    std::vector<ball*> balls() { return all_of<ball>(); }
};

// ---------------------------------------------------------------- buttons

class mechanisms_buttons : public mechanisms {};

// Button L at (3, 3), wired to a V gate at (7, 3) and an H gate at (7, 4).
const std::vector<std::string> button_room = {
    "############",
    "#S.........#",
    "#..........#",
    "#..>...V...#",
    "#......H...#",
    "#..........#",
    "#..........#",
    "############",
};

TEST_F(mechanisms_buttons, a_pressed_button_and_its_gates_show_one_frame_per_frame)
{
    start(button_room);
    m_arena->connect(3, 3, 7, 3);
    m_arena->connect(3, 3, 7, 4);
    shoot_at(3, 3);

    // Frame N: the shot presses the button and dies; the cells change only
    // when the next frame starts.
    frame();
    EXPECT_EQ(count_of<shot>(), 0);
    expect_cell(3, 3, A_BUTTON_L);
    expect_cell(7, 3, A_VGATE_CLOSED);
    expect_cell(7, 4, A_HGATE_CLOSED);

    struct step {
        arena_t button, vgate, hgate;
    };
    const step after[] = {
        {A_BUTTON_L_ANIM1, A_VGATE_ANIM_1, A_HGATE_ANIM_1},  // N + 1
        {A_BUTTON_L_ANIM2, A_VGATE_ANIM_2, A_HGATE_ANIM_2},
        {A_BUTTON_L_ANIM1, A_VGATE_ANIM_3, A_HGATE_ANIM_3},
        {A_BUTTON_L, A_VGATE_ANIM_4, A_HGATE_ANIM_4},
        {A_BUTTON_L, A_VGATE_ANIM_5, A_HGATE_ANIM_5},
        {A_BUTTON_L, A_VGATE_OPEN, A_HGATE_OPEN},  // N + 6
        {A_BUTTON_L, A_VGATE_OPEN, A_HGATE_OPEN},  // and so it stays
        {A_BUTTON_L, A_VGATE_OPEN, A_HGATE_OPEN},
    };
    for (size_t i = 0; i < sizeof after / sizeof after[0]; ++i) {
        SCOPED_TRACE("frame N + " + std::to_string(i + 1));
        frame();
        expect_cell(3, 3, after[i].button);
        expect_cell(7, 3, after[i].vgate);
        expect_cell(7, 4, after[i].hgate);
    }
}

TEST_F(mechanisms_buttons, every_button_type_plays_its_own_frames)
{
    start({
        "##########",
        "#S.......#",
        "#........#",
        "#..>.v.<.#",
        "#....^...#",
        "##########",
    });
    struct button {
        int x, y;
        arena_t frames[5];  // at rest, then N + 1 to N + 4
    };
    const button buttons[] = {
        {3, 3, {A_BUTTON_L, A_BUTTON_L_ANIM1, A_BUTTON_L_ANIM2, A_BUTTON_L_ANIM1, A_BUTTON_L}},
        {5, 3, {A_BUTTON_U, A_BUTTON_U_ANIM1, A_BUTTON_U_ANIM2, A_BUTTON_U_ANIM1, A_BUTTON_U}},
        {7, 3, {A_BUTTON_R, A_BUTTON_R_ANIM1, A_BUTTON_R_ANIM2, A_BUTTON_R_ANIM1, A_BUTTON_R}},
        {5, 4, {A_BUTTON_D, A_BUTTON_D_ANIM1, A_BUTTON_D_ANIM2, A_BUTTON_D_ANIM1, A_BUTTON_D}},
    };
    for (const button& b : buttons)
        shoot_at(b.x, b.y);
    frame();
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE("frame N + " + std::to_string(f));
        for (const button& b : buttons)
            expect_cell(b.x, b.y, b.frames[f]);
        frame();
    }
}

TEST_F(mechanisms_buttons, presses_during_the_animation_do_nothing_and_a_gate_in_motion_is_left_alone)
{
    start(button_room);
    m_arena->connect(3, 3, 7, 3);
    shoot_at(3, 3);
    frame();  // N: pressed

    struct step {
        bool shoot;  // a shot reaches the button in this frame
        arena_t button, gate;
    };
    const step steps[] = {
        {true, A_BUTTON_L_ANIM1, A_VGATE_ANIM_1},  // N + 1: finds a pressed frame
        {true, A_BUTTON_L_ANIM2, A_VGATE_ANIM_2},
        {true, A_BUTTON_L_ANIM1, A_VGATE_ANIM_3},  // N + 3
        {true, A_BUTTON_L, A_VGATE_ANIM_4},        // N + 4: at rest again, pressed; gate moving
        {false, A_BUTTON_L_ANIM1, A_VGATE_ANIM_5},
        {false, A_BUTTON_L_ANIM2, A_VGATE_OPEN},
        {false, A_BUTTON_L_ANIM1, A_VGATE_OPEN},
        {false, A_BUTTON_L, A_VGATE_OPEN},  // N + 8
        {true, A_BUTTON_L, A_VGATE_OPEN},   // N + 9: pressed with the gate at rest
        {false, A_BUTTON_L_ANIM1, A_VGATE_ANIM_5},
        {false, A_BUTTON_L_ANIM2, A_VGATE_ANIM_4},
        {false, A_BUTTON_L_ANIM1, A_VGATE_ANIM_3},
        {false, A_BUTTON_L, A_VGATE_ANIM_2},
        {false, A_BUTTON_L, A_VGATE_ANIM_1},
        {false, A_BUTTON_L, A_VGATE_CLOSED},  // N + 15
        {false, A_BUTTON_L, A_VGATE_CLOSED},
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        SCOPED_TRACE("frame N + " + std::to_string(i + 1));
        if (steps[i].shoot)
            shoot_at(3, 3);
        frame();
        EXPECT_EQ(count_of<shot>(), 0) << "every shot dies on the button";
        expect_cell(3, 3, steps[i].button);
        expect_cell(7, 3, steps[i].gate);
    }
}

TEST_F(mechanisms_buttons, two_presses_in_one_frame_both_toggle_and_the_gate_still_ends_open)
{
    start(button_room);
    m_arena->connect(3, 3, 7, 3);
    shoot_at(3, 3, 2);
    shoot_at(3, 3, 22);
    frame();
    EXPECT_EQ(count_of<shot>(), 0);

    const arena_t button[] = {A_BUTTON_L_ANIM1, A_BUTTON_L_ANIM2, A_BUTTON_L_ANIM1, A_BUTTON_L,
                              A_BUTTON_L,       A_BUTTON_L,       A_BUTTON_L};
    const arena_t gate[] = {A_VGATE_ANIM_1, A_VGATE_ANIM_2, A_VGATE_ANIM_3, A_VGATE_ANIM_4,
                            A_VGATE_ANIM_5, A_VGATE_OPEN,   A_VGATE_OPEN};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE("frame N + " + std::to_string(i + 1));
        frame();
        expect_cell(3, 3, button[i]);
        expect_cell(7, 3, gate[i]);
    }
    // Both animations are over: a toggle now closes the gate undisturbed.
    m_arena->apply_effect(7, 3);
    const arena_t closing[] = {A_VGATE_ANIM_5, A_VGATE_ANIM_4, A_VGATE_ANIM_3, A_VGATE_ANIM_2,
                               A_VGATE_ANIM_1, A_VGATE_CLOSED, A_VGATE_CLOSED};
    for (arena_t t : closing) {
        frame();
        expect_cell(7, 3, t);
    }
}

// ------------------------------------------------------------------ gates

class mechanisms_gates : public mechanisms {};

TEST_F(mechanisms_gates, a_gate_at_rest_moves_to_its_other_state_in_six_frames)
{
    struct gate_case {
        arena_t start;
        arena_t frames[6];
    };
    const gate_case cases[] = {
        {A_VGATE_CLOSED,
         {A_VGATE_ANIM_1, A_VGATE_ANIM_2, A_VGATE_ANIM_3, A_VGATE_ANIM_4, A_VGATE_ANIM_5, A_VGATE_OPEN}},
        {A_VGATE_OPEN,
         {A_VGATE_ANIM_5, A_VGATE_ANIM_4, A_VGATE_ANIM_3, A_VGATE_ANIM_2, A_VGATE_ANIM_1, A_VGATE_CLOSED}},
        {A_HGATE_CLOSED,
         {A_HGATE_ANIM_1, A_HGATE_ANIM_2, A_HGATE_ANIM_3, A_HGATE_ANIM_4, A_HGATE_ANIM_5, A_HGATE_OPEN}},
        {A_HGATE_OPEN,
         {A_HGATE_ANIM_5, A_HGATE_ANIM_4, A_HGATE_ANIM_3, A_HGATE_ANIM_2, A_HGATE_ANIM_1, A_HGATE_CLOSED}},
    };
    for (const gate_case& c : cases) {
        SCOPED_TRACE("gate " + std::to_string(c.start));
        build(button_room);
        m_arena->set(5, 5, c.start);
        m_arena->activate();
        // As the level's kicks do it: right after activate.
        m_arena->apply_effect(5, 5);
        expect_cell(5, 5, c.start);
        for (int f = 0; f < 6; ++f) {
            SCOPED_TRACE("frame " + std::to_string(f + 1));
            frame();
            expect_cell(5, 5, c.frames[f]);
        }
        frames(2);
        expect_cell(5, 5, c.frames[5]);
    }
}

TEST_F(mechanisms_gates, anything_but_a_gate_at_rest_is_left_alone)
{
    const arena_t others[] = {A_EMPTY,        A_BLOCK,        A_BUTTON_L,     A_SINK,
                              A_PIPE_UD,      A_VGATE_ANIM_1, A_VGATE_ANIM_2, A_VGATE_ANIM_3,
                              A_VGATE_ANIM_4, A_VGATE_ANIM_5, A_HGATE_ANIM_1, A_HGATE_ANIM_2,
                              A_HGATE_ANIM_3, A_HGATE_ANIM_4, A_HGATE_ANIM_5, A_SHOP};
    for (arena_t t : others) {
        SCOPED_TRACE("tile " + std::to_string(t));
        build(button_room);
        m_arena->set(5, 5, t);
        m_arena->activate();
        m_arena->apply_effect(5, 5);
        frames(7);
        expect_cell(5, 5, t);
    }
}

TEST_F(mechanisms_gates, a_toggle_outside_the_map_only_warns)
{
    start(button_room);
    testing::internal::CaptureStdout();
    m_arena->apply_effect(-1, 3);
    m_arena->apply_effect(12, 0);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("warning: Invalid arena coords: (-1,3)"), std::string::npos) << log;
    EXPECT_NE(log.find("warning: Invalid arena coords: (12,0)"), std::string::npos) << log;
    frames(7);
    expect_cell(7, 3, A_VGATE_CLOSED);
    expect_cell(0, 3, A_BLOCK);
    expect_cell(11, 0, A_BLOCK);
}

TEST_F(mechanisms_gates, a_second_toggle_in_the_same_frame_doubles_the_opening_and_one_in_motion_is_ignored)
{
    start(button_room);
    m_arena->apply_effect(7, 3);
    m_arena->apply_effect(7, 3);  // the same closed gate: a second identical opening
    m_arena->apply_effect(7, 4);
    frame();
    expect_cell(7, 3, A_VGATE_ANIM_1);
    expect_cell(7, 4, A_HGATE_ANIM_1);
    m_arena->apply_effect(7, 4);  // in motion: nothing
    const arena_t v[] = {A_VGATE_ANIM_2, A_VGATE_ANIM_3, A_VGATE_ANIM_4, A_VGATE_ANIM_5,
                         A_VGATE_OPEN,   A_VGATE_OPEN,   A_VGATE_OPEN};
    const arena_t h[] = {A_HGATE_ANIM_2, A_HGATE_ANIM_3, A_HGATE_ANIM_4, A_HGATE_ANIM_5,
                         A_HGATE_OPEN,   A_HGATE_OPEN,   A_HGATE_OPEN};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 2));
        if (i == 2)
            m_arena->apply_effect(7, 3);  // in motion again: nothing
        frame();
        expect_cell(7, 3, v[i]);
        expect_cell(7, 4, h[i]);
    }
}

TEST_F(mechanisms_gates, connections_act_from_each_cause_on_each_of_its_effects)
{
    start({
        "############",
        "#S.........#",
        "#..........#",
        "#..>...V.H.#",
        "#..........#",
        "#..<...#...#",
        "#..........#",
        "############",
    });
    const int a_x = 3, a_y = 3, b_x = 3, b_y = 5;
    m_arena->connect(a_x, a_y, 7, 3);
    m_arena->connect(a_x, a_y, 9, 3);
    m_arena->connect(b_x, b_y, 9, 3);
    m_arena->connect(a_x, a_y, 7, 5);  // a wall: nothing happens to it
    m_arena->connect(a_x, a_y, 5, 4);  // an empty cell
    m_arena->connect(8, 6, 7, 3);      // a cause nobody presses

    shoot_at(a_x, a_y);
    frames(7);
    expect_cell(7, 3, A_VGATE_OPEN);
    expect_cell(9, 3, A_HGATE_OPEN);
    expect_cell(7, 5, A_BLOCK);
    expect_cell(5, 4, A_EMPTY);

    shoot_at(b_x, b_y);
    frames(7);
    expect_cell(7, 3, A_VGATE_OPEN);
    expect_cell(9, 3, A_HGATE_CLOSED);
    expect_cell(b_x, b_y, A_BUTTON_R);
}

// ------------------------------------------------------------------ balls

class mechanisms_balls : public mechanisms {};

// Two sources (balls[0] on (2, 3), balls[1] on (5, 3)), two sinks on row 6
// and exit blocks at (3, 0) and (4, 0).
const std::vector<std::string> sink_room = {
    "###XX#####",
    "#S.......#",
    "#........#",
    "#.B..B...#",
    "#........#",
    "#........#",
    "#..T..T..#",
    "##########",
};

TEST_F(mechanisms_balls, only_the_last_loose_ball_to_sink_scores_and_opens_the_exit)
{
    start(sink_room);
    std::vector<ball*> b = balls();
    ASSERT_EQ(b.size(), 2u);

    // The other ball is loose in the air: no score.
    b[1]->unstick();
    b[1]->teleport(160, 40);
    drop_into(b[0], 3, 6);
    frame();
    ASSERT_EQ(count_of<ball>(), 2);
    EXPECT_TRUE(b[0]->is_stuck());
    EXPECT_EQ(b[0]->m_dx, 0);
    EXPECT_EQ(b[0]->m_dy, 0);
    EXPECT_EQ(b[0]->m_x, 96);  // stuck where it touched, not sent back
    EXPECT_GT(b[0]->m_y, 166);
    EXPECT_EQ(status().score, 0);
    expect_cell(3, 0, A_EXIT_BLOCK);
    expect_cell(3, 6, A_SINK);

    // A frame later it still lies there, and still nothing is earned.
    float sunk_y = b[0]->m_y;
    frame();
    EXPECT_EQ(b[0]->m_y, sunk_y);
    EXPECT_EQ(status().score, 0);

    drop_into(b[1], 6, 6);
    frame();
    EXPECT_EQ(status().score, 1000);
    EXPECT_EQ(count_of<ball>(), 0) << "the exit opened in that frame and took the balls";
    expect_cleared(3, 0);
    expect_cleared(4, 0);
    expect_cleared(3, 6);
    expect_cleared(6, 6);
    expect_cell(2, 0, A_BLOCK);
    expect_cell(2, 3, A_SOURCE);
    frames(3);
    EXPECT_EQ(status().score, 1000);
}

TEST_F(mechanisms_balls, a_sink_with_the_other_ball_still_on_its_source_earns_nothing)
{
    start(sink_room);
    std::vector<ball*> b = balls();
    drop_into(b[1], 6, 6);
    frame();
    ASSERT_EQ(count_of<ball>(), 2);
    EXPECT_TRUE(b[1]->is_stuck());
    EXPECT_TRUE(b[0]->is_stuck());
    EXPECT_EQ(status().score, 0);
    expect_cell(4, 0, A_EXIT_BLOCK);
}

TEST_F(mechanisms_balls, a_ball_crashed_back_onto_its_source_counts_as_not_sunk)
{
    start({
        "###XX#####",
        "#S.......#",
        "#........#",
        "#.B..B..##",
        "#........#",
        "#........#",
        "#..T..T..#",
        "##########",
    });
    std::vector<ball*> b = balls();
    // The first ball flies into the wall at (8, 3) and goes back, stuck.
    b[0]->unstick();
    b[0]->teleport(TILE_SIZE * 8 - 8, TILE_SIZE * 3);
    frame();
    ASSERT_EQ(count_of<ball>(), 2);
    EXPECT_TRUE(b[0]->is_stuck());
    EXPECT_EQ(b[0]->m_x, 64);
    EXPECT_EQ(b[0]->m_y, 96);

    drop_into(b[1], 6, 6);
    frame();
    EXPECT_EQ(status().score, 0);
    expect_cell(3, 0, A_EXIT_BLOCK);
    ASSERT_EQ(count_of<ball>(), 2);
    EXPECT_TRUE(b[1]->is_stuck());

    // Sunk at last, the first ball completes the set.
    drop_into(b[0], 3, 6);
    frame();
    EXPECT_EQ(status().score, 1000);
    expect_cleared(3, 0);
}

TEST_F(mechanisms_balls, a_sunk_ball_in_line_with_its_source_counts_as_sunk)
{
    struct line_case {
        const char* what;
        std::vector<std::string> rows;
        float x, y, dx, dy;  // where the ball is set loose, and its velocity
    };
    const line_case cases[] = {
        // Straight below its source: the same m_x.
        {"same column", {"#XX#####", "#S.....#", "#.B....#", "#......#", "#......#", "#.T....#", "########"},
         64, 134, 0, 200},
        // Beside its source without gravity: the same m_y.
        {"same row", {"#XX#####", "#S.....#", "#.B.T..#", "#......#", "########"}, 102, 64, 200, 0},
    };
    for (const line_case& c : cases) {
        SCOPED_TRACE(c.what);
        m_arena->set_gravity(std::string(c.what) == "same row" ? 0.0f : default_gravity);
        start(c.rows);
        std::vector<ball*> b = balls();
        ASSERT_EQ(b.size(), 1u);
        b[0]->unstick();
        b[0]->teleport(c.x, c.y);
        b[0]->m_dx = c.dx;
        b[0]->m_dy = c.dy;
        int score = status().score;
        frame();
        EXPECT_EQ(status().score, score + 1000);
        expect_cleared(1, 0);
        expect_cleared(2, 0);
    }
}

TEST_F(mechanisms_balls, a_ball_touching_any_other_tile_crashes_back_onto_its_source)
{
    const char obstacles[] = {'#', '7', '|', '-', 'V', 'H', '>', '^', 'X', 's'};
    for (char o : obstacles) {
        SCOPED_TRACE(std::string("obstacle ") + o);
        std::vector<std::string> rows = {
            "##########",
            "#S.......#",
            "#........#",
            "#.B...o..#",
            "#......V.#",
            "#........#",
            "##########",
        };
        rows[3][6] = o;
        start(rows);
        m_arena->connect(6, 3, 7, 4);  // a pressed button would open this gate
        arena_t obstacle = m_arena->get(6, 3);
        ball* b = balls().at(0);
        b->unstick();
        b->teleport(TILE_SIZE * 6 - 8, TILE_SIZE * 3);
        frame();
        ASSERT_EQ(count_of<ball>(), 1);
        EXPECT_TRUE(b->is_stuck());
        EXPECT_FALSE(b->is_dead());
        EXPECT_EQ(b->m_x, 64);
        EXPECT_EQ(b->m_y, 96);
        EXPECT_EQ(b->m_dx, 0);
        EXPECT_EQ(b->m_dy, 0);
        // Exploded where it touched: centre (200, 112), lowered a little
        // by one sub-step of gravity.
        std::vector<point> crash = explosion_centres("ball");
        ASSERT_EQ(crash.size(), 1u);
        EXPECT_EQ(crash[0].first, 200);
        EXPECT_NEAR(crash[0].second, 112, 0.1);
        frames(7);
        expect_cell(6, 3, obstacle);
        expect_cell(7, 4, A_VGATE_CLOSED);
        EXPECT_EQ(status().score, 0);
        EXPECT_EQ(b->m_x, 64) << "stuck balls take no tile contacts";
    }
}

// The crash is heard at full volume.
class mechanisms_ball_sounds : public mechanisms {
protected:
    void SetUp() override
    {
        mechanisms::SetUp();
        if (!m_recorder.open())
            GTEST_SKIP() << "no audio device: " << SDL_GetError();
    }
    void TearDown() override
    {
        m_recorder.close();
        mechanisms::TearDown();
    }
    sound_recorder m_recorder;
};

TEST_F(mechanisms_ball_sounds, a_crash_plays_one_crash_at_full_volume)
{
    start(sink_room);
    ball* b = balls().at(0);
    b->unstick();
    b->teleport(TILE_SIZE * 9 - 8, TILE_SIZE * 3);
    frame();
    ASSERT_EQ(count_of<ball>(), 2);
    ASSERT_TRUE(b->is_stuck());
    std::vector<sound_recorder::heard> heard = m_recorder.heard_sounds();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (sound_recorder::heard{sound::CRASH, 128}));

    // Sinking is silent.
    m_recorder.clear();
    drop_into(b, 3, 6);
    frame();
    ASSERT_EQ(count_of<ball>(), 2);
    ASSERT_TRUE(b->is_stuck());
    EXPECT_TRUE(m_recorder.heard_sounds().empty());
}

// ------------------------------------------------------------------- exit

class mechanisms_exit : public mechanisms {};

// Three exit blocks, two sinks, two sources, a gate and walls.
const std::vector<std::string> exit_room = {
    "##XXX######",
    "#S........#",
    "#.........#",
    "#.B...B...#",
    "#.........#",
    "#.T...T.V.#",
    "###########",
};

TEST_F(mechanisms_exit, opening_clears_exit_blocks_and_sinks_and_explodes_them_and_the_balls)
{
    start(exit_room);
    std::vector<ball*> b = balls();
    ASSERT_EQ(b.size(), 2u);
    ship* s = the_ship();
    // One ball on the ship's beam: the beam goes with the ball.
    m_arena->create_tractor(s, b[1]);
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(count_of<tractor_indicator>(), 10);
    expect_cell(2, 5, A_SINK);

    m_arena->open_exit();
    for (int x = 2; x <= 4; ++x)
        expect_cleared(x, 0);
    expect_cleared(2, 5);
    expect_cleared(6, 5);
    expect_cell(1, 0, A_BLOCK);
    expect_cell(5, 0, A_BLOCK);
    expect_cell(8, 5, A_VGATE_CLOSED);
    expect_cell(2, 3, A_SOURCE);
    expect_cell(6, 3, A_SOURCE);
    // The balls die now and go with the next pass.
    EXPECT_TRUE(b[0]->is_dead());
    EXPECT_TRUE(b[1]->is_dead());
    EXPECT_EQ(count_of<ball>(), 2);

    m_arena->do_stuff(0.04f);
    EXPECT_EQ(count_of<ball>(), 0);
    expect_centres("ball", {{80, 112}, {208, 112}});
    expect_centres("block", {{80, 16}, {112, 16}, {144, 16}});
    expect_centres("sink", {{80, 176}, {208, 176}});
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(count_of<tractor_indicator>(), 0);
    EXPECT_EQ(status().score, 0) << "opening the exit itself earns nothing";
}

TEST_F(mechanisms_exit, a_second_opening_in_the_same_level_is_harmless)
{
    start(exit_room);
    m_arena->open_exit();
    m_arena->open_exit();  // before the balls are gone
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(explosion_centres("ball").size(), 2u);
    EXPECT_EQ(explosion_centres("block").size(), 3u);
    EXPECT_EQ(explosion_centres("sink").size(), 2u);

    int movers = m_arena->num_movers();
    m_arena->open_exit();  // and after
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(m_arena->num_movers(), movers);
    expect_cleared(3, 0);
    expect_cleared(6, 5);
    expect_cell(8, 5, A_VGATE_CLOSED);
    frames(25);
    EXPECT_EQ(count_of<explosion>(), 0) << "the explosions have played out";
    EXPECT_EQ(status().score, 0);
}

// A sink picture of 64 x 64 covers a block of 2 x 2 cells.
class mechanisms_large_sink : public mechanisms {
protected:
    void SetUp() override
    {
        mechanisms::SetUp();
        write_shape(path("images/sink.png"), 64, 64, [](int, int) { return true; }, 0xFF3080B0);
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
    }
};

const std::vector<std::string> large_sink_room = {
    "#XX#######",
    "#S.......#",
    "#.....B..#",
    "#........#",
    "#..T.....#",
    "#........#",
    "#........#",
    "##########",
};

TEST_F(mechanisms_large_sink, opening_clears_every_cell_of_a_large_sink_with_one_explosion)
{
    start(large_sink_room);
    EXPECT_EQ(m_arena->get(3, 4), A_SINK);
    EXPECT_LT(m_arena->get(4, 5), 0) << "a sub-tile of the sink";
    m_arena->open_exit();
    for (int x = 3; x <= 4; ++x)
        for (int y = 4; y <= 5; ++y)
            expect_cleared(x, y);
    m_arena->do_stuff(0.04f);
    // Centred on the whole picture: (32 x 3 + 32, 32 x 4 + 32).
    expect_centres("sink", {{128, 160}});
    expect_centres("block", {{48, 16}, {80, 16}});
}

TEST_F(mechanisms_large_sink, a_ball_touching_any_cell_of_a_large_sink_sinks)
{
    start(large_sink_room);
    ball* b = balls().at(0);
    drop_into(b, 4, 4);  // onto the sub-tile at (4, 4)
    frame();
    EXPECT_EQ(status().score, 1000);
    expect_cleared(4, 4);
    expect_cleared(1, 0);
}

// --------------------------------------------------------- level complete

TEST_F(mechanisms_exit, a_ball_gone_another_way_is_forgotten_by_its_source)
{
    // Nothing in the game kills a ball but the exit; should anything ever do,
    // its source must not keep the deleted ball (the sanitizer build watches).
    start(exit_room);
    std::vector<ball*> b = balls();
    ASSERT_EQ(b.size(), 2u);
    b[0]->die();
    frame();
    ASSERT_EQ(count_of<ball>(), 1);
    m_arena->open_exit();
    expect_cell(2, 0, A_EMPTY);
    frame();
    EXPECT_EQ(count_of<ball>(), 0);
}

TEST_F(mechanisms_exit, the_level_is_complete_once_the_ships_centre_leaves_the_map)
{
    build(exit_room);  // 11 x 7 cells: 352 x 224 pixels
    struct centre_case {
        float x, y;
        bool complete;
    };
    const centre_case cases[] = {
        {0, 0, false},     {352, 224, false}, {176, 100, false}, {-0.5f, 100, false},
        {-1, 100, true},   {353, 100, true},  {176, -1, true},   {176, 225, true},
        {352, -1, true},   {400, 300, true},
    };
    for (const centre_case& c : cases) {
        SCOPED_TRACE("centre (" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")");
        // Handing a ship to the arena records its centre at once.
        ship* s = new ship;
        s->teleport_centre(c.x, c.y);
        m_arena->add_mover(s);
        EXPECT_EQ(m_arena->level_complete(), c.complete);
    }
}

TEST_F(mechanisms_exit, a_ship_flying_out_through_the_opened_exit_completes_the_level)
{
    start({
        "#XX#####",
        "#S.....#",
        "#......#",
        "########",
    });
    m_arena->open_exit();
    ship* s = the_ship();
    s->m_dy = -400;
    m_arena->set_gravity(0);
    for (int i = 0; i < 10 && !m_arena->level_complete(); ++i)
        frame();
    EXPECT_TRUE(m_arena->level_complete());
    EXPECT_LT(m_arena->get_player_y(), 0);
}

// ------------------------------------------------------------ frame lists

TEST(mechanisms_frame_lists, make_builds_a_queue_of_the_values_in_order)
{
    frame_list none = (make<frame_list>());
    EXPECT_TRUE(none.empty());
    frame_list one = (make<frame_list>(), A_SINK);
    EXPECT_EQ(one, frame_list({A_SINK}));
    frame_list four = (make<frame_list>(), A_BUTTON_L_ANIM1, A_BUTTON_L_ANIM2, A_BUTTON_L_ANIM1, A_BUTTON_L);
    EXPECT_EQ(four, frame_list({A_BUTTON_L_ANIM1, A_BUTTON_L_ANIM2, A_BUTTON_L_ANIM1, A_BUTTON_L}));
}
}
