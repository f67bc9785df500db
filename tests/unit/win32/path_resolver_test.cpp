// The real Windows file identity and shell checks, on a temporary folder.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/utf8.h"
#include "platform/path_buffer.h"
#include "platform/windows_path.h"
#include "platform/path_resolver.h"
#include "platform/shell_open.h"

namespace zub {
namespace {

const wchar_t* wide(const Path& path) { return reinterpret_cast<const wchar_t*>(path.c_str()); }

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    root_ = reinterpret_cast<const char16_t*>(temp);
    static int counter = 0;
    root_ += u"zub_files_" + utf8_to_utf16(std::to_string(GetCurrentProcessId())) + u"_" +
             utf8_to_utf16(std::to_string(++counter));
    ASSERT_TRUE(CreateDirectoryW(wide(root_), nullptr)) << GetLastError();
    // The folder's own final form, e.g. \\?\C:\users\x\Temp\zub_files_1.
    auto canonical = system_path_resolver().final_path(root_);
    ASSERT_TRUE(canonical.has_value()) << canonical.error().text();
    canonical_root_ = canonical.value();
  }
  void TearDown() override {
    SetCurrentDirectoryW(L"C:\\");
    for (const auto& file : created_files_) DeleteFileW(wide(file));
    for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
      RemoveDirectoryW(wide(*it));
    }
    RemoveDirectoryW(wide(root_));
  }
  void make_folder(const Path& relative) {
    const Path path = root_ + relative;
    ASSERT_TRUE(CreateDirectoryW(wide(path), nullptr));
    created_folders_.push_back(path);
  }
  void make_file(const Path& relative, std::string_view content = {}) {
    const Path path = root_ + relative;
    const HANDLE file = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    created_files_.push_back(path);
  }

  Path root_;
  Path canonical_root_;
  std::vector<Path> created_files_;
  std::vector<Path> created_folders_;
  PathResolver& files_ = system_path_resolver();
};

TEST_F(TempFolder, CanonicalFormIsVerbatimAndResolved) {
  make_folder(u"\\Docs");
  make_file(u"\\Docs\\a.txt");
  EXPECT_TRUE(canonical_root_.starts_with(u"\\\\?\\")) << path_display(canonical_root_);
  const Path expected = canonical_root_ + u"\\Docs\\a.txt";
  const Path rows[] = {
      root_ + u"\\Docs\\..\\Docs\\a.txt",
      root_ + u"\\Docs\\\\a.txt",
      root_ + u"/Docs/a.txt",
      canonical_root_ + u"\\Docs\\a.txt",
  };
  for (const auto& path : rows) {
    const auto result = canonicalize_path(files_, path);
    ASSERT_TRUE(result.has_value()) << path_display(path) << ": " << result.error().text();
    EXPECT_EQ(result.value(), expected) << path_display(path);
  }
  // A folder gives its path without a trailing separator.
  const auto folder = canonicalize_path(files_, root_ + u"\\Docs\\");
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(folder.value(), canonical_root_ + u"\\Docs");
}

TEST_F(TempFolder, RelativeAndLongPathsAreMadeVerbatim) {
  make_folder(u"\\Docs");
  make_file(u"\\Docs\\a.txt");
  ASSERT_TRUE(SetCurrentDirectoryW(wide(root_)));
  const auto relative = canonicalize_path(files_, u"Docs\\a.txt");
  ASSERT_TRUE(relative.has_value()) << relative.error().text();
  EXPECT_EQ(relative.value(), canonical_root_ + u"\\Docs\\a.txt");

  // 250 units: made verbatim before it is opened. (Wine's final-path query fails beyond
  // MAX_PATH whatever the buffer, so the test stays below it.)
  const Path long_name(250 - root_.size() - 5, u'n');
  make_file(u"\\" + long_name + u".txt");
  const Path long_path = root_ + u"\\" + long_name + u".txt";
  ASSERT_TRUE(needs_verbatim_form(long_path));
  const auto long_result = canonicalize_path(files_, long_path);
  ASSERT_TRUE(long_result.has_value()) << long_result.error().text();
  EXPECT_EQ(long_result.value(), canonical_root_ + u"\\" + long_name + u".txt");
}

