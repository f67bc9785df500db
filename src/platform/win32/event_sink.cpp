// The Windows event log: RegisterEventSourceW, ReportEventW, DeregisterEventSource.

#include <windows.h>

#include "platform/event_sink.h"

namespace zub::win32 {
namespace {

HANDLE to_handle(EventSourceHandle handle) { return reinterpret_cast<HANDLE>(handle); }

class WindowsEventSink final : public EventSink {
 public:
  Result<EventSourceHandle, OsError> register_source(const char16_t* name) override {
    const HANDLE handle = RegisterEventSourceW(nullptr, reinterpret_cast<LPCWSTR>(name));
    if (handle == nullptr) return fail(OsError{GetLastError()});
    return reinterpret_cast<EventSourceHandle>(handle);
  }

  void report(EventSourceHandle handle, std::uint16_t type, std::uint32_t event_id,
              const char16_t* message) override {
    LPCWSTR strings[1] = {reinterpret_cast<LPCWSTR>(message)};
    // A failure to write an event is silent.
    (void)ReportEventW(to_handle(handle), type, 0, event_id, nullptr, 1, 0, strings, nullptr);
  }

  void deregister(EventSourceHandle handle) override {
    (void)DeregisterEventSource(to_handle(handle));
  }
};

}  // namespace
}  // namespace zub::win32

namespace zub {

EventSink& system_event_sink() {
  // Never destroyed: the logger that writes through it lives until the process ends.
  static auto* sink = new win32::WindowsEventSink();
  return *sink;
}

}  // namespace zub
