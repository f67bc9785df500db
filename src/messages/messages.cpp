#include "messages/messages.h"

#include "logging/log.h"

namespace zub {

void Messages::show_info(std::string_view text) { show(text, MessageKind::Information); }

void Messages::show_error(std::string_view text) {
  // The level test comes first, so that nothing is built while logging is off.
  if (passes(LogLevel::Error, max_level())) {
    const std::string_view args[] = {text};
    const LogRecord record{
        .level = LogLevel::Error,
        .target = "zub_launcher",
        .module_path = "zub_launcher",
        .file = __FILE__,
        .line = __LINE__,
        .pattern = "{}",
        .args = args,
    };
    log_record(record);
  }
  show(text, MessageKind::Error);
}

void Messages::show_debug(std::string_view text) {
  if (!debug_enabled_) return;
  show(text, MessageKind::Debug);
}

void Messages::write_stdout(std::string_view text) { ui_.write_stdout(text); }

void Messages::show(std::string_view text, MessageKind kind) {
  if (!console_attached_) {
    ui_.message_box(kCaption, text, kind);  // a box that cannot be shown changes nothing
    return;
  }
  const std::string line = console_line(text);
  if (kind == MessageKind::Error) {
    ui_.write_stderr(line);
  } else {
    ui_.write_stdout(line);
  }
}

}  // namespace zub
