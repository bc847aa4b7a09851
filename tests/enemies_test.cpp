// The enemy base: hits through the damage reduction, the kill with its
// death effects and score, instant kills and blows between two enemies.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "enemies.h"
#include "game.h"

namespace {
// An enemy with nothing of its own but a record of its deaths; the base's
// fields are set as an enemy class's constructor sets them.
class plain_enemy : public enemy {
public:
    plain_enemy() = default;
    plain_enemy(double hitpoints, int dam_red, int score)
    {
        m_hitpoints = hitpoints;
        m_dam_red = dam_red;
        m_score = score;
    }
    SDL_Surface* pic() const override { return nullptr; }
    void notify_dead() override
    {
        ++deaths;
        score_at_death = game::the_game->m_player_status.score;
        if (on_death)
            on_death();
    }
    double hitpoints() const { return m_hitpoints; }

    int deaths = 0;
    int score_at_death = -1;
    std::function<void()> on_death;
};

class enemy_base : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_game.reset(new game);
        game::the_game = m_game.get();
        m_game->m_player_status = player_status{0, 0, MAX_SHIELD, 3, false, 10, 10, 0};
    }
    void TearDown() override
    {
        m_game.reset();
        game::the_game = nullptr;
    }
    int score() const { return m_game->m_player_status.score; }

    std::unique_ptr<game> m_game;
};
}

TEST_F(enemy_base, starts_with_one_hit_point_and_nothing_else)
{
    plain_enemy e;
    EXPECT_EQ(e.hitpoints(), 1.0);
    EXPECT_EQ(e.dam_red(), 0);
    EXPECT_FALSE(e.is_boss());
    EXPECT_FALSE(e.is_dead());
    EXPECT_EQ(e.m_mass, 0);
    EXPECT_EQ(e.m_x, 0);
    EXPECT_EQ(e.m_dy, 0);
    // It keeps the mover's answers: no contacts wanted, never stuck.
    EXPECT_FALSE(e.does_arena_collisions());
    EXPECT_FALSE(e.does_collisions(&e));
    EXPECT_FALSE(e.is_stuck());
    // A fresh enemy scores nothing when it dies.
    EXPECT_EQ(e.take_hit(1.0), 1.0);
    EXPECT_TRUE(e.is_dead());
    EXPECT_EQ(score(), 0);
}

