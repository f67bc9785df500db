#pragma once

// The status of a write of a hive file, its lock file or its folder that the system refused.
// Whatever keeps this process from placing the file where it belongs counts as a refused write,
// as on Windows a key the user may not change: 5 (no permission, a read-only file system, a
// folder that cannot be made, as where a file stands in its place), and the write changes
// nothing. A full disk gives 112, any other failure of the file system 1016.

#include "common/windows_status.h"

namespace zub::posix {

// The status for the errno of the failed step.
OsError write_status(int error);

}  // namespace zub::posix
