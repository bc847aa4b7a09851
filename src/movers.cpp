// The mover base and the player's side of the arena: ship, exhaust, shots,
// balls, coins and recking balls.
#include "movers.h"

#include <algorithm>
#include <cmath>

#include "arena.h"
#include "enemies.h"
#include "explosion.h"
#include "game.h"
#include "loadimag.h"
#include "sound.h"
#include "weapons.h"

// ---------------------------------------------------------------- mover

mover::mover() : m_mass(0), m_x(0), m_y(0), m_dx(0), m_dy(0), m_is_dead(false), m_kinds(0) {}

mover::~mover() {}

void mover::move(float t)
{
    m_x += m_dx * t;
    m_y += m_dy * t;
}

void mover::do_stuff(float) {}

bool mover::does_arena_collisions() const { return false; }

bool mover::does_collisions(mover*) const { return false; }

void mover::notify_collision(arena_t, float) {}

void mover::notify_collision(mover*, float) {}

bool mover::is_stuck() const { return false; }

void mover::roughly_untractor() {}

void mover::teleport(float x, float y)
{
    m_x = x;
    m_y = y;
}

void mover::teleport_centre(float x, float y)
{
    if (!pic()) {
        m_x = x;
        m_y = y;
        return;
    }
    // (w + 1) / 2 on purpose: odd sizes sit one pixel off the centre rule.
    m_x = x - static_cast<float>((pic()->w + 1) / 2);
    m_y = y - static_cast<float>((pic()->h + 1) / 2);
}

float mover::x_centre() const
{
    SDL_Surface* p = pic();
    return p ? m_x + static_cast<float>(p->w / 2) : m_x;
}

float mover::y_centre() const
{
    SDL_Surface* p = pic();
    return p ? m_y + static_cast<float>(p->h / 2) : m_y;
}

void mover::die() { m_is_dead = true; }

bool mover::is_dead() const { return m_is_dead; }

template <typename Real>
bool wall_normal(const arena& ar, float x, float y, int radius, float& n_x, float& n_y)
{
    float total_x = 0, total_y = 0;
    for (int i = -radius; i <= radius; ++i) {
        for (int j = -radius; j <= radius; ++j) {
            if (i == 0 && j == 0)
                continue;
            int px = static_cast<int>(x + i), py = static_cast<int>(y + j);
            if (ar.getalpha(px, py) != 255 || ar.get(px / TILE_SIZE, py / TILE_SIZE) == A_SOURCE)
                continue;
            Real r = std::sqrt(static_cast<Real>(i * i + j * j));
            total_x = static_cast<float>(total_x + i / r);
            total_y = static_cast<float>(total_y + j / r);
        }
    }
    n_x = n_y = 0;
    float length = dist(total_x, total_y);
    if (!(length > 0.01f))
        return false;
    n_x = total_x / length;
    n_y = total_y / length;
    return true;
}

template bool wall_normal<float>(const arena&, float, float, int, float&, float&);
template bool wall_normal<double>(const arena&, float, float, int, float&, float&);

// -------------------------------------------------------------- exhaust

exhaust::exhaust() : m_pic(create_surface(1, 1, no_alpha_channel)), m_life_expectancy(0.25f)
{
    if (m_pic) {
        SDL_LockSurface(m_pic);
        putpixel(m_pic, 0, 0, SDL_MapRGBA(m_pic->format, 255, 0, 0, 255));
        SDL_UnlockSurface(m_pic);
    }
}

exhaust::~exhaust() { SDL_FreeSurface(m_pic); }

void exhaust::do_stuff(float time_interval)
{
    float life = m_life_expectancy -= time_interval;
    if (m_pic) {
        // 1020 x life, kept to its low 8 bits as the alpha value.
        int alpha = static_cast<int>(((0.25 - life) * 0 + life * 255) * 4);
        SDL_SetAlpha(m_pic, SDL_SRCALPHA, static_cast<Uint8>(alpha));
    }
    if (life <= 0)
        die();
}

SDL_Surface* exhaust::pic() const { return m_pic; }

// ----------------------------------------------------------------- ship

