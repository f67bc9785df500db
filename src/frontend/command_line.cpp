#include "frontend/command_line.h"

#include "common/utf8.h"

namespace zub {
namespace {

bool is_blank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

}  // namespace

std::vector<std::string> split_command_line(std::u16string_view command_line) {
  std::vector<std::string> args;
  if (command_line.empty()) return args;

  const std::size_t end = command_line.size();
  std::size_t pos = 0;

  // The program name: quotes group, backslashes are ordinary characters.
  std::u16string word;
  bool in_quotes = false;
  while (pos < end && (in_quotes || !is_blank(command_line[pos]))) {
    if (command_line[pos] == u'"') {
      in_quotes = !in_quotes;
    } else {
      word.push_back(command_line[pos]);
    }
    ++pos;
  }
  args.push_back(utf16_to_wtf8(word));

  for (;;) {
    while (pos < end && is_blank(command_line[pos])) ++pos;
    if (pos == end) break;

    word.clear();
    in_quotes = false;
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
      if (pos == end || (!in_quotes && is_blank(command_line[pos]))) break;
      if (copy_unit) word.push_back(command_line[pos]);
      ++pos;
    }
    args.push_back(utf16_to_wtf8(word));
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
