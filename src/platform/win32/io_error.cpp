#include "platform/io_error.h"

#include <windows.h>

#include <iterator>
#include <string>

#include "common/utf8.h"

namespace zub {

bool is_missing_path_error(const IoError& error) {
  return error.kind == IoError::Kind::Os &&
         (error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND);
}

std::string system_error_message(std::int32_t code) {
  wchar_t buffer[2048];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), 0, buffer, static_cast<DWORD>(std::size(buffer)),
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
