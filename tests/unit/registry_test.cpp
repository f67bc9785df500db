// The registry layer over the in-memory registry: error kinds and texts, the two-query read,
// writes, deletion, and that every key opened is closed exactly once.

#include <gtest/gtest.h>

#include "common/quoted.h"
#include "memory_registry.h"
#include "registry/registry.h"
#include "registry_checks.h"

namespace zub {
namespace {

using testing::bytes_of;
using testing::utf16_bytes;

constexpr const char* kLauncherKey = "SOFTWARE\\varnelo\\launcher";

TEST(RegistryStatus, ClassifiesCodesIntoKindsAndCategoryNames) {
  struct Row {
    OsError status;
    StatusKind kind;
    const char* category;
  };
  const Row rows[] = {
      {2, StatusKind::NotFound, "NotFound"},
      {3, StatusKind::NotFound, "NotFound"},
      {15, StatusKind::NotFound, "NotFound"},
      {53, StatusKind::NotFound, "NotFound"},
      {67, StatusKind::NotFound, "NotFound"},
      {5, StatusKind::PermissionDenied, "PermissionDenied"},
      {10013, StatusKind::PermissionDenied, "PermissionDenied"},
      {1, StatusKind::Unknown, "Uncategorized"},
      {6, StatusKind::Unknown, "Uncategorized"},
      {234, StatusKind::Unknown, "Uncategorized"},
      {1015, StatusKind::Unknown, "Uncategorized"},
      {1018, StatusKind::Unknown, "Uncategorized"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(classify_status(row.status), row.kind) << row.status;
    EXPECT_EQ(status_category_name(row.status), row.category) << row.status;
    const KeyError key = KeyError::from_status(row.status, "p");
    const ValueError value = ValueError::from_status(row.status, "n");
    const auto key_kind = row.kind == StatusKind::NotFound           ? KeyError::Kind::NotFound
                          : row.kind == StatusKind::PermissionDenied ? KeyError::Kind::PermissionDenied
                                                                     : KeyError::Kind::Unknown;
    const auto value_kind = row.kind == StatusKind::NotFound ? ValueError::Kind::NotFound
                            : row.kind == StatusKind::PermissionDenied
                                ? ValueError::Kind::PermissionDenied
                                : ValueError::Kind::Unknown;
    EXPECT_EQ(key.kind, key_kind) << row.status;
    EXPECT_EQ(value.kind, value_kind) << row.status;
    EXPECT_EQ(key.status, row.status);
    EXPECT_EQ(value.name, "n");
  }
}

TEST(RegistryTexts, KeyErrorAndRegistryErrorTexts) {
  KeyError nul;
  nul.kind = KeyError::Kind::InvalidNul;
  nul.nul = NulError{2, u"ab"};
  const struct {
    KeyError error;
    const char* text;
  } rows[] = {
      {KeyError::from_status(2, "ZUB Launcher"), "Provided path not found: ZUB Launcher"},
      {KeyError::from_status(5, "ZUB Launcher"), "Permission denied for given path: ZUB Launcher"},
      {KeyError::from_status(1018, "a\\b"), "An unknown IO error occurred for given path: a\\b"},
      {nul, "Invalid null found in provided path"},
  };
  for (const auto& row : rows) EXPECT_EQ(text(row.error), row.text) << row.text;
  EXPECT_EQ(text(RegistryError::Key), "Error accessing registry key");
  EXPECT_EQ(text(RegistryError::Value), "Error accessing registry value");
}

// The message line holds the platform's text for the code (FormatMessageW on Windows).
TEST(RegistryTexts, DetailedRenderingHasEightLines) {
  EXPECT_EQ(describe_detailed(KeyError::from_status(5, kLauncherKey)),
            "PermissionDenied(\n"
            "    \"SOFTWARE\\\\varnelo\\\\launcher\",\n"
            "    Os {\n"
            "        code: 5,\n"
            "        kind: PermissionDenied,\n"
            "        message: " + quoted_form(registry_status_message(5)) + ",\n"
            "    },\n"
            ")");
  EXPECT_EQ(describe_detailed(KeyError::from_status(1018, "x\"y")),
            "Unknown(\n"
            "    \"x\\\"y\",\n"
            "    Os {\n"
            "        code: 1018,\n"
            "        kind: Uncategorized,\n"
            "        message: " + quoted_form(registry_status_message(1018)) + ",\n"
            "    },\n"
            ")");
}

TEST(RegistryTexts, DiagnosticFormsNameKindAndCause) {
  EXPECT_EQ(describe(KeyError::from_status(2, "a")),
            "NotFound(\"a\", Os { code: 2, kind: NotFound, message: " +
                quoted_form(registry_status_message(2)) + " })");
  ValueError missing;
  missing.kind = ValueError::Kind::MissingNul;
  missing.units = u"ab";
  EXPECT_EQ(describe(missing), "MissingNul(MissingNulError { inner: [97, 98] })");
  ValueError type;
  type.kind = ValueError::Kind::UnhandledType;
  type.type = 12;
  EXPECT_EQ(describe(type), "UnhandledType(12)");
}

// --- read_string_value

struct ReadRow {
  const char* name;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  std::optional<std::string> text;  // empty: RegistryError::Value
};

TEST(ReadStringValue, AcceptsOnlyTerminatedRegSz) {
  const ReadRow rows[] = {
      {"plain", kRegSz, reg_sz_bytes(u"C:\\Daten"), "C:\\Daten"},
      {"two zero bytes", kRegSz, bytes_of({0, 0}), ""},
      {"zero bytes", kRegSz, {}, std::nullopt},
      {"no terminator", kRegSz, utf16_bytes(u"C:\\Daten"), std::nullopt},
      {"text after NUL", kRegSz, utf16_bytes(std::u16string(u"ab\0cd\0", 6)), "ab"},
      {"odd count, last byte zero", kRegSz, bytes_of({'a', 0, 0}), "a"},
      {"odd count, no zero", kRegSz, bytes_of({'a', 0, 'b'}), std::nullopt},
      {"odd count after terminator", kRegSz, bytes_of({'a', 0, 0, 0, 'b'}), "a"},
      {"lone surrogate", kRegSz, utf16_bytes(std::u16string({0xD800, u'A', 0})),
       "\xEF\xBF\xBD" "A"},
      {"expand sz", kRegExpandSz, reg_sz_bytes(u"C:\\Daten"), std::nullopt},
      {"dword", kRegDword, bytes_of({1, 0, 0, 0}), std::nullopt},
      {"binary empty", kRegBinary, {}, std::nullopt},
      {"binary odd", kRegBinary, bytes_of({'a', 0, 0}), std::nullopt},
      {"multi sz", kRegMultiSz, utf16_bytes(std::u16string(u"a\0\0", 3)), std::nullopt},
      {"type above 11", 12, reg_sz_bytes(u"x"), std::nullopt},
      {"none", kRegNone, reg_sz_bytes(u"x"), std::nullopt},
      // A string value holds at most 4 MiB; a larger size is refused before any buffer is made.
      {"4 MiB", kRegSz, reg_sz_bytes(std::u16string((2 << 20) - 1, u'x')),
       std::string((2 << 20) - 1, 'x')},
      {"above 4 MiB", kRegSz, reg_sz_bytes(std::u16string(2 << 20, u'x')), std::nullopt},
  };
  for (const auto& row : rows) {
    MemoryRegistry memory;
    memory.put_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", row.type, row.data);
    Registry registry(memory);
    auto result = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder");
    if (row.text) {
      ASSERT_TRUE(result.has_value()) << row.name;
      EXPECT_EQ(result.value(), *row.text) << row.name;
    } else {
      ASSERT_TRUE(result.has_error()) << row.name;
      EXPECT_EQ(result.error(), RegistryError::Value) << row.name;
    }
    EXPECT_EQ(memory.open_handle_count(), 0u) << row.name;
    EXPECT_EQ(memory.invalid_handle_uses(), 0u) << row.name;
  }
}

TEST(ReadStringValue, MissingKeyIsKeyAndMissingValueIsValue) {
  MemoryRegistry memory;
  memory.put_string(Hive::LocalMachine, kLauncherKey, "", "C:\\Programme\\Varnelo");
  Registry registry(memory);

  auto no_key = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder");
  ASSERT_TRUE(no_key.has_error());
  EXPECT_EQ(no_key.error(), RegistryError::Key);

  auto no_value = registry.read_string_value(Hive::LocalMachine, kLauncherKey, "NextCloudFolder");
  ASSERT_TRUE(no_value.has_error());
  EXPECT_EQ(no_value.error(), RegistryError::Value);

  // The empty name is the default value; names match whatever their case.
  auto installed = registry.read_string_value(Hive::LocalMachine, "software\\VARNELO\\Launcher", "");
  ASSERT_TRUE(installed.has_value());
  EXPECT_EQ(installed.value(), "C:\\Programme\\Varnelo");

  auto nul_path = registry.read_string_value(Hive::LocalMachine, std::string("a\0b", 3), "");
  ASSERT_TRUE(nul_path.has_error());
  EXPECT_EQ(nul_path.error(), RegistryError::Key);
  auto nul_name = registry.read_string_value(Hive::LocalMachine, kLauncherKey, std::string("\0", 1));
  ASSERT_TRUE(nul_name.has_error());
  EXPECT_EQ(nul_name.error(), RegistryError::Value);
  EXPECT_EQ(memory.open_handle_count(), 0u);
}

TEST(ReadStringValue, MakesTheTwoQueriesWithReadAccessAndClosesOnce) {
  MemoryRegistry memory;
  memory.put_string(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", "C:\\Daten");
  Registry registry(memory);
  ASSERT_TRUE(registry.read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder")
                  .has_value());

  const auto& calls = memory.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].op, RegistryOp::OpenKey);
  EXPECT_EQ(calls[0].key, raw_key(Hive::CurrentUser));
  EXPECT_EQ(calls[0].name, u"SOFTWARE\\varnelo\\launcher");
  EXPECT_EQ(calls[0].access, 0x20019u);
  EXPECT_EQ(calls[1].op, RegistryOp::QueryValue);
  EXPECT_FALSE(calls[1].with_data);
  EXPECT_EQ(calls[1].data_size, 0u);
  EXPECT_EQ(calls[2].op, RegistryOp::QueryValue);
  EXPECT_TRUE(calls[2].with_data);
  EXPECT_EQ(calls[2].data_size, 18u);
  EXPECT_EQ(calls[3].op, RegistryOp::CloseKey);
  EXPECT_EQ(calls[3].key, calls[0].result);
}

TEST(ReadStringValue, FailuresOfEachStepAndChangesBetweenTheQueries) {
  struct Row {
    const char* name;
    std::function<void(MemoryRegistry&)> arrange;
    RegistryError expected;
  };
  auto on_data_query = [](std::function<void(MemoryRegistry&)> change) {
    return [change](MemoryRegistry& memory) {
      memory.before_call = [change](MemoryRegistry& m, const RegistryCall& call) {
        if (call.op == RegistryOp::QueryValue && call.with_data) change(m);
      };
    };
  };
  const Row rows[] = {
      {"open denied", [](MemoryRegistry& m) { m.fail(RegistryOp::OpenKey, 5); },
       RegistryError::Key},
      {"size query fails", [](MemoryRegistry& m) { m.fail(RegistryOp::QueryValue, 5); },
       RegistryError::Value},
      {"data query fails",
       on_data_query([](MemoryRegistry& m) { m.fail(RegistryOp::QueryValue, 1018); }),
       RegistryError::Value},
      {"value grew",
       on_data_query([](MemoryRegistry& m) {
         m.put_string(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", "C:\\Daten\\Mehr");
       }),
       RegistryError::Value},
      {"value shrank to unterminated data",
       on_data_query([](MemoryRegistry& m) {
         m.put_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", kRegSz,
                     utf16_bytes(u"C:"));
       }),
       RegistryError::Value},
      {"type changed",
       on_data_query([](MemoryRegistry& m) {
         m.put_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", kRegExpandSz,
                     reg_sz_bytes(u"C:"));
       }),
       RegistryError::Value},
      {"key deleted",
       on_data_query([](MemoryRegistry& m) { m.remove_key(Hive::CurrentUser, kLauncherKey); }),
       RegistryError::Value},
  };
  for (const auto& row : rows) {
    MemoryRegistry memory;
    memory.put_string(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", "C:\\Daten");
    row.arrange(memory);
    Registry registry(memory);
    auto result = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder");
    ASSERT_TRUE(result.has_error()) << row.name;
    EXPECT_EQ(result.error(), row.expected) << row.name;
    EXPECT_EQ(memory.open_handle_count(), 0u) << row.name;
    EXPECT_EQ(memory.invalid_handle_uses(), 0u) << row.name;
  }
}

TEST(ReadStringValue, ShrunkValueStillReadsWhenTerminated) {
  MemoryRegistry memory;
  memory.put_string(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", "C:\\Daten");
  memory.before_call = [](MemoryRegistry& m, const RegistryCall& call) {
    if (call.op == RegistryOp::QueryValue && call.with_data) {
      m.put_string(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", "D:");
    }
  };
  Registry registry(memory);
  auto result = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder");
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result.value(), "D:");
}

TEST(ReadStringValue, ReadsLargeValues) {
  MemoryRegistry memory;
  const std::string big(1 << 20, 'x');
  memory.put_string(Hive::CurrentUser, kLauncherKey, "NextCloudFolder", big);
  Registry registry(memory);
  auto result = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder");
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result.value(), big);
}

// --- keys and writes

TEST(RegistryKeys, OpenAndCreatePassPathAndAccessAndClassifyFailures) {
  struct Row {
    const char* name;
    OsError injected;
    KeyError::Kind kind;
    const char* text;
  };
  const Row rows[] = {
      {"denied", 5, KeyError::Kind::PermissionDenied,
       "Permission denied for given path: SOFTWARE\\varnelo\\launcher"},
      {"marked for deletion", 1018, KeyError::Kind::Unknown,
       "An unknown IO error occurred for given path: SOFTWARE\\varnelo\\launcher"},
      {"path not found", 3, KeyError::Kind::NotFound,
       "Provided path not found: SOFTWARE\\varnelo\\launcher"},
  };
  for (const auto& row : rows) {
    for (const RegistryOp op : {RegistryOp::OpenKey, RegistryOp::CreateKey}) {
      MemoryRegistry memory;
      memory.add_key(Hive::CurrentUser, kLauncherKey);
      memory.fail(op, row.injected);
      Registry registry(memory);
      auto result = op == RegistryOp::OpenKey
                        ? registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyWrite)
                        : registry.create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess);
      ASSERT_TRUE(result.has_error()) << row.name;
      EXPECT_EQ(result.error().kind, row.kind) << row.name;
      EXPECT_EQ(result.error().status, row.injected) << row.name;
      EXPECT_EQ(text(result.error()), row.text) << row.name;
      // A failed open leaves nothing to close.
      EXPECT_TRUE(memory.calls_of(RegistryOp::CloseKey).empty()) << row.name;
      EXPECT_EQ(memory.calls()[0].access,
                op == RegistryOp::OpenKey ? 0x20006u : 0xF003Fu) << row.name;
    }
  }
}

