#pragma once

// An ANSI code page given as a table, for the best-fit check: ASCII and the characters of the
// table's exact entries have their exact form, those of its best-fit entries their best fit, and
// every other character none (the default character "?"). The two tables below are modelled on
// Windows' code pages 1252 (Western European) and 932 (Japanese), for the characters the tests
// use.

#include <map>
#include <string>

#include "platform/ansi_code_page.h"

namespace zub::testing {

class FakeCodePage final : public AnsiCodePage {
 public:
  struct Form {
    std::string bytes;
    bool exact;
  };

  std::optional<AnsiForm> convert(std::u16string_view text, bool best_fit) override {
    ++conversions;
    if (!present) return std::nullopt;
    AnsiForm out;
    for (std::size_t at = 0; at < text.size(); ++at) {
      char32_t character = text[at];
      if (character >= 0xD800 && character <= 0xDBFF && at + 1 < text.size() &&
          text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
        character = 0x10000 + ((character - 0xD800) << 10) + (text[++at] - 0xDC00);
      }
      const auto found = forms.find(character);
      if (character < 0x80) {
        out.bytes += static_cast<char>(character);
      } else if (found != forms.end() && (found->second.exact || best_fit)) {
        out.bytes += found->second.bytes;
      } else {
        out.bytes += '?';
        out.used_default = true;
      }
    }
    return out;
  }

  std::map<char32_t, Form> forms;
  bool present = true;  // false: no code page at all, as on Linux
  int conversions = 0;
};

// Latin-1 exactly; the fullwidth forms of the ASCII characters only as best fit, and Ā as "A".
inline FakeCodePage code_page_1252() {
  FakeCodePage page;
  for (char32_t c = 0xA0; c <= 0xFF; ++c) {
    page.forms[c] = {std::string(1, static_cast<char>(c)), true};
  }
  for (char32_t c = 0xFF01; c <= 0xFF5E; ++c) {
    page.forms[c] = {std::string(1, static_cast<char>(c - 0xFF01 + 0x21)), false};
  }
  page.forms[0x0100] = {"A", false};
  return page;
}

// The fullwidth forms and the CJK characters exactly (two bytes each); the yen sign only as the
// best fit "\" (0x5C is the backslash in this code page's table), umlauts and accents as their
// base letters, no form for "ß".
inline FakeCodePage code_page_932() {
  FakeCodePage page;
  page.forms = {
      {0xFF02, {"\xFA\x57", true}}, {0xFF0F, {"\x81\x5E", true}}, {0xFF3C, {"\x81\x5F", true}},
      {0x4E2D, {"\x92\x86", true}}, {0x6587, {"\x95\xB6", true}}, {0x00A5, {"\\", false}},
      {0x00E4, {"a", false}},       {0x00FC, {"u", false}},       {0x00E9, {"e", false}},
  };
  return page;
}

}  // namespace zub::testing
