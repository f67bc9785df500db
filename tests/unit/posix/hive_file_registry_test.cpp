// The registry of Linux: its files, their locations, refused writes, broken files and
// concurrent writers.

#include "registry/hive_file/hive_file_registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "recording_registry.h"
#include "registry/hive_file/hive_trust.h"
#include "registry/registry.h"

namespace zub::posix {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLauncherKey = "SOFTWARE\\varnelo\\launcher";

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void write_file(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

class HiveFileRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zub_registry_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::chmod(root_.c_str(), 0755);
    locations_ = locations_under(root_ / "home" / ".config", root_ / "etc");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  static HiveFileLocations locations_under(const fs::path& config_home, const fs::path& config_dir) {
    return hive_file_locations([&](std::string_view name) -> std::optional<std::string> {
      if (name == "XDG_CONFIG_HOME") return config_home.string();
      if (name == "XDG_CONFIG_DIRS") return config_dir.string();
      return std::nullopt;
    });
  }

  fs::path root_;
  HiveFileLocations locations_;
};

TEST(HiveFileLocations, FollowTheXdgVariables) {
  using Env = std::map<std::string, std::string>;
  struct Row {
    const char* name;
    Env env;
    const char* current_user;
    const char* local_machine;
  };
  const Row rows[] = {
      {"defaults", {{"HOME", "/home/u"}}, "/home/u/.config/zub_launcher/HKEY_CURRENT_USER.reg",
       "/etc/xdg/zub_launcher/HKEY_LOCAL_MACHINE.reg"},
      {"set", {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c/"}, {"XDG_CONFIG_DIRS", "/d1:/d2"}},
       "/c/zub_launcher/HKEY_CURRENT_USER.reg", "/d1/zub_launcher/HKEY_LOCAL_MACHINE.reg"},
      {"relative entries ignored",
       {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "c"}, {"XDG_CONFIG_DIRS", "d1:/d2"}},
       "/home/u/.config/zub_launcher/HKEY_CURRENT_USER.reg",
       "/etc/xdg/zub_launcher/HKEY_LOCAL_MACHINE.reg"},
      {"empty first entry", {{"HOME", "/home/u"}, {"XDG_CONFIG_DIRS", ":/d2"}},
       "/home/u/.config/zub_launcher/HKEY_CURRENT_USER.reg",
       "/etc/xdg/zub_launcher/HKEY_LOCAL_MACHINE.reg"},
  };
  for (const auto& row : rows) {
    const auto locations = hive_file_locations([&](std::string_view name) -> std::optional<std::string> {
      const auto it = row.env.find(std::string(name));
      if (it == row.env.end()) return std::nullopt;
      return it->second;
    });
    EXPECT_EQ(locations.current_user, row.current_user) << row.name;
    EXPECT_EQ(locations.local_machine, row.local_machine) << row.name;
    EXPECT_EQ(fs::path(locations.classes_root).filename(), "HKEY_CLASSES_ROOT.reg") << row.name;
    EXPECT_EQ(fs::path(locations.classes_root).parent_path(),
              fs::path(locations.local_machine).parent_path())
        << row.name;
  }
}

TEST(HiveTrust, OneRowPerRule) {
  constexpr uid_t kUser = 1000, kOther = 1001;
  const std::tuple<const char*, HivePart, mode_t, uid_t, nlink_t, bool> rows[] = {
      {"a file of root closed to others", HivePart::File, S_IFREG | 0644, 0, 1, true},
      {"a file of another user", HivePart::File, S_IFREG | 0644, kOther, 1, false},
      {"a file the group may write", HivePart::File, S_IFREG | 0664, kUser, 1, false},
      {"a lock file of the user is tightened", HivePart::LockFile, S_IFREG | 0666, kUser, 1, true},
      {"a lock file of root open to others", HivePart::LockFile, S_IFREG | 0666, 0, 1, false},
      {"a lock file with a second name", HivePart::LockFile, S_IFREG | 0600, kUser, 2, false},
      {"a lock file that is a FIFO", HivePart::LockFile, S_IFIFO | 0600, kUser, 1, false},
      {"a sticky holding folder open to others", HivePart::Folder, S_IFDIR | 01777, 0, 1, false},
      {"a folder above the group may write", HivePart::FolderAbove, S_IFDIR | 0775, 0, 1, true},
      {"a folder above others may write", HivePart::FolderAbove, S_IFDIR | 0777, 0, 1, false},
      {"a sticky folder above (/tmp)", HivePart::FolderAbove, S_IFDIR | 01777, 0, 1, true},
      {"a link of another user", HivePart::Link, S_IFLNK | 0777, kOther, 1, false},
  };
  for (const auto& [rule, part, mode, owner, links, expected] : rows) {
    struct stat info {};
    info.st_mode = mode, info.st_uid = owner, info.st_nlink = links;
    EXPECT_EQ(trusted(info, part, kUser), expected) << rule;
  }
}

TEST(HiveTrust, DescribeNamesTheFileItsKindAndOwner) {
  const std::tuple<Distrusted, const char*, const char*> rows[] = {
      {{"/tmp/x/HKEY_LOCAL_MACHINE.reg", 65534, S_IFREG | 0666, 1}, "nobody",
       "file /tmp/x/HKEY_LOCAL_MACHINE.reg belongs to nobody (uid 65534), mode 0666: only what "
       "no one but this user and root can change is used"},
      {{"/tmp/a\x9b.lock", 1234, S_IFREG | 04755, 2}, "",
       "file with 2 names /tmp/a\\x9b.lock belongs to uid 1234, mode 4755: only what no one but "
       "this user and root can change is used"},
  };
  for (const auto& [distrusted, owner, text] : rows) EXPECT_EQ(describe(distrusted, owner), text);
}

TEST_F(HiveFileRegistryTest, WritesGoToTheFileAndReadsComeBack) {
  HiveFileRegistry files(locations_);
  Registry registry(files);
  {
    auto key = registry.create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
    auto value = to_wide_checked("C:\\Daten");
    ASSERT_TRUE(value.has_value());
    ASSERT_TRUE(registry.set_string_value(*key, "NextCloudFolder", *value).has_value());
  }
  EXPECT_EQ(read_file(locations_.current_user),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_CURRENT_USER\\SOFTWARE]\n"
            "\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\varnelo]\n"
            "\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\launcher]\n"
            "\"NextCloudFolder\"=\"C:\\\\Daten\"\n"
            "\n");
  // A second instance (another process) sees it, whatever the case of the names.
  HiveFileRegistry other(locations_);
  auto read = Registry(other).read_string_value(Hive::CurrentUser, "software\\VARNELO\\Launcher",
                                                "nextcloudfolder");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read.value(), "C:\\Daten");
  EXPECT_EQ(files.open_handle_count(), 0u);
  // Nothing but the hive and its lock file in the folder: no temporary file left behind.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry :
       fs::directory_iterator(fs::path(locations_.current_user).parent_path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 2u);
  EXPECT_EQ(fs::status(locations_.current_user + ".lock").permissions(), fs::perms(0600));
  EXPECT_EQ(fs::status(locations_.current_user).permissions(), fs::perms(0644));
}

