// Windows path rules over UTF-16 text: prefixes, components, the containment test, and the text
// rules of canonicalisation and normalisation, driven through a fake PathResolver.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "fake_code_page.h"
#include "platform/ansi_code_page.h"
#include "platform/path_buffer.h"
#include "platform/path_resolver.h"
#include "platform/windows_path.h"

namespace zub {
namespace {

std::string show(std::u16string_view path) { return utf16_to_utf8_lossy(path); }

struct PrefixRow {
  std::u16string path;
  std::optional<PrefixKind> kind;
  std::u16string first;
  std::u16string second;
  std::size_t length;
};

TEST(ParsePrefix, Kinds) {
  const PrefixRow rows[] = {
      {u"\\\\?\\pictures\\x", PrefixKind::Verbatim, u"pictures", u"", 12},
      {u"\\\\?\\UNC\\srv\\share\\x", PrefixKind::VerbatimUnc, u"srv", u"share", 17},
      {u"\\\\?\\UNC\\srv", PrefixKind::VerbatimUnc, u"srv", u"", 11},
      {u"\\\\?\\C:\\Docs", PrefixKind::VerbatimDisk, u"C", u"", 6},
      {u"\\\\?\\c:", PrefixKind::VerbatimDisk, u"c", u"", 6},
      // A slash does not separate behind the verbatim marker.
      {u"\\\\?\\C:/Docs", PrefixKind::Verbatim, u"C:/Docs", u"", 11},
      {u"\\\\.\\COM1", PrefixKind::Device, u"COM1", u"", 8},
      {u"//./pipe/x", PrefixKind::Device, u"pipe", u"", 8},
      {u"\\\\srv\\share\\x", PrefixKind::Unc, u"srv", u"share", 11},
      {u"//srv/share", PrefixKind::Unc, u"srv", u"share", 11},
      {u"C:\\Docs", PrefixKind::Disk, u"C", u"", 2},
      {u"z:rel", PrefixKind::Disk, u"z", u"", 2},
      // Two separators without server and share are no prefix.
      {u"\\\\srv", std::nullopt, u"", u"", 0},
      {u"\\\\srv\\", std::nullopt, u"", u"", 0},
      {u"\\\\\\share", std::nullopt, u"", u"", 0},
      {u"\\\\", std::nullopt, u"", u"", 0},
      {u"\\Docs", std::nullopt, u"", u"", 0},
      {u"Docs\\a", std::nullopt, u"", u"", 0},
      {u"1:\\x", std::nullopt, u"", u"", 0},
      {u"", std::nullopt, u"", u"", 0},
  };
  for (const auto& row : rows) {
    const auto prefix = parse_prefix(row.path);
    ASSERT_EQ(prefix.has_value(), row.kind.has_value()) << show(row.path);
    if (!prefix) continue;
    EXPECT_EQ(prefix->kind, *row.kind) << show(row.path);
    EXPECT_EQ(prefix->first, row.first) << show(row.path);
    EXPECT_EQ(prefix->second, row.second) << show(row.path);
    EXPECT_EQ(prefix->length, row.length) << show(row.path);
  }
}

// The components of a path in a compact form: P(prefix), R, ., .., and names.
std::string describe_components(std::u16string_view path) {
  std::string out;
  for (const auto& component : path_components(path)) {
    if (!out.empty()) out += '|';
    switch (component.kind) {
      case PathComponent::Kind::Prefix: out += "P(" + show(component.prefix.first) + ")"; break;
      case PathComponent::Kind::Root: out += "R"; break;
      case PathComponent::Kind::CurrentDir: out += "."; break;
      case PathComponent::Kind::ParentDir: out += ".."; break;
      case PathComponent::Kind::Name: out += show(component.name); break;
    }
  }
  return out;
}

TEST(PathComponents, Table) {
  const std::pair<std::u16string, std::string> rows[] = {
      {u"C:\\Docs\\a.txt", "P(C)|R|Docs|a.txt"},
      {u"C:\\Docs\\\\a.txt\\", "P(C)|R|Docs|a.txt"},
      {u"C:/Docs/./a.txt", "P(C)|R|Docs|a.txt"},
      {u"C:\\Docs\\..\\a.txt", "P(C)|R|Docs|..|a.txt"},
      {u"C:Docs", "P(C)|Docs"},
      {u".\\a\\.\\b", ".|a|b"},
      {u"C:.\\a", "P(C)|.|a"},
      {u"\\.\\a", "R|a"},
      {u"\\\\?\\C:\\Docs\\.\\a", "P(C)|R|Docs|.|a"},
      {u"\\\\?\\C:\\a/b", "P(C)|R|a/b"},
      {u"\\\\srv\\share", "P(srv)|R"},
      {u"\\\\srv\\share\\x", "P(srv)|R|x"},
      // Behind the verbatim marker only a written separator is a root, for a share too.
      {u"\\\\?\\UNC\\srv\\share", "P(srv)"},
      {u"\\\\?\\UNC\\srv\\share\\", "P(srv)|R"},
      {u"\\\\.\\COM1", "P(COM1)|R"},
      {u"\\\\srv", "R|srv"},
      {u"/home/u/Docs", "R|home|u|Docs"},
      {u"", ""},
  };
  for (const auto& [path, expected] : rows) {
    EXPECT_EQ(describe_components(path), expected) << show(path);
  }
}

struct StartsWithRow {
  std::u16string path;
  std::u16string base;
  bool expected;
};

TEST(PathStartsWith, Containment) {
  const StartsWithRow rows[] = {
      {u"\\\\?\\C:\\Docs\\a.txt", u"\\\\?\\C:\\Docs", true},
      {u"\\\\?\\C:\\Docs\\Sub\\a.txt", u"\\\\?\\C:\\Docs", true},
      {u"\\\\?\\C:\\DocsX\\a.txt", u"\\\\?\\C:\\Docs", false},
      {u"\\\\?\\C:\\Doc", u"\\\\?\\C:\\Docs", false},
      {u"\\\\?\\c:\\Docs\\a.txt", u"\\\\?\\C:\\Docs", true},
      {u"\\\\?\\C:\\docs\\a.txt", u"\\\\?\\C:\\Docs", false},
      {u"\\\\?\\C:\\Docs", u"\\\\?\\C:\\Docs", true},
      {u"\\\\?\\C:\\Docs\\a.txt", u"\\\\?\\C:\\Docs\\", true},
      {u"\\\\?\\C:\\Docs", u"\\\\?\\C:\\Docs\\", true},
      {u"\\\\?\\C:\\secret.txt", u"\\\\?\\C:\\Docs", false},
      {u"\\\\?\\D:\\Docs\\a.txt", u"\\\\?\\C:\\Docs", false},
      {u"\\\\?\\C:\\", u"\\\\?\\C:\\Docs", false},
      // Different prefix kinds share no leading component.
      {u"C:\\Docs\\a.txt", u"\\\\?\\C:\\Docs", false},
      {u"\\\\?\\C:\\Docs\\a.txt", u"C:\\Docs", false},
      {u"\\\\?\\UNC\\srv\\share\\Docs\\a", u"\\\\srv\\share\\Docs", false},
      {u"\\\\?\\UNC\\srv\\share\\Docs\\a", u"\\\\?\\UNC\\srv\\share\\Docs", true},
      {u"\\\\?\\UNC\\SRV\\share\\Docs\\a", u"\\\\?\\UNC\\srv\\share\\Docs", false},
      {u"\\\\?\\UNC\\srv\\share2\\Docs\\a", u"\\\\?\\UNC\\srv\\share\\Docs", false},
      {u"\\\\?\\UNC\\srv\\share\\x", u"\\\\?\\UNC\\srv\\share", true},
      // A UNC share or a device is its own root; a verbatim share, like a drive, is not.
      {u"\\\\?\\UNC\\srv\\share\\x", u"\\\\?\\UNC\\srv\\share\\", true},
      {u"\\\\?\\UNC\\srv\\share\\", u"\\\\?\\UNC\\srv\\share", true},
      {u"\\\\?\\UNC\\srv\\share", u"\\\\?\\UNC\\srv\\share\\", false},
      {u"\\\\srv\\share", u"\\\\srv\\share\\", true},
      {u"\\\\.\\pipe", u"\\\\.\\pipe\\", true},
      // ".." is not resolved here: it is a name of its own.
      {u"\\\\?\\C:\\Docs\\..\\secret.txt", u"\\\\?\\C:\\Docs", true},
      {u"\\\\?\\C:\\Other", u"\\\\?\\C:\\Docs\\..", false},
      // A slash is no separator behind a verbatim prefix.
      {u"\\\\?\\C:\\Docs/a.txt", u"\\\\?\\C:\\Docs", false},
      // Linux canonical paths.
      {u"/home/u/Docs/a.txt", u"/home/u/Docs", true},
      {u"/home/u/DocsX/a.txt", u"/home/u/Docs", false},
      {u"/home/u/Docs", u"/home/u/Docs/", true},
      {u"/etc/passwd", u"/home/u/Docs", false},
      // A name with an unpaired surrogate compares unit for unit.
      {u"/d/\xDC80/a", u"/d/\xDC80", true},
      {u"/d/\xDC81/a", u"/d/\xDC80", false},
      {u"anything", u"", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(path_starts_with(row.path, row.base), row.expected)
        << show(row.path) << " under " << show(row.base);
  }
}

TEST(CanonicalForm, VerbatimDecision) {
  const std::pair<std::u16string, bool> rows[] = {
      {u"C:\\Docs\\a.txt", false},
      {u"C:/Docs/a.txt", false},
      {u"\\\\srv\\share\\a", false},
      {u"\\\\?\\C:\\Docs", false},
      {u"\\??\\C:\\Docs", false},
      {u"Docs\\a.txt", true},
      {u"\\Docs\\a.txt", true},
      {u"C:Docs", true},
      {u"C:\\" + std::u16string(243, u'a'), false},  // 247 units with the NUL
      {u"C:\\" + std::u16string(244, u'a'), true},   // 248 units with the NUL
      {u"\\\\?\\C:\\" + std::u16string(400, u'a'), false},
  };
  for (const auto& [path, expected] : rows) {
    EXPECT_EQ(needs_verbatim_form(path), expected) << show(path) << " (" << path.size() << ")";
  }
}

TEST(CanonicalForm, FullPathToVerbatim) {
  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"C:\\Docs\\a.txt", u"\\\\?\\C:\\Docs\\a.txt"},
      {u"\\\\.\\C:\\Docs", u"\\\\?\\C:\\Docs"},
      {u"\\\\srv\\share\\a", u"\\\\?\\UNC\\srv\\share\\a"},
  };
  for (const auto& [full, expected] : rows) {
    EXPECT_EQ(to_verbatim_form(full), expected) << show(full);
  }
}

TEST(CanonicalForm, PlainFormForTheShell) {
  const std::u16string none = u"<verbatim>";
  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"\\\\?\\C:\\Docs\\a.txt", u"C:\\Docs\\a.txt"},
      {u"\\\\?\\c:\\Docs\\Plan \x00e4 v1.2.pdf", u"c:\\Docs\\Plan \x00e4 v1.2.pdf"},
      {u"\\\\?\\C:\\", u"C:\\"},
      {u"\\\\?\\UNC\\srv\\share\\Docs\\a.txt", u"\\\\srv\\share\\Docs\\a.txt"},
      {u"\\\\?\\UNC\\srv\\share", u"\\\\srv\\share"},
      {u"\\\\?\\UNC\\srv\\share\\", u"\\\\srv\\share\\"},
      {u"\\\\?\\C:\\d\\COM10.txt", u"C:\\d\\COM10.txt"},
      {u"\\\\?\\C:\\d\\console.txt", u"C:\\d\\console.txt"},
      {u"\\\\?\\C:\\d\\.profile", u"C:\\d\\.profile"},
      {u"\\\\?\\C:\\d\\ lead", u"C:\\d\\ lead"},
      {u"\\\\?\\C:\\d\\\xDC80", u"C:\\d\\\xDC80"},
      {u"\\\\?\\C:\\" + std::u16string(256, u'a'), u"C:\\" + std::u16string(256, u'a')},
      // Longer than MAX_PATH with the NUL.
      {u"\\\\?\\C:\\" + std::u16string(257, u'a'), none},
      {u"\\\\?\\UNC\\s\\h\\" + std::u16string(254, u'a'), none},
      // Names that plain paths read differently.
      {u"\\\\?\\C:\\d\\..\\a", none},
      {u"\\\\?\\C:\\d\\.\\a", none},
      {u"\\\\?\\C:\\d\\a.", none},
      {u"\\\\?\\C:\\d\\a ", none},
      {u"\\\\?\\C:\\d.\\a", none},
      {u"\\\\?\\C:\\d\\\\a", none},
      {u"\\\\?\\C:\\d\\a\\", none},
      {u"\\\\?\\C:\\d\\CON", none},
      {u"\\\\?\\C:\\d\\nul.txt", none},
      {u"\\\\?\\C:\\d\\Aux .tar.gz", none},
      {u"\\\\?\\C:\\d\\com1", none},
      {u"\\\\?\\C:\\d\\LPT9.pdf", none},
      {u"\\\\?\\C:\\d\\COM\x00b9", none},
      {u"\\\\?\\C:\\d\\CONIN$", none},
      {u"\\\\?\\C:\\d\\a:stream", none},
      {u"\\\\?\\C:\\d\\a/b", none},
      {u"\\\\?\\C:\\d\\a?b", none},
      {u"\\\\?\\C:\\d\\a*b", none},
      {u"\\\\?\\C:\\d\\a\"b", none},
      {u"\\\\?\\C:\\d\\a<b>", none},
      {u"\\\\?\\C:\\d\\a|b", none},
      {u"\\\\?\\C:\\d\\a\tb", none},
      // The server and the share are names too: "." or "?" would make a device path.
      {u"\\\\?\\UNC\\.\\share\\a", none},
      {u"\\\\?\\UNC\\?\\C:\\a", none},
      {u"\\\\?\\UNC\\srv\\", none},
      {u"\\\\?\\UNC\\srv\\share.\\a", none},
      // Other kinds stay as they are.
      {u"\\\\?\\C:", none},
      {u"\\\\?\\C:d", none},
      {u"\\\\?\\Volume{0a1b}\\Docs\\a.txt", none},
      {u"\\\\?\\GLOBALROOT\\Device\\x", none},
      {u"\\??\\C:\\Docs\\a.txt", none},
      {u"\\\\.\\C:\\Docs\\a.txt", none},
      {u"C:\\Docs\\a.txt", none},
      {u"\\\\srv\\share\\a", none},
      {u"/home/u/Docs/a.txt", none},
  };
  for (const auto& [canonical, expected] : rows) {
    EXPECT_EQ(plain_form(canonical).value_or(none), expected) << show(canonical);
  }
}

