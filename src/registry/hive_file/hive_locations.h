#pragma once

// Where the hive files of the Linux registry are:
//
//   HKEY_CURRENT_USER    $XDG_CONFIG_HOME/zub_launcher/HKEY_CURRENT_USER.reg
//                        (XDG_CONFIG_HOME defaults to $HOME/.config)
//   HKEY_LOCAL_MACHINE   <dir>/zub_launcher/HKEY_LOCAL_MACHINE.reg
//   HKEY_CLASSES_ROOT    <dir>/zub_launcher/HKEY_CLASSES_ROOT.reg
//                        (<dir>: the first entry of $XDG_CONFIG_DIRS, default /etc/xdg)
//
// and the folders that hold them, which the first write that needs one creates (hive_trust.h).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zub::posix {

struct HiveFileLocations {
  std::string classes_root;
  std::string current_user;
  std::string local_machine;
};

// The three files under a configuration folder (the machine's root keys) and a configuration
// home (the user's), joined as given: "<folder>/zub_launcher/<root key>.reg".
HiveFileLocations hive_files_in(std::string_view config_dir, std::string_view config_home);

// The locations for the given environment (a lookup that returns nothing for an unset
// variable). Relative or empty XDG entries are ignored, as the XDG base-directory rules ask.
HiveFileLocations hive_file_locations(
    const std::function<std::optional<std::string>(std::string_view)>& environment);
HiveFileLocations hive_file_locations_from_environment();

// The folder of a file: what comes before its last "/" ("/" for a file at the top, "." for a
// bare name).
std::string folder_of(const std::string& file);

}  // namespace zub::posix
