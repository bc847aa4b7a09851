// The weapons module: the equipment catalogue, the default mounts, the ship
// statistics, every weapon's shot effects on walls, balls and enemies, and
// the scoop's carrier of captured enemies.
#include <cmath>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "explosion.h"
#include "weapons.h"

namespace {
std::string text(const char* s) { return s ? s : "(null)"; }

// ------------------------------------------------------------- catalogue

struct weapon_row {
    weapon_id id;
    const char* name;
    int cost;
    float exit_speed;
    float ttl;
    int damage;
    const char* image_file;
    float recoil;
    int reload;
    detonation_fn_t* det_fn;
    expiration_fn_t* exp_fn;
    const char* shop_graphic;
    int mass;
    float energy_cost;
    sound::snd_id sound_effect;
    const char* description;
};

const weapon_row weapon_rows[] = {
    {WT_NOTHING, "Nothing", 0, 0, 0, 0, nullptr, 0, 0, nullptr, nullptr, nullptr, 0, 0,
     sound::SILENCE, "Two cubic metres of empty space"},
    {WT_PEASHOOTER, "Peashooter", 300, 300, 0.8f, 1, "shot.png", 0, 5, shot_det, nullptr,
     "peashooter.png", 1, 1, sound::PFFT, "Basic weapon system"},
    {WT_RAPISHOOTER, "Rapishooter", 800, 300, 0.8f, 1, "shot.png", 0, 2, shot_det, nullptr,
     "s_rapishooter.png", 2, 1, sound::PFFT, "Rapid-fire peashooter"},
    {WT_SHOVER, "Shover", 500, 400, 0.8f, 2, "shover.png", 5, 5, shover_det, nullptr,
     "s_shover.png", 3, 2, sound::DOOF, "Very massive projectile"},
    {WT_ROCKET, "Rocket", 1500, 800, 0.8f, 5, "rocket.png", 20, 15, rocket_det, nullptr,
     "s_rocket.png", 2, 10, sound::SILENCE, "Explosive warhead"},
    {WT_FLAKKER, "Implosion", 3000, 250, 1.2f, 6, "shot.png", 2, 7, flakker_det, nullptr,
     "s_implosion.png", 10, 6, sound::SILENCE, "Good anti-mob weapon"},
    {WT_PLASMOID, "Plasmoid", 3000, 500, 1.5f, 8, "plasmoid.png", 4, 4, plasmoid_det, nullptr,
     "s_plasmoid.png", 7, 15, sound::SILENCE, "Ultimate weapon?"},
    {WT_SCATTER, "Scatter", 2000, 600, 0.3f, 16, "shover.png", 3, 3, scatter_det, scatter_exp,
     "s_scatter.png", 5, 20, sound::SILENCE, "Fragmentation weapon"},
    {WT_SNIPER, "Sniper", 2000, 1000, 0.4f, 10, "wshot.png", 100, 6, sniper_det, nullptr,
     "s_sniper.png", 3, 15, sound::SILENCE, "Long range, high damage."},
    {WT_RBG, "R.B.G", 3000, 350, 0.5f, 0, "wshot.png", 0, 10, rbg_det, rbg_exp, "s_rbg.png", 20,
     30, sound::SILENCE, "Recking Ball generator"},
    {WT_SCOOP, "Scoop", 2000, 500, 0.5f, 0, "heart.png", 0, 10, scoop_det, nullptr,
     "s_scoop.png", 5, 1, sound::SILENCE, "Makes (and breaks) friends."},
};

TEST(weapon_catalogue, holds_eleven_weapons_three_engines_and_five_systems)
{
    EXPECT_EQ(weapon_types().size(), 11u);
    EXPECT_EQ(engine_types().size(), 3u);
    EXPECT_EQ(system_types().size(), 5u);
    // Filled once: every call hands out the same table.
    EXPECT_EQ(&weapon_types(), &weapon_types());
    EXPECT_EQ(&engine_types(), &engine_types());
    EXPECT_EQ(&system_types(), &system_types());
    EXPECT_EQ(weapon_types()[WT_ROCKET].cost, 1500);
}

TEST(weapon_catalogue, weapon_rows_hold_every_value)
{
    ASSERT_EQ(weapon_types().size(), sizeof weapon_rows / sizeof weapon_rows[0]);
    for (const weapon_row& want : weapon_rows) {
        SCOPED_TRACE(want.name);
        const weapon_type& got = weapon_types()[want.id];
        EXPECT_EQ(text(got.name), want.name);
        EXPECT_EQ(got.cost, want.cost);
        EXPECT_EQ(got.exit_speed, want.exit_speed);
        EXPECT_EQ(got.ttl, want.ttl);
        EXPECT_EQ(got.damage, want.damage);
        EXPECT_EQ(text(got.image_file), text(want.image_file));
        EXPECT_EQ(got.recoil, want.recoil);
        EXPECT_EQ(got.reload, want.reload);
        EXPECT_EQ(got.det_fn, want.det_fn);
        EXPECT_EQ(got.exp_fn, want.exp_fn);
        EXPECT_EQ(text(got.shop_graphic), text(want.shop_graphic));
        EXPECT_EQ(got.mass, want.mass);
        EXPECT_EQ(got.energy_cost, want.energy_cost);
        EXPECT_EQ(got.sound_effect, want.sound_effect);
        EXPECT_EQ(text(got.description), want.description);
    }
}

TEST(weapon_catalogue, keeps_its_odd_spellings)
{
    // Easy to "correct" by accident; the shop and the data files rely on them.
    EXPECT_EQ(text(weapon_types()[WT_PEASHOOTER].shop_graphic), "peashooter.png");
    EXPECT_EQ(text(weapon_types()[WT_FLAKKER].name), "Implosion");
    EXPECT_EQ(text(weapon_types()[WT_RBG].name), "R.B.G");
    EXPECT_EQ(text(system_types()[ST_LEAD].description), "Increases ship mass.   A lot.");
    EXPECT_EQ(system_types()[ST_LEAD].cost, 1);
}

TEST(weapon_catalogue, engine_rows_hold_every_value)
{
    const struct {
        engine_id id;
        const char* name;
        int cost;
        float thrust;
        int mass;
        const char* description;
    } rows[] = {
        {ET_PIFFLER, "Piffler", 100, 1875, 1, "Basic Engine"},
        {ET_THRUSTER, "Thruster", 500, 3125, 3, "Better Engine"},
        {ET_STREAKER, "Streaker", 2500, 7500, 6, "Powerful Engine"},
    };
    for (const auto& want : rows) {
        SCOPED_TRACE(want.name);
        const engine_type& got = engine_types()[want.id];
        EXPECT_EQ(text(got.name), want.name);
        EXPECT_EQ(got.cost, want.cost);
        EXPECT_EQ(got.thrust, want.thrust);
        EXPECT_EQ(got.mass, want.mass);
        EXPECT_EQ(text(got.description), want.description);
    }
}

TEST(weapon_catalogue, system_rows_hold_every_value)
{
    const struct {
        system_id id;
        const char* name;
        int cost;
        int mass;
        const char* shop_graphic;
        const char* description;
    } rows[] = {
        {ST_EMPTY, "Empty", 0, 0, nullptr, "A large chunk of empty space"},
        {ST_GENERATOR, "Generator", 500, 1, "s_generator.png", "Increases energy recharge rate"},
        {ST_BATTERY, "Battery", 500, 1, "s_battery.png", "Increases maximum energy"},
        {ST_LEAD, "Lead", 1, 20, "s_lead.png", "Increases ship mass.   A lot."},
        {ST_SUPERGENERATOR, "Generator++", 2500, 2, "s_generator2.png",
         "3 times the standard generator output."},
    };
    for (const auto& want : rows) {
        SCOPED_TRACE(want.name);
        const system_type& got = system_types()[want.id];
        EXPECT_EQ(text(got.name), want.name);
        EXPECT_EQ(got.cost, want.cost);
        EXPECT_EQ(got.mass, want.mass);
        EXPECT_EQ(text(got.shop_graphic), text(want.shop_graphic));
        EXPECT_EQ(text(got.description), want.description);
    }
}

TEST(weapon_catalogue, default_mounts_in_order)
{
    const struct {
        float loc_x, loc_y, angle;
        const char* name;
        weapon_id type;
    } rows[] = {
        {0, -15, 0, "Front Centre", WT_PEASHOOTER},
        {-2.5f, -14.8f, -0.1f, "Front Left", WT_NOTHING},
        {2.5f, -14.8f, 0.1f, "Front Right", WT_NOTHING},
        {-15, 13.5f, 0, "Left Wing", WT_NOTHING},
        {15, 13.5f, 0, "Right Wing", WT_NOTHING},
        {-9, 0, -1.5707964f, "Left", WT_NOTHING},
        {9, 0, 1.5707964f, "Right", WT_NOTHING},
        {-9, 4, -1.5707964f, "Left", WT_NOTHING},
        {9, 4, 1.5707964f, "Right", WT_NOTHING},
        {-2, 16, 3.1415927f, "Rear left", WT_NOTHING},
        {2, 16, 3.1415927f, "Rear right", WT_NOTHING},
    };
    ASSERT_EQ(mount_count, 11);
    for (int i = 0; i < mount_count; ++i) {
        SCOPED_TRACE(i);
        const weapon_mount& got = mounts[i];
        EXPECT_EQ(got.loc_x, rows[i].loc_x);
        EXPECT_EQ(got.loc_y, rows[i].loc_y);
        EXPECT_EQ(got.angle, rows[i].angle);
        EXPECT_EQ(text(got.name), rows[i].name);
        EXPECT_EQ(got.reload, 0);
        EXPECT_EQ(got.type, rows[i].type);
    }
}

// -------------------------------------------------------- ship statistics

// A game fitted as a new one is, which each case then changes.
class ship_statistics : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_game.reset(new game);
        game::the_game = m_game.get();
        m_game->m_weapon_mounts.assign(mounts, mounts + mount_count);
        m_game->m_engine = ET_PIFFLER;
        m_game->m_systems.assign(system_slots, ST_EMPTY);
    }
    void TearDown() override
    {
        m_game.reset();
        game::the_game = nullptr;
    }
    void fit(std::vector<system_id> slots)
    {
        slots.resize(system_slots, ST_EMPTY);
        m_game->m_systems = slots;
    }

    std::unique_ptr<game> m_game;
};

