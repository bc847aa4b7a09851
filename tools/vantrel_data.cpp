// vantrel_data: makes the game's pictures and sounds.
//
//   vantrel_data images DIR [FAMILY...]   PNG pictures (all families by default)
//   vantrel_data sounds DIR [FILE...]     WAV effects (all by default)
//   vantrel_data list                     the picture families and sound files
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "pictures.h"
#include "sounds.h"

namespace {
int usage()
{
    std::fprintf(stderr,
                 "usage: vantrel_data images DIR [FAMILY...]\n"
                 "       vantrel_data sounds DIR [FILE...]\n"
                 "       vantrel_data list\n");
    return 2;
}

void list()
{
    for (const pictures::family& f : pictures::families())
        std::printf("images %s\n", f.name);
    for (const sounds::effect& e : sounds::effects())
        std::printf("sounds %s\n", e.file);
}
}

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "list") {
        list();
        return 0;
    }
    if (args.size() < 2 || (args[0] != "images" && args[0] != "sounds"))
        return usage();
    std::vector<std::string> names(args.begin() + 2, args.end());
    try {
        if (args[0] == "images")
            pictures::write_families(args[1], names);
        else
            sounds::write_effects(args[1], names);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel_data: %s\n", e.what());
        return 1;
    }
    return 0;
}
