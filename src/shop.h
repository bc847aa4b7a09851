// The shop: a modal screen over the dimmed, magnified ship where money
// buys weapons for each mount, an engine and ship systems. Its layout
// (pos), hit test and painters, and its three departments.
#ifndef VANTREL_SHOP_H
#define VANTREL_SHOP_H

#include <string>
#include <vector>

#include <SDL.h>

// The status bar, which the game shell draws; the shop redraws it every frame.
void update_player_status(SDL_Surface* screen);

// Runs the shop inside draw_rect until Escape or Exit; then clears the
// game's in_shop flag and blacks the screen.
void shop(SDL_Surface* screen, SDL_Rect* draw_rect);

// The shop's layout, recomputed from the shop rectangle at every entry.
namespace pos {
const int btn_width = 100;
const int btn_height = 20;
const int btn_xgap = 5;
const int btn_ygap = 5;
const int connector_gap = 20;
const int top_margin = 30;
const int bottom_margin = 5;
const int right_margin = 5;
const int left_margin = 5;
const int max_visible_obj_btns = 10;

extern SDL_Rect big_rect;
extern SDL_Rect left_panel;
extern SDL_Rect right_panel;
extern int obj_btn_left;
extern int obj_btn1_top;
extern int obj_btn_scroll_top;
extern int dep_btn_left;
extern int dep_btn_right;
extern int dep_btn1_top;
extern int connector_x;
extern SDL_Rect prev_rect;
extern SDL_Rect next_rect;
extern std::vector<SDL_Rect> scroll_rects;
extern std::vector<SDL_Rect> obj_rects;
// Screen pixels per ship-picture pixel of the magnified ship.
extern int square;
extern int bottom_margin_y;
extern int right_margin_x;
extern int desc_x;
extern int desc_y;

void init(SDL_Rect* _big_rect);
}

// Strict on all four sides: a rectangle's left column and top row are out.
bool point_in_rect(int x, int y, SDL_Rect rect);
void draw_button(SDL_Surface* surface, const std::string& text, SDL_Rect& rect, Uint32 colour);
// Blacks the screen and draws ship.png square times larger at 40 %
// brightness, centred on (x_centre, y_centre).
void draw_ship_background(SDL_Surface* screen, int x_centre, int y_centre, int square);

enum department_id { D_WEAPONS = 0, D_SYSTEMS = 1, D_ENGINE = 2 };

// A department's list of objects on the right, one row per catalogue
// entry, with a selected row and scrolling when there are more than ten.
class department {
public:
    department(int num_objects, SDL_Rect* button_rect);
    virtual void draw_stuff(SDL_Surface* surface) = 0;
    virtual ~department();

    void draw_obj_buttons(SDL_Surface* surface);
    // Offers the click to the list, then to the department's own hook.
    void handle_click(int click_x, int click_y);

protected:
    virtual void vhandle_click(int x, int y);
    virtual std::string name(int i) = 0;

    int m_scroll;
    SDL_Rect* m_button_rect;
    int m_num_objects;
    int m_selected;

private:
    void draw_row(SDL_Surface* surface, const SDL_Rect& r, int object);
};

// Weapons for the ship's mounts: a click on a mount's socket selects it;
// Buy fits the selected weapon paying the difference, Sell removes it.
class weapons_dpt : public department {
public:
    explicit weapons_dpt(SDL_Rect* br);
    void draw_stuff(SDL_Surface* surface) override;
    void handle_buy();
    void handle_sell();

protected:
    void vhandle_click(int click_x, int click_y) override;
    std::string name(int i) override;

private:
    int m_selected_mount;
};

// The ship's one engine: Buy exchanges it, refunding the old one.
class engines_dpt : public department {
public:
    explicit engines_dpt(SDL_Rect* br);
    void draw_stuff(SDL_Surface* surface) override;
    void handle_buy();

protected:
    std::string name(int i) override;
};

// Twenty system slots in a 4 x 5 grid: a click selects a slot; Buy fits
// the selected system (refunding what was there), Sell empties it.
class systems_dpt : public department {
public:
    explicit systems_dpt(SDL_Rect* br);
    ~systems_dpt() override;
    void draw_stuff(SDL_Surface* surface) override;
    void handle_buy();
    void handle_sell();

protected:
    void vhandle_click(int x, int y) override;
    std::string name(int i) override;

private:
    int m_selected_slot;
    std::vector<SDL_Rect> m_mount_rects;
    SDL_Surface* m_mount_bmp;
};

#endif
