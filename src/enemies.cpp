// The enemy base (hits through the flat damage reduction, death effects,
// score, instant kills, enemy-on-enemy blows) and every enemy kind.
#include "enemies.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "arena.h"
#include "explosion.h"
#include "game.h"
#include "sound.h"

namespace {
// Hovering: cancels the gravity the force step adds to every mover with mass.
void hover(mover& m, float dt) { m.m_dy -= dt * the_arena().gravity(); }

// The death explosion: the enemy's own picture under key, centred on it,
// with the given velocity (as a rule its own).
void explode(enemy& e, const std::string& key, float dx, float dy)
{
    explode_at(the_arena(), key, e.pic(), e.x_centre(), e.y_centre(), dx, dy);
}

void explode(enemy& e, const std::string& key) { explode(e, key, e.m_dx, e.m_dy); }

// A coin with its own starting velocity plus the enemy's, centred on it.
void drop_coin(enemy& e)
{
    coin* c = new coin;
    c->m_dx += e.m_dx;
    c->m_dy += e.m_dy;
    c->teleport_centre(e.x_centre(), e.y_centre());
    the_arena().add_mover(c);
}

// The vector from m's centre to the target's centre, and its length.
struct aim {
    float dx, dy, d;
};
aim aim_at(const mover& m, const mover& target)
{
    float dx = target.x_centre() - m.x_centre(), dy = target.y_centre() - m.y_centre();
    return {dx, dy, dist(dx, dy)};
}

// A new enemy missile of type T centred on (x, y) at velocity (dx, dy).
template <typename T>
void launch(float x, float y, float dx, float dy)
{
    T* s = new T;
    s->teleport_centre(x, y);
    s->m_dx = dx;
    s->m_dy = dy;
    the_arena().add_mover(s);
}

// Both ufos die alike: three booms, a shower of 20 coins, a push, and the
// exit opens.
void ufo_death(enemy& e)
{
    for (int i = 0; i < 3; ++i)
        sound::play(sound::BOOM);
    for (int i = 0; i < 20; ++i) {
        coin* c = new coin;
        float oy = 20 * randn();  // y first
        float ox = 20 * randn();
        c->teleport_centre(e.x_centre() + ox, e.y_centre() + oy);
        the_arena().add_mover(c);
    }
    the_arena().AOE_force(e.x_centre(), e.y_centre(), 50, 40, 100);
    the_arena().open_exit();
}
}

// ---------------------------------------------------------------- enemy

enemy::enemy() : m_hitpoints(1.0), m_dam_red(0), m_score(0) { add_kind(MK_ENEMY); }

double enemy::take_hit(double damage)
{
    if (is_dead())
        return 0.0;
    double reduced = std::max(damage - m_dam_red, 0.0);
    double new_hitpoints = m_hitpoints - reduced;
    // The whole hit counts as taken, less what overshoots the hit points left.
    double accepted_damage = damage + (new_hitpoints < 0 ? new_hitpoints : 0);
    double accepted = std::trunc(accepted_damage);
    if (new_hitpoints <= 0) {
        m_hitpoints = 0;
        die();
        notify_dead();
        // After the death effects, so kills they cause score first.
        the_game().m_player_status.score += m_score;
    } else {
        m_hitpoints = new_hitpoints;
    }
    return accepted;
}

bool enemy::is_boss() const { return false; }

void enemy::notify_dead() {}

int enemy::dam_red() const { return m_dam_red; }

double enemy::insta_kill() { return take_hit(m_dam_red + m_hitpoints + 1.0); }

void enemy::collide(enemy* e1, enemy* e2)
{
    double hittage = std::min(e2->m_hitpoints + e2->m_dam_red, e1->m_hitpoints + e1->m_dam_red);
    e1->take_hit(hittage);
    e2->take_hit(hittage);
}

// --------------------------------------------------------------- turret

namespace {
const char* const turret_pics[] = {"turret_up.png", "turret_down.png", "turret_left.png",
                                   "turret_right.png"};
}

turret::turret(direction d) : m_pic(cached(turret_pics[d])), m_direction(d), m_reload(0)
{
    m_hitpoints = 5;
    m_score = 200;
}

