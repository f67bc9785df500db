#pragma once

// Handing a document to the shell, which opens it with the application for its type.

#include "common/result.h"
#include "platform/file_identity.h"
#include "platform/io_error.h"

namespace zub {

class Shell {
 public:
  virtual ~Shell() = default;

  // True when the platform classifies the file as something the shell would run rather than
  // open (programs, scripts, shortcuts, ...). Such a file is never handed over.
  virtual bool is_executable_content(const Path& path) = 0;
  // One open attempt (ShellExecuteW "open", SW_SHOW; GIO's default application on Linux),
  // judged at once. `path` holds no NUL.
  virtual Result<void, IoError> open(const Path& path) = 0;
};

Shell& system_shell();

}  // namespace zub
