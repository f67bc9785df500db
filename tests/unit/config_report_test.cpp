#include "config/config_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_registry.h"
#include "registry_checks.h"

namespace zub {
namespace {

using testing::expect_all_keys_closed;

constexpr std::string_view kLauncher = "SOFTWARE\\varnelo\\launcher";
constexpr std::string_view kCommandKey = "zubdms\\shell\\open\\command";
constexpr std::string_view kInstallDir = "C:\\Programme\\Varnelo";

enum class Install { Read, NoKey, NoValue, WithControls };
enum class Base { User, MachineOnly, Missing, ExpandSzBoth, WithLineBreak };
enum class Command { Matching, Foreign, Missing, OtherCase, WithControls };

void set_up(MemoryRegistry& r, Install install, Base base, Command command) {
  switch (install) {
    case Install::Read:
      r.put_string(Hive::LocalMachine, kLauncher, "", kInstallDir);
      break;
    case Install::NoKey:
      break;
    case Install::NoValue:
      r.add_key(Hive::LocalMachine, kLauncher);
      break;
    case Install::WithControls:
      r.put_string(Hive::LocalMachine, kLauncher, "", "C:\\V\r\nVarnelo Verzeichnis \x1B[2J");
      break;
  }
  switch (base) {
    case Base::User:
      r.put_string(Hive::CurrentUser, kLauncher, "NextCloudFolder", "U:\\Dok");
      break;
    case Base::MachineOnly:
      r.put_string(Hive::LocalMachine, kLauncher, "NextCloudFolder", "M:\\Dok");
      break;
    case Base::Missing:
      break;
    case Base::WithLineBreak:
      r.put_string(Hive::CurrentUser, kLauncher, "NextCloudFolder",
                   "U:\\Dok\nLauncher Installationsverzeichnis C:\\x\xE2\x80\xAE");
      break;
    case Base::ExpandSzBoth:
      for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
        r.put_value(hive, kLauncher, "NextCloudFolder", kRegExpandSz, reg_sz_bytes(u"%X%"));
      }
      break;
  }
  switch (command) {
    case Command::Matching:
      r.put_string(Hive::ClassesRoot, kCommandKey, "",
                   "\"C:\\Programme\\Varnelo\\varnelo.exe\" \"%1\"");
      break;
    case Command::Foreign:
      r.put_string(Hive::ClassesRoot, kCommandKey, "", "\"C:\\Andere\\app.exe\" \"%1\"");
      break;
    case Command::Missing:
      break;
    case Command::OtherCase:
      r.put_string(Hive::ClassesRoot, kCommandKey, "",
                   "\"c:\\programme\\varnelo\\varnelo.exe\" \"%1\"");
      break;
    case Command::WithControls:
      r.put_string(Hive::ClassesRoot, kCommandKey, "", "\"C:\\V\\v.exe\" \"%1\"\n\xE2\x81\xA6x");
      break;
  }
}

TEST(CheckRegistrationTest, EveryRowOfTheTable) {
  struct Row {
    Install install;
    Base base;
    Command command;
    ExitCode code;
  };
  const Row rows[] = {
      {Install::Read, Base::User, Command::Matching, ExitCode::Success},
      {Install::Read, Base::User, Command::Foreign, ExitCode::RegistrationMismatch},
      {Install::Read, Base::Missing, Command::Matching, ExitCode::BaseDirNotSet},
      {Install::Read, Base::Missing, Command::Foreign, ExitCode::RegistrationMismatch},
      {Install::Read, Base::User, Command::Missing, ExitCode::NotRegistered},
      {Install::Read, Base::Missing, Command::Missing, ExitCode::NotRegisteredAndBaseDirNotSet},
      {Install::NoKey, Base::User, Command::Matching, ExitCode::InstallDirNotSet},
      {Install::NoKey, Base::Missing, Command::Matching, ExitCode::BaseDirNotSet},
      {Install::NoKey, Base::User, Command::Missing, ExitCode::InstallDirNotSet},
      {Install::NoKey, Base::Missing, Command::Missing, ExitCode::NotRegisteredAndBaseDirNotSet},
      // Beyond the table's ten rows: how each value counts as read or not.
      {Install::NoValue, Base::User, Command::Matching, ExitCode::InstallDirNotSet},
      {Install::NoValue, Base::Missing, Command::Matching, ExitCode::BaseDirNotSet},
      {Install::Read, Base::MachineOnly, Command::Matching, ExitCode::Success},
      {Install::Read, Base::ExpandSzBoth, Command::Matching, ExitCode::BaseDirNotSet},
      {Install::Read, Base::User, Command::OtherCase, ExitCode::RegistrationMismatch},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "install " << static_cast<int>(row.install) << ", base "
                 << static_cast<int>(row.base) << ", command " << static_cast<int>(row.command));
    MemoryRegistry memory;
    set_up(memory, row.install, row.base, row.command);
    Registry registry(memory);
    EXPECT_EQ(to_number(check_registration(registry)), to_number(row.code));
    EXPECT_TRUE(memory.calls_of(RegistryOp::SetValue).empty());
    expect_all_keys_closed(memory);
  }
}