ship::ship()
    : m_angle(0), m_pics(), m_pic_index(0), m_tractor_on(false), m_shop_timeout(0),
      m_last_interval(0)
{
    add_kind(MK_SHIP);
    SDL_Surface* original = load_image("ship.png");
    for (int i = 0; i < pic_count; ++i) {
        m_pics[i] = create_surface(original->w * 3 / 2, original->h * 3 / 2, alpha_channel);
        if (m_pics[i])
            rotate(original, m_pics[i], i * 2 * pi * (1.0 / 64));
    }
    SDL_FreeSurface(original);
    m_mass = static_cast<float>(calc_ship_mass());
}

ship::~ship()
{
    for (SDL_Surface* p : m_pics)
        SDL_FreeSurface(p);
}

void ship::move(float t)
{
    m_last_interval = t;
    m_x += m_dx * t;
    m_y += m_dy * t;
}

void ship::do_stuff(float time_interval)
{
    game& g = the_game();
    player_status& s = g.m_player_status;

    s.max_energy = calc_ship_battery();
    s.energy = std::min(s.energy + calc_ship_generate(), s.max_energy);

    if (g.m_key_flags.up) {
        float thrust = engine_types()[g.m_engine].thrust;
        m_dx += thrust * time_interval * std::sin(m_angle) / m_mass;
        m_dy -= thrust * time_interval * std::cos(m_angle) / m_mass;
        const float sides[2] = {-16, 16};
        for (float lx : sides) {
            const float ly = 16;
            exhaust* e = new exhaust;
            float a = m_angle;
            e->teleport_centre(x_centre() + lx * std::cos(a) - ly * std::sin(a),
                               y_centre() + lx * std::sin(a) + ly * std::cos(a));
            float f = m_angle + (randu() - 0.5f) * 0.4f;
            e->m_dx = m_dx + (thrust / 50) * -std::sin(f);
            e->m_dy = m_dy + (thrust / 50) * std::cos(f);
            g.m_arena->add_mover(e);
        }
    }

    bool left = g.m_key_flags.left, right = g.m_key_flags.right;
    if (left != right) {
        float a = m_angle + d_angle * (static_cast<int>(right) - static_cast<int>(left));
        if (a > 2 * pi)
            a = static_cast<float>(a - 2 * pi);
        else if (a < 0)
            a = static_cast<float>(a + 2 * pi);
        m_angle = a;
        // a x 64 in float, the rest in double; a heading near 2 pi shows picture 0.
        float a64 = a * 64;
        m_pic_index = static_cast<int>(a64 * 0.5 / pi + 0.5);
        if (m_pic_index >= pic_count)
            m_pic_index = 0;
    }

    if (g.m_key_flags.tractor) {
        g.m_key_flags.tractor = false;  // each press acts once
        if (m_tractor_on) {
            g.m_arena->destroy_tractor(this);
            m_tractor_on = false;
        } else if (mover* target = g.m_arena->get_nearest_tractor_target(x_centre(), y_centre())) {
            g.m_arena->create_tractor(this, target);
            m_tractor_on = true;
        }
    }

    if (g.m_key_flags.fire)
        fire_weapons();

    for (weapon_mount& mount : g.m_weapon_mounts) {
        if (mount.reload > 0)
            --mount.reload;
    }
    if (m_shop_timeout > 0)
        --m_shop_timeout;
}

void ship::fire_weapons()
{
    game& g = the_game();
    player_status& s = g.m_player_status;
    for (size_t i = 0; i < g.m_weapon_mounts.size(); ++i) {
        weapon_mount& mount = g.m_weapon_mounts[i];
        const weapon_type& w = weapon_types()[mount.type];
        if (mount.type == WT_NOTHING || mount.reload != 0 || s.energy < w.energy_cost)
            continue;

        float a = m_angle;
        float dir = a + mount.angle;  // summed in float
        shot* sh = new shot(w.image_file, w.ttl, static_cast<int>(i), w.det_fn, w.exp_fn);
        sh->teleport_centre(x_centre() + mount.loc_x * std::cos(a) - mount.loc_y * std::sin(a),
                            y_centre() + mount.loc_x * std::sin(a) + mount.loc_y * std::cos(a));
        sh->m_dx = m_dx + w.exit_speed * std::sin(dir);
        sh->m_dy = m_dy - w.exit_speed * std::cos(dir);
        g.m_arena->add_mover(sh);

        // Recoil in double.
        double kick = 25.0 * w.recoil / m_mass;
        m_dx = static_cast<float>(m_dx - kick * std::sin(static_cast<double>(dir)));
        m_dy = static_cast<float>(m_dy + kick * std::cos(static_cast<double>(dir)));

        mount.reload = w.reload;
        s.energy -= w.energy_cost;
        sound::play(w.sound_effect, 0.2f);
    }
}

