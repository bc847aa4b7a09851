// Which WAV file in the sound directory each effect plays.
#ifndef VANTREL_SOUND_TABLE_H
#define VANTREL_SOUND_TABLE_H

#include "sound.h"

namespace sound {
struct sound_file {
    snd_id id;
    const char* file;
};

// In id order; SILENCE names no file.
static const sound_file sound_table[] = {
    {SILENCE, ""},
    {POP, "pop.wav"},
    {CLANG, "clang.wav"},
    {CRASH, "shatter.wav"},
    {PFFT, "whiteout25.wav"},
    {DOOF, "whitebass25.wav"},
    {BOOM, "boom.wav"},
    {KACHING, "cashregister.wav"},
    {BOINK, "bounce.wav"},
    {SLURRRP, "slurp.wav"},
};
}

#endif
