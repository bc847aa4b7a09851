// Pixel access, surfaces, rotation, fading, random numbers and the small
// helpers of the toolbox.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "etc.h"
#include "test_support.h"

TEST(minmax, clamps_and_min_wins_when_bounds_cross)
{
    struct {
        int min, mid, max, expected;
    } cases[] = {{0, 5, 9, 5}, {0, -2, 9, 0}, {0, 12, 9, 9}, {5, 7, 3, 5}, {5, 1, 3, 5}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.mid);
        EXPECT_EQ(minmax(c.min, c.mid, c.max), c.expected);
    }
    EXPECT_FLOAT_EQ(minmax(0.0f, 1.5f, 1.0f), 1.0f);
}

TEST(int2str, writes_plain_decimal)
{
    EXPECT_EQ(int2str(0), "0");
    EXPECT_EQ(int2str(-42), "-42");
    EXPECT_EQ(int2str(500000), "500000");
    EXPECT_EQ(int2str(-2147483647 - 1), "-2147483648");
}

TEST(dist, is_the_vector_length)
{
    EXPECT_FLOAT_EQ(dist(3, 4), 5);
    EXPECT_FLOAT_EQ(dist(0, 0), 0);
    EXPECT_FLOAT_EQ(dist(-6, 8), 10);
}

TEST(random_numbers, stay_in_their_ranges)
{
    srand(12345);
    int hits_top = 0;
    for (int i = 0; i < 200000; ++i) {
        int r = rand15();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        float u = randu();
        ASSERT_GE(u, 0.0f);
        ASSERT_LE(u, 1.0f);
        int k = randint(7);
        ASSERT_GE(k, 0);
        ASSERT_LE(k, 6);
        hits_top += k == 6;
    }
    EXPECT_GT(hits_top, 0);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(randint(1), 0);
        EXPECT_EQ(randint(0), 0);
        EXPECT_EQ(randint(-5), 0);
    }
}

TEST(random_numbers, replay_the_same_sequence_after_the_same_seed)
{
    srand(99);
    std::vector<float> first;
    for (int i = 0; i < 50; ++i)
        first.push_back(randu());
    srand(99);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(randu(), first[i]);
}

TEST(random_numbers, randu_and_randint_follow_one_draw)
{
    srand(7);
    std::vector<int> draws;
    for (int i = 0; i < 1000; ++i)
        draws.push_back(rand15());
    srand(7);
    for (int d : draws) {
        int n = 1 + d % 13;
        int expected = minmax(0, static_cast<int>(static_cast<double>(static_cast<float>(d / 32767.0)) * n), n - 1);
        EXPECT_EQ(randint(n), expected);
    }
}

TEST(random_numbers, randn_is_bounded_and_standard)
{
    srand(4242);
    const int n = 100000;
    double sum = 0, sum_sq = 0;
    for (int i = 0; i < n; ++i) {
        float v = randn();
        ASSERT_TRUE(std::isfinite(v));
        ASSERT_LE(std::fabs(v), 4.57f);
        sum += v;
        sum_sq += v * v;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.02);
    EXPECT_NEAR(sum_sq / n, 1.0, 0.03);
}

class surface_test : public run_dir_test {};

TEST_F(surface_test, create_surface_makes_the_standard_format_all_transparent)
{
    surface_ptr s(create_surface(5, 3, alpha_channel));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format->BitsPerPixel, 32);
    EXPECT_EQ(s->format->Rmask, 0x000000FFu);
    EXPECT_EQ(s->format->Gmask, 0x0000FF00u);
    EXPECT_EQ(s->format->Bmask, 0x00FF0000u);
    EXPECT_EQ(s->format->Amask, 0xFF000000u);
    EXPECT_FALSE(s->flags & SDL_SRCCOLORKEY);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixel_rgba(s.get(), x, y), (rgba{0, 0, 0, 0}));
    surface_ptr opaque(create_surface(2, 2, no_alpha_channel));
    EXPECT_EQ(opaque->format->Amask, 0u);
}

