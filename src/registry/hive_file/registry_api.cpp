// The registry of Linux: hive files under the XDG configuration folders.

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

#include "platform/posix/file_descriptor.h"
#include "registry/hive_file/hive_file.h"
#include "registry/hive_file/hive_file_registry.h"

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
// Symbolic links followed from a hive path to its file, as many as the kernel follows.
constexpr int kMaxLinkHops = 40;


// The status of a failed write. Whatever keeps this process from placing the file where it
// belongs counts as a refused write, as on Windows a key the user may not change.
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

std::string folder_of(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

// Creates the folder and those above it; 0 or the errno of the step that failed.
int make_folders(const std::string& folder) {
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string prefix = folder.substr(0, end);
    if (::mkdir(prefix.c_str(), 0755) != 0) {
      const int error = errno;
      if (error != EEXIST) return error;
      struct stat info {};
      if (::stat(prefix.c_str(), &info) != 0) return errno;
      if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    }
    if (end == std::string::npos) return 0;
  }
}

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

// A symbolic link whose target this process may rely on: its own or root's. A link of anyone
// else, even of the folder's owner, would let that user choose where this process writes (and
// what file it creates there), so it is not followed.
bool trusted_link(const struct stat& info) {
  return info.st_uid == ::geteuid() || info.st_uid == 0;
}

// The file a hive path stands for: the path itself, or where its symbolic links lead (dotfiles
// kept in another folder), whether or not that file exists yet. 1015 for a link that is not
// trusted or that does not end.
Result<std::string, OsError> hive_target(std::string path) {
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    if (!trusted_link(info)) return fail(kErrorRegistryCorrupt);
    std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0) return fail(kErrorRegistryCorrupt);
    // Retargeted to a longer name since the lstat: look again.
    if (static_cast<std::size_t>(length) == target.size()) continue;
    target.resize(static_cast<std::size_t>(length));
    path = target.front() == '/' ? target : folder_of(path) + "/" + target;
  }
  return fail(kErrorRegistryCorrupt);
}

// The content of the hive file. A missing file is an empty root key. Anything that is not a
// regular file (a FIFO, a device, a folder) or that is larger than the cap counts as a file
// that does not parse; it is opened without blocking and judged by what was opened. `size`, if
// given, gets the number of bytes read.
Result<RegistryTree, OsError> load(const std::string& file, Hive hive,
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
  std::string bytes;
  if (read_all(fd.get(), bytes, kMaxHiveFileBytes) != 0) return fail(kErrorRegistryIoFailed);
  if (bytes.size() > kMaxHiveFileBytes) return fail(kErrorRegistryCorrupt);
  if (size != nullptr) *size = bytes.size();
  auto tree = parse_hive_file(bytes, hive);
  if (tree.has_error()) return fail(kErrorRegistryCorrupt);
  return std::move(tree).value();
}

// The lock file beside the hive file `target` (already past any link), open for writing. Only a
// regular file of that name will do: a link there could make this process create a file
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

// Takes the write lock of the open lock file, trying again for up to `wait` while another
// process holds a lock on it: 0, or 33 when it stayed held (1016 where the file system has no
// locks). Only who may open the lock file can hold a lock that conflicts, and readers of the
// hive take none, so only a writer of the hive can make another wait, and for `wait` at most.
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

// The file that a change of `file` goes to, with its folder made if need be.
Result<std::string, OsError> writable_target(const std::string& file) {
  if (const int error = make_folders(folder_of(file)); error != 0) return fail(write_status(error));
  return hive_target(file);
}

struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};
using UniqueDirectory = std::unique_ptr<DIR, DirectoryCloser>;

// The name of a temporary file of `store` for `file`: "." + its name + "." + six characters.
std::string temporary_prefix(const std::string& file) {
  // Appended piece by piece: "." + std::string trips GCC 12's -Wrestrict at -O2.
  std::string prefix = ".";
  prefix += std::string_view(file).substr(file.rfind('/') + 1);
  prefix += '.';
  return prefix;
}

// Removes the temporary files of writers that died before their rename. Only a writer that
// holds the lock makes one, so under the lock every one found is a leftover. Best effort: a
// leftover is litter, it never stands in the way of a write.
void remove_leftover_temporaries(const std::string& file) {
  const std::string folder = folder_of(file);
  const std::string prefix = temporary_prefix(file);
  UniqueDirectory directory(::opendir(folder.c_str()));
  if (!directory) return;
  while (const dirent* entry = ::readdir(directory.get())) {
    const std::string_view name = entry->d_name;
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) {
      (void)::unlinkat(::dirfd(directory.get()), entry->d_name, 0);
    }
  }
}