TEST_F(HiveFileRegistryTest, AWriteRemovesTheTemporaryFilesOfKilledWriters) {
  const fs::path folder = fs::path(locations_.current_user).parent_path();
  // What a writer killed before its rename leaves, and names that only look alike.
  const std::vector<std::string> leftovers = {".HKEY_CURRENT_USER.reg.a1B2c3"};
  const std::vector<std::string> others = {
      ".HKEY_CURRENT_USER.reg.longer7", "HKEY_CURRENT_USER.reg.x",
      ".HKEY_LOCAL_MACHINE.reg.a1B2c3", ".HKEY_CURRENT_USER.reg"};
  for (const auto& name : leftovers) write_file(folder / name, "Windows Registry Editor Vers");
  for (const auto& name : others) write_file(folder / name, "keep");

  HiveFileRegistry files(locations_);
  auto key = Registry(files).create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess);
  ASSERT_TRUE(key.has_value());
  for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(folder / name)) << name;
  for (const auto& name : others) EXPECT_EQ(read_file(folder / name), "keep") << name;
}

TEST_F(HiveFileRegistryTest, MissingFilesAreEmptyRootKeysExceptTheMachineKeys) {
  HiveFileRegistry files(locations_);
  Registry registry(files);
  auto user = registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyRead);
  ASSERT_TRUE(user.has_error());
  EXPECT_EQ(user.error().status, 2u);
  auto application = registry.open_key(
      Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application", kKeyRead);
  EXPECT_TRUE(application.has_value());
  // Reading creates nothing.
  EXPECT_FALSE(fs::exists(root_ / "etc"));
  EXPECT_FALSE(fs::exists(root_ / "home"));
}

