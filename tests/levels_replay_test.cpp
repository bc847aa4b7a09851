// Every shipped level can be finished from the ship a player can afford
// there: the runs the scripted pilot flew (tests/runs/levelNN.txt, one per
// level) are replayed frame by frame in one game, from each level's own
// random seed, by the control flags and shop trades alone.
//
// When a level changes, record the runs again from the build's run folder:
//   cd build/run && VANTREL_RECORD_RUNS=../../tests/runs ../tests/vantrel_tests --gtest_filter=flown_levels.*
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "debug.h"
#include "levels.h"
#include "runs/recorded_run.h"
#include "weapons.h"

namespace fs = std::filesystem;
using recorded_run::run_file;

namespace {
// The recordings live in the source tree, beside this file.
fs::path runs_folder() { return fs::path(__FILE__).parent_path() / "runs"; }

std::string read_text(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string rerecord()
{
    return std::string("the recording no longer matches the levels: record the runs again with\n  ") +
           recorded_run::record_command;
}

std::string describe(const recorded_run::ship_state& s)
{
    std::ostringstream out;
    recorded_run::write_status(out, s.status);
    out << "\n";
    recorded_run::write_list(out, "reloads", s.reloads);
    out << "\n";
    recorded_run::write_fitting(out, s.fit);
    return out.str();
}

// The replay of recorded runs in the fixture's game and arena.
class replay_test : public arena_test {
protected:
    // Plays run in the level standing in the arena, from its start state,
    // until the level is complete, the player is dead, or a few frames past
    // the recorded end. Gives what went differently; empty when nothing.
    std::vector<std::string> replay(const run_file& run, int level)
    {
        std::vector<std::string> problems;
        auto problem = [&](const std::string& p) { problems.push_back(p); };
        game& g = *m_game;
        if (run.level != level || run.seed != recorded_run::level_seed(level)) {
            problem("recorded as level " + std::to_string(run.level) + " with seed " + std::to_string(run.seed) +
                    "; this is level " + std::to_string(level));
            return problems;
        }
        if (run.print != recorded_run::level_print(*m_arena)) {
            problem("the level has changed since its run was recorded");
            return problems;
        }
        for (const auto& c : run.cheats)
            problem("flown with what no player can do (cannot be replayed), at frame " + std::to_string(c.first) +
                    ": " + c.second);
        if (!problems.empty())
            return problems;
        if (!run.start.fit.valid(g))
            problem("a start fitting the game does not have");
        for (const auto& t : run.trades) {
            if (!t.second.fit.valid(g))
                problem("a fitting the game does not have at frame " + std::to_string(t.first));
        }
        if (!problems.empty())
            return problems;
        const recorded_run::ship_state now = recorded_run::ship_state::of(g);
        if (!(now == run.start)) {
            problem("the level starts from another state than recorded; replayed:\n" + describe(now) +
                    "\nrecorded:\n" + describe(run.start));
            run.start.put(g);  // and on from the recorded one
        }

        const int slack = 25;
        int f = 0;
        for (; f < run.complete + slack; ++f) {
            auto t = run.trades.find(f);
            if (t != run.trades.end())
                shop_trade(f, t->second, problem);
            auto flags = run.flags.find(f);
            if (flags != run.flags.end())
                recorded_run::set_flags(g, flags->second);
            recorded_run::step(g);
            if (m_arena->player_is_dead()) {
                problem("the ship lost its last life in frame " + std::to_string(f));
                return problems;
            }
            if (m_arena->level_complete())
                break;
        }
        if (!m_arena->level_complete())
            problem("not complete " + std::to_string(slack) + " frames after frame " + std::to_string(run.complete) +
                    ", where the recording was");
        else if (f + 1 != run.complete)
            problem("complete after " + std::to_string(f + 1) + " frames; recorded after " +
                    std::to_string(run.complete));
        const player_status& s = g.m_player_status;
        if (s.lives != run.end_lives || s.score != run.end_score || s.money != run.end_money)
            problem("ends with lives " + std::to_string(s.lives) + ", score " + std::to_string(s.score) +
                    ", money " + std::to_string(s.money) + "; recorded lives " + std::to_string(run.end_lives) +
                    ", score " + std::to_string(run.end_score) + ", money " + std::to_string(run.end_money));
        return problems;
    }

    // A trade before frame f, as the shop makes it: only right after the
    // ship touched a shop tile, with the money in hand, every part sold
    // for its full price.
    void shop_trade(int f, const recorded_run::trade& t, const std::function<void(const std::string&)>& problem)
    {
        game& g = *m_game;
        player_status& s = g.m_player_status;
        const std::string at = "the trade before frame " + std::to_string(f);
        if (!s.in_shop)
            problem(at + " is away from the shop, which opens only as the ship touches it");
        const recorded_run::fitting before = recorded_run::fitting::of(g);
        const int money = s.money + before.value() - t.fit.value();
        if (money != t.money)
            problem(at + ": money " + std::to_string(s.money) + " + " + std::to_string(before.value()) +
                    " for what is sold - " + std::to_string(t.fit.value()) + " for what is bought = " +
                    std::to_string(money) + ", but the flight had " + std::to_string(t.money));
        if (money < 0)
            problem(at + " costs more than the money in hand");
        t.fit.fit(g);
        s.money = t.money;  // on as flown, to find what else differs
        if (t.fit.systems != before.systems)
            s.max_energy = calc_ship_battery();
    }
};

// The shipped levels in the game's own pictures, as the flight flies them.
class replayed_levels : public replay_test {
protected:
    void SetUp() override
    {
        replay_test::SetUp();
        srand(1);
        use_game_data(true);
    }

    // Every recording of the folder by title.
    std::map<std::string, run_file> read_runs()
    {
        std::map<std::string, run_file> runs;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(runs_folder())) {
            if (e.path().extension() == ".txt")
                files.push_back(e.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& p : files) {
            run_file r;
            std::string error;
            if (!recorded_run::read_run(read_text(p), r, error)) {
                ADD_FAILURE() << p << ": " << error << "\n" << rerecord();
                continue;
            }
            EXPECT_TRUE(runs.emplace(r.title, r).second) << p << ": a second recording of \"" << r.title << "\"";
        }
        return runs;
    }
};
}

// ------------------------------------------------- the replay's own checks

namespace {
// A small field with a shop under the spawn: the ship falls onto it, trades
// its peashooter for a rapishooter, and thrusts out of the top.
class replay_checks : public replay_test {
protected:
    void SetUp() override
    {
        replay_test::SetUp();
        fresh();
    }
    // The field as the level starts, in a fresh game.
    void fresh()
    {
        new_game();
        srand(recorded_run::level_seed(1));
        std::vector<std::string> rows = open_field(6, 8);
        rows[5] = ".ss...";
        start(rows);
        status().money = 1000;
        release_keys();
    }
    void fly_frame()
    {
        m_rec.before_frame(*m_game);
        recorded_run::step(*m_game);
        m_rec.after_frame(*m_game);
    }
    void fly_to_shop()
    {
        for (int i = 0; i < 200 && !status().in_shop; ++i)
            fly_frame();
        ASSERT_TRUE(status().in_shop) << "the ship reaches the shop";
    }
    void fly_out()
    {
        m_game->m_key_flags.up = true;
        for (int i = 0; i < 500 && !m_arena->level_complete(); ++i)
            fly_frame();
        ASSERT_TRUE(m_arena->level_complete()) << "out of the top";
    }
    static int rapishooter_price()
    {
        return weapon_types()[WT_RAPISHOOTER].cost - weapon_types()[WT_PEASHOOTER].cost;
    }
    // The whole flight, recorded, then the field afresh for its replay.
    run_file fly()
    {
        m_rec.begin_level(1, "Shop Field", recorded_run::level_seed(1), *m_game);
        fly_to_shop();
        m_game->m_weapon_mounts[0].type = WT_RAPISHOOTER;
        status().money -= rapishooter_price();
        fly_out();
        m_rec.finish(*m_game);
        run_file run = m_rec.run();
        fresh();
        return run;
    }

