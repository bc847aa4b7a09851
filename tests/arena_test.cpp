// The arena: mover lists and bookkeeping, respawn, the tile map with its
// pictures and background, copy_blit, the movement sub-steps and the
// pixel-exact contacts with tiles and between movers.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "etc.h"
#include "levels.h"
#include "loadimag.h"
#include "png_fixture.h"
#include "text.h"
#include "weapons.h"

namespace {
typedef std::function<bool(int, int)> solid_fn;

bool full(int, int) { return true; }

// A w x h picture in the game's format, opaque white where solid holds.
surface_ptr shape(int w, int h, const solid_fn& solid)
{
    surface_ptr s(create_surface(w, h, alpha_channel));
    SDL_LockSurface(s.get());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (solid(x, y))
                putpixel(s.get(), x, y, SDL_MapRGBA(s->format, 255, 255, 255, 255));
    SDL_UnlockSurface(s.get());
    return s;
}

Uint32 raw_pixel(SDL_Surface* s, int x, int y)
{
    SDL_LockSurface(s);
    Uint32 p = getpixel(s, x, y);
    SDL_UnlockSurface(s);
    return p;
}

// Compares the w x h area of s at (x0, y0) with expected(x, y), given area
// coordinates; empty when all agree, else the count and the first mismatch.
std::string area_differences(SDL_Surface* s, int x0, int y0, int w, int h,
                             const std::function<Uint32(int, int)>& expected)
{
    int count = 0;
    std::ostringstream first;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Uint32 got = raw_pixel(s, x0 + x, y0 + y), want = expected(x, y);
            if (got != want && count++ == 0)
                first << " first at (" << x << ", " << y << "): got 0x" << std::hex << got
                      << ", want 0x" << want << std::dec;
        }
    }
    if (count == 0)
        return "";
    std::ostringstream out;
    out << count << " pixels differ;" << first.str();
    return out.str();
}

// One contact a probe heard of: the other mover, or a tile when null.
struct contact {
    const mover* who;
    const mover* other;
    arena_t tile;
    float time;
};
typedef std::vector<contact> contact_log;

// A mover whose wishes the test sets, with hooks into its calls; it writes
// every contact it hears of into its own list and a shared log if given.
class probe : public mover {
public:
    explicit probe(surface_ptr picture = surface_ptr(), contact_log* log = nullptr)
        : m_pic(std::move(picture)), m_log(log)
    {
    }
    ~probe() override
    {
        if (destroyed)
            ++*destroyed;
    }

    void move(float t) override
    {
        move_times.push_back(t);
        mover::move(t);
        if (on_move)
            on_move();
    }
    void do_stuff(float) override
    {
        ++stuff_calls;
        if (on_stuff)
            on_stuff();
    }
    SDL_Surface* pic() const override { return m_pic.get(); }
    bool does_arena_collisions() const override { return wants_tiles; }
    bool does_collisions(mover* m) const override
    {
        return wants_all || std::find(wanted.begin(), wanted.end(), m) != wanted.end();
    }
    void notify_collision(arena_t hit, float time_interval) override
    {
        record({this, nullptr, hit, time_interval});
    }
    void notify_collision(mover* other, float time_interval) override
    {
        record({this, other, A_EMPTY, time_interval});
    }
    bool is_stuck() const override { return stuck; }

    bool wants_tiles = false;
    bool wants_all = false;
    bool stuck = false;
    std::vector<const mover*> wanted;
    std::vector<contact> heard;
    std::vector<float> move_times;
    int stuff_calls = 0;
    std::function<void()> on_move, on_stuff, on_contact;
    std::shared_ptr<int> destroyed;

private:
    void record(const contact& c)
    {
        heard.push_back(c);
        if (m_log)
            m_log->push_back(c);
        if (on_contact)
            on_contact();
    }

    surface_ptr m_pic;
    contact_log* m_log;
};

std::vector<arena_t> tiles_of(const std::vector<contact>& cs)
{
    std::vector<arena_t> out;
    for (const contact& c : cs)
        out.push_back(c.other ? A_EMPTY : c.tile);
    return out;
}

// Driving the arena pass by pass and sub-step by sub-step.
class arena_steps : public arena_test {
protected:
    // do_stuff and the bookkeeping pass at its end.
    void pass() { m_arena->do_stuff(0.04f); }
    void passes(int n)
    {
        for (int i = 0; i < n; ++i)
            pass();
    }
    // The four movement and collision sub-steps of a frame.
    void substeps() { m_arena->move_stuff_and_do_collisions(0.04f); }

    probe* add_probe(surface_ptr picture, float x, float y, contact_log* log = nullptr)
    {
        probe* p = new probe(std::move(picture), log);
        p->teleport(x, y);
        m_arena->add_mover(p);
        return p;
    }
    // A new arena that loads the tile pictures as they now are on disk.
    void remake_arena()
    {
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
    }
    // A shot without effects that presses whatever button it touches.
    void press_with_shot(float x, float y)
    {
        shot* s = new shot("shot.png", 10.0f, 0, nullptr, nullptr);
        s->teleport(x, y);
        m_arena->add_mover(s);
    }
};

class arena_bookkeeping : public arena_steps {};
class arena_respawn : public arena_steps {
protected:
    void SetUp() override
    {
        arena_steps::SetUp();
        start({
            "..........",
            "..S.......",
            "..........",
            "..........",
            "..........",
        });
        m_arena->set_gravity(0);
    }
};

const char* const warning_prefix = "arena, line 482: warning: Invalid arena coords: ";

// Large tile pictures over three of the fixture's 32 x 32 ones, in type
// order: pipe_ud 64 x 32, pipe_lr 64 x 64 and pipe_ld 40 x 20.
Uint32 pipe_ud_pixel(int x, int y)
{
    return 0xFF400000u | static_cast<Uint32>(y * 5) << 8 | static_cast<Uint32>(x * 3);
}
Uint32 pipe_lr_pixel(int x, int y)
{
    Uint32 alpha = 1 + (3 * x + 5 * y) % 255;  // never 0
    return alpha << 24 | 0x800000u | static_cast<Uint32>(y * 2) << 8 | static_cast<Uint32>(x * 2);
}
Uint32 pipe_ld_pixel(int x, int y)
{
    return 0xC8100000u | static_cast<Uint32>(y * 9) << 8 | static_cast<Uint32>(x * 5);
}

void write_picture(const std::string& path, int w, int h, Uint32 (*pixel)(int, int))
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(pixel(x, y));
    ASSERT_TRUE(write_rgba_png(path, w, h, pixels)) << path;
}

class arena_tile_map : public arena_steps {
protected:
    void TearDown() override
    {
        // A placeholder may have loaded the font; later tests start without.
        text::exit();
        arena_steps::TearDown();
    }
    void use_large_pictures()
    {
        write_picture(path("images/pipe_ud.png"), 64, 32, pipe_ud_pixel);
        write_picture(path("images/pipe_lr.png"), 64, 64, pipe_lr_pixel);
        write_picture(path("images/pipe_ld.png"), 40, 20, pipe_ld_pixel);
        remake_arena();
    }
    // The cells of the map, row by row, as get reads them.
    std::vector<std::vector<int> > cells()
    {
        std::vector<std::vector<int> > out(m_arena->height());
        for (int y = 0; y < m_arena->height(); ++y)
            for (int x = 0; x < m_arena->width(); ++x)
                out[y].push_back(m_arena->get(x, y));
        return out;
    }
};

