// Bobblers, miners, graldors and baby graldors in small arenas built in
// code: hovering, bobbing, the miner's blast and its three endings, the
// graldor's sticking and births, the baby's homing and burst, and what each
// leaves when it dies.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"

namespace {

class spawners : public sounding_arena_test {
protected:
    void SetUp() override
    {
        sounding_arena_test::SetUp();
        srand(1);
    }
    void TearDown() override
    {
        m_ship.reset();
        sounding_arena_test::TearDown();
    }

    // Hands m to the arena at top-left (x, y); admitted by activate or by
    // the next frame.
    template <typename T>
    T* place(T* m, float x, float y)
    {
        m->teleport(x, y);
        m_arena->add_mover(m);
        return m;
    }
    // The behaviour pass of a frame, then the rest of it.
    void think() { m_arena->do_stuff(FRAME_STEP); }
    void finish()
    {
        m_arena->apply_forces(FRAME_STEP);
        m_arena->move_stuff_and_do_collisions(FRAME_STEP);
    }
    // Takes the ship out of the arena, so nothing has a target.
    void remove_ship()
    {
        m_ship.reset(m_arena->remove_mover(the_ship()));
        ASSERT_TRUE(m_ship);
    }
    void park_ship(float centre_x, float centre_y)
    {
        ship* s = the_ship();
        s->teleport_centre(centre_x, centre_y);
        s->m_dx = s->m_dy = 0;
    }

    SDL_Surface* picture(const std::string& name) { return m_game->m_bmp_pool.get_bitmap(name); }
    // Frame 0 of the frames the explosion pool keeps under key.
    SDL_Surface* pool_frame0(const std::string& key)
    {
        std::unique_ptr<explosion> probe(m_game->m_exp_pool.get_explosion(key, nullptr));
        return probe->pic();
    }
    // The explosions in the arena made from a picture w pixels wide (their
    // frames are five times as wide).
    std::vector<explosion*> bursts_of_width(int w)
    {
        std::vector<explosion*> out;
        for (explosion* e : all_of<explosion>())
            if (e->pic() && e->pic()->w == 5 * w)
                out.push_back(e);
        return out;
    }
    int booms() const
    {
        std::vector<sound::snd_id> ids = m_recorder.heard_ids();
        return static_cast<int>(std::count(ids.begin(), ids.end(), sound::BOOM));
    }
    int clangs() const
    {
        std::vector<sound::snd_id> ids = m_recorder.heard_ids();
        return static_cast<int>(std::count(ids.begin(), ids.end(), sound::CLANG));
    }