TEST_F(ship_statistics, a_new_ship)
{
    EXPECT_EQ(calc_ship_mass(), 10);  // 8 + Peashooter 1 + Piffler 1
    EXPECT_EQ(calc_ship_battery(), 10.0f);
    EXPECT_EQ(calc_ship_generate(), 0.05f);
}

TEST_F(ship_statistics, mass_adds_every_weapon_the_engine_and_every_system)
{
    const struct {
        const char* fitting;
        std::vector<weapon_id> weapons;  // mounts from 0; the rest stay as they are
        engine_id engine;
        std::vector<system_id> systems;
        int mass;
    } cases[] = {
        {"new ship", {}, ET_PIFFLER, {}, 10},
        {"no weapon at all", {WT_NOTHING}, ET_PIFFLER, {}, 9},
        {"streaker", {}, ET_STREAKER, {}, 15},
        {"thruster and a generator++", {}, ET_THRUSTER, {ST_SUPERGENERATOR}, 14},
        {"twenty lead", {}, ET_PIFFLER, std::vector<system_id>(20, ST_LEAD), 410},
        {"every system once", {}, ET_PIFFLER,
         {ST_GENERATOR, ST_BATTERY, ST_LEAD, ST_SUPERGENERATOR, ST_EMPTY}, 34},
        {"every weapon", {WT_PEASHOOTER, WT_RAPISHOOTER, WT_SHOVER, WT_ROCKET, WT_FLAKKER,
                          WT_PLASMOID, WT_SCATTER, WT_SNIPER, WT_RBG, WT_SCOOP, WT_NOTHING},
         ET_PIFFLER, {}, 9 + 1 + 2 + 3 + 2 + 10 + 7 + 5 + 3 + 20 + 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fitting);
        SetUp();
        for (size_t i = 0; i < c.weapons.size(); ++i)
            m_game->m_weapon_mounts[i].type = c.weapons[i];
        m_game->m_engine = c.engine;
        fit(c.systems);
        EXPECT_EQ(calc_ship_mass(), c.mass);
    }
}

TEST_F(ship_statistics, battery_adds_fifteen_per_battery)
{
    const struct {
        const char* fitting;
        std::vector<system_id> systems;
        float battery;
    } cases[] = {
        {"one", {ST_BATTERY}, 25.0f},
        {"two among others", {ST_LEAD, ST_BATTERY, ST_GENERATOR, ST_BATTERY}, 40.0f},
        {"twenty", std::vector<system_id>(20, ST_BATTERY), 310.0f},
        {"generators only", {ST_GENERATOR, ST_SUPERGENERATOR}, 10.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fitting);
        fit(c.systems);
        EXPECT_EQ(calc_ship_battery(), c.battery);
    }
    m_game->m_systems.clear();
    EXPECT_EQ(calc_ship_battery(), 10.0f);
}

TEST_F(ship_statistics, generate_is_rounded_to_float_after_each_slot)
{
    const struct {
        const char* fitting;
        std::vector<system_id> systems;
        float generate;
    } cases[] = {
        {"generator", {ST_GENERATOR}, 0.25f},
        {"generator++", {ST_SUPERGENERATOR}, 0.64999998f},
        // The order of the slots shows in the last bit.
        {"generator, then generator++", {ST_GENERATOR, ST_SUPERGENERATOR}, 0.85000002f},
        {"generator++, then generator", {ST_SUPERGENERATOR, ST_GENERATOR}, 0.84999996f},
        {"the same apart", {ST_SUPERGENERATOR, ST_LEAD, ST_BATTERY, ST_EMPTY, ST_GENERATOR},
         0.84999996f},
        {"nothing that generates", {ST_LEAD, ST_BATTERY}, 0.05f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fitting);
        fit(c.systems);
        EXPECT_EQ(calc_ship_generate(), c.generate);
    }
}

// ---------------------------------------------------------- shot effects

// What an enemy went through, kept outside it so it can be read after the
// arena has deleted the enemy.
struct enemy_log {
    int deaths = 0;
    int score_at_death = -1;
    int do_stuff_calls = 0;
    bool deleted = false;
    float dx_at_deletion = -1;
    float dy_at_deletion = -1;
};

