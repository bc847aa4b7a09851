// The mover base (centre rules, defaults, the dead flag) and the weak
// handles on the movers the arena holds.
#include <memory>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "etc.h"

namespace {
// A mover showing a blank picture of a chosen size, or none for 0 x 0.
class framed : public mover {
public:
    framed(int w, int h) : m_pic(w > 0 ? create_surface(w, h, alpha_channel) : nullptr) {}
    SDL_Surface* pic() const override { return m_pic.get(); }

private:
    surface_ptr m_pic;
};

class mover_base : public run_dir_test {};

class arena_ptr_handle : public arena_test {
protected:
    void pass() { m_arena->do_stuff(0.04f); }
};
}

TEST_F(mover_base, teleport_centre_halves_w_plus_one_and_the_centre_halves_w)
{
    struct centre_case {
        const char* name;
        int w, h;
        float to_x, to_y;          // given to teleport_centre
        float corner_x, corner_y;  // where the top-left corner lands
        float centre_x, centre_y;  // what x_centre and y_centre report then
    };
    const centre_case cases[] = {
        {"no picture: the corner itself", 0, 0, 20, 30.5f, 20, 30.5f, 20, 30.5f},
        {"32 x 32 round trip", 32, 32, 116, 66, 100, 50, 116, 66},
        {"odd size lands one short", 5, 5, 20, 20, 17, 17, 19, 19},
        {"even size agrees", 6, 6, 20, 20, 17, 17, 20, 20},
        {"odd width, even height", 5, 8, 20, 20, 17, 16, 19, 20},
        {"single pixel", 1, 1, 10, 10, 9, 9, 9, 9},
        {"fractions stay", 7, 4, 0.5f, -0.25f, -3.5f, -2.25f, -0.5f, -0.25f},
    };
    for (const centre_case& c : cases) {
        SCOPED_TRACE(c.name);
        framed m(c.w, c.h);
        m.teleport_centre(c.to_x, c.to_y);
        EXPECT_FLOAT_EQ(m.m_x, c.corner_x);
        EXPECT_FLOAT_EQ(m.m_y, c.corner_y);
        EXPECT_FLOAT_EQ(m.x_centre(), c.centre_x);
        EXPECT_FLOAT_EQ(m.y_centre(), c.centre_y);
    }
}

TEST_F(mover_base, a_new_mover_rests_at_the_origin_and_wants_nothing)
{
    framed other(4, 4);
    framed m(4, 4);
    EXPECT_EQ(m.m_mass, 0);
    EXPECT_EQ(m.m_x, 0);
    EXPECT_EQ(m.m_y, 0);
    EXPECT_EQ(m.m_dx, 0);
    EXPECT_EQ(m.m_dy, 0);
    EXPECT_FALSE(m.is_dead());
    EXPECT_FALSE(m.does_arena_collisions());
    EXPECT_FALSE(m.does_collisions(&other));
    EXPECT_FALSE(m.is_stuck());

    // The default behaviour, contacts and untractoring leave it where it is.
    m.do_stuff(0.04f);
    m.notify_collision(A_BLOCK, 0.01f);
    m.notify_collision(&other, 0.01f);
    m.roughly_untractor();
    EXPECT_EQ(m.m_x, 0);
    EXPECT_EQ(m.m_y, 0);
    EXPECT_FALSE(m.is_dead());
}

TEST_F(mover_base, move_adds_velocity_times_time)
{
    framed m(0, 0);
    m.teleport(10, 20);
    m.m_dx = 4;
    m.m_dy = -8;
    m.move(0.25f);
    EXPECT_FLOAT_EQ(m.m_x, 11);
    EXPECT_FLOAT_EQ(m.m_y, 18);
    EXPECT_FLOAT_EQ(m.m_dx, 4);
    EXPECT_FLOAT_EQ(m.m_dy, -8);
}

TEST_F(mover_base, die_sets_the_flag_for_good)
{
    framed m(2, 2);
    m.die();
    EXPECT_TRUE(m.is_dead());
    m.do_stuff(0.04f);
    m.move(0.01f);
    m.die();
    EXPECT_TRUE(m.is_dead());
}

TEST_F(arena_ptr_handle, an_empty_handle_tests_false)
{
    arena_ptr<mover> empty;
    arena_ptr<mover> copy(empty);
    EXPECT_FALSE(empty);
    EXPECT_FALSE(copy);
}

TEST_F(arena_ptr_handle, a_ship_handle_holds_until_the_pass_that_deletes_the_ship)
{
    start({
        ".......",
        "...S...",
        ".......",
        ".......",
    });
    m_arena->set_gravity(0);
    ship* first = the_ship();
    ASSERT_NE(first, nullptr);
    arena_ptr<mover> handle = m_arena->get_player_from_shot(nullptr);
    arena_ptr<mover> copy(handle);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(copy);
    EXPECT_EQ(&*handle, first);

    // Dead but not yet deleted: the arena still holds it.
    first->die();
    EXPECT_TRUE(handle);
    EXPECT_EQ(&*handle, first);

    pass();
    EXPECT_FALSE(handle);
    EXPECT_FALSE(copy);

    // The new ship comes 100 passes later; the old handle stays false.
    for (int i = 0; i < 100; ++i)
        pass();
    ASSERT_NE(the_ship(), nullptr);
    EXPECT_FALSE(handle);
    EXPECT_FALSE(copy);
    arena_ptr<mover> fresh = m_arena->get_player_from_shot(nullptr);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(&*fresh, the_ship());
}

TEST_F(arena_ptr_handle, a_ship_handle_goes_false_when_the_ship_is_removed)
{
    start({
        ".....",
        "..S..",
        ".....",
    });
    arena_ptr<mover> handle = m_arena->get_player_from_shot(nullptr);
    ASSERT_TRUE(handle);
    std::unique_ptr<mover> removed(m_arena->remove_mover(the_ship()));
    ASSERT_NE(removed, nullptr);
    EXPECT_FALSE(handle);
    EXPECT_FALSE(m_arena->get_player_from_shot(nullptr));
}

TEST_F(arena_ptr_handle, the_handle_names_the_first_admitted_ship)
{
    build({
        ".....",
        "..S..",
        ".....",
    });
    // No ship at all, then one still waiting for admission.
    EXPECT_FALSE(m_arena->get_player_from_shot(nullptr));
    ship* first = new ship;
    m_arena->add_mover(first);
    EXPECT_FALSE(m_arena->get_player_from_shot(nullptr));

    pass();
    ship* second = new ship;
    m_arena->add_mover(second);
    pass();
    arena_ptr<mover> handle = m_arena->get_player_from_shot(nullptr);
    ASSERT_TRUE(handle);
    EXPECT_EQ(&*handle, first);
    EXPECT_EQ(m_arena->get_player_target(), first);

    // With the first gone, the second is the one found.
    first->die();
    pass();
    EXPECT_FALSE(handle);
    arena_ptr<mover> next = m_arena->get_player_from_shot(nullptr);
    ASSERT_TRUE(next);
    EXPECT_EQ(&*next, second);
}