TEST(CanonicalForm, ShellFormOfLongPathsIsThePlainFormOfTheirShortForm) {
  const Path none = u"<refused>", disk = u"\\\\?\\C:\\", d(100, u'd'), short_form = disk + u"D~1";
  const Path deep = disk + d + u"\\" + d + u"\\" + d;
  // Canonical path, its short form (empty: the lookup fails), what the shell gets.
  const std::tuple<Path, Path, Path> rows[] = {
      {disk + u"a.txt", u"", u"C:\\a.txt"},
      {disk + Path(256, u'd'), u"", u"C:\\" + Path(256, u'd')},  // 263 units, plain form fits
      {disk + Path(251, u'd') + u".", u"", disk + Path(251, u'd') + u"."},  // 259, no plain form
      {disk + Path(252, u'd') + u".", short_form, u"C:\\D~1"},             // 260, no plain form
      {deep, short_form, u"C:\\D~1"},
      {deep, deep, none},              // the short form is still too long
      {deep, u"", none},               // the lookup fails
      {deep, disk + u"nul.txt", none},  // the short form has no plain form
      {u"/" + Path(300, u'd'), u"", u"/" + Path(300, u'd')},  // Linux paths are never verbatim
  };
  for (const auto& [canonical, short_path, expected] : rows) {
    std::vector<Path> asked;
    const auto lookup = [&](const Path& path) -> Result<Path, IoError> {
      asked.push_back(path);
      if (short_path.empty()) return fail(IoError::from_os(2));
      return short_path;
    };
    EXPECT_EQ(shell_form(canonical, lookup).value_or(none), expected) << show(canonical);
    // Below 260 units, and for paths that are not verbatim, the lookup is not asked.
    const bool looked_up = !short_path.empty() || expected == none;
    EXPECT_EQ(asked, looked_up ? std::vector{canonical} : std::vector<Path>{}) << show(canonical);
  }
}

