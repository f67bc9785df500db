// The argument scan and the dispatch, driven through fake actions: which one action runs,
// with what, the messages that report its outcome, and the exit code.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "frontend/dispatch.h"
#include "recording_logger.h"
#include "recording_ui.h"

namespace zub {

// Exit codes print as numbers in failure reports.
inline void PrintTo(ExitCode code, std::ostream* os) { *os << to_number(code); }

namespace {

using testing::recorded_log;
using testing::RecordingUi;
using Args = std::vector<std::string_view>;
using Calls = std::vector<std::string>;

// Records each action as "name(arguments)" and answers as configured.
class FakeActions final : public Actions {
 public:
  void show_help(std::string_view program_name) override {
    calls.push_back("help(" + std::string(program_name) + ")");
  }
  ExitCode show_configuration() override {
    calls.push_back("configuration");
    return configuration_code;
  }
  ExitCode open_document(std::string_view url_text, std::string_view relative_path) override {
    calls.push_back("open(" + std::string(url_text) + ", " + std::string(relative_path) + ")");
    return open_code;
  }
  Result<void, RegistryError> write_base_dir(std::string_view folder) override {
    calls.push_back("write_base_dir(" + std::string(folder) + ")");
    return answer(write_base_dir_error);
  }
  Result<void, RegistryError> register_url_scheme() override {
    calls.push_back("register_url_scheme");
    return answer(register_url_scheme_error);
  }
  Result<void, RegistryError> unregister_url_scheme() override {
    calls.push_back("unregister_url_scheme");
    return answer(unregister_url_scheme_error);
  }
  Result<void, EventLogError> register_event_source(std::string_view source_name) override {
    calls.push_back("register_event_source(" + std::string(source_name) + ")");
    return answer(register_event_source_error);
  }
  Result<void, KeyError> deregister_event_source(std::string_view source_name) override {
    calls.push_back("deregister_event_source(" + std::string(source_name) + ")");
    return answer(deregister_event_source_error);
  }

  Calls calls;
  ExitCode configuration_code = ExitCode::NotRegisteredAndBaseDirNotSet;
  ExitCode open_code = ExitCode::Success;
  std::optional<RegistryError> write_base_dir_error;
  std::optional<RegistryError> register_url_scheme_error;
  std::optional<RegistryError> unregister_url_scheme_error;
  std::optional<EventLogError> register_event_source_error;
  std::optional<KeyError> deregister_event_source_error;

 private:
  template <class E>
  static Result<void, E> answer(const std::optional<E>& error) {
    if (error) return fail(*error);
    return ok<E>();
  }
};

const std::string kProgram = "C:\\Program Files\\Varnelo\\zub_launcher.exe";

Args with_program(Args args) {
  args.insert(args.begin(), kProgram);
  return args;
}

std::string help() { return "help(" + kProgram + ")"; }

struct ScanRow {
  const char* name;
  Args args;  // after the program name
  ExitCode code;
  Calls calls;
  bool debug = false;
};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorded_log().clear();
    set_max_level(LevelFilter::Trace);
  }
};

