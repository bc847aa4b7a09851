// The shop's pictures as the shop uses them: their sizes; weapons of one
// size that turn about their pivot, point their barrel up and show their
// shot's colour at the muzzle; a socket that points up and can be clicked
// on every mount; systems that sit inside their bay; no two alike.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
const int opaque = 128;

struct hsv {
    float h = 0, s = 0, v = 0; // hue in degrees, saturation and value 0 to 1
};
hsv hsv_at(const png_picture& p, int x, int y)
{
    const uint8_t* c = p.at(x, y);
    float r = c[0] / 255.0f, g = c[1] / 255.0f, b = c[2] / 255.0f;
    float hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    hsv out;
    out.v = hi;
    out.s = hi > 0 ? d / hi : 0;
    if (d > 0) {
        if (hi == r)
            out.h = 60 * std::fmod((g - b) / d + 6, 6.0f);
        else if (hi == g)
            out.h = 60 * ((b - r) / d + 2);
        else
            out.h = 60 * ((r - g) / d + 4);
    }
    return out;
}

// The colour a picture is known by.
struct colour_key {
    const char* name;
    bool (*holds)(hsv c);
};
const colour_key yellow = {"yellow", [](hsv c) { return c.h >= 38 && c.h <= 62 && c.s >= 0.45f && c.v >= 0.75f; }};
const colour_key orange = {"orange", [](hsv c) { return c.h >= 12 && c.h < 38 && c.s >= 0.55f && c.v >= 0.55f; }};
const colour_key red = {"red", [](hsv c) { return (c.h >= 345 || c.h <= 10) && c.s >= 0.6f && c.v >= 0.4f; }};
const colour_key ice = {"ice blue", [](hsv c) { return c.h >= 205 && c.h <= 235 && c.s >= 0.2f && c.v >= 0.8f; }};
const colour_key violet = {"violet", [](hsv c) { return c.h >= 255 && c.h <= 300 && c.s >= 0.4f && c.v >= 0.5f; }};
const colour_key white_hot = {"white-hot", [](hsv c) { return c.s <= 0.04f && c.v >= 0.97f; }};
const colour_key pink = {"pink", [](hsv c) { return c.h >= 315 && c.h <= 345 && c.s >= 0.35f && c.v >= 0.7f; }};
const colour_key cyan = {"cyan", [](hsv c) { return c.h >= 180 && c.h <= 200 && c.s >= 0.4f && c.v >= 0.6f; }};
const colour_key iron = {"dark iron", [](hsv c) { return c.v >= 0.15f && c.v <= 0.45f && c.s <= 0.5f; }};
const colour_key lead_grey = {"lead grey", [](hsv c) { return c.s <= 0.2f && c.v >= 0.2f && c.v <= 0.75f; }};

enum kind { SOCKET, WEAPON, BAY, SYSTEM };
struct shop_picture {
    const char* file;
    kind k;
    int w, h;
    const colour_key* key; // at the muzzle for a weapon, anywhere for the rest
};
const shop_picture shop_pictures[] = {
    {"weapon_point.png", SOCKET, 20, 20, &cyan},
    {"peashooter.png", WEAPON, 20, 28, &yellow},     // its pellet
    {"s_rapishooter.png", WEAPON, 20, 28, &yellow},  // the same pellets, faster
    {"s_shover.png", WEAPON, 20, 28, &orange},       // the heavy orange slug
    {"s_rocket.png", WEAPON, 20, 28, &red},          // the warhead
    {"s_implosion.png", WEAPON, 20, 28, &ice},       // the charge's burning rim
    {"s_plasmoid.png", WEAPON, 20, 28, &violet},     // the plasma orb
    {"s_scatter.png", WEAPON, 20, 28, &orange},      // glowing fragments
    {"s_sniper.png", WEAPON, 20, 28, &white_hot},    // the needle
    {"s_rbg.png", WEAPON, 20, 28, &iron},            // the recking ball
    {"s_scoop.png", WEAPON, 20, 28, &pink},          // the heart
    {"s_system_mount.png", BAY, 36, 36, nullptr},
    {"s_generator.png", SYSTEM, 28, 28, &cyan},
    {"s_battery.png", SYSTEM, 28, 28, &cyan},
    {"s_lead.png", SYSTEM, 28, 28, &lead_grey},
    {"s_generator2.png", SYSTEM, 28, 28, &cyan},
};

