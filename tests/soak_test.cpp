// Every shipped level played for a long time by a pilot that thrusts,
// turns, fires a ship armed with every weapon and works the tractor beam,
// invulnerable so that the level does not simply end; a completed level is
// built again with a fresh loader. Nothing may go wrong under the
// sanitizers, and the memory in use must not grow once the caches of the
// game (pictures and explosions, each kept per name) have filled.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of the bytes handed out and not yet freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "arena_fixture.h"
#include "debug.h"
#include "levels.h"
#include "weapons.h"

namespace fs = std::filesystem;

namespace {
const int frames_per_level = 10000;
const int window = 1000;
// What the average heap of the last thousand frames may exceed that of the
// second thousand by: a steady leak of a few bytes a frame passes it.
const double growth_allowed = 64 * 1024;
// What a level built again after the soak may hold beyond its first build:
// containers keep some of the room they grew to.
const double rebuild_allowed = 16 * 1024;
// How long a level without enemies runs on before it is built again.
const int quiet_frames = 200;

// Bytes the program holds on the heap, by the allocator's own count:
// unlike the resident size it does not follow the sanitizer's quarantine of
// freed blocks or memory the allocator keeps for reuse.
size_t heap_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}


// Every weapon on one mount each, the cheap Peashooter on the eleventh.
const weapon_id fitting[mount_count] = {WT_PEASHOOTER, WT_RAPISHOOTER, WT_SHOVER, WT_ROCKET,
                                        WT_FLAKKER,    WT_PLASMOID,    WT_SCATTER, WT_SNIPER,
                                        WT_RBG,        WT_SCOOP,       WT_PEASHOOTER};

class soak : public arena_test {
protected:
    void SetUp() override
    {
        arena_test::SetUp();
        srand(1);
        use_game_data(true);
    }

    // A new game armed to the teeth: its pictures and explosions start
    // uncached, as at the start of a game.
    void new_game()
    {
        m_arena.reset();
        m_game.reset(new game);
        game::the_game = m_game.get();
        m_game->m_player_status = player_status{0, 0, MAX_SHIELD, 3, false, 0, 0, 0};
        m_game->m_weapon_mounts.assign(mounts, mounts + mount_count);
        for (int i = 0; i < mount_count; ++i)
            m_game->m_weapon_mounts[i].type = fitting[i];
        // The strongest engine lifts the heavy fitting.
        m_game->m_engine = ET_STREAKER;
        m_game->m_systems.assign(system_slots, ST_EMPTY);
        for (int i = 0; i < system_slots; ++i)
            m_game->m_systems[i] = i % 2 == 0 ? ST_BATTERY : i % 4 == 1 ? ST_SUPERGENERATOR : ST_GENERATOR;
        status().max_energy = status().energy = calc_ship_battery();
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
    }

    // Level n (from 1) of the file, built with a fresh loader as the first
    // level of a game would be: the levels before it go into a scratch
    // arena, so that the loader has seen a spawn tile.
    void build_level(int n)
    {
        level_loader loader("levels/levels.txt");
        arena scratch;
        std::string description;
        testing::internal::CaptureStdout();  // "added!" for asteroid ufos
        bool loaded = true;
        try {
            for (int i = 1; i <= n && loaded; ++i) {
                arena& into = i < n ? scratch : *m_arena;
                m_game->m_arena = &into;
                loaded = loader.next_level(into, description);
            }
        } catch (whinage& w) {
            ADD_FAILURE() << "whinage: " << w.what();
            loaded = false;
        }
        m_game->m_arena = m_arena.get();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded) << "level " << n;
    }

    int level_count()
    {
        level_loader loader("levels/levels.txt");
        arena scratch;
        m_game->m_arena = &scratch;
        std::string description;
        int n = 0;
        testing::internal::CaptureStdout();
        while (!loader.end_of_file() && loader.next_level(scratch, description))
            ++n;
        testing::internal::GetCapturedStdout();
        m_game->m_arena = m_arena.get();
        return n;
    }

    // The keys of frame f: bursts of fire that the batteries can pay for,
    // short thrusts, turns both ways, and now and then the beam.
    void pilot(int f)
    {
        auto& keys = m_game->m_key_flags;
        keys.fire = f % 40 < 12;
        keys.up = f % 23 < 7;
        keys.right = f % 90 < 9;
        keys.left = f % 130 >= 60 && f % 130 < 72;
        if (f % 75 == 30)
            keys.tractor = true;
    }

    // Fills the caches that fill once per game: every picture of the image
    // directory, and every explosion the game makes, each from a picture of
    // the size the game gives it. After this a game's caches hold all they
    // ever will, so that the heap in use is what the arena holds. (An
    // explosion the game learns to make must be added here, or its first
    // showing late in a soak reads as growth.)
    void fill_caches()
    {
        bitmap_pool& pool = m_game->m_bmp_pool;
        for (const auto& entry : fs::directory_iterator(path("images")))
            pool.get_bitmap(entry.path().filename().string());
        const std::vector<std::pair<std::string, std::string> > explosions = {
            {"ball", "ball.png"},          {"block", "block.png"},
            {"sink", "sink.png"},          {"coin.png", "coin.png"},
            {"recking_ball.png", "recking_ball.png"},
            {"turret_U", "turret_up.png"}, {"turret_D", "turret_down.png"},
            {"turret_L", "turret_left.png"}, {"turret_R", "turret_right.png"},
            {"bobbler", "bobbler.png"},    {"miner", "miner.png"},
            {"graldor", "graldor0.png"},   {"baby_graldor", "baby_graldor.png"},
            {"asteroid0", "asteroid1.png"}, {"asteroid1", "asteroid2.png"},
            {"asteroid2", "asteroid3.png"},
        };
        for (const auto& e : explosions)
            delete m_game->m_exp_pool.get_explosion(e.first, pool.get_bitmap(e.second));
        for (const char* variant : {"_1", "_2", "_3", "_4", "_5"})
            delete m_game->m_exp_pool.get_explosion(std::string("shot.png") + variant, pool.get_bitmap("shot.png"));
        // The ship's explosion starts from one of its turned pictures.
        ship* s = the_ship();
        if (s)
            delete m_game->m_exp_pool.get_explosion("ship", s->pic());
    }

    // The enemies a level places (and the pieces of its asteroids) that
    // are still about; bullets, rockets and hunters are not counted.
    int level_enemies()
    {
        return count_of<turret>() + count_of<bobbler>() + count_of<miner>() + count_of<graldor>() +
               count_of<invader>() + count_of<ufo>() + count_of<ast_ufo>() + count_of<asteroid>();
    }

    // What the play loop's drawing reads of every mover: its picture, whose
    // memory must still be there.
    void look_at_movers()
    {
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            mover* m = m_arena->get_mover(i);
            ASSERT_NE(m, nullptr) << "corrupt arena";
            SDL_Surface* p = m->pic();
            if (!p)
                continue;
            ASSERT_GT(p->w, 0);
            SDL_LockSurface(p);
            getpixel(p, p->w - 1, p->h - 1);
            SDL_UnlockSurface(p);
        }
    }
};

