#include "recording_logger.h"

#include <gtest/gtest.h>

#include <memory>

namespace zub::testing {
namespace {

class RecordingLogger final : public Logger {
 public:
  bool enabled(LogLevel, std::string_view) const override { return true; }
  void log(const LogRecord& record) const override {
    recorded_log().push_back({record.level, std::string(record.target),
                              std::string(record.module_path), std::string(record.file),
                              record.line, record.formatted_message()});
  }
  void flush() const override {}
};

class RecordingLoggerEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(install_logger(std::make_unique<RecordingLogger>()).has_value())
        << "another logger took the process-wide slot";
    set_max_level(LevelFilter::Trace);  // as at start-up
  }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new RecordingLoggerEnvironment);

}  // namespace

std::vector<LoggedRecord>& recorded_log() {
  static std::vector<LoggedRecord> records;
  return records;
}

}  // namespace zub::testing
