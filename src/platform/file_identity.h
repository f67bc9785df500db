#pragma once

// File-system queries behind the containment check: the final path of a file and the
// platform's full-path service.

#include <string>

#include "common/result.h"
#include "platform/io_error.h"

namespace zub {

// A path as the platform holds it: UTF-16 units, which need not be valid UTF-16. Paths that
// come from the platform go back to it unchanged. Shown in messages via path_display().
using Path = std::u16string;

// The path as text for messages: each unpaired surrogate becomes U+FFFD.
std::string path_display(const Path& path);

class FileIdentity {
 public:
  virtual ~FileIdentity() = default;

  // The final, absolute path of an existing file or folder with all links resolved
  // (GetFinalPathNameByHandleW; realpath on Linux). `path` holds no NUL.
  virtual Result<Path, IoError> final_path(const Path& path) = 0;
  // Succeeds when the path exists, following links (the metadata query).
  virtual Result<void, IoError> query_metadata(const Path& path) = 0;
  // The platform's absolute form of the path, links not resolved (GetFullPathNameW).
  // `path` holds no NUL.
  virtual Result<Path, IoError> full_path(const Path& path) = 0;
  // The short (8.3) form of an existing path, in the form the path was given (verbatim stays
  // verbatim); a name without a short form stays as it is (GetShortPathNameW). Linux has no
  // short names: always an error there. `path` holds no NUL.
  virtual Result<Path, IoError> short_path(const Path& path) = 0;
};

FileIdentity& system_file_identity();

}  // namespace zub
