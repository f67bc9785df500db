// The registry layer over the real registry, in a throw-away key under HKEY_CURRENT_USER.

#include <gtest/gtest.h>
#include <windows.h>

#include "registry/registry.h"

namespace zub {
namespace {

class SystemRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = "Software\\zub_launcher_test_" + std::to_string(GetCurrentProcessId());
  }
  void TearDown() override {
    const auto path = to_wide_checked(root_);
    ASSERT_TRUE(path.has_value());
    (void)system_registry().delete_tree(raw_key(Hive::CurrentUser), path->c_str());
  }

  std::string path(std::string_view sub) const { return root_ + "\\" + std::string(sub); }

  Registry registry_{system_registry()};
  std::string root_;
};

TEST_F(SystemRegistryTest, WritesReadsAndDeletesLikeTheLayerExpects) {
  {
    auto key = registry_.create_key(Hive::CurrentUser, path("varnelo\\launcher"), kKeyAllAccess);
    ASSERT_TRUE(key.has_value()) << describe(key.error());
    auto value = to_wide_checked("C:\\Daten");
    ASSERT_TRUE(value.has_value());
    ASSERT_TRUE(registry_.set_string_value(*key, "NextCloudFolder", *value).has_value());

    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const auto name = to_wide_checked("NextCloudFolder");
    ASSERT_TRUE(name.has_value());
    ASSERT_EQ(system_registry().query_value(key->handle(), name->c_str(), &type, nullptr, &size), 0u);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 18u);
  }
  auto read = registry_.read_string_value(Hive::CurrentUser, path("VARNELO\\Launcher"),
                                          "nextcloudfolder");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read.value(), "C:\\Daten");

  auto no_value = registry_.read_string_value(Hive::CurrentUser, path("varnelo\\launcher"), "x");
  ASSERT_TRUE(no_value.has_error());
  EXPECT_EQ(no_value.error(), RegistryError::Value);
  auto no_key = registry_.read_string_value(Hive::CurrentUser, path("nothing"), "x");
  ASSERT_TRUE(no_key.has_error());
  EXPECT_EQ(no_key.error(), RegistryError::Key);

  {
    auto reader = registry_.open_key(Hive::CurrentUser, path("varnelo\\launcher"), kKeyRead);
    ASSERT_TRUE(reader.has_value());
    auto value = to_wide_checked("x");
    ASSERT_TRUE(value.has_value());
    auto denied = registry_.set_string_value(*reader, "NextCloudFolder", *value);
    ASSERT_TRUE(denied.has_error());
    EXPECT_EQ(denied.error().kind, ValueError::Kind::PermissionDenied);

    auto missing = registry_.delete_key_tree(*reader, "Nothing");
    ASSERT_TRUE(missing.has_error());
    EXPECT_EQ(text(missing.error()), "Provided path not found: Nothing");
  }
  {
    auto key = registry_.create_key(Hive::CurrentUser, path("varnelo\\launcher\\deeper"),
                                    kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
  }
  {
    auto key = registry_.open_key(Hive::CurrentUser, path("varnelo\\launcher"), kKeyAllAccess);
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(registry_.delete_key_tree(*key, "").has_value());
  }
  // Values and sub-keys are gone (Wine 8 keeps the emptied key itself, Windows deletes it).
  auto after = registry_.read_string_value(Hive::CurrentUser, path("varnelo\\launcher"),
                                           "NextCloudFolder");
  EXPECT_TRUE(after.has_error());
  auto deeper = registry_.open_key(Hive::CurrentUser, path("varnelo\\launcher\\deeper"), kKeyRead);
  ASSERT_TRUE(deeper.has_error());
  EXPECT_EQ(deeper.error().status, 2u);
  EXPECT_TRUE(registry_.open_key(Hive::CurrentUser, path("varnelo"), kKeyRead).has_value());
}

// The texts come from the system's message table (Wine words them differently from Windows).
TEST(RegistryStatusMessage, IsTheSystemTextWithoutTrailingBlanks) {
  for (const OsError status : {2u, 5u, 234u, 1015u, 1018u}) {
    const std::string message = registry_status_message(status);
    ASSERT_FALSE(message.empty()) << status;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << status;
    EXPECT_EQ(std::string_view(" \t\r\n").find(message.back()), std::string_view::npos) << status;
  }
  EXPECT_EQ(registry_status_message(0x7FFFFFFF), "Unknown error 2147483647");
}

}  // namespace
}  // namespace zub
