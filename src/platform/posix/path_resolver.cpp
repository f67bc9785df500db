// The Linux file identity: realpath for the final path, stat for the metadata query, a lexical
// absolute path for the full-path service, and no short names. Paths cross to Linux in their
// native form ("\" as "/", escaped bytes restored).

#include "platform/path_resolver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/windows_path.h"
#include "platform/posix/native_path.h"

namespace zub::posix {
namespace {

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};
using MallocText = std::unique_ptr<char, FreeDeleter>;

IoError nul_error() {
  return IoError::own(IoError::Kind::InvalidInput, std::string(kCanonicalizeNulText));
}

Result<std::string, IoError> current_directory() {
  std::vector<char> buffer(PATH_MAX);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    const int error = errno;
    if (error != ERANGE) return fail(IoError::from_os(static_cast<OsError>(error)));
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

// "/a/./b//../c" -> "/a/c", without asking the file system; ".." at the root stays there.
std::string lexically_absolute(std::string_view absolute) {
  std::vector<std::string_view> names;
  std::size_t pos = 0;
  while (pos <= absolute.size()) {
    const std::size_t end = std::min(absolute.find('/', pos), absolute.size());
    const auto name = absolute.substr(pos, end - pos);
    pos = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  std::string out;
  for (const auto name : names) {
    out += '/';
    out += name;
  }
  return out.empty() ? std::string("/") : out;
}

class PosixPathResolver final : public PathResolver {
 public:
  Result<Path, IoError> final_path(const Path& path) override {
    if (contains_nul(path)) return fail(nul_error());
    const std::string native = to_native(path);
    MallocText resolved(::realpath(native.c_str(), nullptr));
    if (!resolved) {
      const int error = errno;
      return fail(IoError::from_os(static_cast<OsError>(error)));
    }
    return from_native(resolved.get());
  }

  Result<void, IoError> query_metadata(const Path& path) override {
    if (contains_nul(path)) return fail(nul_error());
    const std::string native = to_native(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) {
      const int error = errno;
      return fail(IoError::from_os(static_cast<OsError>(error)));
    }
    return ok<IoError>();
  }

  Result<Path, IoError> full_path(const Path& path) override {
    if (contains_nul(path)) return fail(nul_error());
    std::string native = to_native(path);
    if (native.empty()) return fail(IoError::from_os(ENOENT));
    if (native.front() != '/') {
      auto cwd = current_directory();
      if (cwd.has_error()) return fail(std::move(cwd).error());
      native = std::move(cwd).value() + "/" + native;
    }
    return from_native(lexically_absolute(native));
  }

  Result<Path, IoError> short_path(const Path&) override {
    return fail(IoError::own(IoError::Kind::Other, "no short names on this system"));
  }
};

}  // namespace
}  // namespace zub::posix

namespace zub {

PathResolver& system_path_resolver() {
  static posix::PosixPathResolver files;
  return files;
}

}  // namespace zub
