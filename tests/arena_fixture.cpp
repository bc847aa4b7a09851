// The arena tests' shared fixture: pictures of known shapes, a game in its
// start state and maps from rows of characters.
#include "arena_fixture.h"

#include <filesystem>
#include <map>

#include "debug.h"
#include "etc.h"
#include "levels.h"
#include "png_fixture.h"
#include "weapons.h"

namespace {
bool everywhere(int, int) { return true; }
bool nowhere(int, int) { return false; }
bool diag_tl(int x, int y) { return x + y <= 31; }
bool diag_tr(int x, int y) { return x >= y; }
bool diag_bl(int x, int y) { return x <= y; }
bool diag_br(int x, int y) { return x + y >= 31; }
bool ship_disc(int x, int y) { return (x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5) <= 12 * 12; }
bool ball_disc(int x, int y) { return (x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5) <= 10 * 10; }

struct square_picture {
    const char* file;
    int w, h;
    uint32_t colour;
};

const square_picture squares[] = {
    {"shot.png", 4, 4, 0xFF40F0FF},      {"shover.png", 6, 6, 0xFF2080FF},
    {"rocket.png", 6, 6, 0xFF2020FF},    {"plasmoid.png", 8, 8, 0xFFFF40C0},
    {"wshot.png", 2, 2, 0xFFFFFFFF},     {"heart.png", 4, 4, 0xFFC080FF},
    {"coin.png", 8, 8, 0xFF20C0F0},      {"recking_ball.png", 16, 16, 0xFF606060},
    {"tractor.png", 2, 2, 0xFFFFFF40},   {"foe.png", 16, 16, 0xFF4040E0},
    {"bigfoe.png", 64, 32, 0xFF4040A0},
    // The enemies.
    {"turret_up.png", 32, 32, 0xFF3030C0},    {"turret_down.png", 32, 32, 0xFF3030C1},
    {"turret_left.png", 32, 32, 0xFF3030C2},  {"turret_right.png", 32, 32, 0xFF3030C3},
    {"t_shot.png", 4, 4, 0xFF8000FF},         {"bobbler.png", 12, 12, 0xFF40FF40},
    {"miner.png", 20, 20, 0xFF0000A0},        {"baby_graldor.png", 8, 8, 0xFF80FF80},
    {"graldor0.png", 32, 32, 0xFF20A020},     {"graldor1.png", 32, 32, 0xFF20A021},
    {"graldor2.png", 32, 32, 0xFF20A022},     {"graldor3.png", 32, 32, 0xFF20A023},
    {"graldor4.png", 32, 32, 0xFF20A024},     {"graldor5.png", 32, 32, 0xFF20A025},
    {"graldor6.png", 32, 32, 0xFF20A026},     {"graldor7.png", 32, 32, 0xFF20A027},
    {"graldor8.png", 32, 32, 0xFF20A028},     {"graldor9.png", 32, 32, 0xFF20A029},
    {"invader1.png", 24, 16, 0xFFFF8080},     {"invader2.png", 24, 16, 0xFFFF8081},
    {"blockexplo0.png", 32, 32, 0xFFFFFFF0},  {"blockexplo1.png", 32, 32, 0xFFFFFFF1},
    {"blockexplo2.png", 32, 32, 0xFFFFFFF2},  {"blockexplo3.png", 32, 32, 0xFFFFFFF3},
    {"ufo.png", 96, 40, 0xFFA0A0A0},          {"ast_ufo.png", 64, 32, 0xFF606090},
    {"asteroid1.png", 40, 40, 0xFF406080},    {"asteroid2.png", 24, 24, 0xFF406081},
    {"asteroid3.png", 14, 14, 0xFF406082},
};
}

void write_shape(const std::string& path, int w, int h, bool (*solid)(int x, int y), uint32_t colour)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (solid(x, y))
                pixels[static_cast<size_t>(y) * w + x] = colour;
    ASSERT_TRUE(write_rgba_png(path, w, h, pixels)) << path;
}

