#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logging/event_log.h"
#include "memory_registry.h"
#include "registry_checks.h"

namespace zub {
namespace {

using testing::access_of;
using testing::expect_all_keys_closed;

constexpr std::string_view kApplication =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr std::u16string_view kWideApplication =
    u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr std::string_view kSourceKey =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ZUB Launcher";
constexpr std::u16string_view kExe = u"C:\\Programme\\Varnelo\\zub_launcher.exe";

class FakeExecutablePath : public ExecutablePath {
 public:
  Result<Path, OsError> current() override {
    if (error) return fail(*error);
    return path;
  }
  Path path{kExe};
  std::optional<OsError> error;
};

class EventSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { memory.add_key(Hive::LocalMachine, kApplication); }

  Result<void, EventLogError> do_register(std::string_view name = "ZUB Launcher") {
    Registry registry(memory);
    return register_event_source(registry, exe, name);
  }
  Result<void, KeyError> do_deregister(std::string_view name = "ZUB Launcher") {
    Registry registry(memory);
    return deregister_event_source(registry, name);
  }
  std::optional<RegistryValue> message_file() const {
    return memory.value(Hive::LocalMachine, kSourceKey, "EventMessageFile");
  }

  MemoryRegistry memory;
  FakeExecutablePath exe;
};

TEST_F(EventSourceTest, RegisterWritesTheExecutablePathAsEventMessageFile) {
  ASSERT_TRUE(do_register().has_value());
  const auto value = message_file();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, kRegSz);
  EXPECT_EQ(value->data, reg_sz_bytes(kExe));
  EXPECT_EQ(value->data.size(), 2 * (kExe.size() + 1));
  EXPECT_EQ(access_of(memory, RegistryOp::OpenKey, kWideApplication),
            std::vector<std::uint32_t>{kKeyWrite});
  EXPECT_EQ(access_of(memory, RegistryOp::CreateKey, u"ZUB Launcher"),
            std::vector<std::uint32_t>{kKeyWrite});
  EXPECT_EQ(memory.calls_of(RegistryOp::SetValue).size(), 1u);  // no other value
  expect_all_keys_closed(memory);
}

TEST_F(EventSourceTest, RegisterTwiceKeepsTheKeyAndTakesTheNewPath) {
  memory.put_string(Hive::LocalMachine, kSourceKey, "CategoryCount", "fremd");
  ASSERT_TRUE(do_register().has_value());
  exe.path = u"D:\\Kopie\\zub_launcher.exe";
  ASSERT_TRUE(do_register().has_value());
  EXPECT_EQ(message_file()->data, reg_sz_bytes(u"D:\\Kopie\\zub_launcher.exe"));
  EXPECT_TRUE(memory.value(Hive::LocalMachine, kSourceKey, "CategoryCount").has_value());
  expect_all_keys_closed(memory);
}

TEST_F(EventSourceTest, RegisterFailures) {
  struct Row {
    const char* name;
    std::function<void(MemoryRegistry&, FakeExecutablePath&)> setup;
    EventLogError::Kind kind;
    std::string_view text;
  };
  const std::vector<Row> rows = {
      {"executable path cannot be obtained",
       [](MemoryRegistry&, FakeExecutablePath& e) { e.error = 122; },
       EventLogError::Kind::RegisterSourceFailed, "Call to RegisterEventSource failed"},
      {"executable path is not valid Unicode",
       [](MemoryRegistry&, FakeExecutablePath& e) { e.path = u"C:\\\xD800.exe"; },
       EventLogError::Kind::ExePathNotFound, "Could not determine executable path"},
      {"parent key cannot be opened for writing",
       [](MemoryRegistry& r, FakeExecutablePath&) { r.set_writable(Hive::LocalMachine, false); },
       EventLogError::Kind::RegKey, "Failed to modify registry key"},
      {"source key cannot be created",
       [](MemoryRegistry& r, FakeExecutablePath&) { r.fail(RegistryOp::CreateKey, 1018); },
       EventLogError::Kind::RegKey, "Failed to modify registry key"},
      {"value cannot be written",
       [](MemoryRegistry& r, FakeExecutablePath&) {
         r.fail(RegistryOp::SetValue, kErrorAccessDenied);
       },
       EventLogError::Kind::RegValue, "Failed to modify registry value"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry fresh;
    fresh.add_key(Hive::LocalMachine, kApplication);
    FakeExecutablePath fresh_exe;
    row.setup(fresh, fresh_exe);
    Registry registry(fresh);
    const auto result = register_event_source(registry, fresh_exe, "ZUB Launcher");
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error().kind, row.kind);
    EXPECT_EQ(text(result.error()), row.text);
    // No source key is left behind, half-written or otherwise.
    EXPECT_FALSE(fresh.key_exists(Hive::LocalMachine, kSourceKey));
    EXPECT_TRUE(fresh.key_exists(Hive::LocalMachine, kApplication));
    expect_all_keys_closed(fresh);
  }
}