bool turret::faces(float own_x, float own_y, float x, float y) const
{
    switch (m_direction) {
    case UP: return own_y > y;
    case DOWN: return y > own_y;
    case LEFT: return own_x > x;
    default: return x > own_x;
    }
}

void turret::do_stuff(float dt)
{
    mover* target = the_arena().get_player_target();
    if (target) {
        aim a = aim_at(*this, *target);
        if (a.d > 20 && a.d < 400 && m_reload == 0) {
            if (!faces(x_centre(), y_centre(), target->x_centre(), target->y_centre()))
                return;
            launch<t_shot>(x_centre(), y_centre(), shot_speed * a.dx / a.d, shot_speed * a.dy / a.d);
            m_reload = std::max(0.5f - dt, 0.0f);
            return;
        }
    }
    if (m_reload > 0)
        m_reload = std::max(m_reload - dt, 0.0f);
}

SDL_Surface* turret::pic() const { return m_pic; }

void turret::notify_dead()
{
    // Flies off in the facing direction, not with the turret's own velocity.
    static const float away[4][2] = {{0, -100}, {0, 100}, {-100, 0}, {100, 0}};
    explode(*this, std::string("turret_") + "UDLR"[m_direction], away[m_direction][0], away[m_direction][1]);
}

// --------------------------------------------------------------- t_shot

t_shot::t_shot() : m_pic(cached("t_shot.png")), m_life_expectancy(40) {}

void t_shot::do_stuff(float)
{
    // Frames, whatever the step.
    m_life_expectancy -= 1;
    if (m_life_expectancy <= 0)
        die();
}

SDL_Surface* t_shot::pic() const { return m_pic; }

bool t_shot::does_arena_collisions() const { return true; }

void t_shot::notify_collision(arena_t, float) { die(); }

// -------------------------------------------------------------- bobbler

bobbler::bobbler() : m_pic(cached("bobbler.png")), m_phase(randint(40))
{
    m_mass = 2;
    m_score = 10;
}

void bobbler::do_stuff(float dt)
{
    m_phase = (m_phase + 1) % 40;
    // The cosine in double, the sum back to float before gravity comes off.
    m_dy = static_cast<float>(m_dy + 8 * std::cos(2 * pi * m_phase / 40)) - dt * the_arena().gravity();
}

SDL_Surface* bobbler::pic() const { return m_pic; }

void bobbler::notify_dead()
{
    sound::play(sound::POP);
    explode(*this, "bobbler");
    drop_coin(*this);
}

// ---------------------------------------------------------------- miner

miner::miner() : m_pic(cached("miner.png"))
{
    add_kind(MK_MINER);
    m_mass = 30;
    m_hitpoints = 20;
    m_dam_red = 5;
    m_score = 20;
}

void miner::do_stuff(float dt) { hover(*this, dt); }

SDL_Surface* miner::pic() const { return m_pic; }

bool miner::does_arena_collisions() const { return true; }

bool miner::does_collisions(mover* m) const { return is_kind(m, MK_SHIP); }

// A miner already dead (blown up earlier in the same pass) blows up no more.
void miner::notify_collision(arena_t, float)
{
    if (is_dead())
        return;
    die();
    detonate();
    drop_coin(*this);
}

void miner::notify_collision(mover*, float)
{
    if (is_dead())
        return;
    die();
    detonate();
}

void miner::notify_dead()
{
    die();
    detonate();
}

void miner::detonate()
{
    sound::play(sound::BOOM);
    float x = x_centre(), y = y_centre();
    the_arena().AOE_damage(x, y, 50, 10, 5, static_cast<damage_type>(HURT_ENEMIES | HURT_PLAYER));
    the_arena().AOE_force(x, y, 200, 150, 0);
    explode(*this, "miner");
}

// -------------------------------------------------------------- graldor

namespace {
// The birth animation, ending on the resting picture.
const char* const graldor_pics[graldor::npics] = {"graldor1.png", "graldor2.png", "graldor3.png",
                                                  "graldor4.png", "graldor5.png", "graldor6.png",
                                                  "graldor7.png", "graldor8.png", "graldor9.png",
                                                  "graldor0.png"};

// The animation frame for the time left: the difference in float, the rest in double.
int birth_frame(float firing)
{
    return static_cast<int>(static_cast<double>(graldor::graldor_fire_time - firing) * 10 / 1.5);
}
}

