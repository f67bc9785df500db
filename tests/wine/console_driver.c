// A console program that starts another program the way a command prompt starts a GUI program:
// without a console of its own (DETACHED_PROCESS), so that the program can attach to this one's
// console with AttachConsole(ATTACH_PARENT_PROCESS). Waits for it and ends with its exit code.
//
// Usage: console_driver.exe PROGRAM [ARGUMENTS...]   (the rest of the command line is passed on
// exactly as written). When this program's standard output and error are files, the started
// program gets them as its standard handles; otherwise it writes to the console itself.
// "console_driver.exe -stub {GUID}" starts what Windows runs at a logon for that Active Setup
// component instead: its StubPath, expanded (RRF_RT_REG_SZ expands a REG_EXPAND_SZ value).

#include <windows.h>

// The command line after this program's own name, as written.
static wchar_t* rest_of_command_line(void) {
  wchar_t* text = GetCommandLineW();
  if (*text == L'"') {
    ++text;
    while (*text != L'\0' && *text != L'"') ++text;
    if (*text == L'"') ++text;
  } else {
    while (*text != L'\0' && *text != L' ' && *text != L'\t') ++text;
  }
  while (*text == L' ' || *text == L'\t') ++text;
  return text;
}

static BOOL is_file(HANDLE handle) {
  return handle != NULL && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

int wmain(void) {
  wchar_t* command = rest_of_command_line();
  if (*command == L'\0') return 120;
  static wchar_t key[256] = L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\";
  static wchar_t stub[4096];
  DWORD size = sizeof stub;
  if (wcsncmp(command, L"-stub ", 6) == 0 && wcslen(command) < 100) {
    if (RegGetValueW(HKEY_LOCAL_MACHINE, wcscat(key, command + 6), L"StubPath", RRF_RT_REG_SZ, NULL,
                     stub, &size) != ERROR_SUCCESS) return 123;
    command = stub;
  }

  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  BOOL inherit = FALSE;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (is_file(out) && is_file(err)) {
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetHandleInformation(err, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = NULL;
    startup.hStdOutput = out;
    startup.hStdError = err;
    inherit = TRUE;
  }

  PROCESS_INFORMATION process;
  if (!CreateProcessW(NULL, command, NULL, NULL, inherit, DETACHED_PROCESS, NULL, NULL, &startup,
                      &process)) {
    return 121;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 122;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)code;
}
