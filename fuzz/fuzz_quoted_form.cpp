// The quoted form of the debug report and the detailed registry errors: whatever the text, the
// form reads back to it. And the escaped form of messages: no control or format character
// survives it, and a text without any comes through unchanged.

#include <cstdint>
#include <optional>
#include <string>

#include "common/quoted.h"
#include "common/utf8.h"
#include "fuzz_check.h"

namespace zub::fuzz {
namespace {

std::optional<char32_t> hex_digit(char c) {
  if (c >= '0' && c <= '9') return static_cast<char32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<char32_t>(c - 'a' + 10);
  return std::nullopt;  // upper-case digits are not written
}

// The text a quoted form stands for, or nothing when the form is not one the rules can give:
// an escape that is not needed, a character shown that should have been escaped, a stray
// quote, a lower-case digit missing, a leading zero.
std::optional<std::string> unquote(std::string_view quoted) {
  if (!is_valid_utf8(quoted) || quoted.size() < 2 || quoted.front() != '"' ||
      quoted.back() != '"') {
    return std::nullopt;
  }
  const std::string_view inner = quoted.substr(1, quoted.size() - 2);
  std::string text;
  std::size_t pos = 0;
  while (pos < inner.size()) {
    const char32_t c = next_code_point(inner, pos);
    if (c == U'"') return std::nullopt;
    if (c != U'\\') {
      if (!is_printable(c) || is_grapheme_extend(c)) return std::nullopt;
      append_utf8(text, c);
      continue;
    }
    if (pos >= inner.size()) return std::nullopt;
    const char escape = inner[pos++];
    switch (escape) {
      case '\\': text += '\\'; continue;
      case '"': text += '"'; continue;
      case 't': text += '\t'; continue;
      case 'r': text += '\r'; continue;
      case 'n': text += '\n'; continue;
      case '0': text += '\0'; continue;
      case 'u': break;
      default: return std::nullopt;
    }
    if (pos >= inner.size() || inner[pos++] != '{') return std::nullopt;
    char32_t code_point = 0;
    std::size_t digits = 0;
    while (pos < inner.size() && inner[pos] != '}') {
      const auto digit = hex_digit(inner[pos++]);
      const bool leading_zero =
          digits == 0 && digit == 0u && pos < inner.size() && inner[pos] != '}';
      if (!digit || leading_zero || ++digits > 6) return std::nullopt;
      code_point = code_point << 4 | *digit;
    }
    if (pos >= inner.size() || digits == 0) return std::nullopt;
    ++pos;  // '}'
    if (code_point > 0x10FFFF) return std::nullopt;
    // Only what cannot be shown as it is gets the long escape.
    if (is_printable(code_point) && !is_grapheme_extend(code_point)) return std::nullopt;
    if (code_point == U'\t' || code_point == U'\r' || code_point == U'\n' || code_point == 0) {
      return std::nullopt;
    }
    append_utf8(text, code_point);
  }
  return text;
}

}  // namespace
}  // namespace zub::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zub;
  const std::string_view text = fuzz::as_text(data, size);
  const std::string quoted = quoted_form(text);
  const auto back = fuzz::unquote(quoted);
  FUZZ_CHECK(back.has_value());
  // An ill-formed sequence shows as U+FFFD, as the lossy conversion makes it.
  const std::string expected =
      is_valid_utf8(text) ? std::string(text) : utf16_to_utf8_lossy(utf8_to_utf16(text));
  FUZZ_CHECK(*back == expected);

  const std::string escaped = escape_controls(text);
  bool had_controls = false;
  for (std::size_t pos = 0; pos < text.size();) {
    had_controls = is_control_or_format(next_code_point(text, pos)) || had_controls;
  }
  for (std::size_t pos = 0; pos < escaped.size();) {
    FUZZ_CHECK(!is_control_or_format(next_code_point(escaped, pos)));
  }
  // Bytes that are no UTF-8 come out as escapes, so what a terminal or the log gets is UTF-8.
  FUZZ_CHECK(is_valid_utf8(escaped));
  FUZZ_CHECK(had_controls || !is_valid_utf8(text) || escaped == text);
  return 0;
}