TEST(RegistryKeys, MissingKeyIsNotFoundAndCreateMakesEveryKeyAbove) {
  MemoryRegistry memory;
  Registry registry(memory);
  auto missing = registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyWrite);
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(text(missing.error()), "Provided path not found: SOFTWARE\\varnelo\\launcher");

  {
    auto created = registry.create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess);
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(created->hive(), Hive::CurrentUser);
    EXPECT_EQ(created->path().view(), u"SOFTWARE\\varnelo\\launcher");
  }
  EXPECT_TRUE(memory.key_exists(Hive::CurrentUser, "SOFTWARE\\varnelo"));
  EXPECT_EQ(memory.key_spelling(Hive::CurrentUser, "software\\VARNELO"), u"varnelo");
  EXPECT_EQ(memory.open_handle_count(), 0u);
}

TEST(RegistryKeys, PathWithNulIsRefusedBeforeAnyCall) {
  MemoryRegistry memory;
  Registry registry(memory);
  auto result = registry.create_key(Hive::CurrentUser, std::string("ab\0c", 4), kKeyAllAccess);
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().kind, KeyError::Kind::InvalidNul);
  EXPECT_EQ(result.error().nul.position, 2u);
  EXPECT_EQ(text(result.error()), "Invalid null found in provided path");
  EXPECT_TRUE(memory.calls().empty());
}

