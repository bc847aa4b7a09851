// The shop screen run headless: scripted mouse and key events fed frame by
// frame through a fake clock, the three departments' pages read back from
// the screen, every trade rule, and the new fitting acting in play; and the
// status bar the shop and the play loop draw.
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "etc.h"
#include "movers.h"
#include "png_fixture.h"
#include "shop.h"
#include "test_support.h"
#include "text.h"
#include "vantrel_private.h"
#include "weapons.h"

namespace {
const rgba black = {0, 0, 0, 255};
const rgba white = {255, 255, 255, 255};
const rgba button_col = {32, 32, 64, 255};
const rgba button_sel_col = {64, 64, 128, 255};

// The shop's pictures, written so that the loader keeps their colours:
// - "weapon_point.png" 12 x 6, green;
// - every weapon's shop picture 4 x 10, red;
// - "s_system_mount.png" 31 x 25, a cyan frame one pixel wide, clear inside;
// - every system's shop picture 11 x 9, magenta.
const int point_w = 12, point_h = 6;
const rgba point_colour = {0, 255, 0, 255};
const rgba weapon_colour = {255, 0, 0, 255};
const rgba slot_colour = {0, 200, 200, 255};
const rgba system_colour = {200, 0, 200, 255};

uint32_t packed(rgba c)
{
    return static_cast<uint32_t>(c.a) << 24 | static_cast<uint32_t>(c.b) << 16 | static_cast<uint32_t>(c.g) << 8 |
           static_cast<uint32_t>(c.r);
}

// An RGBA picture whose gAMA chunk makes the loader's gamma correction a
// no-op; opaque in colour where solid(x, y) holds.
void write_picture(const std::string& file, int w, int h, rgba colour,
                   const std::function<bool(int, int)>& solid = [](int, int) { return true; })
{
    png_picture pic;
    pic.width = w;
    pic.height = h;
    pic.gamma = 0.5;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = solid(x, y) ? packed(colour) : 0;
            for (int shift = 0; shift < 32; shift += 8)
                pic.samples.push_back(static_cast<uint16_t>((p >> shift) & 0xFF));
        }
    ASSERT_TRUE(write_png(file, pic)) << file;
}

SDL_Event click(int x, int y, Uint8 button = SDL_BUTTON_LEFT)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = button;
    e.button.state = SDL_PRESSED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

SDL_Event release(int x, int y)
{
    SDL_Event e = click(x, y);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.state = SDL_RELEASED;
    return e;
}

SDL_Event key(SDLKey sym, bool down = true)
{
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    return e;
}

SDL_Event quit_request()
{
    SDL_Event e = {};
    e.type = SDL_QUIT;
    return e;
}

// Where things are on the 640 x 480 screen (shop rectangle {0, 0, 640, 448},
// the left panel's centre at (213, 224), the fixture's ship magnified 10 times).
const int cx = 213, cy = 224;
const std::pair<int, int> weapons_btn = {356, 40}, systems_btn = {356, 65}, engine_btn = {356, 90};
const std::pair<int, int> buy_btn = {495, 433}, sell_btn = {550, 433}, exit_btn = {605, 433};
const std::pair<int, int> prev_btn = {476, 23}, next_btn = {476, 247};
const std::pair<int, int> nowhere = {20, 20};
std::pair<int, int> scroll_row(int i) { return {476, 60 + 25 * i}; }
std::pair<int, int> fixed_row(int i) { return {476, 40 + 25 * i}; }
// Where the default mount m stands: its offset from the ship's centre
// times 10.
std::pair<int, int> mount_point(int m)
{
    return {cx + static_cast<int>(mounts[m].loc_x * 10), cy + static_cast<int>(mounts[m].loc_y * 10)};
}
// The slot grid for a 31 x 25 slot picture: columns and rows.
const int slot_x[4] = {146, 181, 215, 250};
const int slot_y[5] = {154, 183, 212, 241, 270};
std::pair<int, int> slot_corner(int i) { return {slot_x[i % 4], slot_y[i / 4]}; }
std::pair<int, int> slot_centre(int i) { return {slot_x[i % 4] + 15, slot_y[i / 4] + 12}; }

// What a frame of the shop left behind.
struct frame_record {
    surface_ptr screen;
    int money;
    float energy, max_energy;
    bool cursor_shown;
    bool in_shop;
    bool up, left, right, tractor, fire;
    std::vector<weapon_id> mounts;
    engine_id engine;
    std::vector<system_id> systems;
};

class shop_test;
shop_test* s_running = nullptr;
Uint32 s_now = 0;
Uint32 fake_ticks() { return s_now; }
void fake_delay(Uint32 ms);

// A game in its start state with the fixture's pictures and the shop's,
// the test font and a 640 x 480 screen. The shop's clock is fake: its
// pause at the end of every frame records the frame and puts the next
// frame's scripted events on the queue.
class shop_test : public arena_test {
protected:
    void SetUp() override
    {
        arena_test::SetUp();
        write_test_font(path("images/font.png"));
        write_shop_pictures();
        m_screen = SDL_SetVideoMode(640, 480, 32, SDL_SWSURFACE);
        ASSERT_NE(m_screen, nullptr) << SDL_GetError();
        text::init();
        s_running = this;
        m_pacing.emplace(fake_ticks, fake_delay);
    }
    void TearDown() override
    {
        m_pacing.reset();
        s_running = nullptr;
        SDL_ShowCursor(SDL_DISABLE);
        text::exit();
        arena_test::TearDown();
    }

    void write_shop_pictures()
    {
        write_picture(path("images/weapon_point.png"), point_w, point_h, point_colour);
        for (const weapon_type& t : weapon_types())
            if (t.shop_graphic)
                write_picture(path("images/") + t.shop_graphic, 4, 10, weapon_colour);
        write_picture(path("images/s_system_mount.png"), 31, 25, slot_colour,
                      [](int x, int y) { return x == 0 || y == 0 || x == 30 || y == 24; });
        for (const system_type& t : system_types())
            if (t.shop_graphic)
                write_picture(path("images/") + t.shop_graphic, 11, 9, system_colour);
    }

    // Script building: each call adds one frame holding the events given.
    int frame_with(std::initializer_list<SDL_Event> events)
    {
        m_script.emplace_back(events);
        return static_cast<int>(m_script.size()) - 1;
    }
    int click_at(std::pair<int, int> p) { return frame_with({click(p.first, p.second)}); }
    // Selects weapon k in the scrolled list, pressing Prev or Next first
    // as needed; returns the frame of the click on its row.
    int choose_weapon(int k)
    {
        while (k < m_weapon_scroll) {
            click_at(prev_btn);
            --m_weapon_scroll;
        }
        while (k > m_weapon_scroll + 6) {
            click_at(next_btn);
            ++m_weapon_scroll;
        }
        return click_at(scroll_row(k - m_weapon_scroll));
    }

    // Runs the shop over the script; after the script, Escape comes in the
    // next frame. Returns the number of frames the visit took.
    int run_shop()
    {
        m_frames.clear();
        m_frame = 0;
        push_frame_events();
        SDL_Rect r = {0, 0, 640, 448};
        shop(m_screen, &r);
        // What was put on the queue for a frame that never came.
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        m_script.clear();
        m_weapon_scroll = 0;
        return static_cast<int>(m_frames.size());
    }

    void push_frame_events()
    {
        if (m_frame < static_cast<int>(m_script.size())) {
            for (SDL_Event e : m_script[m_frame])
                SDL_PushEvent(&e);
        } else if (m_frame == static_cast<int>(m_script.size()) || m_frame > 500) {
            SDL_Event e = key(SDLK_ESCAPE);
            SDL_PushEvent(&e);
        }
    }

    void end_of_frame()
    {
        if (!m_scripted) {
            // Frames of the play loop too: the test's own hook does it all.
            if (m_after_frame)
                m_after_frame(m_frame);
            ++m_frame;
            return;
        }
        frame_record r;
        r.screen.reset(SDL_ConvertSurface(m_screen, m_screen->format, SDL_SWSURFACE));
        const game& g = *game::the_game;
        r.money = g.m_player_status.money;
        r.energy = g.m_player_status.energy;
        r.max_energy = g.m_player_status.max_energy;
        r.cursor_shown = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
        r.in_shop = g.m_player_status.in_shop;
        r.up = g.m_key_flags.up;
        r.left = g.m_key_flags.left;
        r.right = g.m_key_flags.right;
        r.tractor = g.m_key_flags.tractor;
        r.fire = g.m_key_flags.fire;
        for (const weapon_mount& m : g.m_weapon_mounts)
            r.mounts.push_back(m.type);
        r.engine = g.m_engine;
        r.systems = g.m_systems;
        m_frames.push_back(std::move(r));
        if (m_after_frame)
            m_after_frame(m_frame);
        ++m_frame;
        push_frame_events();
    }
    friend void fake_delay(Uint32 ms);

