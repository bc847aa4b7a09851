// Vantrel's entry point and game shell: the command line, start-up and
// shut-down, the title screen, the play loop with its status bar, level
// descriptions, screenshots and the hi-score table.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <list>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <SDL.h>

#include "arena.h"
#include "debug.h"
#include "dirs.h"
#include "etc.h"
#include "game.h"
#include "levels.h"
#include "loadimag.h"
#include "movers.h"
#include "shop.h"
#include "sound.h"
#include "text.h"
#include "vantrel_private.h"
#include "weapons.h"

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

// Milliseconds between two empty polls of a screen that waits for a key.
const Uint32 idle_pause = 10;

// The next event for a screen that waits: polled, with a short pause while
// none comes, so that a stop asked for meanwhile is noticed.
void wait_event(SDL_Event& event)
{
    for (;;) {
        leave_if_stopped();
        if (SDL_PollEvent(&event))
            return;
        SDL_Delay(idle_pause);
    }
}

// Waits for the next key press; every other event is dropped.
SDLKey wait_for_key()
{
    SDL_Event event;
    for (;;) {
        wait_event(event);
        if (event.type == SDL_KEYDOWN)
            return event.key.keysym.sym;
    }
}

typedef void (*signal_handler)(int);
const int stop_signals[] = {SIGTERM, SIGINT};
const int stop_signal_count = static_cast<int>(std::size(stop_signals));
// What the stop signals did before the game took them over (SDL's own
// handlers, which make a quit request that every screen ignores).
signal_handler replaced_handlers[stop_signal_count] = {SIG_DFL, SIG_DFL};
}

// SIGTERM and SIGINT only set the flag; the screens do the rest.
extern "C" void on_stop_signal(int) { stop_requested = 1; }

