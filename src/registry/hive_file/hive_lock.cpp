#include "registry/hive_file/hive_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "registry/hive_file/write_status.h"

namespace zub::posix {

// Only a regular file of that name will do: a link there could make this process create a file
// anywhere, a FIFO or a device could block it.
Result<UniqueFd, OsError> open_lock_file(const std::string& target) {
  UniqueFd fd(::open((target + ".lock").c_str(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600));
  if (!fd.valid()) return fail(write_status(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return fail(kErrorRegistryIoFailed);
  if (!S_ISREG(info.st_mode)) return fail(kErrorAccessDenied);
  // Whoever can open the lock file can lock it: one who can only read it can still hold a read
  // lock, which keeps the write lock away. A lock file made readable to others (as earlier
  // versions made it) is closed to them again.
  if (info.st_uid == ::geteuid() && (info.st_mode & 07777) != 0600 &&
      ::fchmod(fd.get(), 0600) != 0) {
    return fail(write_status(errno));
  }
  return fd;
}

// Only who may open the lock file can hold a lock that conflicts, and readers of the hive take
// none, so only a writer of the hive can make another wait, and for `wait` at most.
// Open-file-description locks belong to this descriptor and end with it; they conflict with the
// classic fcntl locks of other programs (Python's fcntl.lockf).
OsError lock_for_writing(int fd, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::chrono::milliseconds pause(1);
  int command = F_OFD_SETLK;
  while (true) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, command, &lock) == 0) return kErrorSuccess;
    const int error = errno;
    if (error == EINTR) continue;
    // A kernel without open-file-description locks: the classic ones serve as well here, as
    // this process opens the lock file once.
    if (error == EINVAL && command == F_OFD_SETLK) {
      command = F_SETLK;
      continue;
    }
    if (error != EAGAIN && error != EACCES) return kErrorRegistryIoFailed;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return kErrorLockViolation;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace zub::posix
