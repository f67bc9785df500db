#pragma once

// The console and the message box: the two ways a text reaches a person.

#include <cstdint>
#include <string>
#include <string_view>

namespace zub {

enum class MessageKind { Error, Information, Debug };

// The uType of MessageBoxW for each kind: MB_OK, the icon, MB_SYSTEMMODAL.
constexpr std::uint32_t message_box_style(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return 0x1010;
    case MessageKind::Information: return 0x1040;
    case MessageKind::Debug: return 0x1000;
  }
  return 0x1000;
}

// A message as one console line: the text, a blank, "true" and a bare line feed.
inline std::string console_line(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 6);
  line.append(text);
  line.append(" true\n");
  return line;
}

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Write the bytes as they are; standard output is flushed after each call.
  virtual void write_stdout(std::string_view bytes) = 0;
  virtual void write_stderr(std::string_view bytes) = 0;
  // A modal notice with the caption, the text and a single OK button; blocks until it is
  // dismissed. Returns false when it could not be shown (MessageBoxW returned 0).
  virtual bool message_box(std::string_view caption, std::string_view text, MessageKind kind) = 0;
};

// Decides once, at start, whether the launcher was started from a console
// (AttachConsole(ATTACH_PARENT_PROCESS) on Windows).
bool attach_parent_console();

UserInterface& system_user_interface();

}  // namespace zub
