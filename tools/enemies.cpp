// Pictures of the cave's enemies: the turrets and their bullet, the
// bobbler and the miner, the graldor with its birth frames and its baby;
// and the marks all enemies share. Enemies wear plum gunmetal, crimson
// armour and sickly green flesh with glowing red eyes, apart from the
// ship's steel, gold and cyan. Each picture is hardened to its body, since
// every pixel with alpha above 0 is hit in the collision tests.
#include <algorithm>
#include <cmath>
#include <string>
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
using draw::transform;

const float pi = 3.14159265f;
const int T = tile_size;

draw::path polygon(const std::vector<point>& pts)
{
    draw::path p;
    p.add(pts);
    return p;
}

// ---- Turrets -------------------------------------------------------------

// A turret is drawn standing on a floor and aiming up, the same on both
// sides of its barrel. Its facing maps that drawing onto the cell by a
// mirror that takes whole pixels to whole pixels (for a symmetric drawing,
// the same as a turn), so the four turrets have exactly one body; the
// paints are placed in the cell, so each turret is lit from the upper left.
struct facing {
    const char* file;
    transform to_cell;
};
const facing facings[] = {
    {"turret_up.png", {1, 0, 0, 1, 0, 0}},     // on a floor
    {"turret_down.png", {1, 0, 0, -1, 0, T}},  // under a ceiling
    {"turret_left.png", {0, 1, 1, 0, 0, 0}},   // on a wall to its right
    {"turret_right.png", {0, 1, -1, 0, T, 0}}, // on a wall to its left
};

// The standing drawing's mask moved onto the cell, pixel for pixel.
mask turned(const mask& standing, const transform& t)
{
    mask out(standing.width(), standing.height());
    for (int y = 0; y < standing.height(); ++y)
        for (int x = 0; x < standing.width(); ++x) {
            point p = t.apply({x + 0.5f, y + 0.5f});
            out.set(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)), standing.get(x, y));
        }
    return out;
}

canvas turret_picture(const transform& t)
{
    const float mid = T / 2.0f;
    auto at = [&](float x, float y) { return t.apply({x, y}); };
    auto part = [&](auto drawing) {
        mask m(T, T);
        drawing(m);
        return turned(m, t);
    };
    canvas c(T, T);
    mask body(T, T);
    auto dress = [&](const mask& m, const draw::look& l) {
        draw::draw_shape(c, m, l);
        body.unite(draw::dilate(m, l.outline_width));
    };

    // The foot bolted to the wall, its whole edge on the wall.
    mask foot = part([](mask& m) {
        draw::fill_rounded_rect(m, 2, 27, 30, 34, 1.5f);
        draw::fill_path(m, polygon({{5, 27.5f}, {27, 27.5f}, {24, 24}, {8, 24}}));
    });
    dress(foot, hostile_look(draw::linear({0, 0}, {T, T}, {{0, palette::gunmetal_light}, {0.5f, palette::gunmetal},
                                                           {1, palette::gunmetal_dark}}),
                             palette::gunmetal_light, draw::shade(palette::gunmetal_dark, 0.6f)));
    mask bolts = part([](mask& m) {
        draw::fill_circle(m, {5, 30}, 1.2f);
        draw::fill_circle(m, {27, 30}, 1.2f);
    });
    draw::fill(c, bolts, draw::solid(palette::gold));
    mask lamps = part([](mask& m) {
        for (float x : {10.0f, 13.0f, 19.0f, 22.0f})
            draw::fill_rect(m, x, 29, x + 1.5f, 30.5f);
    });
    draw::fill(c, lamps, draw::solid(palette::hostile_red));

    // The armoured dome, crimson, with a visor slit and its red eye.
    const point dome_centre = at(mid, 27);
    mask dome = part([&](mask& m) {
        draw::fill_circle(m, {mid, 27}, 11.5f);
        mask above(T, T);
        draw::fill_rect(above, 0, 0, T, 27);
        m.intersect(above);
    });
    colour armour_shine = draw::mix(palette::hostile_red, palette::eye_core, 0.6f);
    dress(dome, hostile_look(draw::sphere(dome_centre, 11.5f, draw::shade(palette::hostile_crimson, 0.55f),
                                          palette::hostile_red, armour_shine),
                             draw::fade(palette::eye_core, 0.5f), draw::shade(palette::hostile_crimson, 0.4f)));
    mask seams = part([&](mask& m) {
        for (float a : {-0.6f, 0.6f})
            draw::stroke_line(m, {mid + 6.5f * std::sin(a), 27 - 6.5f * std::cos(a)},
                              {mid + 10.5f * std::sin(a), 27 - 10.5f * std::cos(a)}, 0.8f);
    });
    draw::fill(c, seams, draw::solid(palette::ink), 0.7f);
    mask visor = part([&](mask& m) { draw::fill_ellipse(m, {mid, 22.5f}, 5.5f, 2.6f); });
    draw::fill(c, visor, draw::solid(palette::ink));
    hostile_eye(c, at(mid, 22.5f), 2.2f, palette::hostile_red);

    // The barrel, with a collar where it leaves the dome and a muzzle
    // brake glowing at its tip.
    mask barrel = part([&](mask& m) { draw::fill_rect(m, mid - 3, 4, mid + 3, 17); });
    dress(barrel, hostile_look(draw::cylinder(at(mid, 0), at(mid, T), 3, palette::gunmetal_dark,
                                              palette::gunmetal_light, palette::steel_light)));
    mask collar = part([&](mask& m) { draw::fill_rounded_rect(m, mid - 4.5f, 14, mid + 4.5f, 18, 1); });
    dress(collar, hostile_look(draw::cylinder(at(mid, 0), at(mid, T), 4.5f, palette::gold_deep, palette::gold,
                                              palette::gold_pale)));
    mask muzzle = part([&](mask& m) { draw::fill_rounded_rect(m, mid - 4, 1, mid + 4, 6.5f, 1); });
    dress(muzzle, hostile_look(draw::cylinder(at(mid, 0), at(mid, T), 4, palette::gunmetal_dark,
                                              palette::gunmetal, palette::gunmetal_light)));
    mask vents = part([&](mask& m) {
        draw::fill_rect(m, mid - 4, 3.2f, mid - 2, 4.4f);
        draw::fill_rect(m, mid + 2, 3.2f, mid + 4, 4.4f);
    });
    draw::fill(c, vents, draw::solid(palette::ink));
    mask bore = part([&](mask& m) { draw::fill_rect(m, mid - 2, 1.2f, mid + 2, 2.4f); });
    draw::fill(c, bore, draw::solid(draw::mix(palette::hostile_red, palette::flame, 0.5f)));

    draw::harden(c, body);
    return c;
}

