#include "platform/io_error.h"

#include <windows.h>

#include <iterator>
#include <string>

#include "common/utf8.h"

namespace zub {

// The codes of common/windows_status.h that MinGW's headers define as well must agree with them.
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(kErrorInvalidDrive == ERROR_INVALID_DRIVE);
static_assert(kErrorReadFault == ERROR_READ_FAULT);
static_assert(kErrorSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(kErrorLockViolation == ERROR_LOCK_VIOLATION);
static_assert(kErrorBadNetPath == ERROR_BAD_NETPATH);
static_assert(kErrorBadNetName == ERROR_BAD_NET_NAME);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorOpenFailed == ERROR_OPEN_FAILED);
static_assert(kErrorDiskFull == ERROR_DISK_FULL);
static_assert(kErrorBadPathname == ERROR_BAD_PATHNAME);
static_assert(kErrorMoreData == ERROR_MORE_DATA);
static_assert(kErrorRegistryCorrupt == ERROR_REGISTRY_CORRUPT);
static_assert(kErrorRegistryIoFailed == ERROR_REGISTRY_IO_FAILED);
static_assert(kErrorKeyDeleted == ERROR_KEY_DELETED);
static_assert(kErrorNoAssociation == ERROR_NO_ASSOCIATION);

bool is_missing_path_error(const IoError& error) {
  return error.kind == IoError::Kind::Os &&
         (error.code == kErrorFileNotFound || error.code == kErrorPathNotFound);
}

std::string system_error_message(OsError code) {
  wchar_t buffer[2048];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     code, 0, buffer, static_cast<DWORD>(std::size(buffer)),
                     nullptr);
  if (length == 0) return "unknown error";
  std::u16string_view text(reinterpret_cast<const char16_t*>(buffer), length);
  // System messages end in "\r\n" (some in ". \r\n").
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' ||
                           text.back() == u'\t')) {
    text.remove_suffix(1);
  }
  return utf16_to_utf8_lossy(text);
}

}  // namespace zub
