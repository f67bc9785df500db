// The Windows shell: ShellExecuteW "open", and the refusal of what the shell would run.

#include "platform/shell_open.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "platform/runnable_extension.h"

namespace zub::win32 {
namespace {

const wchar_t* wide(const Path& path) { return reinterpret_cast<const wchar_t*>(path.c_str()); }

// PATHEXT of this process, or Windows' default list when it is not set.
std::u16string path_ext() {
  std::u16string value(256, u'\0');
  while (true) {
    const DWORD length = GetEnvironmentVariableW(
        L"PATHEXT", reinterpret_cast<wchar_t*>(value.data()), static_cast<DWORD>(value.size()));
    if (length == 0) {
      return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::u16string(kDefaultPathExt)
                                                      : std::u16string();
    }
    // When the buffer is too small the length includes the terminating NUL.
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

class Win32Shell final : public Shell {
 public:
  bool is_executable_content(const Path& path) override {
    initialize_com();
    // AssocIsDangerous takes a type (".exe"), not a path. It answers FALSE for everything under
    // Wine; our own list backs it up.
    for (const auto& extension : shell_extensions(path)) {
      if (AssocIsDangerous(reinterpret_cast<const wchar_t*>(extension.c_str()))) return true;
    }
    return has_runnable_extension(path, path_ext());
  }

  Result<void, IoError> open(const Path& path) override {
    initialize_com();
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", wide(path), nullptr, nullptr, SW_SHOW);
    const DWORD error = GetLastError();
    // Success is a value above 32 in the low 32 bits, read as a signed number.
    const auto value = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(result) & 0xFFFFFFFFu));
    if (value > 32) return ok<IoError>();
    return fail(IoError::from_os(static_cast<std::int32_t>(error)));
  }

 private:
  // The shell may hand the file to extensions that need COM on this thread; initialise it once,
  // before the first shell call. The result does not matter: a thread that already has COM
  // (S_FALSE, or another apartment) can call the shell as well.
  void initialize_com() {
    if (com_initialized_) return;
    com_initialized_ = true;
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  }

  bool com_initialized_ = false;
};

}  // namespace
}  // namespace zub::win32

namespace zub {

Shell& system_shell() {
  static win32::Win32Shell shell;
  return shell;
}

}  // namespace zub
