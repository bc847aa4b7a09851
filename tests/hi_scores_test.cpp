// The hi-score table: reading and writing save/scores, drawing the table,
// the name entry of a new score, and the steps of the fireworks.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <map>
#include <string>
#include <vector>

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "dirs.h"
#include "etc.h"
#include "sound.h"
#include "test_support.h"
#include "text.h"
#include "vantrel_private.h"

namespace fs = std::filesystem;

namespace {
const std::string load_failure =
    "Failed to load scores from save/scores .  Creating default scores.\n";
const std::string save_failure = "Failed to write hi-scores to save/scores .\n";
const std::string temp_file = dirs::hiscore_file + ".new";
const std::string bad_file = dirs::hiscore_file + ".bad";
const std::string kept_message = "Kept the old save/scores as save/scores.bad .\n";
const std::string keep_failure = "Failed to keep the old save/scores as save/scores.bad .\n";

const std::vector<int> default_scores = {500000, 300000, 200000, 100000, 50000,
                                         20000,  10000,  5000,   2000,   1};
const std::vector<std::string> default_people = {"Zorp", "Zorp", "Zorp", "Zorp", "Zorp",
                                                 "Zorp", "Zorp", "Dunx", "Dunx", "Dunx"};

// A good table that differs from the defaults everywhere.
const std::vector<int> good_scores = {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100};
const std::vector<std::string> good_people = {"Ann", "Bob", "Cy", "Di", "Ed",
                                              "Flo", "Gus", "Hal", "Ida", "Jo"};

std::string table_text(const std::vector<std::string>& people, const std::vector<int>& scores)
{
    std::string text;
    for (size_t i = 0; i < people.size() && i < scores.size(); ++i)
        text += people[i] + " " + std::to_string(scores[i]) + "\n";
    return text;
}

// The good table's lines from..to-1, each with its line feed.
std::string good_lines(size_t from, size_t to)
{
    std::string text;
    for (size_t i = from; i < to; ++i)
        text += good_people[i] + " " + std::to_string(good_scores[i]) + "\n";
    return text;
}

void type(const std::string& s)
{
    for (char c : s)
        push_key_down(static_cast<SDLKey>(c), static_cast<Uint16>(c));
}

// Return ends the name entry; the next key ends the fireworks at once.
void confirm_and_leave()
{
    push_key_down(SDLK_RETURN, '\r');
    push_key_down(SDLK_SPACE, ' ');
}

void drain_events()
{
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
}

const int name_x = 640 / 2 - 120;
const int score_x = 640 / 2 + 80;
int row_y(int row) { return 50 + 20 * row; }

class hi_scores_test : public run_dir_test {
protected:
    void SetUp() override
    {
        run_dir_test::SetUp();
        hi_scores::forget_loaded_table();
        write_test_font(path("images/font.png"));
        m_screen = SDL_SetVideoMode(640, 480, 32, SDL_SWSURFACE);
        ASSERT_NE(m_screen, nullptr) << SDL_GetError();
        text::init();  // as at start-up: widths need the font before the first text
    }
    void TearDown() override
    {
        text::exit();
        hi_scores::forget_loaded_table();
        run_dir_test::TearDown();
    }
    // As at program start, with this file (or none) in save/.
    void fresh_table(const std::string* contents)
    {
        hi_scores::forget_loaded_table();
        std::error_code ec;
        fs::remove(path(dirs::hiscore_file), ec);
        if (contents)
            write_file(dirs::hiscore_file, *contents);
        drain_events();
    }
    SDL_Surface* m_screen = nullptr;
};

// ---- reading the file ----

struct read_case {
    const char* name;
    bool exists;
    std::string contents;
    bool defaults;  // the file does not count: default table and the message
    std::vector<int> scores;
    std::vector<std::string> people;
};

// The good table with line 0 replaced by first_line, read as name and score.
read_case first_line_case(const char* name, const std::string& first_line,
                          const std::string& want_name, int want_score)
{
    std::vector<int> s = good_scores;
    std::vector<std::string> p = good_people;
    s[0] = want_score;
    p[0] = want_name;
    return {name, true, first_line + "\n" + good_lines(1, 10), false, s, p};
}

read_case rejected_case(const char* name, const std::string& contents)
{
    return {name, true, contents, true, default_scores, default_people};
}

std::vector<read_case> read_cases()
{
    std::string ten = good_lines(0, 10);
    std::string ten_crlf;
    for (size_t i = 0; i < 10; ++i)
        ten_crlf += good_people[i] + " " + std::to_string(good_scores[i]) + "\r\n";
    return {
        {"missing_file", false, "", true, default_scores, default_people},
        {"ten_good_lines", true, ten, false, good_scores, good_people},
        {"last_line_without_line_feed", true, ten.substr(0, ten.size() - 1), false, good_scores,
         good_people},
        {"ten_lines_then_empty_line_then_junk", true, ten + "\nnot a score line\nx\n", false,
         good_scores, good_people},
        {"carriage_returns_end_the_number", true, ten_crlf, false, good_scores,
         std::vector<std::string>(good_people)},
        {"unsorted_keeps_its_order", true, good_lines(5, 10) + good_lines(0, 5), false,
         {500, 400, 300, 200, 100, 1000, 900, 800, 700, 600},
         {"Flo", "Gus", "Hal", "Ida", "Jo", "Ann", "Bob", "Cy", "Di", "Ed"}},
        first_line_case("split_at_the_last_space", "Ann  Marie Lee 1000", "Ann  Marie Lee", 1000),
        first_line_case("empty_name", " 1000", "", 1000),
        first_line_case("digits_then_letters", "Ann 123abc", "Ann", 123),
        first_line_case("hex_reads_as_zero", "Ann 0x10", "Ann", 0),
        first_line_case("sign_and_leading_tab", "Ann \t-42", "Ann", -42),
        first_line_case("largest_int", "Ann 2147483647", "Ann", 2147483647),
        first_line_case("smallest_int", "Ann -2147483648", "Ann", -2147483647 - 1),
        rejected_case("empty_file", ""),
        rejected_case("empty_first_line", "\n" + ten),
        rejected_case("trailing_space", "Ann 1000 \n" + good_lines(1, 10)),
        rejected_case("letters_only", "Ann many\n" + good_lines(1, 10)),
        rejected_case("sign_only", "Ann -\n" + good_lines(1, 10)),
        rejected_case("no_space", "Ann1000\n" + good_lines(1, 10)),
        rejected_case("bad_line_last", good_lines(0, 9) + "Jo\n"),
        rejected_case("above_int_range", "Ann 2147483648\n" + good_lines(1, 10)),
        rejected_case("below_int_range", "Ann -2147483649\n" + good_lines(1, 10)),
        rejected_case("far_out_of_range", "Ann 99999999999999999999\n" + good_lines(1, 10)),
        rejected_case("nine_lines", good_lines(0, 9)),
        rejected_case("nine_lines_then_empty_line_then_more", good_lines(0, 9) + "\n" +
                                                                  good_lines(9, 10)),
        rejected_case("eleven_lines", ten + "Kim 50\n"),
    };
}

void PrintTo(const read_case& c, std::ostream* out) { *out << c.name; }

class hi_scores_read : public hi_scores_test, public ::testing::WithParamInterface<read_case> {};
}

