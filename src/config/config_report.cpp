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

// A line: the prefix and the value, or the error prefix and the error's text.
std::string report_line(const Result<std::string, RegistryError>& read,
                        std::string_view value_prefix, std::string_view error_prefix) {
  std::string line(read.has_value() ? value_prefix : error_prefix);
  line += read.has_value() ? std::string_view(read.value()) : text(read.error());
  return line;
}

}  // namespace

std::string build_config_report(Registry& registry) {
  const auto install_dir = read_install_dir(registry);
  auto base_dir = read_base_dir(registry);
  // Shown as the open action's messages show the base folder: its controls escaped.
  if (base_dir.has_value()) base_dir.value() = escape_controls(base_dir.value());
  const auto command = read_registered_command(registry);

  std::string report =
      report_line(install_dir, "Launcher Installationsverzeichnis ",
                  "Fehler Installationsverzeichnis kann nicht ermittelt werden ");
  report += '\n';
  report += report_line(base_dir, "Varnelo Verzeichnis ",
                        "Fehler Varnelo Verzeichnis kann nicht ermittelt werden ");
  report += '\n';
  if (command.has_value()) {
    report += "registered command for zubdms ";
    report += command.value();
  } else {
    report += "Der Launcher ist nicht registriert! ";
  }
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
