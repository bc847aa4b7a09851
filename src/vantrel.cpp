// Vantrel's entry point and game shell: the command line, start-up and
// shut-down, the title screen, level descriptions, screenshots and the
// hi-score table.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include <SDL.h>

#include "debug.h"
#include "dirs.h"
#include "etc.h"
#include "game.h"
#include "loadimag.h"
#include "sound.h"
#include "text.h"

namespace flags {
bool fullscreen = true;
int width = 640;
int height = 480;
}

namespace {
const char* const this_file = "vantrel";

// Thrown after an SDL start-up failure has been reported on standard error.
class up {};

const char* const help_text =
    "\n"
    "It's a game, you know how to play games, don't you?\n"
    "\n"
    "Optional arguments:\n"
    "--fullscreen: run in fullscreen mode\n"
    "--window: run in window\n"
    "-r(number)x(number) Run in specified resolution.  \n"
    "    e.g. -r800x600.  Default is -r640x480.\n"
    "--show-dirs: show directories where vantrel looks for stuff\n"
    "--help: show this text which you are reading right now\n";

bool has_arg(int argc, char** argv, const std::string& wanted)
{
    for (int i = 0; i < argc; ++i) {
        if (wanted == argv[i])
            return true;
    }
    return false;
}

// A decimal int as a stream reads it: leading white space, a sign, digits;
// the rest is ignored. Empty text, no number or overflow fail.
bool read_int(const std::string& s, int& value)
{
    std::istringstream in(s);
    in >> value;
    return !in.fail();
}

// "-r<width>x<height>" anywhere in arg: its first '-' directly followed by
// its first 'r', with an 'x' somewhere after.
void try_resolution(const std::string& arg)
{
    std::string::size_type dash = arg.find('-');
    std::string::size_type r = arg.find('r');
    std::string::size_type x = arg.find('x');
    if (x == std::string::npos || r == std::string::npos || r >= x || dash == std::string::npos ||
        r != dash + 1)
        return;
    int w = 0;
    int h = 0;
    if (!read_int(arg.substr(r + 1, x - r - 1), w) || !read_int(arg.substr(x + 1), h))
        return;
    std::cout << "Resolution: " << w << "x" << h << std::endl;
    if (w > 299 && h > 199) {
        flags::width = w;
        flags::height = h;
    } else {
        std::cout << w << "x" << h << "??  You've got to be kidding." << std::endl;
    }
}

// Waits for the next key press; every other event is dropped.
SDLKey wait_for_key()
{
    SDL_Event event;
    for (;;) {
        if (SDL_WaitEvent(&event) && event.type == SDL_KEYDOWN)
            return event.key.keysym.sym;
    }
}
}

bool process_args(int argc, char** argv)
{
    if (has_arg(argc, argv, "--help")) {
        std::cout << help_text << std::endl;
        return true;
    }
    if (has_arg(argc, argv, "--show-dirs")) {
        std::cout << "Image directory: " << dirs::image_dir << "\n"
                  << "Sound directory: " << dirs::sound_dir << "\n"
                  << "Level file: " << dirs::level_file << "\n"
                  << "Hi Score file: " << dirs::hiscore_file << "\n"
                  << std::endl;
        return true;
    }
    if (has_arg(argc, argv, "--window"))
        flags::fullscreen = false;
    if (has_arg(argc, argv, "--fullscreen"))
        flags::fullscreen = true;
    for (int i = 0; i < argc; ++i)
        try_resolution(argv[i]);
    return false;
}

bool do_title_screen(SDL_Surface* screen)
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    SDL_Surface* title = load_image("title.png");
    int x = screen->w - title->w > 1 ? (screen->w - title->w) / 2 : 0;
    int y = screen->h - title->h > 1 ? (screen->h - title->h) / 2 : 0;
    SDL_Rect where = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(title, nullptr, screen, &where);
    SDL_FreeSurface(title);
    SDL_UpdateRect(screen, 0, 0, 0, 0);
    Uint32 white = SDL_MapRGBA(screen->format, 255, 255, 255, 255);
    text::draw("Press (almost) any key to start", screen, x + 300, y + 300, white);
    text::draw("Or escape to quit", screen, x + 300, y + 315, white);
    return wait_for_key() == SDLK_ESCAPE;
}

void show_description(SDL_Surface* screen, const std::string& description)
{
    const int left = 20;
    const int top = 20;
    const int gap = 15;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    Uint32 white = SDL_MapRGBA(screen->format, 255, 255, 255, 255);
    std::string::size_type start = 0;
    int i = 0;
    // Text after the last line feed is not shown.
    for (std::string::size_type nl = description.find('\n'); nl != std::string::npos;
         nl = description.find('\n', start)) {
        text::draw(description.substr(start, nl - start), screen, left, top + gap * i, white);
        SDL_Delay(50);
        start = nl + 1;
        ++i;
    }
    text::draw("Press any key", screen, 20, 420, white);
    wait_for_key();
    // Keys pressed or released meanwhile must not act in play.
    if (game::the_game)
        game::the_game->m_key_flags = {false, false, false, false, false};
}

void do_printscreen(SDL_Surface* screen)
{
    static int n = 0;
    std::string name = "VantrelScreenShot" + int2str(n++) + ".bmp";
    SDL_RWops* out = SDL_RWFromFile(name.c_str(), "wb");
    if (out)
        SDL_SaveBMP_RW(screen, out, 1);
}

int SDL_main(int argc, char** argv)
{
    if (process_args(argc, argv))
        return 0;
    try {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0) {
            fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
            throw up();
        }
        do_later quit_sdl(SDL_Quit);
        Uint32 video_flags = SDL_HWSURFACE | (flags::fullscreen ? SDL_FULLSCREEN : 0);
        SDL_Surface* screen = SDL_SetVideoMode(flags::width, flags::height, 32, video_flags);
        if (!screen) {
            fprintf(stderr, "Couldn't set video mode: %s\n", SDL_GetError());
            throw up();
        }
        SDL_WM_SetCaption("Vantrel", "Vantrel");
        text::init();
        do_later quit_text(text::exit);
        try {
            sound::init();
        } catch (...) {
            dbg_log(this_file, __LINE__, "Sound initialisation failed!  Will run silently");
        }
        do_later quit_sound(sound::kill);
        SDL_ShowCursor(SDL_DISABLE);
        // Until the play loop is in, any key but Escape shows the title again.
        while (!do_title_screen(screen)) {
        }
    } catch (...) {
    }
    return 0;
}

#ifndef VANTREL_NO_MAIN
int main(int argc, char** argv) { return SDL_main(argc, argv); }
#endif
