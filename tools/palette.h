// The one palette of Vantrel's pictures. Every picture takes its colours
// from here, so the title, the font and everything drawn later match.
#ifndef VANTREL_TOOLS_PALETTE_H
#define VANTREL_TOOLS_PALETTE_H

#include "draw.h"

namespace palette {
using draw::hex;

// Outlines and the darkest shadows.
constexpr draw::colour ink = hex(0x0b0714);

// Deep space, from the top of the sky down to the horizon.
constexpr draw::colour space_top = hex(0x020309);
constexpr draw::colour space_mid = hex(0x070a1d);
constexpr draw::colour space_low = hex(0x141030);
constexpr draw::colour nebula_violet = hex(0x4a2378);
constexpr draw::colour nebula_teal = hex(0x11506a);

constexpr draw::colour star_white = hex(0xf4f6ff);
constexpr draw::colour star_blue = hex(0xa9c4ff);
constexpr draw::colour star_warm = hex(0xffe2b0);

// Text.
constexpr draw::colour text_white = hex(0xffffff);
constexpr draw::colour text_pale = hex(0xc4d2f0);

// The gold of titles, coins and the ship's trim.
constexpr draw::colour gold_pale = hex(0xfff7dc);
constexpr draw::colour gold = hex(0xffc84a);
constexpr draw::colour gold_deep = hex(0xc8621a);
constexpr draw::colour ember = hex(0xff6a26);

// Hulls and machinery.
constexpr draw::colour steel_light = hex(0xe2e9f3);
constexpr draw::colour steel = hex(0x8e9cb5);
constexpr draw::colour steel_dark = hex(0x39425c);
constexpr draw::colour glass = hex(0x5fe3ff);

// Engine flames and explosions.
constexpr draw::colour flame_core = hex(0xfff4b8);
constexpr draw::colour flame = hex(0xff9630);

// Shots: the rocket's warhead, plasma, the Scoop's heart.
constexpr draw::colour warhead = hex(0xd8282c);
constexpr draw::colour plasma = hex(0xa04cff);
constexpr draw::colour heart = hex(0xff5fa8);

// The planet and its air.
constexpr draw::colour planet_light = hex(0x8fdccb);
constexpr draw::colour planet_mid = hex(0x2f8190);
constexpr draw::colour planet_dark = hex(0x12334d);
constexpr draw::colour planet_band = hex(0xd9b98a);
constexpr draw::colour atmosphere = hex(0x6fe0ff);

// Cave rock.
constexpr draw::colour rock_dark = hex(0x0c0a16);
constexpr draw::colour rock_mid = hex(0x1f1b33);
constexpr draw::colour rock_rim = hex(0x5a5f92);

// The enemies' side: hot reds and magentas, sickly greens, and the dark
// plum-tinted gunmetal of their machines, so nothing hostile is mistaken
// for the ship's steel, gold and cyan.
constexpr draw::colour hostile_red = hex(0xe8233f);
constexpr draw::colour hostile_crimson = hex(0x7a0f28);
constexpr draw::colour hostile_magenta = hex(0xff3fd0);
constexpr draw::colour hostile_plum = hex(0x7d1a78);
constexpr draw::colour eye_core = hex(0xfff1c8);
constexpr draw::colour toxic = hex(0xa8ee3c);
constexpr draw::colour toxic_pale = hex(0xe6ff9a);
constexpr draw::colour toxic_deep = hex(0x2b5a1c);
constexpr draw::colour gunmetal_light = hex(0x9a8cae);
constexpr draw::colour gunmetal = hex(0x574a6c);
constexpr draw::colour gunmetal_dark = hex(0x241c33);
// Loose rock from outside: warm, rusty, with embers in its cracks.
constexpr draw::colour stone_light = hex(0xb89a80);
constexpr draw::colour stone = hex(0x6e5648);
constexpr draw::colour stone_dark = hex(0x2a1e1f);

// The recking ball's worked iron: darker than the hull's steel, lighter
// than the enemies' gunmetal, so it and its pieces show against space.
constexpr draw::colour iron = hex(0x646f89);
constexpr draw::colour iron_dark = hex(0x2b3046);

// Lead ballast: dull, cold grey with a faint blue.
constexpr draw::colour lead_light = hex(0xa4abb5);
constexpr draw::colour lead = hex(0x646b78);
constexpr draw::colour lead_dark = hex(0x2c3039);

// Quiet panels behind text.
constexpr draw::colour panel = hex(0x060812);
constexpr draw::colour panel_edge = hex(0x2b3766);
}

#endif
