// The check every level of the level file must pass: the file is read
// level by level as the game reads it (one game, one arena), and each rule
// looks at the level as built and at its own lines, collecting a message
// for every fault, naming the level by number and title and the cell.
// Each rule is tested on small faulty levels; the last test runs them all
// over the level file the game ships.
#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "debug.h"
#include "enemies.h"
#include "levels.h"
#include "movers.h"

namespace fs = std::filesystem;

namespace {
// ------------------------------------------------------ the level's lines

// What the check reads of one block itself, with the game's tokenizer.
struct level_text {
    std::string description;
    std::vector<std::string> rows;
    std::vector<connect_order> connections;
    std::vector<kick_order> kicks;
    std::vector<bobbler_swarm> swarms;
};

// A tag letter and its colon; the letter is taken even without a colon, as
// the game takes it.
bool read_tag(std::string& line, const char* letter) { return read_word(line, letter) && read_word(line, ":"); }

// Numbers of one item; false when the line runs out of them.
bool read_numbers(std::string& line, float* numbers, int n)
{
    for (int i = 0; i < n; ++i) {
        if (!read_number(line, numbers[i]))
            return false;
    }
    return true;
}

// Truncation toward zero, kept inside int.
int whole(float v)
{
    if (!(v > static_cast<float>(INT_MIN)))
        return v > 0 ? INT_MAX : INT_MIN;
    if (v >= static_cast<float>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(v);
}

// The E: item of a line; only the swarms are kept, the other enemies are
// looked at in the built arena. Their numbers are read all the same, so
// that the later tags of the line see what the game's reading leaves.
void read_enemy(std::string& line, level_text& level)
{
    float n[4];
    if (read_word(line, "BOBBLERS")) {
        if (read_numbers(line, n, 4))
            level.swarms.push_back({n[0] * 32.0f, n[1] * 32.0f, whole(n[2]), n[3]});
    } else if (read_word(line, "MINER") || read_word(line, "GRALDOR")) {
        read_numbers(line, n, 2);
    } else if (read_word(line, "INVADER") || read_word(line, "UFO")) {
        read_numbers(line, n, 4);
    } else if (read_word(line, "ASTEROID")) {
        read_numbers(line, n, 2);
    } else {
        (void)read_word(line, "ASTUFO");
    }
}

void read_connection(std::string& line, level_text& level)
{
    float n[4];
    if (read_word(line, "CONNECT")) {
        if (read_numbers(line, n, 4))
            level.connections.push_back({whole(n[0]), whole(n[1]), whole(n[2]), whole(n[3])});
    } else if (read_word(line, "KICK")) {
        if (read_numbers(line, n, 2))
            level.kicks.push_back({whole(n[0]), whole(n[1])});
    }
}

void read_physics(std::string& line)
{
    float g;
    if (!(read_word(line, "GRAVITY") && read_word(line, "=") && read_number(line, g)))
        (void)(read_word(line, "AIR_RESISTANCE") && read_word(line, "=") && read_number(line, g));
}

// The blocks of a level file in file order, each line examined for the six
// tags in the game's order. A block cut short by a bad L: code still counts,
// so that the numbering stays the game's.
std::vector<level_text> read_levels(const std::string& filename)
{
    std::vector<level_text> levels;
    std::ifstream in(filename.c_str());
    std::string line;
    bool in_block = false;
    level_text level;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!in_block) {
            in_block = read_tag(line, "L") && read_word(line, "START");
            level = level_text();
            continue;
        }
        if (read_tag(line, "D"))
            level.description += line + "\n";
        if (read_tag(line, "A")) {
            kill_leading_whitespace(line);
            kill_trailing_whitespace(line);
            level.rows.push_back(line);
        }
        if (read_tag(line, "E"))
            read_enemy(line, level);
        if (read_tag(line, "C"))
            read_connection(line, level);
        if (read_tag(line, "P"))
            read_physics(line);
        if (read_tag(line, "L")) {
            levels.push_back(level);
            in_block = false;
        }
    }
    return levels;
}

// ------------------------------------------------------ the level as built

struct cell {
    int x, y;
};

std::string str(const cell& c) { return "(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")"; }

// The cell holding a pixel point, left of and above the map included.
cell cell_at(float x, float y)
{
    return {static_cast<int>(std::floor(x / 32)), static_cast<int>(std::floor(y / 32))};
}

bool is_gate(arena_t t) { return t >= A_VGATE_CLOSED && t <= A_HGATE_OPEN; }
bool is_resting_button(arena_t t)
{
    return t == A_BUTTON_L || t == A_BUTTON_U || t == A_BUTTON_R || t == A_BUTTON_D;
}
// Stops movers: every tile but the empty cell and the ball source (a
// sub-tile of a large picture included).
bool is_solid(arena_t t) { return t != A_EMPTY && t != A_SOURCE; }

// Where the ship may fly before the exit opens: gates may open, and a shop
// lets the ship through while its timeout runs.
bool ship_passes_shut(arena_t t) { return !is_solid(t) || is_gate(t) || t == A_SHOP; }
// ...and once it has opened, which clears exit blocks and sinks.
bool ship_passes_open(arena_t t) { return ship_passes_shut(t) || t == A_EXIT_BLOCK || t == A_SINK; }
// A ball crashes on every tile but a sink; gates may open for it.
bool ball_passes(arena_t t) { return !is_solid(t) || is_gate(t); }

// The tiles of the built map, read once.
class tile_grid {
public:
    explicit tile_grid(arena& a) : m_w(a.width()), m_h(a.height())
    {
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
                m_tiles.push_back(a.get(x, y));
    }

    int width() const { return m_w; }
    int height() const { return m_h; }
    bool inside(const cell& c) const { return c.x >= 0 && c.x < m_w && c.y >= 0 && c.y < m_h; }
    bool on_edge(const cell& c) const { return c.x == 0 || c.y == 0 || c.x == m_w - 1 || c.y == m_h - 1; }
    // Only for a cell inside the map.
    arena_t at(const cell& c) const { return m_tiles[static_cast<size_t>(c.y * m_w + c.x)]; }
    // Outside the map counts as empty, as nothing holds there.
    bool solid(const cell& c) const { return inside(c) && is_solid(at(c)); }

    // The cells where pred holds, column by column.
    std::vector<cell> cells_where(bool (*pred)(arena_t)) const
    {
        std::vector<cell> out;
        for (int x = 0; x < m_w; ++x)
            for (int y = 0; y < m_h; ++y)
                if (pred(at({x, y})))
                    out.push_back({x, y});
        return out;
    }

