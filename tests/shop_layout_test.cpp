// The shop's layout and painters: pos::init over several shop rectangles,
// the strict hit test, the labelled button, the dimmed and magnified ship
// behind every page, and the department object list (rows, scrolling,
// connector tree) driven through a probe department.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "etc.h"
#include "png_fixture.h"
#include "shop.h"
#include "test_support.h"
#include "text.h"

namespace {
// An SDL_Rect that compares and prints.
struct box {
    int x, y, w, h;
    bool operator==(const box& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
box of(const SDL_Rect& r) { return {r.x, r.y, r.w, r.h}; }
std::ostream& operator<<(std::ostream& out, const box& b)
{
    return out << "{" << b.x << ", " << b.y << ", " << b.w << ", " << b.h << "}";
}
SDL_Rect sdl_rect(int x, int y, int w, int h)
{
    return {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)};
}

const rgba black = {0, 0, 0, 255};

// An RGBA picture (0xAABBGGRR) whose gAMA chunk makes the loader's gamma
// correction a no-op, so the surface holds the very colours written.
bool write_exact_png(const std::string& file, int w, int h, const std::vector<uint32_t>& pixels)
{
    png_picture pic;
    pic.width = w;
    pic.height = h;
    pic.gamma = 0.5;
    for (uint32_t p : pixels)
        for (int shift = 0; shift < 32; shift += 8)
            pic.samples.push_back(static_cast<uint16_t>((p >> shift) & 0xFF));
    return write_png(file, pic);
}
const rgba button_col = {32, 32, 64, 255};
const rgba button_sel_col = {64, 64, 128, 255};

// A game in its start state (the fixture's 32 x 32 ship), the test font and
// a 640 x 480 screen.
class shop_layout : public arena_test {
protected:
    void SetUp() override
    {
        arena_test::SetUp();
        write_test_font(path("images/font.png"));
        m_screen = SDL_SetVideoMode(640, 480, 32, SDL_SWSURFACE);
        ASSERT_NE(m_screen, nullptr) << SDL_GetError();
        // As the program does at start-up: centring needs the glyph size.
        text::init();
    }
    void TearDown() override
    {
        text::exit();
        arena_test::TearDown();
    }

    void init(int x, int y, int w, int h)
    {
        SDL_Rect r = sdl_rect(x, y, w, h);
        pos::init(&r);
    }
    void paint(rgba c) { SDL_FillRect(m_screen, nullptr, SDL_MapRGB(m_screen->format, c.r, c.g, c.b)); }
    rgba at(int x, int y) { return pixel_rgba(m_screen, x, y); }
    // Pixels of the screen that are not c.
    int count_other_than(rgba c)
    {
        int n = 0;
        for (int y = 0; y < m_screen->h; ++y)
            for (int x = 0; x < m_screen->w; ++x)
                if (!(at(x, y) == c))
                    ++n;
        return n;
    }

