// The still tiles as the arena reads them: one 32 x 32 cell each, hard
// edges wherever a tile stops movers, walls solid exactly on their shape,
// pipes reaching the edges they join, fixtures with a body to touch.
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
const int cell = 32;

// The collision tests take any alpha above 0 as solid and the ship's wall
// bounce only 255, so a tile that stops movers has nothing in between.
int soft_pixels(const png_picture& p)
{
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            n += p.alpha(x, y) > 0 && p.alpha(x, y) < 255;
    return n;
}

enum side { UP = 1, DOWN = 2, LEFT = 4, RIGHT = 8 };

// The opaque pixels of the row or column `depth` pixels in from one edge.
struct span {
    int first = -1, last = -1, count = 0;
};
span edge_span(const png_picture& p, side s, int depth)
{
    span out;
    for (int i = 0; i < cell; ++i) {
        int x = s == LEFT ? depth : s == RIGHT ? cell - 1 - depth : i;
        int y = s == UP ? depth : s == DOWN ? cell - 1 - depth : i;
        if (p.alpha(x, y) == 255) {
            if (out.first < 0)
                out.first = i;
            out.last = i;
            ++out.count;
        }
    }
    return out;
}
}

TEST(tile_pictures, every_tile_is_one_cell)
{
    EXPECT_EQ(tile_files().size(), 45u);
    for (const std::string& file : tile_files()) {
        const png_picture& p = generated_picture(file);
        EXPECT_EQ(p.width, cell) << file;
        EXPECT_EQ(p.height, cell) << file;
    }
}

TEST(tile_pictures, tiles_that_stop_movers_are_hard_edged)
{
    for (const std::string& file : tile_files()) {
        if (file == "source.png")
            continue; // the ball source never stops anything
        const png_picture& p = generated_picture(file);
        EXPECT_EQ(soft_pixels(p), 0) << file;
        if (file.find("open") == std::string::npos) {
            EXPECT_GT(p.count_alpha(255), 0) << file << " shows nothing";
        }
    }
}

TEST(wall_pictures, are_solid_exactly_on_their_shape)
{
    struct wall {
        const char* file;
        std::function<bool(int, int)> solid;
    };
    // The solid triangle fills the corner the name gives.
    const wall walls[] = {
        {"block.png", [](int, int) { return true; }},
        {"blockdiag_tl.png", [](int x, int y) { return x + y <= 31; }},
        {"blockdiag_tr.png", [](int x, int y) { return x >= y; }},
        {"blockdiag_bl.png", [](int x, int y) { return x <= y; }},
        {"blockdiag_br.png", [](int x, int y) { return x + y >= 31; }},
    };
    for (const wall& w : walls) {
        const png_picture& p = generated_picture(w.file);
        ASSERT_EQ(p.width, cell) << w.file;
        int wrong = 0;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                wrong += p.alpha(x, y) != (w.solid(x, y) ? 255 : 0);
        EXPECT_EQ(wrong, 0) << w.file << ": pixels off the wall's shape";
    }
}

TEST(wall_pictures, block_is_textured_and_the_diagonals_share_its_stone)
{
    // The exit block explodes from block.png, so it needs more than a flat colour.
    const png_picture& block = generated_picture("block.png");
    ASSERT_EQ(block.width, cell);
    std::set<uint32_t> colours;
    float lo = 1, hi = 0;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
            const uint8_t* px = block.at(x, y);
            colours.insert(static_cast<uint32_t>(px[0]) << 16 | px[1] << 8 | px[2]);
            lo = std::min(lo, block.luminance(x, y));
            hi = std::max(hi, block.luminance(x, y));
        }
    EXPECT_GT(colours.size(), 150u);
    EXPECT_GT(hi - lo, 0.3f);

    // Deep inside each triangle, away from its frame and bolts, a diagonal
    // shows the very pixels of the block.
    struct patch {
        const char* file;
        int x, y;
    };
    const patch patches[] = {
        {"blockdiag_tl.png", 10, 10},
        {"blockdiag_tr.png", 19, 10},
        {"blockdiag_bl.png", 10, 19},
        {"blockdiag_br.png", 20, 20},
    };
    for (const patch& d : patches) {
        const png_picture& p = generated_picture(d.file);
        ASSERT_EQ(p.width, cell) << d.file;
        for (int y = d.y; y < d.y + 3; ++y)
            for (int x = d.x; x < d.x + 3; ++x)
                for (int ch = 0; ch < 4; ++ch)
                    EXPECT_EQ(p.at(x, y)[ch], block.at(x, y)[ch]) << d.file << " at " << x << "," << y;
    }
}

