// The arena's still tiles: the walls (block and the four diagonals), the
// pipe pieces, and the fixtures (ball source, ball sink, shop). All but the
// source are hard-edged, since every opaque pixel of a tile stops movers.
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

const int T = tile_size;
const float centre = T / 2.0f;

// Light comes from the upper left in every arena picture.
const float light_x = -0.7071f, light_y = -0.7071f;

float smoothstep(float a, float b, float v)
{
    float t = std::min(1.0f, std::max(0.0f, (v - a) / (b - a)));
    return t * t * (3 - 2 * t);
}

// ---- Walls ---------------------------------------------------------------

// Which pixels of a wall tile are solid; x, y from the top-left.
using solid_test = bool (*)(int x, int y);

// Rock of the wall panels, the same at the same pixel of every wall tile,
// so a diagonal next to a block shows the same stone.
colour wall_rock(int x, int y)
{
    auto crack_at = [](float fx, float fy) {
        float ridge = 1 - std::fabs(2 * gen::fbm(fx / 12 + 3, fy / 10 + 1, 57, 3) - 1);
        return smoothstep(0.92f, 0.98f, ridge);
    };
    float fx = x + 0.5f, fy = y + 0.5f;
    float grain = gen::fbm(fx / 2, fy / 2, 51, 2);
    float lumps = gen::fbm(fx / 11 + 7, fy / 9, 53, 3);
    colour base = draw::mix(draw::shade(palette::rock_mid, 1.9f), draw::shade(palette::rock_rim, 0.8f),
                            smoothstep(0.3f, 0.75f, lumps));
    base = draw::shade(base, 0.75f + 0.5f * grain);
    // Light specks and dark pits in the stone.
    float speck = gen::value_noise(fx * 1.3f, fy * 1.3f, 55);
    if (speck > 0.86f)
        base = draw::mix(base, palette::rock_rim, 0.6f);
    else if (speck < 0.1f)
        base = draw::shade(base, 0.7f);
    // Thin dark cracks, each with a lit lip below it.
    float crack = crack_at(fx, fy);
    float above = crack_at(fx, fy - 1);
    base = draw::mix(base, palette::rock_rim, 0.5f * std::max(0.0f, above - crack));
    return draw::mix(base, palette::ink, 0.55f * crack);
}

struct edge_info {
    float distance; // to the nearest clear pixel (or the tile's border); 9 when far
    float nx, ny;   // unit direction towards the clear side
};

// Looks around a solid pixel for the clear pixels within reach; the
// tile's own border counts as clear, so every wall tile is framed.
edge_info wall_edge(solid_test solid, int x, int y)
{
    const int reach = 4;
    edge_info e{9, 0, 0};
    float sx = 0, sy = 0;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            int px = x + dx, py = y + dy;
            bool clear = px < 0 || py < 0 || px >= T || py >= T || !solid(px, py);
            if (!clear)
                continue;
            float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
            e.distance = std::min(e.distance, d);
            sx += dx / (d * d * d);
            sy += dy / (d * d * d);
        }
    float len = std::hypot(sx, sy);
    if (len > 0) {
        e.nx = sx / len;
        e.ny = sy / len;
    }
    return e;
}

// A bevelled steel frame three pixels wide along every edge, a dark
// groove, and the rock panel inside with bolts where they fit.
canvas wall_tile(solid_test solid)
{
    canvas c(T, T);
    mask body(T, T);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) {
            if (!solid(x, y))
                continue;
            body.set(x, y, 1);
            edge_info e = wall_edge(solid, x, y);
            float facing = e.nx * light_x + e.ny * light_y;
            colour col;
            if (e.distance <= 3) {
                colour steel = draw::mix(draw::shade(palette::steel_dark, 0.75f), palette::steel,
                                         0.5f + 0.5f * facing);
                // The outer pixel catches more light on the lit sides.
                if (e.distance <= 1)
                    steel = draw::mix(steel, facing > 0.2f ? palette::steel_light : palette::ink, 0.45f);
                float rough = gen::fbm(x * 0.7f, y * 0.7f, 59, 2);
                col = draw::shade(steel, 0.9f + 0.2f * rough);
            } else if (e.distance <= 4.2f) {
                col = draw::mix(palette::ink, palette::rock_mid, 0.4f);
            } else {
                col = wall_rock(x, y);
                // The frame's lip shades the panel along the lit edges.
                if (e.distance <= 6 && facing > 0.3f)
                    col = draw::shade(col, 0.7f);
            }
            c.set(x, y, col);
        }

    mask bolts(T, T);
    for (point p : {point{7, 7}, point{25, 7}, point{7, 25}, point{25, 25}})
        if (wall_edge(solid, static_cast<int>(p.x), static_cast<int>(p.y)).distance > 5.5f)
            draw::fill_circle(bolts, p, 1.6f);
    draw::look bolt;
    bolt.body = draw::solid(palette::steel);
    bolt.outline_ink = draw::fade(palette::ink, 0.7f);
    bolt.outline_width = 0.6f;
    bolt.rim_light = palette::steel_light;
    bolt.rim_shade = palette::steel_dark;
    bolt.light_dx = -1;
    bolt.light_dy = -1;
    draw::draw_shape(c, bolts, bolt);
    draw::harden(c, body);
    return c;
}

