// The debug log and the fatal-error exception.
// dbg_log writes "file, line N: message" to standard output; whine does the
// same and then throws whinage, the game's one exception for bad data.
#ifndef VANTREL_DEBUG_H
#define VANTREL_DEBUG_H

#include <exception>
#include <string>

class whinage : public std::exception {
public:
    explicit whinage(std::string what);
    ~whinage() override;
    const char* what() const noexcept override;

private:
    std::string m_what;
};

// The line that callers pass is part of the log's fixed text, not the line
// of the call: each message keeps its number whatever the source's layout,
// for those who match log lines by it. (The level loader adds its own codes
// from 403 on, listed where it defines them.)
void dbg_log(const char* file, int line, const std::string& what);
[[noreturn]] void whine(const char* file, int line, const std::string& what);

#endif
