// The explosion generator: frames cached by name, their size and contents,
// the fading, the exact order of the random draws, and the explosion
// mover's twenty frames in the arena.
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "etc.h"
#include "explosion.h"
#include "test_support.h"

namespace {
// A picture in the game's format, each pixel's colour given by fn.
surface_ptr make_picture(int w, int h, rgba (*fn)(int x, int y))
{
    surface_ptr s(create_surface(w, h, alpha_channel));
    SDL_LockSurface(s.get());
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            rgba c = fn(x, y);
            putpixel(s.get(), x, y, SDL_MapRGBA(s->format, c.r, c.g, c.b, c.a));
        }
    }
    SDL_UnlockSurface(s.get());
    return s;
}

// Opaque, every pixel of its own colour.
rgba distinct(int x, int y) { return {10 + 20 * x, 10 + 20 * y, 77, 255}; }
rgba half_seen(int, int) { return {200, 100, 50, 200}; }
rgba unseen(int, int) { return {255, 255, 255, 0}; }
// Some pixels transparent, the rest of varied colour and alpha.
rgba patchy(int x, int y)
{
    if ((x * 7 + y * 3) % 5 == 0)
        return {0, 0, 0, 0};
    return {(30 * x) % 256, (40 * y) % 256, (x * y) % 256, 40 + (13 * x + 29 * y) % 216};
}

// Plays an explosion through; each step shows the next frame.
std::vector<SDL_Surface*> frames_of(explosion* e)
{
    std::vector<SDL_Surface*> frames;
    for (int i = 0; i < 20; ++i) {
        frames.push_back(e->pic());
        e->do_stuff(0.04f);
    }
    return frames;
}

bool transparent(SDL_Surface* s)
{
    for (int x = 0; x < s->w; ++x) {
        for (int y = 0; y < s->h; ++y) {
            if (pixel_rgba(s, x, y).a != 0)
                return false;
        }
    }
    return true;
}

class explosion_pool_test : public run_dir_test {
protected:
    void TearDown() override
    {
        m_pool.reset();
        run_dir_test::TearDown();
    }
    std::vector<SDL_Surface*> frames(const std::string& name, SDL_Surface* start)
    {
        std::unique_ptr<explosion> e(m_pool->get_explosion(name, start));
        return frames_of(e.get());
    }

    std::unique_ptr<explosion_pool> m_pool{new explosion_pool};
};
}

TEST_F(explosion_pool_test, plays_twenty_frames_five_times_the_size_then_dies)
{
    surface_ptr pic = make_picture(7, 6, distinct);
    std::unique_ptr<explosion> e(m_pool->get_explosion("foe", pic.get()));
    EXPECT_EQ(e->m_x, 0);
    EXPECT_EQ(e->m_y, 0);
    EXPECT_EQ(e->m_dx, 0);
    EXPECT_EQ(e->m_dy, 0);
    EXPECT_EQ(e->m_mass, 0);
    std::vector<SDL_Surface*> seen;
    for (int f = 0; f < 20; ++f) {
        SCOPED_TRACE(f);
        ASSERT_NE(e->pic(), nullptr);
        EXPECT_EQ(e->pic()->w, 35);
        EXPECT_EQ(e->pic()->h, 30);
        for (SDL_Surface* earlier : seen)
            EXPECT_NE(e->pic(), earlier);
        seen.push_back(e->pic());
        EXPECT_FALSE(e->is_dead());
        // One frame per call, whatever the step.
        e->do_stuff(f % 2 ? 0.0f : 5.0f);
    }
    // Past the last frame it dies and keeps showing the last one.
    EXPECT_TRUE(e->is_dead());
    EXPECT_EQ(e->pic(), seen.back());
}

TEST_F(explosion_pool_test, frames_are_made_once_per_name)
{
    surface_ptr first = make_picture(7, 6, distinct);
    surface_ptr second = make_picture(4, 9, half_seen);
    std::vector<SDL_Surface*> a = frames("foe", first.get());
    // Keyed by the name alone: the second picture is not even looked at.
    EXPECT_EQ(frames("foe", second.get()), a);
    EXPECT_EQ(frames("foe", nullptr), a);
    std::vector<SDL_Surface*> b = frames("other", second.get());
    EXPECT_NE(b, a);
    EXPECT_EQ(b[0]->w, 20);
    EXPECT_EQ(b[0]->h, 45);
}

