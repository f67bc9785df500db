#pragma once

// A logger that keeps every record it is handed. It is installed once in the process-wide
// slot for the whole test binary (the slot takes one logger per process); tests clear it.

#include <cstdint>
#include <string>
#include <vector>

#include "logging/log.h"

namespace zub::testing {

struct LoggedRecord {
  LogLevel level;
  std::string target;
  std::string module_path;
  std::string file;
  std::uint32_t line;
  std::string message;
};

// The records handed to the process-wide logger since the last clear().
std::vector<LoggedRecord>& recorded_log();

}  // namespace zub::testing
