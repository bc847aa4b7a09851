// The levels the game ships with (levels/levels.txt of the source tree):
// every level loads in file order and is sound (a description that fits
// the screen, a spawn clear of walls, a closed map whose exit can be
// reached once it opens, balls that can be carried to sinks, turrets and
// buttons on walls, buttons that work gates, the physics each level sets
// for itself); between them they show everything the game has; and a
// scripted pilot flies each one to its end with the game's own pictures and
// the five control flags alone. With VANTREL_LEVELS_LOOK set to a folder,
// pictures of the levels are saved there as BMPs to be looked at.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "debug.h"
#include "levels.h"
#include "runs/recorded_run.h"
#include "weapons.h"

namespace fs = std::filesystem;

namespace {
const float view_w = 640, view_h = 448;

struct cell {
    int x, y;
    bool operator==(const cell& o) const { return x == o.x && y == o.y; }
    bool operator<(const cell& o) const { return x != o.x ? x < o.x : y < o.y; }
};

std::ostream& operator<<(std::ostream& out, const cell& c) { return out << "(" << c.x << ", " << c.y << ")"; }

float centre_of(int t) { return t * 32 + 16.0f; }

bool is_gate(arena_t t) { return t >= A_VGATE_CLOSED && t <= A_HGATE_OPEN; }

// Which cells a ship can be in, read from the tiles. Cells beyond the map
// continue its edge cells, as the collision test sees them, so a gap in
// the border leads out.
class room_map {
public:
    // gates_open: every gate counts as open; exit_open: the exit blocks and
    // sinks are gone, as after the exit opened.
    room_map(arena& a, bool gates_open, bool exit_open) : m_w(a.width()), m_h(a.height())
    {
        m_free.assign(static_cast<size_t>(m_w * m_h), false);
        for (int x = 0; x < m_w; ++x) {
            for (int y = 0; y < m_h; ++y) {
                arena_t t = a.get(x, y);
                bool open = t == A_EMPTY || t == A_SOURCE || t == A_VGATE_OPEN || t == A_HGATE_OPEN ||
                            (gates_open && is_gate(t)) || (exit_open && (t == A_EXIT_BLOCK || t == A_SINK));
                m_free[static_cast<size_t>(x * m_h + y)] = open;
            }
        }
    }

    bool free(int x, int y) const
    {
        x = std::max(0, std::min(x, m_w - 1));
        y = std::max(0, std::min(y, m_h - 1));
        return m_free[static_cast<size_t>(x * m_h + y)];
    }
    bool inside(const cell& c) const { return c.x >= 0 && c.x < m_w && c.y >= 0 && c.y < m_h; }
    // The ship fits with its centre in c: the 3 x 3 cells about it are
    // free, and `below` more rows under them (room for a towed ball).
    bool roomy(const cell& c, int below = 0) const
    {
        if (c.x < -2 || c.x >= m_w + 2 || c.y < -2 || c.y >= m_h + 2)
            return false;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1 + below; ++dy) {
                if (!free(c.x + dx, c.y + dy))
                    return false;
            }
        }
        return true;
    }
    // Every roomy cell reached from start, side by side.
    std::set<cell> reach(const cell& start, int below = 0) const
    {
        std::set<cell> seen;
        if (!roomy(start, below))
            return seen;
        std::deque<cell> todo = {start};
        seen.insert(start);
        while (!todo.empty()) {
            cell c = todo.front();
            todo.pop_front();
            for (cell n : neighbours(c)) {
                if (roomy(n, below) && seen.insert(n).second)
                    todo.push_back(n);
            }
        }
        return seen;
    }
    // The shortest way through roomy cells to a cell where goal holds;
    // empty when there is none.
    std::vector<cell> path(const cell& start, const std::function<bool(const cell&)>& goal, int below = 0) const
    {
        std::map<cell, cell> came_from;
        std::deque<cell> todo = {start};
        came_from[start] = start;
        while (!todo.empty()) {
            cell c = todo.front();
            todo.pop_front();
            if (goal(c)) {
                std::vector<cell> out;
                for (cell at = c; !(at == start); at = came_from[at])
                    out.push_back(at);
                out.push_back(start);
                std::reverse(out.begin(), out.end());
                return out;
            }
            for (cell n : neighbours(c)) {
                if (roomy(n, below) && came_from.emplace(n, c).second)
                    todo.push_back(n);
            }
        }
        return {};
    }
    // Whether the straight line between two points stays in roomy cells.
    bool clear_line(float x0, float y0, float x1, float y1, int below) const
    {
        float d = std::hypot(x1 - x0, y1 - y0);
        int steps = static_cast<int>(d / 8) + 1;
        for (int i = 0; i <= steps; ++i) {
            float f = static_cast<float>(i) / steps;
            cell c = {static_cast<int>(std::floor((x0 + f * (x1 - x0)) / 32)),
                      static_cast<int>(std::floor((y0 + f * (y1 - y0)) / 32))};
            if (!roomy(c, below))
                return false;
        }
        return true;
    }

    // A cell the ship must keep out of, whatever its tile.
    void block(const cell& c)
    {
        if (inside(c))
            m_free[static_cast<size_t>(c.x * m_h + c.y)] = false;
    }

    // The roomy cells as rows of text, for failure messages.
    std::string picture(int below) const
    {
        std::string out;
        for (int y = 0; y < m_h; ++y) {
            for (int x = 0; x < m_w; ++x)
                out += roomy({x, y}, below) ? 'o' : free(x, y) ? '.' : '#';
            out += '\n';
        }
        return out;
    }

private:
    static std::vector<cell> neighbours(const cell& c)
    {
        return {{c.x + 1, c.y}, {c.x - 1, c.y}, {c.x, c.y + 1}, {c.x, c.y - 1}};
    }

    int m_w, m_h;
    std::vector<bool> m_free;
};

// The tiles of one type, column by column.
std::vector<cell> tiles_of(arena& a, const std::vector<arena_t>& types)
{
    std::vector<cell> out;
    for (int x = 0; x < a.width(); ++x) {
        for (int y = 0; y < a.height(); ++y) {
            if (std::find(types.begin(), types.end(), a.get(x, y)) != types.end())
                out.push_back({x, y});
        }
    }
    return out;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    std::string::size_type start = 0;
    for (std::string::size_type nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
        out.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return out;
}

// The ship's heading as a signed angle, clockwise positive.
float signed_angle(const ship& s)
{
    float a = s.get_angle();
    return a > pi ? static_cast<float>(a - 2 * pi) : a;
}

float wrap(float a)
{
    while (a > pi)
        a = static_cast<float>(a - 2 * pi);
    while (a < -pi)
        a = static_cast<float>(a + 2 * pi);
    return a;
}

float clamp(float v, float lo, float hi) { return std::max(lo, std::min(v, hi)); }

class shipped_levels : public arena_test {
protected:
    void SetUp() override
    {
        arena_test::SetUp();
        // The game starts from the runtime library's first sequence.
        srand(1);
        use_game_data(true);
    }

    // The whole map with the movers over it, as the play loop draws them.
    surface_ptr draw_scene()
    {
        SDL_Surface* bg = m_arena->bitmap();
        surface_ptr scene(SDL_CreateRGBSurface(SDL_SWSURFACE, bg->w, bg->h, 32, 0xFF, 0xFF00, 0xFF0000, 0));
        SDL_FillRect(scene.get(), nullptr, SDL_MapRGB(scene->format, 0, 0, 32));
        SDL_BlitSurface(bg, nullptr, scene.get(), nullptr);
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            mover* m = m_arena->get_mover(i);
            if (!m || !m->pic())
                continue;
            SDL_Rect at = {static_cast<Sint16>(m->m_x), static_cast<Sint16>(m->m_y), 0, 0};
            SDL_BlitSurface(m->pic(), nullptr, scene.get(), &at);
        }
        return scene;
    }
    // Saves the scene when pictures are asked for.
    void snapshot(int level, const std::string& title, const std::string& stage)
    {
        const char* dir = std::getenv("VANTREL_LEVELS_LOOK");
        if (!dir)
            return;
        std::string name = title;
        std::replace(name.begin(), name.end(), ' ', '_');
        std::ostringstream file;
        file << dir << "/level" << level << "_" << name << "_" << stage << ".bmp";
        surface_ptr scene = draw_scene();
        SDL_SaveBMP(scene.get(), file.str().c_str());
    }

    // The first living mover of type T, or null.
    template <typename T>
    T* first_living()
    {
        for (T* t : all_of<T>()) {
            if (!t->is_dead())
                return t;
        }
        return nullptr;
    }
    // The living T nearest to the ship, closer than within, that keep
    // accepts; null when there is none or no ship.
    template <typename T>
    T* nearest_living(float within = 1e9f, const std::function<bool(T*)>& keep = nullptr)
    {
        ship* s = the_ship();
        T* nearest = nullptr;
        for (T* t : s ? all_of<T>() : std::vector<T*>()) {
            const float d = std::hypot(t->x_centre() - s->x_centre(), t->y_centre() - s->y_centre());
            if (!t->is_dead() && d < within && (!keep || keep(t))) {
                within = d;
                nearest = t;
            }
        }
        return nearest;
    }
    cell spawn_cell()
    {
        ship* s = the_ship();
        return {static_cast<int>(s->x_centre()) / 32, static_cast<int>(s->y_centre()) / 32};
    }

    // Loads level n (from 1) of the file into a as the first level of a
    // game: the levels before it are built in a scratch arena. The game's
    // arena is a from then on.
    bool load_alone(int n, arena& a, std::string& description)
    {
        level_loader loader("levels/levels.txt");
        arena scratch;
        testing::internal::CaptureStdout();
        bool loaded = true;
        try {
            for (int i = 1; i <= n && loaded; ++i) {
                arena& into = i < n ? scratch : a;
                m_game->m_arena = &into;
                loaded = loader.next_level(into, description);
            }
        } catch (whinage& w) {
            ADD_FAILURE() << "whinage: " << w.what();
            loaded = false;
        }
        m_game->m_arena = &a;
        testing::internal::GetCapturedStdout();
        return loaded;
    }
    // A frame of a, as the game in play.
    void step(arena& a)
    {
        m_game->m_arena = &a;
        step_frame(*m_game);
    }
    // The air resistance in force in a, measured on its ship (which it
    // changes).
    static float measured_air_resistance(arena& a)
    {
        ship* s = dynamic_cast<ship*>(a.get_player_target());
        s->m_dx = 100;
        s->m_dy = 0;
        float g = a.gravity();
        a.set_gravity(0);
        a.apply_forces(0.04f);
        a.set_gravity(g);
        return (100 - s->m_dx) * s->m_mass / (0.04f * 100);
    }
};
}