// Replaces the file with the one for `tree` so that a reader, or a crash, sees either the old or
// the new file, never a mix. The file is written as it is made, so a large one is never held in
// memory.
OsError store(const std::string& file, const RegistryTree& tree, Hive hive) {
  const std::string folder = folder_of(file);
  std::string temporary = folder + "/" + temporary_prefix(file) + "XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.valid()) return write_status(errno);

  // The permission bits of the file it replaces; never set-id or executable bits, which a
  // file planted by another user could carry over to this user's file.
  struct stat existing {};
  const mode_t mode = ::stat(file.c_str(), &existing) == 0 ? (existing.st_mode & 0666) : 0644;
  int error = 0;
  write_hive_file(tree, hive, [&](std::string_view piece) {
    error = write_all(fd.get(), piece);
    return error == 0;
  });
  if (error == 0 && ::fchmod(fd.get(), mode) != 0) error = errno;
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  if (const int close_error = fd.reset(); error == 0) error = close_error;
  if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return write_status(error);
  }
  // The rename is done and visible; making it durable is best effort, a failure here would
  // report a change that has happened.
  UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.valid()) (void)::fsync(directory.get());
  return kErrorSuccess;
}

std::optional<std::string> absolute_entry(std::optional<std::string> value) {
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  while (value->size() > 1 && value->back() == '/') value->pop_back();
  return value;
}

}  // namespace

HiveFileLocations hive_file_locations(
    const std::function<std::optional<std::string>(std::string_view)>& environment) {
  std::string config_home;
  if (auto configured = absolute_entry(environment("XDG_CONFIG_HOME"))) {
    config_home = *configured;
  } else {
    auto home = environment("HOME");
    config_home = (home && !home->empty() ? *home : std::string()) + "/.config";
  }
  std::string config_dir = "/etc/xdg";
  if (auto dirs = environment("XDG_CONFIG_DIRS")) {
    if (auto first = absolute_entry(dirs->substr(0, dirs->find(':')))) config_dir = *first;
  }
  if (config_dir == "/") config_dir.clear();
  if (config_home == "/") config_home.clear();
  return HiveFileLocations{
      config_dir + "/zub_launcher/HKEY_CLASSES_ROOT.reg",
      config_home + "/zub_launcher/HKEY_CURRENT_USER.reg",
      config_dir + "/zub_launcher/HKEY_LOCAL_MACHINE.reg",
  };
}

HiveFileLocations hive_file_locations_from_environment() {
  return hive_file_locations([](std::string_view name) -> std::optional<std::string> {
    const std::string variable(name);
    if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
      return std::string(value);
    }
    if (name == "HOME") {
      // No HOME: the home folder of the account, as the XDG base directories assume one.
      if (const passwd* account = ::getpwuid(::getuid()); account != nullptr) {
        return std::string(account->pw_dir);
      }
    }
    return std::nullopt;
  });
}

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

OsError HiveFileRegistry::read_hive(Hive hive, const Reader& read) {
  auto target = hive_target(file_of(hive));
  if (target.has_error()) return target.error();
  auto tree = load(target.value(), hive);
  if (tree.has_error()) return tree.error();
  return read(tree.value());
}

// A hive file that is a symbolic link stays one: the change goes to the file it leads to,
// whose own lock file serialises every writer, through whichever link it came.
OsError HiveFileRegistry::change_hive(Hive hive, const Changer& change) {
  auto target = writable_target(file_of(hive));
  if (target.has_error()) return target.error();
  const std::string& file = target.value();
  auto lock = open_lock_file(file);
  if (lock.has_error()) return lock.error();
  if (const OsError locked = lock_for_writing(lock->get(), lock_wait_); locked != kErrorSuccess) {
    return locked;
  }
  // Read under the lock: what another writer stored before is kept.
  std::size_t old_size = 0;
  auto tree = load(file, hive, &old_size);
  if (tree.has_error()) return tree.error();
  bool changed = false;
  const OsError status = change(tree.value(), changed);
  if (status != kErrorSuccess || !changed) return status;
  // A file the reader would refuse, or one many times the old one's size, is not written: the
  // old one stays, and stays readable.
  const std::size_t limit =
      std::min(kMaxHiveFileBytes, kMaxGrowthFactor * old_size + kGrowthAllowanceBytes);
  if (hive_file_size(tree.value(), hive) > limit) return kErrorRegistryQuotaLimit;
  remove_leftover_temporaries(file);
  return store(file, tree.value(), hive);
  // The lock goes with its file descriptor.
}

OsError HiveFileRegistry::check_writable(Hive hive) {
  auto target = writable_target(file_of(hive));
  if (target.has_error()) return target.error();
  auto lock = open_lock_file(target.value());
  if (lock.has_error()) return lock.error();
  if (::access(folder_of(target.value()).c_str(), W_OK) != 0) return write_status(errno);
  return kErrorSuccess;
}

}  // namespace posix

RegistryApi& system_registry() {
  static posix::HiveFileRegistry registry(posix::hive_file_locations_from_environment());
  return registry;
}

}  // namespace zub