class watched_enemy : public test_enemy {
public:
    watched_enemy(enemy_log& log, double hitpoints, int dam_red = 0, int score = 0,
                  bool boss = false)
        : test_enemy(hitpoints, dam_red, score), m_log(log), m_boss(boss)
    {
    }
    ~watched_enemy() override
    {
        m_log.deleted = true;
        m_log.dx_at_deletion = m_dx;
        m_log.dy_at_deletion = m_dy;
    }
    void do_stuff(float) override { ++m_log.do_stuff_calls; }
    bool is_boss() const override { return m_boss; }
    void notify_dead() override
    {
        test_enemy::notify_dead();
        ++m_log.deaths;
        m_log.score_at_death = game::the_game->m_player_status.score;
    }

private:
    enemy_log& m_log;
    bool m_boss;
};

// A w x h room walled all round, the ship's spawn at (sx, sy).
std::vector<std::string> room(int w, int h, int sx = 1, int sy = 1)
{
    std::vector<std::string> rows(h, "#" + std::string(w - 2, '.') + "#");
    rows.front() = rows.back() = std::string(w, '#');
    rows[sy][sx] = 'S';
    return rows;
}

// Gravity off, so that nothing but the effects under test moves anything.
class effects_fixture : public sounding_arena_test {
protected:
    void SetUp() override
    {
        sounding_arena_test::SetUp();
        m_arena->set_gravity(0);
    }

    // A shot made as the ship makes one of the weapon, top-left corner at
    // (x, y); life < 0 takes the weapon's own.
    shot* add_shot(weapon_id id, float x, float y, float dx = 0, float dy = 0, int mount = 0,
                   float life = -1)
    {
        const weapon_type& w = weapon_types()[id];
        shot* s = new shot(w.image_file, life < 0 ? w.ttl : life, mount, w.det_fn, w.exp_fn);
        s->teleport(x, y);
        s->m_dx = dx;
        s->m_dy = dy;
        m_arena->add_mover(s);
        return s;
    }
    test_enemy* add_enemy(float x, float y, double hitpoints = 20, int dam_red = 0, int score = 0)
    {
        test_enemy* e = new test_enemy(hitpoints, dam_red, score);
        e->teleport(x, y);
        m_arena->add_mover(e);
        return e;
    }
    enemy_log& new_log()
    {
        m_logs.emplace_back();
        return m_logs.back();
    }
    watched_enemy* add_watched(enemy_log& log, float x, float y, double hitpoints, int dam_red = 0,
                               int score = 0, bool boss = false)
    {
        watched_enemy* e = new watched_enemy(log, hitpoints, dam_red, score, boss);
        e->teleport(x, y);
        m_arena->add_mover(e);
        return e;
    }
    SDL_Surface* picture(const char* name) { return m_game->m_bmp_pool.get_bitmap(name); }
    std::vector<sound_recorder::heard> heard() const
    {
        return m_sound ? m_recorder.heard_sounds() : std::vector<sound_recorder::heard>();
    }

    std::deque<enemy_log> m_logs;  // outlive the arena's movers
};

class shot_effects : public effects_fixture {};

typedef sound_recorder::heard sound_heard;

// What is left after one frame in which a shot touched its victim.
struct outcome {
    int shots;  // the shot itself if it flies on, and fragments
    int explosions;
    int recking_balls;
    int force_indicators;
    int carriers;
    double damage;  // to the enemy victim
    std::vector<sound_heard> sounds;
};

TEST_F(shot_effects, every_weapon_on_a_wall_a_ball_and_an_enemy)
{
    const sound_heard boom = {sound::BOOM, 128}, slurp = {sound::SLURRRP, 128};
    const outcome nothing = {0, 0, 0, 0, 0, 0, {}};
    const struct {
        weapon_id weapon;
        outcome wall, ball, foe;
    } cases[] = {
        {WT_PEASHOOTER, {0, 1, 0, 0, 0, 0, {}}, {0, 1, 0, 0, 0, 0, {}}, {0, 1, 0, 0, 0, 1, {}}},
        {WT_RAPISHOOTER, {0, 1, 0, 0, 0, 0, {}}, {0, 1, 0, 0, 0, 0, {}}, {0, 1, 0, 0, 0, 1, {}}},
        {WT_SHOVER, nothing, nothing, {0, 0, 0, 0, 0, 2, {}}},
        // Their centres stop 2 and 1 pixels short of the enemy's box.
        {WT_ROCKET, {0, 0, 0, 1, 0, 0, {boom}}, {0, 0, 0, 1, 0, 0, {boom}},
         {0, 0, 0, 1, 0, 4, {boom}}},
        {WT_FLAKKER, {0, 0, 0, 1, 0, 0, {}}, {0, 0, 0, 1, 0, 0, {}}, {0, 0, 0, 1, 0, 6, {}}},
        {WT_PLASMOID, nothing, {1, 0, 0, 0, 0, 0, {}}, {1, 0, 0, 0, 0, 1, {}}},
        {WT_SCATTER, nothing, nothing, {16, 0, 0, 0, 0, 0, {}}},
        {WT_SNIPER, nothing, {1, 0, 0, 0, 0, 0, {}}, {0, 0, 0, 0, 0, 10, {}}},
        {WT_RBG, {0, 0, 1, 0, 0, 0, {}}, {0, 0, 1, 0, 0, 0, {}}, {0, 0, 1, 0, 0, 0, {}}},
        {WT_SCOOP, nothing, nothing, {0, 0, 0, 0, 1, 0, {slurp}}},
    };
    for (const auto& c : cases) {
        for (char victim : {'#', 'B', 'e'}) {
            SCOPED_TRACE(std::string(weapon_types()[c.weapon].name) + " on " + victim);
            // The victim fills tile (6, 5); the shot comes from the left at
            // one pixel per sub-step and first touches it in the fourth, so
            // whatever it leaves is in the arena but has not acted yet.
            std::vector<std::string> rows = room(12, 10);
            if (victim != 'e')
                rows[5][6] = victim;
            start(rows);
            m_recorder.clear();
            test_enemy* foe = victim == 'e' ? add_enemy(192, 168) : nullptr;
            SDL_Surface* p = picture(weapon_types()[c.weapon].image_file);
            int touch = victim == 'B' ? 198 : 192;  // first opaque column
            add_shot(c.weapon, static_cast<float>(touch - p->w - 3), static_cast<float>(176 - p->h / 2),
                     100, 0);
            frame();

            const outcome& want = victim == '#' ? c.wall : victim == 'B' ? c.ball : c.foe;
            EXPECT_EQ(count_of<shot>(), want.shots);
            EXPECT_EQ(count_of<explosion>(), want.explosions);
            EXPECT_EQ(count_of<recking_ball>(), want.recking_balls);
            EXPECT_EQ(count_of<force_indicator>(), want.force_indicators);
            EXPECT_EQ(count_of<scoop_victim>(), want.carriers);
            if (foe && want.carriers == 0) {
                ASSERT_EQ(count_of<test_enemy>(), 1);
                EXPECT_EQ(20 - foe->hitpoints(), want.damage);
            }
            if (victim == 'B') {
                // A ball on its source is stuck: nothing moves it.
                ASSERT_EQ(count_of<ball>(), 1);
                EXPECT_EQ(all_of<ball>()[0]->m_x, 192);
                EXPECT_EQ(all_of<ball>()[0]->m_dx, 0);
                EXPECT_EQ(all_of<ball>()[0]->m_dy, 0);
            }
            if (m_sound) {
                EXPECT_EQ(heard(), want.sounds);
            }
        }
    }
}

