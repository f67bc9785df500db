#pragma once

// Every text the launcher shows goes through show_info, show_error or show_debug: one console
// line ("<text> true") when started from a console, otherwise one modal message box.

#include <string_view>

#include "platform/console.h"

namespace zub {

// The caption of every message box, and the event-source name.
inline constexpr std::string_view kCaption = "ZUB Launcher";

class Messages {
 public:
  // `console_attached` is decided once at start and never changes.
  Messages(UserInterface& ui, bool console_attached) : ui_(ui), console_attached_(console_attached) {}

  void show_info(std::string_view text);
  // Logs the text at level Error (when the level passes), then shows it.
  void show_error(std::string_view text);
  // Shown only after enable_debug(); never logged.
  void show_debug(std::string_view text);

  // Straight to standard output, whatever the switches (without a console it is lost).
  void write_stdout(std::string_view text);

  void enable_debug() { debug_enabled_ = true; }
  bool debug_enabled() const { return debug_enabled_; }

 private:
  void show(std::string_view text, MessageKind kind);

  UserInterface& ui_;
  const bool console_attached_;
  bool debug_enabled_ = false;
};

}  // namespace zub
