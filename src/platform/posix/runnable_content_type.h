#pragma once

// Which content types of the shared MIME database the desktop would run, install or hand to an
// interpreter rather than show: programs, scripts, libraries, packages, desktop entries and the
// disk images it mounts, and every type that shared-mime-info derives from one of them, except
// data formats.

#include <functional>
#include <optional>
#include <string_view>

namespace zub::posix {

// GIO's g_content_type_is_a: whether `type` is `ancestor`, an alias of it, or derived from it.
using ContentTypeIsA = std::function<bool(const char* type, const char* ancestor)>;

// "program", "script", "library", "package", "desktop entry" or "disk image" for a runnable
// type; nothing for a type that holds data.
std::optional<std::string_view> runnable_category(const char* content_type,
                                                  const ContentTypeIsA& is_a);

}  // namespace zub::posix
