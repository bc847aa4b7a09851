// The explosion generator: a picture broken into gibs that fly apart and
// fade over 20 frames, cached by name for the rest of the game.
#include "explosion.h"

#include <utility>

#include "arena.h"
#include "etc.h"
#include "game.h"

namespace {
struct gib {
    int o_x, o_y;
    std::vector<std::pair<int, int> > pixels;
    float dx, dy;
};

// Every source pixel with a non-zero alpha is given to the gib at one of
// its odd-odd neighbours, if that neighbour became one.
class gib_set {
public:
    gib_set(int w, int h) : m_w(w), m_index(static_cast<size_t>(w / 2 + 1) * (h / 2 + 1), -1) {}

    void add(const gib& g)
    {
        m_index[slot(g.o_x, g.o_y)] = static_cast<int>(m_gibs.size());
        m_gibs.push_back(g);
    }
    gib* at(int x, int y)
    {
        if (x < 0 || y < 0 || x % 2 == 0 || y % 2 == 0)
            return nullptr;
        size_t s = slot(x, y);
        if (s >= m_index.size() || x / 2 > m_w / 2 || m_index[s] < 0)
            return nullptr;
        return &m_gibs[m_index[s]];
    }
    const std::vector<gib>& all() const { return m_gibs; }

private:
    size_t slot(int x, int y) const { return static_cast<size_t>(y / 2) * (m_w / 2 + 1) + x / 2; }

    int m_w;
    std::vector<int> m_index;
    std::vector<gib> m_gibs;
};

// Step 1: about one odd-odd visible pixel in three becomes a gib, flying out
// from the middle with a random wobble.
void choose_gibs(SDL_Surface* start, gib_set& gibs)
{
    const int w = start->w, h = start->h;
    for (int x = 1; x < w; x += 2) {
        for (int y = 1; y < h; y += 2) {
            if (getalpha(start, x, y) == 0)
                continue;
            if (randint(3) != 0)
                continue;
            gib g;
            g.o_x = x;
            g.o_y = y;
            double u1 = randu();
            double u2 = randu();
            g.dx = static_cast<float>((u1 - 0.5) * 3.5 +
                                      static_cast<double>(x - w / 2) * explosion_pool::MAX_VEL / (w + h + 1));
            g.dy = static_cast<float>((u2 - 0.5) * 3.5 +
                                      static_cast<double>(y - h / 2) * explosion_pool::MAX_VEL / (w + h + 1));
            gibs.add(g);
        }
    }
}

// Step 2: each visible pixel joins a random odd-odd neighbour's gib.
void share_pixels(SDL_Surface* start, gib_set& gibs)
{
    for (int x = 0; x < start->w; ++x) {
        for (int y = 0; y < start->h; ++y) {
            if (getalpha(start, x, y) == 0)
                continue;
            int gx = x % 2 == 1 ? x : (randint(2) == 0 ? x - 1 : x + 1);
            int gy = y % 2 == 1 ? y : (randint(2) == 0 ? y - 1 : y + 1);
            if (gib* g = gibs.at(gx, gy))
                g->pixels.push_back(std::make_pair(x, y));
        }
    }
}

// Step 3: frame f, five times the picture's size, the gibs f steps out.
SDL_Surface* draw_frame(SDL_Surface* start, const gib_set& gibs, int f)
{
    const int w = start->w, h = start->h;
    SDL_Surface* frame = create_surface(5 * w, 5 * h, alpha_channel);
    if (!frame)
        return nullptr;
    const int x_adj = (5 * w - w) / 2, y_adj = (5 * h - h) / 2;
    SDL_LockSurface(frame);
    for (const gib& g : gibs.all()) {
        for (const std::pair<int, int>& p : g.pixels) {
            // Products in single precision, truncated.
            int dest_x = static_cast<int>(g.dx * static_cast<float>(f)) + p.first + x_adj;
            int dest_y = static_cast<int>(g.dy * static_cast<float>(f)) + p.second + y_adj;
            if (dest_x < 0 || dest_y < 0 || dest_x >= frame->w || dest_y >= frame->h)
                continue;
            Uint8 r, gr, b, a;
            SDL_GetRGBA(getpixel(start, p.first, p.second), start->format, &r, &gr, &b, &a);
            if (f > 10)
                a = static_cast<Uint8>(a * (20 - f) / 10);
            putpixel(frame, dest_x, dest_y, SDL_MapRGBA(frame->format, r, gr, b, a));
        }
    }
    SDL_UnlockSurface(frame);
    return frame;
}

std::vector<SDL_Surface*> make_frames(SDL_Surface* start)
{
    std::vector<SDL_Surface*> frames;
    // Something without a picture bursts into nothing: small empty frames.
    if (!start) {
        for (int f = 0; f < explosion_pool::FRAMES; ++f)
            frames.push_back(create_surface(5, 5, alpha_channel));
        return frames;
    }
    gib_set gibs(start->w, start->h);
    SDL_LockSurface(start);
    choose_gibs(start, gibs);
    share_pixels(start, gibs);
    for (int f = 0; f < explosion_pool::FRAMES; ++f)
        frames.push_back(draw_frame(start, gibs, f));
    SDL_UnlockSurface(start);
    return frames;
}
}

Uint8 getalpha(SDL_Surface* bmp, int x, int y)
{
    Uint8 r, g, b, a;
    SDL_GetRGBA(getpixel(bmp, x, y), bmp->format, &r, &g, &b, &a);
    return a;
}

explosion::explosion(std::vector<SDL_Surface*>* frames) : m_frame_index(0), m_frames(frames) {}

explosion::~explosion() {}

void explosion::do_stuff(float)
{
    ++m_frame_index;
    if (m_frame_index >= static_cast<int>(m_frames->size())) {
        die();
        m_frame_index = static_cast<int>(m_frames->size()) - 1;
    }
}

SDL_Surface* explosion::pic() const { return (*m_frames)[m_frame_index]; }

explosion_pool::~explosion_pool()
{
    for (auto& entry : m_explosions) {
        for (SDL_Surface* frame : entry.second)
            SDL_FreeSurface(frame);
    }
}

explosion* explosion_pool::get_explosion(const std::string& name, SDL_Surface* start)
{
    auto found = m_explosions.find(name);
    if (found == m_explosions.end())
        found = m_explosions.emplace(name, make_frames(start)).first;
    return new explosion(&found->second);
}

void explode_at(arena& ar, const std::string& name, SDL_Surface* pic, float x, float y, float dx, float dy)
{
    explosion* e = the_game().m_exp_pool.get_explosion(name, pic);
    e->teleport_centre(x, y);
    e->m_dx = dx;
    e->m_dy = dy;
    ar.add_mover(e);
}
