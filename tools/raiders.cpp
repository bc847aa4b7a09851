// Pictures of the raiders from outside the caves: the flapping invader and
// the blocky burst it leaves, the boss ufo and the rock-plated asteroid
// ufo, and the three asteroids. Hardened to their bodies like every enemy;
// only the burst, which touches nothing, is drawn straight in blocks.
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

const float pi = 3.14159265f;

draw::path polygon(const std::vector<point>& pts)
{
    draw::path p;
    p.add(pts);
    return p;
}

// Collects what a picture's body is while its parts are drawn.
struct body_builder {
    canvas& c;
    mask body;

    explicit body_builder(canvas& on) : c(on), body(on.width(), on.height()) {}
    void dress(const mask& m, const draw::look& l)
    {
        draw::draw_shape(c, m, l);
        body.unite(draw::dilate(m, l.outline_width));
    }
    mask blank() const { return mask(c.width(), c.height()); }
};

// ---- Invaders ------------------------------------------------------------

const int invader_w = 28, invader_h = 20;

// One flap: the wings' angle above (negative) or below the level, and
// how far the claws splay.
struct flap {
    const char* file;
    float wing_angle;
    float claw_splay;
};
const flap flaps[] = {{"invader1.png", -0.62f, 0}, {"invader2.png", 0.62f, 1}};

// A bat wing from the shoulder, its tip towards `side` (-1 left, 1 right).
void wing(mask& m, point shoulder, float side, float angle)
{
    // Along the wing and across it, before turning: a leading edge to the
    // tip and a scalloped trailing edge back to the body.
    const point outline[] = {{-1, -2.4f}, {5, -1.6f}, {9.8f, -0.4f}, {10.3f, 0.4f}, {8, 1.2f},
                             {6.6f, 2.4f}, {4.4f, 1.6f}, {2.6f, 2.9f}, {-1, 2.4f}};
    float ca = std::cos(angle), sa = std::sin(angle);
    std::vector<point> pts;
    for (point p : outline)
        pts.push_back({shoulder.x + side * (p.x * ca - p.y * sa), shoulder.y + p.x * sa + p.y * ca});
    draw::fill_path(m, polygon(pts));
}