// The enemies' bullet: a round knot of red and magenta fire with a
// white-hot heart, nothing like the player's yellow pellet.
canvas t_shot_picture()
{
    const int S = 6;
    const point m = {3, 3};
    canvas c(S, S);
    mask body(S, S);
    draw::fill_circle(body, m, 2.9f);
    draw::fill(c, body, draw::radial({2.7f, 2.7f}, 3, {{0.2f, palette::eye_core}, {0.5f, palette::hostile_magenta},
                                                      {0.8f, palette::hostile_red}, {1, palette::hostile_crimson}}));
    draw::harden(c, body);
    return c;
}

// ---- Drifters ------------------------------------------------------------

// A bobbler: a small bell of sickly green jelly with one red eye, three
// stubby magenta tentacles trailing below.
canvas bobbler_picture()
{
    const int S = 16;
    const point bell_c = {8, 6.3f};
    const float rx = 6.4f, ry = 5.3f;
    canvas c(S, S);
    mask body(S, S);

    mask tentacles(S, S);
    draw::stroke_polyline(tentacles, {{4.4f, 9.5f}, {3, 12.2f}, {3.4f, 14.8f}}, 1.8f);
    draw::stroke_polyline(tentacles, {{8, 10}, {8.3f, 12.5f}, {8, 14.9f}}, 1.8f);
    draw::stroke_polyline(tentacles, {{11.6f, 9.5f}, {13, 12.2f}, {12.6f, 14.8f}}, 1.8f);
    draw::draw_shape(c, tentacles, hostile_look(draw::linear({0, 9}, {0, 15}, {{0, palette::hostile_plum},
                                                                              {1, palette::hostile_magenta}})));
    body.unite(draw::dilate(tentacles, 1));

    // The bell, its rim scalloped where the tentacles hang.
    mask bell(S, S);
    draw::fill_ellipse(bell, bell_c, rx, ry);
    draw::fill_path(bell, polygon({{1.6f, 7}, {14.4f, 7}, {14, 10.2f}, {11.8f, 10.8f}, {10, 9.6f}, {8, 11},
                                   {6, 9.6f}, {4.2f, 10.8f}, {2, 10.2f}}));
    draw::paint jelly =
        draw::ellipsoid(bell_c, rx + 0.5f, ry + 1.5f, palette::toxic_deep, palette::toxic, palette::toxic_pale);
    draw::draw_shape(c, bell, hostile_look(jelly, draw::fade(palette::toxic_pale, 0.7f),
                                           draw::shade(palette::toxic_deep, 0.6f)));
    body.unite(draw::dilate(bell, 1));
    // The jelly is lit from within: a pale heart, a darker membrane along
    // the rim, and a wet gleam on the upper left.
    mask heart(S, S);
    draw::fill_ellipse(heart, {8.2f, 6.6f}, 4, 3.3f);
    draw::fill(c, heart, draw::radial({8.2f, 6.6f}, 4, {{0, draw::fade(palette::toxic_pale, 0.6f)},
                                                        {1, draw::fade(palette::toxic_pale, 0)}}));
    mask membrane(S, S);
    draw::stroke_polyline(membrane, {{2.6f, 8.6f}, {5, 9.3f}, {8, 9.7f}, {11, 9.3f}, {13.4f, 8.6f}}, 0.9f);
    draw::fill(c, membrane, draw::solid(palette::toxic_deep), 0.8f);
    mask gleam(S, S);
    draw::fill_ellipse(gleam, {4.6f, 3.4f}, 1.6f, 0.8f, -0.7f);
    draw::fill(c, gleam, draw::solid(palette::text_white), 0.9f);

    mask socket(S, S);
    draw::fill_circle(socket, {8.3f, 6.4f}, 2.8f);
    draw::fill(c, socket, draw::solid(draw::shade(palette::toxic_deep, 0.6f)));
    hostile_eye(c, {8.3f, 6.4f}, 2.1f, palette::hostile_red);
    draw::harden(c, body);
    return c;
}