    std::vector<cell> cells_of(arena_t type) const
    {
        std::vector<cell> out;
        for (int x = 0; x < m_w; ++x)
            for (int y = 0; y < m_h; ++y)
                if (at({x, y}) == type)
                    out.push_back({x, y});
        return out;
    }

    // The cells reached from start, side by side, through cells where
    // passes holds (start itself counts as reached).
    std::vector<bool> reach(const cell& start, bool (*passes)(arena_t)) const
    {
        std::vector<bool> seen(m_tiles.size(), false);
        if (!inside(start))
            return seen;
        std::deque<cell> todo = {start};
        seen[index(start)] = true;
        while (!todo.empty()) {
            cell c = todo.front();
            todo.pop_front();
            for (const cell& n : beside(c)) {
                if (inside(n) && !seen[index(n)] && passes(at(n))) {
                    seen[index(n)] = true;
                    todo.push_back(n);
                }
            }
        }
        return seen;
    }
    bool reached(const std::vector<bool>& seen, const cell& c) const { return inside(c) && seen[index(c)]; }

    static std::vector<cell> beside(const cell& c)
    {
        return {{c.x + 1, c.y}, {c.x - 1, c.y}, {c.x, c.y + 1}, {c.x, c.y - 1}};
    }

private:
    size_t index(const cell& c) const { return static_cast<size_t>(c.y * m_w + c.x); }

    int m_w, m_h;
    std::vector<arena_t> m_tiles;
};

// One level as a rule sees it: its name, its lines, the arena holding it
// as the game built it, and that arena's tiles.
struct level_view {
    std::string name;
    const level_text& text;
    arena& a;
    tile_grid tiles;
};

typedef std::vector<std::string> problems;
typedef void (*rule)(const level_view&, problems&);

void fail(const level_view& v, problems& out, const std::string& what) { out.push_back(v.name + ": " + what); }

ship* ship_of(arena& a)
{
    for (int i = 0; i < a.num_movers(); ++i) {
        if (ship* s = dynamic_cast<ship*>(a.get_mover(i)))
            return s;
    }
    return nullptr;
}

cell spawn_of(const level_view& v)
{
    ship* s = ship_of(v.a);
    return s ? cell_at(s->m_x, s->m_y) : cell{-1, -1};
}

bool has_spawn_character(const level_text& text)
{
    return std::any_of(text.rows.begin(), text.rows.end(),
                       [](const std::string& r) { return r.find('S') != std::string::npos; });
}

// ------------------------------------------------------------------ rules

// The ship starts on an empty cell of the map, clear of every wall; and
// each level places it itself rather than leaving it where the level
// before did (which holds only as long as the levels keep their order).
void spawn_is_clear(const level_view& v, problems& out)
{
    ship* s = ship_of(v.a);
    if (!s) {
        fail(v, out, "no ship in the level");
        return;
    }
    const cell at = spawn_of(v);
    if (!has_spawn_character(v.text))
        fail(v, out, "no S: the ship starts on the spawn tile of the level before, " + str(at));
    if (!v.tiles.inside(at))
        fail(v, out, "the ship starts outside the map at " + str(at));
    else if (v.tiles.at(at) != A_EMPTY)
        fail(v, out, "the ship starts on a tile, not an empty cell, at " + str(at));
    else if (v.a.arena_collision(s->pic(), static_cast<int>(s->m_x), static_cast<int>(s->m_y), nullptr, nullptr,
                                 nullptr, nullptr, nullptr))
        fail(v, out, "the ship starts touching a wall at " + str(at));
}

std::string connection_text(const connect_order& c)
{
    return "CONNECT " + std::to_string(c.xc) + " " + std::to_string(c.yc) + " " + std::to_string(c.xe) + " " +
           std::to_string(c.ye);
}

// Each connection goes from a button to a gate.
void connections_join_buttons_to_gates(const level_view& v, problems& out)
{
    for (const connect_order& c : v.text.connections) {
        const cell cause = {c.xc, c.yc}, effect = {c.xe, c.ye};
        if (!v.tiles.inside(cause))
            fail(v, out, connection_text(c) + ": the cause " + str(cause) + " lies outside the map");
        else if (!is_resting_button(v.tiles.at(cause)))
            fail(v, out, connection_text(c) + ": the cause " + str(cause) + " is no button");
        if (!v.tiles.inside(effect))
            fail(v, out, connection_text(c) + ": the effect " + str(effect) + " lies outside the map");
        else if (!is_gate(v.tiles.at(effect)))
            fail(v, out, connection_text(c) + ": the effect " + str(effect) + " is no gate");
    }
}

// Each kick toggles a gate.
void kicks_hit_gates(const level_view& v, problems& out)
{
    for (const kick_order& k : v.text.kicks) {
        const cell at = {k.x, k.y};
        const std::string item = "KICK " + std::to_string(k.x) + " " + std::to_string(k.y) + ": ";
        if (!v.tiles.inside(at))
            fail(v, out, item + str(at) + " lies outside the map");
        else if (!is_gate(v.tiles.at(at)))
            fail(v, out, item + str(at) + " is no gate");
    }
}

const char* kind_of(enemy* e)
{
    if (dynamic_cast<miner*>(e))
        return "a miner";
    if (dynamic_cast<graldor*>(e))
        return "a graldor";
    if (dynamic_cast<asteroid*>(e))
        return "an asteroid";
    if (dynamic_cast<invader*>(e))
        return "an invader";
    if (dynamic_cast<ufo*>(e))
        return "a ufo";
    return "an enemy";
}

// Every enemy starts on the map, and those that meet walls start clear of
// them (a mine in the rock goes off at once). Invaders and ufos fly through
// walls on their patrols and may start in them. The asteroid ufo comes from
// beyond the map by design; turrets have a rule of their own. Bobblers pass
// through walls too but only bob where they are, so one in the rock is
// never shot: as they are scattered at random, the swarm's centre is what
// is checked.
void enemies_start_clear(const level_view& v, problems& out)
{
    for (int i = 0; i < v.a.num_movers(); ++i) {
        enemy* e = dynamic_cast<enemy*>(v.a.get_mover(i));
        if (!e || dynamic_cast<ast_ufo*>(e) || dynamic_cast<turret*>(e) || dynamic_cast<bobbler*>(e))
            continue;
        const cell at = cell_at(e->x_centre(), e->y_centre());
        if (!v.tiles.inside(at))
            fail(v, out, std::string(kind_of(e)) + " starts outside the map at " + str(at));
        else if (e->does_arena_collisions() &&
                 v.a.arena_collision(e->pic(), static_cast<int>(e->m_x), static_cast<int>(e->m_y), nullptr, nullptr,
                                     nullptr, nullptr, nullptr))
            fail(v, out, std::string(kind_of(e)) + " starts inside a wall at " + str(at));
    }
    for (const bobbler_swarm& s : v.text.swarms) {
        if (s.num < 1)
            continue;  // makes no bobbler
        const cell at = cell_at(s.x, s.y);
        if (!v.tiles.inside(at))
            fail(v, out, "a bobbler swarm is centred outside the map at " + str(at));
        else if (v.tiles.solid(at))
            fail(v, out, "a bobbler swarm is centred inside a wall at " + str(at));
    }
}

