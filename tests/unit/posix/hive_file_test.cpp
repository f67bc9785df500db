// Reading and writing the hive files of the Linux registry stand-in.

#include "registry/hive_file/hive_file.h"

#include <gtest/gtest.h>

#include "common/utf8.h"
#include "registry_checks.h"

namespace zub::posix {
namespace {

using testing::bytes_of;
using testing::utf16_bytes;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\n\n";

std::string one_value_file(const std::string& line) {
  return std::string(kHeader) + "[HKEY_CURRENT_USER\\k]\n" + line + "\n\n";
}

TEST(HiveFileWriter, WritesEachValueInItsForm) {
  struct Row {
    const char* name;
    std::string value_name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string line;
  };
  const Row rows[] = {
      {"string", "NextCloudFolder", kRegSz, reg_sz_bytes(u"C:\\Daten"),
       R"("NextCloudFolder"="C:\\Daten")"},
      {"quotes in name and text", "a\"b", kRegSz, reg_sz_bytes(u"say \"hi\""),
       R"("a\"b"="say \"hi\"")"},
      {"default value", "", kRegSz, reg_sz_bytes(u"x"), R"(@="x")"},
      {"empty string", "e", kRegSz, bytes_of({0, 0}), R"("e"="")"},
      {"non-ASCII", "\xC3\xA4", kRegSz, reg_sz_bytes(u"\u00E4\U0001F600"),
       "\"\xC3\xA4\"=\"\xC3\xA4\xF0\x9F\x98\x80\""},
      {"dword", "Count", kRegDword, bytes_of({0x2a, 0, 0, 0}), R"("Count"=dword:0000002a)"},
      {"dword high", "d", kRegDword, bytes_of({0x78, 0x56, 0x34, 0x12}), R"("d"=dword:12345678)"},
      {"dword of 3 bytes", "d", kRegDword, bytes_of({1, 2, 3}), R"("d"=hex(4):01,02,03)"},
      {"binary", "b", kRegBinary, bytes_of({1, 2, 0xff}), R"("b"=hex:01,02,ff)"},
      {"empty binary", "b", kRegBinary, {}, R"("b"=hex:)"},
      {"no terminator", "s", kRegSz, utf16_bytes(u"a"), R"("s"=hex(1):61,00)"},
      {"odd byte count", "s", kRegSz, bytes_of({'a', 0, 0}), R"("s"=hex(1):61,00,00)"},
      {"zero bytes", "s", kRegSz, {}, R"("s"=hex(1):)"},
      {"NUL inside", "s", kRegSz, utf16_bytes(std::u16string(u"a\0b\0", 4)),
       R"("s"=hex(1):61,00,00,00,62,00,00,00)"},
      {"line break", "s", kRegSz, reg_sz_bytes(u"a\nb"), R"("s"=hex(1):61,00,0a,00,62,00,00,00)"},
      {"lone surrogate", "s", kRegSz, reg_sz_bytes(std::u16string(1, char16_t(0xD800))),
       R"("s"=hex(1):00,d8,00,00)"},
      {"expand sz", "p", kRegExpandSz, reg_sz_bytes(u"%P%"), R"("p"=hex(2):25,00,50,00,25,00,00,00)"},
      {"large type", "t", 0x100, bytes_of({7}), R"("t"=hex(100):07)"},
  };
  for (const auto& row : rows) {
    RegistryTree tree;
    bool created = false;
    tree.create({u"k"}, created).set_value(utf8_to_utf16(row.value_name), row.type, row.data);
    const std::string file = write_hive_file(tree, Hive::CurrentUser);
    EXPECT_EQ(file, one_value_file(row.line)) << row.name;
    EXPECT_EQ(hive_file_size(tree, Hive::CurrentUser), file.size()) << row.name;

    auto parsed = parse_hive_file(file, Hive::CurrentUser);
    ASSERT_TRUE(parsed.has_value()) << row.name << ": " << parsed.error().reason;
    const RegistryTreeKey* key = parsed->find({u"K"});
    ASSERT_NE(key, nullptr) << row.name;
    const RegistryValue* value = key->value(utf8_to_utf16(row.value_name));
    ASSERT_NE(value, nullptr) << row.name;
    EXPECT_EQ(value->type, row.type) << row.name;
    EXPECT_EQ(value->data, row.data) << row.name;
  }
}

TEST(HiveFileWriter, WritesEverySectionWithParentsInSortedOrder) {
  RegistryTree tree;
  bool created = false;
  tree.create({u"zubdms", u"shell", u"open", u"command"}, created)
      .set_value(u"", kRegSz, reg_sz_bytes(u"\"C:\\Varnelo\\varnelo.exe\" \"%1\""));
  tree.create({u"Alpha"}, created);
  tree.create({u"beta"}, created);
  tree.root().set_value(u"RootValue", kRegSz, reg_sz_bytes(u"r"));
  EXPECT_EQ(write_hive_file(tree, Hive::ClassesRoot),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_CLASSES_ROOT]\n"
            "\"RootValue\"=\"r\"\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\Alpha]\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\beta]\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\zubdms]\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\zubdms\\shell]\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open]\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open\\command]\n"
            "@=\"\\\"C:\\\\Varnelo\\\\varnelo.exe\\\" \\\"%1\\\"\"\n"
            "\n");
  // Local machine files always hold the keys every Windows system has.
  const std::string machine = write_hive_file(RegistryTree(), Hive::LocalMachine);
  auto parsed = parse_hive_file(machine, Hive::LocalMachine);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_NE(parsed->find({u"SYSTEM", u"CurrentControlSet", u"Services", u"EventLog",
                          u"Application"}),
            nullptr);
}

TEST(HiveFileWriter, LargeValuesWrapAndComeBackWhole) {
  std::vector<std::uint8_t> big(1 << 20);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  RegistryTree tree;
  bool created = false;
  tree.create({u"k"}, created).set_value(u"big", kRegBinary, big);
  tree.create({u"k"}, created).set_value(u"text", kRegSz,
                                          reg_sz_bytes(std::u16string(1 << 19, u'x')));
  const std::string file = write_hive_file(tree, Hive::CurrentUser);
  EXPECT_EQ(hive_file_size(tree, Hive::CurrentUser), file.size());

  std::size_t longest = 0;
  for (std::size_t start = 0; start < file.size();) {
    const std::size_t end = file.find('\n', start);
    const std::string_view line(file.data() + start, end - start);
    if (line.substr(0, 6) != "\"text\"") longest = std::max(longest, line.size());
    start = end + 1;
  }
  EXPECT_LE(longest, 80u);

  auto parsed = parse_hive_file(file, Hive::CurrentUser);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->find({u"k"})->value(u"big")->data, big);
  EXPECT_EQ(parsed->find({u"k"})->value(u"text")->data.size(), (std::size_t{1} << 20) + 2);
}