TEST(AnsiCodePage, BestFitCharactersOfMeaning) {
  struct Row {
    const char* code_page;
    std::u16string path;
    char32_t character;  // 0: none
    char becomes;
  };
  const Row rows[] = {
      {"1252", u"C:\\Docs\\a\xFF02 --evil \xFF02" u"b.zuba", 0xFF02, '"'},
      {"1252", u"C:\\Docs\\\x4E2D\xFF1C\xFF3C", 0xFF1C, '<'},  // the first one counts
      {"932", u"C:\\Docs\\100\x00A5.pdf", 0x00A5, '\\'},
      // Umlauts, "ß", accents and CJK characters: exact forms, best fits of no meaning, or none
      // at all (the default character "?", no best fit).
      {"1252", u"C:\\Docs\\Gr\x00FC\x00DF" u"e \x00E9t\x00E9 \x00A5.pdf", 0, 0},
      {"1252", u"C:\\Docs\\\x4E2D\x6587\\\x0100.pdf", 0, 0},
      {"1252", u"C:\\Docs\\\xD83D\xDE00 \xDC80.pdf", 0, 0},  // a pair and a lone surrogate
      {"932", u"C:\\Docs\\\x4E2D\x6587 \xFF02\xFF0F\xFF3C.pdf", 0, 0},
      {"none", u"C:\\Docs\\a\xFF02" u"b \x00A5", 0, 0},  // Linux: no code page
  };
  for (const auto& row : rows) {
    auto page = std::string_view(row.code_page) == "932" ? testing::code_page_932()
                                                          : testing::code_page_1252();
    page.present = std::string_view(row.code_page) != "none";
    const auto found = meaningful_best_fit(row.path, page);
    ASSERT_EQ(found.has_value(), row.character != 0) << row.code_page << " " << show(row.path);
    if (found) {
      EXPECT_EQ(found->character, row.character) << show(row.path);
      EXPECT_EQ(found->becomes, row.becomes) << show(row.path);
    }
  }
  // A path whose characters all have their exact form costs one conversion.
  auto page = testing::code_page_1252();
  EXPECT_FALSE(meaningful_best_fit(u"C:\\Docs\\Gr\x00FC\x00DF" u"e.pdf", page));
  EXPECT_EQ(page.conversions, 1);
}