// A turret stands on something solid on the side away from where it faces.
void turrets_stand_on_walls(const level_view& v, problems& out)
{
    struct base {
        char c;
        int dx, dy;
        const char* facing;
        const char* side;
    };
    static const base bases[] = {{'U', 0, 1, "up", "below it"},
                                 {'D', 0, -1, "down", "above it"},
                                 {'L', 1, 0, "left", "to its right"},
                                 {'R', -1, 0, "right", "to its left"}};
    for (int x = 0; x < v.tiles.width(); ++x) {
        for (int y = 0; y < v.tiles.height() && y < static_cast<int>(v.text.rows.size()); ++y) {
            for (const base& b : bases) {
                if (v.text.rows[y][x] == b.c && !v.tiles.solid({x + b.dx, y + b.dy}))
                    fail(v, out,
                         "the turret at " + str({x, y}) + " facing " + b.facing + " has nothing solid " + b.side);
            }
        }
    }
}

std::string counted(size_t n, const std::string& what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

// "at (3, 5), (4, 5) and (6, 5)": the first few cells, then how many more.
std::string cells_text(const std::vector<cell>& cells)
{
    const size_t shown = std::min<size_t>(cells.size(), 4);
    std::string out = "at";
    for (size_t i = 0; i < shown; ++i)
        out += (i == 0 ? " " : i + 1 == shown && shown == cells.size() ? " and " : ", ") + str(cells[i]);
    if (cells.size() > shown)
        out += " and " + std::to_string(cells.size() - shown) + " more";
    return out;
}

// Every ball has a sink of its own, and sinking them opens an exit.
void balls_have_sinks_and_an_exit(const level_view& v, problems& out)
{
    const std::vector<cell> sources = v.tiles.cells_of(A_SOURCE);
    const size_t sinks = v.tiles.cells_of(A_SINK).size();
    if (sources.size() > sinks)
        fail(v, out,
             counted(sources.size(), "ball source") + ", " + cells_text(sources) + ", but " +
                 (sinks == 0 ? "no sink" : "only " + counted(sinks, "sink")));
    if (!sources.empty() && v.tiles.cells_of(A_EXIT_BLOCK).empty())
        fail(v, out, "ball sources, " + cells_text(sources) + ", but no exit block to open");
}

// Exit blocks open when the balls are sunk or a ufo of either kind dies:
// one of them must be there.
void exit_can_open(const level_view& v, problems& out)
{
    const std::vector<cell> exits = v.tiles.cells_of(A_EXIT_BLOCK);
    if (exits.empty() || !v.tiles.cells_of(A_SOURCE).empty())
        return;
    for (int i = 0; i < v.a.num_movers(); ++i) {
        mover* m = v.a.get_mover(i);
        if (dynamic_cast<ufo*>(m) || dynamic_cast<ast_ufo*>(m))
            return;
    }
    fail(v, out, "exit blocks, " + cells_text(exits) + ", but no ball or ufo to open them");
}

// The first cell of the map's edge, column by column, among those seen.
bool edge_reached(const tile_grid& tiles, const std::vector<bool>& seen, cell& at)
{
    for (int x = 0; x < tiles.width(); ++x) {
        for (int y = 0; y < tiles.height(); ++y) {
            if (tiles.on_edge({x, y}) && tiles.reached(seen, {x, y})) {
                at = {x, y};
                return true;
            }
        }
    }
    return false;
}

// The ship can fly from its start to the map's edge, through cells that
// are empty or become empty, once the exit has opened.
void edge_is_reachable(const level_view& v, problems& out)
{
    const cell start = spawn_of(v);
    if (!v.tiles.inside(start))
        return;  // the spawn rule says so
    cell at;
    if (!edge_reached(v.tiles, v.tiles.reach(start, ship_passes_open), at))
        fail(v, out, "the map's edge cannot be reached from the spawn at " + str(start));
}

// A level with exit blocks is left through them: no way of plain empty
// cells leads from the spawn to the edge. (Gates and shops on another way
// out may be the designer's intent; they are not counted.)
void exit_is_the_way_out(const level_view& v, problems& out)
{
    const cell start = spawn_of(v);
    if (!v.tiles.inside(start) || v.tiles.cells_of(A_EXIT_BLOCK).empty())
        return;
    cell at;
    if (edge_reached(v.tiles, v.tiles.reach(start, [](arena_t t) { return !is_solid(t); }), at))
        fail(v, out, "the ship can leave the map at " + str(at) + " before the exit opens");
}

// Each ball can be reached by the ship before the exit opens, and rolls
// from its source to a sink through cells it does not crash on.
void balls_can_be_sunk(const level_view& v, problems& out)
{
    const cell start = spawn_of(v);
    if (!v.tiles.inside(start))
        return;
    const std::vector<bool> ship_reach = v.tiles.reach(start, ship_passes_shut);
    for (const cell& src : v.tiles.cells_of(A_SOURCE)) {
        if (!v.tiles.reached(ship_reach, src)) {
            fail(v, out, "the ship cannot reach the ball at " + str(src));
            continue;
        }
        const std::vector<bool> rolls = v.tiles.reach(src, ball_passes);
        bool to_sink = false;
        for (int x = 0; x < v.tiles.width() && !to_sink; ++x)
            for (int y = 0; y < v.tiles.height() && !to_sink; ++y)
                if (v.tiles.reached(rolls, {x, y}))
                    for (const cell& n : tile_grid::beside({x, y}))
                        to_sink = to_sink || (v.tiles.inside(n) && v.tiles.at(n) == A_SINK);
        if (!to_sink)
            fail(v, out, "the ball at " + str(src) + " cannot reach any sink");
    }
}

// A shot flies straight and stops at the first tile it touches, so it
// reaches a button through one of the four cells beside it, and the cells
// it crossed on the way join that one to the ship's side. A button with no
// such cell the ship reaches cannot be pressed. (A shot that grazes in
// past a corner is not counted: it would touch a wall first.)
void buttons_can_be_shot(const level_view& v, problems& out)
{
    const cell start = spawn_of(v);
    if (!v.tiles.inside(start))
        return;
    const std::vector<bool> seen = v.tiles.reach(start, ship_passes_open);
    for (const cell& b : v.tiles.cells_where(is_resting_button)) {
        bool open_side = false;
        for (const cell& n : tile_grid::beside(b))
            open_side = open_side || v.tiles.reached(seen, n);
        if (!open_side)
            fail(v, out, "the button at " + str(b) + " cannot be shot: no cell beside it that the ship can reach");
    }
}

const std::vector<rule> every_rule = {
    spawn_is_clear,           connections_join_buttons_to_gates, kicks_hit_gates,
    enemies_start_clear,      turrets_stand_on_walls,            balls_have_sinks_and_an_exit,
    exit_can_open,            edge_is_reachable,                 exit_is_the_way_out,
    balls_can_be_sunk,        buttons_can_be_shot,
};

std::string listed(const problems& p)
{
    std::string out;
    for (const std::string& s : p)
        out += "  " + s + "\n";
    return out;
}

// ----------------------------------------------------------- the fixture

// Whether the game built the level the check read: its description and
// the size of its map.
bool same_level(const level_text& text, const std::string& description, const tile_grid& tiles)
{
    return description == text.description && tiles.height() == static_cast<int>(text.rows.size()) &&
           !text.rows.empty() && tiles.width() == static_cast<int>(text.rows[0].size());
}

class level_check : public arena_test {
protected:
    // Reads the level file as one game does, level by level into a fresh
    // arena of the fixture's game, and runs the rules over each level.
    problems check_file(const std::string& filename, const std::vector<rule>& rules)
    {
        problems out;
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
        srand(1);  // the game's first random sequence
        const std::vector<level_text> levels = read_levels(filename);
        testing::internal::CaptureStdout();  // the loader's log lines and "added!"
        try {
            level_loader loader(filename);
            bool stopped = false;
            for (size_t i = 0; i < levels.size(); ++i) {
                const std::string name = level_name(static_cast<int>(i + 1), levels[i].description);
                std::string description;
                try {
                    if (!loader.next_level(*m_arena, description)) {
                        out.push_back(name + ": the game reads no level here");
                        stopped = true;
                        break;
                    }
                } catch (whinage& w) {
                    out.push_back(name + ": the game refuses it: " + w.what());
                    stopped = true;  // the game would end here
                    break;
                }
                const level_view v = {name, levels[i], *m_arena, tile_grid(*m_arena)};
                if (!same_level(levels[i], description, v.tiles)) {
                    out.push_back(name + ": the check reads it differently from the game");
                    continue;
                }
                for (rule r : rules)
                    r(v, out);
            }
            std::string rest;
            if (!stopped && loader.next_level(*m_arena, rest))
                out.push_back("the level file: the game reads more levels than the check");
        } catch (whinage& w) {
            out.push_back(std::string("the level file: ") + w.what());
        }
        testing::internal::GetCapturedStdout();
        m_levels_read = levels.size();
        return out;
    }

    problems check_text(const std::string& contents, const std::vector<rule>& rules)
    {
        write_file("levels/levels.txt", contents);
        return check_file(path("levels/levels.txt"), rules);
    }

    size_t m_levels_read = 0;
};

// One level block of the test files.
struct level_spec {
    std::string title;
    std::vector<std::string> rows;
    std::vector<std::string> items;
};

std::string file_of(const std::vector<level_spec>& levels)
{
    std::string out = "Levels for the check\n";
    for (const level_spec& l : levels) {
        out += "L:START\n";
        if (!l.title.empty())
            out += "D: " + l.title + "\nD:\n";
        for (const std::string& r : l.rows)
            out += "A:" + r + "\n";
        for (const std::string& i : l.items)
            out += i + "\n";
        out += "L:END\n";
    }
    return out;
}

// A small level that passes every rule: the spawn (1, 1), a turret in the
// roof at (5, 1), a button (2, 4) working the kicked gate (8, 3), a miner,
// a swarm, a ball on (3, 5) for the sink (7, 5), and the exit at the right.
const std::vector<std::string> good_rows = {
    "############",  // 0
    "#S...D.....#",  // 1
    "#..........X",  // 2
    "#.......V..X",  // 3
    "#.v........#",  // 4
    "#..B...T...#",  // 5
    "############",  // 6
};
const std::vector<std::string> good_items = {
    "C: CONNECT 2 4 8 3", "C: KICK 8 3", "E: MINER 6.5 2.5", "E: BOBBLERS 9.5 2.5 2 0"};

// The good rows with some cells changed: {x, y, character}.
struct change {
    int x, y;
    char c;
};
std::vector<std::string> changed(std::vector<std::string> rows, const std::vector<change>& changes)
{
    for (const change& ch : changes)
        rows[ch.y][ch.x] = ch.c;
    return rows;
}

level_spec good(const std::string& title, const std::vector<change>& changes = {},
                const std::vector<std::string>& more_items = {})
{
    std::vector<std::string> items = good_items;
    items.insert(items.end(), more_items.begin(), more_items.end());
    return {title, changed(good_rows, changes), items};
}

struct rule_case {
    const char* what;
    std::vector<level_spec> levels;
    problems expected;
};

class level_check_rules : public level_check {
protected:
    // Each case's file run through the one rule.
    void run(rule r, const std::vector<rule_case>& cases)
    {
        for (const rule_case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_EQ(check_text(file_of(c.levels), {r}), c.expected);
        }
    }
};
}