TEST_P(hi_scores_read, gives_the_file_or_the_defaults)
{
    const read_case& c = GetParam();
    if (c.exists)
        write_file(dirs::hiscore_file, c.contents);
    testing::internal::CaptureStdout();
    std::vector<int> s = {7, 7};
    std::vector<std::string> p = {"left over"};
    hi_scores::load_scores(s, p);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, c.defaults ? load_failure : "");
    EXPECT_EQ(s, c.scores);
    EXPECT_EQ(p, c.people);
}

INSTANTIATE_TEST_SUITE_P(all, hi_scores_read, ::testing::ValuesIn(read_cases()),
                         [](const ::testing::TestParamInfo<read_case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(hi_scores_test, unreadable_file_gives_the_defaults)
{
    fs::create_directory(path(dirs::hiscore_file));
    testing::internal::CaptureStdout();
    EXPECT_EQ(hi_scores::scores(), default_scores);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), load_failure);
}

TEST_F(hi_scores_test, file_is_read_and_the_failure_told_once_per_run)
{
    write_file(dirs::hiscore_file, "junk\n");
    testing::internal::CaptureStdout();
    std::vector<std::string>& people = hi_scores::people();
    std::vector<int>& scores = hi_scores::scores();
    // A good file appearing later changes nothing: it is not read again.
    write_file(dirs::hiscore_file, good_lines(0, 10));
    std::vector<int> s;
    std::vector<std::string> p;
    hi_scores::load_scores(s, p);
    for (int game = 0; game < 2; ++game) {
        push_key_down(SDLK_a, 'a');  // ends the fireworks of a score that does not qualify
        hi_scores::new_score(m_screen, 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), load_failure);
    EXPECT_EQ(scores, default_scores);
    EXPECT_EQ(people, default_people);
    EXPECT_EQ(s, default_scores);
    EXPECT_EQ(p, default_people);
    EXPECT_EQ(&hi_scores::scores(), &scores);
}