class arena_background : public arena_tile_map {};
class arena_tile_contacts : public arena_steps {};
class arena_mover_contacts : public arena_steps {};
class arena_substeps : public arena_steps {};
class copy_blit_raw : public run_dir_test {};
}

// ---------------------------------------------------------- bookkeeping

TEST_F(arena_bookkeeping, a_started_level_holds_its_ship_and_falls)
{
    start({
        "#####",
        "#.S.#",
        "#...#",
        "#...#",
        "#####",
    });
    ASSERT_NE(the_ship(), nullptr);
    float y0 = the_ship()->m_y;
    frames(10);
    EXPECT_GT(the_ship()->m_y, y0);
}

TEST_F(arena_bookkeeping, activate_lists_the_source_balls_then_the_waiting_movers_then_the_ship)
{
    build({
        "......",
        "...B..",
        ".B..S.",
    });
    test_block* foe = new test_block;
    m_arena->add_mover(foe);
    EXPECT_EQ(m_arena->num_movers(), 0);

    m_arena->activate();
    ASSERT_EQ(m_arena->num_movers(), 4);
    // Sources are found column by column.
    ball* first = dynamic_cast<ball*>(m_arena->get_mover(0));
    ball* second = dynamic_cast<ball*>(m_arena->get_mover(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->m_x, 32);
    EXPECT_EQ(first->m_y, 64);
    EXPECT_EQ(second->m_x, 96);
    EXPECT_EQ(second->m_y, 32);
    EXPECT_TRUE(first->is_stuck());
    EXPECT_EQ(m_arena->get_mover(2), foe);
    ship* s = dynamic_cast<ship*>(m_arena->get_mover(3));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->m_x, 128);
    EXPECT_EQ(s->m_y, 64);
    EXPECT_EQ(m_arena->get_player_x(), 152);
    EXPECT_EQ(m_arena->get_player_y(), 88);
    EXPECT_FALSE(m_arena->player_is_dead());
}

TEST_F(arena_bookkeeping, a_mover_added_during_do_stuff_is_moved_and_collided_but_not_run_that_frame)
{
    build({
        "......",
        "......",
        "......",
        "......",
        "......",
        "......",
    });
    test_block* block = new test_block("foe.png");
    block->teleport(100, 100);
    m_arena->add_mover(block);
    probe* spawner = add_probe(surface_ptr(), 0, 0);
    pass();
    ASSERT_EQ(m_arena->num_movers(), 2);

    probe* child = nullptr;
    int count_when_added = -1;
    spawner->on_stuff = [&] {
        if (child)
            return;
        child = new probe(shape(8, 8, full));
        child->wants_all = true;
        child->teleport(104, 104);
        child->m_dx = 100;
        m_arena->add_mover(child);
        count_when_added = m_arena->num_movers();
    };

    m_arena->do_stuff(0.04f);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(count_when_added, 2);
    EXPECT_EQ(m_arena->num_movers(), 3);
    EXPECT_EQ(m_arena->get_mover(2), child);
    EXPECT_EQ(child->stuff_calls, 0);

    m_arena->apply_forces(0.04f);
    substeps();
    EXPECT_EQ(child->stuff_calls, 0);
    EXPECT_EQ(child->move_times.size(), 4u);
    EXPECT_FLOAT_EQ(child->m_x, 108);
    ASSERT_EQ(child->heard.size(), 4u);
    for (const contact& c : child->heard)
        EXPECT_EQ(c.other, block);

    m_arena->do_stuff(0.04f);
    EXPECT_EQ(child->stuff_calls, 1);
}

TEST_F(arena_bookkeeping, a_mover_dead_before_admission_is_deleted_in_the_same_pass)
{
    build({"...", "..."});
    auto destroyed = std::make_shared<int>(0);
    probe* doomed = add_probe(surface_ptr(), 0, 0);
    doomed->destroyed = destroyed;
    probe* living = add_probe(surface_ptr(), 0, 0);
    doomed->die();

    pass();
    EXPECT_EQ(*destroyed, 1);
    ASSERT_EQ(m_arena->num_movers(), 1);
    EXPECT_EQ(m_arena->get_mover(0), living);
}

TEST_F(arena_bookkeeping, a_dead_mover_is_still_run_until_the_pass_deletes_it)
{
    build({"...", "..."});
    auto destroyed = std::make_shared<int>(0);
    probe* killer = add_probe(surface_ptr(), 0, 0);
    probe* victim = add_probe(surface_ptr(), 0, 0);
    victim->destroyed = destroyed;
    pass();

    int victim_calls = 0;
    victim->on_stuff = [&] { ++victim_calls; };
    killer->on_stuff = [&] { victim->die(); };
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(victim_calls, 1);
    EXPECT_EQ(*destroyed, 1);
    ASSERT_EQ(m_arena->num_movers(), 1);
    EXPECT_EQ(m_arena->get_mover(0), killer);
}

TEST_F(arena_bookkeeping, add_mover_of_a_ship_records_its_centre_at_once)
{
    start({
        "........",
        ".S......",
        "........",
        "........",
    });
    EXPECT_EQ(m_arena->get_player_x(), 56);
    EXPECT_EQ(m_arena->get_player_y(), 56);

    // Anything else leaves the record alone.
    test_block* block = new test_block;
    block->teleport(150, 10);
    m_arena->add_mover(block);
    EXPECT_EQ(m_arena->get_player_x(), 56);

    ship* s = new ship;
    s->teleport(140.7f, 20.2f);
    m_arena->add_mover(s);
    EXPECT_EQ(m_arena->get_player_x(), 164);
    EXPECT_EQ(m_arena->get_player_y(), 44);
    EXPECT_EQ(m_arena->num_movers(), 1);
}

TEST_F(arena_bookkeeping, remove_mover_hands_back_only_admitted_movers)
{
    build({"...", "..."});
    auto destroyed = std::make_shared<int>(0);
    probe* first = add_probe(surface_ptr(), 0, 0);
    probe* admitted = add_probe(surface_ptr(), 0, 0);
    admitted->destroyed = destroyed;
    pass();
    probe* waiting = add_probe(surface_ptr(), 0, 0);

    std::unique_ptr<mover> taken(m_arena->remove_mover(admitted));
    EXPECT_EQ(taken.get(), admitted);
    ASSERT_EQ(m_arena->num_movers(), 1);
    EXPECT_EQ(m_arena->get_mover(0), first);
    EXPECT_EQ(m_arena->remove_mover(admitted), nullptr);

    // Still waiting: not found, and admitted as usual by the next pass.
    EXPECT_EQ(m_arena->remove_mover(waiting), nullptr);
    pass();
    ASSERT_EQ(m_arena->num_movers(), 2);
    EXPECT_EQ(m_arena->get_mover(1), waiting);

    // The arena no longer deletes what it handed back; its owner does.
    passes(3);
    EXPECT_EQ(*destroyed, 0);
    taken.reset();
    EXPECT_EQ(*destroyed, 1);
}

