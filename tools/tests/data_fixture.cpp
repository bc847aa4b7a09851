// Temporary folders, generated data and PNG/WAV readers for the tests.
#include "data_fixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include "pictures.h"
#include "sounds.h"

namespace fs = std::filesystem;

namespace {
// Removes the folders it made when the program ends.
struct temp_folders {
    std::vector<fs::path> made;
    ~temp_folders()
    {
        std::error_code ignored;
        for (const fs::path& p : made)
            fs::remove_all(p, ignored);
    }
};
temp_folders& folders()
{
    static temp_folders all;
    return all;
}

uint32_t le(const std::string& s, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(s[at + i]);
    return v;
}
}

std::string fresh_dir(const std::string& tag)
{
    static int count = 0;
    fs::path p = fs::temp_directory_path() /
                 ("vantrel_data_" + std::to_string(getpid()) + "_" + std::to_string(count++) + "_" + tag);
    fs::remove_all(p);
    fs::create_directories(p);
    folders().made.push_back(p);
    return p.string();
}

const std::string& generated_images()
{
    static const std::string dir = [] {
        std::string d = fresh_dir("images");
        pictures::write_families(d, {});
        return d;
    }();
    return dir;
}

const std::string& generated_sounds()
{
    static const std::string dir = [] {
        std::string d = fresh_dir("sounds");
        sounds::write_effects(d, {});
        return d;
    }();
    return dir;
}

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

float png_picture::luminance(int x, int y) const
{
    const uint8_t* p = at(x, y);
    return (0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2]) / 255.0f;
}

int png_picture::count_alpha(int min_alpha) const
{
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            n += alpha(x, y) >= min_alpha;
    return n;
}

const png_picture& generated_picture(const std::string& file)
{
    static std::map<std::string, png_picture> read;
    auto found = read.find(file);
    if (found != read.end())
        return found->second;
    std::string path = generated_images() + "/" + file;
    if (!fs::exists(path)) {
        ADD_FAILURE() << file << " was not made";
        static const png_picture none;
        return none;
    }
    return read[file] = read_png(path);
}

const std::vector<std::string>& tile_files()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> f = {"block.png", "blockdiag_tl.png", "blockdiag_tr.png", "blockdiag_bl.png",
                                      "blockdiag_br.png", "source.png", "sink.png", "pipe_ud.png", "pipe_lr.png",
                                      "pipe_ld.png", "pipe_lu.png", "pipe_rd.png", "pipe_ru.png", "pipe_Tu.png",
                                      "pipe_Td.png", "pipe_Tl.png", "pipe_Tr.png", "pipe_+.png"};
        for (char side : {'l', 'u', 'r', 'd'})
            for (char frame : {'1', '2', '3'})
                f.push_back(std::string("button") + side + frame + ".png");
        for (const char* gate : {"vgate", "hgate"}) {
            f.push_back(std::string(gate) + "closed.png");
            for (char frame : {'1', '2', '3', '4', '5'})
                f.push_back(std::string(gate) + frame + ".png");
            f.push_back(std::string(gate) + "open.png");
        }
        f.push_back("shop.png");
        return f;
    }();
    return files;
}

const std::vector<std::string>& mover_files()
{
    static const std::vector<std::string> files = {
        "ship.png", "shot.png", "shover.png", "rocket.png", "plasmoid.png", "wshot.png", "heart.png",
        "ball.png", "coin.png", "recking_ball.png", "tractor.png", "wcircle50.png", "transpixel.png"};
    return files;
}

const std::vector<std::string>& enemy_files()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> f = {"turret_up.png", "turret_down.png", "turret_left.png", "turret_right.png",
                                      "t_shot.png", "bobbler.png", "miner.png"};
        for (int i = 0; i < 10; ++i)
            f.push_back("graldor" + std::to_string(i) + ".png");
        f.insert(f.end(), {"baby_graldor.png", "invader1.png", "invader2.png"});
        for (int i = 0; i < 4; ++i)
            f.push_back("blockexplo" + std::to_string(i) + ".png");
        f.insert(f.end(), {"ufo.png", "ast_ufo.png", "asteroid1.png", "asteroid2.png", "asteroid3.png"});
        return f;
    }();
    return files;
}

