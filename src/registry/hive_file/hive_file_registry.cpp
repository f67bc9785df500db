// The registry of Linux: hive files under the XDG configuration folders.

#include "registry/hive_file/hive_file_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/posix/file_descriptor.h"
#include "registry/hive_file/atomic_replace.h"
#include "registry/hive_file/hive_file.h"
#include "registry/hive_file/hive_lock.h"
#include "registry/hive_file/hive_trust.h"
#include "registry/hive_file/write_status.h"

namespace zub {
namespace posix {
namespace {

// A hive file larger than this counts as damaged, and no write makes one. What the launcher
// stores takes well under a kilobyte; reading costs about eight times the file's size in memory
// and, at this size, about half a second per operation.
constexpr std::size_t kMaxHiveFileBytes = std::size_t{16} << 20;
// A write may make the file at most this many times as large as it was, plus the allowance. A
// file whose deep keys come without their parents' sections gets every parent section, each
// with its whole path, on its next write: 50 KB of keys 500 levels deep would become 13 MB.
// What the launcher writes (a few keys, a path) stays far within the allowance.
constexpr std::size_t kMaxGrowthFactor = 4;
constexpr std::size_t kGrowthAllowanceBytes = std::size_t{1} << 20;

// Reads to the end, or until more than `limit` bytes have come (the file may grow while it is
// read); 0 or the errno of the read that failed.
int read_all(int fd, std::string& out, std::size_t limit) {
  char buffer[65536];
  while (out.size() <= limit) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    out.append(buffer, static_cast<std::size_t>(got));
  }
  return 0;
}

// The content of the hive file. A missing file is an empty root key. Anything that is not a
// regular file (a FIFO, a device, a folder) or that is larger than the cap counts as a file
// that does not parse; one that others may change is refused (hive_trust.h). It is opened
// without blocking and judged by what was opened. `size`, if given, gets the number of bytes
// read.
Result<RegistryTree, HiveRefusal> load(const std::string& file, Hive hive,
                                       std::size_t* size = nullptr) {
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
  if (!fd.valid()) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      RegistryTree empty;
      add_builtin_keys(hive, empty);
      return empty;
    }
    if (error == ELOOP) return fail(kErrorRegistryCorrupt);  // made a link since hive_target
    return fail(error == EACCES || error == EPERM ? kErrorAccessDenied : kErrorRegistryIoFailed);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return fail(kErrorRegistryIoFailed);
  if (!S_ISREG(info.st_mode) || static_cast<std::uintmax_t>(info.st_size) > kMaxHiveFileBytes) {
    return fail(kErrorRegistryCorrupt);
  }
  if (!trusted(info, HivePart::File, ::geteuid())) return fail(HiveRefusal(file, info));
  std::string bytes;
  if (read_all(fd.get(), bytes, kMaxHiveFileBytes) != 0) return fail(kErrorRegistryIoFailed);
  if (bytes.size() > kMaxHiveFileBytes) return fail(kErrorRegistryCorrupt);
  if (size != nullptr) *size = bytes.size();
  auto tree = parse_hive_file(bytes, hive);
  if (tree.has_error()) return fail(kErrorRegistryCorrupt);
  return std::move(tree).value();
}

}  // namespace

const std::string& HiveFileRegistry::file_of(Hive hive) const {
  switch (hive) {
    case Hive::ClassesRoot:
      return locations_.classes_root;
    case Hive::CurrentUser:
      return locations_.current_user;
    case Hive::LocalMachine:
      return locations_.local_machine;
  }
  std::abort();
}

OsError HiveFileRegistry::refused(HiveRefusal refusal) {
  if (refusal.distrusted) distrusted_ = std::move(refusal.distrusted);
  return refusal.status;
}

OsError HiveFileRegistry::read_hive(Hive hive, const Reader& read) {
  auto target = hive_target(file_of(hive), MissingFolders::CountAsMissing);
  if (target.has_error()) return refused(std::move(target).error());
  auto tree = load(target.value(), hive);
  if (tree.has_error()) return refused(std::move(tree).error());
  return read(tree.value());
}

// A hive file that is a symbolic link stays one: the change goes to the file it leads to,
// whose own lock file serialises every writer, through whichever link it came.
OsError HiveFileRegistry::change_hive(Hive hive, const Changer& change) {
  auto target = hive_target(file_of(hive), MissingFolders::Make);
  if (target.has_error()) return refused(std::move(target).error());
  const std::string& file = target.value();
  auto lock = open_lock_file(file);
  if (lock.has_error()) return refused(std::move(lock).error());
  if (const OsError locked = lock_for_writing(lock->get(), lock_wait_); locked != kErrorSuccess) {
    return locked;
  }
  // Read under the lock: what another writer stored before is kept.
  std::size_t old_size = 0;
  auto tree = load(file, hive, &old_size);
  if (tree.has_error()) return refused(std::move(tree).error());
  bool changed = false;
  const OsError status = change(tree.value(), changed);
  if (status != kErrorSuccess || !changed) return status;
  // A file the reader would refuse, or one many times the old one's size, is not written: the
  // old one stays, and stays readable.
  const std::size_t limit =
      std::min(kMaxHiveFileBytes, kMaxGrowthFactor * old_size + kGrowthAllowanceBytes);
  if (hive_file_size(tree.value(), hive) > limit) return kErrorRegistryQuotaLimit;
  remove_leftover_temporaries(file);
  return replace_atomically(file, [&](const PieceSink& put) {
    (void)write_hive_file(tree.value(), hive, put);
  });
  // The locks go with their file descriptor.
}

OsError HiveFileRegistry::check_writable(Hive hive) {
  auto target = hive_target(file_of(hive), MissingFolders::Make);
  if (target.has_error()) return refused(std::move(target).error());
  auto lock = open_lock_file(target.value());
  if (lock.has_error()) return refused(std::move(lock).error());
  if (::access(folder_of(target.value()).c_str(), W_OK) != 0) return write_status(errno);
  return kErrorSuccess;
}

}  // namespace posix

RegistryApi& system_registry() {
  static posix::HiveFileRegistry registry(posix::hive_file_locations_from_environment());
  return registry;
}

}  // namespace zub