// ------------------------------------------------------------ soundness

TEST_F(shipped_levels, every_level_loads_in_turn_and_is_sound)
{
    level_loader loader("levels/levels.txt");
    std::string description;
    int n = 0;
    std::set<std::string> titles;
    while (next_level(loader, description)) {
        ++n;
        const std::string title = level_title(description);
        SCOPED_TRACE(level_name(n, description));
        snapshot(n, title, "start");

        // A title, an empty line and two or three lines of what to do, all
        // well inside the 640 pixels the description screen has from x = 20.
        // The first level has room for five: it teaches the keys and how the
        // beam takes the ball, which a new player cannot guess.
        std::vector<std::string> lines = lines_of(description);
        ASSERT_GE(lines.size(), 4u) << description;
        EXPECT_LE(lines.size(), n == 1 ? 7u : 5u) << description;
        EXPECT_FALSE(title.empty());
        EXPECT_TRUE(titles.insert(title).second) << "two levels share a title";
        EXPECT_EQ(lines[1], "");
        for (size_t i = 2; i < lines.size(); ++i)
            EXPECT_NE(lines[i].find_first_not_of(' '), std::string::npos) << "line " << i;
        for (const std::string& l : lines)
            EXPECT_LE(l.size(), 70u) << l;

        // Larger than the view, so that it scrolls.
        const int w = m_arena->width(), h = m_arena->height();
        EXPECT_TRUE(w * 32 > view_w || h * 32 > view_h) << w << " x " << h;

        // The ship starts clear of the walls, with room to fly.
        ship* s = the_ship();
        ASSERT_NE(s, nullptr);
        EXPECT_FALSE(m_arena->arena_collision(s->pic(), static_cast<int>(s->m_x), static_cast<int>(s->m_y), nullptr,
                                              nullptr, nullptr, nullptr, nullptr));
        const cell spawn = spawn_cell();
        room_map shut(*m_arena, true, false), opened(*m_arena, true, true);
        ASSERT_TRUE(shut.roomy(spawn)) << "spawn " << spawn;

        // Closed until the exit opens, even with every gate open; open after.
        auto outside = [&](const std::set<cell>& cells) {
            return std::any_of(cells.begin(), cells.end(), [&](const cell& c) { return !shut.inside(c); });
        };
        std::vector<cell> exits = tiles_of(*m_arena, {A_EXIT_BLOCK});
        std::set<cell> before = shut.reach(spawn), after = opened.reach(spawn);
        if (!exits.empty()) {
            EXPECT_FALSE(outside(before)) << "the ship can leave before the exit opens";
        }
        EXPECT_TRUE(outside(after)) << "no way out";
        // Every exit block is part of the plug: joined to the map's edge
        // through exit blocks.
        std::set<cell> plug(exits.begin(), exits.end()), joined;
        std::deque<cell> todo;
        for (const cell& c : exits) {
            if (c.x == 0 || c.y == 0 || c.x == w - 1 || c.y == h - 1) {
                joined.insert(c);
                todo.push_back(c);
            }
        }
        while (!todo.empty()) {
            cell c = todo.front();
            todo.pop_front();
            for (cell nb : {cell{c.x + 1, c.y}, cell{c.x - 1, c.y}, cell{c.x, c.y + 1}, cell{c.x, c.y - 1}}) {
                if (plug.count(nb) && joined.insert(nb).second)
                    todo.push_back(nb);
            }
        }
        EXPECT_EQ(joined.size(), plug.size()) << "an exit block away from the edge";

        // Something opens the exit: balls to sink, or a ufo to destroy.
        std::vector<cell> sources = tiles_of(*m_arena, {A_SOURCE}), sinks = tiles_of(*m_arena, {A_SINK});
        const int ufos = count_of<ufo>() + count_of<ast_ufo>();
        if (!exits.empty()) {
            EXPECT_TRUE(!sources.empty() || ufos > 0) << "nothing opens the exit";
        }
        EXPECT_EQ(sources.empty(), sinks.empty()) << "balls without sinks or sinks without balls";

        // Each ball can be taken from its source and carried to a sink with
        // room under the ship for the ball: the ship hovers above the ball
        // within the beam's reach, and then over a sink.
        auto above = [&](const cell& target, const std::set<cell>& cells) {
            for (int dy = 2; dy <= 3; ++dy) {
                if (cells.count({target.x, target.y - dy}))
                    return true;
            }
            return false;
        };
        for (const cell& src : sources) {
            EXPECT_FALSE(shut.free(src.x, src.y + 1)) << "the source at " << src << " lies on nothing";
            EXPECT_TRUE(above(src, before)) << "no hovering above the ball at " << src;
            // Carrying: the ball hangs into the second row under the ship.
            cell lift = {src.x, src.y - 2};
            std::set<cell> route = shut.reach(lift, 1);
            bool to_sink = std::any_of(sinks.begin(), sinks.end(), [&](const cell& t) {
                return route.count({t.x, t.y - 3}) > 0;
            });
            EXPECT_TRUE(to_sink) << "the ball at " << src << " cannot be carried to a sink";
        }
        for (const cell& t : sinks)
            EXPECT_FALSE(shut.free(t.x, t.y + 1)) << "the sink at " << t << " lies on nothing";

        // Buttons and turrets are fixed to a wall on their base side.
        const std::map<arena_t, cell> base_side = {
            {A_BUTTON_L, {-1, 0}}, {A_BUTTON_U, {0, -1}}, {A_BUTTON_R, {1, 0}}, {A_BUTTON_D, {0, 1}}};
        for (const auto& b : base_side) {
            for (const cell& c : tiles_of(*m_arena, {b.first}))
                EXPECT_FALSE(shut.free(c.x + b.second.x, c.y + b.second.y)) << "a button hangs in the air at " << c;
        }
        const std::map<std::string, cell> turret_base = {{"turret_up.png", {0, 1}},
                                                        {"turret_down.png", {0, -1}},
                                                        {"turret_left.png", {1, 0}},
                                                        {"turret_right.png", {-1, 0}}};
        for (turret* t : all_of<turret>()) {
            cell c = {static_cast<int>(t->m_x) / 32, static_cast<int>(t->m_y) / 32};
            bool based = false;
            for (const auto& b : turret_base) {
                if (t->pic() == m_game->m_bmp_pool.get_bitmap(b.first))
                    based = !shut.free(c.x + b.second.x, c.y + b.second.y);
            }
            EXPECT_TRUE(based) << "a turret hangs in the air at " << c;
        }

        // The enemies that meet walls start clear of them (a mine would go
        // off at once), and every enemy starts on the map but the asteroid
        // ufo, which comes from beyond its right edge.
        for (enemy* e : all_of<enemy>()) {
            if (dynamic_cast<ast_ufo*>(e))
                continue;
            EXPECT_TRUE(e->x_centre() > 0 && e->x_centre() < w * 32 && e->y_centre() > 0 && e->y_centre() < h * 32)
                << "an enemy off the map at " << e->x_centre() << ", " << e->y_centre();
            if (dynamic_cast<turret*>(e) || dynamic_cast<ufo*>(e) || dynamic_cast<invader*>(e))
                continue;
            EXPECT_FALSE(m_arena->arena_collision(e->pic(), static_cast<int>(e->m_x), static_cast<int>(e->m_y),
                                                  nullptr, nullptr, nullptr, nullptr, nullptr))
                << "an enemy in a wall at " << e->x_centre() << ", " << e->y_centre();
        }

        // The ship can lift itself against the level's gravity.
        EXPECT_GT(m_arena->gravity(), 0);
        EXPECT_LT(m_arena->gravity(), engine_types()[ET_PIFFLER].thrust / calc_ship_mass() / 2);
    }
    EXPECT_GE(n, 6) << "levels in the file";
    EXPECT_TRUE(loader.end_of_file());
}

