// The state of the game in progress (game, reached through game::the_game):
// controls, arena, the picture and explosion caches, the player status the
// status bar shows, and the ship's fitting.
#ifndef VANTREL_GAME_H
#define VANTREL_GAME_H

#include <map>
#include <string>
#include <vector>

#include <SDL.h>

#include "explosion.h"
#include "weapons.h"

class arena;

// Pictures by file name, each read once per game and shared by everyone
// who shows it; they are freed when the pool goes.
class bitmap_pool {
public:
    bitmap_pool() = default;
    ~bitmap_pool();
    bitmap_pool(const bitmap_pool&) = delete;
    bitmap_pool& operator=(const bitmap_pool&) = delete;

    // The caller never frees the result; it lives as long as the pool.
    SDL_Surface* get_bitmap(const std::string& name);

private:
    typedef std::map<const std::string, SDL_Surface*> m_map_t;
    m_map_t m_map;
};

struct player_status {
    int score;
    int money;
    int shield;
    int lives;
    bool in_shop;
    float energy;
    float max_energy;
    float invulnerability;

    // in_shop is not compared.
    bool operator==(const player_status& other) const;
};

struct game {
    game();

    struct {
        bool up;
        bool left;
        bool right;
        bool tractor;
        bool fire;
    } m_key_flags;
    arena* m_arena;
    bitmap_pool m_bmp_pool;
    explosion_pool m_exp_pool;
    player_status m_player_status;
    std::vector<weapon_mount> m_weapon_mounts;
    engine_id m_engine;
    std::vector<system_id> m_systems;

    // The game in progress; set by the play loop, never cleared.
    static game* the_game;
};

// The game in progress, its arena and its player's status, for the code
// that acts on them, and a picture from its cache.
inline game& the_game() { return *game::the_game; }
inline arena& the_arena() { return *game::the_game->m_arena; }
inline player_status& status() { return game::the_game->m_player_status; }
inline SDL_Surface* cached(const std::string& name) { return game::the_game->m_bmp_pool.get_bitmap(name); }

// One frame of play with the controls already read: the arena's behaviour
// pass, its forces and its moves, then the invulnerability counts down.
void step_frame(game& g);

#endif
