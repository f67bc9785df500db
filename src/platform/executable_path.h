#pragma once

// The full path of the running executable (GetModuleFileNameW; /proc/self/exe on Linux).

#include <cstdint>

#include "common/result.h"
#include "common/windows_status.h"
#include "platform/path.h"

namespace zub {

class ExecutablePath {
 public:
  virtual ~ExecutablePath() = default;
  // The path, or the system error code of the failed query.
  virtual Result<Path, OsError> current() = 0;
};

ExecutablePath& system_executable_path();

}  // namespace zub