canvas invader_picture(const flap& f)
{
    canvas c(invader_w, invader_h);
    body_builder b(c);
    const float mid = invader_w / 2.0f;

    mask wings = b.blank();
    wing(wings, {mid - 5.5f, 10}, -1, f.wing_angle);
    wing(wings, {mid + 5.5f, 10}, 1, f.wing_angle);
    colour wing_edge = draw::mix(palette::hostile_plum, palette::hostile_magenta, 0.6f);
    b.dress(wings, hostile_look(draw::radial({mid, 10}, 13, {{0.35f, palette::hostile_plum}, {1, wing_edge}}),
                                draw::fade(palette::hostile_magenta, 0.8f), draw::shade(palette::hostile_plum, 0.4f)));
    mask ribs = b.blank();
    for (float side : {-1.0f, 1.0f}) {
        float ca = std::cos(f.wing_angle), sa = std::sin(f.wing_angle);
        point s = {mid + side * 5.5f, 10};
        for (float across : {-1.2f, 0.9f})
            draw::stroke_line(ribs, s, {s.x + side * (8 * ca - across * sa), s.y + 8 * sa + across * ca}, 0.7f);
    }
    draw::fill(c, ribs, draw::solid(palette::hostile_magenta), 0.8f);

    // Claws under the shell, in or splayed.
    mask claws = b.blank();
    for (float side : {-1.0f, 1.0f}) {
        point hip = {mid + side * 3, 14};
        point knee = {mid + side * (4.2f + 1.4f * f.claw_splay), 16.8f};
        point tip = {mid + side * (3 + 3.6f * f.claw_splay), 18.6f};
        draw::stroke_polyline(claws, {hip, knee, tip}, 1.5f);
    }
    b.dress(claws, hostile_look(draw::solid(draw::mix(palette::hostile_plum, palette::hostile_magenta, 0.4f))));

    // Feelers with glowing green knobs.
    mask feelers = b.blank(), knobs = b.blank();
    for (float side : {-1.0f, 1.0f}) {
        draw::stroke_line(feelers, {mid + side * 2.5f, 5}, {mid + side * 4.6f, 2}, 1.1f);
        draw::fill_circle(knobs, {mid + side * 4.8f, 1.9f}, 1.2f);
    }
    b.dress(feelers, hostile_look(draw::solid(palette::hostile_plum)));
    b.dress(knobs, hostile_look(draw::solid(palette::toxic)));

    // The shell: a magenta dome with a dark band and two green eyes.
    mask shell = b.blank();
    draw::fill_ellipse(shell, {mid, 9.6f}, 7.2f, 5.8f);
    draw::paint carapace = draw::ellipsoid({mid, 9.6f}, 7.6f, 6.2f, palette::hostile_plum, palette::hostile_magenta,
                                           draw::mix(palette::hostile_magenta, palette::eye_core, 0.7f));
    b.dress(shell,
            hostile_look(carapace, draw::fade(palette::eye_core, 0.5f), draw::shade(palette::hostile_plum, 0.5f)));
    mask band = b.blank();
    draw::fill_rect(band, mid - 7, 11.6f, mid + 7, 13);
    band.intersect(shell);
    draw::fill(c, band, draw::solid(draw::shade(palette::hostile_plum, 0.6f)));
    mask teeth = b.blank();
    for (float x : {-3.0f, 0.0f, 3.0f})
        draw::fill_rect(teeth, mid + x - 0.5f, 12, mid + x + 0.5f, 13);
    draw::fill(c, teeth, draw::solid(palette::toxic_pale));
    for (float side : {-1.0f, 1.0f}) {
        mask socket = b.blank();
        draw::fill_ellipse(socket, {mid + side * 3, 8.6f}, 2.2f, 1.8f, side * 0.4f);
        draw::fill(c, socket, draw::solid(palette::ink));
        hostile_eye(c, {mid + side * 3, 8.6f}, 1.5f, palette::toxic);
    }
    draw::harden(c, b.body);
    return c;
}

// A burst in blocks of two pixels: a white-hot core that grows, turns to
// magenta and red, then breaks into scattered embers. Each block keeps its
// own random value through the frames, so the four read as one burst.
canvas block_burst_picture(int frame)
{
    const int S = tile_size, cell = 2, cells = S / cell;
    canvas c(S, S);
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            float cx = (i + 0.5f) * cell - S / 2.0f, cy = (j + 0.5f) * cell - S / 2.0f;
            float luck = gen::value_noise(static_cast<float>(i), static_cast<float>(j), 211);
            // A ragged edge: the distance stretched by smooth noise.
            float d = std::hypot(cx, cy) * (0.8f + 0.4f * gen::value_noise(i * 0.45f, j * 0.45f, 223));
            colour col;
            bool lit = false;
            switch (frame) {
            case 0:
                lit = d < 5.5f;
                col = d < 2.5f ? palette::eye_core : (d < 4 ? palette::flame_core : palette::hostile_magenta);
                break;
            case 1:
                lit = d < 10 && (d < 5 || luck > 0.2f);
                col = d < 3 ? palette::eye_core
                            : d < 5.5f ? palette::flame
                                       : d < 7.5f ? palette::hostile_magenta : palette::hostile_red;
                if (lit && d > 5.5f && luck > 0.92f)
                    col = palette::toxic;
                break;
            case 2:
                lit = d > 4.5f && d < 13.5f && luck > 0.42f;
                col = d < 8 ? palette::hostile_magenta : (luck > 0.7f ? palette::hostile_red : palette::hostile_plum);
                if (luck > 0.95f)
                    col = palette::toxic;
                break;
            default:
                lit = d > 9 && d < 15.8f && luck > 0.74f;
                col = luck > 0.88f ? palette::hostile_red : palette::hostile_crimson;
                break;
            }
            if (!lit)
                continue;
            // Each block lit on its upper-left pixel.
            for (int y = 0; y < cell; ++y)
                for (int x = 0; x < cell; ++x)
                    c.set(i * cell + x, j * cell + y, x + y == 0 ? draw::shade(col, 1.25f) : col);
        }
    return c;
}

