#pragma once

// Which file names the Windows shell would run instead of open: the extensions of PATHEXT and
// the shell's own runnable types. Pure text rules, shared by the Windows shell and its tests.

#include <string>
#include <string_view>
#include <vector>

namespace zub {

// PATHEXT as Windows sets it when the variable is missing.
inline constexpr std::u16string_view kDefaultPathExt =
    u".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";

// The extensions the shell takes from a path's last name ("." included, for instance ".exe"):
// that of the whole name and, for a name with an alternate stream ("a.exe:s"), that of the part
// before the colon. Trailing dots and blanks are dropped first, as Windows ignores them.
std::vector<std::u16string> shell_extensions(std::u16string_view path);

// True when one of the path's extensions is in `path_ext` (";"-separated) or among the shell's
// runnable types; ASCII case is ignored.
bool has_runnable_extension(std::u16string_view path, std::u16string_view path_ext);

}  // namespace zub