// A miner: a dark steel ball bristling with eight spikes, a red warning
// lamp staring from its middle in a gold bezel, hazard marks round it.
canvas miner_picture()
{
    const int S = 24;
    const point m = {S / 2.0f, S / 2.0f};
    canvas c(S, S);
    mask body(S, S);

    mask spikes(S, S);
    for (int i = 0; i < 8; ++i) {
        float a = i * pi / 4;
        float dx = std::cos(a), dy = std::sin(a), nx = -dy, ny = dx;
        auto p = [&](float along, float across) {
            return point{m.x + along * dx + across * nx, m.y + along * dy + across * ny};
        };
        draw::fill_path(spikes, polygon({p(5.5f, -2.8f), p(10.2f, -0.9f), p(10.9f, 0), p(10.2f, 0.9f), p(5.5f, 2.8f)}));
    }
    draw::look spike_look = hostile_look(draw::sphere(m, 11.5f, palette::gunmetal, palette::steel,
                                                      palette::steel_light));
    draw::draw_shape(c, spikes, spike_look);
    body.unite(draw::dilate(spikes, 1));

    mask ball(S, S);
    draw::fill_circle(ball, m, 7.4f);
    draw::draw_shape(c, ball, hostile_look(draw::sphere(m, 7.4f, draw::shade(palette::gunmetal_dark, 0.7f),
                                                        palette::gunmetal, palette::gunmetal_light),
                                           palette::gunmetal_light, palette::ink));
    body.unite(draw::dilate(ball, 1));
    // Red hazard ticks between the spikes.
    mask ticks(S, S);
    for (int i = 0; i < 8; ++i) {
        float a = i * pi / 4 + pi / 8;
        draw::stroke_line(ticks, {m.x + 4.9f * std::cos(a), m.y + 4.9f * std::sin(a)},
                          {m.x + 6.4f * std::cos(a), m.y + 6.4f * std::sin(a)}, 1.3f);
    }
    draw::fill(c, ticks, draw::solid(palette::hostile_red));

    mask bezel(S, S), hole(S, S);
    draw::fill_circle(bezel, m, 3.6f);
    draw::fill_circle(hole, m, 2.6f);
    bezel.subtract(hole);
    draw::fill(c, bezel, draw::sphere(m, 3.6f, palette::gold_deep, palette::gold, palette::gold_pale));
    draw::fill(c, hole, draw::solid(palette::ink));
    hostile_eye(c, m, 2.3f, palette::hostile_red);
    draw::harden(c, body);
    return c;
}

// ---- Graldors ------------------------------------------------------------

