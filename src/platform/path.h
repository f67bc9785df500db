#pragma once

// A path as the platform holds it.

#include <string>

#include "common/utf8.h"

namespace zub {

// UTF-16 units, which need not be valid UTF-16. Paths that come from the platform go back to it
// unchanged. Shown in messages via path_display().
using Path = std::u16string;

// The path as text for messages: each unpaired surrogate becomes U+FFFD.
inline std::string path_display(const Path& path) { return utf16_to_utf8_lossy(path); }

}  // namespace zub
