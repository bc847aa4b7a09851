// The game state and the picture cache.
#include "game.h"

#include "arena.h"
#include "loadimag.h"

game* game::the_game = nullptr;

// The play loop fills in the status, mounts, engine and slots of a new game.
game::game()
    : m_key_flags{false, false, false, false, false}, m_arena(nullptr), m_player_status(),
      m_engine(ET_PIFFLER)
{
}

void step_frame(game& g)
{
    arena& a = *g.m_arena;
    a.do_stuff(FRAME_STEP);
    a.apply_forces(FRAME_STEP);
    a.move_stuff_and_do_collisions(FRAME_STEP);
    player_status& s = g.m_player_status;
    if (s.invulnerability > 0) {
        double left = s.invulnerability - FRAME_SECONDS;  // in double on purpose
        s.invulnerability = left > 0 ? static_cast<float>(left) : 0.0f;
    }
}

bool player_status::operator==(const player_status& other) const
{
    return score == other.score && money == other.money && shield == other.shield &&
           lives == other.lives && energy == other.energy && max_energy == other.max_energy &&
           invulnerability == other.invulnerability;
}

bitmap_pool::~bitmap_pool()
{
    for (auto& entry : m_map)
        SDL_FreeSurface(entry.second);
}

SDL_Surface* bitmap_pool::get_bitmap(const std::string& name)
{
    auto found = m_map.find(name);
    if (found != m_map.end())
        return found->second;
    SDL_Surface* pic = load_image(name);
    m_map[name] = pic;
    return pic;
}
