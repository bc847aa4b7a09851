// The shop screen and its loop, the layout, the painters, and the weapons,
// engine and systems departments.
#include "shop.h"

#include <algorithm>
#include <cmath>

#include "arena.h"
#include "etc.h"
#include "game.h"
#include "text.h"
#include "weapons.h"

namespace {
// The department on show; the shop starts every visit on the weapons page.
department_id cur_department = D_WEAPONS;
// The size of the mount socket picture, taken each time the weapons page
// is drawn; the mount test uses it.
int mount_width = 0;
int mount_height = 0;

const int btn_sep = 25;
const float darken = 0.4f;

Uint32 white(SDL_Surface* s) { return SDL_MapRGB(s->format, 255, 255, 255); }
Uint32 button_col(SDL_Surface* s) { return SDL_MapRGB(s->format, 32, 32, 64); }
Uint32 button_sel_col(SDL_Surface* s) { return SDL_MapRGB(s->format, 64, 64, 128); }

SDL_Rect rect(int x, int y, int w, int h)
{
    SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                  static_cast<Uint16>(h)};
    return r;
}

void fill(SDL_Surface* s, SDL_Rect r, Uint32 colour) { SDL_FillRect(s, &r, colour); }

void say(SDL_Surface* s, const std::string& what, int x, int y) { text::draw(what, s, x, y, white(s)); }

// The left panel's centre, about which the pages place the ship.
int panel_cx() { return pos::left_panel.x + pos::left_panel.w / 2; }
int panel_cy() { return pos::left_panel.y + pos::left_panel.h / 2; }

// Draws pic turned by angle, centred on (x, y), through a canvas of its own
// size: (w + h) x 3 / 2 + 1 with the lowest bit cleared.
void draw_turned(SDL_Surface* surface, SDL_Surface* pic, float angle, float x, float y)
{
    int side = ((pic->w + pic->h) * 3 / 2 + 1) & ~1;
    SDL_Surface* canvas = create_surface(side, side, alpha_channel);
    if (!canvas)
        return;
    rotate(pic, canvas, angle);
    SDL_Rect at = rect(static_cast<int>(x - canvas->w / 2), static_cast<int>(y - canvas->h / 2), 0, 0);
    SDL_BlitSurface(canvas, nullptr, surface, &at);
    SDL_FreeSurface(canvas);
}

// Where a mount sits over the magnified ship.
float mount_x(const weapon_mount& m) { return m.loc_x * pos::square + panel_cx(); }
float mount_y(const weapon_mount& m) { return m.loc_y * pos::square + panel_cy(); }
}

// ---------------------------------------------------------------- layout

namespace pos {
SDL_Rect big_rect;
SDL_Rect left_panel;
SDL_Rect right_panel;
int obj_btn_left;
int obj_btn1_top;
int obj_btn_scroll_top;
int dep_btn_left;
int dep_btn_right;
int dep_btn1_top;
int connector_x;
SDL_Rect prev_rect;
SDL_Rect next_rect;
std::vector<SDL_Rect> scroll_rects;
std::vector<SDL_Rect> obj_rects;
int square;
int bottom_margin_y;
int right_margin_x;
int desc_x;
int desc_y;

void init(SDL_Rect* _big_rect)
{
    const SDL_Rect& r = *_big_rect;
    obj_btn_scroll_top = 50;
    big_rect = left_panel = right_panel = r;
    unsigned third = (2u * r.w) / 3u;
    left_panel.w = static_cast<Uint16>(third);
    right_panel.x = static_cast<Sint16>(r.x + static_cast<int>(third));
    right_panel.w = static_cast<Uint16>(r.w - third);

    obj_btn_left = right_panel.x;
    dep_btn_left = obj_btn_left - (connector_gap + btn_width);
    dep_btn_right = obj_btn_left - connector_gap;
    connector_x = (dep_btn_right + obj_btn_left) / 2;
    dep_btn1_top = obj_btn1_top = r.y + top_margin;

    // The scrolled rows and Prev and Next stand at fixed heights.
    scroll_rects.clear();
    for (int i = 0; i < 7; ++i)
        scroll_rects.push_back(rect(obj_btn_left, obj_btn_scroll_top + (btn_height + btn_ygap) * i, btn_width,
                                    btn_height));
    prev_rect = rect(obj_btn_left, 13, btn_width, btn_height);
    next_rect = rect(obj_btn_left, 237, btn_width, btn_height);
    obj_rects.clear();
    for (int i = 0; i < max_visible_obj_btns; ++i)
        obj_rects.push_back(rect(obj_btn_left, obj_btn1_top + (btn_height + btn_ygap) * i, btn_width, btn_height));

    // The magnified ship fills at most 80 % of the panel's shorter side.
    SDL_Surface* ship_pic = cached("ship.png");
    int longest = std::max(ship_pic->w, ship_pic->h);
    square = longest > 0 ? (8 * std::min<int>(left_panel.w, left_panel.h)) / (10 * longest) : 0;

    bottom_margin_y = r.y + r.h - bottom_margin;
    right_margin_x = r.x + r.w - right_margin;
    desc_x = left_panel.x + (9 * left_panel.w) / 10;
    desc_y = right_panel.y + (2 * right_panel.h) / 3;
}
}

