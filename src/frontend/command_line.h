#pragma once

// Splitting a Windows command line (GetCommandLineW) into arguments, by the rules of the
// Microsoft C runtime.

#include <string>
#include <string_view>
#include <vector>

#include "platform/executable_path.h"

namespace zub {

// Element 0 is the program name. Each argument is returned as generalised UTF-8: an unpaired
// surrogate keeps its own three-byte form, so it is refused later instead of being replaced.
std::vector<std::string> split_command_line(std::u16string_view command_line);

// The process's argument list: its command line split as above. An empty command line still
// names the program, by the executable's own path; the list is empty only when that path
// cannot be had either.
std::vector<std::string> program_arguments(std::u16string_view command_line, ExecutablePath& exe);

}  // namespace zub
