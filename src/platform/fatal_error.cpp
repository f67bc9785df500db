// Kept apart from the entry point, so that code which may stop on a broken invariant does not
// pull the whole launcher into every program that links it.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "common/exit_code.h"
#include "platform/fatal_error.h"
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

// The handler std::terminate calls by default. libstdc++'s own prints the demangled type of the
// uncaught exception, and its demangler is a sixth of the statically linked Windows executable.
// Nothing here throws on purpose (results, not exceptions), so an exception that escapes is a
// broken invariant (an allocation that failed, say) and is reported as one. This definition
// takes the place of the library's because this file is linked whenever fatal_error is.
namespace __gnu_cxx {

void __verbose_terminate_handler() {
  static bool entered = false;
  if (entered) std::abort();  // the report itself failed
  entered = true;
  std::string_view what = "terminate called without an active exception";
  if (const std::exception_ptr current = std::current_exception()) {
    what = "uncaught exception";
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      what = error.what();
    } catch (...) {
    }
  }
  zub::fatal_error(what);
}

}  // namespace __gnu_cxx