namespace {
// A stop signal that the game was started with ignored stays ignored.
void catch_stop_signals()
{
    for (int i = 0; i < stop_signal_count; ++i) {
        replaced_handlers[i] = std::signal(stop_signals[i], on_stop_signal);
        if (replaced_handlers[i] == SIG_IGN)
            std::signal(stop_signals[i], SIG_IGN);
    }
}

void release_stop_signals()
{
    for (int i = 0; i < stop_signal_count; ++i) {
        if (replaced_handlers[i] != SIG_ERR)
            std::signal(stop_signals[i], replaced_handlers[i]);
    }
}

// With no display at all SDL falls back to a video driver that shows
// nothing; the game would wait on a screen nobody sees. A driver the user
// asked for is taken as meant (the tests ask for "dummy").
bool shows_nothing(std::string& driver)
{
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked && *asked)
        return false;
    char name[64];
    if (!SDL_VideoDriverName(name, sizeof name))
        return false;
    driver = name;
    return driver == "offscreen" || driver == "dummy";
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
        leave_if_stopped();
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

// The hi-score table: ten names and scores kept for the whole run, read
// once from save/scores and rewritten after each new entry; the name entry
// and the fireworks shown behind the table at the end of every game.
namespace hi_scores {
const int num = 10;
const int start_scores[num] = {500000, 300000, 200000, 100000, 50000,
                               20000,  10000,  5000,   2000,   1};
const char* const start_people[num] = {"Zorp", "Zorp", "Zorp", "Zorp", "Zorp",
                                       "Zorp", "Zorp", "Dunx", "Dunx", "Dunx"};
const int title_top = 20;
const int top = 50;
const int gap = 20;
const int people_left_off = -120;
const int score_left_off = 80;
const char* const title = "Top Vantrels";

// The fireworks: speeds in pixels per second, motion stepped as if at
// framesps frames per second.
const float fw_speed = 400;
const float framesps = 1000 / FRAME_MS;
const float grav = 200;
const float det_speed = 50;
const int fader_num = 200;
const int fader_speed = 100;
const float fader_time = 0.8f;
const double launch_chance = 0.12;
const double launch_spread = 0.1;
const double reference_height = 480;

namespace {
const char* const lazy_name = "Somebody very lazy";
const char* const prompt = "Enter your name";
const int prompt_top = 40;
const int backspace = 8;
const int del = 127;
// Where a table file that could not be read is kept before the first save
// replaces it.
const std::string bad_file = dirs::hiscore_file + ".bad";

// Bumped by forget_loaded_table: a cache filled in an earlier generation
// counts as never filled.
int table_generation = 0;

// Set when the file was there but could not be read: its bytes are kept in
// bad_file before a save replaces it, so the player's table is never lost.
bool keep_refused_file = false;

// True once per generation for the cache whose stamp is filled_in.
bool first_use(int& filled_in)
{
    if (filled_in == table_generation)
        return false;
    filled_in = table_generation;
    return true;
}

// One line of the file: the name before its last space, the score after.
bool parse_line(const std::string& line, std::string& name, int& score)
{
    std::string::size_type space = line.rfind(' ');
    if (space == std::string::npos)
        return false;
    name = line.substr(0, space);
    return read_int(line.substr(space + 1), score);
}

// Exactly num good lines before the first empty line or the end of the file.
bool read_file(std::vector<int>& score, std::vector<std::string>& people)
{
    std::ifstream in(dirs::hiscore_file.c_str());
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line) && !line.empty()) {
        std::string name;
        int value = 0;
        // More than num lines fail anyway: a huge file is not read to its end.
        if (!parse_line(line, name, value) || score.size() == static_cast<std::size_t>(num))
            return false;
        score.push_back(value);
        people.push_back(name);
    }
    return score.size() == static_cast<std::size_t>(num) && people.size() == score.size();
}

// The table through a file beside the old one, renamed over it only once
// it is complete, so a failure part way leaves the old table whole.
bool write_file()
{
    const std::string temp = dirs::hiscore_file + ".new";
    std::size_t count = std::min(scores().size(), people().size());
    std::ofstream out(temp.c_str());
    if (!out)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        out << people()[i] << " " << int2str(scores()[i]) << std::endl;
    out.close();
    std::error_code ec;
    if (!out.fail())
        std::filesystem::rename(temp, dirs::hiscore_file, ec);
    if (out.fail() || ec) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

int name_x(SDL_Surface* screen) { return screen->w / 2 + people_left_off; }
int row_y(int row) { return top + gap * row; }

// Whether name holds bytes that a save would replace: a folder in its
// place holds none (and is not replaced either).
bool has_bytes(const std::string& name)
{
    std::error_code ec;
    std::filesystem::file_status st = std::filesystem::status(name, ec);
    return std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

// Copies the refused file to bad_file, replacing an older copy; true when
// it is kept or no longer there. Told on standard output either way.
bool keep_refused()
{
    if (!has_bytes(dirs::hiscore_file))
        return true;
    std::error_code ec;
    std::filesystem::copy_file(dirs::hiscore_file, bad_file,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        std::cout << "Failed to keep the old " << dirs::hiscore_file << " as " << bad_file << " ."
                  << std::endl;
        return false;
    }
    std::cout << "Kept the old " << dirs::hiscore_file << " as " << bad_file << " ." << std::endl;
    return true;
}

// Unicode stays on only while a name is typed, on every way out.
struct unicode_on {
    unicode_on() { SDL_EnableUNICODE(1); }
    ~unicode_on() { SDL_EnableUNICODE(0); }
    unicode_on(const unicode_on&) = delete;
    unicode_on& operator=(const unicode_on&) = delete;
};

// Types the name of the new entry at row pos until Return.
void enter_name(SDL_Surface* screen, std::string& name, int pos)
{
    Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
    unicode_on unicode;
    SDL_Event event;
    for (;;) {
        wait_event(event);
        if (event.type != SDL_KEYDOWN)
            continue;
        // The whole Unicode value: a character above 255 must not pass as
        // its low byte.
        int c = event.key.keysym.unicode;
        // Delete comes with no character here, so its key counts as well.
        SDLKey sym = event.key.keysym.sym;
        bool erase = c == backspace || c == del || sym == SDLK_BACKSPACE || sym == SDLK_DELETE;
        if (erase && !name.empty()) {
            // The fill clips at the screen's edge anyway; this keeps it in 16 bits.
            int w = std::min(text::width(name), static_cast<int>(screen->w));
            SDL_Rect old = {static_cast<Sint16>(name_x(screen)), static_cast<Sint16>(row_y(pos)),
                            static_cast<Uint16>(w), static_cast<Uint16>(gap)};
            SDL_FillRect(screen, &old, black);
            SDL_UpdateRect(screen, old.x, old.y, old.w, old.h);
            name.erase(name.size() - 1);
            sound::play(sound::CLANG);
        } else if (!erase && c >= ' ' && c <= '~') {
            // Delete never adds a character, not even on an empty name.
            name += static_cast<char>(c);
            sound::play(sound::PFFT);
        }
        text::draw(name, screen, name_x(screen), row_y(pos), white);
        if (sym == SDLK_RETURN)
            return;
    }
}

// Frees the rockets' picture on every way out of the display.
struct surface_free {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
}

void forget_loaded_table() { ++table_generation; }

void load_scores(std::vector<int>& score, std::vector<std::string>& people)
{
    static std::vector<int> i_scores;
    static std::vector<std::string> i_people;
    static int first = -1;  // the generation read in; -1: not read yet
    if (first_use(first)) {
        i_scores.clear();
        i_people.clear();
        keep_refused_file = false;
        if (!read_file(i_scores, i_people)) {
            keep_refused_file = has_bytes(dirs::hiscore_file);
            std::cout << "Failed to load scores from " << dirs::hiscore_file
                      << " .  Creating default scores." << std::endl;
            i_scores.assign(start_scores, start_scores + num);
            i_people.assign(start_people, start_people + num);
        }
    }
    score = i_scores;
    people = i_people;
}

std::vector<int>& scores()
{
    static std::vector<int> list;
    static int first = -1;
    if (first_use(first)) {
        std::vector<std::string> unused;
        load_scores(list, unused);
    }
    return list;
}

std::vector<std::string>& people()
{
    static std::vector<std::string> list;
    static int first = -1;
    if (first_use(first)) {
        std::vector<int> unused;
        load_scores(unused, list);
    }
    return list;
}

void save_scores()
{
    // The table is read, or refused, before anything replaces the file.
    scores();
    people();
    // Without its copy the refused file is not replaced.
    if (keep_refused_file && keep_refused())
        keep_refused_file = false;
    if (keep_refused_file || !write_file())
        std::cout << "Failed to write hi-scores to " << dirs::hiscore_file << " ." << std::endl;
}

void draw(SDL_Surface* screen)
{
    Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
    int mid = screen->w / 2;
    text::draw(title, screen, (screen->w - text::width(title)) / 2, title_top, white);
    for (int i = 0; i < num; ++i) {
        text::draw(people()[i], screen, mid + people_left_off, row_y(i), white);
        text::draw(int2str(scores()[i]), screen, mid + score_left_off, row_y(i), white);
    }
}

void new_score(SDL_Surface* screen, int s)
{
    Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
    // Strict: a score equal to the tenth does not enter the table.
    if (scores()[num - 1] >= s) {
        animate(screen);
        return;
    }
    int pos = 0;
    while (scores()[pos] >= s)
        ++pos;  // below every entry with the same score
    scores().insert(scores().begin() + pos, s);
    people().insert(people().begin() + pos, std::string());
    scores().pop_back();
    people().pop_back();

    SDL_FillRect(screen, nullptr, black);
    draw(screen);
    SDL_UpdateRect(screen, 0, 0, 0, 0);
    text::draw(prompt, screen, (screen->w - text::width(prompt)) / 2, prompt_top, white);
    std::string& name = people()[pos];
    enter_name(screen, name, pos);
    if (name.empty())
        name = lazy_name;
    sound::play(sound::BOOM);
    save_scores();
    animate(screen);
}

bool launch_step(std::list<firework>& fireworks, int width, int height)
{
    if (randu() >= launch_chance)  // compared as double
        return false;
    firework f;
    float theta = static_cast<float>((2 * randu() - 1) * launch_spread);
    f.x = static_cast<float>(randint(width));
    f.y = static_cast<float>(height);
    f.dx = static_cast<float>(fw_speed * std::sin(static_cast<double>(theta)));
    // Launch speed grows with the root of the height, so bursts keep their
    // place relative to the screen.
    double speed = -fw_speed * std::sqrt(height / reference_height);
    f.dy = static_cast<float>(std::cos(static_cast<double>(theta)) * speed * (0.8 + 0.2 * randu()));
    fireworks.push_back(f);
    sound::play(sound::PFFT, 0.3f);
    return true;
}

bool rocket_step(firework& f)
{
    // float on purpose: the motion is stepped in single precision
    f.x += f.dx / framesps;
    f.y += f.dy / framesps;
    f.dy += grav / framesps;
    return f.dy >= det_speed;
}

void burst(const firework& f, std::list<fader>& faders)
{
    for (int i = 0; i < fader_num; ++i) {
        // A direction even over a sphere, of which the screen keeps two
        // components: the burst is a disc densest near its rim.
        float z = 2 * randu() - 1;
        double s = std::sqrt(1.0 - static_cast<double>(z) * z);
        float phi = static_cast<float>(2 * randu() * pi);
        fader spark;
        spark.x = f.x;
        spark.y = f.y;
        spark.dx = static_cast<float>(fader_speed * s * std::sin(static_cast<double>(phi)));
        spark.dy = static_cast<float>(fader_speed * s * std::cos(static_cast<double>(phi)));
        // One draw each, red then green then blue.
        spark.r = 128 + randint(128);
        spark.g = 128 + randint(128);
        spark.b = 128 + randint(128);
        spark.life = fader_time;
        faders.push_back(spark);
    }
    sound::play(sound::POP, 0.5f);
}

bool spark_step(fader& f)
{
    f.x += f.dx / framesps;
    f.y += f.dy / framesps;
    // double on purpose: 0.8 - 20 steps lands just below 0, so a spark shows 19 frames
    f.life = static_cast<float>(f.life - FRAME_SECONDS);
    return f.life >= 0;
}

void draw_frame(SDL_Surface* screen, SDL_Surface* fw_pic, const std::list<firework>& fireworks,
                const std::list<fader>& faders)
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    for (const firework& f : fireworks) {
        SDL_Rect at = {static_cast<Sint16>(static_cast<int>(f.x)),
                       static_cast<Sint16>(static_cast<int>(f.y)), 0, 0};
        SDL_UpperBlit(fw_pic, nullptr, screen, &at);
    }
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    for (const fader& f : faders) {
        int x = static_cast<int>(f.x);
        int y = static_cast<int>(f.y);
        if (x < 0 || x >= screen->w || y < 0 || y >= screen->h)
            continue;
        float k = minmax(0.0f, f.life / fader_time, 1.0f);
        putpixel(screen, x, y,
                 SDL_MapRGBA(screen->format, static_cast<Uint8>(static_cast<int>(f.r * k)),
                             static_cast<Uint8>(static_cast<int>(f.g * k)),
                             static_cast<Uint8>(static_cast<int>(f.b * k)), 255));
    }
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    draw(screen);
    SDL_UpdateRect(screen, 0, 0, 0, 0);
}

void animate(SDL_Surface* screen)
{
    std::unique_ptr<SDL_Surface, surface_free> fw_pic(create_surface(2, 2, alpha_channel));
    if (!fw_pic)
        return;
    SDL_FillRect(fw_pic.get(), nullptr, SDL_MapRGB(fw_pic->format, 255, 255, 255));
    std::list<firework> fireworks;
    std::list<fader> faders;
    SDL_Event event;
    for (;;) {
        leave_if_stopped();
        // At most one event a frame; the first key-down ends the display.
        if (SDL_PollEvent(&event) && event.type == SDL_KEYDOWN)
            return;
        launch_step(fireworks, screen->w, screen->h);
        for (auto f = fireworks.begin(); f != fireworks.end();) {
            if (rocket_step(*f)) {
                burst(*f, faders);
                f = fireworks.erase(f);
            } else {
                ++f;
            }
        }
        for (auto f = faders.begin(); f != faders.end();)
            f = spark_step(*f) ? std::next(f) : faders.erase(f);
        draw_frame(screen, fw_pic.get(), fireworks, faders);
        // A flat pause, not a deadline: a frame takes a little over FRAME_MS.
        SDL_Delay(FRAME_MS);
    }
}
}


// The status bar: the bottom 32 rows of the screen, redrawn whole from the
// player status. Only its texts reach the display at once. The shop draws it
// too.
void update_player_status(SDL_Surface* screen)
{
    const player_status& s = game::the_game->m_player_status;
    const int w = screen->w, h = screen->h;
    const int top = h - 32;
    const int bars_left = w / 2 - 70;
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    const Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
    auto fill = [&](int x, int y, int rw, int rh, Uint32 colour) {
        SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(rw),
                      static_cast<Uint16>(rh)};
        SDL_FillRect(screen, &r, colour);
    };
    // Green when full, red when empty, olive between.
    auto bar = [&](int y, float fraction) {
        int red = static_cast<int>((1.0 - fraction) * 255.0);
        int green = static_cast<int>(255.0f * fraction);
        fill(bars_left, y, 202, 12, white);
        fill(bars_left + 1, y + 1, 200, 10, black);
        fill(bars_left + 1, y + 1, static_cast<int>(200.0f * fraction), 10,
             SDL_MapRGB(screen->format, static_cast<Uint8>(red), static_cast<Uint8>(green), 0));
    };

