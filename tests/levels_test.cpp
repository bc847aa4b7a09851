// The level file: the tokenizer, the loader's check of the file, the
// reading of one block after the other and the level each block builds in
// the arena (tiles, spawn tile, turrets, enemies, connections, kicks,
// physics).
#include <cfloat>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "debug.h"
#include "etc.h"
#include "levels.h"

namespace {
const char* const level_path = "levels/levels.txt";

std::string join_lines(const std::vector<std::string>& lines, bool final_line_feed = true)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || final_line_feed)
            out += "\n";
    }
    return out;
}

// One block around body (lines that each end with a line feed).
std::string block(const std::string& body) { return "L:START\n" + body + "L:END\n"; }

// A 10 x 8 map: spawn on (0, 0), a button on (1, 2), closed vertical gates
// on (0, 3) and (5, 6).
const char* const plain_map =
    "A: S.........\n"
    "A: ..........\n"
    "A: .>........\n"
    "A: V.........\n"
    "A: ..........\n"
    "A: ..........\n"
    "A: .....V....\n"
    "A: ..........\n";

arena_t tile_of_character(char c)
{
    auto found = map_characters.find(c);
    return found == map_characters.end() ? A_EMPTY : found->second;
}

std::string kind_of(mover* m)
{
    if (dynamic_cast<turret*>(m))
        return "turret";
    if (dynamic_cast<bobbler*>(m))
        return "bobbler";
    if (dynamic_cast<miner*>(m))
        return "miner";
    if (dynamic_cast<graldor*>(m))
        return "graldor";
    if (dynamic_cast<invader*>(m))
        return "invader";
    if (dynamic_cast<ufo*>(m))
        return "ufo";
    if (dynamic_cast<asteroid*>(m))
        return "asteroid";
    if (dynamic_cast<ast_ufo*>(m))
        return "ast_ufo";
    if (dynamic_cast<ball*>(m))
        return "ball";
    if (dynamic_cast<ship*>(m))
        return "ship";
    return "other";
}

// A loader on the level file of a fresh run folder, and the game's arena.
class level_test : public arena_test {
protected:
    void open(const std::string& text)
    {
        write_file(level_path, text);
        m_loader.reset(new level_loader(level_path));
    }
    bool next() { return m_loader->next_level(*m_arena, m_desc); }
    // Opens a file of one or more blocks and reads the first.
    void load(const std::string& text)
    {
        open(text);
        ASSERT_TRUE(next());
    }

    // A new arena, as a new game makes it.
    void new_arena()
    {
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
    }

    // Every mover of the main list but the ship, with its centre.
    std::string movers_summary()
    {
        std::ostringstream out;
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            mover* m = m_arena->get_mover(i);
            if (dynamic_cast<ship*>(m))
                continue;
            if (out.tellp() > 0)
                out << "; ";
            out << kind_of(m) << ' ' << m->x_centre() << ',' << m->y_centre();
        }
        return out.str();
    }
    std::vector<std::string> kinds_in_main_list()
    {
        std::vector<std::string> out;
        for (int i = 0; i < m_arena->num_movers(); ++i)
            out.push_back(kind_of(m_arena->get_mover(i)));
        return out;
    }
    // The cells whose gate is between its two states, column by column.
    std::string gates_moving()
    {
        std::ostringstream out;
        for (int x = 0; x < m_arena->width(); ++x) {
            for (int y = 0; y < m_arena->height(); ++y) {
                arena_t t = m_arena->get(x, y);
                if ((t > A_VGATE_CLOSED && t < A_VGATE_OPEN) || (t > A_HGATE_CLOSED && t < A_HGATE_OPEN))
                    out << (out.tellp() > 0 ? " " : "") << x << ',' << y;
            }
        }
        return out.str();
    }
    std::vector<int> all_tiles()
    {
        std::vector<int> out;
        for (int x = 0; x < m_arena->width(); ++x)
            for (int y = 0; y < m_arena->height(); ++y)
                out.push_back(m_arena->get(x, y));
        return out;
    }
    std::vector<mover*> main_list()
    {
        std::vector<mover*> out;
        for (int i = 0; i < m_arena->num_movers(); ++i)
            out.push_back(m_arena->get_mover(i));
        return out;
    }
    // The horizontal speed left of 100 after one force step of a second:
    // 100 - k * 100 / mass with the arena's air resistance k.
    float ship_speed_after_drag()
    {
        ship* s = the_ship();
        if (!s)
            return -1;
        s->m_dx = 100;
        s->m_dy = 0;
        m_arena->apply_forces(1.0f);
        return s->m_dx;
    }
    float expected_speed_after_drag(float k)
    {
        ship* s = the_ship();
        return s ? 100.0f - k * (1.0f * 100.0f) / s->m_mass : -2;
    }
    // The top-left corner of the ship; (-1, -1) without a ship.
    std::pair<float, float> ship_corner()
    {
        ship* s = the_ship();
        return s ? std::make_pair(s->m_x, s->m_y) : std::make_pair(-1.0f, -1.0f);
    }
    // A shot at (x, y) presses the button it lies in during the next frame.
    void press_with_shot(float x, float y)
    {
        shot* s = new shot("shot.png", 10.0f, 0, nullptr, nullptr);
        s->teleport(x, y);
        m_arena->add_mover(s);
    }

    std::unique_ptr<level_loader> m_loader;
    std::string m_desc;
};

class level_file_check : public level_test {};
class level_reader : public level_test {};
class level_construction : public level_test {};
}

// ------------------------------------------------------------ tokenizer

TEST(level_tokenizer, read_word_is_a_prefix_match_after_leading_white_space)
{
    const struct {
        const char* line;
        const char* word;
        bool found;
        const char* left;
    } cases[] = {
        {"START", "START", true, ""},
        {"  \tSTART rest", "START", true, " rest"},
        {"\n\v\f\rL:", "L", true, ":"},
        {"STARTX", "START", true, "X"},
        {"BOBBLERS2 3", "BOBBLERS", true, "2 3"},
        {"MINERS 3 4", "MINER", true, "S 3 4"},
        {" : START", ":", true, " START"},
        {"start", "START", false, "start"},
        {"STAR", "START", false, "STAR"},
        {"   STAR", "START", false, "   STAR"},
        {"STXRT", "START", false, "STXRT"},
        {"x START", "START", false, "x START"},
        {"ASTUFO", "ASTEROID", false, "ASTUFO"},
        {"BOBBLER 1 2", "BOBBLERS", false, "BOBBLER 1 2"},
        {"", "L", false, ""},
        {" \t ", "L", false, " \t "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.line + "' / '" + c.word + "'");
        std::string line = c.line;
        EXPECT_EQ(read_word(line, c.word), c.found);
        EXPECT_EQ(line, c.left);
    }
}

