// The level file: tokenizer, the check of its blocks, the reading of one
// block and the build of its level in the arena.
#include "levels.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <locale>
#include <sstream>

#include "arena.h"
#include "debug.h"
#include "enemies.h"
#include "etc.h"

namespace {
const char* const this_file = "levels";

// The widest and tallest map whose background SDL can make.
const int max_map_pixels = 16383;

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

// Everything one block collects before its level is built.
struct level_block {
    std::deque<std::string> strings;
    std::string description;
    std::deque<bobbler_swarm> bobblers;
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
        block.bobblers.push_back({n[0] * 32.0f, n[1] * 32.0f, truncate(n[2]), n[3]});
    } else if (read_word(line, "MINER")) {
        read_numbers(line, n, 2, 310, "Invalid MINER entry");
        block.miners.push_back({n[0] * 32.0f, n[1] * 32.0f});
    } else if (read_word(line, "GRALDOR")) {
        read_numbers(line, n, 2, 320, "Invalid GRALDOR entry");
        block.graldors.push_back({n[0] * 32.0f, n[1] * 32.0f});
    } else if (read_word(line, "INVADER")) {
        read_numbers(line, n, 4, 330, "Invalid INVADER entry");
        block.invaders.push_back({n[0] * 32.0f, n[1] * 32.0f, n[2] * 32.0f, n[3] * 32.0f});
    } else if (read_word(line, "UFO")) {
        read_numbers(line, n, 4, 340, "Invalid UFO entry");
        block.ufos.push_back({n[0] * 32.0f, n[1] * 32.0f, n[2] * 32.0f, n[3] * 32.0f});
    } else if (read_word(line, "ASTEROID")) {
        read_numbers(line, n, 2, 350, "Invalid ASTEROID entry");
        block.asteroids.push_back({n[0] * 32.0f, n[1] * 32.0f});
    } else if (read_word(line, "ASTUFO")) {
        block.ast_ufos.push_back({});
    }
}

void read_connection(std::string& line, level_block& block)
{
    float n[4];
    if (read_word(line, "CONNECT")) {
        read_numbers(line, n, 4, 370, "Invalid CONNECT entry");
        block.connections.push_back({truncate(n[0]), truncate(n[1]), truncate(n[2]), truncate(n[3])});
    } else if (read_word(line, "KICK")) {
        read_numbers(line, n, 2, 380, "Invalid KICK entry");
        block.kicks.push_back({truncate(n[0]), truncate(n[1])});
    }
}

void read_physics(std::string& line, level_block& block)
{
    // One P: item sets one value: the gravity or, failing that, the air.
    if (read_word(line, "GRAVITY") && read_word(line, "=") && read_number(line, block.new_gravity))
        block.change_gravity = true;
    else if (read_word(line, "AIR_RESISTANCE") && read_word(line, "=") &&
             read_number(line, block.new_air_resistance))
        block.change_air_resistance = true;
}

// What the file leaves open, refused before the arena is touched.
void check_map(const level_block& block, bool spawn_set)
{
    if (block.strings.empty())
        whine(this_file, 404, "Level has no map: a level needs at least one A: line");
    const std::string& first = block.strings.front();
    if (first.empty())
        whine(this_file, 405, "Level map has empty rows: an A: line needs at least one character");
    if (static_cast<long long>(first.size()) * 32 > max_map_pixels ||
        static_cast<long long>(block.strings.size()) * 32 > max_map_pixels)
        whine(this_file, 406,
              "Level map too large: at most " + int2str(max_map_pixels / 32) + " tiles each way");
    if (spawn_set)
        return;
    for (const std::string& row : block.strings) {
        if (row.find('S') != std::string::npos)
            return;
    }
    whine(this_file, 407, "First level has no S: the ship needs a start tile");
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
                t->teleport(static_cast<float>(32 * x), static_cast<float>(32 * y));
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
    m_input.open(filename.c_str());
    if (!m_input)
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
                whine(this_file, 403, "Unexpected L: code");
            check_map(block, m_spawn_set);
            build_level(the_arena, block);
            for (const std::string& row : block.strings)
                m_spawn_set = m_spawn_set || row.find('S') != std::string::npos;
            desc = block.description;
            return true;
        }
    }
}
