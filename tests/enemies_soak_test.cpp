// A long fight: one of every enemy against a ship that fires every heavy
// weapon at once, run for 2000 frames, must end in a sane arena.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "weapons.h"

namespace {
// 40 x 20 tiles, closed all round but for two exit blocks in the roof:
// a central platform with diagonal corners, pipes, a ball source and a sink.
const std::vector<std::string> battlefield = {
    "###################XX###################",
    "#......................................#",
    "#......................................#",
    "#......................................#",
    "#......................................#",
    "#......................................#",
    "#......................................#",
    "#.........7########9...................#",
    "#.........#........#...........-----...#",
    "#.........1########5...................#",
    "#......................................#",
    "#......................................#",
    "#...........................|..........#",
    "#...........................|..........#",
    "#...................S.......|..........#",
    "#......................................#",
    "#......................................#",
    "#....B.................................#",
    "#...........................#.......T..#",
    "########################################",
};
const float map_w = 40 * 32, map_h = 20 * 32;
// Far beyond the map: blasts fling light enemies through the walls.
const float margin = 8000;

class enemy_soak : public arena_test {
protected:
    template <typename T>
    T* place(T* m, float tile_x, float tile_y)
    {
        m->teleport(tile_x * 32, tile_y * 32);
        m_arena->add_mover(m);
        return m;
    }

    // The enemies a level places, and the pieces of asteroids.
    int level_enemies()
    {
        return count_of<turret>() + count_of<bobbler>() + count_of<miner>() + count_of<graldor>() +
               count_of<invader>() + count_of<ufo>() + count_of<ast_ufo>() + count_of<asteroid>();
    }

    // What must hold after every frame; empty when all is well.
    std::string insanity()
    {
        std::ostringstream out;
        int ships = 0;
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            mover* m = m_arena->get_mover(i);
            if (!m)
                continue;
            ships += dynamic_cast<ship*>(m) != nullptr;
            if (!std::isfinite(m->m_x) || !std::isfinite(m->m_y) || !std::isfinite(m->m_dx) ||
                !std::isfinite(m->m_dy)) {
                out << "mover " << i << " not finite; ";
                continue;
            }
            // The asteroid ufo sweeps 20 tiles beyond both sides.
            if (dynamic_cast<ast_ufo*>(m))
                continue;
            if (m->m_x < -margin || m->m_x > map_w + margin || m->m_y < -margin || m->m_y > map_h + margin)
                out << "mover " << i << " at (" << m->m_x << ", " << m->m_y << "); ";
        }
        const player_status& s = status();
        if (ships > 1)
            out << ships << " ships; ";
        if (s.lives < 0 || s.lives > 3)
            out << "lives " << s.lives << "; ";
        if (s.shield > MAX_SHIELD || (the_ship() && !the_ship()->is_dead() && s.shield < 0))
            out << "shield " << s.shield << "; ";
        if (!(s.energy >= 0 && s.energy <= s.max_energy) || s.max_energy != calc_ship_battery())
            out << "energy " << s.energy << " of " << s.max_energy << "; ";
        if (s.money < 0 || s.money % 50 != 0)
            out << "money " << s.money << "; ";
        if (s.score < 0 || s.score % 10 != 0)
            out << "score " << s.score << "; ";
        if (s.invulnerability < 0 || s.invulnerability > MAX_INVULNERABILITY)
            out << "invulnerability " << s.invulnerability << "; ";
        if (m_arena->player_is_dead() && (s.lives > 0 || ships > 0))
            out << "dead with " << s.lives << " lives and " << ships << " ships; ";
        return out.str();
    }
};

TEST_F(enemy_soak, every_enemy_against_every_heavy_weapon_for_2000_frames)
{
    srand(2024);
    build(battlefield);
    place(new turret(turret::UP), 10, 18);
    place(new turret(turret::DOWN), 30, 1);
    place(new turret(turret::LEFT), 38, 12);
    place(new turret(turret::RIGHT), 1, 5);
    for (int i = 0; i < 5; ++i)
        place(new bobbler, 24 + i, 4 + (i % 2));
    place(new miner, 15, 5);
    place(new graldor, 33, 4);
    place(new invader(8 * 32, 30 * 32), 20, 3);
    place(new ufo(2 * 32, 8 * 32, 32 * 32), 18, 2);
    m_arena->add_mover(new ast_ufo);
    place(new asteroid, 12, 12);
    const int enemies_at_start = 15;

    // Every heavy weapon, with the batteries and generators to fire them.
    std::vector<weapon_mount>& mounts = m_game->m_weapon_mounts;
    const weapon_id fitted[] = {WT_ROCKET, WT_PLASMOID, WT_SCATTER, WT_SCOOP, WT_RBG, WT_SNIPER};
    for (size_t i = 0; i < 6; ++i)
        mounts[i].type = fitted[i];
    for (int i = 0; i < 10; ++i)
        m_game->m_systems[i] = ST_BATTERY;
    for (int i = 10; i < 15; ++i)
        m_game->m_systems[i] = ST_SUPERGENERATOR;
    status().max_energy = status().energy = calc_ship_battery();
    m_arena->activate();
    ASSERT_EQ(level_enemies(), enemies_at_start);

    auto& keys = m_game->m_key_flags;
    int most_movers = 0;
    for (int f = 0; f < 2000; ++f) {
        keys.fire = true;
        keys.right = f % 90 < 6;
        keys.left = f % 130 >= 60 && f % 130 < 66;
        keys.up = f % 40 < 8;
        if (f % 200 == 100)
            keys.tractor = true;
        frame();
        most_movers = std::max(most_movers, m_arena->num_movers());
        std::string trouble = insanity();
        ASSERT_EQ(trouble, "") << "frame " << f;
    }

    // It was a fight: things were fired, enemies went and scored.
    EXPECT_GT(most_movers, 60);
    EXPECT_LT(level_enemies(), enemies_at_start);
    EXPECT_GT(status().score, 0);
}
}
