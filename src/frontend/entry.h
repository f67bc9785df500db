#pragma once

// The program entry: console decision, start of logging, run(), end of the process.

#include <span>
#include <string_view>

namespace zub {

// Runs the launcher on the platform's services and ends the process with the run's exit code
// (standard output flushed first). `args` (element 0 is the program name) must outlive the
// call; the entry point passes views of the command line as the OS delivered it. A failed start
// of logging ends it with status 101 and a report on standard error, before any argument is
// looked at.
[[noreturn]] void launcher_main(std::span<const std::string_view> args);

}  // namespace zub
