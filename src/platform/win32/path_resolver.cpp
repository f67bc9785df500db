// The Windows file identity: the final path of an open handle, the metadata query with its
// fallbacks, GetFullPathNameW and GetShortPathNameW.

#include "platform/path_resolver.h"

#include <windows.h>

#include <utility>

#include "platform/path_buffer.h"
#include "platform/windows_path.h"
#include "platform/win32/file_handle.h"

namespace zub::win32 {
namespace {

const wchar_t* wide(const Path& path) { return reinterpret_cast<const wchar_t*>(path.c_str()); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// No access rights are asked for; backup semantics let folders open as well.
FileHandle open_existing(const Path& path, DWORD extra_flags) {
  return FileHandle(CreateFileW(wide(path), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | extra_flags, nullptr));
}

OsError last_error() { return GetLastError(); }

// Junctions, symbolic links and the like: reparse points that stand for another name.
bool is_name_surrogate(DWORD attributes, DWORD reparse_tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparse_tag);
}

IoError nul_error() {
  return IoError::own(IoError::Kind::InvalidInput, std::string(kCanonicalizeNulText));
}

class Win32PathResolver final : public PathResolver {
 public:
  Result<Path, IoError> final_path(const Path& path) override {
    auto target = platform_form(path);
    if (target.has_error()) return fail(std::move(target).error());
    const FileHandle file = open_existing(target.value(), 0);
    if (!file.valid()) {
      const OsError error = last_error();
      return fail(IoError::from_os(error));
    }
    return fill_path_buffer([&file](std::uint32_t capacity, char16_t* buffer) {
      const DWORD length = GetFinalPathNameByHandleW(
          file.get(), reinterpret_cast<wchar_t*>(buffer), capacity, 0);
      return BufferFill{length, length == 0 ? last_error() : 0};
    });
  }

  Result<void, IoError> query_metadata(const Path& path) override {
    auto target_result = platform_form(path);
    if (target_result.has_error()) return fail(std::move(target_result).error());
    const Path& target = target_result.value();
    {
      const FileHandle file = open_existing(target, 0);
      if (file.valid()) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(file.get(), &info)) {
          const OsError error = last_error();
          return fail(IoError::from_os(error));
        }
        return ok<IoError>();
      }
    }
    const OsError first_error = last_error();
    bool found = false;
    if (first_error == ERROR_ACCESS_DENIED || first_error == ERROR_SHARING_VIOLATION) {
      // The file cannot be opened, but its directory entry can still be read.
      WIN32_FIND_DATAW entry;
      const FindHandle find(FindFirstFileW(wide(target), &entry));
      found = find.valid() && !is_name_surrogate(entry.dwFileAttributes, entry.dwReserved0);
    } else if (first_error == ERROR_CANT_ACCESS_FILE) {
      // A reparse point the system cannot follow: look at the point itself.
      const FileHandle file = open_existing(target, FILE_FLAG_OPEN_REPARSE_POINT);
      FILE_ATTRIBUTE_TAG_INFO tag;
      BY_HANDLE_FILE_INFORMATION info;
      found = file.valid() &&
              GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
              !is_name_surrogate(tag.FileAttributes, tag.ReparseTag) &&
              GetFileInformationByHandle(file.get(), &info);
    }
    if (found) return ok<IoError>();
    return fail(IoError::from_os(first_error));
  }

  Result<Path, IoError> full_path(const Path& path) override {
    if (contains_nul(path)) return fail(nul_error());
    return fill_path_buffer([&path](std::uint32_t capacity, char16_t* buffer) {
      const DWORD length =
          GetFullPathNameW(wide(path), capacity, reinterpret_cast<wchar_t*>(buffer), nullptr);
      return BufferFill{length, length == 0 ? last_error() : 0};
    });
  }

  Result<Path, IoError> short_path(const Path& path) override {
    if (contains_nul(path)) return fail(nul_error());
    return fill_path_buffer([&path](std::uint32_t capacity, char16_t* buffer) {
      const DWORD length =
          GetShortPathNameW(wide(path), reinterpret_cast<wchar_t*>(buffer), capacity);
      return BufferFill{length, length == 0 ? last_error() : 0};
    });
  }

 private:
  // The path as it is handed to CreateFileW: long and relative paths absolute and verbatim,
  // the others as they are.
  Result<Path, IoError> platform_form(const Path& path) {
    if (contains_nul(path)) return fail(nul_error());
    if (!needs_verbatim_form(path)) return path;
    auto full = full_path(path);
    if (full.has_error()) return fail(std::move(full).error());
    return to_verbatim_form(full.value());
  }
};

}  // namespace
}  // namespace zub::win32

namespace zub {

PathResolver& system_path_resolver() {
  static win32::Win32PathResolver files;
  return files;
}

}  // namespace zub
