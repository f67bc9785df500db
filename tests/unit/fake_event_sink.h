#pragma once

// An EventSink that records what the backend asks of the event log.

#include <optional>
#include <string>
#include <vector>

#include "platform/event_sink.h"

namespace zub::testing {

struct ReportedEvent {
  EventSourceHandle handle;
  std::uint16_t type;
  std::uint32_t event_id;
  std::u16string message;  // as the platform reads it: up to the first NUL
};

class FakeEventSink : public EventSink {
 public:
  Result<EventSourceHandle, OsError> register_source(const char16_t* name) override {
    registered.emplace_back(name);
    if (register_failure) return fail(*register_failure);
    return next_handle++;
  }
  void report(EventSourceHandle handle, std::uint16_t type, std::uint32_t event_id,
              const char16_t* message) override {
    events.push_back({handle, type, event_id, std::u16string(message)});
  }
  void deregister(EventSourceHandle handle) override { deregistered.push_back(handle); }

  std::optional<OsError> register_failure;
  EventSourceHandle next_handle = 0x100;
  std::vector<std::u16string> registered;
  std::vector<ReportedEvent> events;
  std::vector<EventSourceHandle> deregistered;
};

}  // namespace zub::testing