TEST_F(arena_bookkeeping, set_size_clears_every_mover_and_record_of_the_level)
{
    start({
        "S.......",
        "..>.V...",
        "B.......",
        "........",
    });
    m_arena->connect(2, 1, 4, 1);
    test_block* heavy = new test_block("foe.png", 5);
    heavy->teleport(150, 100);
    m_arena->add_mover(heavy);
    auto destroyed = std::make_shared<int>(0);
    probe* admitted = add_probe(surface_ptr(), 0, 0);
    admitted->destroyed = destroyed;
    pass();
    m_arena->create_tractor(the_ship(), heavy);
    // The press queues the button's frames and the gate's through the
    // connection; neither has shown yet.
    press_with_shot(70, 40);
    frame();
    m_arena->AOE_force(150, 100, 50, 10, 10);
    probe* waiting = add_probe(surface_ptr(), 0, 0);
    waiting->destroyed = destroyed;

    m_arena->set_size(8, 4);
    EXPECT_EQ(m_arena->num_movers(), 0);
    EXPECT_EQ(*destroyed, 2);
    pass();
    EXPECT_EQ(m_arena->num_movers(), 0);

    // The next level, without source or connection.
    m_arena->set_gravity(0);
    build({
        "S.......",
        "..>.V...",
        "........",
        "........",
    });
    test_block* heavy2 = new test_block("foe.png", 5);
    heavy2->teleport(150, 100);
    m_arena->add_mover(heavy2);
    m_arena->activate();
    EXPECT_EQ(m_arena->num_movers(), 2);
    EXPECT_EQ(count_of<tractor_indicator>(), 0);

    // No force ball, beam or ball source is left over.
    m_arena->apply_forces(0.04f);
    EXPECT_EQ(heavy2->m_dx, 0);
    EXPECT_EQ(heavy2->m_dy, 0);
    m_arena->open_exit();
    pass();
    EXPECT_EQ(m_arena->num_movers(), 2);

    // No animation is left over.
    frame();
    EXPECT_EQ(m_arena->get(2, 1), A_BUTTON_L);
    EXPECT_EQ(m_arena->get(4, 1), A_VGATE_CLOSED);

    // A new press animates the button but, unconnected, not the gate.
    press_with_shot(70, 40);
    frames(2);
    EXPECT_EQ(m_arena->get(2, 1), A_BUTTON_L_ANIM1);
    EXPECT_EQ(m_arena->get(4, 1), A_VGATE_CLOSED);
}

TEST_F(arena_bookkeeping, set_size_keeps_the_spawn_tile_and_gravity)
{
    start({
        "....",
        ".S..",
        "....",
    });
    m_arena->set_gravity(12.5f);
    m_arena->set_size(4, 3);
    build({
        "....",
        "....",
        "....",
    });
    m_arena->activate();
    ASSERT_NE(the_ship(), nullptr);
    EXPECT_EQ(the_ship()->m_x, 32);
    EXPECT_EQ(the_ship()->m_y, 32);
    EXPECT_EQ(m_arena->gravity(), 12.5f);
}

TEST_F(arena_bookkeeping, the_ship_mass_follows_the_fitting_at_every_pass)
{
    start({
        "......",
        "..S...",
        "......",
        "......",
    });
    ship* s = the_ship();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->m_mass, 10);

    // Lead weighs 20; the ship feels it at the next pass, not before.
    m_game->m_systems[0] = ST_LEAD;
    EXPECT_EQ(s->m_mass, 10);
    pass();
    EXPECT_EQ(s->m_mass, 30);

    // Every pass writes it afresh, the sub-steps' passes too.
    s->m_mass = 1;
    substeps();
    EXPECT_EQ(s->m_mass, 30);
}

TEST_F(arena_bookkeeping, a_dying_end_takes_its_tractor_beam_with_it)
{
    start({
        "........",
        ".S......",
        "........",
        "........",
    });
    m_arena->set_gravity(0);
    test_block* heavy = new test_block("foe.png", 5);
    heavy->teleport(150, 60);
    m_arena->add_mover(heavy);
    pass();
    m_arena->create_tractor(the_ship(), heavy);
    pass();
    ASSERT_EQ(count_of<tractor_indicator>(), 10);

    // The pass that deletes the end kills the indicators behind it in the
    // list; the following pass deletes them.
    heavy->die();
    pass();
    std::vector<tractor_indicator*> left = all_of<tractor_indicator>();
    ASSERT_EQ(left.size(), 10u);
    for (tractor_indicator* t : left)
        EXPECT_TRUE(t->is_dead());
    pass();
    EXPECT_EQ(count_of<tractor_indicator>(), 0);
    frames(2);
    EXPECT_EQ(m_arena->num_movers(), 1);
}

// -------------------------------------------------------------- respawn

TEST_F(arena_respawn, a_lost_ship_comes_back_99_passes_later_where_it_died)
{
    ship* old = the_ship();
    ASSERT_NE(old, nullptr);
    old->teleport(100.7f, 60.3f);
    substeps();
    ASSERT_EQ(m_arena->get_player_x(), 124);
    ASSERT_EQ(m_arena->get_player_y(), 84);
    status().shield = 3;
    status().invulnerability = 0;

    old->die();
    EXPECT_EQ(the_ship(), old);  // dead, still the target until the pass
    pass();                      // pass k deletes it
    EXPECT_EQ(the_ship(), nullptr);
    EXPECT_EQ(status().lives, 2);

    for (int i = 1; i <= 98; ++i)
        pass();
    EXPECT_EQ(the_ship(), nullptr);
    EXPECT_EQ(status().shield, 3);
    EXPECT_EQ(status().invulnerability, 0);
    EXPECT_FALSE(m_arena->player_is_dead());

    pass();  // k + 99 makes the ship; it waits for admission
    EXPECT_EQ(status().shield, MAX_SHIELD);
    EXPECT_EQ(status().invulnerability, MAX_INVULNERABILITY);
    EXPECT_EQ(the_ship(), nullptr);
    EXPECT_EQ(m_arena->num_movers(), 0);

    pass();  // k + 100 admits it
    ship* fresh = the_ship();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->x_centre(), 124);
    EXPECT_EQ(fresh->y_centre(), 84);
    EXPECT_EQ(fresh->m_dx, 0);
    EXPECT_EQ(fresh->m_dy, 0);
    EXPECT_EQ(status().lives, 2);
    EXPECT_FALSE(m_arena->player_is_dead());
}

TEST_F(arena_respawn, the_last_life_ends_the_game_99_passes_after_the_ship_is_deleted)
{
    status().lives = 1;
    status().shield = 3;
    EXPECT_FALSE(m_arena->player_is_dead());
    the_ship()->die();
    pass();  // k
    EXPECT_EQ(status().lives, 0);

    for (int i = 1; i <= 98; ++i) {
        EXPECT_FALSE(m_arena->player_is_dead()) << "pass k + " << i - 1;
        pass();
    }
    EXPECT_FALSE(m_arena->player_is_dead());
    pass();  // k + 99
    EXPECT_TRUE(m_arena->player_is_dead());

    // No ship comes, nothing is restored and no further life is taken.
    passes(150);
    EXPECT_EQ(the_ship(), nullptr);
    EXPECT_EQ(m_arena->num_movers(), 0);
    EXPECT_EQ(status().lives, 0);
    EXPECT_EQ(status().shield, 3);
    EXPECT_TRUE(m_arena->player_is_dead());
}

TEST_F(arena_respawn, a_running_countdown_goes_on_through_a_new_map)
{
    ship* old = the_ship();
    old->teleport(40, 50);
    substeps();
    old->die();
    pass();  // k

    m_arena->set_size(10, 5);
    build({
        "..........",
        "..........",
        "..........",
        "..........",
        "..........",
    });
    passes(99);
    EXPECT_EQ(the_ship(), nullptr);
    pass();
    ASSERT_NE(the_ship(), nullptr);
    EXPECT_EQ(the_ship()->x_centre(), 64);
    EXPECT_EQ(the_ship()->y_centre(), 74);
}

