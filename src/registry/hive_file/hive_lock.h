#pragma once

// The lock that serialises the writers of one hive file: an fcntl write lock on "<file>.lock"
// beside the file it guards (past any link), held across the read-modify-write. The lock file is
// kept 0600, so that only who may write the hive can hold it; readers of the hive take no lock.
// A lock file that is not a regular file refuses the write (5); a lock that another process
// holds throughout the wait gives 33 (ERROR_LOCK_VIOLATION).

#include <chrono>
#include <string>

#include "common/result.h"
#include "common/windows_status.h"
#include "platform/posix/file_descriptor.h"

namespace zub::posix {

// The lock file beside the hive file `target` (already past any link), open for writing and
// created if need be; the status of a refused write (write_status.h) otherwise.
Result<UniqueFd, OsError> open_lock_file(const std::string& target);

// Takes the write lock of the open lock file, trying again for up to `wait` while another
// process holds a lock on it: 0, or 33 when it stayed held (1016 where the file system has no
// locks). The lock ends with the file descriptor.
OsError lock_for_writing(int fd, std::chrono::milliseconds wait);

}  // namespace zub::posix
