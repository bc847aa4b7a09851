// The equipment tables, the default mounts, the ship statistics, every
// weapon's shot effects and the scoop's carrier.
#include "weapons.h"

#include <algorithm>
#include <cmath>

#include "arena.h"
#include "enemies.h"
#include "explosion.h"
#include "game.h"

namespace {
using sound::BOOM;
using sound::DOOF;
using sound::PFFT;
using sound::SILENCE;

const weapon_type wt_table[] = {
    {"Nothing", 0, 0, 0, 0, nullptr, 0, 0, nullptr, nullptr, nullptr, 0, 0, SILENCE,
     "Two cubic metres of empty space"},
    {"Peashooter", 300, 300, 0.8f, 1, "shot.png", 0, 5, shot_det, nullptr, "peashooter.png", 1, 1,
     PFFT, "Basic weapon system"},
    {"Rapishooter", 800, 300, 0.8f, 1, "shot.png", 0, 2, shot_det, nullptr, "s_rapishooter.png", 2,
     1, PFFT, "Rapid-fire peashooter"},
    {"Shover", 500, 400, 0.8f, 2, "shover.png", 5, 5, shover_det, nullptr, "s_shover.png", 3, 2,
     DOOF, "Very massive projectile"},
    {"Rocket", 1500, 800, 0.8f, 5, "rocket.png", 20, 15, rocket_det, nullptr, "s_rocket.png", 2,
     10, SILENCE, "Explosive warhead"},
    {"Implosion", 3000, 250, 1.2f, 6, "shot.png", 2, 7, flakker_det, nullptr, "s_implosion.png",
     10, 6, SILENCE, "Good anti-mob weapon"},
    {"Plasmoid", 3000, 500, 1.5f, 8, "plasmoid.png", 4, 4, plasmoid_det, nullptr, "s_plasmoid.png",
     7, 15, SILENCE, "Ultimate weapon?"},
    {"Scatter", 2000, 600, 0.3f, 16, "shover.png", 3, 3, scatter_det, scatter_exp, "s_scatter.png",
     5, 20, SILENCE, "Fragmentation weapon"},
    {"Sniper", 2000, 1000, 0.4f, 10, "wshot.png", 100, 6, sniper_det, nullptr, "s_sniper.png", 3,
     15, SILENCE, "Long range, high damage."},
    {"R.B.G", 3000, 350, 0.5f, 0, "wshot.png", 0, 10, rbg_det, rbg_exp, "s_rbg.png", 20, 30,
     SILENCE, "Recking Ball generator"},
    {"Scoop", 2000, 500, 0.5f, 0, "heart.png", 0, 10, scoop_det, nullptr, "s_scoop.png", 5, 1,
     SILENCE, "Makes (and breaks) friends."},
};

const engine_type et_table[] = {
    {"Piffler", 100, 1875, 1, "Basic Engine"},
    {"Thruster", 500, 3125, 3, "Better Engine"},
    {"Streaker", 2500, 7500, 6, "Powerful Engine"},
};

const system_type st_table[] = {
    {"Empty", 0, 0, nullptr, "A large chunk of empty space"},
    {"Generator", 500, 1, "s_generator.png", "Increases energy recharge rate"},
    {"Battery", 500, 1, "s_battery.png", "Increases maximum energy"},
    {"Lead", 1, 20, "s_lead.png", "Increases ship mass.   A lot."},
    {"Generator++", 2500, 2, "s_generator2.png", "3 times the standard generator output."},
};

template <typename T, size_t N>
const std::vector<T>& fill_once(std::vector<T>& types, const T (&table)[N])
{
    if (types.empty()) {
        for (const T& row : table)
            types.push_back(row);
    }
    return types;
}

enemy* as_enemy(mover* m) { return is_kind(m, MK_ENEMY) ? static_cast<enemy*>(m) : nullptr; }

// The centre of m, where most effects go off.
void centre_on(mover* made, mover* m)
{
    made->teleport_centre(m->x_centre(), m->y_centre());
    the_arena().add_mover(made);
}
}

const weapon_mount mounts[mount_count] = {
    {0, -15, 0, "Front Centre", 0, WT_PEASHOOTER},
    {-2.5f, -14.8f, -0.1f, "Front Left", 0, WT_NOTHING},
    {2.5f, -14.8f, 0.1f, "Front Right", 0, WT_NOTHING},
    {-15, 13.5f, 0, "Left Wing", 0, WT_NOTHING},
    {15, 13.5f, 0, "Right Wing", 0, WT_NOTHING},
    {-9, 0, static_cast<float>(-pi / 2), "Left", 0, WT_NOTHING},
    {9, 0, static_cast<float>(pi / 2), "Right", 0, WT_NOTHING},
    {-9, 4, static_cast<float>(-pi / 2), "Left", 0, WT_NOTHING},
    {9, 4, static_cast<float>(pi / 2), "Right", 0, WT_NOTHING},
    {-2, 16, static_cast<float>(pi), "Rear left", 0, WT_NOTHING},
    {2, 16, static_cast<float>(pi), "Rear right", 0, WT_NOTHING},
};

