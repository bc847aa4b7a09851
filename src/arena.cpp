// The arena: tile map and pictures, mover lists and bookkeeping, respawn,
// mechanisms (buttons, gates, sinks, exit), forces, tractor beams, area
// damage and the four movement and collision sub-steps of a frame.
#include "arena.h"

#include <algorithm>
#include <cmath>

#include "debug.h"
#include "enemies.h"
#include "explosion.h"
#include "game.h"
#include "loadimag.h"
#include "sound.h"
#include "weapons.h"

namespace {
const char* const this_file = "arena";
const int tractor_indicator_count = 10;

typedef std::deque<arena_t> frame_list;

bool is_resting_button(arena_t t)
{
    return t == A_BUTTON_L || t == A_BUTTON_U || t == A_BUTTON_R || t == A_BUTTON_D;
}

// The frames a resting button shows when pressed, ending at rest again.
frame_list button_frames(arena_t t)
{
    arena_t first = static_cast<arena_t>(t + 1), second = static_cast<arena_t>(t + 2);
    return (make<frame_list>(), first, second, first, t);
}

// The six frames of a gate at rest moving to its other state; empty for
// anything that is not a gate at rest.
frame_list gate_frames(arena_t t)
{
    switch (t) {
    case A_VGATE_CLOSED:
        return (make<frame_list>(), A_VGATE_ANIM_1, A_VGATE_ANIM_2, A_VGATE_ANIM_3,
                A_VGATE_ANIM_4, A_VGATE_ANIM_5, A_VGATE_OPEN);
    case A_VGATE_OPEN:
        return (make<frame_list>(), A_VGATE_ANIM_5, A_VGATE_ANIM_4, A_VGATE_ANIM_3,
                A_VGATE_ANIM_2, A_VGATE_ANIM_1, A_VGATE_CLOSED);
    case A_HGATE_CLOSED:
        return (make<frame_list>(), A_HGATE_ANIM_1, A_HGATE_ANIM_2, A_HGATE_ANIM_3,
                A_HGATE_ANIM_4, A_HGATE_ANIM_5, A_HGATE_OPEN);
    case A_HGATE_OPEN:
        return (make<frame_list>(), A_HGATE_ANIM_5, A_HGATE_ANIM_4, A_HGATE_ANIM_3,
                A_HGATE_ANIM_2, A_HGATE_ANIM_1, A_HGATE_CLOSED);
    default:
        return frame_list();
    }
}

// floor(v / TILE_SIZE) for negative values too.
int cell_of(int v) { return v >= 0 ? v / TILE_SIZE : -((-v + TILE_SIZE - 1) / TILE_SIZE); }

// Whether every pixel of a tile picture's cell is opaque.
bool covers_its_cell(SDL_Surface* p)
{
    if (!p || p->w < TILE_SIZE || p->h < TILE_SIZE)
        return false;
    bool covers = true;
    SDL_LockSurface(p);
    for (int y = 0; y < TILE_SIZE && covers; ++y) {
        for (int x = 0; x < TILE_SIZE && covers; ++x)
            covers = ::getalpha(p, x, y) != 0;
    }
    SDL_UnlockSurface(p);
    return covers;
}
}

const char* const image_files[tile_type_count] = {
    nullptr,           "block.png",       "blockdiag_tl.png", "blockdiag_tr.png",
    "blockdiag_bl.png", "blockdiag_br.png", "block.png",       nullptr,
    "source.png",      "sink.png",        "pipe_ud.png",      "pipe_lr.png",
    "pipe_ld.png",     "pipe_lu.png",     "pipe_rd.png",      "pipe_ru.png",
    "pipe_Tu.png",     "pipe_Td.png",     "pipe_Tl.png",      "pipe_Tr.png",
    "pipe_+.png",      "buttonl1.png",    "buttonl2.png",     "buttonl3.png",
    "buttonu1.png",    "buttonu2.png",    "buttonu3.png",     "buttonr1.png",
    "buttonr2.png",    "buttonr3.png",    "buttond1.png",     "buttond2.png",
    "buttond3.png",    "vgateclosed.png", "vgate1.png",       "vgate2.png",
    "vgate3.png",      "vgate4.png",      "vgate5.png",       "vgateopen.png",
    "hgateclosed.png", "hgate1.png",      "hgate2.png",       "hgate3.png",
    "hgate4.png",      "hgate5.png",      "hgateopen.png",    "shop.png",
};

void copy_blit(SDL_Surface* from, SDL_Rect* from_rect, SDL_Surface* to, SDL_Rect* to_rect)
{
    if (!from || !to)
        return;
    int fx = 0, fy = 0, fw = from->w, fh = from->h;
    if (from_rect) {
        fx = from_rect->x;
        fy = from_rect->y;
        fw = from_rect->w;
        fh = from_rect->h;
    }
    int tx = to_rect ? to_rect->x : 0, ty = to_rect ? to_rect->y : 0;

    int pxmin = std::max(-fx, tx < 0 ? -tx : 0);
    int pxmax = std::min({from->w - fx, fw, to->w - tx});
    int pymin = std::max(-fy, ty < 0 ? -ty : 0);
    int pymax = std::min({from->h - fy, fh, to->h - ty});
    if (pxmax <= pxmin || pymax <= pymin)
        return;

    SDL_LockSurface(from);
    SDL_LockSurface(to);
    for (int px = pxmin; px < pxmax; ++px) {
        for (int py = pymin; py < pymax; ++py)
            putpixel(to, tx + px, ty + py, getpixel(from, fx + px, fy + py));
    }
    SDL_UnlockSurface(to);
    SDL_UnlockSurface(from);
}

