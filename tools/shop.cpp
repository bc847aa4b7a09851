// Pictures of the shop: the weapon mount's socket and each weapon as the
// shop fits it, and the equipment bay with the systems that go in it.
// The shop shows them over its dimmed ship and collides none of them, so
// they keep their soft edges and glows. Weapons are seen from above with
// the barrel up and their pivot on the picture's centre, since the shop
// turns them about that centre to the mount's firing direction.
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
using draw::transform;

const float pi = 3.14159265f;
const int W = shop_weapon_width, H = shop_weapon_height;
const float mid = W / 2.0f;

draw::path polygon(const std::vector<point>& pts)
{
    draw::path p;
    p.add(pts);
    return p;
}

// A contour symmetric about x = mid from its left half, listed top down.
draw::path mirrored(const std::vector<point>& left)
{
    std::vector<point> all = left;
    for (auto it = left.rbegin(); it != left.rend(); ++it)
        all.push_back({2 * mid - it->x, it->y});
    return polygon(all);
}

// ---- Paints and parts shared by the shop's pictures ----------------------

draw::look dressed(draw::paint body, float outline = 0.8f)
{
    draw::look l;
    l.body = std::move(body);
    l.outline_ink = palette::ink;
    l.outline_width = outline;
    return l;
}

// Round bars along y, lit from the left like every ball of the house.
draw::paint steel_bar(float x, float half)
{
    return draw::cylinder({x, 0}, {x, 1}, half, palette::steel_dark, palette::steel_light, palette::text_white);
}
draw::paint gold_bar(float x, float half)
{
    return draw::cylinder({x, 0}, {x, 1}, half, palette::gold_deep, palette::gold, palette::gold_pale);
}
draw::paint steel_ball(point at, float r)
{
    return draw::sphere(at, r, palette::steel_dark, palette::steel, palette::steel_light);
}
draw::paint gold_down(float y0, float y1)
{
    return draw::linear({0, y0}, {0, y1}, {{0, palette::gold_pale}, {0.5f, palette::gold}, {1, palette::gold_deep}});
}

// A bar of width 2 half standing on x from y0 down to y1.
mask bar(int w, int h, float x, float half, float y0, float y1, float round = 0.8f)
{
    mask m(w, h);
    draw::fill_rounded_rect(m, x - half, y0, x + half, y1, round);
    return m;
}

// A hot point with its light round it: a pellet in a muzzle, a lamp.
void glowing_dot(canvas& c, point at, float r, colour core, colour light, float sigma)
{
    mask m(c.width(), c.height());
    draw::fill_circle(m, at, r);
    draw::glow(c, m, light, sigma, 1.2f);
    draw::fill(c, m, draw::radial({at.x - 0.3f * r, at.y - 0.3f * r}, r * 1.2f,
                                  {{0, palette::text_white}, {0.45f, core}, {1, light}}));
}

// The weapon's pivot: a round steel plate the shop sets on the mount.
void pivot_plate(canvas& c, point at, float r)
{
    mask m(c.width(), c.height());
    draw::fill_circle(m, at, r);
    draw::draw_shape(c, m, dressed(steel_ball(at, r)));
    mask ring(c.width(), c.height()), hole(c.width(), c.height());
    draw::fill_circle(ring, at, r - 1.2f);
    draw::fill_circle(hole, at, r - 2.2f);
    ring.subtract(hole);
    draw::fill(c, ring, draw::solid(palette::steel_dark), 0.7f);
}

// ---- The mount socket ----------------------------------------------------

// A steel ring with a gold rim round a glowing cyan eye, and a gold tab
// on top that points the way the mount fires.
canvas weapon_point_picture()
{
    const int S = shop_point_size;
    const point o = {S / 2.0f, S / 2.0f};
    canvas c(S, S);

    mask ring(S, S), hole(S, S);
    draw::fill_circle(ring, o, 7.4f);
    draw::fill_circle(hole, o, 4.8f);
    ring.subtract(hole);
    draw::look steel = dressed(draw::radial({o.x - 3, o.y - 3}, 12, {{0, palette::steel_light}, {0.5f, palette::steel},
                                                                    {1, palette::steel_dark}}));
    steel.rim_light = draw::fade(palette::steel_light, 0.8f);
    steel.rim_shade = palette::steel_dark;
    steel.light_dx = -1;
    steel.light_dy = -1;
    draw::draw_shape(c, ring, steel);
    mask rim(S, S), inside(S, S);
    draw::fill_circle(rim, o, 6.2f);
    draw::fill_circle(inside, o, 5.3f);
    rim.subtract(inside);
    draw::fill(c, rim, gold_down(3, 17));
    // The pointer sits on the ring's top, towards the firing direction.
    mask tab(S, S);
    draw::fill_path(tab, polygon({{o.x, 0.4f}, {o.x + 4.0f, 4.6f}, {o.x - 4.0f, 4.6f}}));
    draw::draw_shape(c, tab, dressed(gold_down(0.4f, 4.6f), 0.8f));

    // The eye: dark glass lit from its middle.
    draw::fill(c, hole, draw::radial(o, 4.8f, {{0, draw::shade(palette::glass, 0.6f)},
                                              {0.6f, draw::shade(palette::nebula_teal, 0.7f)},
                                              {1, palette::ink}}));
    mask core(S, S);
    draw::fill_circle(core, o, 2.4f);
    draw::glow(c, core, palette::glass, 1.6f, 1.0f);
    draw::fill(c, core, draw::radial(o, 2.4f, {{0, palette::text_white}, {0.5f, palette::glass},
                                               {1, draw::shade(palette::glass, 0.7f)}}));
    return c;
}

