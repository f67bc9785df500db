#pragma once

// The type that a file's name gives it, as the shell reads it: its extensions, and the class
// under which it is handed over. Pure rules.

#include <string>
#include <string_view>
#include <vector>

namespace zub {

// The extensions the shell takes from a path's last name ("." included, for instance ".exe"):
// that of the whole name and, for a name with an alternate stream ("a.exe:s"), that of the part
// before the colon. Trailing dots and blanks are dropped first, as Windows ignores them.
std::vector<std::u16string> shell_extensions(std::u16string_view path);

// The file type under which the shell is to open the file: the extension of its last name
// (".pdf"), or "." for a name without one, the type Windows gives such files. Opened as its type,
// a file goes to that type's application and is never started itself.
std::u16string association_class(std::u16string_view path);

}  // namespace zub
