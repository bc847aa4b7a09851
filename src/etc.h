// The toolbox every module uses: raw pixel access, the game's standard
// 32-bit surfaces, rotation, the level-end fade, random numbers, int2str,
// the constants the whole game shares, the shot-effect function types and
// the comma-list builder make<T>(), and the stop request of SIGTERM and
// SIGINT.
#ifndef VANTREL_ETC_H
#define VANTREL_ETC_H

#include <csignal>
#include <cstdlib>
#include <string>

#include <SDL.h>

const double pi = 3.141592653589793;
const int TILE_SIZE = 32;
const float d_angle = 0.1f;
const int ship_empty_mass = 8;
const float ship_base_battery = 10.0f;
const float ship_base_generate = 0.05f;
const int system_slots = 20;
const float MAX_INVULNERABILITY = 5.0f;
const int ball_mass = 15;
const float tractor_force = 1875.0f;
const float tractor_elastic = 128.0f;
const float default_gravity = 43.75f;
const float default_air_resistance = 1.0f;
const int MAX_SHIELD = 10;

enum alphanity { alpha_channel = 0, no_alpha_channel = 1 };

class mover;

// What a shot does when it touches something (victim null for a wall) and
// when its life runs out; each weapon of the catalogue names one of each.
typedef void detonation_fn_t(mover* m, mover* victim, float time);
typedef void expiration_fn_t(mover* m);

// Raw pixel access: no locking and no bounds check; callers lock once
// around their whole loop and stay inside the surface.
Uint32 getpixel(SDL_Surface* surface, int x, int y);
void putpixel(SDL_Surface* surface, int x, int y, Uint32 pixel);

float dist(float x, float y);

// A new all-transparent surface in the game's format (R, G, B, A from the
// low byte up); the caller frees it.
SDL_Surface* create_surface(int w, int h, alphanity al);

// Draws from into to, turned by angle radians (clockwise on screen) about
// both centres; pixels whose source lies outside from are left alone.
void rotate(SDL_Surface* from, SDL_Surface* to, double angle);

// The game's random numbers run from 0 to 32767 on every platform, as its
// arithmetic assumes (glibc's rand() alone would reach 2^31 - 1).
inline int rand15() { return rand() % 32768; }
inline float randu() { return static_cast<float>(rand15() / 32767.0); }
int randint(int i);
float randn();

// Fades rect of the screen to black in 30 steps of 30 ms.
void fade_out(SDL_Surface* screen, SDL_Rect rect);

std::string int2str(int i);

// A frame lasts 40 ms, 25 frames a second: the world steps by
// FRAME_SECONDS (FRAME_STEP where the arena takes a float) and the screens
// are paced to FRAME_MS.
constexpr double FRAME_SECONDS = 0.04;
constexpr float FRAME_STEP = static_cast<float>(FRAME_SECONDS);
constexpr Uint32 FRAME_MS = 40;

// The clock and the pause of the play loop's and the shop's frames; tests
// put their own in to run frames without waiting.
namespace pacing {
extern Uint32 (*ticks)();
extern void (*delay)(Uint32 ms);
// Waits out what is left of a frame begun at started (a ticks() reading);
// a frame that overran waits not at all.
void rest_of_frame(Uint32 started);
}

// A stop asked for by SIGTERM or SIGINT. The signal handlers only set the
// flag; every screen loop tests it and leaves by throwing stopped, which
// the catch-all of SDL_main takes, so the program shuts down as usual.
extern volatile std::sig_atomic_t stop_requested;
class stopped {};
// Throws stopped once a stop has been asked for.
void leave_if_stopped();

// Clamps mid to [min, max]; min wins when min > max.
template <typename T>
inline T minmax(T min, T mid, T max)
{
    T upper = mid < max ? mid : max;
    return min > upper ? min : upper;
}

// Runs a clean-up function when it goes out of scope.
class do_later {
public:
    explicit do_later(void (*fn)()) : m_fn(fn) {}
    ~do_later() { m_fn(); }
    do_later(const do_later&) = delete;
    do_later& operator=(const do_later&) = delete;

private:
    void (*m_fn)();
};

namespace private_ {
// Builds a container from a comma-separated list:
// (make<std::deque<int> >(), 1, 2, 3) converts to a deque holding 1, 2, 3.
template <typename T>
class nasty {
public:
    nasty& operator,(const typename T::value_type& v)
    {
        m_t.push_back(v);
        return *this;
    }
    operator T() const { return m_t; }

private:
    T m_t;
};
}

template <typename T>
private_::nasty<T> make()
{
    return private_::nasty<T>();
}

#endif
