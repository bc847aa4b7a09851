// The drawing kit: shape rasterising into masks, paints, effects and PNG
// output through libpng's write interface.
#include "draw.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include <png.h>

#include "palette.h"
#include "random.h"

namespace draw {

namespace {
const float pi = 3.14159265358979f;

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Coverage of a pixel centre at signed distance sd from an edge (negative
// inside): a one-pixel soft edge.
float edge_coverage(float sd) { return clamp01(0.5f - sd); }

struct box {
    int x0, y0, x1, y1; // half-open pixel range, already clipped
};

box clip_box(const mask& m, float x0, float y0, float x1, float y1)
{
    box b;
    b.x0 = std::max(0, static_cast<int>(std::floor(x0)) - 1);
    b.y0 = std::max(0, static_cast<int>(std::floor(y0)) - 1);
    b.x1 = std::min(m.width(), static_cast<int>(std::ceil(x1)) + 1);
    b.y1 = std::min(m.height(), static_cast<int>(std::ceil(y1)) + 1);
    return b;
}

// Fills a box with the coverage of a signed distance function.
template <typename F>
void fill_sdf(mask& m, const box& b, F sdf)
{
    for (int y = b.y0; y < b.y1; ++y)
        for (int x = b.x0; x < b.x1; ++x) {
            float c = edge_coverage(sdf(x + 0.5f, y + 0.5f));
            if (c > 0)
                m.cover(x, y, c);
        }
}

float segment_distance(point p, point a, point b)
{
    float vx = b.x - a.x, vy = b.y - a.y;
    float wx = p.x - a.x, wy = p.y - a.y;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0 ? clamp01((wx * vx + wy * vy) / len2) : 0;
    float dx = wx - t * vx, dy = wy - t * vy;
    return std::sqrt(dx * dx + dy * dy);
}

// Adds weight times the horizontal coverage of [a, b) to a row of pixels.
void add_span(std::vector<float>& row, float a, float b, float weight)
{
    float w = static_cast<float>(row.size());
    a = std::max(a, 0.0f);
    b = std::min(b, w);
    if (b <= a)
        return;
    int ia = static_cast<int>(a), ib = static_cast<int>(b);
    if (ia == ib) {
        row[ia] += (b - a) * weight;
        return;
    }
    row[ia] += (ia + 1 - a) * weight;
    for (int i = ia + 1; i < ib; ++i)
        row[i] += weight;
    if (ib < static_cast<int>(row.size()))
        row[ib] += (b - ib) * weight;
}

colour stop_colour(const std::vector<stop>& stops, float t)
{
    if (stops.empty())
        return {};
    if (t <= stops.front().at)
        return stops.front().c;
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].at) {
            float span = stops[i].at - stops[i - 1].at;
            float f = span > 0 ? (t - stops[i - 1].at) / span : 1;
            return mix(stops[i - 1].c, stops[i].c, f);
        }
    return stops.back().c;
}

// One pass of a box blur of half-width r along rows (step 1) or columns.
void box_pass(std::vector<float>& v, int w, int h, int r, bool along_rows)
{
    int lines = along_rows ? h : w, len = along_rows ? w : h;
    int stride = along_rows ? 1 : w;
    std::vector<float> line(static_cast<size_t>(len));
    float norm = 1.0f / static_cast<float>(2 * r + 1);
    for (int l = 0; l < lines; ++l) {
        size_t base = along_rows ? static_cast<size_t>(l) * w : static_cast<size_t>(l);
        for (int i = 0; i < len; ++i)
            line[i] = v[base + static_cast<size_t>(i) * stride];
        // Running sum over [i - r, i + r], zero outside.
        double sum = 0;
        for (int i = 0; i < std::min(r, len); ++i)
            sum += line[i];
        for (int i = 0; i < len; ++i) {
            if (i + r < len)
                sum += line[i + r];
            if (i - r - 1 >= 0)
                sum -= line[i - r - 1];
            v[base + static_cast<size_t>(i) * stride] = static_cast<float>(sum) * norm;
        }
    }
}

// 4 x 4 ordered dither, offsets in (-0.5, 0.5) of one 8-bit step: keeps
// dark gradients from banding, and is the same on every run.
float dither(int x, int y)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (static_cast<float>(bayer[y & 3][x & 3]) + 0.5f) / 16.0f - 0.5f;
}

