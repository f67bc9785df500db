#pragma once

// ASCII rules over text of any character type: the letter case that Windows ignores in drive
// letters, extensions and device names, and hexadecimal digits.

#include <algorithm>
#include <optional>
#include <string_view>

namespace zub {

// The lower-case form of an ASCII capital; every other unit stays as it is.
template <class Char>
constexpr Char ascii_lower(Char unit) {
  return (unit >= Char('A') && unit <= Char('Z')) ? static_cast<Char>(unit + (Char('a') - Char('A')))
                                                  : unit;
}

namespace detail {
template <class Char>
constexpr bool equal_ignoring_ascii_case(std::basic_string_view<Char> a,
                                         std::basic_string_view<Char> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](Char x, Char y) { return ascii_lower(x) == ascii_lower(y); });
}
}  // namespace detail

constexpr bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return detail::equal_ignoring_ascii_case(a, b);
}
constexpr bool equal_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
  return detail::equal_ignoring_ascii_case(a, b);
}

// The value of one hexadecimal digit, either case; nothing for any other character.
constexpr std::optional<unsigned> hex_digit_value(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return std::nullopt;
}

}  // namespace zub
