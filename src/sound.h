// Sound effects through SDL_mixer: ten effect ids, one WAV each (SILENCE
// has none), played fire-and-forget on the first idle of 16 channels.
#ifndef VANTREL_SOUND_H
#define VANTREL_SOUND_H

#include <map>

struct Mix_Chunk;

namespace sound {
enum snd_id { SILENCE, POP, CLANG, CRASH, PFFT, DOOF, BOOM, KACHING, BOINK, SLURRRP };

// The loaded effects; a missing or null entry plays nothing.
extern std::map<snd_id, Mix_Chunk*> sounds;

// Opens the audio device and loads every effect; throws whinage when the
// device cannot be opened.
void init();
// volume is a fraction of full volume, 0 to 1.
void play(snd_id s, float volume);
void play(snd_id s);
// Frees every effect and closes the device.
void kill();
// The mixer channel volume for a fraction of full volume.
int channel_volume(float volume);
}

#endif
