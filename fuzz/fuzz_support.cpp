// The fuzz targets' run folder: made once per process, removed at exit.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <SDL.h>

#include "arena_fixture.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {
std::string run_dir;

void remove_run_dir()
{
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove_all(run_dir, ec);
}
}

namespace fuzz {
void enter_run_dir()
{
    if (!run_dir.empty())
        return;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // In memory where there is a tmpfs: every input is a file written anew.
    // A run script may name the folder to make it in.
    std::error_code ec;
    const char* base = std::getenv("VANTREL_FUZZ_TMP");
    std::string tmpl = base                                ? base
                       : fs::is_directory("/dev/shm", ec) ? "/dev/shm"
                                                          : fs::temp_directory_path().string();
    tmpl += "/vantrel_fuzz_XXXXXX";
    if (!mkdtemp(&tmpl[0])) {
        std::perror("mkdtemp");
        std::abort();
    }
    run_dir = tmpl;
    std::atexit(remove_run_dir);
    for (const char* sub : {"images", "sounds", "levels", "save"})
        fs::create_directory(fs::path(run_dir) / sub);
    fs::current_path(run_dir);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        std::abort();
    }
    write_fixture_pictures("images");
    write_test_font("images/font.png");
}

void write_input(const std::string& relative, const uint8_t* data, size_t size)
{
    std::ofstream out(relative, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        std::perror(relative.c_str());
        std::abort();
    }
}
}