bool point_in_rect(int x, int y, SDL_Rect rect)
{
    return rect.x < x && x < rect.x + rect.w && rect.y < y && y < rect.y + rect.h;
}

void draw_button(SDL_Surface* surface, const std::string& text, SDL_Rect& rect, Uint32 colour)
{
    // A copy: the fill clips the rectangle it is given, and the layout's
    // buttons must keep their size on a short screen.
    SDL_Rect area = rect;
    SDL_FillRect(surface, &area, colour);
    text::draw_centre(text, surface, rect.x + rect.w / 2, rect.y + rect.h / 2, white(surface));
}

void draw_ship_background(SDL_Surface* screen, int x_centre, int y_centre, int square)
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    // Too small a screen for any magnification: black alone.
    if (square <= 0)
        return;
    SDL_Surface* ship_pic = cached("ship.png");
    SDL_Surface* tile = create_surface(square, square, alpha_channel);
    if (!tile)
        return;
    int left = x_centre - (ship_pic->w * square) / 2;
    int top = y_centre - (ship_pic->h * square) / 2;
    SDL_LockSurface(ship_pic);
    for (int x = 0; x < ship_pic->w; ++x) {
        for (int y = 0; y < ship_pic->h; ++y) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(getpixel(ship_pic, x, y), ship_pic->format, &r, &g, &b, &a);
            SDL_FillRect(tile, nullptr,
                         SDL_MapRGBA(tile->format, static_cast<Uint8>(r * darken), static_cast<Uint8>(g * darken),
                                     static_cast<Uint8>(b * darken), a));
            SDL_Rect from = rect(0, 0, square, square);
            SDL_Rect to = rect(left + x * square, top + y * square, 0, 0);
            SDL_BlitSurface(tile, &from, screen, &to);
        }
    }
    SDL_UnlockSurface(ship_pic);
    SDL_FreeSurface(tile);
}

// ------------------------------------------------------------ department

department::department(int num_objects, SDL_Rect* button_rect)
    : m_scroll(0), m_button_rect(button_rect), m_num_objects(num_objects), m_selected(-1)
{
}

department::~department() {}

void department::vhandle_click(int, int) {}

void department::draw_row(SDL_Surface* surface, const SDL_Rect& r, int object)
{
    fill(surface, r, m_selected == object ? button_sel_col(surface) : button_col(surface));
    text::draw_centre(name(object), surface, r.x + r.w / 2, r.y + r.h / 2, white(surface));
    fill(surface, rect(pos::connector_x, r.y + r.h / 2 - 1, r.x - pos::connector_x, 2), button_col(surface));
}

