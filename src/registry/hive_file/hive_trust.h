#pragma once

// Which files and folders of the hive backend this process relies on. Whoever can change a hive
// file chooses every user's base folder, so, as OpenSSH does with its users' keys, a file or
// folder is used only when nobody but this user and root can change it:
//   - the hive file, its lock file and the folder that holds them belong to this user or root and
//     are not writable by group or others;
//   - every folder above, up to "/", belongs to this user or root and is not writable by others,
//     unless it is sticky (as /tmp is: nobody can take another's name away there);
//   - a symbolic link on the way, at the hive file's name or in a folder above, is followed only
//     when it belongs to this user or root (dotfiles kept in another folder); where it leads is
//     checked as above, and the folder it leads to holds the lock and the temporary file.
// Anything else is refused at once with 5 (ERROR_ACCESS_DENIED), naming what was refused; a link
// that does not end counts as a file that does not parse (1015).

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "common/windows_status.h"

namespace zub::posix {

// What a file or folder is to a hive.
enum class HivePart {
  File,         // the hive file (its type is judged apart: anything but a regular file is 1015)
  LockFile,     // its lock file, whose mode this process tightens where it is the owner
  Folder,       // the folder that holds the hive file, or a link to it
  FolderAbove,  // a folder above that one
  Link,         // a symbolic link on the way
};

// Whether `user` may rely on a file or folder with this status as that part of a hive.
bool trusted(const struct stat& info, HivePart part, uid_t user);

// A file or folder refused for its owner, its mode or its type, as lstat or fstat saw it.
struct Distrusted {
  std::string path;
  uid_t owner = 0;
  mode_t mode = 0;  // type and permission bits
  nlink_t links = 1;
};

// The text that names it, its kind and its owner, for an administrator: "file /x/y.reg
// belongs to nobody (uid 65534), mode 0666: ..."; the uid alone where the owner has no name.
// Bytes of the path that are no UTF-8 are written "\x9b" (escape_controls).
std::string describe(const Distrusted& distrusted, std::string_view owner_name);

// Why a hive was not used: a status, and with 5 for a refused file or folder, which one.
struct HiveRefusal {
  HiveRefusal(OsError refused_status) : status(refused_status) {}  // NOLINT: a bare status
  // 5, for the file or folder at `path` with status `info`.
  HiveRefusal(std::string path, const struct stat& info);

  OsError status;
  std::optional<Distrusted> distrusted;
};

// Whether the folders of a hive path that are missing are made (for a write) or the hive counts
// as missing (for a read).
enum class MissingFolders { Make, CountAsMissing };

// The file a hive path stands for, past every trusted link, whether or not it exists yet, with
// every folder on the way checked as above; an existing file that is not a regular file gives
// 1015, one that others may change 5 (and is judged again when it is opened). Where a folder is
// missing: for a read, a path that names no file; for a write, the folders of the path are made
// (0755), but not those a link at the file's name leads to (5).
Result<std::string, HiveRefusal> hive_target(const std::string& path, MissingFolders missing);

}  // namespace zub::posix
