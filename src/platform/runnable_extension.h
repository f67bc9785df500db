#pragma once

// Which files the shell would run instead of open, by name (the extensions of PATHEXT and the
// runnable types) and by content (the headers of programs), the judgement of a file from what
// the platform learnt about it, and the type under which a file is handed over. Pure rules,
// shared by both platforms' shells and their tests.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/windows_status.h"

namespace zub {

// PATHEXT as Windows sets it when the variable is missing; Linux uses it as it is.
inline constexpr std::u16string_view kDefaultPathExt =
    u".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";

// The path's last name: what follows its last "\" or "/", the whole path without one.
std::u16string_view last_name(std::u16string_view path);

// The extensions the shell takes from a path's last name ("." included, for instance ".exe"):
// that of the whole name and, for a name with an alternate stream ("a.exe:s"), that of the part
// before the colon. Trailing dots and blanks are dropped first, as Windows ignores them.
std::vector<std::u16string> shell_extensions(std::u16string_view path);

// True when one of the path's extensions is in `path_ext` (";"-separated) or among the runnable
// types; ASCII case is ignored.
bool has_runnable_extension(std::u16string_view path, std::u16string_view path_ext);

// Windows' file attributes (FILE_ATTRIBUTE_*) that the judgement of a file reads, with
// Microsoft's values (MinGW's headers lack the two RECALL_ attributes). Linux gives kAttributeDirectory for a folder and kAttributeDevice for what is
// neither folder nor regular file (a FIFO, a socket, a device).
inline constexpr std::uint32_t kAttributeDirectory = 0x00000010;           // _DIRECTORY
inline constexpr std::uint32_t kAttributeDevice = 0x00000040;              // _DEVICE
inline constexpr std::uint32_t kAttributeOffline = 0x00001000;             // _OFFLINE
inline constexpr std::uint32_t kAttributeRecallOnOpen = 0x00040000;        // _RECALL_ON_OPEN
inline constexpr std::uint32_t kAttributeRecallOnDataAccess = 0x00400000;  // _RECALL_ON_DATA_ACCESS

// How many first bytes the platform reads (a DOS header), and how many at the offset that
// program_header_offset names.
inline constexpr std::size_t kDosHeaderSize = 64;
inline constexpr std::size_t kProgramHeaderSize = 4;

// What the platform has learnt about a file, in the order it learns it. Error codes are
// Windows'; Linux, which has neither cloud files nor mandatory locks, reports its failures as
// kErrorOpenFailed and kErrorReadFault.
struct FileFacts {
  bool runnable_name = false;          // the runnable types, PATHEXT, AssocIsDangerous
  std::uint32_t attributes = 0;        // as far as known without reading the file's data
  OsError open_error = 0;              // reaching it (its attributes, or opening it); 0: none
  OsError read_error = 0;              // reading its bytes; 0: none
  bool script_may_run = false;         // "#!" runs: Linux, with a run bit
  bool content_read = false;           // the two fields below hold what was read
  std::string_view first_bytes = {};   // up to kDosHeaderSize from the start
  std::string_view header_bytes = {};  // up to kProgramHeaderSize at program_header_offset
};

enum class FileVerdict {
  Open,         // a folder, a document, or a file that must be judged by its (passing) name
  Refuse,       // the shell would run it, or it cannot be judged
  ReadContent,  // a file whose first bytes decide: read them, then judge again
};

// The judgement of a file before it is handed over. In this order: a folder opens whatever its
// name; a runnable name refuses; a failure to reach or read the file refuses, except that a
// file another program holds (sharing or lock violation) or whose data the cloud-files
// provider cannot fetch now is judged by its name alone; anything that is neither file nor
// folder refuses; an online-only file (offline, recall on open or on data access) is judged by
// its name, so that its application, not the launcher, fetches it; otherwise its content
// decides (is_program_content).
FileVerdict judge_file(const FileFacts& facts);

// Where a Windows program's header lies: e_lfanew of the DOS header (32-bit little-endian at
// 0x3C) when `first_bytes` begin with one ("MZ", 64 bytes) and the offset leaves room for a
// signature inside a file of `file_size` bytes. Nothing otherwise: no second read is needed.
std::optional<std::uint32_t> program_header_offset(std::string_view first_bytes,
                                                   std::uint64_t file_size);

// True when a file is a program that the system starts by its content, whatever its name: a
// DOS header whose e_lfanew leads to a PE, NE, LE or LX header (`header_bytes`, read there), an
// ELF file with a valid identification, and, when `script_may_run`, a script that names its
// interpreter ("#!"). Only Linux runs such a script, and only with its run bit; handed over as
// its type, Windows and Wine open it as a document.
bool is_program_content(std::string_view first_bytes, std::string_view header_bytes,
                        bool script_may_run);

// The file type under which the shell is to open the file: the extension of its last name
// (".pdf"), or "." for a name without one, the type Windows gives such files. Opened as its type,
// a file goes to that type's application and is never started itself.
std::u16string association_class(std::u16string_view path);

}  // namespace zub
