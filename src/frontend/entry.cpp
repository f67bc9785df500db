#include "frontend/entry.h"
#include "platform/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/exit_code.h"
#include "frontend/dispatch.h"
#include "frontend/launcher_actions.h"
#include "messages/messages.h"
#include "logging/event_log.h"
#include "logging/log.h"
#include "platform/console.h"
#include "frontend/services.h"

namespace zub {

void launcher_main(std::span<const std::string_view> args) {
  // The console decision comes first, before anything can be shown or logged.
  const bool console_attached = attach_parent_console();
  const Services services = system_services();
  Messages messages(services.ui, console_attached);

  auto logging = init_event_log(services.events, logger_slot(), kCaption, LogLevel::Error);
  if (logging.has_error()) fatal_error("cannot start logging: " + describe(logging.error()));

  LauncherActions actions(services, messages);
  const ExitCode code = run(args, messages, actions);

  // The logger stays installed; the end of the process releases the event source.
  std::fflush(stdout);
  std::exit(static_cast<int>(to_number(code)));
}

}  // namespace zub