TEST_F(arena_respawn, a_ship_lost_as_it_leaves_the_map_counts_once_and_the_next_level_has_one_ship_or_none)
{
    write_file("levels/levels.txt",
               "L:START\nA:.....\nA:..S..\nA:.....\nA:.....\nP: GRAVITY = 0\nL:END\n"
               "L:START\nA:........\nA:........\nA:........\nA:...S....\nA:........\nL:END\n");
    const struct {
        const char* name;
        int lives;       // before the loss
        int ships;       // in the next level
        bool game_over;  // at once in the next level
    } cases[] = {
        {"a life left", 2, 1, false},
        {"the last life", 1, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        new_game();
        level_loader loader("levels/levels.txt");
        std::string description;
        ASSERT_TRUE(next_level(loader, description));
        status().lives = c.lives;
        lose_ship_on_the_way_out(*m_arena, *the_ship());
        ASSERT_FALSE(m_arena->level_complete());
        testing::internal::CaptureStdout();  // tile tests above the map warn
        frame();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(m_arena->level_complete());
        ASSERT_EQ(the_ship(), nullptr);
        EXPECT_EQ(status().lives, c.lives - 1);
        EXPECT_FALSE(m_arena->player_is_dead()) << "the countdown runs";

        // The loader builds the next level: set_size, set_player_spawn,
        // activate. Its ship, if any, is centred on the spawn tile (3, 3).
        ASSERT_TRUE(next_level(loader, description));
        EXPECT_EQ(count_of<ship>(), c.ships);
        EXPECT_EQ(m_arena->player_is_dead(), c.game_over);
        EXPECT_EQ(status().lives, c.lives - 1);
        EXPECT_EQ(m_arena->get_player_x(), 120);
        EXPECT_EQ(m_arena->get_player_y(), 120);
        EXPECT_FALSE(m_arena->level_complete());

        // Well past the old countdown's end nothing has changed.
        frames(30);
        EXPECT_EQ(count_of<ship>(), c.ships);
        EXPECT_EQ(m_arena->player_is_dead(), c.game_over);
        EXPECT_EQ(status().lives, c.lives - 1);

        // A later loss takes the last life and ends the game; no life goes
        // below 0.
        if (ship* s = the_ship())
            s->die();
        frames(30);
        EXPECT_EQ(count_of<ship>(), 0);
        EXPECT_TRUE(m_arena->player_is_dead());
        EXPECT_EQ(status().lives, 0);
    }
}

// ------------------------------------------------------------- tile map

TEST_F(arena_tile_map, get_outside_the_map_warns_and_reads_empty)
{
    // Before the first set_size there are no cells at all.
    EXPECT_EQ(m_arena->width(), 0);
    EXPECT_EQ(m_arena->height(), 0);
    EXPECT_EQ(m_arena->bitmap(), nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(m_arena->get(0, 0), A_EMPTY);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(warning_prefix) + "(0,0)\n");

    build({
        "###",
        "##.",
    });
    struct outside_case {
        int x, y;
        const char* coords;
    };
    const outside_case cases[] = {
        {-1, 7, "(-1,7)"}, {3, 0, "(3,0)"}, {0, 2, "(0,2)"}, {2, -1, "(2,-1)"}, {-40, -300, "(-40,-300)"},
    };
    for (const outside_case& c : cases) {
        SCOPED_TRACE(c.coords);
        testing::internal::CaptureStdout();
        EXPECT_EQ(m_arena->get(c.x, c.y), A_EMPTY);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(warning_prefix) + c.coords + "\n");
    }

    // Inside the map nothing is logged.
    testing::internal::CaptureStdout();
    EXPECT_EQ(m_arena->get(2, 0), A_BLOCK);
    EXPECT_EQ(m_arena->get(2, 1), A_EMPTY);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(arena_tile_map, set_size_makes_an_empty_map_and_a_transparent_background)
{
    start({
        "#7##",
        "B.S#",
        "####",
    });
    m_arena->set_size(3, 2);
    EXPECT_EQ(m_arena->width(), 3);
    EXPECT_EQ(m_arena->height(), 2);
    EXPECT_EQ(cells(), (std::vector<std::vector<int> >{{0, 0, 0}, {0, 0, 0}}));
    SDL_Surface* bg = m_arena->bitmap();
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->w, 96);
    EXPECT_EQ(bg->h, 64);
    EXPECT_EQ(area_differences(bg, 0, 0, 96, 64, [](int, int) { return 0u; }), "");
}

TEST_F(arena_tile_map, large_pictures_become_blocks_of_sub_tile_ids)
{
    use_large_pictures();
    build({
        "......",
        "......",
        "......",
    });
    m_arena->set(0, 0, A_PIPE_UD);
    m_arena->set(2, 0, A_PIPE_LR);
    m_arena->set(4, 0, A_PIPE_LD);
    // One counter for all large pictures, in type order; each block column
    // by column.
    EXPECT_EQ(cells(), (std::vector<std::vector<int> >{
                           {A_PIPE_UD, -1, A_PIPE_LR, -3, A_PIPE_LD, -5},
                           {0, 0, -2, -4, 0, 0},
                           {0, 0, 0, 0, 0, 0},
                       }));

    // A sub-tile cell stops movers as the type it was cut from.
    surface_ptr dot = shape(4, 4, full);
    arena_t obstacle = A_EMPTY;
    int tx = -9, ty = -9;
    ASSERT_TRUE(m_arena->arena_collision(dot.get(), 104, 40, &obstacle, &tx, &ty, nullptr, nullptr));
    EXPECT_EQ(obstacle, A_PIPE_LR);
    EXPECT_EQ(tx, 3);
    EXPECT_EQ(ty, 1);
    ASSERT_TRUE(m_arena->arena_collision(dot.get(), 36, 2, &obstacle, &tx, &ty, nullptr, nullptr));
    EXPECT_EQ(obstacle, A_PIPE_UD);
    EXPECT_EQ(tx, 1);
    ASSERT_TRUE(m_arena->arena_collision(dot.get(), 162, 2, &obstacle, &tx, &ty, nullptr, nullptr));
    EXPECT_EQ(obstacle, A_PIPE_LD);
    EXPECT_EQ(tx, 5);
    // Beyond the 40 x 20 picture its pieces are transparent.
    EXPECT_FALSE(m_arena->arena_collision(dot.get(), 172, 2, &obstacle, &tx, &ty, nullptr, nullptr));
    EXPECT_FALSE(m_arena->arena_collision(dot.get(), 130, 22, &obstacle, &tx, &ty, nullptr, nullptr));
}

TEST_F(arena_tile_map, getalpha_reads_a_large_picture_piece_by_piece)
{
    use_large_pictures();
    build({
        "......",
        "......",
        "......",
    });
    m_arena->set(2, 0, A_PIPE_LR);
    m_arena->set(4, 0, A_PIPE_LD);
    int wrong = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (m_arena->getalpha(64 + x, y) != pipe_lr_pixel(x, y) >> 24 && wrong++ == 0)
                ADD_FAILURE() << "pipe_lr at (" << x << ", " << y << ")";
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            if (m_arena->getalpha(128 + x, y) != (x < 40 && y < 20 ? 200 : 0) && wrong++ == 0)
                ADD_FAILURE() << "pipe_ld at (" << x << ", " << y << ")";
    EXPECT_EQ(wrong, 0);
}