TEST_F(shipped_levels, between_them_the_levels_show_everything_the_game_has)
{
    // Every map character that gives a tile, and the four turrets.
    const std::map<std::string, char> turrets = {
        {"turret_up.png", 'U'}, {"turret_down.png", 'D'}, {"turret_left.png", 'L'}, {"turret_right.png", 'R'}};
    auto character = [](char c) { return std::string("map character ") + c; };
    level_loader loader("levels/levels.txt");
    std::string description;
    std::set<std::string> met;
    int n = 0;
    while (next_level(loader, description)) {
        ++n;
        SCOPED_TRACE(level_name(n, description));
        for (const auto& t : map_characters) {
            if (!tiles_of(*m_arena, {t.second}).empty())
                met.insert(character(t.first));
        }
        for (turret* t : all_of<turret>()) {
            for (const auto& pic : turrets) {
                if (t->pic() == m_game->m_bmp_pool.get_bitmap(pic.first))
                    met.insert(character(pic.second));
            }
        }
        const std::vector<std::pair<std::string, int> > enemies = {
            {"turrets", count_of<turret>()},   {"bobblers", count_of<bobbler>()}, {"miners", count_of<miner>()},
            {"graldors", count_of<graldor>()}, {"invaders", count_of<invader>()}, {"ufos", count_of<ufo>()},
            {"asteroids", count_of<asteroid>()}, {"asteroid ufos", count_of<ast_ufo>()},
        };
        for (const auto& e : enemies) {
            if (e.second > 0)
                met.insert(e.first);
        }
        if (n == 1) {
            EXPECT_EQ(count_of<enemy>(), count_of<turret>()) << "a gentle start: turrets at most";
        }
        if (m_arena->gravity() != default_gravity || std::fabs(measured_air_resistance(*m_arena) - 1) > 1e-3)
            met.insert("other physics");
        // A kicked gate starts to open by itself.
        std::vector<cell> closed = tiles_of(*m_arena, {A_VGATE_CLOSED, A_HGATE_CLOSED});
        frames(10);
        for (const cell& c : closed) {
            if (m_arena->get(c.x, c.y) != A_VGATE_CLOSED && m_arena->get(c.x, c.y) != A_HGATE_CLOSED)
                met.insert("kicks");
        }
    }
    std::set<std::string> everything = {"kicks",    "turrets",   "bobblers",      "miners",       "graldors",
                                        "invaders", "asteroids", "asteroid ufos", "other physics", "ufos"};
    for (const auto& t : map_characters)
        everything.insert(character(t.first));
    for (const auto& pic : turrets)
        everything.insert(character(pic.second));
    for (const std::string& thing : everything)
        EXPECT_TRUE(met.count(thing)) << "no level shows " << thing;
}

TEST_F(shipped_levels, every_level_flies_in_the_physics_it_sets_itself)
{
    // A level that changes gravity or air resistance leaves them changed for
    // the levels after it; each level must fly as it does when played first.
    level_loader loader("levels/levels.txt");
    std::string description;
    int n = 0;
    while (next_level(loader, description)) {
        ++n;
        SCOPED_TRACE(level_name(n, description));
        const float gravity = m_arena->gravity(), air = measured_air_resistance(*m_arena);
        arena alone;
        ASSERT_TRUE(load_alone(n, alone, description));
        EXPECT_EQ(gravity, alone.gravity());
        EXPECT_NEAR(air, measured_air_resistance(alone), 1e-3);
        m_game->m_arena = m_arena.get();
    }
}

TEST_F(shipped_levels, every_button_works_gates_and_every_gate_is_worked)
{
    level_loader loader("levels/levels.txt");
    std::string description;
    int n = 0;
    const std::vector<arena_t> buttons = {A_BUTTON_L, A_BUTTON_U, A_BUTTON_R, A_BUTTON_D};
    const std::vector<arena_t> gates = {A_VGATE_CLOSED, A_VGATE_OPEN, A_HGATE_CLOSED, A_HGATE_OPEN};
    while (next_level(loader, description)) {
        ++n;
        SCOPED_TRACE(level_name(n, description));
        // What the gates do by themselves: the kicked ones open.
        auto settled = [&](arena& a) {
            for (int i = 0; i < 10; ++i)
                step(a);
            std::map<cell, arena_t> state;
            for (const cell& c : tiles_of(a, gates))
                state[c] = a.get(c.x, c.y);
            return state;
        };
        std::map<cell, arena_t> as_built;
        for (const cell& c : tiles_of(*m_arena, gates))
            as_built[c] = m_arena->get(c.x, c.y);
        std::set<cell> worked;
        {
            arena a;
            ASSERT_TRUE(load_alone(n, a, description));
            for (const auto& g : settled(a)) {
                if (g.second != as_built[g.first])
                    worked.insert(g.first);
            }
        }
        // Each button, pressed by a shot in a fresh copy of the level.
        for (const cell& b : tiles_of(*m_arena, buttons)) {
            arena a;
            ASSERT_TRUE(load_alone(n, a, description));
            const std::map<cell, arena_t> before = settled(a);
            shot* s = new shot("shot.png", 1.0f, 0, shot_det, nullptr);
            s->teleport_centre(centre_of(b.x), centre_of(b.y));
            a.add_mover(s);
            std::map<cell, arena_t> after = settled(a);
            int moved = 0;
            for (const auto& g : before) {
                if (after[g.first] != g.second) {
                    ++moved;
                    worked.insert(g.first);
                }
            }
            EXPECT_GT(moved, 0) << "the button at " << b << " works no gate";
        }
        for (const auto& g : as_built)
            EXPECT_TRUE(worked.count(g.first)) << "nothing moves the gate at " << g.first;
        m_game->m_arena = m_arena.get();
    }
}

TEST_F(shipped_levels, the_coins_buy_a_better_gun_by_the_middle_and_a_strong_fitting_by_the_end)
{
    // What the levels pay a player who catches every coin of the enemies
    // the ship's affordable guns can kill: a bobbler drops one coin, a large
    // asteroid four (through its pieces), an asteroid ufo twenty. The ufo
    // boss shrugs off the peashooter and the rapishooter and is not counted.
    const int coin = 50;
    auto price = [](weapon_id from, weapon_id to) { return weapon_types()[to].cost - weapon_types()[from].cost; };
    // By the middle: a rapishooter for the peashooter, and a generator to
    // feed it.
    const int better_gun = price(WT_PEASHOOTER, WT_RAPISHOOTER) + system_types()[ST_GENERATOR].cost;
    // By the end: that, then a second rapishooter beside the nose and the
    // Generator++ for the generator (the shop pays a system's price back).
    const int strong_fitting = better_gun + price(WT_NOTHING, WT_RAPISHOOTER) +
                               system_types()[ST_SUPERGENERATOR].cost - system_types()[ST_GENERATOR].cost;

    level_loader loader("levels/levels.txt");
    std::string description;
    std::vector<int> paid, shops;
    while (next_level(loader, description)) {
        paid.push_back(coin * (count_of<bobbler>() + 4 * count_of<asteroid>() + 20 * count_of<ast_ufo>()));
        shops.push_back(static_cast<int>(tiles_of(*m_arena, {A_SHOP}).size()));
    }
    ASSERT_GE(paid.size(), 2u);
    const size_t middle = (paid.size() + 1) / 2;
    int earned = 0, first_shop = 0;
    for (size_t i = 0; i < paid.size(); ++i) {
        earned += paid[i];
        if (shops[i] > 0 && first_shop == 0)
            first_shop = static_cast<int>(i) + 1;
        if (i + 1 == middle) {
            EXPECT_GE(earned, better_gun) << "the coins of levels 1 to " << middle;
        }
    }
    EXPECT_GE(earned, strong_fitting) << "the coins of the whole campaign";
    // A shop to spend them in by the middle, and one in the last level.
    EXPECT_GT(first_shop, 0) << "no shop";
    EXPECT_LE(first_shop, static_cast<int>(middle)) << "the first shop";
    EXPECT_GT(shops.back(), 0) << "no shop in the last level";
}

TEST_F(shipped_levels, a_ufo_patrols_where_a_well_armed_ship_can_fight_it)
{
    // The peashooter cannot hurt a ufo; better guns will. Wherever its
    // patrol takes it, the ship can come within a gun's reach of it.
    level_loader loader("levels/levels.txt");
    std::string description;
    int n = 0, ufos = 0;
    while (next_level(loader, description)) {
        ++n;
        SCOPED_TRACE(level_name(n, description));
        if (!first_living<ufo>())
            continue;
        ++ufos;
        const cell spawn = spawn_cell();
        room_map rooms(*m_arena, true, false);
        std::set<cell> reach = rooms.reach(spawn);
        float left = 1e9f, right = -1e9f;
        for (int i = 0; i < 1500; ++i) {
            status().invulnerability = MAX_INVULNERABILITY;
            frame();
            ufo* u = first_living<ufo>();
            ASSERT_NE(u, nullptr);
            left = std::min(left, u->x_centre());
            right = std::max(right, u->x_centre());
            if (i % 25 != 0)
                continue;
            bool in_reach = std::any_of(reach.begin(), reach.end(), [&](const cell& c) {
                return std::hypot(centre_of(c.x) - u->x_centre(), centre_of(c.y) - u->y_centre()) < 240;
            });
            EXPECT_TRUE(in_reach) << "the ufo at " << u->x_centre() << ", " << u->y_centre();
            EXPECT_GT(u->y_centre(), 0);
        }
        EXPECT_GT(right - left, 32 * 10) << "it patrols";
        EXPECT_GE(left, 0);
        EXPECT_LE(right, 32 * m_arena->width());
    }
    EXPECT_GT(ufos, 0) << "a level with a ufo boss";
}

