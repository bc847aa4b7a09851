// Explosions: explosion_pool breaks a picture into flying, fading pieces
// once per name and game, and hands out explosion movers that play those
// 20 frames once.
#ifndef VANTREL_EXPLOSION_H
#define VANTREL_EXPLOSION_H

#include <map>
#include <string>
#include <vector>

#include <SDL.h>

#include "movers.h"

class arena;

class explosion : public mover {
public:
    // frames belong to the pool.
    explicit explosion(std::vector<SDL_Surface*>* frames);
    ~explosion() override;

    // One frame per game frame; dies after the last one.
    void do_stuff(float time_interval) override;
    SDL_Surface* pic() const override;

private:
    int m_frame_index;
    std::vector<SDL_Surface*>* m_frames;
};

class explosion_pool {
public:
    static const int MAX_VEL = 11;
    static const int FRAMES = 20;

    explosion_pool() = default;
    ~explosion_pool();
    explosion_pool(const explosion_pool&) = delete;
    explosion_pool& operator=(const explosion_pool&) = delete;

    // A new explosion at (0, 0) for the caller to place and hand to the
    // arena. start is read only the first time name is asked for.
    explosion* get_explosion(const std::string& name, SDL_Surface* start);

private:
    std::map<std::string, std::vector<SDL_Surface*> > m_explosions;
};

// The explosion of pic under name from the game's pool, centred on (x, y),
// flying at (dx, dy) and handed to ar, which owns it from then on.
void explode_at(arena& ar, const std::string& name, SDL_Surface* pic, float x, float y,
                float dx = 0, float dy = 0);

// Alpha of one pixel; the surface must be locked where that is needed.
Uint8 getalpha(SDL_Surface* bmp, int x, int y);

#endif