// A full-path service that answers from a script, in the manner of GetFullPathNameW, and
// records the capacities it was asked with.
struct ScriptedFill {
  Path result;
  std::deque<std::uint32_t> asked_sizes;  // what to claim as needed size, call by call
  OsError failure = 0;                    // when non-zero: every call fails with it
  std::vector<std::uint32_t> capacities;

  BufferFill operator()(std::uint32_t capacity, char16_t* buffer) {
    capacities.push_back(capacity);
    if (failure != 0) return {0, failure};
    if (!asked_sizes.empty()) {
      const std::uint32_t asked = asked_sizes.front();
      asked_sizes.pop_front();
      return {asked, 0};
    }
    if (capacity <= result.size()) return {static_cast<std::uint32_t>(result.size() + 1), 0};
    std::copy(result.begin(), result.end(), buffer);
    buffer[result.size()] = u'\0';
    return {static_cast<std::uint32_t>(result.size()), 0};
  }
};

TEST(FillPathBuffer, GrowsToTheAskedSizePlusTwo) {
  ScriptedFill fill{u"C:\\Docs\\a.txt", {}, 0, {}};
  const auto result = fill_path_buffer(std::ref(fill));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result.value(), u"C:\\Docs\\a.txt");
  EXPECT_EQ(fill.capacities, (std::vector<std::uint32_t>{0, 16}));
}

