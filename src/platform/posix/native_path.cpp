#include "platform/posix/native_path.h"

#include "common/utf8.h"

namespace zub::posix {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool is_escaped_byte(char16_t unit) {
  return unit == kEscapeBase + u'\\' || (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF);
}

}  // namespace

std::string to_native(const Path& path) {
  std::string out;
  out.reserve(path.size());
  std::size_t run_start = 0;
  auto flush_run = [&](std::size_t end) {
    out += utf16_to_wtf8(std::u16string_view(path).substr(run_start, end - run_start));
  };
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char16_t unit = path[i];
    if (unit == u'\\') {
      flush_run(i);
      out.push_back('/');
      run_start = i + 1;
    } else if (is_escaped_byte(unit)) {
      flush_run(i);
      out.push_back(static_cast<char>(unit - kEscapeBase));
      run_start = i + 1;
    }
  }
  flush_run(path.size());
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
