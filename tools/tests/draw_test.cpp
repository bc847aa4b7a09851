// The drawing kit: shape coverage, paints, compositing, effects, PNG output
// and the seeded random numbers.
#include <cmath>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "data_fixture.h"
#include "draw.h"
#include "random.h"

using namespace draw;

namespace {
const double pi = 3.141592653589793;

struct shape_case {
    const char* name;
    std::function<void(mask&)> fill;
    double area;
};
}

TEST(draw_shapes, covered_area_matches_the_geometry)
{
    const shape_case cases[] = {
        {"circle", [](mask& m) { fill_circle(m, {50.3f, 49.7f}, 20); }, pi * 400},
        {"circle cut by the corner", [](mask& m) { fill_circle(m, {0, 0}, 20); }, pi * 400 / 4},
        {"rect with fractional edges", [](mask& m) { fill_rect(m, 10.25f, 5.5f, 30.75f, 15); }, 20.5 * 9.5},
        {"rounded rect", [](mask& m) { fill_rounded_rect(m, 10, 20, 90, 60, 8); }, 80 * 40 - (4 - pi) * 64},
        {"turned ellipse", [](mask& m) { fill_ellipse(m, {50, 50}, 30, 12, 0.4f); }, pi * 30 * 12},
        {"round-capped line",
         [](mask& m) { stroke_line(m, {10, 10}, {80, 50}, 6); },
         std::hypot(70.0, 40.0) * 6 + pi * 9},
        {"triangle",
         [](mask& m) {
             path p;
             p.add({{10, 10}, {90, 20}, {30, 80}});
             fill_path(m, p);
         },
         2700},
        {"square with a square hole",
         [](mask& m) {
             path p;
             p.add({{20, 20}, {80, 20}, {80, 80}, {20, 80}});
             p.add({{40, 40}, {60, 40}, {60, 60}, {40, 60}});
             fill_path(m, p);
         },
         3200},
    };
    for (const shape_case& c : cases) {
        mask m(100, 100);
        c.fill(m);
        EXPECT_NEAR(m.area(), c.area, c.area * 0.01) << c.name;
    }
}

