#pragma once

// The hive files of the Linux registry stand-in: one root key per file, in the syntax regedit
// exports.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\varnelo\launcher]
//   "NextCloudFolder"="C:\\Daten"
//   @="default value"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,03
//   "Path"=hex(2):43,00,3a,00,00,00
//
// A section for every key that exists, parents included, in sorted order. "text" stands for a
// REG_SZ whose data is exactly the text and one terminating NUL, on one line; every other
// REG_SZ (no terminator, a NUL inside, a line break, an odd byte count, an unpaired surrogate)
// is written as hex(1). Strings escape "\" and '"' with a backslash. A line ending in "\"
// continues on the next; lines starting with ";" are comments. Written as UTF-8 with "\n";
// read also with a UTF-8 byte order mark, as UTF-16LE with byte order mark (as regedit writes
// it), and with "\r\n".
//
// Deletion entries of regedit's import syntax ("[-key]", "name"=-) describe no state and make
// the file unreadable, like any other line that does not parse; so does a key more than 512
// levels below the root key, as Windows allows no deeper one.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "registry/emulation/registry_tree.h"

namespace zub::posix {

struct HiveParseError {
  std::size_t line = 0;  // 1-based; 0 for the file as a whole (encoding)
  std::string reason;
};

// The content of the root key `hive` from the bytes of its file. An empty file is an empty
// root key. Sections must name that root key.
Result<RegistryTree, HiveParseError> parse_hive_file(std::string_view bytes, Hive hive);

// Takes the next piece of a file being written; false when it could not be stored.
using HiveFileSink = std::function<bool(std::string_view piece)>;

// The size in bytes of the file for the tree, counted without making it. A key's section names
// its whole path, so a file of deep keys written without their parents' sections grows by about
// half the depth on its next write: check the size before writing.
std::size_t hive_file_size(const RegistryTree& tree, Hive hive);

// The file for the tree, handed to `write` piece by piece. Besides the pieces it holds no more
// than the path of one key at a time. Stops at the first piece that `write` refuses and then
// returns false.
bool write_hive_file(const RegistryTree& tree, Hive hive, const HiveFileSink& write);

// The file for the tree as one text.
std::string write_hive_file(const RegistryTree& tree, Hive hive);

}  // namespace zub::posix