// One picture of the birth: how far the body swells and the mouth opens.
struct birth_frame {
    const char* file;
    float swell; // 0 at rest, 1 at the strain before the baby leaves
    float open;  // 0 shut, 1 as wide as it gets, when the baby leaves
};
// In the order the game plays them; the baby leaves between graldor4 and
// graldor5, so the mouth is widest there, and graldor0 is the rest.
const birth_frame birth_frames[] = {
    {"graldor1.png", 0.3f, 0.12f},  {"graldor2.png", 0.6f, 0.3f},  {"graldor3.png", 0.85f, 0.55f},
    {"graldor4.png", 1, 0.85f},     {"graldor5.png", 0.8f, 1},     {"graldor6.png", 0.5f, 0.72f},
    {"graldor7.png", 0.3f, 0.48f},  {"graldor8.png", 0.15f, 0.27f}, {"graldor9.png", 0.05f, 0.1f},
    {"graldor0.png", 0, 0},
};

// Mottled green flesh, lit from the upper left like a squat dome.
draw::paint graldor_flesh(point centre, float rx, float ry)
{
    colour skin = draw::mix(palette::toxic, palette::toxic_deep, 0.25f);
    draw::paint lit = draw::ellipsoid(centre, rx, ry, palette::toxic_deep, skin, palette::toxic_pale);
    return [=](float x, float y) {
        colour col = lit(x, y);
        float blotch = gen::fbm(x / 3.2f, y / 3.2f, 131, 2);
        if (blotch > 0.6f)
            col = draw::mix(col, draw::shade(palette::toxic_deep, 0.7f), std::min(0.7f, (blotch - 0.6f) * 5));
        return col;
    };
}

// The mouth's centre: the baby (8 x 8) leaves through it.
const point mouth_centre = {graldor_mouth.x + 4, graldor_mouth.y + 4};

canvas graldor_picture(const birth_frame& f)
{
    canvas c(T, T);
    mask body(T, T);
    const float rx = 13.4f + 0.8f * f.swell, ry = 10 + 1.4f * f.swell;
    const float base = 29; // the bottom of the dome stays put as it swells
    const point centre = {T / 2.0f, base - ry};

    // Sucker feet it clings with, then the dome on its flared skirt, and
    // its warts.
    mask feet(T, T);
    for (float x : {6.0f, 12.0f, 20.0f, 26.0f})
        draw::fill_ellipse(feet, {x, base + 0.6f}, 2.5f, 1.8f);
    draw::draw_shape(c, feet,
                     hostile_look(draw::solid(palette::hostile_plum), draw::fade(palette::hostile_magenta, 0.7f)));
    body.unite(draw::dilate(feet, 1));

    mask flesh(T, T);
    draw::fill_ellipse(flesh, centre, rx - 1.5f, ry - 0.5f);
    draw::fill_ellipse(flesh, {centre.x, base - 3.6f}, rx, 4.1f);
    draw::fill_rect(flesh, centre.x - rx + 2.5f, centre.y, centre.x + rx - 2.5f, base - 3.6f);
    const point warts[] = {{-7.5f, -6.5f}, {-2.5f, -9}, {4.5f, -8.5f}, {9.5f, -4.5f}, {-11, -1.5f}};
    for (point w : warts)
        draw::fill_circle(flesh, {centre.x + w.x * rx / 13.4f, centre.y + w.y * ry / 10}, 2);
    draw::draw_shape(c, flesh,
                     hostile_look(graldor_flesh(centre, rx + 1, ry + 1), draw::fade(palette::toxic_pale, 0.5f),
                                  draw::shade(palette::toxic_deep, 0.5f)));
    body.unite(draw::dilate(flesh, 1));
    mask wart_tips(T, T);
    for (point w : warts)
        draw::fill_circle(wart_tips, {centre.x + w.x * rx / 13.4f - 0.5f, centre.y + w.y * ry / 10 - 0.5f}, 0.8f);
    draw::fill(c, wart_tips, draw::solid(palette::toxic_pale), 0.7f);

    // Three red eyes along its brow, wider as it strains.
    for (float x : {-7.0f, 0.0f, 7.0f}) {
        point e = {centre.x + x * (1 + 0.04f * f.swell), centre.y - 3.5f + std::fabs(x) * 0.25f};
        mask lid(T, T);
        draw::fill_circle(lid, e, 2.6f);
        draw::fill(c, lid, draw::solid(palette::toxic_deep));
        hostile_eye(c, e, 1.8f + 0.25f * f.swell, palette::hostile_red);
    }

    // The mouth: plum lips round a glowing crimson gullet, with teeth.
    const float mx = 2.8f + 3.6f * f.open, my = 0.4f + 4.4f * f.open;
    mask lips(T, T);
    draw::fill_ellipse(lips, mouth_centre, mx + 1.3f, my + 1.1f);
    draw::fill(c, lips, draw::solid(palette::hostile_plum));
    if (f.open > 0) {
        mask gullet(T, T);
        draw::fill_ellipse(gullet, mouth_centre, mx, my);
        draw::fill(c, gullet, draw::radial(mouth_centre, std::max(mx, my),
                                           {{0, draw::mix(palette::eye_core, palette::flame, 0.4f)},
                                            {0.45f, palette::hostile_red},
                                            {1, palette::hostile_crimson}}));
        mask teeth(T, T);
        for (float k : {-0.55f, 0.0f, 0.55f}) {
            float tx = mouth_centre.x + k * mx, half = 1.1f, len = 0.8f + 1.4f * f.open;
            float top = mouth_centre.y - my * std::sqrt(std::max(0.0f, 1 - k * k)) - 0.3f;
            float bottom = mouth_centre.y + my * std::sqrt(std::max(0.0f, 1 - k * k)) + 0.3f;
            draw::fill_path(teeth, polygon({{tx - half, top}, {tx + half, top}, {tx, top + len}}));
            draw::fill_path(teeth, polygon({{tx - half, bottom}, {tx + half, bottom}, {tx, bottom - len}}));
        }
        draw::fill(c, teeth, draw::solid(palette::toxic_pale));
    } else {
        mask seam(T, T);
        const point m = mouth_centre;
        draw::stroke_polyline(seam, {{m.x - 3.2f, m.y - 0.6f}, {m.x, m.y + 0.4f}, {m.x + 3.2f, m.y - 0.6f}}, 0.9f);
        draw::fill(c, seam, draw::solid(palette::ink));
    }
    draw::harden(c, body);
    return c;
}