// ----------------------------------------------------------------- rules

TEST_F(level_check_rules, a_good_level_passes_every_rule)
{
    problems found = check_text(file_of({good("Good"), good("Good again", {{1, 1, 'S'}})}), every_rule);
    EXPECT_TRUE(found.empty()) << listed(found);
    EXPECT_EQ(m_levels_read, 2u);
}

TEST_F(level_check_rules, the_ship_must_start_on_a_clear_empty_cell_of_its_own)
{
    run(spawn_is_clear,
        {
            {"a wall beside the spawn, which the ship's picture reaches",
             {good("Cramped", {{2, 1, '#'}})},
             {"level 1 \"Cramped\": the ship starts touching a wall at (1, 1)"}},
            {"of several S the last in the scan counts: (10, 1), beside the wall",
             {good("Two starts", {{10, 1, 'S'}})},
             {"level 1 \"Two starts\": the ship starts touching a wall at (10, 1)"}},
            {"a level without S keeps the spawn of the level before: clear there",
             {good("First"), good("Second", {{1, 1, '.'}})},
             {"level 2 \"Second\": no S: the ship starts on the spawn tile of the level before, (1, 1)"}},
            {"...which is a wall in this level",
             {good("First"), good("Walled", {{1, 1, '#'}})},
             {"level 2 \"Walled\": no S: the ship starts on the spawn tile of the level before, (1, 1)",
              "level 2 \"Walled\": the ship starts on a tile, not an empty cell, at (1, 1)"}},
            {"...which this smaller level does not have",
             {good("First"), {"Tiny", {"X..X"}, {}}},
             {"level 2 \"Tiny\": no S: the ship starts on the spawn tile of the level before, (1, 1)",
              "level 2 \"Tiny\": the ship starts outside the map at (1, 1)"}},
        });
}

