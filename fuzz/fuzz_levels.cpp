// Fuzz target: the level file. The input is written as levels/levels.txt;
// a level_loader checks it and builds up to three levels one after the
// other, each played for ten frames with the controls held in a fixed
// pattern, until the file holds no more levels or a whinage refuses it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "arena.h"
#include "debug.h"
#include "etc.h"
#include "fuzz_support.h"
#include "game.h"
#include "levels.h"
#include "weapons.h"

namespace {
const int frames_per_level = 10;
// Levels past this many are not built: three show what one level leaves to
// the next, and each built level costs a pixel-by-pixel background.
const int max_levels = 3;

// The start of a game, with every weapon fitted and energy to fire them.
void start_values(game& g)
{
    player_status& s = g.m_player_status;
    s = player_status{0, 0, MAX_SHIELD, 3, false, 0, 0, 0};
    g.m_weapon_mounts.assign(mounts, mounts + mount_count);
    for (int i = 0; i < mount_count; ++i)
        g.m_weapon_mounts[i].type = static_cast<weapon_id>(1 + i % (WT_SCOOP));
    g.m_engine = ET_PIFFLER;
    g.m_systems.assign(system_slots, ST_EMPTY);
    for (int i = 0; i < 4; ++i) {
        g.m_systems[i] = ST_BATTERY;
        g.m_systems[4 + i] = ST_SUPERGENERATOR;
    }
    s.max_energy = s.energy = calc_ship_battery();
}

// One frame as the play loop runs it, the controls set by the frame number.
void frame(game& g, int n)
{
    g.m_key_flags.up = n % 3 != 0;
    g.m_key_flags.left = n % 8 < 2;
    g.m_key_flags.right = n % 8 >= 5;
    g.m_key_flags.tractor = n % 10 >= 4;
    g.m_key_flags.fire = true;
    if (g.m_player_status.in_shop)
        g.m_player_status.in_shop = false;
    step_frame(g);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::enter_run_dir();
    fuzz::write_input("levels/levels.txt", data, size);
    srand(1);

    // One game and one arena for every input, so that the pictures are
    // loaded once: each input starts the game afresh, and building a level
    // clears the arena; the physics start from their defaults, as in a new
    // game.
    static game* const g = new game;
    game::the_game = g;
    start_values(*g);
    static arena* const a = new arena;
    g->m_arena = a;
    a->set_gravity(default_gravity);
    a->set_air_resistance(default_air_resistance);
    try {
        level_loader levels("levels/levels.txt");
        std::string description;
        for (int level = 0; level < max_levels && !levels.end_of_file(); ++level) {
            if (!levels.next_level(*a, description))
                break;
            for (int n = 0; n < frames_per_level && !a->level_complete() && !a->player_is_dead(); ++n)
                frame(*g, n);
        }
    } catch (const whinage&) {
        // The designed answer to a bad file.
    }
    return 0;
}
