// The arena with the game's own pictures, as the data tools make them:
// every picture it names loads, tiles are single cells, and what looks
// solid stops the ship. With VANTREL_SCREENSHOT set to a file name, the
// test arena is also saved there as a BMP to be looked at.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "arena_fixture.h"
#include "loadimag.h"
#include "weapons.h"

namespace fs = std::filesystem;

namespace {
class arena_pictures : public arena_test {
protected:
    void SetUp() override
    {
        arena_test::SetUp();
        // Replace the fixture's pictures by the game's own, then make the
        // arena again so it loads them.
        m_arena.reset();
        fs::copy(VANTREL_GAME_IMAGES, path("images"),
                 fs::copy_options::overwrite_existing | fs::copy_options::recursive);
        testing::internal::CaptureStdout();
        m_arena.reset(new arena);
        m_game->m_arena = m_arena.get();
        m_log = testing::internal::GetCapturedStdout();
    }
    std::string m_log;

    // The arena's picture with the movers drawn over it, as the play loop
    // shows it (the whole map, no status bar).
    surface_ptr draw_scene()
    {
        SDL_Surface* bg = m_arena->bitmap();
        surface_ptr scene(SDL_CreateRGBSurface(SDL_SWSURFACE, bg->w, bg->h, 32, 0xFF, 0xFF00, 0xFF0000, 0));
        SDL_FillRect(scene.get(), nullptr, SDL_MapRGB(scene->format, 6, 8, 18));
        SDL_BlitSurface(bg, nullptr, scene.get(), nullptr);
        for (int i = 0; i < m_arena->num_movers(); ++i) {
            mover* m = m_arena->get_mover(i);
            if (!m->pic())
                continue;
            SDL_Rect at = {static_cast<Sint16>(m->m_x), static_cast<Sint16>(m->m_y), 0, 0};
            SDL_BlitSurface(m->pic(), nullptr, scene.get(), &at);
        }
        return scene;
    }
};
}

TEST_F(arena_pictures, every_picture_loads_and_a_scene_plays)
{
    testing::internal::CaptureStdout();
    build({
        "####################",
        "#7....v..........9.#",
        "#.S......#.........X",
        "#....p-q.H.........X",
        "#....|.|.....75....#",
        "#>...b-d....7##5..<#",
        "#........V.........#",
        "#.B...s..V...^...T.#",
        "####################",
    });
    // Some equipment in flight: a shot of every weapon, a coin, a recking ball.
    for (int w = WT_PEASHOOTER; w <= WT_SCOOP; ++w) {
        const weapon_type& t = weapon_types()[w];
        shot* s = new shot(t.image_file, 100, 0, nullptr, nullptr);
        s->teleport(380.0f + 14 * w, 100);
        m_arena->add_mover(s);
    }
    coin* c = new coin;
    c->teleport(400, 150);
    c->m_dy = 0;
    m_arena->add_mover(c);
    recking_ball* r = new recking_ball;
    r->teleport(440, 150);
    m_arena->add_mover(r);
    m_arena->activate();
    m_arena->AOE_force(520, 120, 100, 10, 0);
    m_game->m_key_flags.tractor = true;
    ship* s = the_ship();
    ASSERT_NE(s, nullptr);
    s->teleport(60, 150);
    m_game->m_key_flags.up = true;
    frame();
    m_game->m_key_flags.up = false;

    std::string log = m_log + testing::internal::GetCapturedStdout();
    EXPECT_EQ(log, "") << "every picture the arena names is made by the data tools";
    for (int t = 0; t < tile_type_count; ++t) {
        if (!image_files[t])
            continue;
        surface_ptr p(load_image(image_files[t]));
        EXPECT_EQ(p->w, 32) << image_files[t];
        EXPECT_EQ(p->h, 32) << image_files[t];
    }
    EXPECT_EQ(s->pic()->w, 48);
    EXPECT_EQ(s->pic()->h, 48);

    if (const char* out = std::getenv("VANTREL_SCREENSHOT")) {
        surface_ptr scene = draw_scene();
        SDL_SaveBMP(scene.get(), out);
    }
}

TEST_F(arena_pictures, the_ship_rests_on_a_floor_and_bounces_off_walls)
{
    start({
        "########",
        "#......#",
        "#..S...#",
        "#......#",
        "########",
    });
    frames(150);
    ship* s = the_ship();
    ASSERT_NE(s, nullptr);
    // It comes to rest on the floor: its lowest opaque pixels sit on row 4.
    EXPECT_LT(s->y_centre(), 4 * 32.0f);
    EXPECT_GT(s->y_centre(), 3 * 32.0f);
    EXPECT_NEAR(s->m_dy, 0, 10);
    EXPECT_FALSE(m_arena->arena_collision(s->pic(), static_cast<int>(s->m_x), static_cast<int>(s->m_y) - 2,
                                          nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(arena_pictures, rock_is_opaque_all_over_so_a_buried_ship_skips_its_pixel_tests)
{
    // A buried ship tries every spot within 31 pixels of it: a box of
    // 48 + 62 pixels a side, which a map of rock and exit blocks holds.
    build({
        "#####",
        "#XXX#",
        "#####",
        "#####",
    });
    EXPECT_TRUE(m_arena->box_in_walls(10, 10, 110, 110));
    EXPECT_TRUE(m_arena->box_in_walls(0, 0, 160, 128));
    // A diagonal's open half is no wall.
    m_arena->set(2, 2, A_BLOCK_DIAGTL);
    EXPECT_FALSE(m_arena->box_in_walls(10, 10, 110, 110));
}
