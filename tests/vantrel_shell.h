// What the tests and the frame benchmark call of the game shell, whose
// module has no header of its own (it holds the program's entry point).
#ifndef VANTREL_TESTS_VANTREL_SHELL_H
#define VANTREL_TESTS_VANTREL_SHELL_H

#include <list>
#include <string>
#include <vector>

#include <SDL.h>

#include "etc.h"

class arena;

namespace flags {
extern bool fullscreen;
extern int width;
extern int height;
}

int SDL_main(int argc, char** argv);
// What SIGTERM and SIGINT run while the game is up.
extern "C" void on_stop_signal(int);
bool process_args(int argc, char** argv);
bool do_title_screen(SDL_Surface* screen);
void show_description(SDL_Surface* screen, const std::string& description);
void do_printscreen(SDL_Surface* screen);
void play_game(SDL_Surface* screen);
// The view of the map on the screen, and one frame's drawing into it.
SDL_Rect fit_view(int screen_w, int view_h, int aw, int ah);
// The view's copy of the arena's background; must match src/vantrel.cpp.
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
void draw_arena(SDL_Surface* screen, arena& the_arena, shown_background& shown, const SDL_Rect& window,
                int view_h);
void update_player_status(SDL_Surface* screen);

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

// The steps of one fireworks frame. The records must match those of
// src/vantrel.cpp field for field.
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
