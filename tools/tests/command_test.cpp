// The vantrel_data command line: the same output on every run, and a
// failing exit for anything it cannot do.
#include <cstdlib>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "data_fixture.h"
#include "pictures.h"

namespace fs = std::filesystem;

namespace {
int run(const std::string& args)
{
    std::string command = std::string("\"") + VANTREL_DATA_EXE + "\" " + args + " >/dev/null 2>&1";
    return std::system(command.c_str());
}

std::map<std::string, std::string> contents(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), dir).string()] = read_bytes(entry.path().string());
    return files;
}
}

TEST(command_line, two_runs_write_identical_files)
{
    std::string first = fresh_dir("first"), second = fresh_dir("second");
    for (const std::string& dir : {first, second}) {
        ASSERT_EQ(run("images " + dir + "/images"), 0);
        ASSERT_EQ(run("sounds " + dir + "/sounds"), 0);
    }
    std::map<std::string, std::string> a = contents(first), b = contents(second);
    size_t picture_count = 0;
    for (const pictures::family& f : pictures::families())
        f.make([&](const std::string&, const draw::canvas&) { ++picture_count; });
    EXPECT_EQ(a.size(), picture_count + 9) << "every picture and nine sounds";
    EXPECT_TRUE(a.count("images/font.png") && a.count("images/title.png") && a.count("sounds/boom.wav"));
    EXPECT_TRUE(a.count("images/ship.png") && a.count("images/pipe_+.png") && a.count("images/vgateopen.png"));
    for (const auto& [name, bytes] : a)
        EXPECT_TRUE(b.count(name) && b[name] == bytes) << name << " differs between runs";
}

TEST(command_line, one_family_or_file_can_be_picked)
{
    std::string dir = fresh_dir("picked");
    ASSERT_EQ(run("images " + dir + " font"), 0);
    ASSERT_EQ(run("sounds " + dir + " pop.wav"), 0);
    std::map<std::string, std::string> files = contents(dir);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_TRUE(files.count("font.png") && files.count("pop.wav"));
}

TEST(command_line, refuses_what_it_cannot_do)
{
    std::string dir = fresh_dir("refused");
    const char* const bad[] = {"", "images", "paint DIR", "images DIR nosuch",
                               "sounds DIR nosuch.wav", "images /dev/null/below"};
    for (const char* args : bad) {
        std::string line = args;
        size_t at = line.find("DIR");
        if (at != std::string::npos)
            line.replace(at, 3, dir);
        EXPECT_NE(run(line), 0) << "vantrel_data " << line;
    }
    EXPECT_TRUE(fs::is_empty(dir)) << "a refused request writes nothing";
}