TEST(FillPathBuffer, PlatformAskingTooLittleIsAskedAgain) {
  // Claims 3 units, then the real size: the loop must not stop at the short buffer.
  ScriptedFill fill{u"C:\\a\\b\\c.txt", {3}, 0, {}};
  const auto result = fill_path_buffer(std::ref(fill));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result.value(), u"C:\\a\\b\\c.txt");
  EXPECT_EQ(fill.capacities, (std::vector<std::uint32_t>{0, 5, 15}));
}

TEST(FillPathBuffer, Failures) {
  ScriptedFill failing{u"", {}, 123, {}};
  const auto failed = fill_path_buffer(std::ref(failing));
  ASSERT_TRUE(failed.has_error());
  EXPECT_EQ(failed.error().kind, IoError::Kind::Os);
  EXPECT_EQ(failed.error().code, 123);

  for (const std::uint32_t asked : {0xFFFFFFFEu, 0xFFFFFFFFu}) {
    ScriptedFill huge{u"", {asked}, 0, {}};
    const auto too_large = fill_path_buffer(std::ref(huge));
    ASSERT_TRUE(too_large.has_error()) << asked;
    EXPECT_EQ(too_large.error().kind, IoError::Kind::Other);
    EXPECT_EQ(too_large.error().text(), "required path length is too large for WinAPI");
    EXPECT_EQ(huge.capacities.size(), 1u) << "no buffer of 4 GiB may be allocated";
  }
}