TEST(RegistryKeys, KeyUnderKeyCarriesJoinedPathAndErrorsCarryTheArgument) {
  MemoryRegistry memory;
  Registry registry(memory);
  auto parent = registry.open_key(Hive::LocalMachine,
                                  "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application",
                                  kKeyWrite);
  ASSERT_TRUE(parent.has_value());
  auto source = registry.create_key(*parent, "ZUB Launcher", kKeyWrite);
  ASSERT_TRUE(source.has_value());
  EXPECT_EQ(source->path().view(),
            u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ZUB Launcher");
  EXPECT_EQ(memory.calls_of(RegistryOp::CreateKey)[0].key, parent->handle());

  auto missing = registry.open_key(*parent, "Nothing", kKeyRead);
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(missing.error().path, "Nothing");
}

TEST(RegistryKeys, EachKeyIsClosedExactlyOnce) {
  MemoryRegistry memory;
  Registry registry(memory);
  {
    auto first = registry.create_key(Hive::CurrentUser, "a", kKeyAllAccess);
    ASSERT_TRUE(first.has_value());
    RegistryKey moved = std::move(first).value();
    auto second = registry.create_key(Hive::CurrentUser, "b", kKeyAllAccess);
    ASSERT_TRUE(second.has_value());
    moved = std::move(second).value();  // closes "a" now
    EXPECT_EQ(memory.calls_of(RegistryOp::CloseKey).size(), 1u);
    moved.close();
    moved.close();
    EXPECT_EQ(memory.open_handle_count(), 0u);
  }
  EXPECT_EQ(memory.calls_of(RegistryOp::CloseKey).size(), 2u);
  EXPECT_EQ(memory.invalid_handle_uses(), 0u);
}

TEST(SetStringValue, StoresTheUnitsWithTerminator) {
  MemoryRegistry memory;
  Registry registry(memory);
  auto key = registry.create_key(Hive::CurrentUser, kLauncherKey, kKeyAllAccess);
  ASSERT_TRUE(key.has_value());
  auto value = to_wide_checked("C:\\Daten");
  ASSERT_TRUE(value.has_value());
  ASSERT_TRUE(registry.set_string_value(*key, "NextCloudFolder", *value).has_value());
  ASSERT_TRUE(registry.set_string_value(*key, "", *value).has_value());

  const auto sets = memory.calls_of(RegistryOp::SetValue);
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].type, kRegSz);
  EXPECT_EQ(sets[0].data_size, 18u);
  EXPECT_EQ(sets[0].data, reg_sz_bytes(u"C:\\Daten"));
  EXPECT_EQ(sets[1].name, u"");
  EXPECT_FALSE(sets[1].name_is_null);

  auto read_back = registry.read_string_value(Hive::CurrentUser, kLauncherKey, "");
  ASSERT_TRUE(read_back.has_value());
  EXPECT_EQ(read_back.value(), "C:\\Daten");
}

