// The raiders' pictures as the game uses them: the invader's two flaps,
// the block burst that grows and breaks apart, the ufo's guns where its
// shots leave, the asteroid ufo beside it, and three lumpy asteroids.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
const float two_pi = 6.2831853f;

bool mirrored(const png_picture& p)
{
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if ((p.alpha(x, y) > 0) != (p.alpha(p.width - 1 - x, y) > 0))
                return false;
    return true;
}

// Mean height of the body within the outer `band` columns on both sides.
float outer_height(const png_picture& p, int band)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if ((x < band || x >= p.width - band) && p.alpha(x, y) > 0) {
                sum += y;
                ++n;
            }
    return n ? static_cast<float>(sum / n) : -1;
}

struct spread {
    int area = 0;
    float mean_distance = 0, mean_luminance = 0;
};
spread burst_spread(const png_picture& p)
{
    spread s;
    double d = 0, l = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.alpha(x, y) > 0) {
                ++s.area;
                d += std::hypot(x + 0.5 - p.width / 2.0, y + 0.5 - p.height / 2.0);
                l += p.luminance(x, y);
            }
    if (s.area) {
        s.mean_distance = static_cast<float>(d / s.area);
        s.mean_luminance = static_cast<float>(l / s.area);
    }
    return s;
}

// How far the body reaches from its middle, in `rays` directions.
std::vector<float> outline_radii(const png_picture& p, int rays)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.alpha(x, y) > 0) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
    std::vector<float> radii;
    if (!n)
        return radii;
    float cx = static_cast<float>(sx / n), cy = static_cast<float>(sy / n);
    for (int i = 0; i < rays; ++i) {
        float a = two_pi * i / rays, reach = 0;
        for (float r = 0; r < p.width + p.height; r += 0.25f)
            if (p.alpha(static_cast<int>(std::floor(cx + r * std::cos(a))),
                        static_cast<int>(std::floor(cy + r * std::sin(a)))) > 0)
                reach = r;
        radii.push_back(reach);
    }
    return radii;
}
}

TEST(invader_pictures, flap_between_two_frames_of_one_size)
{
    const png_picture& up = generated_picture("invader1.png");
    const png_picture& down = generated_picture("invader2.png");
    ASSERT_GT(up.width, 0);
    EXPECT_EQ(up.width, down.width);
    EXPECT_EQ(up.height, down.height);
    EXPECT_NE(up.rgba, down.rgba);
    EXPECT_TRUE(mirrored(up));
    EXPECT_TRUE(mirrored(down));
    // The wing tips, out at the sides, are raised in one frame and lowered
    // in the other.
    float middle = up.height / 2.0f;
    EXPECT_LT(outer_height(up, 4), middle - 2) << "wings up";
    EXPECT_GT(outer_height(down, 4), middle + 2) << "wings down";
}

TEST(block_burst_pictures, grow_from_a_solid_core_then_break_apart)
{
    std::vector<spread> frames;
    for (int i = 0; i < 4; ++i) {
        std::string file = "blockexplo" + std::to_string(i) + ".png";
        const png_picture& p = generated_picture(file);
        ASSERT_EQ(p.width, 32) << file;
        EXPECT_EQ(p.count_alpha(1), p.count_alpha(255)) << file << " is crisp: opaque or clear";
        frames.push_back(burst_spread(p));
        if (i == 0) {
            EXPECT_EQ(body_pieces(p), 1) << "it starts as one solid core";
            EXPECT_GT(p.alpha(16, 16), 0);
        }
        if (i == 3) {
            EXPECT_GE(body_pieces(p), 8) << "it ends in scattered pieces";
        }
    }
    EXPECT_GT(frames[1].area, frames[0].area) << "it grows";
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GT(frames[i].mean_distance, frames[i - 1].mean_distance + 1) << "frame " << i << " spreads no further";
        EXPECT_LT(frames[i].mean_luminance, frames[i - 1].mean_luminance) << "frame " << i << " is no cooler";
    }
}