TEST_F(HiveFileRegistryTest, AFailureInjectedAroundTheFilesChangesNoFile) {
  HiveFileRegistry files(locations_);
  RecordingRegistry recording(files);
  recording.fail(RegistryOp::SetValue, 112);
  Registry registry(recording);
  {
    auto key = registry.create_key(Hive::CurrentUser, "a", kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
    auto written = registry.set_string_value(*key, "v", to_wide_checked("x").value());
    ASSERT_TRUE(written.has_error());
    EXPECT_EQ(written.error().status, 112u);
  }
  EXPECT_EQ(read_file(locations_.current_user),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\a]\n\n");
  EXPECT_EQ(recording.calls_of(RegistryOp::CloseKey).size(), 1u);
  EXPECT_EQ(files.open_handle_count(), 0u);
}

TEST_F(HiveFileRegistryTest, HandFileWithOtherCaseKeepsItsSpellingAcrossWrites) {
  write_file(locations_.current_user,
             "Windows Registry Editor Version 5.00\r\n\r\n"
             "[HKEY_CURRENT_USER\\Software\\Varnelo\\Launcher]\r\n"
             "\"nextcloudfolder\"=\"D:\\\\Alt\"\r\n");
  HiveFileRegistry files(locations_);
  Registry registry(files);
  {
    auto key = registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyWrite);
    ASSERT_TRUE(key.has_value());
    auto value = to_wide_checked("C:\\Neu");
    ASSERT_TRUE(value.has_value());
    ASSERT_TRUE(registry.set_string_value(*key, "NextCloudFolder", *value).has_value());
  }
  const std::string file = read_file(locations_.current_user);
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Varnelo\\Launcher]\n"
                      "\"nextcloudfolder\"=\"C:\\\\Neu\"\n"),
            std::string::npos)
      << file;
}

TEST_F(HiveFileRegistryTest, DeleteRemovesTheSectionAndThoseBelow) {
  write_file(locations_.classes_root,
             "Windows Registry Editor Version 5.00\n\n"
             "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open\\command]\n@=\"x\"\n\n"
             "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open\\command\\sub]\n\n"
             "[HKEY_CLASSES_ROOT\\zubdmsx]\n");
  HiveFileRegistry files(locations_);
  Registry registry(files);
  {
    auto key = registry.open_key(Hive::ClassesRoot, "zubdms\\shell\\open\\command", kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(registry.delete_key_tree(*key, "").has_value());
  }
  EXPECT_EQ(read_file(locations_.classes_root),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CLASSES_ROOT\\zubdms]\n\n"
            "[HKEY_CLASSES_ROOT\\zubdms\\shell]\n\n"
            "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open]\n\n"
            "[HKEY_CLASSES_ROOT\\zubdmsx]\n\n");
}

