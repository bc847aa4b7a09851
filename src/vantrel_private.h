// The game shell's own declarations, shared with the tests, the frame
// benchmark and the hi-score fuzz target: what src/vantrel.cpp defines
// besides its entry point. Not a module header (the shell has none);
// vantrel.cpp includes it itself, so the compiler holds both to one
// definition. The status bar, update_player_status, is declared in shop.h.
#ifndef VANTREL_VANTREL_PRIVATE_H
#define VANTREL_VANTREL_PRIVATE_H

#include <list>
#include <string>
#include <vector>

#include <SDL.h>

class arena;

namespace flags {
extern bool fullscreen;
extern int width;
extern int height;
}

int SDL_main(int argc, char** argv);
// What SIGTERM and SIGINT run while the game is up.
extern "C" void on_stop_signal(int);
// Reads the options; true when the program ends at once ("--help",
// "--show-dirs").
bool process_args(int argc, char** argv);
// True when Escape is pressed.
bool do_title_screen(SDL_Surface* screen);
void show_description(SDL_Surface* screen, const std::string& description);
void do_printscreen(SDL_Surface* screen);
void play_game(SDL_Surface* screen);

// The view of the map on the screen, and one frame's drawing into it.
SDL_Rect fit_view(int screen_w, int view_h, int aw, int ah);

// The background as the view shows it: the arena's picture composed once
// over the view's dark blue and again where the arena redraws it, so that a
// frame copies it instead of blending the whole view anew.
class shown_background {
public:
    shown_background() = default;
    ~shown_background();
    shown_background(const shown_background&) = delete;
    shown_background& operator=(const shown_background&) = delete;
    SDL_Surface* get(SDL_Surface* screen, arena& the_arena);

private:
    SDL_Surface* m_pic = nullptr;
};

// The background under the view, scrolled to keep the ship in the middle
// until a map edge comes into view; then the movers, cut at the view.
void draw_arena(SDL_Surface* screen, arena& the_arena, shown_background& shown, const SDL_Rect& window,
                int view_h);

namespace hi_scores {
void load_scores(std::vector<int>& score, std::vector<std::string>& people);
std::vector<int>& scores();
std::vector<std::string>& people();
void save_scores();
void draw(SDL_Surface* screen);
void new_score(SDL_Surface* screen, int s);
void animate(SDL_Surface* screen);

// Forgets the table read from the file and the live table, so that the
// next use reads the file again as at program start.
void forget_loaded_table();

// A rocket of the fireworks and one spark of its burst.
struct firework {
    float x, y;
    float dx, dy;
};

struct fader {
    float x, y;
    float dx, dy;
    int r, g, b;
    float life;
};

// The steps of one fireworks frame.
// Draws the launch chance and, below 0.12, launches one rocket from the
// bottom edge (three more draws); true when it launched.
bool launch_step(std::list<firework>& fireworks, int width, int height);
// One frame of a rocket's flight; true when it bursts now.
bool rocket_step(firework& f);
// Appends the burst's 200 sparks at the rocket's place.
void burst(const firework& f, std::list<fader>& faders);
// One frame of a spark; false when its life has run out.
bool spark_step(fader& f);
// Black screen, rockets, sparks, then the table on top; one full refresh.
void draw_frame(SDL_Surface* screen, SDL_Surface* fw_pic, const std::list<firework>& fireworks,
                const std::list<fader>& faders);
}

#endif
