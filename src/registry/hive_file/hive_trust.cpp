#include "registry/hive_file/hive_trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include "registry/hive_file/hive_locations.h"

namespace zub::posix {
namespace {

// Symbolic links followed from a hive path to its file, as many as the kernel follows.
constexpr int kMaxLinkHops = 40;

// A symbolic link whose target this process may rely on: its own or root's. A link of anyone
// else, even of the folder's owner, would let that user choose where this process writes (and
// what file it creates there), so it is not followed.
bool trusted_link(const struct stat& info) {
  return info.st_uid == ::geteuid() || info.st_uid == 0;
}

}  // namespace

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

}  // namespace zub::posix
