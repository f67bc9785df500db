#pragma once

// The platform services one run needs, handed in so that tests can replace each of them.

#include "platform/ansi_code_page.h"
#include "platform/console.h"
#include "platform/event_sink.h"
#include "platform/executable_path.h"
#include "platform/path_resolver.h"
#include "platform/shell_open.h"
#include "platform/unicode_forms.h"
#include "registry/registry_api.h"

namespace zub {

struct Services {
  RegistryApi& registry;
  UserInterface& ui;
  PathResolver& paths;
  Shell& shell;
  EventSink& events;
  ExecutablePath& exe;
  UnicodeForms& unicode;
  AnsiCodePage& code_page;
};

inline Services system_services() {
  return {system_registry(),    system_user_interface(),  system_path_resolver(),
          system_shell(),       system_event_sink(),      system_executable_path(),
          system_unicode_forms(), system_ansi_code_page()};
}

}  // namespace zub
