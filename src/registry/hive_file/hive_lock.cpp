#include "registry/hive_file/hive_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "registry/hive_file/write_status.h"

namespace zub::posix {
namespace {

// The lock file at `lock_file` that could not be opened: one that is not to be used (a link, a
// file of another user) is named.
HiveRefusal refused_lock_file(const std::string& lock_file, int error) {
  struct stat info {};
  if (::lstat(lock_file.c_str(), &info) == 0 && !trusted(info, HivePart::LockFile, ::geteuid())) {
    return {lock_file, info};
  }
  return write_status(error);
}

// An existing lock file, judged by what was opened, so that it cannot be swapped in between.
Result<UniqueFd, HiveRefusal> checked_lock_file(UniqueFd fd, const std::string& lock_file) {
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return fail(kErrorRegistryIoFailed);
  if (!trusted(info, HivePart::LockFile, ::geteuid())) return fail(HiveRefusal(lock_file, info));
  // Whoever can open the lock file can lock it: one who can only read it can still hold a read
  // lock or a flock, which keeps the writers away.
  if ((info.st_mode & 07777) != 0600 && ::fchmod(fd.get(), 0600) != 0) {
    return fail(write_status(errno));
  }
  return fd;
}

enum class Attempt { Taken, Held, Failed };

// A kernel without open-file-description locks has the classic ones, which serve as well here:
// this process opens the lock file once.
Attempt try_write_lock(int fd, int& command) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, command, &lock) == 0) return Attempt::Taken;
  const int error = errno;
  if (error == EINVAL && command == F_OFD_SETLK) {
    command = F_SETLK;
    return try_write_lock(fd, command);
  }
  return error == EAGAIN || error == EACCES || error == EINTR ? Attempt::Held : Attempt::Failed;
}

Attempt try_flock(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Attempt::Taken;
  return errno == EWOULDBLOCK || errno == EINTR ? Attempt::Held : Attempt::Failed;
}

// Tries `attempt` again until it is taken or the deadline has passed.
template <class TryOnce>
OsError take_before(std::chrono::steady_clock::time_point deadline, TryOnce attempt) {
  std::chrono::milliseconds pause(1);
  while (true) {
    switch (attempt()) {
      case Attempt::Taken:
        return kErrorSuccess;
      case Attempt::Failed:
        return kErrorRegistryIoFailed;
      case Attempt::Held:
        break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return kErrorLockViolation;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

// Made by this process where there is none: nothing at the name can lead the creation elsewhere.
// Only a regular file of that name will do: a link could make this process change a file
// anywhere, a second name of a file (a hard link) hand that file's mode to this process's fchmod,
// a FIFO or a device block it.
Result<UniqueFd, HiveRefusal> open_lock_file(const std::string& target) {
  const std::string lock_file = target + ".lock";
  for (int attempt = 0; attempt < 3; ++attempt) {
    UniqueFd fd(::open(lock_file.c_str(),
                       O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
    if (fd.valid()) return fd;
    if (errno != EEXIST) return fail(write_status(errno));
    // Without following a link, and without waiting for the other end of a FIFO.
    UniqueFd existing(
        ::open(lock_file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (existing.valid()) return checked_lock_file(std::move(existing), lock_file);
    // Removed between the two opens (a package's purge): made again.
    if (errno != ENOENT) return fail(refused_lock_file(lock_file, errno));
  }
  return fail(kErrorAccessDenied);
}

// Only who may open the lock file can hold a lock that conflicts, and readers of the hive take
// none, so only a writer of the hive can make another wait, and for `wait` at most.
// Open-file-description locks belong to this descriptor and end with it; they conflict with the
// classic fcntl locks of other programs (Python's fcntl.lockf). The flock of earlier versions
// is taken on the same descriptor, after the write lock.
OsError lock_for_writing(int fd, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  int command = F_OFD_SETLK;
  if (const OsError status = take_before(deadline, [&] { return try_write_lock(fd, command); });
      status != kErrorSuccess) {
    return status;
  }
  return take_before(deadline, [&] { return try_flock(fd); });
}

}  // namespace zub::posix
