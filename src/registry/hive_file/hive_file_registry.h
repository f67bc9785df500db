#pragma once

// The registry of Linux: one hive file per root key (see hive_file.h).
//
//   HKEY_CURRENT_USER    $XDG_CONFIG_HOME/zub_launcher/HKEY_CURRENT_USER.reg
//                        (XDG_CONFIG_HOME defaults to $HOME/.config)
//   HKEY_LOCAL_MACHINE   <dir>/zub_launcher/HKEY_LOCAL_MACHINE.reg
//   HKEY_CLASSES_ROOT    <dir>/zub_launcher/HKEY_CLASSES_ROOT.reg
//                        (<dir>: the first entry of $XDG_CONFIG_DIRS, default /etc/xdg)
//
// A missing file is an empty root key (HKEY_LOCAL_MACHINE still has the keys every Windows
// system has). Every operation reads the file anew, without a lock. A change is a
// read-modify-write under an exclusive lock (an fcntl write lock on "<file>.lock", which is kept
// 0600, so that only who may write the hive can hold it) that replaces the file atomically
// (temporary file in the same folder, fsync, rename, fsync of the folder), so concurrent writers
// lose nothing and a crash leaves the old or the new file. A writer waits for the lock about ten
// seconds at most. The folder is created by the first write that needs it.
//
// A hive file that is a symbolic link of this user or of root stays one: reads and writes go to
// the file it leads to, which also holds the lock and the temporary file; a link that leads
// nowhere yet gets its file created, where the folder exists. A link of any other user is not
// followed.
//
// Status codes: a file that does not parse gives 1015 for every operation on its root key and
// is never rewritten; so does anything that is not a regular file (FIFO, device, folder, a link
// of another user or one that does not end) and a file above 16 MiB. A write the system
// refuses (no permission, read-only file system, the folder cannot be made, as where a file
// stands in its place, a lock file that is not a regular file) gives 5 and changes nothing; a
// write whose file would be above 16 MiB, or above four times its old size plus 1 MiB (deep keys
// written without their parents' sections), 613 (ERROR_REGISTRY_QUOTA_LIMIT); a lock that
// another process holds throughout the wait 33 (ERROR_LOCK_VIOLATION); a full disk 112; any
// other failure of the file system 1016. A write that fails leaves the file as it was.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "registry/emulation/registry_emulation.h"

namespace zub::posix {

struct HiveFileLocations {
  std::string classes_root;
  std::string current_user;
  std::string local_machine;
};

// The locations for the given environment (a lookup that returns nothing for an unset
// variable). Relative or empty XDG entries are ignored, as the XDG base-directory rules ask.
HiveFileLocations hive_file_locations(
    const std::function<std::optional<std::string>(std::string_view)>& environment);
HiveFileLocations hive_file_locations_from_environment();

class HiveFileRegistry : public EmulatedRegistry {
 public:
  static constexpr std::chrono::milliseconds kLockWait{10000};

  // `lock_wait`: how long a change waits for the lock that another process holds.
  explicit HiveFileRegistry(HiveFileLocations locations,
                            std::chrono::milliseconds lock_wait = kLockWait)
      : locations_(std::move(locations)), lock_wait_(lock_wait) {}

  const std::string& file_of(Hive hive) const;

 protected:
  OsError read_hive(Hive hive, const Reader& read) override;
  OsError change_hive(Hive hive, const Changer& change) override;
  OsError check_writable(Hive hive) override;

 private:
  HiveFileLocations locations_;
  std::chrono::milliseconds lock_wait_;
};

}  // namespace zub::posix
