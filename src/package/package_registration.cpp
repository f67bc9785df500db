// The Debian package's part in the machine hive files of the registry stand-in, run by its
// maintainer scripts: what the MSI's Registry table does on Windows.
//
//   package_registration add <config-dir> <install-dir>
//   package_registration remove <config-dir> <install-dir>
//
// <config-dir> holds zub_launcher/HKEY_LOCAL_MACHINE.reg and HKEY_CLASSES_ROOT.reg (the
// package's is $DPKG_ROOT/etc/xdg; the environment is not consulted). <install-dir> is the
// launcher's folder as the installed system sees it (/usr/lib/zub-launcher).
//
// "add" records the installation directory (default value of HKLM SOFTWARE\varnelo\launcher),
// then writes what "-r" writes for it and what "-l" writes when run as the installed launcher,
// through the same code. "remove" takes back each of the three only where it still holds what
// "add" wrote, drops the keys that this leaves empty, and deletes a hive file that then holds
// nothing; every other key and value (an administrator's NextCloudFolder, say) stays. Both are
// read-modify-writes of the hive files, atomic and under their lock. Nothing is ever shown in
// a dialog. Exit status 0, or 1 with the reason on standard error (2 for a bad command line),
// followed by the file or folder and its owner where one was refused for its owner or mode.

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/utf8.h"
#include "config/base_dir.h"
#include "config/url_scheme.h"
#include "logging/event_log.h"
#include "messages/messages.h"
#include "registry/hive_file/hive_file.h"
#include "registry/hive_file/hive_file_registry.h"
#include "registry/hive_file/hive_locations.h"
#include "registry/hive_file/hive_trust.h"
#include "registry/registry.h"

namespace zub {
namespace {

constexpr std::string_view kLauncherFileName = "zub_launcher";

// The hive files under one configuration folder, with their read-modify-write open to this
// program. The user's hive is never touched: its location, under /dev/null, refuses every write.
class MachineHives final : public posix::HiveFileRegistry {
 public:
  explicit MachineHives(const std::string& config_dir)
      : HiveFileRegistry(posix::hive_files_in(config_dir, "/dev/null")) {}

  using HiveFileRegistry::change_hive;
  using HiveFileRegistry::read_hive;
};

// Registration needs no dialog and shows no debug text; nothing reaches this.
class NoInterface final : public UserInterface {
 public:
  void write_stdout(std::string_view) override {}
  void write_stderr(std::string_view) override {}
  bool message_box(std::string_view, std::string_view, MessageKind) override { return false; }
};

// The path "-l" records when the installed launcher runs it.
class InstalledLauncherPath final : public ExecutablePath {
 public:
  explicit InstalledLauncherPath(std::string path) : path_(std::move(path)) {}
  Result<Path, OsError> current() override { return utf8_to_utf16(path_); }

