#include "logging/event_log.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/utf8.h"
#include "platform/wide_string.h"

namespace zub {

EventKind event_kind(LogLevel level) {
  switch (level) {
#define ZUB_EVENT_LEVEL(name, type, id) \
  case LogLevel::name:                  \
    return EventKind{type, id};
#include "logging/event_levels.def"
#undef ZUB_EVENT_LEVEL
  }
  return EventKind{4, 0x40000000u | static_cast<std::uint32_t>(level)};
}

std::string_view text(const EventLogError& error) {
  switch (error.kind) {
    case EventLogError::Kind::ExePathNotFound: return "Could not determine executable path";
    case EventLogError::Kind::RegisterSourceFailed: return "Call to RegisterEventSource failed";
    case EventLogError::Kind::RegKey: return "Failed to modify registry key";
    case EventLogError::Kind::RegValue: return "Failed to modify registry value";
  }
  return "Failed to modify registry key";
}

std::string describe(const EventLogError& error) {
  switch (error.kind) {
    case EventLogError::Kind::ExePathNotFound: return "ExePathNotFound";
    case EventLogError::Kind::RegisterSourceFailed:
      return "RegisterSourceFailed(" + std::to_string(error.system_error) + ")";
    case EventLogError::Kind::RegKey: return "RegKey(" + describe(error.key_error) + ")";
    case EventLogError::Kind::RegValue: return "RegValue(" + describe(error.value_error) + ")";
  }
  return "EventLogError";
}

std::string describe(const EventLogInitError& error) {
  switch (error.kind) {
    case EventLogInitError::Kind::Create: return "Create(" + describe(error.create) + ")";
    case EventLogInitError::Kind::Set: return "Set(" + describe(SetLoggerError{}) + ")";
  }
  return "EventLogInitError";
}

namespace {

constexpr std::u16string_view kCutMark = u"[\u2026]";

// Whether `pos` lies between the two units of a surrogate pair.
bool splits_pair(std::u16string_view units, std::size_t pos) {
  return pos > 0 && pos < units.size() && is_high_surrogate(units[pos - 1]) &&
         is_low_surrogate(units[pos]);
}

}  // namespace

std::u16string event_text(std::u16string_view message) {
  message = message.substr(0, message.find(u'\0'));
  if (message.size() <= kEventTextLimit) return std::u16string(message);
  // The beginning says what failed, the end often why (or which file): both stay.
  std::size_t head = (kEventTextLimit - kCutMark.size()) / 2;
  std::size_t tail_start = message.size() - (kEventTextLimit - kCutMark.size() - head);
  if (splits_pair(message, head)) --head;
  if (splits_pair(message, tail_start)) ++tail_start;
  std::u16string text(message.substr(0, head));
  text += kCutMark;
  text += message.substr(tail_start);
  return text;
}

bool EventLogger::enabled(LogLevel level, std::string_view) const {
  return static_cast<unsigned>(level) <= static_cast<unsigned>(level_);
}

void EventLogger::log(const LogRecord& record) const {
  if (!enabled(record.level, record.target)) return;
  const EventKind kind = event_kind(record.level);
  // The message alone: no level, target, time or source location; up to an interior NUL, and
  // cut to what the event log takes, so that a long message still leaves its event.
  const std::u16string message = event_text(to_wide_terminated(record.formatted_message()));
  const auto& [sink, source] = source_.get();
  sink->report(source, kind.type, kind.event_id, message.c_str());
}

Result<void, EventLogInitError> init_event_log(EventSink& sink, LoggerSlot& slot,
                                               std::string_view source_name, LogLevel level) {
  const std::u16string name = to_wide_terminated(source_name);
  auto handle = sink.register_source(name.c_str());
  if (handle.has_error()) {
    EventLogError create{EventLogError::Kind::RegisterSourceFailed, handle.error(), {}, {}};
    return fail(EventLogInitError{EventLogInitError::Kind::Create, std::move(create)});
  }
  // A refused logger is destroyed by the slot, which closes its source again.
  auto installed = slot.install(std::make_unique<EventLogger>(sink, level, handle.value()));
  if (installed.has_error()) return fail(EventLogInitError{EventLogInitError::Kind::Set, {}});
  // Every record is built and handed on; the backend's own level decides what is written.
  slot.set_max_level(LevelFilter::Trace);
  return ok<EventLogInitError>();
}

namespace {

EventLogError key_failure(KeyError error) {
  EventLogError out{EventLogError::Kind::RegKey, 0, std::move(error), {}};
  return out;
}

EventLogError value_failure(ValueError error) {
  EventLogError out{EventLogError::Kind::RegValue, 0, {}, std::move(error)};
  return out;
}

EventLogError kind_failure(EventLogError::Kind kind, OsError system_error = 0) {
  return EventLogError{kind, system_error, {}, {}};
}

// Whether the source key exists already, so that a failed registration removes only a key
// that it made itself. When that cannot be told, the key is taken to exist and is left alone.
bool source_key_exists(Registry& registry, const RegistryKey& parent,
                       std::string_view source_name) {
  auto probe = registry.open_key(parent, source_name, kKeyRead);
  if (probe.has_value()) return true;
  return probe.error().kind != KeyError::Kind::NotFound;
}

}  // namespace

Result<void, EventLogError> register_event_source(Registry& registry, ExecutablePath& exe,
                                                  std::string_view source_name) {
  // A failed query is reported like a failed RegisterEventSourceW, not as ExePathNotFound.
  auto exe_path = exe.current();
  if (exe_path.has_error()) {
    return fail(kind_failure(EventLogError::Kind::RegisterSourceFailed, exe_path.error()));
  }
  auto exe_text = utf16_to_utf8_strict(exe_path.value());
  if (!exe_text) return fail(kind_failure(EventLogError::Kind::ExePathNotFound));

  // Keys close in reverse order on leaving: the source key, then the parent.
  auto parent = registry.open_key(Hive::LocalMachine, kEventLogApplicationKey, kKeyWrite);
  if (parent.has_error()) return fail(key_failure(std::move(parent).error()));

  const bool existed = source_key_exists(registry, parent.value(), source_name);
  auto source = registry.create_key(parent.value(), source_name, kKeyWrite);
  if (source.has_error()) return fail(key_failure(std::move(source).error()));

  std::optional<EventLogError> failure;
  auto message_file = to_wide_checked(*exe_text);
  if (message_file.has_error()) {
    failure = kind_failure(EventLogError::Kind::ExePathNotFound);
  } else {
    auto written =
        registry.set_string_value(source.value(), kEventMessageFileValue, message_file.value());
    if (written.has_error()) failure = value_failure(std::move(written).error());
  }
  if (!failure) return ok<EventLogError>();

  // A source key without its message file is of no use to any viewer: remove the key again
  // when this call made it. It goes through the parent, whose handle may delete sub-keys
  // (the source key's KEY_WRITE handle may not delete itself). Its own failure changes
  // nothing in what is reported.
  source.value().close();
  if (!existed) (void)registry.delete_key_tree(parent.value(), source_name);
  return fail(std::move(*failure));
}

Result<void, KeyError> deregister_event_source(Registry& registry, std::string_view source_name) {
  auto parent = registry.open_key(Hive::LocalMachine, kEventLogApplicationKey, kKeyRead);
  if (parent.has_error()) return fail(std::move(parent).error());
  // The error carries the source name as its path.
  auto deleted = registry.delete_key_tree(parent.value(), source_name);
  if (deleted.has_error()) return fail(std::move(deleted).error());
  return ok<KeyError>();
}

}  // namespace zub