    recorded_run::run_recorder m_rec;
};

bool mentions(const std::vector<std::string>& problems, const std::string& what)
{
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(what) != std::string::npos; });
}

std::string joined(const std::vector<std::string>& problems)
{
    std::string out;
    for (const std::string& p : problems)
        out += p + "\n";
    return out;
}
}

TEST_F(replay_checks, a_recorded_flight_replays_as_flown_through_its_file)
{
    const run_file flown = fly();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(flown.trades.size(), 1u);
    EXPECT_EQ(flown.trades.begin()->second.money, 1000 - rapishooter_price());
    EXPECT_TRUE(flown.cheats.empty());
    // Through the text and back, nothing is lost.
    run_file read;
    std::string error;
    const std::string text = recorded_run::write_run(flown);
    ASSERT_TRUE(recorded_run::read_run(text, read, error)) << error << "\n" << text;
    EXPECT_EQ(recorded_run::write_run(read), text);
    EXPECT_EQ(text.substr(0, text.find('\n')), "title Shop Field");
    std::vector<std::string> problems = replay(read, 1);
    EXPECT_TRUE(problems.empty()) << joined(problems);
    EXPECT_EQ(m_game->m_weapon_mounts[0].type, WT_RAPISHOOTER);
    EXPECT_EQ(status().money, 1000 - rapishooter_price());
}

