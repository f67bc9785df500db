#pragma once

// Programs that the system starts by their content, whatever their name: the headers of Windows
// and ELF programs, and scripts that name their interpreter. Pure rules over the bytes the
// platform read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zub {

// How many first bytes the platform reads (a DOS header), and how many at the offset that
// program_header_offset names.
inline constexpr std::size_t kDosHeaderSize = 64;
inline constexpr std::size_t kProgramHeaderSize = 4;

// Where a Windows program's header lies: e_lfanew of the DOS header (32-bit little-endian at
// 0x3C) when `first_bytes` begin with one ("MZ", 64 bytes) and the offset leaves room for a
// signature inside a file of `file_size` bytes. Nothing otherwise: no second read is needed.
std::optional<std::uint32_t> program_header_offset(std::string_view first_bytes,
                                                   std::uint64_t file_size);

// True when a file is a program that the system starts by its content, whatever its name: a
// DOS header whose e_lfanew leads to a PE, NE, LE or LX header (`header_bytes`, read there),
// every file that begins with the ELF magic, and, when `script_may_run`, a script that names its
// interpreter ("#!"). Only Linux runs such a script, and only with its run bit; handed over as
// its type, Windows and Wine open it as a document.
bool is_program_content(std::string_view first_bytes, std::string_view header_bytes,
                        bool script_may_run);

}  // namespace zub
