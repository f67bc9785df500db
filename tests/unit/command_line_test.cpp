// Splitting a Windows command line by the rules of the Microsoft C runtime.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/command_line.h"

namespace zub {
namespace {

struct SplitRow {
  const char* name;
  std::u16string command_line;
  std::vector<std::string> args;
};

TEST(SplitCommandLine, Rows) {
  const SplitRow rows[] = {
      {"empty command line", u"", {}},
      {"program only", u"zub_launcher.exe", {"zub_launcher.exe"}},
      {"quoted program with blanks", u"\"C:\\Program Files\\zub.exe\" -h",
       {"C:\\Program Files\\zub.exe", "-h"}},
      {"program: backslash before quote is literal", u"\"C:\\dir\\\" -h", {"C:\\dir\\", "-h"}},
      {"program: quotes in the middle group", u"C:\\Pro\"gram Fi\"les\\z.exe x",
       {"C:\\Program Files\\z.exe", "x"}},
      {"program then tab", u"z.exe\t-i", {"z.exe", "-i"}},
      {"blanks and tabs separate", u"z.exe  -c \t D:\\a  ", {"z.exe", "-c", "D:\\a"}},
      {"quoted argument with blanks", u"z.exe -c \"D:\\Next cloud\\ZUB\"",
       {"z.exe", "-c", "D:\\Next cloud\\ZUB"}},
      {"trailing backslashes before closing quote: 2n", u"z.exe -c \"D:\\dir\\\\\"",
       {"z.exe", "-c", "D:\\dir\\"}},
      {"2n+1 backslashes give a literal quote", u"z.exe a\\\"b", {"z.exe", "a\"b"}},
      {"3 backslashes and quote", u"z.exe a\\\\\\\"b", {"z.exe", "a\\\"b"}},
      {"4 backslashes and quote toggles", u"z.exe a\\\\\\\\\"b c\"", {"z.exe", "a\\\\b c"}},
      {"backslashes not before a quote are literal", u"z.exe D:\\\\a\\b", {"z.exe", "D:\\\\a\\b"}},
      {"empty quoted argument", u"z.exe \"\" x", {"z.exe", "", "x"}},
      {"doubled quote inside quotes is literal", u"z.exe \"a\"\"b\" c", {"z.exe", "a\"b", "c"}},
      {"doubled quote stays quoted", u"z.exe \"a\"\"b c\"", {"z.exe", "a\"b c"}},
      {"quote outside quotes opens", u"z.exe a\"b c\"d", {"z.exe", "ab cd"}},
      {"unterminated quote runs to the end", u"z.exe \"a b", {"z.exe", "a b"}},
      {"link", u"\"C:\\V\\zub_launcher.exe\" \"zubdms:/Projekte/A%20B.pdf\"",
       {"C:\\V\\zub_launcher.exe", "zubdms:/Projekte/A%20B.pdf"}},
      {"non-ASCII", u"z.exe zubdms:/\u00e4\U0001F600", {"z.exe", "zubdms:/\xC3\xA4\xF0\x9F\x98\x80"}},
      {"leading blank gives an empty program name", u" -h", {"", "-h"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(split_command_line(row.command_line), row.args) << row.name;
  }
}

TEST(SplitCommandLine, LoneSurrogateKeepsItsOwnForm) {
  std::u16string line = u"z.exe zubdms:/a";
  line.push_back(char16_t{0xD800});
  line += u".txt";
  const auto args = split_command_line(line);
  ASSERT_EQ(args.size(), 2u);
  // Generalised UTF-8 of U+D800; not replaced, so the link check can refuse it.
  EXPECT_EQ(args[1], "zubdms:/a\xED\xA0\x80.txt");
}

// Answers with a fixed path, or with a system error; counts the queries.
class FixedExecutablePath final : public ExecutablePath {
 public:
  explicit FixedExecutablePath(Result<Path, OsError> answer) : answer_(std::move(answer)) {}
  Result<Path, OsError> current() override {
    ++queries;
    return answer_;
  }
  int queries = 0;

 private:
  Result<Path, OsError> answer_;
};

TEST(ProgramArguments, AnEmptyCommandLineIsNamedByTheExecutablePath) {
  struct Row {
    const char* name;
    std::u16string command_line;
    Result<Path, OsError> exe;
    std::vector<std::string> args;
    int queries;
  };
  const Row rows[] = {
      {"empty: the executable's path", u"", Path(u"C:\\V\\zub_launcher.exe"),
       {"C:\\V\\zub_launcher.exe"}, 1},
      {"empty, path unknown: no element", u"", fail(OsError{122}), {}, 1},
      {"not empty: the path is not asked", u"z.exe -h", Path(u"C:\\V\\zub_launcher.exe"),
       {"z.exe", "-h"}, 0},
  };
  for (const auto& row : rows) {
    FixedExecutablePath exe(row.exe);
    EXPECT_EQ(program_arguments(row.command_line, exe), row.args) << row.name;
    EXPECT_EQ(exe.queries, row.queries) << row.name;
  }
}

}  // namespace
}  // namespace zub