// ------------------------------------------------------------- indicators

force_indicator::force_indicator()
    : m_pic(the_game().m_bmp_pool.get_bitmap("wcircle50.png")), m_life_expectancy(0.15f)
{
}

force_indicator::~force_indicator() {}

void force_indicator::do_stuff(float time_interval)
{
    m_life_expectancy -= time_interval;
    if (m_life_expectancy <= 0)
        die();
}

SDL_Surface* force_indicator::pic() const { return m_pic; }

tractor_indicator::tractor_indicator() : m_pic(the_game().m_bmp_pool.get_bitmap("tractor.png")) {}

tractor_indicator::~tractor_indicator() {}

void tractor_indicator::move(float) {}

SDL_Surface* tractor_indicator::pic() const { return m_pic; }

// ------------------------------------------------------ making and ending

arena::arena()
    : m_lowest_id(0), m_background(nullptr), m_player_x(0), m_player_y(0), m_player_spawn_x(0),
      m_player_spawn_y(0), m_player_alive(false), m_player_respawn(0),
      m_gravity(default_gravity), m_air_resistance(default_air_resistance), m_broad_phase(true),
      m_list_version(0), m_redrawn_all(true)
{
    load_tile_pictures();
}

arena::~arena()
{
    for (auto& entry : m_bitmaps)
        SDL_FreeSurface(entry.second);
    SDL_FreeSurface(m_background);
    destroy_everything();
}

void arena::load_tile_pictures()
{
    int next_sub_tile = -1;  // shared by every large picture, in type order
    for (int i = 0; i < tile_type_count; ++i) {
        arena_t type = static_cast<arena_t>(i);
        if (!image_files[i]) {
            m_bitmaps[i] = nullptr;
            continue;
        }
        SDL_Surface* picture = load_image(image_files[i]);
        if (!picture || (picture->w <= TILE_SIZE && picture->h <= TILE_SIZE)) {
            m_bitmaps[i] = picture;
            m_orig_bitmap[i] = type;
            continue;
        }
        // A large picture is cut into cells; every started cell counts.
        extra_bmps block;
        block.m_nx = (picture->w + TILE_SIZE - 1) / TILE_SIZE;
        block.m_ny = (picture->h + TILE_SIZE - 1) / TILE_SIZE;
        block.m_bmps.assign(block.m_nx, std::vector<int>(block.m_ny, 0));
        for (int x = 0; x < block.m_nx; ++x) {
            for (int y = 0; y < block.m_ny; ++y) {
                SDL_Surface* piece = create_surface(TILE_SIZE, TILE_SIZE, alpha_channel);
                SDL_Rect area = {static_cast<Sint16>(TILE_SIZE * x), static_cast<Sint16>(TILE_SIZE * y),
                                 TILE_SIZE, TILE_SIZE};
                copy_blit(picture, &area, piece, nullptr);
                int id = x == 0 && y == 0 ? i : next_sub_tile--;
                block.m_bmps[x][y] = id;
                m_bitmaps[id] = piece;
                m_orig_bitmap[id] = type;
            }
        }
        m_extra_bmps[type] = block;
        SDL_FreeSurface(picture);
    }

    // The walls of box_in_walls: ids whose picture covers the whole cell, of
    // a type the ship does not count as free. Empty cells have no picture,
    // and the collision test passes over ball source cells.
    m_lowest_id = next_sub_tile + 1;
    m_whole_wall.assign(tile_type_count - m_lowest_id, 0);
    for (const auto& entry : m_bitmaps) {
        arena_t type = orig_type(entry.first);
        m_whole_wall[entry.first - m_lowest_id] =
            type != A_SHOP && type != A_SOURCE && covers_its_cell(entry.second);
    }
}

// ---------------------------------------------------------------- movers

void arena::add_mover(mover* m)
{
    m_waiting_room.push_back(m);
    if (is_kind(m, MK_SHIP))
        record_player(*m);
}

void arena::record_player(const mover& s)
{
    m_player_x = static_cast<int>(s.x_centre());
    m_player_y = static_cast<int>(s.y_centre());
}

mover* arena::remove_mover(mover* m)
{
    for (auto it = m_movers.begin(); it != m_movers.end(); ++it) {
        if (**it == m) {
            **it = nullptr;  // handles on it test false from now on
            m_movers.erase(it);
            ++m_list_version;
            return m;
        }
    }
    return nullptr;
}

void arena::do_stuff(float time_interval)
{
    for (size_t i = 0; i < m_movers.size(); ++i) {
        if (mover* m = *m_movers[i])
            m->do_stuff(time_interval);
    }
    update_stuff();
}