const std::vector<weapon_type>& weapon_types()
{
    static std::vector<weapon_type> types;
    return fill_once(types, wt_table);
}

const std::vector<engine_type>& engine_types()
{
    static std::vector<engine_type> types;
    return fill_once(types, et_table);
}

const std::vector<system_type>& system_types()
{
    static std::vector<system_type> types;
    return fill_once(types, st_table);
}

int calc_ship_mass()
{
    const game& g = the_game();
    int mass = ship_empty_mass;
    for (const weapon_mount& m : g.m_weapon_mounts)
        mass += weapon_types()[m.type].mass;
    mass += engine_types()[g.m_engine].mass;
    for (system_id s : g.m_systems)
        mass += system_types()[s].mass;
    return mass;
}

float calc_ship_battery()
{
    float battery = ship_base_battery;
    for (system_id s : the_game().m_systems) {
        if (s == ST_BATTERY)
            battery += 15.0f;
    }
    return battery;
}

float calc_ship_generate()
{
    float generate = ship_base_generate;
    for (system_id s : the_game().m_systems) {
        // Back to float after each slot: the order of the slots shows in the last bits.
        if (s == ST_GENERATOR)
            generate = static_cast<float>(generate + 0.2);
        else if (s == ST_SUPERGENERATOR)
            generate = static_cast<float>(generate + 0.6);
    }
    return generate;
}

// ------------------------------------------------------------ detonations

void shot_det(mover* m, mover* victim, float)
{
    shot* s = dynamic_cast<shot*>(m);
    if (!s)
        return;
    std::string name = s->pic_name();
    explode_at(the_arena(), name, s->pic(), s->x_centre(), s->y_centre());
    if (enemy* e = as_enemy(victim))
        e->take_hit(1.0);
    s->die();
}

void shover_det(mover* m, mover* victim, float)
{
    if (victim) {
        if (victim->m_mass != 0 && !victim->is_stuck()) {
            victim->m_dx = static_cast<float>(victim->m_dx + 0.9 * m->m_dx / victim->m_mass);
            victim->m_dy = static_cast<float>(victim->m_dy + 0.9 * m->m_dy / victim->m_mass);
        }
        if (enemy* e = as_enemy(victim))
            e->take_hit(2.0);
    }
    m->die();
}

void sniper_det(mover* m, mover* victim, float)
{
    enemy* e = as_enemy(victim);
    if (!e)
        return;
    // Flies on when the hit had damage to spare.
    if (e->take_hit(10.0) >= 10.0)
        m->die();
}

void flakker_det(mover* m, mover*, float)
{
    const float dam_radius = 100;
    const int dam_centre = 7, dam_edge = 1;
    const float blast_radius = 150, blast_edge = 20.0f;
    float x = m->x_centre(), y = m->y_centre();
    the_arena().AOE_damage(x, y, dam_radius, dam_centre, dam_edge, HURT_ENEMIES);
    // Negative: the implosion pulls inwards, hardest at its edge.
    the_arena().AOE_force(x, y, blast_radius, 0.0f, -blast_edge);
    m->die();
}

void rocket_det(mover* m, mover*, float)
{
    const float dam_radius = 50;
    const int dam_centre = 5, dam_edge = 1;
    const float blast_radius = 150, blast_centre = 40.0f, blast_edge = 0.0f;
    float x = m->x_centre(), y = m->y_centre();
    the_arena().AOE_damage(x, y, dam_radius, dam_centre, dam_edge, HURT_ENEMIES);
    the_arena().AOE_force(x, y, blast_radius, blast_centre, blast_edge);
    sound::play(BOOM);
    m->die();
}

void plasmoid_det(mover* m, mover* victim, float time)
{
    shot* s = dynamic_cast<shot*>(m);
    enemy* e = as_enemy(victim);
    if (!s || !e)
        return;
    // Survives: it hurts everything it passes through.
    the_arena().apply_damage(s, e, time * 100);
}

void rbg_det(mover* m, mover*, float) { rbg_exp(m); }

void rbg_exp(mover* m)
{
    centre_on(new recking_ball, m);
    m->die();
}

void scoop_det(mover* m, mover* victim, float)
{
    shot* s = dynamic_cast<shot*>(m);
    enemy* e = as_enemy(victim);
    if (s && e) {
        arena_ptr<mover> holder = the_arena().get_player_from_shot(m);
        // No bosses, no enemy already killed in this pass (it has had its
        // death), and one captive per mount of the living ship.
        if (!e->is_boss() && !e->is_dead() && scoop_victim::is_available(holder, s->mount()) &&
            the_arena().remove_mover(e))
            the_arena().add_mover(new scoop_victim(holder, e, s->mount()));
    }
    m->die();
}

