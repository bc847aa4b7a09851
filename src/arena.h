// The playfield of a game: the tile map and its pictures, the movers it
// owns, gravity and drag, force balls, tractor beams, area damage, buttons,
// gates, balls, sinks and the exit, and pixel-exact collisions. Also the
// weak mover handle arena_ptr and the two indicator movers.
#ifndef VANTREL_ARENA_H
#define VANTREL_ARENA_H

#include <deque>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <SDL.h>

#include "movers.h"

class arena;
class ball;
class enemy;
class shot;

// Tile types, also the index of each type's picture. The underlying type is
// fixed because cells of large pictures store negative sub-tile ids in it.
enum arena_t : int {
    A_EMPTY = 0,
    A_BLOCK = 1,
    A_BLOCK_DIAGTL = 2,
    A_BLOCK_DIAGTR = 3,
    A_BLOCK_DIAGBL = 4,
    A_BLOCK_DIAGBR = 5,
    A_EXIT_BLOCK = 6,
    A_EXIT = 7,
    A_SOURCE = 8,
    A_SINK = 9,
    A_PIPE_UD = 10,
    A_PIPE_LR = 11,
    A_PIPE_LD = 12,
    A_PIPE_LU = 13,
    A_PIPE_RD = 14,
    A_PIPE_RU = 15,
    A_PIPE_TU = 16,
    A_PIPE_TD = 17,
    A_PIPE_TL = 18,
    A_PIPE_TR = 19,
    A_PIPE_CROSS = 20,
    A_BUTTON_L = 21,
    A_BUTTON_L_ANIM1 = 22,
    A_BUTTON_L_ANIM2 = 23,
    A_BUTTON_U = 24,
    A_BUTTON_U_ANIM1 = 25,
    A_BUTTON_U_ANIM2 = 26,
    A_BUTTON_R = 27,
    A_BUTTON_R_ANIM1 = 28,
    A_BUTTON_R_ANIM2 = 29,
    A_BUTTON_D = 30,
    A_BUTTON_D_ANIM1 = 31,
    A_BUTTON_D_ANIM2 = 32,
    A_VGATE_CLOSED = 33,
    A_VGATE_ANIM_1 = 34,
    A_VGATE_ANIM_2 = 35,
    A_VGATE_ANIM_3 = 36,
    A_VGATE_ANIM_4 = 37,
    A_VGATE_ANIM_5 = 38,
    A_VGATE_OPEN = 39,
    A_HGATE_CLOSED = 40,
    A_HGATE_ANIM_1 = 41,
    A_HGATE_ANIM_2 = 42,
    A_HGATE_ANIM_3 = 43,
    A_HGATE_ANIM_4 = 44,
    A_HGATE_ANIM_5 = 45,
    A_HGATE_OPEN = 46,
    A_SHOP = 47,
};
const int tile_type_count = 48;

// The picture file of every tile type; null for A_EMPTY and A_EXIT.
extern const char* const image_files[tile_type_count];

// Whom area damage hurts; the two bits may be combined.
enum damage_type { HURT_ENEMIES = 1, HURT_PLAYER = 2 };

// A weak handle on a mover the arena holds: true while the arena's main
// list still has its entry (dead or not), false for ever once it is gone.
template <typename T>
class arena_ptr {
public:
    arena_ptr() = default;
    arena_ptr(const arena_ptr&) = default;
    arena_ptr& operator=(const arena_ptr&) = default;

    // Implicit on purpose: handles are ordered and compared by it.
    operator bool() const
    {
        std::shared_ptr<T*> cell = m_ptr.lock();
        return cell && *cell;
    }
    // Only on a handle that has just tested true.
    T& operator*() const { return **m_ptr.lock(); }

private:
    friend class arena;
    explicit arena_ptr(std::shared_ptr<T*> cell) : m_ptr(cell) {}

    std::weak_ptr<T*> m_ptr;
};

// Raw copy of pixel values (alpha included, no blending) from the area
// from_rect of from (all of it when null) to the corner of to_rect (0, 0
// when null), clipped to both surfaces. Both must share one pixel format.
void copy_blit(SDL_Surface* from, SDL_Rect* from_rect, SDL_Surface* to, SDL_Rect* to_rect);

// A short-lived flash where a force ball went off.
class force_indicator : public mover {
public:
    force_indicator();
    ~force_indicator() override;

    void do_stuff(float time_interval) override;
    SDL_Surface* pic() const override;

private:
    SDL_Surface* m_pic;
    float m_life_expectancy;
};

// One of the dots that show a tractor beam; only the arena moves it.
class tractor_indicator : public mover {
public:
    tractor_indicator();
    ~tractor_indicator() override;

    void move(float t) override;
    SDL_Surface* pic() const override;

private:
    SDL_Surface* m_pic;
};

class arena {
public:
    arena();
    ~arena();
    arena(const arena&) = delete;
    arena& operator=(const arena&) = delete;

    // Movers: the arena owns every mover handed to add_mover from that call.
    void add_mover(mover* m);
    mover* remove_mover(mover* m);
    void do_stuff(float time_interval);
    int num_movers() const;
    mover* get_mover(int n);
    mover* get_player_target();
    arena_ptr<mover> get_player_from_shot(mover* m);
    bool player_is_dead() const;
    int get_player_x() const;
    int get_player_y() const;
    void set_player_spawn(int x, int y);
    void activate();