TEST(CheckRegistrationTest, AnEmptyInstallDirectoryIsContainedInEveryCommand) {
  MemoryRegistry memory;
  memory.put_string(Hive::LocalMachine, kLauncher, "", "");
  memory.put_string(Hive::LocalMachine, kLauncher, "NextCloudFolder", "");
  memory.put_string(Hive::ClassesRoot, kCommandKey, "", "irgendwas");
  Registry registry(memory);
  EXPECT_EQ(check_registration(registry), ExitCode::Success);
}

TEST(CheckRegistrationTest, EachCallReadsAfresh) {
  MemoryRegistry memory;
  set_up(memory, Install::Read, Base::User, Command::Missing);
  Registry registry(memory);
  EXPECT_EQ(check_registration(registry), ExitCode::NotRegistered);
  set_up(memory, Install::Read, Base::User, Command::Matching);
  EXPECT_EQ(check_registration(registry), ExitCode::Success);
  EXPECT_NE(build_config_report(registry).find("registered command for zubdms "),
            std::string::npos);
}

TEST(ConfigReportTest, ThreeLinesWithTheirPrefixes) {
  struct Row {
    const char* name;
    Install install;
    Base base;
    Command command;
    std::string report;
  };
  const std::vector<Row> rows = {
      {"nothing configured", Install::NoKey, Base::Missing, Command::Missing,
       "Fehler Installationsverzeichnis kann nicht ermittelt werden Error accessing registry key\n"
       "Fehler Varnelo Verzeichnis kann nicht ermittelt werden Error accessing registry key\n"
       "Der Launcher ist nicht registriert! "},
      {"everything set", Install::Read, Base::User, Command::Matching,
       "Launcher Installationsverzeichnis C:\\Programme\\Varnelo\n"
       "Varnelo Verzeichnis U:\\Dok\n"
       "registered command for zubdms \"C:\\Programme\\Varnelo\\varnelo.exe\" \"%1\""},
      {"install key without its value", Install::NoValue, Base::MachineOnly, Command::Foreign,
       "Fehler Installationsverzeichnis kann nicht ermittelt werden Error accessing registry "
       "value\n"
       "Varnelo Verzeichnis M:\\Dok\n"
       "registered command for zubdms \"C:\\Andere\\app.exe\" \"%1\""},
      {"base directory stored as REG_EXPAND_SZ", Install::Read, Base::ExpandSzBoth,
       Command::Missing,
       "Launcher Installationsverzeichnis C:\\Programme\\Varnelo\n"
       "Fehler Varnelo Verzeichnis kann nicht ermittelt werden Error accessing registry value\n"
       "Der Launcher ist nicht registriert! "},
      // Every value is shown as the open action shows the base folder: none can fake a line.
      {"values with line breaks and other controls", Install::WithControls, Base::WithLineBreak,
       Command::WithControls,
       "Launcher Installationsverzeichnis C:\\V\\r\\nVarnelo Verzeichnis \\u{1b}[2J\n"
       "Varnelo Verzeichnis U:\\Dok\\nLauncher Installationsverzeichnis C:\\x\\u{202e}\n"
       "registered command for zubdms \"C:\\V\\v.exe\" \"%1\"\\n\\u{2066}x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry memory;
    set_up(memory, row.install, row.base, row.command);
    Registry registry(memory);
    EXPECT_EQ(build_config_report(registry), row.report);
    expect_all_keys_closed(memory);
  }
}

TEST(ConfigReportTest, TheNotRegisteredLineCarriesNoErrorText) {
  MemoryRegistry memory;
  set_up(memory, Install::Read, Base::User, Command::Missing);
  memory.add_key(Hive::ClassesRoot, kCommandKey);  // the key exists, the value does not
  Registry registry(memory);
  const std::string report = build_config_report(registry);
  EXPECT_EQ(report.substr(report.rfind('\n') + 1), "Der Launcher ist nicht registriert! ");
}

}  // namespace
}  // namespace zub
