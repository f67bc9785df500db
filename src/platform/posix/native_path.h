#pragma once

// Paths between the launcher's UTF-16 form and the byte strings of Linux.
//
// "\" is a separator in the launcher's paths and is handed to Linux as "/". Bytes that have no
// place in that model come back from Linux as lone low surrogates, so that every byte string
// survives the round trip and a name is never mistaken for another:
//   - a byte that is not part of valid UTF-8 becomes U+DC00 + byte (U+DC80..U+DCFF);
//   - a "\" inside a Linux name becomes U+DC5C, so that it is not taken for a separator.

#include <string>
#include <string_view>

#include "platform/path.h"

namespace zub::posix {

std::string to_native(const Path& path);
Path from_native(std::string_view bytes);

}  // namespace zub::posix