TEST_F(arena_tile_map, a_piece_of_a_large_picture_is_a_wall_where_it_is_opaque_all_over)
{
    // pipe_lr is opaque all over its 64 x 64, if faintly in places; pipe_ld
    // is 40 x 20, so its pieces are transparent in part.
    use_large_pictures();
    build({
        "......",
        "......",
    });
    m_arena->set(0, 0, A_PIPE_LR);
    m_arena->set(2, 0, A_PIPE_LD);
    m_arena->set(4, 0, A_PIPE_UD);
    EXPECT_TRUE(m_arena->box_in_walls(0, 0, 64, 64));
    EXPECT_FALSE(m_arena->box_in_walls(0, 0, 65, 64));
    EXPECT_FALSE(m_arena->box_in_walls(64, 0, 8, 8));
    EXPECT_TRUE(m_arena->box_in_walls(128, 0, 64, 32));
    EXPECT_FALSE(m_arena->box_in_walls(128, 0, 64, 33));
}

TEST_F(arena_tile_map, blocks_are_cut_at_the_right_and_bottom_edges)
{
    use_large_pictures();
    build({
        "...",
        "...",
    });
    testing::internal::CaptureStdout();
    m_arena->set(2, 0, A_PIPE_UD);
    m_arena->set(1, 1, A_PIPE_LR);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(cells(), (std::vector<std::vector<int> >{
                           {0, 0, A_PIPE_UD},
                           {0, A_PIPE_LR, -3},
                       }));
}

TEST_F(arena_tile_map, an_unreadable_tile_picture_becomes_a_row_of_seven_cells)
{
    write_test_font(path("images/font.png"));
    ASSERT_EQ(std::remove(path("images/sink.png").c_str()), 0);
    testing::internal::CaptureStdout();
    remake_arena();
    testing::internal::GetCapturedStdout();
    build({"........"});
    m_arena->set(0, 0, A_SINK);
    EXPECT_EQ(cells(), (std::vector<std::vector<int> >{{A_SINK, -1, -2, -3, -4, -5, -6, 0}}));
}

TEST_F(arena_tile_map, getalpha_reads_the_tile_picture_of_the_cell)
{
    build({
        "#7.",
        "B..",
    });
    struct alpha_case {
        const char* name;
        int x, y;
        int alpha;
        const char* warning;  // the coordinates logged, or null
    };
    const alpha_case cases[] = {
        {"wall", 5, 5, 255, nullptr},
        {"wall's last pixel", 31, 31, 255, nullptr},
        {"diagonal's corner", 32, 0, 255, nullptr},
        {"diagonal's edge", 63, 0, 255, nullptr},
        {"past the diagonal", 63, 1, 0, nullptr},
        {"inside the diagonal's gap", 52, 20, 0, nullptr},
        {"empty cell", 70, 10, 0, nullptr},
        {"a ball source is opaque too", 10, 40, 255, nullptr},
        {"one left of the map", -1, 5, 0, "(-1,0)"},
        {"a tile and one left", -33, 40, 0, "(-2,1)"},
        {"right of the map", 96, 0, 0, "(3,0)"},
        {"below the map", 0, 64, 0, "(0,2)"},
    };
    for (const alpha_case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStdout();
        EXPECT_EQ(m_arena->getalpha(c.x, c.y), c.alpha);
        std::string logged = testing::internal::GetCapturedStdout();
        EXPECT_EQ(logged, c.warning ? std::string(warning_prefix) + c.warning + "\n" : "");
    }
}

// ----------------------------------------------------------- background

TEST_F(arena_background, activate_copies_every_tile_raw_and_leaves_empty_cells_transparent)
{
    // A wall picture with every kind of alpha, transparent pixels keeping a
    // colour of their own, so any blending would show.
    write_picture(path("images/block.png"), 32, 32, [](int x, int y) {
        Uint32 alpha = static_cast<Uint32>(x * 8 + y) % 256;
        return alpha << 24 | 200u << 16 | static_cast<Uint32>(20 + y) << 8 | static_cast<Uint32>(10 + x);
    });
    remake_arena();
    start({
        "#7.",
        ".B#",
        "S..",
    });
    SDL_Surface* bg = m_arena->bitmap();
    ASSERT_NE(bg, nullptr);
    ASSERT_EQ(bg->w, 96);
    ASSERT_EQ(bg->h, 96);
    for (int cy = 0; cy < 3; ++cy) {
        for (int cx = 0; cx < 3; ++cx) {
            SCOPED_TRACE("cell (" + std::to_string(cx) + ", " + std::to_string(cy) + ")");
            arena_t t = m_arena->get(cx, cy);
            surface_ptr tile(t == A_EMPTY ? nullptr : load_image(image_files[t]));
            EXPECT_EQ(area_differences(bg, 32 * cx, 32 * cy, 32, 32,
                                       [&](int x, int y) { return tile ? raw_pixel(tile.get(), x, y) : 0u; }),
                      "");
        }
    }
}

TEST_F(arena_background, large_pictures_are_drawn_piece_by_piece)
{
    use_large_pictures();
    build({
        "......",
        "......",
        "....S.",
    });
    m_arena->set(0, 0, A_PIPE_UD);
    m_arena->set(2, 0, A_PIPE_LR);
    m_arena->set(4, 0, A_PIPE_LD);
    m_arena->activate();
    SDL_Surface* bg = m_arena->bitmap();
    surface_ptr ud(load_image("pipe_ud.png")), lr(load_image("pipe_lr.png")), ld(load_image("pipe_ld.png"));
    auto ud_at = [&](int x, int y) { return raw_pixel(ud.get(), x, y); };
    auto lr_at = [&](int x, int y) { return raw_pixel(lr.get(), x, y); };
    auto ld_at = [&](int x, int y) { return x < 40 && y < 20 ? raw_pixel(ld.get(), x, y) : 0u; };
    EXPECT_EQ(area_differences(bg, 0, 0, 64, 32, ud_at), "");
    EXPECT_EQ(area_differences(bg, 64, 0, 64, 64, lr_at), "");
    EXPECT_EQ(area_differences(bg, 128, 0, 64, 32, ld_at), "");
    EXPECT_EQ(area_differences(bg, 0, 32, 64, 64, [](int, int) { return 0u; }), "");
}

// ------------------------------------------------------------ copy_blit

