#pragma once

// Which files the shell would run instead of open, by name (the extensions of PATHEXT and the
// runnable types) and by content (the first bytes of programs), and the type under which a file
// is handed over. Pure rules, shared by both platforms' shells and their tests.

#include <string>
#include <string_view>
#include <vector>

namespace zub {

// PATHEXT as Windows sets it when the variable is missing; Linux uses it as it is.
inline constexpr std::u16string_view kDefaultPathExt =
    u".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";

// The extensions the shell takes from a path's last name ("." included, for instance ".exe"):
// that of the whole name and, for a name with an alternate stream ("a.exe:s"), that of the part
// before the colon. Trailing dots and blanks are dropped first, as Windows ignores them.
std::vector<std::u16string> shell_extensions(std::u16string_view path);

// True when one of the path's extensions is in `path_ext` (";"-separated) or among the runnable
// types; ASCII case is ignored.
bool has_runnable_extension(std::u16string_view path, std::u16string_view path_ext);

// The number of first bytes that is_program_content looks at.
inline constexpr std::size_t kProgramSignatureSize = 4;

// True when a file beginning with `first_bytes` is a program that the system starts by its
// content, whatever its name: a Windows program ("MZ"), an ELF file, and, when `script_may_run`,
// a script that names its interpreter ("#!"). Linux runs such a script only with its run bit;
// the Windows build cannot see that bit (Wine decides by it) and passes true.
bool is_program_content(std::string_view first_bytes, bool script_may_run);

// The file type under which the shell is to open the file: the extension of its last name
// (".pdf"), or "." for a name without one, the type Windows gives such files. Opened as its type,
// a file goes to that type's application and is never started itself.
std::u16string association_class(std::u16string_view path);

}  // namespace zub