void department::draw_obj_buttons(SDL_Surface* surface)
{
    const int n = m_num_objects;
    const SDL_Rect& b = *m_button_rect;
    if (n <= pos::max_visible_obj_btns) {
        for (int i = 0; i < n; ++i)
            draw_row(surface, pos::obj_rects[i], i);
        if (n == 0)
            return;
        int top = std::min<int>(b.y, pos::obj_rects[0].y) + 10;
        int bottom = std::max<int>(b.y, pos::obj_rects[n - 1].y) + 10;
        fill(surface, rect(pos::connector_x - 1, top, 2, bottom - top), button_col(surface));
        return;
    }
    const std::vector<SDL_Rect>& rows = pos::scroll_rects;
    for (size_t i = 0; i < rows.size(); ++i)
        draw_row(surface, rows[i], m_scroll + static_cast<int>(i));
    int top = std::min<int>(b.y + 10, rows.front().y + rows.front().h / 2);
    int bottom = std::max<int>(b.y + 10, rows.back().y + rows.back().h / 2);
    fill(surface, rect(pos::connector_x - 1, top, 2, bottom - top), button_col(surface));
    draw_button(surface, "Prev", pos::prev_rect, button_col(surface));
    draw_button(surface, "Next", pos::next_rect, button_col(surface));
}

void department::handle_click(int click_x, int click_y)
{
    const int n = m_num_objects;
    if (n <= pos::max_visible_obj_btns) {
        for (int i = 0; i < n; ++i) {
            if (point_in_rect(click_x, click_y, pos::obj_rects[i]))
                m_selected = i;
        }
    } else {
        const int shown = static_cast<int>(pos::scroll_rects.size());
        for (int i = 0; i < shown; ++i) {
            if (point_in_rect(click_x, click_y, pos::scroll_rects[i]))
                m_selected = m_scroll + i;
        }
        if (point_in_rect(click_x, click_y, pos::prev_rect))
            m_scroll = std::max(0, m_scroll - 1);
        if (point_in_rect(click_x, click_y, pos::next_rect))
            m_scroll = std::min(n - shown, m_scroll + 1);
    }
    vhandle_click(click_x, click_y);
}

// ----------------------------------------------------------- weapons_dpt

weapons_dpt::weapons_dpt(SDL_Rect* br)
    : department(static_cast<int>(weapon_types().size()), br), m_selected_mount(-1)
{
}

std::string weapons_dpt::name(int i) { return weapon_types()[i].name; }

void weapons_dpt::draw_stuff(SDL_Surface* surface)
{
    SDL_Surface* point = cached("weapon_point.png");
    mount_width = point->w;
    mount_height = point->h;
    const std::vector<weapon_mount>& mounts = the_game().m_weapon_mounts;
    for (const weapon_mount& m : mounts) {
        draw_turned(surface, point, m.angle, mount_x(m), mount_y(m));
        if (const char* graphic = weapon_types()[m.type].shop_graphic)
            draw_turned(surface, cached(graphic), m.angle, mount_x(m), mount_y(m));
    }

    if (m_selected_mount >= 0 && m_selected_mount < static_cast<int>(mounts.size())) {
        const weapon_mount& m = mounts[m_selected_mount];
        say(surface, std::string("Selected Mount: ") + m.name + " (" + weapon_types()[m.type].name + ")", 5,
            pos::bottom_margin_y - 10);
    }
    if (m_selected >= 0 && m_selected < static_cast<int>(weapon_types().size())) {
        const weapon_type& t = weapon_types()[m_selected];
        const int x = pos::desc_x, y = pos::desc_y;
        say(surface, std::string("Selected Weapon: ") + t.name, x, y);
        say(surface, t.description, x, y + 20);
        say(surface, "Cost:        " + int2str(t.cost), x, y + 35);
        say(surface, "Damage:      " + int2str(t.damage), x, y + 50);
        say(surface, "Reload Time: " + int2str(t.reload), x, y + 65);
        say(surface, "Recoil     : " + int2str(static_cast<int>(100 * t.recoil)), x, y + 80);
        say(surface, "Mass     : " + int2str(t.mass), x, y + 95);
    }
}