TEST_F(hi_scores_test, good_file_is_read_once)
{
    write_file(dirs::hiscore_file, good_lines(0, 10));
    EXPECT_EQ(hi_scores::people(), good_people);
    fs::remove(path(dirs::hiscore_file));
    testing::internal::CaptureStdout();
    EXPECT_EQ(hi_scores::scores(), good_scores);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// ---- writing the file ----

TEST_F(hi_scores_test, save_then_load_gives_the_same_table)
{
    const std::vector<std::string> people = {"Ann Lee", " lead", "trail ", "a  b", "",
                                             "~!@#", "Bob",    "Cy",     "Di",   "Ed"};
    const std::vector<int> scores = {2147483647, 5000, 4000, 3000, 2000, 1000, 0, -1, -20,
                                     -2147483647 - 1};
    hi_scores::people() = people;
    hi_scores::scores() = scores;
    testing::internal::CaptureStdout();
    hi_scores::save_scores();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(people, scores));
    EXPECT_FALSE(file_exists(temp_file));

    hi_scores::forget_loaded_table();
    EXPECT_EQ(hi_scores::people(), people);
    EXPECT_EQ(hi_scores::scores(), scores);
}

TEST_F(hi_scores_test, save_replaces_the_old_file_and_a_stale_temporary)
{
    write_file(dirs::hiscore_file, good_lines(0, 10));
    write_file(temp_file, "left by a crash\n");
    std::vector<std::string> people = good_people;
    people[9] = "Zed";
    hi_scores::people()[9] = "Zed";
    hi_scores::save_scores();
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(people, good_scores));
    EXPECT_FALSE(file_exists(temp_file));
}

namespace {
struct save_failure_case {
    const char* name;
    void (*break_save)(const std::string& dir);
    bool temp_stays;  // the obstacle was there before and is not ours to remove
};

const save_failure_case save_failure_cases[] = {
    {"no_save_directory", [](const std::string& dir) { fs::remove_all(dir + "/save"); }, false},
    {"temporary_cannot_be_made",
     [](const std::string& dir) { fs::create_directory(dir + "/" + temp_file); }, true},
    {"disk_full_while_writing",
     [](const std::string& dir) { fs::create_symlink("/dev/full", dir + "/" + temp_file); },
     false},
    {"old_file_cannot_be_replaced",
     [](const std::string& dir) {
         fs::remove(dir + "/" + dirs::hiscore_file);
         fs::create_directories(dir + "/" + dirs::hiscore_file + "/inside");
     },
     false},
};

void PrintTo(const save_failure_case& c, std::ostream* out) { *out << c.name; }

class hi_scores_save_failure : public hi_scores_test,
                               public ::testing::WithParamInterface<save_failure_case> {};
}

TEST_P(hi_scores_save_failure, tells_and_keeps_the_old_file_and_the_table)
{
    const save_failure_case& c = GetParam();
    std::string old_file = good_lines(0, 10);
    write_file(dirs::hiscore_file, old_file);
    std::vector<int> scores = hi_scores::scores();
    hi_scores::people()[0] = "New";
    c.break_save(m_dir);
    bool had_file = fs::is_regular_file(path(dirs::hiscore_file));

    testing::internal::CaptureStdout();
    hi_scores::save_scores();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), save_failure);

    if (had_file) {
        EXPECT_EQ(read_file(dirs::hiscore_file), old_file);
    }
    EXPECT_EQ(fs::exists(fs::symlink_status(path(temp_file))), c.temp_stays);
    EXPECT_EQ(hi_scores::scores(), scores);
    EXPECT_EQ(hi_scores::people()[0], "New");
}

INSTANTIATE_TEST_SUITE_P(all, hi_scores_save_failure, ::testing::ValuesIn(save_failure_cases),
                         [](const ::testing::TestParamInfo<save_failure_case>& info) {
                             return std::string(info.param.name);
                         });

// ---- a file that could not be read is kept before it is replaced ----

namespace {
// A refused file: a trailing space on its first line, and bytes that no
// text reader keeps as they are.
std::string refused_bytes()
{
    std::string bytes = "Ann 1000 \n" + good_lines(1, 10);
    bytes += std::string("\r\0\xff\n", 4);
    return bytes;
}

struct keep_case {
    const char* name;
    bool file;            // save/scores is there at the first use
    bool refused;         // ... and cannot be read
    bool old_copy;        // save/scores.bad is there from an earlier run
};

const keep_case keep_cases[] = {
    {"refused_file_is_kept", true, true, false},
    {"refused_file_replaces_an_older_copy", true, true, true},
    {"good_file_is_not_copied", true, false, false},
    {"good_file_leaves_an_older_copy", true, false, true},
    {"missing_file_has_nothing_to_keep", false, false, false},
};

void PrintTo(const keep_case& c, std::ostream* out) { *out << c.name; }

class hi_scores_keep : public hi_scores_test, public ::testing::WithParamInterface<keep_case> {};
}

