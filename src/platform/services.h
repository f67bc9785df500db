#pragma once

// The platform services one run needs, handed in so that tests can replace each of them.

#include "platform/console.h"
#include "platform/event_sink.h"
#include "platform/executable_path.h"
#include "platform/file_identity.h"
#include "registry/registry_api.h"
#include "platform/shell_open.h"
#include "platform/unicode_normalization.h"

namespace zub {

struct Services {
  RegistryApi& registry;
  UserInterface& ui;
  FileIdentity& files;
  Shell& shell;
  EventSink& events;
  ExecutablePath& exe;
  UnicodeNormalization& unicode;
};

inline Services system_services() {
  return {system_registry(),    system_user_interface(),  system_file_identity(),
          system_shell(),       system_event_sink(),      system_executable_path(),
          system_unicode_normalization()};
}

}  // namespace zub