// --------------------------------------------------------------- flight

namespace {
// A scripted player: flies by the five control flags along routes planned
// over the tiles, shoots, presses buttons, tows balls and leaves.
class flown_levels : public shipped_levels {
protected:
    // One frame as the play loop runs it, with the controls already set.
    void play_frame()
    {
        player_status& s = status();
        // The step the replay of the recorded run takes too.
        m_run.before_frame(*m_game);
        recorded_run::step(*m_game);
        if (m_invulnerable) {
            m_run.cheat("invulnerable");
            s.invulnerability = MAX_INVULNERABILITY;
        }
        m_run.after_frame(*m_game);
        ++m_frames;
        // The ship only ever goes round walls: its centre never stands in
        // a solid cell or on a closed gate's bar.
        ship* sh = the_ship();
        if (sh && m_walls_crossed == 0 && sh->x_centre() >= 0 && sh->y_centre() >= 0 &&
            sh->x_centre() < 32 * m_arena->width() && sh->y_centre() < 32 * m_arena->height()) {
            arena_t t = m_arena->get(static_cast<int>(sh->x_centre()) / 32, static_cast<int>(sh->y_centre()) / 32);
            if (t == A_BLOCK || t == A_EXIT_BLOCK || t == A_VGATE_CLOSED || t == A_HGATE_CLOSED) {
                ++m_walls_crossed;
                ADD_FAILURE() << "the ship is inside a wall at " << sh->x_centre() << ", " << sh->y_centre();
            }
        }
    }
    void release() { m_game->m_key_flags = {false, false, false, false, false}; }

    // Turns the nose towards angle (signed, clockwise from up).
    void turn_to(float angle)
    {
        ship* s = the_ship();
        float diff = wrap(angle - signed_angle(*s));
        m_game->m_key_flags.right = diff > 0.05f;
        m_game->m_key_flags.left = diff < -0.05f;
    }
    // Sets the flags for the coming frame to move towards (tx, ty), no
    // faster than vmax: tilt for the push across that the error in speed
    // asks for, thrust whenever the ship sinks faster than it should.
    void steer(float tx, float ty, float vmax, float tilt_max)
    {
        release();
        ship* s = the_ship();
        if (!s)
            return;
        float ex = tx - s->x_centre(), ey = ty - s->y_centre();
        float d = std::hypot(ex, ey);
        float speed = std::min(vmax, 0.5f * d);
        float want_dx = d > 0 ? ex / d * speed : 0, want_dy = d > 0 ? ey / d * speed : 0;
        // The thrust that holds the height pushes across by gravity times the
        // tangent of the tilt: under weak gravity the ship leans further for
        // the same push.
        float g = std::max(m_arena->gravity(), 5.0f);
        float cap = std::atan(std::tan(tilt_max) * default_gravity / g);
        turn_to(clamp(std::atan(1.5f * (want_dx - s->m_dx) / g), -cap, cap));
        m_game->m_key_flags.up = s->m_dy > want_dy && std::cos(signed_angle(*s)) > 0.3f;
    }
    // The nose on angle while the thrust holds the height hold_y as well as
    // it can from there.
    void aim(float angle, float hold_y)
    {
        release();
        ship* s = the_ship();
        if (!s)
            return;
        turn_to(angle);
        float want_dy = clamp(0.8f * (hold_y - s->y_centre()), -40, 40);
        m_game->m_key_flags.up = s->m_dy > want_dy && std::cos(signed_angle(*s)) > 0.4f;
    }

    bool near(float x, float y, float within, float speed = 15)
    {
        ship* s = the_ship();
        return s && std::fabs(s->x_centre() - x) < within && std::fabs(s->y_centre() - y) < within &&
               std::fabs(s->m_dx) < speed && std::fabs(s->m_dy) < speed;
    }

    cell ship_cell()
    {
        ship* s = the_ship();
        return {static_cast<int>(std::floor(s->x_centre() / 32)), static_cast<int>(std::floor(s->y_centre() / 32))};
    }

    // The rooms as they stand, keeping clear of the mines and the cells
    // about them: a mine goes off at a touch.
    std::unique_ptr<room_map> live_rooms()
    {
        std::unique_ptr<room_map> rooms(new room_map(*m_arena, false, false));
        for (miner* m : all_of<miner>()) {
            cell c = {static_cast<int>(m->x_centre()) / 32, static_cast<int>(m->y_centre()) / 32};
            for (int dx = -1; dx <= 1; ++dx) {
                for (int dy = -1; dy <= 1; ++dy)
                    rooms->block({c.x + dx, c.y + dy});
            }
        }
        return rooms;
    }

    // A route from the ship to a cell where goal holds, through cells roomy
    // for the ship (and, below it, for a towed ball).
    std::vector<cell> plan(const room_map& rooms, const std::function<bool(const cell&)>& goal, int below)
    {
        return rooms.path(start_of(rooms, below), goal, below);
    }
    // The roomy cell nearest to the ship: near a wall its own cell may be
    // tight.
    cell start_of(const room_map& rooms, int below)
    {
        ship* s = the_ship();
        cell here = ship_cell();
        cell start = here;
        float best = 1e9f;
        for (int dx = -2; dx <= 2; ++dx) {
            for (int dy = -2; dy <= 2; ++dy) {
                cell c = {here.x + dx, here.y + dy};
                float d = std::hypot(centre_of(c.x) - s->x_centre(), centre_of(c.y) - s->y_centre());
                if (rooms.roomy(c, below) && d < best) {
                    best = d;
                    start = c;
                }
            }
        }
        return start;
    }

    // Flies along a planned route to (tx, ty) and stops there; false when
    // it gets there neither within limit frames nor by any route.
    bool fly_to(float tx, float ty, float within = 10, int below = 0, float vmax = 70, int limit = 3000)
    {
        cell goal = {static_cast<int>(std::floor(tx / 32)), static_cast<int>(std::floor(ty / 32))};
        return follow([&](const cell& c) { return c == goal; }, tx, ty, below, vmax, limit,
                      [&] { return near(tx, ty, within); });
    }
    // Out of the map by a planned route.
    bool leave(int limit = 3000)
    {
        room_map rooms(*m_arena, false, false);  // only its size
        return follow([&](const cell& c) { return !rooms.inside(c); }, -1, -1, 0, 70, limit,
                      [&] { return m_arena->level_complete(); });
    }
    // Follows a route to a cell where goal holds until done; the route's
    // last point is (tx, ty), or that cell's centre when tx is negative.
    // each_frame, when given, may change the flags after the steering;
    // otherwise the ship guards itself when m_guard is set.
    bool follow(const std::function<bool(const cell&)>& goal, float tx, float ty, int below, float vmax, int limit,
                const std::function<bool()>& done, const std::function<void()>& each_frame = nullptr)
    {
        std::vector<cell> route;
        size_t next = 0;
        int replan = 0;
        const float tilt = below > 0 ? 0.25f : 0.5f;
        std::unique_ptr<room_map> rooms;
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            ship* s = the_ship();
            if (!s) {
                release();
                play_frame();
                continue;
            }
            if (replan-- <= 0) {
                rooms = live_rooms();
                route = plan(*rooms, goal, below);
                next = 0;
                replan = 25;
                if (route.empty()) {
                    ADD_FAILURE() << "no route from " << ship_cell() << " through\n" << rooms->picture(below);
                    return false;
                }
            }
            if (next + 1 < route.size() &&
                std::hypot(centre_of(route[next].x) - s->x_centre(), centre_of(route[next].y) - s->y_centre()) < 12)
                ++next;
            // The farthest point of the route in plain sight.
            size_t j = route.size() - 1;
            while (j > next && !rooms->clear_line(s->x_centre(), s->y_centre(), centre_of(route[j].x),
                                                  centre_of(route[j].y), below))
                --j;
            next = j;
            float px = centre_of(route[j].x), py = centre_of(route[j].y);
            if (j == route.size() - 1 && tx >= 0) {
                px = tx;
                py = ty;
            }
            steer(px, py, vmax, tilt);
            if (each_frame)
                each_frame();
            else if (m_guard)
                guard();
            play_frame();
        }
        return done();
    }

