#pragma once

// The program entry: console decision, start of logging, run(), end of the process.

#include <string>
#include <string_view>
#include <vector>

namespace zub {

// Runs the launcher on the platform's services and ends the process with the run's exit code
// (standard output flushed first). A failed start of logging ends it with status 101 and a
// report on standard error, before any argument is looked at.
[[noreturn]] void launcher_main(const std::vector<std::string>& args);

// Ends the process at once with a fatal internal-error report on standard error and exit
// status 101.
[[noreturn]] void fatal_error(std::string_view report);

}  // namespace zub
