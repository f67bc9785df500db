// A broken invariant ends the process with status 101 and a report on standard error.

#include <gtest/gtest.h>

#include "frontend/entry.h"

namespace zub {
namespace {

TEST(FatalErrorDeathTest, ReportsOnStderrAndEndsWith101) {
  EXPECT_EXIT(fatal_error("registry key path holds a NUL"), ::testing::ExitedWithCode(101),
              "^zub_launcher: fatal internal error: registry key path holds a NUL\n$");
}

}  // namespace
}  // namespace zub