TEST_F(surface_test, getpixel_and_putpixel_per_depth)
{
    struct {
        int bits;
        Uint32 written;
        Uint32 read_back;
    } cases[] = {
        {8, 0x12345678, 0x78},
        {16, 0x12345678, 0x5678},
        {24, 0x12345678, 0x345678},
        {32, 0x12345678, 0x12345678},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.bits);
        surface_ptr s(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 3, c.bits, 0, 0, 0, 0));
        ASSERT_TRUE(s);
        std::memset(s->pixels, 0, s->pitch * s->h);
        putpixel(s.get(), 2, 1, c.written);
        EXPECT_EQ(getpixel(s.get(), 2, 1), c.read_back);
        EXPECT_EQ(getpixel(s.get(), 1, 1), 0u);
        EXPECT_EQ(getpixel(s.get(), 3, 1), 0u);
        if (c.bits == 24) {
            // Three bytes always in this order, whatever the machine's.
            Uint8* p = static_cast<Uint8*>(s->pixels) + s->pitch + 2 * 3;
            EXPECT_EQ(p[0], 0x78);
            EXPECT_EQ(p[1], 0x56);
            EXPECT_EQ(p[2], 0x34);
        }
    }
}

TEST_F(surface_test, rotate_by_zero_copies_exactly)
{
    surface_ptr from(create_surface(7, 5, alpha_channel));
    surface_ptr to(create_surface(7, 5, alpha_channel));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            putpixel(from.get(), x, y, SDL_MapRGBA(from->format, x * 30, y * 40, 7, 200 + x));
    rotate(from.get(), to.get(), 0.0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(getpixel(to.get(), x, y), getpixel(from.get(), x, y)) << x << "," << y;
}

TEST_F(surface_test, rotate_quarter_turn_is_clockwise)
{
    // The pixel just above the centre lands just right of it.
    surface_ptr from(create_surface(4, 4, alpha_channel));
    surface_ptr to(create_surface(4, 4, alpha_channel));
    Uint32 red = SDL_MapRGBA(from->format, 255, 0, 0, 255);
    putpixel(from.get(), 2, 1, red);
    rotate(from.get(), to.get(), pi / 2);
    EXPECT_EQ(pixel_rgba(to.get(), 2, 2), (rgba{255, 0, 0, 255}));
    int lit = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            lit += pixel_rgba(to.get(), x, y).a != 0;
    EXPECT_EQ(lit, 1);
}

TEST_F(surface_test, rotate_into_a_larger_picture_centres_and_leaves_the_margin)
{
    surface_ptr from(create_surface(4, 4, alpha_channel));
    surface_ptr to(create_surface(6, 6, alpha_channel));
    SDL_FillRect(from.get(), nullptr, SDL_MapRGBA(from->format, 0, 255, 0, 255));
    Uint32 marker = SDL_MapRGBA(to->format, 1, 2, 3, 4);
    SDL_FillRect(to.get(), nullptr, marker);
    rotate(from.get(), to.get(), 0.0);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            bool inside = x >= 1 && x < 5 && y >= 1 && y < 5;
            EXPECT_EQ(getpixel(to.get(), x, y) == marker, !inside) << x << "," << y;
        }
    }
}

TEST_F(surface_test, fade_out_darkens_the_area_only_and_ends_near_black)
{
    surface_ptr screen(create_surface(20, 10, no_alpha_channel));
    SDL_FillRect(screen.get(), nullptr, SDL_MapRGB(screen->format, 200, 100, 50));
    SDL_Rect area = {5, 2, 10, 6};
    Uint32 start = SDL_GetTicks();
    fade_out(screen.get(), area);
    EXPECT_GE(SDL_GetTicks() - start, 30u * 30u - 30u);
    rgba inside = pixel_rgba(screen.get(), 7, 4);
    // The last of the 30 steps shows the area at alpha 8.
    EXPECT_LE(inside.r, 10);
    EXPECT_GE(inside.r, 4);
    EXPECT_EQ(pixel_rgba(screen.get(), 0, 0), (rgba{200, 100, 50, 255}));
    EXPECT_EQ(pixel_rgba(screen.get(), 15, 4), (rgba{200, 100, 50, 255}));
}

TEST(do_later, runs_its_function_on_scope_exit_in_reverse_order)
{
    static std::vector<int> order;
    order.clear();
    {
        do_later first([] { order.push_back(1); });
        do_later second([] { order.push_back(2); });
        EXPECT_TRUE(order.empty());
    }
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}
