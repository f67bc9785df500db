// The Windows shell: the refusal of what the shell would run, and ShellExecuteExW "open" with
// the file's own type.

#include "platform/shell_open.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "platform/runnable_extension.h"
#include "platform/win32/file_handle.h"

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

// What the refusal learns from a file's first bytes.
enum class Content { Folder, Program, Document, Locked, Unreadable };

// Reads the first bytes with read access only and every kind of sharing, so that whoever has
// the file open keeps it. A file that another program holds open without sharing, or has locked,
// is Locked; any other failure is Unreadable.
Content read_content(const Path& path) {
  const FileHandle file(CreateFileW(wide(path), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Content::Locked
                                                                             : Content::Unreadable;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.get(), &information)) return Content::Unreadable;
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Content::Folder;
  char bytes[kProgramSignatureSize];
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr)) {
    return GetLastError() == ERROR_LOCK_VIOLATION ? Content::Locked : Content::Unreadable;
  }
  // The run bit of a script is not visible here (Wine decides by it): "#!" counts as a program.
  return is_program_content(std::string_view(bytes, read), true) ? Content::Program
                                                                  : Content::Document;
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
    if (has_runnable_extension(path, path_ext())) return true;
    switch (read_content(path)) {
      case Content::Program:
      case Content::Unreadable:  // nor could an application read it
        return true;
      case Content::Folder:
      case Content::Document:
      // A document that another program holds open must still open. Its content is unknown,
      // but open() hands it to the application of its type, which does not start it.
      case Content::Locked:
        return false;
    }
    return true;
  }

  Result<void, IoError> open(const Path& path) override {
    initialize_com();
    // The file goes over as its own type (its extension, "Folder" for a folder), so the shell
    // starts the application of that type. Without the type Wine's ShellExecuteW starts a file
    // whose content is a program whatever its name, and expands %NAME% pairs in the path into
    // another file's name; with it, neither (seen with Wine 8).
    const DWORD attributes = GetFileAttributesW(wide(path));
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES &&
                        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::u16string type = folder ? std::u16string(u"Folder") : association_class(path);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No error dialog (ShellExecuteW asks the same), and the hand-over finished before the call
    // returns, since the process ends right after it.
    info.fMask = SEE_MASK_CLASSNAME | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = wide(path);
    info.lpClass = reinterpret_cast<const wchar_t*>(type.c_str());
    info.nShow = SW_SHOW;
    const BOOL launched = ShellExecuteExW(&info);
    const DWORD error = GetLastError();
    if (launched) return ok<IoError>();
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
