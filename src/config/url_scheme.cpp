#include "config/url_scheme.h"

#include <utility>

#include "config/base_dir.h"

namespace zub {

Result<std::string, RegistryError> read_install_dir(Registry& registry) {
  return registry.read_string_value(Hive::LocalMachine, kLauncherKeyPath, "");
}

std::string scheme_command(std::string_view install_dir) {
  std::string command = "\"";
  command += install_dir;  // unchanged: no separator added or removed
  command += "\\varnelo.exe\" \"%1\"";
  return command;
}

Result<void, RegistryError> register_url_scheme(Registry& registry, Messages& messages) {
  messages.show_debug("Try to open path");
  auto install_dir = read_install_dir(registry);
  if (install_dir.has_error()) return fail(install_dir.error());

  auto key = registry.open_key(Hive::ClassesRoot, kSchemeCommandKeyPath, kKeyWrite);
  if (key.has_error()) {
    messages.show_debug("Try to open path");
    key = registry.create_key(Hive::ClassesRoot, kSchemeCommandKeyPath, kKeyAllAccess);
    if (key.has_error()) return fail(RegistryError::Key);
  }

  auto command = to_wide_checked(scheme_command(install_dir.value()));
  if (command.has_error()) return fail(RegistryError::Value);
  // The key is closed on leaving, whether the command was written or not.
  auto written = registry.set_string_value(key.value(), "", command.value());
  if (written.has_error()) return fail(RegistryError::Value);
  return ok<RegistryError>();
}

Result<void, RegistryError> unregister_url_scheme(Registry& registry) {
  auto key = registry.open_key(Hive::ClassesRoot, kSchemeCommandKeyPath, kKeyAllAccess);
  if (key.has_error()) return fail(RegistryError::Key);
  // The empty name deletes the command key itself; "zubdms", "shell" and "open" stay.
  auto deleted = registry.delete_key_tree(key.value(), "");
  if (deleted.has_error()) return fail(RegistryError::Key);
  return ok<RegistryError>();
}

}  // namespace zub