TEST_F(level_check_rules, a_connection_joins_a_button_to_a_gate)
{
    run(connections_join_buttons_to_gates,
        {
            {"the cause an empty cell",
             {good("Loose", {}, {"C: CONNECT 3 4 8 3"})},
             {"level 1 \"Loose\": CONNECT 3 4 8 3: the cause (3, 4) is no button"}},
            {"the numbers truncated toward zero as the game does: the effect a wall",
             {good("Rounded", {}, {"C: CONNECT 2.7 4 -0.5 3"})},
             {"level 1 \"Rounded\": CONNECT 2 4 0 3: the effect (0, 3) is no gate"}},
            {"the effect beyond the map",
             {good("Far", {}, {"C: CONNECT 2 4 12 3"})},
             {"level 1 \"Far\": CONNECT 2 4 12 3: the effect (12, 3) lies outside the map"}},
            {"the cause beyond the map",
             {good("Far cause", {}, {"C: CONNECT 2 -1 8 3"})},
             {"level 1 \"Far cause\": CONNECT 2 -1 8 3: the cause (2, -1) lies outside the map"}},
            {"written the wrong way round",
             {good("Backwards", {}, {"C: CONNECT 8 3 2 4"})},
             {"level 1 \"Backwards\": CONNECT 8 3 2 4: the cause (8, 3) is no button",
              "level 1 \"Backwards\": CONNECT 8 3 2 4: the effect (2, 4) is no gate"}},
            {"read from after another item of its line, as the game reads it",
             {good("Shared line", {}, {"E: MINER 6.5 2.5 C: CONNECT 3 4 8 3"})},
             {"level 1 \"Shared line\": CONNECT 3 4 8 3: the cause (3, 4) is no button"}},
            {"a C: item before an E: item on its line is read; the E: one is not",
             {good("Tag order", {}, {"C: CONNECT 2 4 8 3 E: MINER 3 4"})},
             {}},
            {"a gate that starts to open (kicked) is still a gate",
             {good("Kicked", {{9, 3, 'H'}}, {"C: KICK 9 3", "C: CONNECT 2 4 9 3"})},
             {}},
        });
}

TEST_F(level_check_rules, a_kick_toggles_a_gate)
{
    run(kicks_hit_gates,
        {
            {"on an empty cell", {good("Empty kick", {}, {"C: KICK 7 3"})},
             {"level 1 \"Empty kick\": KICK 7 3: (7, 3) is no gate"}},
            {"on a button", {good("Button kick", {}, {"C: KICK 2 4"})},
             {"level 1 \"Button kick\": KICK 2 4: (2, 4) is no gate"}},
            {"beyond the map", {good("Lost kick", {}, {"C: KICK -1 3"})},
             {"level 1 \"Lost kick\": KICK -1 3: (-1, 3) lies outside the map"}},
            {"read after an asteroid ufo on its line, as the game reads it",
             {good("After the ufo", {}, {"E: ASTUFO C: KICK 7 3"})},
             {"level 1 \"After the ufo\": KICK 7 3: (7, 3) is no gate"}},
            {"on a lying gate", {good("Lying", {{9, 4, 'H'}}, {"C: KICK 9.9 4.2"})}, {}},
        });
}

TEST_F(level_check_rules, an_enemy_starts_on_the_map_and_clear_of_walls)
{
    run(enemies_start_clear,
        {
            {"a miner in the corner wall", {good("Mined", {}, {"E: MINER 0.5 0.5"})},
             {"level 1 \"Mined\": a miner starts inside a wall at (0, 0)"}},
            {"a graldor whose picture reaches into the floor",
             {good("Low", {}, {"E: GRALDOR 1.5 5.9"})},
             {"level 1 \"Low\": a graldor starts inside a wall at (1, 5)"}},
            {"an asteroid on an exit block", {good("Rock", {}, {"E: ASTEROID 11.5 3"})},
             {"level 1 \"Rock\": an asteroid starts inside a wall at (11, 3)"}},
            {"a graldor beyond the right edge", {good("Away", {}, {"E: GRALDOR 20 3"})},
             {"level 1 \"Away\": a graldor starts outside the map at (20, 3)"}},
            {"a ufo above the map", {good("High", {}, {"E: UFO 5 -3 1 10"})},
             {"level 1 \"High\": a ufo starts outside the map at (5, -3)"}},
            {"an invader left of the map", {good("Left", {}, {"E: INVADER -2 3 0 5"})},
             {"level 1 \"Left\": an invader starts outside the map at (-2, 3)"}},
            {"an invader flies through walls: one in a wall is fine",
             {good("Ghost", {}, {"E: INVADER 0.5 0.5 0 5"})}, {}},
            {"the asteroid ufo starts beyond the map by design", {good("Sweep", {}, {"E: ASTUFO"})}, {}},
            {"a swarm centred in a wall", {good("Buried", {}, {"E: BOBBLERS 0.5 3.5 3 10"})},
             {"level 1 \"Buried\": a bobbler swarm is centred inside a wall at (0, 3)"}},
            {"a swarm centred beyond the map", {good("Drifted", {}, {"E: BOBBLERS 40 3 2 10"})},
             {"level 1 \"Drifted\": a bobbler swarm is centred outside the map at (40, 3)"}},
            {"a swarm of no bobblers is nowhere", {good("None", {}, {"E: BOBBLERS 0.5 0.5 0 10"})}, {}},
            {"a swarm centred on a ball source", {good("On the ball", {}, {"E: BOBBLERS 3.5 5.5 1 0"})}, {}},
        });
}

