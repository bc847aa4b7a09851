// Recorded runs of the shipped levels: the one frame step the scripted
// flight and its replay share, the ship's state and fitting, and the text
// file a run is kept in (run_file, written by run_recorder, read by read_run).
#ifndef VANTREL_RECORDED_RUN_H
#define VANTREL_RECORDED_RUN_H

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "arena.h"
#include "etc.h"
#include "game.h"
#include "weapons.h"

namespace recorded_run {

// The random state every level starts from: the flight seeds with it right
// before the level is built, and so does the replay.
inline unsigned level_seed(int level) { return static_cast<unsigned>(1000 + level); }

// How the recordings are made again, for the messages of a stale one.
const char* const record_command =
    "cd build/run && VANTREL_RECORD_RUNS=../../tests/runs ../tests/vantrel_tests "
    "--gtest_filter=flown_levels.*";

// One frame as the play loop runs it, with the controls already set: there
// is no shop screen here, so shop contact is cleared before the frame.
inline void step(game& g)
{
    g.m_player_status.in_shop = false;
    step_frame(g);
}

// A print of the level as it starts: its size, tiles, gravity and where
// its movers stand. A level changed since its run was recorded shows here.
inline std::string level_print(arena& a)
{
    unsigned long long h = 14695981039346656037ull;  // FNV-1a, 64 bits
    auto mix = [&](const void* p, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            h ^= static_cast<const unsigned char*>(p)[i];
            h *= 1099511628211ull;
        }
    };
    const int w = a.width(), ht = a.height();
    mix(&w, sizeof w);
    mix(&ht, sizeof ht);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < ht; ++y) {
            const int t = a.get(x, y);
            mix(&t, sizeof t);
        }
    }
    const float g = a.gravity();
    mix(&g, sizeof g);
    const int movers = a.num_movers();
    mix(&movers, sizeof movers);
    for (int i = 0; i < a.num_movers(); ++i) {
        if (const mover* m = a.get_mover(i)) {
            mix(&m->m_x, sizeof m->m_x);
            mix(&m->m_y, sizeof m->m_y);
        }
    }
    std::ostringstream out;
    out << std::hex << std::setw(16) << std::setfill('0') << h;
    return out.str();
}

// The five control flags as a word: u l r t f for up, left, right, tractor
// and fire, '.' for a flag that is off.
inline std::string flags_of(const game& g)
{
    const auto& k = g.m_key_flags;
    std::string out = ".....";
    if (k.up)
        out[0] = 'u';
    if (k.left)
        out[1] = 'l';
    if (k.right)
        out[2] = 'r';
    if (k.tractor)
        out[3] = 't';
    if (k.fire)
        out[4] = 'f';
    return out;
}
inline void set_flags(game& g, const std::string& flags)
{
    auto on = [&](size_t i, char c) { return i < flags.size() && flags[i] == c; };
    g.m_key_flags = {on(0, 'u'), on(1, 'l'), on(2, 'r'), on(3, 't'), on(4, 'f')};
}
inline bool valid_flags(const std::string& flags)
{
    const std::string letters = "ulrtf";
    if (flags.size() != letters.size())
        return false;
    for (size_t i = 0; i < flags.size(); ++i) {
        if (flags[i] != '.' && flags[i] != letters[i])
            return false;
    }
    return true;
}

// What the shop sells: a weapon on each mount, the engine, the systems.
struct fitting {
    std::vector<int> weapons;
    int engine = ET_PIFFLER;
    std::vector<int> systems;

    static fitting of(const game& g)
    {
        fitting f;
        for (const weapon_mount& m : g.m_weapon_mounts)
            f.weapons.push_back(m.type);
        f.engine = g.m_engine;
        for (system_id s : g.m_systems)
            f.systems.push_back(s);
        return f;
    }
    // Whether every id names something of the catalogue and the mounts
    // and slots are the game's.
    bool valid(const game& g) const
    {
        auto within = [](int id, size_t n) { return id >= 0 && static_cast<size_t>(id) < n; };
        if (weapons.size() != g.m_weapon_mounts.size() || systems.size() != g.m_systems.size() ||
            !within(engine, engine_types().size()))
            return false;
        for (int w : weapons) {
            if (!within(w, weapon_types().size()))
                return false;
        }
        for (int s : systems) {
            if (!within(s, system_types().size()))
                return false;
        }
        return true;
    }
    // Fits the ship; only the weapon types change, the mounts stay.
    void fit(game& g) const
    {
        for (size_t i = 0; i < weapons.size() && i < g.m_weapon_mounts.size(); ++i)
            g.m_weapon_mounts[i].type = static_cast<weapon_id>(weapons[i]);
        g.m_engine = static_cast<engine_id>(engine);
        for (size_t i = 0; i < systems.size() && i < g.m_systems.size(); ++i)
            g.m_systems[i] = static_cast<system_id>(systems[i]);
    }
    // The full price of everything fitted, what the shop pays back for it.
    int value() const
    {
        int v = engine_types()[static_cast<size_t>(engine)].cost;
        for (int w : weapons)
            v += weapon_types()[static_cast<size_t>(w)].cost;
        for (int s : systems)
            v += system_types()[static_cast<size_t>(s)].cost;
        return v;
    }
    bool operator==(const fitting& o) const
    {
        return weapons == o.weapons && engine == o.engine && systems == o.systems;
    }
    bool operator!=(const fitting& o) const { return !(*this == o); }
};

