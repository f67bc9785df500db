#pragma once

// Owners of the file and search handles of kernel32.

#include <windows.h>

#include "platform/unique_handle.h"

namespace zub::win32 {

// From CreateFileW, closed with CloseHandle.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static bool valid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static BOOL close(Handle handle) { return ::CloseHandle(handle); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// From FindFirstFileW, closed with FindClose.
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static bool valid(Handle handle) { return handle != INVALID_HANDLE_VALUE; }
  static BOOL close(Handle handle) { return ::FindClose(handle); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace zub::win32
