// Sound effects: opening the mixer, loading the WAV files of the sound
// table, and playing an effect on the lowest idle channel.
#include "sound.h"

#include <string>

#include <SDL.h>
#include <SDL_mixer.h>

#include "debug.h"
#include "dirs.h"
#include "sound_table.h"

namespace sound {
std::map<snd_id, Mix_Chunk*> sounds;

namespace {
const int mix_channels = 16;
const int full_volume = 128;

Mix_Chunk* load_effect(const std::string& file)
{
    if (file.empty())
        return nullptr;
    std::string path = dirs::sound_dir + "/" + file;
    SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb");
    if (!rw)
        return nullptr;
    return Mix_LoadWAV_RW(rw, 1);
}
}

void init()
{
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024) < 0)
        whine("sound", 37, "Sound init failed\n");
    Mix_AllocateChannels(mix_channels);
    for (const sound_file& row : sound_table)
        sounds[row.id] = load_effect(row.file);
}

int channel_volume(float volume) { return static_cast<int>(static_cast<float>(full_volume) * volume); }

void play(snd_id s, float volume)
{
    auto found = sounds.find(s);
    if (found == sounds.end() || !found->second)
        return;
    int nchan = Mix_AllocateChannels(-1);
    for (int i = 0; i < nchan; ++i) {
        if (Mix_Playing(i) == 0) {
            Mix_Volume(i, channel_volume(volume));
            Mix_PlayChannelTimed(i, found->second, 0, -1);
            return;
        }
    }
    // every channel busy: the request is dropped
}

void play(snd_id s) { play(s, 1.0f); }

void kill()
{
    for (auto& entry : sounds) {
        if (entry.second)
            Mix_FreeChunk(entry.second);
    }
    sounds.clear();
    Mix_CloseAudio();
}
}