TEST_F(DispatchTest, ScanAndPrecedenceChooseOneAction) {
  const ScanRow rows[] = {
      {"only the program name", {}, ExitCode::MissingArguments, {help()}},
      {"-h", {"-h"}, ExitCode::Success, {help()}},
      {"-h wins over -i and a link", {"-i", "zubdms:/a.txt", "-h"}, ExitCode::Success, {help()}},
      {"-h wins over a trailing -c", {"-h", "-c"}, ExitCode::Success, {help()}},
      {"-i: the check's code", {"-i"}, ExitCode::NotRegisteredAndBaseDirNotSet, {"configuration"}},
      {"-i and -h", {"-i", "-h"}, ExitCode::Success, {help()}},
      {"-i and -r: no registration", {"-i", "-r"}, ExitCode::NotRegisteredAndBaseDirNotSet, {"configuration"}},
      {"-i wins over a trailing -c", {"-i", "-c"}, ExitCode::NotRegisteredAndBaseDirNotSet, {"configuration"}},
      {"-i wins over a surplus argument", {"zubdms:/a.txt", "x", "-i"}, ExitCode::NotRegisteredAndBaseDirNotSet, {"configuration"}},
      {"-c as last argument", {"-c"}, ExitCode::MissingArguments, {help()}},
      {"trailing -c wins over a surplus argument", {"zubdms:/a.txt", "x", "-c"}, ExitCode::MissingArguments, {help()}},
      {"-c last after an earlier -c with a value", {"-c", "D:\\a", "-c"}, ExitCode::MissingArguments, {help()}},
      {"-c last after a valid link", {"zubdms:/a.txt", "-c"}, ExitCode::MissingArguments, {help()}},
      {"-c takes an option word as its value", {"-c", "-h"}, ExitCode::Success, {"write_base_dir(-h)"}},
      {"-c takes a link as its value", {"-c", "zubdms:/a.txt"}, ExitCode::Success, {"write_base_dir(zubdms:/a.txt)"}},
      {"-c takes an empty value", {"-c", ""}, ExitCode::Success, {"write_base_dir()"}},
      {"the last -c value counts", {"-c", "D:\\a", "-c", "D:\\b"}, ExitCode::Success, {"write_base_dir(D:\\b)"}},
      {"-c value then a link opens only", {"-c", "D:\\a", "zubdms:/a.txt"}, ExitCode::Success, {"open(zubdms:/a.txt, \\a.txt)"}},
      {"-c passes bytes that are not UTF-8 unchanged", {"-c", "D:\\\xFF"}, ExitCode::Success, {"write_base_dir(D:\\\xFF)"}},
      {"link", {"zubdms:/Projekte/A%20B/Plan.pdf"}, ExitCode::Success, {"open(zubdms:/Projekte/A%20B/Plan.pdf, \\Projekte\\A B\\Plan.pdf)"}},
      {"link then -r opens only", {"zubdms:/a.txt", "-r"}, ExitCode::Success, {"open(zubdms:/a.txt, \\a.txt)"}},
      {"link then -h", {"zubdms:/a.txt", "-h"}, ExitCode::Success, {help()}},
      {"two links", {"zubdms:/a.txt", "zubdms:/b.txt"}, ExitCode::InvalidCombination, {help()}},
      {"link then text, not examined", {"zubdms:/a.txt", "kein link"}, ExitCode::InvalidCombination, {help()}},
      {"-r", {"-r"}, ExitCode::Success, {"register_url_scheme"}},
      {"-r and -u: registration only", {"-u", "-r"}, ExitCode::Success, {"register_url_scheme"}},
      {"-u", {"-u"}, ExitCode::Success, {"unregister_url_scheme"}},
      {"-l", {"-l"}, ExitCode::Success, {"register_event_source(ZUB Launcher)"}},
      {"-x and -l: registration only", {"-x", "-l"}, ExitCode::Success, {"register_event_source(ZUB Launcher)"}},
      {"-x", {"-x"}, ExitCode::Success, {"deregister_event_source(ZUB Launcher)"}},
      {"-u wins over -l", {"-l", "-u"}, ExitCode::Success, {"unregister_url_scheme"}},
      {"-r wins over -x", {"-x", "-r"}, ExitCode::Success, {"register_url_scheme"}},
      {"-c wins over -r", {"-r", "-c", "D:\\a"}, ExitCode::Success, {"write_base_dir(D:\\a)"}},
      {"repeated option", {"-r", "-r"}, ExitCode::Success, {"register_url_scheme"}},
      {"-d alone: no action", {"-d"}, ExitCode::RegistrationMismatch, {}, true},
      {"-d after the action's option", {"-r", "-d"}, ExitCode::Success, {"register_url_scheme"}, true},
      {"-d before a link", {"-d", "zubdms:/a.txt"}, ExitCode::Success, {"open(zubdms:/a.txt, \\a.txt)"}, true},
      {"-d as the -c value is no switch", {"-c", "-d"}, ExitCode::Success, {"write_base_dir(-d)"}, false},
  };
  for (const auto& row : rows) {
    RecordingUi ui;
    Messages messages(ui, true);
    FakeActions actions;
    const Args args = with_program(row.args);
    EXPECT_EQ(run(args, messages, actions), row.code) << row.name;
    EXPECT_EQ(actions.calls, row.calls) << row.name;
    EXPECT_EQ(messages.debug_enabled(), row.debug) << row.name;
    EXPECT_EQ(ui.err, "") << row.name;
  }
}

