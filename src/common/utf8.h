#pragma once

// UTF-8 and UTF-16 conversions shared by the whole launcher.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

// The first ill-formed sequence of a byte string: `index` counts the bytes before it;
// `length` (1 to 3) is the number of bytes that start the ill-formed sequence, or empty when
// the bytes end inside a sequence that could still have been completed.
struct Utf8Error {
  std::size_t index = 0;
  std::optional<std::size_t> length;

  bool operator==(const Utf8Error&) const = default;
};

// Checks bytes against RFC 3629 (no overlong forms, no surrogates, nothing above U+10FFFF).
std::optional<Utf8Error> check_utf8(std::string_view bytes);
inline bool is_valid_utf8(std::string_view bytes) { return !check_utf8(bytes).has_value(); }

// Decodes the code point at `pos` and moves `pos` past it; an ill-formed sequence gives U+FFFD
// and is skipped as a whole. `pos` must be less than bytes.size().
char32_t next_code_point(std::string_view bytes, std::size_t& pos);

// Appends the UTF-8 form of a code point (surrogate code points included, as generalised UTF-8).
void append_utf8(std::string& out, char32_t code_point);

// The two halves of a surrogate pair.
inline bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-8 to UTF-16. Each ill-formed sequence becomes one U+FFFD.
std::u16string utf8_to_utf16(std::string_view bytes);

// UTF-16 to UTF-8. Each unpaired surrogate becomes U+FFFD; a high surrogate that is not
// followed by a low one is replaced and the unit after it is decoded on its own.
std::string utf16_to_utf8_lossy(std::u16string_view units);

// UTF-16 to UTF-8; empty when the units hold an unpaired surrogate.
std::optional<std::string> utf16_to_utf8_strict(std::u16string_view units);

// UTF-16 to generalised UTF-8: an unpaired surrogate is written as its own three-byte form,
// which check_utf8 rejects. Keeps every unit, so nothing of an odd argument is silently replaced.
std::string utf16_to_wtf8(std::u16string_view units);

// The units as UTF-16LE bytes, low byte first, as the registry stores string data.
std::vector<std::uint8_t> utf16le_bytes(std::u16string_view units);

}  // namespace zub
