#include "registry/hive_file/atomic_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/file_descriptor.h"
#include "platform/unique_handle.h"
#include "registry/hive_file/hive_locations.h"
#include "registry/hive_file/write_status.h"

namespace zub::posix {
namespace {

struct DirectoryTraits {
  using Handle = DIR*;
  static DIR* invalid() { return nullptr; }
  static bool valid(DIR* directory) { return directory != nullptr; }
  static int close(DIR* directory) { return ::closedir(directory); }
};
using UniqueDirectory = UniqueHandle<DirectoryTraits>;

// The name of a temporary file for `file`: "." + its name + "." + six characters.
std::string temporary_prefix(const std::string& file) {
  // Appended piece by piece: "." + std::string trips GCC 12's -Wrestrict at -O2.
  std::string prefix = ".";
  prefix += std::string_view(file).substr(file.rfind('/') + 1);
  prefix += '.';
  return prefix;
}

}  // namespace

void remove_leftover_temporaries(const std::string& file) {
  const std::string folder = folder_of(file);
  const std::string prefix = temporary_prefix(file);
  UniqueDirectory directory(::opendir(folder.c_str()));
  if (!directory.valid()) return;
  while (const dirent* entry = ::readdir(directory.get())) {
    const std::string_view name = entry->d_name;
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) {
      (void)::unlinkat(::dirfd(directory.get()), entry->d_name, 0);
    }
  }
}

OsError replace_atomically(const std::string& file, const ContentWriter& write) {
  const std::string folder = folder_of(file);
  std::string temporary = folder + "/" + temporary_prefix(file) + "XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.valid()) return write_status(errno);

  // The permission bits of the file it replaces, but never write for group or others, set-id
  // or executable bits: no mode that would let another user change the new file, or run it.
  struct stat existing {};
  const mode_t mode = ::stat(file.c_str(), &existing) == 0 ? (existing.st_mode & 0644) : 0644;
  int error = 0;
  write([&](std::string_view piece) {
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

}  // namespace zub::posix
