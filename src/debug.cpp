// The debug log and the fatal-error exception: one line per report on
// standard output, flushed at once so a crash loses nothing.
#include "debug.h"

#include <iostream>
#include <utility>

#include "etc.h"

whinage::whinage(std::string what) : m_what(std::move(what)) {}

whinage::~whinage() = default;

const char* whinage::what() const noexcept { return m_what.c_str(); }

namespace {
std::string log_line(const char* file, int line, const std::string& what)
{
    return std::string(file) + ", line " + int2str(line) + ": " + what;
}
}

void dbg_log(const char* file, int line, const std::string& what)
{
    std::cout << log_line(file, line, what) << std::endl;
}

void whine(const char* file, int line, const std::string& what)
{
    std::cout << log_line(file, line, what) << std::endl;
    throw whinage(what);
}