TEST(SetStringValue, Failures) {
  MemoryRegistry memory;
  Registry registry(memory);
  memory.add_key(Hive::CurrentUser, kLauncherKey);
  auto value = to_wide_checked("C:\\Daten");
  ASSERT_TRUE(value.has_value());

  // A key opened for reading refuses writes, as on Windows.
  auto read_only = registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyRead);
  ASSERT_TRUE(read_only.has_value());
  auto denied = registry.set_string_value(*read_only, "NextCloudFolder", *value);
  ASSERT_TRUE(denied.has_error());
  EXPECT_EQ(denied.error().kind, ValueError::Kind::PermissionDenied);
  EXPECT_EQ(denied.error().name, "NextCloudFolder");
  EXPECT_EQ(denied.error().status, 5u);

  auto key = registry.open_key(Hive::CurrentUser, kLauncherKey, kKeyWrite);
  ASSERT_TRUE(key.has_value());
  const std::size_t calls_before = memory.calls().size();
  auto nul = registry.set_string_value(*key, std::string("a\0", 2), *value);
  ASSERT_TRUE(nul.has_error());
  EXPECT_EQ(nul.error().kind, ValueError::Kind::InvalidNul);
  EXPECT_EQ(memory.calls().size(), calls_before);

  memory.fail(RegistryOp::SetValue, 1018);
  auto unknown = registry.set_string_value(*key, "NextCloudFolder", *value);
  ASSERT_TRUE(unknown.has_error());
  EXPECT_EQ(unknown.error().kind, ValueError::Kind::Unknown);
  EXPECT_FALSE(memory.value(Hive::CurrentUser, kLauncherKey, "NextCloudFolder").has_value());
}