TEST(draw_shapes, holes_and_edges_are_where_the_path_says)
{
    mask m(100, 100);
    path p;
    p.add({{20, 20}, {80, 20}, {80, 80}, {20, 80}});
    p.add({{40, 40}, {60, 40}, {60, 60}, {40, 60}});
    fill_path(m, p);
    EXPECT_FLOAT_EQ(m.get(50, 50), 0) << "inside the hole";
    EXPECT_FLOAT_EQ(m.get(30, 50), 1) << "in the frame";
    EXPECT_FLOAT_EQ(m.get(10, 50), 0) << "outside";

    // A half-covered pixel column at an edge gets half coverage.
    mask r(10, 10);
    fill_rect(r, 2.5f, 0, 8, 10);
    EXPECT_NEAR(r.get(2, 5), 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(r.get(3, 5), 1);
}

TEST(draw_shapes, transforms_apply_in_the_order_chained)
{
    // Turn a quarter clockwise on screen, then move: (1, 0) goes to (0, 1) + (10, 20).
    transform t = transform::rotate(static_cast<float>(pi / 2)).then(transform::translate(10, 20));
    point p = t.apply({1, 0});
    EXPECT_NEAR(p.x, 10, 1e-5f);
    EXPECT_NEAR(p.y, 21, 1e-5f);
    // Moving first and turning after ends somewhere else.
    point q = transform::translate(10, 20).then(transform::rotate(static_cast<float>(pi / 2))).apply({1, 0});
    EXPECT_NEAR(q.x, -20, 1e-4f);
    EXPECT_NEAR(q.y, 11, 1e-4f);
    point s = transform::scale(2, 3).then(transform::shear_x(0.5f)).apply({1, 1});
    EXPECT_NEAR(s.x, 3.5f, 1e-5f);
    EXPECT_NEAR(s.y, 3, 1e-5f);
}

TEST(draw_paint, gradients_run_through_their_stops)
{
    const colour red = hex(0xff0000), blue = hex(0x0000ff);
    paint lin = linear({0, 0}, {100, 0}, {{0, red}, {1, blue}});
    EXPECT_FLOAT_EQ(lin(-20, 7).r, 1) << "clamped before the start";
    EXPECT_FLOAT_EQ(lin(150, 7).b, 1) << "clamped after the end";
    EXPECT_NEAR(lin(50, 7).r, 0.5f, 1e-5f);
    EXPECT_NEAR(lin(50, 7).b, 0.5f, 1e-5f);

    paint rad = radial({10, 10}, 10, {{0, red}, {0.5f, blue}, {1, red}});
    EXPECT_FLOAT_EQ(rad(10, 10).r, 1);
    EXPECT_FLOAT_EQ(rad(15, 10).b, 1);
    EXPECT_FLOAT_EQ(rad(10, 40).r, 1);
}

TEST(draw_canvas, layers_composite_over_each_other)
{
    canvas c(2, 1);
    c.put(0, 0, hex(0x00ff00), 1);
    c.put(0, 0, hex(0xff0000), 1);
    EXPECT_FLOAT_EQ(c.pixel(0, 0).r, 1) << "opaque paint hides what is below";
    EXPECT_FLOAT_EQ(c.pixel(0, 0).g, 0);

    c.put(1, 0, hex(0xffffff, 0.5f), 1);
    EXPECT_FLOAT_EQ(c.pixel(1, 0).a, 0.5f);
    EXPECT_FLOAT_EQ(c.pixel(1, 0).r, 1) << "colour is kept apart from coverage";
    c.put(1, 0, hex(0x000000), 0.5f);
    EXPECT_FLOAT_EQ(c.pixel(1, 0).a, 0.75f);
    EXPECT_NEAR(c.pixel(1, 0).r, 1.0f / 3, 1e-5f);

    canvas top(1, 1);
    top.put(0, 0, hex(0x0000ff), 1);
    c.draw(top, 1, 0);
    c.draw(top, 5, 5); // off the canvas: ignored
    EXPECT_FLOAT_EQ(c.pixel(1, 0).b, 1);
    EXPECT_FLOAT_EQ(c.pixel(1, 0).a, 1);
}

TEST(draw_effects, dilate_grows_blur_spreads_edge_faces_the_light)
{
    mask dot(60, 60);
    fill_circle(dot, {30, 30}, 10);
    EXPECT_NEAR(dilate(dot, 3).area(), pi * 13 * 13, pi * 169 * 0.02);

    mask square(60, 60);
    fill_rect(square, 28, 28, 32, 32);
    mask soft = blur(square, 3);
    EXPECT_NEAR(soft.area(), 16, 0.1) << "blur keeps the total away from the edges";
    EXPECT_LT(soft.get(30, 30), 0.5f);
    EXPECT_GT(soft.get(36, 30), 0.0f);

    mask block(20, 20);
    fill_rect(block, 5, 5, 15, 15);
    mask top = edge(block, 0, -2);
    EXPECT_NEAR(top.area(), 20, 1e-4);
    EXPECT_FLOAT_EQ(top.get(10, 5), 1);
    EXPECT_FLOAT_EQ(top.get(10, 6), 1);
    EXPECT_FLOAT_EQ(top.get(10, 7), 0);
    EXPECT_FLOAT_EQ(top.get(10, 14), 0);
}

TEST(draw_paint, round_bodies_are_lit_from_the_upper_left_whichever_way_they_run)
{
    const colour dark = hex(0x000000), lit = hex(0x808080), highlight = hex(0xffffff);
    auto brightness = [](const colour& c) { return c.r + c.g + c.b; };
    paint ball = sphere({10, 10}, 5, dark, lit, highlight);
    EXPECT_GT(brightness(ball(7, 7)), brightness(ball(13, 13)) + 0.5f);
    EXPECT_GT(brightness(ball(8, 8)), brightness(lit)) << "the highlight towards the light";
    // Squashed, it is the same ball stretched: a point as far out along
    // each axis, in its own radius, has the ball's colour.
    paint disc = ellipsoid({10, 10}, 10, 2.5f, dark, lit, highlight);
    for (const point& p : {point{7, 7}, point{13, 12}, point{6, 10}, point{10, 14}}) {
        colour squashed = disc(10 + (p.x - 10) * 2, 10 + (p.y - 10) / 2);
        EXPECT_FLOAT_EQ(squashed.r, ball(p.x, p.y).r) << p.x << "," << p.y;
        EXPECT_FLOAT_EQ(squashed.b, ball(p.x, p.y).b) << p.x << "," << p.y;
    }

    // A bar lights the same side whether it is given end first or start
    // first, and turns no light with its direction.
    struct bar {
        const char* name;
        point a, b, lit_side, dark_side;
    };
    const bar bars[] = {
        {"upright", {10, 0}, {10, 20}, {7, 10}, {13, 10}},
        {"upright, drawn upwards", {10, 20}, {10, 0}, {7, 10}, {13, 10}},
        {"level", {0, 10}, {20, 10}, {10, 7}, {10, 13}},
        {"level, drawn leftwards", {20, 10}, {0, 10}, {10, 7}, {10, 13}},
    };
    for (const bar& b : bars) {
        paint p = cylinder(b.a, b.b, 4, dark, lit, highlight);
        EXPECT_GT(brightness(p(b.lit_side.x, b.lit_side.y)), brightness(p(b.dark_side.x, b.dark_side.y)) + 0.3f)
            << b.name;
        colour along_a = p(b.a.x * 0.75f + b.b.x * 0.25f, b.a.y * 0.75f + b.b.y * 0.25f);
        colour along_b = p(b.a.x * 0.25f + b.b.x * 0.75f, b.a.y * 0.25f + b.b.y * 0.75f);
        EXPECT_FLOAT_EQ(along_a.r, along_b.r) << b.name << ": even along its length";
    }
}

TEST(draw_effects, collision_clean_up_leaves_hard_or_clear_pixels_only)
{
    mask body(20, 20);
    fill_circle(body, {10, 10}, 6);
    canvas c(20, 20);
    glow(c, body, hex(0x00ffff), 3);
    fill(c, body, solid(hex(0xff8000)));

    canvas faint = c;
    drop_faint(faint, 0.25f);
    canvas hard = c;
    harden(hard, body);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            float a = c.pixel(x, y).a;
            EXPECT_FLOAT_EQ(faint.pixel(x, y).a, a < 0.25f ? 0 : a) << x << "," << y;
            bool inside = body.get(x, y) >= 0.5f;
            ASSERT_FLOAT_EQ(hard.pixel(x, y).a, inside ? 1 : 0) << x << "," << y;
            if (inside) {
                EXPECT_NEAR(hard.pixel(x, y).r, c.pixel(x, y).r, 1e-5f) << "colour kept at " << x << "," << y;
            }
        }
    EXPECT_GT(c.pixel(10, 2).a, 0) << "the glow reached past the body before";
}

