// The view's copy of the background: what the screen shows must be what
// blending the arena's picture over the dark blue shows, frame by frame,
// while gates move, buttons are pressed and the exit opens.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "vantrel_private.h"

namespace {
class shown_view : public arena_test {
protected:
    void SetUp() override
    {
        arena_test::SetUp();
        m_screen.reset(SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0));
    }

    // The whole map blended anew over the dark blue, as the view would
    // show it without a copy, against the view's copy.
    void expect_copy_is_fresh(SDL_Surface* copy, int frame)
    {
        SDL_Surface* bg = m_arena->bitmap();
        surface_ptr fresh(SDL_CreateRGBSurface(SDL_SWSURFACE, bg->w, bg->h, 32, 0xFF0000, 0xFF00, 0xFF, 0));
        SDL_FillRect(fresh.get(), nullptr, SDL_MapRGBA(fresh->format, 0, 0, 32, 255));
        SDL_BlitSurface(bg, nullptr, fresh.get(), nullptr);
        ASSERT_EQ(copy->w, bg->w);
        ASSERT_EQ(copy->h, bg->h);
        SDL_LockSurface(copy);
        SDL_LockSurface(fresh.get());
        int differ = 0;
        for (int y = 0; y < bg->h; ++y)
            for (int x = 0; x < bg->w; ++x)
                differ += getpixel(copy, x, y) != getpixel(fresh.get(), x, y);
        SDL_UnlockSurface(fresh.get());
        SDL_UnlockSurface(copy);
        EXPECT_EQ(differ, 0) << "frame " << frame;
    }

    surface_ptr m_screen;
};
}

TEST_F(shown_view, keeps_its_copy_of_the_background_fresh_while_it_changes)
{
    std::vector<std::string> rows = {
        "##########################",
        "#.......v................#",
        "#........................X",
        "#..S.....................X",
        "#........................#",
        "#......V......H..........#",
        "#......V......H..........#",
        "#........................#",
        "#.B....................T.#",
        "#..........1######5......#",
        "##########################",
    };
    start(rows);
    m_arena->connect(8, 1, 7, 5);
    m_arena->connect(8, 1, 7, 6);
    m_arena->connect(8, 1, 14, 5);
    m_arena->connect(8, 1, 14, 6);
    m_arena->set_gravity(0);
    const int view_h = 448;
    SDL_Rect window = fit_view(640, view_h, m_arena->width() * 32, m_arena->height() * 32);
    shown_background shown;
    the_ship()->teleport_centre(8 * 32 + 16, 3 * 32 + 16);
    int changed = 0;
    for (int f = 0; f < 60; ++f) {
        // Under the button, firing now and then (the gates move); later the
        // exit opens, and a new level of another size replaces this one.
        m_game->m_key_flags.fire = f % 12 == 0;
        if (f == 30)
            m_arena->open_exit();
        if (f == 45) {
            rows.pop_back();
            rows.back() = "##########################";
            start(rows);
        }
        frame();
        draw_arena(m_screen.get(), *m_arena, shown, window, view_h);
        // No change left to take: the copy as it now stands.
        SDL_Surface* copy = shown.get(m_screen.get(), *m_arena);
        ASSERT_NE(copy, nullptr);
        expect_copy_is_fresh(copy, f);
        changed += m_arena->get(7, 5) != A_VGATE_CLOSED;
    }
    EXPECT_GT(changed, 0) << "the gates should have moved";
}