TEST(DeleteKeyTree, DeletesTheKeyItselfOrANamedSubKey) {
  MemoryRegistry memory;
  Registry registry(memory);
  memory.put_string(Hive::ClassesRoot, "zubdms\\shell\\open\\command", "", "varnelo.exe %1");
  memory.add_key(Hive::ClassesRoot, "zubdms\\shell\\open\\command\\deeper");
  {
    auto key = registry.open_key(Hive::ClassesRoot, "zubdms\\shell\\open\\command", kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(registry.delete_key_tree(*key, "").has_value());
    // The handle of a deleted key still has to be closed; using it is refused.
    auto value = to_wide_checked("x");
    ASSERT_TRUE(value.has_value());
    auto after = registry.set_string_value(*key, "", *value);
    ASSERT_TRUE(after.has_error());
    EXPECT_EQ(after.error().status, 1018u);
  }
  EXPECT_EQ(memory.calls_of(RegistryOp::DeleteTree)[0].name, u"");
  EXPECT_FALSE(memory.calls_of(RegistryOp::DeleteTree)[0].name_is_null);
  EXPECT_FALSE(memory.key_exists(Hive::ClassesRoot, "zubdms\\shell\\open\\command"));
  EXPECT_TRUE(memory.key_exists(Hive::ClassesRoot, "zubdms\\shell\\open"));
  auto reopened = registry.open_key(Hive::ClassesRoot, "zubdms\\shell\\open\\command", kKeyRead);
  ASSERT_TRUE(reopened.has_error());
  EXPECT_EQ(reopened.error().kind, KeyError::Kind::NotFound);

  auto parent = registry.open_key(Hive::ClassesRoot, "zubdms", kKeyRead);
  ASSERT_TRUE(parent.has_value());
  auto missing = registry.delete_key_tree(*parent, "Nothing");
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(text(missing.error()), "Provided path not found: Nothing");
  ASSERT_TRUE(registry.delete_key_tree(*parent, "SHELL").has_value());
  EXPECT_FALSE(memory.key_exists(Hive::ClassesRoot, "zubdms\\shell"));
}

TEST(DeleteKeyTree, DeletingItselfNeedsDeleteAccess) {
  MemoryRegistry memory;
  Registry registry(memory);
  memory.add_key(Hive::ClassesRoot, "zubdms");
  auto key = registry.open_key(Hive::ClassesRoot, "zubdms", kKeyWrite);
  ASSERT_TRUE(key.has_value());
  auto denied = registry.delete_key_tree(*key, "");
  ASSERT_TRUE(denied.has_error());
  EXPECT_EQ(text(denied.error()), "Permission denied for given path: ");
  EXPECT_TRUE(memory.key_exists(Hive::ClassesRoot, "zubdms"));
}

// --- the in-memory registry itself, where tests elsewhere rely on it

TEST(MemoryRegistry, DetectsDoubleCloseAndUseAfterClose) {
  MemoryRegistry memory;
  RawKey handle = 0;
  ASSERT_EQ(memory.create_key(raw_key(Hive::CurrentUser), u"a", kKeyAllAccess, &handle), 0u);
  EXPECT_EQ(memory.open_handle_count(), 1u);
  EXPECT_EQ(memory.close_key(handle), 0u);
  EXPECT_EQ(memory.close_key(handle), 6u);
  std::uint32_t size = 0;
  EXPECT_EQ(memory.query_value(handle, u"", nullptr, nullptr, &size), 6u);
  EXPECT_EQ(memory.invalid_handle_uses(), 2u);
  EXPECT_EQ(memory.open_handle_count(), 0u);
}

TEST(MemoryRegistry, RefusedWritesAndInjectedFailuresByName) {
  MemoryRegistry memory;
  memory.set_writable(Hive::LocalMachine, false);
  RawKey handle = 0;
  const RawKey hklm = raw_key(Hive::LocalMachine);
  const char16_t* application = u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
  EXPECT_EQ(memory.open_key(hklm, application, kKeyRead, &handle), 0u);
  EXPECT_EQ(memory.close_key(handle), 0u);
  EXPECT_EQ(memory.open_key(hklm, application, kKeyWrite, &handle), 5u);
  EXPECT_EQ(memory.create_key(hklm, u"SOFTWARE\\varnelo", kKeyAllAccess, &handle), 5u);
  EXPECT_FALSE(memory.key_exists(Hive::LocalMachine, "SOFTWARE"));

  memory.put_string(Hive::CurrentUser, "k", "Wanted", "x");
  memory.put_string(Hive::CurrentUser, "k", "Other", "y");
  memory.fail(RegistryOp::QueryValue, 1018, "wanted", -1);
  ASSERT_EQ(memory.open_key(raw_key(Hive::CurrentUser), u"k", kKeyRead, &handle), 0u);
  std::uint32_t size = 0;
  EXPECT_EQ(memory.query_value(handle, u"Other", nullptr, nullptr, &size), 0u);
  EXPECT_EQ(memory.query_value(handle, u"WANTED", nullptr, nullptr, &size), 1018u);
  EXPECT_EQ(memory.query_value(handle, u"Wanted", nullptr, nullptr, &size), 1018u);
  EXPECT_EQ(memory.calls().back().status, 1018u);
  EXPECT_EQ(memory.close_key(handle), 0u);
}

}  // namespace
}  // namespace zub
