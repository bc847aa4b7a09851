// Everything that lives in the arena derives from mover: position, velocity,
// mass, a dead flag and the virtual slots the arena drives. The player's
// side is here too: the ship with its exhaust, shots, balls, coins and
// recking balls.
#ifndef VANTREL_MOVERS_H
#define VANTREL_MOVERS_H

#include <string>

#include <SDL.h>

#include "etc.h"

// Tile types; the full list lives with the arena.
enum arena_t : int;

// What a mover is, for the quick type tests of the collision rules: each
// class's constructor adds its own, in step with the class hierarchy.
enum mover_kind : unsigned {
    MK_SHIP = 1u << 0,
    MK_ENEMY = 1u << 1,
    MK_BALL = 1u << 2,
    MK_SHOT = 1u << 3,
    MK_COIN = 1u << 4,
    MK_MINER = 1u << 5,
    MK_RECKING_BALL = 1u << 6,
};

class mover {
public:
    mover();
    virtual ~mover();

    // Advances the position by the velocity over t seconds (a sub-step).
    virtual void move(float t);
    // Once per frame, with the frame step.
    virtual void do_stuff(float time_interval);
    // May be null; owned by the mover or a cache, never by the caller.
    virtual SDL_Surface* pic() const = 0;
    virtual bool does_arena_collisions() const;
    virtual bool does_collisions(mover* m) const;
    virtual void notify_collision(arena_t hit, float time_interval);
    virtual void notify_collision(mover* other, float time_interval);
    virtual bool is_stuck() const;
    virtual void roughly_untractor();

    void teleport(float x, float y);
    // Places the picture's centre at (x, y); halves w + 1, so odd sizes
    // land one pixel short of what x_centre() then reports.
    void teleport_centre(float x, float y);
    float x_centre() const;
    float y_centre() const;
    // Only sets the flag: the arena deletes the mover at its next pass.
    void die();
    bool is_dead() const;
    bool is(mover_kind k) const { return (m_kinds & k) != 0; }

    float m_mass;
    float m_x;
    float m_y;
    float m_dx;
    float m_dy;

protected:
    void add_kind(mover_kind k) { m_kinds |= k; }

private:
    bool m_is_dead;
    unsigned m_kinds;
};

// The quick type test, null-safe.
inline bool is_kind(const mover* m, mover_kind k) { return m && m->is(k); }

class arena;

// The normal of the wall at the map point (x, y) where a picture touches it,
// pointing into the wall: the unit sum of the directions to the opaque map
// pixels within radius of it, ball sources left out. False, with (0, 0),
// when they cancel out or there are none. Real is the precision of each
// direction and addition, the sum being rounded to float after each one:
// the ship's bounce works in float, the asteroid's in double.
template <typename Real>
bool wall_normal(const arena& ar, float x, float y, int radius, float& n_x, float& n_y);

// A fading red pixel behind a thrusting ship.
class exhaust : public mover {
public:
    exhaust();
    ~exhaust() override;
    exhaust(const exhaust&) = delete;
    exhaust& operator=(const exhaust&) = delete;

    void do_stuff(float time_interval) override;
    SDL_Surface* pic() const override;

private:
    SDL_Surface* m_pic;
    float m_life_expectancy;
};

// The player's ship: thrust, turning, tractor beam, weapons, wall bounces,
// shop tiles and blows traded with enemies. Its shield, energy and fitting
// live in the game state.
class ship : public mover {
public:
    static const int pic_count = 64;

    ship();
    ~ship() override;
    ship(const ship&) = delete;
    ship& operator=(const ship&) = delete;

    void move(float t) override;
    void do_stuff(float time_interval) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    bool does_collisions(mover* m) const override;
    void notify_collision(arena_t what, float time_interval) override;
    void notify_collision(mover* m, float time_interval) override;
    void roughly_untractor() override;

    void take_hit(int damage);
    void fire_weapons();
    float get_angle() const;

private:
    void bounce();
    // Moves the ship to the nearest free spot on rings around it; only for
    // a ship whose picture meets a wall where it is.
    void escape_wall();
    bool is_free(int x, int y) const;

    float m_angle;
    SDL_Surface* m_pics[pic_count];
    int m_pic_index;
    bool m_tractor_on;
    int m_shop_timeout;
    float m_last_interval;
};

// Every weapon fires these; what they do on contact and at the end of
// their life is the weapon's pair of functions.
class shot : public mover {
public:
    shot(const std::string& pic_name, float li_ex, int mount_index, detonation_fn_t* det_fn,
         expiration_fn_t* exp_fn);
    ~shot() override;

    void do_stuff(float time_interval) override;
    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    bool does_collisions(mover* m) const override;
    void notify_collision(arena_t hit, float time) override;
    void notify_collision(mover* m, float time_interval) override;

    int mount();
    // The picture name with "_1" to "_5" appended at random: the keys of
    // five explosion variants per picture.
    std::string pic_name() const;

private:
    int m_mount_index;
    std::string m_pic_name;
    detonation_fn_t* m_det_fn;
    expiration_fn_t* m_exp_fn;
    SDL_Surface* m_pic;
    float m_life_expectancy;
};

// The thing towed from a source to a sink; the arena handles its tiles.
class ball : public mover {
public:
    ball();
    ~ball() override;

    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    bool is_stuck() const override;

    // Stuck balls lie still: sticking also stops the ball.
    void stick();
    void unstick();

private:
    SDL_Surface* m_pic;
    bool m_stuck;
};

// Dropped by enemies, worth 50 to the ship; falls through tiles and
// bounces on the map's floor three times.
class coin : public mover {
public:
    coin();
    ~coin() override;

    void do_stuff(float time_interval) override;
    SDL_Surface* pic() const override;
    bool does_collisions(mover* m) const override;
    void notify_collision(mover* m, float time_interval) override;

private:
    SDL_Surface* m_pic;
    int m_bounces;
};

// The R.B.G's heavy ball: grinds enemies it touches, bursts on walls.
class recking_ball : public mover {
public:
    recking_ball();
    ~recking_ball() override;

    SDL_Surface* pic() const override;
    bool does_arena_collisions() const override;
    bool does_collisions(mover* m) const override;
    void notify_collision(arena_t hit, float time_interval) override;
    void notify_collision(mover* m, float time) override;

private:
    SDL_Surface* m_pic;
};

#endif
