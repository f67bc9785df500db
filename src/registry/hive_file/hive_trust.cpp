#include "registry/hive_file/hive_trust.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "common/quoted.h"
#include "registry/hive_file/hive_locations.h"
#include "registry/hive_file/write_status.h"

namespace zub::posix {
namespace {

// Symbolic links followed from a hive path to its file, as many as the kernel follows.
constexpr int kMaxLinkHops = 40;

std::string joined(const std::string& folder, std::string_view name) {
  std::string path = folder == "/" ? std::string() : folder;
  path += '/';
  path += name;
  return path;
}

// The names of a path, the first one last, for taking them one by one from the back.
void push_names(std::vector<std::string>& names, std::string_view path) {
  std::vector<std::string> in_order;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    in_order.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  names.insert(names.end(), in_order.rbegin(), in_order.rend());
}

// What a link on the way leads to, if it may be followed.
Result<std::string, HiveRefusal> link_target(const std::string& link, const struct stat& info,
                                             int& hops) {
  if (++hops > kMaxLinkHops) return fail(kErrorRegistryCorrupt);
  if (!trusted(info, HivePart::Link, ::geteuid())) return fail(HiveRefusal(link, info));
  char target[PATH_MAX];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) {
    return fail(kErrorRegistryCorrupt);
  }
  return std::string(target, static_cast<std::size_t>(length));
}

// Where a read or a write cannot look at a name on the way.
OsError refused_lookup(int error, MissingFolders missing) {
  if (missing == MissingFolders::Make) return write_status(error);
  return error == EACCES || error == EPERM ? kErrorAccessDenied : kErrorRegistryIoFailed;
}

// The status of `path`, a folder made there first where it is missing and `missing` asks so;
// 0 or the errno.
int look_up(const std::string& path, MissingFolders missing, struct stat& info) {
  if (::lstat(path.c_str(), &info) == 0) return 0;
  if (errno != ENOENT || missing != MissingFolders::Make) return errno;
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return errno;
  return ::lstat(path.c_str(), &info) == 0 ? 0 : errno;
}

// The folder `path` (absolute) past its links, each folder on the way checked as a folder
// above the hive's; nothing where a folder is missing and `missing` does not make it.
Result<std::optional<std::string>, HiveRefusal> real_folder(std::string_view path,
                                                            MissingFolders missing, int& hops) {
  std::string folder = "/";
  struct stat info {};
  if (::lstat("/", &info) != 0) return fail(refused_lookup(errno, missing));
  if (!trusted(info, HivePart::FolderAbove, ::geteuid())) return fail(HiveRefusal(folder, info));
  std::vector<std::string> names;
  push_names(names, path);
  while (!names.empty()) {
    const std::string name = std::move(names.back());
    names.pop_back();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      folder = folder_of(folder);
      continue;
    }
    const std::string next = joined(folder, name);
    int error = look_up(next, missing, info);
    if (error == 0 && !S_ISLNK(info.st_mode) && !S_ISDIR(info.st_mode)) error = ENOTDIR;
    if (error != 0) {
      if (missing == MissingFolders::CountAsMissing && (error == ENOENT || error == ENOTDIR)) {
        return std::optional<std::string>();
      }
      return fail(refused_lookup(error, missing));
    }
    if (S_ISLNK(info.st_mode)) {
      auto target = link_target(next, info, hops);
      if (target.has_error()) return fail(std::move(target).error());
      if (target->starts_with('/')) folder.resize(1);  // back to "/", where every path starts
      push_names(names, target.value());
      continue;
    }
    if (!trusted(info, HivePart::FolderAbove, ::geteuid())) return fail(HiveRefusal(next, info));
    folder = next;
  }
  return std::optional<std::string>(folder);
}