TEST_F(copy_blit_raw, copies_pixel_values_clipped_to_both_surfaces)
{
    // Every source pixel distinct, some fully transparent with a colour.
    surface_ptr from(create_surface(16, 16, alpha_channel));
    SDL_LockSurface(from.get());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            putpixel(from.get(), x, y,
                     SDL_MapRGBA(from->format, static_cast<Uint8>(10 * x), static_cast<Uint8>(10 * y), 77,
                                 static_cast<Uint8>((x + y) % 3 == 0 ? 0 : 100 + x + y)));
    SDL_UnlockSurface(from.get());
    const Uint32 marker = 0x04030201;

    struct blit_case {
        const char* name;
        bool has_from_rect;
        SDL_Rect from_rect;
        bool has_to_rect;
        SDL_Rect to_rect;
        // The area copied: source corner, target corner and size.
        int sx, sy, tx, ty, w, h;
    };
    const blit_case cases[] = {
        {"whole picture to the corner", false, {}, false, {}, 0, 0, 0, 0, 16, 12},
        {"target corner left of the target", false, {}, true, {-5, 0, 0, 0}, 5, 0, 0, 0, 11, 12},
        {"source area past the picture", true, {10, 10, 32, 32}, false, {}, 10, 10, 0, 0, 6, 6},
        {"inner area to an inner corner", true, {2, 3, 5, 4}, true, {7, 1, 0, 0}, 2, 3, 7, 1, 5, 4},
        {"cut at the target's far edges", false, {}, true, {17, 10, 0, 0}, 0, 0, 17, 10, 3, 2},
        {"source area left of and above the picture", true, {-3, -2, 8, 8}, false, {}, 0, 0, 3, 2, 5, 6},
        {"target rectangle's size is ignored", true, {0, 0, 4, 4}, true, {1, 1, 2, 2}, 0, 0, 1, 1, 4, 4},
        {"target corner past the target", false, {}, true, {25, 0, 0, 0}, 0, 0, 0, 0, 0, 0},
        {"target corner a whole picture to the left", false, {}, true, {-16, 0, 0, 0}, 0, 0, 0, 0, 0, 0},
        {"source area of no width", true, {3, 3, 0, 5}, false, {}, 0, 0, 0, 0, 0, 0},
    };
    for (const blit_case& c : cases) {
        SCOPED_TRACE(c.name);
        surface_ptr to(create_surface(20, 12, alpha_channel));
        SDL_FillRect(to.get(), nullptr, marker);
        SDL_Rect from_rect = c.from_rect, to_rect = c.to_rect;
        copy_blit(from.get(), c.has_from_rect ? &from_rect : nullptr, to.get(),
                  c.has_to_rect ? &to_rect : nullptr);
        EXPECT_EQ(area_differences(to.get(), 0, 0, 20, 12,
                                   [&](int x, int y) {
                                       bool copied =
                                           x >= c.tx && x < c.tx + c.w && y >= c.ty && y < c.ty + c.h;
                                       return copied ? raw_pixel(from.get(), c.sx + x - c.tx, c.sy + y - c.ty)
                                                     : marker;
                                   }),
                  "");
    }
}

// -------------------------------------------------------- tile contacts

TEST_F(arena_tile_contacts, arena_collision_finds_the_first_contact_from_the_bottom_row_up)
{
    build({
        "....",
        ".9#.",
        "....",
    });
    struct scan_case {
        const char* name;
        int w, h;
        solid_fn solid;
        int px, py;
        bool hit;
        int tile_x, tile_y, pic_x, pic_y;
        arena_t obstacle;
    };
    auto top_right_only = [](int x, int y) { return x == 7 && y == 0; };
    const scan_case cases[] = {
        {"bottom-left pixel over the diagonal", 8, 8, full, 60, 28, true, 1, 1, 0, 7, A_BLOCK_DIAGTR},
        {"bottom row, first opaque tile pixel", 8, 8, full, 32, 28, true, 1, 1, 3, 7, A_BLOCK_DIAGTR},
        {"in the diagonal's transparent half", 8, 8, full, 32, 56, false, 0, 0, 0, 0, A_EMPTY},
        {"over the wall's edge", 8, 8, full, 90, 50, true, 2, 1, 0, 7, A_BLOCK},
        {"only empty cells", 8, 8, full, 96, 40, false, 0, 0, 0, 0, A_EMPTY},
        {"opaque pixel over an empty cell", 8, 8, top_right_only, 60, 28, false, 0, 0, 0, 0, A_EMPTY},
        {"opaque pixel over the wall", 8, 8, top_right_only, 60, 36, true, 2, 1, 7, 0, A_BLOCK},
    };
    for (const scan_case& c : cases) {
        SCOPED_TRACE(c.name);
        surface_ptr p = shape(c.w, c.h, c.solid);
        arena_t obstacle = A_SHOP;
        int tx = -9, ty = -9, px = -9, py = -9;
        EXPECT_EQ(m_arena->arena_collision(p.get(), c.px, c.py, &obstacle, &tx, &ty, &px, &py), c.hit);
        if (c.hit) {
            EXPECT_EQ(obstacle, c.obstacle);
            EXPECT_EQ(tx, c.tile_x);
            EXPECT_EQ(ty, c.tile_y);
            EXPECT_EQ(px, c.pic_x);
            EXPECT_EQ(py, c.pic_y);
        } else {
            // Nothing is written without a contact.
            EXPECT_EQ(obstacle, A_SHOP);
            EXPECT_EQ(tx, -9);
            EXPECT_EQ(ty, -9);
            EXPECT_EQ(px, -9);
            EXPECT_EQ(py, -9);
        }
        // Every out-parameter may be left out.
        EXPECT_EQ(m_arena->arena_collision(p.get(), c.px, c.py, nullptr, nullptr, nullptr, nullptr, nullptr),
                  c.hit);
    }
}

TEST_F(arena_tile_contacts, edge_cells_reach_outward_on_the_left_and_top_only)
{
    // (1, 0) diagonal BL: its top row is opaque at its first pixel only;
    // (0, 1) diagonal TR: its leftmost column is opaque at its top only.
    build({
        ".1.",
        "9.#",
        "..#",
    });
    surface_ptr wide = shape(4, 1, full), tall = shape(1, 4, full);
    struct edge_case {
        const char* name;
        SDL_Surface* p;
        int px, py;
        bool hit;
        int tile_x, tile_y, pic_x, pic_y;
    };
    const edge_case cases[] = {
        {"left of the map at the wall's opaque height", wide.get(), -10, 32, true, 0, 1, 0, 0},
        {"left of the map one pixel lower", wide.get(), -10, 33, false, 0, 0, 0, 0},
        {"31 pixels left of the map", wide.get(), -35, 32, true, 0, 1, 0, 0},
        {"32 pixels left of the map", wide.get(), -36, 32, false, 0, 0, 0, 0},
        {"above the map over the wall's opaque pixel", tall.get(), 32, -10, true, 1, 0, 0, 3},
        {"above the map one pixel to the right", tall.get(), 33, -10, false, 0, 0, 0, 0},
        {"31 pixels above the map", tall.get(), 32, -35, true, 1, 0, 0, 3},
        {"32 pixels above the map", tall.get(), 32, -36, false, 0, 0, 0, 0},
        {"straddling the right edge", wide.get(), 95, 40, true, 2, 1, 0, 0},
        {"at the right edge", wide.get(), 96, 40, false, 0, 0, 0, 0},
        {"straddling the bottom edge", tall.get(), 70, 95, true, 2, 2, 0, 3},
        {"at the bottom edge", tall.get(), 70, 96, false, 0, 0, 0, 0},
    };
    for (const edge_case& c : cases) {
        SCOPED_TRACE(c.name);
        int tx = -9, ty = -9, px = -9, py = -9;
        testing::internal::CaptureStdout();
        bool hit = m_arena->arena_collision(c.p, c.px, c.py, nullptr, &tx, &ty, &px, &py);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // never reads outside the map
        EXPECT_EQ(hit, c.hit);
        if (c.hit) {
            EXPECT_EQ(tx, c.tile_x);
            EXPECT_EQ(ty, c.tile_y);
            EXPECT_EQ(px, c.pic_x);
            EXPECT_EQ(py, c.pic_y);
        }
    }
}