TEST_F(TempFolder, MissingFileGivesError2) {
  const auto missing = canonicalize_path(files_, root_ + u"\\none.txt");
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(missing.error().code, 2);
  const std::string text = missing.error().text();
  EXPECT_TRUE(text.ends_with(" (os error 2)")) << text;
  EXPECT_GT(text.size(), std::string(" (os error 2)").size()) << text;
  EXPECT_NE(text[text.size() - std::string(" (os error 2)").size() - 1], ' ') << text;

  const auto normalized = normalize_path(files_, root_ + u"\\none.txt");
  ASSERT_TRUE(normalized.has_error());
  EXPECT_EQ(normalized.error().code, 2);
}

TEST_F(TempFolder, NormalizeOfACanonicalPathGivesItBack) {
  make_file(u"\\a.txt");
  const Path canonical = canonical_root_ + u"\\a.txt";
  const auto normalized = normalize_path(files_, canonical);
  ASSERT_TRUE(normalized.has_value()) << normalized.error().text();
  EXPECT_EQ(normalized.value(), canonical);
  const auto full = normalize_path(files_, root_ + u"\\.\\a.txt");
  ASSERT_TRUE(full.has_value()) << full.error().text();
  EXPECT_EQ(full.value(), root_ + u"\\a.txt");
}

TEST_F(TempFolder, ShortPathOfAVerbatimPathIsVerbatim) {
  make_folder(u"\\Dokumente Ablage");
  const auto short_form = files_.short_path(canonical_root_ + u"\\Dokumente Ablage");
  ASSERT_TRUE(short_form.has_value()) << short_form.error().text();
  EXPECT_TRUE(short_form.value().starts_with(u"\\\\?\\")) << path_display(short_form.value());
  // Wine's short names are hashed ("DOKU~THI"); Windows numbers them ("DOKUME~1").
  EXPECT_EQ(short_form.value().find(u' '), Path::npos) << path_display(short_form.value());
  const auto resolved = files_.final_path(short_form.value());
  ASSERT_TRUE(resolved.has_value()) << resolved.error().text();
  EXPECT_EQ(resolved.value(), canonical_root_ + u"\\Dokumente Ablage");
}

TEST_F(TempFolder, ExecutableContentIsRefused) {
  Shell& shell = system_shell();
  make_file(u"\\setup.exe");
  make_file(u"\\Plan.pdf", "%PDF-1.4\n");
  // Programs by their headers, whatever their names; text that begins alike, and a script
  // (handed over as its type, it does not run), are documents.
  using namespace std::string_literals;
  make_file(u"\\Rechnung.pdf", "MZ"s + std::string(58, '\0') + "\x40\0\0\0PE\0\0"s);
  make_file(u"\\Mosambik.csv", "MZ;Mosambik;Maputo\r\n");
  make_file(u"\\x.pdf", "#!/bin/sh\n");
  make_folder(u"\\Ordner");
  make_folder(u"\\www.kunde.com");
  // Held open without sharing: its content is unknown, but it goes to its type's application.
  make_file(u"\\offen.pdf", "MZ");
  const HANDLE held = CreateFileW(wide(root_ + u"\\offen.pdf"), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const std::pair<const char16_t*, bool> rows[] = {
      {u"\\setup.exe", true}, {u"\\Plan.pdf", false},      {u"\\Rechnung.pdf", true},
      {u"\\x.pdf", false},    {u"\\Mosambik.csv", false},  {u"\\Ordner", false},
      {u"\\www.kunde.com", false}, {u"\\offen.pdf", false}, {u"\\missing.pdf", true},
  };
  for (const auto& [name, expected] : rows) {
    EXPECT_EQ(shell.is_executable_content(canonical_root_ + name), expected)
        << path_display(name);
  }
  CloseHandle(held);
}

}  // namespace
}  // namespace zub
