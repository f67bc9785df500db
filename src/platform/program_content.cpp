#include "platform/program_content.h"

namespace zub {

bool is_program_content(std::string_view first_bytes, std::string_view header_bytes,
                        bool script_may_run) {
  if (first_bytes.starts_with("MZ")) {
    // The header of a Windows (PE), 16-bit Windows or OS/2 (NE), or VxD and OS/2 (LE, LX)
    // program. A DOS header alone, or text that begins with "MZ", runs nothing here.
    return header_bytes.starts_with(std::string_view("PE\0\0", 4)) ||
           header_bytes.starts_with("NE") || header_bytes.starts_with("LE") ||
           header_bytes.starts_with("LX");
  }
  // The ELF magic alone: Linux runs a program whose class or version byte is 0, so the bytes
  // after the magic decide nothing.
  if (first_bytes.starts_with("\x7F" "ELF")) return true;
  return script_may_run && first_bytes.starts_with("#!");
}

std::optional<std::uint32_t> program_header_offset(std::string_view first_bytes,
                                                   std::uint64_t file_size) {
  constexpr std::size_t kLfanew = 0x3C;
  if (!first_bytes.starts_with("MZ") || first_bytes.size() < kDosHeaderSize) return std::nullopt;
  std::uint32_t offset = 0;
  for (std::size_t i = 4; i-- > 0;) {
    offset = (offset << 8) | static_cast<unsigned char>(first_bytes[kLfanew + i]);
  }
  // The shortest signature ("NE") must fit inside the file.
  if (std::uint64_t{offset} + 2 > file_size) return std::nullopt;
  return offset;
}

}  // namespace zub
