// The table of picture families and writing them out as PNG files.
#include "pictures.h"

#include <filesystem>
#include <stdexcept>

namespace pictures {

const std::vector<family>& families()
{
    static const std::vector<family> all = {
        {"font", make_font},
        {"title", make_title},
        {"walls", make_walls},
        {"pipes", make_pipes},
        {"fixtures", make_fixtures},
        {"buttons", make_buttons},
        {"gates", make_gates},
        {"ship", make_ship},
        {"shots", make_shots},
        {"objects", make_objects},
        {"effects", make_effects},
        {"turrets", make_turrets},
        {"drifters", make_drifters},
        {"graldors", make_graldors},
        {"invaders", make_invaders},
        {"saucers", make_saucers},
        {"asteroids", make_asteroids},
        {"shop_weapons", make_shop_weapons},
        {"shop_systems", make_shop_systems},
    };
    return all;
}

void write_families(const std::string& dir, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        bool known = false;
        for (const family& f : families())
            known = known || name == f.name;
        if (!known)
            throw std::runtime_error("unknown picture family: " + name);
    }
    std::filesystem::create_directories(dir);
    sink to_file = [&](const std::string& file, const draw::canvas& picture) {
        draw::write_png(picture, (std::filesystem::path(dir) / file).string());
    };
    for (const family& f : families()) {
        bool wanted = names.empty();
        for (const std::string& name : names)
            wanted = wanted || name == f.name;
        if (wanted)
            f.make(to_file);
    }
}

}
