// The shared fixture of the arena tests: a run folder holding small
// pictures of known shapes, a fresh game in its start state, an arena built
// from a few rows of map characters, test movers and frame stepping.
#ifndef VANTREL_ARENA_FIXTURE_H
#define VANTREL_ARENA_FIXTURE_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arena.h"
#include "enemies.h"
#include "game.h"
#include "movers.h"
#include "sound.h"
#include "test_support.h"

// Fixture pictures, all opaque where not said otherwise:
// - every tile 32 x 32 and fully opaque, except the four diagonals (the
//   triangle of their corner: tl x + y <= 31, tr x >= y, bl x <= y,
//   br x + y >= 31) and the two open gates (fully transparent);
// - "ship.png" 32 x 32 holding a disc of radius 12 about (16, 16), so every
//   rotation is alike; the rotated pictures are 48 x 48;
// - "ball.png" 32 x 32 holding a disc of radius 10 about (16, 16);
// - squares: "shot.png" 4, "shover.png" 6, "rocket.png" 6, "plasmoid.png" 8,
//   "wshot.png" 2, "heart.png" 4, "coin.png" 8, "recking_ball.png" 16,
//   "tractor.png" 2, "foe.png" 16, "bigfoe.png" 64 x 32;
// - the enemies, squares of a colour each: turrets 32, "t_shot.png" 4,
//   "bobbler.png" 12, "miner.png" 20, graldor0 to 9 32, "baby_graldor.png"
//   8, invader1 and 2 24 x 16, blockexplo0 to 3 32, "ufo.png" 96 x 40,
//   "ast_ufo.png" 64 x 32, asteroid1 to 3 40, 24 and 14;
// - "wcircle50.png" 50 x 50 and "transpixel.png" 1 x 1, fully transparent.
void write_fixture_pictures(const std::string& image_dir);
// The map characters of the level file that give a tile, with its type.
extern const std::map<char, arena_t> map_characters;
// A w x h picture, opaque (in the given colour) where solid(x, y) holds.
void write_shape(const std::string& path, int w, int h, bool (*solid)(int x, int y),
                 uint32_t colour = 0xFFC0C0C0);

// A plain enemy for tests: settable hit points, reduction, score and mass,
// a square picture, and a count of its deaths.
class test_enemy : public enemy {
public:
    explicit test_enemy(double hitpoints = 1.0, int dam_red = 0, int score = 0,
                        const char* picture = "foe.png");

    SDL_Surface* pic() const override;
    void notify_dead() override;

    double hitpoints() const { return m_hitpoints; }
    int deaths = 0;
    // Score of the player when notify_dead ran.
    int score_at_death = -1;

private:
    SDL_Surface* m_pic;
};

// A mover with a picture that only moves; wants nothing.
class test_block : public mover {
public:
    explicit test_block(const char* picture = "foe.png", float mass = 0);
    SDL_Surface* pic() const override;

private:
    SDL_Surface* m_pic;
};

// Readies the ship to be lost in the next frame, in the very sub-step in
// which its centre leaves the map over the top edge: no shield and no
// invulnerability left, moving up fast from just inside the edge into an
// enemy that waits above it. The column above the ship must be empty.
void lose_ship_on_the_way_out(arena& the_arena, ship& s);

// w x h empty tiles with the spawn tile at (1, 1).
std::vector<std::string> open_field(int w, int h);
// The first opaque pixel of a picture, row by row; all zero without one.
rgba first_opaque(SDL_Surface* s);
// The first seed from 1 on whose first draw of the game's random numbers
// is value.
unsigned seed_with_first_draw(int value);

class level_loader;

// The level file of the build's run folder, as the game ships it.
std::string shipped_level_file();
// A level's title: the first line of its description, without the blanks
// about it.
std::string level_title(const std::string& description);
// "level 3 \"Pipeworks\"" for messages.
std::string level_name(int number, const std::string& description);

class arena_test : public run_dir_test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The game's own pictures and, with levels, the shipped level file copied
    // over the fixture's into the run folder; then a new arena that loads
    // those pictures.
    void use_game_data(bool levels);
    // Builds the next level of loader into the arena, its log swallowed
    // ("added!" of asteroid ufos); false at the end of the file, and a
    // failure besides on a whinage.
    bool next_level(level_loader& loader, std::string& description);

    // Rows of map characters, row 0 at the top, as in the level file:
    // '#' wall, '7' '9' '1' '5' diagonals, 'X' exit block, 'B' source,
    // 'T' sink, the pipes '|' '-' 'q' 'd' 'p' 'b' 'W' 'M' '3' 'E' '+',
    // '>' 'v' '<' '^' buttons L U R D, 'V' 'H' closed gates, 's' shop,
    // 'S' the spawn tile; anything else is empty.
    // Sizes the map, writes the cells and sets the spawn; movers added
    // after it wait for activate, which admits them with the ship.
    void build(const std::vector<std::string>& rows);
    // build, then activate.
    void start(const std::vector<std::string>& rows);

    // A fresh game in its start state with a new, empty arena (SetUp's).
    void new_game();

    // One frame as the play loop runs it.
    void frame();
    void frames(int n);
    // The first ship of the main list, or null.
    ship* the_ship();
    // Every mover of the main list of type T, in order.
    template <typename T>
    std::vector<T*> all_of()
    {
        std::vector<T*> out;
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            if (T* t = dynamic_cast<T*>(m_arena->get_mover(i)))
                out.push_back(t);
        }
        return out;
    }
    template <typename T>
    int count_of()
    {
        return static_cast<int>(all_of<T>().size());
    }

    player_status& status() { return m_game->m_player_status; }
    void release_keys();

    std::unique_ptr<game> m_game;
    std::unique_ptr<arena> m_arena;
};


// The arena fixture with every sound effect recorded as it is played.
// Without an audio device m_sound is false: the sounds go unchecked and
// the rest is tested all the same.
class sounding_arena_test : public arena_test {
protected:
    void SetUp() override;
    void TearDown() override;

    sound_recorder m_recorder;
    bool m_sound = false;
};

#endif
