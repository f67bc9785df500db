#include "platform/posix/native_path.h"

#include <algorithm>

#include "common/utf8.h"

namespace zub::posix {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool is_escaped_byte(char16_t unit) {
  return unit == kEscapeBase + u'\\' || (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF);
}

// Hands the path to `run` in pieces of units between the escaped bytes, and each escaped byte
// to `byte`, in order.
template <class Run, class Byte>
void split_at_escaped_bytes(const Path& path, Run run, Byte byte) {
  std::size_t run_start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (!is_escaped_byte(path[i])) continue;
    run(std::u16string_view(path).substr(run_start, i - run_start));
    byte(static_cast<unsigned char>(path[i] - kEscapeBase));
    run_start = i + 1;
  }
  run(std::u16string_view(path).substr(run_start));
}

}  // namespace

std::string to_native(const Path& path) {
  std::string out;
  out.reserve(path.size());
  split_at_escaped_bytes(
      path,
      [&](std::u16string_view units) {
        // A "\" unit is a separator; in generalised UTF-8 its byte stands for nothing else.
        std::string bytes = utf16_to_wtf8(units);
        std::replace(bytes.begin(), bytes.end(), '\\', '/');
        out += bytes;
      },
      [&](unsigned char byte) { out.push_back(static_cast<char>(byte)); });
  return out;
}

Path from_native(std::string_view bytes) {
  Path out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const auto rest = bytes.substr(pos);
    const auto error = check_utf8(rest);
    const std::size_t valid = error ? error->index : rest.size();
    for (char16_t unit : utf8_to_utf16(rest.substr(0, valid))) {
      out.push_back(unit == u'\\' ? static_cast<char16_t>(kEscapeBase + u'\\') : unit);
    }
    pos += valid;
    if (error) {
      // Escape the bytes of the ill-formed sequence one by one.
      const std::size_t bad = error->length.value_or(rest.size() - valid);
      for (std::size_t i = 0; i < bad; ++i) {
        out.push_back(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[pos + i])));
      }
      pos += bad;
    }
  }
  return out;
}

}  // namespace zub::posix

namespace zub {

std::string path_display(const Path& path) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(path.size());
  posix::split_at_escaped_bytes(
      path, [&](std::u16string_view units) { out += utf16_to_utf8_lossy(units); },
      [&](unsigned char byte) {
        if (byte == '\\') {
          out += '\\';
          return;
        }
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
      });
  return out;
}

}  // namespace zub