void ship::take_hit(int damage)
{
    player_status& s = status();
    if (s.invulnerability != 0)
        return;
    s.shield -= damage;
    if (s.shield >= 0)
        return;
    // Not guarded by the dead flag: a second blow in the same sub-step makes
    // a second explosion.
    explode_at(the_arena(), "ship", pic(), x_centre(), y_centre(), m_dx, m_dy);
    die();
}

SDL_Surface* ship::pic() const { return m_pics[m_pic_index]; }

bool ship::does_arena_collisions() const { return true; }

bool ship::does_collisions(mover* m) const { return is_kind(m, MK_ENEMY); }

void ship::notify_collision(mover* m, float)
{
    if (!is_kind(m, MK_ENEMY))
        return;
    static_cast<enemy*>(m)->take_hit(1.0);
    take_hit(1);
}

void ship::notify_collision(arena_t what, float)
{
    if (what == A_SHOP) {
        // While the timeout runs, shop tiles neither open the shop nor stop the ship.
        if (m_shop_timeout != 0)
            return;
        status().in_shop = true;
        m_angle = 0;
        m_dx = 0;
        m_dy = -4;
        m_pic_index = 0;
        m_shop_timeout = 100;
        return;
    }
    bounce();
}

void ship::bounce()
{
    arena& ar = the_arena();
    const float restitution = 0.8f;

    int ix = 0, iy = 0;
    ar.arena_collision(pic(), static_cast<int>(m_x), static_cast<int>(m_y), nullptr, nullptr,
                       nullptr, &ix, &iy);

    // In float on purpose, where the asteroid's bounce sums in double. Without
    // a normal, n = (0, 0) and only the stuck test below acts.
    float n_x, n_y;
    wall_normal<float>(ar, ix + m_x, iy + m_y, 5, n_x, n_y);

    // The sign of rdotv is not tested.
    float rdotv = m_dx * n_x + m_dy * n_y;
    m_x -= n_x * rdotv * m_last_interval;
    m_y -= n_y * rdotv * m_last_interval;
    m_dx -= (1 + restitution) * rdotv * n_x;
    m_dy -= (1 + restitution) * rdotv * n_y;

    if (!is_free(static_cast<int>(m_x), static_cast<int>(m_y)))
        escape_wall();

    if (rdotv > 100)
        sound::play(sound::CLANG);
    else if (rdotv > 8)
        sound::play(sound::CLANG, rdotv / 100);
}

bool ship::is_free(int x, int y) const
{
    arena_t obstacle = A_EMPTY;
    if (!the_arena().arena_collision(pic(), x, y, &obstacle, nullptr, nullptr, nullptr, nullptr))
        return true;
    return obstacle == A_SHOP || obstacle == A_SOURCE;
}

void ship::escape_wall()
{
    const int rings = 31;
    // The picture meets a wall where the ship is, so it has an opaque pixel,
    // and no candidate whose box lies wholly in walls is free. Deep in rock
    // that holds for the box round every candidate (each corner lies within
    // `rings` pixels of the ship's), so none is tried; else the pixel test
    // is spared for each candidate it holds for.
    const arena& ar = the_arena();
    const int w = pic()->w, h = pic()->h;
    const int x0 = static_cast<int>(m_x - rings), y0 = static_cast<int>(m_y - rings);
    const int x1 = static_cast<int>(m_x + rings), y1 = static_cast<int>(m_y + rings);
    if (ar.box_in_walls(x0, y0, x1 - x0 + w, y1 - y0 + h))
        return;
    for (int r = 1; r <= rings; ++r) {
        // Each ring starts straight below and turns through the right side.
        for (float angle = 0; angle < 2 * pi; angle += 3.0f / r) {
            float ox = r * std::sin(angle), oy = r * std::cos(angle);
            int x = static_cast<int>(m_x + ox), y = static_cast<int>(m_y + oy);
            if (ar.box_in_walls(x, y, w, h) || !is_free(x, y))
                continue;
            m_x += ox;
            m_y += oy;
            if (r > 3) {
                sound::play(sound::CLANG);
                sound::play(sound::CLANG);
            }
            return;
        }
    }
}

void ship::roughly_untractor() { m_tractor_on = false; }

