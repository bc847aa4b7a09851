// Buttons and gates as the arena shows and tests them: a button on its
// wall with a knob that goes in and lights up, gates that span their cell
// when closed, open step by step and leave the passage wholly free.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data_fixture.h"

namespace {
const int cell = 32;

// A button seen in its own frame: u counts pixels out from the wall it
// is mounted on, v runs along that wall.
struct button {
    char letter;
    const char* wall;
    int (*x)(int u, int v);
    int (*y)(int u, int v);
};
const button buttons[] = {
    {'l', "left wall", [](int u, int) { return u; }, [](int, int v) { return v; }},
    {'u', "ceiling", [](int, int v) { return v; }, [](int u, int) { return u; }},
    {'r', "right wall", [](int u, int) { return cell - 1 - u; }, [](int, int v) { return v; }},
    {'d', "floor", [](int, int v) { return v; }, [](int u, int) { return cell - 1 - u; }},
};

std::string button_file(const button& b, int frame) { return std::string("button") + b.letter + std::to_string(frame) + ".png"; }

int button_alpha(const png_picture& p, const button& b, int u, int v) { return p.alpha(b.x(u, v), b.y(u, v)); }

// How far the knob stands out from the wall along the button's middle.
int knob_reach(const png_picture& p, const button& b)
{
    int reach = 0;
    for (int u = 0; u < cell; ++u)
        if (button_alpha(p, b, u, 15) == 255 && button_alpha(p, b, u, 16) == 255)
            reach = u + 1;
    return reach;
}

float mean_luminance(const png_picture& p)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.alpha(x, y) == 255) {
                sum += p.luminance(x, y);
                ++n;
            }
    return n ? static_cast<float>(sum / n) : 0;
}

// The frames of a gate, from closed to open.
std::vector<std::string> gate_frames(const std::string& gate)
{
    std::vector<std::string> f = {gate + "closed.png"};
    for (int i = 1; i <= 5; ++i)
        f.push_back(gate + std::to_string(i) + ".png");
    f.push_back(gate + "open.png");
    return f;
}

struct gate {
    const char* name;
    bool vertical; // a V gate's bar runs down the cell, an H gate's across
};
const gate gates[] = {{"vgate", true}, {"hgate", false}};

// Alpha at `along` the gate's bar and `across` it.
int gate_alpha(const png_picture& p, const gate& g, int along, int across)
{
    return g.vertical ? p.alpha(across, along) : p.alpha(along, across);
}
}

TEST(button_pictures, sit_on_their_wall_with_the_knob_pointing_out)
{
    for (const button& b : buttons)
        for (int frame = 1; frame <= 3; ++frame) {
            std::string file = button_file(b, frame);
            const png_picture& p = generated_picture(file);
            ASSERT_EQ(p.width, cell) << file;
            for (int v = 8; v < 24; ++v)
                EXPECT_EQ(button_alpha(p, b, 0, v), 255) << file << " is not fixed to the " << b.wall << " at " << v;
            // The far half of the cell stays free to fly through.
            for (int u = cell / 2 + 8; u < cell; ++u)
                for (int v = 0; v < cell; ++v)
                    EXPECT_EQ(button_alpha(p, b, u, v), 0) << file << " at " << u << "," << v;
        }
}

TEST(button_pictures, knob_goes_in_and_lights_up_when_pressed)
{
    for (const button& b : buttons) {
        const png_picture& rest = generated_picture(button_file(b, 1));
        const png_picture& half = generated_picture(button_file(b, 2));
        const png_picture& full = generated_picture(button_file(b, 3));
        int out = knob_reach(rest, b), middle = knob_reach(half, b), in = knob_reach(full, b);
        EXPECT_GE(out, 18) << b.letter << ": the knob at rest stands well out";
        EXPECT_GT(out, middle + 2) << b.letter;
        EXPECT_GT(middle, in + 2) << b.letter;
        EXPECT_GT(in, 8) << b.letter << ": even pressed, the knob stands out of its plate";
        EXPECT_GT(mean_luminance(full), mean_luminance(rest) + 0.05f) << b.letter << ": pressed lights up";
        EXPECT_NE(rest.rgba, half.rgba) << b.letter;
        EXPECT_NE(half.rgba, full.rgba) << b.letter;
        EXPECT_NE(rest.rgba, full.rgba) << b.letter;
    }
}

TEST(gate_pictures, closed_gates_bar_the_cell_from_edge_to_edge)
{
    // Gates stack along their bar, so a closed one must join its
    // neighbours without a gap, and be thick enough to stop a shot.
    for (const gate& g : gates) {
        const png_picture& p = generated_picture(std::string(g.name) + "closed.png");
        ASSERT_EQ(p.width, cell) << g.name;
        for (int along = 0; along < cell; ++along) {
            int thick = 0;
            for (int across = 0; across < cell; ++across)
                thick += gate_alpha(p, g, along, across) == 255;
            EXPECT_EQ(gate_alpha(p, g, along, 15), 255) << g.name << " at " << along;
            EXPECT_EQ(gate_alpha(p, g, along, 16), 255) << g.name << " at " << along;
            EXPECT_GE(thick, 8) << g.name << " at " << along;
            EXPECT_LE(thick, 16) << g.name << " at " << along;
        }
    }
}

TEST(gate_pictures, open_evenly_and_end_with_the_passage_free)
{
    for (const gate& g : gates) {
        std::vector<int> areas;
        for (const std::string& file : gate_frames(g.name)) {
            const png_picture& p = generated_picture(file);
            ASSERT_EQ(p.width, cell) << file;
            areas.push_back(p.count_alpha(1));
            // What is left of the bar still hangs from the end it slides
            // into: no piece floats in the cell.
            bool ended = false;
            for (int along = 0; along < cell; ++along) {
                bool any = false;
                for (int across = 0; across < cell; ++across)
                    any = any || gate_alpha(p, g, along, across) > 0;
                EXPECT_FALSE(any && ended) << file << " has a loose piece at " << along;
                ended = ended || !any;
            }
        }
        // Open, nothing at all is left: stacked open gates leave one
        // unbroken passage.
        EXPECT_EQ(areas.back(), 0) << g.name;
        float step = static_cast<float>(areas.front() - areas.back()) / (areas.size() - 1);
        for (size_t i = 1; i < areas.size(); ++i) {
            int fall = areas[i - 1] - areas[i];
            EXPECT_GT(fall, 0.5f * step) << g.name << " frame " << i;
            EXPECT_LT(fall, 1.5f * step) << g.name << " frame " << i;
        }
    }
}