void arena::update_stuff()
{
    // Admission.
    for (mover* m : m_waiting_room)
        m_movers.push_back(std::make_shared<mover*>(m));
    m_waiting_room.clear();

    // Deletion, from the back so that erasing leaves the rest in place.
    player_status& status = the_game().m_player_status;
    for (size_t i = m_movers.size(); i-- > 0;) {
        mover* m = *m_movers[i];
        if (m && !m->is_dead())
            continue;
        if (m) {
            if (m->is(MK_SHIP)) {
                m_player_alive = false;
                --status.lives;
                m_player_respawn = 100;
            }
            shot* s = m->is(MK_SHOT) ? static_cast<shot*>(m) : nullptr;
            enemy* e = m->is(MK_ENEMY) ? static_cast<enemy*>(m) : nullptr;
            if (s || e) {
                for (auto it = m_damage_map.begin(); it != m_damage_map.end();) {
                    if ((s && it->first.first == s) || (e && it->first.second == e))
                        it = m_damage_map.erase(it);
                    else
                        ++it;
                }
            }
            // A source never keeps a ball that is gone.
            for (ball_src& src : m_ball_srcs) {
                if (src.b == m)
                    src.b = nullptr;
            }
            untractor(m);
            delete m;
            *m_movers[i] = nullptr;
        }
        m_movers.erase(m_movers.begin() + static_cast<std::ptrdiff_t>(i));
    }

    // Respawn: set and first counted down in the same pass, so the new ship
    // comes 99 passes after the old one went, at the place of its death.
    if (m_player_respawn != 0) {
        --m_player_respawn;
        if (m_player_respawn == 0 && status.lives > 0) {
            ship* s = new ship;
            s->teleport_centre(static_cast<float>(m_player_x), static_cast<float>(m_player_y));
            add_mover(s);
            status.shield = MAX_SHIELD;
            status.invulnerability = MAX_INVULNERABILITY;
        }
    }

    // The ship's mass follows its fitting.
    for (auto& entry : m_movers) {
        if (is_kind(*entry, MK_SHIP))
            (*entry)->m_mass = static_cast<float>(calc_ship_mass());
    }
}

void arena::destroy_everything()
{
    for (mover* m : m_waiting_room)
        delete m;
    m_ball_srcs.clear();
    m_tractors.clear();
    m_force_balls.clear();
    for (auto& entry : m_movers) {
        delete *entry;
        *entry = nullptr;
    }
    m_movers.clear();
    m_waiting_room.clear();
    m_animations.clear();
    m_connections.clear();
    m_damage_map.clear();
    // The collision grid is made anew for the next map, not kept at the
    // largest size this one needed.
    std::vector<std::vector<int> >().swap(m_grid);
}

int arena::num_movers() const { return static_cast<int>(m_movers.size()); }

mover* arena::get_mover(int n) { return *m_movers[n]; }

mover* arena::get_player_target()
{
    for (auto& entry : m_movers) {
        if (is_kind(*entry, MK_SHIP))
            return *entry;
    }
    return nullptr;
}

arena_ptr<mover> arena::get_player_from_shot(mover*)
{
    for (auto& entry : m_movers) {
        if (is_kind(*entry, MK_SHIP))
            return arena_ptr<mover>(entry);
    }
    return arena_ptr<mover>();
}

bool arena::player_is_dead() const
{
    return the_game().m_player_status.lives <= 0 && m_player_respawn == 0 && !m_player_alive;
}

int arena::get_player_x() const { return m_player_x; }

int arena::get_player_y() const { return m_player_y; }

void arena::set_player_spawn(int x, int y)
{
    m_player_spawn_x = x;
    m_player_spawn_y = y;
}

void arena::activate()
{
    m_redrawn_all = true;
    m_redrawn.clear();
    for (int x = 0; x < width(); ++x) {
        for (int y = 0; y < height(); ++y) {
            int id = m_scenery[x][y];
            if (id == A_SOURCE) {
                // Straight into the main list, not the waiting room.
                ball* b = new ball;
                b->teleport(static_cast<float>(TILE_SIZE * x), static_cast<float>(TILE_SIZE * y));
                m_movers.push_back(std::make_shared<mover*>(b));
                m_ball_srcs.push_back({x, y, b});
            }
            if (id != A_EMPTY)
                draw_tile(id, x, y);
        }
    }
    // A countdown still running is that of a ship lost in the frame that
    // completed the level before: its life is taken already, and this
    // level has its own ship, so the countdown must make none.
    m_player_respawn = 0;
    ship* s = new ship;
    s->teleport(static_cast<float>(TILE_SIZE * m_player_spawn_x),
                static_cast<float>(TILE_SIZE * m_player_spawn_y));
    if (the_game().m_player_status.lives > 0) {
        add_mover(s);
        m_player_alive = true;
    } else {
        // No life left: no ship, and the game is over. The centre it would
        // have had is recorded, so the map does not read as left.
        record_player(*s);
        delete s;
        m_player_alive = false;
    }
    update_stuff();
}

// -------------------------------------------------------------- tile map

void arena::set_size(int x, int y)
{
    destroy_everything();
    m_scenery.assign(std::max(x, 0), std::vector<int>(std::max(y, 0), A_EMPTY));
    SDL_FreeSurface(m_background);
    m_background = create_surface(TILE_SIZE * x, TILE_SIZE * y, alpha_channel);
    m_redrawn_all = true;
    m_redrawn.clear();
    if (m_background)
        SDL_FillRect(m_background, nullptr, SDL_MapRGBA(m_background->format, 0, 0, 0, 0));
}