// ---- The weapons, barrel up ----------------------------------------------

// The basic gun: one thin barrel on a small plate, a yellow pellet in
// its gold-banded muzzle.
canvas peashooter_picture()
{
    canvas c(W, H);
    pivot_plate(c, {mid, 17}, 5.4f);
    mask tail = bar(W, H, mid, 1.6f, 21, 25, 1.2f);
    draw::draw_shape(c, tail, dressed(steel_bar(mid, 1.6f)));
    mask barrel = bar(W, H, mid, 1.3f, 2.2f, 16);
    draw::draw_shape(c, barrel, dressed(steel_bar(mid, 1.3f)));
    mask collar = bar(W, H, mid, 2.2f, 11, 13, 0.6f);
    draw::draw_shape(c, collar, dressed(gold_bar(mid, 2.2f), 0.6f));
    mask band = bar(W, H, mid, 1.9f, 1.6f, 4.2f, 0.6f);
    draw::draw_shape(c, band, dressed(gold_bar(mid, 1.9f), 0.6f));
    glowing_dot(c, {mid, 1.9f}, 1.3f, palette::gold, palette::gold, 1.0f);
    return c;
}

// Three barrels clamped side by side on a drum, a pellet in each.
canvas rapishooter_picture()
{
    canvas c(W, H);
    mask drum(W, H);
    draw::fill_rounded_rect(drum, 3.6f, 13, 16.4f, 24, 3);
    draw::draw_shape(c, drum, dressed(draw::ellipsoid({mid, 18.5f}, 6.4f, 5.5f, palette::steel_dark, palette::steel,
                                                      palette::steel_light)));
    mask stripe(W, H);
    draw::fill_rect(stripe, 3.8f, 18, 16.2f, 19.4f);
    draw::fill(c, stripe, gold_down(18, 19.4f));
    for (float x : {mid - 3.2f, mid, mid + 3.2f}) {
        mask barrel = bar(W, H, x, 1.15f, 2.4f, 15);
        draw::draw_shape(c, barrel, dressed(steel_bar(x, 1.15f), 0.7f));
    }
    for (float y : {5.0f, 10.0f}) {
        mask clamp(W, H);
        draw::fill_rounded_rect(clamp, mid - 5, y, mid + 5, y + 1.6f, 0.6f);
        draw::draw_shape(c, clamp, dressed(gold_down(y, y + 1.6f), 0.6f));
    }
    for (float x : {mid - 3.2f, mid, mid + 3.2f})
        glowing_dot(c, {x, 2.4f}, 0.95f, palette::gold, palette::gold, 0.8f);
    return c;
}

// A short fat bronze cannon on a riveted breech block, its heavy slug
// showing in the muzzle.
canvas shover_picture()
{
    canvas c(W, H);
    const colour bronze_dark = draw::shade(palette::gold_deep, 0.42f);
    mask block(W, H);
    draw::fill_rounded_rect(block, 3, 14, 17, 25.5f, 1.6f);
    draw::look iron = dressed(draw::linear({3, 14}, {17, 25.5f}, {{0, palette::steel}, {1, palette::steel_dark}}));
    iron.rim_light = draw::fade(palette::steel_light, 0.8f);
    iron.light_dx = -1;
    iron.light_dy = -1;
    draw::draw_shape(c, block, iron);
    mask rivets(W, H);
    for (float x : {5.2f, 14.8f})
        for (float y : {16.2f, 23.3f})
            draw::fill_circle(rivets, {x, y}, 0.95f);
    draw::fill(c, rivets, draw::solid(palette::gold));

    draw::paint bronze = draw::cylinder({mid, 0}, {mid, 1}, 4.4f, bronze_dark, palette::gold_deep, palette::gold);
    mask barrel = bar(W, H, mid, 4.4f, 3.5f, 16.5f, 1.2f);
    draw::draw_shape(c, barrel, dressed(bronze));
    mask hoop = bar(W, H, mid, 4.9f, 9, 10.6f, 0.6f);
    draw::draw_shape(c, hoop, dressed(draw::cylinder({mid, 0}, {mid, 1}, 4.9f, bronze_dark, palette::gold_deep,
                                                     palette::gold_pale), 0.6f));
    mask muzzle = bar(W, H, mid, 5.2f, 1.4f, 5, 1);
    draw::draw_shape(c, muzzle, dressed(draw::cylinder({mid, 0}, {mid, 1}, 5.2f, bronze_dark, palette::flame,
                                                       palette::gold_pale)));
    mask bore(W, H);
    draw::fill_ellipse(bore, {mid, 3.2f}, 3.4f, 1.1f);
    draw::fill(c, bore, draw::solid(palette::ink));
    mask slug(W, H);
    draw::fill_ellipse(slug, {mid, 3.3f}, 2.6f, 0.75f);
    draw::fill(c, slug, draw::linear({mid - 2.6f, 0}, {mid + 2.6f, 0}, {{0, palette::flame}, {1, palette::gold_deep}}));
    return c;
}