TEST(ufo_picture, carries_its_guns_on_pods_below_both_ends)
{
    // Its shots leave from (-40, 10) and (40, 10) of its centre; a gun in
    // the air would fire from nothing.
    const png_picture& ufo = generated_picture("ufo.png");
    ASSERT_GT(ufo.width, 80);
    const int cx = ufo.width / 2, cy = ufo.height / 2;
    for (int dx : {-40, 40}) {
        for (const auto& d : {std::pair<int, int>{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}})
            EXPECT_EQ(ufo.alpha(cx + dx + d.first, cy + 10 + d.second), 255)
                << "gun at " << dx << ", 10 off by " << d.first << "," << d.second;
        // Below the middle line the pods are what the saucer is out there.
        int pod = 0;
        for (int y = cy + 6; y < ufo.height; ++y)
            pod += ufo.alpha(cx + dx, y) > 0;
        EXPECT_GE(pod, 5) << "pod at " << dx;
    }
    EXPECT_TRUE(mirrored(ufo));
    int left = ufo.width, right = -1;
    for (int y = 0; y < ufo.height; ++y)
        for (int x = 0; x < ufo.width; ++x)
            if (ufo.alpha(x, y) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_LE(left, 3) << "the saucer spans its picture";
    EXPECT_GE(right, ufo.width - 4);
    EXPECT_EQ(ufo.alpha(0, 0), 0);
    EXPECT_GT(ufo.alpha(cx, 3), 0) << "the dome rises from its middle";
}

TEST(ufo_picture, the_boss_outweighs_the_asteroid_ufo)
{
    const png_picture& boss = generated_picture("ufo.png");
    const png_picture& raider = generated_picture("ast_ufo.png");
    ASSERT_GT(raider.width, 0);
    EXPECT_GT(boss.width, raider.width);
    EXPECT_GT(boss.count_alpha(1), raider.count_alpha(1) * 3 / 2);
    EXPECT_GE(raider.width, raider.height * 3 / 2) << "a saucer, wider than tall";
}

TEST(asteroid_pictures, shrink_from_large_to_small_as_lumpy_rocks_of_their_own)
{
    const char* const files[] = {"asteroid1.png", "asteroid2.png", "asteroid3.png"};
    const int rays = 36;
    std::vector<std::vector<float>> shapes;
    for (size_t i = 0; i < 3; ++i) {
        const png_picture& p = generated_picture(files[i]);
        ASSERT_GT(p.width, 0) << files[i];
        if (i > 0) {
            const png_picture& bigger = generated_picture(files[i - 1]);
            EXPECT_LT(p.width, bigger.width) << files[i];
            EXPECT_LT(p.height, bigger.height) << files[i];
            EXPECT_LT(p.count_alpha(1) * 3 / 2, bigger.count_alpha(1)) << files[i];
        }
        // Lumpy, not a disc: the outline's reach from the middle varies.
        std::vector<float> radii = outline_radii(p, rays);
        ASSERT_EQ(radii.size(), static_cast<size_t>(rays));
        float lo = *std::min_element(radii.begin(), radii.end());
        float hi = *std::max_element(radii.begin(), radii.end());
        float mean = 0;
        for (float r : radii)
            mean += r / rays;
        EXPECT_GT((hi - lo) / mean, 0.15f) << files[i] << " is too round";
        for (float& r : radii)
            r /= mean;
        shapes.push_back(radii);
    }
    // Each has a shape of its own, not one rock scaled.
    for (size_t a = 0; a < shapes.size(); ++a)
        for (size_t b = a + 1; b < shapes.size(); ++b) {
            float apart = 0;
            for (int i = 0; i < rays; ++i)
                apart += std::fabs(shapes[a][i] - shapes[b][i]) / rays;
            EXPECT_GT(apart, 0.04f) << files[a] << " and " << files[b];
        }
}
