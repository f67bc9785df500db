#pragma once

// The judgement of a file before it is handed to the shell, from what the platform learnt about
// it: its name, attributes, the errors of reaching and reading it, and its first bytes. Pure:
// both platforms' shells fill FileFacts and call judge_file.

#include <cstdint>
#include <string_view>

#include "common/windows_status.h"

namespace zub {

// Windows' file attributes (FILE_ATTRIBUTE_*) that the judgement of a file reads, with
// Microsoft's values (MinGW's headers lack the two RECALL_ attributes). Linux gives
// kAttributeDirectory for a folder and kAttributeDevice for what is neither folder nor regular
// file (a FIFO, a socket, a device).
inline constexpr std::uint32_t kAttributeDirectory = 0x00000010;           // _DIRECTORY
inline constexpr std::uint32_t kAttributeDevice = 0x00000040;              // _DEVICE
inline constexpr std::uint32_t kAttributeOffline = 0x00001000;             // _OFFLINE
inline constexpr std::uint32_t kAttributeRecallOnOpen = 0x00040000;        // _RECALL_ON_OPEN
inline constexpr std::uint32_t kAttributeRecallOnDataAccess = 0x00400000;  // _RECALL_ON_DATA_ACCESS

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
// name; a runnable name refuses; a failure to reach or read the file refuses (access denied, a
// virus found, ...), except that a file another program holds (sharing or lock violation) or
// that fails with any error of the cloud-files filter (ERROR_CLOUD_FILE_*) is judged by its
// name alone; anything that is neither file nor folder refuses; an online-only file (offline,
// recall on open or on data access) is judged by its name, so that its application, not the
// launcher, fetches it; otherwise its content decides (is_program_content).
FileVerdict judge_file(const FileFacts& facts);

}  // namespace zub
