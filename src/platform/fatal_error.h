#pragma once

// The end of a run on a broken invariant, for every layer.

#include <string_view>

namespace zub {

// Ends the process at once with a fatal internal-error report on standard error and exit
// status 101.
[[noreturn]] void fatal_error(std::string_view report);

}  // namespace zub
