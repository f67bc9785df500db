// Stands in for an application that reads its command line in the ANSI code page, as every
// program without Unicode support does (GetCommandLineA, main's argv): every run appends its
// command line, as those bytes and unparsed, and a line feed to "<its own path>.log". What it
// records is what such a program sees: a character that the code page lacks arrives in its
// best-fit form.

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  wchar_t log_path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(NULL, log_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  lstrcpyW(log_path + length, L".log");

  const char* line = GetCommandLineA();
  const HANDLE file = CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 4;
  DWORD written = 0;
  WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
  WriteFile(file, "\n", 1, &written, NULL);
  CloseHandle(file);
  return 0;
}
