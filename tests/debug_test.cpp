// The log line format and the fatal-error exception.
#include <gtest/gtest.h>

#include "debug.h"

namespace {
struct log_case {
    const char* file;
    int line;
    const char* what;
    const char* expected;
};

const log_case log_cases[] = {
    {"x", 7, "hello", "x, line 7: hello\n"},
    {"x", 7, "", "x, line 7: \n"},
    {"loadimag", -3, "two\nlines", "loadimag, line -3: two\nlines\n"},
    {"sound", 37, "Sound init failed\n", "sound, line 37: Sound init failed\n\n"},
};
}

TEST(debug_log, writes_one_line_in_the_log_format)
{
    for (const log_case& c : log_cases) {
        SCOPED_TRACE(c.expected);
        testing::internal::CaptureStdout();
        dbg_log(c.file, c.line, c.what);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected);
    }
}

TEST(debug_log, whine_logs_the_same_line_then_throws_the_bare_message)
{
    for (const log_case& c : log_cases) {
        SCOPED_TRACE(c.expected);
        testing::internal::CaptureStdout();
        try {
            whine(c.file, c.line, c.what);
            ADD_FAILURE() << "whine returned";
        } catch (const whinage& e) {
            EXPECT_STREQ(e.what(), c.what);
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected);
    }
}

TEST(debug_log, whinage_is_copyable_and_caught_as_std_exception)
{
    whinage original("bad level");
    whinage copy = original;
    EXPECT_STREQ(copy.what(), "bad level");
    try {
        throw copy;
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "bad level");
    }
}
