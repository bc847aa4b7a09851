// Enemies: the base every hostile mover shares (hit points, a flat damage
// reduction, a score, death effects).
#ifndef VANTREL_ENEMIES_H
#define VANTREL_ENEMIES_H

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

#endif
