// Enemies: the base every hostile mover shares (hit points, a flat damage
// reduction, a score, death effects), and every kind a level holds:
// turrets and their bullets, bobblers, miners, graldors and their babies,
// invaders, the ufo boss, the asteroid ufo, ufo rockets and asteroids.
#ifndef VANTREL_ENEMIES_H
#define VANTREL_ENEMIES_H

#include <SDL.h>

#include "movers.h"

// Abstract: each enemy class supplies its picture.
class enemy : public mover {
public:
    enemy();

    // Lowers the hit points by damage less the reduction; at 0 the enemy
    // dies, makes its death effects and scores. Returns the damage taken,
    // truncated to a whole number; 0 for a dead enemy.
    virtual double take_hit(double damage);
    virtual bool is_boss() const;
    // The death effects; called once, by the killing hit.
    virtual void notify_dead();

    int dam_red() const;
    // Kills a living enemy whatever its hit points and reduction.
    double insta_kill();
    // Both take the smaller of their hit points plus reduction.
    static void collide(enemy* e1, enemy* e2);

protected:
    double m_hitpoints;
    int m_dam_red;
    int m_score;
};

// A gun fixed to the map; fires at the ship in range on the side it faces.
class turret : public enemy {
public:
    enum direction { UP = 0, DOWN = 1, LEFT = 2, RIGHT = 3 };

    explicit turret(direction d);

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    void notify_dead() override;

    static const int shot_speed = 250;

private:
    // Whether (x, y) lies on the side the turret faces of (own_x, own_y).
    bool faces(float own_x, float own_y, float x, float y) const;

    SDL_Surface* m_pic;
    int m_direction;
    float m_reload;  // seconds
};

// The enemies' bullet: hurts the ship by touching it, vanishes on walls,
// lives 40 frames.
class t_shot : public enemy {
public:
    t_shot();

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    void notify_collision(arena_t hit, float time_interval) override;

private:
    SDL_Surface* m_pic;
    float m_life_expectancy;  // frames
};

// A small hovering swarm creature that bobs in a 40-frame cycle and drops a
// coin when killed.
class bobbler : public enemy {
public:
    bobbler();

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    void notify_dead() override;

private:
    SDL_Surface* m_pic;
    int m_phase;
};

// A floating mine: detonates on a wall, on the ship or when destroyed,
// hurting enemies and the player alike.
class miner : public enemy {
public:
    miner();

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    bool does_collisions(mover* m) const override;
    void notify_collision(arena_t hit, float time_interval) override;
    void notify_collision(mover* m, float time_interval) override;
    void notify_dead() override;

    void detonate();

private:
    SDL_Surface* m_pic;
};

// A spawner: hovers until it is pushed onto a wall, where it sticks for
// good, and gives birth to a baby every 11 seconds.
class graldor : public enemy {
public:
    graldor();

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    void notify_collision(arena_t hit, float time_interval) override;
    bool is_stuck() const override;
    void notify_dead() override;

    static constexpr float graldor_reload = 11.0f;
    static constexpr float graldor_fire_time = 1.5f;
    static constexpr float graldor_accel = 100.0f;
    static const int npics = 10;

private:
    SDL_Surface* m_pic;
    float m_reload;
    float m_firing;
    bool m_stuck;
};

// A graldor's young: homes in on the ship and bursts on walls.
class baby_graldor : public enemy {
public:
    baby_graldor();

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    void notify_collision(arena_t hit, float time_interval) override;
    void notify_dead() override;

private:
    SDL_Surface* m_pic;
};

// Patrols between two x bounds, flaps every second, drops bullets at random.
class invader : public enemy {
public:
    invader(float left, float right);

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    void notify_dead() override;

    static constexpr float invader_speed = 0.4f;
    static constexpr float invader_fire_rate = 0.2f;

private:
    float m_timer;
    float m_left;
    float m_right;
    float m_dir;
    SDL_Surface* m_pic;
};

// The boss: patrols at a fixed height, fires volleys at a ship within 400
// pixels and rockets in the last second of every 10. Its death opens the
// exit.
class ufo : public enemy {
public:
    ufo(float desired_y, int left, int right);

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool is_boss() const override;
    void notify_dead() override;

    static const int ufo_bullets_per_sec = 10;
    static const int ufo_shot_speed = 250;
    static const int ufo_rocket_reload = 10;
    static const int ufo_rockets_per_sec = 5;
    static const int ufo_rocket_speed = 450;

private:
    SDL_Surface* m_pic;
    float m_timer;
    float m_desired_y;
    float m_left;
    float m_right;
};

// Sweeps across the whole level and back, swaying about the middle row and
// firing rockets while over the map. Its death opens the exit too.
class ast_ufo : public enemy {
public:
    ast_ufo();

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    void notify_dead() override;

private:
    SDL_Surface* m_pic;
};

// The ufos' missile: flies straight, bursts on walls or when hit.
class ufo_rocket : public enemy {
public:
    ufo_rocket();

    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    void notify_collision(arena_t hit, float time_interval) override;
    void notify_dead() override;

private:
    SDL_Surface* m_pic;
};

// Drifts without gravity and bounces off walls; breaks large -> two medium
// -> two small each -> a coin.
class asteroid : public enemy {
public:
    enum size { AS_LARGE = 0, AS_MEDIUM = 1, AS_SMALL = 2 };

    // A large one moving at ast_speed in a random direction.
    asteroid();
    explicit asteroid(size s);

    void do_stuff(float dt) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    void notify_collision(arena_t obs, float time_interval) override;
    void notify_dead() override;

    static const int ast_speed = 50;
    static const int impact_radius = 5;

private:
    size m_size;
    SDL_Surface* m_pic;
};

#endif
