// Vantrel's sound effects: the table of WAV files the game plays, each
// made by one synthesis function.
#ifndef VANTREL_TOOLS_SOUNDS_H
#define VANTREL_TOOLS_SOUNDS_H

#include <string>
#include <vector>

#include "synth.h"

namespace sounds {

struct effect {
    const char* file;
    // Returns the finished samples.
    synth::buffer (*make)();
};

const std::vector<effect>& effects();

// Writes the named effects (all when files is empty) into dir, which is
// created if needed. Throws std::runtime_error for an unknown name or a
// file that cannot be written.
void write_effects(const std::string& dir, const std::vector<std::string>& files);

}

#endif