    // Hovers at (x, y) until done holds.
    bool hold(float x, float y, const std::function<bool()>& done, int limit = 500)
    {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            steer(x, y, 40, 0.4f);
            if (m_guard)
                guard();
            play_frame();
        }
        return done();
    }

    // Whether m is still one of the arena's living movers of type T.
    template <typename T>
    bool alive(mover* m)
    {
        for (T* t : all_of<T>()) {
            if (t == m)
                return !t->is_dead();
        }
        return false;
    }

    // Fires when the nose points at the target (led for its speed and the
    // ship's, which the shot takes along) and it is in reach; gives the
    // angle to point at.
    float fire_at(mover* t, bool single)
    {
        ship* s = the_ship();
        float dx = t->x_centre() - s->x_centre(), dy = t->y_centre() - s->y_centre();
        // The shot flies at 300 pixels per second plus the ship's velocity:
        // it meets the target after the time t for which |d + v t| = 300 t,
        // v the target's velocity against the ship's.
        const float vx = t->m_dx - s->m_dx, vy = t->m_dy - s->m_dy;
        const float a = vx * vx + vy * vy - 300.0f * 300.0f, b = 2 * (dx * vx + dy * vy), c = dx * dx + dy * dy;
        const float flight = first_root(a, b, c);
        dx += vx * flight;
        dy += vy * flight;
        float angle = std::atan2(dx, -dy);
        bool in_flight = single && count_of<shot>() > 0;
        m_game->m_key_flags.fire =
            !in_flight && std::fabs(wrap(angle - signed_angle(*s))) < 0.06f && std::hypot(dx, dy) < 250;
        return angle;
    }

    // The smallest positive root of a t^2 + b t + c, or 0 when there is none.
    static float first_root(float a, float b, float c)
    {
        if (std::fabs(a) < 1e-3f)
            return b < 0 ? -c / b : 0;
        const float disc = b * b - 4 * a * c;
        if (disc < 0)
            return 0;
        const float r1 = (-b - std::sqrt(disc)) / (2 * a), r2 = (-b + std::sqrt(disc)) / (2 * a);
        const float lo = std::min(r1, r2), hi = std::max(r1, r2);
        return lo > 0 ? lo : hi > 0 ? hi : 0;
    }

    // From about (hx, hy), fires at the target until it is gone; single
    // shots (one in flight at a time) when single is set.
    bool shoot(const std::function<mover*()>& target, float hx, float hy, int limit = 2000, bool single = false)
    {
        for (int i = 0; i < limit; ++i) {
            mover* t = target();
            if (!t)
                return true;
            ship* s = the_ship();
            if (!s) {
                release();
                play_frame();
                continue;
            }
            if (std::hypot(s->x_centre() - hx, s->y_centre() - hy) > 48) {
                // There by a planned route, firing on the way when the
                // nose happens to point at it.
                cell goal = {static_cast<int>(std::floor(hx / 32)), static_cast<int>(std::floor(hy / 32))};
                int start = m_frames;
                follow([&](const cell& c) { return c == goal; }, hx, hy, 0, 50, limit - i,
                       [&] {
                           ship* now = the_ship();
                           return !target() || (now && std::hypot(now->x_centre() - hx, now->y_centre() - hy) < 32);
                       },
                       [&] {
                           if (mover* now = target())
                               fire_at(now, single);
                           if (m_guard)
                               defend();
                       });
                // No route there: give up rather than spin without a frame.
                if (m_frames == start)
                    break;
                i += m_frames - start;
                continue;
            }
            float angle = fire_at(t, single);
            bool fire = m_game->m_key_flags.fire;
            aim(angle, hy);
            m_game->m_key_flags.fire = fire;
            if (m_guard)
                defend();
            play_frame();
        }
        release();
        return target() == nullptr;
    }

    // Fires at the nearest enemy that shots can hurt, when the nose
    // happens to point at it: the defence of a ship on its way.
    void guard()
    {
        if (!the_ship() || defend())
            return;
        // Mines, graldors and the ufo shrug off the peashooter.
        if (enemy* nearest = nearest_living<enemy>(220, [](enemy* e) { return e->dam_red() == 0; }))
            fire_at(nearest, false);
    }
    // A graldor's hunter comes straight at the ship and costs three points
    // of shield when it hits: turn to meet the nearest one and fire as the
    // nose comes round. True when one is near enough to take the controls.
    bool defend()
    {
        baby_graldor* hunter = nearest_living<baby_graldor>(m_towing ? 220 : 400);
        if (!hunter)
            return false;
        const float angle = fire_at(hunter, false);
        const bool fire = m_game->m_key_flags.fire;
        turn_to(angle);
        m_game->m_key_flags.fire = fire;
        return true;
    }

    // Presses a button from about (hx, hy), one shot at a time: a shot that
    // lands shows only in the next frame, and a second one arriving after
    // the button's short animation would press it again.
    bool press(const cell& button, float hx, float hy)
    {
        const arena_t rest = m_arena->get(button.x, button.y);
        // A stand-in target on the button's knob.
        test_block knob("shot.png");
        knob.teleport_centre(centre_of(button.x), centre_of(button.y));
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (!shoot([&]() -> mover* { return count_of<shot>() > 0 ? nullptr : &knob; }, hx, hy, 800, true))
                return false;
            bool pressed = false;
            int after = 0;
            hold(hx, hy, [&] {
                pressed = pressed || m_arena->get(button.x, button.y) != rest;
                after = count_of<shot>() == 0 ? after + 1 : 0;
                return after > 2;
            }, 100);
            if (pressed) {
                // Let its gates finish moving.
                hold(hx, hy, [] { return false; }, 8);
                return true;
            }
        }
        return false;
    }

    // The centre of the first roomy cell below the point (x, y), a place to
    // shoot upwards from.
    std::pair<float, float> under(float x, float y)
    {
        room_map rooms(*m_arena, false, false);
        cell c = {static_cast<int>(x) / 32, static_cast<int>(y) / 32 + 2};
        while (c.y < m_arena->height() && !rooms.roomy(c))
            ++c.y;
        return {centre_of(c.x), centre_of(c.y)};
    }

    // The ball lying on a source.
    ball* ball_on(const cell& source)
    {
        for (ball* b : all_of<ball>()) {
            if (b->m_x == source.x * 32.0f && b->m_y == source.y * 32.0f)
                return b;
        }
        return nullptr;
    }

    // Takes the ball from its source with the beam and lowers it into the
    // sink; tries again when it crashes on the way.
    bool tow(const cell& source, const cell& sink, int attempts = 3)
    {
        ball* b = ball_on(source);
        if (!b) {
            ADD_FAILURE() << "no ball on " << source;
            return false;
        }
        auto sunk = [&] { return !alive<ball>(b) || (b->is_stuck() && ball_on(source) != b); };
        for (int attempt = 0; attempt < attempts; ++attempt) {
            // Above the ball, still, then the beam.
            float px = centre_of(source.x) + 8, py = centre_of(source.y) - 64;
            if (!fly_to(px, py, 8))
                return false;
            // The beam takes the nearest thing it can: let the coins about
            // fall away first.
            hold(px, py, [&] {
                ship* s = the_ship();
                for (coin* c : all_of<coin>()) {
                    if (s && std::hypot(c->x_centre() - s->x_centre(), c->y_centre() - s->y_centre()) < 120)
                        return false;
                }
                return true;
            }, 750);
            m_game->m_key_flags.tractor = true;
            play_frame();
            release();
            if (b->is_stuck()) {
                // It took something else: let go, and once more.
                m_game->m_key_flags.tractor = true;
                play_frame();
                release();
                continue;
            }
            bool crashed = false;
            // A crash puts the ball back on its source, stuck.
            auto lost = [&] {
                crashed = crashed || (ball_on(source) == b && b->is_stuck());
                return crashed;
            };
            // Over the sink, slowly, with room under the ship for the
            // swinging ball: three rows where the level has them, else two.
            int below = 2;
            std::unique_ptr<room_map> rooms = live_rooms();
            auto over_sink = [&](const cell& c) { return c == cell{sink.x, sink.y - 2 - below}; };
            if (plan(*rooms, over_sink, below).empty())
                below = 1;
            float sx = centre_of(sink.x) + 8, sy = centre_of(sink.y - 2 - below);
            // Turning to meet a hunter sets the ball swinging: only one
            // close by turns the ship meanwhile.
            m_towing = true;
            follow(over_sink, sx, sy, below, 35, 3000, [&] { return lost() || near(sx, sy, 12); });
            m_towing = false;
            if (crashed)
                continue;
            // Down into it.
            for (int i = 0; i < 600 && !sunk() && !lost(); ++i) {
                steer(sx, centre_of(sink.y) - 40, 15, 0.2f);
                play_frame();
            }
            if (sunk())
                return true;
        }
        ADD_FAILURE() << "the ball from " << source << " never sank";
        return false;
    }

    // Catches every coin it can within limit frames, or until the money
    // reaches stop_at; the money must reach at_least.
    void collect_coins(int at_least, int limit = 1500, int stop_at = INT_MAX)
    {
        catch_coins(stop_at, limit);
        EXPECT_GE(status().money, at_least) << "coins caught";
    }
    // Catches coins until the money reaches target, or none is left: in the
    // lowest cell the ship can reach in a coin's column, where the coin
    // passes on its way down and again after each bounce on the map's floor;
    // the coin whose catching place is nearest first. Gives up at once when
    // no coin comes where the ship can go, unless told to wait for one.
    void catch_coins(int target, int limit, bool wait = true)
    {
        const int until = m_frames + limit;
        while (m_frames < until && status().money < target && first_living<coin>()) {
            ship* s = the_ship();
            coin* chosen = nullptr;
            cell at = {0, 0};
            float best = 1e9f;
            float meet_x = 0;
            std::unique_ptr<room_map> rooms = live_rooms();
            const std::set<cell> reach = s ? rooms->reach(start_of(*rooms, 0)) : std::set<cell>();
            for (coin* c : s ? all_of<coin>() : std::vector<coin*>()) {
                if (c->is_dead())
                    continue;
                // Where it drifts to while the ship gets there.
                const float lead = std::fabs(c->x_centre() - s->x_centre()) / 80 + 0.5f;
                const float cx = clamp(c->x_centre() + c->m_dx * lead, 0, m_arena->width() * 32.0f - 1);
                const int x = static_cast<int>(std::floor(cx / 32));
                for (int y = m_arena->height() - 1; y >= 0; --y) {
                    if (!reach.count({x, y}))
                        continue;
                    const float d = std::hypot(centre_of(x) - s->x_centre(), centre_of(y) - s->y_centre());
                    if (d < best) {
                        best = d;
                        chosen = c;
                        at = {x, y};
                        meet_x = cx;
                    }
                    break;
                }
            }
            if (!chosen) {
                // None comes where the ship can go: wait for one that does.
                if (!wait)
                    return;
                release();
                play_frame();
                continue;
            }
            follow([&](const cell& c) { return c == at; }, meet_x, centre_of(at.y), 0, 90,
                   std::min(10, until - m_frames),
                   [&] { return !alive<coin>(chosen) || status().money >= target; });
        }
    }

    // The one source and the one sink of the level.
    std::pair<cell, cell> source_and_sink()
    {
        std::vector<cell> sources = tiles_of(*m_arena, {A_SOURCE}), sinks = tiles_of(*m_arena, {A_SINK});
        EXPECT_EQ(sources.size(), 1u);
        EXPECT_EQ(sinks.size(), 1u);
        return {sources.at(0), sinks.at(0)};
    }
    bool tow_the_ball()
    {
        std::pair<cell, cell> ends = source_and_sink();
        return tow(ends.first, ends.second);
    }
    // Shoots the enemy from (hx, hy) until it dies.
    template <typename T>
    bool shoot_down(T* e, float hx, float hy, int limit = 2000)
    {
        return shoot([&]() -> mover* { return alive<T>(e) ? e : nullptr; }, hx, hy, limit);
    }
    template <typename T>
    bool shoot_from_below(T* e)
    {
        std::pair<float, float> at = under(e->x_centre(), e->y_centre());
        return shoot_down(e, at.first, at.second);
    }

    // A place to shoot at (x, y) from: a roomy cell the ship can reach,
    // 64 to 200 pixels below or beside it in plain sight (the nose points
    // no lower than 60 degrees from up), the nearest to the ship; the
    // ship's own place when there is none.
    std::pair<float, float> stand_for(float x, float y)
    {
        ship* s = the_ship();
        std::unique_ptr<room_map> rooms = live_rooms();
        cell here = ship_cell();
        std::set<cell> reach;
        for (int dx = -2; dx <= 2 && reach.empty(); ++dx) {
            for (int dy = -2; dy <= 2 && reach.empty(); ++dy)
                reach = rooms->reach({here.x + dx, here.y + dy});
        }
        // Failing a good place, the reachable cell nearest to it, to wait
        // there for it to come out.
        std::pair<float, float> best = {s->x_centre(), s->y_centre()};
        float best_d = 1e9f, nearest = 1e9f;
        for (const cell& c : reach) {
            float d = std::hypot(centre_of(c.x) - x, centre_of(c.y) - y);
            if (d < nearest) {
                nearest = d;
                best = {centre_of(c.x), centre_of(c.y)};
            }
        }
        for (const cell& c : reach) {
            float cx = centre_of(c.x), cy = centre_of(c.y);
            float d = std::hypot(cx - x, cy - y);
            if (d < 64 || d > 200 || std::atan2(std::fabs(cx - x), cy - y) > 1.05f)
                continue;
            bool seen = true;
            for (int i = 0; i <= 25 && seen; ++i) {
                float px = cx + (x - cx) * i / 25, py = cy + (y - cy) * i / 25;
                seen = rooms->free(static_cast<int>(std::floor(px / 32)), static_cast<int>(std::floor(py / 32)));
            }
            if (!seen)
                continue;
            float to_ship = std::hypot(cx - s->x_centre(), cy - s->y_centre());
            if (to_ship < best_d) {
                best_d = to_ship;
                best = {cx, cy};
            }
        }
        return best;
    }
    // Shoots every living T, the nearest first; false when some are left
    // after limit frames.
    template <typename T>
    bool shoot_all(int limit, bool catching = false)
    {
        const int until = m_frames + limit;
        while (m_frames < until) {
            // The coins of the last ones first, before they burst.
            if (catching && first_living<coin>()) {
                const int before = m_frames;
                catch_coins(INT_MAX, std::min(until - m_frames, 250), false);
                if (m_frames > before)
                    continue;
            }
            ship* s = the_ship();
            if (!s) {
                release();
                play_frame();
                continue;
            }
            T* nearest = nearest_living<T>();
            if (!nearest)
                return true;
            std::pair<float, float> at = stand_for(nearest->x_centre(), nearest->y_centre());
            const int before = m_frames;
            shoot_down(nearest, at.first, at.second, 200);
            if (m_frames == before)
                play_frame();
        }
        return !first_living<T>();
    }

    // Flies onto the shop tile of the level from above until the shop
    // opens; then up and away while the tiles still let the ship pass.
    // Onto the shop tile until the shop opens; the purchases are made in
    // that very moment, as the game opens the shop before the next frame.
    bool visit_shop(const std::function<void()>& purchases)
    {
        std::vector<cell> shops = tiles_of(*m_arena, {A_SHOP});
        if (shops.empty()) {
            ADD_FAILURE() << "no shop";
            return false;
        }
        const cell c = shops[0];
        if (!fly_to(centre_of(c.x), centre_of(c.y - 2), 10))
            return false;
        for (int i = 0; i < 300; ++i) {
            steer(centre_of(c.x), centre_of(c.y), 20, 0.3f);
            play_frame();
            if (status().in_shop) {
                purchases();
                hold(centre_of(c.x), centre_of(c.y - 2), [] { return false; }, 40);
                return true;
            }
        }
        ADD_FAILURE() << "the shop never opened";
        return false;
    }
    // What the shop's weapons page does on Buy: the mount takes the weapon
    // for the difference in price.
    void buy_weapon(int mount, weapon_id w)
    {
        weapon_mount& m = m_game->m_weapon_mounts.at(static_cast<size_t>(mount));
        const int price = weapon_types()[w].cost - weapon_types()[m.type].cost;
        ASSERT_LE(price, status().money) << "money for " << weapon_types()[w].name;
        status().money -= price;
        m.type = w;
    }
    // What the systems page does on Buy: the full price, the old system's
    // price back.
    void buy_system(int slot, system_id id)
    {
        system_id& now = m_game->m_systems.at(static_cast<size_t>(slot));
        const int price = system_types()[id].cost;
        ASSERT_LE(price, status().money) << "money for " << system_types()[id].name;
        status().money += system_types()[now].cost - price;
        now = id;
        status().max_energy = calc_ship_battery();
    }
    // Presses each button of the given types from a place beside and below it.
    void press_all(const std::vector<arena_t>& types)
    {
        for (const cell& b : tiles_of(*m_arena, types)) {
            std::pair<float, float> at = stand_for(centre_of(b.x), centre_of(b.y));
            ASSERT_TRUE(press(b, at.first, at.second)) << "the button at " << b;
        }
    }