// A rocket on its launch rails: red warhead up, red fins, a hot nozzle.
canvas rocket_picture()
{
    canvas c(W, H);
    mask rails(W, H);
    draw::fill_rect(rails, 5.6f, 8, 7.2f, 25);
    draw::fill_rect(rails, 12.8f, 8, 14.4f, 25);
    draw::draw_shape(c, rails, dressed(draw::solid(palette::steel_dark), 0.7f));
    for (float y : {10.5f, 19.5f}) {
        mask brace(W, H);
        draw::fill_rounded_rect(brace, 4.6f, y, 15.4f, y + 1.6f, 0.6f);
        draw::draw_shape(c, brace, dressed(gold_down(y, y + 1.6f), 0.6f));
    }

    const colour red_dark = draw::shade(palette::warhead, 0.45f);
    const colour red_lit = draw::mix(palette::warhead, palette::gold_pale, 0.45f);
    mask fins(W, H);
    draw::fill_path(fins, polygon({{7.8f, 15.5f}, {7.8f, 21.8f}, {4.0f, 23.6f}, {4.0f, 21.2f}}));
    draw::fill_path(fins, polygon({{12.2f, 15.5f}, {16.0f, 21.2f}, {16.0f, 23.6f}, {12.2f, 21.8f}}));
    draw::draw_shape(c, fins, dressed(draw::linear({4, 0}, {16, 0}, {{0, palette::warhead}, {1, red_dark}}), 0.7f));

    // Exhaust first, so the nozzle sits on its flame.
    mask flame(W, H);
    draw::fill_path(flame, mirrored({{8.7f, 22.5f}, {9.4f, 26.2f}, {mid, 27.6f}}));
    draw::glow(c, flame, palette::flame, 1.2f, 0.9f);
    draw::fill(c, flame, draw::linear({0, 22.5f}, {0, 27.5f}, {{0, palette::flame_core}, {0.6f, palette::flame},
                                                              {1, palette::ember}}));
    mask nozzle = bar(W, H, mid, 1.8f, 20.5f, 23.4f, 0.4f);
    draw::draw_shape(c, nozzle, dressed(draw::solid(palette::steel_dark), 0.6f));

    mask body = bar(W, H, mid, 2.4f, 6.6f, 21.2f, 0.6f);
    draw::draw_shape(c, body, dressed(draw::cylinder({mid, 0}, {mid, 1}, 2.4f, palette::steel, palette::text_white,
                                                     palette::text_white)));
    mask head(W, H);
    draw::fill_path(head, mirrored({{mid, 0.5f}, {9.1f, 1.4f}, {8.3f, 3.1f}, {7.8f, 5.1f}, {7.6f, 7.4f}}));
    draw::draw_shape(c, head, dressed(draw::cylinder({mid, 0}, {mid, 1}, 2.4f, red_dark, palette::warhead, red_lit)));
    mask seam = bar(W, H, mid, 2.4f, 7.1f, 7.8f, 0);
    draw::fill(c, seam, draw::solid(palette::gold));
    return c;
}

// An implosion charge at the muzzle: a dark sphere whose rim burns ice
// blue, held by four claws open towards the front, on a hexagonal base.
canvas implosion_picture()
{
    canvas c(W, H);
    const point base_at = {mid, 19};
    std::vector<point> hex;
    for (int i = 0; i < 6; ++i) {
        float a = i * pi / 3;
        hex.push_back({base_at.x + 7.0f * std::cos(a), base_at.y + 7.0f * std::sin(a)});
    }
    mask base(W, H);
    draw::fill_path(base, polygon(hex));
    draw::look plate = dressed(draw::linear({4, 13}, {16, 25}, {{0, palette::steel}, {1, palette::steel_dark}}));
    plate.rim_light = draw::fade(palette::steel_light, 0.8f);
    plate.rim_shade = palette::steel_dark;
    plate.light_dx = -1;
    plate.light_dy = -1;
    draw::draw_shape(c, base, plate);
    for (float x : {mid - 3.4f, mid + 3.4f})
        glowing_dot(c, {x, 20.5f}, 0.9f, palette::star_blue, palette::star_blue, 0.9f);

    mask barrel = bar(W, H, mid, 1.7f, 8, 17.5f);
    draw::draw_shape(c, barrel, dressed(steel_bar(mid, 1.7f)));

    const point charge = {mid, 5.2f};
    const float r = 4.6f;
    mask sphere(W, H);
    draw::fill_circle(sphere, charge, r);
    draw::glow(c, sphere, palette::star_blue, 1.6f, 1.2f);
    draw::draw_shape(c, sphere, dressed(draw::radial(charge, r, {{0.1f, palette::ink},
                                                                 {0.4f, draw::shade(palette::nebula_violet, 0.6f)},
                                                                 {0.68f, palette::star_blue},
                                                                 {0.85f, palette::text_white}})));
    // The claws: at the sides and the two rear diagonals, none in front.
    mask claws(W, H);
    for (float a : {-pi / 2, pi / 2, -pi * 0.8f, pi * 0.8f}) {
        point out = {charge.x + 5.8f * std::sin(a), charge.y - 5.8f * std::cos(a)};
        point in = {charge.x + 3.7f * std::sin(a), charge.y - 3.7f * std::cos(a)};
        draw::stroke_line(claws, out, in, 1.5f);
    }
    draw::draw_shape(c, claws, dressed(draw::solid(palette::steel), 0.6f));
    return c;
}