    fill(0, top, w, 32, black);
    fill(0, top, w, 1, white);
    text::draw("Lives: " + int2str(s.lives), screen, 20, h - 27, white);
    text::draw("Score: " + int2str(s.score), screen, 20, h - 12, white);

    text::draw("Shield:", screen, w / 2 - 130, h - 29, white);
    bar(top + 3, static_cast<float>(minmax(0, s.shield, MAX_SHIELD) / 10.0));
    if (s.invulnerability > 0) {
        float part = std::min(s.invulnerability, MAX_INVULNERABILITY) / MAX_INVULNERABILITY;
        fill(bars_left, top + 3, static_cast<int>(part * 202.0f), 12, white);
    }

    text::draw("Energy:", screen, w / 2 - 130, h - 14, white);
    float energy = std::min(s.energy, s.max_energy);
    if (!(energy > 0))
        energy = 0;
    // No capacity at all shows an empty bar rather than dividing by zero.
    bar(top + 18, s.max_energy > 0 ? energy / s.max_energy : 0.0f);
    text::draw("/" + int2str(static_cast<int>(s.max_energy + 0.5)), screen, w / 2 + 137, h - 14, white);
    text::draw("Money: " + int2str(s.money), screen, w - 110, h - 27, white);
}

// Where the map shows on the screen: centred when smaller than the view,
// filling it (and scrolling) when larger.
SDL_Rect fit_view(int screen_w, int view_h, int aw, int ah)
{
    SDL_Rect window;
    window.x = static_cast<Sint16>(screen_w - aw > 1 ? (screen_w - aw) / 2 : 0);
    window.y = static_cast<Sint16>(view_h - ah > 1 ? (view_h - ah) / 2 : 0);
    window.w = static_cast<Uint16>(std::min(aw, screen_w));
    window.h = static_cast<Uint16>(std::min(ah, view_h));
    return window;
}

