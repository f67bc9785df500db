#include "registry/hive_file/hive_locations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "registry/emulation/registry_tree.h"

namespace zub::posix {
namespace {

std::string hive_file_in(std::string_view folder, Hive hive) {
  std::string file(folder);
  file += "/zub_launcher/";
  file += hive_name(hive);
  file += ".reg";
  return file;
}

std::optional<std::string> absolute_entry(std::optional<std::string> value) {
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  while (value->size() > 1 && value->back() == '/') value->pop_back();
  return value;
}

}  // namespace

HiveFileLocations hive_files_in(std::string_view config_dir, std::string_view config_home) {
  return HiveFileLocations{
      hive_file_in(config_dir, Hive::ClassesRoot),
      hive_file_in(config_home, Hive::CurrentUser),
      hive_file_in(config_dir, Hive::LocalMachine),
  };
}

HiveFileLocations hive_file_locations(
    const std::function<std::optional<std::string>(std::string_view)>& environment) {
  std::string config_home;
  if (auto configured = absolute_entry(environment("XDG_CONFIG_HOME"))) {
    config_home = *configured;
  } else {
    auto home = environment("HOME");
    config_home = (home && !home->empty() ? *home : std::string()) + "/.config";
  }
  std::string config_dir = "/etc/xdg";
  if (auto dirs = environment("XDG_CONFIG_DIRS")) {
    if (auto first = absolute_entry(dirs->substr(0, dirs->find(':')))) config_dir = *first;
  }
  if (config_dir == "/") config_dir.clear();
  if (config_home == "/") config_home.clear();
  return hive_files_in(config_dir, config_home);
}

HiveFileLocations hive_file_locations_from_environment() {
  return hive_file_locations([](std::string_view name) -> std::optional<std::string> {
    const std::string variable(name);
    if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
      return std::string(value);
    }
    if (name == "HOME") {
      // No HOME: the home folder of the account, as the XDG base directories assume one.
      if (const passwd* account = ::getpwuid(::getuid()); account != nullptr) {
        return std::string(account->pw_dir);
      }
    }
    return std::nullopt;
  });
}

std::string folder_of(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

}  // namespace zub::posix
