// Stands in for the application that a test file type is associated with: every run appends one
// line to "<its own path>.log", its arguments in UTF-8 separated by tabs, so that a test sees both
// that it ran and what it was handed. A copy under another name records to its own log.

#include <windows.h>
#include <shellapi.h>

static void append_utf8(HANDLE file, const wchar_t* text, int length) {
  char buffer[8192];
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, buffer, sizeof buffer, NULL, NULL);
  DWORD written = 0;
  if (size > 0) WriteFile(file, buffer, (DWORD)size, &written, NULL);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  wchar_t log_path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(NULL, log_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  lstrcpyW(log_path + length, L".log");

  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == NULL) return 3;
  const HANDLE file = CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 4;
  for (int i = 1; i < count; ++i) {
    if (i > 1) append_utf8(file, L"\t", 1);
    append_utf8(file, args[i], lstrlenW(args[i]));
  }
  append_utf8(file, L"\n", 1);
  CloseHandle(file);
  LocalFree(args);
  return 0;
}
