#include <gtest/gtest.h>

#include <syslog.h>

#include "platform/executable_path.h"
#include "platform/posix/syslog_priority.h"

namespace zub {
namespace {

TEST(SyslogPriorityTest, TheEventTypePicksThePriority) {
  struct Row {
    std::uint16_t type;
    int priority;
  };
  const Row rows[] = {
      {1, LOG_ERR},   // EVENTLOG_ERROR_TYPE
      {2, LOG_WARNING},  // EVENTLOG_WARNING_TYPE
      {4, LOG_INFO},  // EVENTLOG_INFORMATION_TYPE
      {8, LOG_INFO},  // audit success
      {16, LOG_INFO},  // audit failure
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    EXPECT_EQ(posix::syslog_priority(row.type), row.priority);
  }
}

TEST(ExecutablePathTest, IsTheAbsolutePathOfThisProgram) {
  const auto path = system_executable_path().current();
  ASSERT_TRUE(path.has_value());
  const Path& units = path.value();
  ASSERT_FALSE(units.empty());
  EXPECT_EQ(units.front(), u'/');
  const std::u16string_view name = u"/zub_unit_tests";
  ASSERT_GE(units.size(), name.size());
  EXPECT_EQ(std::u16string_view(units).substr(units.size() - name.size()), name);
}

}  // namespace
}  // namespace zub