 private:
  std::string path_;
};

std::string installed_launcher(const std::string& install_dir) {
  return install_dir + "/" + std::string(kLauncherFileName);
}

std::vector<std::u16string> key_path(std::string_view path) {
  return split_key_path(utf8_to_utf16(path)).value();
}

int report(std::string_view what, std::string_view why) {
  std::fprintf(stderr, "package_registration: %.*s: %.*s\n", static_cast<int>(what.size()),
               what.data(), static_cast<int>(why.size()), why.data());
  return 1;
}

// A file or folder of the hive files that was refused for its owner or mode, and that owner.
void report_distrusted(const posix::Distrusted& distrusted) {
  const passwd* owner = ::getpwuid(distrusted.owner);
  const std::string text = posix::describe(distrusted, owner != nullptr ? owner->pw_name : "");
  std::fprintf(stderr, "package_registration: %s\n", text.c_str());
}

int add(MachineHives& hives, const std::string& install_dir) {
  Registry registry(hives);
  auto key = registry.create_key(Hive::LocalMachine, kLauncherKeyPath, kKeyAllAccess);
  if (key.has_error()) {
    return report("installation directory in " + hives.file_of(Hive::LocalMachine),
                  text_with_status(key.error()));
  }
  auto wide_dir = to_wide_checked(install_dir);
  if (wide_dir.has_error()) return report("installation directory", "holds a NUL");
  auto written = registry.set_string_value(key.value(), "", wide_dir.value());
  key.value().close();
  if (written.has_error()) return report("installation directory", describe(written.error()));

  NoInterface no_interface;
  Messages messages(no_interface, true);
  auto scheme = register_url_scheme(registry, messages);
  if (scheme.has_error()) return report("scheme command", text(scheme.error()));

  InstalledLauncherPath launcher(installed_launcher(install_dir));
  auto source = register_event_source(registry, launcher, kCaption);
  if (source.has_error()) return report("event source", describe(source.error()));
  return 0;
}

// One value that "add" wrote: where it is, and the data it was given.
struct Recorded {
  std::vector<std::u16string> key;
  std::u16string value_name;
  std::u16string text;
  // Whether taking it back removes the whole key (as "-u" and "-x" do) or only the value.
  bool whole_key;
};

bool still_recorded(const RegistryTree& tree, const Recorded& recorded) {
  const RegistryTreeKey* key = tree.find(recorded.key);
  if (key == nullptr) return false;
  const RegistryValue* value = key->value(recorded.value_name);
  return value != nullptr && value->type == kRegSz && value->data == reg_sz_bytes(recorded.text);
}

// The root key as a missing file gives it: empty, or with the keys every system has.
RegistryTree untouched(Hive hive) {
  RegistryTree tree;
  add_builtin_keys(hive, tree);
  return tree;
}

// Takes back what is still recorded, then the keys above it that hold nothing any more (but
// not those that every system has).
bool take_back(RegistryTree& tree, Hive hive, const Recorded& recorded) {
  if (!still_recorded(tree, recorded)) return false;
  std::vector<std::u16string> path = recorded.key;
  if (recorded.whole_key) {
    tree.remove(path);
    path.pop_back();
  } else {
    tree.find(path)->remove_value(recorded.value_name);
  }
  const RegistryTree builtin = untouched(hive);
  for (; !path.empty() && builtin.find(path) == nullptr; path.pop_back()) {
    const RegistryTreeKey* key = tree.find(path);
    if (key == nullptr || !key->empty()) break;
    tree.remove(path);
  }
  return true;
}

// Sizes first: a hive of deep keys could make a file far larger than the one it was read from.
bool holds_nothing(const RegistryTree& tree, Hive hive) {
  const RegistryTree empty = untouched(hive);
  return posix::hive_file_size(tree, hive) == posix::hive_file_size(empty, hive) &&
         posix::write_hive_file(tree, hive) == posix::write_hive_file(empty, hive);
}

int remove_from(MachineHives& hives, Hive hive, const std::vector<Recorded>& values) {
  const std::string& file = hives.file_of(hive);
  bool present = false;
  OsError status = hives.read_hive(hive, [&](const RegistryTree& tree) {
    for (const auto& recorded : values) present = present || still_recorded(tree, recorded);
    return kErrorSuccess;
  });
  // Nothing of the package in it: the file is left alone, not even locked.
  if (status == kErrorSuccess && !present) return 0;

  int unlink_error = 0;
  if (status == kErrorSuccess) {
    status = hives.change_hive(hive, [&](RegistryTree& tree, bool& changed) {
      for (const auto& recorded : values) changed = take_back(tree, hive, recorded) || changed;
      // Under the lock: a file that would hold nothing goes, which reads the same. A link (an
      // administrator's file kept elsewhere) stays; its file is written empty instead.
      struct stat file_status {};
      const bool link = ::lstat(file.c_str(), &file_status) == 0 && S_ISLNK(file_status.st_mode);
      if (changed && !link && holds_nothing(tree, hive)) {
        changed = false;
        if (::unlink(file.c_str()) != 0 && errno != ENOENT) unlink_error = errno;
      }
      return unlink_error == 0 ? kErrorSuccess : kErrorAccessDenied;
    });
  }
  if (unlink_error != 0) return report(file, std::strerror(unlink_error));
  if (status != kErrorSuccess) {
    return report(file, registry_status_message(status) + " (status " + std::to_string(status) +
                            ")");
  }
  return 0;
}

int remove(MachineHives& hives, const std::string& install_dir) {
  std::vector<std::u16string> source_key = key_path(kEventLogApplicationKey);
  source_key.push_back(utf8_to_utf16(kCaption));
  const int machine = remove_from(
      hives, Hive::LocalMachine,
      {{key_path(kLauncherKeyPath), u"", utf8_to_utf16(install_dir), false},
       {source_key, utf8_to_utf16(kEventMessageFileValue),
        utf8_to_utf16(installed_launcher(install_dir)), true}});
  const int classes = remove_from(
      hives, Hive::ClassesRoot,
      {{key_path(kSchemeCommandKeyPath), u"", utf8_to_utf16(scheme_command(install_dir)), true}});
  return machine != 0 ? machine : classes;
}

}  // namespace
}  // namespace zub

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() != 3 || (args[0] != "add" && args[0] != "remove") || args[1].empty() ||
      args[2].empty() || args[2].front() != '/') {
    std::fputs("usage: package_registration add|remove <config-dir> <install-dir>\n", stderr);
    return 2;
  }
  zub::MachineHives hives(args[1]);
  const int status = args[0] == "add" ? zub::add(hives, args[2]) : zub::remove(hives, args[2]);
  if (status != 0 && hives.distrusted()) zub::report_distrusted(*hives.distrusted());
  return status;
}
