// Where the game finds its data, relative to the working directory.
// Each including source file gets its own copy of these paths.
#ifndef VANTREL_DIRS_H
#define VANTREL_DIRS_H

#include <string>

namespace dirs {
static const std::string level_file = "levels/levels.txt";
static const std::string image_dir = "images";
static const std::string sound_dir = "sounds";
static const std::string save_dir = "save";
static const std::string hiscore_file = save_dir + "/scores";
}

#endif
