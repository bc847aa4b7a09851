// The level file: its tokenizer, the level_loader that checks the file and
// reads it one level block at a time, and the construction of a level in
// the arena (tiles, spawn tile, turrets, enemies, connections, physics).
#ifndef VANTREL_LEVELS_H
#define VANTREL_LEVELS_H

#include <deque>
#include <fstream>
#include <string>

class arena;

// The tokenizer. Each reads from the front of line and, where it reads
// something, removes what it read.
// True when line, after leading white space, begins with word (a prefix
// match); line then loses everything up to the end of word.
bool read_word(std::string& line, const std::string& word);
// Skips to the next run of number characters and reads it as a float.
bool read_number(std::string& line, float& number);
bool is_number_digit(char c);
void kill_leading_whitespace(std::string& str);
// Blanks only: a tab at the end stays.
void kill_trailing_whitespace(std::string& str);

// The records a level block collects, positions in pixels (connections and
// kicks in whole tiles).
struct bobbler_swarm {
    float x, y;
    int num;
    float radius;
};
struct miner_order {
    float x, y;
};
struct graldor_order {
    float x, y;
};
struct invader_order {
    float x, y, xmin, xmax;
};
struct ufo_order {
    float x, y, xmin, xmax;
};
struct asteroid_order {
    float x, y;
};
struct ast_ufo_order {};
struct connect_order {
    int xc, yc, xe, ye;
};
struct kick_order {
    int x, y;
};

// Sizes the map from the rows (top row first) and writes its tiles, the
// spawn tile and the turrets.
template <typename T>
void construct_level(arena& the_arena, T strings, int height);
// n bobblers scattered normally about (x, y) with the spread radius.
void make_bobbler_swarm(arena& the_arena, float x, float y, int n, float radius);

class level_loader {
public:
    // Opens and checks the file; a bad nesting of L:START and L:END throws
    // whinage naming the file's line.
    explicit level_loader(const std::string& filename);

    // True once the stream has failed: no level is left.
    bool end_of_file() const;
    // Builds the next level block into the_arena and gives its description;
    // false when no block is left. A bad item throws whinage before the
    // arena is touched.
    bool next_level(arena& the_arena, std::string& desc);

private:
    bool read_line(std::string& line);

    std::ifstream m_input;
    // Whether a level of this game has set the spawn tile yet.
    bool m_spawn_set;
};

#endif
