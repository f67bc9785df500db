// A broken invariant ends the process with status 101 and a report on standard error; so does
// an exception that nothing catches.

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>

#include "platform/fatal_error.h"

namespace zub {
namespace {

TEST(FatalErrorDeathTest, ReportsOnStderrAndEndsWith101) {
  EXPECT_EXIT(fatal_error("registry key path holds a NUL"), ::testing::ExitedWithCode(101),
              "^zub_launcher: fatal internal error: registry key path holds a NUL\n$");
}

[[noreturn]] void throw_length_error() { throw std::length_error("basic_string::_M_create"); }

// The exception cannot leave a noexcept function: std::terminate runs while it is active.
void throw_uncaught() noexcept { throw_length_error(); }

TEST(FatalErrorDeathTest, UncaughtExceptionIsReportedAsFatal) {
  EXPECT_EXIT(throw_uncaught(), ::testing::ExitedWithCode(101),
              "^zub_launcher: fatal internal error: basic_string::_M_create\n$");
  EXPECT_EXIT(std::terminate(), ::testing::ExitedWithCode(101),
              "^zub_launcher: fatal internal error: terminate called without an active "
              "exception\n$");
}

}  // namespace
}  // namespace zub