const std::map<char, arena_t> map_characters = {
    {'#', A_BLOCK},         {'7', A_BLOCK_DIAGTL}, {'9', A_BLOCK_DIAGTR}, {'1', A_BLOCK_DIAGBL},
    {'5', A_BLOCK_DIAGBR},  {'X', A_EXIT_BLOCK},   {'B', A_SOURCE},       {'T', A_SINK},
    {'|', A_PIPE_UD},       {'-', A_PIPE_LR},      {'q', A_PIPE_LD},      {'d', A_PIPE_LU},
    {'p', A_PIPE_RD},       {'b', A_PIPE_RU},      {'W', A_PIPE_TU},      {'M', A_PIPE_TD},
    {'3', A_PIPE_TL},       {'E', A_PIPE_TR},      {'+', A_PIPE_CROSS},   {'>', A_BUTTON_L},
    {'v', A_BUTTON_U},      {'<', A_BUTTON_R},     {'^', A_BUTTON_D},     {'V', A_VGATE_CLOSED},
    {'H', A_HGATE_CLOSED},  {'s', A_SHOP},
};

void write_fixture_pictures(const std::string& image_dir)
{
    for (int t = 0; t < tile_type_count; ++t) {
        if (!image_files[t])
            continue;
        bool (*shape)(int, int) = everywhere;
        switch (t) {
        case A_BLOCK_DIAGTL: shape = diag_tl; break;
        case A_BLOCK_DIAGTR: shape = diag_tr; break;
        case A_BLOCK_DIAGBL: shape = diag_bl; break;
        case A_BLOCK_DIAGBR: shape = diag_br; break;
        case A_VGATE_OPEN:
        case A_HGATE_OPEN: shape = nowhere; break;
        default: break;
        }
        // Tile types are told apart by colour in screenshots.
        uint32_t colour = 0xFF000000 | static_cast<uint32_t>(t * 0x050B13 + 0x303030);
        write_shape(image_dir + "/" + image_files[t], 32, 32, shape, colour);
    }
    write_shape(image_dir + "/ship.png", 32, 32, ship_disc, 0xFFE0E0E0);
    write_shape(image_dir + "/ball.png", 32, 32, ball_disc, 0xFFFFE040);
    for (const square_picture& s : squares)
        write_shape(image_dir + "/" + s.file, s.w, s.h, everywhere, s.colour);
    write_shape(image_dir + "/wcircle50.png", 50, 50, nowhere);
    write_shape(image_dir + "/transpixel.png", 1, 1, nowhere);
}

// ------------------------------------------------------------ test movers

test_enemy::test_enemy(double hitpoints, int dam_red, int score, const char* picture)
    : m_pic(game::the_game->m_bmp_pool.get_bitmap(picture))
{
    m_hitpoints = hitpoints;
    m_dam_red = dam_red;
    m_score = score;
}

SDL_Surface* test_enemy::pic() const { return m_pic; }

void test_enemy::notify_dead()
{
    ++deaths;
    score_at_death = game::the_game->m_player_status.score;
}

test_block::test_block(const char* picture, float mass)
    : m_pic(game::the_game->m_bmp_pool.get_bitmap(picture))
{
    m_mass = mass;
}

SDL_Surface* test_block::pic() const { return m_pic; }

// ---------------------------------------------------------------- fixture

void arena_test::SetUp()
{
    run_dir_test::SetUp();
    write_fixture_pictures(path("images"));
    new_game();
}

void arena_test::new_game()
{
    m_arena.reset();
    m_game.reset(new game);
    game::the_game = m_game.get();
    // The start of a game, as the play loop makes it.
    player_status& s = m_game->m_player_status;
    s = player_status{0, 0, MAX_SHIELD, 3, false, 0, 0, 0};
    m_game->m_weapon_mounts.assign(mounts, mounts + mount_count);
    m_game->m_engine = ET_PIFFLER;
    m_game->m_systems.assign(system_slots, ST_EMPTY);
    s.max_energy = s.energy = calc_ship_battery();
    m_arena.reset(new arena);
    m_game->m_arena = m_arena.get();
}

void arena_test::TearDown()
{
    // The arena and its movers go before the game and its pictures.
    m_arena.reset();
    m_game.reset();
    game::the_game = nullptr;
    run_dir_test::TearDown();
}