TEST_P(hi_scores_keep, the_first_save_keeps_a_refused_file_byte_for_byte)
{
    const keep_case& c = GetParam();
    const std::string old_copy = "an earlier run's copy\n";
    const std::string contents = c.refused ? refused_bytes() : good_lines(0, 10);
    if (c.file)
        write_file(dirs::hiscore_file, contents);
    if (c.old_copy)
        write_file(bad_file, old_copy);

    testing::internal::CaptureStdout();
    hi_scores::people()[0] = "New";
    hi_scores::save_scores();
    bool defaults = c.refused || !c.file;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              (defaults ? load_failure : "") + (c.refused ? kept_message : ""));
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(hi_scores::people(), hi_scores::scores()));
    if (c.refused) {
        EXPECT_EQ(read_file(bad_file), contents);
    } else if (c.old_copy) {
        EXPECT_EQ(read_file(bad_file), old_copy);
    } else {
        EXPECT_FALSE(file_exists(bad_file));
    }

    // Later saves replace the game's own table: the copy stays as it is.
    const std::string copy_now = file_exists(bad_file) ? read_file(bad_file) : "";
    testing::internal::CaptureStdout();
    hi_scores::people()[0] = "Newer";
    hi_scores::save_scores();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(hi_scores::people(), hi_scores::scores()));
    EXPECT_EQ(file_exists(bad_file), c.refused || c.old_copy);
    if (file_exists(bad_file)) {
        EXPECT_EQ(read_file(bad_file), copy_now);
    }
}

INSTANTIATE_TEST_SUITE_P(all, hi_scores_keep, ::testing::ValuesIn(keep_cases),
                         [](const ::testing::TestParamInfo<keep_case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(hi_scores_test, a_refused_file_that_cannot_be_kept_is_not_replaced)
{
    write_file(dirs::hiscore_file, refused_bytes());
    // A directory in the copy's place, with something in it.
    fs::create_directories(path(bad_file + "/inside"));
    testing::internal::CaptureStdout();
    hi_scores::people()[0] = "New";
    hi_scores::save_scores();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), load_failure + keep_failure + save_failure);
    EXPECT_EQ(read_file(dirs::hiscore_file), refused_bytes());
    EXPECT_FALSE(file_exists(temp_file));
    EXPECT_EQ(hi_scores::people()[0], "New");

    // Once the copy can be made, the next save makes it first.
    fs::remove_all(path(bad_file));
    testing::internal::CaptureStdout();
    hi_scores::save_scores();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kept_message);
    EXPECT_EQ(read_file(bad_file), refused_bytes());
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(hi_scores::people(), hi_scores::scores()));
}

TEST_F(hi_scores_test, a_refused_file_gone_before_the_save_needs_no_copy)
{
    write_file(dirs::hiscore_file, refused_bytes());
    testing::internal::CaptureStdout();
    hi_scores::scores();
    fs::remove(path(dirs::hiscore_file));
    hi_scores::save_scores();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), load_failure);
    EXPECT_FALSE(file_exists(bad_file));
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(default_people, default_scores));
}

TEST_F(hi_scores_test, a_new_entry_over_a_refused_file_keeps_it_first)
{
    write_file(dirs::hiscore_file, refused_bytes());
    testing::internal::CaptureStdout();
    type("Al");
    confirm_and_leave();
    hi_scores::new_score(m_screen, 600000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), load_failure + kept_message);
    EXPECT_EQ(read_file(bad_file), refused_bytes());
    EXPECT_EQ(hi_scores::people()[0], "Al");
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(hi_scores::people(), hi_scores::scores()));
}

// ---- drawing ----

TEST_F(hi_scores_test, draw_puts_title_names_and_scores_in_their_columns)
{
    SDL_FillRect(m_screen, nullptr, 0);
    SDL_Rect corner = {0, 0, 10, 10};
    SDL_FillRect(m_screen, &corner, SDL_MapRGB(m_screen->format, 0, 0, 255));
    hi_scores::draw(m_screen);
    EXPECT_EQ(text_at(m_screen, (640 - 12 * 8) / 2, 20), "Top Vantrels");
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(text_at(m_screen, name_x, row_y(i)), default_people[i]);
        EXPECT_EQ(text_at(m_screen, score_x, row_y(i)), std::to_string(default_scores[i]));
    }
    // Nothing is cleared first.
    EXPECT_EQ(pixel_rgba(m_screen, 5, 5), (rgba{0, 0, 255, 255}));
}

// ---- a new score and the name entry ----