namespace {
void fill_black(SDL_Surface* screen, int w, int h)
{
    SDL_Rect r = {0, 0, static_cast<Uint16>(w), static_cast<Uint16>(h)};
    SDL_FillRect(screen, &r, SDL_MapRGB(screen->format, 0, 0, 0));
    SDL_UpdateRect(screen, 0, 0, w, h);
}

// The five control flags follow the keys; Escape ends the game after this
// frame; Print Screen saves the screen. A stop asked for leaves at once.
void read_keys(SDL_Surface* screen, game& g, bool& dont_stop)
{
    leave_if_stopped();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP)
            continue;
        bool down = event.type == SDL_KEYDOWN;
        switch (event.key.keysym.sym) {
        case SDLK_UP: g.m_key_flags.up = down; break;
        case SDLK_LEFT: g.m_key_flags.left = down; break;
        case SDLK_RIGHT: g.m_key_flags.right = down; break;
        case SDLK_z: g.m_key_flags.tractor = down; break;
        case SDLK_SPACE: g.m_key_flags.fire = down; break;
        case SDLK_ESCAPE:
            if (down)
                dont_stop = false;
            break;
        case SDLK_PRINT:
            if (down)
                do_printscreen(screen);
            break;
        default: break;
        }
    }
}

}

shown_background::~shown_background() { SDL_FreeSurface(m_pic); }