    SDL_Surface* m_screen = nullptr;
};

struct layout_case {
    box shop;
    box left, right;
    int obj_btn_left, dep_btn_left, dep_btn_right, connector_x, first_top;
    int square, bottom_margin_y, right_margin_x, desc_x, desc_y;
};

void expect_layout(const layout_case& c)
{
    EXPECT_EQ(of(pos::big_rect), c.shop);
    EXPECT_EQ(of(pos::left_panel), c.left);
    EXPECT_EQ(of(pos::right_panel), c.right);
    EXPECT_EQ(pos::obj_btn_left, c.obj_btn_left);
    EXPECT_EQ(pos::dep_btn_left, c.dep_btn_left);
    EXPECT_EQ(pos::dep_btn_right, c.dep_btn_right);
    EXPECT_EQ(pos::connector_x, c.connector_x);
    EXPECT_EQ(pos::dep_btn1_top, c.first_top);
    EXPECT_EQ(pos::obj_btn1_top, c.first_top);
    EXPECT_EQ(pos::obj_btn_scroll_top, 50);
    EXPECT_EQ(pos::square, c.square);
    EXPECT_EQ(pos::bottom_margin_y, c.bottom_margin_y);
    EXPECT_EQ(pos::right_margin_x, c.right_margin_x);
    EXPECT_EQ(pos::desc_x, c.desc_x);
    EXPECT_EQ(pos::desc_y, c.desc_y);
    // The scrolled rows and Prev and Next stand at fixed heights whatever
    // the rectangle's top; the fixed rows follow it.
    ASSERT_EQ(pos::scroll_rects.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(of(pos::scroll_rects[i]), (box{c.obj_btn_left, 50 + 25 * i, 100, 20})) << i;
    EXPECT_EQ(of(pos::prev_rect), (box{c.obj_btn_left, 13, 100, 20}));
    EXPECT_EQ(of(pos::next_rect), (box{c.obj_btn_left, 237, 100, 20}));
    ASSERT_EQ(pos::obj_rects.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(of(pos::obj_rects[i]), (box{c.obj_btn_left, c.first_top + 25 * i, 100, 20})) << i;
}
}

TEST_F(shop_layout, init_gives_the_worked_values_of_the_default_screen)
{
    init(0, 0, 640, 448);
    // square = 3408 / (10 x 32) for the fixture's 32 x 32 ship.
    expect_layout({{0, 0, 640, 448}, {0, 0, 426, 448}, {426, 0, 214, 448}, 426, 306, 406, 416, 30, 10, 443, 635,
                   383, 298});
}

TEST_F(shop_layout, init_follows_the_shop_rectangle)
{
    const layout_case cases[] = {
        // 800 x 600: a third of 1600 is 533 (truncated).
        {{0, 0, 800, 568}, {0, 0, 533, 568}, {533, 0, 267, 568}, 533, 413, 513, 523, 30, 13, 563, 795, 479, 378},
        // The smallest screen the command line allows.
        {{0, 0, 300, 168}, {0, 0, 200, 168}, {200, 0, 100, 168}, 200, 80, 180, 190, 30, 4, 163, 295, 180, 112},
        // A tall screen: the panel's width is the shorter side.
        {{0, 0, 300, 568}, {0, 0, 200, 568}, {200, 0, 100, 568}, 200, 80, 180, 190, 30, 5, 563, 295, 180, 378},
        // A rectangle away from the corner: panels, margins and the fixed
        // rows move with it, the scrolled rows and Prev and Next do not.
        {{10, 20, 601, 401}, {10, 20, 400, 401}, {410, 20, 201, 401}, 410, 290, 390, 400, 50, 10, 416, 606, 370,
         287},
    };
    for (const layout_case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.shop);
        init(c.shop.x, c.shop.y, c.shop.w, c.shop.h);
        expect_layout(c);
    }
}

TEST_F(shop_layout, init_refills_its_row_lists_at_every_entry)
{
    init(0, 0, 640, 448);
    init(10, 20, 601, 401);
    init(0, 0, 640, 448);
    EXPECT_EQ(pos::scroll_rects.size(), 7u);
    ASSERT_EQ(pos::obj_rects.size(), 10u);
    EXPECT_EQ(pos::obj_rects[0].y, 30);
    EXPECT_EQ(pos::obj_rects[0].x, 426);
}

TEST_F(shop_layout, square_fits_the_larger_side_of_the_ship_picture_into_four_fifths_of_the_panel)
{
    struct {
        int ship_w, ship_h;
        int square;
    } cases[] = {
        {40, 16, 8},    // 3408 / 400, truncated
        {16, 40, 8},    // the larger side, whichever it is
        {170, 20, 2},   // 3408 / 1700
        {341, 341, 0},  // too big a ship for any magnification
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.ship_w << " x " << c.ship_h);
        // A fresh picture cache for each ship picture.
        m_game.reset(new game);
        game::the_game = m_game.get();
        m_game->m_arena = m_arena.get();
        std::vector<uint32_t> pixels(static_cast<size_t>(c.ship_w) * c.ship_h, 0xFFFFFFFF);
        ASSERT_TRUE(write_rgba_png(path("images/ship.png"), c.ship_w, c.ship_h, pixels));
        init(0, 0, 640, 448);
        EXPECT_EQ(pos::square, c.square);
    }
}

TEST(shop_point_in_rect, is_strict_on_all_four_sides)
{
    struct {
        int x, y;
        bool inside;
    } cases[] = {
        {20, 40, true},
        {10, 40, false},  // the leftmost column
        {11, 40, true},
        {39, 40, true},   // the rightmost column, x + w - 1
        {40, 40, false},
        {20, 20, false},  // the top row
        {20, 21, true},
        {20, 59, true},   // the bottom row, y + h - 1
        {20, 60, false},
        {10, 20, false},  // corners
        {11, 21, true},
        {39, 59, true},
        {40, 60, false},
        {0, 0, false},
        {-20, 40, false},
    };
    const SDL_Rect r = sdl_rect(10, 20, 30, 40);
    for (auto& c : cases)
        EXPECT_EQ(point_in_rect(c.x, c.y, r), c.inside) << c.x << ", " << c.y;
}

TEST(shop_point_in_rect, thin_rectangles_hold_nothing_and_negative_corners_work)
{
    for (int x = -2; x < 14; ++x) {
        for (int y = -2; y < 14; ++y) {
            EXPECT_FALSE(point_in_rect(x, y, sdl_rect(5, 5, 1, 8))) << x << ", " << y;
            EXPECT_FALSE(point_in_rect(x, y, sdl_rect(5, 5, 8, 1))) << x << ", " << y;
            EXPECT_FALSE(point_in_rect(x, y, sdl_rect(5, 5, 0, 0))) << x << ", " << y;
        }
    }
    EXPECT_TRUE(point_in_rect(0, 0, sdl_rect(-5, -5, 10, 10)));
    EXPECT_TRUE(point_in_rect(-4, -4, sdl_rect(-5, -5, 10, 10)));
    EXPECT_FALSE(point_in_rect(-5, 0, sdl_rect(-5, -5, 10, 10)));
    EXPECT_TRUE(point_in_rect(2, 2, sdl_rect(1, 1, 2, 2)));  // one pixel inside
}

TEST_F(shop_layout, draw_button_fills_the_rectangle_and_centres_the_label)
{
    struct {
        std::string label;
        int text_x;  // 90 less half the label's width
    } cases[] = {{"Buy", 78}, {"Weapons", 62}, {"Prev", 74}, {"", 90}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        paint(black);
        SDL_Rect r = sdl_rect(40, 30, 100, 20);
        draw_button(m_screen, c.label, r, SDL_MapRGB(m_screen->format, 32, 32, 64));
        EXPECT_EQ(of(r), (box{40, 30, 100, 20}));
        // The label's glyphs stand 6 rows above the centre row 40.
        EXPECT_EQ(text_at(m_screen, c.text_x, 34), c.label);
        EXPECT_EQ(glyph_at(m_screen, c.text_x - 8, 34), -1);
        for (auto p : std::vector<std::pair<int, int>>{{40, 30}, {139, 30}, {40, 49}, {139, 49}, {60, 45}})
            EXPECT_EQ(at(p.first, p.second), button_col) << p.first << ", " << p.second;
        for (auto p : std::vector<std::pair<int, int>>{{39, 30}, {140, 30}, {40, 29}, {40, 50}, {140, 50}})
            EXPECT_EQ(at(p.first, p.second), black) << p.first << ", " << p.second;
    }
}

TEST_F(shop_layout, a_button_cut_by_the_screen_edge_keeps_its_rectangle)
{
    // Half of it below the screen: the fill is cut, the layout's button is not.
    SDL_Rect r = sdl_rect(40, m_screen->h - 10, 100, 20);
    draw_button(m_screen, "Next", r, SDL_MapRGB(m_screen->format, 32, 32, 64));
    EXPECT_EQ(of(r), (box{40, m_screen->h - 10, 100, 20}));
}

namespace {
// A 3 x 2 ship of known pixels (0xAABBGGRR) and what each becomes at 40 %.
struct ship_pixel {
    int x, y;
    uint32_t colour;
    rgba dimmed;
};
const ship_pixel ship_pixels[] = {
    {0, 0, 0xFF3264C7, {79, 40, 20, 255}},     // 199 x 0.4 = 79.6, truncated
    {1, 0, 0x00FFFFFF, {0, 0, 0, 255}},        // transparent: black shows
    {2, 0, 0xFFFFFFFF, {102, 102, 102, 255}},  // white
    {0, 1, 0xFF1E140A, {4, 8, 12, 255}},
    {1, 1, 0xFF030201, {0, 0, 1, 255}},
    {2, 1, 0xFF000000, {0, 0, 0, 255}},
};

void write_small_ship(const std::string& file)
{
    std::vector<uint32_t> pixels(6);
    for (const ship_pixel& p : ship_pixels)
        pixels[p.y * 3 + p.x] = p.colour;
    ASSERT_TRUE(write_exact_png(file, 3, 2, pixels));
}
}

TEST_F(shop_layout, ship_background_is_the_ship_in_dimmed_square_blocks_on_black)
{
    write_small_ship(path("images/ship.png"));
    paint({200, 0, 0, 255});
    // A 15 x 10 ship about (100, 60): its left edge at 100 - 15 / 2 = 93,
    // its top at 60 - 10 / 2 = 55.
    draw_ship_background(m_screen, 100, 60, 5);
    for (const ship_pixel& p : ship_pixels) {
        SCOPED_TRACE(::testing::Message() << "ship pixel " << p.x << ", " << p.y);
        int left = 93 + 5 * p.x, top = 55 + 5 * p.y;
        for (int dx : {0, 2, 4})
            for (int dy : {0, 2, 4})
                EXPECT_EQ(at(left + dx, top + dy), p.dimmed) << left + dx << ", " << top + dy;
    }
    // Black all round, over the whole screen (the status bar included).
    for (auto p : std::vector<std::pair<int, int>>{{92, 55}, {108, 55}, {93, 54}, {93, 65}, {0, 0}, {639, 479}})
        EXPECT_EQ(at(p.first, p.second), black) << p.first << ", " << p.second;
    int lit = 0;
    for (const ship_pixel& p : ship_pixels)
        lit += p.dimmed == black ? 0 : 25;
    EXPECT_EQ(count_other_than(black), lit);
}

TEST_F(shop_layout, ship_background_blends_a_half_transparent_pixel_with_the_black)
{
    std::vector<uint32_t> pixels = {0x80FAFAFA};
    ASSERT_TRUE(write_exact_png(path("images/ship.png"), 1, 1, pixels));
    paint({200, 0, 0, 255});
    draw_ship_background(m_screen, 100, 60, 4);
    // 250 x 0.4 = 100, at about half strength over black.
    rgba c = at(98, 58);
    EXPECT_NEAR(c.r, 50, 2);
    EXPECT_NEAR(c.g, 50, 2);
    EXPECT_NEAR(c.b, 50, 2);
}

TEST_F(shop_layout, ship_background_is_placed_by_signed_halves_and_cut_at_the_screen)
{
    write_small_ship(path("images/ship.png"));
    paint({200, 0, 0, 255});
    // The left edge at 3 - 7 = -4: only the last column of the first block shows.
    draw_ship_background(m_screen, 3, 60, 5);
    EXPECT_EQ(at(0, 55), (rgba{79, 40, 20, 255}));
    EXPECT_EQ(at(1, 55), black);
    EXPECT_EQ(at(6, 55), (rgba{102, 102, 102, 255}));
    EXPECT_EQ(at(10, 55), (rgba{102, 102, 102, 255}));
    EXPECT_EQ(at(11, 55), black);
}

TEST_F(shop_layout, ship_background_without_magnification_is_black_only)
{
    paint({200, 0, 0, 255});
    draw_ship_background(m_screen, 213, 224, 0);
    EXPECT_EQ(count_other_than(black), 0);
}

TEST_F(shop_layout, fixture_ship_background_fills_a_disc_of_ten_pixel_blocks)
{
    // The fixture's ship: a disc of radius 12 about (15.5, 15.5), grey.
    init(0, 0, 640, 448);
    draw_ship_background(m_screen, 213, 224, pos::square);
    int level = static_cast<int>(pixel_rgba(m_game->m_bmp_pool.get_bitmap("ship.png"), 16, 16).r * 0.4f);
    const rgba grey = {level, level, level, 255};
    // The ship's left edge is at 213 - 160 = 53; column 16 starts at 213.
    EXPECT_EQ(at(213, 104), grey);  // ship pixel (16, 4), the disc's top
    EXPECT_EQ(at(213, 103), black);  // ship pixel (16, 3) is outside
    EXPECT_EQ(at(222, 113), grey);
    EXPECT_EQ(at(53, 64), black);  // the picture's transparent corner
    EXPECT_EQ(at(213, 224), grey);
}

TEST_F(shop_layout, rows_prev_and_next_keep_clear_of_buy_sell_and_exit_on_the_default_screen)
{
    init(0, 0, 640, 448);
    std::vector<SDL_Rect> list = pos::obj_rects;
    list.insert(list.end(), pos::scroll_rects.begin(), pos::scroll_rects.end());
    list.push_back(pos::prev_rect);
    list.push_back(pos::next_rect);
    // Buy, Sell and Exit: 50 x 20, 165, 110 and 55 left of the right margin.
    for (int left : {165, 110, 55}) {
        SDL_Rect b = sdl_rect(pos::right_margin_x - left, pos::bottom_margin_y - 20, 50, 20);
        for (const SDL_Rect& r : list) {
            bool overlap = r.x < b.x + b.w && b.x < r.x + r.w && r.y < b.y + b.h && b.y < r.y + r.h;
            EXPECT_FALSE(overlap) << of(r) << " meets " << of(b);
        }
    }
}

// ---------------------------------------------------------- object lists

namespace {
// A department of n plain rows "R0", "R1", ... that records what the list
// asks of it and every click passed on to its own hook.
class probe_dpt : public department {
public:
    probe_dpt(int n, SDL_Rect* button) : department(n, button) {}
    void draw_stuff(SDL_Surface*) override {}
    int scroll() const { return m_scroll; }
    int selected() const { return m_selected; }
    int count() const { return m_num_objects; }