    SDL_Surface* frame(int i)
    {
        EXPECT_LT(i, static_cast<int>(m_frames.size()));
        return m_frames.at(i).screen.get();
    }
    std::string text_in(int i, int x, int y) { return text_at(frame(i), x, y); }
    rgba pixel_in(int i, int x, int y) { return pixel_rgba(frame(i), x, y); }
    // The text of the selected mount, bottom left.
    std::string mount_line(int i) { return text_in(i, 5, 433); }
    std::string mount_line_at(int i, int y) { return text_in(i, 5, y); }
    // Whether weapon row i is drawn highlighted.
    bool row_lit(int f, int i) { return pixel_in(f, 427, 51 + 25 * i) == button_sel_col; }

    void set_money(int m) { status().money = m; }
    // The ship's one mount, at the panel's centre.
    void single_mount(float angle, weapon_id type = WT_NOTHING, float loc_x = 0, float loc_y = 0)
    {
        m_game->m_weapon_mounts = {weapon_mount{loc_x, loc_y, angle, "Test", 0, type}};
    }

    SDL_Surface* m_screen = nullptr;
    std::vector<std::vector<SDL_Event>> m_script;
    std::vector<frame_record> m_frames;
    std::function<void(int)> m_after_frame;
    bool m_scripted = true;
    int m_frame = 0;
    int m_weapon_scroll = 0;

private:
    std::optional<fake_pacing> m_pacing;
};

void fake_delay(Uint32 ms)
{
    s_now += ms;
    if (s_running)
        s_running->end_of_frame();
}
}

// ------------------------------------------------------------ the screen

TEST_F(shop_test, opens_on_the_weapons_page_with_the_pointer_shown)
{
    status().in_shop = true;
    set_money(1234);
    ASSERT_EQ(run_shop(), 1);
    SDL_Surface* s = frame(0);
    EXPECT_TRUE(m_frames[0].cursor_shown);
    // The department buttons, Weapons lit, with the stub from its middle.
    EXPECT_EQ(pixel_rgba(s, 307, 31), button_sel_col);
    EXPECT_EQ(pixel_rgba(s, 307, 56), button_col);
    EXPECT_EQ(pixel_rgba(s, 307, 81), button_col);
    EXPECT_EQ(text_at(s, 356 - 28, 34), "Weapons");
    EXPECT_EQ(text_at(s, 356 - 28, 59), "Systems");
    EXPECT_EQ(text_at(s, 356 - 24, 84), "Engine");
    EXPECT_EQ(pixel_rgba(s, 406, 39), button_col);
    EXPECT_EQ(pixel_rgba(s, 415, 40), button_col);
    EXPECT_EQ(pixel_rgba(s, 410, 38), black);
    EXPECT_EQ(pixel_rgba(s, 410, 64), black);
    // The weapon list from its top, nothing lit.
    const char* names[] = {"Nothing", "Peashooter", "Rapishooter", "Shover", "Rocket", "Implosion", "Plasmoid"};
    for (int i = 0; i < 7; ++i) {
        std::string n = names[i];
        EXPECT_EQ(text_at(s, 476 - 4 * static_cast<int>(n.size()), 54 + 25 * i), n);
        EXPECT_FALSE(row_lit(0, i)) << i;
    }
    EXPECT_EQ(text_at(s, 460, 17), "Prev");
    EXPECT_EQ(text_at(s, 460, 241), "Next");
    // Buy, Sell and Exit, never lit.
    EXPECT_EQ(pixel_rgba(s, 471, 424), button_col);
    EXPECT_EQ(text_at(s, 495 - 12, 427), "Buy");
    EXPECT_EQ(text_at(s, 550 - 16, 427), "Sell");
    EXPECT_EQ(text_at(s, 605 - 16, 427), "Exit");
    // No selection texts yet; the status bar below.
    EXPECT_EQ(mount_line(0), "");
    EXPECT_EQ(text_at(s, 383, 298), "");
    EXPECT_EQ(text_at(s, 530, 453), "Money: 1234");
    EXPECT_EQ(pixel_rgba(s, 0, 448), white);
}

TEST_F(shop_test, leaving_clears_the_flag_hides_the_pointer_and_blacks_the_screen)
{
    status().in_shop = true;
    SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, 90, 0, 0));
    frame_with({});
    frame_with({});
    EXPECT_EQ(run_shop(), 3);
    for (const frame_record& r : m_frames) {
        EXPECT_TRUE(r.cursor_shown);
        EXPECT_TRUE(r.in_shop);
    }
    EXPECT_FALSE(status().in_shop);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    int lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            lit += pixel_rgba(m_screen, x, y) == black ? 0 : 1;
    EXPECT_EQ(lit, 0);
}