void arena::set(int x, int y, arena_t t)
{
    // Cells outside the map are never written.
    auto block = m_extra_bmps.find(t);
    if (block == m_extra_bmps.end()) {
        if (inside(x, y))
            m_scenery[x][y] = t;
        return;
    }
    // A block is cut off at the edges of the map.
    for (int ex = 0; ex < block->second.m_nx; ++ex) {
        for (int ey = 0; ey < block->second.m_ny; ++ey) {
            if (inside(x + ex, y + ey))
                m_scenery[x + ex][y + ey] = block->second.m_bmps[ex][ey];
        }
    }
}

arena_t arena::get(int x, int y) const
{
    if (inside(x, y))
        return static_cast<arena_t>(m_scenery[x][y]);
    dbg_log(this_file, 482, "warning: Invalid arena coords: (" + int2str(x) + "," + int2str(y) + ")");
    return A_EMPTY;
}

bool arena::inside(int x, int y) const { return x >= 0 && x < width() && y >= 0 && y < height(); }

Uint8 arena::getalpha(int x, int y) const
{
    int column = cell_of(x), row = cell_of(y);
    auto found = m_bitmaps.find(get(column, row));
    if (found == m_bitmaps.end() || !found->second)
        return 0;
    SDL_Surface* p = found->second;
    int px = x - TILE_SIZE * column, py = y - TILE_SIZE * row;
    // A picture smaller than its cell is transparent beyond its edges.
    if (px >= p->w || py >= p->h)
        return 0;
    SDL_LockSurface(p);
    Uint8 a = ::getalpha(p, px, py);
    SDL_UnlockSurface(p);
    return a;
}

int arena::width() const { return static_cast<int>(m_scenery.size()); }

int arena::height() const { return m_scenery.empty() ? 0 : static_cast<int>(m_scenery[0].size()); }

SDL_Surface* arena::bitmap() const { return m_background; }

void arena::clear_background(int x, int y, int w, int h)
{
    if (!m_background)
        return;
    SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                  static_cast<Uint16>(h)};
    note_redrawn(r);
    SDL_FillRect(m_background, &r, SDL_MapRGBA(m_background->format, 0, 0, 0, 0));
}

void arena::note_redrawn(const SDL_Rect& r)
{
    if (!m_redrawn_all)
        m_redrawn.push_back(r);
}

bool arena::take_redrawn(std::vector<SDL_Rect>& rects)
{
    bool all = m_redrawn_all;
    rects.insert(rects.end(), m_redrawn.begin(), m_redrawn.end());
    m_redrawn.clear();
    m_redrawn_all = false;
    return all;
}

void arena::draw_tile(int id, int x, int y)
{
    auto found = m_bitmaps.find(id);
    if (found == m_bitmaps.end() || !found->second)
        return;
    SDL_Rect to = {static_cast<Sint16>(TILE_SIZE * x), static_cast<Sint16>(TILE_SIZE * y), TILE_SIZE, TILE_SIZE};
    note_redrawn(to);
    copy_blit(found->second, nullptr, m_background, &to);
}

arena_t arena::orig_type(int id) const
{
    auto found = m_orig_bitmap.find(id);
    return found == m_orig_bitmap.end() ? static_cast<arena_t>(id) : found->second;
}

// ------------------------------------------------------------ mechanisms

void arena::connect(int cause_x, int cause_y, int effect_x, int effect_y)
{
    m_connections.push_back({cause_x, cause_y, effect_x, effect_y});
}

void arena::apply_effect(int x, int y)
{
    // A gate in motion cannot be reversed: only gates at rest have frames.
    frame_list frames = gate_frames(get(x, y));
    if (!frames.empty())
        add_animation(x, y, frames);
}

void arena::do_causality(int x, int y)
{
    for (size_t i = 0; i < m_connections.size(); ++i) {
        const connection c = m_connections[i];
        if (c.cause_x == x && c.cause_y == y)
            apply_effect(c.effect_x, c.effect_y);
    }
}

void arena::add_animation(int x, int y, const std::deque<arena_t>& frames)
{
    m_animations.push_back({x, y, frames, 0});
}