// ---- Saucers -------------------------------------------------------------

const int ufo_w = 96, ufo_h = 40;

// The boss: a wide gunmetal disc ringed with gold and running lights, a
// crimson deck under a green glass dome where the pilot's red eyes glow,
// a magenta emitter beneath and a gun pod hanging under each end.
canvas ufo_picture()
{
    canvas c(ufo_w, ufo_h);
    body_builder b(c);
    const point centre = {ufo_w / 2.0f, ufo_h / 2.0f};
    const float mid = centre.x;

    // The gun pods: a crimson housing slung under each end of the rim, its
    // gun (where the shots leave) in a ball mount with a twin barrel.
    for (float side : {-1.0f, 1.0f}) {
        float gx = mid + side * ufo_gun_dx, gy = centre.y + ufo_gun_dy;
        mask barrels = b.blank();
        for (float dx : {-1.4f, 1.4f})
            draw::fill_rounded_rect(barrels, gx + dx - 0.9f, gy, gx + dx + 0.9f, gy + 7, 0.4f);
        b.dress(barrels, hostile_look(draw::cylinder({gx, 0}, {gx, 1}, 2.5f, palette::gunmetal_dark,
                                                     palette::gunmetal_light, palette::steel_light)));
        mask housing = b.blank();
        draw::fill_path(housing, polygon({{gx - 5 * side, 21}, {gx + 6 * side, 22}, {gx + 4.5f * side, 27},
                                          {gx - 4 * side, 27}}));
        draw::paint armour =
            draw::linear({gx - 6, 21}, {gx + 6, 28}, {{0, palette::hostile_red}, {1, palette::hostile_crimson}});
        b.dress(housing, hostile_look(armour, draw::fade(palette::eye_core, 0.4f),
                                      draw::shade(palette::hostile_crimson, 0.5f)));
        mask mount = b.blank();
        draw::fill_circle(mount, {gx, gy - 0.5f}, 3);
        b.dress(mount, hostile_look(draw::sphere({gx, gy - 0.5f}, 3, palette::gunmetal_dark, palette::gunmetal_light,
                                                 palette::steel_light)));
        hostile_eye(c, {gx - 0.3f, gy - 0.8f}, 1.4f, palette::hostile_red);
        mask muzzles = b.blank();
        for (float dx : {-1.4f, 1.4f})
            draw::fill_rect(muzzles, gx + dx - 0.6f, gy + 6, gx + dx + 0.6f, gy + 7);
        draw::fill(c, muzzles, draw::solid(palette::flame));
    }

    // The lower bowl and its emitter.
    const point bowl_c = {mid, 25};
    mask bowl = b.blank();
    draw::fill_ellipse(bowl, bowl_c, 30, 6.6f);
    draw::paint underside =
        draw::ellipsoid(bowl_c, 30, 9, palette::gunmetal_dark, palette::gunmetal, palette::gunmetal_light);
    b.dress(bowl, hostile_look(underside, {}, draw::shade(palette::gunmetal_dark, 0.5f)));
    mask vents = b.blank();
    for (int k = -3; k <= 3; ++k)
        draw::fill_rect(vents, mid + k * 7 - 1.5f, 26, mid + k * 7 + 1.5f, 27);
    vents.intersect(bowl);
    draw::fill(c, vents, draw::solid(palette::ink));
    mask emitter = b.blank();
    draw::fill_ellipse(emitter, {mid, 29.6f}, 9, 1.6f);
    draw::glow(c, emitter, palette::hostile_magenta, 1.5f, 0.8f);
    draw::fill(c, emitter, draw::linear({mid - 9, 0}, {mid + 9, 0}, {{0, palette::hostile_magenta},
                                                                     {0.5f, palette::eye_core},
                                                                     {1, palette::hostile_magenta}}));

    // The disc, its gold band and the running lights along it.
    const point disc_c = {mid, 21};
    mask disc = b.blank();
    draw::fill_ellipse(disc, disc_c, 47, 5.2f);
    draw::paint hull =
        draw::ellipsoid({mid, 19}, 52, 9, palette::gunmetal_dark, palette::gunmetal_light, palette::steel_light);
    b.dress(disc, hostile_look(hull, palette::gunmetal_light, palette::ink));
    mask disc_seams = b.blank();
    for (int k = -4; k <= 4; ++k)
        if (k != 0)
            draw::stroke_line(disc_seams, {mid + k * 6.4f, 18.6f}, {mid + k * 10.4f, 20.4f}, 0.7f);
    disc_seams.intersect(disc);
    draw::fill(c, disc_seams, draw::solid(palette::gunmetal_dark), 0.8f);
    auto band_y = [&](float x) {
        float k = (x - mid) / 46;
        return disc_c.y + 0.6f + 1.4f * std::sqrt(std::max(0.0f, 1 - k * k));
    };
    std::vector<point> band_line;
    for (float x = 2.5f; x <= ufo_w - 2.5f; x += 1.5f)
        band_line.push_back({x, band_y(x)});
    mask band = b.blank();
    draw::stroke_polyline(band, band_line, 1.6f);
    band.intersect(disc);
    draw::fill(c, band, draw::linear({0, 0}, {static_cast<float>(ufo_w), 0},
                                     {{0, palette::gold_deep}, {0.3f, palette::gold_pale}, {0.6f, palette::gold},
                                      {1, palette::gold_deep}}));
    for (int k = -4; k <= 4; ++k) {
        float x = mid + k * 9.5f;
        hostile_eye(c, {x, band_y(x) + 2.2f}, 1.5f, k % 2 ? palette::hostile_red : palette::hostile_magenta);
    }

    // The armoured deck with its seams and rivets.
    const point deck_c = {mid, 16.5f};
    mask deck = b.blank();
    draw::fill_ellipse(deck, deck_c, 27, 5.4f);
    mask above_band = b.blank();
    draw::fill_rect(above_band, 0, 0, ufo_w, 20.5f);
    deck.intersect(above_band);
    draw::paint armour = draw::ellipsoid({mid - 4, 15}, 30, 7, palette::hostile_crimson, palette::hostile_red,
                                         draw::mix(palette::hostile_red, palette::eye_core, 0.5f));
    b.dress(deck, hostile_look(armour, draw::fade(palette::eye_core, 0.45f),
                               draw::shade(palette::hostile_crimson, 0.5f)));
    mask seams = b.blank(), rivets = b.blank();
    for (float k : {-1.0f, -0.62f, 0.62f, 1.0f}) {
        draw::stroke_line(seams, {mid + k * 14, 15.5f}, {mid + k * 24, 19.5f}, 0.8f);
        draw::fill_circle(rivets, {mid + k * 19 + (k < 0 ? 2.5f : -2.5f), 18.4f}, 0.75f);
    }
    seams.intersect(deck);
    draw::fill(c, seams, draw::solid(palette::ink), 0.8f);
    draw::fill(c, rivets, draw::solid(palette::gold));

    // The dome: dark plum glass, and inside it the pilot, lit by his own
    // sickly green glow, a big-skulled head with slanted red eyes.
    const point dome_c = {mid, 13.5f};
    mask dome = b.blank();
    draw::fill_ellipse(dome, dome_c, 13, 12);
    mask above_deck = b.blank();
    draw::fill_rect(above_deck, 0, 0, ufo_w, 15);
    dome.intersect(above_deck);
    draw::look glass;
    glass.body = draw::radial({mid - 5, 5}, 17, {{0, draw::mix(palette::hostile_plum, palette::hostile_magenta, 0.5f)},
                                                 {0.4f, draw::shade(palette::hostile_plum, 0.6f)},
                                                 {1, draw::shade(palette::hostile_plum, 0.22f)}});
    glass.outline_ink = palette::ink;
    glass.outline_width = 1;
    b.dress(dome, glass);
    mask pilot = b.blank();
    draw::fill_ellipse(pilot, {mid, 7.4f}, 5, 4.4f);
    draw::fill_path(pilot, polygon({{mid - 3.6f, 9}, {mid + 3.6f, 9}, {mid + 1.6f, 12.6f}, {mid - 1.6f, 12.6f}}));
    draw::fill_ellipse(pilot, {mid, 15.5f}, 7.5f, 3.6f);
    pilot.intersect(dome);
    mask halo = draw::blur(draw::dilate(pilot, 1.5f), 1.2f);
    halo.intersect(dome);
    draw::fill(c, halo, draw::solid(palette::toxic_deep), 0.8f);
    draw::fill(c, pilot, draw::ellipsoid({mid, 9}, 7, 7, palette::toxic_deep, palette::toxic, palette::toxic_pale));
    for (float side : {-1.0f, 1.0f}) {
        mask socket = b.blank();
        draw::fill_ellipse(socket, {mid + side * 2.1f, 8.6f}, 1.9f, 1.1f, side * 0.5f);
        draw::fill(c, socket, draw::solid(palette::ink));
        hostile_eye(c, {mid + side * 2.1f, 8.6f}, 1.1f, palette::hostile_red);
    }
    mask shine = b.blank();
    std::vector<point> arc;
    for (int i = 0; i <= 8; ++i) {
        float a = pi * (1.12f + 0.32f * i / 8);
        arc.push_back({mid + 10 * std::cos(a), 13.5f + 9.5f * std::sin(a)});
    }
    draw::stroke_polyline(shine, arc, 1.2f);
    draw::fill(c, shine, draw::solid(palette::text_white), 0.75f);
    mask ring = b.blank();
    draw::fill_rounded_rect(ring, mid - 13.5f, 13.6f, mid + 13.5f, 15.6f, 1);
    b.dress(ring, hostile_look(draw::linear({mid - 13, 0}, {mid + 13, 0}, {{0, palette::gold_pale},
                                                                          {0.5f, palette::gold},
                                                                          {1, palette::gold_deep}})));
    draw::harden(c, b.body);
    return c;
}