TEST_F(arena_tile_contacts, a_box_in_walls_is_one_where_any_opaque_pixel_meets_a_wall)
{
    // Column 5 holds a shop, a ball source and a wall; (3, 1) is a diagonal,
    // (4, 3) and (5, 3) are empty.
    build({
        "#####s",
        "###7#B",
        "######",
        "####..",
    });
    m_arena->set(1, 3, A_SINK);
    struct box_case {
        const char* name;
        int px, py, w, h;
        bool in_walls;
    };
    const box_case cases[] = {
        {"four wall cells", 0, 0, 64, 64, true},
        {"up to the diagonal", 40, 0, 56, 33, true},
        {"one pixel into the diagonal", 40, 0, 57, 33, false},
        {"up to the shop", 130, 0, 30, 10, true},
        {"one pixel into the shop", 130, 0, 31, 10, false},
        {"one pixel into the ball source", 130, 33, 31, 10, false},
        {"a sink stops the ship like a wall", 20, 70, 40, 58, true},
        {"one pixel into an empty cell", 100, 64, 29, 40, false},
        {"down to the bottom and right edges", 160, 64, 32, 32, true},
        {"straddling the bottom edge", 0, 100, 64, 29, false},
        {"straddling the left edge", -1, 64, 32, 32, false},
        {"beyond the right edge, where the test meets nothing", 192, 64, 8, 8, false},
        {"far left of the map, where the test meets nothing", -80, 64, 8, 8, false},
        {"no pixel at all", 10, 10, 0, 10, false},
    };
    for (const box_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(m_arena->box_in_walls(c.px, c.py, c.w, c.h), c.in_walls);
    }

    // Wherever it holds, a picture of that size with a single opaque pixel
    // anywhere meets a wall that is no shop and no ball source.
    const int w = 30, h = 20;
    const std::pair<int, int> dots[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {13, 7}};
    std::vector<surface_ptr> pictures;
    for (const auto& d : dots)
        pictures.push_back(shape(w, h, [d](int x, int y) { return x == d.first && y == d.second; }));
    int held = 0;
    for (int py = -40; py < 140; py += 3) {
        for (int px = -40; px < 200; px += 3) {
            if (!m_arena->box_in_walls(px, py, w, h))
                continue;
            ++held;
            for (const surface_ptr& p : pictures) {
                arena_t obstacle = A_EMPTY;
                bool hit = m_arena->arena_collision(p.get(), px, py, &obstacle, nullptr, nullptr, nullptr, nullptr);
                if (!hit || obstacle == A_SHOP || obstacle == A_SOURCE)
                    ADD_FAILURE() << "box at (" << px << ", " << py << "): contact " << hit << " with " << obstacle;
            }
        }
    }
    EXPECT_GT(held, 100);
}

TEST_F(arena_tile_contacts, ball_sources_and_the_pictureless_exit_never_stop_anything)
{
    build({
        ".B#.",
        "....",
    });
    m_arena->set(3, 0, A_EXIT);
    surface_ptr square = shape(8, 8, full), bar = shape(8, 1, full);
    EXPECT_FALSE(m_arena->arena_collision(square.get(), 40, 8, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(m_arena->arena_collision(square.get(), 100, 8, nullptr, nullptr, nullptr, nullptr, nullptr));
    // Over the source and the wall: only the wall's pixels count.
    arena_t obstacle = A_EMPTY;
    int px = -9;
    ASSERT_TRUE(m_arena->arena_collision(bar.get(), 60, 8, &obstacle, nullptr, nullptr, &px, nullptr));
    EXPECT_EQ(obstacle, A_BLOCK);
    EXPECT_EQ(px, 4);
}

TEST_F(arena_tile_contacts, the_tile_pass_tells_only_movers_that_can_meet_tiles)
{
    struct pass_case {
        const char* name;
        bool wants_tiles, has_picture, stuck;
        size_t contacts;
    };
    const pass_case cases[] = {
        {"wants tiles", true, true, false, 4},
        {"does not want tiles", false, true, false, 0},
        {"has no picture", true, false, false, 0},
        {"is stuck", true, true, true, 0},
    };
    for (const pass_case& c : cases) {
        SCOPED_TRACE(c.name);
        build({
            "....",
            ".#..",
            ".|..",
        });
        // Over the wall and the pipe below it: one contact per sub-step,
        // the pipe's, found first from the bottom.
        probe* p = add_probe(c.has_picture ? shape(8, 40, full) : surface_ptr(), 40, 40);
        p->wants_tiles = c.wants_tiles;
        p->stuck = c.stuck;
        pass();
        substeps();
        ASSERT_EQ(p->heard.size(), c.contacts);
        for (const contact& h : p->heard) {
            EXPECT_EQ(h.other, nullptr);
            EXPECT_EQ(h.tile, A_PIPE_UD);
            EXPECT_FLOAT_EQ(h.time, 0.01f);
        }
    }
}

TEST_F(arena_tile_contacts, the_tile_pass_truncates_the_position_towards_zero)
{
    build({
        "...",
        "9..",
        "...",
    });
    // At (-35.5, 32.7) the picture is tested at (-35, 32), 31 pixels left
    // of the map, where the diagonal's top-left pixel reaches.
    probe* p = add_probe(shape(4, 1, full), -35.5f, 32.7f);
    p->wants_tiles = true;
    pass();
    substeps();
    EXPECT_EQ(tiles_of(p->heard), std::vector<arena_t>(4, A_BLOCK_DIAGTR));
}

// ------------------------------------------------------- mover contacts

TEST_F(arena_mover_contacts, contacts_are_exact_to_the_pixel)
{
    auto left_half = [](int x, int) { return x < 4; };
    auto right_half = [](int x, int) { return x >= 4; };
    auto upper_triangle = [](int x, int y) { return x + y <= 6; };
    auto lower_triangle = [](int x, int y) { return x + y >= 8; };
    struct pixel_case {
        const char* name;
        solid_fn a_solid, b_solid;
        float ax, ay, bx, by;
        bool contact;
    };
    const pixel_case cases[] = {
        {"one box, opaque halves apart", left_half, right_half, 40, 40, 40, 40, false},
        {"opaque halves meeting in a column", left_half, right_half, 40, 40, 39, 40, true},
        {"a fraction of a pixel is dropped", left_half, right_half, 40, 40, 39.9f, 40, true},
        {"boxes overlapping, opaque halves apart", left_half, right_half, 40, 40, 41, 40, false},
        {"triangles in one box", upper_triangle, lower_triangle, 40, 40, 40, 40, false},
        {"triangles a pixel apart", upper_triangle, lower_triangle, 40, 40, 39, 40, false},
        {"triangles meeting", upper_triangle, lower_triangle, 40, 40, 38, 40, true},
        {"boxes touching on the right", full, full, 40, 40, 48, 40, false},
        {"half a pixel over on the right", full, full, 40, 40, 47.5f, 40, true},
        {"half a pixel over on the left", full, full, 40, 40, 32.5f, 40, false},
        {"boxes touching below", full, full, 40, 40, 40, 48, false},
        {"one row over below", full, full, 40, 40, 40, 47, true},
        {"truncated towards zero, not floored", full, full, -8, 40, -0.5f, 40, false},
        {"a pixel over left of the origin", full, full, -8, 40, -1.5f, 40, true},
    };
    for (const pixel_case& c : cases) {
        SCOPED_TRACE(c.name);
        build({"....", "....", "...."});
        probe* a = add_probe(shape(8, 8, c.a_solid), c.ax, c.ay);
        probe* b = add_probe(shape(8, 8, c.b_solid), c.bx, c.by);
        a->wants_all = b->wants_all = true;
        pass();
        substeps();
        EXPECT_EQ(a->heard.size(), c.contact ? 4u : 0u);
        EXPECT_EQ(b->heard.size(), c.contact ? 4u : 0u);
    }
}

TEST_F(arena_mover_contacts, only_the_side_that_wants_the_contact_is_told)
{
    struct wish_case {
        const char* name;
        bool a_wants, b_wants;
    };
    const wish_case cases[] = {
        {"both", true, true},
        {"the earlier only", true, false},
        {"the later only", false, true},
        {"neither", false, false},
    };
    for (const wish_case& c : cases) {
        SCOPED_TRACE(c.name);
        build({"....", "....", "...."});
        probe* a = add_probe(shape(8, 8, full), 40, 40);
        probe* b = add_probe(shape(8, 8, full), 44, 44);
        // Each wants the other by name, not everything.
        if (c.a_wants)
            a->wanted.push_back(b);
        if (c.b_wants)
            b->wanted.push_back(a);
        pass();
        substeps();
        ASSERT_EQ(a->heard.size(), c.a_wants ? 4u : 0u);
        ASSERT_EQ(b->heard.size(), c.b_wants ? 4u : 0u);
        for (const contact& h : a->heard) {
            EXPECT_EQ(h.other, b);
            EXPECT_FLOAT_EQ(h.time, 0.01f);
        }
        for (const contact& h : b->heard)
            EXPECT_EQ(h.other, a);
    }
}

TEST_F(arena_mover_contacts, tiles_come_first_then_pairs_in_list_order_every_sub_step)
{
    build({
        "....",
        ".#..",
        "....",
    });
    contact_log log;
    probe* p[3];
    for (probe*& q : p) {
        q = add_probe(shape(8, 8, full), 40, 40, &log);
        q->wants_all = q->wants_tiles = true;
    }
    pass();
    substeps();
    // Who heard of whom (null: the wall), in the order told.
    std::vector<std::pair<const mover*, const mover*> > expected_step = {
        {p[0], nullptr}, {p[1], nullptr}, {p[2], nullptr}, {p[0], p[1]}, {p[1], p[0]},
        {p[0], p[2]},    {p[2], p[0]},    {p[1], p[2]},    {p[2], p[1]},
    };
    std::vector<std::pair<const mover*, const mover*> > expected, got;
    for (int step = 0; step < 4; ++step)
        expected.insert(expected.end(), expected_step.begin(), expected_step.end());
    for (const contact& c : log)
        got.push_back({c.who, c.other});
    EXPECT_EQ(got, expected);
}

TEST_F(arena_mover_contacts, the_later_side_is_asked_anew_after_the_earlier_is_told)
{
    build({"....", "....", "...."});
    probe* a = add_probe(shape(8, 8, full), 40, 40);
    probe* b = add_probe(shape(8, 8, full), 42, 42);
    a->wants_all = b->wants_all = true;
    a->on_contact = [b] { b->wants_all = false; };
    pass();
    substeps();
    EXPECT_EQ(a->heard.size(), 4u);
    EXPECT_EQ(b->heard.size(), 0u);
}

TEST_F(arena_mover_contacts, a_dead_mover_takes_part_until_the_next_pass)
{
    build({
        "....",
        ".#..",
        "....",
    });
    contact_log log;
    auto destroyed = std::make_shared<int>(0);
    int moves = 0;
    bool killed = false;
    // The killer comes first and strikes at its own wall contact.
    probe* killer = add_probe(shape(4, 4, full), 56, 34);
    killer->wants_tiles = true;
    probe* doomed = add_probe(shape(8, 8, full), 40, 40, &log);
    doomed->wants_all = doomed->wants_tiles = true;
    doomed->destroyed = destroyed;
    doomed->on_move = [&] { ++moves; };
    killer->on_contact = [&] {
        if (!killed)
            doomed->die();
        killed = true;
    };
    test_block* b1 = new test_block;
    b1->teleport(36, 36);
    m_arena->add_mover(b1);
    test_block* b2 = new test_block;
    b2->teleport(44, 44);
    m_arena->add_mover(b2);
    pass();

    // Dead before its own turn, it still meets the wall and both blocks in
    // that sub-step; the sub-step's pass deletes it.
    substeps();
    ASSERT_TRUE(killed);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].other, nullptr);
    EXPECT_EQ(log[0].tile, A_BLOCK);
    EXPECT_EQ(log[1].other, b1);
    EXPECT_EQ(log[2].other, b2);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(*destroyed, 1);
    EXPECT_EQ(m_arena->num_movers(), 3);
}