// A violet plasma orb caught between the two prongs of its emitter, on a
// capsule body with glowing vents.
canvas plasmoid_picture()
{
    canvas c(W, H);
    mask body(W, H);
    draw::fill_rounded_rect(body, 3.8f, 13, 16.2f, 25.4f, 4.5f);
    draw::draw_shape(c, body, dressed(draw::ellipsoid({mid, 19}, 6.2f, 6.4f, palette::steel_dark, palette::steel,
                                                      palette::steel_light)));
    mask vents(W, H);
    draw::fill_rounded_rect(vents, 6.4f, 16.5f, 8, 22.5f, 0.7f);
    draw::fill_rounded_rect(vents, 12, 16.5f, 13.6f, 22.5f, 0.7f);
    draw::glow(c, vents, palette::plasma, 1.2f, 0.8f);
    draw::fill(c, vents, draw::solid(draw::mix(palette::plasma, palette::text_white, 0.35f)));

    mask stem = bar(W, H, mid, 1.2f, 8, 14);
    draw::draw_shape(c, stem, dressed(draw::solid(palette::steel_dark), 0.6f));
    mask prongs(W, H);
    draw::stroke_polyline(prongs, {{8, 14.2f}, {6.1f, 11}, {5.5f, 7.5f}, {6.2f, 4.6f}}, 2);
    draw::stroke_polyline(prongs, {{12, 14.2f}, {13.9f, 11}, {14.5f, 7.5f}, {13.8f, 4.6f}}, 2);
    draw::draw_shape(c, prongs, dressed(draw::linear({4.5f, 0}, {15.5f, 0}, {{0, palette::steel_light},
                                                                            {0.5f, palette::steel},
                                                                            {1, palette::steel_dark}}), 0.7f));
    mask tips(W, H);
    draw::fill_circle(tips, {6.2f, 4.6f}, 1);
    draw::fill_circle(tips, {13.8f, 4.6f}, 1);
    draw::fill(c, tips, draw::solid(palette::gold));

    const point orb_at = {mid, 5};
    const float r = 3.7f;
    mask orb(W, H);
    draw::fill_circle(orb, orb_at, r);
    draw::glow(c, orb, palette::plasma, 1.8f, 1.3f);
    draw::paint swirl = [orb_at, r](float x, float y) {
        float d = std::hypot(x - orb_at.x, y - orb_at.y) / r;
        float t = std::min(1.0f, d + 0.3f * (gen::fbm(x / 1.8f + 2 * d, y / 1.8f, 91, 2) - 0.5f));
        colour inner = draw::mix(palette::text_white, palette::glass, std::min(1.0f, t / 0.4f));
        colour outer = draw::mix(palette::plasma, draw::shade(palette::plasma, 0.5f), std::max(0.0f, t - 0.75f) / 0.25f);
        return draw::mix(inner, outer, std::min(1.0f, std::max(0.0f, (t - 0.3f) / 0.35f)));
    };
    draw::fill(c, orb, swirl);
    return c;
}

// Three flared barrels fanned out from one breech, their mouths glowing
// like the fragments they throw.
canvas scatter_picture()
{
    canvas c(W, H);
    mask base(W, H);
    draw::fill_ellipse(base, {mid, 18.5f}, 7.2f, 5.6f);
    draw::draw_shape(c, base, dressed(draw::ellipsoid({mid, 18.5f}, 7.2f, 5.6f, palette::steel_dark, palette::steel,
                                                      palette::steel_light)));
    mask trim(W, H), inner(W, H);
    draw::fill_ellipse(trim, {mid, 18.5f}, 5.6f, 4.1f);
    draw::fill_ellipse(inner, {mid, 18.5f}, 4.6f, 3.2f);
    trim.subtract(inner);
    draw::fill(c, trim, gold_down(14, 23));

    const float spread = 0.42f, length = 12.6f;
    const point pivot = {mid, 16.5f};
    for (float a : {-spread, spread, 0.0f}) {
        transform t = transform::rotate(a).then(transform::translate(pivot.x, pivot.y));
        float top = a == 0 ? -14.4f : -length;
        mask barrel(W, H);
        draw::fill_path(barrel, polygon({{-1.1f, top + 2.4f}, {1.1f, top + 2.4f}, {1.1f, 0}, {-1.1f, 0}}).transformed(t));
        point from = t.apply({0, top}), to = t.apply({0, 0});
        draw::draw_shape(c, barrel, dressed(draw::cylinder(from, to, 1.1f, palette::steel_dark, palette::steel_light,
                                                           palette::text_white), 0.7f));
        mask bell(W, H);
        draw::fill_path(bell, polygon({{-2.0f, top}, {2.0f, top}, {1.2f, top + 2.8f}, {-1.2f, top + 2.8f}}).transformed(t));
        draw::draw_shape(c, bell, dressed(draw::solid(palette::steel), 0.7f));
        mask mouth(W, H);
        draw::fill_path(mouth, polygon({{-1.4f, top + 0.1f}, {1.4f, top + 0.1f}, {1.0f, top + 1}, {-1.0f, top + 1}})
                                   .transformed(t));
        draw::glow(c, mouth, palette::ember, 1.2f, 1.6f);
        draw::fill(c, mouth, draw::solid(palette::flame));
    }
    return c;
}

