// Vantrel's picture families. Each family is one function that draws its
// pictures and hands each one, with its file name, to a sink; the table of
// families is what the command line walks.
#ifndef VANTREL_TOOLS_PICTURES_H
#define VANTREL_TOOLS_PICTURES_H

#include <functional>
#include <string>
#include <vector>

#include "draw.h"

namespace pictures {

using sink = std::function<void(const std::string& file, const draw::canvas& picture)>;

struct family {
    const char* name;
    void (*make)(const sink& out);
};

// Every family, in the order they are written.
const std::vector<family>& families();

// The font: one row of 96 cells for the characters 32 to 127.
const int font_cell_width = 8;
const int font_cell_height = 12;
const int font_first_char = 32;
const int font_char_count = 96;
void make_font(const sink& out);

// The title screen, 640 x 480; the game writes two lines of text into a
// plain panel below the name.
const int title_width = 640;
const int title_height = 480;
void make_title(const sink& out);

// The arena's pictures. Tiles are cells of tile_size x tile_size; the game
// takes any pixel with alpha above 0 as solid in its collision tests, so
// every tile but the ball source is hard-edged (alpha 0 or 255 only) and
// no mover picture has a pixel fainter than faint_alpha.
const int tile_size = 32;
const int faint_alpha = 40;

// The house glass (cockpits, windows, lenses): a cyan shine whose highlight
// sits at `shine`, fading over radius, with a thin dark outline.
draw::look glass_look(draw::point shine, float radius);

// Walls: block.png and the four diagonals blockdiag_tl/tr/bl/br.png.
void make_walls(const sink& out);
// Pipe pieces: straight runs, bends, T-pieces and the cross.
void make_pipes(const sink& out);
// The ball source, the ball sink and the shop.
void make_fixtures(const sink& out);
// Buttons for four walls, each at rest and in two pressed frames.
void make_buttons(const sink& out);
// Vertical and horizontal gates: closed, five frames of opening, open.
void make_gates(const sink& out);

// The player's ship, nose up, centred in its tile_size square.
void make_ship(const sink& out);
// The weapons' shots.
void make_shots(const sink& out);
// What the ship carries and collects: the ball, the coin, the recking ball.
void make_objects(const sink& out);
// Indicators: the tractor beam's dot, the force wave's ring, the empty
// picture.
void make_effects(const sink& out);

// Enemies. Every enemy picture collides, so each is hardened to its body:
// alpha is 255 on what shows and 0 everywhere else, and the light of eyes
// and lamps stays inside the body.
//
// The enemies' marks, shared by their families: a dark outline with rims
// lit from the upper left round a body paint, and a glowing eye (a hot
// core in a dark socket). A clear rim colour leaves that rim out.
draw::look hostile_look(draw::paint body, draw::colour rim_light = {}, draw::colour rim_shade = {});
void hostile_eye(draw::canvas& c, draw::point at, float radius, draw::colour light);

// Turrets on the four walls, each a tile_size square with its base on
// the wall edge and its barrel pointing out of the wall; and their bullet.
void make_turrets(const sink& out);
// The floating bobbler and the spiked miner.
void make_drifters(const sink& out);
// The graldor at rest and in its nine birth frames, and its baby, which
// leaves the mouth with its top-left corner at graldor_mouth.
const draw::point graldor_mouth = {12, 19};
void make_graldors(const sink& out);
// The invader's two flap frames and the four frames of its block burst.
void make_invaders(const sink& out);
// The boss ufo, whose guns sit at (-40, 10) and (40, 10) from its centre,
// and the asteroid ufo.
const float ufo_gun_dx = 40, ufo_gun_dy = 10;
void make_saucers(const sink& out);
// The large, medium and small asteroids.
void make_asteroids(const sink& out);

// The shop's pictures, drawn over its dimmed ship and never collided.
// The mount socket and the weapons point up; the shop turns each one
// about its centre to the mount's firing direction, so a weapon's pivot
// sits on its picture's centre. All weapons share one size so that they
// sit alike on their mounts.
const int shop_point_size = 20;
const int shop_weapon_width = 20;
const int shop_weapon_height = 28;
void make_shop_weapons(const sink& out);
// The equipment bay, and the systems the shop centres in it.
const int shop_bay_size = 36;
const int shop_system_size = 28;
void make_shop_systems(const sink& out);

// Writes every picture of the named families (all when names is empty)
// as PNG files into dir, which is created if needed. Throws
// std::runtime_error for an unknown family or a file that cannot be written.
void write_families(const std::string& dir, const std::vector<std::string>& names);

}

#endif