png_byte to_byte(float v) { return static_cast<png_byte>(std::lround(std::min(255.0f, std::max(0.0f, v)))); }

void png_fail(png_structp png, png_const_charp message)
{
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text)
        *text = message;
    longjmp(png_jmpbuf(png), 1);
}

void png_warn(png_structp, png_const_charp) {}

// The libpng part of write_png, apart so that nothing with a destructor
// lives between setjmp and a possible longjmp.
bool write_png_rows(FILE* file, int w, int h, png_bytep* rows, std::string* error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, png_fail, png_warn);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // Fixed settings: the bytes depend on the pixels alone.
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
}

colour mix(colour a, colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

colour fade(colour c, float k) { return {c.r, c.g, c.b, clamp01(c.a * k)}; }

colour shade(colour c, float k) { return {clamp01(c.r * k), clamp01(c.g * k), clamp01(c.b * k), c.a}; }

transform transform::translate(float x, float y) { return {1, 0, 0, 1, x, y}; }

transform transform::rotate(float radians)
{
    float s = std::sin(radians), c = std::cos(radians);
    return {c, s, -s, c, 0, 0};
}

transform transform::scale(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }

transform transform::shear_x(float k) { return {1, 0, k, 1, 0, 0}; }

transform transform::then(const transform& n) const
{
    return {n.a * a + n.c * b,         n.b * a + n.d * b,         n.a * c + n.c * d,
            n.b * c + n.d * d,         n.a * tx + n.c * ty + n.tx, n.b * tx + n.d * ty + n.ty};
}

point transform::apply(point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }

path& path::add(std::vector<point> contour)
{
    contours.push_back(std::move(contour));
    return *this;
}

path path::transformed(const transform& t) const
{
    path out;
    for (const auto& contour : contours) {
        std::vector<point> moved;
        moved.reserve(contour.size());
        for (point p : contour)
            moved.push_back(t.apply(p));
        out.add(std::move(moved));
    }
    return out;
}

path ellipse_path(point centre, float rx, float ry, float angle)
{
    // About one segment per two pixels of rim keeps the chord error tiny.
    float rim = 2 * pi * std::max(rx, ry);
    int segments = std::min(720, std::max(24, static_cast<int>(rim / 2)));
    float s = std::sin(angle), c = std::cos(angle);
    std::vector<point> pts;
    for (int i = 0; i < segments; ++i) {
        float t = 2 * pi * static_cast<float>(i) / static_cast<float>(segments);
        float x = rx * std::cos(t), y = ry * std::sin(t);
        pts.push_back({centre.x + c * x - s * y, centre.y + s * x + c * y});
    }
    path p;
    p.add(std::move(pts));
    return p;
}

mask::mask(int width, int height)
    : m_w(width), m_h(height), m_v(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0f)
{
}

float mask::get(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return 0;
    return m_v[static_cast<size_t>(y) * m_w + x];
}

void mask::cover(int x, int y, float coverage)
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return;
    float& v = m_v[static_cast<size_t>(y) * m_w + x];
    v = std::max(v, clamp01(coverage));
}

void mask::set(int x, int y, float coverage)
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return;
    m_v[static_cast<size_t>(y) * m_w + x] = clamp01(coverage);
}

void mask::unite(const mask& o)
{
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            cover(x, y, o.get(x, y));
}

void mask::subtract(const mask& o)
{
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            set(x, y, get(x, y) * (1 - o.get(x, y)));
}

void mask::intersect(const mask& o)
{
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            set(x, y, std::min(get(x, y), o.get(x, y)));
}