std::vector<const shop_picture*> of_kind(kind k)
{
    std::vector<const shop_picture*> out;
    for (const shop_picture& s : shop_pictures)
        if (s.k == k)
            out.push_back(&s);
    return out;
}

int key_pixels(const png_picture& p, const colour_key& key, int rows)
{
    int n = 0;
    for (int y = 0; y < std::min(rows, p.height); ++y)
        for (int x = 0; x < p.width; ++x)
            n += p.alpha(x, y) >= opaque && key.holds(hsv_at(p, x, y));
    return n;
}

int asymmetric_pixels(const png_picture& p)
{
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            n += std::abs(p.alpha(x, y) - p.alpha(p.width - 1 - x, y)) > 40;
    return n;
}

// Where a picture's opaque pixels reach, row by row.
struct reach {
    int top = -1, bottom = -1;
    float top_offset = 99; // of the top row's pixel nearest the centre column
    int widest_row = -1;
};
reach reach_of(const png_picture& p)
{
    reach r;
    int widest = 0;
    for (int y = 0; y < p.height; ++y) {
        int count = 0;
        for (int x = 0; x < p.width; ++x) {
            if (p.alpha(x, y) < opaque)
                continue;
            ++count;
            if (r.top < 0 || r.top == y) {
                r.top = y;
                r.top_offset = std::min(r.top_offset, std::fabs(x + 0.5f - p.width / 2.0f));
            }
            r.bottom = y;
        }
        if (count > widest) {
            widest = count;
            r.widest_row = y;
        }
    }
    return r;
}

// Pixels that differ clearly, in alpha or, where both show, in colour.
int differing_pixels(const png_picture& a, const png_picture& b)
{
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            int aa = a.alpha(x, y), ba = b.alpha(x, y);
            if (std::abs(aa - ba) > 64) {
                ++n;
                continue;
            }
            if (aa < opaque || ba < opaque)
                continue;
            int d = 0;
            for (int k = 0; k < 3; ++k)
                d += std::abs(a.at(x, y)[k] - b.at(x, y)[k]);
            n += d > 96;
        }
    return n;
}

// ---- The weapons page, as the shop lays it out on the default screen -----

// The ship's mounts from its centre, in its pixels, and their firing
// angles; the shop multiplies the offsets by its magnification.
struct mount {
    float x, y, angle;
};
const float pi = 3.1415927f;
const mount mounts[] = {{0, -15, 0},        {-2.5f, -14.8f, -0.1f}, {2.5f, -14.8f, 0.1f}, {-15, 13.5f, 0},
                        {15, 13.5f, 0},     {-9, 0, -pi / 2},       {9, 0, pi / 2},       {-9, 4, -pi / 2},
                        {9, 4, pi / 2},     {-2, 16, pi},           {2, 16, pi}};
const int square = 10, panel_w = 426, panel_h = 448, centre_x = panel_w / 2, centre_y = panel_h / 2;