TEST_F(DispatchTest, EmptyArgumentListShowsHelpUnderTheDefaultName) {
  RecordingUi ui;
  Messages messages(ui, true);
  FakeActions actions;
  EXPECT_EQ(run({}, messages, actions), ExitCode::MissingArguments);
  EXPECT_EQ(actions.calls, Calls{"help(zub_launcher.exe)"});
}

TEST_F(DispatchTest, ActionCodesArePassedThrough) {
  for (const ExitCode code : {ExitCode::Success, ExitCode::NotRegistered, ExitCode::BaseDirNotSet,
                              ExitCode::RegistrationMismatch, ExitCode::InstallDirNotSet}) {
    RecordingUi ui;
    Messages messages(ui, true);
    FakeActions actions;
    actions.configuration_code = code;
    EXPECT_EQ(run(with_program({"-i"}), messages, actions), code);
  }
  for (const ExitCode code : {ExitCode::OpenFailed, ExitCode::ShellOpenFailed,
                              ExitCode::OutsideBaseDir, ExitCode::BaseDirNotCanonical}) {
    RecordingUi ui;
    Messages messages(ui, true);
    FakeActions actions;
    actions.open_code = code;
    EXPECT_EQ(run(with_program({"zubdms:/a.txt"}), messages, actions), code);
    EXPECT_EQ(ui.out, "") << "the open action shows its own messages";
  }
}

struct RefusedLinkRow {
  const char* name;
  Args args;
  ExitCode code;
};

TEST_F(DispatchTest, RefusedLinkEndsTheRunWithoutAnyAction) {
  const RefusedLinkRow rows[] = {
      {"ordinary letters", {"hallo"}, ExitCode::UrlFormat},
      {"two bytes, no option word", {"-z"}, ExitCode::UrlFormat},
      {"option word in capitals", {"-H"}, ExitCode::UrlFormat},
      {"long form", {"--h"}, ExitCode::UrlFormat},
      {"dash and a word", {"-help"}, ExitCode::UrlFormat},
      {"prefix in capitals", {"ZUBDMS:/a.txt"}, ExitCode::UrlFormat},
      {"-h before a bad link: no help", {"-h", "kein link"}, ExitCode::UrlFormat},
      {"options after a bad link are not looked at", {"kein link", "-d", "-r"}, ExitCode::UrlFormat},
      {"bad text before a valid link", {"kein link", "zubdms:/a.txt"}, ExitCode::UrlFormat},
      {"escape that decodes to no UTF-8", {"-i", "zubdms:/a%FF.txt"}, ExitCode::UrlDecode},
      {"argument that is no UTF-8 itself", {"zubdms:/a\xFF.txt"}, ExitCode::UrlDecode},
      {"lone surrogate from the Windows command line", {"zubdms:/a\xED\xA0\x80.txt"}, ExitCode::UrlDecode},
  };
  for (const auto& row : rows) {
    RecordingUi ui;
    Messages messages(ui, true);
    FakeActions actions;
    EXPECT_EQ(run(with_program(row.args), messages, actions), row.code) << row.name;
    EXPECT_TRUE(actions.calls.empty()) << row.name;
    EXPECT_FALSE(messages.debug_enabled()) << row.name;
    EXPECT_EQ(ui.out, "") << row.name;
    EXPECT_NE(ui.err, "") << row.name << ": the link check shows its message";
    EXPECT_EQ(recorded_log().size(), 1u) << row.name;
    recorded_log().clear();
  }
}

struct OutcomeRow {
  const char* name;
  Args args;
  std::function<void(FakeActions&)> setup;
  ExitCode code;
  std::string out;
  std::string err;
};