// The long gun: a thin barrel the height of the picture with a brake at
// the muzzle, a glass scope along it and a slim stock; the needle it
// fires glows white-hot at the tip.
canvas sniper_picture()
{
    canvas c(W, H);
    mask stock(W, H);
    draw::fill_path(stock, mirrored({{8.2f, 15}, {6.6f, 26.6f}}));
    draw::look grip = dressed(draw::linear({6.5f, 0}, {13.5f, 0}, {{0, palette::steel}, {1, palette::steel_dark}}));
    draw::draw_shape(c, stock, grip);
    mask inlay = bar(W, H, mid, 0.55f, 17.5f, 25, 0.5f);
    draw::fill(c, inlay, gold_down(17, 25));

    mask barrel = bar(W, H, mid, 0.9f, 1.6f, 16, 0.5f);
    draw::draw_shape(c, barrel, dressed(steel_bar(mid, 0.9f), 0.7f));
    mask brake = bar(W, H, mid, 1.6f, 1.3f, 3.9f, 0.4f);
    draw::draw_shape(c, brake, dressed(steel_bar(mid, 1.6f), 0.6f));
    mask slot(W, H);
    draw::fill_rect(slot, mid - 1.6f, 2.4f, mid + 1.6f, 2.9f);
    draw::fill(c, slot, draw::solid(palette::ink), 0.8f);

    mask scope(W, H);
    draw::fill_ellipse(scope, {mid, 11}, 1.9f, 3.7f);
    draw::draw_shape(c, scope, glass_look({mid - 0.6f, 9.6f}, 4));
    for (float y : {6.8f, 14.4f}) {
        mask ring = bar(W, H, mid, 2.2f, y, y + 0.9f, 0.3f);
        draw::draw_shape(c, ring, dressed(gold_bar(mid, 2.2f), 0.5f));
    }

    mask needle(W, H);
    draw::fill_ellipse(needle, {mid, 1.8f}, 1.2f, 1.8f);
    draw::glow(c, needle, palette::star_blue, 1.2f, 1.4f);
    draw::fill(c, needle, draw::solid(palette::text_white));
    return c;
}

// The Recking Ball generator: a coiled gold-and-iron drum whose claws
// cradle the iron ball it makes, lug forward, in a cyan field.
canvas rbg_picture()
{
    canvas c(W, H);
    const point drum_at = {mid, 19.5f};
    mask drum(W, H);
    draw::fill_circle(drum, drum_at, 7.4f);
    draw::draw_shape(c, drum, dressed(draw::sphere(drum_at, 7.4f, draw::shade(palette::steel_dark, 0.6f),
                                                   palette::steel_dark, palette::steel)));
    mask coils(W, H);
    for (float r : {5.6f, 3.6f}) {
        std::vector<point> ring;
        for (int i = 0; i < 48; ++i)
            ring.push_back({drum_at.x + r * std::cos(i * pi / 24), drum_at.y + r * std::sin(i * pi / 24)});
        draw::stroke_polyline(coils, ring, 1.1f, true);
    }
    draw::fill(c, coils, gold_down(12, 27));
    mask core(W, H);
    draw::fill_circle(core, drum_at, 1.5f);
    draw::glow(c, core, palette::glass, 1.2f, 1.0f);
    draw::fill(c, core, draw::solid(draw::mix(palette::glass, palette::text_white, 0.5f)));

    mask claws(W, H);
    draw::stroke_polyline(claws, {{8.4f, 13.6f}, {5.6f, 10.6f}, {4.8f, 7.2f}, {5.5f, 4.6f}, {6.9f, 3.5f}}, 2.2f);
    draw::stroke_polyline(claws, {{11.6f, 13.6f}, {14.4f, 10.6f}, {15.2f, 7.2f}, {14.5f, 4.6f}, {13.1f, 3.5f}}, 2.2f);
    draw::draw_shape(c, claws, dressed(draw::linear({3.5f, 0}, {16.5f, 0}, {{0, palette::gold_pale}, {0.5f, palette::gold},
                                                                           {1, palette::gold_deep}}), 0.7f));

    const point ball_at = {mid, 7};
    const float r = 4.3f;
    mask ball(W, H);
    draw::fill_circle(ball, ball_at, r);
    draw::glow(c, ball, palette::glass, 1.4f, 0.6f);
    mask lug = bar(W, H, mid, 1.5f, 0.6f, 3.6f, 0.8f);
    draw::draw_shape(c, lug, dressed(steel_bar(mid, 1.5f), 0.6f));
    draw::draw_shape(c, ball, dressed(draw::sphere(ball_at, r, palette::iron_dark, palette::iron, palette::steel_light)));
    return c;
}