SDL_Surface* shown_background::get(SDL_Surface* screen, arena& the_arena)
{
    SDL_Surface* bg = the_arena.bitmap();
    std::vector<SDL_Rect> redrawn;
    bool all = the_arena.take_redrawn(redrawn);
    if (!bg)
        return nullptr;
    if (!m_pic || m_pic->w != bg->w || m_pic->h != bg->h) {
        SDL_FreeSurface(m_pic);
        const SDL_PixelFormat* f = screen->format;
        m_pic = SDL_CreateRGBSurface(SDL_SWSURFACE, bg->w, bg->h, 32, f->Rmask, f->Gmask, f->Bmask, 0);
        all = true;
    }
    if (!m_pic)
        return nullptr;
    if (all) {
        redrawn.clear();
        redrawn.push_back({0, 0, static_cast<Uint16>(bg->w), static_cast<Uint16>(bg->h)});
    }
    // The same blend the view would make, done once per change.
    const Uint32 view_colour = SDL_MapRGBA(m_pic->format, 0, 0, 32, 255);
    for (SDL_Rect r : redrawn) {
        SDL_Rect fill = r, from = r, to = r;
        SDL_FillRect(m_pic, &fill, view_colour);
        SDL_BlitSurface(bg, &from, m_pic, &to);
    }
    return m_pic;
}