TEST_F(enemy_base, take_hit_lowers_hit_points_by_the_hit_less_the_reduction)
{
    const struct {
        const char* what;
        double hitpoints;
        int dam_red;
        double damage;
        double returned;
        double left;  // 0 when killed
        bool killed;
    } cases[] = {
        {"no greater than the reduction", 20, 5, 1.0, 1.0, 20, false},
        {"overkill", 2, 0, 7.5, 2.0, 0, true},
        {"a fraction", 20, 0, 1.5, 1.0, 18.5, false},
        {"exactly to 0", 5, 0, 5.0, 5.0, 0, true},
        {"reduction larger than the hit", 10, 5, 3.0, 3.0, 10, false},
        {"reduction equal to the hit", 10, 5, 5.0, 5.0, 10, false},
        {"through the reduction", 20, 2, 10.0, 10.0, 12, false},
        {"overkill through the reduction", 1, 2, 10.0, 3.0, 0, true},
        {"fraction killing", 2, 0, 2.5, 2.0, 0, true},
        {"nothing", 3, 0, 0.0, 0.0, 3, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_player_status.score = 0;
        plain_enemy e(c.hitpoints, c.dam_red, 40);
        EXPECT_EQ(e.take_hit(c.damage), c.returned);
        EXPECT_EQ(e.hitpoints(), c.left);
        EXPECT_EQ(e.is_dead(), c.killed);
        EXPECT_EQ(e.deaths, c.killed ? 1 : 0);
        EXPECT_EQ(score(), c.killed ? 40 : 0);
    }
}

TEST_F(enemy_base, a_dead_enemy_takes_nothing_more)
{
    plain_enemy e(3, 0, 25);
    e.take_hit(10);
    ASSERT_TRUE(e.is_dead());
    for (double hit : {1.0, 100.0, 0.5}) {
        EXPECT_EQ(e.take_hit(hit), 0.0);
        EXPECT_EQ(e.insta_kill(), 0.0);
    }
    EXPECT_EQ(e.hitpoints(), 0);
    EXPECT_EQ(e.deaths, 1);
    EXPECT_EQ(score(), 25);
}

TEST_F(enemy_base, score_is_added_after_the_death_effects)
{
    m_game->m_player_status.score = 1000;
    plain_enemy e(1, 0, 200);
    e.take_hit(1);
    EXPECT_EQ(e.score_at_death, 1000);
    EXPECT_EQ(score(), 1200);

    // One killed by the other's death effects scores first.
    plain_enemy blaster(1, 0, 20), bystander(1, 0, 3);
    blaster.on_death = [&] { bystander.take_hit(5); };
    int bystander_scored_at = -1;
    bystander.on_death = [&] { bystander_scored_at = score(); };
    blaster.take_hit(1);
    EXPECT_EQ(bystander_scored_at, 1200);
    EXPECT_EQ(score(), 1223);
}

TEST_F(enemy_base, insta_kill_kills_whatever_the_hit_points_and_reduction)
{
    const struct {
        double hitpoints;
        int dam_red;
    } cases[] = {{1, 0}, {400, 1}, {20, 5}, {0.25, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hitpoints);
        m_game->m_player_status.score = 0;
        plain_enemy e(c.hitpoints, c.dam_red, 20);
        // A hit of reduction + hit points + 1, counted less what overshoots.
        EXPECT_EQ(e.insta_kill(), static_cast<double>(static_cast<int>(c.hitpoints + c.dam_red)));
        EXPECT_TRUE(e.is_dead());
        EXPECT_EQ(e.deaths, 1);
        EXPECT_EQ(score(), 20);
    }
}

// Through the virtual operation, so that a class's own take_hit is used.
class counted_enemy : public plain_enemy {
public:
    using plain_enemy::plain_enemy;
    double take_hit(double damage) override
    {
        hits.push_back(damage);
        return plain_enemy::take_hit(damage);
    }
    std::vector<double> hits;
};

TEST_F(enemy_base, insta_kill_and_collide_hit_through_the_virtual_operation)
{
    counted_enemy a(20, 5, 0), b(3, 0, 0);
    enemy::collide(&a, &b);
    EXPECT_EQ(a.hits, std::vector<double>({3.0}));
    EXPECT_EQ(b.hits, std::vector<double>({3.0}));
    counted_enemy c(7, 2, 0);
    c.insta_kill();
    EXPECT_EQ(c.hits, std::vector<double>({10.0}));
}

TEST_F(enemy_base, collide_deals_both_the_smaller_sum)
{
    const struct {
        const char* what;
        double hp1;
        int red1;
        double hp2;
        int red2;
        bool dead1, dead2;
        double left1, left2;
    } cases[] = {
        {"equal sums kill both", 4, 1, 5, 0, true, true, 0, 0},
        {"3 against 20 + 5", 3, 0, 20, 5, true, false, 0, 20},
        {"20 + 5 against 3", 20, 5, 3, 0, false, true, 20, 0},
        {"3 against 20 + 1", 3, 0, 20, 1, true, false, 0, 18},
        {"fractions", 2.5, 0, 10, 0, true, false, 0, 7.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_player_status.score = 0;
        plain_enemy e1(c.hp1, c.red1, 10), e2(c.hp2, c.red2, 100);
        enemy::collide(&e1, &e2);
        EXPECT_EQ(e1.is_dead(), c.dead1);
        EXPECT_EQ(e2.is_dead(), c.dead2);
        EXPECT_EQ(e1.hitpoints(), c.left1);
        EXPECT_EQ(e2.hitpoints(), c.left2);
        EXPECT_EQ(score(), (c.dead1 ? 10 : 0) + (c.dead2 ? 100 : 0));
        if (c.dead1 && c.dead2) {
            // The first one's death effects and score come first.
            EXPECT_EQ(e1.score_at_death, 0);
            EXPECT_EQ(e2.score_at_death, 10);
        }
    }
}