TEST_F(level_check_rules, a_turret_stands_on_something_solid_behind_it)
{
    run(turrets_stand_on_walls,
        {
            {"facing up in the air", {good("Up", {{4, 2, 'U'}})},
             {"level 1 \"Up\": the turret at (4, 2) facing up has nothing solid below it"}},
            {"facing down in the air", {good("Down", {{4, 2, 'D'}})},
             {"level 1 \"Down\": the turret at (4, 2) facing down has nothing solid above it"}},
            {"facing left in the air", {good("Left", {{4, 2, 'L'}})},
             {"level 1 \"Left\": the turret at (4, 2) facing left has nothing solid to its right"}},
            {"facing right in the air", {good("Right", {{4, 2, 'R'}})},
             {"level 1 \"Right\": the turret at (4, 2) facing right has nothing solid to its left"}},
            {"on a ball source, which holds nothing", {good("On a source", {{3, 4, 'U'}})},
             {"level 1 \"On a source\": the turret at (3, 4) facing up has nothing solid below it"}},
            {"in the bottom row, with the map's edge behind it", {good("Edge", {{4, 6, 'U'}})},
             {"level 1 \"Edge\": the turret at (4, 6) facing up has nothing solid below it"}},
            {"on the floor, on the wall, on an exit block and on a diagonal",
             {good("Mounted", {{4, 5, 'U'}, {1, 3, 'R'}, {10, 2, 'L'}, {9, 5, 'U'}, {9, 6, '7'}})}, {}},
        });
}

TEST_F(level_check_rules, every_ball_has_a_sink_and_sinking_them_opens_an_exit)
{
    run(balls_have_sinks_and_an_exit,
        {
            {"two balls, one sink", {good("Crowded", {{5, 5, 'B'}})},
             {"level 1 \"Crowded\": 2 ball sources, at (3, 5) and (5, 5), but only 1 sink"}},
            {"a ball and no sink", {good("Sinkless", {{7, 5, '.'}})},
             {"level 1 \"Sinkless\": 1 ball source, at (3, 5), but no sink"}},
            {"three balls, two sinks", {good("Three", {{4, 5, 'B'}, {5, 5, 'B'}, {8, 5, 'T'}})},
             {"level 1 \"Three\": 3 ball sources, at (3, 5), (4, 5) and (5, 5), but only 2 sinks"}},
            {"a ball and no exit to open", {good("Shut", {{11, 2, '#'}, {11, 3, '#'}})},
             {"level 1 \"Shut\": ball sources, at (3, 5), but no exit block to open"}},
            {"more sinks than balls", {good("Spare sink", {{8, 5, 'T'}})}, {}},
            {"no balls, no sinks", {good("Plain", {{3, 5, '.'}, {7, 5, '.'}})}, {}},
        });
}

TEST_F(level_check_rules, exit_blocks_need_a_ball_or_a_ufo_to_open_them)
{
    const std::vector<change> no_balls = {{3, 5, '.'}, {7, 5, '.'}};
    run(exit_can_open,
        {
            {"nothing opens them", {good("Sealed", no_balls)},
             {"level 1 \"Sealed\": exit blocks, at (11, 2) and (11, 3), but no ball or ufo to open them"}},
            {"a ufo", {good("Boss", no_balls, {"E: UFO 5 3 2 8"})}, {}},
            {"an asteroid ufo", {good("Sweeper", no_balls, {"E: ASTUFO"})}, {}},
            {"no exit blocks at all", {good("Open", {{3, 5, '.'}, {7, 5, '.'}, {11, 2, '.'}, {11, 3, '.'}})}, {}},
        });
}

TEST_F(level_check_rules, the_maps_edge_can_be_reached_from_the_spawn)
{
    run(edge_is_reachable,
        {
            {"no way out", {good("Closed", {{11, 2, '#'}, {11, 3, '#'}})},
             {"level 1 \"Closed\": the map's edge cannot be reached from the spawn at (1, 1)"}},
            {"the exit walled in", {good("Walled exit", {{10, 2, '#'}, {10, 3, '#'}})},
             {"level 1 \"Walled exit\": the map's edge cannot be reached from the spawn at (1, 1)"}},
            {"diagonal walls are walls", {good("Slanted", {{10, 2, '7'}, {10, 3, '1'}})},
             {"level 1 \"Slanted\": the map's edge cannot be reached from the spawn at (1, 1)"}},
            {"pipes are walls", {good("Piped", {{10, 2, '|'}, {10, 3, '|'}})},
             {"level 1 \"Piped\": the map's edge cannot be reached from the spawn at (1, 1)"}},
            {"through closed gates", {good("Gated", {{10, 2, 'V'}, {10, 3, 'H'}})}, {}},
            {"through shop tiles", {good("Shop", {{10, 2, 's'}, {10, 3, 's'}})}, {}},
            {"through sinks, which the exit clears", {good("Sinks", {{10, 2, 'T'}, {10, 3, 'T'}})}, {}},
            {"through a ball source", {good("Source", {{10, 2, 'B'}, {10, 3, '#'}})}, {}},
            {"a gap in the border", {good("Gap", {{11, 2, '#'}, {11, 3, '#'}, {4, 0, '.'}})}, {}},
            {"no cell leads out diagonally", {good("Corner", {{11, 2, '#'}, {11, 3, '#'}, {11, 0, '.'}})},
             {"level 1 \"Corner\": the map's edge cannot be reached from the spawn at (1, 1)"}},
        });
}

TEST_F(level_check_rules, a_level_with_an_exit_is_left_through_it)
{
    run(exit_is_the_way_out,
        {
            {"a gap in the border", {good("Holed", {{4, 0, '.'}})},
             {"level 1 \"Holed\": the ship can leave the map at (4, 0) before the exit opens"}},
            {"the spawn on the edge", {good("Doorstep", {{1, 1, '.'}, {0, 1, 'S'}})},
             {"level 1 \"Doorstep\": the ship can leave the map at (0, 1) before the exit opens"}},
            {"a gate in the border", {good("Back door", {{4, 0, 'V'}})}, {}},
            {"no exit blocks: the gap is the way out",
             {good("No exit", {{3, 5, '.'}, {7, 5, '.'}, {11, 2, '#'}, {11, 3, '#'}, {4, 0, '.'}})}, {}},
        });
}