TEST(pipe_pictures, runs_reach_exactly_the_edges_they_join)
{
    struct pipe {
        const char* file;
        int sides;
    };
    // A T-piece is named after its stem: Tu joins left, right and up.
    const pipe pipes[] = {
        {"pipe_ud.png", UP | DOWN},          {"pipe_lr.png", LEFT | RIGHT},
        {"pipe_ld.png", LEFT | DOWN},        {"pipe_lu.png", LEFT | UP},
        {"pipe_rd.png", RIGHT | DOWN},       {"pipe_ru.png", RIGHT | UP},
        {"pipe_Tu.png", LEFT | RIGHT | UP},  {"pipe_Td.png", LEFT | RIGHT | DOWN},
        {"pipe_Tl.png", UP | DOWN | LEFT},   {"pipe_Tr.png", UP | DOWN | RIGHT},
        {"pipe_+.png", UP | DOWN | LEFT | RIGHT},
    };
    for (const pipe& p : pipes) {
        const png_picture& pic = generated_picture(p.file);
        ASSERT_EQ(pic.width, cell) << p.file;
        for (side s : {UP, DOWN, LEFT, RIGHT}) {
            span at_edge = edge_span(pic, s, 0);
            if (!(p.sides & s)) {
                EXPECT_EQ(at_edge.count, 0) << p.file << " reaches an edge it does not join, side " << s;
                continue;
            }
            // One unbroken run, centred on the edge, so neighbours line up.
            EXPECT_EQ(at_edge.count, at_edge.last - at_edge.first + 1) << p.file << " side " << s;
            EXPECT_EQ(at_edge.first + at_edge.last, cell - 1) << p.file << " side " << s;
            EXPECT_GE(at_edge.count, 10) << p.file << " side " << s;
            EXPECT_LE(at_edge.count, 14) << p.file << " side " << s;
            // Past the coupling, the tube itself.
            span tube = edge_span(pic, s, 6);
            EXPECT_GE(tube.count, 10) << p.file << " side " << s;
            EXPECT_LE(tube.count, 12) << p.file << " side " << s;
        }
    }
}

TEST(fixture_pictures, the_source_shows_round_the_ball_it_holds)
{
    // The ball, about 24 pixels across, lies centred on its source; the
    // cradle must still show around it.
    const png_picture& source = generated_picture("source.png");
    ASSERT_EQ(source.width, cell);
    int outside = 0;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x)
            outside += source.alpha(x, y) >= 128 && std::hypot(x + 0.5f - 16, y + 0.5f - 16) > 12.5f;
    EXPECT_GT(outside, 60);
}

TEST(fixture_pictures, sink_and_shop_are_wide_enough_to_touch)
{
    // A ball lowered onto the sink, or the ship flying at the shop, meets
    // them across most of the cell.
    for (const char* file : {"sink.png", "shop.png"}) {
        const png_picture& p = generated_picture(file);
        ASSERT_EQ(p.width, cell) << file;
        int columns = 0, rows = 0;
        for (int i = 0; i < cell; ++i) {
            bool column = false, row = false;
            for (int j = 0; j < cell; ++j) {
                column = column || p.alpha(i, j) == 255;
                row = row || p.alpha(j, i) == 255;
            }
            columns += column;
            rows += row;
        }
        EXPECT_GE(columns, 24) << file;
        EXPECT_GE(rows, 20) << file;
    }
}