TEST_F(explosion_pool_test, first_frame_shows_the_chosen_pixels_in_the_middle)
{
    const int w = 9, h = 8;
    surface_ptr pic = make_picture(w, h, distinct);
    SDL_Surface* frame0 = frames("foe", pic.get())[0];
    int shown = 0;
    for (int x = 0; x < 5 * w; ++x) {
        for (int y = 0; y < 5 * h; ++y) {
            rgba got = pixel_rgba(frame0, x, y);
            if (got.a == 0)
                continue;
            ++shown;
            // Only the picture's own place, shifted by (2w, 2h).
            int sx = x - 2 * w, sy = y - 2 * h;
            ASSERT_TRUE(sx >= 0 && sx < w && sy >= 0 && sy < h) << x << ", " << y;
            EXPECT_EQ(got, distinct(sx, sy)) << x << ", " << y;
        }
    }
    EXPECT_GT(shown, 0);
}

TEST_F(explosion_pool_test, fades_from_the_eleventh_frame_to_a_tenth)
{
    surface_ptr pic = make_picture(12, 10, half_seen);
    std::vector<SDL_Surface*> f = frames("foe", pic.get());
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        int want = i <= 10 ? 200 : 200 * (20 - i) / 10;  // 180, 160, ... 20
        int shown = 0;
        for (int x = 0; x < f[i]->w; ++x) {
            for (int y = 0; y < f[i]->h; ++y) {
                rgba got = pixel_rgba(f[i], x, y);
                if (got.a == 0)
                    continue;
                ++shown;
                ASSERT_EQ(got, (rgba{200, 100, 50, want})) << x << ", " << y;
            }
        }
        EXPECT_GT(shown, 0);
    }
}

TEST_F(explosion_pool_test, nothing_visible_gives_twenty_transparent_frames)
{
    const struct {
        const char* what;
        int w, h;
        rgba (*fn)(int, int);
    } cases[] = {
        {"transparent", 8, 8, unseen},
        {"one pixel wide", 1, 7, distinct},
        {"one pixel high", 7, 1, distinct},
        {"a single pixel", 1, 1, distinct},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        surface_ptr pic = make_picture(c.w, c.h, c.fn);
        std::vector<SDL_Surface*> f = frames(c.what, pic.get());
        ASSERT_EQ(f.size(), 20u);
        for (SDL_Surface* frame : f) {
            EXPECT_EQ(frame->w, 5 * c.w);
            EXPECT_EQ(frame->h, 5 * c.h);
            EXPECT_TRUE(transparent(frame));
        }
    }
}

namespace {
// The generator's algorithm replayed draw by draw on the same random
// sequence: the frames it must make, as RGBA values row by row.
struct gib_model {
    int o_x, o_y;
    std::vector<std::pair<int, int> > pixels;
    float dx, dy;
};

std::vector<std::vector<rgba> > expected_frames(SDL_Surface* start, unsigned seed)
{
    const int w = start->w, h = start->h;
    std::vector<std::vector<rgba> > source(w, std::vector<rgba>(h));
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            source[x][y] = pixel_rgba(start, x, y);

    srand(seed);
    std::vector<gib_model> gibs;
    for (int x = 1; x < w; x += 2) {
        for (int y = 1; y < h; y += 2) {
            if (source[x][y].a == 0 || randint(3) != 0)
                continue;
            double u1 = randu();
            double u2 = randu();
            gib_model g;
            g.o_x = x;
            g.o_y = y;
            g.dx = static_cast<float>((u1 - 0.5) * 3.5 + (x - w / 2) * 11.0 / (w + h + 1));
            g.dy = static_cast<float>((u2 - 0.5) * 3.5 + (y - h / 2) * 11.0 / (w + h + 1));
            gibs.push_back(g);
        }
    }
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            if (source[x][y].a == 0)
                continue;
            int gx = x % 2 ? x : (randint(2) == 0 ? x - 1 : x + 1);
            int gy = y % 2 ? y : (randint(2) == 0 ? y - 1 : y + 1);
            for (gib_model& g : gibs) {
                if (g.o_x == gx && g.o_y == gy)
                    g.pixels.push_back(std::make_pair(x, y));
            }
        }
    }

    std::vector<std::vector<rgba> > frames;
    for (int f = 0; f < 20; ++f) {
        std::vector<rgba> frame(static_cast<size_t>(25 * w * h), rgba{0, 0, 0, 0});
        for (const gib_model& g : gibs) {
            for (const std::pair<int, int>& p : g.pixels) {
                int x = static_cast<int>(g.dx * static_cast<float>(f)) + p.first + 2 * w;
                int y = static_cast<int>(g.dy * static_cast<float>(f)) + p.second + 2 * h;
                if (x < 0 || y < 0 || x >= 5 * w || y >= 5 * h)
                    continue;
                rgba c = source[p.first][p.second];
                if (f > 10)
                    c.a = c.a * (20 - f) / 10;
                frame[static_cast<size_t>(y) * 5 * w + x] = c;
            }
        }
        frames.push_back(frame);
    }
    return frames;
}
}