    std::vector<int> names_asked;
    std::vector<std::pair<int, int>> hook_clicks;

protected:
    void vhandle_click(int x, int y) override { hook_clicks.push_back({x, y}); }
    std::string name(int i) override
    {
        names_asked.push_back(i);
        return "R" + int2str(i);
    }
};

// The centre of a rectangle, where a click surely lands inside.
std::pair<int, int> centre(const SDL_Rect& r) { return {r.x + r.w / 2, r.y + r.h / 2}; }
}

TEST_F(shop_layout, department_starts_unscrolled_with_nothing_selected)
{
    init(0, 0, 640, 448);
    SDL_Rect button = sdl_rect(306, 30, 100, 20);
    probe_dpt d(11, &button);
    EXPECT_EQ(d.scroll(), 0);
    EXPECT_EQ(d.selected(), -1);
    EXPECT_EQ(d.count(), 11);
}

TEST_F(shop_layout, fixed_list_selects_the_row_clicked_strictly_inside)
{
    init(0, 0, 640, 448);
    SDL_Rect button = sdl_rect(306, 55, 100, 20);
    // Row 2 is {426, 80, 100, 20}.
    struct {
        int x, y;
        int selected;  // after a first click on row 0
    } cases[] = {
        {476, 90, 2},  {427, 81, 2},  {525, 99, 2},  // inside, up to the last column and row
        {426, 90, 0},  {476, 80, 0},                 // its left column and top row
        {526, 90, 0},  {476, 100, 0},                // past its right and bottom edges
        {476, 52, 0},                                // between two rows
        {476, 140, 4},                               // row 4, the last
        {476, 165, 0},                               // where a sixth row would be
        {100, 100, 0},                               // far from the list
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
        probe_dpt d(5, &button);
        d.handle_click(476, 40);
        EXPECT_EQ(d.selected(), 0);
        d.handle_click(c.x, c.y);
        EXPECT_EQ(d.selected(), c.selected);
        // Whatever was hit or missed, the department's own hook has it too.
        ASSERT_EQ(d.hook_clicks.size(), 2u);
        EXPECT_EQ(d.hook_clicks[1], std::make_pair(c.x, c.y));
        EXPECT_EQ(d.scroll(), 0);
    }
}

TEST_F(shop_layout, scrolled_list_moves_one_row_a_click_between_zero_and_n_less_seven)
{
    init(0, 0, 640, 448);
    SDL_Rect button = sdl_rect(306, 30, 100, 20);
    struct {
        int n;
        int last_scroll;
    } cases[] = {{11, 4}, {12, 5}, {30, 23}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.n);
        probe_dpt d(c.n, &button);
        auto prev = centre(pos::prev_rect), next = centre(pos::next_rect);
        d.handle_click(prev.first, prev.second);
        EXPECT_EQ(d.scroll(), 0);
        for (int i = 1; i <= c.last_scroll + 3; ++i) {
            d.handle_click(next.first, next.second);
            EXPECT_EQ(d.scroll(), std::min(i, c.last_scroll));
        }
        for (int i = c.last_scroll - 1; i >= -2; --i) {
            d.handle_click(prev.first, prev.second);
            EXPECT_EQ(d.scroll(), std::max(i, 0));
        }
        EXPECT_EQ(d.selected(), -1);
        EXPECT_EQ(d.hook_clicks.size(), static_cast<size_t>(1 + (c.last_scroll + 3) + (c.last_scroll + 2)));
    }
}