TEST_F(hi_scores_test, new_score_takes_the_row_below_its_equals)
{
    const std::string ties = table_text({"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"},
                                        {900, 800, 800, 800, 500, 500, 300, 300, 300, 300});
    struct {
        const std::string* file;  // null: no file, the default table
        int score;
        int row;  // -1: does not qualify
    } cases[] = {
        {nullptr, 1, -1},       {nullptr, 0, -1},      {nullptr, -5, -1},
        {nullptr, 2, 9},        {nullptr, 500001, 0},  {nullptr, 500000, 1},
        {nullptr, 5000, 8},     {nullptr, 4999, 8},    {nullptr, 2147483647, 0},
        {&ties, 300, -1},       {&ties, 301, 6},       {&ties, 800, 4},
        {&ties, 801, 1},        {&ties, 500, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("score " + std::to_string(c.score) + (c.file ? " in the table with ties" : ""));
        fresh_table(c.file);
        std::vector<int> want_scores = hi_scores::scores();
        std::vector<std::string> want_people = hi_scores::people();
        if (c.row >= 0) {
            want_scores.insert(want_scores.begin() + c.row, c.score);
            want_people.insert(want_people.begin() + c.row, "Al");
            want_scores.pop_back();
            want_people.pop_back();
            type("Al");
            confirm_and_leave();
        } else {
            // The fireworks come at once and end on 'a'; no name entry may
            // take what follows.
            push_key_down(SDLK_a, 'a');
            confirm_and_leave();
        }
        hi_scores::new_score(m_screen, c.score);
        EXPECT_EQ(hi_scores::scores(), want_scores);
        EXPECT_EQ(hi_scores::people(), want_people);
        if (c.row < 0) {
            EXPECT_EQ(file_exists(dirs::hiscore_file), c.file != nullptr);
            if (c.file) {
                EXPECT_EQ(read_file(dirs::hiscore_file), *c.file);
            }
        } else {
            EXPECT_EQ(read_file(dirs::hiscore_file), table_text(want_people, want_scores));
        }
        std::vector<SDLKey> left;
        for (SDL_Event e; SDL_PollEvent(&e);)
            left.push_back(e.key.keysym.sym);
        std::vector<SDLKey> unread;
        if (c.row < 0)
            unread = {SDLK_RETURN, SDLK_SPACE};
        EXPECT_EQ(left, unread);
    }
}

TEST_F(hi_scores_test, name_entry_shows_the_table_the_prompt_and_the_edited_name)
{
    type("abc");
    push_key_down(SDLK_BACKSPACE, 8);
    confirm_and_leave();
    hi_scores::new_score(m_screen, 3);
    // The fireworks ended before their first frame: this is the entry screen.
    EXPECT_EQ(text_at(m_screen, (640 - 15 * 8) / 2, 40), "Enter your name");
    EXPECT_EQ(text_at(m_screen, (640 - 12 * 8) / 2, 20), "Top Vantrels");
    EXPECT_EQ(text_at(m_screen, name_x, row_y(8)), "Dunx");
    EXPECT_EQ(text_at(m_screen, score_x, row_y(9)), "3");
    // The erased third glyph is gone, not just drawn over.
    EXPECT_EQ(text_at(m_screen, name_x, row_y(9)), "ab");
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0);
}

