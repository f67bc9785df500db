#pragma once

// Handing a document to the shell, which opens it with the application for its type.

#include "common/result.h"
#include "platform/path.h"
#include "platform/io_error.h"

namespace zub {

class Shell {
 public:
  virtual ~Shell() = default;

  // True when the file is something the shell would run rather than open (programs, scripts,
  // shortcuts, ...), by its name or by its content, or when its content cannot be judged. Such a
  // file is never handed over. A folder never is; a file whose content the launcher must not or
  // cannot read now (online-only, held by another program, its cloud provider unreachable) is
  // judged by its name alone (judge_file).
  virtual bool is_executable_content(const Path& path) = 0;
  // One open attempt, judged at once: ShellExecuteExW "open", SW_SHOW, with the file's own type
  // as class, so that the application of the type gets it, and once more with the type's default
  // verb when the type has no "open" (lacks_verb); GIO's default application on Linux.
  // `path` holds no NUL. `named` is the same file under its long name, which gives the type: a
  // short (8.3) form cuts the extension (".XLS" for ".xlsm").
  virtual Result<void, IoError> open(const Path& path, const Path& named) = 0;
};

Shell& system_shell();

}  // namespace zub
