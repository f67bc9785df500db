// The Windows shell: the refusal of what the shell would run, and ShellExecuteExW "open" with
// the file's own type, or the type's default verb where it has no "open".

#include "platform/shell_open.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_judgement.h"
#include "platform/file_type.h"
#include "platform/program_content.h"
#include "platform/runnable_types.h"
#include "platform/shell_verb.h"
#include "platform/windows_path.h"
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

// The portable judgement speaks Windows' values; those the MinGW headers have must agree.
static_assert(kAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(kAttributeDevice == FILE_ATTRIBUTE_DEVICE);
static_assert(kAttributeOffline == FILE_ATTRIBUTE_OFFLINE);
static_assert(kShellErrorNoAssociation == SE_ERR_NOASSOC);

// The file's attributes, learnt without opening it. FILE_ATTRIBUTE_RECALL_ON_OPEN appears only
// in a folder's listing, and opening such a file fetches at least part of it (Microsoft, "File
// Attribute Constants"): the listing comes first. It serves only when it names the very file,
// by its long or its short name (no wildcard matched, no other letter case in a case-sensitive
// folder); otherwise, and for a drive's root, which no listing shows, GetFileAttributesExW
// answers.
void query_attributes(const Path& path, FileFacts& facts) {
  const auto name = last_name(path);
  if (!name.empty() && name.find_first_of(u"*?<>\"") == std::u16string_view::npos) {
    WIN32_FIND_DATAW found;
    const FindHandle listing(FindFirstFileExW(wide(path), FindExInfoStandard, &found,
                                              FindExSearchNameMatch, nullptr, 0));
    const auto names = [&name](const wchar_t* listed) {
      return name == std::u16string_view(reinterpret_cast<const char16_t*>(listed));
    };
    if (listing.valid() && (names(found.cFileName) || names(found.cAlternateFileName))) {
      facts.attributes = found.dwFileAttributes;
      return;
    }
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(wide(path), GetFileExInfoStandard, &data)) {
    facts.attributes = data.dwFileAttributes;
  } else {
    facts.open_error = GetLastError();
  }
}

// Reads `size` bytes at `offset`, or fewer at the end of the file; the error code on failure.
DWORD read_at(HANDLE file, std::uint64_t offset, char* bytes, DWORD size, DWORD& read) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  read = 0;
  if (ReadFile(file, bytes, size, &read, &position)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_HANDLE_EOF ? 0 : error;
}

// Opens the file with read access only and every kind of sharing, so that whoever has it open
// keeps it, and judges it: by the attributes of the handle first (the file may have changed
// since it was listed), then by its first bytes and, for a DOS header, the bytes its e_lfanew
// names. Never more than those two small reads.
FileVerdict judge_content(const Path& path, FileFacts facts) {
  const FileHandle file(CreateFileW(wide(path), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    facts.open_error = GetLastError();
    return judge_file(facts);
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.get(), &information)) {
    facts.open_error = GetLastError();
    return judge_file(facts);
  }
  facts.attributes = information.dwFileAttributes;
  if (const auto verdict = judge_file(facts); verdict != FileVerdict::ReadContent) return verdict;

  char first[kDosHeaderSize];
  char header[kProgramHeaderSize];
  DWORD first_read = 0;
  DWORD header_read = 0;
  facts.read_error = read_at(file.get(), 0, first, sizeof first, first_read);
  if (facts.read_error == 0) {
    facts.first_bytes = std::string_view(first, first_read);
    const std::uint64_t size =
        (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    if (const auto offset = program_header_offset(facts.first_bytes, size)) {
      facts.read_error = read_at(file.get(), *offset, header, sizeof header, header_read);
    }
    facts.header_bytes = std::string_view(header, header_read);
    facts.content_read = facts.read_error == 0;
  }
  return judge_file(facts);
}

class Win32Shell final : public Shell {
 public:
  bool is_executable_content(const Path& path) override {
    initialize_com();
    FileFacts facts;
    // AssocIsDangerous takes a type (".exe"), not a path. It answers FALSE for everything under
    // Wine; our own list backs it up.
    for (const auto& extension : shell_extensions(path)) {
      if (AssocIsDangerous(reinterpret_cast<const wchar_t*>(extension.c_str()))) {
        facts.runnable_name = true;
      }
    }
    facts.runnable_name = facts.runnable_name || has_runnable_extension(path, path_ext());
    // open() hands the file over as its type, and the shell then runs no script: "#!" is text
    // here, whatever Wine would make of its run bit.
    facts.script_may_run = false;
    query_attributes(path, facts);
    FileVerdict verdict = judge_file(facts);
    if (verdict == FileVerdict::ReadContent) verdict = judge_content(path, facts);
    return verdict != FileVerdict::Open;
  }

  Result<void, IoError> open(const Path& path, const Path& named) override {
    initialize_com();
    // The file goes over as its own type (its extension, "Folder" for a folder), so the shell
    // starts the application of that type. Without the type Wine's ShellExecuteW starts a file
    // whose content is a program whatever its name, and expands %NAME% pairs in the path into
    // another file's name; with it, neither (seen with Wine 8).
    const DWORD attributes = GetFileAttributesW(wide(path));
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES &&
                        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::u16string type = folder ? std::u16string(u"Folder") : association_class(named);
    // "open" first; a type without that verb is asked once more for its default verb (NULL),
    // which is what Explorer uses. The first request started nothing then.
    auto opened = execute(path, type, L"open");
    if (opened.has_error() && opened.error().lacks_verb) opened = execute(path, type, nullptr);
    if (opened.has_error()) return fail(IoError::from_os(opened.error().last_error));
    return ok<IoError>();
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

  // A failed request: the last error right after it, and whether it says that the type lacks
  // the verb.
  struct Refusal {
    DWORD last_error;
    bool lacks_verb;
  };

  static Result<void, Refusal> execute(const Path& path, const std::u16string& type,
                                       const wchar_t* verb) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No error dialog (ShellExecuteW asks the same), and the hand-over finished before the call
    // returns, since the process ends right after it.
    info.fMask = SEE_MASK_CLASSNAME | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = verb;
    info.lpFile = wide(path);
    info.lpClass = reinterpret_cast<const wchar_t*>(type.c_str());
    info.nShow = SW_SHOW;
    // Wine leaves the last error as it was when it finds no command for the class and verb.
    SetLastError(ERROR_SUCCESS);
    const BOOL launched = ShellExecuteExW(&info);
    const DWORD error = GetLastError();
    if (launched) return ok<Refusal>();
    const auto code = reinterpret_cast<std::uintptr_t>(info.hInstApp);
    return fail(Refusal{error, lacks_verb(code, error)});
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