TEST_F(shop_layout, scrolled_list_selects_the_object_shown_and_keeps_it_while_scrolling)
{
    init(0, 0, 640, 448);
    SDL_Rect button = sdl_rect(306, 30, 100, 20);
    probe_dpt d(11, &button);
    auto next = centre(pos::next_rect), prev = centre(pos::prev_rect);
    auto row = [&](int i) { return centre(pos::scroll_rects[i]); };

    d.handle_click(row(1).first, row(1).second);
    EXPECT_EQ(d.selected(), 1);
    d.handle_click(next.first, next.second);
    d.handle_click(next.first, next.second);
    EXPECT_EQ(d.selected(), 1);  // scrolled out of view, still selected
    d.handle_click(row(0).first, row(0).second);
    EXPECT_EQ(d.selected(), 2);
    d.handle_click(row(6).first, 218);  // the last row's bottom line
    EXPECT_EQ(d.selected(), 8);
    d.handle_click(row(6).first, 200);  // its top line: nothing
    EXPECT_EQ(d.selected(), 8);
    d.handle_click(prev.first, prev.second);
    EXPECT_EQ(d.selected(), 8);
    // The fixed rows' places do not count in a scrolled list: the fixed
    // row 0 at y 30 to 49 is none of the scrolled rows.
    d.handle_click(476, 35);
    EXPECT_EQ(d.selected(), 8);
}