TEST(draw_png, pixels_survive_the_file)
{
    canvas c(3, 2);
    c.put(0, 0, hex(0x336699), 1);
    c.put(1, 0, hex(0xffffff), 1);
    c.put(2, 0, hex(0x000000), 1);
    c.put(0, 1, hex(0xff0000, 0.4f), 1);
    // (1, 1) stays transparent; (2, 1) is nearly so.
    c.put(2, 1, hex(0xffffff, 0.001f), 1);
    std::string path = fresh_dir("png") + "/pixels.png";
    write_png(c, path);
    png_picture pic = read_png(path);
    ASSERT_EQ(pic.width, 3);
    ASSERT_EQ(pic.height, 2);
    const uint8_t expected[6][4] = {{0x33, 0x66, 0x99, 255}, {255, 255, 255, 255}, {0, 0, 0, 255},
                                    {255, 0, 0, 102},        {0, 0, 0, 0},         {0, 0, 0, 0}};
    for (int i = 0; i < 6; ++i)
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_EQ(pic.at(i % 3, i / 3)[ch], expected[i][ch]) << "pixel " << i << " channel " << ch;
}

TEST(random, seeded_sequences_repeat_and_spread)
{
    gen::rng a(7), b(7), c(8);
    std::set<uint32_t> seen;
    bool differs = false;
    double sum = 0;
    for (int i = 0; i < 10000; ++i) {
        uint32_t x = a.next();
        EXPECT_EQ(x, b.next());
        differs = differs || x != c.next();
        seen.insert(x);
        float u = a.uniform();
        b.uniform();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
        sum += u;
    }
    EXPECT_TRUE(differs) << "another seed gives another sequence";
    EXPECT_GT(seen.size(), 9990u);
    EXPECT_NEAR(sum / 10000, 0.5, 0.02);

    // Noise stays in range and changes smoothly.
    for (float x = 0; x < 20; x += 0.37f) {
        float v = gen::fbm(x, 3.3f, 5, 4);
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
        EXPECT_LT(std::fabs(gen::value_noise(x + 0.01f, 2, 5) - gen::value_noise(x, 2, 5)), 0.05f);
    }
}