// A PathResolver that records its calls; its full path comes through fill_path_buffer.
class FakeFiles final : public PathResolver {
 public:
  Result<Path, IoError> final_path(const Path& path) override {
    final_calls.push_back(path);
    return final_result;
  }
  Result<void, IoError> query_metadata(const Path& path) override {
    metadata_calls.push_back(path);
    if (metadata_error) return fail(*metadata_error);
    return ok<IoError>();
  }
  Result<Path, IoError> full_path(const Path& path) override {
    full_calls.push_back(path);
    return fill_path_buffer(std::ref(fill));
  }
  Result<Path, IoError> short_path(const Path& path) override { return path; }

  Result<Path, IoError> final_result = Path(u"\\\\?\\C:\\Docs\\a.txt");
  std::optional<IoError> metadata_error;
  ScriptedFill fill{u"C:\\Docs\\a.txt", {}, 0, {}};
  std::vector<Path> final_calls, metadata_calls, full_calls;
};

TEST(CanonicalizePath, NulIsRefusedBeforeThePlatform) {
  FakeFiles files;
  const auto result = canonicalize_path(files, Path(u"C:\\Docs\\a\0b", 11));
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().kind, IoError::Kind::InvalidInput);
  EXPECT_EQ(result.error().text(), "strings passed to WinAPI cannot contain NULs");
  EXPECT_TRUE(files.final_calls.empty());
}