bool block_solid(int, int) { return true; }
bool diag_tl_solid(int x, int y) { return x + y <= 31; }
bool diag_tr_solid(int x, int y) { return x >= y; }
bool diag_bl_solid(int x, int y) { return x <= y; }
bool diag_br_solid(int x, int y) { return x + y >= 31; }

// ---- Pipes ---------------------------------------------------------------

const float tube_half = 5;   // the tube: 10 pixels across
const float flange_half = 6; // brass couplings at the cell edges: 12
const float flange_length = 3;

enum side { UP = 1, DOWN = 2, LEFT = 4, RIGHT = 8 };

// One run of a pipe piece: a straight stretch from an edge (its along
// coordinate 0 at that edge) or a quarter bend about a corner.
struct run {
    bool bend;
    point from;      // straight: the point on the edge; bend: the corner
    point direction; // straight: unit direction into the cell
    float length;    // straight: how far it goes
};

run arm(side s, float length)
{
    switch (s) {
    case UP:
        return {false, {centre, 0}, {0, 1}, length};
    case DOWN:
        return {false, {centre, T}, {0, -1}, length};
    case LEFT:
        return {false, {0, centre}, {1, 0}, length};
    default:
        return {false, {T, centre}, {-1, 0}, length};
    }
}

struct piece {
    const char* file;
    std::vector<run> runs;
    bool hub;    // a junction box where three or four runs meet
    bool window; // a glass window on a straight run
};

// Where a pixel centre lies on the tube of a run.
struct tube_point {
    bool inside = false;
    float across = 0;     // signed, pixels from the centre line
    float nx = 0, ny = 0; // unit direction of `across` in the picture
    float edge = 0;       // distance from the cell edge along the run
};

tube_point on_run(const run& r, float x, float y)
{
    tube_point t;
    if (r.bend) {
        float dx = x - r.from.x, dy = y - r.from.y;
        float d = std::hypot(dx, dy);
        t.across = d - centre;
        t.nx = dx / d;
        t.ny = dy / d;
        // The bend meets the two edges through its corner.
        t.edge = std::min(std::fabs(dx), std::fabs(dy));
    } else {
        float wx = x - r.from.x, wy = y - r.from.y;
        float along = wx * r.direction.x + wy * r.direction.y;
        if (along < 0 || along > r.length)
            return t;
        t.nx = -r.direction.y;
        t.ny = r.direction.x;
        t.across = wx * t.nx + wy * t.ny;
        t.edge = along;
    }
    float half = t.edge < flange_length ? flange_half : tube_half;
    t.inside = std::fabs(t.across) < half;
    return t;
}

colour pipe_colour(const tube_point& t)
{
    bool flange = t.edge < flange_length;
    float half = flange ? flange_half : tube_half;
    float k = t.across / half;
    draw::paint lit = flange ? draw::sphere({0, 0}, 1, palette::gold_deep, palette::gold, palette::gold_pale)
                             : draw::sphere({0, 0}, 1, draw::shade(palette::steel_dark, 0.8f), palette::steel,
                                            palette::steel_light);
    // A cylinder across the run: the sphere's shading along one axis.
    colour col = lit(k * t.nx, k * t.ny);
    if (flange && t.edge < 1)
        col = draw::shade(col, 0.55f); // the seam where two pipes meet
    if (std::fabs(t.across) > half - 1)
        col = draw::mix(col, palette::ink, 0.55f);
    return col;
}