TEST_F(DispatchTest, OutcomeOfEachAdministrativeAction) {
  KeyError not_found;
  not_found.kind = KeyError::Kind::NotFound;
  not_found.path = "ZUB Launcher";
  not_found.status = 2;
  EventLogError key_failed;
  key_failed.kind = EventLogError::Kind::RegKey;

  const auto none = [](FakeActions&) {};
  const OutcomeRow rows[] = {
      {"-c succeeds", {"-c", "D:\\Nextcloud"}, none, ExitCode::Success,
       "Varneloverzeichnis gesetzt true\n", ""},
      {"-c fails on the key", {"-c", "D:\\Nextcloud"},
       [](FakeActions& a) { a.write_base_dir_error = RegistryError::Key; },
       ExitCode::SetBaseDirFailed, "",
       "Fehler beim setzen des Varneloverzeichnis! Error accessing registry key true\n"},
      {"-c fails on the value", {"-c", "D:\\Nextcloud"},
       [](FakeActions& a) { a.write_base_dir_error = RegistryError::Value; },
       ExitCode::SetBaseDirFailed, "",
       "Fehler beim setzen des Varneloverzeichnis! Error accessing registry value true\n"},
      {"-r succeeds", {"-r"}, none, ExitCode::Success,
       "Launcher wurde erfolgreich registriert! true\n", ""},
      {"-r fails", {"-r"}, [](FakeActions& a) { a.register_url_scheme_error = RegistryError::Value; },
       ExitCode::RegisterSchemeFailed, "",
       "Fehler bei der Registrierung des Launcher! Error accessing registry value true\n"},
      {"-u succeeds", {"-u"}, none, ExitCode::Success,
       "Launcher wurde erfolgreich deregistriert! true\n", ""},
      {"-u fails", {"-u"}, [](FakeActions& a) { a.unregister_url_scheme_error = RegistryError::Key; },
       ExitCode::UnregisterSchemeFailed, "",
       "Fehler bei der Deregistrierung des Launcher! Error accessing registry key true\n"},
      {"-l succeeds", {"-l"}, none, ExitCode::Success, "Logging Quelle wurde registriert true\n", ""},
      {"-l fails", {"-l"}, [&](FakeActions& a) { a.register_event_source_error = key_failed; },
       ExitCode::RegisterEventSourceFailed, "",
       "Fehler bei der Registrierung der Logging Quelle! Failed to modify registry key true\n"},
      {"-x succeeds", {"-x"}, none, ExitCode::Success, "Logging Quelle wurde entfernt true\n", ""},
      {"-x fails", {"-x"}, [&](FakeActions& a) { a.deregister_event_source_error = not_found; },
       ExitCode::RemoveEventSourceFailed, "",
       "Fehler bei der entfernen Registrierung der Logging Quelle! Provided path not found: ZUB "
       "Launcher true\n"},
      {"-d alone shows nothing", {"-d"}, none, ExitCode::RegistrationMismatch, "", ""},
  };
  for (const auto& row : rows) {
    recorded_log().clear();
    RecordingUi ui;
    Messages messages(ui, true);
    FakeActions actions;
    row.setup(actions);
    EXPECT_EQ(run(with_program(row.args), messages, actions), row.code) << row.name;
    EXPECT_EQ(ui.out, row.out) << row.name;
    EXPECT_EQ(ui.err, row.err) << row.name;
    // Each failure is one error message, logged once with exactly the text shown.
    if (row.err.empty()) {
      EXPECT_TRUE(recorded_log().empty()) << row.name;
    } else {
      ASSERT_EQ(recorded_log().size(), 1u) << row.name;
      EXPECT_EQ(recorded_log()[0].message + " true\n", row.err) << row.name;
    }
  }
}

TEST_F(DispatchTest, WithoutConsoleTheOutcomeIsOneBox) {
  RecordingUi ui;
  Messages messages(ui, false);
  FakeActions actions;
  actions.register_url_scheme_error = RegistryError::Key;
  EXPECT_EQ(run(with_program({"-r"}), messages, actions), ExitCode::RegisterSchemeFailed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].caption, "ZUB Launcher");
  EXPECT_EQ(ui.boxes[0].text, "Fehler bei der Registrierung des Launcher! Error accessing registry key");
  EXPECT_EQ(ui.boxes[0].kind, MessageKind::Error);
  EXPECT_EQ(ui.out + ui.err, "");
}

}  // namespace
}  // namespace zub