void mask::scale(float k)
{
    for (float& v : m_v)
        v = clamp01(v * k);
}

mask mask::shifted(int dx, int dy) const
{
    mask out(m_w, m_h);
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            out.set(x, y, get(x - dx, y - dy));
    return out;
}

double mask::area() const
{
    double sum = 0;
    for (float v : m_v)
        sum += v;
    return sum;
}

void fill_path(mask& m, const path& p)
{
    struct segment {
        float x0, y0, x1, y1;
    };
    std::vector<segment> edges;
    float top = 1e30f, bottom = -1e30f;
    for (const auto& contour : p.contours)
        for (size_t i = 0; i < contour.size(); ++i) {
            point a = contour[i], b = contour[(i + 1) % contour.size()];
            if (a.y != b.y)
                edges.push_back({a.x, a.y, b.x, b.y});
            top = std::min(top, a.y);
            bottom = std::max(bottom, a.y);
        }
    if (edges.empty())
        return;
    int y0 = std::max(0, static_cast<int>(std::floor(top)));
    int y1 = std::min(m.height(), static_cast<int>(std::ceil(bottom)) + 1);

    // Sixteen sub-rows per pixel row, each crossed with exact horizontal
    // coverage; even-odd pairs of crossings are the filled spans.
    const int sub_rows = 16;
    const float weight = 1.0f / sub_rows;
    std::vector<float> row(static_cast<size_t>(m.width()));
    std::vector<float> crossings;
    for (int y = y0; y < y1; ++y) {
        std::fill(row.begin(), row.end(), 0.0f);
        for (int s = 0; s < sub_rows; ++s) {
            float sy = static_cast<float>(y) + (static_cast<float>(s) + 0.5f) * weight;
            crossings.clear();
            for (const segment& e : edges)
                if ((e.y0 <= sy && sy < e.y1) || (e.y1 <= sy && sy < e.y0))
                    crossings.push_back(e.x0 + (sy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0));
            std::sort(crossings.begin(), crossings.end());
            for (size_t i = 0; i + 1 < crossings.size(); i += 2)
                add_span(row, crossings[i], crossings[i + 1], weight);
        }
        for (int x = 0; x < m.width(); ++x)
            if (row[x] > 0)
                m.cover(x, y, row[x]);
    }
}

void fill_circle(mask& m, point c, float r)
{
    box b = clip_box(m, c.x - r, c.y - r, c.x + r, c.y + r);
    fill_sdf(m, b, [&](float x, float y) { return std::hypot(x - c.x, y - c.y) - r; });
}

void fill_ellipse(mask& m, point c, float rx, float ry, float angle) { fill_path(m, ellipse_path(c, rx, ry, angle)); }

void fill_rect(mask& m, float x0, float y0, float x1, float y1)
{
    // Exact area of overlap with each pixel.
    box b = clip_box(m, x0, y0, x1, y1);
    for (int y = b.y0; y < b.y1; ++y) {
        float cy = std::min(y1, y + 1.0f) - std::max(y0, static_cast<float>(y));
        if (cy <= 0)
            continue;
        for (int x = b.x0; x < b.x1; ++x) {
            float cx = std::min(x1, x + 1.0f) - std::max(x0, static_cast<float>(x));
            if (cx > 0)
                m.cover(x, y, cx * cy);
        }
    }
}

void fill_rounded_rect(mask& m, float x0, float y0, float x1, float y1, float radius)
{
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    float hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    radius = std::min(radius, std::min(hx, hy));
    box b = clip_box(m, x0, y0, x1, y1);
    fill_sdf(m, b, [&](float x, float y) {
        float qx = std::fabs(x - cx) - (hx - radius), qy = std::fabs(y - cy) - (hy - radius);
        float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    });
}

