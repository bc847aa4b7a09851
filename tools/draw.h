// The drawing kit of the data tools: a float RGBA canvas, coverage masks
// filled by anti-aliased shapes, paints (solid and gradients), the house
// effects (outline, glow, shadow, rim light) and PNG output.
//
// Every picture is made the same way: shapes are filled into a mask, and
// the mask is painted onto the canvas, usually through draw_shape, so that
// all pictures share one look.
#ifndef VANTREL_TOOLS_DRAW_H
#define VANTREL_TOOLS_DRAW_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gen {
class rng;
}

namespace draw {

// Straight (not premultiplied) colour, every channel 0 to 1.
struct colour {
    float r = 0, g = 0, b = 0, a = 0;
};

constexpr colour hex(uint32_t rgb, float a = 1.0f)
{
    return {static_cast<float>((rgb >> 16) & 0xff) / 255.0f,
            static_cast<float>((rgb >> 8) & 0xff) / 255.0f,
            static_cast<float>(rgb & 0xff) / 255.0f, a};
}
colour mix(colour a, colour b, float t);
// The same colour with its alpha multiplied by k.
colour fade(colour c, float k);
// Red, green and blue multiplied by k (above 1 brightens, clamped at white).
colour shade(colour c, float k);

struct point {
    float x = 0, y = 0;
};

// x' = a x + c y + tx, y' = b x + d y + ty. Screen y grows downward, so a
// positive rotation turns clockwise on screen.
struct transform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static transform translate(float x, float y);
    static transform rotate(float radians);
    static transform scale(float sx, float sy);
    // x' = x + k y: a forward slant for negative k.
    static transform shear_x(float k);
    // This transform followed by next.
    transform then(const transform& next) const;
    point apply(point p) const;
};

// One or more closed contours, filled with the even-odd rule, so a contour
// inside another cuts a hole.
struct path {
    std::vector<std::vector<point>> contours;

    path& add(std::vector<point> contour);
    path transformed(const transform& t) const;
};
path ellipse_path(point centre, float rx, float ry, float angle = 0);

// Coverage 0 to 1 per pixel; shapes are added by taking the maximum.
class mask {
public:
    mask(int width, int height);

    int width() const { return m_w; }
    int height() const { return m_h; }
    // 0 outside the mask.
    float get(int x, int y) const;
    void cover(int x, int y, float coverage);
    void set(int x, int y, float coverage);

    void unite(const mask& other);
    void subtract(const mask& other);
    void intersect(const mask& other);
    // Coverage times k, clamped to 1.
    void scale(float k);
    mask shifted(int dx, int dy) const;
    // The sum of all coverage, in pixels.
    double area() const;

private:
    int m_w, m_h;
    std::vector<float> m_v;
};

// Pixel (x, y) spans [x, x + 1) x [y, y + 1); shapes are sampled at pixel
// centres, with exact horizontal coverage for paths.
void fill_path(mask& m, const path& p);
void fill_circle(mask& m, point centre, float radius);
void fill_ellipse(mask& m, point centre, float rx, float ry, float angle = 0);
void fill_rect(mask& m, float x0, float y0, float x1, float y1);
void fill_rounded_rect(mask& m, float x0, float y0, float x1, float y1, float radius);
// Round-capped strokes.
void stroke_line(mask& m, point a, point b, float width);
void stroke_polyline(mask& m, const std::vector<point>& points, float width, bool closed = false);

// A colour for every position.
using paint = std::function<colour(float x, float y)>;
struct stop {
    float at;
    colour c;
};
paint solid(colour c);
// Colour stops along a to b, clamped beyond both ends.
paint linear(point a, point b, std::vector<stop> stops);
// Colour stops from the centre (0) out to radius (1).
paint radial(point centre, float radius, std::vector<stop> stops);

enum class blend { OVER, ADD };

// Premultiplied float RGBA, transparent when new.
class canvas {
public:
    canvas(int width, int height);

    int width() const { return m_w; }
    int height() const { return m_h; }
    // Straight colour of a pixel; transparent outside.
    colour pixel(int x, int y) const;
    // Lays c over the pixel with the given coverage (ignored outside).
    void put(int x, int y, colour c, float coverage, blend mode = blend::OVER);
    void fill_all(const paint& p);
    // Replaces a pixel by the straight colour c (ignored outside).
    void set(int x, int y, colour c);
    // Lays src over this canvas with its top-left corner at (x, y).
    void draw(const canvas& src, int x, int y);

private:
    struct rgba {
        float r, g, b, a;
    };
    int m_w, m_h;
    std::vector<rgba> m_px;
};

void fill(canvas& c, const mask& m, const paint& p, float opacity = 1, blend mode = blend::OVER);

// Grows a mask by radius pixels, with soft edges.
mask dilate(const mask& m, float radius);
// Gaussian-like blur (three box passes) of deviation sigma.
mask blur(const mask& m, float sigma);
// The band of m whose neighbour at (dx, dy) lies outside m: the edge that
// faces that way.
mask edge(const mask& m, int dx, int dy);

void outline(canvas& c, const mask& m, colour ink, float width);
// Soft light around the shape, added to what is below.
void glow(canvas& c, const mask& m, colour light, float sigma, float strength = 1);
void shadow(canvas& c, const mask& m, colour dark, int dx, int dy, float sigma);

// How a shape is dressed: glow behind, dark outline, body paint, a lit
// rim on the edges facing the light and a shaded rim opposite.
struct look {
    paint body;
    colour outline_ink;
    float outline_width = 0;
    colour glow_light;
    float glow_sigma = 0;
    colour rim_light;
    colour rim_shade;
    // Direction the light comes from, in whole pixels (rim width).
    int light_dx = 0, light_dy = -1;
};
void draw_shape(canvas& c, const mask& m, const look& l);

// A ball of the given radius lit from the upper left: dark on the far
// side, lit towards the light, with a small highlight; points beyond the
// radius take the rim's colour.
paint sphere(point centre, float radius, colour dark, colour lit, colour highlight);
// The same ball squashed to rx across and ry down (a dome, a disc seen
// edge on), lit the same way.
paint ellipsoid(point centre, float rx, float ry, colour dark, colour lit, colour highlight);
// A round bar of the given radius along the line through a and b, lit the
// same way as sphere; points beyond the radius take the rim's colour.
paint cylinder(point a, point b, float radius, colour dark, colour lit, colour highlight);

// Alpha clean-up for pictures the game tests for collisions, where any
// alpha above 0 counts as body: drop_faint clears every pixel fainter than
// `below`; harden makes the canvas exactly its body, fully opaque where
// the body's coverage is at least one half and fully clear elsewhere,
// whatever was painted there.
void drop_faint(canvas& c, float below);
void harden(canvas& c, const mask& body);

// Scatters count stars over the canvas where allowed(x, y) holds: mostly
// faint single points, a few bright ones with a glow and spikes.
void starfield(canvas& c, gen::rng& r, int count, const std::function<bool(float, float)>& allowed);

// 8-bit RGBA PNG without time stamp and with fixed compression, so the same
// canvas always gives the same bytes. Throws std::runtime_error on failure.
void write_png(const canvas& c, const std::string& path);

}

#endif