// So is anything but a regular file (a FIFO would block, a device be read without end), a file
// above 16 MiB, and a link that does not end.
TEST_F(HiveFileRegistryTest, BrokenFileFailsEveryOperationAndStaysUntouched) {
  const std::string broken =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\launcher]\n"
      "\"NextCloudFolder\"=\"C:\\\\Daten\n";
  const fs::path file = locations_.current_user;
  std::vector<std::pair<const char*, std::function<void()>>> rows = {
      {"FIFO", [&] { EXPECT_EQ(::mkfifo(file.c_str(), 0644), 0); }},
      {"device", [&] { fs::create_symlink("/dev/zero", file); }},
      {"folder", [&] { fs::create_directory(file); }},
      {"link loop", [&] { fs::create_symlink(file.filename(), file); }},
      {"above 16 MiB", [&] { write_file(file, broken.substr(0, 37) + std::string(16 << 20, ' ')); }},
      {"does not parse", [&] { write_file(file, broken); }}};
  write_file(locations_.local_machine, "");  // empty: a root key without content
  ::alarm(20);  // a run that blocks ends the tests instead of hanging them
  for (const auto& [name, make] : rows) {
    SCOPED_TRACE(name);
    fs::remove_all(file.parent_path());
    fs::create_directories(file.parent_path());
    make();
    struct stat before {}, after {};
    ASSERT_EQ(::lstat(file.c_str(), &before), 0);
    HiveFileRegistry files(locations_);
    RawKey handle = 0;
    const RawKey hkcu = raw_key(Hive::CurrentUser);
    EXPECT_EQ(files.open_key(hkcu, u"SOFTWARE", kKeyRead, &handle), 1015u);
    EXPECT_EQ(files.create_key(hkcu, u"SOFTWARE\\x", kKeyAllAccess, &handle), 1015u);
    EXPECT_EQ(files.create_key(hkcu, u"", kKeyAllAccess, &handle), 1015u);
    std::uint32_t size = 0;
    EXPECT_EQ(files.query_value(hkcu, u"", nullptr, nullptr, &size), 1015u);
    const std::uint8_t data[] = {'a', 0, 0, 0};
    EXPECT_EQ(files.set_value(hkcu, u"v", kRegSz, data, sizeof data), 1015u);
    EXPECT_EQ(files.delete_tree(hkcu, u"SOFTWARE"), 1015u);
    ASSERT_EQ(::lstat(file.c_str(), &after), 0);
    EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mtime == before.st_mtime);
  }
  ::alarm(0);
  EXPECT_EQ(read_file(locations_.current_user), broken);

  HiveFileRegistry files(locations_);
  RawKey handle = 0;
  auto read = Registry(files).read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder");
  ASSERT_TRUE(read.has_error());
  EXPECT_EQ(read.error(), RegistryError::Key);
  // Other root keys are not affected.
  EXPECT_EQ(files.create_key(raw_key(Hive::LocalMachine), u"SOFTWARE", kKeyAllAccess, &handle), 0u);
  EXPECT_EQ(files.close_key(handle), 0u);
}

// Whatever another user could change: every operation fails at once with 5 and names it, and
// nothing is written or locked. Rows that need another user's files skip without root.
TEST_F(HiveFileRegistryTest, WhatOthersMayChangeIsRefusedAtOnce) {
  const fs::path file = locations_.current_user, folder = file.parent_path();
  const fs::path home = root_ / "home", elsewhere = root_ / "elsewhere";
  const std::string hive = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\k]\n";
  const auto nobodys = [](const fs::path& p) { EXPECT_EQ(::lchown(p.c_str(), 65534, 65534), 0); };
  const auto linked = [&](const fs::path& path) {  // moved elsewhere, a link in its place
    fs::rename(path, elsewhere / path.filename());
    fs::create_symlink(elsewhere / path.filename(), path);
  };
  const std::tuple<const char*, bool, std::function<void()>, fs::path> rows[] = {
      // name, needs root, what is made, what is named
      {"hive file open to the group", false, [&] { fs::permissions(file, fs::perms(0664)); }, file},
      {"holding folder open to others, sticky", false,
       [&] { fs::permissions(folder, fs::perms(01777)); }, folder},
      {"folder above open to others", false, [&] { fs::permissions(home, fs::perms(0777)); }, home},
      {"hive link of another user", true, [&] { linked(file), nobodys(file); }, file},
      {"folder link of another user", true, [&] { linked(folder), nobodys(folder); }, folder},
      {"own link to a folder others may write", false,
       [&] { linked(file), fs::permissions(elsewhere, fs::perms(0777)); }, elsewhere},
  };
  for (const auto& [name, needs_root, make, named] : rows) {
    if (needs_root && ::geteuid() != 0) continue;
    SCOPED_TRACE(name);
    fs::remove_all(home), fs::remove_all(elsewhere), fs::create_directories(elsewhere);
    write_file(file, hive);
    make();
    HiveFileRegistry files(locations_);
    RawKey handle = 0;
    const RawKey hkcu = raw_key(Hive::CurrentUser);
    const std::uint8_t data[] = {'a', 0, 0, 0};
    EXPECT_EQ(files.open_key(hkcu, u"k", kKeyRead, &handle), 5u);
    EXPECT_EQ(files.create_key(hkcu, u"k\\x", kKeyAllAccess, &handle), 5u);
    EXPECT_EQ(files.set_value(hkcu, u"v", kRegSz, data, sizeof data), 5u);
    ASSERT_TRUE(files.distrusted().has_value());
    EXPECT_EQ(files.distrusted()->path, named.string());
    EXPECT_EQ(read_file(file), hive);
    EXPECT_FALSE(fs::exists(fs::canonical(file).string() + ".lock"));
  }
}