void draw_arena(SDL_Surface* screen, arena& the_arena, shown_background& shown, const SDL_Rect& window,
                int view_h)
{
    const int aw = the_arena.width() * TILE_SIZE, ah = the_arena.height() * TILE_SIZE;
    SDL_Rect src;
    src.x = static_cast<Sint16>(std::max(0, std::min(the_arena.get_player_x() - screen->w / 2, aw - screen->w)));
    src.y = static_cast<Sint16>(std::max(0, std::min(the_arena.get_player_y() - view_h / 2, ah - view_h)));
    src.w = window.w;
    src.h = window.h;
    SDL_Rect to = window;
    // The view's dark blue under the map, already composed in.
    if (SDL_Surface* bg = shown.get(screen, the_arena)) {
        SDL_BlitSurface(bg, &src, screen, &to);
    } else {
        SDL_Rect view = window;
        SDL_FillRect(screen, &view, SDL_MapRGBA(screen->format, 0, 0, 32, 255));
    }

    for (int i = 0; i < the_arena.num_movers(); ++i) {
        mover* m = the_arena.get_mover(i);
        if (!m) {
            dbg_log(this_file, __LINE__, "corrupt arena");
            continue;
        }
        SDL_Surface* p = m->pic();
        if (!p) {
            dbg_log(this_file, __LINE__, "Mover has no picture!");
            continue;
        }
        int sx = static_cast<int>(m->m_x) + window.x - src.x;
        int sy = static_cast<int>(m->m_y) + window.y - src.y;
        int left = std::max(0, window.x - sx);
        int top = std::max(0, window.y - sy);
        int right = std::max(0, sx + p->w - (window.x + window.w));
        int bottom = std::max(0, sy + p->h - (window.y + window.h));
        if (p->w <= left + right || p->h <= top + bottom)
            continue;
        SDL_Rect part = {static_cast<Sint16>(left), static_cast<Sint16>(top),
                         static_cast<Uint16>(p->w - left - right), static_cast<Uint16>(p->h - top - bottom)};
        SDL_Rect at = {static_cast<Sint16>(sx + left), static_cast<Sint16>(sy + top), 0, 0};
        SDL_BlitSurface(p, &part, screen, &at);
    }
}

