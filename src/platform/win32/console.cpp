// The console of the parent process and MessageBoxW.

#include "platform/console.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "common/utf8.h"
#include "platform/win32/file_handle.h"
#include "platform/wide_string.h"

namespace zub {
namespace win32 {
namespace {

// Set once by attach_parent_console(), before any message is written.
bool g_console_attached = false;


bool usable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// A console takes UTF-16 whatever its code page.
void write_console(HANDLE handle, std::string_view bytes) {
  const std::u16string wide = utf8_to_utf16(bytes);
  std::size_t done = 0;
  while (done < wide.size()) {
    // Bounded pieces, never splitting a surrogate pair.
    std::size_t piece = std::min<std::size_t>(wide.size() - done, 16384);
    const char16_t last = wide[done + piece - 1];
    if (piece > 1 && done + piece < wide.size() && is_high_surrogate(last)) --piece;
    DWORD written = 0;
    if (!::WriteConsoleW(handle, wide.data() + done, static_cast<DWORD>(piece), &written,
                         nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
}

// A file or pipe gets the UTF-8 bytes unchanged: no "\r\n" translation.
void write_file(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data(), piece, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

class Win32UserInterface final : public UserInterface {
 public:
  void write_stdout(std::string_view bytes) override { write(STD_OUTPUT_HANDLE, bytes); }
  void write_stderr(std::string_view bytes) override { write(STD_ERROR_HANDLE, bytes); }

  bool message_box(std::string_view caption, std::string_view text, MessageKind kind) override {
    // Terminated without a NUL check: the box shows the text up to an embedded NUL.
    const std::u16string wide_text = to_wide_terminated(text);
    const std::u16string wide_caption = to_wide_terminated(caption);
    return ::MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(wide_text.c_str()),
                         reinterpret_cast<LPCWSTR>(wide_caption.c_str()),
                         message_box_style(kind)) != 0;
  }

 private:
  // A GUI process that attached to its parent's console has no standard handles unless the
  // parent redirected them; the console itself is then reached through CONOUT$.
  HANDLE stream(DWORD which) {
    HANDLE handle = ::GetStdHandle(which);
    if (usable(handle) || !g_console_attached) return handle;
    if (!console_output_.valid()) {
      console_output_ = FileHandle(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
    }
    return console_output_.get();
  }

  void write(DWORD which, std::string_view bytes) {
    HANDLE handle = stream(which);
    if (!usable(handle)) return;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
      write_console(handle, bytes);
    } else {
      write_file(handle, bytes);
    }
  }

  FileHandle console_output_;
};

}  // namespace
}  // namespace win32

bool attach_parent_console() {
  win32::g_console_attached = ::AttachConsole(ATTACH_PARENT_PROCESS) == TRUE;
  return win32::g_console_attached;
}

UserInterface& system_user_interface() {
  static win32::Win32UserInterface ui;
  return ui;
}

}  // namespace zub