// A lock of another process that conflicts keeps a change out for the wait, then the change
// fails with 33 and changes nothing; readers go on meanwhile. The flock of earlier versions
// counts as well. A lock file of this user open to others is closed to them.
TEST_F(HiveFileRegistryTest, AChangeGivesUpOnALockHeldThroughoutItsWait) {
  const std::string lock_file = locations_.current_user + ".lock";
  const std::string before = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\k]\n";
  write_file(locations_.current_user, before);
  write_file(lock_file, ""), fs::permissions(lock_file, fs::perms(0644));
  constexpr std::chrono::milliseconds kWait(300);
  const std::pair<short, OsError> rows[] = {{F_WRLCK, 33}, {F_RDLCK, 33}, {-1, 33}};  // -1: flock
  for (const auto& [type, status] : rows) {
    SCOPED_TRACE(type);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
      const int fd = ::open(lock_file.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
      struct flock lock {};
      lock.l_type = type;
      const bool held = type < 0 ? ::flock(fd, LOCK_EX) == 0 : ::fcntl(fd, F_SETLK, &lock) == 0;
      if (::write(ready[1], held ? "1" : "0", 1) == 1) ::pause();
      ::_exit(0);
    }
    char held = 0;
    ASSERT_TRUE(::read(ready[0], &held, 1) == 1 && held == '1');
    HiveFileRegistry files(locations_, kWait);
    const auto started = std::chrono::steady_clock::now();
    const std::uint8_t data[] = {'a', 0, 0, 0};
    EXPECT_EQ(files.set_value(raw_key(Hive::CurrentUser), u"v", kRegSz, data, 4), status);
    EXPECT_TRUE(status == 0 || std::chrono::steady_clock::now() - started >= kWait);
    RawKey key = 0;
    EXPECT_EQ(files.open_key(raw_key(Hive::CurrentUser), u"k", kKeyRead, &key), 0u);
    EXPECT_EQ(read_file(locations_.current_user) == before, status != 0);
    ::kill(holder, SIGKILL), ::waitpid(holder, nullptr, 0), ::close(ready[0]), ::close(ready[1]);
  }
  EXPECT_EQ(fs::status(lock_file).permissions(), fs::perms(0600));
}

