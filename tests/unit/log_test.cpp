// The logging facade: the install-once slot, the no-op stand-in, the level filter and the
// formatting of a record's message.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "logging/log.h"

namespace zub {
namespace {

// Counts what happens to it; `destroyed` is set by its destructor.
struct LoggerProbe {
  std::atomic<int> logged{0};
  std::atomic<bool> destroyed{false};
  std::string last_message;
};

class ProbeLogger final : public Logger {
 public:
  explicit ProbeLogger(LoggerProbe& probe) : probe_(probe) {}
  ~ProbeLogger() override { probe_.destroyed = true; }
  bool enabled(LogLevel, std::string_view) const override { return true; }
  void log(const LogRecord& record) const override {
    ++probe_.logged;
    probe_.last_message = record.formatted_message();
  }
  void flush() const override {}

 private:
  LoggerProbe& probe_;
};

LogRecord error_record(std::span<const std::string_view> args, std::string_view pattern = "{}") {
  return LogRecord{.level = LogLevel::Error,
                   .target = "t",
                   .module_path = "m",
                   .file = "f",
                   .line = 1,
                   .pattern = pattern,
                   .args = args};
}

// Slots live in static storage: an installed logger is never destroyed, by design.

TEST(LoggerSlot, NoopLoggerStandsInBeforeInstall) {
  static LoggerSlot slot;
  EXPECT_FALSE(slot.logger().enabled(LogLevel::Error, "zub_launcher"));
  const std::string_view args[] = {"lost"};
  slot.log(error_record(args));  // reaches no one, and must not crash

  static LoggerProbe probe;
  ASSERT_TRUE(slot.install(std::make_unique<ProbeLogger>(probe)).has_value());
  EXPECT_TRUE(slot.logger().enabled(LogLevel::Error, "zub_launcher"));
  slot.log(error_record(args));
  EXPECT_EQ(probe.logged.load(), 1);
  EXPECT_EQ(probe.last_message, "lost");
}

TEST(LoggerSlot, SecondInstallIsRefusedAndDestroysTheOfferedLogger) {
  static LoggerSlot slot;
  static LoggerProbe first;
  LoggerProbe second;
  ASSERT_TRUE(slot.install(std::make_unique<ProbeLogger>(first)).has_value());

  const auto refused = slot.install(std::make_unique<ProbeLogger>(second));
  EXPECT_TRUE(refused.has_error());
  EXPECT_TRUE(second.destroyed.load()) << "the refused logger must be destroyed before install returns";
  EXPECT_FALSE(first.destroyed.load());

  const std::string_view args[] = {"still here"};
  slot.log(error_record(args));
  EXPECT_EQ(first.logged.load(), 1);
  EXPECT_EQ(second.logged.load(), 0);
}

TEST(LoggerSlot, ConcurrentInstallsLeaveExactlyOneLogger) {
  constexpr int kThreads = 8;
  static LoggerSlot slot;
  static std::array<LoggerProbe, kThreads> probes;
  std::atomic<int> accepted{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      while (!go) {
      }
      if (slot.install(std::make_unique<ProbeLogger>(probes[static_cast<std::size_t>(i)]))
              .has_value()) {
        ++accepted;
      }
    });
  }
  go = true;
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(accepted.load(), 1);
  int destroyed = 0;
  for (const auto& probe : probes) destroyed += probe.destroyed ? 1 : 0;
  EXPECT_EQ(destroyed, kThreads - 1);

  const std::string_view args[] = {"x"};
  slot.log(error_record(args));
  int logged = 0;
  for (const auto& probe : probes) {
    if (!probe.destroyed) logged += probe.logged;
  }
  EXPECT_EQ(logged, 1) << "the one surviving logger must be the installed one";
}

TEST(LoggerSlot, MaxLevelStartsOffAndIsReplaced) {
  static LoggerSlot slot;
  EXPECT_EQ(slot.max_level(), LevelFilter::Off);
  slot.set_max_level(LevelFilter::Trace);
  EXPECT_EQ(slot.max_level(), LevelFilter::Trace);
  slot.set_max_level(LevelFilter::Error);
  EXPECT_EQ(slot.max_level(), LevelFilter::Error);
}

TEST(LevelFilter, PassesWhenLevelIsAtMostTheFilter) {
  EXPECT_FALSE(passes(LogLevel::Error, LevelFilter::Off));
  EXPECT_TRUE(passes(LogLevel::Error, LevelFilter::Error));
  EXPECT_FALSE(passes(LogLevel::Warn, LevelFilter::Error));
  EXPECT_TRUE(passes(LogLevel::Trace, LevelFilter::Trace));
  EXPECT_TRUE(passes(LogLevel::Error, LevelFilter::Trace));
}

struct FormatRow {
  const char* name;
  std::string_view pattern;
  std::vector<std::string_view> args;
  std::string expected;
};

TEST(LogRecord, FormattedMessageFillsPlaceholdersInOrder) {
  const FormatRow rows[] = {
      {"the launcher's template", "{}", {"Fehler! Error accessing registry key"},
       "Fehler! Error accessing registry key"},
      {"argument with braces is not formatted again", "{}", {"a {} b"}, "a {} b"},
      {"two in order", "{} then {}", {"one", "two"}, "one then two"},
      {"no placeholder", "fixed", {}, "fixed"},
      {"missing argument keeps the placeholder", "{} {}", {"one"}, "one {}"},
      {"empty argument", "[{}]", {""}, "[]"},
      {"embedded NUL kept", "{}", {std::string_view("a\0b", 3)}, std::string("a\0b", 3)},
  };
  for (const auto& row : rows) {
    const LogRecord record = error_record(row.args, row.pattern);
    EXPECT_EQ(record.formatted_message(), row.expected) << row.name;
  }
}

}  // namespace
}  // namespace zub
