// What fuzzing the level file, the hi-score file and the PNG loader found,
// kept so that it never comes back: absurd numbers in a level file, a level
// file that is a directory, very long lines, huge hi-score files, and
// small damaged pictures that claimed gigabytes.
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "debug.h"
#include "dirs.h"
#include "levels.h"
#include "loadimag.h"
#include "png_fixture.h"
#include "test_support.h"
#include "text.h"
#include "vantrel_private.h"

namespace {
const char* const level_path = "levels/levels.txt";

// A float run far beyond float's range: it reads as the largest float.
const std::string too_big(45, '9');

std::string block(const std::string& body) { return "L:START\n" + body + "L:END\n"; }

// A first level to stand before the one under test: 6 x 4 tiles, a miner.
const std::string first_level = block("A: S.....\nA: ......\nA: ......\nA: ######\nE: MINER 3 1\n");

// The level file of a fresh run folder, read into the game's arena.
class level_findings : public arena_test {
protected:
    void open(const std::string& text)
    {
        write_file(level_path, text);
        m_loader.reset(new level_loader(level_path));
    }
    bool next() { return m_loader->next_level(*m_arena, m_desc); }
    void new_arena()
    {
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
    }
    int count_bobblers() { return count_of<bobbler>(); }

    std::unique_ptr<level_loader> m_loader;
    std::string m_desc;
};

// -------------------------------------------------------------- level file

TEST_F(level_findings, a_directory_for_a_level_file_cannot_be_loaded)
{
    std::filesystem::create_directory(path(level_path));
    failure o = run_captured([&] { level_loader l(level_path); });
    EXPECT_TRUE(o.thrown);
    EXPECT_EQ(o.what, "Unable to load file: levels/levels.txt");
    EXPECT_EQ(o.log, "levels, line 177: Unable to load file: levels/levels.txt\n");
}

TEST_F(level_findings, absurd_numbers_are_refused_before_the_arena_is_touched)
{
    const std::string tiles = ": numbers must lie between -10000 and 10000";
    const struct {
        const char* what;
        std::string item;
        int line;
        std::string message;
    } cases[] = {
        // A billion bobblers hung the game and took all memory.
        {"a billion bobblers", "E: BOBBLERS 2 1 1000000000 10", 409,
         "Invalid BOBBLERS entry: at most 1000 bobblers in one level"},
        {"bobblers beyond int", "E: BOBBLERS 2 1 " + too_big + " 10", 409,
         "Invalid BOBBLERS entry: at most 1000 bobblers in one level"},
        {"1001 bobblers", "E: BOBBLERS 2 1 1001 10", 409,
         "Invalid BOBBLERS entry: at most 1000 bobblers in one level"},
        {"two swarms over 1000 together", "E: BOBBLERS 2 1 600 10\nE: BOBBLERS 3 1 401 10", 409,
         "Invalid BOBBLERS entry: at most 1000 bobblers in one level"},
        // Offsets of spread times randn() reached infinity and the arena's
        // float-to-int conversions.
        {"an endless spread", "E: BOBBLERS 2 1 3 " + too_big, 410,
         "Invalid BOBBLERS entry: the spread must lie between -320000 and 320000"},
        {"a spread just too wide", "E: BOBBLERS 2 1 3 320001", 410,
         "Invalid BOBBLERS entry: the spread must lie between -320000 and 320000"},
        {"a negative spread too wide", "E: BOBBLERS 2 1 3 -320001", 410,
         "Invalid BOBBLERS entry: the spread must lie between -320000 and 320000"},
        {"a swarm centre too far", "E: BOBBLERS 10001 1 3 10", 408, "Invalid BOBBLERS entry" + tiles},
        // Times 32 these became infinite positions.
        {"a miner at infinity", "E: MINER " + too_big + " 1", 408, "Invalid MINER entry" + tiles},
        {"a miner just too far", "E: MINER 1 10001", 408, "Invalid MINER entry" + tiles},
        {"a miner too far left", "E: MINER -10001 1", 408, "Invalid MINER entry" + tiles},
        {"a graldor too far", "E: GRALDOR 1 -" + too_big, 408, "Invalid GRALDOR entry" + tiles},
        {"an invader's bound", "E: INVADER 1 1 0 " + too_big, 408, "Invalid INVADER entry" + tiles},
        {"a ufo's bound", "E: UFO 1 1 -" + too_big + " 5", 408, "Invalid UFO entry" + tiles},
        {"an asteroid too far", "E: ASTEROID 20000 1", 408, "Invalid ASTEROID entry" + tiles},
        {"a connection too far", "C: CONNECT 1 1 " + too_big + " 1", 408, "Invalid CONNECT entry" + tiles},
        {"a kick too far", "C: KICK -10001 0", 408, "Invalid KICK entry" + tiles},
        // Speeds grew without bound and became infinite, then NaN.
        {"endless gravity", "P: GRAVITY = " + too_big, 411,
         "Invalid GRAVITY entry: gravity must lie between -1000 and 1000"},
        {"gravity just too strong", "P: GRAVITY = 1001", 411,
         "Invalid GRAVITY entry: gravity must lie between -1000 and 1000"},
        {"gravity too strong upward", "P: GRAVITY = -1001", 411,
         "Invalid GRAVITY entry: gravity must lie between -1000 and 1000"},
        {"air that speeds things up", "P: AIR_RESISTANCE = -0.5", 412,
         "Invalid AIR_RESISTANCE entry: air resistance must lie between 0 and 25"},
        {"air thicker than one step can take", "P: AIR_RESISTANCE = 25.5", 412,
         "Invalid AIR_RESISTANCE entry: air resistance must lie between 0 and 25"},
        // A missing number is still the item's own error first.
        {"one number, and that absurd", "E: MINER " + too_big, 310, "Invalid MINER entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        new_arena();
        open(first_level + block("A: S.\n" + c.item + "\n"));
        ASSERT_TRUE(next());
        const int movers = m_arena->num_movers();
        m_desc = "kept";
        failure o = run_captured([&] { next(); });
        EXPECT_TRUE(o.thrown);
        EXPECT_EQ(o.what, c.message);
        EXPECT_EQ(o.log, "levels, line " + std::to_string(c.line) + ": " + c.message + "\n");
        EXPECT_EQ(m_desc, "kept");
        EXPECT_EQ(m_arena->width(), 6);
        EXPECT_EQ(m_arena->num_movers(), movers);
    }
}

TEST_F(level_findings, numbers_at_the_limits_build_a_level_that_plays)
{
    const struct {
        const char* what;
        std::string items;
        int bobblers;
    } cases[] = {
        {"a thousand bobblers at the widest spread", "E: BOBBLERS 3 1 1000 320000\n", 1000},
        {"two swarms that make a thousand", "E: BOBBLERS 3 1 999.9 5\nE: BOBBLERS 3 1 1 -320000\n", 1000},
        // Swarms of none count for nothing, however negative.
        {"swarms of none", "E: BOBBLERS 3 1 -" + too_big + " 5\nE: BOBBLERS 3 1 1000 5\n", 1000},
        {"enemies at the far corners",
         "E: MINER 10000 10000\nE: GRALDOR -10000 -10000\nE: ASTEROID 10000 -10000\n"
         "E: INVADER -10000 10000 -10000 10000\nE: UFO 10000 1 -10000 10000\n",
         0},
        {"connections and kicks far off the map", "C: CONNECT 10000 10000 -10000 -10000\nC: KICK -10000 10000\n",
         0},
        {"the strongest gravity down", "P: GRAVITY = 1000\n", 0},
        {"the strongest gravity up", "P: GRAVITY = -1000\n", 0},
        {"no air", "P: AIR_RESISTANCE = 0\n", 0},
        {"the thickest air", "P: AIR_RESISTANCE = 25\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        new_arena();
        failure o = run_captured([&] {
            open(first_level + block("A: S.....\nA: ......\nA: ######\n" + c.items));
            next();
            next();
        });
        ASSERT_FALSE(o.thrown) << o.what;
        EXPECT_EQ(m_arena->width(), 6);
        EXPECT_EQ(count_bobblers(), c.bobblers);
        // Under the sanitizers a float-to-int conversion out of range fails here.
        run_captured([&] { frames(5); });
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            mover* m = m_arena->get_mover(i);
            EXPECT_TRUE(std::isfinite(m->m_x) && std::isfinite(m->m_y) && std::isfinite(m->m_dx) &&
                        std::isfinite(m->m_dy))
                << "mover " << i;
        }
    }
}

TEST_F(level_findings, very_long_lines_are_read_whole)
{
    const std::string long_text(1 << 20, 'x');
    const std::string long_digits(1 << 20, '1');
    const std::string wide_row = "S" + std::string(1 << 20, '.');

    // A description line of a mebibyte is kept whole.
    open(block("D:" + long_text + "\nA: S.\n"));
    ASSERT_TRUE(next());
    EXPECT_EQ(m_desc, long_text + "\n");

    const struct {
        const char* what;
        std::string body;
        int line;
        std::string message;
    } cases[] = {
        {"a map row of a mebibyte", "A: " + wide_row + "\n", 406, "Level map too large: at most 511 tiles each way"},
        {"a number of a million digits", "A: S.\nE: MINER " + long_digits + " 1\n", 408,
         "Invalid MINER entry: numbers must lie between -10000 and 10000"},
        {"a mebibyte of text where the numbers should be", "A: S.\nE: MINER " + long_text + "\n", 310,
         "Invalid MINER entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        new_arena();
        open(block(c.body));
        failure o = run_captured([&] { next(); });
        EXPECT_TRUE(o.thrown);
        EXPECT_EQ(o.what, c.message);
        EXPECT_EQ(o.log, "levels, line " + std::to_string(c.line) + ": " + c.message + "\n");
    }
}

// --------------------------------------------------------------- hi scores

class hi_score_findings : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        hi_scores::forget_loaded_table();
    }
    void TearDown() override
    {
        hi_scores::forget_loaded_table();
        run_dir_test::TearDown();
    }
};

TEST_F(hi_score_findings, a_huge_file_of_good_lines_gives_the_defaults_once)
{
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "Somebody " + std::to_string(i) + "\n";
    write_file(dirs::hiscore_file, text);
    testing::internal::CaptureStdout();
    const std::vector<int> scores = hi_scores::scores();
    const std::vector<std::string> people = hi_scores::people();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to load scores from save/scores .  Creating default scores.\n");
    EXPECT_EQ(scores, (std::vector<int>{500000, 300000, 200000, 100000, 50000, 20000, 10000, 5000, 2000, 1}));
    ASSERT_EQ(people.size(), 10u);
    EXPECT_EQ(people[0], "Zorp");
    EXPECT_EQ(people[9], "Dunx");
}

// ----------------------------------------------------------------- pictures

// The peak of this process's resident memory, in KiB.
long peak_rss_kib()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void put_be32(std::vector<uint8_t>& bytes, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(v >> shift));
}