TEST_F(shop_layout, fixed_list_draws_each_row_its_connector_and_the_bar)
{
    init(0, 0, 640, 448);
    struct {
        int n;
        int button_y;
        int selected_row;  // clicked before drawing; -1 none
        int bar_top, bar_end;  // rows of the vertical bar, end excluded
    } cases[] = {
        {5, 55, 2, 40, 140},   // the systems list: from the first row to the last
        {3, 80, -1, 40, 90},   // the engine list: down to its own button
        {2, 80, 1, 40, 90},
        {10, 30, 9, 40, 265},  // ten rows still make a fixed list
        {1, 300, 0, 40, 310},  // a button below every row
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.n << " rows, button at " << c.button_y);
        paint(black);
        SDL_Rect button = sdl_rect(306, c.button_y, 100, 20);
        probe_dpt d(c.n, &button);
        if (c.selected_row >= 0) {
            auto p = centre(pos::obj_rects[c.selected_row]);
            d.handle_click(p.first, p.second);
        }
        d.draw_obj_buttons(m_screen);
        std::vector<int> all;
        for (int i = 0; i < c.n; ++i)
            all.push_back(i);
        EXPECT_EQ(d.names_asked, all);
        for (int i = 0; i < c.n; ++i) {
            SCOPED_TRACE(i);
            const SDL_Rect& r = pos::obj_rects[i];
            rgba fill = i == c.selected_row ? button_sel_col : button_col;
            EXPECT_EQ(at(r.x, r.y), fill);
            EXPECT_EQ(at(r.x + 99, r.y + 19), fill);
            // The label, centred: "R" and one digit.
            EXPECT_EQ(text_at(m_screen, 468, r.y + 4), "R" + int2str(i));
            // The row's connector, from the bar to the row, two rows thick.
            EXPECT_EQ(at(416, r.y + 9), button_col);
            EXPECT_EQ(at(425, r.y + 10), button_col);
            EXPECT_EQ(at(420, r.y + 8), black);
            EXPECT_EQ(at(420, r.y + 11), black);
        }
        if (c.n < 10) {
            EXPECT_EQ(at(420, pos::obj_rects[c.n].y + 10), black);  // no connector past the last row
        }
        // The bar: columns 415 and 416.
        EXPECT_EQ(at(415, c.bar_top), button_col);
        EXPECT_EQ(at(416, c.bar_end - 1), button_col);
        EXPECT_EQ(at(415, c.bar_top - 1), black);
        EXPECT_EQ(at(415, c.bar_end), black);
        EXPECT_EQ(at(414, c.bar_top + 1), black);
        EXPECT_EQ(at(417, c.bar_top + 1), black);
        // No Prev and Next.
        EXPECT_EQ(at(430, 15), black);
        EXPECT_NE(text_at(m_screen, 460, 241), "Next");
    }
}

