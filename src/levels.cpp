// The level file: tokenizer, the check of its blocks, the reading of one
// block and the build of its level in the arena.
#include "levels.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <locale>
#include <sstream>
#include <system_error>

#include "arena.h"
#include "debug.h"
#include "enemies.h"
#include "etc.h"

namespace {
const char* const this_file = "levels";

// The widest and tallest map whose background SDL can make.
const int max_map_pixels = 16383;

// Limits on the numbers of the file, so that nothing absurd reaches the
// arena's float-to-int conversions or its fixed time step. Positions of E:
// items and tiles of C: items, in tiles, either side of the map's corner
// (maps are at most 511 tiles).
const int max_tiles = 10000;
// The spread of a swarm, in pixels: as far as positions reach.
const int max_spread = max_tiles * TILE_SIZE;
// Bobblers of one level, all its swarms together.
const int max_bobblers = 1000;
const int max_gravity = 1000;
// Above this the drag of the lightest movers (mass 1) would more than stop
// them within one 0.04 s step; below 0 it would speed everything up for ever.
const int max_air_resistance = 25;

// The loader's own codes, logged where the other errors give a line (see
// debug.h); kept stable like those lines.
enum loader_code {
    LC_UNEXPECTED_L = 403,         // "L:" inside a block followed by anything but END
    LC_NO_MAP = 404,               // a block without an A: row
    LC_EMPTY_ROWS = 405,           // A: rows without a character
    LC_MAP_TOO_LARGE = 406,        // more tiles either way than a background can hold
    LC_NO_SPAWN = 407,             // no S tile yet, in this level or an earlier one
    LC_TILES_OUT_OF_RANGE = 408,   // a position or tile of an E: or C: item beyond max_tiles
    LC_TOO_MANY_BOBBLERS = 409,    // more than max_bobblers in one level
    LC_SPREAD_OUT_OF_RANGE = 410,  // a swarm's spread beyond max_spread
    LC_GRAVITY_OUT_OF_RANGE = 411, // GRAVITY beyond max_gravity
    LC_AIR_OUT_OF_RANGE = 412,     // AIR_RESISTANCE below 0 or beyond max_air_resistance
};

bool is_white(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Truncation toward zero that stays inside int, whatever the file says.
int truncate(float v)
{
    if (!(v > INT_MIN))  // NaN too
        return v > 0 ? INT_MAX : INT_MIN;
    if (v >= static_cast<float>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(v);
}

// The tile each map character stands for; A_EMPTY for none.
arena_t tile_of(char c)
{
    switch (c) {
    case '#': return A_BLOCK;
    case '7': return A_BLOCK_DIAGTL;
    case '9': return A_BLOCK_DIAGTR;
    case '1': return A_BLOCK_DIAGBL;
    case '5': return A_BLOCK_DIAGBR;
    case 'X': return A_EXIT_BLOCK;
    case 'B': return A_SOURCE;
    case 'T': return A_SINK;
    case '|': return A_PIPE_UD;
    case '-': return A_PIPE_LR;
    case 'q': return A_PIPE_LD;
    case 'd': return A_PIPE_LU;
    case 'p': return A_PIPE_RD;
    case 'b': return A_PIPE_RU;
    case 'W': return A_PIPE_TU;
    case 'M': return A_PIPE_TD;
    case '3': return A_PIPE_TL;
    case 'E': return A_PIPE_TR;
    case '+': return A_PIPE_CROSS;
    case '>': return A_BUTTON_L;
    case 'v': return A_BUTTON_U;
    case '<': return A_BUTTON_R;
    case '^': return A_BUTTON_D;
    case 'V': return A_VGATE_CLOSED;
    case 'H': return A_HGATE_CLOSED;
    case 's': return A_SHOP;
    default: return A_EMPTY;
    }
}

// "L" then ":" (a tag letter is consumed even when no colon follows).
bool read_tag(std::string& line, const char* letter) { return read_word(line, letter) && read_word(line, ":"); }

// Reads the n numbers of one item, or raises its error at the first missing one.
void read_numbers(std::string& line, float* numbers, int n, int error_line, const char* error)
{
    for (int i = 0; i < n; ++i) {
        if (!read_number(line, numbers[i]))
            whine(this_file, error_line, error);
    }
}

// NaN fails this too.
bool within(float v, int low, int high) { return v >= static_cast<float>(low) && v <= static_cast<float>(high); }

std::string range(int low, int high) { return " must lie between " + int2str(low) + " and " + int2str(high); }

// Positions and tiles: numbers[first] to numbers[last - 1].
void check_tiles(const float* numbers, int first, int last, const char* error)
{
    for (int i = first; i < last; ++i) {
        if (!within(numbers[i], -max_tiles, max_tiles))
            whine(this_file, LC_TILES_OUT_OF_RANGE,
                  std::string(error) + ": numbers" + range(-max_tiles, max_tiles));
    }
}

// Everything one block collects before its level is built.
struct level_block {
    std::deque<std::string> strings;
    std::string description;
    std::deque<bobbler_swarm> bobblers;
    long long bobbler_count = 0;  // of all its swarms
    std::deque<miner_order> miners;
    std::deque<graldor_order> graldors;
    std::deque<invader_order> invaders;
    std::deque<ufo_order> ufos;
    std::deque<asteroid_order> asteroids;
    std::deque<ast_ufo_order> ast_ufos;
    std::deque<connect_order> connections;
    std::deque<kick_order> kicks;
    bool change_gravity = false;
    float new_gravity = 0;
    bool change_air_resistance = false;
    float new_air_resistance = 0;
};

void read_map_row(std::string& line, level_block& block)
{
    kill_leading_whitespace(line);
    kill_trailing_whitespace(line);
    if (!block.strings.empty() && line.size() != block.strings.front().size())
        whine(this_file, 283, "mismatched arena line lengths!\n" + line);
    block.strings.push_back(line);
}

void read_enemy(std::string& line, level_block& block)
{
    float n[4];
    if (read_word(line, "BOBBLERS")) {
        read_numbers(line, n, 4, 300, "Invalid BOBBLERS entry");
        check_tiles(n, 0, 2, "Invalid BOBBLERS entry");
        int num = truncate(n[2]);
        if (num > 0)
            block.bobbler_count += num;
        if (block.bobbler_count > max_bobblers)
            whine(this_file, LC_TOO_MANY_BOBBLERS,
                  "Invalid BOBBLERS entry: at most " + int2str(max_bobblers) + " bobblers in one level");
        if (!within(n[3], -max_spread, max_spread))
            whine(this_file, LC_SPREAD_OUT_OF_RANGE,
                  "Invalid BOBBLERS entry: the spread" + range(-max_spread, max_spread));
        block.bobblers.push_back({n[0] * TILE_SIZE, n[1] * TILE_SIZE, num, n[3]});
    } else if (read_word(line, "MINER")) {
        read_numbers(line, n, 2, 310, "Invalid MINER entry");
        check_tiles(n, 0, 2, "Invalid MINER entry");
        block.miners.push_back({n[0] * TILE_SIZE, n[1] * TILE_SIZE});
    } else if (read_word(line, "GRALDOR")) {
        read_numbers(line, n, 2, 320, "Invalid GRALDOR entry");
        check_tiles(n, 0, 2, "Invalid GRALDOR entry");
        block.graldors.push_back({n[0] * TILE_SIZE, n[1] * TILE_SIZE});
    } else if (read_word(line, "INVADER")) {
        read_numbers(line, n, 4, 330, "Invalid INVADER entry");
        check_tiles(n, 0, 4, "Invalid INVADER entry");
        block.invaders.push_back({n[0] * TILE_SIZE, n[1] * TILE_SIZE, n[2] * TILE_SIZE, n[3] * TILE_SIZE});
    } else if (read_word(line, "UFO")) {
        read_numbers(line, n, 4, 340, "Invalid UFO entry");
        check_tiles(n, 0, 4, "Invalid UFO entry");
        block.ufos.push_back({n[0] * TILE_SIZE, n[1] * TILE_SIZE, n[2] * TILE_SIZE, n[3] * TILE_SIZE});
    } else if (read_word(line, "ASTEROID")) {
        read_numbers(line, n, 2, 350, "Invalid ASTEROID entry");
        check_tiles(n, 0, 2, "Invalid ASTEROID entry");
        block.asteroids.push_back({n[0] * TILE_SIZE, n[1] * TILE_SIZE});
    } else if (read_word(line, "ASTUFO")) {
        block.ast_ufos.push_back({});
    }
}

void read_connection(std::string& line, level_block& block)
{
    float n[4];
    if (read_word(line, "CONNECT")) {
        read_numbers(line, n, 4, 370, "Invalid CONNECT entry");
        check_tiles(n, 0, 4, "Invalid CONNECT entry");
        block.connections.push_back({truncate(n[0]), truncate(n[1]), truncate(n[2]), truncate(n[3])});
    } else if (read_word(line, "KICK")) {
        read_numbers(line, n, 2, 380, "Invalid KICK entry");
        check_tiles(n, 0, 2, "Invalid KICK entry");
        block.kicks.push_back({truncate(n[0]), truncate(n[1])});
    }
}

void read_physics(std::string& line, level_block& block)
{
    // One P: item sets one value: the gravity or, failing that, the air.
    if (read_word(line, "GRAVITY") && read_word(line, "=") && read_number(line, block.new_gravity)) {
        if (!within(block.new_gravity, -max_gravity, max_gravity))
            whine(this_file, LC_GRAVITY_OUT_OF_RANGE,
                  "Invalid GRAVITY entry: gravity" + range(-max_gravity, max_gravity));
        block.change_gravity = true;
    } else if (read_word(line, "AIR_RESISTANCE") && read_word(line, "=") &&
               read_number(line, block.new_air_resistance)) {
        if (!within(block.new_air_resistance, 0, max_air_resistance))
            whine(this_file, LC_AIR_OUT_OF_RANGE,
                  "Invalid AIR_RESISTANCE entry: air resistance" + range(0, max_air_resistance));
        block.change_air_resistance = true;
    }
}

// What the file leaves open, refused before the arena is touched.
void check_map(const level_block& block, bool spawn_set)
{
    if (block.strings.empty())
        whine(this_file, LC_NO_MAP, "Level has no map: a level needs at least one A: line");
    const std::string& first = block.strings.front();
    if (first.empty())
        whine(this_file, LC_EMPTY_ROWS,
              "Level map has empty rows: an A: line needs at least one character");
    if (static_cast<long long>(first.size()) * TILE_SIZE > max_map_pixels ||
        static_cast<long long>(block.strings.size()) * TILE_SIZE > max_map_pixels)
        whine(this_file, LC_MAP_TOO_LARGE,
              "Level map too large: at most " + int2str(max_map_pixels / TILE_SIZE) + " tiles each way");
    if (spawn_set)
        return;
    for (const std::string& row : block.strings) {
        if (row.find('S') != std::string::npos)
            return;
    }
    whine(this_file, LC_NO_SPAWN, "First level has no S: the ship needs a start tile");
}

template <typename T>
void centre_and_add(arena& the_arena, T* m, float x, float y)
{
    m->teleport_centre(x, y);
    the_arena.add_mover(m);
}

// The build, in its fixed order: map, then the enemies kind by kind,
// connections, physics, the start of the level and its kicks.
void build_level(arena& the_arena, const level_block& block)
{
    construct_level(the_arena, block.strings, static_cast<int>(block.strings.size()));
    for (const bobbler_swarm& s : block.bobblers)
        make_bobbler_swarm(the_arena, s.x, s.y, s.num, s.radius);
    for (const miner_order& o : block.miners)
        centre_and_add(the_arena, new miner, o.x, o.y);
    for (const graldor_order& o : block.graldors)
        centre_and_add(the_arena, new graldor, o.x, o.y);
    for (const invader_order& o : block.invaders)
        centre_and_add(the_arena, new invader(o.xmin, o.xmax), o.x, o.y);
    for (const ufo_order& o : block.ufos)
        centre_and_add(the_arena, new ufo(o.y, truncate(o.xmin), truncate(o.xmax)), o.x, o.y);
    for (const asteroid_order& o : block.asteroids)
        centre_and_add(the_arena, new asteroid, o.x, o.y);
    for (size_t i = 0; i < block.ast_ufos.size(); ++i) {
        // It places itself from the map's size.
        the_arena.add_mover(new ast_ufo);
        std::fputs("added!\n", stdout);
    }
    for (const connect_order& c : block.connections)
        the_arena.connect(c.xc, c.yc, c.xe, c.ye);
    if (block.change_gravity)
        the_arena.set_gravity(block.new_gravity);
    if (block.change_air_resistance)
        the_arena.set_air_resistance(block.new_air_resistance);
    the_arena.activate();
    for (const kick_order& k : block.kicks)
        the_arena.apply_effect(k.x, k.y);
}
}

// ------------------------------------------------------------ tokenizer

bool read_word(std::string& line, const std::string& word)
{
    std::string::size_type i = 0;
    while (i < line.size() && is_white(line[i]))
        ++i;
    if (line.compare(i, word.size(), word) != 0 || line.size() - i < word.size())
        return false;
    line.erase(0, i + word.size());
    return true;
}

bool is_number_digit(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool read_number(std::string& line, float& number)
{
    std::string::size_type i = 0;
    while (i < line.size() && !is_number_digit(line[i]))
        ++i;
    if (i == line.size())
        return false;
    std::string::size_type j = i;
    while (j < line.size() && is_number_digit(line[j]))
        ++j;
    // The run's longest leading number; a run without one ("-", ".") gives 0.
    std::istringstream in(line.substr(i, j - i));
    in.imbue(std::locale::classic());
    float value = 0;
    in >> value;
    number = value;
    line.erase(0, j);
    return true;
}

void kill_leading_whitespace(std::string& str)
{
    std::string::size_type i = 0;
    while (i < str.size() && is_white(str[i]))
        ++i;
    str.erase(0, i);
}

void kill_trailing_whitespace(std::string& str)
{
    std::string::size_type end = str.find_last_not_of(' ');
    str.erase(end == std::string::npos ? 0 : end + 1);
}

// ----------------------------------------------------------- construction

template <typename T>
void construct_level(arena& the_arena, T strings, int height)
{
    int width = static_cast<int>(strings[0].size());
    the_arena.set_size(width, height);
    for (int x = 0; x < the_arena.width(); ++x) {
        for (int y = 0; y < the_arena.height(); ++y) {
            char c = strings[y][x];
            arena_t tile = tile_of(c);
            if (tile != A_EMPTY) {
                the_arena.set(x, y, tile);
                continue;
            }
            // Turrets are handed over column by column, each from the top.
            turret* t = nullptr;
            switch (c) {
            case 'S': the_arena.set_player_spawn(x, y); break;
            case 'U': t = new turret(turret::UP); break;
            case 'D': t = new turret(turret::DOWN); break;
            case 'L': t = new turret(turret::LEFT); break;
            case 'R': t = new turret(turret::RIGHT); break;
            default: break;
            }
            if (t) {
                t->teleport(static_cast<float>(TILE_SIZE * x), static_cast<float>(TILE_SIZE * y));
                the_arena.add_mover(t);
            }
        }
    }
}

template void construct_level<std::deque<std::string> >(arena&, std::deque<std::string>, int);

void make_bobbler_swarm(arena& the_arena, float x, float y, int n, float radius)
{
    for (int i = 0; i < n; ++i) {
        bobbler* b = new bobbler;  // draws its own phase first
        float dy = randn() * radius;
        float dx = randn() * radius;
        b->teleport_centre(x + dx, y + dy);
        the_arena.add_mover(b);
    }
}

// ------------------------------------------------------------ the loader

level_loader::level_loader(const std::string& filename) : m_spawn_set(false)
{
    // A directory opens like a file here, and then reads as empty.
    std::error_code ec;
    if (!std::filesystem::is_directory(filename, ec))
        m_input.open(filename.c_str());
    if (!m_input.is_open() || !m_input)
        whine(this_file, 177, "Unable to load file: " + filename);

    std::string line;
    int line_number = 0;
    bool in_level = false;
    try {
        // Only codes at the start of a line count, and only their pairing.
        for (;;) {
            ++line_number;  // the failed last read counts too
            if (!read_line(line))
                break;
            if (!read_tag(line, "L"))
                continue;
            if (read_word(line, "START")) {
                if (in_level)
                    whine(this_file, 198, "L:START inside level!");
                in_level = true;
            }
            if (read_word(line, "END")) {
                if (!in_level)
                    whine(this_file, 205, "L:END outside level! (Usually, this is caused by a missing START)");
                in_level = false;
            }
        }
        if (in_level)
            whine(this_file, 211, "Final level never ends!");
        m_input.clear();
        m_input.seekg(0);
        if (m_input.fail())
            whine(this_file, 216, "Error after reading file!");
    } catch (whinage&) {
        whine(this_file, 221, "Error in line " + int2str(line_number) + " of file " + filename);
    }
}

bool level_loader::read_line(std::string& line)
{
    if (!std::getline(m_input, line))
        return false;
    // A carriage return before the line feed is not part of the line.
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool level_loader::end_of_file() const { return m_input.fail(); }

bool level_loader::next_level(arena& the_arena, std::string& desc)
{
    std::string line;
    // Free text up to the next block; the rest of the L:START line is not read.
    do {
        if (!read_line(line))
            return false;
    } while (!(read_tag(line, "L") && read_word(line, "START")));

    level_block block;
    for (;;) {
        if (!read_line(line))
            return false;  // the unfinished block is dropped
        // The six tags in their fixed order, each on what the earlier left.
        if (read_tag(line, "D"))
            block.description += line + "\n";
        if (read_tag(line, "A"))
            read_map_row(line, block);
        if (read_tag(line, "E"))
            read_enemy(line, block);
        if (read_tag(line, "C"))
            read_connection(line, block);
        if (read_tag(line, "P"))
            read_physics(line, block);
        if (read_tag(line, "L")) {
            if (!read_word(line, "END"))
                whine(this_file, LC_UNEXPECTED_L, "Unexpected L: code");
            check_map(block, m_spawn_set);
            build_level(the_arena, block);
            for (const std::string& row : block.strings)
                m_spawn_set = m_spawn_set || row.find('S') != std::string::npos;
            desc = block.description;
            return true;
        }
    }
}