TEST_F(shop_test, escape_and_exit_leave_at_the_end_of_their_frame)
{
    struct {
        const char* what;
        std::vector<SDL_Event> events;
        bool leaves;
    } cases[] = {
        {"Escape pressed", {key(SDLK_ESCAPE)}, true},
        {"Escape released", {key(SDLK_ESCAPE, false)}, false},
        {"a click on Exit", {click(605, 433)}, true},
        {"the right button on Exit", {click(605, 433, SDL_BUTTON_RIGHT)}, true},
        {"the wheel on Exit", {click(605, 433, SDL_BUTTON_WHEELUP)}, true},
        {"Exit's rightmost column and bottom row", {click(629, 442)}, true},
        {"Exit's leftmost column", {click(580, 433)}, false},
        {"Exit's top row", {click(605, 423)}, false},
        {"a button released on Exit", {release(605, 433)}, false},
        {"another key", {key(SDLK_q)}, false},
        {"the window's close request", {quit_request()}, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_script.push_back(c.events);
        EXPECT_EQ(run_shop(), c.leaves ? 1 : 2);
        EXPECT_FALSE(status().in_shop);
    }
}

TEST_F(shop_test, flight_keys_released_in_the_shop_are_cleared_and_presses_set_nothing)
{
    struct {
        SDLKey sym;
        bool frame_record::*flag;
    } keys[] = {{SDLK_UP, &frame_record::up},
                {SDLK_LEFT, &frame_record::left},
                {SDLK_RIGHT, &frame_record::right},
                {SDLK_z, &frame_record::tractor},
                {SDLK_SPACE, &frame_record::fire}};
    for (auto& k : keys) {
        SCOPED_TRACE(k.sym);
        m_game->m_key_flags = {true, true, true, true, true};
        frame_with({key(SDLK_a, false), key(SDLK_DOWN, false)});
        frame_with({key(k.sym, false)});
        run_shop();
        const frame_record& before = m_frames[0];
        EXPECT_TRUE(before.up && before.left && before.right && before.tractor && before.fire);
        const frame_record& after = m_frames[1];
        int cleared = 0;
        for (auto& other : keys)
            cleared += after.*(other.flag) ? 0 : 1;
        EXPECT_FALSE(after.*(k.flag));
        EXPECT_EQ(cleared, 1);

        release_keys();
        frame_with({key(k.sym)});
        run_shop();
        const frame_record& pressed = m_frames[0];
        EXPECT_FALSE(pressed.up || pressed.left || pressed.right || pressed.tractor || pressed.fire);
    }
}

TEST_F(shop_test, only_the_last_click_of_a_frame_counts)
{
    // Exit, then a row in the same frame: the shop stays open.
    frame_with({click(605, 433), click(476, 110)});
    frame_with({click(476, 60), click(476, 135)});
    EXPECT_EQ(run_shop(), 3);
    EXPECT_TRUE(row_lit(1, 2));
    EXPECT_EQ(text_in(1, 383, 298), "Selected Weapon: Rapishooter");
    EXPECT_TRUE(row_lit(2, 3));
    EXPECT_FALSE(row_lit(2, 0));
    EXPECT_EQ(text_in(2, 383, 298), "Selected Weapon: Shover");
}

TEST_F(shop_test, a_purchase_and_escape_in_one_frame_both_take_effect)
{
    click_at(mount_point(0));
    choose_weapon(WT_NOTHING);
    frame_with({key(SDLK_ESCAPE), click(buy_btn.first, buy_btn.second)});
    EXPECT_EQ(run_shop(), 3);
    EXPECT_EQ(status().money, 300);
    EXPECT_EQ(m_game->m_weapon_mounts[0].type, WT_NOTHING);
    // The status bar of that last frame already shows it.
    EXPECT_EQ(text_in(2, 530, 453), "Money: 300");
}

TEST_F(shop_test, every_visit_starts_on_the_weapons_page_with_nothing_selected)
{
    click_at(mount_point(0));
    choose_weapon(WT_PEASHOOTER);
    click_at(next_btn);
    click_at(next_btn);
    click_at(systems_btn);
    click_at(slot_centre(3));
    click_at(fixed_row(ST_BATTERY));
    // Back to the weapons page within the visit: all is as it was left.
    int back = click_at(weapons_btn);
    click_at(systems_btn);
    click_at(exit_btn);
    run_shop();
    EXPECT_EQ(mount_line(back + 1), "Selected Mount: Front Centre (Peashooter)");
    EXPECT_EQ(text_in(back + 1, 476 - 44, 54), "Rapishooter");  // still scrolled by 2
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(row_lit(back + 1, i)) << i;
    EXPECT_EQ(text_in(back + 1, 383, 298), "Selected Weapon: Peashooter");

    EXPECT_EQ(run_shop(), 1);
    EXPECT_EQ(pixel_in(0, 307, 31), button_sel_col);
    EXPECT_EQ(pixel_in(0, 307, 56), button_col);
    EXPECT_EQ(text_in(0, 476 - 28, 54), "Nothing");
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(row_lit(0, i)) << i;
    EXPECT_EQ(mount_line(0), "");
    EXPECT_EQ(text_in(0, 383, 298), "");
}

TEST_F(shop_test, department_buttons_switch_the_page_list_and_highlight)
{
    click_at(systems_btn);
    click_at(engine_btn);
    click_at(weapons_btn);
    ASSERT_EQ(run_shop(), 4);
    struct {
        int frame;
        int lit_button_y;
        std::string first_row;
        bool scrolled;
        bool mounts, slots, engine_text;
    } pages[] = {
        {0, 30, "Nothing", true, true, false, false},
        {1, 55, "Empty", false, false, true, false},
        {2, 80, "Piffler", false, false, false, true},
        {3, 30, "Nothing", true, true, false, false},
    };
    for (auto& p : pages) {
        SCOPED_TRACE(p.frame);
        for (int y : {30, 55, 80}) {
            EXPECT_EQ(pixel_in(p.frame, 307, y + 1), y == p.lit_button_y ? button_sel_col : button_col) << y;
            // The stub from the lit button to the bar, and no other.
            EXPECT_EQ(pixel_in(p.frame, 410, y + 9), y == p.lit_button_y ? button_col : black) << y;
        }
        int row_y = p.scrolled ? 54 : 34;
        EXPECT_EQ(text_in(p.frame, 476 - 4 * static_cast<int>(p.first_row.size()), row_y), p.first_row);
        EXPECT_EQ(text_in(p.frame, 460, 241) == "Next", p.scrolled);
        EXPECT_EQ(pixel_in(p.frame, 207, 71) == point_colour, p.mounts);
        EXPECT_EQ(pixel_in(p.frame, 146, 154) == slot_colour, p.slots);
        EXPECT_EQ(text_in(p.frame, 113, 124) == "Current Engine: Piffler", p.engine_text);
    }
}

TEST_F(shop_test, the_click_on_a_department_button_reaches_the_new_department)
{
    // A mount under the Weapons button: the click that brings the weapons
    // page back also selects it.
    m_game->m_weapon_mounts.push_back(weapon_mount{14.3f, -18.4f, 0, "Under", 0, WT_NOTHING});
    click_at(systems_btn);
    int back = click_at(weapons_btn);
    run_shop();
    EXPECT_EQ(mount_line(back), "");
    EXPECT_EQ(mount_line(back + 1), "Selected Mount: Under (Nothing)");
}

TEST_F(shop_test, max_energy_follows_the_batteries_after_every_click_on_the_systems_page)
{
    m_game->m_systems[4] = ST_BATTERY;
    m_game->m_systems[17] = ST_BATTERY;
    const float stale = 1.5f;
    status().max_energy = stale;
    status().energy = 77;
    m_after_frame = [&](int) { status().max_energy = stale; };
    struct {
        std::vector<SDL_Event> events;
        bool recomputed;
        const char* what;
    } steps[] = {
        {{click(nowhere.first, nowhere.second)}, false, "a click on the weapons page"},
        {{click(systems_btn.first, systems_btn.second)}, true, "the Systems button itself"},
        {{}, false, "a frame without a click"},
        {{release(nowhere.first, nowhere.second)}, false, "a button released"},
        {{click(nowhere.first, nowhere.second)}, true, "a click on nothing"},
        {{click(slot_centre(2).first, slot_centre(2).second)}, true, "a click on a slot"},
        {{click(sell_btn.first, sell_btn.second)}, true, "Sell on an empty slot"},
        {{click(engine_btn.first, engine_btn.second)}, false, "the Engine button"},
        {{click(nowhere.first, nowhere.second)}, false, "a click on the engine page"},
        {{click(systems_btn.first, systems_btn.second)}, true, "back to systems"},
        {{click(weapons_btn.first, weapons_btn.second)}, false, "the Weapons button"},
    };
    for (auto& s : steps)
        m_script.push_back(s.events);
    run_shop();
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
        SCOPED_TRACE(steps[i].what);
        EXPECT_FLOAT_EQ(m_frames[i].max_energy, steps[i].recomputed ? 40.0f : stale);
        EXPECT_FLOAT_EQ(m_frames[i].energy, 77.0f);
    }
}

TEST_F(shop_test, page_list_and_buttons_are_painted_in_order_under_the_status_bar)
{
    // Mounts placed under the Weapons button, a row, Buy and the status bar:
    // the page goes over the department buttons, the list, Buy, Sell and
    // Exit and the status bar over the page.
    m_game->m_weapon_mounts = {
        weapon_mount{14.3f, -18.4f, 0, "Over the button", 0, WT_NOTHING},  // (356, 40)
        weapon_mount{26.3f, -10.4f, 0, "Under a row", 0, WT_NOTHING},      // (476, 120)
        weapon_mount{26.7f, 20.6f, 0, "Under Buy", 0, WT_NOTHING},         // (480, 430)
        weapon_mount{-13.3f, 23.6f, 0, "Under the bar", 0, WT_NOTHING},    // (80, 460)
    };
    run_shop();
    EXPECT_EQ(pixel_in(0, 352, 40), point_colour);
    EXPECT_EQ(pixel_in(0, 472, 118), button_col);
    EXPECT_EQ(pixel_in(0, 476, 428), button_col);
    EXPECT_EQ(pixel_in(0, 80, 460), black);
}

TEST_F(shop_test, lays_itself_out_on_a_larger_screen)
{
    m_screen = SDL_SetVideoMode(800, 600, 32, SDL_SWSURFACE);
    ASSERT_NE(m_screen, nullptr);
    // 800 x 600: the panel's centre at (266, 284), the ship 13 times larger,
    // the department buttons from x = 413 and the rows from 533, the texts
    // of the selection at (479, 378), Exit at {740, 543, 50, 20}.
    frame_with({click(266, 284 - 195)});
    frame_with({click(583, 85)});  // the second scrolled row
    frame_with({click(765, 553)});
    SDL_Rect r = {0, 0, 800, 568};
    m_frames.clear();
    m_frame = 0;
    push_frame_events();
    shop(m_screen, &r);
    ASSERT_EQ(m_frames.size(), 3u);
    EXPECT_EQ(mount_line_at(1, 553), "Selected Mount: Front Centre (Peashooter)");
    EXPECT_EQ(pixel_in(2, 414, 31), button_sel_col);
    EXPECT_EQ(text_in(2, 583 - 40, 79), "Peashooter");
    EXPECT_EQ(pixel_in(2, 534, 76), button_sel_col);
    EXPECT_EQ(text_in(2, 479, 378), "Selected Weapon: Peashooter");
    EXPECT_EQ(text_in(2, 690, 573), "Money: 0");
    EXPECT_FALSE(status().in_shop);
}

TEST_F(shop_test, a_shop_rectangle_off_the_corner_centres_the_ship_on_half_its_far_corner)
{
    // The background's centre is ((x + w) / 2, (y + h) / 2) of the left
    // panel, (205, 210) here; the mounts stand about its true centre (210, 220).
    single_mount(0, WT_NOTHING, 0, -15);
    SDL_Rect r = {10, 20, 601, 401};
    m_frames.clear();
    m_frame = 0;
    push_frame_events();
    shop(m_screen, &r);
    SDL_Surface* ship_pic = m_game->m_bmp_pool.get_bitmap("ship.png");
    int grey = static_cast<int>(pixel_rgba(ship_pic, 16, 16).r * 0.4f);
    const rgba ship_grey = {grey, grey, grey, 255};
    // The disc's top block, ship pixel (16, 4), starts at (45 + 160, 50 + 40).
    EXPECT_EQ(pixel_in(0, 205, 90), ship_grey);
    EXPECT_EQ(pixel_in(0, 205, 89), black);
    EXPECT_EQ(pixel_in(0, 204, 224), ship_grey);
    // The disc's leftmost block on row 16, ship pixel (4, 16), starts at (85, 210).
    EXPECT_EQ(pixel_in(0, 85, 214), ship_grey);
    EXPECT_EQ(pixel_in(0, 84, 214), black);
    EXPECT_EQ(pixel_in(0, 210, 70), point_colour);
    EXPECT_EQ(pixel_in(0, 203, 70), black);
    EXPECT_EQ(pixel_in(0, 204, 70), point_colour);
}