// Everything of the player that carries from one level into the next.
struct ship_state {
    player_status status = {};  // in_shop is neither kept nor compared
    std::vector<int> reloads;   // frames until each mount may fire again
    fitting fit;

    static ship_state of(const game& g)
    {
        ship_state s;
        s.status = g.m_player_status;
        s.status.in_shop = false;
        for (const weapon_mount& m : g.m_weapon_mounts)
            s.reloads.push_back(m.reload);
        s.fit = fitting::of(g);
        return s;
    }
    void put(game& g) const
    {
        g.m_player_status = status;
        fit.fit(g);
        for (size_t i = 0; i < reloads.size() && i < g.m_weapon_mounts.size(); ++i)
            g.m_weapon_mounts[i].reload = reloads[i];
    }
    bool operator==(const ship_state& o) const
    {
        return status == o.status && reloads == o.reloads && fit == o.fit;
    }
};

// A trade at the shop between two frames: the fitting and the money after.
struct trade {
    fitting fit;
    int money = 0;
};

// One level's run as its file holds it.
struct run_file {
    std::string title;
    int level = 0;
    unsigned seed = 0;
    std::string print;  // level_print as the level started
    ship_state start;
    // From their frame on (counted from 0 in the level), until the next.
    std::map<int, std::string> flags;
    // Before the frame of that number.
    std::map<int, trade> trades;
    // What the flight did that no player can: (frame, what).
    std::vector<std::pair<int, std::string> > cheats;
    // The frames played when the level was complete; -1: never.
    int complete = -1;
    int end_lives = 0;
    int end_score = 0;
    int end_money = 0;
};

// ----------------------------------------------------------------- writing

inline void write_status(std::ostream& out, const player_status& s)
{
    out << "score " << s.score << " money " << s.money << " shield " << s.shield << " lives " << s.lives
        << " energy " << s.energy << " max_energy " << s.max_energy << " invulnerability " << s.invulnerability;
}
inline void write_list(std::ostream& out, const char* name, const std::vector<int>& v)
{
    out << name;
    for (int i : v)
        out << ' ' << i;
}
inline void write_fitting(std::ostream& out, const fitting& f)
{
    write_list(out, "weapons", f.weapons);
    out << " engine " << f.engine << ' ';
    write_list(out, "systems", f.systems);
}

inline std::string write_run(const run_file& r)
{
    std::ostringstream out;
    out << std::setprecision(9);  // floats read back exactly
    out << "title " << r.title << "\n"
        << "# Recorded by the scripted flight of the shipped levels (flown_levels.* with\n"
        << "# VANTREL_RECORD_RUNS naming the folder); replayed by levels_replay_test.cpp.\n"
        << "# Lines \"frame flags\" give the controls from that frame on (u up, l left,\n"
        << "# r right, t tractor, f fire, '.' off); \"frame shop\" the fitting and money\n"
        << "# after a trade made before that frame. Frames count from 0 in the level.\n"
        << "level " << r.level << "\n"
        << "seed " << r.seed << "\n"
        << "level_print " << r.print << "\n"
        << "start ";
    write_status(out, r.start.status);
    out << "\nstart ";
    write_list(out, "reloads", r.start.reloads);
    out << "\nstart ";
    write_fitting(out, r.start.fit);
    out << "\n";
    auto flag = r.flags.begin();
    auto shop = r.trades.begin();
    auto cheat = r.cheats.begin();
    // In frame order; at one frame a trade and a cheat come before the flags.
    while (flag != r.flags.end() || shop != r.trades.end() || cheat != r.cheats.end()) {
        const int big = 1 << 30;
        int ff = flag != r.flags.end() ? flag->first : big, sf = shop != r.trades.end() ? shop->first : big,
            cf = cheat != r.cheats.end() ? cheat->first : big;
        if (sf <= ff && sf <= cf) {
            out << sf << " shop money " << shop->second.money << ' ';
            write_fitting(out, shop->second.fit);
            out << "\n";
            ++shop;
        } else if (cf <= ff) {
            out << cf << " cheat " << cheat->second << "\n";
            ++cheat;
        } else {
            out << ff << ' ' << flag->second << "\n";
            ++flag;
        }
    }
    out << "complete " << r.complete << "\n"
        << "end lives " << r.end_lives << " score " << r.end_score << " money " << r.end_money << "\n";
    return out.str();
}

