#pragma once

// The event-log backend (a Logger writing to the Application log under one source) and the
// registration of that source in the registry ("-l", "-x").

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"
#include "logging/log.h"
#include "platform/event_sink.h"
#include "platform/executable_path.h"
#include "platform/unique_handle.h"
#include "registry/registry.h"

namespace zub {

// The parent key of every event source of the Application log, under HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kEventLogApplicationKey =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
inline constexpr std::string_view kEventMessageFileValue = "EventMessageFile";

// One row of the fixed level-to-event table.
struct EventKind {
  std::uint16_t type;      // EVENTLOG_ERROR_TYPE 1, EVENTLOG_WARNING_TYPE 2, EVENTLOG_INFORMATION_TYPE 4
  std::uint32_t event_id;  // severity in the top two bits, level number in the low 16
};
EventKind event_kind(LogLevel level);

// The most UTF-16 units that ReportEventW takes in one string; the Linux system log is held to
// the same bound.
inline constexpr std::size_t kEventTextLimit = 31839;

// The text an event carries for a message: its units before the first NUL (all that the event
// log reads); beyond kEventTextLimit units, its beginning and its end with "[…]" where the
// middle was cut out, kEventTextLimit units at most and no surrogate pair split.
std::u16string event_text(std::u16string_view message);

struct EventLogError {
  enum class Kind { ExePathNotFound, RegisterSourceFailed, RegKey, RegValue };
  Kind kind = Kind::ExePathNotFound;
  OsError system_error = 0;       // RegisterSourceFailed
  KeyError key_error;             // RegKey
  ValueError value_error;         // RegValue
};
// The fixed display text of the kind.
std::string_view text(const EventLogError& error);
std::string describe(const EventLogError& error);

struct EventLogInitError {
  enum class Kind { Create, Set };
  Kind kind = Kind::Create;
  EventLogError create;  // Create
};
std::string describe(const EventLogInitError& error);

// An open event source and the sink it was opened in, closed with DeregisterEventSource.
struct EventSourceTraits {
  struct Handle {
    EventSink* sink;
    EventSourceHandle source;
  };
  static Handle invalid() { return {nullptr, 0}; }
  static bool valid(const Handle& handle) { return handle.sink != nullptr; }
  // DeregisterEventSource's result is ignored.
  static void close(const Handle& handle) { handle.sink->deregister(handle.source); }
};

// Writes records at `level` or more severe as events; owns the event source handle and closes
// it when destroyed.
class EventLogger final : public Logger {
 public:
  EventLogger(EventSink& sink, LogLevel level, EventSourceHandle handle)
      : level_(level), source_(EventSourceTraits::Handle{&sink, handle}) {}

  bool enabled(LogLevel level, std::string_view target) const override;
  void log(const LogRecord& record) const override;
  void flush() const override {}

 private:
  const LogLevel level_;
  const UniqueHandle<EventSourceTraits> source_;
};

// Opens the event source, installs the backend in `slot` and sets the slot's max level to
// Trace.
Result<void, EventLogInitError> init_event_log(EventSink& sink, LoggerSlot& slot,
                                               std::string_view source_name, LogLevel level);

// "-l": writes EventMessageFile (the running executable's path) under the source's key.
Result<void, EventLogError> register_event_source(Registry& registry, ExecutablePath& exe,
                                                  std::string_view source_name);
// "-x": deletes the source's key with everything under it.
Result<void, KeyError> deregister_event_source(Registry& registry, std::string_view source_name);

}  // namespace zub