// A scoop dish on a stem, a pink heart in its cup: the shot that makes
// friends, and the cup that brings them home.
canvas scoop_picture()
{
    canvas c(W, H);
    mask base(W, H);
    draw::fill_rounded_rect(base, 3.4f, 15, 16.6f, 24.6f, 3.5f);
    draw::draw_shape(c, base, dressed(draw::ellipsoid({mid, 19.8f}, 6.6f, 4.8f, palette::steel_dark, palette::steel,
                                                      palette::steel_light)));
    for (float x : {mid - 3.6f, mid + 3.6f})
        glowing_dot(c, {x, 21.4f}, 0.9f, palette::heart, palette::heart, 0.9f);
    mask stem = bar(W, H, mid, 1.4f, 10.5f, 17);
    draw::draw_shape(c, stem, dressed(steel_bar(mid, 1.4f)));

    const point cup_at = {mid, 6.2f};
    mask cup(W, H), hollow(W, H), above(W, H);
    draw::fill_circle(cup, cup_at, 6.0f);
    draw::fill_circle(hollow, cup_at, 4.5f);
    draw::fill_rect(above, 0, 0, W, cup_at.y - 0.6f);
    cup.subtract(hollow);
    cup.subtract(above);
    draw::draw_shape(c, cup, dressed(draw::radial({mid, cup_at.y - 2}, 8, {{0.6f, palette::steel_light},
                                                                          {1, palette::steel_dark}}), 0.7f));
    mask lip(W, H);
    draw::fill_circle(lip, {mid - 5.25f, cup_at.y - 0.3f}, 0.9f);
    draw::fill_circle(lip, {mid + 5.25f, cup_at.y - 0.3f}, 0.9f);
    draw::fill(c, lip, draw::solid(palette::gold));

    mask heart(W, H);
    draw::fill_circle(heart, {mid - 1.7f, 3.8f}, 1.95f);
    draw::fill_circle(heart, {mid + 1.7f, 3.8f}, 1.95f);
    draw::fill_path(heart, mirrored({{mid - 3.5f, 4.6f}, {mid, 9}}));
    draw::glow(c, heart, palette::heart, 1.4f, 0.9f);
    draw::draw_shape(c, heart, dressed(draw::linear({7, 2}, {12, 9}, {{0, draw::mix(palette::heart, palette::text_white, 0.5f)},
                                                                      {0.45f, palette::heart},
                                                                      {1, draw::shade(palette::heart, 0.55f)}}), 0.6f));
    mask shine(W, H);
    draw::fill_circle(shine, {mid - 2.2f, 3.2f}, 0.7f);
    draw::fill(c, shine, draw::solid(palette::text_white), 0.8f);
    return c;
}

// ---- The equipment bay and its systems -----------------------------------

// A square socket sunk in a bolted steel frame. Its floor is a mesh over
// nearly clear glass, so the shop's highlight of a chosen bay shows.
canvas system_mount_picture()
{
    const int S = shop_bay_size;
    const float in0 = 5, in1 = S - 5.0f, floor0 = 7, floor1 = S - 7.0f;
    canvas c(S, S);

    mask frame(S, S), opening(S, S);
    draw::fill_rounded_rect(frame, 0.8f, 0.8f, S - 0.8f, S - 0.8f, 2.4f);
    draw::fill_rect(opening, in0, in0, in1, in1);
    frame.subtract(opening);
    draw::look steel = dressed(draw::linear({0, 0}, {static_cast<float>(S), static_cast<float>(S)},
                                            {{0, palette::steel}, {0.5f, draw::mix(palette::steel, palette::steel_dark, 0.5f)},
                                             {1, palette::steel_dark}}));
    steel.rim_light = draw::fade(palette::steel_light, 0.8f);
    steel.rim_shade = draw::shade(palette::steel_dark, 0.7f);
    steel.light_dx = -1;
    steel.light_dy = -1;
    draw::draw_shape(c, frame, steel);

    // The walls of the recess: in shadow under the upper and left edges,
    // lit on the far sides.
    mask upper(S, S), lower(S, S);
    draw::fill_path(upper, polygon({{in0, in0}, {in1, in0}, {floor1, floor0}, {floor0, floor0}, {floor0, floor1},
                                    {in0, in1}}));
    draw::fill_path(lower, polygon({{in1, in0}, {in1, in1}, {in0, in1}, {floor0, floor1}, {floor1, floor1},
                                    {floor1, floor0}}));
    draw::fill(c, upper, draw::solid(draw::shade(palette::steel_dark, 0.55f)));
    draw::fill(c, lower, draw::solid(draw::mix(palette::steel, palette::steel_dark, 0.3f)));

    mask floor(S, S);
    draw::fill_rect(floor, floor0, floor0, floor1, floor1);
    draw::fill(c, floor, draw::solid(palette::panel), 0.15f);
    mask grid(S, S);
    for (float v = floor0 + 5.5f; v < floor1 - 1; v += 5.5f) {
        draw::fill_rect(grid, v - 0.25f, floor0, v + 0.25f, floor1);
        draw::fill_rect(grid, floor0, v - 0.25f, floor1, v + 0.25f);
    }
    draw::fill(c, grid, draw::solid(palette::panel_edge), 0.6f);
    // Contacts along the floor's upper and lower edges.
    mask pins(S, S);
    for (float x = floor0 + 3; x < floor1 - 2; x += 3) {
        draw::fill_rect(pins, x - 0.5f, floor0 + 0.6f, x + 0.5f, floor0 + 1.8f);
        draw::fill_rect(pins, x - 0.5f, floor1 - 1.8f, x + 0.5f, floor1 - 0.6f);
    }
    draw::fill(c, pins, draw::solid(palette::gold_deep), 0.9f);

    for (float x : {2.9f, S - 2.9f})
        for (float y : {2.9f, S - 2.9f}) {
            mask bolt(S, S);
            draw::fill_circle(bolt, {x, y}, 1.55f);
            draw::draw_shape(c, bolt, dressed(draw::sphere({x, y}, 1.55f, palette::gold_deep, palette::gold,
                                                           palette::gold_pale), 0.5f));
            mask slot(S, S);
            draw::stroke_line(slot, {x - 0.9f, y + 0.9f}, {x + 0.9f, y - 0.9f}, 0.5f);
            draw::fill(c, slot, draw::solid(palette::gold_deep), 0.8f);
        }
    return c;
}