TEST_F(shot_effects, peashooter_explosion_is_centred_on_the_shot_in_one_of_five_variants)
{
    // Two seeds whose first draw picks different variants.
    std::vector<unsigned> seeds;
    std::vector<int> variants;
    for (unsigned seed = 1; seeds.size() < 2; ++seed) {
        srand(seed);
        int v = randint(5) + 1;
        if (variants.empty() || variants[0] != v) {
            seeds.push_back(seed);
            variants.push_back(v);
        }
    }
    for (size_t i = 0; i < seeds.size(); ++i) {
        SCOPED_TRACE(variants[i]);
        start(room(12, 10));
        test_enemy* foe = add_enemy(192, 168, 3);
        add_shot(WT_PEASHOOTER, 200, 174);  // 4 x 4, centre (202, 176), on the enemy
        // The variant is the first draw of the frame.
        srand(seeds[i]);
        frame();

        EXPECT_EQ(foe->hitpoints(), 2);
        EXPECT_EQ(count_of<shot>(), 0);
        ASSERT_EQ(count_of<explosion>(), 1);
        explosion* e = all_of<explosion>()[0];
        // 20 x 20 frames centred on (202, 176); no velocity of its own.
        EXPECT_EQ(e->m_x, 192);
        EXPECT_EQ(e->m_y, 166);
        EXPECT_EQ(e->m_dx, 0);
        EXPECT_EQ(e->m_dy, 0);
        // Cached under the picture's name and the variant's digit.
        std::string name = "shot.png_" + std::to_string(variants[i]);
        std::unique_ptr<explosion> same(m_game->m_exp_pool.get_explosion(name, nullptr));
        EXPECT_EQ(e->pic(), same->pic());
    }
}

TEST_F(shot_effects, shover_pushes_what_has_mass_and_is_not_stuck)
{
    const struct {
        const char* what;
        float mass;  // 0: a turret-like enemy; < 0: a ball
        bool stuck;
        float dx, dy;            // the victim's velocity before
        float shot_dx, shot_dy;  // includes whatever the ship gave it; only it counts
        bool pushed;
        double damage;
    } cases[] = {
        {"enemy of mass 4", 4, false, 0, 0, 400, -100, true, 2},
        {"enemy without mass", 0, false, 0, 0, 400, -100, false, 2},
        {"loose ball", -1, false, 0, 0, 400, -100, true, 0},
        {"ball on its source", -1, true, 0, 0, 400, -100, false, 0},
        // Where a push worked out in float would end a step off.
        {"drifting enemy of mass 7", 7, false, 0.3f, -1.7f, 400, -100, true, 2},
        {"drifting loose ball", -1, false, -1.7f, 0.3f, 123.4f, 437, true, 0},
    };
    bool float_would_differ = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> rows = room(12, 10);
        if (c.stuck)
            rows[5][6] = 'B';
        start(rows);
        m_arena->set_air_resistance(0);  // the victim keeps its drift up to the push
        mover* victim = nullptr;
        test_enemy* foe = nullptr;
        if (c.mass >= 0) {
            victim = foe = add_enemy(192, 160);
            foe->m_mass = c.mass;
        } else if (!c.stuck) {
            ball* b = new ball;
            b->unstick();
            b->teleport(192, 160);
            m_arena->add_mover(b);
            victim = b;
        }
        frame();
        if (c.stuck)
            victim = all_of<ball>()[0];
        victim->m_dx = c.dx;
        victim->m_dy = c.dy;
        add_shot(WT_SHOVER, 196, 169, c.shot_dx, c.shot_dy);
        frame();

        EXPECT_EQ(count_of<shot>(), 0);
        // 0.9 x the shot's velocity over the victim's mass, in double.
        const float mass = victim->m_mass;
        const float want_dx = c.pushed ? static_cast<float>(c.dx + 0.9 * c.shot_dx / mass) : c.dx;
        const float want_dy = c.pushed ? static_cast<float>(c.dy + 0.9 * c.shot_dy / mass) : c.dy;
        EXPECT_EQ(victim->m_dx, want_dx);
        EXPECT_EQ(victim->m_dy, want_dy);
        if (c.pushed) {
            float_would_differ = float_would_differ || want_dx != c.dx + 0.9f * c.shot_dx / mass ||
                                 want_dy != c.dy + 0.9f * c.shot_dy / mass;
        }
        if (foe) {
            EXPECT_EQ(20 - foe->hitpoints(), c.damage);
        }
    }
    EXPECT_TRUE(float_would_differ) << "no case tells a push in double from one in float";
}

TEST_F(shot_effects, sniper_flies_on_past_what_it_overkills)
{
    const struct {
        const char* what;
        double hitpoints[3];
        int dam_red[3];
        bool killed[3];
        double left[3];
    } cases[] = {
        {"stops at the first that takes all 10", {1, 20, 5}, {0, 0, 0}, {true, false, false}, {0, 10, 5}},
        {"kills two on its way", {1, 1, 20}, {0, 0, 0}, {true, true, false}, {0, 0, 10}},
        {"reduction still takes the whole hit", {20, 5, 5}, {5, 0, 0}, {false, false, false}, {15, 5, 5}},
        {"exactly 10 stops it", {10, 5, 5}, {0, 0, 0}, {true, false, false}, {0, 5, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        start(room(14, 10));
        test_enemy* foes[3];
        enemy_log* logs[3];
        for (int i = 0; i < 3; ++i) {
            logs[i] = &new_log();
            foes[i] = add_watched(*logs[i], 200.0f + 60 * i, 168, c.hitpoints[i], c.dam_red[i]);
        }
        add_shot(WT_SNIPER, 150, 175, 1000, 0);
        frames(6);  // far enough to pass all three
        EXPECT_EQ(count_of<shot>(), 0);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(logs[i]->deaths, c.killed[i] ? 1 : 0);
            if (!c.killed[i]) {
                EXPECT_EQ(foes[i]->hitpoints(), c.left[i]);
            }
        }
    }
}

TEST_F(shot_effects, sniper_dies_only_when_the_enemy_took_the_whole_hit)
{
    const struct {
        const char* what;
        double hitpoints;
        int dam_red;
        bool already_dead;
        bool shot_dies;
    } cases[] = {
        {"overkilled", 1, 0, false, false},
        {"one short of the hit", 9.5, 0, false, false},  // takes 9.5, counted as 9
        {"exactly the hit", 10, 0, false, true},
        {"more than the hit", 20, 0, false, true},
        {"absorbed by the reduction", 20, 5, false, true},
        {"killed through the reduction", 3, 5, false, false},  // 10 - 2 overshoot
        {"already dead", 20, 0, true, false},
    };
    start(room(12, 10));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const weapon_type& w = weapon_types()[WT_SNIPER];
        std::unique_ptr<shot> s(new shot(w.image_file, w.ttl, 0, w.det_fn, w.exp_fn));
        std::unique_ptr<test_enemy> e(new test_enemy(c.hitpoints, c.dam_red));
        if (c.already_dead)
            e->insta_kill();
        sniper_det(s.get(), e.get(), 0.01f);
        EXPECT_EQ(s->is_dead(), c.shot_dies);
    }
    // Walls and balls are not its business.
    const weapon_type& w = weapon_types()[WT_SNIPER];
    std::unique_ptr<shot> s(new shot(w.image_file, w.ttl, 0, w.det_fn, w.exp_fn));
    std::unique_ptr<ball> b(new ball);
    sniper_det(s.get(), b.get(), 0.01f);
    sniper_det(s.get(), nullptr, 0.01f);
    EXPECT_FALSE(s->is_dead());
}

