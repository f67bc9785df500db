#pragma once

// The registry of Linux: one hive file per root key, in the format of hive_file.h, where
// hive_locations.h says. A missing file is an empty root key (HKEY_LOCAL_MACHINE still has the
// keys every Windows system has). Every operation reads the file anew, without a lock. A change
// is a read-modify-write of the file (or of where its trusted link leads, hive_trust.h) under
// the exclusive lock of hive_lock.h, which a writer waits for about ten seconds at most, and
// ends in an atomic replace (atomic_replace.h), so concurrent writers lose nothing and a crash
// leaves the old or the new file. The folder is created by the first write that needs it.
//
// Status codes: a file that does not parse gives 1015 for every operation on its root key and
// is never rewritten; so does anything that is not a regular file (FIFO, device, folder, a link
// that does not end) and a file above 16 MiB. A hive file, lock file or folder that others may
// change (hive_trust.h) gives 5 at once for every operation that would use it. A write the
// system refuses gives the status of write_status.h (5, 112, 1016) and changes nothing; a write
// whose file would be above 16 MiB, or above four times its old size plus 1 MiB (deep keys
// written without their parents' sections), 613 (ERROR_REGISTRY_QUOTA_LIMIT); a lock that
// another process holds throughout the wait 33 (ERROR_LOCK_VIOLATION). A write that fails
// leaves the file as it was.

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "registry/emulation/registry_emulation.h"
#include "registry/hive_file/hive_locations.h"
#include "registry/hive_file/hive_trust.h"

namespace zub::posix {

class HiveFileRegistry : public EmulatedRegistry {
 public:
  static constexpr std::chrono::milliseconds kLockWait{10000};

  // `lock_wait`: how long a change waits for the lock that another process holds.
  explicit HiveFileRegistry(HiveFileLocations locations,
                            std::chrono::milliseconds lock_wait = kLockWait)
      : locations_(std::move(locations)), lock_wait_(lock_wait) {}

  const std::string& file_of(Hive hive) const;
  // The file or folder that the latest refusal for its owner, mode or type named (hive_trust.h),
  // for a message that names it; empty while there was none.
  const std::optional<Distrusted>& distrusted() const { return distrusted_; }

 protected:
  OsError read_hive(Hive hive, const Reader& read) override;
  OsError change_hive(Hive hive, const Changer& change) override;
  OsError check_writable(Hive hive) override;

 private:
  // The status of a refusal, keeping what it names.
  OsError refused(HiveRefusal refusal);

  HiveFileLocations locations_;
  std::chrono::milliseconds lock_wait_;
  std::optional<Distrusted> distrusted_;
};

}  // namespace zub::posix
