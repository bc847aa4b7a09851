// Tests of the game state: the picture cache, player status comparison and
// a fresh game's controls.
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "debug.h"
#include "game.h"
#include "png_fixture.h"
#include "test_support.h"
#include "text.h"

namespace {
// A font is present so that placeholders log nothing but their own line;
// it is dropped again so later tests start without one.
class bitmap_pool_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        text::exit();
        ASSERT_TRUE(write_code_font(path("images/font.png"), 2, 4));
    }
    void TearDown() override
    {
        m_pool.reset();
        text::exit();
        run_dir_test::TearDown();
    }
    void write_picture(const std::string& name, int width, int height) const
    {
        ASSERT_TRUE(write_noise_png(path("images/" + name), width, height));
    }

    std::unique_ptr<bitmap_pool> m_pool{new bitmap_pool};
};

TEST_F(bitmap_pool_test, reads_each_picture_once)
{
    write_picture("ball.png", 5, 3);
    SDL_Surface* first = m_pool->get_bitmap("ball.png");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->w, 5);
    EXPECT_EQ(first->h, 3);

    // With the file gone, only the cache can answer.
    std::filesystem::remove(path("images/ball.png"));
    testing::internal::CaptureStdout();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_pool->get_bitmap("ball.png"), first);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(bitmap_pool_test, keys_are_exact_spellings)
{
    write_picture("ball.png", 5, 3);
    write_picture("Ball.png", 7, 2);
    SDL_Surface* lower = m_pool->get_bitmap("ball.png");
    SDL_Surface* mixed = m_pool->get_bitmap("Ball.png");
    testing::internal::CaptureStdout();
    SDL_Surface* upper = m_pool->get_bitmap("BALL.png");  // no such file here
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "loadimag, line 111: Could not open images/BALL.png\n");

    EXPECT_NE(lower, mixed);
    EXPECT_NE(lower, upper);
    EXPECT_NE(mixed, upper);
    EXPECT_EQ(lower->w, 5);
    EXPECT_EQ(mixed->w, 7);
    EXPECT_EQ(upper->w, 200);
    EXPECT_EQ(m_pool->get_bitmap("ball.png"), lower);
    EXPECT_EQ(m_pool->get_bitmap("Ball.png"), mixed);
}

TEST_F(bitmap_pool_test, missing_picture_is_logged_once_and_its_placeholder_kept)
{
    testing::internal::CaptureStdout();
    SDL_Surface* first = m_pool->get_bitmap("ghost.png");
    // Even a file that turns up later is not read: the placeholder stays.
    write_picture("ghost.png", 5, 3);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(m_pool->get_bitmap("ghost.png"), first);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "loadimag, line 111: Could not open images/ghost.png\n");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->w, 200);
    EXPECT_EQ(first->h, 20);
}

TEST_F(bitmap_pool_test, other_extensions_throw_every_time_and_are_not_kept)
{
    write_picture("ship.bmp", 5, 3);
    const std::string line = "loadimag, line 65: Unknown image extension: BMP\n";
    testing::internal::CaptureStdout();
    EXPECT_THROW(m_pool->get_bitmap("ship.bmp"), whinage);
    EXPECT_THROW(m_pool->get_bitmap("ship.bmp"), whinage);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), line + line);

    // The pool still works for proper names afterwards.
    write_picture("ship.png", 4, 4);
    SDL_Surface* ship = m_pool->get_bitmap("ship.png");
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(ship->w, 4);
}

TEST_F(bitmap_pool_test, destruction_frees_every_surface_once)
{
    write_picture("ball.png", 5, 3);
    write_picture("Ball.png", 7, 2);
    write_picture("coin.png", 2, 2);
    std::vector<SDL_Surface*> handed_out;
    for (const char* name : {"ball.png", "Ball.png", "coin.png", "missing.png", "ball.png"})
        handed_out.push_back(m_pool->get_bitmap(name));
    handed_out.pop_back();  // the repeat is the first surface again

    // One extra reference each: after the pool is gone each must be back
    // to exactly that one (freed once, neither kept nor freed twice).
    for (SDL_Surface* s : handed_out) {
        EXPECT_EQ(s->refcount, 1);
        ++s->refcount;
    }
    m_pool.reset();
    for (SDL_Surface* s : handed_out) {
        EXPECT_EQ(s->refcount, 1);
        SDL_FreeSurface(s);
    }
}