TEST_F(EventSourceTest, FailuresCarryTheirCause) {
  exe.error = 122;
  auto result = do_register();
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().system_error, 122);
  EXPECT_TRUE(memory.calls().empty());  // the registry is not touched

  exe.error.reset();
  memory.set_writable(Hive::LocalMachine, false);
  result = do_register();
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().key_error.kind, KeyError::Kind::PermissionDenied);
  EXPECT_EQ(result.error().key_error.path, kApplication);

  memory.set_writable(Hive::LocalMachine, true);
  memory.fail(RegistryOp::SetValue, kErrorAccessDenied);
  result = do_register();
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().value_error.kind, ValueError::Kind::PermissionDenied);
  EXPECT_EQ(result.error().value_error.name, "EventMessageFile");
}

TEST_F(EventSourceTest, ASourceNameWithANulIsRefusedBeforeAnyKeyIsMade) {
  const auto result = do_register(std::string_view("ZUB\0Launcher", 12));
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().kind, EventLogError::Kind::RegKey);
  EXPECT_EQ(result.error().key_error.kind, KeyError::Kind::InvalidNul);
  EXPECT_TRUE(memory.calls_of(RegistryOp::CreateKey).empty());
  expect_all_keys_closed(memory);
}

TEST_F(EventSourceTest, AFailedWriteKeepsASourceKeyThatExistedBefore) {
  memory.put_string(Hive::LocalMachine, kSourceKey, "EventMessageFile", "C:\\alt.exe");
  memory.fail(RegistryOp::SetValue, kErrorAccessDenied);
  ASSERT_TRUE(do_register().has_error());
  ASSERT_TRUE(message_file().has_value());
  EXPECT_EQ(message_file()->data, reg_sz_bytes(u"C:\\alt.exe"));
  EXPECT_TRUE(memory.calls_of(RegistryOp::DeleteTree).empty());
  expect_all_keys_closed(memory);
}

TEST_F(EventSourceTest, DeregisterRemovesTheWholeSourceKey) {
  memory.put_string(Hive::LocalMachine, kSourceKey, "EventMessageFile", "C:\\x.exe");
  memory.put_string(Hive::LocalMachine, std::string(kSourceKey) + "\\Unter", "Wert", "y");
  ASSERT_TRUE(do_deregister().has_value());
  EXPECT_FALSE(memory.key_exists(Hive::LocalMachine, kSourceKey));
  EXPECT_TRUE(memory.key_exists(Hive::LocalMachine, kApplication));
  EXPECT_EQ(access_of(memory, RegistryOp::OpenKey, kWideApplication),
            std::vector<std::uint32_t>{kKeyRead});
  const auto deletes = memory.calls_of(RegistryOp::DeleteTree);
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0].name, u"ZUB Launcher");
  expect_all_keys_closed(memory);
}

TEST_F(EventSourceTest, DeregisterFailures) {
  struct Row {
    const char* name;
    std::function<void(MemoryRegistry&)> setup;
    KeyError::Kind kind;
    std::string text;
  };
  const std::vector<Row> rows = {
      {"source key does not exist", [](MemoryRegistry&) {}, KeyError::Kind::NotFound,
       "Provided path not found: ZUB Launcher"},
      {"deletion refused",
       [](MemoryRegistry& r) {
         r.add_key(Hive::LocalMachine, kSourceKey);
         r.fail(RegistryOp::DeleteTree, kErrorAccessDenied);
       },
       KeyError::Kind::PermissionDenied, "Permission denied for given path: ZUB Launcher"},
      {"source key does not exist, machine key read-only",  // looked up before the write
       [](MemoryRegistry& r) { r.set_writable(Hive::LocalMachine, false); },
       KeyError::Kind::NotFound, "Provided path not found: ZUB Launcher"},
      {"parent key cannot be opened",
       [](MemoryRegistry& r) { r.fail(RegistryOp::OpenKey, kErrorAccessDenied); },
       KeyError::Kind::PermissionDenied,
       "Permission denied for given path: " + std::string(kApplication)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry fresh;
    fresh.add_key(Hive::LocalMachine, kApplication);
    row.setup(fresh);
    Registry registry(fresh);
    const auto result = deregister_event_source(registry, "ZUB Launcher");
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error().kind, row.kind);
    EXPECT_EQ(text(result.error()), row.text);
    expect_all_keys_closed(fresh);
  }
}

TEST_F(EventSourceTest, DeregisterTwiceEndsWithNotFound) {
  ASSERT_TRUE(do_register().has_value());
  ASSERT_TRUE(do_deregister().has_value());
  const auto again = do_deregister();
  ASSERT_TRUE(again.has_error());
  EXPECT_EQ(again.error().kind, KeyError::Kind::NotFound);
}

}  // namespace
}  // namespace zub