canvas pipe_tile(const piece& p)
{
    canvas c(T, T);
    mask body(T, T);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) {
            // Where runs cross, the one nearest its centre line is on top.
            tube_point best;
            for (const run& r : p.runs) {
                tube_point t = on_run(r, x + 0.5f, y + 0.5f);
                if (t.inside && (!best.inside || std::fabs(t.across) < std::fabs(best.across)))
                    best = t;
            }
            if (!best.inside)
                continue;
            body.set(x, y, 1);
            c.set(x, y, pipe_colour(best));
        }

    if (p.window) {
        // A slot of glass along the middle of the run, energy flowing inside.
        const run& r = p.runs.front();
        bool vertical = r.direction.x == 0;
        mask slot(T, T);
        if (vertical)
            draw::fill_rounded_rect(slot, centre - 2, centre - 6, centre + 2, centre + 6, 2);
        else
            draw::fill_rounded_rect(slot, centre - 6, centre - 2, centre + 6, centre + 2, 2);
        draw::draw_shape(c, slot, glass_look({centre - 0.5f, centre - 1}, 6));
    }
    if (p.hub) {
        mask box(T, T);
        draw::fill_rounded_rect(box, 8, 8, 24, 24, 3);
        draw::look steel;
        steel.body = draw::linear({8, 8}, {24, 24}, {{0, palette::steel}, {1, palette::steel_dark}});
        steel.outline_ink = palette::ink;
        steel.outline_width = 1;
        steel.rim_light = palette::steel_light;
        steel.rim_shade = draw::shade(palette::steel_dark, 0.6f);
        steel.light_dx = -1;
        steel.light_dy = -1;
        draw::draw_shape(c, box, steel);
        body.unite(draw::dilate(box, 1));

        mask bolts(T, T);
        for (point b : {point{11, 11}, point{21, 11}, point{11, 21}, point{21, 21}})
            draw::fill_circle(bolts, b, 1.3f);
        draw::outline(c, bolts, draw::fade(palette::ink, 0.6f), 0.5f);
        draw::fill(c, bolts, draw::solid(palette::gold));
        mask lens(T, T);
        draw::fill_circle(lens, {centre, centre}, 3);
        draw::draw_shape(c, lens, glass_look({centre - 1, centre - 1}, 4));
    }
    draw::harden(c, body);
    return c;
}

// ---- Fixtures ------------------------------------------------------------

// The ball source: a cradle ring with four gold clamps and a glowing
// emitter pad. The ball lies centred on it, so the ring runs just outside
// the ball; it never stops anything, so its glow may be soft.
canvas source_tile()
{
    canvas c(T, T);
    mask haze(T, T);
    draw::fill_circle(haze, {centre, centre}, 12.5f);
    draw::fill(c, haze, draw::radial({centre, centre}, 12.5f,
                                     {{0, draw::fade(palette::glass, 0.05f)},
                                      {0.75f, draw::fade(palette::glass, 0.18f)},
                                      {1, draw::fade(palette::glass, 0.35f)}}));

    mask ring(T, T), hole(T, T);
    draw::fill_circle(ring, {centre, centre}, 14.5f);
    draw::fill_circle(hole, {centre, centre}, 12.5f);
    ring.subtract(hole);
    draw::glow(c, ring, palette::glass, 1.5f, 0.6f);
    draw::look ring_look;
    ring_look.body = draw::linear({4, 4}, {28, 28}, {{0, palette::steel}, {1, palette::steel_dark}});
    ring_look.outline_ink = palette::ink;
    ring_look.outline_width = 0.8f;
    draw::draw_shape(c, ring, ring_look);
    // Lights along the ring.
    mask lights(T, T);
    for (int i = 0; i < 8; ++i) {
        float a = (i + 0.5f) * 3.14159265f / 4;
        draw::fill_circle(lights, {centre + 13.5f * std::cos(a), centre + 13.5f * std::sin(a)}, 0.9f);
    }
    draw::glow(c, lights, palette::glass, 1.2f, 0.9f);
    draw::fill(c, lights, draw::solid(palette::steel_light));

    // Clamps on the diagonals, pointing in at the ball.
    mask clamps(T, T);
    for (int i = 0; i < 4; ++i) {
        float a = (2 * i + 1) * 3.14159265f / 4;
        float cx = std::cos(a), cy = std::sin(a);
        draw::stroke_line(clamps, {centre + 15 * cx, centre + 15 * cy}, {centre + 11.5f * cx, centre + 11.5f * cy},
                          2.6f);
    }
    draw::look gold;
    gold.body = draw::linear({0, 0}, {T, T}, {{0, palette::gold_pale}, {0.5f, palette::gold}, {1, palette::gold_deep}});
    gold.outline_ink = palette::ink;
    gold.outline_width = 0.8f;
    draw::draw_shape(c, clamps, gold);

    // The emitter pad under the ball.
    mask pad(T, T);
    draw::path trapezoid;
    trapezoid.add({{9, 27.5f}, {23, 27.5f}, {26, 32}, {6, 32}});
    draw::fill_path(pad, trapezoid);
    draw::look pad_look;
    pad_look.body = draw::linear({0, 27}, {0, 32}, {{0, palette::steel}, {1, palette::steel_dark}});
    pad_look.outline_ink = palette::ink;
    pad_look.outline_width = 0.8f;
    pad_look.rim_light = palette::gold;
    pad_look.light_dx = 0;
    pad_look.light_dy = -1;
    draw::draw_shape(c, pad, pad_look);
    mask emitter(T, T);
    draw::fill_ellipse(emitter, {centre, 28.5f}, 3, 1);
    draw::glow(c, emitter, palette::glass, 1.5f, 1);
    draw::fill(c, emitter, draw::solid(palette::steel_light));
    return c;
}

