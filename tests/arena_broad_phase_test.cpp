// The grid pass of the mover contacts against the plain all-pairs loop: on
// random scenes both must tell the same movers of the same contacts in the
// same order, and leave the same state behind.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "weapons.h"

namespace {
// Wants every mover, and writes down who told it of whom.
class logging_mover : public mover {
public:
    logging_mover(std::vector<std::string>& log, int id, const char* picture)
        : m_log(log), m_id(id), m_pic(game::the_game->m_bmp_pool.get_bitmap(picture))
    {
        m_mass = 1;
    }
    SDL_Surface* pic() const override { return m_pic; }
    bool does_collisions(mover* m) const override { return m != nullptr; }
    void notify_collision(mover* m, float) override
    {
        std::ostringstream line;
        line << m_id << " met " << describe(m);
        m_log.push_back(line.str());
    }
    static std::string describe(const mover* m)
    {
        std::ostringstream out;
        out << (m->is(MK_SHIP) ? "ship" : m->is(MK_ENEMY) ? "enemy" : m->is(MK_SHOT) ? "shot" : "other") << "@"
            << m->m_x << "," << m->m_y;
        return out.str();
    }

private:
    std::vector<std::string>& m_log;
    int m_id;
    SDL_Surface* m_pic;
};

struct run_result {
    std::vector<std::string> contacts;
    std::vector<std::string> frames;  // the state after every frame
};

class broad_phase : public arena_test {
protected:
    float coord(int span) { return static_cast<float>(rand15() % span) - 40; }
    float speed() { return static_cast<float>(rand15() % 401) - 200; }

    // A crowded random room: enemies, bullets, shots of every weapon,
    // coins, miners, balls, recking balls, loggers, with the ship firing.
    run_result run(unsigned seed, bool grid, int frames)
    {
        // A fresh game each run, in the same random sequence.
        new_game();
        m_arena->set_broad_phase(grid);
        srand(seed);

        run_result out;
        std::vector<std::string> rows(14, std::string(20, '.'));
        rows[0] = rows[13] = std::string(20, '#');
        rows[6][9] = 'S';
        rows[10][4] = 'B';
        rows[10][15] = 'T';
        build(rows);
        const int w = 20 * 32 + 80, h = 14 * 32 + 80;
        for (int i = 0; i < 70; ++i) {
            mover* m = nullptr;
            switch (rand15() % 8) {
            case 0: m = new test_enemy(1 + rand15() % 3, rand15() % 2, 5); break;
            case 1: m = new t_shot; break;
            case 2: m = new miner; break;
            case 3: m = new coin; break;
            case 4: m = new recking_ball; break;
            case 5: m = new logging_mover(out.contacts, i, rand15() % 2 ? "foe.png" : "shot.png"); break;
            case 6: {
                const weapon_type& t = weapon_types()[1 + rand15() % 10];
                m = new shot(t.image_file, 0.5f + (rand15() % 100) / 100.0f, 0, t.det_fn, t.exp_fn);
                break;
            }
            default: m = new bobbler; break;
            }
            m->teleport(coord(w), coord(h));
            m->m_dx = speed();
            m->m_dy = speed();
            m_arena->add_mover(m);
        }
        m_arena->activate();
        m_game->m_weapon_mounts[0].type = WT_SCOOP;
        m_game->m_weapon_mounts[5].type = WT_SCATTER;
        m_game->m_weapon_mounts[6].type = WT_PLASMOID;
        m_game->m_weapon_mounts[9].type = WT_SHOVER;
        m_game->m_key_flags.fire = true;

        for (int f = 0; f < frames; ++f) {
            m_game->m_key_flags.left = (f / 7) % 2 == 0;
            m_game->m_key_flags.up = (f / 5) % 3 == 0;
            m_game->m_key_flags.tractor = f % 17 == 0;
            frame();
            std::ostringstream state;
            state << m_arena->num_movers() << " score " << status().score << " shield " << status().shield
                  << " lives " << status().lives << " money " << status().money << " next " << rand15();
            for (int k = 0; k < m_arena->num_movers(); ++k) {
                mover* m = m_arena->get_mover(k);
                state << " | " << logging_mover::describe(m) << " v" << m->m_dx << "," << m->m_dy << (m->is_dead() ? " dead" : "");
            }
            out.frames.push_back(state.str());
        }
        return out;
    }
};
}

TEST_F(broad_phase, makes_the_contacts_of_the_all_pairs_loop_in_its_order)
{
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        run_result all_pairs = run(seed, false, 120);
        run_result by_grid = run(seed, true, 120);
        ASSERT_FALSE(all_pairs.contacts.empty()) << "seed " << seed << ": the scene should be crowded";
        ASSERT_EQ(by_grid.contacts.size(), all_pairs.contacts.size()) << "seed " << seed;
        for (size_t i = 0; i < all_pairs.contacts.size(); ++i)
            ASSERT_EQ(by_grid.contacts[i], all_pairs.contacts[i]) << "seed " << seed << ", contact " << i;
        ASSERT_EQ(by_grid.frames.size(), all_pairs.frames.size());
        for (size_t f = 0; f < all_pairs.frames.size(); ++f)
            ASSERT_EQ(by_grid.frames[f], all_pairs.frames[f]) << "seed " << seed << ", frame " << f;
    }
}