namespace {
struct key {
    SDLKey sym;
    Uint16 unicode;
};

struct edit_case {
    const char* what;
    std::vector<key> keys;  // Return and the fireworks' key come after these
    std::string name;
    std::vector<sound::snd_id> sounds;  // in the order played
};

const key k_backspace = {SDLK_BACKSPACE, 8};
// As the platform sends it: Delete has no character.
const key k_delete = {SDLK_DELETE, 0};
const key k_delete_char = {SDLK_DELETE, 127};

std::vector<key> keys_of(const std::string& s)
{
    std::vector<key> keys;
    for (char c : s)
        keys.push_back({static_cast<SDLKey>(c), static_cast<Uint16>(static_cast<unsigned char>(c))});
    return keys;
}

std::vector<key> operator+(std::vector<key> a, const std::vector<key>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using sound::BOOM;
using sound::CLANG;
using sound::PFFT;

const edit_case edit_cases[] = {
    {"typed_characters", keys_of("Jo"), "Jo", {PFFT, PFFT, BOOM}},
    {"case_follows_the_unicode_value", {{SDLK_a, 'A'}, {SDLK_a, 'a'}}, "Aa", {PFFT, PFFT, BOOM}},
    {"first_and_last_printable", keys_of(" ~"), " ~", {PFFT, PFFT, BOOM}},
    {"backspace_erases", keys_of("abc") + std::vector<key>{k_backspace}, "ab",
     {PFFT, PFFT, PFFT, CLANG, BOOM}},
    {"delete_erases", keys_of("abcd") + std::vector<key>{k_delete}, "abc",
     {PFFT, PFFT, PFFT, PFFT, CLANG, BOOM}},
    {"delete_by_its_character_erases", keys_of("abc") + std::vector<key>{k_delete_char}, "ab",
     {PFFT, PFFT, PFFT, CLANG, BOOM}},
    {"delete_twice_then_typing", keys_of("abc") + std::vector<key>{k_delete, k_delete} + keys_of("x"),
     "ax", {PFFT, PFFT, PFFT, CLANG, CLANG, PFFT, BOOM}},
    {"backspace_on_empty_does_nothing", std::vector<key>{k_backspace} + keys_of("x"), "x",
     {PFFT, BOOM}},
    {"delete_on_empty_adds_nothing", std::vector<key>{k_delete, k_delete_char} + keys_of("x"), "x",
     {PFFT, BOOM}},
    {"return_at_once_is_lazy", {}, "Somebody very lazy", {BOOM}},
    {"erased_to_nothing_is_lazy", keys_of("a") + std::vector<key>{k_backspace},
     "Somebody very lazy", {PFFT, CLANG, BOOM}},
    {"keypad_enter_and_escape_go_on",
     std::vector<key>{{SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27}} + keys_of("z"), "z", {PFFT, BOOM}},
    {"keys_without_a_character", {{SDLK_LSHIFT, 0}, {SDLK_UP, 0}, {SDLK_F1, 0}, {SDLK_a, 31}},
     "Somebody very lazy", {BOOM}},
    // Low bytes 0x41 ('A') and 0x20 (' ') must not pass for ASCII.
    {"beyond_latin1_adds_nothing", std::vector<key>{{SDLK_WORLD_0, 0x141}, {SDLK_WORLD_1, 0x4E20}} +
                                       keys_of("q"),
     "q", {PFFT, BOOM}},
    {"latin1_adds_nothing", {{SDLK_WORLD_2, 0xE9}, {SDLK_WORLD_3, 0x80}}, "Somebody very lazy",
     {BOOM}},
};

// What the table's screens play stays on the mixer's channels.
class hi_scores_sound_test : public hi_scores_test {
protected:
    void SetUp() override
    {
        hi_scores_test::SetUp();
        if (!m_recorder.open())
            GTEST_SKIP() << "no audio device: " << SDL_GetError();
    }
    void TearDown() override
    {
        m_recorder.close();
        hi_scores_test::TearDown();
    }
    typedef sound_recorder::heard heard;
    std::vector<heard> heard_sounds() const { return m_recorder.heard_sounds(); }

    sound_recorder m_recorder;
};

void PrintTo(const edit_case& c, std::ostream* out) { *out << c.what; }

class hi_scores_entry : public hi_scores_sound_test,
                        public ::testing::WithParamInterface<edit_case> {};
}

TEST_P(hi_scores_entry, edits_the_name_with_its_sounds_and_saves_it)
{
    const edit_case& c = GetParam();
    for (const key& k : c.keys)
        push_key_down(k.sym, k.unicode);
    confirm_and_leave();
    hi_scores::new_score(m_screen, 600000);
    EXPECT_EQ(hi_scores::people()[0], c.name);
    std::vector<std::string> people(default_people.begin(), default_people.end() - 1);
    std::vector<int> scores(default_scores.begin(), default_scores.end() - 1);
    EXPECT_EQ(read_file(dirs::hiscore_file), c.name + " 600000\n" + table_text(people, scores));
    std::vector<heard> sounds = heard_sounds();
    ASSERT_EQ(sounds.size(), c.sounds.size());
    for (size_t i = 0; i < sounds.size(); ++i) {
        EXPECT_EQ(sounds[i].id, c.sounds[i]) << i;
        EXPECT_EQ(sounds[i].volume, 128) << i;
    }
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0);
}

INSTANTIATE_TEST_SUITE_P(all, hi_scores_entry, ::testing::ValuesIn(edit_cases),
                         [](const ::testing::TestParamInfo<edit_case>& info) {
                             return std::string(info.param.what);
                         });

// ---- the fireworks ----

namespace {
using hi_scores::fader;
using hi_scores::firework;

// Replays the random sequence of a seed with the game's own draws.
struct replay {
    explicit replay(unsigned seed) { srand(seed); }
    float u() { return randu(); }
    int randint(int i) { return ::randint(i); }
};

// The first seed from 1 on whose first draw is (or is not) below the
// launch chance.
unsigned seed_with_first_draw(bool below)
{
    for (unsigned seed = 1;; ++seed) {
        srand(seed);
        if ((randu() < 0.12) == below)
            return seed;
    }
}

class hi_scores_fireworks : public hi_scores_sound_test {};
}

TEST(hi_scores_rocket, bursts_when_falling_at_fifty)
{
    struct {
        float factor;
        int frames;
        float y;
        float dy;
    } cases[] = {{1.0f, 57, 78.72f, 56}, {0.8f, 47, 224.32f, 56}, {0.875f, 50, 172, 50}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        firework f = {300, 480, 0, -400 * c.factor};
        int frame = 1;
        while (!hi_scores::rocket_step(f) && frame < 1000)
            ++frame;
        EXPECT_EQ(frame, c.frames);
        EXPECT_FLOAT_EQ(f.dy, c.dy);
        EXPECT_NEAR(f.y, c.y, 0.01);
        EXPECT_FLOAT_EQ(f.x, 300);
    }
    firework sideways = {0, 480, -40, -400};
    hi_scores::rocket_step(sideways);
    EXPECT_FLOAT_EQ(sideways.x, -1.6f);
    EXPECT_FLOAT_EQ(sideways.y, 464);
    EXPECT_FLOAT_EQ(sideways.dy, -392);
}