struct screen_pixel {
    int x, y;
};
// The opaque pixels of a picture turned onto a mount as the shop draws it:
// into a square canvas about both centres, nearest pixel, then centred on
// the mount point.
std::vector<screen_pixel> drawn_on(const png_picture& p, const mount& m)
{
    int side = ((p.width + p.height) * 3 / 2 + 1) & ~1;
    int left = static_cast<int>(m.x * square + centre_x - side / 2);
    int top = static_cast<int>(m.y * square + centre_y - side / 2);
    double s = std::sin(m.angle), c = std::cos(m.angle);
    std::vector<screen_pixel> out;
    for (int x = 0; x < side; ++x)
        for (int y = 0; y < side; ++y) {
            double xc = x - side / 2.0 + 0.5, yc = y - side / 2.0 + 0.5;
            int sx = static_cast<int>(std::floor(static_cast<float>(xc * c + yc * s + p.width / 2.0)));
            int sy = static_cast<int>(std::floor(static_cast<float>(-xc * s + yc * c + p.height / 2.0)));
            if (p.alpha(sx, sy) >= opaque)
                out.push_back({left + x, top + y});
        }
    return out;
}

// The mount a click selects: the last whose socket rectangle, turned to
// its angle, holds the click; -1 for none.
int mount_hit(int click_x, int click_y, int socket_w, int socket_h)
{
    int hit = -1;
    for (int i = 0; i < static_cast<int>(std::size(mounts)); ++i) {
        const mount& m = mounts[i];
        float dx = click_x - (m.x * square + centre_x), dy = click_y - (m.y * square + centre_y);
        float u = static_cast<float>(dx * std::cos(double(m.angle)) + dy * std::sin(double(m.angle)));
        float v = static_cast<float>(-dx * std::sin(double(m.angle)) + dy * std::cos(double(m.angle)));
        if (-socket_w / 2 < u && u < socket_w / 2 && -socket_h / 2 < v && v < socket_h / 2)
            hit = i;
    }
    return hit;
}
}

TEST(shop_pictures, every_file_is_made_at_its_size)
{
    ASSERT_EQ(std::size(shop_pictures), shop_files().size());
    for (size_t i = 0; i < shop_files().size(); ++i) {
        const shop_picture& s = shop_pictures[i];
        EXPECT_EQ(shop_files()[i], s.file) << "the table follows the file list";
        const png_picture& p = generated_picture(s.file);
        EXPECT_EQ(p.width, s.w) << s.file;
        EXPECT_EQ(p.height, s.h) << s.file;
        EXPECT_GT(p.count_alpha(opaque), p.width * p.height / 5) << s.file << " shows little";
    }
    EXPECT_EQ(of_kind(WEAPON).size(), shop_weapon_files().size());
    EXPECT_EQ(of_kind(SYSTEM).size(), shop_system_files().size());
}

TEST(shop_pictures, no_two_of_one_size_look_alike)
{
    for (size_t a = 0; a < std::size(shop_pictures); ++a)
        for (size_t b = a + 1; b < std::size(shop_pictures); ++b) {
            const png_picture& pa = generated_picture(shop_pictures[a].file);
            const png_picture& pb = generated_picture(shop_pictures[b].file);
            if (pa.width != pb.width || pa.height != pb.height)
                continue;
            EXPECT_GT(differing_pixels(pa, pb), pa.width * pa.height / 10)
                << shop_pictures[a].file << " and " << shop_pictures[b].file;
        }
}

TEST(shop_weapon_pictures, share_one_size_and_turn_about_their_pivot)
{
    const png_picture& first = generated_picture(shop_weapon_files().front());
    for (const shop_picture* s : of_kind(WEAPON)) {
        const png_picture& p = generated_picture(s->file);
        EXPECT_EQ(p.width, first.width) << s->file << " would sit unlike the others";
        EXPECT_EQ(p.height, first.height) << s->file << " would sit unlike the others";
        // Turned to the side mounts, a lopsided weapon would lean.
        EXPECT_LE(asymmetric_pixels(p), 2) << s->file;
        // The shop turns it about the picture's centre: its pivot.
        for (int y = p.height / 2 - 1; y <= p.height / 2; ++y)
            for (int x = p.width / 2 - 1; x <= p.width / 2; ++x)
                EXPECT_GE(p.alpha(x, y), 200) << s->file << " has nothing on its mount at " << x << "," << y;
    }
}

