#pragma once

// Resolving paths: the final path of a file, whether it exists, the platform's full-path service
// and short names; and the two operations of the containment check built on them.

#include "common/result.h"
#include "platform/io_error.h"
#include "platform/path.h"

namespace zub {

class PathResolver {
 public:
  virtual ~PathResolver() = default;

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

PathResolver& system_path_resolver();

// Own error texts of the resolving operations (the two NUL texts differ in one letter on purpose:
// callers may match them).
inline constexpr std::string_view kCanonicalizeNulText =
    "strings passed to WinAPI cannot contain NULs";
inline constexpr std::string_view kNormalizeNulText =
    "strings passed to WinAPI cannot contains NULs";
inline constexpr std::string_view kPartialUncText = "partial UNC prefixes are invalid";

// The final, absolute path of an existing file or folder with all links resolved.
Result<Path, IoError> canonicalize_path(PathResolver& paths, const Path& path);

// An absolute form of an existing path without resolving links; a verbatim path is returned
// as it is.
Result<Path, IoError> normalize_path(PathResolver& paths, const Path& path);

}  // namespace zub
