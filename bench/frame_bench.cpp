// The frame benchmark: for every shipped level and for a stress scene it
// times the simulation of each frame (the arena's three steps, as the play
// loop calls them) and its drawing into a 640 x 480 surface, and prints the
// median and the worst frame of each with the number of movers. The stress
// scene runs twice, with the grid mover pass and with the all-pairs
// reference loop, and the ratio of the two is printed; so is the ratio of a
// ship buried in solid rock to the same ship in free flight.
//
// Run it from a run folder (images/ and levels/ beside it), pinned to one
// core: cd build/run && taskset -c 2 ../vantrel_bench [frames]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "arena.h"
#include "dirs.h"
#include "enemies.h"
#include "game.h"
#include "levels.h"
#include "movers.h"
#include "text.h"
#include "vantrel_private.h"
#include "weapons.h"

namespace {
const int screen_w = 640, screen_h = 480, view_h = screen_h - 32;

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct timing {
    double sim_median, sim_worst, draw_median, draw_worst, total_median;
    int movers;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double worst(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

// A game in its start state with every mount armed and the power to fire them.
void start_values(game& g)
{
    player_status& s = g.m_player_status;
    s = player_status{0, 0, MAX_SHIELD, 3, false, 0, 0, 0};
    g.m_weapon_mounts.assign(mounts, mounts + mount_count);
    g.m_engine = ET_PIFFLER;
    g.m_systems.assign(system_slots, ST_EMPTY);
    for (int i = 0; i < 10; ++i)
        g.m_systems[i] = ST_BATTERY;
    for (int i = 10; i < system_slots; ++i)
        g.m_systems[i] = ST_SUPERGENERATOR;
    s.max_energy = s.energy = calc_ship_battery();
}

// Plays frames as a restless pilot would (firing, turning, thrusting now
// and then, never dying) and times each frame's two halves.
timing play(game& g, arena& a, SDL_Surface* screen, int frames)
{
    SDL_Rect window = fit_view(screen_w, view_h, a.width() * TILE_SIZE, a.height() * TILE_SIZE);
    shown_background shown;
    std::vector<double> sim, draw, total;
    int movers = 0;
    g.m_key_flags.fire = true;
    for (int f = 0; f < frames; ++f) {
        g.m_player_status.invulnerability = 5;
        g.m_key_flags.left = (f / 30) % 2 == 0;
        g.m_key_flags.up = (f / 20) % 4 == 0;
        double t0 = now_ms();
        step_frame(g);
        double t1 = now_ms();
        draw_arena(screen, a, shown, window, view_h);
        double t2 = now_ms();
        sim.push_back(t1 - t0);
        draw.push_back(t2 - t1);
        total.push_back(t2 - t0);
        movers = std::max(movers, a.num_movers());
    }
    return {median(sim), worst(sim), median(draw), worst(draw), median(total), movers};
}

// About 300 bobblers and 20 miners round the ship, which fires every mount.
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

// A new game and its arena, as the play loop makes them, from the same
// random state every time.
struct new_game {
    game g;
    arena a;
    new_game()
    {
        srand(1);
        game::the_game = &g;
        g.m_arena = &a;
        start_values(g);
    }
};

timing stress(SDL_Surface* screen, int frames, bool grid)
{
    new_game fresh;
    fresh.a.set_broad_phase(grid);
    for (weapon_mount& m : fresh.g.m_weapon_mounts)
        m.type = WT_PEASHOOTER;
    stress_scene(fresh.a);
    return play(fresh.g, fresh.a, screen, frames);
}

// The ship alone in a cave of rock 40 x 30 tiles, spawned in its middle;
// buried, the cave is filled, so the ship sits deep in solid rock and runs
// its ring search in every collision sub-step. Air so thick that a frame's
// force step takes away all speed keeps it where it spawned, whatever the
// pilot does.
timing ship_alone(SDL_Surface* screen, int frames, bool buried)
{
    new_game fresh;
    arena& a = fresh.a;
    const int w = 40, h = 30;
    a.set_size(w, h);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            if (buried || x == 0 || y == 0 || x == w - 1 || y == h - 1)
                a.set(x, y, A_BLOCK);
        }
    }
    a.set_player_spawn(w / 2, h / 2);
    a.set_air_resistance(calc_ship_mass() / FRAME_STEP);
    a.activate();
    return play(fresh.g, a, screen, frames);
}

void print_row(const std::string& name, const timing& t)
{
    std::printf("| %-22s | %7d | %8.3f | %8.3f | %8.3f | %8.3f | %8.3f |\n", name.c_str(), t.movers, t.sim_median,
                t.sim_worst, t.draw_median, t.draw_worst, t.total_median);
}
}

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 500;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_Init(SDL_INIT_VIDEO);
    text::init();
    SDL_Surface* screen = SDL_CreateRGBSurface(SDL_SWSURFACE, screen_w, screen_h, 32, 0xFF, 0xFF00, 0xFF0000, 0);

    std::printf("times in ms per frame, %d frames each\n\n", frames);
    std::printf("| %-22s | %7s | %8s | %8s | %8s | %8s | %8s |\n", "scene", "movers", "sim med", "sim max",
                "draw med", "draw max", "total med");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(24, '-').c_str(), std::string(9, '-').c_str(),
                std::string(10, '-').c_str(), std::string(10, '-').c_str(), std::string(10, '-').c_str(),
                std::string(10, '-').c_str(), std::string(10, '-').c_str());

    // Every shipped level, one game, as the play loop builds them.
    {
        new_game fresh;
        game& g = fresh.g;
        arena& a = fresh.a;
        level_loader levels(dirs::level_file);
        std::string description;
        for (int n = 1; !levels.end_of_file() && levels.next_level(a, description); ++n) {
            std::string title = description.substr(0, description.find('\n'));
            print_row(int2str(n) + " " + title.substr(title.find_first_not_of(' ')), play(g, a, screen, frames));
            description.clear();
        }
    }
    timing all = stress(screen, frames, false);
    timing grid = stress(screen, frames, true);
    print_row("stress, all pairs", all);
    print_row("stress", grid);
    timing free_flight = ship_alone(screen, frames, false);
    timing buried = ship_alone(screen, frames, true);
    print_row("free flight", free_flight);
    print_row("buried ship", buried);
    std::printf("\nstress simulation, all pairs / grid: %.1f\n", all.sim_median / grid.sim_median);
    std::printf("buried ship simulation / free flight: %.1f\n", buried.sim_median / free_flight.sim_median);

    SDL_FreeSurface(screen);
    text::exit();
    SDL_Quit();
    return 0;
}
