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

void append_escaped(std::string& out, char32_t code_point) {
  switch (code_point) {
    case U'\\': out += "\\\\"; return;
    case U'"': out += "\\\""; return;
    case U'\t': out += "\\t"; return;
    case U'\r': out += "\\r"; return;
    case U'\n': out += "\\n"; return;
    case U'\0': out += "\\0"; return;
    default: break;
  }
  if (is_printable(code_point) && !is_grapheme_extend(code_point)) {
    append_utf8(out, code_point);
    return;
  }
  // Lower-case hex without leading zeros. to_chars rather than snprintf: printf would pull
  // MinGW's whole formatter (floating point included) into the Windows executable.
  char hex[8];
  const auto end = std::to_chars(hex, hex + sizeof hex, static_cast<unsigned>(code_point), 16).ptr;
  out += "\\u{";
  out.append(hex, end);
  out += '}';
}

}  // namespace

bool is_printable(char32_t code_point) { return in_ranges(kPrintableRanges, code_point); }

bool is_grapheme_extend(char32_t code_point) { return in_ranges(kGraphemeExtendRanges, code_point); }

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

}  // namespace zub