public:
    // The scripts, one per level: each flies the level up to its way out.
    void first_flight()
    {
        // The turret in the tunnel, from right below it, then the ball.
        turret* t = first_living<turret>();
        ASSERT_NE(t, nullptr);
        const int score = status().score;
        ASSERT_TRUE(shoot_from_below(t));
        EXPECT_EQ(status().score, score + 200);
        ASSERT_TRUE(tow_the_ball());
        EXPECT_EQ(status().score, score + 1200);
        EXPECT_TRUE(tiles_of(*m_arena, {A_EXIT_BLOCK, A_SINK}).empty()) << "the exit opens";
    }

    void gatekeeper()
    {
        std::vector<cell> buttons = tiles_of(*m_arena, {A_BUTTON_U});
        ASSERT_EQ(buttons.size(), 2u);
        const cell cave_button = buttons[0], hall_button = buttons[1];
        // The cave's button opens the gates ahead; those of the way out
        // were kicked open as the level began.
        std::pair<float, float> at = under(centre_of(cave_button.x), centre_of(cave_button.y));
        ASSERT_TRUE(press(cave_button, at.first, at.second));
        EXPECT_TRUE(tiles_of(*m_arena, {A_VGATE_CLOSED}).empty()) << "every upright gate stands open";
        // A turret waits in the hall's roof.
        turret* t = first_living<turret>();
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(shoot_from_below(t));
        // The hall's button opens the pit and shuts the way out...
        const size_t open = tiles_of(*m_arena, {A_VGATE_OPEN}).size();
        at = under(centre_of(hall_button.x), centre_of(hall_button.y));
        ASSERT_TRUE(press(hall_button, at.first, at.second));
        EXPECT_TRUE(tiles_of(*m_arena, {A_HGATE_CLOSED}).empty()) << "the pit stands open";
        EXPECT_EQ(tiles_of(*m_arena, {A_VGATE_OPEN}).size(), open - 4) << "the way out shuts";
        ASSERT_TRUE(tow_the_ball());
        snapshot(m_level, "Gatekeeper", "exit_open");
        // ...and once more, after the ball, opens the way out again.
        ASSERT_TRUE(press(hall_button, at.first, at.second));
        EXPECT_EQ(tiles_of(*m_arena, {A_VGATE_OPEN}).size(), open);
    }

    void pipeworks()
    {
        // Down the winding cave, shooting each roof turret from right
        // below it on the way; the one in the floor is passed over.
        std::vector<turret*> roof;
        for (turret* t : all_of<turret>()) {
            if (t->pic() == m_game->m_bmp_pool.get_bitmap("turret_down.png"))
                roof.push_back(t);
        }
        ASSERT_EQ(roof.size(), 2u);
        const int score = status().score;
        for (turret* t : roof)
            ASSERT_TRUE(shoot_from_below(t));
        EXPECT_EQ(status().score, score + 400);
    }

    void minefield()
    {
        // The bobblers, one at a time from below, then their coins as they
        // bounce up through the floor; then the ball, through the mines.
        const int score = status().score, money = status().money;
        for (bobbler* b = first_living<bobbler>(); b; b = first_living<bobbler>())
            ASSERT_TRUE(shoot_down(b, b->x_centre(), b->y_centre() + 128));
        EXPECT_EQ(status().score, score + 6 * 10);
        snapshot(m_level, "Minefield", "coins");
        collect_coins(money + 6 * 50);
        ASSERT_TRUE(tow_the_ball());
        EXPECT_EQ(count_of<miner>(), 3) << "no mine went off";
    }

    void invasion()
    {
        // The invaders from below, firing at what comes near; then the rocks,
        // piece by piece, and their coins; then the ball from among them,
        // carried up to the sink on the high ledge.
        m_guard = true;
        std::vector<invader*> invaders = all_of<invader>();
        ASSERT_EQ(invaders.size(), 2u);
        const float middle = (invaders[0]->x_centre() + invaders[1]->x_centre()) / 2;
        for (invader* v : invaders)
            ASSERT_TRUE(shoot_down(v, middle, v->y_centre() + 160, 3000));
        snapshot(m_level, "Invasion", "invaders_down");
        const int money = status().money;
        ASSERT_TRUE(shoot_all<asteroid>(4000, true)) << "rocks left";
        collect_coins(money + 3 * 50);
        ASSERT_TRUE(tow_the_ball());
    }

    void mothership()
    {
        // The peashooter cannot dent the ufo: wait low, out of its reach,
        // until it patrols the far end, then take the ball from the high
        // ledge and carry it low across the hall to the sink.
        m_invulnerable = false;
        ufo* u = first_living<ufo>();
        ASSERT_NE(u, nullptr);
        ship* s = the_ship();
        ASSERT_NE(s, nullptr);
        const float wait_x = s->x_centre(), wait_y = s->y_centre();
        ASSERT_TRUE(hold(wait_x, wait_y, [&] { return u->x_centre() > 32 * m_arena->width() * 0.7f; }, 1500));
        ASSERT_TRUE(tow_the_ball());
        EXPECT_TRUE(alive<ufo>(u)) << "the exit opened with the ufo still about";
        snapshot(m_level, "Mothership", "exit_open");
    }

    void thin_air()
    {
        // Deep in the chimney, out of sight of the cave, while the
        // asteroid ufo's rockets burst in the rock about it; then its
        // shower of coins, and out.
        EXPECT_LT(m_arena->gravity(), default_gravity) << "low gravity";
        ship* s = the_ship();
        ASSERT_NE(s, nullptr);
        // The middle of the chimney, clear of its walls: a blast near by
        // throws the ship about.
        const int money = status().money;
        ASSERT_TRUE(wait_out_the_ufo(4 * 32.0f, s->y_centre()));
        collect_coins(money + 4 * 50, 3000);
    }

    // Hides at (hx, hy) in the chimney until the asteroid ufo falls.
    bool wait_out_the_ufo(float hx, float hy)
    {
        ast_ufo* a = first_living<ast_ufo>();
        if (!a) {
            ADD_FAILURE() << "no asteroid ufo";
            return false;
        }
        // Near is enough: the wait below steers on to the spot.
        fly_to(hx, hy, 32);
        // The ufo flies through rock and would ram the ship: while it comes
        // near, at the end of the chimney farthest from its height.
        const float top = centre_of(11), bottom = centre_of(21);
        float ty = hy;
        bool passing = false;
        for (int i = 0; i < 15000 && alive<ast_ufo>(a); ++i) {
            ship* now = the_ship();
            const float dx = now ? std::fabs(a->x_centre() - now->x_centre()) : 1e9f;
            if (dx < 600 && !passing) {
                // Where it will be as it passes: the end away from that.
                float when = a->m_dx != 0 ? dx / std::fabs(a->m_dx) : 0;
                float y = a->y_centre() + a->m_dy * std::min(when, 3.0f);
                ty = y < (top + bottom) / 2 ? bottom : top;
                passing = true;
            } else if (dx > 700) {
                passing = false;
                ty = hy;
            }
            steer(hx, ty, 90, 0.4f);
            play_frame();
        }
        EXPECT_FALSE(alive<ast_ufo>(a)) << "the asteroid ufo is still about";
        EXPECT_TRUE(tiles_of(*m_arena, {A_EXIT_BLOCK}).empty()) << "its fall opens the exit";
        snapshot(m_level, "ufo_down", "exit_open");
        return !alive<ast_ufo>(a);
    }

    void crossfire()
    {
        // The lower button lifts the first bar; the turrets between the
        // bars, from below and aside; then the upper button.
        m_guard = true;
        press_all({A_BUTTON_L});
        for (turret* t : all_of<turret>()) {
            if (t->y_centre() > 12 * 32) {
                std::pair<float, float> at = stand_for(t->x_centre(), t->y_centre());
                ASSERT_TRUE(shoot_down(t, at.first, at.second));
            }
        }
        press_all({A_BUTTON_R});
        ASSERT_TRUE(shoot_all<turret>(3000)) << "turrets left";
        EXPECT_TRUE(tiles_of(*m_arena, {A_HGATE_CLOSED}).empty()) << "both bars lifted";
    }

    void trading_post()
    {
        // The swarm for its coins, then the middle of the campaign's upgrade:
        // a rapishooter, and a generator to feed it.
        ASSERT_TRUE(shoot_all<bobbler>(4000, true));
        collect_coins(1000);
        ASSERT_TRUE(visit_shop([&] {
            buy_weapon(0, WT_RAPISHOOTER);
            buy_system(0, ST_GENERATOR);
        }));
    }

    void hatchery()
    {
        // The swarm and its coins, then the ball, the hunters shot on the
        // way; then a side gun from the shop for the pillar's button, and
        // the button from beside it.
        m_guard = true;
        const int money = status().money;
        ASSERT_TRUE(shoot_all<bobbler>(3000, true));
        ASSERT_TRUE(tow_the_ball());
        // Only what the side gun asks for: the graldor breeds all the while.
        const int side_gun = std::max(money, weapon_types()[WT_PEASHOOTER].cost);
        collect_coins(side_gun, 1500, side_gun);
        // "Right", firing to starboard; then what the rest pays for.
        ASSERT_TRUE(visit_shop([&] {
            buy_weapon(6, WT_PEASHOOTER);
            buy_best_fitting();
        }));
        // A stray shot may have pressed it already.
        if (!tiles_of(*m_arena, {A_VGATE_CLOSED}).empty())
            press_from_the_side();
        EXPECT_TRUE(tiles_of(*m_arena, {A_VGATE_CLOSED}).empty()) << "the gate stands open";
    }
    // The pillar's button of the hatchery, with the side gun from three
    // cells to its left.
    void press_from_the_side()
    {
        std::vector<cell> buttons = tiles_of(*m_arena, {A_BUTTON_D});
        ASSERT_EQ(buttons.size(), 1u);
        const cell b = buttons[0];
        const float hx = centre_of(b.x - 3), hy = b.y * 32 + 16.0f;
        ASSERT_TRUE(fly_to(hx, hy, 8));
        const arena_t rest = m_arena->get(b.x, b.y);
        bool pressed = false;
        for (int i = 0; i < 400 && !(pressed && count_of<shot>() == 0); ++i) {
            steer(hx, hy, 40, 0.4f);
            m_game->m_key_flags.fire = !pressed && count_of<shot>() == 0;
            play_frame();
            pressed = pressed || m_arena->get(b.x, b.y) != rest;
        }
        ASSERT_TRUE(pressed) << "the pillar's button";
        hold(hx, hy, [] { return false; }, 10);
    }

    void solid_ground()
    {
        // The coins of the last level buy the big fitting; then the swarm
        // and the ball, through the mines.
        EXPECT_EQ(m_arena->gravity(), default_gravity);
        ASSERT_TRUE(visit_shop([&] { buy_best_fitting(); }));
        m_guard = true;
        const int money = status().money;
        ASSERT_TRUE(shoot_all<bobbler>(4000, true));
        collect_coins(money + 12 * 50);
        ASSERT_TRUE(tow_the_ball());
    }

    void last_stand()
    {
        // The rest of the money on the fitting; then the roof turrets from
        // right below them, the swarm and its coins, the invaders and the
        // rock; the roof button for the gate, and the ball past the mines
        // to the sink under the nest, meeting its hunters nose first.
        ASSERT_TRUE(visit_shop([&] { buy_best_fitting(); }));
        m_guard = true;
        ASSERT_TRUE(shoot_all<turret>(4000)) << "turrets left";
        ASSERT_TRUE(shoot_all<bobbler>(4000, true)) << "bobblers left";
        ASSERT_TRUE(shoot_all<invader>(4000)) << "invaders left";
        ASSERT_TRUE(shoot_all<asteroid>(4000, true)) << "rocks left";
        press_all({A_BUTTON_U});
        EXPECT_TRUE(tiles_of(*m_arena, {A_VGATE_CLOSED}).empty()) << "the gate to the sink stands open";
        ASSERT_TRUE(tow_the_ball());
        EXPECT_EQ(count_of<miner>(), 2) << "no mine went off";
    }

    // The weapons on their mounts and the systems, for the log.
    std::string fitting()
    {
        std::string out;
        for (const weapon_mount& m : m_game->m_weapon_mounts) {
            if (m.type != WT_NOTHING)
                out += std::string(m.name) + " " + weapon_types()[m.type].name + ", ";
        }
        for (system_id id : m_game->m_systems) {
            if (id != ST_EMPTY)
                out += std::string(system_types()[id].name) + ", ";
        }
        return out;
    }

    // What a player with money in hand buys, best first: the big generator
    // in place of the small one (the shop asks for its full price in hand),
    // peashooters either side of the nose, then rapishooters for the
    // peashooters.
    void buy_best_fitting()
    {
        if (m_game->m_systems.at(0) == ST_GENERATOR && status().money >= system_types()[ST_SUPERGENERATOR].cost)
            buy_system(0, ST_SUPERGENERATOR);
        auto upgrade = [&](weapon_id from, weapon_id to) {
            for (int mount : {6, 1, 2}) {
                weapon_mount& m = m_game->m_weapon_mounts.at(static_cast<size_t>(mount));
                if (m.type == from && status().money >= weapon_types()[to].cost - weapon_types()[from].cost)
                    buy_weapon(mount, to);
            }
        };
        upgrade(WT_NOTHING, WT_PEASHOOTER);
        upgrade(WT_PEASHOOTER, WT_RAPISHOOTER);
    }