struct window_stats {
    size_t least = static_cast<size_t>(-1);
    size_t most = 0;
    double total = 0;
    int samples = 0;
    void add(size_t bytes)
    {
        least = std::min(least, bytes);
        most = std::max(most, bytes);
        total += static_cast<double>(bytes);
        ++samples;
    }
    double mean() const { return samples ? total / samples : 0; }
};
}

TEST_F(soak, every_level_for_ten_thousand_frames)
{
    const int levels = level_count();
    ASSERT_GE(levels, 6);
    for (int n = 1; n <= levels; ++n) {
        SCOPED_TRACE("level " + std::to_string(n));
        const auto started = std::chrono::steady_clock::now();
        new_game();
        build_level(n);
        if (HasFatalFailure())
            return;
        fill_caches();
        std::vector<bool> fired(mount_count, false);
        std::vector<window_stats> windows(frames_per_level / window);
        int restarts = 0, most_movers = 0, quiet = 0;
        const size_t fresh_level = heap_in_use();
        size_t rebuilt_level = 0;
        for (int f = 0; f < frames_per_level; ++f) {
            pilot(f);
            // At the very end the ship leaves the map, to see the level
            // built again at least once.
            if (f == frames_per_level - 1)
                the_ship()->m_y = -200;
            frame();
            status().invulnerability = MAX_INVULNERABILITY;
            look_at_movers();
            if (HasFatalFailure())
                return;
            for (int i = 0; i < mount_count; ++i)
                fired[i] = fired[i] || m_game->m_weapon_mounts[i].reload > 0;
            most_movers = std::max(most_movers, m_arena->num_movers());
            ASSERT_NE(the_ship(), nullptr) << "frame " << f;
            windows[f / window].add(heap_in_use());
            // A level with nothing left to fight is as good as done: once
            // its last coins and explosions have had their time, it starts
            // again too.
            quiet = level_enemies() == 0 ? quiet + 1 : 0;
            if (m_arena->level_complete() || quiet > quiet_frames) {
                quiet = 0;
                ++restarts;
                build_level(n);
                if (HasFatalFailure())
                    return;
                rebuilt_level = heap_in_use();
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::ostringstream report;
        report << "level " << n << ": " << frames_per_level << " frames in " << seconds << " s, " << restarts
               << " restarts, up to " << most_movers << " movers; heap " << fresh_level / 1024 << " KiB built, "
               << static_cast<long>(rebuilt_level / 1024) << " KiB rebuilt; by thousand frames (least/mean/most KiB):";
        for (const window_stats& w : windows)
            report << " " << w.least / 1024 << "/" << static_cast<long>(w.mean() / 1024) << "/" << w.most / 1024;
        std::cout << report.str() << std::endl;
        for (int i = 0; i < mount_count; ++i)
            EXPECT_TRUE(fired[i]) << "mount " << i << " never fired";
        // After a thousand frames of warm-up, the last thousand frames hold
        // on average no more than the thousand after the warm-up: the
        // movers come and go, and the heap with them, by a few KiB.
        const double growth = windows.back().mean() - windows[1].mean();
        EXPECT_LT(growth, growth_allowed) << report.str();
        // A level built again holds what it held when it was first built:
        // nothing of the level before stays behind.
        EXPECT_GE(restarts, 1);
        EXPECT_LT(static_cast<double>(rebuilt_level) - static_cast<double>(fresh_level), rebuild_allowed)
            << "fresh " << fresh_level << " bytes, rebuilt " << rebuilt_level;
    }
}