    // The tile map.
    void set_size(int x, int y);
    void set(int x, int y, arena_t t);
    arena_t get(int x, int y) const;
    Uint8 getalpha(int x, int y) const;
    int width() const;
    int height() const;
    SDL_Surface* bitmap() const;
    // Adds the areas of bitmap() drawn anew since the last call to rects;
    // true when all of it is new (a new level): for a display that keeps a
    // copy of it.
    bool take_redrawn(std::vector<SDL_Rect>& rects);

    // Mechanisms.
    void connect(int cause_x, int cause_y, int effect_x, int effect_y);
    void apply_effect(int x, int y);
    void open_exit();
    bool level_complete() const;

    // Forces.
    void apply_forces(float time_interval);
    void AOE_force(float x, float y, float radius, float force_centre, float force_edge);
    float gravity() const;
    void set_gravity(float g);
    void set_air_resistance(float r);

    // Movement and collisions.
    void move_stuff_and_do_collisions(float seconds);
    // The mover pass takes its pairs from a grid over the movers (the
    // default) or tries every pair; both make the same contacts in the
    // same order. The benchmark and its test compare the two.
    void set_broad_phase(bool on);
    bool arena_collision(SDL_Surface* p, int px, int py, arena_t* obstacle, int* tile_x,
                         int* tile_y, int* pic_x, int* pic_y) const;
    // True when a w x h box with its top-left corner at (px, py) lies inside
    // the map and wholly in wall cells: cells the collision test reads, of a
    // type other than A_SHOP and A_SOURCE, whose picture is opaque all over.
    // A picture of that size with any opaque pixel then meets a wall there,
    // and its first contact is with such a tile; and every box inside this
    // one is in walls too. Reads a few cells and no pixel.
    bool box_in_walls(int px, int py, int w, int h) const;

    // Tractor beams.
    mover* get_nearest_tractor_target(float x, float y);
    void create_tractor(mover* from, mover* to);
    void destroy_tractor(mover* m);

    // Damage.
    void AOE_damage(float x, float y, float radius, int dam_centre, int dam_edge, damage_type dt);
    double apply_damage(shot* s, enemy* en, double amount);

private:
    struct extra_bmps {
        int m_nx;
        int m_ny;
        std::vector<std::vector<int> > m_bmps;
    };
    struct ball_src {
        int x;
        int y;
        ball* b;
    };
    struct tractor {
        mover* from;
        mover* to;
        std::vector<mover*> indicators;
    };
    struct force_ball {
        float x;
        float y;
        float radius;
        float force_centre;
        float force_edge;
    };
    struct animation {
        int x;
        int y;
        std::deque<arena_t> frames;
        int current;
    };
    struct connection {
        int cause_x;
        int cause_y;
        int effect_x;
        int effect_y;
    };

    void load_tile_pictures();
    void update_stuff();
    // Records the centre of the player's ship, truncated towards zero.
    void record_player(const mover& s);
    void destroy_everything();
    void handle_collision(mover* m, arena_t obstacle, int x, int y);
    void sink_ball(ball* b);
    void crash_ball(ball* b);
    void untractor(mover* m);
    void apply_forces(mover& m, float time_interval);
    void add_animation(int x, int y, const std::deque<arena_t>& frames);
    void do_causality(int x, int y);
    void step_animations();
    void move_stuff(float time_interval);
    void do_collisions(float time_interval);
    void collide_pair(size_t i, size_t j, float time_interval);
    void mover_pass_all_pairs(float time_interval, size_t i0, size_t j0);
    void mover_pass_by_grid(float time_interval);
    bool contact(mover* a, mover* b) const;
    bool inside(int x, int y) const;
    // Fills a rectangle of the background with transparent black.
    void clear_background(int x, int y, int w, int h);
    void note_redrawn(const SDL_Rect& r);
    // Copies the picture of a tile id to cell (x, y) of the background.
    void draw_tile(int id, int x, int y);
    // The type a tile id stands for (its own value when unmapped).
    arena_t orig_type(int id) const;

    std::map<int, SDL_Surface*> m_bitmaps;
    std::vector<std::vector<int> > m_scenery;
    std::map<arena_t, extra_bmps> m_extra_bmps;
    std::map<int, arena_t> m_orig_bitmap;
    // For each tile id from m_lowest_id up, whether box_in_walls counts it
    // as a wall; made with the tile pictures, which stay for the arena's life.
    std::vector<unsigned char> m_whole_wall;
    int m_lowest_id;
    SDL_Surface* m_background;
    std::deque<mover*> m_waiting_room;
    std::deque<std::shared_ptr<mover*> > m_movers;
    int m_player_x, m_player_y;
    int m_player_spawn_x, m_player_spawn_y;
    bool m_player_alive;
    int m_player_respawn;
    std::deque<ball_src> m_ball_srcs;
    std::deque<tractor> m_tractors;
    std::deque<force_ball> m_force_balls;
    std::deque<animation> m_animations;
    std::deque<connection> m_connections;
    std::map<std::pair<shot*, enemy*>, double> m_damage_map;
    float m_gravity;
    float m_air_resistance;

    bool m_broad_phase;
    // Counts the takings out of the main list, which the grid pass watches.
    unsigned m_list_version;
    // The grid's cells of mover indices, kept to spare the allocations.
    std::vector<std::vector<int> > m_grid;
    // What take_redrawn has still to report.
    std::vector<SDL_Rect> m_redrawn;
    bool m_redrawn_all;
};

#endif