struct ParseRow {
  const char* name;
  std::string file;
  std::vector<std::uint8_t> data;  // of value "v" under key "k", REG_SZ unless `type` says
  std::uint32_t type = kRegSz;
};

TEST(HiveFileReader, ReadsWhatRegeditAndPeopleWrite) {
  const std::string header = "Windows Registry Editor Version 5.00";
  const ParseRow rows[] = {
      {"plain", header + "\n\n[HKEY_CURRENT_USER\\k]\n\"v\"=\"a\"\n", reg_sz_bytes(u"a")},
      {"CRLF", header + "\r\n\r\n[HKEY_CURRENT_USER\\k]\r\n\"v\"=\"a\"\r\n", reg_sz_bytes(u"a")},
      {"UTF-8 BOM", "\xEF\xBB\xBF" + header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=\"\xC3\xA4\"\n",
       reg_sz_bytes(u"\u00E4")},
      {"comments and blanks",
       "; exported\n" + header + "\n; note\n\n[HKEY_CURRENT_USER\\k]\n  ; inside\n  \"v\" = \"a\"  \n",
       reg_sz_bytes(u"a")},
      {"escapes", header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=\"\\\\\\\"x\"\n", reg_sz_bytes(u"\\\"x")},
      {"lone backslash kept", header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=\"C:\\Daten\"\n",
       reg_sz_bytes(u"C:\\Daten")},
      {"continued hex", header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=hex(2):41,00,\\\n  42,00,\\\n\t00,00\n",
       utf16_bytes(std::u16string(u"AB\0", 3)), kRegExpandSz},
      {"upper-case hex and blanks", header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=hex: 0A , fF\n",
       bytes_of({0x0a, 0xff}), kRegBinary},
      {"short dword", header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=dword:2a\n", bytes_of({0x2a, 0, 0, 0}),
       kRegDword},
      {"root name in any case", header + "\n[hkey_current_user\\K]\n\"V\"=\"a\"\n", reg_sz_bytes(u"a")},
      {"sections merge, last value wins",
       header + "\n[HKEY_CURRENT_USER\\k]\n\"v\"=\"a\"\n[HKEY_CURRENT_USER\\K]\n\"V\"=\"b\"\n",
       reg_sz_bytes(u"b")},
  };
  for (const auto& row : rows) {
    auto parsed = parse_hive_file(row.file, Hive::CurrentUser);
    ASSERT_TRUE(parsed.has_value()) << row.name << ": line " << parsed.error().line << " "
                                    << parsed.error().reason;
    const RegistryTreeKey* key = parsed->find({u"k"});
    ASSERT_NE(key, nullptr) << row.name;
    const RegistryValue* value = key->value(u"v");
    ASSERT_NE(value, nullptr) << row.name;
    EXPECT_EQ(value->type, row.type) << row.name;
    EXPECT_EQ(value->data, row.data) << row.name;
  }
}

