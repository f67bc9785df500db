// Kept apart from the entry point, so that code which may stop on a broken invariant does not
// pull the whole launcher into every program that links it.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/exit_code.h"
#include "frontend/entry.h"
#include "platform/console.h"

namespace zub {

void fatal_error(std::string_view report) {
  std::string text = "zub_launcher: fatal internal error: ";
  text.append(report);
  text.push_back('\n');
  std::fflush(stdout);
  system_user_interface().write_stderr(text);
  std::exit(kFatalExitStatus);
}

}  // namespace zub