// ------------------------------------------------------------ weapons page

TEST_F(shop_test, mount_hit_test_is_the_point_picture_turned_to_the_mount_angle)
{
    const float half_pi = static_cast<float>(pi / 2);
    const float turn = static_cast<float>(pi);
    struct {
        float angle;
        int dx, dy;  // the click from the mount point
        bool hit;
    } cases[] = {
        // Angle 0: 12 across, 6 down, strict at every edge.
        {0, 0, 0, true},   {0, 5, 2, true},    {0, -5, -2, true}, {0, 6, 0, false},
        {0, -6, 0, false}, {0, 0, 3, false},   {0, 0, -3, false}, {0, 5, 3, false},
        // A quarter turn either way: 6 across, 12 down.
        {half_pi, 0, 5, true},    {half_pi, 0, -5, true},  {half_pi, 2, 0, true},
        {half_pi, 3, 0, false},   {half_pi, 0, 6, false},  {half_pi, 5, 0, false},
        {-half_pi, 2, 5, true},   {-half_pi, -2, -5, true}, {-half_pi, -3, 0, false},
        {-half_pi, 0, -6, false},
        // Backward.
        {turn, 5, 2, true}, {turn, -5, -2, true}, {turn, 6, 0, false}, {turn, 0, 3, false},
        // A tenth of a radian: the right end dips clockwise, or rises.
        {0.1f, 5, 3, true},   {0.1f, -5, -3, true},  {0.1f, -5, 3, false},  {0.1f, 5, -3, false},
        {-0.1f, -5, 3, true}, {-0.1f, 5, -3, true},  {-0.1f, 5, 3, false},  {-0.1f, -5, -3, false},
        {0.1f, -6, 2, true},  {0.1f, 6, 2, false},   {-0.1f, 6, 2, true},   {-0.1f, -6, 2, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "angle " << c.angle << ", click " << c.dx << ", " << c.dy);
        single_mount(c.angle);
        frame_with({click(cx + c.dx, cy + c.dy)});
        run_shop();
        EXPECT_EQ(mount_line(1), c.hit ? "Selected Mount: Test (Nothing)" : "");
        // Unturned or turned by quarters, what is hit is part of the picture
        // as drawn (the drawing samples pixel centres, the test the click's
        // own point, so a tilted edge may differ by half a pixel).
        if (c.hit && c.angle != 0.1f && c.angle != -0.1f) {
            EXPECT_EQ(pixel_in(0, cx + c.dx, cy + c.dy), point_colour);
        }
    }
    // The tilted pictures as drawn lean the same way as their hit tests.
    struct {
        float angle;
        int dx, dy;
        bool drawn;
    } tilted[] = {{0.1f, 5, 3, true},   {0.1f, -6, 3, false}, {0.1f, -6, -4, true},  {0.1f, 5, -4, false},
                  {-0.1f, -6, 3, true}, {-0.1f, 5, 3, false}, {-0.1f, 5, -4, true},  {-0.1f, -6, -4, false}};
    for (auto& c : tilted) {
        SCOPED_TRACE(::testing::Message() << "drawn at angle " << c.angle << ", " << c.dx << ", " << c.dy);
        single_mount(c.angle);
        run_shop();
        EXPECT_EQ(pixel_in(0, cx + c.dx, cy + c.dy) == point_colour, c.drawn);
    }
}

TEST_F(shop_test, default_mounts_are_selected_where_they_are_drawn)
{
    const char* weapons[] = {"Peashooter", "Nothing", "Nothing", "Nothing", "Nothing", "Nothing",
                             "Nothing",    "Nothing", "Nothing", "Nothing", "Nothing"};
    std::vector<int> clicks;
    for (int m = 0; m < mount_count; ++m)
        clicks.push_back(click_at(mount_point(m)));
    run_shop();
    for (int m = 0; m < mount_count; ++m) {
        SCOPED_TRACE(mounts[m].name);
        EXPECT_EQ(mount_line(clicks[m] + 1), std::string("Selected Mount: ") + mounts[m].name + " (" + weapons[m] + ")");
        auto p = mount_point(m);
        EXPECT_EQ(pixel_in(0, p.first, p.second), m == 0 ? weapon_colour : point_colour);
    }
}

TEST_F(shop_test, last_mount_hit_wins_and_a_miss_keeps_the_selection)
{
    m_game->m_weapon_mounts = {
        weapon_mount{0, 0, 0, "First", 0, WT_NOTHING},
        weapon_mount{0.5f, 0, 0, "Second", 0, WT_NOTHING},
        weapon_mount{0, 5, 0, "Apart", 0, WT_NOTHING},
    };
    // First about x = 213, Second about 218: both 12 wide.
    int both = frame_with({click(cx + 1, cy)});
    int first_only = frame_with({click(cx - 4, cy)});
    int apart = frame_with({click(cx, cy + 50)});
    int miss = frame_with({click(nowhere.first, nowhere.second)});
    int row = click_at(scroll_row(1));
    int beside = frame_with({click(cx, cy + 50 + 3)});  // just off the picture
    run_shop();
    EXPECT_EQ(mount_line(both + 1), "Selected Mount: Second (Nothing)");
    EXPECT_EQ(mount_line(first_only + 1), "Selected Mount: First (Nothing)");
    EXPECT_EQ(mount_line(apart + 1), "Selected Mount: Apart (Nothing)");
    EXPECT_EQ(mount_line(miss + 1), "Selected Mount: Apart (Nothing)");
    EXPECT_EQ(mount_line(row + 1), "Selected Mount: Apart (Nothing)");
    EXPECT_EQ(mount_line(beside + 1), "Selected Mount: Apart (Nothing)");
}

TEST_F(shop_test, the_weapon_picture_over_a_mount_is_not_part_of_its_hit_test)
{
    // The 4 x 10 weapon picture reaches 5 below the mount point, the 12 x 6
    // point picture only 2.
    single_mount(0, WT_ROCKET);
    frame_with({click(cx, cy + 4)});
    run_shop();
    EXPECT_EQ(pixel_in(0, cx, cy + 4), weapon_colour);
    EXPECT_EQ(mount_line(1), "");
}

TEST_F(shop_test, point_and_weapon_pictures_are_centred_on_the_mount_and_turned_with_it)
{
    m_game->m_weapon_mounts[6].type = WT_ROCKET;  // "Right", a quarter turn
    run_shop();
    // Mount 0, angle 0, a Peashooter: the point 12 x 6 under the weapon 4 x 10.
    auto p = mount_point(0);
    struct {
        int dx, dy;
        rgba colour;
    } straight[] = {{-6, -3, point_colour}, {5, 2, point_colour}, {-2, -5, weapon_colour}, {1, 4, weapon_colour},
                    {2, 0, point_colour},   {6, 0, black},        {-7, 0, black},          {0, 5, black},
                    {0, -6, black}};
    // Mount 6, a quarter turn, a Rocket: both pictures turned on their side.
    auto q = mount_point(6);
    struct {
        int dx, dy;
        rgba colour;
    } turned[] = {{-5, 0, weapon_colour}, {4, 1, weapon_colour}, {0, 2, point_colour}, {0, -6, point_colour},
                  {0, 5, point_colour},   {5, 0, black},         {-4, 3, black},       {0, 6, black},
                  {0, -7, black}};
    // Mount 0 stands beyond the ship's disc, on black; mount 6 on the dimmed ship.
    SDL_Surface* ship_pic = m_game->m_bmp_pool.get_bitmap("ship.png");
    int grey = static_cast<int>(pixel_rgba(ship_pic, 16, 16).r * 0.4f);
    const rgba ship_grey = {grey, grey, grey, 255};
    for (auto& c : straight)
        EXPECT_EQ(pixel_in(0, p.first + c.dx, p.second + c.dy), c.colour) << "mount 0, " << c.dx << ", " << c.dy;
    for (auto& c : turned) {
        rgba want = c.colour == black ? ship_grey : c.colour;
        EXPECT_EQ(pixel_in(0, q.first + c.dx, q.second + c.dy), want) << "mount 6, " << c.dx << ", " << c.dy;
    }
}