TEST_F(level_check_rules, each_ball_can_be_taken_and_rolled_to_a_sink)
{
    const std::vector<change> shops = {{6, 1, 's'}, {6, 2, 's'}, {6, 3, 's'}, {6, 4, 's'}, {6, 5, 's'}};
    std::vector<change> gates = shops, exits = shops;
    for (change& c : gates)
        c.c = 'V';
    for (change& c : exits)
        c.c = 'X';
    run(balls_can_be_sunk,
        {
            {"the ball walled in", {good("Boxed", {{2, 5, '#'}, {4, 5, '#'}, {3, 4, '#'}})},
             {"level 1 \"Boxed\": the ship cannot reach the ball at (3, 5)"}},
            {"the ball behind exit blocks, which open only after it sank",
             {good("Locked", {{2, 5, 'X'}, {4, 5, 'X'}, {3, 4, 'X'}})},
             {"level 1 \"Locked\": the ship cannot reach the ball at (3, 5)"}},
            {"shops the ship passes but a ball crashes on", {good("Shops", shops)},
             {"level 1 \"Shops\": the ball at (3, 5) cannot reach any sink"}},
            {"exit blocks between the ball and its sink, which open only after it sank",
             {good("Exits", exits)},
             {"level 1 \"Exits\": the ball at (3, 5) cannot reach any sink"}},
            {"gates between them may open", {good("Gates", gates)}, {}},
            {"the second of two balls cut off from the sinks by a shop",
             {good("Two balls", {{10, 5, 'B'}, {9, 5, '#'}, {10, 4, 's'}})},
             {"level 1 \"Two balls\": the ball at (10, 5) cannot reach any sink"}},
        });
}

TEST_F(level_check_rules, each_button_can_be_shot_from_a_cell_the_ship_reaches)
{
    run(buttons_can_be_shot,
        {
            {"walled in", {good("Buried button", {{1, 4, '#'}, {3, 4, '#'}, {2, 3, '#'}, {2, 5, '#'}})},
             {"level 1 \"Buried button\": the button at (2, 4) cannot be shot: no cell beside it that the ship can "
              "reach"}},
            {"its open side a sealed pocket",
             {good("Pocket", {{1, 4, '#'}, {2, 3, '#'}, {2, 5, '#'}, {3, 3, '#'}, {3, 5, '#'}, {4, 4, '#'}})},
             {"level 1 \"Pocket\": the button at (2, 4) cannot be shot: no cell beside it that the ship can reach"}},
            {"behind a gate that may open", {good("Gated button", {{1, 4, '#'}, {3, 4, 'V'}, {2, 3, '#'}, {2, 5, '#'}})}, {}},
            {"each kind of button", {good("Buttons", {{5, 3, '>'}, {6, 3, '<'}, {5, 4, '^'}})}, {}},
        });
}

// ------------------------------------------------------------ the reading

TEST_F(level_check, names_each_level_by_number_and_title_and_stops_where_the_game_stops)
{
    const level_spec cramped = good("Cramped", {{2, 1, '#'}});
    // Its block from the first map row on, to follow a description of a
    // test's own.
    const std::string cramped_rest = file_of({cramped}).substr(file_of({cramped}).find("A:"));
    struct file_case {
        const char* what;
        std::string contents;
        problems expected;
    };
    const std::vector<file_case> cases = {
        {"the title is the first description line, its blanks trimmed",
         "L:START\nD:   Spaced out  \nD: more\n" + cramped_rest,
         {"level 1 \"Spaced out\": the ship starts touching a wall at (1, 1)"}},
        {"a level without description is untitled",
         file_of({good("First"), {"", cramped.rows, cramped.items}}),
         {"level 2 (untitled): the ship starts touching a wall at (1, 1)"}},
        {"a bad item: the game refuses the level, and no later level is read",
         file_of({good("First"), good("Broken", {}, {"E: MINER 3"}), cramped}),
         {"level 2 \"Broken\": the game refuses it: Invalid MINER entry"}},
        {"a first level without S is refused",
         file_of({good("Lost", {{1, 1, '.'}})}),
         {"level 1 \"Lost\": the game refuses it: First level has no S: the ship needs a start tile"}},
        {"free text between levels is skipped",
         file_of({good("First")}) + "L: not a code\nD: nor a description\n" + file_of({cramped}),
         {"level 2 \"Cramped\": the ship starts touching a wall at (1, 1)"}},
        {"a level ended by its description line: the rest of its block is free text",
         "L:START\nD: Early end\nA:S...\nD:L:END\nC: KICK 2 0\nL:END\n" + file_of({cramped}),
         {"level 2 \"Cramped\": the ship starts touching a wall at (1, 1)"}},
    };
    for (const file_case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(check_text(c.contents, every_rule), c.expected);
    }
}

TEST_F(level_check, a_file_the_game_cannot_open_or_pair_up_is_named)
{
    write_file("levels/levels.txt", "L:START\nA:S\nL:START\nL:END\n");
    const std::string file = path("levels/levels.txt");
    EXPECT_EQ(check_file(file, every_rule), problems{"the level file: Error in line 3 of file " + file});
    const std::string missing = path("levels/none.txt");
    EXPECT_EQ(check_file(missing, every_rule), problems{"the level file: Unable to load file: " + missing});
}

// ------------------------------------------------------ the level guide

namespace {
// The guide for level writers, in the source tree beside the tests.
fs::path level_guide() { return fs::path(__FILE__).parent_path().parent_path() / "docs" / "levels.md"; }

// The lines of the guide's fenced block marked "levels": its example.
std::string guide_example(const std::string& guide)
{
    std::istringstream in(guide);
    std::string line, example;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!inside && line == "```levels") {
            inside = true;
        } else if (inside && line == "```") {
            return example;
        } else if (inside) {
            example += line + "\n";
        }
    }
    return "";
}
}

