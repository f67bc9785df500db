#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_event_sink.h"
#include "logging/event_log.h"

namespace zub {
namespace {

using testing::FakeEventSink;

// A slot of its own for each test. Like the process-wide one it keeps its logger until the
// process ends, so it is kept reachable here rather than destroyed.
LoggerSlot& fresh_slot() {
  static auto* const slots = new std::vector<std::unique_ptr<LoggerSlot>>();
  slots->push_back(std::make_unique<LoggerSlot>());
  return *slots->back();
}

LogRecord record_of(LogLevel level, const std::string_view* arg) {
  LogRecord record;
  record.level = level;
  record.target = "zub_launcher";
  record.module_path = "zub_launcher";
  record.file = __FILE__;
  record.line = __LINE__;
  record.pattern = "{}";
  record.args = std::span<const std::string_view>(arg, 1);
  return record;
}

TEST(EventKindTest, EveryLevelHasItsTypeAndIdentifier) {
  struct Row {
    LogLevel level;
    std::uint16_t type;
    std::uint32_t event_id;
  };
  const Row rows[] = {
      {LogLevel::Error, 1, 0xC0000001}, {LogLevel::Warn, 2, 0x80000002},
      {LogLevel::Info, 4, 0x40000003},  {LogLevel::Debug, 4, 0x40000004},
      {LogLevel::Trace, 4, 0x40000005},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<unsigned>(row.level));
    const EventKind kind = event_kind(row.level);
    EXPECT_EQ(kind.type, row.type);
    EXPECT_EQ(kind.event_id, row.event_id);
  }
}

TEST(EventLoggerTest, WritesOnlyRecordsAtItsLevelOrMoreSevere) {
  struct Row {
    LogLevel logger_level;
    LogLevel record_level;
    bool written;
  };
  const Row rows[] = {
      {LogLevel::Error, LogLevel::Error, true},  {LogLevel::Error, LogLevel::Warn, false},
      {LogLevel::Error, LogLevel::Info, false},  {LogLevel::Error, LogLevel::Debug, false},
      {LogLevel::Error, LogLevel::Trace, false}, {LogLevel::Warn, LogLevel::Error, true},
      {LogLevel::Warn, LogLevel::Warn, true},    {LogLevel::Warn, LogLevel::Info, false},
      {LogLevel::Trace, LogLevel::Trace, true},  {LogLevel::Trace, LogLevel::Info, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "logger " << static_cast<unsigned>(row.logger_level)
                                      << ", record " << static_cast<unsigned>(row.record_level));
    FakeEventSink sink;
    {
      EventLogger logger(sink, row.logger_level, 7);
      EXPECT_EQ(logger.enabled(row.record_level, "zub_launcher"), row.written);
      const std::string_view text = "Meldung";
      // log() makes its own level test, whatever enabled() said.
      logger.log(record_of(row.record_level, &text));
    }
    ASSERT_EQ(sink.events.size(), row.written ? 1u : 0u);
    if (row.written) {
      const EventKind kind = event_kind(row.record_level);
      EXPECT_EQ(sink.events[0].handle, 7u);
      EXPECT_EQ(sink.events[0].type, kind.type);
      EXPECT_EQ(sink.events[0].event_id, kind.event_id);
      EXPECT_EQ(sink.events[0].message, u"Meldung");
    }
    EXPECT_EQ(sink.deregistered, std::vector<EventSourceHandle>{7});
  }
}

TEST(EventLoggerTest, WritesTheMessageAloneOneEventPerRecord) {
  struct Row {
    const char* name;
    std::string text;
    std::u16string seen;
  };
  const std::vector<Row> rows = {
      {"line feeds kept", "Fehler:\nDie zu öffnende Datei \"x\"",
       u"Fehler:\nDie zu öffnende Datei \"x\""},
      {"empty message", "", u""},
      {"cut at a NUL", std::string("ab\0cd", 5), u"ab"},
      {"braces in the text", "{} bleibt", u"{} bleibt"},
      {"at the event log's bound", std::string(kEventTextLimit, 'a'),
       std::u16string(kEventTextLimit, u'a')},
      {"beyond it: beginning and end around the mark",
       std::string(20000, 'a') + std::string(20000, 'b'),
       std::u16string(15918, u'a') + u"[…]" + std::u16string(15918, u'b')},
      {"no surrogate pair split at either cut",  // pairs at units 15917 and 24081 of 40000
       std::string(15917, 'a') + "😀" + std::string(8162, 'c') + "😀" + std::string(15917, 'b'),
       std::u16string(15917, u'a') + u"[…]" + std::u16string(15917, u'b')},
  };
  FakeEventSink sink;
  EventLogger logger(sink, LogLevel::Error, 1);
  for (const Row& row : rows) {
    const std::string_view text = row.text;
    logger.log(record_of(LogLevel::Error, &text));
  }
  ASSERT_EQ(sink.events.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(sink.events[i].message, rows[i].seen);
    EXPECT_EQ(sink.events[i].event_id, 0xC0000001u);
  }
}

TEST(InitEventLogTest, OpensTheSourceInstallsTheLoggerAndLetsEveryRecordThrough) {
  FakeEventSink sink;
  LoggerSlot& slot = fresh_slot();
  const auto result = init_event_log(sink, slot, "ZUB Launcher", LogLevel::Error);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(sink.registered, std::vector<std::u16string>{u"ZUB Launcher"});
  EXPECT_EQ(slot.max_level(), LevelFilter::Trace);

  const std::string_view error_text = "Fehler beim setzen des Varneloverzeichnis! x";
  const std::string_view info_text = "Varneloverzeichnis gesetzt";
  slot.log(record_of(LogLevel::Error, &error_text));
  slot.log(record_of(LogLevel::Info, &info_text));  // passes max_level, not the backend
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].handle, 0x100u);
  EXPECT_EQ(sink.events[0].message, u"Fehler beim setzen des Varneloverzeichnis! x");
  EXPECT_TRUE(sink.deregistered.empty());  // the installed logger keeps its source open
}