// The ball sink: a goblet whose mouth glows, where a carried ball is laid.
canvas sink_tile()
{
    canvas c(T, T);
    mask body(T, T);

    const float mouth_y = 12, rx = 13.5f, ry = 4.5f;
    mask bowl(T, T);
    draw::path half;
    std::vector<point> pts;
    for (int i = 0; i <= 32; ++i) {
        float a = 3.14159265f * i / 32;
        pts.push_back({centre + rx * std::cos(a), mouth_y + 13.5f * std::sin(a)});
    }
    half.add(pts);
    draw::fill_path(bowl, half);
    draw::fill_ellipse(bowl, {centre, mouth_y}, rx, ry);
    mask foot(T, T);
    draw::fill_rect(foot, 13, 24, 19, 29);
    draw::fill_rounded_rect(foot, 7, 28.5f, 25, 32, 1.5f);
    body.unite(bowl);
    body.unite(foot);
    body.unite(draw::dilate(body, 0.7f));

    draw::look steel;
    steel.body = draw::sphere({centre - 3, mouth_y + 2}, 15, draw::shade(palette::steel_dark, 0.7f), palette::steel,
                              palette::steel_light);
    steel.outline_ink = palette::ink;
    steel.outline_width = 1;
    draw::draw_shape(c, foot, steel);
    draw::draw_shape(c, bowl, steel);
    mask foot_top(T, T);
    draw::fill_rect(foot_top, 7.5f, 28.5f, 24.5f, 29.5f);
    draw::fill(c, foot_top, draw::solid(palette::gold));

    // A band of lights round the bowl.
    mask band(T, T);
    for (float x : {9.5f, 13.0f, 16.5f, 20.0f, 23.5f})
        draw::fill_circle(band, {x - 0.5f, mouth_y + 7 + 0.08f * (x - centre) * (x - centre) / 2}, 1.1f);
    draw::fill(c, band, draw::solid(palette::glass));

    // The mouth: a gold lip round a glowing well.
    mask lip(T, T), well(T, T);
    draw::fill_ellipse(lip, {centre, mouth_y}, rx, ry);
    draw::fill_ellipse(well, {centre, mouth_y + 0.3f}, rx - 2.2f, ry - 1.5f);
    lip.subtract(well);
    draw::fill(c, lip, draw::linear({2, 0}, {30, 0}, {{0, palette::gold_pale}, {0.5f, palette::gold},
                                                       {1, palette::gold_deep}}));
    draw::fill(c, well, draw::radial({centre, mouth_y + 1}, rx - 2,
                                     {{0, palette::steel_light}, {0.35f, palette::glass},
                                      {1, draw::shade(palette::glass, 0.3f)}}));
    draw::harden(c, body);
    return c;
}

// Letters of the shop's sign, four by five pixels.
const char* const sign_letters[4][5] = {
    {".###", "#...", ".##.", "...#", "###."},
    {"#..#", "#..#", "####", "#..#", "#..#"},
    {".##.", "#..#", "#..#", "#..#", ".##."},
    {"###.", "#..#", "###.", "#...", "#..."},
};