// ------------------------------------------------------------ sub-steps

TEST_F(arena_substeps, every_mover_moves_four_quarter_steps_per_frame)
{
    build({"....", "...."});
    probe* p = add_probe(surface_ptr(), 10, 20);
    p->m_dx = 100;
    p->m_dy = -50;
    pass();
    substeps();
    EXPECT_EQ(p->move_times, std::vector<float>(4, 0.04f * 0.25f));
    EXPECT_NEAR(p->m_x, 14, 1e-4);
    EXPECT_NEAR(p->m_y, 18, 1e-4);
}

TEST_F(arena_substeps, the_ship_centre_is_recorded_truncated_after_every_sub_step)
{
    start({
        "......",
        ".S....",
        "......",
        "......",
    });
    m_arena->set_gravity(0);
    m_arena->set_air_resistance(0);
    probe* watcher = add_probe(surface_ptr(), 0, 0);
    pass();
    std::vector<int> xs, ys;
    watcher->on_move = [&] {
        xs.push_back(m_arena->get_player_x());
        ys.push_back(m_arena->get_player_y());
    };
    // Centres x -1.75 + 0.5 k and y 34 - 0.75 k after sub-step k.
    ship* s = the_ship();
    s->teleport(-25.75f, 10.0f);
    s->m_dx = 50;
    s->m_dy = -75;
    substeps();
    EXPECT_EQ(xs, (std::vector<int>{-1, 0, 0, 0}));
    EXPECT_EQ(ys, (std::vector<int>{33, 32, 31, 31}));
}

TEST_F(arena_substeps, tractor_indicators_sit_evenly_from_the_target_to_the_ship)
{
    start({
        "........",
        ".S......",
        "........",
        "........",
        "........",
        "........",
    });
    m_arena->set_gravity(0);
    ship* s = the_ship();
    s->teleport(76, 26);  // centre (100, 50)
    test_block* heavy = new test_block("foe.png", 5);
    heavy->teleport(11, 132);  // centre (19, 140)
    m_arena->add_mover(heavy);
    pass();
    m_arena->create_tractor(s, heavy);
    pass();
    std::vector<tractor_indicator*> dots = all_of<tractor_indicator>();
    ASSERT_EQ(dots.size(), 10u);

    substeps();
    for (int j = 0; j < 10; ++j) {
        SCOPED_TRACE("indicator " + std::to_string(j));
        EXPECT_FLOAT_EQ(dots[j]->x_centre(), 19 + 9 * j);
        EXPECT_FLOAT_EQ(dots[j]->y_centre(), 140 - 10 * j);
        dots[j]->m_dx = 500;  // indicators never move by themselves
    }

    // Both ends moving: the dots follow within the same sub-step.
    s->m_dx = 225;      // 9 pixels a frame
    heavy->m_dy = -225;
    substeps();
    EXPECT_NEAR(s->x_centre(), 109, 1e-3);
    EXPECT_NEAR(heavy->y_centre(), 131, 1e-3);
    for (int j = 0; j < 10; ++j) {
        SCOPED_TRACE("indicator " + std::to_string(j));
        EXPECT_NEAR(dots[j]->x_centre(), 19 + 10 * j, 1e-3);
        EXPECT_NEAR(dots[j]->y_centre(), 131 - 9 * j, 1e-3);
    }
}
