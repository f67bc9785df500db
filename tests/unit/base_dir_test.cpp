#include "config/base_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "messages/messages.h"
#include "memory_registry.h"
#include "recording_ui.h"
#include "registry_checks.h"

namespace zub {
namespace {

using testing::access_of;
using testing::expect_all_keys_closed;
using testing::RecordingUi;

constexpr std::string_view kPath = "SOFTWARE\\varnelo\\launcher";
constexpr std::u16string_view kWidePath = u"SOFTWARE\\varnelo\\launcher";

std::vector<std::uint8_t> expand_sz(std::u16string_view text) {
  return reg_sz_bytes(text);  // the same bytes, under another type
}

TEST(ReadBaseDirTest, UserValueFirstThenTheMachineValueAndItsError) {
  struct Row {
    const char* name;
    std::function<void(MemoryRegistry&)> setup;
    std::optional<std::string> text;
    RegistryError error;
  };
  const std::vector<Row> rows = {
      {"only the machine value",
       [](MemoryRegistry& r) {
         r.put_string(Hive::LocalMachine, kPath, "NextCloudFolder", "M:\\Dok");
       },
       "M:\\Dok",
       {}},
      {"both: the user value wins",
       [](MemoryRegistry& r) {
         r.put_string(Hive::LocalMachine, kPath, "NextCloudFolder", "M:\\Dok");
         r.put_string(Hive::CurrentUser, kPath, "NextCloudFolder", "U:\\Dok");
       },
       "U:\\Dok",
       {}},
      {"an empty user value still wins",
       [](MemoryRegistry& r) {
         r.put_string(Hive::LocalMachine, kPath, "NextCloudFolder", "M:\\Dok");
         r.put_string(Hive::CurrentUser, kPath, "NextCloudFolder", "");
       },
       "",
       {}},
      {"a user REG_EXPAND_SZ counts as missing",
       [](MemoryRegistry& r) {
         r.put_value(Hive::CurrentUser, kPath, "NextCloudFolder", kRegExpandSz,
                     expand_sz(u"U:\\Dok"));
         r.put_string(Hive::LocalMachine, kPath, "NextCloudFolder", "M:\\Dok");
       },
       "M:\\Dok",
       {}},
      {"a user REG_EXPAND_SZ and no machine value",
       [](MemoryRegistry& r) {
         r.put_value(Hive::CurrentUser, kPath, "NextCloudFolder", kRegExpandSz,
                     expand_sz(u"U:\\Dok"));
         r.add_key(Hive::LocalMachine, kPath);
       },
       std::nullopt, RegistryError::Value},
      {"neither key", [](MemoryRegistry&) {}, std::nullopt, RegistryError::Key},
      {"the machine key without the value",
       [](MemoryRegistry& r) { r.add_key(Hive::LocalMachine, kPath); }, std::nullopt,
       RegistryError::Value},
      {"the error is the machine's, not the user's",
       [](MemoryRegistry& r) { r.add_key(Hive::CurrentUser, kPath); }, std::nullopt,
       RegistryError::Key},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry memory;
    row.setup(memory);
    Registry registry(memory);
    const auto result = read_base_dir(registry);
    if (row.text) {
      ASSERT_TRUE(result.has_value());
      EXPECT_EQ(result.value(), *row.text);
    } else {
      ASSERT_TRUE(result.has_error());
      EXPECT_EQ(result.error(), row.error);
    }
    expect_all_keys_closed(memory);
  }
}

class WriteBaseDirTest : public ::testing::Test {
 protected:
  Result<void, RegistryError> write(std::string_view folder, bool debug = false) {
    if (debug) messages.enable_debug();
    Registry registry(memory);
    return write_base_dir(registry, messages, folder);
  }

  std::optional<RegistryValue> stored() const {
    return memory.value(Hive::CurrentUser, kPath, "NextCloudFolder");
  }

  MemoryRegistry memory;
  RecordingUi ui;
  Messages messages{ui, true};
};

TEST_F(WriteBaseDirTest, StoresTheTextUnchangedAsRegSz) {
  const std::vector<std::string> folders = {
      "C:\\Daten",       "C:\\Daten\\",       "",
      "relativ\\ordner", "D:\\gibt es nicht", "C:\\Dokumente für Ä"};
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    memory.add_key(Hive::CurrentUser, kPath);
    ASSERT_TRUE(write(folder).has_value());
    const auto value = stored();
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->data, reg_sz_bytes(utf8_to_utf16(folder)));
    Registry registry(memory);
    const auto read = read_base_dir(registry);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read.value(), folder);
  }
  EXPECT_EQ(ui.out, "");
  EXPECT_EQ(ui.err, "");
  expect_all_keys_closed(memory);
}

TEST_F(WriteBaseDirTest, EightCharactersAreEighteenBytes) {
  memory.add_key(Hive::CurrentUser, kPath);
  ASSERT_TRUE(write("C:\\Daten").has_value());
  EXPECT_EQ(stored()->data.size(), 18u);
}