// Runs `body` in a child process; its exit status.
int in_child(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

// What a writer sees where the system refuses it: 5 from create and set, and no file.
int refused_write_status(const HiveFileLocations& locations) {
  HiveFileRegistry files(locations);
  RawKey handle = 0;
  const OsError create = files.create_key(raw_key(Hive::LocalMachine), u"SOFTWARE\\varnelo",
                                          kKeyAllAccess, &handle);
  const OsError open = files.open_key(raw_key(Hive::LocalMachine),
                                      u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application",
                                      kKeyWrite, &handle);
  const std::uint8_t data[] = {'a', 0, 0, 0};
  const OsError set = files.set_value(raw_key(Hive::LocalMachine), u"v", kRegSz, data, sizeof data);
  const OsError remove = files.delete_tree(raw_key(Hive::LocalMachine), u"SYSTEM");
  const OsError missing = files.delete_tree(raw_key(Hive::LocalMachine), u"Nothing");
  if (create != 5 || open != 5 || set != 5 || remove != 5 || missing != 2) return 1;
  // Reading still works.
  if (files.open_key(raw_key(Hive::LocalMachine), u"SYSTEM", kKeyRead, &handle) != 0) return 2;
  return files.close_key(handle) == 0 ? 0 : 3;
}

TEST_F(HiveFileRegistryTest, RefusedWritesGiveAccessDenied) {
  // The folder cannot be made where a file stands in its place.
  write_file(root_ / "etc" / "zub_launcher", "not a folder");
  EXPECT_EQ(refused_write_status(locations_), 0);
  EXPECT_EQ(read_file(root_ / "etc" / "zub_launcher"), "not a folder");

  // A folder this user may not write. Root passes permission bits, so the check runs in a
  // child that has given up root.
  const fs::path machine = root_ / "machine";
  write_file(machine / "zub_launcher" / "HKEY_LOCAL_MACHINE.reg",
             "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n");
  fs::permissions(machine / "zub_launcher", fs::perms(0555));
  const auto locked_down = locations_under(root_ / "home", machine);
  EXPECT_EQ(in_child([&] {
              if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 9;
              return refused_write_status(locked_down);
            }),
            0);
  EXPECT_EQ(read_file(machine / "zub_launcher" / "HKEY_LOCAL_MACHINE.reg"),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n");

  // A lock file that is a FIFO, a link (whose target must not be made), a second name of a
  // set-id program (whose mode must stay), or another user's (needs root).
  const fs::path lock = root_ / "odd" / "zub_launcher" / "HKEY_LOCAL_MACHINE.reg.lock";
  const fs::path program = root_ / "program";
  fs::create_directories(lock.parent_path());
  write_file(program, "#!/bin/sh\n"), fs::permissions(program, fs::perms(04755));
  const std::pair<const char*, std::function<int()>> odd_locks[] = {
      {"FIFO", [&] { return ::mkfifo(lock.c_str(), 0644); }},
      {"link", [&] { return ::symlink("../../made", lock.c_str()); }},
      {"second name", [&] { return ::link(program.c_str(), lock.c_str()); }},
      {"another user's", [&] {
         write_file(lock, ""), fs::permissions(lock, fs::perms(0666));
         return ::geteuid() == 0 ? ::chown(lock.c_str(), 65534, 65534) : -1;
       }}};
  for (const auto& [name, make] : odd_locks) {
    fs::remove(lock);
    if (make() != 0) continue;
    // Whose owner may hold a read lock: the refusal must come at once, not after the wait.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
      struct flock read_lock {};
      read_lock.l_type = F_RDLCK;
      const int fd = ::setuid(65534) == 0 ? ::open(lock.c_str(), O_RDONLY | O_NONBLOCK) : -1;
      ::fcntl(fd, F_SETLK, &read_lock);
      if (::write(ready[1], "1", 1) == 1) ::pause();
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(refused_write_status(locations_under(root_ / "home", root_ / "odd")), 0) << name;
    ::kill(holder, SIGKILL), ::waitpid(holder, nullptr, 0), ::close(ready[0]), ::close(ready[1]);
  }
  EXPECT_FALSE(fs::exists(root_ / "made"));
  EXPECT_EQ(fs::status(program).permissions(), fs::perms(04755));

  // A file system that refuses new folders even to root (sysfs), where there is one.
  if (::mkdir("/sys/zub_launcher_probe", 0755) != 0 && (errno == EPERM || errno == EACCES || errno == EROFS)) {
    EXPECT_EQ(refused_write_status(locations_under(root_ / "home", "/sys")), 0);
  }
}

// Dotfiles kept elsewhere: the link stays; the file it leads to, made if need be, is written
// and holds the lock. Set-id bits of the file replaced are dropped.
TEST_F(HiveFileRegistryTest, AHiveFileThatIsALinkStaysOneAndItsFileIsWritten) {
  const fs::path link = locations_.current_user;
  const std::tuple<fs::path, bool, OsError> rows[] = {{root_ / "dots" / "user.reg", true, 0},
                                                      {root_ / "dots" / "new.reg", false, 0},
                                                      {root_ / "no" / "x.reg", false, 5}};
  write_file(std::get<0>(rows[0]), "Windows Registry Editor Version 5.00\n");
  ASSERT_EQ(::chmod(std::get<0>(rows[0]).c_str(), 04640), 0);
  for (const auto& [target, existed, status] : rows) {
    write_file(link, ""), fs::remove(link);
    fs::create_symlink(target, link);
    RawKey handle = 0;
    HiveFileRegistry files(locations_);
    EXPECT_EQ(files.create_key(raw_key(Hive::CurrentUser), u"S", kKeyAllAccess, &handle), status);
    EXPECT_EQ(fs::read_symlink(link), target);
    EXPECT_EQ(read_file(target).find("[HKEY_CURRENT_USER\\S]") != std::string::npos, status == 0);
    EXPECT_EQ(fs::exists(target.string() + ".lock"), status == 0) << target;
    EXPECT_FALSE(fs::exists(link.string() + ".lock"));
    EXPECT_TRUE(!existed || fs::status(target).permissions() == fs::perms(0640));
  }
  EXPECT_FALSE(fs::exists(root_ / "no"));
}

TEST_F(HiveFileRegistryTest, ReadAccessRefusesWritesAndDeletedKeysRefuseUse) {
  HiveFileRegistry files(locations_);
  Registry registry(files);
  ASSERT_TRUE(registry.create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess).has_value());
  auto reader = registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyRead);
  ASSERT_TRUE(reader.has_value());
  auto value = to_wide_checked("x");
  ASSERT_TRUE(value.has_value());
  auto denied = registry.set_string_value(*reader, "NextCloudFolder", *value);
  ASSERT_TRUE(denied.has_error());
  EXPECT_EQ(denied.error().status, 5u);

  auto parent = registry.open_key(Hive::CurrentUser, "SOFTWARE", kKeyRead);
  ASSERT_TRUE(parent.has_value());
  ASSERT_TRUE(registry.delete_key_tree(*parent, "varnelo").has_value());
  std::uint32_t size = 0;
  EXPECT_EQ(files.query_value(reader->handle(), u"", nullptr, nullptr, &size), 1018u);
}