void scatter_det(mover* m, mover* victim, float)
{
    if (as_enemy(victim))
        scatter_exp(m);
    m->die();
}

void scatter_exp(mover* m)
{
    const int n = 16;
    const weapon_type& wt = weapon_types()[WT_PEASHOOTER];
    for (int i = 0; i < n; ++i) {
        shot* fragment = new shot(wt.image_file, wt.ttl, -1, wt.det_fn, wt.exp_fn);
        // On the scatter shot's corner, not its centre.
        fragment->teleport_centre(m->m_x, m->m_y);
        double theta = i * 6.283185307179586 * 0.0625;
        fragment->m_dx = static_cast<float>(wt.exit_speed * std::sin(theta));
        fragment->m_dy = static_cast<float>(wt.exit_speed * std::cos(theta));
        the_arena().add_mover(fragment);
    }
}

// ----------------------------------------------------------- scoop_victim

std::vector<scoop_victim::victim_id> scoop_victim::s_victim_ids;

bool scoop_victim::same_id(const victim_id& a, const victim_id& b)
{
    return static_cast<bool>(a.first) == static_cast<bool>(b.first) && a.second == b.second;
}

bool scoop_victim::is_available(arena_ptr<mover> s, int mount)
{
    victim_id id(s, mount);
    return std::none_of(s_victim_ids.begin(), s_victim_ids.end(),
                        [&](const victim_id& other) { return same_id(other, id); });
}

scoop_victim::scoop_victim(arena_ptr<mover> holder, enemy* victim, int mount)
    : m_holder(holder), m_victim(victim), m_mount(mount), m_age(0)
{
    m_mass = std::max(victim->m_mass, 1.0f);
    if (is_available(holder, mount))
        s_victim_ids.push_back(victim_id(holder, mount));
    teleport_centre(victim->x_centre(), victim->y_centre());
    sound::play(sound::SLURRRP);
}

scoop_victim::~scoop_victim()
{
    victim_id id(m_holder, m_mount);
    s_victim_ids.erase(std::remove_if(s_victim_ids.begin(), s_victim_ids.end(),
                                      [&](const victim_id& other) { return same_id(other, id); }),
                       s_victim_ids.end());
    m_holder = arena_ptr<mover>();
    delete m_victim;
}

void scoop_victim::move(float t)
{
    const std::vector<weapon_mount>& mounts = the_game().m_weapon_mounts;
    ship* holder = m_holder ? dynamic_cast<ship*>(&*m_holder) : nullptr;
    if (holder && m_mount >= 0 && m_mount < static_cast<int>(mounts.size())) {
        const weapon_mount& mt = mounts[m_mount];
        float ang = holder->get_angle();
        float rloc_x = mt.loc_x * std::cos(ang) - mt.loc_y * std::sin(ang);
        float rloc_y = mt.loc_x * std::sin(ang) + mt.loc_y * std::cos(ang);
        float target_x = holder->x_centre() + rloc_x + gap * std::sin(ang + mt.angle);
        float target_y = holder->y_centre() + rloc_y - gap * std::cos(ang + mt.angle);
        m_dx += pull * (target_x - x_centre());
        m_dy += pull * (target_y - y_centre());
        m_dx -= drag * m_dx;
        m_dy -= drag * m_dy;
    }
    m_x += m_dx * t;
    m_y += m_dy * t;
    if (m_victim)
        m_victim->teleport(m_x, m_y);
}

void scoop_victim::do_stuff(float dt) { m_age += dt; }

SDL_Surface* scoop_victim::pic() const
{
    // Once released, a carrier touches nothing until it is deleted.
    return m_victim ? m_victim->pic() : the_game().m_bmp_pool.get_bitmap("transpixel.png");
}

bool scoop_victim::does_arena_collisions() const { return !m_holder; }

bool scoop_victim::does_collisions(mover* other) const
{
    return (m_age > 0.5f || !m_holder) && as_enemy(other) != nullptr;
}

void scoop_victim::notify_collision(arena_t, float)
{
    if (!m_victim)
        return;
    hand_back();
    m_victim->insta_kill();
    m_victim = nullptr;
    die();
}

void scoop_victim::notify_collision(mover* other, float)
{
    enemy* e = as_enemy(other);
    if (!m_victim || !e)
        return;
    enemy::collide(e, m_victim);
    if (!m_victim->is_dead())
        return;
    hand_back();
    m_victim = nullptr;
    die();
}

void scoop_victim::hand_back()
{
    m_victim->teleport(m_x, m_y);
    m_victim->m_dx = 0;
    m_victim->m_dy = 0;
    the_arena().add_mover(m_victim);
}