TEST_F(shop_test, every_picture_gets_a_canvas_of_its_own_size)
{
    // A tiny weapon picture beside a point picture, and a long one.
    write_picture(path("images/peashooter.png"), 2, 2, weapon_colour);
    write_picture(path("images/s_rapishooter.png"), 30, 2, weapon_colour);
    m_game->m_weapon_mounts = {
        weapon_mount{0, 0, 0, "Tiny", 0, WT_PEASHOOTER},
        weapon_mount{1.5f, 0, 0, "Next", 0, WT_NOTHING},
        weapon_mount{0, 10, 0, "Long", 0, WT_RAPISHOOTER},
    };
    run_shop();
    // The next mount's point picture stands whole: 12 x 6 about (228, 224).
    for (int dx = -6; dx <= 5; ++dx)
        for (int dy = -3; dy <= 2; ++dy)
            EXPECT_EQ(pixel_in(0, 228 + dx, 224 + dy), point_colour) << dx << ", " << dy;
    EXPECT_EQ(pixel_in(0, cx, cy), weapon_colour);
    EXPECT_EQ(pixel_in(0, cx - 1, cy - 1), weapon_colour);
    // The long picture keeps its whole width, 30 about x = 213.
    EXPECT_EQ(pixel_in(0, cx - 15, cy + 100), weapon_colour);
    EXPECT_EQ(pixel_in(0, cx + 14, cy + 100), weapon_colour);
    EXPECT_EQ(pixel_in(0, cx - 16, cy + 100) == weapon_colour, false);
    EXPECT_EQ(pixel_in(0, cx + 15, cy + 100) == weapon_colour, false);
}

TEST_F(shop_test, pictures_are_placed_by_truncating_toward_zero)
{
    // The mount point at x = -0.5: the canvas's left edge at -14.5 becomes
    // -14, so the point picture's columns run from -6 to 5.
    single_mount(0, WT_NOTHING, -21.35f, 0);
    run_shop();
    EXPECT_EQ(pixel_in(0, 5, cy), point_colour);
    EXPECT_EQ(pixel_in(0, 0, cy), point_colour);
    EXPECT_EQ(pixel_in(0, 6, cy), black);
}

TEST_F(shop_test, weapon_rows_describe_every_weapon)
{
    struct {
        const char* name;
        const char* description;
        int cost, damage, reload, recoil, mass;
    } rows[] = {
        {"Nothing", "Two cubic metres of empty space", 0, 0, 0, 0, 0},
        {"Peashooter", "Basic weapon system", 300, 1, 5, 0, 1},
        {"Rapishooter", "Rapid-fire peashooter", 800, 1, 2, 0, 2},
        {"Shover", "Very massive projectile", 500, 2, 5, 500, 3},
        {"Rocket", "Explosive warhead", 1500, 5, 15, 2000, 2},
        {"Implosion", "Good anti-mob weapon", 3000, 6, 7, 200, 10},
        {"Plasmoid", "Ultimate weapon?", 3000, 8, 4, 400, 7},
        {"Scatter", "Fragmentation weapon", 2000, 16, 3, 300, 5},
        {"Sniper", "Long range, high damage.", 2000, 10, 6, 10000, 3},
        {"R.B.G", "Recking Ball generator", 3000, 0, 10, 0, 20},
        {"Scoop", "Makes (and breaks) friends.", 2000, 0, 10, 0, 5},
    };
    std::vector<int> at;
    for (int k = 0; k < 11; ++k)
        at.push_back(choose_weapon(k));
    run_shop();
    for (int k = 0; k < 11; ++k) {
        SCOPED_TRACE(rows[k].name);
        int f = at[k] + 1;
        EXPECT_EQ(text_in(f, 383, 298), std::string("Selected Weapon: ") + rows[k].name);
        EXPECT_EQ(text_in(f, 383, 318), rows[k].description);
        EXPECT_EQ(text_in(f, 383, 333), "Cost:        " + int2str(rows[k].cost));
        EXPECT_EQ(text_in(f, 383, 348), "Damage:      " + int2str(rows[k].damage));
        EXPECT_EQ(text_in(f, 383, 363), "Reload Time: " + int2str(rows[k].reload));
        EXPECT_EQ(text_in(f, 383, 378), "Recoil     : " + int2str(rows[k].recoil));
        EXPECT_EQ(text_in(f, 383, 393), "Mass     : " + int2str(rows[k].mass));
    }
}

TEST_F(shop_test, weapon_list_scrolls_by_one_between_the_top_and_the_last_seven)
{
    const char* names[] = {"Nothing",  "Peashooter", "Rapishooter", "Shover", "Rocket", "Implosion",
                           "Plasmoid", "Scatter",    "Sniper",      "R.B.G",  "Scoop"};
    click_at(scroll_row(1));  // Peashooter
    for (int i = 0; i < 6; ++i)
        click_at(next_btn);
    for (int i = 0; i < 6; ++i)
        click_at(prev_btn);
    run_shop();
    // The list as drawn at the start of each frame: after 0 to 6 Nexts,
    // then back.
    for (int f = 1; f < 14; ++f) {
        int nexts = f <= 7 ? f - 1 : 6 - (f - 7);
        int scroll = f <= 7 ? std::min(nexts, 4) : std::max(0, 4 - (f - 7));
        SCOPED_TRACE(::testing::Message() << "frame " << f << ", scroll " << scroll);
        for (int i = 0; i < 7; ++i) {
            std::string n = names[scroll + i];
            EXPECT_EQ(text_in(f, 476 - 4 * static_cast<int>(n.size()), 54 + 25 * i), n) << i;
            // The selection follows the Peashooter, lit wherever it shows.
            EXPECT_EQ(row_lit(f, i), scroll + i == 1) << i;
        }
        EXPECT_EQ(text_in(f, 383, 298), "Selected Weapon: Peashooter");
    }
}

TEST_F(shop_test, weapon_trades_pay_the_price_difference)
{
    struct {
        const char* what;
        int money;
        weapon_id fitted;
        int mount;   // -1: none selected
        int weapon;  // -1: none selected
        bool sell;
        int money_after;
        weapon_id fitted_after;
    } cases[] = {
        {"a Rocket for a Peashooter needs 1200", 100, WT_PEASHOOTER, 0, WT_ROCKET, false, 100, WT_PEASHOOTER},
        {"Nothing refunds the Peashooter", 100, WT_PEASHOOTER, 0, WT_NOTHING, false, 400, WT_NOTHING},
        {"a Rapishooter for a Peashooter needs 500", 0, WT_PEASHOOTER, 0, WT_RAPISHOOTER, false, 0, WT_PEASHOOTER},
        {"one short", 499, WT_PEASHOOTER, 0, WT_RAPISHOOTER, false, 499, WT_PEASHOOTER},
        {"exactly the difference", 500, WT_PEASHOOTER, 0, WT_RAPISHOOTER, false, 0, WT_RAPISHOOTER},
        {"the difference paid", 1000, WT_PEASHOOTER, 0, WT_RAPISHOOTER, false, 500, WT_RAPISHOOTER},
        {"a cheaper weapon pays back", 0, WT_ROCKET, 0, WT_SHOVER, false, 1000, WT_SHOVER},
        {"the same weapon again", 0, WT_PEASHOOTER, 0, WT_PEASHOOTER, false, 0, WT_PEASHOOTER},
        {"a weapon further down the list", 2000, WT_NOTHING, 9, WT_SCOOP, false, 0, WT_SCOOP},
        {"Buy without a weapon row", 5000, WT_PEASHOOTER, 0, -1, false, 5000, WT_PEASHOOTER},
        {"Buy without a mount", 5000, WT_PEASHOOTER, -1, WT_RAPISHOOTER, false, 5000, WT_PEASHOOTER},
        {"selling the Peashooter", 0, WT_PEASHOOTER, 0, -1, true, 300, WT_NOTHING},
        {"selling gives the full price", 7, WT_PLASMOID, 6, WT_PEASHOOTER, true, 3007, WT_NOTHING},
        {"selling an empty mount", 50, WT_NOTHING, 0, -1, true, 50, WT_NOTHING},
        {"Sell without a mount", 5000, WT_PEASHOOTER, -1, WT_PEASHOOTER, true, 5000, WT_PEASHOOTER},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_weapon_mounts.assign(mounts, mounts + mount_count);
        int m = c.mount < 0 ? 0 : c.mount;
        m_game->m_weapon_mounts[m].type = c.fitted;
        set_money(c.money);
        if (c.mount >= 0)
            click_at(mount_point(c.mount));
        if (c.weapon >= 0)
            choose_weapon(c.weapon);
        click_at(c.sell ? sell_btn : buy_btn);
        run_shop();
        EXPECT_EQ(status().money, c.money_after);
        EXPECT_EQ(m_game->m_weapon_mounts[m].type, c.fitted_after);
        for (int other = 0; other < mount_count; ++other) {
            if (other != m) {
                EXPECT_EQ(m_game->m_weapon_mounts[other].type, mounts[other].type) << other;
            }
        }
        EXPECT_EQ(m_game->m_engine, ET_PIFFLER);
        EXPECT_EQ(m_game->m_systems, std::vector<system_id>(system_slots, ST_EMPTY));
    }
}

// ------------------------------------------------------------ engine page