TEST(level_tokenizer, read_number_reads_the_next_run_of_number_characters)
{
    // Each line read until read_number fails: the numbers in order and
    // what the first read leaves.
    const struct {
        const char* line;
        std::vector<float> numbers;
        const char* left_after_first;
    } cases[] = {
        {"3 4", {3, 4}, " 4"},
        {"x=3, y=4", {3, 4}, ", y=4"},
        {"3,4", {3, 4}, ",4"},
        {"3-4 5", {3, 5}, " 5"},
        {"1e3 2", {1, 3, 2}, "e3 2"},
        {"+3 4", {3, 4}, " 4"},
        {"1.5.2 4", {1.5f, 4}, " 4"},
        {"- 4", {0, 4}, " 4"},
        {".", {0}, ""},
        {"--3", {0}, ""},
        {"-.5 5.", {-0.5f, 5}, " 5."},
        {" -20", {-20}, ""},
        {"2.9", {2.9f}, ""},
        {"007x", {7}, "x"},
        {"3 C: KICK 5 6", {3, 5, 6}, " C: KICK 5 6"},
        {"GRAVITY = fast 30", {30}, ""},
        // Out of range: the stream's largest value, its failure ignored.
        {"1000000000000000000000000000000000000000000000 2", {FLT_MAX, 2}, " 2"},
        {"-1000000000000000000000000000000000000000000000", {-FLT_MAX}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string line = c.line;
        std::vector<float> read;
        std::string after_first;
        float n = 0;
        while (read_number(line, n)) {
            read.push_back(n);
            if (read.size() == 1)
                after_first = line;
            if (read.size() > 10)
                break;
        }
        EXPECT_EQ(read, c.numbers);
        EXPECT_EQ(after_first, c.left_after_first);
    }
}

TEST(level_tokenizer, read_number_without_a_number_leaves_line_and_number_alone)
{
    for (const char* text : {"", "   ", "no digits here", "E: MINER x y", "+e,"}) {
        SCOPED_TRACE(text);
        std::string line = text;
        float n = 99.5f;
        EXPECT_FALSE(read_number(line, n));
        EXPECT_EQ(line, text);
        EXPECT_EQ(n, 99.5f);
    }
}

TEST(level_tokenizer, number_digits_are_the_ten_digits_minus_and_point)
{
    const std::string digits = "0123456789-.";
    for (int c = -128; c < 128; ++c) {
        SCOPED_TRACE(c);
        char ch = static_cast<char>(c);
        EXPECT_EQ(is_number_digit(ch), c > 0 && digits.find(ch) != std::string::npos);
    }
}

TEST(level_tokenizer, leading_white_space_goes_and_only_trailing_blanks_go)
{
    const struct {
        const char* text;
        const char* without_leading;
        const char* without_trailing;
    } cases[] = {
        {"##..##", "##..##", "##..##"},
        {"   ##..##  ", "##..##  ", "   ##..##"},
        {" \t\n\v\f\r##", "##", " \t\n\v\f\r##"},
        {"##\t", "##\t", "##\t"},
        {"## \t  ", "## \t  ", "## \t"},
        {"#  #", "#  #", "#  #"},
        {"##\n", "##\n", "##\n"},
        {"    ", "", ""},
        {"\t", "", "\t"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        std::string leading = c.text, trailing = c.text;
        kill_leading_whitespace(leading);
        kill_trailing_whitespace(trailing);
        EXPECT_EQ(leading, c.without_leading);
        EXPECT_EQ(trailing, c.without_trailing);
    }
}

// ------------------------------------------------------------ file check

TEST_F(level_file_check, a_missing_file_is_reported_once)
{
    failure f = run_captured([&] { level_loader l("levels/none.txt"); });
    EXPECT_TRUE(f.thrown);
    EXPECT_EQ(f.what, "Unable to load file: levels/none.txt");
    EXPECT_EQ(f.log, "levels, line 177: Unable to load file: levels/none.txt\n");
}

TEST_F(level_file_check, a_file_that_cannot_be_rewound_is_reported_after_its_last_line)
{
    // A pipe reads like the file but cannot seek back to its start.
    const std::string fifo = path(level_path);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([fifo] {
        // Non-blocking until the loader has opened its end, for at most 10 s.
        for (int i = 0; i < 1000; ++i) {
            int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                const std::string text = "L:START\nA: S\nL:END\n";
                ssize_t written = ::write(fd, text.data(), text.size());
                (void)written;
                ::close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    failure f = run_captured([&] { level_loader l(level_path); });
    writer.join();
    EXPECT_TRUE(f.thrown);
    EXPECT_EQ(f.what, "Error in line 4 of file levels/levels.txt");
    EXPECT_EQ(f.log,
              "levels, line 216: Error after reading file!\n"
              "levels, line 221: Error in line 4 of file levels/levels.txt\n");
}

TEST_F(level_file_check, bad_nesting_names_the_error_and_then_the_file_line)
{
    // Eleven lines of a block that is still open on line 12.
    std::vector<std::string> open_on_12 = {"First level", "L:START", "D: Hello", "A: S..."};
    while (open_on_12.size() < 11)
        open_on_12.push_back("A: ....");
    open_on_12.push_back("L:START");
    open_on_12.push_back("L:END");
    // Forty lines whose last block lacks its L:END.
    std::vector<std::string> forty = {"L:START", "A: S", "L:END", "L:START"};
    while (forty.size() < 40)
        forty.push_back("A: .");

    const struct {
        const char* what;
        std::string text;
        const char* first_log;
        int line;
    } cases[] = {
        {"L:START inside a block", join_lines(open_on_12), "levels, line 198: L:START inside level!", 12},
        {"two starts", "L:START\nL:START\nL:END\n", "levels, line 198: L:START inside level!", 2},
        {"L:END outside",  "free text\nL:END\n",
         "levels, line 205: L:END outside level! (Usually, this is caused by a missing START)", 2},
        {"a second L:END", "L:START\nL:END\nL:END\n",
         "levels, line 205: L:END outside level! (Usually, this is caused by a missing START)", 3},
        {"L:ENDE outside", "L:ENDE\n",
         "levels, line 205: L:END outside level! (Usually, this is caused by a missing START)", 1},
        {"L:START END then L:END", "L:START END\nA: S\nL:END\n",
         "levels, line 205: L:END outside level! (Usually, this is caused by a missing START)", 3},
        {"a code not at the start of its line", "x L:START\nL:END\n",
         "levels, line 205: L:END outside level! (Usually, this is caused by a missing START)", 2},
        {"carriage returns", "L:START\r\nL:END\r\nL:END\r\n",
         "levels, line 205: L:END outside level! (Usually, this is caused by a missing START)", 3},
        {"last block open, final line feed", join_lines(forty, true), "levels, line 211: Final level never ends!",
         41},
        {"last block open, no final line feed", join_lines(forty, false),
         "levels, line 211: Final level never ends!", 41},
        {"blanks around L and colon open", "  L : START\nA: S\n", "levels, line 211: Final level never ends!",
         3},
        {"L:STARTX opens", "L:STARTX\n", "levels, line 211: Final level never ends!", 2},
        {"D: L:END is no code", "L:START\nA: S\nD: L:END\n", "levels, line 211: Final level never ends!", 4},
        {"an empty last line", "L:START\n\n", "levels, line 211: Final level never ends!", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        failure f = run_captured([&] { open(c.text); });
        std::string second = "Error in line " + std::to_string(c.line) + " of file levels/levels.txt";
        EXPECT_TRUE(f.thrown);
        EXPECT_EQ(f.what, second);
        EXPECT_EQ(f.log, std::string(c.first_log) + "\nlevels, line 221: " + second + "\n");
    }
}

TEST_F(level_file_check, good_nesting_passes_silently_and_rewinds)
{
    const struct {
        const char* what;
        const char* text;
        const char* first_read;  // "none", "level" or "error"
    } cases[] = {
        {"an empty file", "", "none"},
        {"comments only", "Vantrel levels\nby hand\n", "none"},
        {"codes in lower case", "l:start\nL:start\n", "none"},
        {"L:NEXT outside", "L:NEXT\n", "none"},
        {"L:START END on one line", "L:START END\n", "none"},
        {"L:STARTEND", "L:STARTEND\n", "none"},
        {"a block", "L:START\nA: S\nL:END\n", "level"},
        {"no final line feed", "L:START\nA: S\nL:END", "level"},
        {"carriage returns", "L:START\r\nA: S\r\nL:END\r\n", "level"},
        {"blanks around L and colon", "  L : START\nA: S\n\tL :END\n", "level"},
        {"L:NEXT inside", "L:START\nL:NEXT\nA: S\nL:END\n", "error"},
        {"D:L:END inside", "L:START\nA: S\nD:L:END\nL:END\n", "level"},
        {"D: L:START inside", "L:START\nD: L:START\nA: S\nL:END\n", "error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        failure f = run_captured([&] { open(c.text); });
        ASSERT_FALSE(f.thrown) << f.what;
        EXPECT_EQ(f.log, "");
        EXPECT_FALSE(m_loader->end_of_file());
        // The check rewound the file: its first block is read from the start.
        new_arena();
        const std::string expected = c.first_read;
        if (expected == "error") {
            // Items and codes inside a block are examined only when it is read.
            EXPECT_TRUE(run_captured([&] { next(); }).thrown);
            continue;
        }
        EXPECT_EQ(next(), expected == "level");
        EXPECT_EQ(m_loader->end_of_file(), expected == "none");
    }
}

// ------------------------------------------------------------ reading

TEST_F(level_reader, a_file_without_blocks_gives_no_level_and_touches_nothing)
{
    for (const char* text : {"", "Just a title\nand a comment\n", "L:NEXT\nl:start\n"}) {
        SCOPED_TRACE(text);
        new_arena();
        open(text);
        m_desc = "kept";
        EXPECT_FALSE(next());
        EXPECT_TRUE(m_loader->end_of_file());
        EXPECT_EQ(m_desc, "kept");
        EXPECT_EQ(m_arena->width(), 0);
        EXPECT_EQ(m_arena->num_movers(), 0);
        EXPECT_FALSE(next());
    }
}

TEST_F(level_reader, blocks_are_read_in_turn_and_the_end_is_met_one_call_later)
{
    for (bool final_line_feed : {true, false}) {
        SCOPED_TRACE(final_line_feed ? "final line feed" : "no final line feed");
        std::string text = "Vantrel\nL:START\nD: one\nA: S..\nL:END\n"
                           "Level two: free text, E: MINER 1 1 here is no item\n\n"
                           "L:START ignored rest E: MINER 1 1\nD: two\nA: .S.#\nL:END";
        if (final_line_feed)
            text += "\n";
        new_arena();
        open(text);

        ASSERT_TRUE(next());
        EXPECT_EQ(m_desc, " one\n");
        EXPECT_EQ(m_arena->width(), 3);
        EXPECT_FALSE(m_loader->end_of_file());

        ASSERT_TRUE(next());
        EXPECT_EQ(m_desc, " two\n");
        EXPECT_EQ(m_arena->width(), 4);
        EXPECT_EQ(m_arena->get(3, 0), A_BLOCK);
        EXPECT_EQ(movers_summary(), "");
        // The stream may stand at the end of the file but has not failed.
        EXPECT_FALSE(m_loader->end_of_file());

        m_desc = "kept";
        EXPECT_FALSE(next());
        EXPECT_TRUE(m_loader->end_of_file());
        EXPECT_EQ(m_desc, "kept");
        EXPECT_EQ(m_arena->width(), 4);
        EXPECT_FALSE(next());
        EXPECT_TRUE(m_loader->end_of_file());
    }
}

TEST_F(level_reader, an_unfinished_block_is_dropped_at_the_end_of_the_file)
{
    // The check takes L:START END as a block that closes at once; the reader
    // only opens a block there.
    load(block("A: S..\n"));
    std::vector<int> tiles = all_tiles();
    std::vector<mover*> movers = main_list();
    open("L:START END\nD: never\nA: S#.\nE: MINER 1 1\n");
    m_desc = "kept";
    EXPECT_FALSE(next());
    EXPECT_TRUE(m_loader->end_of_file());
    EXPECT_EQ(m_desc, "kept");
    EXPECT_EQ(all_tiles(), tiles);
    EXPECT_EQ(main_list(), movers);
}

TEST_F(level_reader, descriptions_keep_their_text_after_the_colon)
{
    const struct {
        const char* body;
        const char* description;
    } cases[] = {
        {"", ""},
        {"D: Hello\n", " Hello\n"},
        {"D:Hello  \n", "Hello  \n"},
        {"D:\tTabbed\n", "\tTabbed\n"},
        {"D:\n", "\n"},
        {"  D : spaced\n", " spaced\n"},
        {"D: one\nE: MINER 1 1\nD: two\n", " one\n two\n"},
        {"D: Hi\r\n", " Hi\n"},
        {"D: a\rb\n", " a\rb\n"},
        {"D: two\r\r\n", " two\r\n"},
        {"D: A: S..\n", " A: S..\n"},
        {"D: E: MINER 1 1\n", " E: MINER 1 1\n"},
        // The D is taken though no colon follows; the line is then no D: item.
        {"DD: lost\n", ""},
        {"d: lower case\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        load(block(std::string("A: S..\n") + c.body));
        EXPECT_EQ(m_desc, c.description);
    }
    // Lines have no length limit.
    const std::string long_text(100000, 'x');
    load(block("A: S..\nD:" + long_text + "\n"));
    EXPECT_EQ(m_desc, long_text + "\n");
}

TEST_F(level_reader, map_rows_are_trimmed_and_read_from_the_top)
{
    const struct {
        const char* what;
        const char* body;
        std::vector<std::string> rows;  // the map as read, top row first
    } cases[] = {
        {"one row", "A: S#.\n", {"S#."}},
        {"blanks around", "A:   S##..##  \n", {"S##..##"}},
        {"no blank after the colon", "A:S#\n", {"S#"}},
        {"blanks inside", "A: S#  #\n", {"S#  #"}},
        {"leading tab", "A:\tS#\n", {"S#"}},
        {"a trailing tab is a cell", "A: S##\t\n", {"S##\t"}},
        {"rows go down", "A: S##\nA: #..\nA: ..#\n", {"S##", "#..", "..#"}},
        {"blanks around the tag", "  A : S#\n", {"S#"}},
        {"carriage returns", "A: S#\r\nA: .#\r\n", {"S#", ".#"}},
        {"DA: is a map row", "DA: S###\n", {"S###"}},
        {"D: A: is a row too", "D: A: S#..\n", {"S#.."}},
        {"other lines between", "A: S#\nZ: 12\n\nD: text\nA: #.\n", {"S#", "#."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        load(block(c.body));
        ASSERT_EQ(m_arena->height(), static_cast<int>(c.rows.size()));
        ASSERT_EQ(m_arena->width(), static_cast<int>(c.rows[0].size()));
        for (int y = 0; y < m_arena->height(); ++y)
            for (int x = 0; x < m_arena->width(); ++x)
                EXPECT_EQ(m_arena->get(x, y), tile_of_character(c.rows[y][x])) << x << ',' << y;
        EXPECT_EQ(ship_corner(), std::make_pair(0.0f, 0.0f));
    }
}

TEST_F(level_reader, items_build_what_their_keywords_and_numbers_say)
{
    // After the plain map. The movers are listed by centre; the kicked
    // gates show their first frame in the first frame of play.
    const struct {
        const char* body;
        const char* movers;
        const char* kicked;
    } cases[] = {
        {"E: MINER 3 4", "miner 96,128", ""},
        {"E: MINER 3.5 4.5", "miner 112,144", ""},
        {"E: MINER x=3 y=4", "miner 96,128", ""},
        {"E: MINER 3,4", "miner 96,128", ""},
        {"E: MINER 3-4 5", "miner 96,160", ""},
        {"E: MINER 1e3 2", "miner 32,96", ""},
        {"E: MINER +3 4", "miner 96,128", ""},
        {"E: MINER 1.5.2 4", "miner 48,128", ""},
        {"E: MINER - 4", "miner 0,128", ""},
        {"  E : MINER 3 4", "miner 96,128", ""},
        {"E: MINERS 3 4", "miner 96,128", ""},
        {"E: MINER 1 1 E: MINER 2 2", "miner 32,32", ""},
        {"E: miner 3 4", "", ""},
        {"E: DRAGON 3 4", "", ""},
        {"E: BOBBLER 1 2 3 4", "", ""},
        {"E: BOBBLERS 10 5 3 0", "bobbler 320,160; bobbler 320,160; bobbler 320,160", ""},
        {"E: BOBBLERS 3 4 2.9 0", "bobbler 96,128; bobbler 96,128", ""},
        {"E: BOBBLERS 3 4 -2 10", "", ""},
        {"E: BOBBLERS 3 4 0.99 10", "", ""},
        {"E: GRALDOR 2 3", "graldor 64,96", ""},
        {"E: INVADER 5 3 2 8", "invader 160,96", ""},
        {"E: UFO 5 3 2 8", "ufo 160,96", ""},
        {"E: UFOS 5 3 2 8", "ufo 160,96", ""},
        {"E: ASTEROID 4 2", "asteroid 128,64", ""},
        {"E: ASTUFO", "ast_ufo 960,128", ""},
        {"E: ASTUFO 1 2", "ast_ufo 960,128", ""},
        {"C: KICK 5 6", "", "5,6"},
        {"C: KICK 5.9 6.9", "", "5,6"},
        {"C: KICK 0 3\nC: KICK 5 6", "", "0,3 5,6"},
        {"C: KICKS 0 3", "", "0,3"},
        {"C: KICK 3 3", "", ""},
        {"C: kick 5 6", "", ""},
        {"E: MINER 3 4 C: KICK 5 6", "miner 96,128", "5,6"},
        {"C: KICK 5 6 E: MINER 3 4", "", "5,6"},
        {"E: MINER 3 C: KICK 5 6", "miner 96,160", ""},
        {"EC: KICK 5 6", "", "5,6"},
        {"D: E: MINER 3 4", "miner 96,128", ""},
        {"Z: 12", "", ""},
        {"E MINER 3 4", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        failure f = run_captured([&] { load(block(std::string(plain_map) + c.body + "\n")); });
        ASSERT_FALSE(f.thrown) << f.what;
        const std::string& log = f.log;
        EXPECT_EQ(movers_summary(), c.movers);
        EXPECT_EQ(gates_moving(), "");
        frame();
        EXPECT_EQ(gates_moving(), c.kicked);
        // A level logs nothing; an asteroid ufo says it was added.
        EXPECT_EQ(log, std::string(c.movers).find("ast_ufo") == std::string::npos ? "" : "added!\n");
    }
}

TEST_F(level_reader, all_six_tags_on_one_line_in_their_order)
{
    // The row is itself the rest of the line: "MINERS" puts the S on column
    // 8, and the V of GRAVITY is the gate on column 33.
    const std::string row = "E: MINERS 1 1 C: KICK 33 0 P: GRAVITY = 5 L:END";
    ASSERT_EQ(row.find('V'), 33u);
    // The check needs a code line; the block has ended before it.
    open("L:START\nD:A:" + row + "\nE: GRALDOR 1 1\nL:END\n");
    ASSERT_TRUE(next());
    EXPECT_EQ(m_desc, "A:" + row + "\n");
    EXPECT_EQ(m_arena->width(), static_cast<int>(row.size()));
    EXPECT_EQ(m_arena->height(), 1);
    EXPECT_EQ(m_arena->get(0, 0), A_PIPE_TR);
    EXPECT_EQ(ship_corner(), std::make_pair(8 * 32.0f, 0.0f));
    // The R, L and D of the row are turrets.
    EXPECT_EQ(count_of<turret>(), 4);
    ASSERT_EQ(count_of<miner>(), 1);
    EXPECT_EQ(all_of<miner>()[0]->x_centre(), 32);
    EXPECT_EQ(all_of<miner>()[0]->y_centre(), 32);
    EXPECT_EQ(count_of<graldor>(), 0);
    EXPECT_EQ(m_arena->gravity(), 5);
    frame();
    EXPECT_EQ(m_arena->get(33, 0), A_VGATE_ANIM_1);
    // The rest of the block is free text up to the next L:START.
    EXPECT_FALSE(next());
}

TEST_F(level_reader, d_colon_l_end_ends_the_block_at_its_line)
{
    open("L:START\nA: S..\nD:L:END\nE: MINER 1 1\nA: S\nL:END\n"
         "L:START\nA: .S.\nD: second\nL:END\n");
    ASSERT_TRUE(next());
    EXPECT_EQ(m_desc, "L:END\n");
    EXPECT_EQ(m_arena->width(), 3);
    EXPECT_EQ(movers_summary(), "");
    ASSERT_TRUE(next());
    EXPECT_EQ(m_desc, " second\n");
    EXPECT_EQ(ship_corner(), std::make_pair(32.0f, 0.0f));
}

TEST_F(level_reader, the_end_code_is_matched_as_a_prefix)
{
    for (const char* end : {"L:END", "L:ENDE", "  L : END", "L:END trailing words", "L:END\r"}) {
        SCOPED_TRACE(end);
        load("L:START\nA: S.\nD: x\n" + std::string(end) + "\nL:START\nA: .S\nL:END\n");
        EXPECT_EQ(m_desc, " x\n");
        ASSERT_TRUE(next());
        EXPECT_EQ(ship_corner(), std::make_pair(32.0f, 0.0f));
    }
}

TEST_F(level_reader, physics_items_set_one_value_each)
{
    const struct {
        const char* body;
        float gravity;
        float air_resistance;
    } cases[] = {
        {"", 43.75f, 1.0f},
        {"P: GRAVITY = -20", -20, 1.0f},
        {"P:GRAVITY=5", 5, 1.0f},
        {"P: GRAVITY 20", 43.75f, 1.0f},
        {"P: GRAVITY: 30", 43.75f, 1.0f},
        {"P: GRAVITY = fast 30", 30, 1.0f},
        {"P: GRAVITY =", 43.75f, 1.0f},
        {"P: gravity = 5", 43.75f, 1.0f},
        {"P: GRAVITY=30 AIR_RESISTANCE=2", 30, 1.0f},
        {"P: AIR_RESISTANCE = 2", 43.75f, 2},
        {"P: AIR_RESISTANCE 2", 43.75f, 1.0f},
        {"P: GRAVITY AIR_RESISTANCE = 2", 43.75f, 2},
        {"P: GRAVITY = 10\nP: AIR_RESISTANCE = 0.5", 10, 0.5f},
        {"P: GRAVITY = 10\nP: GRAVITY = 20", 20, 1.0f},
        {"P: SPEED = 3", 43.75f, 1.0f},
        {"E: MINER 1 1 P: GRAVITY = 7", 7, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        new_arena();
        load(block(std::string("A: S..\n") + c.body + "\n"));
        EXPECT_EQ(m_arena->gravity(), c.gravity);
        EXPECT_FLOAT_EQ(ship_speed_after_drag(), expected_speed_after_drag(c.air_resistance));
    }
}

TEST_F(level_reader, a_bad_item_raises_its_error_and_leaves_the_previous_level)
{
    const struct {
        const char* body;
        int line;
        const char* message;
    } cases[] = {
        {"E: BOBBLERS 1 2 3", 300, "Invalid BOBBLERS entry"},
        {"E: BOBBLERS2 3 4", 300, "Invalid BOBBLERS entry"},
        {"E: MINER 3", 310, "Invalid MINER entry"},
        {"E: MINER 3 C: KICK", 310, "Invalid MINER entry"},
        {"E: MINER x y", 310, "Invalid MINER entry"},
        {"E: GRALDOR", 320, "Invalid GRALDOR entry"},
        {"E: INVADER 1 2 3", 330, "Invalid INVADER entry"},
        {"E: UFO 1 2 3", 340, "Invalid UFO entry"},
        {"E: ASTEROID 1", 350, "Invalid ASTEROID entry"},
        {"C: CONNECT 1 2 3", 370, "Invalid CONNECT entry"},
        {"C: KICK 5", 380, "Invalid KICK entry"},
        {"L:NEXT", 403, "Unexpected L: code"},
        {"L:", 403, "Unexpected L: code"},
        {"D: L: the last one", 403, "Unexpected L: code"},
        {"L:end", 403, "Unexpected L: code"},
        {"A: S##\nA: ##", 283, "mismatched arena line lengths!\n##"},
        {"A: S##\nA: ###\t", 283, "mismatched arena line lengths!\n###\t"},
        {"A:\nA: S#", 283, "mismatched arena line lengths!\nS#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        new_arena();
        load(block(std::string(plain_map) + "E: MINER 3 4\nC: CONNECT 1 2 5 6\n") +
             block(std::string(c.body) + "\nA: S.\n"));
        const std::vector<int> tiles = all_tiles();
        const std::vector<mover*> movers = main_list();
        m_desc = "kept";
        failure f = run_captured([&] { next(); });
        EXPECT_TRUE(f.thrown);
        EXPECT_EQ(f.what, c.message);
        EXPECT_EQ(f.log, "levels, line " + std::to_string(c.line) + ": " + c.message + "\n");
        EXPECT_EQ(m_desc, "kept");
        EXPECT_EQ(m_arena->width(), 10);
        EXPECT_EQ(all_tiles(), tiles);
        EXPECT_EQ(main_list(), movers);
        // The old level's connection still works.
        press_with_shot(40, 72);
        frames(2);
        EXPECT_EQ(gates_moving(), "5,6");
    }
}

TEST_F(level_reader, a_start_code_inside_an_open_block_is_an_unexpected_l_code)
{
    // L:START END passes the check as a block of its own.
    open("L:START END\nA: S\nL:START\nA: S\nL:END\n");
    failure f = run_captured([&] { next(); });
    EXPECT_TRUE(f.thrown);
    EXPECT_EQ(f.what, "Unexpected L: code");
    EXPECT_EQ(f.log, "levels, line 403: Unexpected L: code\n");
    EXPECT_EQ(m_arena->width(), 0);
    EXPECT_EQ(m_arena->num_movers(), 0);
}

TEST_F(level_reader, the_maps_the_file_leaves_open_are_refused_before_the_arena_is_touched)
{
    const std::string wide_511 = "S" + std::string(510, '.'), wide_512 = "S" + std::string(511, '.');
    std::string tall_511 = "A: S\n", tall_512 = "A: S\n";
    for (int i = 1; i < 511; ++i)
        tall_511 += "A: .\n";
    tall_512 = tall_511 + "A: .\n";

    const struct {
        const char* what;
        std::string body;
        int line;  // 0: the level is built
        const char* message;
    } cases[] = {
        {"no A: row", "D: a level without a map\nE: MINER 1 1\n", 404,
         "Level has no map: a level needs at least one A: line"},
        {"an empty row", "A:\n", 405, "Level map has empty rows: an A: line needs at least one character"},
        {"rows of blanks", "A:    \nA: \n", 405,
         "Level map has empty rows: an A: line needs at least one character"},
        {"512 columns", "A: " + wide_512 + "\n", 406, "Level map too large: at most 511 tiles each way"},
        {"512 rows", tall_512, 406, "Level map too large: at most 511 tiles each way"},
        {"511 columns", "A: " + wide_511 + "\n", 0, ""},
        {"511 rows", tall_511, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        new_arena();
        load(block(std::string(plain_map) + "E: MINER 3 4\n") + block(c.body));
        const std::vector<int> tiles = all_tiles();
        const std::vector<mover*> movers = main_list();
        failure f = run_captured([&] { next(); });
        if (c.line == 0) {
            EXPECT_FALSE(f.thrown);
            EXPECT_EQ(f.log, "");
            EXPECT_EQ(m_arena->width() * m_arena->height(), 511);
            continue;
        }
        EXPECT_TRUE(f.thrown);
        EXPECT_EQ(f.what, c.message);
        EXPECT_EQ(f.log, "levels, line " + std::to_string(c.line) + ": " + c.message + "\n");
        EXPECT_EQ(all_tiles(), tiles);
        EXPECT_EQ(main_list(), movers);
    }
}

TEST_F(level_reader, the_first_level_needs_a_spawn_tile_and_later_ones_keep_it)
{
    // An S in the description is no spawn tile.
    open(block("D: S\nA: ...\nE: MINER 1 1\n") + block("A: S..\n"));
    failure f = run_captured([&] { next(); });
    EXPECT_TRUE(f.thrown);
    EXPECT_EQ(f.what, "First level has no S: the ship needs a start tile");
    EXPECT_EQ(f.log, "levels, line 407: First level has no S: the ship needs a start tile\n");
    EXPECT_EQ(m_arena->width(), 0);
    EXPECT_EQ(m_arena->num_movers(), 0);

    new_arena();
    open(block("A: ...\nA: ..S\n") + block("A: ....\nA: ....\nA: ....\n"));
    ASSERT_TRUE(next());
    bool read = false;
    failure f2 = run_captured([&] { read = next(); });
    EXPECT_FALSE(f2.thrown) << f2.what;
    ASSERT_TRUE(read);
    EXPECT_EQ(f2.log, "");
    EXPECT_EQ(ship_corner(), std::make_pair(64.0f, 32.0f));
}

// --------------------------------------------------------- construction

TEST_F(level_construction, every_map_character_gives_its_tile)
{
    // Every printable character in one row (S last), a blank and a tab
    // among them.
    std::string row;
    for (char c = '!'; c <= '~'; ++c) {
        if (c != 'S')
            row += c;
        if (c == 'a')
            row += " \t";
    }
    row += 'S';
    load(block("A: " + row + "\n"));
    ASSERT_EQ(m_arena->width(), static_cast<int>(row.size()));
    for (int x = 0; x < m_arena->width(); ++x) {
        SCOPED_TRACE(std::string("'") + row[x] + "'");
        EXPECT_EQ(m_arena->get(x, 0), tile_of_character(row[x]));
    }
    EXPECT_EQ(m_arena->get(static_cast<int>(row.find('3')), 0), A_PIPE_TL);
    EXPECT_EQ(ship_corner(), std::make_pair(32.0f * (row.size() - 1), 0.0f));
    // U D L R are turrets, B a ball source.
    EXPECT_EQ(count_of<turret>(), 4);
    EXPECT_EQ(count_of<ball>(), 1);
}

TEST_F(level_construction, turrets_by_column_from_the_top_with_their_top_left_corner)
{
    const struct {
        const char* map;
        std::vector<std::string> turrets;
    } cases[] = {
        {"A: S.U..\n", {"turret_up.png 64,0"}},
        {"A: S....\nA: ..U..\n", {"turret_up.png 64,32"}},
        {"A: S.D.\nA: U.R.\nA: ..L.\n",
         {"turret_up.png 0,32", "turret_down.png 64,0", "turret_right.png 64,32", "turret_left.png 64,64"}},
        {"A: RS\nA: LD\n", {"turret_right.png 0,0", "turret_left.png 0,32", "turret_down.png 32,32"}},
    };
    const char* const pictures[] = {"turret_up.png", "turret_down.png", "turret_left.png", "turret_right.png"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        load(block(c.map));
        std::vector<std::string> found;
        for (turret* t : all_of<turret>()) {
            std::string name = "?";
            for (const char* p : pictures)
                if (t->pic() == m_game->m_bmp_pool.get_bitmap(p))
                    name = p;
            std::ostringstream out;
            out << name << ' ' << t->m_x << ',' << t->m_y;
            found.push_back(out.str());
        }
        EXPECT_EQ(found, c.turrets);
        // The turret's cell stays empty.
        for (turret* t : all_of<turret>())
            EXPECT_EQ(m_arena->get(static_cast<int>(t->m_x) / 32, static_cast<int>(t->m_y) / 32), A_EMPTY);
    }
}

TEST_F(level_construction, the_last_spawn_tile_of_the_scan_wins)
{
    const struct {
        const char* what;
        std::vector<std::string> rows;
        int x, y;
    } cases[] = {
        {"one S", {"....S...", "........"}, 4, 0},
        {"(3, 7) and (5, 2)", {"......", "......", ".....S", "......", "......", "......", "......", "...S.."},
         5, 2},
        {"(5, 2) and (5, 6)", {"......", "......", ".....S", "......", "......", "......", ".....S", "......"},
         5, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string body;
        for (const std::string& r : c.rows)
            body += "A: " + r + "\n";
        load(block(body));
        EXPECT_EQ(ship_corner(), std::make_pair(32.0f * c.x, 32.0f * c.y));
        EXPECT_EQ(m_arena->get(c.x, c.y), A_EMPTY);
    }
}

TEST_F(level_construction, a_large_tile_picture_fills_its_block_and_later_tiles_replace_cells)
{
    // The shop as a 2 x 2 picture.
    m_arena.reset();
    write_shape(path("images/shop.png"), 64, 64, [](int, int) { return true; });
    new_arena();
    load(block("A: Ss.\nA: .#U\nA: ...\n"));
    EXPECT_EQ(m_arena->get(1, 0), A_SHOP);
    EXPECT_LT(m_arena->get(2, 0), 0);
    EXPECT_LT(m_arena->get(2, 1), 0);
    EXPECT_NE(m_arena->get(2, 0), m_arena->get(2, 1));
    // The wall written later in the scan replaces its cell of the shop.
    EXPECT_EQ(m_arena->get(1, 1), A_BLOCK);
    // A turret inside the block leaves the cell as it was.
    EXPECT_EQ(count_of<turret>(), 1);
    EXPECT_EQ(m_arena->get(0, 1), A_EMPTY);
}

TEST_F(level_construction, enemies_go_to_the_arena_kind_by_kind_whatever_the_line_order)
{
    const std::string file = block("E: ASTUFO\n"
                                   "E: ASTEROID 4 4\n"
                                   "E: UFO 5 2 1 8\n"
                                   "E: INVADER 5 3 1 8\n"
                                   "E: GRALDOR 7 5\n"
                                   "E: MINER 4 1\n"
                                   "A: ........\n"
                                   "A: .S.B....\n"
                                   "A: ......U.\n"
                                   "A: ........\n"
                                   "A: ........\n"
                                   "A: ........\n"
                                   "A: ........\n"
                                   "E: BOBBLERS 2 5 2 0\n"
                                   "E: MINER 2 1\n"
                                   "E: ASTUFO\n");
    failure f = run_captured([&] { load(file); });
    ASSERT_FALSE(f.thrown) << f.what;
    EXPECT_EQ(f.log, "added!\nadded!\n");
    // The ball goes straight into the main list, the rest through the
    // waiting room with the ship last.
    const std::vector<std::string> kinds = {"ball",     "turret", "bobbler", "bobbler", "miner",
                                            "miner",    "graldor", "invader", "ufo",     "asteroid",
                                            "ast_ufo", "ast_ufo", "ship"};
    EXPECT_EQ(kinds_in_main_list(), kinds);
    // The asteroid is a large one.
    ASSERT_EQ(count_of<asteroid>(), 1);
    EXPECT_EQ(all_of<asteroid>()[0]->pic(), m_game->m_bmp_pool.get_bitmap("asteroid1.png"));
    EXPECT_EQ(movers_summary(),
              "ball 112,48; turret 208,80; bobbler 64,160; bobbler 64,160; miner 128,32; miner 64,32; "
              "graldor 224,160; invader 160,96; ufo 160,64; asteroid 128,128; ast_ufo 896,96; "
              "ast_ufo 896,96");
}

TEST_F(level_construction, invaders_and_ufos_patrol_between_their_bounds_in_pixels)
{
    load(block(std::string(plain_map) + "E: INVADER 5 3 2.5 8.26\nE: UFO 5 3 2.1 8.05\n"));
    invader* inv = all_of<invader>().at(0);
    ufo* u = all_of<ufo>().at(0);

    // The invader turns on its left edge against 80 and 264.32 pixels.
    const struct {
        float x;
        float push;  // the change of its speed in one frame
    } invader_steps[] = {
        {264.2f, 0.4f}, {264.4f, -0.4f}, {80, -0.4f}, {79.9f, 0.4f}, {150, 0.4f},
    };
    for (const auto& s : invader_steps) {
        SCOPED_TRACE(s.x);
        inv->m_x = s.x;
        float before = inv->m_dx;
        inv->do_stuff(0);
        EXPECT_FLOAT_EQ(inv->m_dx - before, s.push);
    }

    // The ufo holds its top edge at 96 and turns its centre on 67 and 257,
    // whole pixels.
    EXPECT_EQ(u->y_centre(), 96);
    const struct {
        float centre;
        float speed;
    } ufo_steps[] = {
        {257, 100}, {257.5f, -100}, {67.1f, -100}, {66.9f, 100},
    };
    for (const auto& s : ufo_steps) {
        SCOPED_TRACE(s.centre);
        u->m_x = s.centre - 48;
        u->do_stuff(0);
        EXPECT_EQ(u->m_dx, s.speed);
        EXPECT_EQ(u->m_y, 96);
    }
}

TEST_F(level_construction, bobbler_swarms_scatter_normally_about_their_centre)
{
    const struct {
        const char* line;
        float x, y;
        int n;
        float radius;
    } cases[] = {
        {"E: BOBBLERS 10 5 3 20", 320, 160, 3, 20},
        {"E: BOBBLERS 10 5 3 -20", 320, 160, 3, -20},
        {"E: BOBBLERS2 3 4 5 6", 64, 96, 4, 5},
        {"E: BOBBLERS 3 4 2.9 10", 96, 128, 2, 10},
        {"E: BOBBLERS 3.5 4.5 1 7.5", 112, 144, 1, 7.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        for (unsigned seed : {1u, 77u, 2024u}) {
            SCOPED_TRACE(seed);
            // Each bobbler draws its phase, then the vertical offset, then
            // the horizontal one.
            srand(seed);
            std::vector<std::pair<float, float>> expected;
            for (int i = 0; i < c.n; ++i) {
                randint(40);
                float dy = randn() * c.radius;
                float dx = randn() * c.radius;
                expected.push_back({c.x + dx - 6, c.y + dy - 6});
            }
            srand(seed);
            load(block(std::string("A: S..\n") + c.line + "\n"));
            std::vector<std::pair<float, float>> placed;
            for (bobbler* b : all_of<bobbler>())
                placed.push_back({b->m_x, b->m_y});
            EXPECT_EQ(placed, expected);
        }
    }
}

TEST_F(level_construction, a_swarm_of_fewer_than_one_bobbler_draws_no_random_number)
{
    start({"S..."});
    srand(5);
    const int next_draw = rand();
    for (int n : {0, -1, -100}) {
        SCOPED_TRACE(n);
        srand(5);
        make_bobbler_swarm(*m_arena, 64, 64, n, 10);
        EXPECT_EQ(rand(), next_draw);
        m_arena->do_stuff(0);
        EXPECT_EQ(count_of<bobbler>(), 0);
    }
    make_bobbler_swarm(*m_arena, 64, 64, 2, 10);
    m_arena->do_stuff(0);
    EXPECT_EQ(count_of<bobbler>(), 2);
}

TEST_F(level_construction, construct_level_sizes_the_map_from_the_first_row_and_the_height)
{
    const std::deque<std::string> rows = {"S#.", "..U", "#.."};
    construct_level(*m_arena, rows, 2);
    EXPECT_EQ(m_arena->width(), 3);
    EXPECT_EQ(m_arena->height(), 2);
    EXPECT_EQ(m_arena->get(1, 0), A_BLOCK);
    // The turret waits for the start of the level.
    EXPECT_EQ(m_arena->num_movers(), 0);
    m_arena->activate();
    ASSERT_EQ(count_of<turret>(), 1);
    EXPECT_EQ(all_of<turret>()[0]->m_x, 64);
    EXPECT_EQ(all_of<turret>()[0]->m_y, 32);
    EXPECT_EQ(ship_corner(), std::make_pair(0.0f, 0.0f));
}

TEST_F(level_construction, a_negative_spread_mirrors_the_offsets)
{
    std::vector<std::pair<float, float>> offsets[2];
    for (int i = 0; i < 2; ++i) {
        srand(99);
        load(block(std::string("A: S..\nE: BOBBLERS 10 5 4 ") + (i == 0 ? "12" : "-12") + "\n"));
        for (bobbler* b : all_of<bobbler>())
            offsets[i].push_back({b->x_centre() - 320, b->y_centre() - 160});
    }
    ASSERT_EQ(offsets[0].size(), 4u);
    ASSERT_EQ(offsets[1].size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(offsets[1][k].first, -offsets[0][k].first, 1e-3);
        EXPECT_NEAR(offsets[1][k].second, -offsets[0][k].second, 1e-3);
        EXPECT_NE(offsets[0][k].first, 0);
    }
}

TEST_F(level_construction, connections_exist_from_the_start_of_the_level)
{
    // A shot in the button on (1, 2) of the plain map.
    const struct {
        const char* body;
        const char* opened;
    } cases[] = {
        {"C: CONNECT 1 2 5 6", "5,6"},
        {"C: CONNECT 1.9 2 -0.5 3", "0,3"},
        {"C: CONNECT 1 2 5 6\nC: CONNECT 1 2 0 3", "0,3 5,6"},
        {"C: CONNECTED 1 2 5 6", "5,6"},
        {"C: CONNECT 1 2 5 6 C: CONNECT 1 2 0 3", "5,6"},
        {"C: CONNECT 2 2 5 6", ""},
        {"C: connect 1 2 5 6", ""},
        {"C: CONNECT x1 y2 to x5 y6", "5,6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        load(block(std::string(plain_map) + c.body + "\n"));
        press_with_shot(40, 72);
        frames(2);
        EXPECT_NE(m_arena->get(1, 2), A_BUTTON_L);
        EXPECT_EQ(gates_moving(), c.opened);
    }
}

TEST_F(level_construction, a_kicked_gate_opens_from_the_first_frame_of_play)
{
    load(block(std::string(plain_map) + "C: KICK 5 6\nC: KICK 0 3\n"));
    EXPECT_EQ(m_arena->get(5, 6), A_VGATE_CLOSED);
    const arena_t frames_shown[] = {A_VGATE_ANIM_1, A_VGATE_ANIM_2, A_VGATE_ANIM_3,
                                    A_VGATE_ANIM_4, A_VGATE_ANIM_5, A_VGATE_OPEN, A_VGATE_OPEN};
    for (arena_t f : frames_shown) {
        frame();
        EXPECT_EQ(m_arena->get(5, 6), f);
        EXPECT_EQ(m_arena->get(0, 3), f);
    }
}

TEST_F(level_construction, physics_carry_over_to_the_next_level_unless_set)
{
    open(block("A: S..\nP: GRAVITY = 10\nP: AIR_RESISTANCE = 3\n") + block("A: .S.\n") +
         block("A: ..S\nP: AIR_RESISTANCE = 0.5\n") + block("A: S..\nP: GRAVITY = 0\n"));
    const struct {
        float gravity;
        float air_resistance;
    } levels[] = {{10, 3}, {10, 3}, {10, 0.5f}, {0, 0.5f}};
    for (const auto& l : levels) {
        ASSERT_TRUE(next());
        EXPECT_EQ(m_arena->gravity(), l.gravity);
        EXPECT_FLOAT_EQ(ship_speed_after_drag(), expected_speed_after_drag(l.air_resistance));
    }
    // A new game starts from the defaults.
    new_arena();
    load(block("A: S..\n"));
    EXPECT_EQ(m_arena->gravity(), 43.75f);
    EXPECT_FLOAT_EQ(ship_speed_after_drag(), expected_speed_after_drag(1.0f));
}

TEST_F(level_construction, each_level_replaces_the_one_before)
{
    open(block(std::string(plain_map) + "E: MINER 3 4\nE: BOBBLERS 2 2 3 0\nC: KICK 5 6\n") +
         block("A: #S#\nA: ...\nA: ...\nE: GRALDOR 1 1\n"));
    ASSERT_TRUE(next());
    ASSERT_TRUE(next());
    EXPECT_EQ(m_arena->width(), 3);
    EXPECT_EQ(m_arena->height(), 3);
    EXPECT_EQ(movers_summary(), "graldor 32,32");
    EXPECT_EQ(count_of<ship>(), 1);
    // The old level's kick does not reach the new map.
    frame();
    EXPECT_EQ(gates_moving(), "");
}