void arena::step_animations()
{
    for (size_t i = 0; i < m_animations.size();) {
        animation& a = m_animations[i];
        if (a.current < static_cast<int>(a.frames.size())) {
            arena_t f = a.frames[a.current];
            auto block = m_extra_bmps.find(f);
            if (block != m_extra_bmps.end()) {
                const extra_bmps& b = block->second;
                for (int ex = 0; ex < b.m_nx; ++ex) {
                    for (int ey = 0; ey < b.m_ny; ++ey) {
                        if (inside(a.x + ex, a.y + ey))
                            m_scenery[a.x + ex][a.y + ey] = b.m_bmps[ex][ey];
                    }
                }
                clear_background(TILE_SIZE * a.x, TILE_SIZE * a.y, TILE_SIZE * b.m_nx, TILE_SIZE * b.m_ny);
                for (int ex = 0; ex < b.m_nx; ++ex) {
                    for (int ey = 0; ey < b.m_ny; ++ey)
                        draw_tile(b.m_bmps[ex][ey], a.x + ex, a.y + ey);
                }
            } else if (inside(a.x, a.y)) {
                m_scenery[a.x][a.y] = f;
                clear_background(TILE_SIZE * a.x, TILE_SIZE * a.y, TILE_SIZE, TILE_SIZE);
                draw_tile(f, a.x, a.y);
            }
            ++a.current;
        }
        if (a.current >= static_cast<int>(a.frames.size()))
            m_animations.erase(m_animations.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

void arena::handle_collision(mover* m, arena_t obstacle, int x, int y)
{
    if (!m)
        return;
    if (m->is(MK_BALL)) {
        ball* b = static_cast<ball*>(m);
        untractor(b);
        if (obstacle == A_SINK)
            sink_ball(b);
        else
            crash_ball(b);
        return;
    }
    if (m->is(MK_SHOT) && is_resting_button(obstacle)) {
        add_animation(x, y, button_frames(obstacle));
        do_causality(x, y);
    }
}

void arena::sink_ball(ball* b)
{
    b->stick();
    for (const ball_src& src : m_ball_srcs) {
        // A source whose ball the exit already took has nothing to sink.
        if (!src.b || !src.b->is_stuck())
            return;
        // A ball lying exactly on its source was crashed back, not sunk.
        if (src.b->m_x == static_cast<float>(TILE_SIZE * src.x) &&
            src.b->m_y == static_cast<float>(TILE_SIZE * src.y))
            return;
    }
    the_game().m_player_status.score += 1000;
    open_exit();
}

void arena::crash_ball(ball* b)
{
    for (const ball_src& src : m_ball_srcs) {
        if (src.b != b)
            continue;
        sound::play(sound::CRASH);
        explode_at(*this, "ball", b->pic(), b->x_centre(), b->y_centre());
        b->stick();
        b->m_x = static_cast<float>(TILE_SIZE * src.x);
        b->m_y = static_cast<float>(TILE_SIZE * src.y);
        return;
    }
}

void arena::open_exit()
{
    for (ball_src& src : m_ball_srcs) {
        ball* b = src.b;
        if (!b)
            continue;  // gone with an earlier opening
        explode_at(*this, "ball", b->pic(), b->x_centre(), b->y_centre());
        src.b = nullptr;
        b->die();
    }
    for (int x = 0; x < width(); ++x) {
        for (int y = 0; y < height(); ++y) {
            int t = m_scenery[x][y];
            if (t == A_EXIT_BLOCK) {
                explode_at(*this, "block", m_bitmaps[A_EXIT_BLOCK], TILE_SIZE * x + TILE_SIZE / 2.0f,
                           TILE_SIZE * y + TILE_SIZE / 2.0f);
            } else if (orig_type(t) != A_SINK) {
                continue;
            }
            clear_background(TILE_SIZE * x, TILE_SIZE * y, TILE_SIZE, TILE_SIZE);
            if (t == A_SINK) {
                SDL_Surface* sink = the_game().m_bmp_pool.get_bitmap("sink.png");
                explode_at(*this, "sink", sink, static_cast<float>(TILE_SIZE * x + sink->w / 2),
                           static_cast<float>(TILE_SIZE * y + sink->h / 2));
            }
            set(x, y, A_EMPTY);
        }
    }
}

bool arena::level_complete() const
{
    // Strict at the right and bottom: a centre exactly on the edge is inside.
    return m_player_x < 0 || m_player_x > TILE_SIZE * width() || m_player_y < 0 ||
           m_player_y > TILE_SIZE * height();
}

// ---------------------------------------------------------------- forces

void arena::apply_forces(float time_interval)
{
    for (size_t i = 0; i < m_movers.size(); ++i) {
        if (mover* m = *m_movers[i])
            apply_forces(*m, time_interval);
    }
    m_force_balls.clear();
}

void arena::apply_forces(mover& m, float dt)
{
    if (m.m_mass != 0 && !m.is_stuck()) {
        m.m_dy += m_gravity * dt;
        m.m_dx -= m_air_resistance * (dt * m.m_dx) / m.m_mass;
        m.m_dy -= m_air_resistance * (dt * m.m_dy) / m.m_mass;
    }

    // Like a spring of no rest length between the two top-left corners;
    // stuck or not. An end without mass cannot be pulled.
    for (const tractor& t : m_tractors) {
        float sign;
        if (t.from == &m)
            sign = 1;
        else if (t.to == &m)
            sign = -1;
        else
            continue;
        if (m.m_mass == 0)
            continue;
        float sep_x = t.to->m_x - t.from->m_x, sep_y = t.to->m_y - t.from->m_y;
        m.m_dx += sign * ((sep_x * dt) * tractor_force) / (m.m_mass * tractor_elastic);
        m.m_dy += sign * ((sep_y * dt) * tractor_force) / (m.m_mass * tractor_elastic);
    }

    if (m.m_mass > 0 && !m.is_stuck()) {
        for (const force_ball& b : m_force_balls) {
            float dx = m.x_centre() - b.x, dy = m.y_centre() - b.y;
            float distance = dist(dx, dy);
            if (!(b.radius > distance))
                continue;
            float force = b.force_centre + (b.force_edge - b.force_centre) * distance / b.radius;
            double dir_x = 0, dir_y = 1;  // straight down from the very centre
            if (dx != 0 || dy != 0) {
                float angle = static_cast<float>(std::atan2(static_cast<double>(dx), static_cast<double>(dy)));
                dir_x = std::sin(static_cast<double>(angle));
                dir_y = std::cos(static_cast<double>(angle));
            }
            // An impulse: not scaled by the time step.
            m.m_dx = static_cast<float>(m.m_dx + 25.0 * force * dir_x / m.m_mass);
            m.m_dy = static_cast<float>(m.m_dy + 25.0 * force * dir_y / m.m_mass);
        }
    }
}

void arena::AOE_force(float x, float y, float radius, float force_centre, float force_edge)
{
    m_force_balls.push_back({x, y, radius, force_centre, force_edge});
    force_indicator* f = new force_indicator;
    f->teleport_centre(x, y);
    add_mover(f);
}

float arena::gravity() const { return m_gravity; }

void arena::set_gravity(float g) { m_gravity = g; }

void arena::set_air_resistance(float r) { m_air_resistance = r; }

// ------------------------------------------------ movement and collisions

void arena::move_stuff_and_do_collisions(float seconds)
{
    step_animations();
    for (int i = 0; i < 4; ++i) {
        move_stuff(seconds * 0.25f);
        do_collisions(seconds * 0.25f);
    }
}

void arena::move_stuff(float time_interval)
{
    for (size_t i = 0; i < m_movers.size(); ++i) {
        mover* m = *m_movers[i];
        if (!m)
            continue;
        m->move(time_interval);
        if (m->is(MK_SHIP))
            record_player(*m);
    }
    // Indicator 0 on the target, the last one on the ship.
    for (const tractor& t : m_tractors) {
        int n = static_cast<int>(t.indicators.size());
        for (int j = 0; j < n; ++j) {
            float x = t.to->x_centre(), y = t.to->y_centre();
            if (n > 1) {
                x = (t.to->x_centre() * (n - 1 - j) + t.from->x_centre() * j) / (n - 1);
                y = (t.to->y_centre() * (n - 1 - j) + t.from->y_centre() * j) / (n - 1);
            }
            t.indicators[j]->teleport_centre(x, y);
        }
    }
}

void arena::do_collisions(float time_interval)
{
    // Tiles: at most one contact per mover and sub-step.
    for (size_t i = 0; i < m_movers.size(); ++i) {
        mover* m = *m_movers[i];
        if (!m || !m->does_arena_collisions() || !m->pic() || m->is_stuck())
            continue;
        arena_t obstacle = A_EMPTY;
        int tile_x = 0, tile_y = 0;
        if (!arena_collision(m->pic(), static_cast<int>(m->m_x), static_cast<int>(m->m_y), &obstacle,
                             &tile_x, &tile_y, nullptr, nullptr))
            continue;
        handle_collision(m, obstacle, tile_x, tile_y);
        m->notify_collision(obstacle, time_interval);
    }

    if (m_broad_phase)
        mover_pass_by_grid(time_interval);
    else
        mover_pass_all_pairs(time_interval, 0, 1);

    update_stuff();
}

void arena::set_broad_phase(bool on) { m_broad_phase = on; }

// One pair of the mover pass, the movers read from the list anew: the
// earlier of a pair hears of the contact first.
void arena::collide_pair(size_t i, size_t j, float time_interval)
{
    mover* a = *m_movers[i];
    mover* b = *m_movers[j];
    if (!a || !b || !(a->does_collisions(b) || b->does_collisions(a)))
        return;
    if (!contact(a, b))
        return;
    if (a->does_collisions(b))
        a->notify_collision(b, time_interval);
    if (b->does_collisions(a))
        b->notify_collision(a, time_interval);
}

// Every pair (a, b) of the list with a before b, from pair (i0, j0) on;
// both counts are read again after each pair.
void arena::mover_pass_all_pairs(float time_interval, size_t i0, size_t j0)
{
    for (size_t i = i0; i < m_movers.size(); ++i) {
        for (size_t j = i == i0 ? j0 : i + 1; j < m_movers.size(); ++j)
            collide_pair(i, j, time_interval);
    }
}

// The same pairs in the same order, less those whose picture boxes lie in
// no common cell of a grid over the movers: those can touch nowhere, and
// asking them changes nothing. Contacts move nobody and only shrink a
// picture, so the boxes of the pass's start hold for all of it; should a
// contact take a mover out of the list, the rest of the pass is the plain
// loop from where it stands.
void arena::mover_pass_by_grid(float time_interval)
{
    const size_t n = m_movers.size();
    const float far = 1e7f;
    struct box {
        int x0, y0, x1, y1;
    };
    std::vector<box> boxes(n, box{0, 0, -1, -1});
    float lo_x = far, lo_y = far, hi_x = -far, hi_y = -far;
    for (size_t k = 0; k < n; ++k) {
        mover* m = *m_movers[k];
        SDL_Surface* p = m ? m->pic() : nullptr;
        if (!p)
            continue;
        // Beyond any real place: leave such a pass to the plain loop.
        if (!(std::fabs(m->m_x) < far && std::fabs(m->m_y) < far)) {
            mover_pass_all_pairs(time_interval, 0, 1);
            return;
        }
        // A pixel of slack on every side of what the contact test reads.
        boxes[k] = {static_cast<int>(std::floor(m->m_x)) - 1, static_cast<int>(std::floor(m->m_y)) - 1,
                    static_cast<int>(std::floor(m->m_x)) + p->w + 1, static_cast<int>(std::floor(m->m_y)) + p->h + 1};
        lo_x = std::min(lo_x, static_cast<float>(boxes[k].x0));
        lo_y = std::min(lo_y, static_cast<float>(boxes[k].y0));
        hi_x = std::max(hi_x, static_cast<float>(boxes[k].x1));
        hi_y = std::max(hi_y, static_cast<float>(boxes[k].y1));
    }
    if (lo_x > hi_x)
        return;  // nobody with a picture

    // Cells of at least 64 pixels, at most 256 of them each way.
    const int ox = static_cast<int>(lo_x), oy = static_cast<int>(lo_y);
    const int cell = std::max(64, static_cast<int>(std::max(hi_x - lo_x, hi_y - lo_y)) / 256 + 1);
    const int cols = (static_cast<int>(hi_x) - ox) / cell + 1, rows = (static_cast<int>(hi_y) - oy) / cell + 1;
    m_grid.resize(static_cast<size_t>(cols) * rows);
    for (std::vector<int>& c : m_grid)
        c.clear();
    for (size_t k = 0; k < n; ++k) {
        const box& b = boxes[k];
        if (b.x1 < b.x0)
            continue;
        for (int cy = (b.y0 - oy) / cell; cy <= (b.y1 - oy) / cell; ++cy)
            for (int cx = (b.x0 - ox) / cell; cx <= (b.x1 - ox) / cell; ++cx)
                m_grid[static_cast<size_t>(cy) * cols + cx].push_back(static_cast<int>(k));
    }

    const unsigned version = m_list_version;
    std::vector<size_t> stamp(n, n);
    std::vector<int> partners;
    for (size_t i = 0; i < n; ++i) {
        const box& b = boxes[i];
        if (b.x1 < b.x0)
            continue;
        partners.clear();
        for (int cy = (b.y0 - oy) / cell; cy <= (b.y1 - oy) / cell; ++cy)
            for (int cx = (b.x0 - ox) / cell; cx <= (b.x1 - ox) / cell; ++cx)
                for (int j : m_grid[static_cast<size_t>(cy) * cols + cx]) {
                    if (static_cast<size_t>(j) > i && stamp[j] != i) {
                        stamp[j] = i;
                        partners.push_back(j);
                    }
                }
        std::sort(partners.begin(), partners.end());
        for (int j : partners) {
            collide_pair(i, static_cast<size_t>(j), time_interval);
            if (m_list_version != version) {
                mover_pass_all_pairs(time_interval, i, static_cast<size_t>(j) + 1);
                return;
            }
        }
    }
}

bool arena::contact(mover* a, mover* b) const
{
    SDL_Surface* pa = a->pic();
    SDL_Surface* pb = b->pic();
    if (!pa || !pb)
        return false;
    int xmin = static_cast<int>(std::max(a->m_x, b->m_x));
    int xmax = static_cast<int>(std::min(a->m_x + pa->w, b->m_x + pb->w));
    int ymin = static_cast<int>(std::max(a->m_y, b->m_y));
    int ymax = static_cast<int>(std::min(a->m_y + pa->h, b->m_y + pb->h));
    if (!(xmin < xmax && ymin < ymax))
        return false;

    int ax0 = static_cast<int>(a->m_x), ay0 = static_cast<int>(a->m_y);
    int bx0 = static_cast<int>(b->m_x), by0 = static_cast<int>(b->m_y);
    bool found = false;
    SDL_LockSurface(pa);
    SDL_LockSurface(pb);
    for (int x = xmin; x < xmax && !found; ++x) {
        for (int y = ymin; y < ymax && !found; ++y) {
            int ax = x - ax0, ay = y - ay0, bx = x - bx0, by = y - by0;
            // Far from the origin float sums round; never read off a picture.
            if (ax < 0 || ay < 0 || bx < 0 || by < 0 || ax >= pa->w || ay >= pa->h || bx >= pb->w ||
                by >= pb->h)
                continue;
            found = ::getalpha(pa, ax, ay) != 0 && ::getalpha(pb, bx, by) != 0;
        }
    }
    SDL_UnlockSurface(pb);
    SDL_UnlockSurface(pa);
    return found;
}

bool arena::arena_collision(SDL_Surface* p, int px, int py, arena_t* obstacle, int* tile_x,
                            int* tile_y, int* pic_x, int* pic_y) const
{
    if (!p)
        return false;
    const int w = width(), h = height();

    // Quick rejection on the cells under the picture's box.
    int c0 = px < TILE_SIZE ? 0 : px / TILE_SIZE;
    int c1 = std::min((px + p->w) / TILE_SIZE + 1, w);
    int r0 = py < TILE_SIZE ? 0 : py / TILE_SIZE;
    int r1 = std::min((py + p->h) / TILE_SIZE + 1, h);
    bool any = false;
    for (int c = c0; c < c1 && !any; ++c) {
        for (int r = r0; r < r1 && !any; ++r)
            any = m_scenery[c][r] != A_EMPTY;
    }
    if (!any)
        return false;

    // From the bottom row up, each row from the left.
    bool found = false;
    int hit_x = 0, hit_y = 0, hit_col = 0, hit_row = 0, hit_id = 0;
    SDL_LockSurface(p);
    for (int y = p->h - 1; y >= 0 && !found; --y) {
        for (int x = 0; x < p->w && !found; ++x) {
            float fx = static_cast<float>(px + x), fy = static_cast<float>(py + y);
            // Outside the map the edge cells count as reaching outward.
            int col = std::max(std::min(static_cast<int>(fx * 0.03125f), w - 1), 0);
            int row = std::max(std::min(static_cast<int>(fy * 0.03125f), h - 1), 0);
            int id = m_scenery[col][row];
            if (id == A_EMPTY || id == A_SOURCE)
                continue;
            if (::getalpha(p, x, y) == 0)
                continue;
            if (getalpha(minmax(0, static_cast<int>(fx), w * TILE_SIZE - 1),
                         minmax(0, static_cast<int>(fy), h * TILE_SIZE - 1)) == 0)
                continue;
            found = true;
            hit_x = x;
            hit_y = y;
            hit_col = col;
            hit_row = row;
            hit_id = id;
        }
    }
    SDL_UnlockSurface(p);
    if (!found)
        return false;
    if (tile_x)
        *tile_x = hit_col;
    if (tile_y)
        *tile_y = hit_row;
    if (pic_x)
        *pic_x = hit_x;
    if (pic_y)
        *pic_y = hit_y;
    if (obstacle)
        *obstacle = orig_type(hit_id);
    return true;
}

bool arena::box_in_walls(int px, int py, int w, int h) const
{
    // Inside the map the collision test maps each pixel to its own cell and
    // the quick rejection reads the cell of the box's corner, a wall below.
    if (w <= 0 || h <= 0 || px < 0 || py < 0 || px + w > width() * TILE_SIZE ||
        py + h > height() * TILE_SIZE)
        return false;
    for (int c = px / TILE_SIZE; c <= (px + w - 1) / TILE_SIZE; ++c) {
        const std::vector<int>& column = m_scenery[c];
        for (int r = py / TILE_SIZE; r <= (py + h - 1) / TILE_SIZE; ++r) {
            size_t slot = static_cast<size_t>(column[r] - m_lowest_id);
            if (slot >= m_whole_wall.size() || !m_whole_wall[slot])
                return false;
        }
    }
    return true;
}

// ---------------------------------------------------------- tractor beams

mover* arena::get_nearest_tractor_target(float x, float y)
{
    float best = 100.0f;
    mover* chosen = nullptr;
    for (size_t i = 0; i < m_movers.size(); ++i) {
        mover* m = *m_movers[i];
        if (!m)
            continue;
        float d = dist(x - m->x_centre(), y - m->y_centre());
        if (d < best && (m->is(MK_BALL) || m->is(MK_COIN) || m->is(MK_MINER) || m->is(MK_RECKING_BALL))) {
            best = d;
            chosen = m;
        }
    }
    return chosen;
}

void arena::create_tractor(mover* from, mover* to)
{
    tractor t = {from, to, {}};
    for (int i = 0; i < tractor_indicator_count; ++i) {
        tractor_indicator* indicator = new tractor_indicator;
        add_mover(indicator);
        t.indicators.push_back(indicator);
    }
    m_tractors.push_back(t);
    if (is_kind(to, MK_BALL))
        static_cast<ball*>(to)->unstick();
}

void arena::untractor(mover* m)
{
    for (size_t i = 0; i < m_tractors.size();) {
        tractor& t = m_tractors[i];
        if (t.to != m && t.from != m) {
            ++i;
            continue;
        }
        t.to->roughly_untractor();
        t.from->roughly_untractor();
        for (mover* indicator : t.indicators)
            indicator->die();
        m_tractors.erase(m_tractors.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void arena::destroy_tractor(mover* m) { untractor(m); }

// ---------------------------------------------------------------- damage

void arena::AOE_damage(float x, float y, float radius, int dam_centre, int dam_edge, damage_type dt)
{
    if (radius <= 0)
        return;
    for (size_t i = 0; i < m_movers.size(); ++i) {
        mover* m = *m_movers[i];
        if (!m || m->is_dead())
            continue;
        SDL_Surface* p = m->pic();
        float w = p ? static_cast<float>(p->w) : 0, h = p ? static_cast<float>(p->h) : 0;
        // To the nearest point of the picture's box.
        float dx = std::max(std::min(x, m->m_x + w), m->m_x) - x;
        float dy = std::max(std::min(y, m->m_y + h), m->m_y) - y;
        float distance = dist(dx, dy);
        if (!(radius > distance))
            continue;
        int damage = static_cast<int>(dam_centre - static_cast<float>(dam_centre - dam_edge) * distance / radius);
        if (dt & HURT_ENEMIES) {
            if (m->is(MK_ENEMY))
                static_cast<enemy*>(m)->take_hit(damage);
        }
        if (dt & HURT_PLAYER) {
            if (m->is(MK_SHIP))
                static_cast<ship*>(m)->take_hit(damage);
        }
    }
}

double arena::apply_damage(shot* s, enemy* en, double amount)
{
    double& done = m_damage_map[std::make_pair(s, en)];
    double extra = std::min(done, static_cast<double>(en->dam_red()));
    double absorbed = en->take_hit(amount + extra) - extra;
    done += amount;
    return absorbed;
}