void stroke_line(mask& m, point a, point b, float width)
{
    float r = width / 2;
    box bb = clip_box(m, std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r,
                      std::max(a.y, b.y) + r);
    fill_sdf(m, bb, [&](float x, float y) { return segment_distance({x, y}, a, b) - r; });
}

void stroke_polyline(mask& m, const std::vector<point>& points, float width, bool closed)
{
    for (size_t i = 0; i + 1 < points.size(); ++i)
        stroke_line(m, points[i], points[i + 1], width);
    if (closed && points.size() > 2)
        stroke_line(m, points.back(), points.front(), width);
}

paint solid(colour c)
{
    return [c](float, float) { return c; };
}

paint linear(point a, point b, std::vector<stop> stops)
{
    float vx = b.x - a.x, vy = b.y - a.y;
    float len2 = vx * vx + vy * vy;
    return [=](float x, float y) {
        float t = len2 > 0 ? ((x - a.x) * vx + (y - a.y) * vy) / len2 : 0;
        return stop_colour(stops, clamp01(t));
    };
}

paint radial(point centre, float radius, std::vector<stop> stops)
{
    return [=](float x, float y) {
        float t = radius > 0 ? std::hypot(x - centre.x, y - centre.y) / radius : 0;
        return stop_colour(stops, clamp01(t));
    };
}

canvas::canvas(int width, int height)
    : m_w(width), m_h(height), m_px(static_cast<size_t>(width) * static_cast<size_t>(height), rgba{0, 0, 0, 0})
{
}

colour canvas::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return {};
    const rgba& p = m_px[static_cast<size_t>(y) * m_w + x];
    if (p.a <= 0)
        return {};
    return {clamp01(p.r / p.a), clamp01(p.g / p.a), clamp01(p.b / p.a), clamp01(p.a)};
}

void canvas::put(int x, int y, colour c, float coverage, blend mode)
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return;
    rgba& p = m_px[static_cast<size_t>(y) * m_w + x];
    float a = c.a * coverage;
    if (a <= 0)
        return;
    if (mode == blend::ADD) {
        p.r += c.r * a;
        p.g += c.g * a;
        p.b += c.b * a;
        p.a = std::min(1.0f, p.a + a);
        return;
    }
    a = std::min(a, 1.0f);
    p.r = c.r * a + p.r * (1 - a);
    p.g = c.g * a + p.g * (1 - a);
    p.b = c.b * a + p.b * (1 - a);
    p.a = a + p.a * (1 - a);
}

void canvas::set(int x, int y, colour c)
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return;
    float a = clamp01(c.a);
    m_px[static_cast<size_t>(y) * m_w + x] = {c.r * a, c.g * a, c.b * a, a};
}

void canvas::fill_all(const paint& p)
{
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            put(x, y, p(x + 0.5f, y + 0.5f), 1);
}

void canvas::draw(const canvas& src, int x, int y)
{
    for (int sy = 0; sy < src.m_h; ++sy)
        for (int sx = 0; sx < src.m_w; ++sx) {
            int tx = x + sx, ty = y + sy;
            if (tx < 0 || ty < 0 || tx >= m_w || ty >= m_h)
                continue;
            const rgba& s = src.m_px[static_cast<size_t>(sy) * src.m_w + sx];
            rgba& d = m_px[static_cast<size_t>(ty) * m_w + tx];
            d.r = s.r + d.r * (1 - s.a);
            d.g = s.g + d.g * (1 - s.a);
            d.b = s.b + d.b * (1 - s.a);
            d.a = s.a + d.a * (1 - s.a);
        }
}

void fill(canvas& c, const mask& m, const paint& p, float opacity, blend mode)
{
    int w = std::min(c.width(), m.width()), h = std::min(c.height(), m.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float cov = m.get(x, y);
            if (cov > 0)
                c.put(x, y, p(x + 0.5f, y + 0.5f), cov * opacity, mode);
        }
}