// ----------------------------------------------------------------- reading

namespace detail {
// Reads "name value" pairs in the given order.
template <typename T>
bool named(std::istream& in, const char* name, T& value)
{
    std::string word;
    return static_cast<bool>(in >> word) && word == name && static_cast<bool>(in >> value);
}
inline bool list(std::istream& in, const char* name, std::vector<int>& v, size_t n)
{
    std::string word;
    if (!(in >> word) || word != name)
        return false;
    v.assign(n, 0);
    for (int& i : v) {
        if (!(in >> i))
            return false;
    }
    return true;
}
inline bool read_fitting(std::istream& in, fitting& f, size_t mounts, size_t slots)
{
    return list(in, "weapons", f.weapons, mounts) && named(in, "engine", f.engine) &&
           list(in, "systems", f.systems, slots);
}
inline bool at_end(std::istream& in)
{
    std::string rest;
    return !(in >> rest);
}
}

// Reads a run from text; false with a message naming the line when it is
// not one. mounts and slots: how many the game's ship has.
inline bool read_run(const std::string& text, run_file& r, std::string& error, size_t mounts = mount_count,
                     size_t slots = system_slots)
{
    using namespace detail;
    r = run_file();
    std::istringstream lines(text);
    std::string line;
    int n = 0, last_frame = -1;
    bool have_title = false, have_level = false, have_print = false, have_seed = false, have_complete = false, have_end = false;
    int starts = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(n) + ": " + why + ": \"" + line + "\"";
        return false;
    };
    while (std::getline(lines, line)) {
        ++n;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "title") {
            r.title = line.size() > 6 ? line.substr(6) : "";
            have_title = !r.title.empty();
            if (!have_title)
                return fail("an empty title");
            continue;
        }
        if (have_complete && word != "end")
            return fail("after the level's end");
        bool ok = true;
        if (word == "level") {
            ok = static_cast<bool>(in >> r.level) && r.level > 0;
            have_level = true;
        } else if (word == "level_print") {
            ok = static_cast<bool>(in >> r.print);
            have_print = true;
        } else if (word == "seed") {
            ok = static_cast<bool>(in >> r.seed);
            have_seed = true;
        } else if (word == "start") {
            std::streampos at = in.tellg();
            std::string what;
            in >> what;
            in.seekg(at);
            player_status& s = r.start.status;
            if (what == "score") {
                ok = named(in, "score", s.score) && named(in, "money", s.money) && named(in, "shield", s.shield) &&
                     named(in, "lives", s.lives) && named(in, "energy", s.energy) &&
                     named(in, "max_energy", s.max_energy) && named(in, "invulnerability", s.invulnerability);
                starts |= 1;
            } else if (what == "reloads") {
                ok = list(in, "reloads", r.start.reloads, mounts);
                starts |= 2;
            } else {
                ok = read_fitting(in, r.start.fit, mounts, slots);
                starts |= 4;
            }
        } else if (word == "complete") {
            ok = static_cast<bool>(in >> r.complete) && r.complete > last_frame;
            have_complete = true;
        } else if (word == "end") {
            ok = have_complete && named(in, "lives", r.end_lives) && named(in, "score", r.end_score) &&
                 named(in, "money", r.end_money);
            have_end = true;
        } else {
            // "frame flags", "frame shop ..." or "frame cheat ..."
            int frame = 0;
            std::istringstream number(word);
            if (!(number >> frame) || !number.eof())
                return fail("not a line of a run");
            if (frame < 0 || frame < last_frame)
                return fail("a frame out of order");
            last_frame = frame;
            std::string what;
            in >> what;
            if (what == "shop") {
                trade t;
                ok = named(in, "money", t.money) && read_fitting(in, t.fit, mounts, slots) &&
                     r.trades.emplace(frame, t).second;
            } else if (what == "cheat") {
                std::string rest;
                std::getline(in, rest);
                r.cheats.emplace_back(frame, rest.empty() ? "" : rest.substr(1));
                continue;
            } else {
                ok = valid_flags(what) && r.flags.emplace(frame, what).second;
            }
        }
        if (!ok || !at_end(in))
            return fail("not a line of a run");
    }
    n = 0;
    line.clear();
    if (!have_title || !have_level || !have_print || !have_seed || starts != 7 || !have_complete || !have_end)
        return fail("a title, level, seed, level_print, the start, complete and end are each needed");
    return true;
}