graldor::graldor()
    : m_pic(cached("graldor0.png")), m_reload(graldor_reload), m_firing(0), m_stuck(false)
{
    m_mass = 30;
    m_hitpoints = 20;
    m_dam_red = 2;
}

void graldor::do_stuff(float dt)
{
    if (m_mass != 0 && !is_stuck())
        hover(*this, dt);
    m_reload -= dt;
    int oldpic;
    if (m_reload <= 0) {
        m_reload += graldor_reload;  // what went below 0 carries over
        oldpic = 0;
        m_firing = graldor_fire_time - dt;
    } else if (m_firing == 0) {
        return;
    } else {
        oldpic = birth_frame(m_firing);
        m_firing -= dt;
    }
    int newpic = birth_frame(m_firing);
    m_pic = cached(graldor_pics[minmax(0, newpic, npics - 1)]);
    if (newpic == 4 && oldpic == 3) {
        baby_graldor* baby = new baby_graldor;
        baby->teleport(m_x + 12, m_y + 19);
        the_arena().add_mover(baby);
    }
    if (m_firing < 0)
        m_firing = 0;
}

SDL_Surface* graldor::pic() const { return m_pic; }

bool graldor::does_arena_collisions() const { return !is_stuck(); }

void graldor::notify_collision(arena_t, float)
{
    // A graldor at rest does not stick.
    if (m_dx == 0 && m_dy == 0)
        return;
    m_dx = m_dy = 0;
    sound::play(sound::CLANG);
    m_stuck = true;
}

bool graldor::is_stuck() const { return m_stuck; }

void graldor::notify_dead() { explode(*this, "graldor"); }

baby_graldor::baby_graldor() : m_pic(cached("baby_graldor.png"))
{
    m_mass = 5;
    m_hitpoints = 3;
}

void baby_graldor::do_stuff(float dt)
{
    hover(*this, dt);
    mover* target = the_arena().get_player_target();
    if (!target)
        return;
    aim a = aim_at(*this, *target);
    if (a.d > 1) {
        m_dx += (dt * graldor::graldor_accel) * a.dx / a.d;
        m_dy += (dt * graldor::graldor_accel) * a.dy / a.d;
    }
}

SDL_Surface* baby_graldor::pic() const { return m_pic; }

bool baby_graldor::does_arena_collisions() const { return true; }

void baby_graldor::notify_collision(arena_t, float)
{
    // One burst only, also when a hit killed it earlier in the same pass.
    if (is_dead())
        return;
    die();
    notify_dead();
}

void baby_graldor::notify_dead() { explode(*this, "baby_graldor"); }

// -------------------------------------------------------------- invader

invader::invader(float left, float right)
    : m_timer(0), m_left(left), m_right(right), m_dir(1), m_pic(cached("invader1.png"))
{
    m_mass = 15;
    m_hitpoints = 5;
}

void invader::do_stuff(float dt)
{
    hover(*this, dt);
    if (m_left > m_x)
        m_dir = +1;
    if (m_x > m_right)
        m_dir = -1;  // wins when the bounds cross
    m_dx += invader_speed * m_dir;  // per frame, not scaled by the step
    m_timer += dt;
    while (m_timer > 2)
        m_timer -= 2;
    m_pic = cached(m_timer < 1 ? "invader1.png" : "invader2.png");
    int r = rand15();
    if (invader_fire_rate * dt > static_cast<float>(r / 32767.0))
        launch<t_shot>(x_centre(), y_centre(), 0, 250);
}

SDL_Surface* invader::pic() const { return m_pic; }

void invader::notify_dead()
{
    // A blocky burst left where the invader died.
    class block_explosion : public mover {
    public:
        block_explosion() : m_timer(0) {}
        void do_stuff(float dt) override
        {
            m_timer += dt;
            if (m_timer > 0.25f)
                die();
        }
        SDL_Surface* pic() const override
        {
            int k = minmax(0, static_cast<int>(16 * m_timer), 3);
            return cached("blockexplo" + int2str(k) + ".png");
        }

    private:
        float m_timer;
    };

    block_explosion* b = new block_explosion;
    b->teleport_centre(x_centre(), y_centre());
    the_arena().add_mover(b);
    sound::play(sound::POP);
}