TEST(shop_weapon_pictures, point_their_barrel_up)
{
    for (const shop_picture* s : of_kind(WEAPON)) {
        const png_picture& p = generated_picture(s->file);
        reach r = reach_of(p);
        ASSERT_GE(r.top, 0) << s->file;
        EXPECT_LE(r.top, 2) << s->file << ": the muzzle leads at the top";
        EXPECT_LE(r.top_offset, 2.5f) << s->file << ": the foremost part is on the centre line";
        EXPECT_GE(r.widest_row, p.height / 2) << s->file << ": the breech, not the muzzle, is the widest";
    }
}

TEST(shop_weapon_pictures, show_their_shots_colour_at_the_muzzle)
{
    for (const shop_picture* s : of_kind(WEAPON)) {
        const png_picture& p = generated_picture(s->file);
        EXPECT_GE(key_pixels(p, *s->key, p.height / 3), 4) << s->file << " shows no " << s->key->name << " in front";
    }
}

TEST(shop_weapon_pictures, neighbouring_mounts_keep_apart_on_the_weapons_page)
{
    // Every weapon on every mount beside every other: the three front
    // mounts are only 25 pixels apart and turned by 0.1 each way.
    std::vector<std::vector<std::vector<screen_pixel>>> drawn;
    for (const mount& m : mounts) {
        drawn.emplace_back();
        for (const std::string& file : shop_weapon_files())
            drawn.back().push_back(drawn_on(generated_picture(file), m));
    }
    std::vector<char> grid(static_cast<size_t>(panel_w) * panel_h, 0);
    auto cell = [&](screen_pixel q) -> char& { return grid[static_cast<size_t>(q.y) * panel_w + q.x]; };
    for (size_t i = 0; i < std::size(mounts); ++i)
        for (size_t a = 0; a < shop_weapon_files().size(); ++a) {
            for (screen_pixel q : drawn[i][a])
                cell(q) = 1;
            for (size_t j = i + 1; j < std::size(mounts); ++j)
                for (size_t b = 0; b < shop_weapon_files().size(); ++b) {
                    int shared = 0;
                    for (screen_pixel q : drawn[j][b])
                        shared += cell(q);
                    EXPECT_EQ(shared, 0) << shop_weapon_files()[a] << " on mount " << i << " touches "
                                         << shop_weapon_files()[b] << " on mount " << j;
                }
            for (screen_pixel q : drawn[i][a])
                cell(q) = 0;
        }
}

TEST(weapon_point_picture, is_a_centred_socket_pointing_up)
{
    const png_picture& p = generated_picture("weapon_point.png");
    ASSERT_EQ(p.width, 20);
    ASSERT_EQ(p.height, 20);
    EXPECT_EQ(asymmetric_pixels(p), 0);
    // A solid target over most of the rectangle that a click tests.
    EXPECT_GE(p.count_alpha(opaque), p.width * p.height * 2 / 5);

    // Its glowing eye, cyan round a bright heart, is the middle.
    double n = 0, sx = 0, sy = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.alpha(x, y) >= 200 && cyan.holds(hsv_at(p, x, y))) {
                n += 1;
                sx += x + 0.5;
                sy += y + 0.5;
            }
    ASSERT_GE(n, 8);
    EXPECT_NEAR(sx / n, p.width / 2.0, 0.25);
    EXPECT_NEAR(sy / n, p.height / 2.0, 0.5);
    for (int y = p.height / 2 - 1; y <= p.height / 2; ++y)
        for (int x = p.width / 2 - 1; x <= p.width / 2; ++x)
            EXPECT_GT(p.luminance(x, y), 0.8f) << x << "," << y;

    // Its pointer reaches nearer the top edge than anything reaches the
    // bottom one, on the centre line.
    reach r = reach_of(p);
    EXPECT_LT(r.top, p.height - 1 - r.bottom);
    EXPECT_LE(r.top_offset, 1.0f);
}