TEST_F(shop_layout, scrolled_list_draws_seven_rows_from_the_scroll_with_prev_and_next)
{
    init(0, 0, 640, 448);
    struct {
        int button_y;
        int nexts;
        int selected;  // object clicked in row 1 before scrolling
        int bar_top, bar_end;
    } cases[] = {
        {30, 0, 1, 40, 210},   // the weapons button: from its middle to the last row's
        {30, 2, 1, 40, 210},
        {30, 9, 1, 40, 210},   // as far as it goes
        {230, 1, 1, 60, 240},  // a button below the rows
        {0, 0, 1, 10, 210},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "button at " << c.button_y << ", " << c.nexts << " x Next");
        paint(black);
        SDL_Rect button = sdl_rect(306, c.button_y, 100, 20);
        probe_dpt d(11, &button);
        auto row1 = centre(pos::scroll_rects[1]);
        d.handle_click(row1.first, row1.second);
        auto next = centre(pos::next_rect);
        for (int i = 0; i < c.nexts; ++i)
            d.handle_click(next.first, next.second);
        d.names_asked.clear();
        d.draw_obj_buttons(m_screen);
        int scroll = std::min(c.nexts, 4);
        std::vector<int> shown;
        for (int i = 0; i < 7; ++i)
            shown.push_back(scroll + i);
        EXPECT_EQ(d.names_asked, shown);
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE(i);
            const SDL_Rect& r = pos::scroll_rects[i];
            int k = scroll + i;
            EXPECT_EQ(at(r.x + 1, r.y + 1), k == 1 ? button_sel_col : button_col);
            std::string label = "R" + int2str(k);
            EXPECT_EQ(text_at(m_screen, 476 - 4 * static_cast<int>(label.size()), r.y + 4), label);
            EXPECT_EQ(at(416, r.y + 9), button_col);
            EXPECT_EQ(at(425, r.y + 10), button_col);
        }
        EXPECT_EQ(at(415, c.bar_top), button_col);
        EXPECT_EQ(at(416, c.bar_end - 1), button_col);
        EXPECT_EQ(at(415, c.bar_top - 1), black);
        EXPECT_EQ(at(415, c.bar_end), black);
        // Prev and Next, labels centred on their buttons.
        EXPECT_EQ(at(427, 14), button_col);
        EXPECT_EQ(text_at(m_screen, 460, 17), "Prev");
        EXPECT_EQ(at(427, 238), button_col);
        EXPECT_EQ(text_at(m_screen, 460, 241), "Next");
    }
}

TEST_F(shop_layout, department_without_objects_draws_nothing_and_still_hears_clicks)
{
    init(0, 0, 640, 448);
    paint(black);
    SDL_Rect button = sdl_rect(306, 30, 100, 20);
    probe_dpt d(0, &button);
    d.draw_obj_buttons(m_screen);
    EXPECT_EQ(count_other_than(black), 0);
    EXPECT_TRUE(d.names_asked.empty());
    auto p = centre(pos::obj_rects[0]);
    d.handle_click(p.first, p.second);
    EXPECT_EQ(d.selected(), -1);
    EXPECT_EQ(d.hook_clicks.size(), 1u);
}