float ship::get_angle() const { return m_angle; }

// ----------------------------------------------------------------- shot

shot::shot(const std::string& pic_name, float li_ex, int mount_index, detonation_fn_t* det_fn,
           expiration_fn_t* exp_fn)
    : m_mount_index(mount_index), m_pic_name(pic_name), m_det_fn(det_fn), m_exp_fn(exp_fn),
      m_pic(cached(pic_name)), m_life_expectancy(li_ex)
{
    add_kind(MK_SHOT);
}

shot::~shot() {}

void shot::do_stuff(float time_interval)
{
    m_life_expectancy -= time_interval;
    if (m_life_expectancy <= 0) {
        if (m_exp_fn)
            m_exp_fn(this);
        die();
    }
}

SDL_Surface* shot::pic() const { return m_pic; }

bool shot::does_arena_collisions() const { return true; }

bool shot::does_collisions(mover* m) const { return is_kind(m, MK_ENEMY) || is_kind(m, MK_BALL); }

void shot::notify_collision(arena_t, float time)
{
    if (m_det_fn)
        m_det_fn(this, nullptr, time);
    die();
}

void shot::notify_collision(mover* m, float time_interval)
{
    // A shot that died on one contact ignores the rest of the pass.
    if (is_dead())
        return;
    if (m_det_fn)
        m_det_fn(this, m, time_interval);
}

int shot::mount() { return m_mount_index; }

std::string shot::pic_name() const { return m_pic_name + "_" + "12345"[randint(5)]; }

// ----------------------------------------------------------------- ball

ball::ball() : m_pic(cached("ball.png")), m_stuck(true)
{
    add_kind(MK_BALL);
    m_mass = ball_mass;
}

ball::~ball() {}

SDL_Surface* ball::pic() const { return m_pic; }

bool ball::does_arena_collisions() const { return true; }

bool ball::is_stuck() const { return m_stuck; }

void ball::stick()
{
    m_stuck = true;
    m_dx = 0;
    m_dy = 0;
}

void ball::unstick() { m_stuck = false; }

// ----------------------------------------------------------------- coin

coin::coin() : m_pic(cached("coin.png")), m_bounces(3)
{
    add_kind(MK_COIN);
    m_mass = 7;
    m_dy = -3;
}

coin::~coin() {}

void coin::do_stuff(float)
{
    arena& ar = the_arena();
    float w = static_cast<float>(ar.width() * TILE_SIZE);
    float h = static_cast<float>(ar.height() * TILE_SIZE);

    // Only the left edge is tested, so on the right the coin leaves the map first.
    if (m_x > w) {
        if (m_dx > 0)
            m_dx = -m_dx;
    } else if (m_x < 0) {
        if (m_dx < 0)
            m_dx = -m_dx;
    }

    if (m_pic && m_y + m_pic->h > h && m_dy > 0) {
        if (m_bounces != 0) {
            sound::play(sound::BOINK);
            --m_bounces;
            m_dy = -m_dy;
        } else {
            explode_at(the_arena(), "coin.png", pic(), x_centre(), y_centre());
            die();
        }
    }

    m_dy = static_cast<float>(m_dy + 0.1);  // per frame, on top of gravity
}

SDL_Surface* coin::pic() const { return m_pic; }

bool coin::does_collisions(mover* m) const { return is_kind(m, MK_SHIP); }

void coin::notify_collision(mover* m, float)
{
    if (!is_kind(m, MK_SHIP))
        return;
    status().money += 50;
    sound::play(sound::KACHING, 0.3f);
    die();
}

// --------------------------------------------------------- recking_ball

recking_ball::recking_ball() : m_pic(cached("recking_ball.png"))
{
    add_kind(MK_RECKING_BALL);
    m_mass = 50;
}

recking_ball::~recking_ball() {}

SDL_Surface* recking_ball::pic() const { return m_pic; }

bool recking_ball::does_arena_collisions() const { return true; }

bool recking_ball::does_collisions(mover* m) const { return is_kind(m, MK_ENEMY); }

void recking_ball::notify_collision(arena_t, float)
{
    explode_at(the_arena(), "recking_ball.png", pic(), x_centre(), y_centre());
    die();
}

void recking_ball::notify_collision(mover* m, float time)
{
    if (is_kind(m, MK_ENEMY))
        static_cast<enemy*>(m)->take_hit(time * 50);
}