const int SY = shop_system_size;
const point sys_mid = {SY / 2.0f, SY / 2.0f};

mask ring_mask(point at, float outer, float inner)
{
    mask m(SY, SY), hole(SY, SY);
    draw::fill_circle(m, at, outer);
    draw::fill_circle(hole, at, inner);
    m.subtract(hole);
    return m;
}

// A gold coil wound round a core: the ring with its windings.
void coil(canvas& c, float outer, float inner)
{
    mask ring = ring_mask(sys_mid, outer, inner);
    draw::draw_shape(c, ring, dressed(draw::sphere({sys_mid.x, sys_mid.y}, outer, palette::gold_deep, palette::gold,
                                                   palette::gold_pale), 0.6f));
    mask windings(SY, SY);
    for (int i = 0; i < 20; ++i) {
        float a = i * pi / 10;
        draw::stroke_line(windings, {sys_mid.x + inner * std::cos(a), sys_mid.y + inner * std::sin(a)},
                          {sys_mid.x + outer * std::cos(a), sys_mid.y + outer * std::sin(a)}, 0.45f);
    }
    windings.intersect(ring);
    draw::fill(c, windings, draw::solid(palette::gold_deep), 0.8f);
}

// A glowing cyan core with the turbine's vanes across it.
void energy_core(canvas& c, float r, float vane_width)
{
    mask core(SY, SY);
    draw::fill_circle(core, sys_mid, r);
    draw::glow(c, core, palette::glass, r * 0.6f, 1.1f);
    draw::fill(c, core, draw::radial(sys_mid, r, {{0, palette::text_white}, {0.35f, draw::mix(palette::glass,
                                                                                               palette::text_white, 0.4f)},
                                                  {0.8f, palette::glass}, {1, draw::shade(palette::glass, 0.55f)}}));
    mask vanes(SY, SY);
    for (int i = 0; i < 3; ++i) {
        float a = -pi / 2 + i * 2 * pi / 3;
        draw::stroke_line(vanes, {sys_mid.x + 1.1f * std::cos(a), sys_mid.y + 1.1f * std::sin(a)},
                          {sys_mid.x + (r - 0.4f) * std::cos(a + 0.5f), sys_mid.y + (r - 0.4f) * std::sin(a + 0.5f)},
                          vane_width);
    }
    draw::fill(c, vanes, draw::solid(palette::steel_dark), 0.85f);
    mask hub(SY, SY);
    draw::fill_circle(hub, sys_mid, 1.1f);
    draw::fill(c, hub, draw::solid(palette::steel_light));
}

// A round steel housing round a gold coil and a bright core.
canvas generator_picture()
{
    canvas c(SY, SY);
    mask housing(SY, SY);
    draw::fill_circle(housing, sys_mid, 10.6f);
    draw::draw_shape(c, housing, dressed(steel_ball(sys_mid, 10.6f)));
    mask feet(SY, SY);
    for (int i = 0; i < 4; ++i) {
        float a = pi / 4 + i * pi / 2;
        draw::fill_circle(feet, {sys_mid.x + 9.4f * std::cos(a), sys_mid.y + 9.4f * std::sin(a)}, 0.9f);
    }
    draw::fill(c, feet, draw::solid(palette::steel_dark));
    coil(c, 8.2f, 5.6f);
    energy_core(c, 4.6f, 1.0f);
    return c;
}

// The Generator++: a bigger octagonal housing, two coils, a hotter core
// and its two gold plus marks.
canvas generator2_picture()
{
    canvas c(SY, SY);
    std::vector<point> octagon;
    for (int i = 0; i < 8; ++i) {
        float a = pi / 8 + i * pi / 4;
        octagon.push_back({sys_mid.x + 13.4f * std::cos(a), sys_mid.y + 13.4f * std::sin(a)});
    }
    mask housing(SY, SY);
    draw::fill_path(housing, polygon(octagon));
    draw::look steel = dressed(draw::linear({0, 0}, {static_cast<float>(SY), static_cast<float>(SY)},
                                            {{0, palette::steel_light}, {0.5f, palette::steel},
                                             {1, palette::steel_dark}}));
    steel.rim_light = draw::fade(palette::steel_light, 0.9f);
    steel.rim_shade = palette::steel_dark;
    steel.light_dx = -1;
    steel.light_dy = -1;
    draw::draw_shape(c, housing, steel);
    coil(c, 11.4f, 9.0f);
    mask gap = ring_mask(sys_mid, 9.0f, 8.0f);
    draw::fill(c, gap, draw::solid(palette::ink), 0.8f);
    coil(c, 8.0f, 5.8f);
    energy_core(c, 5.2f, 1.1f);
    draw::glow(c, ring_mask(sys_mid, 5.2f, 0), palette::text_white, 1.2f, 0.5f);

    mask plus(SY, SY);
    for (float x : {3.4f, SY - 3.4f}) {
        draw::fill_rect(plus, x - 2.4f, 2.8f, x + 2.4f, 4.0f);
        draw::fill_rect(plus, x - 0.6f, 1.0f, x + 0.6f, 5.8f);
    }
    draw::draw_shape(c, plus, dressed(draw::solid(palette::gold_pale), 0.7f));
    return c;
}