class picture_findings : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        text::exit();
        write_test_font(path("images/font.png"));
    }
    void TearDown() override
    {
        text::exit();
        run_dir_test::TearDown();
    }
    // Loads images/<name>; expects the 200 x 20 placeholder and the log line
    // of a libpng error.
    void expect_placeholder(const std::string& name)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        surface_ptr pic(load_image(name));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "loadimag, line 133: FATAL ERROR loading images/" + name + "\n");
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(pic->w, 200);
        EXPECT_EQ(pic->h, 20);
    }
};

TEST_F(picture_findings, a_text_chunk_that_claims_gigabytes_is_skipped_unread)
{
    // Found by fuzzing: 79 bytes whose tEXt header claims 1.2 GB had libpng
    // allocate and clear that much before the read ran out of data.
    for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "pCAL", "sCAL", "eXIf"}) {
        SCOPED_TRACE(type);
        ASSERT_TRUE(write_noise_png(path("images/claim.png"), 3, 3));
        std::vector<uint8_t> bytes = read_bytes(path("images/claim.png"));
        const size_t after_ihdr = 8 + 8 + 13 + 4;
        std::vector<uint8_t> claim;
        put_be32(claim, 1200000000u);
        claim.insert(claim.end(), type, type + 4);
        claim.insert(claim.end(), {'k', 'e', 'y', 0, 'v', 'a', 'l'});
        bytes.resize(after_ihdr);
        bytes.insert(bytes.end(), claim.begin(), claim.end());
        ASSERT_TRUE(write_bytes(path("images/claim.png"), bytes));

        const long before = peak_rss_kib();
        expect_placeholder("claim.png");
        EXPECT_LT(peak_rss_kib() - before, 256 * 1024) << "KiB more at the peak";
    }
}

TEST_F(picture_findings, pictures_of_more_than_4096_squared_pixels_are_refused)
{
    // A well-formed 8192 x 2049 one-bit picture is a few kilobytes of file
    // and would be two 64 MiB copies once read.
    png_picture p;
    p.width = 8192;
    p.height = 2049;
    p.colour = PC_GREY;
    p.bit_depth = 1;
    p.samples.assign(static_cast<size_t>(p.width) * p.height, 1);
    ASSERT_TRUE(write_png(path("images/wide.png"), p));
    expect_placeholder("wide.png");

    // 4096 x 4096 pixels exactly still load.
    p.height = 2048;
    p.samples.resize(static_cast<size_t>(p.width) * p.height);
    ASSERT_TRUE(write_png(path("images/wide.png"), p));
    testing::internal::CaptureStdout();
    surface_ptr pic(load_image("wide.png"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->w, 8192);
    EXPECT_EQ(pic->h, 2048);
    EXPECT_EQ(pixel_rgba(pic.get(), 8191, 2047).a, 255);
}
}
