// The enemy base: hits through the flat damage reduction, death effects
// and score, instant kills and enemy-on-enemy blows.
#include "enemies.h"

#include <algorithm>
#include <cmath>

#include "game.h"

enemy::enemy() : m_hitpoints(1.0), m_dam_red(0), m_score(0) {}

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
        game::the_game->m_player_status.score += m_score;
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