const int ast_ufo_w = 64, ast_ufo_h = 32;

// A plate of rock bolted on as armour: a lumpy slab lit from the upper left.
void rock_plate(body_builder& b, gen::rng& r, point at, float rx, float ry)
{
    std::vector<point> pts;
    const int corners = 5;
    float turn = r.range(0, 2 * pi);
    for (int i = 0; i < corners; ++i) {
        float a = turn + 2 * pi * (i + r.range(-0.2f, 0.2f)) / corners;
        float k = r.range(0.85f, 1.2f);
        pts.push_back({at.x + rx * k * std::cos(a), at.y + ry * k * std::sin(a)});
    }
    mask plate = b.blank();
    draw::fill_path(plate, polygon(pts));
    draw::paint lit =
        draw::ellipsoid(at, rx * 1.1f, ry * 1.2f, palette::stone_dark, palette::stone, palette::stone_light);
    uint32_t seed = r.next();
    draw::paint stone = [lit, seed](float x, float y) {
        return draw::shade(lit(x, y), 0.8f + 0.4f * gen::fbm(x / 1.6f, y / 1.6f, seed, 2));
    };
    b.dress(plate, hostile_look(stone, draw::fade(palette::stone_light, 0.8f), palette::stone_dark));
    mask bolt = b.blank();
    draw::fill_circle(bolt, {at.x - 0.5f, at.y}, 0.8f);
    draw::fill(b.c, bolt, draw::solid(palette::gold_deep));
}