TEST_F(shot_effects, rocket_and_implosion_hurt_enemies_around_the_blast_never_the_ship)
{
    // Blast at (208, 176); the bystanders' boxes lie at these distances.
    const struct {
        const char* where;
        float x, y;
        int rocket, implosion;
    } bystanders[] = {
        {"above, 25", 200, 135, 3, 5},
        {"left, 49", 143, 168, 1, 4},
        {"right, 50", 258, 168, 0, 4},
        {"below, 99", 200, 275, 0, 1},
        {"diagonal, 100", 268, 256, 0, 0},
    };
    for (weapon_id weapon : {WT_ROCKET, WT_FLAKKER}) {
        for (char victim : {'#', 'B', 'e'}) {
            SCOPED_TRACE(std::string(weapon_types()[weapon].name) + " on " + victim);
            std::vector<std::string> rows = room(12, 11);
            if (victim != 'e')
                rows[5][6] = victim;
            start(rows);
            m_recorder.clear();
            // The ship's box is 23 pixels from the blast.
            the_ship()->teleport(224, 112);
            test_enemy* foe = victim == 'e' ? add_enemy(200, 168) : nullptr;
            std::vector<test_enemy*> others;
            for (const auto& b : bystanders)
                others.push_back(add_enemy(b.x, b.y));
            SDL_Surface* p = picture(weapon_types()[weapon].image_file);
            add_shot(weapon, static_cast<float>(208 - p->w / 2), static_cast<float>(176 - p->h / 2));
            frame();

            for (size_t i = 0; i < others.size(); ++i) {
                SCOPED_TRACE(bystanders[i].where);
                EXPECT_EQ(20 - others[i]->hitpoints(),
                          weapon == WT_ROCKET ? bystanders[i].rocket : bystanders[i].implosion);
            }
            if (foe) {
                EXPECT_EQ(20 - foe->hitpoints(), weapon == WT_ROCKET ? 5 : 7);
            }
            EXPECT_EQ(status().shield, MAX_SHIELD);
            EXPECT_EQ(count_of<shot>(), 0);
            if (m_sound) {
                std::vector<sound_heard> want;
                if (weapon == WT_ROCKET)
                    want.push_back({sound::BOOM, 128});
                EXPECT_EQ(heard(), want);
            }
        }
    }
}

TEST_F(shot_effects, rocket_pushes_out_and_implosion_pulls_in)
{
    // Blocks of mass 10 (one without mass), their centres this far from the
    // blast; the push comes in the frame after the blast.
    const struct {
        weapon_id weapon;
        float off_x, off_y, mass;
        float dx, dy;
    } cases[] = {
        {WT_ROCKET, 75, 0, 10, 50, 0},      // 40 falling to 20 halfway
        {WT_ROCKET, 0, -30, 10, 0, -80},    // 32, upwards
        {WT_ROCKET, 0, 0, 10, 0, 100},      // the very centre: straight down
        {WT_ROCKET, 150, 0, 10, 0, 0},      // the edge is out of reach
        {WT_ROCKET, 30, 0, 0, 0, 0},        // no mass, no push
        {WT_FLAKKER, 120, 0, 10, -40, 0},   // -16, inwards
        {WT_FLAKKER, -30, 0, 10, 10, 0},    // -4, inwards, gentler near the middle
        {WT_FLAKKER, 0, 0, 10, 0, 0},       // nothing at the centre
        {WT_FLAKKER, 150, 0, 10, 0, 0},
    };
    for (weapon_id weapon : {WT_ROCKET, WT_FLAKKER}) {
        SCOPED_TRACE(weapon_types()[weapon].name);
        std::vector<std::string> rows = room(18, 12);
        rows[5][8] = '#';  // the blast goes off on it, centred at (272, 176)
        start(rows);
        std::vector<std::pair<test_block*, size_t> > blocks;
        for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
            if (cases[i].weapon != weapon)
                continue;
            test_block* b = new test_block("foe.png", cases[i].mass);
            b->teleport(272 + cases[i].off_x - 8, 176 + cases[i].off_y - 8);
            m_arena->add_mover(b);
            blocks.push_back(std::make_pair(b, i));
        }
        SDL_Surface* p = picture(weapon_types()[weapon].image_file);
        add_shot(weapon, static_cast<float>(272 - p->w / 2), static_cast<float>(176 - p->h / 2));
        frames(2);
        for (const auto& entry : blocks) {
            SCOPED_TRACE(entry.second);
            EXPECT_NEAR(entry.first->m_dx, cases[entry.second].dx, 1e-3);
            EXPECT_NEAR(entry.first->m_dy, cases[entry.second].dy, 1e-3);
        }
    }
}