// ------------------------------------------------------------------ ufo

namespace {
const float fire_points[2][2] = {{-40, 10}, {40, 10}};
}

ufo::ufo(float desired_y, int left, int right)
    : m_pic(cached("ufo.png")), m_timer(20), m_desired_y(desired_y),
      m_left(static_cast<float>(left)), m_right(static_cast<float>(right))
{
    m_mass = 50;
    m_hitpoints = 400;
    m_dam_red = 1;
    m_dx = 100;
}

void ufo::do_stuff(float dt)
{
    float old_timer = m_timer;
    hover(*this, dt);
    m_timer = old_timer + dt;
    while (m_timer > ufo_rocket_reload)
        m_timer -= ufo_rocket_reload;

    // A volley every tenth of a second while the ship is near.
    mover* target = the_arena().get_player_target();
    if (target) {
        aim a = aim_at(*this, *target);
        if (a.d > 1 && a.d < 400 &&
            static_cast<int>(old_timer * ufo_bullets_per_sec) < static_cast<int>(m_timer * ufo_bullets_per_sec)) {
            for (const float* gun : fire_points) {
                float dx = a.dx - gun[0], dy = a.dy - gun[1];
                float len = dist(dx, dy);
                if (len > 1)
                    launch<t_shot>(x_centre() + gun[0], y_centre() + gun[1], ufo_shot_speed * dx / len,
                                   ufo_shot_speed * dy / len);
                sound::play(sound::BOINK);
            }
        }
    }

    // Rockets in the last second of the cycle, at any range.
    if (m_timer > ufo_rocket_reload - 1 &&
        static_cast<int>(old_timer * ufo_rockets_per_sec) < static_cast<int>(m_timer * ufo_rockets_per_sec)) {
        if (mover* t = the_arena().get_player_target()) {
            aim a = aim_at(*this, *t);
            if (a.d > 1) {
                launch<ufo_rocket>(x_centre(), y_centre(), ufo_rocket_speed * a.dx / a.d,
                                   ufo_rocket_speed * a.dy / a.d);
                sound::play(sound::DOOF);
            }
        }
    }

    if (x_centre() > m_right)
        m_dx = -100;
    if (m_left > x_centre())
        m_dx = 100;
    m_y = m_desired_y;
}

SDL_Surface* ufo::pic() const { return m_pic; }

bool ufo::is_boss() const { return true; }

void ufo::notify_dead() { ufo_death(*this); }

// -------------------------------------------------------------- ast_ufo

namespace {
int map_width() { return the_arena().width(); }
int map_height() { return the_arena().height(); }
}

ast_ufo::ast_ufo() : m_pic(cached("ast_ufo.png"))
{
    m_mass = 50;
    m_hitpoints = 100;
    teleport_centre(static_cast<float>((map_width() + 20) * TILE_SIZE),
                    static_cast<float>((map_height() / 2) * TILE_SIZE));
    m_dx = -150;
}

void ast_ufo::do_stuff(float dt)
{
    const int w = map_width(), h = map_height();
    // From 20 tiles beyond the right edge to 20 beyond the left and back.
    if (m_x < -20 * TILE_SIZE || m_x > (w + 20) * TILE_SIZE)
        m_dx = -m_dx;

    // Hovers, pulled weakly towards the middle row.
    int y_offset = static_cast<int>(m_y - (h / 2) * TILE_SIZE);
    m_dy = (m_dy - dt * the_arena().gravity()) - y_offset * dt / 100;

    mover* target = the_arena().get_player_target();
    if (m_x > 0 && m_x < w * TILE_SIZE && target) {
        int r = rand15();
        if (dt > 2 * static_cast<float>(r / 32767.0)) {
            aim a = aim_at(*this, *target);
            if (a.d > 1)
                launch<ufo_rocket>(x_centre(), y_centre(), ufo::ufo_rocket_speed * a.dx / a.d,
                                   ufo::ufo_rocket_speed * a.dy / a.d);
            sound::play(sound::BOINK);
        }
    }
}