TEST_F(level_check, the_guides_example_loads_as_the_guide_says_and_passes_every_rule)
{
    std::ifstream in(level_guide());
    ASSERT_TRUE(in) << level_guide();
    std::ostringstream guide;
    guide << in.rdbuf();
    const std::string example = guide_example(guide.str());
    ASSERT_NE(example.find("L:START"), std::string::npos) << "no example block in " << level_guide();

    const problems found = check_text(example, every_rule);
    EXPECT_TRUE(found.empty()) << listed(found);
    EXPECT_EQ(m_levels_read, 1u);

    // Loaded by the game's loader, it holds what the guide says it does.
    write_file("levels/levels.txt", example);
    m_arena.reset(new arena);
    m_game->m_arena = m_arena.get();
    level_loader loader(path("levels/levels.txt"));
    std::string description;
    ASSERT_TRUE(next_level(loader, description));
    EXPECT_EQ(level_title(description), "Example");
    EXPECT_EQ(m_arena->width(), 15);
    EXPECT_EQ(m_arena->height(), 7);
    ship* s = nullptr;
    for (mover* m : all_of<mover>()) {
        if (!s)
            s = dynamic_cast<ship*>(m);
    }
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->m_x, 32.0f);
    EXPECT_EQ(s->m_y, 32.0f);
    struct tile_case {
        int x, y;
        arena_t tile;
    };
    for (const tile_case& t : std::vector<tile_case>{{5, 1, A_BUTTON_U},
                                                     {8, 3, A_VGATE_CLOSED},
                                                     {8, 4, A_VGATE_CLOSED},
                                                     {3, 5, A_SOURCE},
                                                     {6, 5, A_SINK},
                                                     {14, 3, A_EXIT_BLOCK},
                                                     {14, 4, A_EXIT_BLOCK}}) {
        EXPECT_EQ(m_arena->get(t.x, t.y), t.tile) << "(" << t.x << ", " << t.y << ")";
    }
    std::vector<turret*> turrets = all_of<turret>();
    ASSERT_EQ(turrets.size(), 1u);
    EXPECT_EQ(turrets[0]->m_x, 10 * 32.0f);
    EXPECT_EQ(turrets[0]->m_y, 1 * 32.0f);
    EXPECT_EQ(turrets[0]->pic(), m_game->m_bmp_pool.get_bitmap("turret_down.png"));
    EXPECT_EQ(count_of<miner>(), 1);
    EXPECT_EQ(count_of<bobbler>(), 2);
    EXPECT_EQ(count_of<ball>(), 1);
    EXPECT_EQ(m_arena->gravity(), 40.0f);
    // The air resistance, measured on the ship's drag with gravity off.
    s->m_dx = 100;
    s->m_dy = 0;
    m_arena->set_gravity(0);
    m_arena->apply_forces(0.04f);
    EXPECT_NEAR((100 - s->m_dx) * s->m_mass / (0.04f * 100), 1.2f, 1e-3f);
    EXPECT_FALSE(next_level(loader, description)) << "one level only";
}

TEST_F(level_check, the_guide_lists_the_messages_the_loader_gives_for_broken_files)
{
    std::ifstream in(level_guide());
    ASSERT_TRUE(in) << level_guide();
    std::ostringstream text;
    text << in.rdbuf();
    const std::string guide = text.str();
    struct broken_case {
        const char* file;     // after "L:START\n", with the map "A:S" where it needs one
        const char* message;  // as the guide quotes it
    };
    const std::vector<broken_case> cases = {
        {"A:S\nL:START\nL:END\n", "L:START inside level!"},
        {"A:S\nL:END\nL:END\n", "L:END outside level! (Usually, this is caused by a missing START)"},
        {"A:S\n", "Final level never ends!"},
        {"A:S..\nA:#\nL:END\n", "mismatched arena line lengths!"},
        {"A:S\nE: BOBBLERS 1 2 3\nL:END\n", "Invalid BOBBLERS entry"},
        {"A:S\nE: MINER 1\nL:END\n", "Invalid MINER entry"},
        {"A:S\nE: GRALDOR 1\nL:END\n", "Invalid GRALDOR entry"},
        {"A:S\nE: INVADER 1 2 3\nL:END\n", "Invalid INVADER entry"},
        {"A:S\nE: UFO 1 2 3\nL:END\n", "Invalid UFO entry"},
        {"A:S\nE: ASTEROID 1\nL:END\n", "Invalid ASTEROID entry"},
        {"A:S\nC: CONNECT 1 2 3\nL:END\n", "Invalid CONNECT entry"},
        {"A:S\nC: KICK 1\nL:END\n", "Invalid KICK entry"},
        {"A:S\nE: MINER 20000 1\nL:END\n", "Invalid MINER entry: numbers must lie between -10000 and 10000"},
        {"A:S\nE: BOBBLERS 1 1 1001 0\nL:END\n", "Invalid BOBBLERS entry: at most 1000 bobblers in one level"},
        {"A:S\nE: BOBBLERS 1 1 1 400000\nL:END\n",
         "Invalid BOBBLERS entry: the spread must lie between -320000 and 320000"},
        {"A:S\nP: GRAVITY = 2000\nL:END\n", "Invalid GRAVITY entry: gravity must lie between -1000 and 1000"},
        {"A:S\nP: AIR_RESISTANCE = -1\nL:END\n",
         "Invalid AIR_RESISTANCE entry: air resistance must lie between 0 and 25"},
        {"A:S\nL:NEXT\nL:END\n", "Unexpected L: code"},
        {"D: no map\nL:END\n", "Level has no map: a level needs at least one A: line"},
        {"A:\nL:END\n", "Level map has empty rows: an A: line needs at least one character"},
        {"A:S..\nL:END\n", nullptr},  // a good one, for the table's sake
        {"A:.#.\nL:END\n", "First level has no S: the ship needs a start tile"},
    };
    for (const broken_case& c : cases) {
        SCOPED_TRACE(c.file);
        write_file("levels/levels.txt", std::string("L:START\n") + c.file);
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
        testing::internal::CaptureStdout();
        std::string thrown;
        try {
            level_loader loader(path("levels/levels.txt"));
            std::string description;
            while (loader.next_level(*m_arena, description)) {
            }
        } catch (whinage& w) {
            thrown = w.what();
        }
        const std::string log = testing::internal::GetCapturedStdout();
        if (!c.message) {
            EXPECT_EQ(thrown, "") << log;
            continue;
        }
        EXPECT_NE(log.find(std::string(": ") + c.message), std::string::npos) << log;
        EXPECT_NE(guide.find(std::string("`") + c.message + "`"), std::string::npos)
            << "the guide does not quote \"" << c.message << "\"";
    }
    // A map too wide for the game's background.
    write_file("levels/levels.txt", "L:START\nA:S" + std::string(600, '.') + "\nL:END\n");
    testing::internal::CaptureStdout();
    std::string thrown;
    try {
        level_loader loader(path("levels/levels.txt"));
        std::string description;
        loader.next_level(*m_arena, description);
    } catch (whinage& w) {
        thrown = w.what();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(thrown, "Level map too large: at most 511 tiles each way");
    EXPECT_NE(guide.find("`" + thrown + "`"), std::string::npos);
}

// ------------------------------------------------------- the shipped file

TEST_F(level_check, every_shipped_level_passes_every_rule)
{
    // The game's own pictures, so that walls and enemies have their true
    // shapes; then an arena that loads them.
    use_game_data(false);
    const std::string file = shipped_level_file();
    ASSERT_TRUE(fs::exists(file)) << file;
    const problems found = check_file(file, every_rule);
    EXPECT_TRUE(found.empty()) << found.size() << " problems in " << file << ":\n" << listed(found);
    EXPECT_GT(m_levels_read, 0u);
}