TEST_F(shot_effects, plasmoid_pays_each_reduction_once_per_shot)
{
    // 100 per second: 1 per sub-step, the first absorbed by reduction 1.
    const struct {
        const char* what;
        int shots, frames;
        double left;
    } cases[] = {
        {"one shot, one frame", 1, 1, 17},
        {"one shot, two frames", 1, 2, 13},
        {"two shots, one frame", 2, 1, 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        start(room(12, 10));
        test_enemy* foe = add_enemy(200, 168, 20, 1);
        frame();
        for (int i = 0; i < c.shots; ++i)
            add_shot(WT_PLASMOID, 204, 172);
        frames(c.frames);
        // Exact: each sub-step's damage is formed in single precision.
        EXPECT_EQ(foe->hitpoints(), c.left);
        EXPECT_EQ(count_of<shot>(), c.shots);
    }
}

TEST_F(shot_effects, plasmoid_flies_through_every_enemy_in_its_way)
{
    start(room(14, 10));
    test_enemy* first = add_enemy(200, 168);
    test_enemy* second = add_enemy(240, 168);
    add_shot(WT_PLASMOID, 150, 172, 500, 0);
    frames(7);
    EXPECT_LT(first->hitpoints(), 20);
    EXPECT_LT(second->hitpoints(), 20);
    ASSERT_EQ(count_of<shot>(), 1);
    EXPECT_GT(all_of<shot>()[0]->m_x, 256);
}

TEST_F(shot_effects, rbg_leaves_a_resting_recking_ball_where_its_shot_ends)
{
    const struct {
        const char* what;
        char tile;
        bool enemy;
        float life;
        float ball_x, ball_y;
    } cases[] = {
        // The shot touches in the fourth sub-step at (191, 175), centre (192, 176).
        {"wall", '#', false, -1, 184, 168},
        {"enemy", '.', true, -1, 184, 168},
        // Admitted after the first frame's behaviour, it has moved from 300
        // to 304 when its life ends at the start of the second.
        {"end of life", '.', false, 0.04f, 297, 168},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> rows = room(12, 10);
        rows[5][6] = c.tile;
        start(rows);
        if (c.enemy)
            add_enemy(192, 168, 20, 1);  // the recking ball cannot hurt it
        add_shot(WT_RBG, c.life < 0 ? 187 : 300, 175, 100, 0, 0, c.life);
        frames(c.life < 0 ? 1 : 2);
        EXPECT_EQ(count_of<shot>(), 0);
        ASSERT_EQ(count_of<recking_ball>(), 1);
        recking_ball* r = all_of<recking_ball>()[0];
        EXPECT_EQ(r->m_x, c.ball_x);
        EXPECT_EQ(r->m_y, c.ball_y);
        EXPECT_EQ(r->m_dx, 0);
        EXPECT_EQ(r->m_dy, 0);
        EXPECT_EQ(r->m_mass, 50);
    }
}

// The 16 fragments as the scatter shot left them, unmoved.
void expect_fragments(const std::vector<shot*>& fragments, float corner_x, float corner_y,
                      SDL_Surface* shot_png)
{
    ASSERT_EQ(fragments.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        shot* f = fragments[i];
        // Centred on the scatter shot's top-left corner, not its centre.
        EXPECT_EQ(f->x_centre(), corner_x);
        EXPECT_EQ(f->y_centre(), corner_y);
        EXPECT_EQ(f->pic(), shot_png);
        EXPECT_EQ(f->mount(), -1);
        // 300 pixels per second, 22.5 degrees apart, the first straight down,
        // the fourth to the right; nothing of the scatter shot's own speed.
        // The angle and the velocity in double: an angle in float sends
        // most of the fragments a step off.
        const double theta = i * 6.283185307179586 * 0.0625;
        EXPECT_EQ(f->m_dx, static_cast<float>(300 * std::sin(theta)));
        EXPECT_EQ(f->m_dy, static_cast<float>(300 * std::cos(theta)));
    }
    EXPECT_EQ(fragments[0]->m_dx, 0);
    EXPECT_EQ(fragments[0]->m_dy, 300);
    EXPECT_EQ(fragments[4]->m_dx, 300);
    EXPECT_EQ(fragments[8]->m_dy, -300);
    EXPECT_EQ(fragments[12]->m_dx, -300);
}

TEST_F(shot_effects, scatter_bursts_into_sixteen_at_the_end_of_its_life)
{
    start(room(20, 20));
    shot* s = add_shot(WT_SCATTER, 296, 320, 600, 0, 0, 0.04f);
    frame();
    float corner_x = s->m_x, corner_y = s->m_y;
    ASSERT_EQ(corner_x, 320);
    // Its life ends in the behaviour step; the fragments are admitted at
    // its end, before anything moves them.
    m_arena->do_stuff(0.04f);
    expect_fragments(all_of<shot>(), corner_x, corner_y, picture("shot.png"));
}

TEST_F(shot_effects, scatter_bursts_into_sixteen_on_an_enemy)
{
    start(room(12, 10));
    test_enemy* foe = add_enemy(192, 168, 100);
    // Touches in the fourth sub-step with its corner at (187, 173).
    add_shot(WT_SCATTER, 183, 173, 100, 0);
    frame();
    expect_fragments(all_of<shot>(), 187, 173, picture("shot.png"));
    EXPECT_EQ(foe->hitpoints(), 100);  // the scatter shot itself does no damage
}

TEST_F(shot_effects, scatter_fragments_are_peashooter_shots)
{
    start(room(20, 20));
    // Straight below the burst, in the way of fragment 0 only.
    test_enemy* foe = add_enemy(312, 380, 5);
    add_shot(WT_SCATTER, 320, 320, 0, 0, 0, 0.04f);
    frames(2);
    ASSERT_EQ(count_of<shot>(), 16);
    frames(8);
    EXPECT_EQ(foe->hitpoints(), 4);
    EXPECT_EQ(count_of<explosion>(), 1);
    EXPECT_EQ(count_of<shot>(), 15);
    // Peashooter life: 0.8 s from their first behaviour step; they leave
    // nothing when it ends.
    frames(19 - 8);
    EXPECT_EQ(count_of<shot>(), 15);
    frames(2);
    EXPECT_EQ(count_of<shot>(), 0);
    EXPECT_EQ(count_of<recking_ball>(), 0);
    EXPECT_EQ(count_of<explosion>() + count_of<test_enemy>() + count_of<ship>(), m_arena->num_movers());
}

// ---------------------------------------------------------- scoop victims

// The ship rests in the middle of the room, its centre at (184, 184), so
// the point 40 pixels beyond its front mount is (184, 129).
class scoop_victims : public effects_fixture {
protected:
    void SetUp() override
    {
        effects_fixture::SetUp();
        start(room(12, 12, 5, 5));
    }
    arena_ptr<mover> holder() { return m_arena->get_player_from_shot(nullptr); }
    // A scoop shot of the mount laid on the enemy; it catches it in the
    // first sub-step of the frame.
    void scoop(mover* e, int mount)
    {
        add_shot(WT_SCOOP, e->m_x + 6, e->m_y + 6, 0, 0, mount);
        frame();
    }
    // A carrier made directly, as the scoop's effect makes one.
    scoop_victim* carry(enemy* e, int mount)
    {
        scoop_victim* c = new scoop_victim(holder(), e, mount);
        m_arena->add_mover(c);
        return c;
    }
    scoop_victim* the_carrier()
    {
        std::vector<scoop_victim*> all = all_of<scoop_victim>();
        return all.size() == 1 ? all[0] : nullptr;
    }
};

TEST_F(scoop_victims, capture_takes_the_enemy_out_of_the_arena)
{
    enemy_log& log = new_log();
    watched_enemy* foe = add_watched(log, 300, 300, 5, 0, 9);
    foe->m_mass = 3;
    frames(2);
    ASSERT_EQ(log.do_stuff_calls, 1);
    m_recorder.clear();
    scoop(foe, 0);

    EXPECT_EQ(count_of<shot>(), 0);
    EXPECT_EQ(count_of<test_enemy>(), 0);
    scoop_victim* c = the_carrier();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->pic(), foe->pic());
    EXPECT_EQ(c->m_mass, 3);
    EXPECT_EQ(log.deaths, 0);
    EXPECT_FALSE(log.deleted);
    if (m_sound) {
        EXPECT_EQ(heard(), std::vector<sound_heard>({{sound::SLURRRP, 128}}));
    }

    // Carried, it follows the carrier and does nothing of its own.
    frames(5);
    EXPECT_EQ(foe->m_x, c->m_x);
    EXPECT_EQ(foe->m_y, c->m_y);
    EXPECT_EQ(log.do_stuff_calls, 2);
    EXPECT_FALSE(scoop_victim::is_available(holder(), 0));
    EXPECT_TRUE(scoop_victim::is_available(holder(), 1));
}

