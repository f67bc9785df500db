#pragma once

// File descriptors: their owner, and writing to one.

#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/unique_handle.h"

namespace zub::posix {

struct FdTraits {
  using Handle = int;
  static int invalid() { return -1; }
  static bool valid(int fd) { return fd >= 0; }
  // The errno of a failed close, or 0.
  static int close(int fd) { return ::close(fd) == 0 ? 0 : errno; }
};
using UniqueFd = UniqueHandle<FdTraits>;

// Writes all bytes, again after an interrupted or partial write: 0, or the errno of the write
// that failed.
int write_all(int fd, std::string_view bytes);

}  // namespace zub::posix