// The baby: a fat green grub of the same flesh, two red eyes and a maw.
canvas baby_graldor_picture()
{
    const int S = 8;
    canvas c(S, S);
    mask grub(S, S);
    draw::fill_ellipse(grub, {4, 4.2f}, 2.7f, 2.4f);
    draw::draw_shape(c, grub,
                     hostile_look(graldor_flesh({3.6f, 3.8f}, 3.4f, 3.2f), draw::fade(palette::toxic_pale, 0.7f)));
    mask body = draw::dilate(grub, 1);
    // At this size the eyes and the maw are single pixels.
    c.set(2, 3, palette::hostile_red);
    c.set(5, 3, palette::hostile_red);
    c.set(3, 5, palette::hostile_crimson);
    c.set(4, 5, palette::hostile_crimson);
    draw::harden(c, body);
    return c;
}
}

draw::look hostile_look(draw::paint body, colour rim_light, colour rim_shade)
{
    draw::look l;
    l.body = std::move(body);
    l.outline_ink = palette::ink;
    l.outline_width = 1;
    l.rim_light = rim_light;
    l.rim_shade = rim_shade;
    l.light_dx = -1;
    l.light_dy = -1;
    return l;
}

void hostile_eye(canvas& c, point at, float radius, colour light)
{
    mask iris(c.width(), c.height()), core(c.width(), c.height());
    draw::fill_circle(iris, at, radius);
    draw::fill_circle(core, {at.x - radius * 0.2f, at.y - radius * 0.2f}, radius * 0.42f);
    draw::fill(c, iris, draw::radial(at, radius, {{0, draw::mix(light, palette::eye_core, 0.5f)}, {0.6f, light},
                                                  {1, draw::shade(light, 0.45f)}}));
    draw::glow(c, core, light, radius * 0.6f, 0.8f);
    draw::fill(c, core, draw::solid(palette::eye_core));
}

void make_turrets(const sink& out)
{
    for (const facing& f : facings)
        out(f.file, turret_picture(f.to_cell));
    out("t_shot.png", t_shot_picture());
}

void make_drifters(const sink& out)
{
    out("bobbler.png", bobbler_picture());
    out("miner.png", miner_picture());
}

void make_graldors(const sink& out)
{
    for (const birth_frame& f : birth_frames)
        out(f.file, graldor_picture(f));
    out("baby_graldor.png", baby_graldor_picture());
}

}
