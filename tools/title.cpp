// The title picture "title.png": the name in gold over a starry sky with a
// ringed planet, a cave ridge and the player's ship climbing out of it.
// The game writes its two start-up lines at (300, 300) and (300, 315); a
// plain dark panel is kept there.
#include <algorithm>
#include <cmath>

#include "palette.h"
#include "pictures.h"
#include "random.h"

namespace pictures {

namespace {
using draw::canvas;
using draw::colour;
using draw::mask;
using draw::point;

const int W = title_width, H = title_height;

// The quiet panel behind the game's text; nothing busy comes near it.
const float panel_x0 = 288, panel_y0 = 287, panel_x1 = 572, panel_y1 = 338;

const point planet_centre = {96, 372};
const float planet_radius = 132;
const float ring_angle = -0.3f;
const float ring_inner = 150, ring_outer = 182, ring_squash = 0.21f;

// Where the light of the scene comes from: the upper right, towards us.
const float light_x = 0.80f, light_y = -0.45f, light_z = 0.40f;

float smoothstep(float a, float b, float v)
{
    float t = std::min(1.0f, std::max(0.0f, (v - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

// Distance from the panel's rectangle (0 inside).
float panel_distance(float x, float y)
{
    float dx = std::max({panel_x0 - x, 0.0f, x - panel_x1});
    float dy = std::max({panel_y0 - y, 0.0f, y - panel_y1});
    return std::hypot(dx, dy);
}

mask full_mask()
{
    mask m(W, H);
    draw::fill_rect(m, 0, 0, W, H);
    return m;
}

void paint_sky(canvas& c)
{
    c.fill_all(draw::linear({0, 0}, {0, H},
                            {{0, palette::space_top}, {0.5f, palette::space_mid}, {1, palette::space_low}}));
    // A nebula drifting across from the upper left, fading out near the panel.
    draw::paint nebula = [](float x, float y) {
        float n = gen::fbm(x / 150, y / 110, 11, 5);
        float drift = std::exp(-std::pow((y - 0.35f * x - 150) / 120, 2));
        float density = smoothstep(0.42f, 0.8f, n) * drift * smoothstep(10, 90, panel_distance(x, y));
        float hue = gen::fbm(x / 260 + 4, y / 260, 12, 3);
        colour tint = draw::mix(palette::nebula_violet, palette::nebula_teal, smoothstep(0.35f, 0.65f, hue));
        return draw::fade(tint, 0.55f * density);
    };
    draw::fill(c, full_mask(), nebula, 1, draw::blend::ADD);
    gen::rng stars(2024);
    draw::starfield(c, stars, 420, [](float x, float y) { return panel_distance(x, y) > 14; });
}

// Colour of a point of the ring in the ring's own frame, radius in pixels.
colour ring_colour(float radius, float along)
{
    float t = (radius - ring_inner) / (ring_outer - ring_inner);
    float bands = 0.55f + 0.45f * std::sin(t * 23.0f) * std::sin(t * 7.0f + 1);
    float gap = 1 - 0.8f * std::exp(-std::pow((t - 0.62f) / 0.05f, 2));
    float lit = 0.45f + 0.55f * smoothstep(-1, 1, along);
    colour base = draw::mix(palette::planet_band, palette::gold_pale, 0.3f * t);
    return draw::fade(draw::shade(base, lit), 0.95f * bands * gap * smoothstep(0, 0.06f, t) *
                                                  smoothstep(1, 0.94f, t));
}

// Half of the ring: the far half (behind the planet) or the near half.
void paint_ring(canvas& c, bool near_half)
{
    mask ring(W, H);
    draw::fill_ellipse(ring, planet_centre, ring_outer, ring_outer * ring_squash, ring_angle);
    mask hole(W, H);
    draw::fill_ellipse(hole, planet_centre, ring_inner, ring_inner * ring_squash, ring_angle);
    ring.subtract(hole);

    draw::path half;
    float big = 400;
    half.add({{-big, 0}, {big, 0}, {big, near_half ? big : -big}, {-big, near_half ? big : -big}});
    mask side(W, H);
    draw::fill_path(side, half.transformed(draw::transform::rotate(ring_angle).then(
                              draw::transform::translate(planet_centre.x, planet_centre.y))));
    ring.intersect(side);

    float s = std::sin(-ring_angle), co = std::cos(-ring_angle);
    draw::paint p = [=](float x, float y) {
        float dx = x - planet_centre.x, dy = y - planet_centre.y;
        float lx = co * dx - s * dy, ly = (s * dx + co * dy) / ring_squash;
        float radius = std::hypot(lx, ly);
        return ring_colour(radius, lx / radius);
    };
    draw::fill(c, ring, p);
}

void paint_planet(canvas& c)
{
    const point pc = planet_centre;
    const float r = planet_radius;
    // Air: a haze around the disc, brightest on the lit side.
    mask air(W, H);
    draw::fill_circle(air, pc, r + 70);
    draw::paint haze = [=](float x, float y) {
        float dx = (x - pc.x) / r, dy = (y - pc.y) / r;
        float d = std::hypot(dx, dy);
        float lit = smoothstep(-0.4f, 0.8f, (dx * light_x + dy * light_y) / std::max(d, 1e-3f));
        float fall = std::exp(-std::max(0.0f, d - 1) * r / 9);
        return draw::fade(palette::atmosphere, 0.55f * fall * lit);
    };
    draw::fill(c, air, haze, 1, draw::blend::ADD);

    paint_ring(c, false);

    mask disc(W, H);
    draw::fill_circle(disc, pc, r);
    draw::paint surface = [=](float x, float y) {
        float nx = (x - pc.x) / r, ny = (y - pc.y) / r;
        float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
        float lambert = std::max(0.0f, nx * light_x + ny * light_y + nz * light_z);
        // Bands of cloud along the tilted equator, stirred by noise.
        float latitude = ny * std::cos(ring_angle) - nx * std::sin(ring_angle);
        float stir = gen::fbm(nx * 3 + 5, latitude * 9, 21, 4);
        float band = 0.5f + 0.5f * std::sin(latitude * 13 + stir * 3.5f);
        colour base = draw::mix(palette::planet_mid, palette::planet_light, band);
        base = draw::mix(base, palette::planet_band, smoothstep(0.65f, 0.9f, stir) * 0.6f);
        colour lit = draw::shade(base, 0.06f + 1.05f * std::pow(lambert, 0.8f));
        colour dark = draw::mix(palette::planet_dark, palette::space_top, 0.6f);
        colour col = draw::mix(dark, lit, smoothstep(0.0f, 0.25f, lambert + 0.05f));
        // A thin bright rim where the air is seen edge-on in the light.
        float rim = std::pow(1 - nz, 4) * smoothstep(0.1f, 0.6f, nx * light_x + ny * light_y + 0.3f);
        return draw::mix(col, palette::atmosphere, 0.7f * rim);
    };
    draw::outline(c, disc, draw::fade(palette::ink, 0.6f), 1);
    draw::fill(c, disc, surface);

    paint_ring(c, true);
}

// A ridge line: sharp-crested peaks of ridged noise over a base height,
// roughened by fine noise so the rock looks broken.
float ridge(float x, float base, float roll, uint32_t seed)
{
    float crest = 1 - std::fabs(2 * gen::fbm(x / 90, 0.5f, seed, 3) - 1);
    float rough = gen::fbm(x / 11, 2.5f, seed + 1, 3) - 0.5f;
    return base - roll * crest * crest + 0.25f * roll * rough;
}

draw::path ground_path(float (*height)(float))
{
    std::vector<point> pts;
    for (int x = -4; x <= W + 4; x += 3)
        pts.push_back({static_cast<float>(x), height(static_cast<float>(x))});
    pts.push_back({W + 4.0f, H + 4.0f});
    pts.push_back({-4, H + 4.0f});
    draw::path p;
    p.add(std::move(pts));
    return p;
}

float far_ridge(float x) { return ridge(x, 418, 48, 31) - 30 * std::exp(-std::pow((x - 560) / 60, 2)); }

// The near rock: a flat pad in the middle where the ship took off, a tall
// crag on the right.
float near_ridge(float x)
{
    float h = ridge(x, 458, 36, 37);
    float pad = std::exp(-std::pow((x - 455) / 55, 6));
    h = h * (1 - pad) + 428 * pad;
    h -= 95 * std::exp(-std::pow((x - 618) / 28, 2)) + 45 * std::exp(-std::pow((x - 12) / 38, 2));
    return h;
}

void paint_cave(canvas& c)
{
    mask far(W, H);
    draw::fill_path(far, ground_path(far_ridge));
    draw::look far_look;
    far_look.body = draw::linear({0, 360}, {0, 470}, {{0, draw::mix(palette::rock_mid, palette::space_low, 0.4f)},
                                                      {1, palette::rock_dark}});
    far_look.rim_light = draw::fade(palette::rock_rim, 0.3f);
    draw::draw_shape(c, far, far_look);

    mask near(W, H);
    draw::fill_path(near, ground_path(near_ridge));
    draw::paint rock = [](float x, float y) {
        float grain = gen::fbm(x / 9, y / 5, 41, 3);
        float strata = 0.5f + 0.5f * std::sin(y / 3.5f + 6 * gen::fbm(x / 40, y / 30, 43, 2));
        colour base = draw::mix(palette::rock_mid, palette::rock_dark, smoothstep(400, 478, y));
        return draw::shade(base, 0.6f + 0.55f * grain + 0.25f * strata);
    };
    draw::look near_look;
    near_look.body = rock;
    near_look.outline_ink = palette::ink;
    near_look.outline_width = 1;
    near_look.rim_light = draw::fade(palette::rock_rim, 0.9f);
    near_look.light_dx = 1;
    near_look.light_dy = -2;
    draw::draw_shape(c, near, near_look);

    // Landing lights on the pad.
    mask lamps(W, H);
    for (float x : {412.0f, 498.0f})
        draw::fill_circle(lamps, {x, 426.5f}, 1.6f);
    draw::glow(c, lamps, palette::ember, 4, 1.2f);
    draw::fill(c, lamps, draw::solid(palette::flame_core));
}

void paint_ship(canvas& c)
{
    // Drawn pointing up about its centre, then turned towards the name.
    const draw::transform place = draw::transform::scale(1.6f, 1.6f)
                                      .then(draw::transform::rotate(-0.62f))
                                      .then(draw::transform::translate(506, 226));
    auto shape = [&](std::vector<point> pts) {
        mask m(W, H);
        draw::path p;
        p.add(std::move(pts));
        draw::fill_path(m, p.transformed(place));
        return m;
    };
    auto at = [&](float x, float y) { return place.apply({x, y}); };

    // Exhaust: a fading trail of puffs, then the flame itself.
    gen::rng puffs(77);
    mask trail(W, H);
    for (int i = 0; i < 9; ++i) {
        float d = 16 + i * 6.5f;
        point p = at(puffs.range(-1.5f, 1.5f), d);
        draw::mask puff(W, H);
        draw::fill_circle(puff, p, 1.6f + i * 0.35f);
        puff.scale(0.55f * (1 - i / 9.0f));
        trail.unite(puff);
    }
    draw::glow(c, trail, palette::flame, 2.5f, 0.8f);
    mask flame = shape({{-3.6f, 9.5f}, {0, 27}, {3.6f, 9.5f}});
    draw::glow(c, flame, palette::ember, 5, 1.6f);
    draw::fill(c, flame, draw::linear(at(0, 10), at(0, 26), {{0, palette::flame_core}, {1, draw::fade(palette::flame, 0)}}));

    mask hull = shape({{0, -17}, {4.5f, -6}, {11, 7}, {12.5f, 13}, {4, 9.5f}, {0, 11.5f}, {-4, 9.5f},
                       {-12.5f, 13}, {-11, 7}, {-4.5f, -6}});
    draw::look hull_look;
    hull_look.body = draw::linear(at(-10, -10), at(10, 10),
                                  {{0, palette::steel_light}, {0.55f, palette::steel}, {1, palette::steel_dark}});
    hull_look.outline_ink = palette::ink;
    hull_look.outline_width = 1.4f;
    hull_look.rim_light = draw::fade(palette::steel_light, 0.8f);
    hull_look.light_dx = 1;
    hull_look.light_dy = -1;
    draw::draw_shape(c, hull, hull_look);

    // Gold trim along the wings and a glass canopy.
    mask trim(W, H);
    draw::stroke_line(trim, at(-10.5f, 9), at(-4.5f, -3), 1.3f);
    draw::stroke_line(trim, at(10.5f, 9), at(4.5f, -3), 1.3f);
    draw::fill(c, trim, draw::solid(palette::gold), 0.9f);
    mask canopy(W, H);
    point canopy_centre = at(0, -5);
    draw::fill_ellipse(canopy, canopy_centre, 2.6f * 1.6f, 4.6f * 1.6f, -0.62f);
    draw::look canopy_look;
    canopy_look.body = draw::radial(at(0.8f, -7), 7, {{0, palette::steel_light}, {0.35f, palette::glass},
                                                      {1, draw::shade(palette::glass, 0.35f)}});
    canopy_look.outline_ink = draw::fade(palette::ink, 0.8f);
    canopy_look.outline_width = 0.8f;
    draw::draw_shape(c, canopy, canopy_look);
}

// The letters of the name on a grid 10 units wide and 14 high, y down.
draw::path letter(char ch)
{
    draw::path p;
    switch (ch) {
    case 'V':
        p.add({{0, 0}, {3, 0}, {5, 9.2f}, {7, 0}, {10, 0}, {6.6f, 14}, {3.4f, 14}});
        break;
    case 'A':
        p.add({{3.4f, 0}, {6.6f, 0}, {10, 14}, {7, 14}, {6.4f, 11}, {3.6f, 11}, {3, 14}, {0, 14}});
        p.add({{5, 4.2f}, {5.85f, 8.3f}, {4.15f, 8.3f}});
        break;
    case 'N':
        p.add({{0, 0}, {3, 0}, {7, 7.8f}, {7, 0}, {10, 0}, {10, 14}, {7, 14}, {3, 6.2f}, {3, 14}, {0, 14}});
        break;
    case 'T':
        p.add({{0, 0}, {10, 0}, {10, 3}, {6.5f, 3}, {6.5f, 14}, {3.5f, 14}, {3.5f, 3}, {0, 3}});
        break;
    case 'R':
        p.add({{0, 0}, {8, 0}, {10, 2}, {10, 6.3f}, {8.4f, 7.9f}, {10, 14}, {6.8f, 14}, {5.5f, 8.6f}, {3, 8.6f},
               {3, 14}, {0, 14}});
        p.add({{3, 2.9f}, {6.4f, 2.9f}, {7, 3.5f}, {7, 5.1f}, {6.4f, 5.7f}, {3, 5.7f}});
        break;
    case 'E':
        p.add({{0, 0}, {10, 0}, {10, 3}, {3, 3}, {3, 5.5f}, {8.5f, 5.5f}, {8.5f, 8.5f}, {3, 8.5f}, {3, 11}, {10, 11},
               {10, 14}, {0, 14}});
        break;
    case 'L':
        p.add({{0, 0}, {3, 0}, {3, 11}, {10, 11}, {10, 14}, {0, 14}});
        break;
    default:
        break;
    }
    return p;
}

void paint_name(canvas& c)
{
    const char* const name = "VANTREL";
    const float unit = 6.4f, advance = 12.4f, slant = -0.22f;
    const float top = 58, height = 14 * unit;
    const float width = (6 * advance + 10 + 14 * -slant) * unit;
    const float left = (W - width) / 2;

    mask letters(W, H);
    for (int i = 0; name[i]; ++i) {
        draw::transform t = draw::transform::translate(i * advance, 0)
                                .then(draw::transform::translate(0, -14))
                                .then(draw::transform::shear_x(slant))
                                .then(draw::transform::translate(0, 14))
                                .then(draw::transform::scale(unit, unit))
                                .then(draw::transform::translate(left, top));
        draw::fill_path(letters, letter(name[i]).transformed(t));
    }

    // A gold bar under the name, fading towards both ends.
    mask bar(W, H);
    draw::fill_rounded_rect(bar, 70, top + height + 16, W - 70, top + height + 19, 1.5f);
    draw::paint bar_paint = [](float x, float) {
        float t = 1 - std::pow(std::fabs(x - W / 2.0f) / (W / 2.0f - 70), 2);
        return draw::fade(palette::gold, std::max(0.0f, t));
    };
    draw::glow(c, bar, palette::ember, 4, 0.9f);
    draw::fill(c, bar, bar_paint);

    draw::shadow(c, letters, draw::fade(palette::ink, 0.8f), 4, 6, 3);
    draw::glow(c, letters, draw::fade(palette::ember, 0.9f), 11, 1.1f);
    draw::look gold;
    gold.body = draw::linear({0, top}, {0, top + height},
                             {{0, palette::gold_pale},
                              {0.47f, palette::gold},
                              {0.5f, palette::gold_deep},
                              {0.78f, draw::mix(palette::gold_deep, palette::gold, 0.55f)},
                              {1, palette::gold}});
    gold.outline_ink = palette::ink;
    gold.outline_width = 2.6f;
    gold.rim_light = draw::fade(palette::gold_pale, 0.9f);
    gold.rim_shade = draw::fade(draw::shade(palette::gold_deep, 0.6f), 0.8f);
    gold.light_dx = 0;
    gold.light_dy = -2;
    draw::draw_shape(c, letters, gold);
}

void paint_panel(canvas& c)
{
    mask inside(W, H);
    draw::fill_rounded_rect(inside, panel_x0, panel_y0, panel_x1, panel_y1, 7);
    mask frame(W, H);
    draw::fill_rounded_rect(frame, panel_x0 - 1, panel_y0 - 1, panel_x1 + 1, panel_y1 + 1, 8);
    frame.subtract(inside);
    draw::shadow(c, inside, draw::fade(palette::ink, 0.7f), 0, 3, 4);
    draw::fill(c, inside, draw::solid(draw::fade(palette::panel, 0.9f)));
    draw::fill(c, frame, draw::linear({0, panel_y0}, {0, panel_y1},
                                      {{0, palette::panel_edge}, {1, draw::fade(palette::panel_edge, 0.35f)}}));
}
}

void make_title(const sink& out)
{
    canvas c(W, H);
    paint_sky(c);
    paint_planet(c);
    paint_cave(c);
    paint_ship(c);
    paint_name(c);
    paint_panel(c);
    out("title.png", c);
}

}