TEST_F(explosion_pool_test, draws_its_random_numbers_in_the_fixed_order)
{
    const struct {
        int w, h;
        rgba (*fn)(int, int);
        unsigned seed;
    } cases[] = {
        {7, 6, patchy, 1},   {6, 7, patchy, 2},    {9, 5, distinct, 3}, {16, 16, patchy, 4},
        {2, 2, distinct, 5}, {1, 5, distinct, 6},  {5, 1, patchy, 7},   {8, 8, unseen, 8},
        {11, 3, patchy, 12345},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h) + ", seed " +
                     std::to_string(c.seed));
        surface_ptr pic = make_picture(c.w, c.h, c.fn);
        std::vector<std::vector<rgba> > want = expected_frames(pic.get(), c.seed);
        int next_draw = rand();  // the first draw after the generator's

        srand(c.seed);
        std::string name = "foe" + std::to_string(c.seed);
        std::unique_ptr<explosion> e(m_pool->get_explosion(name, pic.get()));
        EXPECT_EQ(rand(), next_draw);  // no draw more, none less
        std::vector<SDL_Surface*> got = frames_of(e.get());
        for (int f = 0; f < 20; ++f) {
            SCOPED_TRACE(f);
            int mismatches = 0;
            for (int y = 0; y < 5 * c.h; ++y) {
                for (int x = 0; x < 5 * c.w; ++x) {
                    rgba g = pixel_rgba(got[f], x, y);
                    const rgba& wnt = want[f][static_cast<size_t>(y) * 5 * c.w + x];
                    if (!(g == wnt) && mismatches++ < 3)
                        ADD_FAILURE() << "at " << x << ", " << y << ": " << g << " instead of " << wnt;
                }
            }
            EXPECT_EQ(mismatches, 0);
        }
    }
}

TEST_F(explosion_pool_test, the_pool_frees_every_frame_once)
{
    surface_ptr one = make_picture(5, 4, distinct);
    surface_ptr two = make_picture(3, 3, patchy);
    std::vector<SDL_Surface*> all = frames("one", one.get());
    std::vector<SDL_Surface*> more = frames("two", two.get());
    all.insert(all.end(), more.begin(), more.end());
    frames("one", nullptr);  // a repeat makes nothing new
    // One extra reference each: after the pool is gone each must be back to
    // exactly that one.
    for (SDL_Surface* s : all) {
        EXPECT_EQ(s->refcount, 1);
        ++s->refcount;
    }
    m_pool.reset();
    for (SDL_Surface* s : all) {
        EXPECT_EQ(s->refcount, 1);
        SDL_FreeSurface(s);
    }
}

TEST_F(explosion_pool_test, getalpha_reads_one_pixel)
{
    surface_ptr pic = make_picture(3, 2, patchy);
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 2; ++y)
            EXPECT_EQ(getalpha(pic.get(), x, y), patchy(x, y).a) << x << ", " << y;
    }
}

// ------------------------------------------------------- in the arena

namespace {
class explosion_mover : public arena_test {};
}

TEST_F(explosion_mover, shows_frame_zero_in_the_frame_it_joins_and_nineteen_more)
{
    start({
        "##########",
        "#S.......#",
        "#........#",
        "#........#",
        "#........#",
        "#........#",
        "##########",
    });
    SDL_Surface* foe = m_game->m_bmp_pool.get_bitmap("foe.png");
    std::unique_ptr<explosion> twin(m_game->m_exp_pool.get_explosion("foe", foe));
    std::vector<SDL_Surface*> frames = frames_of(twin.get());

    explosion* e = m_game->m_exp_pool.get_explosion("foe", foe);
    e->teleport(100, 60);
    e->m_dx = 25;
    m_arena->add_mover(e);
    // A force ball on it changes nothing: it has no mass.
    m_arena->AOE_force(140, 100, 150, 40, 40);
    frame();
    ASSERT_EQ(count_of<explosion>(), 1);
    EXPECT_EQ(e->pic(), frames[0]);
    EXPECT_FLOAT_EQ(e->m_x, 101);  // it moves with what it was given
    EXPECT_EQ(e->m_y, 60);
    EXPECT_EQ(e->m_dx, 25);
    EXPECT_EQ(e->m_dy, 0);
    for (int f = 1; f < 20; ++f) {
        frame();
        ASSERT_EQ(count_of<explosion>(), 1) << f;
        EXPECT_EQ(e->pic(), frames[f]) << f;
    }
    frame();
    EXPECT_EQ(count_of<explosion>(), 0);
}
