// The event log on Linux: syslog, with the source name as the identity of each message.

#include <syslog.h>

#include <map>
#include <mutex>
#include <string>

#include "common/utf8.h"
#include "platform/event_sink.h"
#include "platform/posix/syslog_priority.h"

namespace zub::posix {

int syslog_priority(std::uint16_t event_type) {
  switch (event_type) {
    case 1: return LOG_ERR;
    case 2: return LOG_WARNING;
    default: return LOG_INFO;
  }
}

namespace {

std::u16string_view until_nul(const char16_t* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// openlog() keeps the identity pointer, not a copy: every identity lives here until its source
// is closed. syslog has one identity per process, so a report re-opens with its own source's
// identity when more than one source is open.
class SyslogEventSink final : public EventSink {
 public:
  Result<EventSourceHandle, OsError> register_source(const char16_t* name) override {
    std::lock_guard lock(mutex_);
    const EventSourceHandle handle = next_handle_++;
    const std::string& identity =
        identities_.emplace(handle, utf16_to_utf8_lossy(until_nul(name))).first->second;
    use_identity(handle, identity);
    return handle;  // opening syslog cannot fail
  }

  void report(EventSourceHandle handle, std::uint16_t type, std::uint32_t,
              const char16_t* message) override {
    std::lock_guard lock(mutex_);
    const auto source = identities_.find(handle);
    if (source == identities_.end()) return;  // a closed source writes nothing
    use_identity(handle, source->second);
    const std::string text = utf16_to_utf8_lossy(until_nul(message));
    syslog(syslog_priority(type), "%s", text.c_str());
  }

  void deregister(EventSourceHandle handle) override {
    std::lock_guard lock(mutex_);
    const auto source = identities_.find(handle);
    if (source == identities_.end()) return;
    if (current_ == handle) {
      // syslog must let go of the identity before its storage goes.
      closelog();
      current_ = 0;
    }
    identities_.erase(source);
  }

 private:
  void use_identity(EventSourceHandle handle, const std::string& identity) {
    if (current_ == handle) return;
    openlog(identity.c_str(), LOG_PID, LOG_USER);
    current_ = handle;
  }

  std::mutex mutex_;
  std::map<EventSourceHandle, std::string> identities_;  // nodes never move
  EventSourceHandle next_handle_ = 1;
  EventSourceHandle current_ = 0;
};

}  // namespace
}  // namespace zub::posix

namespace zub {

EventSink& system_event_sink() {
  // Never destroyed: the logger that writes through it lives until the process ends.
  static auto* sink = new posix::SyslogEventSink();
  return *sink;
}

}  // namespace zub