TEST_F(shop_test, engine_page_shows_what_the_fitted_engine_gives_the_ship)
{
    struct {
        engine_id engine;
        bool lead;          // Lead in a slot: 20 more
        bool no_peashooter;
        float gravity;
        std::vector<std::string> lines;
    } cases[] = {
        // The new ship: mass 10; 10 x 43.75 and 25 x 43.75 truncated.
        {ET_PIFFLER, false, false, 43.75f,
         {"Current Engine: Piffler", "Thrust: 1875", "Weight(normal/loaded): 437/1093", "Ship Mass: 10",
          "Ship Acceleration: 187"}},
        {ET_STREAKER, true, false, 30,
         {"Current Engine: Streaker", "Thrust: 7500", "Weight(normal/loaded): 1050/1500", "Ship Mass: 35",
          "Ship Acceleration: 214"}},
        // Upward gravity: the weights truncate toward zero.
        {ET_THRUSTER, false, true, -43.75f,
         {"Current Engine: Thruster", "Thrust: 3125", "Weight(normal/loaded): -481/-1137", "Ship Mass: 11",
          "Ship Acceleration: 284"}},
    };
    const int line_y[] = {124, 139, 154, 184, 214};
    for (auto& c : cases) {
        SCOPED_TRACE(c.lines[0]);
        m_game->m_engine = c.engine;
        m_game->m_systems[7] = c.lead ? ST_LEAD : ST_EMPTY;
        m_game->m_weapon_mounts[0].type = c.no_peashooter ? WT_NOTHING : WT_PEASHOOTER;
        m_arena->set_gravity(c.gravity);
        click_at(engine_btn);
        run_shop();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(text_in(1, 113, line_y[i]), c.lines[i]);
        EXPECT_EQ(text_in(1, 383, 298), "");
    }
}

TEST_F(shop_test, engine_rows_describe_every_engine)
{
    struct {
        const char* name;
        const char* description;
        const char* cost;
        const char* thrust;  // a hundred times the catalogue's
        const char* mass;
    } rows[] = {
        {"Piffler", "Basic Engine", "100", "187500", "1"},
        {"Thruster", "Better Engine", "500", "312500", "3"},
        {"Streaker", "Powerful Engine", "2500", "750000", "6"},
    };
    click_at(engine_btn);
    for (int k = 0; k < 3; ++k)
        click_at(fixed_row(k));
    run_shop();
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(rows[k].name);
        int f = k + 2;
        std::string n = rows[k].name;
        EXPECT_EQ(text_in(f, 476 - 4 * static_cast<int>(n.size()), 34 + 25 * k), n);
        EXPECT_EQ(pixel_in(f, 427, 31 + 25 * k), button_sel_col);
        EXPECT_EQ(text_in(f, 383, 298), "Selected Engine: " + n);
        EXPECT_EQ(text_in(f, 383, 328), rows[k].description);
        EXPECT_EQ(text_in(f, 383, 343), std::string("Cost:        ") + rows[k].cost);
        EXPECT_EQ(text_in(f, 383, 358), std::string("Thrust:      ") + rows[k].thrust);
        EXPECT_EQ(text_in(f, 383, 373), std::string("Mass:        ") + rows[k].mass);
        // The fitted engine's own line keeps the catalogue figure.
        EXPECT_EQ(text_in(f, 113, 139), "Thrust: 1875");
    }
}

TEST_F(shop_test, an_engine_costs_its_full_price_and_refunds_the_old_one)
{
    struct {
        const char* what;
        int money;
        engine_id fitted;
        int choice;  // -1: no row selected
        bool sell;
        int money_after;
        engine_id fitted_after;
    } cases[] = {
        {"400 do not buy a Thruster", 400, ET_PIFFLER, ET_THRUSTER, false, 400, ET_PIFFLER},
        {"500 do, leaving 100", 500, ET_PIFFLER, ET_THRUSTER, false, 100, ET_THRUSTER},
        {"a Streaker for a Thruster", 2500, ET_THRUSTER, ET_STREAKER, false, 500, ET_STREAKER},
        {"the fitted engine again needs its price", 50, ET_PIFFLER, ET_PIFFLER, false, 50, ET_PIFFLER},
        {"and then changes nothing", 100, ET_PIFFLER, ET_PIFFLER, false, 100, ET_PIFFLER},
        {"down to a Piffler needs 100 in hand", 99, ET_STREAKER, ET_PIFFLER, false, 99, ET_STREAKER},
        {"down to a Piffler", 100, ET_STREAKER, ET_PIFFLER, false, 2500, ET_PIFFLER},
        {"Buy without a row", 5000, ET_PIFFLER, -1, false, 5000, ET_PIFFLER},
        {"no Sell on the engine page", 5000, ET_THRUSTER, ET_THRUSTER, true, 5000, ET_THRUSTER},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_engine = c.fitted;
        set_money(c.money);
        click_at(engine_btn);
        if (c.choice >= 0)
            click_at(fixed_row(c.choice));
        click_at(c.sell ? sell_btn : buy_btn);
        run_shop();
        EXPECT_EQ(status().money, c.money_after);
        EXPECT_EQ(m_game->m_engine, c.fitted_after);
        EXPECT_EQ(m_game->m_weapon_mounts[0].type, WT_PEASHOOTER);
    }
}

// ------------------------------------------------------------ systems page

TEST_F(shop_test, systems_page_draws_twenty_slots_with_their_systems)
{
    m_game->m_systems[0] = ST_BATTERY;
    m_game->m_systems[7] = ST_LEAD;
    m_game->m_systems[19] = ST_SUPERGENERATOR;
    click_at(systems_btn);
    click_at(slot_centre(13));
    run_shop();
    SDL_Surface* ship_pic = m_game->m_bmp_pool.get_bitmap("ship.png");
    int grey = static_cast<int>(pixel_rgba(ship_pic, 16, 16).r * 0.4f);
    const rgba ship_grey = {grey, grey, grey, 255};
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        auto c = slot_corner(i);
        int x = c.first, y = c.second;
        // The frame of the slot picture, 31 x 25.
        EXPECT_EQ(pixel_in(1, x, y), slot_colour);
        EXPECT_EQ(pixel_in(1, x + 30, y + 24), slot_colour);
        // Through its clear middle: the ship, or the button colour when selected.
        EXPECT_EQ(pixel_in(1, x + 3, y + 3), ship_grey);
        EXPECT_EQ(pixel_in(2, x + 3, y + 3), i == 13 ? button_col : ship_grey);
        // A fitted system's 11 x 9 picture, centred: (31 - 11) / 2 and (25 - 9) / 2 in.
        bool fitted = i == 0 || i == 7 || i == 19;
        EXPECT_EQ(pixel_in(1, x + 10, y + 8) == system_colour, fitted);
        EXPECT_EQ(pixel_in(1, x + 20, y + 16) == system_colour, fitted);
        EXPECT_FALSE(pixel_in(1, x + 9, y + 8) == system_colour);
        EXPECT_FALSE(pixel_in(1, x + 21, y + 16) == system_colour);
        EXPECT_FALSE(pixel_in(1, x + 10, y + 17) == system_colour);
    }
    // Nothing between the slots: 4 pixels of ship.
    EXPECT_EQ(pixel_in(1, 178, 160), ship_grey);
    EXPECT_EQ(pixel_in(1, 160, 180), ship_grey);
}

TEST_F(shop_test, a_slot_is_selected_strictly_inside_and_a_miss_keeps_it)
{
    struct {
        int dx, dy;  // from slot 5's corner (181, 183)
        bool selects;
    } cases[] = {
        {15, 12, true}, {1, 1, true},   {30, 24, true},  // up to its rightmost column and bottom row
        {0, 12, false}, {15, 0, false},                  // its leftmost column and top row
        {31, 12, false}, {15, 25, false},                // past it
    };
    auto corner = slot_corner(5);
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.dx << ", " << c.dy);
        click_at(systems_btn);
        click_at(slot_centre(0));
        click_at({corner.first + c.dx, corner.second + c.dy});
        run_shop();
        EXPECT_EQ(pixel_in(2, 149, 157), button_col);
        EXPECT_EQ(pixel_in(3, corner.first + 3, corner.second + 3) == button_col, c.selects);
        EXPECT_EQ(pixel_in(3, 149, 157) == button_col, !c.selects);
    }
}

TEST_F(shop_test, system_rows_describe_every_system)
{
    struct {
        const char* name;
        const char* description;
        const char* cost;
        const char* mass;
    } rows[] = {
        {"Empty", "A large chunk of empty space", "0", "0"},
        {"Generator", "Increases energy recharge rate", "500", "1"},
        {"Battery", "Increases maximum energy", "500", "1"},
        {"Lead", "Increases ship mass.   A lot.", "1", "20"},
        // Cut at the screen's right edge: 32 cells from x = 383.
        {"Generator++", "3 times the standard generator o", "2500", "2"},
    };
    click_at(systems_btn);
    for (int k = 0; k < 5; ++k)
        click_at(fixed_row(k));
    run_shop();
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(rows[k].name);
        int f = k + 2;
        std::string n = rows[k].name;
        EXPECT_EQ(text_in(f, 476 - 4 * static_cast<int>(n.size()), 34 + 25 * k), n);
        EXPECT_EQ(pixel_in(f, 427, 31 + 25 * k), button_sel_col);
        EXPECT_EQ(text_in(f, 383, 298), "Selected System: " + n);
        EXPECT_EQ(text_in(f, 383, 328), rows[k].description);
        EXPECT_EQ(text_in(f, 383, 343), std::string("Cost:  ") + rows[k].cost);
        EXPECT_EQ(text_in(f, 383, 358), std::string("Mass:  ") + rows[k].mass);
    }
}

