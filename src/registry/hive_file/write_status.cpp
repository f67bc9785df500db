#include "registry/hive_file/write_status.h"

#include <cerrno>

namespace zub::posix {

OsError write_status(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTDIR:
    case EEXIST:
    case ENOENT:
    case EISDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return kErrorAccessDenied;
    default:
      return kErrorRegistryIoFailed;
  }
}

}  // namespace zub::posix