TEST_F(WriteBaseDirTest, OpensAnExistingKeyForWriting) {
  memory.add_key(Hive::CurrentUser, kPath);
  ASSERT_TRUE(write("C:\\Daten", true).has_value());
  EXPECT_EQ(access_of(memory, RegistryOp::OpenKey, kWidePath),
            std::vector<std::uint32_t>{kKeyWrite});
  EXPECT_TRUE(memory.calls_of(RegistryOp::CreateKey).empty());
  EXPECT_EQ(ui.out, "Try to open path true\nTry to set value true\n");
  expect_all_keys_closed(memory);
}

TEST_F(WriteBaseDirTest, CreatesAMissingKeyAndSaysSoWhateverTheDebugSwitch) {
  struct Row {
    bool debug;
    std::string out;
  };
  const Row rows[] = {
      {false, "Try to create path\n"},
      {true, "Try to open path true\nTry to create path\nTry to set value true\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.debug ? "with -d" : "without -d");
    MemoryRegistry fresh;
    RecordingUi fresh_ui;
    Messages fresh_messages(fresh_ui, true);
    if (row.debug) fresh_messages.enable_debug();
    Registry registry(fresh);
    ASSERT_TRUE(write_base_dir(registry, fresh_messages, "C:\\Daten").has_value());
    EXPECT_EQ(fresh_ui.out, row.out);
    EXPECT_EQ(access_of(fresh, RegistryOp::CreateKey, kWidePath),
              std::vector<std::uint32_t>{kKeyAllAccess});
    EXPECT_TRUE(fresh.key_exists(Hive::CurrentUser, kPath));
    ASSERT_TRUE(fresh.value(Hive::CurrentUser, kPath, "NextCloudFolder").has_value());
    expect_all_keys_closed(fresh);
  }
}

TEST_F(WriteBaseDirTest, WithoutAConsoleTheCreateLineStillGoesToStandardOutput) {
  Messages boxed(ui, false);
  Registry registry(memory);
  ASSERT_TRUE(write_base_dir(registry, boxed, "C:\\Daten").has_value());
  EXPECT_EQ(ui.out, "Try to create path\n");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(WriteBaseDirTest, AFailedCreationShowsTheDetailedKeyError) {
  memory.fail(RegistryOp::CreateKey, kErrorAccessDenied);
  const auto result = write("C:\\Daten");
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error(), RegistryError::Key);
  const std::string detail =
      describe_detailed(KeyError::from_status(kErrorAccessDenied, std::string(kPath)));
  EXPECT_EQ(ui.err, "Fehler " + detail + " true\n");
  EXPECT_EQ(std::count(detail.begin(), detail.end(), '\n'), 7);
  EXPECT_EQ(detail.substr(0, detail.find('\n')), "PermissionDenied(");
  EXPECT_NE(detail.find("\"SOFTWARE\\\\varnelo\\\\launcher\""), std::string::npos);
  EXPECT_FALSE(stored().has_value());
  EXPECT_TRUE(memory.calls_of(RegistryOp::SetValue).empty());
  expect_all_keys_closed(memory);
}

TEST_F(WriteBaseDirTest, AFailedWriteIsValueAndClosesTheKey) {
  memory.add_key(Hive::CurrentUser, kPath);
  memory.fail(RegistryOp::SetValue, kErrorAccessDenied);
  const auto result = write("C:\\Daten");
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error(), RegistryError::Value);
  EXPECT_EQ(ui.err, "");
  EXPECT_FALSE(stored().has_value());
  expect_all_keys_closed(memory);
}

TEST_F(WriteBaseDirTest, AnExpandSzValueIsReplacedByRegSz) {
  memory.put_value(Hive::CurrentUser, kPath, "NextCloudFolder", kRegExpandSz, expand_sz(u"%HOME%"));
  ASSERT_TRUE(write("C:\\Daten").has_value());
  EXPECT_EQ(stored()->type, kRegSz);
  EXPECT_EQ(stored()->data, reg_sz_bytes(u"C:\\Daten"));
}

TEST_F(WriteBaseDirTest, AnOddArgumentWritesNothing) {
  struct Row {
    const char* name;
    std::string folder;
  };
  const Row rows[] = {
      {"embedded NUL", std::string("C:\\Da\0ten", 9)},
      {"unpaired surrogate from the command line", "C:\\\xED\xA0\x80"},
      {"truncated sequence", "C:\\\xC3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryRegistry fresh;
    fresh.put_string(Hive::CurrentUser, kPath, "NextCloudFolder", "alt");
    Registry registry(fresh);
    const auto result = write_base_dir(registry, messages, row.folder);
    ASSERT_TRUE(result.has_error());
    EXPECT_EQ(result.error(), RegistryError::Value);
    EXPECT_TRUE(fresh.calls_of(RegistryOp::SetValue).empty());
    EXPECT_EQ(fresh.value(Hive::CurrentUser, kPath, "NextCloudFolder")->data, reg_sz_bytes(u"alt"));
    expect_all_keys_closed(fresh);

    // Without the user key, no key is created for such a value either.
    MemoryRegistry empty;
    Registry empty_registry(empty);
    EXPECT_TRUE(write_base_dir(empty_registry, messages, row.folder).has_error());
    EXPECT_TRUE(empty.calls_of(RegistryOp::CreateKey).empty());
  }
}

}  // namespace
}  // namespace zub