// The asteroid ufo: a smaller, battered saucer with slabs of rock bolted
// over its hull and rams of rock at both ends, one red eye in a dark
// dome, a red vent under it.
canvas ast_ufo_picture()
{
    canvas c(ast_ufo_w, ast_ufo_h);
    body_builder b(c);
    const float mid = ast_ufo_w / 2.0f;
    gen::rng r(307);

    mask bowl = b.blank();
    draw::fill_ellipse(bowl, {mid, 21}, 18, 5.6f);
    draw::paint underside =
        draw::ellipsoid({mid, 20}, 18, 8, palette::gunmetal_dark, palette::gunmetal, palette::gunmetal_light);
    b.dress(bowl, hostile_look(underside, {}, draw::shade(palette::gunmetal_dark, 0.5f)));
    mask vent = b.blank();
    draw::fill_ellipse(vent, {mid, 25.4f}, 6, 1.2f);
    draw::glow(c, vent, palette::hostile_red, 1.2f, 0.8f);
    draw::fill(c, vent, draw::linear({mid - 6, 0}, {mid + 6, 0}, {{0, palette::hostile_red}, {0.5f, palette::flame},
                                                                  {1, palette::hostile_red}}));

    mask rams = b.blank();
    draw::fill_path(rams, polygon({{7, 15.5f}, {0.5f, 17.5f}, {2.5f, 19}, {0.8f, 21.2f}, {7, 21}}));
    draw::fill_path(rams, polygon({{57, 15.5f}, {63.5f, 17.5f}, {61.5f, 19}, {63.2f, 21.2f}, {57, 21}}));
    b.dress(rams, hostile_look(draw::linear({0, 14}, {0, 22}, {{0, palette::stone_light}, {1, palette::stone_dark}}),
                               draw::fade(palette::stone_light, 0.8f), palette::stone_dark));

    mask disc = b.blank();
    draw::fill_ellipse(disc, {mid, 18}, 27.5f, 4.8f);
    draw::paint hull =
        draw::ellipsoid({mid, 16.5f}, 31, 8, palette::gunmetal_dark, palette::gunmetal_light, palette::steel_light);
    b.dress(disc, hostile_look(hull, palette::gunmetal_light, palette::ink));
    mask lights = b.blank();
    for (float x : {-21.0f, -13.0f, 13.0f, 21.0f})
        draw::fill_rect(lights, mid + x - 1, 19.2f, mid + x + 1, 20.4f);
    draw::fill(c, lights, draw::solid(palette::hostile_red));

    mask dome = b.blank();
    draw::fill_ellipse(dome, {mid, 12.5f}, 8.5f, 7.5f);
    mask above = b.blank();
    draw::fill_rect(above, 0, 0, ast_ufo_w, 14.5f);
    dome.intersect(above);
    draw::look glass;
    glass.body = draw::radial({mid - 3, 7}, 11, {{0, draw::mix(palette::hostile_red, palette::eye_core, 0.35f)},
                                                 {0.35f, palette::hostile_crimson},
                                                 {1, draw::shade(palette::hostile_crimson, 0.35f)}});
    glass.outline_ink = palette::ink;
    glass.outline_width = 1;
    b.dress(dome, glass);
    hostile_eye(c, {mid, 10.2f}, 2.4f, palette::hostile_red);

    // The armour: slabs over the hull's top and a few on the bowl.
    const point plates[] = {{9, 15.5f}, {17.5f, 13.8f}, {46.5f, 13.8f}, {55, 15.5f}, {22.5f, 22}, {41.5f, 22}};
    for (point at : plates)
        rock_plate(b, r, at, 5.8f, 3.8f);
    mask seam = b.blank();
    draw::fill_rect(seam, mid - 10, 14.2f, mid + 10, 15.2f);
    b.dress(seam, hostile_look(draw::solid(palette::gold_deep)));
    draw::harden(c, b.body);
    return c;
}

