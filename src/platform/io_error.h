#pragma once

// The error of the file and shell operations: a platform error code, or a text of our own.

#include <cstdint>
#include <string>

#include "common/windows_status.h"

namespace zub {

struct IoError {
  enum class Kind {
    Os,            // carries `code`
    InvalidInput,  // carries `own_text`
    NotFound,
    Other,
  };

  Kind kind = Kind::Os;
  OsError code = 0;
  std::string own_text;

  static IoError from_os(OsError code) { return {Kind::Os, code, {}}; }
  static IoError own(Kind kind, std::string text) { return {kind, 0, std::move(text)}; }

  // For a code: the system's message for it, then " (os error N)". Otherwise the own text.
  std::string text() const;
};

// True when the error says that the path does not exist: a name, or a folder on the way, is
// missing (ERROR_FILE_NOT_FOUND and ERROR_PATH_NOT_FOUND on Windows; ENOENT, and ENOTDIR for a
// file where the path needs a folder, on Linux). Access, sharing and name errors are not.
bool is_missing_path_error(const IoError& error);

// The system's message for an error code of this platform (FormatMessageW on Windows,
// strerror elsewhere), trailing line breaks and blanks removed.
std::string system_error_message(OsError code);

}  // namespace zub