mask dilate(const mask& m, float radius)
{
    // A pixel of coverage v has its edge about v - 0.5 beyond its centre, so
    // a neighbour at distance d covers radius + v - d of the grown shape.
    struct tap {
        int dx, dy;
        float d;
    };
    std::vector<tap> taps;
    int reach = static_cast<int>(std::ceil(radius + 1));
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
            if (d < radius + 1)
                taps.push_back({dx, dy, d});
        }
    mask out(m.width(), m.height());
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x) {
            float v = m.get(x, y);
            if (v > 0)
                for (const tap& t : taps)
                    out.cover(x + t.dx, y + t.dy, radius + v - t.d);
        }
    return out;
}

mask blur(const mask& m, float sigma)
{
    int w = m.width(), h = m.height();
    // Three passes of width 2r + 1 have variance 3 ((2r + 1)^2 - 1) / 12.
    float ideal = std::sqrt(4 * sigma * sigma + 1);
    int r = std::max(1, static_cast<int>(std::lround((ideal - 1) / 2)));
    std::vector<float> v(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v[static_cast<size_t>(y) * w + x] = m.get(x, y);
    for (int pass = 0; pass < 3; ++pass) {
        box_pass(v, w, h, r, true);
        box_pass(v, w, h, r, false);
    }
    mask out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.set(x, y, v[static_cast<size_t>(y) * w + x]);
    return out;
}

mask edge(const mask& m, int dx, int dy)
{
    mask out(m.width(), m.height());
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x) {
            // The farthest neighbour counts, so (0, -2) gives a 2-pixel rim.
            float v = m.get(x, y) - m.get(x + dx, y + dy);
            if (v > 0)
                out.set(x, y, v);
        }
    return out;
}

void outline(canvas& c, const mask& m, colour ink, float width) { fill(c, dilate(m, width), solid(ink)); }

void glow(canvas& c, const mask& m, colour light, float sigma, float strength)
{
    fill(c, blur(m, sigma), solid(light), strength, blend::ADD);
}

void shadow(canvas& c, const mask& m, colour dark, int dx, int dy, float sigma)
{
    fill(c, blur(m.shifted(dx, dy), sigma), solid(dark));
}

void draw_shape(canvas& c, const mask& m, const look& l)
{
    if (l.glow_sigma > 0 && l.glow_light.a > 0)
        glow(c, m, l.glow_light, l.glow_sigma);
    if (l.outline_width > 0 && l.outline_ink.a > 0)
        outline(c, m, l.outline_ink, l.outline_width);
    if (l.body)
        fill(c, m, l.body);
    if (l.rim_light.a > 0)
        fill(c, edge(m, l.light_dx, l.light_dy), solid(l.rim_light));
    if (l.rim_shade.a > 0)
        fill(c, edge(m, -l.light_dx, -l.light_dy), solid(l.rim_shade));
}

namespace {
// Light from the upper left and a little towards the viewer; the surface
// normal (nx, ny) in the picture's plane, nz towards the viewer.
colour lit_surface(float nx, float ny, colour dark, colour lit, colour highlight)
{
    const float lx = -0.5f, ly = -0.6f, lz = 0.62f;
    float d = std::hypot(nx, ny);
    if (d > 1) {
        nx /= d;
        ny /= d;
    }
    float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    float lambert = std::max(0.0f, nx * lx + ny * ly + nz * lz);
    colour c = mix(dark, lit, std::min(1.0f, lambert * 1.15f));
    // The reflection of the light: a tight spot.
    float shine = lambert > 0.9f ? (lambert - 0.9f) / 0.1f : 0;
    return mix(c, highlight, shine * shine);
}
}

paint sphere(point centre, float radius, colour dark, colour lit, colour highlight)
{
    return [=](float x, float y) {
        return lit_surface((x - centre.x) / radius, (y - centre.y) / radius, dark, lit, highlight);
    };
}

paint ellipsoid(point centre, float rx, float ry, colour dark, colour lit, colour highlight)
{
    return [=](float x, float y) {
        return lit_surface((x - centre.x) / rx, (y - centre.y) / ry, dark, lit, highlight);
    };
}