Result<void, HiveRefusal> check_holding_folder(const std::string& folder,
                                               MissingFolders missing) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return fail(refused_lookup(errno, missing));
  if (!trusted(info, HivePart::Folder, ::geteuid())) return fail(HiveRefusal(folder, info));
  return ok<HiveRefusal>();
}

// The hive file as found, judged before anything is locked or made beside it (a lock file beside
// a device); it is judged again by what is opened.
Result<std::string, HiveRefusal> judged(const std::string& file, const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return fail(kErrorRegistryCorrupt);
  if (!trusted(info, HivePart::File, ::geteuid())) return fail(HiveRefusal(file, info));
  return file;
}

std::string kind_of(const Distrusted& distrusted) {
  if (S_ISDIR(distrusted.mode)) return "folder";
  if (S_ISLNK(distrusted.mode)) return "symbolic link";
  if (S_ISFIFO(distrusted.mode)) return "FIFO";
  if (!S_ISREG(distrusted.mode)) return "special file";
  if (distrusted.links > 1) return "file with " + std::to_string(distrusted.links) + " names";
  return "file";
}

}  // namespace

bool trusted(const struct stat& info, HivePart part, uid_t user) {
  const bool owned = info.st_uid == user || info.st_uid == 0;
  const bool open_to_others = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  switch (part) {
    case HivePart::File:
      return owned && !open_to_others;
    case HivePart::LockFile:
      // Where this user owns it, its mode is tightened before it is used.
      return owned && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
             (info.st_uid == user || !open_to_others);
    case HivePart::Folder:
      return owned && S_ISDIR(info.st_mode) && !open_to_others;
    case HivePart::FolderAbove:
      return owned && S_ISDIR(info.st_mode) &&
             ((info.st_mode & S_IWOTH) == 0 || (info.st_mode & S_ISVTX) != 0);
    case HivePart::Link:
      return owned;
  }
  return false;
}

HiveRefusal::HiveRefusal(std::string path, const struct stat& info)
    : status(kErrorAccessDenied),
      distrusted(Distrusted{std::move(path), info.st_uid, info.st_mode, info.st_nlink}) {}

std::string describe(const Distrusted& distrusted, std::string_view owner_name) {
  std::string owner = "uid " + std::to_string(distrusted.owner);
  if (!owner_name.empty()) owner = escape_controls(owner_name) + " (" + owner + ")";
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(distrusted.mode & 07777));
  return kind_of(distrusted) + " " + escape_controls(distrusted.path) + " belongs to " + owner +
         ", mode " + mode + ": only what no one but this user and root can change is used";
}

Result<std::string, HiveRefusal> hive_target(const std::string& path, MissingFolders missing) {
  const bool writing = missing == MissingFolders::Make;
  int hops = 0;
  std::string folder_path = folder_of(path);
  std::string name = path.substr(path.rfind('/') + 1);
  while (true) {
    auto folder = real_folder(folder_path, missing, hops);
    if (folder.has_error()) return fail(std::move(folder).error());
    if (!folder->has_value()) {
      if (writing) return fail(kErrorAccessDenied);
      return folder_path + "/" + name;  // names no file
    }
    const std::string& real = **folder;
    if (auto held = check_holding_folder(real, missing); held.has_error()) {
      return fail(std::move(held).error());
    }
    const std::string file = joined(real, name);
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0) return file;
    if (!S_ISLNK(info.st_mode)) return judged(file, info);
    auto target = link_target(file, info, hops);
    if (target.has_error()) return fail(std::move(target).error());
    const std::string& leads_to = target.value();
    const std::size_t slash = leads_to.rfind('/');
    name = slash == std::string::npos ? leads_to : leads_to.substr(slash + 1);
    const std::string within = slash == std::string::npos ? "" : leads_to.substr(0, slash + 1);
    folder_path = within.starts_with('/') ? within : real + "/" + within;
    // The folders a link at the file's name leads to must exist.
    missing = MissingFolders::CountAsMissing;
  }
}

}  // namespace zub::posix
