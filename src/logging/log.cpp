#include "logging/log.h"

#include <utility>

namespace zub {
namespace {

// Stands in while no logger is installed: wants nothing, writes nothing.
class NoopLogger final : public Logger {
 public:
  bool enabled(LogLevel, std::string_view) const override { return false; }
  void log(const LogRecord&) const override {}
  void flush() const override {}
};

const NoopLogger kNoopLogger;

// Tells the processor that this is a spin-wait loop.
inline void pause_hint() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
  __asm__ __volatile__("yield");
#endif
}

}  // namespace

std::string LogRecord::formatted_message() const {
  std::string out;
  out.reserve(pattern.size());
  std::size_t next_arg = 0;
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const std::size_t hole = pattern.find("{}", pos);
    if (hole == std::string_view::npos) break;
    out.append(pattern, pos, hole - pos);
    // A placeholder without an argument stays as it is.
    if (next_arg < args.size()) {
      out.append(args[next_arg++]);
    } else {
      out.append("{}");
    }
    pos = hole + 2;
  }
  out.append(pattern, pos);
  return out;
}

std::string describe(const SetLoggerError&) {
  return "SetLoggerError: a logger is already installed";
}

LoggerSlot::~LoggerSlot() = default;

Result<void, SetLoggerError> LoggerSlot::install(std::unique_ptr<Logger> logger) {
  unsigned expected = kUninitialized;
  if (state_.compare_exchange_strong(expected, kInitializing, std::memory_order_seq_cst)) {
    logger_ = logger.release();
    // Published only after the logger is stored; readers load the state before the pointer.
    state_.exchange(kInitialized, std::memory_order_seq_cst);
    return ok<SetLoggerError>();
  }
  if (expected == kInitializing) {
    while (state_.load(std::memory_order_seq_cst) == kInitializing) pause_hint();
  }
  logger.reset();
  return fail(SetLoggerError{});
}

const Logger& LoggerSlot::logger() const {
  if (state_.load(std::memory_order_seq_cst) == kInitialized) return *logger_;
  return kNoopLogger;
}

void LoggerSlot::log(const LogRecord& record) const { logger().log(record); }

LevelFilter LoggerSlot::max_level() const {
  return static_cast<LevelFilter>(max_level_.load(std::memory_order_relaxed));
}

void LoggerSlot::set_max_level(LevelFilter filter) {
  max_level_.store(static_cast<unsigned>(filter), std::memory_order_relaxed);
}

LoggerSlot& logger_slot() {
  // Never destroyed: the installed logger lives until the process ends.
  static LoggerSlot* const slot = new LoggerSlot;
  return *slot;
}

}  // namespace zub