void weapons_dpt::vhandle_click(int click_x, int click_y)
{
    const std::vector<weapon_mount>& mounts = the_game().m_weapon_mounts;
    const int hw = mount_width / 2, hh = mount_height / 2;
    for (size_t i = 0; i < mounts.size(); ++i) {
        const weapon_mount& m = mounts[i];
        float dx = click_x - mount_x(m), dy = click_y - mount_y(m);
        // Back into the socket picture's own frame: the inverse of its turn.
        double a = m.angle;
        float u = static_cast<float>(dx * std::cos(a) + dy * std::sin(a));
        float v = static_cast<float>(-dx * std::sin(a) + dy * std::cos(a));
        if (-hw < u && u < hw && -hh < v && v < hh)
            m_selected_mount = static_cast<int>(i);
    }
}

void weapons_dpt::handle_buy()
{
    std::vector<weapon_mount>& mounts = the_game().m_weapon_mounts;
    if (m_selected_mount < 0 || m_selected_mount >= static_cast<int>(mounts.size()) || m_selected < 0 ||
        m_selected >= static_cast<int>(weapon_types().size()))
        return;
    weapon_mount& m = mounts[m_selected_mount];
    // Only the difference is paid; a cheaper weapon pays some back.
    int trade_cost = weapon_types()[m_selected].cost - weapon_types()[m.type].cost;
    if (trade_cost > status().money)
        return;
    status().money -= trade_cost;
    m.type = static_cast<weapon_id>(m_selected);
}

void weapons_dpt::handle_sell()
{
    std::vector<weapon_mount>& mounts = the_game().m_weapon_mounts;
    if (m_selected_mount < 0 || m_selected_mount >= static_cast<int>(mounts.size()))
        return;
    weapon_mount& m = mounts[m_selected_mount];
    status().money += weapon_types()[m.type].cost;
    m.type = WT_NOTHING;
}

// ----------------------------------------------------------- engines_dpt

engines_dpt::engines_dpt(SDL_Rect* br) : department(static_cast<int>(engine_types().size()), br) {}

std::string engines_dpt::name(int i) { return engine_types()[i].name; }

void engines_dpt::draw_stuff(SDL_Surface* surface)
{
    const engine_type& e = engine_types()[the_game().m_engine];
    const float g = the_game().m_arena->gravity();
    const int m = calc_ship_mass();
    const int x = panel_cx() - 100, cy = panel_cy();
    say(surface, std::string("Current Engine: ") + e.name, x, cy - 100);
    say(surface, "Thrust: " + int2str(static_cast<int>(e.thrust)), x, cy - 85);
    // Loaded: carrying a ball.
    say(surface, "Weight(normal/loaded): " + int2str(static_cast<int>(m * g)) + "/" +
                     int2str(static_cast<int>((m + ball_mass) * g)),
        x, cy - 70);
    say(surface, "Ship Mass: " + int2str(m), x, cy - 40);
    say(surface, "Ship Acceleration: " + int2str(static_cast<int>(e.thrust / m)), x, cy - 10);

    if (m_selected >= 0 && m_selected < m_num_objects) {
        const engine_type& t = engine_types()[m_selected];
        const int dx = pos::desc_x, y = pos::desc_y;
        say(surface, std::string("Selected Engine: ") + t.name, dx, y);
        say(surface, t.description, dx, y + 30);
        say(surface, "Cost:        " + int2str(t.cost), dx, y + 45);
        // A hundred times the catalogue figure, unlike the fitted engine's line.
        say(surface, "Thrust:      " + int2str(static_cast<int>(100 * t.thrust)), dx, y + 60);
        say(surface, "Mass:        " + int2str(t.mass), dx, y + 75);
    }
}

void engines_dpt::handle_buy()
{
    // The full price must be in hand, whatever the old engine is worth.
    if (m_selected < 0 || m_selected >= m_num_objects || status().money < engine_types()[m_selected].cost)
        return;
    status().money += engine_types()[the_game().m_engine].cost;
    the_game().m_engine = static_cast<engine_id>(m_selected);
    status().money -= engine_types()[m_selected].cost;
}

