#include "common/utf8.h"

namespace zub {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The range of the second byte allowed after a lead byte; the other continuation bytes are
// always 0x80..0xBF. Returns the total sequence length, or 0 for a byte that cannot lead.
std::size_t sequence_shape(unsigned char lead, unsigned char& low, unsigned char& high) {
  low = 0x80;
  high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED) high = 0x9F;  // no surrogates
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes one sequence at `pos`. On success returns the code point and advances `pos`;
// on failure fills `error` (relative to `pos`) and leaves `pos` alone.
std::optional<char32_t> decode_one(std::string_view bytes, std::size_t& pos, Utf8Error& error) {
  const auto lead = static_cast<unsigned char>(bytes[pos]);
  unsigned char low = 0;
  unsigned char high = 0;
  const std::size_t length = sequence_shape(lead, low, high);
  if (length == 0) {
    error = {pos, 1};
    return std::nullopt;
  }
  if (length == 1) {
    ++pos;
    return lead;
  }
  char32_t code_point = lead & (0xFF >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) {
    if (pos + i >= bytes.size()) {
      error = {pos, std::nullopt};
      return std::nullopt;
    }
    const auto byte = static_cast<unsigned char>(bytes[pos + i]);
    const bool fits = i == 1 ? (byte >= low && byte <= high) : is_continuation(byte);
    if (!fits) {
      error = {pos, i};
      return std::nullopt;
    }
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  pos += length;
  return code_point;
}

void append_utf16(std::u16string& out, char32_t code_point) {
  if (code_point < 0x10000) {
    out.push_back(static_cast<char16_t>(code_point));
    return;
  }
  const char32_t offset = code_point - 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

// Walks the units and calls `emit` with each code point, or with the unpaired surrogate unit
// itself and `paired == false`.
template <class Emit>
void walk_utf16(std::u16string_view units, Emit emit) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (is_high_surrogate(unit) && i + 1 < units.size() && is_low_surrogate(units[i + 1])) {
      emit(0x10000 + ((static_cast<char32_t>(unit - 0xD800) << 10) | (units[i + 1] - 0xDC00)), true);
      ++i;
    } else {
      emit(unit, !is_high_surrogate(unit) && !is_low_surrogate(unit));
    }
  }
}

}  // namespace

std::optional<Utf8Error> check_utf8(std::string_view bytes) {
  std::size_t pos = 0;
  Utf8Error error;
  while (pos < bytes.size()) {
    // Plain ASCII runs are by far the most common input; skip them cheaply.
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    if (!decode_one(bytes, pos, error)) return error;
  }
  return std::nullopt;
}

void append_utf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out.push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

char32_t next_code_point(std::string_view bytes, std::size_t& pos) {
  Utf8Error error;
  if (auto code_point = decode_one(bytes, pos, error)) return *code_point;
  pos += error.length.value_or(bytes.size() - pos);
  return kReplacement;
}

std::u16string utf8_to_utf16(std::string_view bytes) {
  std::u16string out;
  // Room for the terminating NUL that most callers append, so that it never reallocates.
  out.reserve(bytes.size() + 1);
  std::size_t pos = 0;
  while (pos < bytes.size()) append_utf16(out, next_code_point(bytes, pos));
  return out;
}

std::string utf16_to_utf8_lossy(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  walk_utf16(units, [&](char32_t code_point, bool paired) {
    append_utf8(out, paired ? code_point : kReplacement);
  });
  return out;
}

std::optional<std::string> utf16_to_utf8_strict(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  bool valid = true;
  walk_utf16(units, [&](char32_t code_point, bool paired) {
    valid = valid && paired;
    append_utf8(out, code_point);
  });
  if (!valid) return std::nullopt;
  return out;
}

std::string utf16_to_wtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  walk_utf16(units, [&](char32_t code_point, bool) { append_utf8(out, code_point); });
  return out;
}

std::vector<std::uint8_t> utf16le_bytes(std::u16string_view units) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * units.size());
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

}  // namespace zub
