// The real Linux file identity and the GIO content check, on a temporary folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/utf8.h"
#include "platform/windows_path.h"
#include "platform/path_resolver.h"
#include "platform/posix/native_path.h"
#include "platform/shell_open.h"

namespace zub {
namespace {

namespace fs = std::filesystem;

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zub_files_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    // The folder itself may sit behind a link (/tmp on some systems): use its real path.
    root_ = fs::canonical(pattern);
  }
  void TearDown() override { fs::remove_all(root_); }

  void write(const fs::path& file, const std::string& content = "x") {
    std::ofstream(file, std::ios::binary) << content;
  }
  // The launcher's form of a Linux path: "\" separators.
  static Path as_launcher_path(const std::string& native) {
    Path path = utf8_to_utf16(native);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
  }

  fs::path root_;
  PathResolver& files_ = system_path_resolver();
};

TEST_F(TempFolder, FinalPathResolvesDotsRepeatedSeparatorsAndLinks) {
  fs::create_directories(root_ / "Docs" / "Sub");
  write(root_ / "Docs" / "Sub" / "a.txt");
  write(root_ / "secret.txt");
  fs::create_symlink(root_ / "secret.txt", root_ / "Docs" / "escape.txt");
  fs::create_directory_symlink(root_, root_ / "Docs" / "up");
  const std::string base = root_.string();

  const std::pair<std::string, std::string> rows[] = {
      {base + "/Docs/Sub/../Sub/a.txt", base + "/Docs/Sub/a.txt"},
      {base + "/Docs//Sub///a.txt", base + "/Docs/Sub/a.txt"},
      {base + "/Docs/escape.txt", base + "/secret.txt"},
      {base + "/Docs/up/secret.txt", base + "/secret.txt"},
      {base + "/Docs/", base + "/Docs"},
  };
  for (const auto& [input, expected] : rows) {
    for (const Path& path : {utf8_to_utf16(input), as_launcher_path(input)}) {
      const auto result = files_.final_path(path);
      ASSERT_TRUE(result.has_value()) << input << ": " << result.error().text();
      EXPECT_EQ(result.value(), utf8_to_utf16(expected)) << input;
    }
  }
}

TEST_F(TempFolder, LinkEscapeFailsTheContainmentTest) {
  fs::create_directory(root_ / "Docs");
  fs::create_directory(root_ / "DocsX");
  write(root_ / "DocsX" / "a.txt");
  fs::create_symlink(root_ / "DocsX" / "a.txt", root_ / "Docs" / "link.txt");
  const auto base = canonicalize_path(files_, as_launcher_path(root_.string() + "/Docs"));
  const auto file = canonicalize_path(files_, as_launcher_path(root_.string() + "/Docs/link.txt"));
  ASSERT_TRUE(base.has_value());
  ASSERT_TRUE(file.has_value());
  EXPECT_FALSE(path_starts_with(file.value(), base.value())) << path_display(file.value());
}

TEST_F(TempFolder, NamesWithOddBytesRoundTrip) {
  // A name that is not UTF-8 and one that holds a backslash: both must come back as units that
  // lead to the same file, and neither may be taken for another name.
  const std::string odd_names[] = {"caf\xE9.txt", "a\\b.txt"};
  for (const auto& name : odd_names) {
    write(root_ / name, name);
    const Path path = posix::from_native(root_.string() + "/" + name);
    const auto final_path = files_.final_path(path);
    ASSERT_TRUE(final_path.has_value()) << final_path.error().text();
    EXPECT_EQ(final_path.value(), path);
    EXPECT_EQ(posix::to_native(final_path.value()), root_.string() + "/" + name);
    EXPECT_TRUE(files_.query_metadata(final_path.value()).has_value());
  }
  // The backslash name is not the path a\b.
  fs::create_directory(root_ / "a");
  EXPECT_TRUE(files_.final_path(as_launcher_path(root_.string() + "/a/b.txt")).has_error());
}

