// Message output: console lines and their streams, message boxes, the debug switch, and the
// logging of every error message.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/messages.h"
#include "logging/log.h"
#include "recording_logger.h"
#include "recording_ui.h"

namespace zub {
namespace {

using namespace std::string_literals;
using testing::recorded_log;
using testing::RecordingUi;

enum class Show { Info, Error, Debug };

void show(Messages& messages, Show which, std::string_view text) {
  switch (which) {
    case Show::Info: messages.show_info(text); break;
    case Show::Error: messages.show_error(text); break;
    case Show::Debug: messages.show_debug(text); break;
  }
}

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorded_log().clear();
    set_max_level(LevelFilter::Trace);
  }
  void TearDown() override { set_max_level(LevelFilter::Trace); }
};

struct ConsoleRow {
  const char* name;
  Show which;
  bool debug;
  std::string text;
  std::string out;
  std::string err;
};

TEST_F(MessagesTest, ConsoleLinesGoToTheirStreams) {
  const ConsoleRow rows[] = {
      {"info to stdout", Show::Info, false, "Logging Quelle wurde entfernt", "Logging Quelle wurde entfernt true\n", ""},
      {"error to stderr", Show::Error, false, "Fehler! x", "", "Fehler! x true\n"},
      {"debug hidden without -d", Show::Debug, false, "Try to open path", "", ""},
      {"debug to stdout with -d", Show::Debug, true, "Try to open path", "Try to open path true\n", ""},
      {"empty text", Show::Info, false, "", " true\n", ""},
      {"line feeds kept", Show::Error, false, "\nFehler in der URL : x\n", "", "\nFehler in der URL : x\n true\n"},
      {"embedded NUL reaches the console whole", Show::Info, false, std::string("a\0b", 3), std::string("a\0b true\n", 9), ""},
      {"help text ends in its own line feed", Show::Info, false, "Hilfe\n", "Hilfe\n true\n", ""},
  };
  for (const auto& row : rows) {
    RecordingUi ui;
    Messages messages(ui, true);
    if (row.debug) messages.enable_debug();
    show(messages, row.which, row.text);
    EXPECT_EQ(ui.out, row.out) << row.name;
    EXPECT_EQ(ui.err, row.err) << row.name;
    EXPECT_TRUE(ui.boxes.empty()) << row.name;
  }
}

struct BoxRow {
  const char* name;
  Show which;
  MessageKind kind;
};

TEST_F(MessagesTest, WithoutConsoleEachMessageIsOneBoxOfItsKind) {
  const BoxRow rows[] = {
      {"info", Show::Info, MessageKind::Information},
      {"error", Show::Error, MessageKind::Error},
      {"debug", Show::Debug, MessageKind::Debug},
  };
  for (const auto& row : rows) {
    RecordingUi ui;
    Messages messages(ui, false);
    messages.enable_debug();
    show(messages, row.which, "Text\nzweite Zeile");
    ASSERT_EQ(ui.boxes.size(), 1u) << row.name;
    EXPECT_EQ(ui.boxes[0].caption, "ZUB Launcher") << row.name;
    EXPECT_EQ(ui.boxes[0].text, "Text\nzweite Zeile") << row.name << ": no \" true\" in a box";
    EXPECT_EQ(ui.boxes[0].kind, row.kind) << row.name;
    EXPECT_EQ(ui.out, "") << row.name;
    EXPECT_EQ(ui.err, "") << row.name;
  }
}

TEST_F(MessagesTest, BoxStylesAreSystemModalWithTheKindsIcon) {
  EXPECT_EQ(message_box_style(MessageKind::Error), 0x1010u);
  EXPECT_EQ(message_box_style(MessageKind::Information), 0x1040u);
  EXPECT_EQ(message_box_style(MessageKind::Debug), 0x1000u);
}

TEST_F(MessagesTest, DebugWithoutSwitchLeavesNoTraceAnywhere) {
  for (const bool console : {true, false}) {
    RecordingUi ui;
    Messages messages(ui, console);
    messages.show_debug("document opened!");
    EXPECT_EQ(ui.out, "");
    EXPECT_EQ(ui.err, "");
    EXPECT_TRUE(ui.boxes.empty());
  }
  EXPECT_TRUE(recorded_log().empty());
}

TEST_F(MessagesTest, TwoErrorsGiveTwoBoxesInOrder) {
  RecordingUi ui;
  Messages messages(ui, false);
  messages.show_error("Error try to get base dir!");
  messages.show_error("Error access the registry key : x");
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, "Error try to get base dir!");
  EXPECT_EQ(ui.boxes[1].text, "Error access the registry key : x");
}

TEST_F(MessagesTest, EveryErrorIsLoggedOnceWithItsTextUnchanged) {
  const std::string text = "Fehler beim setzen des Varneloverzeichnis! Error\naccess \0x"s;
  for (const bool console : {true, false}) {
    recorded_log().clear();
    RecordingUi ui;
    Messages messages(ui, console);
    messages.enable_debug();
    messages.show_info("info");
    messages.show_debug("debug");
    messages.show_error(text);
    ASSERT_EQ(recorded_log().size(), 1u) << "console " << console;
    const auto& record = recorded_log()[0];
    EXPECT_EQ(record.level, LogLevel::Error);
    EXPECT_EQ(record.message, text) << "the text alone, without \" true\"";
    EXPECT_EQ(record.target, "zub_launcher");
    EXPECT_EQ(record.module_path, "zub_launcher");
    EXPECT_NE(record.file.find("messages"), std::string::npos) << record.file;
    EXPECT_GT(record.line, 0u);
  }
}

TEST_F(MessagesTest, ErrorsBuildNoRecordWhileLoggingIsOff) {
  RecordingUi ui;
  Messages messages(ui, true);
  set_max_level(LevelFilter::Off);
  messages.show_error("a");
  messages.show_error("b");
  EXPECT_EQ(recorded_log().size(), 0u) << "nothing may reach the logger below the max level";
  EXPECT_EQ(ui.err, "a true\nb true\n") << "the messages are still shown";

  // The same calls with the level open: each one is counted, so the gate above was the cause.
  set_max_level(LevelFilter::Error);
  messages.show_error("a");
  messages.show_error("b");
  EXPECT_EQ(recorded_log().size(), 2u);
}

TEST_F(MessagesTest, WriteStdoutPassesBytesUnchanged) {
  for (const bool console : {true, false}) {
    RecordingUi ui;
    Messages messages(ui, console);
    messages.write_stdout("Try to create path\n");
    EXPECT_EQ(ui.out, "Try to create path\n");
    EXPECT_TRUE(ui.boxes.empty());
  }
}

}  // namespace
}  // namespace zub
