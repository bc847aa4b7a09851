// Shared test fixtures: a fresh working directory laid out like the run
// folder, with SDL's dummy drivers up for surfaces and events.
#ifndef VANTREL_TEST_SUPPORT_H
#define VANTREL_TEST_SUPPORT_H

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "sound.h"
#include "vantrel_private.h"

struct surface_deleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
typedef std::unique_ptr<SDL_Surface, surface_deleter> surface_ptr;

// Each test runs in its own empty directory holding images/, sounds/,
// levels/ and save/; SDL video (dummy driver) is initialised around it,
// and no stop is asked for.
class run_dir_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file inside the test's directory.
    std::string path(const std::string& relative) const;
    void write_file(const std::string& relative, const std::string& contents) const;
    std::string read_file(const std::string& relative) const;
    bool file_exists(const std::string& relative) const;

    std::string m_dir;

private:
    std::string m_old_cwd;
};

// RGBA of a 32-bit pixel of a surface in the game's format.
struct rgba {
    int r, g, b, a;
    bool operator==(const rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
rgba pixel_rgba(SDL_Surface* s, int x, int y);
std::ostream& operator<<(std::ostream& out, const rgba& c);

// Pushes a key-down event with the given symbol and Unicode value onto
// SDL's queue; push_key adds its key-up after it.
void push_key_down(SDLKey sym, Uint16 unicode = 0);
void push_key(SDLKey sym, Uint16 unicode = 0);

// Presses the keys (Return with its character) every period_ms from
// another thread while it lives, from after_ms on: for screens that drain
// the queue before they wait for a key, and as a rescue from a screen that
// should never have come, so that it fails a test instead of hanging it.
class key_feeder {
public:
    explicit key_feeder(int after_ms = 0, std::vector<SDLKey> keys = {SDLK_RETURN}, int period_ms = 20);
    ~key_feeder();
    key_feeder(const key_feeder&) = delete;
    key_feeder& operator=(const key_feeder&) = delete;
    // Whether it has pressed anything yet.
    bool fed() const { return m_fed; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_fed{false};
    std::thread m_thread;
};

// What a call run with standard output captured left: whether it threw,
// the message (a whinage's, or "not a whinage: " and another exception's),
// and the log it wrote. Whatever it throws is caught, so the capture ends.
struct failure {
    bool thrown;
    std::string what;
    std::string log;
};
failure run_captured(const std::function<void()>& f);

// A font picture for tests: 96 cells of cell_w x h pixels; row 0 of cell k
// holds k in binary as opaque white pixels (bit i at column i, i < 7), and
// the last column of row 1 is always white, marking a drawn glyph.
void write_test_font(const std::string& path, int cell_w = 8, int h = 12, int extra_columns = 0);
// The glyph cell drawn with its top-left corner at (x, y) on a black
// surface, or -1 where no glyph is drawn.
int glyph_at(SDL_Surface* s, int x, int y, int cell_w = 8);
// The characters drawn in the test font from (x, y) on, up to the first
// cell without a glyph, the surface's right edge or max_chars characters.
std::string text_at(SDL_Surface* s, int x, int y, size_t max_chars = std::string::npos);
// Calls fn on another thread after ms milliseconds (to feed screens that
// drain the event queue before they wait).
void after_ms(int ms, void (*fn)());

// A fake clock and pause in place of those of the play loop's and the
// shop's frames while it lives; the ones before are put back after.
class fake_pacing {
public:
    fake_pacing(Uint32 (*ticks)(), void (*delay)(Uint32 ms));
    ~fake_pacing();
    fake_pacing(const fake_pacing&) = delete;
    fake_pacing& operator=(const fake_pacing&) = delete;

private:
    Uint32 (*m_old_ticks)();
    void (*m_old_delay)(Uint32 ms);
};

// The script of a run under a fake pause: each pause ends a frame.
struct frame_script {
    Uint32 now = 5000;
    // Frames finished in the current game.
    int frames = 0;
    // Runs at the end of frame n (1 = the game's first), after the screen
    // update: it may look at the screen and the game and push the events
    // that the next frame reads.
    std::function<void(int n)> after_frame;
    // Pushed after the frame, for the screens that follow the game: the
    // name entry, the fireworks and the title.
    std::vector<SDLKey> end_keys;

    // The end of a frame that pauses ms: the clock moves on, after_frame
    // runs, then the end keys are pressed (Return with its character).
    void end_frame(Uint32 ms);
};

// The shell's options as at a start with none given while it lives; the
// ones before are put back after. Inline: the fuzz targets share this
// support without the shell.
class default_flags {
public:
    default_flags() : m_fullscreen(flags::fullscreen), m_width(flags::width), m_height(flags::height)
    {
        flags::fullscreen = true;
        flags::width = 640;
        flags::height = 480;
    }
    ~default_flags()
    {
        flags::fullscreen = m_fullscreen;
        flags::width = m_width;
        flags::height = m_height;
    }
    default_flags(const default_flags&) = delete;
    default_flags& operator=(const default_flags&) = delete;

private:
    bool m_fullscreen;
    int m_width, m_height;
};

// Turns every sound effect into a long silence, so what is played stays on
// the mixer's channels, lowest first, in the order asked for.
class sound_recorder {
public:
    struct heard {
        sound::snd_id id;
        int volume;
        bool operator==(const heard& o) const { return id == o.id && volume == o.volume; }
    };

    // Call from SetUp; false (skip the test) when no audio device opens.
    bool open();
    void close();
    // Effects in the order played since open or the last clear.
    std::vector<heard> heard_sounds() const;
    std::vector<sound::snd_id> heard_ids() const;
    void clear();

private:
    std::vector<Uint8> m_silence;
    std::map<Mix_Chunk*, sound::snd_id> m_ids;
    bool m_open = false;
};
std::ostream& operator<<(std::ostream& out, const sound_recorder::heard& h);

#endif
