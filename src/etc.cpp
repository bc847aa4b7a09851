// Pixel, surface, rotation, fade and random-number utilities shared by
// every module of the game, and the stop request of the signal handlers.
#include "etc.h"

#include <cmath>
#include <sstream>

namespace {
Uint8* pixel_address(SDL_Surface* surface, int x, int y)
{
    int bpp = surface->format->BytesPerPixel;
    return static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * bpp;
}
}

Uint32 getpixel(SDL_Surface* surface, int x, int y)
{
    Uint8* p = pixel_address(surface, x, y);
    switch (surface->format->BytesPerPixel) {
    case 1:
        return *p;
    case 2:
        return *reinterpret_cast<Uint16*>(p);
    case 3:
        // Always this byte order, whatever the machine's.
        return p[0] | p[1] << 8 | p[2] << 16;
    case 4:
        return *reinterpret_cast<Uint32*>(p);
    default:
        return 0;
    }
}

void putpixel(SDL_Surface* surface, int x, int y, Uint32 pixel)
{
    Uint8* p = pixel_address(surface, x, y);
    switch (surface->format->BytesPerPixel) {
    case 1:
        *p = static_cast<Uint8>(pixel);
        break;
    case 2:
        *reinterpret_cast<Uint16*>(p) = static_cast<Uint16>(pixel);
        break;
    case 3:
        // The low 16 bits as one word, then bits 16-23 into the third byte.
        *reinterpret_cast<Uint16*>(p) = static_cast<Uint16>(pixel);
        p[2] = static_cast<Uint8>(pixel >> 16);
        break;
    case 4:
        *reinterpret_cast<Uint32*>(p) = pixel;
        break;
    default:
        break;
    }
}

float dist(float x, float y) { return std::sqrt(x * x + y * y); }

SDL_Surface* create_surface(int w, int h, alphanity al)
{
    Uint32 amask = al == alpha_channel ? 0xFF000000 : 0;
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_HWSURFACE, w, h, 32, 0x000000FF, 0x0000FF00,
                                          0x00FF0000, amask);
    if (s)
        SDL_SetColorKey(s, SDL_RLEACCEL, 0);  // no SDL_SRCCOLORKEY: no colour key
    return s;
}

void rotate(SDL_Surface* from, SDL_Surface* to, double angle)
{
    SDL_LockSurface(from);
    SDL_LockSurface(to);
    double s = std::sin(angle);
    double c = std::cos(angle);
    for (int x = 0; x < to->w; ++x) {
        for (int y = 0; y < to->h; ++y) {
            double xc = x - to->w / 2.0 + 0.5;
            double yc = y - to->h / 2.0 + 0.5;
            // float on purpose: the source point is rounded to single precision before the floor
            float fx = static_cast<float>(xc * c + yc * s + from->w / 2.0);
            float fy = static_cast<float>(-xc * s + yc * c + from->h / 2.0);
            int sx = static_cast<int>(std::floor(fx));
            int sy = static_cast<int>(std::floor(fy));
            if (sx < 0 || sx >= from->w || sy < 0 || sy >= from->h)
                continue;
            Uint8 r, g, b, a;
            SDL_GetRGBA(getpixel(from, sx, sy), from->format, &r, &g, &b, &a);
            putpixel(to, x, y, SDL_MapRGBA(to->format, r, g, b, a));
        }
    }
    SDL_UnlockSurface(to);
    SDL_UnlockSurface(from);
}

int randint(int i)
{
    int k = static_cast<int>(static_cast<double>(randu()) * i);
    return minmax(0, k, i - 1);
}

float randn()
{
    int r;
    do {
        r = rand15();
    } while (r == 0);
    int u = rand15();
    return static_cast<float>(std::sqrt(2.0 * std::log(32767.0 / r)) *
                              std::cos(u * 6.283185307179586 / 32767.0));
}

void fade_out(SDL_Surface* screen, SDL_Rect rect)
{
    const int frames = 30;
    const int delay = 30;
    Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    SDL_Surface* copy = create_surface(rect.w, rect.h, no_alpha_channel);
    if (!copy)
        return;
    SDL_Rect src = rect;
    SDL_UpperBlit(screen, &src, copy, nullptr);
    // A stop cuts the fade short; the next screen leaves.
    for (int counter = frames * 255; counter > 0 && !stop_requested; counter -= 255) {
        SDL_Rect dst = rect;
        SDL_FillRect(screen, &dst, black);
        SDL_SetAlpha(copy, SDL_SRCALPHA, static_cast<Uint8>(counter / frames));
        dst = rect;
        SDL_UpperBlit(copy, nullptr, screen, &dst);
        SDL_UpdateRect(screen, rect.x, rect.y, rect.w, rect.h);
        SDL_Delay(delay);
    }
    SDL_FreeSurface(copy);
}

std::string int2str(int i)
{
    std::ostringstream out;
    out << i;
    return out.str();
}

volatile std::sig_atomic_t stop_requested = 0;

void leave_if_stopped()
{
    if (stop_requested)
        throw stopped();
}

namespace pacing {
Uint32 (*ticks)() = SDL_GetTicks;
void (*delay)(Uint32 ms) = SDL_Delay;

void rest_of_frame(Uint32 started)
{
    Uint32 spent = ticks() - started;
    delay(spent < FRAME_MS ? FRAME_MS - spent : 0);
}
}