TEST(InitEventLogTest, AFailedOpenIsCreateWithTheSystemError) {
  FakeEventSink sink;
  sink.register_failure = 1722;
  LoggerSlot& slot = fresh_slot();
  const auto result = init_event_log(sink, slot, "ZUB Launcher", LogLevel::Error);
  ASSERT_TRUE(result.has_error());
  EXPECT_EQ(result.error().kind, EventLogInitError::Kind::Create);
  EXPECT_EQ(result.error().create.kind, EventLogError::Kind::RegisterSourceFailed);
  EXPECT_EQ(result.error().create.system_error, 1722);
  EXPECT_EQ(describe(result.error()), "Create(RegisterSourceFailed(1722))");
  EXPECT_EQ(slot.max_level(), LevelFilter::Off);
  EXPECT_FALSE(slot.logger().enabled(LogLevel::Error, "zub_launcher"));
}

TEST(InitEventLogTest, ASecondInstallIsRefusedAndItsSourceClosed) {
  FakeEventSink sink;
  LoggerSlot& slot = fresh_slot();
  ASSERT_TRUE(init_event_log(sink, slot, "ZUB Launcher", LogLevel::Error).has_value());
  const auto second = init_event_log(sink, slot, "ZUB Launcher", LogLevel::Error);
  ASSERT_TRUE(second.has_error());
  EXPECT_EQ(second.error().kind, EventLogInitError::Kind::Set);
  EXPECT_EQ(describe(second.error()), "Set(" + describe(SetLoggerError{}) + ")");
  // The refused logger was destroyed, and with it the second source.
  EXPECT_EQ(sink.deregistered, std::vector<EventSourceHandle>{0x101});

  // The first logger stays installed and working.
  const std::string_view text = "Fehler";
  slot.log(record_of(LogLevel::Error, &text));
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].handle, 0x100u);
}

TEST(EventLogErrorTest, DisplayTextIsTheFixedTextOfTheKind) {
  struct Row {
    EventLogError::Kind kind;
    std::string_view text;
    std::string diagnostic;
  };
  const KeyError key_error = KeyError::from_status(5, "ZUB Launcher");
  const ValueError value_error = ValueError::from_status(5, "EventMessageFile");
  const std::vector<Row> rows = {
      {EventLogError::Kind::ExePathNotFound, "Could not determine executable path",
       "ExePathNotFound"},
      {EventLogError::Kind::RegisterSourceFailed, "Call to RegisterEventSource failed",
       "RegisterSourceFailed(5)"},
      {EventLogError::Kind::RegKey, "Failed to modify registry key",
       "RegKey(" + describe(key_error) + ")"},
      {EventLogError::Kind::RegValue, "Failed to modify registry value",
       "RegValue(" + describe(value_error) + ")"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EventLogError error;
    error.kind = row.kind;
    error.system_error = 5;
    error.key_error = key_error;
    error.value_error = value_error;
    EXPECT_EQ(text(error), row.text);
    EXPECT_EQ(describe(error), row.diagnostic);
  }
}

}  // namespace
}  // namespace zub
