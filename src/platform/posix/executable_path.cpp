// The running executable's path on Linux: the target of /proc/self/exe.

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/executable_path.h"
#include "platform/posix/native_path.h"

namespace zub::posix {
namespace {

// Far beyond PATH_MAX; only a bound for the loop.
constexpr std::size_t kLongestPath = std::size_t{1} << 20;

class ProcSelfExecutablePath final : public ExecutablePath {
 public:
  Result<Path, OsError> current() override {
    // readlink neither terminates nor tells the full length: a result that fills the buffer
    // may have been cut, so the buffer grows until the link fits with room to spare.
    std::string buffer(256, '\0');
    for (;;) {
      const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (length < 0) return fail(static_cast<OsError>(errno));
      const auto used = static_cast<std::size_t>(length);
      if (used < buffer.size()) {
        buffer.resize(used);
        return from_native(buffer);
      }
      if (buffer.size() >= kLongestPath) return fail(OsError{ENAMETOOLONG});
      buffer.resize(buffer.size() * 2);
    }
  }
};

}  // namespace
}  // namespace zub::posix

namespace zub {

ExecutablePath& system_executable_path() {
  static posix::ProcSelfExecutablePath path;
  return path;
}

}  // namespace zub
