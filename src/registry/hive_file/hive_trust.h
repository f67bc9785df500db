#pragma once

// Which paths to a hive file this process relies on. A hive file that is a symbolic link of
// this user or of root stays one: reads and writes go to the file it leads to, which also holds
// the lock and the temporary file; a link that leads nowhere yet gets its file created, where
// the folder exists. A link of any other user is not followed: the hive counts as a file that
// does not parse (1015), as does a link that does not end.

#include <string>

#include "common/result.h"
#include "common/windows_status.h"

namespace zub::posix {

// The file a hive path stands for: the path itself, or where its symbolic links lead (dotfiles
// kept in another folder), whether or not that file exists yet. 1015 for a link that is not
// trusted or that does not end.
Result<std::string, OsError> hive_target(std::string path);

}  // namespace zub::posix
