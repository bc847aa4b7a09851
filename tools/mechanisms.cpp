// The arena's moving tiles: buttons, drawn once for each of the four walls
// they can sit on, and gates with their opening frames. Both are
// hard-edged; a button's knob is what the shots hit.
#include <cmath>
#include <string>
#include <vector>

#include "palette.h"
#include "pictures.h"

namespace pictures {

namespace {
using draw::canvas;
using draw::colour;
using draw::mask;
using draw::point;
using draw::transform;

const int T = tile_size;
const float centre = T / 2.0f;

// ---- Buttons -------------------------------------------------------------

// A button is drawn in its own frame: u runs from the wall it is mounted
// on out into the cell, v along that wall. The four placements map that
// frame exactly onto the cell (whole turns of a quarter, no rounding).
struct placement {
    char letter; // of the file name
    transform to_cell;
};
const placement placements[] = {
    {'l', {1, 0, 0, 1, 0, 0}},    // on the left wall, knob pointing right
    {'u', {0, 1, -1, 0, T, 0}},   // under the ceiling, pointing down
    {'r', {-1, 0, 0, -1, T, T}},  // on the right wall, pointing left
    {'d', {0, -1, 1, 0, 0, T}},   // on the floor, pointing up
};

// How far the knob stands out, and how bright it is, in each frame.
struct button_frame {
    float tip;
    colour dark, lit, highlight;
    float lamp; // 0 dark to 1 fully lit
};
const button_frame button_frames[] = {
    {22, draw::shade(palette::gold_deep, 0.35f), draw::shade(palette::ember, 0.8f), palette::flame, 0},
    {17, draw::shade(palette::gold_deep, 0.6f), palette::flame, palette::flame_core, 0.5f},
    {12, palette::gold, palette::flame_core, palette::text_white, 1},
};

// A rectangle with rounded corners of the button's frame, as a path in
// the cell.
draw::path frame_rect(const transform& t, float u0, float v0, float u1, float v1, float r)
{
    std::vector<point> pts;
    const point corners[4] = {{u1 - r, v0 + r}, {u1 - r, v1 - r}, {u0 + r, v1 - r}, {u0 + r, v0 + r}};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i <= 6; ++i) {
            float a = 3.14159265f / 2 * (k - 1 + i / 6.0f);
            pts.push_back({corners[k].x + r * std::cos(a), corners[k].y + r * std::sin(a)});
        }
    draw::path p;
    p.add(std::move(pts));
    return p.transformed(t);
}

canvas button_tile(const placement& place, const button_frame& f)
{
    const transform& t = place.to_cell;
    auto at = [&](float u, float v) { return t.apply({u, v}); };
    auto shape = [&](float u0, float v0, float u1, float v1, float r) {
        mask m(T, T);
        draw::fill_path(m, frame_rect(t, u0, v0, u1, v1, r));
        return m;
    };
    canvas c(T, T);
    mask body(T, T);

    // The base plate against the wall, with two gold bolts and a lamp.
    mask plate = shape(0, 3, 7, 29, 1.5f);
    draw::look steel;
    steel.body = draw::linear({0, 0}, {T, T}, {{0, palette::steel}, {1, palette::steel_dark}});
    steel.outline_ink = palette::ink;
    steel.outline_width = 0.8f;
    steel.rim_light = palette::steel_light;
    steel.rim_shade = draw::shade(palette::steel_dark, 0.5f);
    steel.light_dx = -1;
    steel.light_dy = -1;
    draw::draw_shape(c, plate, steel);
    body.unite(plate);
    mask bolts(T, T);
    draw::fill_circle(bolts, at(3.5f, 6.5f), 1.3f);
    draw::fill_circle(bolts, at(3.5f, 25.5f), 1.3f);
    draw::fill(c, bolts, draw::solid(palette::gold));
    mask lamp(T, T);
    draw::fill_circle(lamp, at(3.5f, centre), 1.9f);
    colour lamp_colour = draw::mix(draw::shade(palette::glass, 0.25f), draw::mix(palette::glass, palette::text_white,
                                                                                 0.4f), f.lamp);
    draw::fill(c, lamp, draw::solid(lamp_colour));

    // The socket collar and the knob that slides in it.
    mask collar = shape(6.5f, 9, 10, 23, 0.5f);
    mask knob = shape(8, 11, f.tip, 21, 4);
    draw::look knob_look;
    knob_look.body = draw::cylinder(at(0, centre), at(T, centre), 5, f.dark, f.lit, f.highlight);
    knob_look.outline_ink = palette::ink;
    knob_look.outline_width = 1;
    draw::draw_shape(c, knob, knob_look);
    draw::look collar_look;
    collar_look.body = draw::cylinder(at(0, centre), at(T, centre), 7, draw::shade(palette::steel_dark, 0.6f),
                                      palette::steel, palette::steel_light);
    collar_look.outline_ink = palette::ink;
    collar_look.outline_width = 0.8f;
    draw::draw_shape(c, collar, collar_look);
    if (f.lamp >= 1) {
        // Fully pressed: the collar glows with the knob's light (kept on
        // the body, which is cut out below).
        draw::glow(c, knob, palette::flame, 2, 0.8f);
    }
    body.unite(draw::dilate(collar, 0.8f));
    body.unite(draw::dilate(knob, 1));
    draw::harden(c, body);
    return c;
}

// ---- Gates ---------------------------------------------------------------

// A gate's bar lies across [10, 22) of the cell and runs its whole length,
// so gates stacked along it join. Opening, it slides out of the cell into
// the wall at its end (up for a V gate, left for an H gate), evenly over
// five frames; open, the cell is left wholly clear, since a stub would
// stand in the passage between stacked gates.
const float bar_from = 10, bar_to = 22;
const int gate_steps = 6; // closed, five frames, open

// The colour of the bar at s along it (0 at the end that enters the wall
// first, T at its leading end) and a across the cell; light along `across`
// is towards the upper left for both gates.
colour bar_colour(float s, float a)
{
    auto rail_shade = [](float k) {
        return draw::sphere({0, 0}, 1, draw::shade(palette::steel_dark, 0.7f), palette::steel, palette::steel_light)(k,
                                                                                                               0);
    };
    colour col;
    if (s > T - 4) {
        // The leading end: a steel cap with a cyan lamp in the middle.
        col = rail_shade((a - centre) / 8);
        if (std::fabs(a - centre) < 2.5f && s > T - 3 && s < T - 1)
            col = draw::mix(palette::glass, palette::text_white, 0.3f);
        if (s > T - 1)
            col = draw::shade(col, 0.6f);
    } else if (a < bar_from + 2 || a > bar_to - 2) {
        // Side rails with rivets every eight pixels.
        float rail = a < centre ? bar_from + 1 : bar_to - 1;
        col = rail_shade((a - rail) / 1.2f);
        float rivet = std::fmod(s, 8.0f);
        if (rivet > 3 && rivet < 5)
            col = draw::mix(col, palette::gold, 0.7f);
    } else {
        // Hazard stripes on the panel between the rails.
        bool gold = std::fmod(s + a + 64, 8.0f) < 4;
        col = gold ? palette::gold : draw::mix(palette::ink, palette::steel_dark, 0.35f);
        col = draw::shade(col, 1.05f - 0.25f * std::fabs(a - centre) / 4);
    }
    if (s < 1.5f)
        col = draw::shade(col, 0.55f); // the joint with the next gate
    if (a < bar_from + 1 || a > bar_to - 1)
        col = draw::mix(col, palette::ink, 0.45f);
    return col;
}

// Frame `step` of a gate: the bar moved back by `step` sixths of a cell.
// A V gate's cell (x, y) is (across, along); an H gate's is (along, across).
canvas gate_tile(bool vertical, int step)
{
    const int offset = (T * step + gate_steps / 2) / gate_steps;
    canvas c(T, T);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) {
            int along = vertical ? y : x, across = vertical ? x : y;
            float a = across + 0.5f, s = along + 0.5f + offset;
            if (a < bar_from || a > bar_to || s > T)
                continue;
            c.set(x, y, bar_colour(s, a));
        }
    return c;
}
}

void make_buttons(const sink& out)
{
    for (const placement& p : placements)
        for (int i = 0; i < 3; ++i)
            out(std::string("button") + p.letter + std::to_string(i + 1) + ".png", button_tile(p, button_frames[i]));
}

void make_gates(const sink& out)
{
    for (bool vertical : {true, false}) {
        std::string name = vertical ? "vgate" : "hgate";
        for (int step = 0; step <= gate_steps; ++step) {
            std::string frame = step == 0 ? "closed" : step == gate_steps ? "open" : std::to_string(step);
            out(name + frame + ".png", gate_tile(vertical, step));
        }
    }
}

}
