#pragma once

// The launcher's own actions: each one calls the area that owns it, over the platform's
// services.

#include "frontend/dispatch.h"
#include "messages/messages.h"
#include "registry/registry.h"
#include "frontend/services.h"

namespace zub {

class LauncherActions final : public Actions {
 public:
  LauncherActions(const Services& services, Messages& messages)
      : services_(services), registry_(services.registry), messages_(messages) {}

  void show_help(std::string_view program_name) override;
  ExitCode show_configuration() override;
  ExitCode open_document(std::string_view url_text, std::string_view relative_path) override;
  Result<void, RegistryError> write_base_dir(std::string_view folder) override;
  Result<void, RegistryError> register_url_scheme() override;
  Result<void, RegistryError> unregister_url_scheme() override;
  Result<void, EventLogError> register_event_source(std::string_view source_name) override;
  Result<void, KeyError> deregister_event_source(std::string_view source_name) override;

 private:
  Services services_;
  Registry registry_;
  Messages& messages_;
};

}  // namespace zub
