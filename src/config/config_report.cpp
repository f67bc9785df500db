#include "config/config_report.h"

#include <string>

#include "common/quoted.h"
#include "config/base_dir.h"
#include "config/url_scheme.h"

namespace zub {
namespace {

// The command registered for the scheme, as stored.
Result<std::string, RegistryError> read_registered_command(Registry& registry) {
  return registry.read_string_value(Hive::ClassesRoot, kSchemeCommandKeyPath, "");
}

// The prefix and a value as the other messages show registry and link text: its controls
// escaped, so that no value can start a line of its own.
std::string value_line(std::string_view prefix, std::string_view value) {
  return std::string(prefix) + escape_controls(value);
}

// A line: the prefix and the value, or the error prefix and the error's text.
std::string report_line(const Result<std::string, RegistryError>& read,
                        std::string_view value_prefix, std::string_view error_prefix) {
  if (read.has_error()) return std::string(error_prefix) + std::string(text(read.error()));
  return value_line(value_prefix, read.value());
}

}  // namespace

std::string build_config_report(Registry& registry) {
  const auto install_dir = read_install_dir(registry);
  const auto base_dir = read_base_dir(registry);
  const auto command = read_registered_command(registry);

  std::string report =
      report_line(install_dir, "Launcher Installationsverzeichnis ",
                  "Fehler Installationsverzeichnis kann nicht ermittelt werden ");
  report += '\n';
  report += report_line(base_dir, "Varnelo Verzeichnis ",
                        "Fehler Varnelo Verzeichnis kann nicht ermittelt werden ");
  report += '\n';
  // Without a command the line carries no error text.
  report += command.has_value() ? value_line("registered command for zubdms ", command.value())
                                : std::string("Der Launcher ist nicht registriert! ");
  return report;
}

ExitCode check_registration(Registry& registry) {
  const auto install_dir = read_install_dir(registry);
  const auto base_dir = read_base_dir(registry);
  const auto command = read_registered_command(registry);

  ExitCode code = install_dir.has_value() ? ExitCode::Success : ExitCode::InstallDirNotSet;
  if (base_dir.has_error()) code = ExitCode::BaseDirNotSet;

  if (command.has_error()) {
    if (base_dir.has_error()) return ExitCode::NotRegisteredAndBaseDirNotSet;
    return install_dir.has_value() ? ExitCode::NotRegistered : ExitCode::InstallDirNotSet;
  }
  if (install_dir.has_error()) return code;

  // Exact, case-sensitive containment; an empty directory is contained in every command.
  if (command.value().find(install_dir.value()) == std::string::npos) {
    code = ExitCode::RegistrationMismatch;
  }
  return code;
}

}  // namespace zub