TEST(CanonicalizePath, PassesThePlatformAnswerThrough) {
  FakeFiles files;
  files.final_result = Path(u"\\\\?\\C:\\Docs\\\xD800x");
  const auto result = canonicalize_path(files, u"C:\\Docs\\..\\Docs\\x");
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result.value(), u"\\\\?\\C:\\Docs\\\xD800x");
  EXPECT_EQ(files.final_calls, std::vector<Path>{u"C:\\Docs\\..\\Docs\\x"});

  files.final_result = fail(IoError::from_os(2));
  const auto missing = canonicalize_path(files, u"C:\\Docs\\none");
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(missing.error().code, 2);
}

TEST(NormalizePath, VerbatimPathsAreReturnedAsGiven) {
  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"\\\\?\\C:\\Docs\\a.txt", u"\\\\?\\C:\\Docs\\a.txt"},
      {u"\\\\?\\UNC\\srv\\share\\a", u"\\\\?\\UNC\\srv\\share\\a"},
      {u"\\\\?\\Volume{x}\\a", u"\\\\?\\Volume{x}\\a"},
      // Slashes are turned round only in the first four units.
      {u"//?/C:/Docs/a.txt", u"\\\\?\\C:/Docs/a.txt"},
  };
  for (const auto& [path, expected] : rows) {
    FakeFiles files;
    const auto result = normalize_path(files, path);
    ASSERT_TRUE(result.has_value()) << show(path);
    EXPECT_EQ(result.value(), expected) << show(path);
    EXPECT_EQ(files.metadata_calls, std::vector<Path>{path}) << show(path);
    EXPECT_TRUE(files.full_calls.empty()) << show(path);
  }
}

TEST(NormalizePath, OtherPathsGoToTheFullPathServiceWithBackslashes) {
  FakeFiles files;
  files.fill.result = u"C:\\Docs\\a.txt";
  const auto result = normalize_path(files, u"C:/Docs/./a.txt");
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result.value(), u"C:\\Docs\\a.txt");
  EXPECT_EQ(files.full_calls, std::vector<Path>{u"C:\\Docs\\.\\a.txt"});
}

TEST(NormalizePath, Failures) {
  struct Row {
    const char* name;
    Path path;
    std::optional<IoError> metadata_error;
    OsError fill_failure;
    IoError::Kind kind;
    std::string text;
  };
  const Row rows[] = {
      {"missing path, whatever its form", u"\\\\?\\C:\\none", IoError::from_os(2), 0,
       IoError::Kind::Os, ""},
      {"NUL", Path(u"C:\\a\0b", 6), std::nullopt, 0, IoError::Kind::InvalidInput,
       "strings passed to WinAPI cannot contains NULs"},
      {"partial UNC, server only", u"\\\\srv", std::nullopt, 0, IoError::Kind::NotFound,
       "partial UNC prefixes are invalid"},
      {"partial UNC, slashes", u"//srv/", std::nullopt, 0, IoError::Kind::NotFound,
       "partial UNC prefixes are invalid"},
      {"partial UNC, no server", u"\\\\\\share\\x", std::nullopt, 0, IoError::Kind::NotFound,
       "partial UNC prefixes are invalid"},
      {"full-path service fails", u"C:\\a", std::nullopt, 5, IoError::Kind::Os, ""},
  };
  for (const auto& row : rows) {
    FakeFiles files;
    files.metadata_error = row.metadata_error;
    files.fill.failure = row.fill_failure;
    const auto result = normalize_path(files, row.path);
    ASSERT_TRUE(result.has_error()) << row.name;
    EXPECT_EQ(result.error().kind, row.kind) << row.name;
    if (row.kind == IoError::Kind::Os) {
      const OsError code = row.metadata_error ? row.metadata_error->code : row.fill_failure;
      EXPECT_EQ(result.error().code, code) << row.name;
    } else {
      EXPECT_EQ(result.error().text(), row.text) << row.name;
    }
  }
}

}  // namespace
}  // namespace zub
