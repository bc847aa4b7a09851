// Shared test fixtures: temporary run folders and event helpers.
#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "debug.h"
#include "etc.h"
#include "png_fixture.h"

#include <thread>
#include <vector>

namespace fs = std::filesystem;

void run_dir_test::SetUp()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    m_old_cwd = fs::current_path().string();
    char tmpl[] = "/tmp/vantrel_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_dir = tmpl;
    for (const char* sub : {"images", "sounds", "levels", "save"})
        fs::create_directory(fs::path(m_dir) / sub);
    fs::current_path(m_dir);
    stop_requested = 0;
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
}

void run_dir_test::TearDown()
{
    stop_requested = 0;
    SDL_Quit();
    fs::current_path(m_old_cwd);
    std::error_code ec;
    fs::permissions(fs::path(m_dir) / "save", fs::perms::owner_all, ec);
    fs::remove_all(m_dir, ec);
}

std::string run_dir_test::path(const std::string& relative) const { return m_dir + "/" + relative; }

void run_dir_test::write_file(const std::string& relative, const std::string& contents) const
{
    std::ofstream out(path(relative), std::ios::binary);
    out << contents;
}

std::string run_dir_test::read_file(const std::string& relative) const
{
    std::ifstream in(path(relative), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool run_dir_test::file_exists(const std::string& relative) const
{
    return fs::exists(path(relative));
}

rgba pixel_rgba(SDL_Surface* s, int x, int y)
{
    SDL_LockSurface(s);
    Uint32 p = getpixel(s, x, y);
    SDL_UnlockSurface(s);
    Uint8 r, g, b, a;
    SDL_GetRGBA(p, s->format, &r, &g, &b, &a);
    return {r, g, b, a};
}

std::ostream& operator<<(std::ostream& out, const rgba& c)
{
    return out << "rgba(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

void push_key_down(SDLKey sym, Uint16 unicode)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.unicode = unicode;
    SDL_PushEvent(&e);
}

void push_key(SDLKey sym, Uint16 unicode)
{
    push_key_down(sym, unicode);
    SDL_Event e = {};
    e.key.keysym.sym = sym;
    e.key.keysym.unicode = unicode;
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    SDL_PushEvent(&e);
}

void write_test_font(const std::string& path, int cell_w, int h, int extra_columns)
{
    int width = 96 * cell_w + extra_columns;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * h, 0);
    const uint32_t white = 0xFFFFFFFF;
    for (int k = 0; k < 96; ++k) {
        for (int i = 0; i < 7; ++i) {
            if (k & (1 << i))
                pixels[k * cell_w + i] = white;
        }
        pixels[width + k * cell_w + cell_w - 1] = white;
    }
    ASSERT_TRUE(write_rgba_png(path, width, h, pixels));
}

int glyph_at(SDL_Surface* s, int x, int y, int cell_w)
{
    if (pixel_rgba(s, x + cell_w - 1, y + 1).r < 128)
        return -1;
    int k = 0;
    for (int i = 0; i < 7; ++i) {
        if (pixel_rgba(s, x + i, y).r >= 128)
            k |= 1 << i;
    }
    return k;
}

std::string text_at(SDL_Surface* s, int x, int y, size_t max_chars)
{
    std::string out;
    for (int k; out.size() < max_chars && x + 8 <= s->w && (k = glyph_at(s, x, y)) >= 0; x += 8)
        out += static_cast<char>(k + 32);
    return out;
}

fake_pacing::fake_pacing(Uint32 (*ticks)(), void (*delay)(Uint32 ms))
    : m_old_ticks(pacing::ticks), m_old_delay(pacing::delay)
{
    pacing::ticks = ticks;
    pacing::delay = delay;
}

fake_pacing::~fake_pacing()
{
    pacing::ticks = m_old_ticks;
    pacing::delay = m_old_delay;
}

void frame_script::end_frame(Uint32 ms)
{
    now += ms;
    ++frames;
    if (after_frame)
        after_frame(frames);
    for (SDLKey k : end_keys)
        push_key_down(k, k == SDLK_RETURN ? '\r' : 0);
}

void after_ms(int ms, void (*fn)())
{
    std::thread([ms, fn] {
        SDL_Delay(ms);
        fn();
    }).detach();
}

// --------------------------------------------------------- sound recorder

bool sound_recorder::open()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 || Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024) < 0)
        return false;
    m_open = true;
    Mix_AllocateChannels(16);
    m_silence.assign(44100 * 4 * 10, 0);
    for (int id = sound::POP; id <= sound::SLURRRP; ++id) {
        Mix_Chunk* chunk = Mix_QuickLoad_RAW(m_silence.data(), static_cast<Uint32>(m_silence.size()));
        sound::sounds[static_cast<sound::snd_id>(id)] = chunk;
        m_ids[chunk] = static_cast<sound::snd_id>(id);
    }
    return true;
}

void sound_recorder::close()
{
    if (m_open)
        sound::kill();
    m_open = false;
}

std::vector<sound_recorder::heard> sound_recorder::heard_sounds() const
{
    std::vector<heard> out;
    for (int i = 0; i < 16 && Mix_Playing(i); ++i)
        out.push_back({m_ids.at(Mix_GetChunk(i)), Mix_Volume(i, -1)});
    return out;
}

std::vector<sound::snd_id> sound_recorder::heard_ids() const
{
    std::vector<sound::snd_id> out;
    for (const heard& h : heard_sounds())
        out.push_back(h.id);
    return out;
}

void sound_recorder::clear() { Mix_HaltChannel(-1); }

std::ostream& operator<<(std::ostream& out, const sound_recorder::heard& h)
{
    return out << "{" << h.id << ", volume " << h.volume << "}";
}

failure run_captured(const std::function<void()>& f)
{
    failure out{false, "", ""};
    testing::internal::CaptureStdout();
    try {
        f();
    } catch (const whinage& w) {
        out.thrown = true;
        out.what = w.what();
    } catch (const std::exception& e) {
        out.thrown = true;
        out.what = std::string("not a whinage: ") + e.what();
    }
    out.log = testing::internal::GetCapturedStdout();
    return out;
}

key_feeder::key_feeder(int after_ms, std::vector<SDLKey> keys, int period_ms)
    : m_thread([this, after_ms, keys, period_ms] {
          for (int waited = 0; waited < after_ms && !m_stop; waited += 10)
              SDL_Delay(10);
          while (!m_stop) {
              for (SDLKey k : keys)
                  push_key_down(k, k == SDLK_RETURN ? '\r' : 0);
              m_fed = true;
              SDL_Delay(period_ms);
          }
      })
{
}

key_feeder::~key_feeder()
{
    m_stop = true;
    m_thread.join();
}
