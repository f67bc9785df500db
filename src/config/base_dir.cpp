#include "config/base_dir.h"

#include <string>
#include <utility>

#include "common/utf8.h"

namespace zub {

Result<std::string, RegistryError> read_base_dir(Registry& registry) {
  auto user = registry.read_string_value(Hive::CurrentUser, kLauncherKeyPath, kBaseDirValueName);
  if (user.has_value()) return std::move(user).value();
  // The user's error is dropped: the machine-wide setting stands in, and its error is the one
  // reported.
  return registry.read_string_value(Hive::LocalMachine, kLauncherKeyPath, kBaseDirValueName);
}

namespace {

// Opens the user's launcher key for writing, or creates it (with the keys above it) when it
// cannot be opened. A failed creation is shown with its full detail.
Result<RegistryKey, RegistryError> open_or_create_launcher_key(Registry& registry,
                                                               Messages& messages) {
  messages.show_debug("Try to open path");
  auto opened = registry.open_key(Hive::CurrentUser, kLauncherKeyPath, kKeyWrite);
  if (opened.has_value()) {
    messages.show_debug("Try to set value");
    return std::move(opened).value();
  }

  // Written whatever the debug switch; without a console the line is lost.
  messages.write_stdout("Try to create path\n");
  auto created = registry.create_key(Hive::CurrentUser, kLauncherKeyPath, kKeyAllAccess);
  if (created.has_error()) {
    messages.show_error("Fehler " + describe_detailed(created.error()));
    return fail(RegistryError::Key);
  }
  messages.show_debug("Try to set value");
  return std::move(created).value();
}

}  // namespace

Result<void, RegistryError> write_base_dir(Registry& registry, Messages& messages,
                                           std::string_view folder) {
  // The folder comes from the command line. A NUL would cut it short on the platform, and
  // an argument that is not valid UTF-8 (an unpaired surrogate) would be stored altered:
  // neither is written, and no key is created for it either.
  if (!is_valid_utf8(folder)) return fail(RegistryError::Value);
  auto wide = to_wide_checked(folder);
  if (wide.has_error()) return fail(RegistryError::Value);

  auto key = open_or_create_launcher_key(registry, messages);
  if (key.has_error()) return fail(key.error());

  // The key is closed on leaving, whether the value was written or not.
  auto written = registry.set_string_value(key.value(), kBaseDirValueName, wide.value());
  if (written.has_error()) return fail(RegistryError::Value);
  return ok<RegistryError>();
}

}  // namespace zub