SDL_Surface* ast_ufo::pic() const { return m_pic; }

bool ast_ufo::does_arena_collisions() const { return false; }

void ast_ufo::notify_dead() { ufo_death(*this); }

// ----------------------------------------------------------- ufo_rocket

ufo_rocket::ufo_rocket() : m_pic(cached("rocket.png")) {}

SDL_Surface* ufo_rocket::pic() const { return m_pic; }

bool ufo_rocket::does_arena_collisions() const { return true; }

void ufo_rocket::notify_collision(arena_t, float)
{
    // One blast only, also when a hit killed it earlier in the same pass.
    if (is_dead())
        return;
    die();
    notify_dead();
}

void ufo_rocket::notify_dead()
{
    sound::play(sound::BOOM);
    float x = x_centre(), y = y_centre();
    the_arena().AOE_damage(x, y, 50, 2, 1, static_cast<damage_type>(HURT_ENEMIES | HURT_PLAYER));
    the_arena().AOE_force(x, y, 100, 20, 10);
}

// ------------------------------------------------------------- asteroid

namespace {
struct asteroid_kind {
    const char* picture;
    float mass;
    int piece_offset;
    float pop_volume;
};
const asteroid_kind asteroid_kinds[] = {
    {"asteroid1.png", 10, 20, 1.0f},
    {"asteroid2.png", 5, 10, 0.5f},
    {"asteroid3.png", 2.5f, 0, 0.25f},
};
}

asteroid::asteroid(size s) : m_size(s), m_pic(cached(asteroid_kinds[s].picture))
{
    m_mass = asteroid_kinds[s].mass;
}

asteroid::asteroid() : asteroid(AS_LARGE)
{
    float f = static_cast<float>(static_cast<float>(rand15() / 32767.0) * 2 * pi);
    m_dx = ast_speed * std::sin(f);
    m_dy = ast_speed * std::cos(f);
}

void asteroid::do_stuff(float dt) { hover(*this, dt); }

SDL_Surface* asteroid::pic() const { return m_pic; }

bool asteroid::does_arena_collisions() const { return true; }

void asteroid::notify_collision(arena_t, float time_interval)
{
    arena& ar = the_arena();
    int ix = 0, iy = 0;
    ar.arena_collision(pic(), static_cast<int>(m_x), static_cast<int>(m_y), nullptr, nullptr, nullptr, &ix,
                       &iy);

    // Double on purpose, where the ship's bounce sums in float.
    float n_x, n_y;
    if (!wall_normal<double>(ar, ix + m_x, iy + m_y, impact_radius, n_x, n_y))
        return;

    // A billiard ball: the speed is kept, the sign of rdotv not tested.
    float rdotv = m_dx * n_x + m_dy * n_y;
    m_dx = static_cast<float>(m_dx - 2.0 * rdotv * n_x);
    m_dy = static_cast<float>(m_dy - 2.0 * rdotv * n_y);
    m_x -= n_x * rdotv * time_interval;
    m_y -= n_y * rdotv * time_interval;
}

void asteroid::notify_dead()
{
    const asteroid_kind& kind = asteroid_kinds[m_size];
    if (m_size == AS_SMALL) {
        drop_coin(*this);
    } else {
        // The same sine on both axes: the pieces lie on a diagonal.
        for (int i = 0; i < 2; ++i) {
            float f = static_cast<float>(2 * static_cast<float>(rand15() / 32767.0) * pi);
            asteroid* piece = new asteroid(static_cast<size>(m_size + 1));
            float k = static_cast<float>(kind.piece_offset);
            piece->teleport_centre(x_centre() + k * std::sin(f), y_centre() + k * std::sin(f));
            piece->m_dx = m_dx;
            piece->m_dy = m_dy;
            the_arena().add_mover(piece);
        }
        the_arena().AOE_force(x_centre(), y_centre(), 50, 40, 0);
    }
    sound::play(sound::POP, kind.pop_volume);
    explode(*this, "asteroid" + int2str(m_size));
}