namespace {
// A new game's status and fitting.
void start_values(game& g)
{
    player_status& s = g.m_player_status;
    s.score = 0;
    s.money = 0;
    s.shield = MAX_SHIELD;
    s.lives = 3;
    s.in_shop = false;
    s.max_energy = s.energy = calc_ship_battery();
    s.invulnerability = 0;
    g.m_weapon_mounts.assign(mounts, mounts + mount_count);
    g.m_engine = ET_PIFFLER;
    g.m_systems.assign(system_slots, ST_EMPTY);
}
}

void play_game(SDL_Surface* screen)
{
    fill_black(screen, screen->w, screen->h);
    const int screen_w = screen->w, screen_h = screen->h;
    const int view_h = screen_h - 32;

    game g;
    game::the_game = &g;
    arena the_arena;
    g.m_arena = &the_arena;
    shown_background shown;
    start_values(g);
    level_loader levels(dirs::level_file);

    // The first frame always draws the bar: no score is ever -1.
    player_status old_player_status = {-1, 0, 0, 0, false, 0.0f, 0.0f, 0.0f};
    bool dont_stop = true;

    // No life left ends the game also when the last one was lost in the
    // frame that completed the level, whose countdown still runs.
    while (dont_stop && !the_arena.player_is_dead() && g.m_player_status.lives > 0) {
        std::string description;
        bool loaded = false;
        if (!levels.end_of_file())
            loaded = levels.next_level(the_arena, description);
        if (!description.empty())
            show_description(screen, description);

        const int aw = the_arena.width() * TILE_SIZE, ah = the_arena.height() * TILE_SIZE;
        const SDL_Rect window = fit_view(screen_w, view_h, aw, ah);
        fill_black(screen, screen_w, view_h);
        if (!loaded)
            dont_stop = false;

        while (!the_arena.level_complete() && !the_arena.player_is_dead() && dont_stop) {
            player_status& status = g.m_player_status;
            if (status.in_shop) {
                SDL_Rect r = {0, 0, static_cast<Uint16>(screen->w), static_cast<Uint16>(view_h)};
                shop(screen, &r);
            }
            Uint32 old_time = pacing::ticks();
            read_keys(screen, g, dont_stop);

            step_frame(g);
            draw_arena(screen, the_arena, shown, window, view_h);
            if (!(status == old_player_status)) {
                update_player_status(screen);
                old_player_status = status;
            }
            SDL_UpdateRect(screen, 0, 0, 0, 0);
            pacing::rest_of_frame(old_time);
        }

        if (the_arena.level_complete()) {
            SDL_Rect view = {0, 0, static_cast<Uint16>(screen_w), static_cast<Uint16>(view_h)};
            fade_out(screen, view);
            g.m_player_status.shield = MAX_SHIELD;
        }
    }
    hi_scores::new_score(screen, g.m_player_status.score);
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
        std::string driver;
        if (shows_nothing(driver)) {
            fprintf(stderr, "Couldn't initialize SDL: %s\n",
                    ("no display found (SDL fell back to the video driver " + driver +
                     ", which shows nothing)").c_str());
            throw up();
        }
        catch_stop_signals();
        do_later release_signals(release_stop_signals);
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
        while (!do_title_screen(screen))
            play_game(screen);
    } catch (...) {
    }
    return 0;
}

#ifndef VANTREL_NO_MAIN
int main(int argc, char** argv) { return SDL_main(argc, argv); }
#endif
