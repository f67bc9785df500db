#pragma once

// A UserInterface that records what reaches the console and the message boxes.

#include <string>
#include <vector>

#include "platform/console.h"

namespace zub::testing {

struct MessageBoxCall {
  std::string caption;
  std::string text;
  MessageKind kind;
};

class RecordingUi : public UserInterface {
 public:
  void write_stdout(std::string_view bytes) override { out += bytes; }
  void write_stderr(std::string_view bytes) override { err += bytes; }
  bool message_box(std::string_view caption, std::string_view text, MessageKind kind) override {
    boxes.push_back({std::string(caption), std::string(text), kind});
    return true;
  }

  std::string out;
  std::string err;
  std::vector<MessageBoxCall> boxes;
};

}  // namespace zub::testing
