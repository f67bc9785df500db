#include "frontend/command_line.h"

#include "common/utf8.h"

namespace zub {
namespace {

bool is_blank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

// The program name from `pos` on: quotes group, backslashes are ordinary characters.
std::u16string program_name(std::u16string_view command_line, std::size_t& pos) {
  std::u16string word;
  bool in_quotes = false;
  while (pos < command_line.size() && (in_quotes || !is_blank(command_line[pos]))) {
    if (command_line[pos] == u'"') {
      in_quotes = !in_quotes;
    } else {
      word.push_back(command_line[pos]);
    }
    ++pos;
  }
  return word;
}

// One argument from `pos` on, which is not blank.
std::u16string argument(std::u16string_view command_line, std::size_t& pos) {
  const std::size_t end = command_line.size();
  std::u16string word;
  bool in_quotes = false;
  for (;;) {
    std::size_t backslashes = 0;
    while (pos < end && command_line[pos] == u'\\') {
      ++backslashes;
      ++pos;
    }
    bool copy_unit = true;
    if (pos < end && command_line[pos] == u'"') {
      // 2n backslashes before a quote give n and the quote toggles quoting; 2n+1 give n and
      // a literal quote.
      if (backslashes % 2 == 0) {
        if (in_quotes && pos + 1 < end && command_line[pos + 1] == u'"') {
          ++pos;  // "" inside quotes: one literal quote, still quoted
        } else {
          copy_unit = false;
          in_quotes = !in_quotes;
        }
      }
      backslashes /= 2;
    }
    word.append(backslashes, u'\\');
    if (pos == end || (!in_quotes && is_blank(command_line[pos]))) return word;
    if (copy_unit) word.push_back(command_line[pos]);
    ++pos;
  }
}

}  // namespace

std::vector<std::string> split_command_line(std::u16string_view command_line) {
  std::vector<std::string> args;
  if (command_line.empty()) return args;
  std::size_t pos = 0;
  args.push_back(utf16_to_wtf8(program_name(command_line, pos)));
  for (;;) {
    while (pos < command_line.size() && is_blank(command_line[pos])) ++pos;
    if (pos == command_line.size()) break;
    args.push_back(utf16_to_wtf8(argument(command_line, pos)));
  }
  return args;
}

std::vector<std::string> program_arguments(std::u16string_view command_line,
                                           ExecutablePath& exe) {
  std::vector<std::string> args = split_command_line(command_line);
  if (args.empty()) {
    if (auto path = exe.current(); path.has_value()) args.push_back(utf16_to_wtf8(path.value()));
  }
  return args;
}

}  // namespace zub