protected:
    bool m_invulnerable = false;
    // Whether the ship fires at what comes near while it flies.
    bool m_guard = false;
    // Whether a ball hangs from the beam.
    bool m_towing = false;
    int m_walls_crossed = 0;
    int m_frames = 0;
    int m_level = 0;
    // The run of the level being flown, kept for its replay.
    recorded_run::run_recorder m_run;
};
}

// What the first level's description tells a new player about the ball:
// the beam, taken while the ship hovers still above the ball, lifts it
// when the ship is well above it, about two tiles up; caught from lower
// (too close above it, or low beside it) the ball sinks onto the floor and
// breaks; out of reach the beam takes nothing. The turret is kept out of
// it: the ship is made invulnerable, which matters only to its shield.
TEST_F(flown_levels, the_first_levels_ball_is_taken_from_above_as_its_description_says)
{
    enum outcome { RISES, BREAKS, NOT_TAKEN };
    struct catch_case {
        const char* what;
        float dx, dy;  // the ship's centre from the ball's centre, in pixels
        outcome expected;
    };
    const std::vector<catch_case> cases = {
        {"straight above, two tiles up", 0, -64, RISES},
        {"straight above, nearly three tiles up", 0, -90, RISES},
        {"beside it but as high: the lift is the height's", -60, -64, RISES},
        {"straight above, too close", 0, -20, BREAKS},
        {"beside it and low", -60, -20, BREAKS},
        {"straight above, beyond the beam's reach", 0, -112, NOT_TAKEN},
    };
    for (const catch_case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string description;
        ASSERT_TRUE(load_alone(1, *m_arena, description));
        ASSERT_EQ(level_title(description), "First Flight");
        ASSERT_NE(description.find("straight above it"), std::string::npos) << description;
        m_invulnerable = true;
        const cell source = source_and_sink().first;
        ball* b = ball_on(source);
        ASSERT_NE(b, nullptr);
        const float by = b->y_centre();
        const float px = b->x_centre() + c.dx, py = by + c.dy;
        ASSERT_TRUE(fly_to(px, py, 8));
        ASSERT_TRUE(hold(px, py, [&] { return near(px, py, 6, 8); }, 750)) << "never still there";

        // Z, for one frame, as a key press gives it; then hovering on.
        m_game->m_key_flags.tractor = true;
        play_frame();
        release();
        if (c.expected == NOT_TAKEN) {
            EXPECT_TRUE(b->is_stuck()) << "taken from out of reach";
            continue;
        }
        ASSERT_FALSE(b->is_stuck()) << "the beam took nothing";
        bool broke = false, rose = false;
        for (int i = 0; i < 60 && !broke; ++i) {
            steer(px, py, 20, 0.2f);
            play_frame();
            broke = ball_on(source) == b && b->is_stuck();
            rose = rose || b->y_centre() < by - 24;
        }
        if (c.expected == RISES) {
            EXPECT_FALSE(broke) << "the ball broke";
            EXPECT_TRUE(rose) << "the ball did not rise";
        } else {
            EXPECT_TRUE(broke) << "the ball did not break";
        }
    }

    // Taken as the description says, it is carried into the sink: 1000
    // points, and the exit opens.
    std::string description;
    ASSERT_TRUE(load_alone(1, *m_arena, description));
    m_invulnerable = true;
    const int score = status().score;
    const std::pair<cell, cell> ends = source_and_sink();
    ASSERT_TRUE(tow(ends.first, ends.second, 1));
    EXPECT_EQ(status().score, score + 1000);
    EXPECT_TRUE(tiles_of(*m_arena, {A_EXIT_BLOCK, A_SINK}).empty()) << "the exit opens";
}