TEST(hi_scores_spark, lives_nineteen_frames)
{
    fader f = {100, 100, 25, -50, 200, 200, 200, 0.8f};
    float life = 0.8f;
    for (int frame = 1; frame <= 19; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(hi_scores::spark_step(f));
        life = static_cast<float>(life - 0.04);
        EXPECT_EQ(f.life, life);
        EXPECT_NEAR(f.life, 0.8 - 0.04 * frame, 1e-5);
        EXPECT_FLOAT_EQ(f.x, 100 + frame);
        EXPECT_FLOAT_EQ(f.y, 100 - 2 * frame);
    }
    EXPECT_FALSE(hi_scores::spark_step(f));
    EXPECT_LT(f.life, 0);
    EXPECT_GT(f.life, -1e-5);
}

TEST_F(hi_scores_fireworks, launch_draws_its_chance_then_angle_place_and_speed)
{
    struct {
        bool launches;
        int width, height;
    } cases[] = {{false, 640, 480}, {true, 640, 480}, {true, 800, 1920}, {true, 300, 240}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Mix_HaltChannel(-1);
        unsigned seed = seed_with_first_draw(c.launches);
        std::list<firework> rockets = {{1, 2, 3, 4}};
        srand(seed);
        EXPECT_EQ(hi_scores::launch_step(rockets, c.width, c.height), c.launches);
        int next = rand();

        replay r(seed);
        r.u();
        if (!c.launches) {
            EXPECT_EQ(rockets.size(), 1u);
            EXPECT_EQ(Mix_Playing(0), 0);
            EXPECT_EQ(rand(), next) << "one draw, no more";
            continue;
        }
        double theta = (2 * r.u() - 1) * 0.1;
        int x = r.randint(c.width);
        double factor = 0.8 + 0.2 * r.u();
        ASSERT_EQ(rockets.size(), 2u);
        const firework& f = rockets.back();
        EXPECT_EQ(f.x, x);
        EXPECT_EQ(f.y, c.height);
        EXPECT_FLOAT_EQ(f.dx, static_cast<float>(400 * std::sin(theta)));
        EXPECT_FLOAT_EQ(f.dy, static_cast<float>(-400 * std::sqrt(c.height / 480.0) *
                                                 std::cos(theta) * factor));
        EXPECT_EQ(heard_sounds().size(), 1u);
        EXPECT_EQ(heard_sounds()[0].id, sound::PFFT);
        EXPECT_EQ(heard_sounds()[0].volume, 38);
        EXPECT_EQ(rand(), next) << "four draws, no more";
    }
}

TEST_F(hi_scores_fireworks, burst_appends_two_hundred_sparks_then_pops)
{
    const unsigned seed = 4711;
    firework rocket = {123.5f, 78.75f, 3, 56};
    std::list<fader> sparks = {{1, 1, 0, 0, 130, 130, 130, 0.1f}};
    srand(seed);
    hi_scores::burst(rocket, sparks);
    int after_burst = rand();

    ASSERT_EQ(sparks.size(), 201u);
    EXPECT_EQ(sparks.front().life, 0.1f);
    replay r(seed);
    int rim = 0;
    for (auto s = std::next(sparks.begin()); s != sparks.end(); ++s) {
        float z = 2 * r.u() - 1;
        float phi = static_cast<float>(2 * r.u() * pi);
        int red = 128 + r.randint(128);
        int green = 128 + r.randint(128);
        int blue = 128 + r.randint(128);
        double flat = std::sqrt(1.0 - static_cast<double>(z) * z);
        EXPECT_FLOAT_EQ(s->dx, static_cast<float>(100 * flat * std::sin(phi)));
        EXPECT_FLOAT_EQ(s->dy, static_cast<float>(100 * flat * std::cos(phi)));
        EXPECT_EQ(s->r, red);
        EXPECT_EQ(s->g, green);
        EXPECT_EQ(s->b, blue);
        EXPECT_EQ(s->x, 123.5f);
        EXPECT_EQ(s->y, 78.75f);
        EXPECT_EQ(s->life, 0.8f);
        EXPECT_LE(std::hypot(s->dx, s->dy), 100.001);
        rim += std::hypot(s->dx, s->dy) > 70.7;
    }
    EXPECT_EQ(after_burst, rand()) << "five draws a spark, no more";
    // Flattened sphere: most sparks fly near full speed.
    EXPECT_GT(rim, 100);
    std::vector<heard> sounds = heard_sounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].id, sound::POP);
    EXPECT_EQ(sounds[0].volume, 64);
}

