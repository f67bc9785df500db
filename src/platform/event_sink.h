#pragma once

// The event log: open a named source, write events with one string, close the source.

#include <cstdint>

#include "common/result.h"
#include "common/windows_status.h"

namespace zub {

using EventSourceHandle = std::uintptr_t;

class EventSink {
 public:
  virtual ~EventSink() = default;

  // RegisterEventSourceW(NULL, name). Fails with the system error code.
  virtual Result<EventSourceHandle, OsError> register_source(const char16_t* name) = 0;
  // ReportEventW(handle, type, 0, id, NULL, 1, 0, {message}, NULL); the result is ignored.
  virtual void report(EventSourceHandle handle, std::uint16_t type, std::uint32_t event_id,
                      const char16_t* message) = 0;
  // DeregisterEventSource(handle); the result is ignored.
  virtual void deregister(EventSourceHandle handle) = 0;
};

EventSink& system_event_sink();

}  // namespace zub