TEST_F(flown_levels, every_level_is_flown_to_its_end)
{
    const std::map<std::string, void (flown_levels::*)()> scripts = {
        {"First Flight", &flown_levels::first_flight}, {"Gatekeeper", &flown_levels::gatekeeper},
        {"Pipeworks", &flown_levels::pipeworks},       {"Minefield", &flown_levels::minefield},
        {"Invasion", &flown_levels::invasion},         {"Mothership", &flown_levels::mothership},
        {"Thin Air", &flown_levels::thin_air},         {"Crossfire", &flown_levels::crossfire},
        {"Trading Post", &flown_levels::trading_post}, {"Hatchery", &flown_levels::hatchery},
        {"Solid Ground", &flown_levels::solid_ground}, {"Last Stand", &flown_levels::last_stand},
    };
    // One game: the levels one after another in the fixture's arena.
    level_loader loader("levels/levels.txt");
    std::string description;
    for (;;) {
        // Each level starts from a fixed random state of its own, so that
        // its recorded run replays exactly.
        srand(recorded_run::level_seed(m_level + 1));
        if (!next_level(loader, description))
            break;
        ++m_level;
        const std::string title = level_title(description);
        m_run.begin_level(m_level, title, recorded_run::level_seed(m_level), *m_game);
        SCOPED_TRACE(level_name(m_level, description));
        auto script = scripts.find(title);
        ASSERT_NE(script, scripts.end()) << "no flight written for this level";
        const int start_frame = m_frames, lives = status().lives;
        m_invulnerable = m_guard = false;
        (this->*script->second)();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(leave()) << "never left the map";
        EXPECT_TRUE(m_run.end_level(*m_game)) << "the recording was not written";
        // A player may lose a life on the way, but never the last one, and
        // never more than one in a level.
        EXPECT_FALSE(m_invulnerable) << "a flight no player could fly";
        EXPECT_GE(status().lives, lives - 1) << "lives lost on the way";
        EXPECT_GT(status().lives, 0) << "the last life lost";
        if (std::getenv("VANTREL_LEVELS_LOOK"))
            std::cout << "level " << m_level << " \"" << title << "\": " << (m_frames - start_frame)
                      << " frames, score " << status().score << ", money " << status().money << ", shield "
                      << status().shield << ", lives " << status().lives << ", fitting " << fitting() << "\n";
        // A completed level restores the shield, as the play loop does.
        status().shield = MAX_SHIELD;
    }
    EXPECT_EQ(m_level, static_cast<int>(scripts.size())) << "every script flown";
}

