#include "common/quoted.h"

#include <algorithm>
#include <charconv>
#include <span>

#include "common/utf8.h"

namespace zub {
namespace {

struct CodePointRange {
  char32_t low;
  char32_t high;
};

#include "common/unicode_tables.inc"

bool in_ranges(std::span<const CodePointRange> table, char32_t code_point) {
  // First range whose high end is not below the code point.
  const auto it = std::lower_bound(table.begin(), table.end(), code_point,
                                   [](const CodePointRange& range, char32_t c) { return range.high < c; });
  return it != table.end() && it->low <= code_point;
}

// Tab, carriage return, line feed and NUL by name, anything else as \u{hex}.
void append_code_point_escape(std::string& out, char32_t code_point) {
  switch (code_point) {
    case U'\t': out += "\\t"; return;
    case U'\r': out += "\\r"; return;
    case U'\n': out += "\\n"; return;
    case U'\0': out += "\\0"; return;
    default: break;
  }
  // Lower-case hex without leading zeros. to_chars rather than snprintf: printf would pull
  // MinGW's whole formatter (floating point included) into the Windows executable.
  char hex[8];
  const auto end = std::to_chars(hex, hex + sizeof hex, static_cast<unsigned>(code_point), 16).ptr;
  out += "\\u{";
  out.append(hex, end);
  out += '}';
}

void append_escaped(std::string& out, char32_t code_point) {
  if (code_point == U'\\' || code_point == U'"') {
    out += '\\';
    append_utf8(out, code_point);
  } else if (is_printable(code_point) && !is_grapheme_extend(code_point)) {
    append_utf8(out, code_point);
  } else {
    append_code_point_escape(out, code_point);
  }
}

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The bytes of an ill-formed sequence in text[start, end): a surrogate in generalised UTF-8 (a
// lone surrogate of a Windows argument) as \u{d800}, any other byte as \x9b. Raw, such bytes
// could act on a terminal that obeys 8-bit controls (0x9B starts a control sequence there).
void append_ill_formed(std::string& out, std::string_view text, std::size_t start,
                       std::size_t& end) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (byte(start) == 0xED && start + 2 < text.size() && byte(start + 1) >= 0xA0 &&
      byte(start + 1) <= 0xBF && (byte(start + 2) & 0xC0) == 0x80) {
    end = start + 3;
    append_code_point_escape(
        out, 0xD000 | (static_cast<char32_t>(byte(start + 1) & 0x3F) << 6) | (byte(start + 2) & 0x3F));
    return;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = start; i < end; ++i) {
    out += "\\x";
    out += kHex[byte(i) >> 4];
    out += kHex[byte(i) & 0xF];
  }
}

}  // namespace

bool is_printable(char32_t code_point) { return in_ranges(kPrintableRanges, code_point); }

bool is_grapheme_extend(char32_t code_point) { return in_ranges(kGraphemeExtendRanges, code_point); }

bool is_control_or_format(char32_t code_point) {
  return in_ranges(kControlFormatRanges, code_point);
}

std::string quoted_form(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  // An ill-formed sequence shows as U+FFFD.
  std::size_t pos = 0;
  while (pos < text.size()) append_escaped(out, next_code_point(text, pos));
  out.push_back('"');
  return out;
}

std::string escape_controls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const char32_t code_point = next_code_point(text, pos);
    const std::string_view sequence = text.substr(start, pos - start);
    if (code_point == kReplacementCharacter && !is_valid_utf8(sequence)) {
      append_ill_formed(out, text, start, pos);
    } else if (is_control_or_format(code_point)) {
      append_code_point_escape(out, code_point);
    } else {
      out.append(sequence);
    }
  }
  return out;
}

}  // namespace zub