TEST_F(scoop_victims, a_fired_scoop_carries_its_catch_beyond_its_own_mount)
{
    m_game->m_weapon_mounts[0].type = WT_NOTHING;
    m_game->m_weapon_mounts[6].type = WT_SCOOP;  // "Right"
    enemy_log& log = new_log();
    add_watched(log, 260, 176, 5);
    m_recorder.clear();
    m_game->m_key_flags.fire = true;
    frame();
    release_keys();
    frames(60);

    scoop_victim* c = the_carrier();
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(scoop_victim::is_available(holder(), 6));
    EXPECT_TRUE(scoop_victim::is_available(holder(), 0));
    EXPECT_NEAR(c->x_centre(), 184 + 9 + 40, 0.5);
    EXPECT_NEAR(c->y_centre(), 184, 0.5);
    if (m_sound) { // the scoop fires in silence
        EXPECT_EQ(heard(), std::vector<sound_heard>({{sound::SLURRRP, 128}}));
    }
}

TEST_F(scoop_victims, the_leash_ends_forty_pixels_beyond_the_mount)
{
    const struct {
        const char* what;
        int mount;
        int turns;  // frames of turning right before the catch
        float x, y;  // where the carrier's centre comes to rest; turned: computed
    } cases[] = {
        {"front centre", 0, 0, 184, 129},
        {"right", 6, 0, 233, 184},
        {"rear left", 9, 0, 182, 240},
        {"right, ship turned", 6, 5, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        start(room(12, 12, 5, 5));
        if (c.turns) {
            m_game->m_key_flags.right = true;
            frames(c.turns);
            release_keys();
        }
        float x = c.x, y = c.y;
        if (c.turns) {
            const weapon_mount& mt = m_game->m_weapon_mounts[c.mount];
            double a = the_ship()->get_angle();
            x = static_cast<float>(the_ship()->x_centre() + mt.loc_x * std::cos(a) -
                                   mt.loc_y * std::sin(a) + 40 * std::sin(a + mt.angle));
            y = static_cast<float>(the_ship()->y_centre() + mt.loc_x * std::sin(a) +
                                   mt.loc_y * std::cos(a) - 40 * std::cos(a + mt.angle));
        }
        test_enemy* foe = new test_enemy(5);
        foe->teleport(x + 12, y + 12);
        scoop_victim* carrier = carry(foe, c.mount);
        frames(60);
        EXPECT_NEAR(carrier->x_centre(), x, 0.5);
        EXPECT_NEAR(carrier->y_centre(), y, 0.5);
        EXPECT_EQ(foe->m_x, carrier->m_x);
        EXPECT_EQ(foe->m_y, carrier->m_y);
    }
}

TEST_F(scoop_victims, refuses_a_boss)
{
    enemy_log& log = new_log();
    watched_enemy* boss = add_watched(log, 300, 300, 400, 1, 0, true);
    frame();
    m_recorder.clear();
    scoop(boss, 0);
    EXPECT_EQ(count_of<shot>(), 0);
    EXPECT_EQ(count_of<scoop_victim>(), 0);
    EXPECT_EQ(count_of<test_enemy>(), 1);
    EXPECT_EQ(static_cast<test_enemy*>(boss)->hitpoints(), 400);
    EXPECT_TRUE(scoop_victim::is_available(holder(), 0));
    if (m_sound) {
        EXPECT_TRUE(heard().empty());
    }
}

TEST_F(scoop_victims, an_enemy_killed_earlier_in_the_pass_is_not_taken)
{
    // A pellet kills it first in the same sub-step; it has had its death
    // and is not carried off as a ghost.
    enemy_log& log = new_log();
    watched_enemy* foe = add_watched(log, 300, 300, 1, 0, 7);
    frame();
    add_shot(WT_PEASHOOTER, foe->m_x + 6, foe->m_y + 6, 0, 0, 0);
    add_shot(WT_SCOOP, foe->m_x + 6, foe->m_y + 6, 0, 0, 1);
    frame();
    EXPECT_EQ(log.deaths, 1);
    EXPECT_TRUE(log.deleted);
    EXPECT_EQ(status().score, 7);
    EXPECT_EQ(count_of<scoop_victim>(), 0);
    EXPECT_EQ(count_of<shot>(), 0);
    EXPECT_TRUE(scoop_victim::is_available(holder(), 1));
}

TEST_F(scoop_victims, each_mount_carries_one_captive)
{
    test_enemy* first = add_enemy(206, 121, 5);
    test_enemy* second = add_enemy(300, 300, 5);
    frame();
    scoop(first, 0);
    ASSERT_EQ(count_of<scoop_victim>(), 1);

    m_recorder.clear();
    scoop(second, 0);  // refused: the shot only dies
    EXPECT_EQ(count_of<shot>(), 0);
    EXPECT_EQ(count_of<scoop_victim>(), 1);
    ASSERT_EQ(count_of<test_enemy>(), 1);
    EXPECT_EQ(second->hitpoints(), 5);
    if (m_sound) {
        EXPECT_TRUE(heard().empty());
    }

    scoop(second, 1);  // another mount is free
    EXPECT_EQ(count_of<scoop_victim>(), 2);
    EXPECT_EQ(count_of<test_enemy>(), 0);
}

TEST_F(scoop_victims, a_new_ship_captures_at_once_while_old_captives_drift)
{
    enemy_log& old_log = new_log();
    watched_enemy* old_catch = add_watched(old_log, 206, 121, 5);
    test_enemy* next = add_enemy(300, 300, 5);
    frame();
    scoop(old_catch, 0);
    frames(20);
    the_ship()->die();
    frame();
    ASSERT_EQ(the_ship(), nullptr);
    for (int i = 0; i < 30 && !the_ship(); ++i)
        frame();
    ASSERT_NE(the_ship(), nullptr);
    ASSERT_EQ(count_of<scoop_victim>(), 1);  // the orphan still carries its catch
    EXPECT_FALSE(old_log.deleted);

    EXPECT_TRUE(scoop_victim::is_available(holder(), 0));
    scoop(next, 0);
    EXPECT_EQ(count_of<scoop_victim>(), 2);
    EXPECT_EQ(count_of<test_enemy>(), 0);
    EXPECT_FALSE(scoop_victim::is_available(holder(), 0));
}

TEST_F(scoop_victims, captive_strikes_only_after_half_a_second)
{
    // The other enemy sits where the leash ends; the catch starts 30 pixels
    // to its right and is over it within a few frames.
    test_enemy* other = add_enemy(176, 121, 20, 1, 50);
    enemy_log& log = new_log();
    watched_enemy* captive = add_watched(log, 206, 121, 3, 0, 30);
    captive->m_dx = 5;
    frame();
    scoop(captive, 0);
    ASSERT_EQ(count_of<scoop_victim>(), 1);

    frames(12);  // 0.48 s old: passes through
    EXPECT_EQ(other->hitpoints(), 20);
    EXPECT_EQ(log.deaths, 0);
    EXPECT_EQ(count_of<scoop_victim>(), 1);

    frames(2);
    // The captive's 3 against 20 + 1: the captive dies, the other loses
    // 3 less its reduction.
    EXPECT_EQ(log.deaths, 1);
    EXPECT_EQ(status().score, 30);
    EXPECT_EQ(other->hitpoints(), 18);
    EXPECT_EQ(count_of<scoop_victim>(), 0);
    // Released at rest into the arena, which deleted it.
    EXPECT_TRUE(log.deleted);
    EXPECT_EQ(log.dx_at_deletion, 0);
    EXPECT_EQ(log.dy_at_deletion, 0);

    // The mount is free again.
    EXPECT_TRUE(scoop_victim::is_available(holder(), 0));
    scoop(other, 0);
    EXPECT_EQ(count_of<scoop_victim>(), 1);
}

TEST_F(scoop_victims, strikes_are_traded_through_enemy_collide)
{
    const struct {
        const char* what;
        double captive_hp, other_hp;
        int other_red;
        bool captive_dies;
        double captive_left;
    } cases[] = {
        {"the captive survives and keeps flying", 20, 3, 0, false, 17},
        {"equal sums: both die, the other first", 5, 4, 1, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        start(room(12, 12, 5, 5));
        status().score = 0;
        enemy_log& other_log = new_log();
        enemy_log& captive_log = new_log();
        add_watched(other_log, 176, 121, c.other_hp, c.other_red, 100);
        watched_enemy* captive = add_watched(captive_log, 206, 121, c.captive_hp, 0, 7);
        frame();
        scoop(captive, 0);
        frames(14);

        EXPECT_EQ(other_log.deaths, 1);
        EXPECT_EQ(other_log.score_at_death, 0);
        EXPECT_EQ(captive_log.deaths, c.captive_dies ? 1 : 0);
        if (c.captive_dies) {
            EXPECT_EQ(captive_log.score_at_death, 100);
            EXPECT_EQ(status().score, 107);
            EXPECT_EQ(count_of<scoop_victim>(), 0);
        } else {
            EXPECT_EQ(status().score, 100);
            EXPECT_EQ(captive->hitpoints(), c.captive_left);
            ASSERT_EQ(count_of<scoop_victim>(), 1);
            EXPECT_EQ(the_carrier()->pic(), captive->pic());
        }
    }
}

TEST_F(scoop_victims, wants_enemies_when_armed_or_orphaned)
{
    test_enemy* other = add_enemy(300, 300);
    test_block* block = new test_block;
    m_arena->add_mover(block);
    test_enemy* first = new test_enemy(5);
    first->teleport(176, 121);
    scoop_victim* armed = carry(first, 0);
    test_enemy* second = new test_enemy(5);
    second->teleport(100, 250);
    scoop_victim* young = carry(second, 1);
    frame();  // admitted after the behaviour step: both are 0 s old

    EXPECT_FALSE(armed->does_arena_collisions());  // its ship lives: through walls
    armed->do_stuff(0.5f);
    EXPECT_FALSE(armed->does_collisions(other));  // 0.5 s is not yet more than 0.5
    armed->do_stuff(0.01f);
    EXPECT_TRUE(armed->does_collisions(other));
    EXPECT_FALSE(armed->does_collisions(block));
    EXPECT_FALSE(armed->does_collisions(nullptr));
    EXPECT_FALSE(young->does_collisions(other));

    the_ship()->die();
    frame();
    // Orphans: walls count, and enemies whatever the age.
    EXPECT_TRUE(young->does_arena_collisions());
    EXPECT_TRUE(young->does_collisions(other));
    EXPECT_FALSE(young->does_collisions(block));
}

TEST_F(scoop_victims, orphan_kills_its_captive_on_the_first_wall)
{
    // The ship just below the ceiling: the leash ends inside the wall.
    start(room(12, 12, 5, 1));
    enemy_log& log = new_log();
    watched_enemy* captive = add_watched(log, 230, 60, 50, 5, 20);
    frame();
    scoop(captive, 0);
    frames(40);
    scoop_victim* c = the_carrier();
    ASSERT_NE(c, nullptr);
    EXPECT_NEAR(c->y_centre(), 56 - 55, 1.0);
    EXPECT_EQ(log.deaths, 0);  // carried through the wall

    the_ship()->die();
    frame();
    // Killed outright, whatever its hit points and reduction.
    EXPECT_EQ(log.deaths, 1);
    EXPECT_EQ(status().score, 20);
    EXPECT_EQ(count_of<scoop_victim>(), 0);
    EXPECT_TRUE(log.deleted);
}

TEST_F(scoop_victims, carrier_weighs_at_least_one)
{
    const struct {
        float captive, carrier;
    } cases[] = {{0, 1}, {0.5f, 1}, {1, 1}, {2.5f, 2.5f}, {30, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.captive);
        test_enemy* foe = new test_enemy(5);
        foe->m_mass = c.captive;
        foe->teleport(300, 300);
        EXPECT_EQ(carry(foe, 0)->m_mass, c.carrier);
        start(room(12, 12, 5, 5));  // clears the registration again
    }
}

TEST_F(scoop_victims, a_released_carrier_is_invisible_until_deleted)
{
    enemy_log& log = new_log();
    watched_enemy* captive = new watched_enemy(log, 5, 0, 11);
    captive->teleport(300, 300);
    scoop_victim* c = carry(captive, 0);
    the_ship()->die();
    frame();
    ASSERT_EQ(the_carrier(), c);
    EXPECT_EQ(c->pic(), captive->pic());

    c->notify_collision(A_BLOCK, 0.01f);
    EXPECT_EQ(log.deaths, 1);
    EXPECT_EQ(status().score, 11);
    EXPECT_TRUE(c->is_dead());
    EXPECT_EQ(c->pic(), picture("transpixel.png"));
    c->notify_collision(A_BLOCK, 0.01f);  // nothing left to kill
    EXPECT_EQ(log.deaths, 1);
    EXPECT_FALSE(log.deleted);  // handed back to the arena

    frame();
    EXPECT_EQ(count_of<scoop_victim>(), 0);
    EXPECT_TRUE(log.deleted);
}

TEST_F(scoop_victims, clearing_the_level_deletes_carriers_with_their_captives)
{
    enemy_log& log = new_log();
    watched_enemy* captive = add_watched(log, 300, 300, 5);
    frame();
    scoop(captive, 0);
    ASSERT_EQ(count_of<scoop_victim>(), 1);
    build(room(12, 12, 5, 5));
    EXPECT_TRUE(log.deleted);
    EXPECT_EQ(log.deaths, 0);
    // No registration is left behind, not even one of a gone ship.
    EXPECT_TRUE(scoop_victim::is_available(arena_ptr<mover>(), 0));
}

TEST_F(scoop_victims, each_sub_step_pulls_by_the_whole_distance_less_a_tenth)
{
    // The carrier's centre starts 10 pixels right of and 20 below where the
    // front mount's leash ends.
    test_enemy* foe = new test_enemy(5);
    foe->teleport(184 + 10 - 8, 129 + 20 - 8);
    scoop_victim* c = carry(foe, 0);
    ASSERT_EQ(c->x_centre(), 194);
    c->move(0.01f);
    EXPECT_EQ(c->m_dx, -9);  // (0 - 10) less a tenth
    EXPECT_EQ(c->m_dy, -18);
    EXPECT_FLOAT_EQ(c->m_x, 186 - 0.09f);
    EXPECT_FLOAT_EQ(c->m_y, 141 - 0.18f);
    EXPECT_EQ(foe->m_x, c->m_x);
    EXPECT_EQ(foe->m_y, c->m_y);

    // An orphan only drifts.
    the_ship()->die();
    frame();
    float dx = c->m_dx, dy = c->m_dy, x = c->m_x;
    c->move(0.01f);
    EXPECT_EQ(c->m_dx, dx);
    EXPECT_EQ(c->m_dy, dy);
    EXPECT_FLOAT_EQ(c->m_x, x + dx * 0.01f);
}
}