TEST_F(replay_checks, a_run_that_no_longer_fits_is_told_apart)
{
    const run_file flown = fly();
    ASSERT_FALSE(HasFatalFailure());
    const int shop_frame = flown.trades.begin()->first;
    auto retrade = [](run_file& r, int frame, recorded_run::trade t) {
        r.trades.clear();
        r.trades[frame] = t;
    };
    const struct {
        const char* name;
        std::function<void(run_file&)> edit;
        const char* expected;
    } cases[] = {
        {"paid short", [](run_file& r) { r.trades.begin()->second.money += 1; }, "but the flight had"},
        {"traded before the shop",
         [&](run_file& r) { retrade(r, shop_frame - 3, r.trades.begin()->second); }, "away from the shop"},
        {"traded beyond the money in hand",
         [&](run_file& r) {
             recorded_run::trade t = r.trades.begin()->second;
             t.fit.weapons.assign(t.fit.weapons.size(), WT_PLASMOID);
             t.money = 1000 + r.start.fit.value() - t.fit.value();
             retrade(r, shop_frame, t);
         },
         "costs more than the money in hand"},
        {"a part the game has not", [](run_file& r) { r.trades.begin()->second.fit.engine = 7; }, "does not have"},
        {"complete later", [](run_file& r) { r.complete += 3; }, "recorded after"},
        {"complete sooner", [](run_file& r) { r.complete -= 3; }, "recorded after"},
        {"without controls", [](run_file& r) { r.flags = {{0, "....."}}; }, "recorded after"},
        {"another end", [](run_file& r) { r.end_score += 10; }, "ends with"},
        {"another start", [](run_file& r) { r.start.status.score += 5; }, "another state than recorded"},
        {"another start fitting", [](run_file& r) { r.start.fit.systems[3] = ST_LEAD; }, "another state"},
        {"another level", [](run_file& r) { r.level = 2; }, "this is level 1"},
        {"another seed", [](run_file& r) { r.seed += 1; }, "with seed"},
        {"another map", [](run_file& r) { r.print = "0123456789abcdef"; }, "the level has changed"},
        {"flown with a cheat", [](run_file& r) { r.cheats.emplace_back(4, "invulnerable"); }, "cannot be replayed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        run_file edited = flown;
        c.edit(edited);
        std::vector<std::string> problems = replay(edited, 1);
        EXPECT_TRUE(mentions(problems, c.expected)) << joined(problems);
    }
}

TEST_F(replay_checks, the_recorder_notes_what_no_player_can_do)
{
    const struct {
        const char* name;
        std::function<void(game&)> between_frames;
        const char* expected;
    } cases[] = {
        {"the shield mended", [](game& g) { g.m_player_status.shield -= 1; }, "the status changed between frames"},
        {"a life given", [](game& g) { g.m_player_status.lives += 1; }, "the status changed between frames"},
        {"energy given", [](game& g) { g.m_player_status.energy -= 1; }, "the status changed between frames"},
        {"a gun reloaded", [](game& g) { g.m_weapon_mounts[0].reload = 3; },
         "the weapon mounts changed between frames"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        m_rec.begin_level(1, "Shop Field", recorded_run::level_seed(1), *m_game);
        for (int i = 0; i < 3; ++i)
            fly_frame();
        c.between_frames(*m_game);
        fly_frame();
        const auto& cheats = m_rec.run().cheats;
        ASSERT_EQ(cheats.size(), 1u);
        EXPECT_EQ(cheats[0].first, 3);
        EXPECT_EQ(cheats[0].second, c.expected);
    }
    // Money from nowhere is a trade, which the replay prices.
    fresh();
    m_rec.begin_level(1, "Shop Field", recorded_run::level_seed(1), *m_game);
    fly_frame();
    status().money += 50;
    fly_frame();
    EXPECT_TRUE(m_rec.run().cheats.empty());
    ASSERT_EQ(m_rec.run().trades.count(1), 1u);
    EXPECT_EQ(m_rec.run().trades.at(1).money, 1050);
    // And no frame may follow the level's end: the play loop stops there.
    fresh();
    m_rec.begin_level(1, "Shop Field", recorded_run::level_seed(1), *m_game);
    fly_to_shop();
    fly_out();
    const int complete = m_rec.frame();
    EXPECT_EQ(m_rec.run().complete, complete);
    fly_frame();
    ASSERT_EQ(m_rec.run().cheats.size(), 1u);
    EXPECT_EQ(m_rec.run().cheats[0],
              std::make_pair(complete, std::string("frames played after the level was complete")));
}

TEST_F(replay_checks, the_print_of_a_level_tells_a_changed_level_apart)
{
    const std::string as_built = recorded_run::level_print(*m_arena);
    fresh();
    EXPECT_EQ(recorded_run::level_print(*m_arena), as_built) << "the same level, the same print";
    const struct {
        const char* name;
        std::function<void(arena&)> change;
    } cases[] = {
        {"a tile", [](arena& a) { a.set(4, 6, A_BLOCK); }},
        {"a tile swapped", [](arena& a) { a.set(2, 5, A_BLOCK); }},
        {"the gravity", [](arena& a) { a.set_gravity(a.gravity() / 2); }},
        {"a mover moved", [](arena& a) { a.get_mover(0)->m_x += 1; }},
        {"a mover gone", [](arena& a) { delete a.remove_mover(a.get_mover(0)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        c.change(*m_arena);
        EXPECT_NE(recorded_run::level_print(*m_arena), as_built);
    }
}

TEST_F(replay_checks, a_file_that_is_not_a_run_is_refused_with_its_line)
{
    const std::string good = recorded_run::write_run(fly());
    ASSERT_FALSE(HasFatalFailure());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? t : t.replace(at, from.size(), to);
    };
    const struct {
        const char* name;
        std::string text;
        const char* expected;
    } cases[] = {
        {"a frame out of order", replaced("\ncomplete ", "\n1 u....\ncomplete "), "a frame out of order"},
        {"flags misspelt", replaced("\n0 .....", "\n0 ..u.."), "not a line of a run"},
        {"a word of its own", replaced("\nseed ", "\ngravity 3\nseed "), "not a line of a run"},
        {"a short fitting", replaced(" engine 0 systems 0 ", " engine 0 systems "), "not a line of a run"},
        {"more after a list", replaced("\nstart reloads 0", "\nstart reloads 0 0"), "not a line of a run"},
        {"no end", good.substr(0, good.find("\nend ") + 1), "are each needed"},
        {"a frame after the end", good + "0 u....\n", "after the level's end"},
        {"an empty title", replaced("title Shop Field", "title "), "an empty title"},
        {"no seed", replaced("\nseed 1001", ""), "are each needed"},
        {"no print of the level", replaced("\nlevel_print ", "\n# "), "are each needed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        run_file r;
        std::string error;
        EXPECT_FALSE(recorded_run::read_run(c.text, r, error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST_F(replayed_levels, every_shipped_level_is_finished_by_its_recorded_run)
{
    ASSERT_TRUE(fs::is_directory(runs_folder())) << runs_folder();
    std::map<std::string, run_file> runs = read_runs();
    level_loader loader("levels/levels.txt");
    std::string description;
    int level = 0;
    for (;;) {
        srand(recorded_run::level_seed(level + 1));
        if (!next_level(loader, description))
            break;
        ++level;
        const std::string title = level_title(description);
        SCOPED_TRACE(level_name(level, description));
        auto run = runs.find(title);
        if (run == runs.end()) {
            // Without it the levels after it start from an unknown state.
            ADD_FAILURE() << "no recorded run of this level: record the runs with\n  " << recorded_run::record_command;
            return;
        }
        for (const std::string& p : replay(run->second, level)) {
            // A rule broken in the flight needs its script mended, not a new recording.
            const bool rule = p.find("the trade") == 0 || p.find("cannot be replayed") != std::string::npos;
            ADD_FAILURE() << p << "\n" << (rule ? "the flight's script breaks a rule of the game" : rerecord());
        }
        runs.erase(run);
        // A completed level restores the shield, as the play loop does.
        status().shield = MAX_SHIELD;
    }
    EXPECT_GT(level, 0) << "levels in the file";
    for (const auto& r : runs)
        ADD_FAILURE() << "a recording of \"" << r.first << "\", which no shipped level has: delete it or "
                      << "record the runs again with\n  " << recorded_run::record_command;
}