// ----------------------------------------------------------- systems_dpt

systems_dpt::systems_dpt(SDL_Rect* br)
    : department(static_cast<int>(system_types().size()), br), m_selected_slot(-1),
      m_mount_bmp(cached("s_system_mount.png"))
{
    const int gap = 4, w = m_mount_bmp->w, h = m_mount_bmp->h;
    for (int i = 0; i < system_slots; ++i) {
        int x = panel_cx() + static_cast<int>(((i % 4) - 1.5) * (w + gap) - w / 2);
        int y = panel_cy() + ((i / 4) - 2) * (h + gap) - h / 2;
        m_mount_rects.push_back(rect(x, y, w, h));
    }
}

systems_dpt::~systems_dpt() {}

std::string systems_dpt::name(int i) { return system_types()[i].name; }

void systems_dpt::draw_stuff(SDL_Surface* surface)
{
    const std::vector<system_id>& systems = the_game().m_systems;
    for (size_t i = 0; i < m_mount_rects.size(); ++i) {
        SDL_Rect r = m_mount_rects[i];
        // The selected slot shows through the picture's clear parts.
        if (static_cast<int>(i) == m_selected_slot)
            fill(surface, r, button_col(surface));
        SDL_Rect from = rect(0, 0, r.w, r.h);
        SDL_Rect to = r;
        SDL_BlitSurface(m_mount_bmp, &from, surface, &to);
        if (i >= systems.size())
            continue;
        if (const char* graphic = system_types()[systems[i]].shop_graphic) {
            SDL_Surface* pic = cached(graphic);
            SDL_Rect at = rect(r.x + (r.w - pic->w) / 2, r.y + (r.h - pic->h) / 2, 0, 0);
            SDL_BlitSurface(pic, nullptr, surface, &at);
        }
    }
    if (m_selected >= 0 && m_selected < m_num_objects) {
        const system_type& t = system_types()[m_selected];
        const int x = pos::desc_x, y = pos::desc_y;
        say(surface, std::string("Selected System: ") + t.name, x, y);
        say(surface, t.description, x, y + 30);
        say(surface, "Cost:  " + int2str(t.cost), x, y + 45);
        say(surface, "Mass:  " + int2str(t.mass), x, y + 60);
    }
}

void systems_dpt::vhandle_click(int x, int y)
{
    for (size_t i = 0; i < m_mount_rects.size(); ++i) {
        if (point_in_rect(x, y, m_mount_rects[i]))
            m_selected_slot = static_cast<int>(i);
    }
}

void systems_dpt::handle_buy()
{
    std::vector<system_id>& systems = the_game().m_systems;
    if (m_selected_slot < 0 || m_selected_slot >= static_cast<int>(systems.size()) || m_selected < 0 ||
        m_selected >= m_num_objects || status().money < system_types()[m_selected].cost)
        return;
    status().money += system_types()[systems[m_selected_slot]].cost;
    status().money -= system_types()[m_selected].cost;
    systems[m_selected_slot] = static_cast<system_id>(m_selected);
}

void systems_dpt::handle_sell()
{
    std::vector<system_id>& systems = the_game().m_systems;
    if (m_selected_slot < 0 || m_selected_slot >= static_cast<int>(systems.size()))
        return;
    status().money += system_types()[systems[m_selected_slot]].cost;
    systems[m_selected_slot] = ST_EMPTY;
}

// ------------------------------------------------------------ the screen

