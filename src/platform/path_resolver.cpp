#include "platform/path_resolver.h"

#include <algorithm>

#include "platform/windows_path.h"

namespace zub {

Result<Path, IoError> canonicalize_path(PathResolver& paths, const Path& path) {
  if (contains_nul(path)) {
    return fail(IoError::own(IoError::Kind::InvalidInput, std::string(kCanonicalizeNulText)));
  }
  return paths.final_path(path);
}

Result<Path, IoError> normalize_path(PathResolver& paths, const Path& path) {
  if (auto exists = paths.query_metadata(path); exists.has_error()) {
    return fail(std::move(exists).error());
  }
  Path working = path;
  std::replace(working.begin(), working.end(), u'/', u'\\');
  if (contains_nul(working)) {
    return fail(IoError::own(IoError::Kind::InvalidInput, std::string(kNormalizeNulText)));
  }
  const auto prefix = parse_prefix(working);
  if (prefix && is_verbatim_kind(prefix->kind)) {
    Path result = path;
    const auto marker_end = static_cast<std::ptrdiff_t>(std::min<std::size_t>(4, result.size()));
    std::replace(result.begin(), result.begin() + marker_end, u'/', u'\\');
    return result;
  }
  if (!prefix && working.size() >= 2 && working[0] == u'\\' && working[1] == u'\\') {
    return fail(IoError::own(IoError::Kind::NotFound, std::string(kPartialUncText)));
  }
  return paths.full_path(working);
}

}  // namespace zub
