#pragma once

// The logging facade: levels, the process-wide maximum level, and the one logger slot.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/result.h"

namespace zub {

// Severity of a record; a lower number is more severe.
enum class LogLevel : unsigned { Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };
// The same scale with Off below it.
enum class LevelFilter : unsigned { Off = 0, Error = 1, Warn = 2, Info = 3, Debug = 4, Trace = 5 };

constexpr bool passes(LogLevel level, LevelFilter filter) {
  return static_cast<unsigned>(level) <= static_cast<unsigned>(filter);
}

// One log record, borrowed by the logger for the duration of log(). Its message is a template
// with "{}" placeholders and their arguments, formatted only by a logger that writes it.
struct LogRecord {
  LogLevel level = LogLevel::Error;
  std::string_view target;
  std::string_view module_path;
  std::string_view file;
  std::uint32_t line = 0;
  std::string_view pattern;
  std::span<const std::string_view> args;

  std::string formatted_message() const;
};

class Logger {
 public:
  virtual ~Logger() = default;  // destroy
  virtual bool enabled(LogLevel level, std::string_view target) const = 0;
  // Makes its own level test; must not rely on enabled() having been asked.
  virtual void log(const LogRecord& record) const = 0;
  virtual void flush() const = 0;
};

// A logger is already installed, or being installed.
struct SetLoggerError {};
std::string describe(const SetLoggerError& error);

// Holds at most one logger, installed once and never replaced or destroyed; a no-op logger
// stands in until then. Safe for concurrent callers.
class LoggerSlot {
 public:
  LoggerSlot() = default;
  LoggerSlot(const LoggerSlot&) = delete;
  LoggerSlot& operator=(const LoggerSlot&) = delete;
  ~LoggerSlot();  // leaves an installed logger alone: it lives until the process ends

  // Takes ownership. On refusal the offered logger is destroyed before the call returns.
  Result<void, SetLoggerError> install(std::unique_ptr<Logger> logger);
  // Hands the record to the installed logger, or to the no-op logger.
  void log(const LogRecord& record) const;
  const Logger& logger() const;

  LevelFilter max_level() const;
  void set_max_level(LevelFilter filter);

 private:
  enum : unsigned { kUninitialized = 0, kInitializing = 1, kInitialized = 2 };
  std::atomic<unsigned> state_{kUninitialized};
  Logger* logger_ = nullptr;
  std::atomic<unsigned> max_level_{static_cast<unsigned>(LevelFilter::Off)};
};

// The process-wide slot and its shorthands.
LoggerSlot& logger_slot();
inline Result<void, SetLoggerError> install_logger(std::unique_ptr<Logger> logger) {
  return logger_slot().install(std::move(logger));
}
inline LevelFilter max_level() { return logger_slot().max_level(); }
inline void set_max_level(LevelFilter filter) { logger_slot().set_max_level(filter); }
inline void log_record(const LogRecord& record) { logger_slot().log(record); }

}  // namespace zub