// The shop: a kiosk under a lit sign, a gold coin in its window.
canvas shop_tile()
{
    canvas c(T, T);
    mask body(T, T);

    mask kiosk(T, T);
    draw::fill_rect(kiosk, 4, 12, 28, 30);
    draw::fill_rounded_rect(kiosk, 2, 29, 30, 32, 1);
    draw::look steel;
    steel.body = draw::linear({4, 12}, {28, 32}, {{0, palette::steel}, {1, draw::shade(palette::steel_dark, 0.7f)}});
    steel.outline_ink = palette::ink;
    steel.outline_width = 1;
    steel.rim_light = palette::steel_light;
    steel.light_dx = -1;
    steel.light_dy = -1;
    draw::draw_shape(c, kiosk, steel);
    body.unite(draw::dilate(kiosk, 1));

    mask window(T, T);
    draw::fill_rect(window, 7, 15, 25, 26);
    draw::fill(c, window, draw::linear({0, 15}, {0, 26}, {{0, draw::shade(palette::glass, 0.45f)},
                                                           {1, draw::shade(palette::glass, 0.15f)}}));
    mask coin(T, T);
    draw::fill_circle(coin, {centre, 20.5f}, 4);
    draw::look gold;
    gold.body = draw::sphere({centre, 20.5f}, 4, palette::gold_deep, palette::gold, palette::gold_pale);
    gold.outline_ink = palette::ink;
    gold.outline_width = 0.8f;
    draw::draw_shape(c, coin, gold);
    mask mark(T, T);
    draw::fill_rect(mark, 15.5f, 18.5f, 16.5f, 22.5f);
    draw::fill(c, mark, draw::solid(palette::gold_deep));
    mask counter(T, T);
    draw::fill_rect(counter, 5, 26, 27, 28);
    draw::fill(c, counter, draw::linear({0, 26}, {0, 28}, {{0, palette::gold_pale}, {1, palette::gold_deep}}));

    // The sign: dark glass in a gold frame, the letters lit cyan.
    mask board(T, T);
    draw::fill_rounded_rect(board, 1, 1, 31, 12, 2);
    draw::look frame;
    frame.body = draw::linear({0, 2}, {0, 12}, {{0, palette::gold_pale}, {0.5f, palette::gold}, {1, palette::gold_deep}});
    frame.outline_ink = palette::ink;
    frame.outline_width = 1;
    draw::draw_shape(c, board, frame);
    body.unite(draw::dilate(board, 1));
    mask panel(T, T);
    draw::fill_rect(panel, 3, 3, 29, 10);
    draw::fill(c, panel, draw::solid(palette::panel));
    mask letters(T, T);
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 4; ++x)
                if (sign_letters[i][y][x] == '#')
                    letters.set(6 + i * 5 + x, 4 + y, 1);
    draw::glow(c, letters, palette::glass, 0.8f, 0.8f);
    draw::fill(c, letters, draw::solid(draw::mix(palette::glass, palette::steel_light, 0.5f)));
    draw::harden(c, body);
    return c;
}
}

draw::look glass_look(point shine, float radius)
{
    draw::look glass;
    glass.body = draw::radial(shine, radius, {{0, palette::steel_light}, {0.3f, palette::glass},
                                              {1, draw::shade(palette::glass, 0.3f)}});
    glass.outline_ink = palette::ink;
    glass.outline_width = 0.8f;
    return glass;
}

void make_walls(const sink& out)
{
    out("block.png", wall_tile(block_solid));
    out("blockdiag_tl.png", wall_tile(diag_tl_solid));
    out("blockdiag_tr.png", wall_tile(diag_tr_solid));
    out("blockdiag_bl.png", wall_tile(diag_bl_solid));
    out("blockdiag_br.png", wall_tile(diag_br_solid));
}

void make_pipes(const sink& out)
{
    const float through = T, stem = centre;
    auto bend = [](float cx, float cy) { return run{true, {cx, cy}, {0, 0}, 0}; };
    // A T-piece is named after the way its stem points: pipe_Tu joins the
    // left, right and upper edges, pipe_Tl the upper, lower and left ones.
    const piece pieces[] = {
        {"pipe_ud.png", {arm(UP, through)}, false, true},
        {"pipe_lr.png", {arm(LEFT, through)}, false, true},
        {"pipe_ld.png", {bend(0, T)}, false, false},
        {"pipe_lu.png", {bend(0, 0)}, false, false},
        {"pipe_rd.png", {bend(T, T)}, false, false},
        {"pipe_ru.png", {bend(T, 0)}, false, false},
        {"pipe_Tu.png", {arm(LEFT, through), arm(UP, stem)}, true, false},
        {"pipe_Td.png", {arm(LEFT, through), arm(DOWN, stem)}, true, false},
        {"pipe_Tl.png", {arm(UP, through), arm(LEFT, stem)}, true, false},
        {"pipe_Tr.png", {arm(UP, through), arm(RIGHT, stem)}, true, false},
        {"pipe_+.png", {arm(UP, through), arm(LEFT, through)}, true, false},
    };
    for (const piece& p : pieces)
        out(p.file, pipe_tile(p));
}

void make_fixtures(const sink& out)
{
    out("source.png", source_tile());
    out("sink.png", sink_tile());
    out("shop.png", shop_tile());
}

}