TEST_F(shop_test, systems_cost_their_full_price_refund_what_they_replace_and_sell)
{
    struct {
        const char* what;
        int money;
        system_id fitted;  // in slot 5
        int slot;          // -1: none selected
        int choice;        // -1: no row selected
        bool sell;
        int money_after;
        system_id fitted_after;
        float max_energy_after;
    } cases[] = {
        {"a battery with exactly 500", 500, ST_EMPTY, 5, ST_BATTERY, false, 0, ST_BATTERY, 25},
        {"a battery with 499", 499, ST_EMPTY, 5, ST_BATTERY, false, 499, ST_EMPTY, 10},
        {"Empty refunds the slot", 0, ST_BATTERY, 5, ST_EMPTY, false, 500, ST_EMPTY, 10},
        {"the full price in hand, not the difference", 400, ST_BATTERY, 5, ST_GENERATOR, false, 400, ST_BATTERY,
         25},
        {"an exchange at the same price", 500, ST_BATTERY, 5, ST_GENERATOR, false, 500, ST_GENERATOR, 10},
        {"Lead costs 1", 1, ST_EMPTY, 5, ST_LEAD, false, 0, ST_LEAD, 10},
        {"a super generator", 2500, ST_EMPTY, 5, ST_SUPERGENERATOR, false, 0, ST_SUPERGENERATOR, 10},
        {"Buy without a row", 5000, ST_EMPTY, 5, -1, false, 5000, ST_EMPTY, 10},
        {"Buy without a slot", 5000, ST_EMPTY, -1, ST_BATTERY, false, 5000, ST_EMPTY, 10},
        {"selling a generator", 0, ST_GENERATOR, 5, -1, true, 500, ST_EMPTY, 10},
        {"selling the last battery", 3, ST_BATTERY, 5, ST_LEAD, true, 503, ST_EMPTY, 10},
        {"selling an empty slot", 0, ST_EMPTY, 5, -1, true, 0, ST_EMPTY, 10},
        {"Sell without a slot", 0, ST_BATTERY, -1, ST_BATTERY, true, 0, ST_BATTERY, 25},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_game->m_systems.assign(system_slots, ST_EMPTY);
        m_game->m_systems[5] = c.fitted;
        set_money(c.money);
        status().max_energy = calc_ship_battery();
        status().energy = 25;
        click_at(systems_btn);
        if (c.slot >= 0)
            click_at(slot_centre(c.slot));
        if (c.choice >= 0)
            click_at(fixed_row(c.choice));
        int trade = click_at(c.sell ? sell_btn : buy_btn);
        run_shop();
        EXPECT_EQ(status().money, c.money_after);
        EXPECT_EQ(m_game->m_systems[5], c.fitted_after);
        int filled = 0;
        for (system_id s : m_game->m_systems)
            filled += s == ST_EMPTY ? 0 : 1;
        EXPECT_EQ(filled, c.fitted_after == ST_EMPTY ? 0 : 1);
        // The new capacity in the frame of the trade; the energy as it was.
        EXPECT_FLOAT_EQ(m_frames[trade].max_energy, c.max_energy_after);
        EXPECT_EQ(m_frames[trade].money, c.money_after);
        EXPECT_FLOAT_EQ(status().energy, 25.0f);
        EXPECT_EQ(m_game->m_weapon_mounts[0].type, WT_PEASHOOTER);
        EXPECT_EQ(m_game->m_engine, ET_PIFFLER);
    }
}

// ------------------------------------------------------------ in play

TEST_F(shop_test, the_new_fitting_acts_in_play_once_the_shop_closes)
{
    start(open_field(12, 10));
    m_arena->set_gravity(0);
    m_arena->set_air_resistance(0);
    ship* s = the_ship();
    ASSERT_NE(s, nullptr);
    ASSERT_FLOAT_EQ(s->m_mass, 10.0f);
    set_money(5000);
    // A Rapishooter on the right side mount, a Streaker, Lead and a battery.
    click_at(mount_point(6));
    choose_weapon(WT_RAPISHOOTER);
    click_at(buy_btn);
    click_at(engine_btn);
    click_at(fixed_row(ET_STREAKER));
    click_at(buy_btn);
    click_at(systems_btn);
    click_at(slot_centre(0));
    click_at(fixed_row(ST_LEAD));
    click_at(buy_btn);
    click_at(slot_centre(1));
    click_at(fixed_row(ST_BATTERY));
    click_at(buy_btn);
    click_at(exit_btn);
    run_shop();
    EXPECT_EQ(status().money, 5000 - 800 - 2400 - 1 - 500);
    EXPECT_FLOAT_EQ(status().max_energy, 25.0f);

    // The mover keeps its mass until the next bookkeeping pass: then
    // 8 + 1 + 2 (weapons) + 6 (engine) + 20 + 1 (systems).
    EXPECT_FLOAT_EQ(s->m_mass, 10.0f);
    m_arena->do_stuff(0.04f);
    EXPECT_FLOAT_EQ(s->m_mass, 38.0f);
    EXPECT_FLOAT_EQ(status().max_energy, 25.0f);

    // The Streaker's thrust over the new mass: 7500 x 0.04 / 38.
    float dy = s->m_dy;
    m_game->m_key_flags.up = true;
    m_arena->do_stuff(0.04f);
    m_game->m_key_flags.up = false;
    EXPECT_NEAR(s->m_dy - dy, -7500 * 0.04f / 38, 1e-4);

    // Both weapons fire, the new one to the right from its mount.
    status().energy = 25;
    float ship_dx = s->m_dx, ship_dy = s->m_dy;
    m_game->m_key_flags.fire = true;
    m_arena->do_stuff(0.04f);
    std::vector<shot*> shots = all_of<shot>();
    ASSERT_EQ(shots.size(), 2u);
    shot* right = shots[0]->mount() == 6 ? shots[0] : shots[1];
    shot* front = right == shots[0] ? shots[1] : shots[0];
    EXPECT_EQ(right->mount(), 6);
    EXPECT_EQ(front->mount(), 0);
    EXPECT_NEAR(right->m_dx - ship_dx, 300, 1e-3);
    EXPECT_NEAR(right->m_dy - ship_dy, 0, 1e-3);
    EXPECT_NEAR(right->x_centre() - s->x_centre(), 9, 1.01);
    EXPECT_NEAR(front->m_dy - ship_dy, -300, 1e-3);
}

TEST_F(shop_test, a_sold_weapon_fires_no_more)
{
    start(open_field(12, 10));
    click_at(mount_point(0));
    click_at(sell_btn);
    run_shop();
    EXPECT_EQ(status().money, 300);
    m_arena->do_stuff(0.04f);
    EXPECT_FLOAT_EQ(the_ship()->m_mass, 9.0f);
    m_game->m_key_flags.fire = true;
    m_arena->do_stuff(0.04f);
    EXPECT_EQ(count_of<shot>(), 0);
}

