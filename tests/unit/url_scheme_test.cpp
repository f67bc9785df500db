#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/url_scheme.h"
#include "messages/messages.h"
#include "memory_registry.h"
#include "recording_ui.h"
#include "registry_checks.h"

namespace zub {
namespace {

using testing::access_of;
using testing::expect_all_keys_closed;
using testing::RecordingUi;

constexpr std::string_view kLauncher = "SOFTWARE\\varnelo\\launcher";
constexpr std::string_view kCommandKey = "zubdms\\shell\\open\\command";
constexpr std::u16string_view kWideCommandKey = u"zubdms\\shell\\open\\command";

TEST(SchemeCommandTest, QuotesTheDirectoryExactlyAsRead) {
  struct Row {
    std::string dir;
    std::string command;
  };
  const Row rows[] = {
      {"C:\\Programme\\Varnelo", "\"C:\\Programme\\Varnelo\\varnelo.exe\" \"%1\""},
      {"C:\\Programme\\Varnelo\\", "\"C:\\Programme\\Varnelo\\\\varnelo.exe\" \"%1\""},
      {"C:\\Program Files\\Varnelo", "\"C:\\Program Files\\Varnelo\\varnelo.exe\" \"%1\""},
      {"", "\"\\varnelo.exe\" \"%1\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dir);
    EXPECT_EQ(scheme_command(row.dir), row.command);
  }
}

class UrlSchemeTest : public ::testing::Test {
 protected:
  void install(std::string_view dir) { memory.put_string(Hive::LocalMachine, kLauncher, "", dir); }

  Result<void, RegistryError> do_register() {
    Registry registry(memory);
    return register_url_scheme(registry, messages);
  }
  Result<void, RegistryError> do_unregister() {
    Registry registry(memory);
    return unregister_url_scheme(registry);
  }
  std::optional<RegistryValue> command() const {
    return memory.value(Hive::ClassesRoot, kCommandKey, "");
  }

  MemoryRegistry memory;
  RecordingUi ui;
  Messages messages{ui, true};
};

TEST_F(UrlSchemeTest, RegisterCreatesTheMissingKeysAndWritesTheCommand) {
  install("C:\\Programme\\Varnelo");
  messages.enable_debug();
  ASSERT_TRUE(do_register().has_value());
  ASSERT_TRUE(command().has_value());
  EXPECT_EQ(command()->type, kRegSz);
  EXPECT_EQ(command()->data, reg_sz_bytes(u"\"C:\\Programme\\Varnelo\\varnelo.exe\" \"%1\""));
  EXPECT_EQ(access_of(memory, RegistryOp::OpenKey, kWideCommandKey),
            std::vector<std::uint32_t>{kKeyWrite});
  EXPECT_EQ(access_of(memory, RegistryOp::CreateKey, kWideCommandKey),
            std::vector<std::uint32_t>{kKeyAllAccess});
  EXPECT_EQ(ui.out, "Try to open path true\nTry to open path true\n");
  // Nothing else is written: no marker on "zubdms", nothing for the current user.
  EXPECT_EQ(memory.calls_of(RegistryOp::SetValue).size(), 1u);
  EXPECT_FALSE(memory.value(Hive::ClassesRoot, "zubdms", "").has_value());
  expect_all_keys_closed(memory);
}

TEST_F(UrlSchemeTest, RegisterTwiceOpensTheKeyAndFollowsTheInstallDirectory) {
  install("C:\\Alt");
  ASSERT_TRUE(do_register().has_value());
  install("D:\\Neu");
  messages.enable_debug();
  memory.clear_calls();
  ASSERT_TRUE(do_register().has_value());
  EXPECT_EQ(command()->data, reg_sz_bytes(u"\"D:\\Neu\\varnelo.exe\" \"%1\""));
  EXPECT_TRUE(memory.calls_of(RegistryOp::CreateKey).empty());
  EXPECT_EQ(ui.out, "Try to open path true\n");
  expect_all_keys_closed(memory);
}

TEST_F(UrlSchemeTest, RegisterFailuresLeaveTheSchemeAlone) {
  struct Row {
    const char* name;
    std::function<void(MemoryRegistry&)> setup;
    RegistryError error;
    bool command_key_created;
  };
  const std::vector<Row> rows = {
      {"no install directory key", [](MemoryRegistry&) {}, RegistryError::Key, false},
      {"install directory key without its value",
       [](MemoryRegistry& r) { r.add_key(Hive::LocalMachine, kLauncher); }, RegistryError::Value,
       false},
      {"install directory of another type",
       [](MemoryRegistry& r) {
         r.put_value(Hive::LocalMachine, kLauncher, "", kRegExpandSz, reg_sz_bytes(u"C:\\V"));
       },
       RegistryError::Value, false},
      {"command key can be neither opened nor created",
       [](MemoryRegistry& r) {
         r.put_string(Hive::LocalMachine, kLauncher, "", "C:\\V");
         r.fail(RegistryOp::CreateKey, kErrorAccessDenied);
       },
       RegistryError::Key, false},
      {"command cannot be written",
       [](MemoryRegistry& r) {
         r.put_string(Hive::LocalMachine, kLauncher, "", "C:\\V");
         r.fail(RegistryOp::SetValue, kErrorAccessDenied);
       },
       RegistryError::Value, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry fresh;
    RecordingUi fresh_ui;
    Messages fresh_messages(fresh_ui, true);
    row.setup(fresh);
    Registry registry(fresh);
    const auto result = register_url_scheme(registry, fresh_messages);
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error(), row.error);
    EXPECT_FALSE(fresh.value(Hive::ClassesRoot, kCommandKey, "").has_value());
    EXPECT_EQ(fresh.key_exists(Hive::ClassesRoot, kCommandKey), row.command_key_created);
    EXPECT_EQ(fresh_ui.out + fresh_ui.err, "");  // nothing shown here
    expect_all_keys_closed(fresh);
  }
}

TEST_F(UrlSchemeTest, NoInstallDirectoryMeansNoSchemeKeyIsTouched) {
  messages.enable_debug();
  ASSERT_TRUE(do_register().has_error());
  for (const RegistryCall& call : memory.calls()) {
    EXPECT_NE(call.key, raw_key(Hive::ClassesRoot)) << "call " << static_cast<int>(call.op);
  }
  EXPECT_EQ(ui.out, "Try to open path true\n");
}

TEST_F(UrlSchemeTest, UnregisterDeletesTheCommandKeyOnly) {
  install("C:\\V");
  ASSERT_TRUE(do_register().has_value());
  memory.add_key(Hive::ClassesRoot, "zubdms\\shell\\open\\command\\darunter");
  messages.enable_debug();
  ui.out.clear();
  memory.clear_calls();
  ASSERT_TRUE(do_unregister().has_value());
  EXPECT_FALSE(memory.key_exists(Hive::ClassesRoot, kCommandKey));
  EXPECT_TRUE(memory.key_exists(Hive::ClassesRoot, "zubdms\\shell\\open"));
  EXPECT_EQ(access_of(memory, RegistryOp::OpenKey, kWideCommandKey),
            std::vector<std::uint32_t>{kKeyAllAccess});
  const auto deletes = memory.calls_of(RegistryOp::DeleteTree);
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0].name, u"");
  EXPECT_EQ(ui.out, "");
  expect_all_keys_closed(memory);

  // A second "-u" finds no command key.
  const auto again = do_unregister();
  ASSERT_TRUE(again.has_error());
  EXPECT_EQ(again.error(), RegistryError::Key);
}

TEST_F(UrlSchemeTest, UnregisterFailuresAreKey) {
  struct Row {
    const char* name;
    bool registered;
    std::optional<RegistryOp> failing;
  };
  const Row rows[] = {
      {"never registered", false, std::nullopt},
      {"open refused", true, RegistryOp::OpenKey},
      {"deletion refused", true, RegistryOp::DeleteTree},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry fresh;
    if (row.registered) fresh.put_string(Hive::ClassesRoot, kCommandKey, "", "\"x\"");
    if (row.failing) fresh.fail(*row.failing, kErrorAccessDenied);
    Registry registry(fresh);
    const auto result = unregister_url_scheme(registry);
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error(), RegistryError::Key);
    EXPECT_EQ(fresh.key_exists(Hive::ClassesRoot, kCommandKey), row.registered);
    expect_all_keys_closed(fresh);
  }
}

}  // namespace
}  // namespace zub