TEST(PathDisplay, ShowsTheBytesOfLinuxNames) {
  const std::pair<std::string, std::string> rows[] = {
      {"caf\x9b\xff.txt", "caf\\x9b\\xff.txt"},  // bytes that are no UTF-8, escaped
      // A "\" in a name, and every other character as it is.
      {"a\\b/\xc3\xa9\xe2\x80\xae", "a\\b/\xc3\xa9\xe2\x80\xae"},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(path_display(posix::from_native(in)), out);
  EXPECT_EQ(path_display(u"a\xD800" u"b\\c"), "a\xEF\xBF\xBD" "b\\c");  // other lone surrogates
}

TEST_F(TempFolder, MissingFileReportsTheSystemText) {
  const Path missing = as_launcher_path(root_.string() + "/none.txt");
  const auto final_path = files_.final_path(missing);
  ASSERT_TRUE(final_path.has_error());
  EXPECT_EQ(final_path.error().text(), "No such file or directory (os error 2)");
  const auto metadata = files_.query_metadata(missing);
  ASSERT_TRUE(metadata.has_error());
  EXPECT_EQ(metadata.error().text(), "No such file or directory (os error 2)");
  const auto normalized = normalize_path(files_, missing);
  ASSERT_TRUE(normalized.has_error());
  EXPECT_EQ(normalized.error().code, 2);
}

TEST_F(TempFolder, FullPathIsLexicalAndKeepsLinks) {
  fs::create_directory(root_ / "real");
  fs::create_directory_symlink(root_ / "real", root_ / "link");
  const std::string base = root_.string();
  const auto cwd = fs::current_path();
  fs::current_path(root_);
  const std::pair<std::string, std::string> rows[] = {
      {"link/x/../y", base + "/link/y"},
      {"./link//y/.", base + "/link/y"},
      {base + "/link/y", base + "/link/y"},
      {"/../..", "/"},
  };
  for (const auto& [input, expected] : rows) {
    const auto result = files_.full_path(as_launcher_path(input));
    ASSERT_TRUE(result.has_value()) << input;
    EXPECT_EQ(result.value(), utf8_to_utf16(expected)) << input;
  }
  fs::current_path(cwd);
}

TEST_F(TempFolder, NormalizeOfACanonicalPathGivesItBack) {
  fs::create_directory(root_ / "Docs");
  write(root_ / "Docs" / "a.txt");
  const auto canonical =
      canonicalize_path(files_, as_launcher_path(root_.string() + "/Docs/a.txt"));
  ASSERT_TRUE(canonical.has_value());
  const auto normalized = normalize_path(files_, canonical.value());
  ASSERT_TRUE(normalized.has_value()) << normalized.error().text();
  EXPECT_EQ(normalized.value(), canonical.value());
}

TEST_F(TempFolder, ExecutableContentIsRecognised) {
  Shell& shell = system_shell();
  fs::copy_file("/bin/true", root_ / "program");
  // GIO would call it by its name; its first bytes make it a program.
  fs::copy_file("/bin/true", root_ / "program.pdf");
  write(root_ / "notes.txt", "#!/bin/sh without its run bit is a text\n");
  ASSERT_EQ(::mkfifo((root_ / "fifo").c_str(), 0600), 0);
  write(root_ / "script", "#!/bin/sh\necho hi\n");
  write(root_ / "run.sh", "echo hi\n");
  write(root_ / "tool.py", "print('hi')\n");
  write(root_ / "start.desktop", "[Desktop Entry]\nType=Application\nExec=true\nName=x\n");
  write(root_ / "setup.exe", "MZ\x90");
  write(root_ / "letter.txt", "Sehr geehrte Damen und Herren,\n");
  write(root_ / "plan.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  write(root_ / "empty.odt", "");
  fs::create_directory(root_ / "folder");

  const std::pair<const char*, bool> rows[] = {
      {"program", true},     {"program.pdf", true},  {"notes.txt", false},
      {"fifo", true},        {"script", true},
      {"run.sh", true},      {"tool.py", true},      {"start.desktop", true},
      {"setup.exe", true},   {"letter.txt", false},  {"plan.pdf", false},
      {"empty.odt", false},  {"folder", false},
      // What cannot be examined is not opened.
      {"missing.txt", true},
  };
  for (const auto& [name, expected] : rows) {
    EXPECT_EQ(shell.is_executable_content(as_launcher_path((root_ / name).string())), expected)
        << name;
  }
}

}  // namespace
}  // namespace zub
