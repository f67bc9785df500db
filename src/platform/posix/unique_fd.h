#pragma once

// The owner of a file descriptor.

#include <unistd.h>

#include <cerrno>

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

}  // namespace zub::posix