TEST(weapon_point_picture, leaves_each_mount_a_place_of_its_own_to_click)
{
    const png_picture& p = generated_picture("weapon_point.png");
    ASSERT_GT(p.width, 0);
    std::vector<int> own(std::size(mounts), 0);
    for (int y = 0; y < panel_h; ++y)
        for (int x = 0; x < panel_w; ++x) {
            int hit = mount_hit(x, y, p.width, p.height);
            if (hit >= 0)
                ++own[hit];
        }
    // Where sockets overlap the last mount wins; each keeps most of its own.
    for (size_t i = 0; i < std::size(mounts); ++i)
        EXPECT_GE(own[i], p.width * p.height * 3 / 4) << "mount " << i;
}

TEST(system_pictures, sit_centred_inside_the_bay_with_its_frame_in_view)
{
    const png_picture& bay = generated_picture("s_system_mount.png");
    ASSERT_GT(bay.width, 0);
    const int frame = 4;
    for (const shop_picture* s : of_kind(SYSTEM)) {
        const png_picture& p = generated_picture(s->file);
        // The shop centres it by whole halves of the difference.
        int ox = (bay.width - p.width) / 2, oy = (bay.height - p.height) / 2;
        int x0 = p.width, x1 = -1, y0 = p.height, y1 = -1;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (p.alpha(x, y) > 16) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
        ASSERT_GE(x1, 0) << s->file;
        EXPECT_GE(ox + x0, frame) << s->file;
        EXPECT_GE(oy + y0, frame) << s->file;
        EXPECT_LT(ox + x1, bay.width - frame) << s->file;
        EXPECT_LT(oy + y1, bay.height - frame) << s->file;
        EXPECT_LE(std::abs(x0 + x1 + 1 - p.width), 2) << s->file << " is off centre across";
        EXPECT_LE(std::abs(y0 + y1 + 1 - p.height), 2) << s->file << " is off centre down";
        EXPECT_GE(key_pixels(p, *s->key, p.height), 10) << s->file << " shows no " << s->key->name;
    }
}

TEST(system_mount_picture, is_a_bolted_frame_round_a_floor_the_highlight_shows_through)
{
    const png_picture& bay = generated_picture("s_system_mount.png");
    ASSERT_EQ(bay.width, 36);
    ASSERT_EQ(bay.height, 36);
    const int n = bay.width;
    // A frame all round, so the bays of the grid read apart.
    for (int i = 6; i < n - 6; ++i)
        for (int depth = 1; depth <= 3; ++depth) {
            EXPECT_EQ(bay.alpha(i, depth), 255) << "top " << i;
            EXPECT_EQ(bay.alpha(i, n - 1 - depth), 255) << "bottom " << i;
            EXPECT_EQ(bay.alpha(depth, i), 255) << "left " << i;
            EXPECT_EQ(bay.alpha(n - 1 - depth, i), 255) << "right " << i;
        }
    // The shop fills a chosen bay before drawing it: the floor must let
    // that colour through.
    double floor_alpha = 0;
    int floor_pixels = 0;
    for (int y = 9; y < n - 9; ++y)
        for (int x = 9; x < n - 9; ++x) {
            floor_alpha += bay.alpha(x, y);
            ++floor_pixels;
        }
    EXPECT_LT(floor_alpha / floor_pixels, 128);
    // A gold bolt in each corner.
    for (int cx : {0, n - 6})
        for (int cy : {0, n - 6}) {
            int gold = 0;
            for (int y = cy; y < cy + 6; ++y)
                for (int x = cx; x < cx + 6; ++x)
                    gold += bay.alpha(x, y) >= opaque && (yellow.holds(hsv_at(bay, x, y)) || orange.holds(hsv_at(bay, x, y)));
            EXPECT_GE(gold, 2) << "corner " << cx << "," << cy;
        }
}
