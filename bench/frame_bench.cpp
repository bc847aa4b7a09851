// Frame benchmark: times the arena's three steps of a frame in a stress
// scene. Run from a run folder (images/ beside it).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "arena.h"
#include "enemies.h"
#include "game.h"
#include "movers.h"
#include "weapons.h"

namespace {
double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void start_values(game& g)
{
    player_status& s = g.m_player_status;
    s = player_status{0, 0, MAX_SHIELD, 3, false, 0, 0, 0};
    g.m_weapon_mounts.assign(mounts, mounts + mount_count);
    g.m_engine = ET_PIFFLER;
    g.m_systems.assign(system_slots, ST_EMPTY);
    s.max_energy = s.energy = calc_ship_battery();
}

void stress_scene(arena& a)
{
    const int w = 40, h = 30;
    a.set_size(w, h);
    for (int x = 0; x < w; ++x) {
        a.set(x, 0, A_BLOCK);
        a.set(x, h - 1, A_BLOCK);
    }
    for (int y = 0; y < h; ++y) {
        a.set(0, y, A_BLOCK);
        a.set(w - 1, y, A_BLOCK);
    }
    a.set_player_spawn(20, 15);
    for (int i = 0; i < 300; ++i) {
        bobbler* b = new bobbler;
        b->teleport_centre(64 + (i * 37) % (w * 32 - 128), 64 + (i * 53) % (h * 32 - 128));
        a.add_mover(b);
    }
    for (int i = 0; i < 20; ++i) {
        miner* m = new miner;
        m->teleport_centre(100 + i * 55, 100 + (i % 5) * 150);
        a.add_mover(m);
    }
    a.activate();
}

struct timing {
    double median, worst;
    int movers;
};

// Plays the stress scene for the given number of frames and times each.
timing play(int frames, bool grid)
{
    srand(1);
    game g;
    game::the_game = &g;
    arena a;
    g.m_arena = &a;
    a.set_broad_phase(grid);
    start_values(g);
    for (weapon_mount& m : g.m_weapon_mounts)
        m.type = WT_PEASHOOTER;
    g.m_systems.assign(system_slots, ST_SUPERGENERATOR);
    stress_scene(a);
    g.m_key_flags.fire = true;
    std::vector<double> times;
    int max_movers = 0;
    for (int f = 0; f < frames; ++f) {
        g.m_player_status.invulnerability = 5;
        g.m_key_flags.left = (f / 30) % 2 == 0;
        double t0 = now_ms();
        a.do_stuff(0.04f);
        a.apply_forces(0.04f);
        a.move_stuff_and_do_collisions(0.04f);
        times.push_back(now_ms() - t0);
        max_movers = std::max(max_movers, a.num_movers());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back(), max_movers};
}
}

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_Init(SDL_INIT_VIDEO);
    timing all = play(frames, false);
    timing grid = play(frames, true);
    std::printf("stress, all pairs: median %.3f ms  worst %.3f ms  movers %d\n", all.median, all.worst, all.movers);
    std::printf("stress, grid:      median %.3f ms  worst %.3f ms  movers %d\n", grid.median, grid.worst, grid.movers);
    std::printf("speed-up %.1f\n", all.median / grid.median);
    return 0;
}