    std::unique_ptr<mover> m_ship;
};

#define NEED_SOUND()                                   \
    do {                                               \
        if (!m_sound)                                  \
            GTEST_SKIP() << "no audio device to hear"; \
    } while (0)

// -------------------------------------------------------------- bobblers

TEST_F(spawners, bobbler_bobs_in_a_40_frame_cycle_and_does_not_fall)
{
    bool sum_kept_in_double_would_differ = false;
    for (unsigned seed : {1u, 7u, 2024u}) {
        SCOPED_TRACE(seed);
        srand(seed);
        const int phase = randint(40);
        srand(seed);
        build(open_field(24, 16));
        bobbler* b = place(new bobbler, 200, 200);
        m_arena->activate();
        m_arena->set_air_resistance(0);
        const float gravity = m_arena->gravity();
        for (int k = 1; k <= 80; ++k) {
            float before = b->m_dy;
            frame();
            // The cosine in double, the sum stored to float, then the
            // bobbler's own cancelling of gravity and the arena's gravity,
            // each in float.
            const int p = (phase + k) % 40;
            const double bob = 8 * std::cos(2 * pi * p / 40);
            const float bobbed = static_cast<float>(before + bob) - 0.04f * gravity;
            ASSERT_EQ(b->m_dy, bobbed + gravity * 0.04f) << "frame " << k;
            const float unrounded = static_cast<float>(before + bob - 0.04f * gravity);
            sum_kept_in_double_would_differ =
                sum_kept_in_double_would_differ || unrounded + gravity * 0.04f != b->m_dy;
            EXPECT_EQ(b->m_dx, 0);
            // Gravity is cancelled: a whole cycle brings the speed back.
            if (k % 40 == 0) {
                EXPECT_NEAR(b->m_dy, 0, 1e-3) << "frame " << k;
            }
        }
    }
    EXPECT_TRUE(sum_kept_in_double_would_differ)
        << "no frame tells the sum stored to float from one kept in double";
}

TEST_F(spawners, bobbler_passes_through_walls)
{
    std::vector<std::string> rows = open_field(24, 16);
    rows[6][6] = '#';
    build(rows);
    place(new bobbler, 6 * 32 + 10, 6 * 32 + 10);
    m_arena->activate();
    frames(10);
    EXPECT_EQ(count_of<bobbler>(), 1);
    EXPECT_EQ(count_of<explosion>(), 0);
}

TEST_F(spawners, bobbler_killed_pops_bursts_and_drops_one_coin)
{
    NEED_SOUND();
    build(open_field(24, 16));
    bobbler* b = place(new bobbler, 200, 200);
    m_arena->activate();
    b->m_dx = 30;
    b->m_dy = -20;
    EXPECT_EQ(b->take_hit(1.0), 1.0);
    EXPECT_EQ(status().score, 10);
    EXPECT_EQ(m_recorder.heard_sounds(), (std::vector<sound_recorder::heard>{{sound::POP, 128}}));
    think();
    EXPECT_EQ(count_of<bobbler>(), 0);

    std::vector<explosion*> bursts = all_of<explosion>();
    ASSERT_EQ(bursts.size(), 1u);
    explosion* e = bursts[0];
    EXPECT_EQ(e->m_dx, 30);
    EXPECT_EQ(e->m_dy, -20);
    EXPECT_FLOAT_EQ(e->x_centre(), 206);
    EXPECT_FLOAT_EQ(e->y_centre(), 206);
    EXPECT_EQ(e->pic()->w, 5 * 12);
    EXPECT_EQ(first_opaque(e->pic()), pixel_rgba(picture("bobbler.png"), 0, 0));
    EXPECT_EQ(e->pic(), pool_frame0("bobbler"));

    std::vector<coin*> coins = all_of<coin>();
    ASSERT_EQ(coins.size(), 1u);
    EXPECT_FLOAT_EQ(coins[0]->x_centre(), 206);
    EXPECT_FLOAT_EQ(coins[0]->y_centre(), 206);
    // A coin's own start, (0, -3), plus the bobbler's velocity.
    EXPECT_FLOAT_EQ(coins[0]->m_dx, 30);
    EXPECT_FLOAT_EQ(coins[0]->m_dy, -23);

    // The burst was made before the coin.
    int burst_at = -1, coin_at = -1;
    for (int i = 0; i < m_arena->num_movers(); ++i) {
        if (m_arena->get_mover(i) == e)
            burst_at = i;
        if (m_arena->get_mover(i) == coins[0])
            coin_at = i;
    }
    EXPECT_LT(burst_at, coin_at);
}

// ---------------------------------------------------------------- miners

class miners : public spawners {
protected:
    // A wall tile at (10, 6), x 320..351 and y 192..223, and a miner whose
    // bottom rows lie on its top: centre (336, 190).
    void SetUp() override
    {
        spawners::SetUp();
        std::vector<std::string> rows = open_field(20, 12);
        rows[6][10] = '#';
        build(rows);
    }
    miner* miner_on_the_wall() { return place(new miner, 326, 180); }
};

TEST_F(miners, miner_hovers_where_it_is_put)
{
    miner* m = place(new miner, 100, 100);
    m_arena->activate();
    for (int i = 0; i < 100; ++i) {
        frame();
        ASSERT_EQ(m->m_dy, 0) << i;
    }
    EXPECT_EQ(m->m_x, 100);
    EXPECT_EQ(m->m_y, 100);
    EXPECT_EQ(count_of<miner>(), 1);
}

TEST_F(miners, miner_on_a_wall_blasts_its_surroundings_and_leaves_a_coin)
{
    NEED_SOUND();
    miner_on_the_wall();
    // Enemies straight above the blast, the near edge of each box at a
    // distance: 10 damage at the centre falling to 5 at 50.
    struct target {
        float distance;
        double damage;
    };
    const target targets[] = {{0, 10}, {25, 7}, {49, 5}, {50, 0}};
    std::vector<test_enemy*> foes;
    for (const target& t : targets)
        foes.push_back(place(new test_enemy(100), 328, 190 - t.distance - (t.distance > 0 ? 16 : 8)));
    // Blocks with mass level with the blast, their centres 50, 100 and 200 away.
    std::vector<test_block*> blocks;
    for (float d : {50.0f, 100.0f, 200.0f})
        blocks.push_back(place(new test_block("foe.png", 10), 336 + d - 8, 182));
    m_arena->activate();
    // The ship to the left, the near edge of its box 25 away.
    park_ship(336 - 25 - 24, 190);

    frame();
    EXPECT_EQ(count_of<miner>(), 0);
    EXPECT_EQ(m_recorder.heard_sounds(), (std::vector<sound_recorder::heard>{{sound::BOOM, 128}}));
    for (size_t i = 0; i < foes.size(); ++i)
        EXPECT_EQ(foes[i]->hitpoints(), 100 - targets[i].damage) << "at " << targets[i].distance;
    EXPECT_EQ(status().shield, MAX_SHIELD - 7);
    EXPECT_EQ(status().score, 0);

    std::vector<explosion*> bursts = bursts_of_width(20);
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_FLOAT_EQ(bursts[0]->x_centre(), 336);
    EXPECT_FLOAT_EQ(bursts[0]->y_centre(), 190);
    EXPECT_EQ(first_opaque(bursts[0]->pic()), pixel_rgba(picture("miner.png"), 0, 0));
    EXPECT_EQ(bursts[0]->pic(), pool_frame0("miner"));

    std::vector<coin*> coins = all_of<coin>();
    ASSERT_EQ(coins.size(), 1u);
    EXPECT_EQ(coins[0]->m_dx, 0);

    // The push reaches the movers at the next force step: 25 x force / mass,
    // the force falling from 150 at the centre to 0 at 200.
    frame();
    EXPECT_NEAR(blocks[0]->m_dx, 25 * 112.5 / 10, 0.05);
    EXPECT_NEAR(blocks[1]->m_dx, 25 * 75.0 / 10, 0.05);
    EXPECT_EQ(blocks[2]->m_dx, 0);
}

TEST_F(miners, miner_drifting_into_a_wall_leaves_a_coin_with_its_velocity)
{
    miner* m = place(new miner, 290, 200);
    m_arena->activate();
    m_arena->set_air_resistance(0);
    m->m_dx = 40;
    for (int i = 0; i < 30 && count_of<miner>() != 0; ++i)
        frame();
    EXPECT_EQ(count_of<miner>(), 0);
    std::vector<coin*> coins = all_of<coin>();
    ASSERT_EQ(coins.size(), 1u);
    // Its own start, (0, -3), plus the miner's velocity.
    EXPECT_EQ(coins[0]->m_dx, 40);
    EXPECT_EQ(coins[0]->m_dy, -3);
    EXPECT_EQ(bursts_of_width(20).size(), 1u);
    EXPECT_EQ(status().score, 0);
}

TEST_F(miners, miner_touching_the_ship_blasts_without_coin_or_score)
{
    NEED_SOUND();
    // Just under the ship's disc.
    place(new miner, 290 - 10, 171 + 12 - 4);
    m_arena->activate();
    park_ship(290, 171);
    frame();
    EXPECT_EQ(count_of<miner>(), 0);
    EXPECT_EQ(booms(), 1);
    EXPECT_EQ(bursts_of_width(20).size(), 1u);
    EXPECT_EQ(count_of<coin>(), 0);
    EXPECT_EQ(status().score, 0);
    // The blast's centre lies inside the ship's box (10), and the ship's
    // body deals its own contact blow (1) as well.
    EXPECT_EQ(status().shield, MAX_SHIELD - 10 - 1);
}

TEST_F(miners, miner_shot_down_scores_20_and_leaves_no_coin)
{
    NEED_SOUND();
    miner* m = place(new miner, 300, 300);
    test_enemy* near = place(new test_enemy(100), 330, 302);  // 20 to the right of the centre
    m_arena->activate();
    EXPECT_EQ(m->take_hit(25.0), 25.0);
    EXPECT_EQ(status().score, 20);
    EXPECT_EQ(booms(), 1);
    EXPECT_EQ(near->hitpoints(), 100 - 8);
    think();
    EXPECT_EQ(count_of<miner>(), 0);
    EXPECT_EQ(count_of<coin>(), 0);
    ASSERT_EQ(bursts_of_width(20).size(), 1u);
    EXPECT_EQ(bursts_of_width(20)[0]->pic(), pool_frame0("miner"));
}

TEST_F(miners, miner_ignores_hits_of_5_or_less)
{
    // Three hits of a size, then what a hit of 100 takes from what is
    // left (hit points + reduction) shows the hit points.
    struct hits {
        double size;
        double each_takes;
        double then_100_takes;
    };
    const hits table[] = {
        {0.5, 0, 25}, {1, 1, 25}, {4.9, 4, 25}, {5, 5, 25}, {5.5, 5, 23}, {6, 6, 22}, {7.5, 7, 17},
    };
    for (const hits& h : table) {
        SCOPED_TRACE(h.size);
        build(open_field(24, 16));
        miner* m = place(new miner, 100, 100);
        m_arena->activate();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(m->take_hit(h.size), h.each_takes);
        EXPECT_FALSE(m->is_dead());
        EXPECT_EQ(m->take_hit(100), h.then_100_takes);
        EXPECT_TRUE(m->is_dead());
    }
}

TEST_F(miners, miner_chain_reaction_scores_each_kill_after_its_effects)
{
    NEED_SOUND();
    miner* a = place(new miner, 190, 190);  // centre (200, 200)
    miner* b = place(new miner, 230, 190);  // centre (240, 200): A's blast does 7 to it
    test_enemy* near_b = place(new test_enemy(1, 0, 1), 260, 192);   // B's blast only
    test_enemy* near_a = place(new test_enemy(1, 0, 100), 164, 192); // A's blast only, after B
    m_arena->activate();
    b->take_hit(24);  // 1 hit point left
    ASSERT_FALSE(b->is_dead());

    a->take_hit(25);
    EXPECT_TRUE(b->is_dead());
    EXPECT_EQ(near_b->deaths, 1);
    EXPECT_EQ(near_a->deaths, 1);
    // B's blast runs inside A's and kills first; B scores after its own
    // effects, A last of all.
    EXPECT_EQ(near_b->score_at_death, 0);
    EXPECT_EQ(near_a->score_at_death, 1 + 20);
    EXPECT_EQ(status().score, 1 + 20 + 100 + 20);
    EXPECT_EQ(booms(), 2);
    think();
    EXPECT_EQ(bursts_of_width(20).size(), 2u);
    EXPECT_EQ(count_of<coin>(), 0);
}

TEST_F(miners, miner_already_dead_does_not_blast_again)
{
    NEED_SOUND();
    {
        SCOPED_TRACE("killed by a neighbour's blast in the wall pass");
        std::vector<std::string> rows = open_field(20, 12);
        for (int x = 8; x <= 11; ++x)
            rows[6][x] = '#';
        build(rows);
        place(new miner, 280, 180);          // centre (290, 190), on the wall
        miner* b = place(new miner, 320, 180);  // on the wall too, 30 from A's centre
        m_arena->activate();
        b->take_hit(23);  // 2 hit points left: A's blast of 7 kills it
        frame();
        EXPECT_EQ(count_of<miner>(), 0);
        EXPECT_EQ(booms(), 2);
        EXPECT_EQ(bursts_of_width(20).size(), 2u);
        // Only A died of the wall.
        EXPECT_EQ(count_of<coin>(), 1);
    }
    m_recorder.clear();
    {
        SCOPED_TRACE("on a wall and the ship in the same sub-step");
        std::vector<std::string> rows = open_field(20, 12);
        rows[6][9] = '#';  // x 288..319, y 192..223
        build(rows);
        place(new miner, 295, 180);
        m_arena->activate();
        park_ship(305, 172);  // clear of the coin left at the centre
        frame();
        EXPECT_EQ(count_of<miner>(), 0);
        // The blast (10, its centre inside the ship's box) and the ship's
        // blow on the dead miner (1): the contact was reported.
        EXPECT_EQ(status().shield, MAX_SHIELD - 10 - 1);
        EXPECT_EQ(booms(), 1);
        EXPECT_EQ(bursts_of_width(20).size(), 1u);
        EXPECT_EQ(count_of<coin>(), 1);
    }
}

TEST_F(miners, tractor_beam_takes_a_miner)
{
    build(open_field(20, 12));
    miner* m = place(new miner, 200 + 60, 200);
    place(new bobbler, 180, 218);       // nearer, but no tractor target
    place(new miner, 200, 200 + 130);   // beyond the beam's reach
    m_arena->activate();
    ship* s = the_ship();
    s->teleport(200, 200);
    ASSERT_LT(dist(m->x_centre() - s->x_centre(), m->y_centre() - s->y_centre()), 100);
    EXPECT_EQ(m_arena->get_nearest_tractor_target(s->x_centre(), s->y_centre()), m);

    m_game->m_key_flags.tractor = true;
    frame();
    // Pulled towards the ship, level with it: the hovering keeps gravity out.
    EXPECT_LT(m->m_dx, 0);
    EXPECT_NEAR(m->m_dx, -(60 * 0.04f * tractor_force) / (30 * tractor_elastic), 1e-3);
    EXPECT_EQ(m->m_dy, 0);
}

// -------------------------------------------------------------- graldors

// The birth pictures in the order they show, the resting one last.
const char* const birth_pictures[] = {"graldor1.png", "graldor2.png", "graldor3.png", "graldor4.png",
                                      "graldor5.png", "graldor6.png", "graldor7.png", "graldor8.png",
                                      "graldor9.png", "graldor0.png"};

class graldors : public spawners {
protected:
    std::string picture_name(SDL_Surface* s)
    {
        for (int i = 0; i <= 9; ++i) {
            std::string name = "graldor" + std::to_string(i) + ".png";
            if (picture(name) == s)
                return name;
        }
        return "?";
    }
    void baby_and_graldor_burst(bool baby_first);
};

TEST_F(graldors, graldor_hovers_while_free)
{
    build(open_field(24, 16));
    graldor* g = place(new graldor, 300, 200);
    m_arena->activate();
    for (int i = 0; i < 100; ++i) {
        frame();
        ASSERT_EQ(g->m_dy, 0) << i;
    }
    EXPECT_EQ(g->m_y, 200);
    EXPECT_FALSE(g->is_stuck());
    EXPECT_EQ(g->pic(), picture("graldor0.png"));
}

TEST_F(graldors, graldor_at_rest_on_a_wall_does_not_stick)
{
    NEED_SOUND();
    std::vector<std::string> rows = open_field(24, 16);
    rows[7][10] = '#';
    build(rows);
    graldor* g = place(new graldor, 10 * 32 - 8, 7 * 32);  // 8 pixels into the wall
    m_arena->activate();
    frames(20);
    EXPECT_FALSE(g->is_stuck());
    EXPECT_TRUE(g->does_arena_collisions());
    EXPECT_EQ(g->m_x, 10 * 32 - 8);
    EXPECT_EQ(g->m_y, 7 * 32);
    EXPECT_EQ(clangs(), 0);
}

TEST_F(graldors, graldor_moving_onto_a_wall_sticks_for_good)
{
    NEED_SOUND();
    std::vector<std::string> rows = open_field(24, 16);
    rows[7][10] = '#';  // x 320..351
    build(rows);
    graldor* g = place(new graldor, 320 - 32 - 10, 7 * 32);
    m_arena->activate();
    g->m_dx = 30;
    int f = 0;
    while (!g->is_stuck() && f < 50) {
        frame();
        ++f;
    }
    ASSERT_TRUE(g->is_stuck());
    EXPECT_EQ(g->m_dx, 0);
    EXPECT_EQ(g->m_dy, 0);
    EXPECT_EQ(clangs(), 1);
    EXPECT_FALSE(g->does_arena_collisions());
    const float x = g->m_x, y = g->m_y;

    // Neither gravity nor a blast moves it now.
    m_arena->AOE_force(x - 20, y + 16, 200, 150, 0);
    frames(30);
    EXPECT_EQ(g->m_x, x);
    EXPECT_EQ(g->m_y, y);
    EXPECT_EQ(g->m_dx, 0);
    EXPECT_EQ(g->m_dy, 0);
    // Nothing in play moves a stuck graldor; a velocity forced on it shows
    // that the arena no longer tests it against walls.
    g->m_dx = 30;
    frames(5);
    EXPECT_EQ(g->m_dx, 30);
    EXPECT_EQ(clangs(), 1);
    EXPECT_TRUE(g->is_stuck());
}

TEST_F(graldors, graldor_pushed_by_a_blast_drifts_level_onto_a_wall_and_sticks)
{
    NEED_SOUND();
    std::vector<std::string> rows = open_field(24, 16);
    for (int y = 3; y <= 10; ++y)
        rows[y][13] = '#';  // x 416..447
    build(rows);
    miner* m = place(new miner, 190, 190);         // centre (200, 200)
    graldor* g = place(new graldor, 284, 184);     // centre (300, 200), out of the blast's damage
    m_arena->activate();
    m->take_hit(25);
    frame();
    EXPECT_NEAR(g->m_dx, 25 * 75.0 / 30, 0.05);
    int f = 0;
    while (!g->is_stuck() && f < 200) {
        frame();
        ++f;
        ASSERT_NEAR(g->m_y, 184, 1e-3) << f;
    }
    ASSERT_TRUE(g->is_stuck());
    EXPECT_GE(g->m_x + 32, 416);
    EXPECT_EQ(clangs(), 1);
}

TEST_F(graldors, graldor_gives_birth_every_11_seconds)
{
    build(open_field(24, 16));
    graldor* g = place(new graldor, 300, 200);
    m_arena->activate();
    remove_ship();

    // The frame in which each picture first shows, and the frames in
    // which a baby appears.
    std::vector<std::pair<int, std::string> > changes;
    std::vector<int> births, babies;
    SDL_Surface* shown = g->pic();
    for (int f = 1; f <= 1110; ++f) {
        size_t before = all_of<baby_graldor>().size();
        think();
        std::vector<baby_graldor*> now = all_of<baby_graldor>();
        if (now.size() != before) {
            babies.push_back(f);
            ASSERT_EQ(now.size(), before + 1) << "frame " << f;
            // Set on the graldor's corner plus (12, 19), not centred.
            EXPECT_EQ(now.back()->m_x, g->m_x + 12);
            EXPECT_EQ(now.back()->m_y, g->m_y + 19);
            EXPECT_EQ(picture_name(g->pic()), "graldor5.png") << "frame " << f;
            EXPECT_NE(shown, g->pic()) << "frame " << f;
        }
        if (g->pic() != shown) {
            shown = g->pic();
            if (f < 400)
                changes.push_back({f, picture_name(shown)});
            if (shown == picture("graldor1.png"))
                births.push_back(f);
        }
        finish();
    }
    // 275 steps of 0.04 in float leave a hair above 0: the first birth
    // starts in frame 276, and what goes below 0 carries over, so the next
    // come 275 frames apart.
    EXPECT_EQ(births, (std::vector<int>{276, 551, 826, 1101}));
    EXPECT_EQ(babies, (std::vector<int>{291, 566, 841}));
    const std::vector<std::pair<int, std::string> > expected = {
        {276, "graldor1.png"}, {279, "graldor2.png"}, {283, "graldor3.png"}, {287, "graldor4.png"},
        {291, "graldor5.png"}, {294, "graldor6.png"}, {298, "graldor7.png"}, {302, "graldor8.png"},
        {306, "graldor9.png"}, {309, "graldor0.png"},
    };
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(count_of<baby_graldor>(), 3);
}

TEST_F(graldors, graldor_birth_picture_is_worked_out_in_double_after_the_float_difference)
{
    // At steps of 0.035 s the 30th frame of a birth leaves 0.45000011 s of
    // it: (1.5 - that) in float is 1.0499999, and 1.0499999 x 10 / 1.5 is
    // just under 7 in double, still picture 6; a float product rounds to
    // 10.5 and would show picture 7 a frame early.
    build(open_field(24, 16));
    graldor* g = place(new graldor, 300, 200);
    m_arena->activate();
    remove_ship();
    const float step = 0.035f;
    int f = 0, birth = 0;
    std::vector<std::string> shown;
    while (f < 400) {
        m_arena->do_stuff(step);
        m_arena->apply_forces(step);
        m_arena->move_stuff_and_do_collisions(step);
        ++f;
        if (!birth && g->pic() == picture("graldor1.png"))
            birth = f;
        if (birth && f - birth + 1 >= 29 && f - birth + 1 <= 31)
            shown.push_back(picture_name(g->pic()));
    }
    EXPECT_EQ(birth, 315);
    EXPECT_EQ(shown, (std::vector<std::string>{"graldor7.png", "graldor7.png", "graldor8.png"}));
}

TEST_F(graldors, graldor_killed_during_a_birth_releases_no_more_babies)
{
    struct kill_case {
        int frame;
        const char* showing;
        int babies;
    };
    const kill_case cases[] = {{285, "graldor3.png", 0}, {295, "graldor6.png", 1}};
    for (const kill_case& c : cases) {
        SCOPED_TRACE(c.frame);
        build(open_field(24, 16));
        graldor* g = place(new graldor, 300, 200);
        m_arena->activate();
        remove_ship();
        frames(c.frame);
        EXPECT_EQ(picture_name(g->pic()), c.showing);
        g->take_hit(22);
        frames(600 - c.frame);
        EXPECT_EQ(count_of<graldor>(), 0);
        // The baby that left lives on.
        EXPECT_EQ(count_of<baby_graldor>(), c.babies);
    }
}

TEST_F(graldors, graldor_death_bursts_under_its_key_without_score_or_sound)
{
    NEED_SOUND();
    build(open_field(24, 16));
    graldor* g = place(new graldor, 300, 200);
    m_arena->activate();
    g->m_dx = 5;
    g->m_dy = -3;
    EXPECT_EQ(g->take_hit(21.0), 21.0);
    EXPECT_FALSE(g->is_dead());
    g->take_hit(3.0);  // the last hit point
    EXPECT_TRUE(g->is_dead());
    think();
    std::vector<explosion*> bursts = all_of<explosion>();
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_EQ(bursts[0]->m_dx, 5);
    EXPECT_EQ(bursts[0]->m_dy, -3);
    EXPECT_FLOAT_EQ(bursts[0]->x_centre(), 316);
    EXPECT_FLOAT_EQ(bursts[0]->y_centre(), 216);
    EXPECT_EQ(bursts[0]->pic()->w, 5 * 32);
    EXPECT_EQ(first_opaque(bursts[0]->pic()), pixel_rgba(picture("graldor0.png"), 0, 0));
    EXPECT_EQ(bursts[0]->pic(), pool_frame0("graldor"));
    EXPECT_EQ(status().score, 0);
    EXPECT_TRUE(m_recorder.heard_sounds().empty());
}

// ---------------------------------------------------------- baby graldors

TEST_F(graldors, baby_hovers_without_a_target)
{
    build(open_field(24, 16));
    baby_graldor* b = place(new baby_graldor, 300, 200);
    m_arena->activate();
    remove_ship();
    frames(50);
    EXPECT_EQ(b->m_y, 200);
    EXPECT_EQ(b->m_dx, 0);
    EXPECT_EQ(b->m_dy, 0);
}

TEST_F(graldors, baby_accelerates_at_100_towards_the_ship_centre)
{
    build(open_field(40, 30));
    baby_graldor* b = place(new baby_graldor, 100, 100);  // centre (104, 104)
    m_arena->activate();
    m_arena->set_air_resistance(0);
    park_ship(104 + 300, 104 + 400);
    frame();
    // 100 x 0.04 along (0.6, 0.8); the hovering cancels gravity.
    EXPECT_NEAR(b->m_dx, 2.4, 1e-4);
    EXPECT_NEAR(b->m_dy, 3.2, 1e-4);
}

TEST_F(graldors, baby_within_a_pixel_of_the_ship_centre_is_not_pulled)
{
    struct offset_case {
        float dx, dy;
        float pull_x;
    };
    // Only the hovering acts at a distance of 1 or less.
    const offset_case cases[] = {{0, 0, 0}, {1, 0, 0}, {0, -1, 0}, {1.5f, 0, 4}};
    for (const offset_case& c : cases) {
        SCOPED_TRACE(c.dx);
        build(open_field(24, 16));
        baby_graldor* b = place(new baby_graldor, 300, 200);
        m_arena->activate();
        park_ship(b->x_centre() + c.dx, b->y_centre() + c.dy);
        think();
        EXPECT_NEAR(b->m_dx, c.pull_x, 1e-4);
        EXPECT_NEAR(b->m_dy, -0.04f * m_arena->gravity(), 1e-4);
    }
}

// A baby bursting on a wall and a graldor killed in the open, in either
// order: each explodes into pieces of its own picture.
void graldors::baby_and_graldor_burst(bool baby_first)
{
    std::vector<std::string> rows = open_field(24, 16);
    rows[8][4] = '#';
    build(rows);
    place(new baby_graldor, 4 * 32 - 4, 8 * 32 + 10);  // half in the wall
    graldor* g = place(new graldor, 400, 200);
    m_arena->activate();
    remove_ship();
    if (!baby_first)
        g->take_hit(22);
    frame();
    EXPECT_EQ(count_of<baby_graldor>(), 0);
    if (baby_first) {
        g->take_hit(22);
        think();
    }
    std::vector<explosion*> babies = bursts_of_width(8), graldors = bursts_of_width(32);
    ASSERT_EQ(babies.size(), 1u);
    ASSERT_EQ(graldors.size(), 1u);
    EXPECT_EQ(first_opaque(babies[0]->pic()), pixel_rgba(picture("baby_graldor.png"), 0, 0));
    EXPECT_EQ(first_opaque(graldors[0]->pic()), pixel_rgba(picture("graldor0.png"), 0, 0));
    EXPECT_EQ(status().score, 0);
    if (m_sound) {
        EXPECT_TRUE(m_recorder.heard_sounds().empty());
    }
}

TEST_F(graldors, baby_bursts_on_a_wall_under_a_key_of_its_own) { baby_and_graldor_burst(true); }

TEST_F(graldors, graldor_bursting_first_leaves_the_baby_its_own_key) { baby_and_graldor_burst(false); }

TEST_F(graldors, baby_already_dead_does_not_burst_twice)
{
    std::vector<std::string> rows = open_field(24, 16);
    for (int x = 8; x <= 11; ++x)
        rows[6][x] = '#';  // y 192..223
    build(rows);
    place(new miner, 280, 180);                // on the wall, centre (290, 190)
    place(new baby_graldor, 320, 192 - 4);     // on the wall too, in the blast
    m_arena->activate();
    frame();
    EXPECT_EQ(count_of<baby_graldor>(), 0);
    EXPECT_EQ(bursts_of_width(8).size(), 1u);
    EXPECT_EQ(bursts_of_width(20).size(), 1u);
    EXPECT_EQ(status().score, 0);
}

}  // namespace