// ---------------------------------------------------------------- recording

// Follows the flight frame by frame and keeps what a replay needs: the
// controls where they change, trades and any other change the script makes
// between frames, and the end. Writes a level's file when it is complete.
class run_recorder {
public:
    // The folder from VANTREL_RECORD_RUNS; nothing is written without it.
    run_recorder()
    {
        // Made absolute now: the test's fixture works in a run folder of its own.
        if (const char* dir = std::getenv("VANTREL_RECORD_RUNS"))
            m_dir = std::filesystem::absolute(dir).string();
    }

    void begin_level(int level, const std::string& title, unsigned seed, const game& g)
    {
        m_run = run_file();
        m_run.title = title;
        m_run.level = level;
        m_run.seed = seed;
        m_run.print = level_print(*g.m_arena);
        m_run.start = ship_state::of(g);
        m_last = m_run.start;
        m_last_mounts = g.m_weapon_mounts;
        m_last_flags.clear();
        m_frame = 0;
    }

    // Right before frame is stepped: what changed since the last frame.
    void before_frame(const game& g)
    {
        if (m_run.complete >= 0) {
            // The play loop stops there; a replay cannot follow.
            cheat_at(m_run.complete, "frames played after the level was complete");
            return;
        }
        ship_state now = ship_state::of(g);
        if (now.fit != m_last.fit || now.status.money != m_last.status.money)
            m_run.trades[m_frame] = trade{now.fit, now.status.money};
        // The shop sets the battery's size from the systems it sells.
        player_status expected = m_last.status;
        expected.money = now.status.money;
        if (now.fit.systems != m_last.fit.systems)
            expected.max_energy = calc_ship_battery();
        if (!(now.status == expected))
            cheat("the status changed between frames");
        if (!same_mounts(g.m_weapon_mounts))
            cheat("the weapon mounts changed between frames");
        const std::string f = flags_of(g);
        if (f != m_last_flags)
            m_run.flags[m_frame] = f;
        m_last_flags = f;
    }
    // What no player can do, at the frame being stepped.
    void cheat(const std::string& what) { cheat_at(m_frame, what); }
    // Right after the frame.
    void after_frame(const game& g)
    {
        ++m_frame;
        if (m_run.complete < 0 && g.m_arena->level_complete())
            m_run.complete = m_frame;
        m_last = ship_state::of(g);
        m_last_mounts = g.m_weapon_mounts;
    }

    // At the level's end: writes its file, when recording and the level
    // was complete. Gives false when it could not be written.
    bool end_level(const game& g)
    {
        finish(g);
        if (m_dir.empty() || m_run.complete < 0)
            return true;
        std::ostringstream name;
        name << m_dir << "/level" << std::setw(2) << std::setfill('0') << m_run.level << ".txt";
        std::ofstream out(name.str());
        out << write_run(m_run);
        return static_cast<bool>(out);
    }

    // Notes the end without writing.
    void finish(const game& g)
    {
        m_run.end_lives = g.m_player_status.lives;
        m_run.end_score = g.m_player_status.score;
        m_run.end_money = g.m_player_status.money;
    }

    const run_file& run() const { return m_run; }
    int frame() const { return m_frame; }

private:
    void cheat_at(int frame, const std::string& what)
    {
        // Once for a stretch of the same thing.
        if (m_run.cheats.empty() || m_run.cheats.back().second != what)
            m_run.cheats.emplace_back(frame, what);
    }
    bool same_mounts(const std::vector<weapon_mount>& mounts) const
    {
        if (mounts.size() != m_last_mounts.size())
            return false;
        for (size_t i = 0; i < mounts.size(); ++i) {
            const weapon_mount &a = mounts[i], &b = m_last_mounts[i];
            if (a.loc_x != b.loc_x || a.loc_y != b.loc_y || a.angle != b.angle || a.reload != b.reload)
                return false;
        }
        return true;
    }

    std::string m_dir;
    run_file m_run;
    ship_state m_last;
    std::vector<weapon_mount> m_last_mounts;
    std::string m_last_flags;
    int m_frame = 0;
};

}  // namespace recorded_run

#endif