const std::vector<std::string>& shop_weapon_files()
{
    static const std::vector<std::string> files = {
        "peashooter.png", "s_rapishooter.png", "s_shover.png", "s_rocket.png", "s_implosion.png",
        "s_plasmoid.png", "s_scatter.png",     "s_sniper.png", "s_rbg.png",    "s_scoop.png"};
    return files;
}

const std::vector<std::string>& shop_system_files()
{
    static const std::vector<std::string> files = {"s_generator.png", "s_battery.png", "s_lead.png",
                                                   "s_generator2.png"};
    return files;
}

const std::vector<std::string>& shop_files()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> f = {"weapon_point.png"};
        f.insert(f.end(), shop_weapon_files().begin(), shop_weapon_files().end());
        f.push_back("s_system_mount.png");
        f.insert(f.end(), shop_system_files().begin(), shop_system_files().end());
        return f;
    }();
    return files;
}

int body_pieces(const png_picture& p)
{
    std::vector<char> seen(static_cast<size_t>(p.width) * p.height, 0);
    std::vector<std::pair<int, int>> todo;
    int pieces = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (p.alpha(x, y) == 0 || seen[static_cast<size_t>(y) * p.width + x])
                continue;
            ++pieces;
            todo.push_back({x, y});
            seen[static_cast<size_t>(y) * p.width + x] = 1;
            while (!todo.empty()) {
                auto [cx, cy] = todo.back();
                todo.pop_back();
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = cx + dx, ny = cy + dy;
                        if (p.alpha(nx, ny) == 0 || seen[static_cast<size_t>(ny) * p.width + nx])
                            continue;
                        seen[static_cast<size_t>(ny) * p.width + nx] = 1;
                        todo.push_back({nx, ny});
                    }
            }
        }
    return pieces;
}

lean light_lean(const png_picture& p)
{
    double n = 0, sx = 0, sy = 0, l = 0, lx = 0, ly = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (p.alpha(x, y) == 0)
                continue;
            double v = p.luminance(x, y);
            n += 1;
            sx += x;
            sy += y;
            l += v;
            lx += v * x;
            ly += v * y;
        }
    if (n == 0 || l == 0)
        return {};
    return {static_cast<float>(lx / l - sx / n), static_cast<float>(ly / l - sy / n)};
}

png_picture read_png(const std::string& path)
{
    png_picture pic;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path << ": " << image.message;
        return pic;
    }
    // The file itself must be 8-bit RGBA, not converted on the way in.
    EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGBA)) << path;
    image.format = PNG_FORMAT_RGBA;
    pic.width = static_cast<int>(image.width);
    pic.height = static_cast<int>(image.height);
    pic.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pic.rgba.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path << ": " << image.message;
        return png_picture();
    }
    return pic;
}

std::string read_wav(const std::string& path, wav_sound& out)
{
    std::string s = read_bytes(path);
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0)
        return "no RIFF/WAVE header";
    if (le(s, 4, 4) != s.size() - 8)
        return "RIFF size does not match the file";
    bool have_format = false, have_data = false;
    for (size_t at = 12; at + 8 <= s.size();) {
        std::string id = s.substr(at, 4);
        size_t size = le(s, at + 4, 4);
        if (at + 8 + size > s.size())
            return "chunk " + id + " runs past the end";
        if (id == "fmt ") {
            out.format = static_cast<int>(le(s, at + 8, 2));
            out.channels = static_cast<int>(le(s, at + 10, 2));
            out.rate = static_cast<int>(le(s, at + 12, 4));
            out.bits = static_cast<int>(le(s, at + 22, 2));
            if (le(s, at + 16, 4) != static_cast<uint32_t>(out.rate * out.channels * out.bits / 8))
                return "byte rate does not match";
            have_format = true;
        } else if (id == "data") {
            if (size % 2)
                return "odd data size";
            for (size_t i = 0; i < size; i += 2)
                out.samples.push_back(static_cast<int16_t>(le(s, at + 8 + i, 2)));
            have_data = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!have_format || !have_data)
        return "missing fmt or data chunk";
    return "";
}

int halo_pixels(const png_picture& p)
{
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int a = p.alpha(x, y);
            if (a == 0 || a == 255)
                continue;
            bool held = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    held = held || p.alpha(x + dx, y + dy) == 255;
            n += !held;
        }
    return n;
}