paint cylinder(point a, point b, float radius, colour dark, colour lit, colour highlight)
{
    float ax = b.x - a.x, ay = b.y - a.y;
    float len = std::hypot(ax, ay);
    ax /= len;
    ay /= len;
    return [=](float x, float y) {
        // The part of (x, y) - a across the axis.
        float wx = x - a.x, wy = y - a.y;
        float along = wx * ax + wy * ay;
        return lit_surface((wx - along * ax) / radius, (wy - along * ay) / radius, dark, lit, highlight);
    };
}

void drop_faint(canvas& c, float below)
{
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.pixel(x, y).a < below)
                c.set(x, y, {});
}

void harden(canvas& c, const mask& body)
{
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            colour p = c.pixel(x, y);
            p.a = body.get(x, y) >= 0.5f ? 1 : 0;
            c.set(x, y, p.a > 0 ? p : colour{});
        }
}

void starfield(canvas& c, gen::rng& r, int count, const std::function<bool(float, float)>& allowed)
{
    const colour tints[] = {palette::star_white, palette::star_blue, palette::star_white, palette::star_warm};
    mask cores(c.width(), c.height()), spikes(c.width(), c.height());
    for (int i = 0; i < count; ++i) {
        // Every star takes the same draws, allowed or not, so a change of
        // the allowed area moves no other star.
        float x = r.range(0, static_cast<float>(c.width()));
        float y = r.range(0, static_cast<float>(c.height()));
        float u = r.uniform();
        colour tint = tints[r.below(4)];
        float spike = r.range(2.5f, 6.0f);
        if (!allowed(x, y))
            continue;
        float brightness = 0.15f + 0.85f * u * u * u;
        if (brightness < 0.8f) {
            // A faint point, split over the four nearest pixels.
            float fx = x - 0.5f, fy = y - 0.5f;
            int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
            float tx = fx - ix, ty = fy - iy;
            colour col = fade(tint, std::min(1.0f, brightness * 1.6f));
            c.put(ix, iy, col, (1 - tx) * (1 - ty), blend::ADD);
            c.put(ix + 1, iy, col, tx * (1 - ty), blend::ADD);
            c.put(ix, iy + 1, col, (1 - tx) * ty, blend::ADD);
            c.put(ix + 1, iy + 1, col, tx * ty, blend::ADD);
            continue;
        }
        fill_circle(cores, {x, y}, 0.9f);
        stroke_line(spikes, {x - spike, y}, {x + spike, y}, 0.5f);
        stroke_line(spikes, {x, y - spike}, {x, y + spike}, 0.5f);
    }
    glow(c, cores, palette::star_blue, 2.5f, 1.5f);
    fill(c, spikes, solid(palette::star_blue), 0.45f, blend::ADD);
    fill(c, cores, solid(palette::star_white), 1, blend::ADD);
}

void write_png(const canvas& c, const std::string& path)
{
    int w = c.width(), h = c.height();
    std::vector<png_byte> bytes(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            colour p = c.pixel(x, y);
            png_byte* out = &bytes[(static_cast<size_t>(y) * w + x) * 4];
            png_byte alpha = to_byte(p.a * 255);
            if (alpha == 0)
                continue; // fully transparent pixels stay all zero
            float d = dither(x, y);
            out[0] = to_byte(p.r * 255 + d);
            out[1] = to_byte(p.g * 255 + d);
            out[2] = to_byte(p.b * 255 + d);
            out[3] = alpha;
        }
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        rows[y] = &bytes[static_cast<size_t>(y) * w * 4];

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        throw std::runtime_error("cannot write " + path);
    std::string error;
    bool ok = write_png_rows(file.get(), w, h, rows.data(), &error);
    if (std::fclose(file.release()) != 0 || !ok)
        throw std::runtime_error("cannot write " + path + (error.empty() ? "" : ": " + error));
}

}
