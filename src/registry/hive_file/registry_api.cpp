// The registry of Linux: hive files under the XDG configuration folders.

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

#include "registry/hive_file/hive_file.h"
#include "registry/hive_file/hive_file_registry.h"

namespace zub {
namespace posix {
namespace {

constexpr OsError kErrorDiskFull = 112;
constexpr OsError kErrorRegistryIoFailed = 1016;

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; the errno of a failed close, or 0.
  int reset() {
    if (fd_ < 0) return 0;
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

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

int read_all(int fd, std::string& out) {
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

int write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

Result<RegistryTree, OsError> load(const std::string& file, Hive hive) {
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      RegistryTree empty;
      add_builtin_keys(hive, empty);
      return empty;
    }
    return fail(error == EACCES || error == EPERM ? kErrorAccessDenied : kErrorRegistryIoFailed);
  }
  std::string bytes;
  if (read_all(fd.get(), bytes) != 0) return fail(kErrorRegistryIoFailed);
  auto tree = parse_hive_file(bytes, hive);
  if (tree.has_error()) return fail(kErrorRegistryCorrupt);
  return std::move(tree).value();
}

// The lock file beside the hive file, opened for writing; the folder is made if need be.
Result<UniqueFd, OsError> open_lock_file(const std::string& file) {
  if (const int error = make_folders(folder_of(file)); error != 0) return fail(write_status(error));
  UniqueFd fd(::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.valid()) return fail(write_status(errno));
  return fd;
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

// Replaces the file with `text` so that a reader, or a crash, sees either the old or the new
// file, never a mix.
OsError store(const std::string& file, std::string_view text) {
  const std::string folder = folder_of(file);
  std::string temporary = folder + "/" + temporary_prefix(file) + "XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.valid()) return write_status(errno);

  struct stat existing {};
  const mode_t mode = ::stat(file.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  int error = write_all(fd.get(), text);
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
  auto tree = load(file_of(hive), hive);
  if (tree.has_error()) return tree.error();
  return read(tree.value());
}

OsError HiveFileRegistry::change_hive(Hive hive, const Changer& change) {
  const std::string& file = file_of(hive);
  auto lock = open_lock_file(file);
  if (lock.has_error()) return lock.error();
  while (::flock(lock->get(), LOCK_EX) != 0) {
    if (errno != EINTR) return kErrorRegistryIoFailed;
  }
  // Read under the lock: what another writer stored before is kept.
  auto tree = load(file, hive);
  if (tree.has_error()) return tree.error();
  bool changed = false;
  const OsError status = change(tree.value(), changed);
  if (status != kErrorSuccess || !changed) return status;
  remove_leftover_temporaries(file);
  return store(file, write_hive_file(tree.value(), hive));
  // The lock goes with its file descriptor.
}

OsError HiveFileRegistry::check_writable(Hive hive) {
  const std::string& file = file_of(hive);
  auto lock = open_lock_file(file);
  if (lock.has_error()) return lock.error();
  if (::access(folder_of(file).c_str(), W_OK) != 0) return write_status(errno);
  return kErrorSuccess;
}

}  // namespace posix

RegistryApi& system_registry() {
  static posix::HiveFileRegistry registry(posix::hive_file_locations_from_environment());
  return registry;
}

}  // namespace zub