// --- player status ----------------------------------------------------------

player_status some_status()
{
    player_status s;
    s.score = 1200;
    s.money = 350;
    s.shield = 7;
    s.lives = 2;
    s.in_shop = false;
    s.energy = 6.5f;
    s.max_energy = 10.0f;
    s.invulnerability = 0.0f;
    return s;
}

TEST(game_player_status, equality_compares_all_but_the_shop_flag)
{
    const struct {
        const char* change;
        void (*apply)(player_status&);
        bool equal;
    } cases[] = {
        {"nothing", [](player_status&) {}, true},
        {"in_shop", [](player_status& s) { s.in_shop = true; }, true},
        {"score", [](player_status& s) { s.score += 1; }, false},
        {"money", [](player_status& s) { s.money -= 50; }, false},
        {"shield", [](player_status& s) { s.shield = -1; }, false},
        {"lives", [](player_status& s) { s.lives = 3; }, false},
        {"energy", [](player_status& s) { s.energy = 6.25f; }, false},
        {"max_energy", [](player_status& s) { s.max_energy = 12.0f; }, false},
        {"invulnerability", [](player_status& s) { s.invulnerability = 0.04f; }, false},
        {"in_shop and score", [](player_status& s) { s.in_shop = true; s.score = 0; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        player_status a = some_status(), b = some_status();
        c.apply(b);
        EXPECT_EQ(a == b, c.equal);
        EXPECT_EQ(b == a, c.equal);
    }
}

TEST(game_player_status, floats_are_compared_exactly)
{
    // Invulnerability counts down in steps of 0.04 and must read as changed
    // however small what is left.
    player_status a = some_status(), b = some_status();
    b.invulnerability = std::nextafter(0.0f, 1.0f);
    EXPECT_FALSE(a == b);

    // A NaN equals nothing, not even itself.
    b = some_status();
    b.energy = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(b == b);
}

// --- the game ---------------------------------------------------------------

TEST(game, fresh_game_holds_no_control)
{
    // Built over memory whose every byte reads as a true bool, so the flags
    // are false only if the constructor sets them (volatile: the filling
    // must not be optimised away).
    alignas(game) unsigned char storage[sizeof(game)];
    volatile unsigned char* fill = storage;
    for (size_t i = 0; i < sizeof storage; ++i)
        fill[i] = 1;
    game* g = new (storage) game;
    EXPECT_FALSE(g->m_key_flags.up);
    EXPECT_FALSE(g->m_key_flags.left);
    EXPECT_FALSE(g->m_key_flags.right);
    EXPECT_FALSE(g->m_key_flags.tractor);
    EXPECT_FALSE(g->m_key_flags.fire);
    g->~game();
}
}

namespace {
TEST(game, fresh_game_has_no_fitting)
{
    // The play loop fits the ship; until then there is nothing.
    game g;
    EXPECT_TRUE(g.m_weapon_mounts.empty());
    EXPECT_TRUE(g.m_systems.empty());
}

TEST(game, records_keep_their_field_order)
{
    // Aggregate initialisation in these orders is used across the game.
    game g;
    const struct {
        const char* flag;
        bool up, left, right, tractor, fire;
    } cases[] = {
        {"up", true, false, false, false, false},      {"left", false, true, false, false, false},
        {"right", false, false, true, false, false},   {"tractor", false, false, false, true, false},
        {"fire", false, false, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flag);
        g.m_key_flags = {c.up, c.left, c.right, c.tractor, c.fire};
        EXPECT_EQ(g.m_key_flags.up, c.up);
        EXPECT_EQ(g.m_key_flags.left, c.left);
        EXPECT_EQ(g.m_key_flags.right, c.right);
        EXPECT_EQ(g.m_key_flags.tractor, c.tractor);
        EXPECT_EQ(g.m_key_flags.fire, c.fire);
    }

    player_status s = {1, 2, 3, 4, true, 5.5f, 6.5f, 7.5f};
    EXPECT_EQ(s.score, 1);
    EXPECT_EQ(s.money, 2);
    EXPECT_EQ(s.shield, 3);
    EXPECT_EQ(s.lives, 4);
    EXPECT_TRUE(s.in_shop);
    EXPECT_EQ(s.energy, 5.5f);
    EXPECT_EQ(s.max_energy, 6.5f);
    EXPECT_EQ(s.invulnerability, 7.5f);
}
}
