// Pictures of the arena's movers: the ship, the shots, the ball, coin and
// recking ball, and the indicators. The collision tests take every pixel
// with alpha above 0 as body, so the pictures that collide lose their
// faintest pixels; shots are round, since they fly unturned.
#include <algorithm>
#include <cmath>
#include <vector>

#include "palette.h"
#include "pictures.h"
#include "random.h"

namespace pictures {

namespace {
using draw::canvas;
using draw::colour;
using draw::mask;
using draw::point;

const float pi = 3.14159265f;
const float faint = faint_alpha / 255.0f;

draw::path polygon(std::vector<point> pts, point offset)
{
    for (point& p : pts) {
        p.x += offset.x;
        p.y += offset.y;
    }
    draw::path p;
    p.add(std::move(pts));
    return p;
}

// A sphere-shaded round body with a dark outline: the house shot.
void round_body(canvas& c, point at, float radius, colour dark, colour lit, colour highlight, float outline)
{
    mask m(c.width(), c.height());
    draw::fill_circle(m, at, radius);
    draw::look l;
    l.body = draw::sphere(at, radius, dark, lit, highlight);
    l.outline_ink = palette::ink;
    l.outline_width = outline;
    draw::draw_shape(c, m, l);
}

// ---- The ship ------------------------------------------------------------

// Drawn about its centre (16, 16) in its own frame, nose towards -y. The
// game's mounts sit on it: the nose at (0, -15), the leading edges through
// the side mounts at (9, 0) and (9, 4), the wing-tip pods at (15, 13.5)
// (whose nozzles the exhaust leaves), the tail at (2, 16). The one-pixel
// outline carries the hull out to the picture's edges.
canvas ship_picture()
{
    const int S = tile_size;
    const point o = {S / 2.0f, S / 2.0f};
    auto at = [&](float x, float y) { return point{o.x + x, o.y + y}; };
    canvas c(S, S);

    // The two nacelles at the wing tips and the hull between them.
    mask pods(S, S);
    for (float x0 : {-14.6f, 11.6f})
        draw::fill_rounded_rect(pods, o.x + x0, o.y + 5.5f, o.x + x0 + 3, o.y + 15, 1.4f);
    mask hull(S, S);
    draw::fill_path(hull, polygon({{-1.3f, -15}, {1.3f, -15}, {3.8f, -8}, {13.8f, 12}, {13.6f, 14.2f}, {8, 12.3f},
                                   {4.2f, 12.3f}, {3, 15}, {-3, 15}, {-4.2f, 12.3f}, {-8, 12.3f}, {-13.6f, 14.2f},
                                   {-13.8f, 12}, {-3.8f, -8}},
                                  o));
    mask body = hull;
    body.unite(pods);

    draw::look steel;
    steel.body = draw::linear(at(-10, -12), at(10, 12),
                              {{0, palette::steel_light}, {0.5f, palette::steel}, {1, palette::steel_dark}});
    steel.outline_ink = palette::ink;
    steel.outline_width = 1;
    steel.rim_light = draw::fade(palette::steel_light, 0.9f);
    steel.rim_shade = draw::fade(draw::shade(palette::steel_dark, 0.6f), 0.8f);
    steel.light_dx = -1;
    steel.light_dy = -1;
    draw::draw_shape(c, body, steel);

    // The fuselage stands out lighter from the wings.
    mask fuselage(S, S);
    draw::fill_path(fuselage, polygon({{-1.2f, -14.6f}, {1.2f, -14.6f}, {3.6f, -7.5f}, {4.6f, 4}, {4.2f, 12.3f},
                                       {3, 14.6f}, {-3, 14.6f}, {-4.2f, 12.3f}, {-4.6f, 4}, {-3.6f, -7.5f}},
                                      o));
    draw::look light;
    light.body = draw::linear(at(-5, -8), at(5, 12), {{0, palette::steel_light}, {0.6f, palette::steel},
                                                       {1, draw::shade(palette::steel, 0.75f)}});
    light.rim_shade = draw::fade(palette::steel_dark, 0.9f);
    light.light_dx = -1;
    light.light_dy = 0;
    draw::draw_shape(c, fuselage, light);

    // Gold trim inside the leading edges, and gold caps on the pods.
    mask trim(S, S);
    draw::stroke_line(trim, at(-3.6f, -5.5f), at(-11.6f, 10.6f), 1.1f);
    draw::stroke_line(trim, at(3.6f, -5.5f), at(11.6f, 10.6f), 1.1f);
    draw::fill_rounded_rect(trim, o.x - 14.6f, o.y + 5.5f, o.x - 11.6f, o.y + 7.6f, 1.2f);
    draw::fill_rounded_rect(trim, o.x + 11.6f, o.y + 5.5f, o.x + 14.6f, o.y + 7.6f, 1.2f);
    draw::fill(c, trim, draw::linear(at(0, -6), at(0, 11), {{0, palette::gold_pale}, {0.5f, palette::gold},
                                                            {1, palette::gold_deep}}));

    // Hot nozzles: the pods' and the tail's.
    mask nozzles(S, S);
    draw::fill_rect(nozzles, o.x - 14, o.y + 13, o.x - 12.2f, o.y + 15);
    draw::fill_rect(nozzles, o.x + 12.2f, o.y + 13, o.x + 14, o.y + 15);
    draw::fill_rect(nozzles, o.x - 2.2f, o.y + 13, o.x + 2.2f, o.y + 15);
    draw::fill(c, nozzles, draw::linear(at(0, 13), at(0, 15), {{0, palette::ember}, {1, palette::flame_core}}));

    // The glass canopy.
    mask canopy(S, S);
    draw::fill_ellipse(canopy, at(0, -4.5f), 2.4f, 4.6f);
    draw::draw_shape(c, canopy, glass_look(at(-0.8f, -6.5f), 5.5f));

    draw::drop_faint(c, faint);
    return c;
}

// ---- Shots ---------------------------------------------------------------

// Pellet of the Peashooter (and the Implosion gun): yellow-white and hot.
canvas shot_picture()
{
    canvas c(5, 5);
    mask m(5, 5);
    draw::fill_circle(m, {2.5f, 2.5f}, 2.45f);
    draw::fill(c, m, draw::radial({2.2f, 2.2f}, 2.6f, {{0, palette::text_white}, {0.4f, palette::flame_core},
                                                       {1, palette::gold}}));
    draw::drop_faint(c, faint);
    return c;
}

// The Shover's heavy slug: orange metal, as the shop shows it, bright
// enough to follow in flight.
canvas shover_picture()
{
    canvas c(8, 8);
    colour lit = draw::mix(palette::gold_deep, palette::flame, 0.5f);
    round_body(c, {4, 4}, 3.2f, draw::shade(palette::gold_deep, 0.6f), lit, palette::flame_core, 0.8f);
    draw::drop_faint(c, faint);
    return c;
}

// A red warhead in a ring of flame; round, since it flies unturned.
canvas rocket_picture()
{
    canvas c(8, 8);
    const point m = {4, 4};
    mask flame(8, 8);
    draw::fill_circle(flame, m, 4);
    draw::fill(c, flame, draw::radial(m, 4, {{0.45f, palette::flame_core}, {0.75f, palette::flame},
                                             {1, palette::ember}}));
    round_body(c, m, 2.2f, draw::shade(palette::warhead, 0.45f), palette::warhead, palette::gold_pale, 0.6f);
    draw::drop_faint(c, faint);
    return c;
}

// The Plasmoid: a violet orb with a cyan heart, swirled.
canvas plasmoid_picture()
{
    canvas c(10, 10);
    const point m = {5, 5};
    mask orb(10, 10);
    draw::fill_circle(orb, m, 4.9f);
    draw::paint plasma = [m](float x, float y) {
        float d = std::hypot(x - m.x, y - m.y) / 4.9f;
        float swirl = gen::fbm(x / 2.2f + 3 * d, y / 2.2f, 71, 2);
        float t = std::min(1.0f, d + 0.35f * (swirl - 0.5f));
        colour inner = draw::mix(palette::text_white, palette::glass, std::min(1.0f, t / 0.45f));
        colour outer = draw::mix(palette::plasma, draw::shade(palette::plasma, 0.45f), std::max(0.0f, t - 0.75f) / 0.25f);
        return draw::mix(inner, outer, std::min(1.0f, std::max(0.0f, (t - 0.35f) / 0.35f)));
    };
    draw::fill(c, orb, plasma);
    draw::drop_faint(c, faint);
    return c;
}

// The Sniper's needle: a white-hot dot.
canvas wshot_picture()
{
    canvas c(4, 4);
    mask m(4, 4);
    draw::fill_circle(m, {2, 2}, 2);
    draw::fill(c, m, draw::radial({2, 2}, 2, {{0.3f, palette::text_white}, {1, palette::star_blue}}));
    draw::drop_faint(c, faint);
    return c;
}

// The Scoop's heart.
canvas heart_picture()
{
    canvas c(10, 9);
    mask m(10, 9);
    draw::fill_circle(m, {3.1f, 3.0f}, 2.3f);
    draw::fill_circle(m, {6.9f, 3.0f}, 2.3f);
    draw::fill_path(m, polygon({{1.0f, 4.1f}, {9.0f, 4.1f}, {5, 8.2f}}, {0, 0}));
    draw::look l;
    l.body = draw::linear({2, 1}, {7, 8}, {{0, draw::mix(palette::heart, palette::text_white, 0.5f)},
                                           {0.4f, palette::heart},
                                           {1, draw::shade(palette::heart, 0.55f)}});
    l.outline_ink = palette::ink;
    l.outline_width = 0.7f;
    draw::draw_shape(c, m, l);
    mask shine(10, 9);
    draw::fill_circle(shine, {2.6f, 2.4f}, 0.8f);
    draw::fill(c, shine, draw::solid(palette::text_white), 0.8f);
    draw::drop_faint(c, faint);
    return c;
}

// ---- Objects -------------------------------------------------------------

// The ball: a glass orb of cyan energy in a gold band, centred in a full
// tile so that it lies on its source cell.
canvas ball_picture()
{
    const int S = tile_size;
    const point m = {S / 2.0f, S / 2.0f};
    const float r = 11.2f;
    canvas c(S, S);
    mask orb(S, S);
    draw::fill_circle(orb, m, r);
    draw::paint energy = [m, r](float x, float y) {
        float dx = (x - m.x) / r, dy = (y - m.y) / r;
        float d = std::hypot(dx, dy);
        float swirl = gen::fbm(x / 4 + 2 * d, y / 4 - d, 81, 3);
        float t = std::min(1.0f, d * 0.85f + 0.3f * (swirl - 0.5f));
        colour col = draw::mix(palette::gold_pale, palette::glass, std::min(1.0f, t / 0.45f));
        col = draw::mix(col, draw::shade(palette::nebula_teal, 0.8f), std::max(0.0f, (t - 0.5f) / 0.5f));
        // Glass: the rim catches the light on the upper left.
        float rim = std::max(0.0f, d - 0.8f) / 0.2f * std::max(0.0f, -(dx + dy) / (d * 1.414f + 1e-4f));
        return draw::mix(col, palette::steel_light, 0.6f * rim);
    };
    draw::outline(c, orb, palette::ink, 0.8f);
    draw::fill(c, orb, energy);

    // The gold band round it, tilted, and its shadowed far side.
    mask band(S, S), inner(S, S);
    draw::fill_ellipse(band, m, r + 0.3f, 3.6f, -0.45f);
    draw::fill_ellipse(inner, m, r - 1.2f, 2.2f, -0.45f);
    band.subtract(inner);
    mask front(S, S);
    draw::path lower;
    lower.add({{-40, 0}, {40, 0}, {40, 40}, {-40, 40}});
    draw::fill_path(front, lower.transformed(draw::transform::rotate(-0.45f).then(draw::transform::translate(m.x, m.y))));
    mask back = band;
    back.subtract(front);
    band.intersect(front);
    draw::fill(c, back, draw::solid(palette::gold_deep), 0.55f);
    draw::fill(c, band, draw::linear({5, 5}, {27, 27}, {{0, palette::gold_pale}, {0.45f, palette::gold},
                                                         {1, palette::gold_deep}}));
    mask spark(S, S);
    draw::fill_ellipse(spark, {m.x - 4.5f, m.y - 5.5f}, 2.4f, 1.4f, -0.7f);
    draw::fill(c, spark, draw::solid(palette::text_white), 0.85f);
    draw::drop_faint(c, faint);
    return c;
}

// A gold coin: a raised rim round a darker face with a bright stud.
canvas coin_picture()
{
    canvas c(12, 12);
    const point m = {6, 6};
    round_body(c, m, 5.3f, palette::gold_deep, palette::gold, palette::gold_pale, 0.7f);
    mask groove(12, 12), face(12, 12);
    draw::fill_circle(groove, m, 4.1f);
    draw::fill_circle(face, m, 3.1f);
    draw::fill(c, groove, draw::solid(draw::shade(palette::gold_deep, 0.45f)));
    draw::fill(c, face, draw::linear({3, 3}, {9, 9}, {{0, palette::gold_deep}, {1, palette::gold}}));
    mask stud(12, 12);
    draw::fill_path(stud, polygon({{0, -1.7f}, {1.7f, 0}, {0, 1.7f}, {-1.7f, 0}}, m));
    draw::fill(c, stud, draw::solid(palette::gold_pale));
    draw::drop_faint(c, faint);
    return c;
}

// The R.B.G's heavy iron ball, with a lug on top.
canvas recking_ball_picture()
{
    canvas c(20, 20);
    const point m = {10, 11};
    mask lug(20, 20), eye(20, 20);
    draw::fill_rounded_rect(lug, 7.3f, 0.8f, 12.7f, 5, 1.5f);
    draw::fill_circle(eye, {10, 2.6f}, 1.1f);
    lug.subtract(eye);
    draw::look iron;
    iron.body = draw::linear({7, 0}, {13, 5}, {{0, palette::steel}, {1, palette::steel_dark}});
    iron.outline_ink = palette::ink;
    iron.outline_width = 0.8f;
    draw::draw_shape(c, lug, iron);
    round_body(c, m, 8.2f, palette::iron_dark, palette::iron, palette::steel_light, 0.8f);
    // The cast seam round its middle.
    std::vector<point> seam;
    for (int i = 0; i <= 12; ++i) {
        float a = pi * i / 12;
        seam.push_back({m.x + 7.6f * std::cos(a), m.y + 1.5f * std::sin(a)});
    }
    mask line(20, 20);
    draw::stroke_polyline(line, seam, 0.8f);
    draw::fill(c, line, draw::solid(palette::ink), 0.6f);
    draw::drop_faint(c, faint);
    return c;
}

// ---- Indicators ----------------------------------------------------------

// One dot of a tractor beam; the beam never collides, so it may glow.
canvas tractor_picture()
{
    canvas c(5, 5);
    mask m(5, 5);
    draw::fill_circle(m, {2.5f, 2.5f}, 2.5f);
    draw::fill(c, m, draw::radial({2.5f, 2.5f}, 2.5f, {{0, palette::text_white}, {0.35f, palette::glass},
                                                       {1, draw::fade(palette::glass, 0.25f)}}));
    return c;
}

// The flash of a force wave: a white ring with a soft inner glow.
canvas wave_ring_picture()
{
    const int S = 50;
    const point m = {S / 2.0f, S / 2.0f};
    canvas c(S, S);
    mask ring(S, S), hole(S, S);
    draw::fill_circle(ring, m, 23.5f);
    draw::fill_circle(hole, m, 20.5f);
    ring.subtract(hole);
    draw::fill(c, hole, draw::radial(m, 20.5f, {{0.6f, draw::fade(palette::text_white, 0)},
                                                {1, draw::fade(palette::star_blue, 0.3f)}}));
    draw::fill(c, ring, draw::solid(palette::text_white));
    return c;
}
}

void make_ship(const sink& out) { out("ship.png", ship_picture()); }

void make_shots(const sink& out)
{
    out("shot.png", shot_picture());
    out("shover.png", shover_picture());
    out("rocket.png", rocket_picture());
    out("plasmoid.png", plasmoid_picture());
    out("wshot.png", wshot_picture());
    out("heart.png", heart_picture());
}

void make_objects(const sink& out)
{
    out("ball.png", ball_picture());
    out("coin.png", coin_picture());
    out("recking_ball.png", recking_ball_picture());
}

void make_effects(const sink& out)
{
    out("tractor.png", tractor_picture());
    out("wcircle50.png", wave_ring_picture());
    // Nothing at all: what a released carrier shows, so it touches nothing.
    out("transpixel.png", canvas(1, 1));
}

}