TEST_F(HiveFileRegistryTest, LargeValuesSurvive) {
  HiveFileRegistry files(locations_);
  Registry registry(files);
  const std::string big(1 << 20, 'y');
  {
    auto key = registry.create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
    auto value = to_wide_checked(big);
    ASSERT_TRUE(value.has_value());
    ASSERT_TRUE(registry.set_string_value(*key, "Big", *value).has_value());
  }
  auto read = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "Big");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read.value(), big);
}

// "wa", "wb", ... for the writers; "wa_A", "wa_B", ... for their values.
std::u16string writer_key(int writer) {
  std::u16string key = u"w";
  key += static_cast<char16_t>(u'a' + writer);
  return key;
}
std::u16string writer_value(int writer, int i) {
  std::u16string name = writer_key(writer);
  name += u'_';
  name += static_cast<char16_t>(u'A' + i);
  return name;
}

TEST_F(HiveFileRegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kValuesEach = 25;
  std::vector<pid_t> children;
  for (int writer = 0; writer < kWriters; ++writer) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HiveFileRegistry files(locations_);
      RawKey key = 0;
      for (int i = 0; i < kValuesEach; ++i) {
        // Every writer creates its own key and values, and they all meet in one key.
        std::u16string own_key = u"shared\\";
        own_key += writer_key(writer);
        if (files.create_key(raw_key(Hive::CurrentUser), own_key.c_str(),
                             kKeyAllAccess, &key) != 0) {
          ::_exit(1);
        }
        const std::u16string name = writer_value(writer, i);
        const std::uint8_t data[] = {static_cast<std::uint8_t>(i), 0, 0, 0};
        const bool ok = files.set_value(key, name.c_str(), kRegDword, data, 4) == 0 &&
                        files.close_key(key) == 0 &&
                        files.create_key(raw_key(Hive::CurrentUser), u"shared", kKeyAllAccess,
                                         &key) == 0 &&
                        files.set_value(key, name.c_str(), kRegDword, data, 4) == 0 &&
                        files.close_key(key) == 0;
        if (!ok) ::_exit(2);
      }
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  HiveFileRegistry files(locations_);
  std::size_t found = 0;
  for (int writer = 0; writer < kWriters; ++writer) {
    std::u16string own_key = u"shared\\";
    own_key += writer_key(writer);
    for (int i = 0; i < kValuesEach; ++i) {
      const std::u16string name = writer_value(writer, i);
      for (const std::u16string& path : {std::u16string(u"shared"), own_key}) {
        RawKey key = 0;
        ASSERT_EQ(files.open_key(raw_key(Hive::CurrentUser), path.c_str(), kKeyRead, &key), 0u);
        std::uint32_t size = 0;
        if (files.query_value(key, name.c_str(), nullptr, nullptr, &size) == 0) ++found;
        EXPECT_EQ(files.close_key(key), 0u);
      }
    }
  }
  EXPECT_EQ(found, std::size_t{2 * kWriters * kValuesEach});
}

}  // namespace
}  // namespace zub::posix
