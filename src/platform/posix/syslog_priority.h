#pragma once

// The syslog priority that stands in for an event type of the Windows event log.

#include <cstdint>

namespace zub::posix {

// EVENTLOG_ERROR_TYPE 1 -> LOG_ERR, EVENTLOG_WARNING_TYPE 2 -> LOG_WARNING, every other type
// (information, audit) -> LOG_INFO.
int syslog_priority(std::uint16_t event_type);

}  // namespace zub::posix
