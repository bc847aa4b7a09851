// What the tests call of the game shell, whose module has no header of its
// own (it holds the program's entry point).
#ifndef VANTREL_TESTS_VANTREL_SHELL_H
#define VANTREL_TESTS_VANTREL_SHELL_H

#include <string>
#include <vector>

#include <SDL.h>

namespace flags {
extern bool fullscreen;
extern int width;
extern int height;
}

int SDL_main(int argc, char** argv);
bool process_args(int argc, char** argv);
bool do_title_screen(SDL_Surface* screen);
void show_description(SDL_Surface* screen, const std::string& description);
void do_printscreen(SDL_Surface* screen);

namespace hi_scores {
void load_scores(std::vector<int>& score, std::vector<std::string>& people);
std::vector<int>& scores();
std::vector<std::string>& people();
void save_scores();
void draw(SDL_Surface* screen);
void new_score(SDL_Surface* screen, int s);
void animate(SDL_Surface* screen);
}

#endif