void arena_test::build(const std::vector<std::string>& rows)
{
    int w = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    m_arena->set_size(w, static_cast<int>(rows.size()));
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        for (int x = 0; x < w && x < static_cast<int>(rows[y].size()); ++x) {
            char c = rows[y][x];
            if (c == 'S')
                m_arena->set_player_spawn(x, y);
            auto found = map_characters.find(c);
            if (found != map_characters.end())
                m_arena->set(x, y, found->second);
        }
    }
}

void arena_test::start(const std::vector<std::string>& rows)
{
    build(rows);
    m_arena->activate();
}

void arena_test::frame()
{
    step_frame(*m_game);
}

void arena_test::frames(int n)
{
    for (int i = 0; i < n; ++i)
        frame();
}

ship* arena_test::the_ship() { return dynamic_cast<ship*>(m_arena->get_player_target()); }

void arena_test::release_keys() { m_game->m_key_flags = {false, false, false, false, false}; }

void lose_ship_on_the_way_out(arena& the_arena, ship& s)
{
    player_status& status = game::the_game->m_player_status;
    status.shield = 0;
    status.invulnerability = 0;
    // 4 pixels a sub-step: the centre is at y = -2 after the first one,
    // the first sub-step that tests the new enemy against the ship, whose
    // disc then overlaps the enemy's lowest rows.
    s.teleport_centre(s.x_centre(), 2);
    s.m_dx = 0;
    s.m_dy = -400;
    test_enemy* e = new test_enemy(100);
    e->teleport_centre(s.x_centre(), -16);
    the_arena.add_mover(e);
}

std::vector<std::string> open_field(int w, int h)
{
    std::vector<std::string> rows(h, std::string(w, '.'));
    rows[1][1] = 'S';
    return rows;
}

rgba first_opaque(SDL_Surface* s)
{
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            rgba c = pixel_rgba(s, x, y);
            if (c.a != 0)
                return c;
        }
    return {0, 0, 0, 0};
}

unsigned seed_with_first_draw(int value)
{
    for (unsigned s = 1; s < 100000000u; ++s) {
        srand(s);
        if (rand15() == value)
            return s;
    }
    ADD_FAILURE() << "no seed draws " << value << " first";
    return 1;
}

void sounding_arena_test::SetUp()
{
    arena_test::SetUp();
    m_sound = m_recorder.open();
}

void sounding_arena_test::TearDown()
{
    m_recorder.close();
    arena_test::TearDown();
}

std::string shipped_level_file() { return std::string(VANTREL_GAME_IMAGES) + "/../levels/levels.txt"; }

std::string level_title(const std::string& description)
{
    std::string title = description.substr(0, description.find('\n'));
    title.erase(0, title.find_first_not_of(' '));
    title.erase(title.find_last_not_of(' ') + 1);
    return title;
}

std::string level_name(int number, const std::string& description)
{
    const std::string title = level_title(description);
    std::string name = "level " + std::to_string(number);
    return title.empty() ? name + " (untitled)" : name + " \"" + title + "\"";
}

void arena_test::use_game_data(bool levels)
{
    namespace fs = std::filesystem;
    m_arena.reset();
    fs::copy(VANTREL_GAME_IMAGES, path("images"), fs::copy_options::overwrite_existing | fs::copy_options::recursive);
    if (levels) {
        ASSERT_TRUE(fs::exists(shipped_level_file())) << shipped_level_file();
        fs::copy_file(shipped_level_file(), path("levels/levels.txt"), fs::copy_options::overwrite_existing);
    }
    m_arena.reset(new arena);
    m_game->m_arena = m_arena.get();
}

bool arena_test::next_level(level_loader& loader, std::string& description)
{
    m_game->m_arena = m_arena.get();
    testing::internal::CaptureStdout();
    bool loaded = false;
    try {
        loaded = !loader.end_of_file() && loader.next_level(*m_arena, description);
    } catch (whinage& w) {
        testing::internal::GetCapturedStdout();
        ADD_FAILURE() << "whinage: " << w.what();
        return false;
    }
    testing::internal::GetCapturedStdout();
    return loaded;
}