// A whole game through the play loop: the ship falls onto a shop tile, the
// shop opens at the start of the next frame, buys, closes, and play goes on
// in the same frame with the new fitting.
TEST_F(shop_test, the_play_loop_opens_the_shop_on_a_shop_tile_and_plays_on_with_the_new_fitting)
{
    write_file("levels/levels.txt",
               "L:START\n"
               "A: #######\n"
               "A: #..S..#\n"
               "A: #.....#\n"
               "A: #.....#\n"
               "A: #..s..#\n"
               "A: #.....#\n"
               "A: #######\n"
               "L:END\n");
    hi_scores::forget_loaded_table();
    const std::vector<std::pair<int, int>> shop_clicks = {
        mount_point(6), scroll_row(WT_RAPISHOOTER), buy_btn, systems_btn, slot_centre(0), fixed_row(ST_LEAD),
        buy_btn, exit_btn};
    int play_frames = 0, shop_frames = 0, frames_after = -1;
    bool shop_ended = false;
    float mass_after = 0, max_energy_after = 0;
    int shots_from_6 = 0, shots_from_0 = 0, money_after = -1;
    auto push = [](SDL_Event e) { SDL_PushEvent(&e); };
    m_after_frame = [&](int) {
        game& g = *game::the_game;
        if (SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE) {
            // A shop frame: money first, then one click a frame.
            if (shop_frames == 0)
                g.m_player_status.money = 5000;
            if (shop_frames < static_cast<int>(shop_clicks.size()))
                push(click(shop_clicks[shop_frames].first, shop_clicks[shop_frames].second));
            else if (shop_frames > static_cast<int>(shop_clicks.size()) + 2)
                push(key(SDLK_ESCAPE));  // should Exit have missed
            ++shop_frames;
            return;
        }
        ++play_frames;
        if (shop_frames == 0) {
            // No shop after 8 seconds: end the game and its hi-score display.
            if (play_frames == 201)
                push(key(SDLK_ESCAPE));
            else if (play_frames > 201)
                push(key(SDLK_a));
            return;
        }
        shop_ended = true;
        ++frames_after;
        ship* s = dynamic_cast<ship*>(g.m_arena->get_player_target());
        if (frames_after == 0) {
            // The frame the shop ran in: the bookkeeping has seen the new fitting.
            mass_after = s ? s->m_mass : 0;
            max_energy_after = g.m_player_status.max_energy;
            money_after = g.m_player_status.money;
            push(key(SDLK_SPACE));
        } else if (frames_after == 1) {
            for (int i = 0; i < g.m_arena->num_movers(); ++i) {
                if (shot* sh = dynamic_cast<shot*>(g.m_arena->get_mover(i))) {
                    shots_from_6 += sh->mount() == 6 ? 1 : 0;
                    shots_from_0 += sh->mount() == 0 ? 1 : 0;
                }
            }
            push(key(SDLK_SPACE, false));
            push(key(SDLK_ESCAPE));
        } else {
            // The hi-score display that follows waits for a key.
            push(key(SDLK_a));
        }
    };
    m_scripted = false;
    // As at start-up: the pointer shows only in the shop.
    SDL_ShowCursor(SDL_DISABLE);
    testing::internal::CaptureStdout();
    play_game(m_screen);
    testing::internal::GetCapturedStdout();
    game::the_game = m_game.get();
    ASSERT_GT(shop_frames, 0) << "the shop never opened";
    // One frame for each click, and the first before them.
    EXPECT_EQ(shop_frames, static_cast<int>(shop_clicks.size()) + 1);
    EXPECT_TRUE(shop_ended);
    EXPECT_EQ(money_after, 5000 - 800 - 1);
    EXPECT_FLOAT_EQ(mass_after, 8 + 1 + 2 + 1 + 20);
    EXPECT_FLOAT_EQ(max_energy_after, 10.0f);
    EXPECT_EQ(shots_from_6, 1);
    EXPECT_EQ(shots_from_0, 1);
}

// ------------------------------------------------------------ status bar

namespace {
class status_bar : public shop_test {
protected:
    void draw() { update_player_status(m_screen); }
    rgba at(int x, int y) { return pixel_rgba(m_screen, x, y); }
    std::string text(int x, int y) { return text_at(m_screen, x, y); }
    // The width of a bar drawn from x = 251 on row y, in colour c.
    int bar_width(int y, rgba c)
    {
        int w = 0;
        while (w < 200 && at(251 + w, y) == c)
            ++w;
        return w;
    }
};
}

TEST_F(status_bar, shows_lives_score_shield_energy_capacity_and_money)
{
    status() = player_status{4321, 987, 10, 3, false, 10, 10, 0};
    SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, 0, 0, 90));
    draw();
    // Black from row 448 down, a white line along its top.
    EXPECT_EQ(at(0, 448), white);
    EXPECT_EQ(at(639, 448), white);
    EXPECT_EQ(at(0, 447), (rgba{0, 0, 90, 255}));
    EXPECT_EQ(at(5, 449), black);
    EXPECT_EQ(at(639, 479), black);
    EXPECT_EQ(text(20, 453), "Lives: 3");
    EXPECT_EQ(text(20, 468), "Score: 4321");
    EXPECT_EQ(text(190, 451), "Shield:");
    EXPECT_EQ(text(190, 466), "Energy:");
    EXPECT_EQ(text(457, 466), "/10");
    EXPECT_EQ(text(530, 453), "Money: 987");
    // The two boxes, 202 x 12 in white, from x = 250 to 451.
    for (int top : {451, 466}) {
        EXPECT_EQ(at(250, top), white);
        EXPECT_EQ(at(451, top + 11), white);
        EXPECT_EQ(at(249, top + 5), black);
        EXPECT_EQ(at(452, top + 5), black);
        EXPECT_EQ(at(300, top - 1), black);
        EXPECT_EQ(at(300, top + 12), black);
    }
}

TEST_F(status_bar, shield_bar_width_and_colour)
{
    struct {
        int shield;
        int width;
        rgba colour;
    } cases[] = {
        {0, 0, {255, 0, 0, 255}},      {3, 60, {178, 76, 0, 255}},  {5, 100, {127, 127, 0, 255}},
        {10, 200, {0, 255, 0, 255}},   {12, 200, {0, 255, 0, 255}}, {-4, 0, {255, 0, 0, 255}},
        {1, 20, {229, 25, 0, 255}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.shield);
        status().shield = c.shield;
        draw();
        EXPECT_EQ(bar_width(456, c.colour), c.width);
        EXPECT_EQ(bar_width(452, c.colour), c.width);
        EXPECT_EQ(bar_width(461, c.colour), c.width);
        if (c.width < 200) {
            EXPECT_EQ(at(251 + c.width, 456), black);
        }
        EXPECT_EQ(at(451, 456), white);
    }
}

TEST_F(status_bar, energy_bar_against_the_capacity)
{
    struct {
        float energy, max_energy;
        int width;
        rgba colour;
        std::string capacity;
    } cases[] = {
        {10, 10, 200, {0, 255, 0, 255}, "/10"},     {5, 10, 100, {127, 127, 0, 255}, "/10"},
        {0, 10, 0, {255, 0, 0, 255}, "/10"},        {-2, 10, 0, {255, 0, 0, 255}, "/10"},
        {30, 25, 200, {0, 255, 0, 255}, "/25"},     {12.25f, 24.5f, 100, {127, 127, 0, 255}, "/25"},
        {1, 24.6f, 8, {244, 10, 0, 255}, "/25"},    {1, 24.4f, 8, {244, 10, 0, 255}, "/24"},
        {310, 310, 200, {0, 255, 0, 255}, "/310"},
        // No capacity at all: an empty bar, not a division by zero.
        {5, 0, 0, {255, 0, 0, 255}, "/0"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.energy << " of " << c.max_energy);
        status().energy = c.energy;
        status().max_energy = c.max_energy;
        draw();
        EXPECT_EQ(bar_width(471, c.colour), c.width);
        if (c.width < 200) {
            EXPECT_EQ(at(251 + c.width, 471), black);
        }
        EXPECT_EQ(text(457, 466), c.capacity);
    }
}

TEST_F(status_bar, invulnerability_lays_a_white_overlay_over_the_shield_box)
{
    struct {
        float invulnerability;
        int width;  // from the box's outer left edge, x = 250
    } cases[] = {{2.5f, 101}, {0.04f, 1}, {0.05f, 2}, {5, 202}, {7, 202}, {0, 0}, {-1, 0}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.invulnerability);
        status().shield = 10;
        status().invulnerability = c.invulnerability;
        draw();
        // The box's own left column is white anyway; count from the next.
        int w = 1;
        while (w < 202 && at(250 + w, 456) == white)
            ++w;
        EXPECT_EQ(w, std::max(c.width, 1));
        if (c.width < 202) {
            EXPECT_EQ(at(250 + std::max(c.width, 1), 456), (rgba{0, 255, 0, 255}));
        }
        // The overlay covers the box's whole height, not the energy box.
        if (c.width > 1) {
            EXPECT_EQ(at(251, 451), white);
            EXPECT_EQ(at(251, 462), white);
        }
        EXPECT_EQ(at(260, 471), (rgba{0, 255, 0, 255}));
    }
}

TEST_F(status_bar, stands_relative_to_the_screen_size)
{
    m_screen = SDL_SetVideoMode(800, 600, 32, SDL_SWSURFACE);
    ASSERT_NE(m_screen, nullptr);
    status() = player_status{5, 60, 5, 2, false, 10, 10, 0};
    draw();
    EXPECT_EQ(at(0, 568), white);
    EXPECT_EQ(text(20, 573), "Lives: 2");
    EXPECT_EQ(text(20, 588), "Score: 5");
    EXPECT_EQ(text(270, 571), "Shield:");
    EXPECT_EQ(text(270, 586), "Energy:");
    EXPECT_EQ(at(330, 571), white);
    EXPECT_EQ(at(531, 582), white);
    EXPECT_EQ(at(331 + 99, 576), (rgba{127, 127, 0, 255}));
    EXPECT_EQ(at(331 + 100, 576), black);
    EXPECT_EQ(text(537, 586), "/10");
    EXPECT_EQ(text(690, 573), "Money: 60");
}
