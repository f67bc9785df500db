#pragma once

// A path as the platform holds it.

#include <string>

#include "common/utf8.h"

namespace zub {

// UTF-16 units, which need not be valid UTF-16. Paths that come from the platform go back to it
// unchanged. Shown in messages via path_display().
using Path = std::u16string;

// The path as text for messages. On Windows each unpaired surrogate becomes U+FFFD. On Linux a
// byte of a name that is no UTF-8 is written "\x9b", as escape_controls() writes the bytes of a
// link, and a "\" inside a name as itself (native_path.h); any other unpaired surrogate becomes
// U+FFFD there as well.
std::string path_display(const Path& path);

}  // namespace zub