TEST_F(hi_scores_test, frame_draws_rockets_and_fading_sparks_under_the_table)
{
    surface_ptr pic(create_surface(2, 2, alpha_channel));
    SDL_FillRect(pic.get(), nullptr, SDL_MapRGB(pic->format, 255, 255, 255));
    SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, 255, 0, 0));
    std::list<firework> rockets = {{10.7f, 300.9f, 0, 0}, {-1.5f, 400, 0, 0}, {600, 479, 0, 0}};
    std::list<fader> sparks = {
        {100.5f, 200.2f, 0, 0, 200, 150, 255, 0.4f},  // half its life left
        {101, 200, 0, 0, 255, 255, 255, 0.8f},
        {102, 200, 0, 0, 130, 201, 255, 0.2f},
        {640, 10, 0, 0, 255, 255, 255, 0.8f},  // off the screen: not drawn
        {10, 480, 0, 0, 255, 255, 255, 0.8f},
        {-5, -5, 0, 0, 255, 255, 255, 0.8f},
        {103, 200, 0, 0, 255, 255, 255, 0.8f},
        {103, 200, 0, 0, 128, 128, 128, 0.8f},  // the later spark wins
    };
    hi_scores::draw_frame(m_screen, pic.get(), rockets, sparks);

    const rgba white = {255, 255, 255, 255};
    const rgba black = {0, 0, 0, 255};
    struct {
        int x, y;
        rgba want;
    } pixels[] = {
        {10, 300, white}, {11, 301, white},  {12, 300, black}, {10, 302, black},
        {0, 400, white},  {0, 401, white},   {1, 400, black},  {600, 479, white},
        {100, 200, {100, 75, 127, 255}},     {101, 200, white},
        {102, 200, {32, 50, 63, 255}},        {103, 200, {128, 128, 128, 255}},
        {639, 10, black}, {0, 11, black},    {10, 479, black}, {0, 0, black},
        {639, 479, black},
    };
    for (const auto& p : pixels) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(pixel_rgba(m_screen, p.x, p.y), p.want);
    }
    EXPECT_EQ(text_at(m_screen, (640 - 12 * 8) / 2, 20), "Top Vantrels");
    EXPECT_EQ(text_at(m_screen, name_x, row_y(9)), "Dunx");
}

TEST_F(hi_scores_test, a_waiting_key_ends_the_fireworks_before_their_first_frame)
{
    const rgba blue = {0, 0, 255, 255};
    SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, 0, 0, 255));
    push_key(SDLK_q, 'q');
    srand(99);
    int first = rand();
    srand(99);
    hi_scores::animate(m_screen);
    EXPECT_EQ(rand(), first) << "no launch was drawn";
    EXPECT_EQ(pixel_rgba(m_screen, 320, 470), blue);
    SDL_Event rest;
    ASSERT_EQ(SDL_PollEvent(&rest), 1);
    EXPECT_EQ(rest.type, SDL_KEYUP);
}

TEST_F(hi_scores_test, fireworks_take_one_event_a_frame)
{
    SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, 0, 0, 255));
    for (int i = 0; i < 3; ++i) {
        SDL_Event e = {};
        e.type = SDL_USEREVENT;
        SDL_PushEvent(&e);
    }
    push_key_down(SDLK_q, 'q');
    Uint32 start = SDL_GetTicks();
    hi_scores::animate(m_screen);
    EXPECT_GE(SDL_GetTicks() - start, 3u * 40);
    EXPECT_EQ(pixel_rgba(m_screen, 320, 470), (rgba{0, 0, 0, 255})) << "frames were drawn";
    EXPECT_EQ(text_at(m_screen, (640 - 12 * 8) / 2, 20), "Top Vantrels");
}

TEST_F(hi_scores_test, end_of_game_enters_saves_and_shows_the_fireworks)
{
    write_file(dirs::hiscore_file, good_lines(0, 10));
    testing::internal::CaptureStdout();
    for (char c : std::string("Neo Ray"))
        push_key(static_cast<SDLKey>(c), static_cast<Uint16>(c));
    push_key(SDLK_BACKSPACE, 8);
    push_key(SDLK_RETURN, 13);
    push_key(SDLK_ESCAPE, 27);  // the fireworks run one frame on Return's key-up
    hi_scores::new_score(m_screen, 650);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    std::vector<std::string> people = good_people;
    std::vector<int> scores = good_scores;
    people.insert(people.begin() + 4, "Neo Ra");
    scores.insert(scores.begin() + 4, 650);
    people.pop_back();
    scores.pop_back();
    EXPECT_EQ(hi_scores::people(), people);
    EXPECT_EQ(hi_scores::scores(), scores);
    EXPECT_EQ(read_file(dirs::hiscore_file), table_text(people, scores));
    // The last frame: black behind the table with the new entry, no prompt.
    EXPECT_EQ(text_at(m_screen, name_x, row_y(4)), "Neo Ra");
    EXPECT_EQ(text_at(m_screen, score_x, row_y(4)), "650");
    EXPECT_EQ(text_at(m_screen, (640 - 15 * 8) / 2, 40), "");
    EXPECT_EQ(SDL_EnableUNICODE(-1), 0);
}
