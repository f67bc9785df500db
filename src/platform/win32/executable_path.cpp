// The running executable's path on Windows: GetModuleFileNameW of the process's own module.

#include <windows.h>

#include <string>

#include "platform/executable_path.h"

namespace zub::win32 {
namespace {

// The longest path Windows hands out (with the \\?\ form), plus its terminator.
constexpr DWORD kLongestPath = 32768;

class ModuleExecutablePath final : public ExecutablePath {
 public:
  Result<Path, OsError> current() override {
    // A path that fills the buffer has been cut (and, before Vista, is not even terminated):
    // the buffer grows until the whole path and its terminator fit.
    DWORD capacity = MAX_PATH;
    for (;;) {
      std::u16string buffer(capacity, u'\0');
      const DWORD length =
          GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(buffer.data()), capacity);
      if (length == 0) return fail(OsError{GetLastError()});
      if (length < capacity) {
        buffer.resize(length);
        return buffer;
      }
      if (capacity >= kLongestPath) return fail(OsError{ERROR_INSUFFICIENT_BUFFER});
      capacity *= 2;
    }
  }
};

}  // namespace
}  // namespace zub::win32

namespace zub {

ExecutablePath& system_executable_path() {
  static win32::ModuleExecutablePath path;
  return path;
}

}  // namespace zub
