#pragma once

// The lock that serialises the writers of one hive file: "<file>.lock" beside the file it guards
// (past any link), held across the read-modify-write. A writer takes an fcntl write lock on it
// and then the flock that earlier versions took alone (on Linux the two never conflict), always
// in this order, so that writers of either kind exclude each other. The lock file is made by the
// writer that needs it first, 0600, so that only who may write the hive can hold it; readers of
// the hive take no lock. An existing lock file is used only when it is a regular file of a
// single name that belongs to this user or root (hive_trust.h), and one of this user is closed
// to others (earlier versions made it 0644); anything else refuses the write at once (5). A lock
// that another process holds throughout the wait gives 33 (ERROR_LOCK_VIOLATION).

#include <chrono>
#include <string>

#include "common/result.h"
#include "platform/posix/file_descriptor.h"
#include "registry/hive_file/hive_trust.h"

namespace zub::posix {

// The lock file beside the hive file `target` (already past any link), open for writing and
// created if need be; the status of a refused write (write_status.h) or the refused lock file
// otherwise.
Result<UniqueFd, HiveRefusal> open_lock_file(const std::string& target);

// Takes both locks of the open lock file, trying again for up to `wait` in all while another
// process holds a lock on it: 0, or 33 when one stayed held (1016 where the file system has no
// locks). The locks end with the file descriptor.
OsError lock_for_writing(int fd, std::chrono::milliseconds wait);

}  // namespace zub::posix