void shop(SDL_Surface* screen, SDL_Rect* draw_rect)
{
    SDL_ShowCursor(1);
    cur_department = D_WEAPONS;
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    const Uint32 button = button_col(screen), selected = button_sel_col(screen);
    pos::init(draw_rect);

    SDL_Rect weapons_btn = rect(pos::dep_btn_left, pos::dep_btn1_top, pos::btn_width, pos::btn_height);
    SDL_Rect systems_btn = rect(pos::dep_btn_left, pos::dep_btn1_top + btn_sep, pos::btn_width, pos::btn_height);
    SDL_Rect engine_btn = rect(pos::dep_btn_left, pos::dep_btn1_top + 2 * btn_sep, pos::btn_width, pos::btn_height);
    SDL_Rect buy_btn = rect(pos::right_margin_x - 165, pos::bottom_margin_y - 20, 50, 20);
    SDL_Rect sell_btn = rect(pos::right_margin_x - 110, pos::bottom_margin_y - 20, 50, 20);
    SDL_Rect exit_btn = rect(pos::right_margin_x - 55, pos::bottom_margin_y - 20, 50, 20);
    weapons_dpt weapons(&weapons_btn);
    engines_dpt engines(&engine_btn);
    systems_dpt systems(&systems_btn);
    department* const departments[] = {&weapons, &systems, &engines};
    SDL_Rect* const buttons[] = {&weapons_btn, &systems_btn, &engine_btn};
    const char* const labels[] = {"Weapons", "Systems", "Engine"};
    const int bg_x = (pos::left_panel.x + pos::left_panel.w) / 2;
    const int bg_y = (pos::left_panel.y + pos::left_panel.h) / 2;

    bool abort = false;
    while (!abort) {
        leave_if_stopped();
        Uint32 time = pacing::ticks();
        bool click = false;
        int click_x = 0, click_y = 0;

        // One click a frame, the last; flight keys released here stay released.
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            auto& keys = the_game().m_key_flags;
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
                abort = true;
            } else if (event.type == SDL_MOUSEBUTTONDOWN) {
                click = true;
                click_x = event.button.x;
                click_y = event.button.y;
            } else if (event.type == SDL_KEYUP) {
                switch (event.key.keysym.sym) {
                case SDLK_UP: keys.up = false; break;
                case SDLK_LEFT: keys.left = false; break;
                case SDLK_RIGHT: keys.right = false; break;
                case SDLK_z: keys.tractor = false; break;
                case SDLK_SPACE: keys.fire = false; break;
                default: break;
                }
            }
        }

        draw_ship_background(screen, bg_x, bg_y, pos::square);
        for (int d = 0; d < 3; ++d)
            draw_button(screen, labels[d], *buttons[d], d == cur_department ? selected : button);
        const SDL_Rect& current = *buttons[cur_department];
        fill(screen, rect(pos::dep_btn_right, current.y + current.h / 2 - 1, 10, 2), button);
        departments[cur_department]->draw_stuff(screen);
        departments[cur_department]->draw_obj_buttons(screen);
        draw_button(screen, "Buy", buy_btn, button);
        draw_button(screen, "Sell", sell_btn, button);
        draw_button(screen, "Exit", exit_btn, button);

        if (click) {
            for (int d = 0; d < 3; ++d) {
                if (point_in_rect(click_x, click_y, *buttons[d]))
                    cur_department = static_cast<department_id>(d);
            }
            // The click that switches departments goes to the new one at once.
            departments[cur_department]->handle_click(click_x, click_y);
            bool buy = point_in_rect(click_x, click_y, buy_btn), sell = point_in_rect(click_x, click_y, sell_btn);
            switch (cur_department) {
            case D_WEAPONS:
                if (buy)
                    weapons.handle_buy();
                if (sell)
                    weapons.handle_sell();
                break;
            case D_ENGINE:
                if (buy)
                    engines.handle_buy();
                break;
            case D_SYSTEMS:
                if (buy)
                    systems.handle_buy();
                if (sell)
                    systems.handle_sell();
                status().max_energy = calc_ship_battery();
                break;
            }
            if (point_in_rect(click_x, click_y, exit_btn))
                abort = true;
        }

        update_player_status(screen);
        SDL_UpdateRect(screen, 0, 0, 0, 0);
        pacing::rest_of_frame(time);
    }

    status().in_shop = false;
    SDL_ShowCursor(0);
    SDL_FillRect(screen, nullptr, black);
    SDL_UpdateRect(screen, 0, 0, 0, 0);
}
