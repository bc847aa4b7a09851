// Fuzz target: the hi-score file. The input is written as save/scores and
// read as at the start of a run; the table is drawn, written back and read
// again, which must give the same table.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <SDL.h>

#include "fuzz_support.h"
#include "text.h"
#include "vantrel_private.h"

namespace {
SDL_Surface* screen()
{
    static SDL_Surface* s = nullptr;
    if (!s) {
        s = SDL_SetVideoMode(640, 480, 32, 0);
        if (!s) {
            std::fprintf(stderr, "SDL_SetVideoMode: %s\n", SDL_GetError());
            std::abort();
        }
        text::init();
    }
    return s;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::enter_run_dir();
    SDL_Surface* s = screen();
    fuzz::write_input("save/scores", data, size);

    hi_scores::forget_loaded_table();
    const std::vector<int> scores = hi_scores::scores();
    const std::vector<std::string> people = hi_scores::people();
    if (scores.size() != 10 || people.size() != 10) {
        std::fprintf(stderr, "the table has %zu scores and %zu names\n", scores.size(), people.size());
        std::abort();
    }
    hi_scores::draw(s);

    hi_scores::save_scores();
    hi_scores::forget_loaded_table();
    if (hi_scores::scores() != scores || hi_scores::people() != people) {
        std::fprintf(stderr, "the table read back differs from the table written\n");
        std::abort();
    }
    return 0;
}