// A battery cell standing up: gold terminal, steel case, and a window of
// glowing charge bars.
canvas battery_picture()
{
    canvas c(SY, SY);
    mask terminal(SY, SY);
    draw::fill_rounded_rect(terminal, 10.6f, 1.6f, 17.4f, 6.5f, 1);
    draw::draw_shape(c, terminal, dressed(gold_bar(sys_mid.x, 3.4f), 0.7f));
    mask sign(SY, SY);
    draw::fill_rect(sign, 12.6f, 3.2f, 15.4f, 4.1f);
    draw::fill_rect(sign, 13.55f, 2.25f, 14.45f, 5.05f);
    draw::fill(c, sign, draw::solid(palette::ink), 0.85f);

    mask body(SY, SY);
    draw::fill_rounded_rect(body, 6.6f, 5.6f, 21.4f, 26.6f, 2.6f);
    draw::draw_shape(c, body, dressed(draw::cylinder({sys_mid.x, 0}, {sys_mid.x, 1}, 7.4f, palette::steel_dark,
                                                     palette::steel_light, palette::text_white)));
    for (float y : {7.2f, 23.8f}) {
        mask band(SY, SY);
        draw::fill_rect(band, 6.6f, y, 21.4f, y + 1.4f);
        draw::fill(c, band, gold_bar(sys_mid.x, 7.4f));
    }

    mask window(SY, SY);
    draw::fill_rounded_rect(window, 9.6f, 9.8f, 18.4f, 22.6f, 1);
    draw::draw_shape(c, window, dressed(draw::solid(palette::panel), 0.6f));
    for (int i = 0; i < 4; ++i) {
        float y = 11.0f + i * 2.9f;
        mask cell(SY, SY);
        draw::fill_rect(cell, 10.8f, y, 17.2f, y + 1.9f);
        // The top bar dimmer: a cell nearly, not quite, full.
        float strength = i == 0 ? 0.45f : 1.0f;
        draw::glow(c, cell, palette::glass, 0.9f, 0.5f * strength);
        draw::fill(c, cell, draw::solid(draw::mix(palette::glass, palette::text_white, 0.25f)), strength);
    }
    return c;
}

// Letters stamped in the ballast, four by five pixels.
const char* const lead_letters[2][5] = {
    {"###.", "#..#", "###.", "#...", "#..."},
    {"#...", "#...", "###.", "#..#", "###."},
};

// A lead ingot with a lifting ring, stamped "Pb".
canvas lead_picture()
{
    canvas c(SY, SY);
    mask handle = ring_mask({sys_mid.x, 6.5f}, 4.2f, 2.6f);
    mask below(SY, SY);
    draw::fill_rect(below, 0, 7, SY, SY);
    handle.subtract(below);
    draw::draw_shape(c, handle, dressed(draw::solid(palette::steel), 0.7f));

    mask top(SY, SY), front(SY, SY);
    draw::fill_path(top, polygon({{7.4f, 6.8f}, {20.6f, 6.8f}, {24.2f, 12.2f}, {3.8f, 12.2f}}));
    draw::fill_path(front, polygon({{3.8f, 12.2f}, {24.2f, 12.2f}, {26.2f, 25.8f}, {1.8f, 25.8f}}));
    mask ingot = top;
    ingot.unite(front);
    draw::outline(c, ingot, palette::ink, 0.8f);
    draw::fill(c, top, draw::linear({4, 7}, {24, 12}, {{0, palette::lead_light}, {1, palette::lead}}));
    draw::fill(c, front, draw::linear({0, 12}, {0, 26}, {{0, palette::lead}, {1, palette::lead_dark}}));
    mask ridge(SY, SY);
    draw::fill_rect(ridge, 3.8f, 12, 24.2f, 12.8f);
    draw::fill(c, ridge, draw::solid(palette::lead_light), 0.8f);

    mask stamp(SY, SY), lip(SY, SY);
    for (int i = 0; i < 2; ++i)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 4; ++x)
                if (lead_letters[i][y][x] == '#') {
                    stamp.set(9 + i * 6 + x, 16 + y, 1);
                    lip.set(9 + i * 6 + x, 17 + y, 1);
                }
    lip.subtract(stamp);
    draw::fill(c, lip, draw::solid(palette::lead_light), 0.7f);
    draw::fill(c, stamp, draw::solid(palette::lead_dark));
    return c;
}
}

void make_shop_weapons(const sink& out)
{
    out("weapon_point.png", weapon_point_picture());
    // The Peashooter's picture alone has no "s_" in its name.
    out("peashooter.png", peashooter_picture());
    out("s_rapishooter.png", rapishooter_picture());
    out("s_shover.png", shover_picture());
    out("s_rocket.png", rocket_picture());
    out("s_implosion.png", implosion_picture());
    out("s_plasmoid.png", plasmoid_picture());
    out("s_scatter.png", scatter_picture());
    out("s_sniper.png", sniper_picture());
    out("s_rbg.png", rbg_picture());
    out("s_scoop.png", scoop_picture());
}

void make_shop_systems(const sink& out)
{
    out("s_system_mount.png", system_mount_picture());
    out("s_generator.png", generator_picture());
    out("s_battery.png", battery_picture());
    out("s_lead.png", lead_picture());
    out("s_generator2.png", generator2_picture());
}

}
