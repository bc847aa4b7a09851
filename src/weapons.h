// The equipment catalogue (weapons, engines, systems), the default weapon
// mounts, the ship statistics computed from the fitting, the shot effects
// of every weapon, and the scoop's carrier of captured enemies.
#ifndef VANTREL_WEAPONS_H
#define VANTREL_WEAPONS_H

#include <utility>
#include <vector>

#include "arena.h"
#include "etc.h"
#include "movers.h"
#include "sound.h"

class enemy;

enum weapon_id {
    WT_NOTHING = 0,
    WT_PEASHOOTER = 1,
    WT_RAPISHOOTER = 2,
    WT_SHOVER = 3,
    WT_ROCKET = 4,
    WT_FLAKKER = 5,
    WT_PLASMOID = 6,
    WT_SCATTER = 7,
    WT_SNIPER = 8,
    WT_RBG = 9,
    WT_SCOOP = 10,
};

enum engine_id { ET_PIFFLER = 0, ET_THRUSTER = 1, ET_STREAKER = 2 };

enum system_id {
    ST_EMPTY = 0,
    ST_GENERATOR = 1,
    ST_BATTERY = 2,
    ST_LEAD = 3,
    ST_SUPERGENERATOR = 4,
};

// One mount of the ship: offset from the picture's centre in the ship's
// own frame (nose towards -y) and firing angle from the nose, clockwise.
struct weapon_mount {
    float loc_x;
    float loc_y;
    float angle;
    const char* name;
    int reload;  // frames until it may fire again
    weapon_id type;
};

struct weapon_type {
    const char* name;
    int cost;
    float exit_speed;
    float ttl;
    int damage;  // what the shop shows; the effects carry their own
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

struct engine_type {
    const char* name;
    int cost;
    float thrust;
    int mass;
    const char* description;
};

struct system_type {
    const char* name;
    int cost;
    int mass;
    const char* shop_graphic;
    const char* description;
};

// The catalogue, each indexed by its id.
const std::vector<weapon_type>& weapon_types();
const std::vector<engine_type>& engine_types();
const std::vector<system_type>& system_types();

// The eleven mounts a new game starts with, in order.
const int mount_count = 11;
extern const weapon_mount mounts[mount_count];

// Statistics of the ship fitted in game::the_game.
int calc_ship_mass();
float calc_ship_battery();
// Energy regained per frame.
float calc_ship_generate();

// Shot effects: detonations take (shot, victim or null for a wall, time).
void shot_det(mover* m, mover* victim, float time);
void shover_det(mover* m, mover* victim, float time);
void sniper_det(mover* m, mover* victim, float time);
void flakker_det(mover* m, mover* victim, float time);
void rocket_det(mover* m, mover* victim, float time);
void plasmoid_det(mover* m, mover* victim, float time);
void rbg_det(mover* m, mover* victim, float time);
void scoop_det(mover* m, mover* victim, float time);
void scatter_det(mover* m, mover* victim, float time);
void rbg_exp(mover* m);
void scatter_exp(mover* m);

// Carries a scooped enemy on an elastic leash 40 pixels beyond the mount
// that caught it; after half a second the captive is a club that fights
// every enemy it touches. An orphan (its ship gone) drifts, and kills its
// captive on the first wall.
class scoop_victim : public mover {
public:
    // victim must already be out of the arena; the carrier owns it.
    scoop_victim(arena_ptr<mover> holder, enemy* victim, int mount);
    ~scoop_victim() override;
    scoop_victim(const scoop_victim&) = delete;
    scoop_victim& operator=(const scoop_victim&) = delete;

    void move(float t) override;
    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    bool does_collisions(mover* other) const override;
    void notify_collision(arena_t hit, float time_interval) override;
    void notify_collision(mover* other, float time_interval) override;

    // False while a carrier of a living ship holds that ship's mount.
    static bool is_available(arena_ptr<mover> s, int mount);

    static const int gap = 40;
    static const int pull = 1;
    static constexpr float drag = 0.1f;

private:
    typedef std::pair<arena_ptr<mover>, int> victim_id;
    // Two ids are the same when their holders are both living or both gone
    // and their mounts agree.
    static bool same_id(const victim_id& a, const victim_id& b);
    // Puts the captive back into the arena where the carrier is, at rest.
    void hand_back();

    arena_ptr<mover> m_holder;
    enemy* m_victim;
    int m_mount;
    float m_age;

    // One (holder, mount) per carrier. A holder's truth value changes when
    // its ship dies, so the ids are kept in a plain list, not an ordered set.
    static std::vector<victim_id> s_victim_ids;
};

#endif