TEST(HiveFileReader, ReadsUtf16LittleEndianWithBom) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\k]\r\n\"v\"=\"\u00E4\U0001F600\"\r\n";
  std::string file = "\xFF\xFE";
  for (char16_t u : text) {
    file += static_cast<char>(u & 0xFF);
    file += static_cast<char>(u >> 8);
  }
  auto parsed = parse_hive_file(file, Hive::CurrentUser);
  ASSERT_TRUE(parsed.has_value()) << parsed.error().reason;
  EXPECT_EQ(parsed->find({u"k"})->value(u"v")->data, reg_sz_bytes(u"\u00E4\U0001F600"));
}

TEST(HiveFileReader, KeepsTheCaseOfCreationAndTreatsEmptyFileAsEmptyKey) {
  const std::string file =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Varnelo]\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\VARNELO\\Launcher]\n\"NextCloudFolder\"=\"x\"\n";
  auto parsed = parse_hive_file(file, Hive::CurrentUser);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->find({u"software"})->name(), u"Software");
  EXPECT_EQ(parsed->find({u"software", u"varnelo"})->name(), u"Varnelo");
  EXPECT_EQ(parsed->find({u"software", u"varnelo", u"launcher"})->value(u"nextcloudfolder")->name,
            u"NextCloudFolder");

  for (const std::string empty : {"", "\n\n", "; nothing here\n"}) {
    auto tree = parse_hive_file(empty, Hive::CurrentUser);
    ASSERT_TRUE(tree.has_value()) << empty;
    EXPECT_TRUE(tree->root().empty()) << empty;
  }
}

// "\\k\\k..." for a key `levels` below the root key.
std::string nested(std::size_t levels) {
  std::string path;
  for (std::size_t i = 0; i < levels; ++i) path += "\\k";
  return path;
}

TEST(HiveFileReader, KeysReachDownTo512Levels) {
  const std::string file = std::string(kHeader) + "[HKEY_CURRENT_USER" + nested(512) + "]\n";
  auto tree = parse_hive_file(file, Hive::CurrentUser);
  ASSERT_TRUE(tree.has_value()) << tree.error().reason;
  const RegistryTreeKey* key = &tree->root();
  std::size_t depth = 0;
  for (; !key->children().empty(); ++depth) key = key->children().begin()->second.get();
  EXPECT_EQ(depth, 512u);
}

TEST(HiveFileReader, RefusesWhatDoesNotParse) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  struct Row {
    const char* name;
    std::string file;
    std::size_t line;
  };
  const Row rows[] = {
      {"no header", "[HKEY_CURRENT_USER\\k]\n", 1},
      {"old header", "REGEDIT4\n\n[HKEY_CURRENT_USER\\k]\n", 1},
      {"value before any section", header + "\"v\"=\"a\"\n", 2},
      {"other root key", header + "[HKEY_LOCAL_MACHINE\\k]\n", 2},
      {"root key prefix only", header + "[HKEY_CURRENT_USERS\\k]\n", 2},
      {"deleted key entry", header + "[-HKEY_CURRENT_USER\\k]\n", 2},
      {"deleted value entry", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=-\n", 3},
      {"unterminated string", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=\"a\n", 3},
      {"text after string", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=\"a\" x\n", 3},
      {"no equals", header + "[HKEY_CURRENT_USER\\k]\n\"v\" \"a\"\n", 3},
      {"bad hex", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=hex:1g\n", 3},
      {"three-digit hex byte", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=hex:100\n", 3},
      {"trailing comma", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=hex:01,\n", 3},
      {"bad dword", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=dword:123456789\n", 3},
      {"unknown format", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=qword:1\n", 3},
      {"empty key name", header + "[HKEY_CURRENT_USER\\a\\\\b]\n", 2},
      {"unclosed section", header + "[HKEY_CURRENT_USER\\k\n", 2},
      {"not UTF-8", header + "[HKEY_CURRENT_USER\\k]\n\"v\"=\"\xFF\"\n", 3},
      {"UTF-16 of odd length", "\xFF\xFE" "a", 0},
      {"UTF-16 lone surrogate", std::string("\xFF\xFE\x00\xD8", 4), 0},
      {"513 levels", header + "[HKEY_CURRENT_USER" + nested(513) + "]\n", 2},
      // Would exhaust the stack of the reader (and take the writer hours).
      {"100000 levels", header + "\n[HKEY_CURRENT_USER" + nested(100000) + "]\n", 3},
  };
  for (const auto& row : rows) {
    auto parsed = parse_hive_file(row.file, Hive::CurrentUser);
    ASSERT_TRUE(parsed.has_error()) << row.name;
    EXPECT_EQ(parsed.error().line, row.line) << row.name << ": " << parsed.error().reason;
  }
}

}  // namespace
}  // namespace zub::posix