// ---- Asteroids -----------------------------------------------------------

// One rock: a lumpy outline, bumps and a few craters, lit from the upper
// left; the bigger ones show embers in their deepest cracks.
struct rock {
    const char* file;
    int size;
    float radius;
    uint32_t seed;
    int craters;
    bool embers;
};
const rock rocks[] = {
    {"asteroid1.png", 40, 17.6f, 401, 5, true},
    {"asteroid2.png", 24, 10.3f, 409, 3, true},
    {"asteroid3.png", 14, 5.8f, 419, 1, false},
};

struct crater {
    point at;
    float radius;
};

canvas asteroid_picture(const rock& k)
{
    const int S = k.size;
    const point m = {S / 2.0f, S / 2.0f};
    canvas c(S, S);
    gen::rng r(k.seed);

    // The outline: the radius wanders with smooth noise round the circle.
    const float phase = r.range(0, 10);
    auto outline_radius = [&](float a) {
        float n = gen::fbm(1.6f * std::cos(a) + phase, 1.6f * std::sin(a) + phase, k.seed, 2);
        return k.radius * (0.76f + 0.42f * n);
    };
    std::vector<point> pts;
    const int corners = 72;
    for (int i = 0; i < corners; ++i) {
        float a = 2 * pi * i / corners;
        float rr = std::min(outline_radius(a), S / 2.0f - 1.2f);
        pts.push_back({m.x + rr * std::cos(a), m.y + rr * std::sin(a)});
    }
    mask shape(S, S);
    draw::fill_path(shape, polygon(pts));

    std::vector<crater> craters;
    for (int i = 0; i < k.craters; ++i) {
        float a = r.range(0, 2 * pi), d = r.range(0.1f, 0.55f) * k.radius;
        float cr = r.range(0.16f, 0.28f) * k.radius;
        craters.push_back({{m.x + d * std::cos(a), m.y + d * std::sin(a)}, std::max(cr, 1.6f)});
    }

    draw::paint unit = draw::sphere({0, 0}, 1, palette::stone_dark, palette::stone, palette::stone_light);
    const float R = k.radius * 1.05f;
    const uint32_t grain_seed = r.next();
    draw::paint surface = [=](float x, float y) {
        // A sphere's normal, tilted by the slope of the bumps and cupped
        // inside each crater; the crater's lip stands out round it.
        float nx = (x - m.x) / R, ny = (y - m.y) / R;
        const float h = 0.5f, bump = 2.2f / k.radius * 4;
        float gx = gen::fbm((x + h) / 3, y / 3, k.seed + 7, 2) - gen::fbm((x - h) / 3, y / 3, k.seed + 7, 2);
        float gy = gen::fbm(x / 3, (y + h) / 3, k.seed + 7, 2) - gen::fbm(x / 3, (y - h) / 3, k.seed + 7, 2);
        nx -= bump * gx;
        ny -= bump * gy;
        float shade = 1;
        for (const crater& cr : craters) {
            float dx = (x - cr.at.x) / cr.radius, dy = (y - cr.at.y) / cr.radius;
            float d = std::hypot(dx, dy);
            if (d < 1) {
                nx = -0.8f * dx;
                ny = -0.8f * dy;
                shade = 0.8f;
            } else if (d < 1.35f) {
                nx = 0.7f * dx / d + 0.3f * nx;
                ny = 0.7f * dy / d + 0.3f * ny;
            }
        }
        float grain = gen::value_noise(x * 1.4f, y * 1.4f, grain_seed);
        colour col = draw::shade(unit(nx, ny), shade * (0.85f + 0.3f * grain));
        if (k.embers) {
            float ridge = 1 - std::fabs(2 * gen::fbm(x / 5 + 11, y / 5, k.seed + 3, 2) - 1);
            float dark_side = std::max(0.0f, ((x - m.x) + (y - m.y)) / (2 * k.radius));
            if (ridge > 0.93f && dark_side > 0.1f)
                col = draw::mix(col, palette::ember, std::min(1.0f, (ridge - 0.93f) * 25 * dark_side * 2));
        }
        return col;
    };
    draw::look stone =
        hostile_look(surface, draw::fade(palette::stone_light, 0.7f), draw::shade(palette::stone_dark, 0.6f));
    draw::draw_shape(c, shape, stone);
    draw::harden(c, draw::dilate(shape, 1));
    return c;
}
}

void make_invaders(const sink& out)
{
    for (const flap& f : flaps)
        out(f.file, invader_picture(f));
    for (int frame = 0; frame < 4; ++frame)
        out("blockexplo" + std::to_string(frame) + ".png", block_burst_picture(frame));
}

void make_saucers(const sink& out)
{
    out("ufo.png", ufo_picture());
    out("ast_ufo.png", ast_ufo_picture());
}

void make_asteroids(const sink& out)
{
    for (const rock& k : rocks)
        out(k.file, asteroid_picture(k));
}

}
