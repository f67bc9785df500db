#include "frontend/launcher_actions.h"

#include "config/base_dir.h"
#include "config/config_report.h"
#include "config/url_scheme.h"
#include "document/open_document.h"
#include "frontend/help.h"
#include "logging/event_log.h"

namespace zub {

void LauncherActions::show_help(std::string_view program_name) {
  zub::show_help(registry_, messages_, program_name);
}

ExitCode LauncherActions::show_configuration() {
  // The report and the check each read the registry afresh.
  messages_.show_info(build_config_report(registry_));
  return check_registration(registry_);
}

ExitCode LauncherActions::open_document(std::string_view url_text,
                                        std::string_view relative_path) {
  const OpenServices services{services_.paths, services_.shell, services_.unicode,
                              services_.code_page};
  return zub::open_document(registry_, services, messages_, url_text, relative_path);
}

Result<void, RegistryError> LauncherActions::write_base_dir(std::string_view folder) {
  return zub::write_base_dir(registry_, messages_, folder);
}

Result<void, RegistryError> LauncherActions::register_url_scheme() {
  return zub::register_url_scheme(registry_, messages_);
}

Result<void, RegistryError> LauncherActions::unregister_url_scheme() {
  return zub::unregister_url_scheme(registry_);
}

Result<void, EventLogError> LauncherActions::register_event_source(std::string_view source_name) {
  return zub::register_event_source(registry_, services_.exe, source_name);
}

Result<void, KeyError> LauncherActions::deregister_event_source(std::string_view source_name) {
  return zub::deregister_event_source(registry_, source_name);
}

}  // namespace zub
