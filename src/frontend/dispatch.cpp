#include "frontend/dispatch.h"

#include <array>
#include <string>
#include <utility>

#include "document/document_url.h"

namespace zub {
namespace {

// The program name the help screen shows when the argument list is empty.
constexpr std::string_view kDefaultProgramName = "zub_launcher.exe";

enum class Option { Help, Config, Register, Debug, Unregister, LogSource, NoLogSource, BaseDir };

struct OptionWord {
  std::string_view word;
  Option option;
};

constexpr std::array<OptionWord, 8> kOptionWords = {{
    {"-h", Option::Help},
    {"-i", Option::Config},
    {"-r", Option::Register},
    {"-d", Option::Debug},
    {"-u", Option::Unregister},
    {"-l", Option::LogSource},
    {"-x", Option::NoLogSource},
    {"-c", Option::BaseDir},
}};

// Only the exact two-byte words are options; "-H", "--h" and "-help" are not.
const OptionWord* find_option(std::string_view argument) {
  for (const auto& entry : kOptionWords) {
    if (argument == entry.word) return &entry;
  }
  return nullptr;
}

// Fills `parsed`; a link that fails its check ends the scan with its code (14 or 15).
Result<void, ExitCode> scan(std::span<const std::string_view> args, Messages& messages,
                            ParsedArguments& parsed) {
  const std::size_t n = args.size();
  for (std::size_t i = 1; i < n; ++i) {
    const std::string_view argument = args[i];
    if (const OptionWord* option = find_option(argument)) {
      switch (option->option) {
        case Option::Help: parsed.help_requested = true; break;
        case Option::Config: parsed.show_config = true; break;
        case Option::Register: parsed.register_scheme = true; break;
        case Option::Unregister: parsed.unregister_scheme = true; break;
        case Option::LogSource: parsed.register_log_source = true; break;
        case Option::NoLogSource: parsed.unregister_log_source = true; break;
        case Option::Debug: messages.enable_debug(); break;
        case Option::BaseDir:
          parsed.set_base_dir = true;
          // The next argument is the value, whatever it holds: an option word, a link, "".
          if (i + 1 < n) {
            parsed.base_dir_value = std::string(args[++i]);
          } else {
            parsed.base_dir_value_missing = true;
          }
          break;
      }
      continue;
    }
    if (parsed.url_seen) {
      parsed.extra_argument = true;  // not examined
      continue;
    }
    auto relative = parse_document_url(argument, messages);
    if (relative.has_error()) return fail(relative.error());
    parsed.url_text = argument;
    parsed.relative_path = std::move(relative).value();
    parsed.url_seen = true;
  }
  return ok<ExitCode>();
}

// What a registry action shows: its success text, or the prefix of its error text, and the
// code it then ends with.
struct Outcome {
  std::string_view success;
  std::string_view failure_prefix;
  ExitCode failure_code;
};

constexpr Outcome kSetBaseDir{"Varneloverzeichnis gesetzt",
                              "Fehler beim setzen des Varneloverzeichnis! ",
                              ExitCode::SetBaseDirFailed};
constexpr Outcome kRegisterScheme{"Launcher wurde erfolgreich registriert!",
                                  "Fehler bei der Registrierung des Launcher! ",
                                  ExitCode::RegisterSchemeFailed};
constexpr Outcome kUnregisterScheme{"Launcher wurde erfolgreich deregistriert!",
                                    "Fehler bei der Deregistrierung des Launcher! ",
                                    ExitCode::UnregisterSchemeFailed};
constexpr Outcome kRegisterLogSource{"Logging Quelle wurde registriert",
                                     "Fehler bei der Registrierung der Logging Quelle! ",
                                     ExitCode::RegisterEventSourceFailed};
constexpr Outcome kUnregisterLogSource{
    "Logging Quelle wurde entfernt", "Fehler bei der entfernen Registrierung der Logging Quelle! ",
    ExitCode::RemoveEventSourceFailed};

template <class Error>
ExitCode report(const Result<void, Error>& result, const Outcome& outcome, Messages& messages) {
  if (result.has_value()) {
    messages.show_info(outcome.success);
    return ExitCode::Success;
  }
  std::string message(outcome.failure_prefix);
  message.append(text(result.error()));
  messages.show_error(message);
  return outcome.failure_code;
}

// The one action of a run.
enum class Action {
  Help,
  ShowConfig,
  HelpForMissingValue,
  HelpForExtraArgument,
  Open,
  SetBaseDir,
  RegisterScheme,
  UnregisterScheme,
  RegisterLogSource,
  UnregisterLogSource,
  None,  // "-d" alone: nothing is shown
};

// The first row that holds chooses the one action; the order of the rows decides, not the
// order of the arguments.
Action choose_action(const ParsedArguments& parsed) {
  const std::pair<bool, Action> rows[] = {
      {parsed.help_requested, Action::Help},
      {parsed.show_config, Action::ShowConfig},
      {parsed.base_dir_value_missing, Action::HelpForMissingValue},
      {parsed.extra_argument, Action::HelpForExtraArgument},
      {parsed.url_seen, Action::Open},
      {parsed.set_base_dir, Action::SetBaseDir},
      {parsed.register_scheme, Action::RegisterScheme},
      {parsed.unregister_scheme, Action::UnregisterScheme},
      {parsed.register_log_source, Action::RegisterLogSource},
      {parsed.unregister_log_source, Action::UnregisterLogSource},
  };
  for (const auto& [holds, action] : rows) {
    if (holds) return action;
  }
  return Action::None;
}

ExitCode perform(Action action, const ParsedArguments& parsed, std::string_view program_name,
                 Messages& messages, Actions& actions) {
  switch (action) {
    case Action::Help:
      actions.show_help(program_name);
      return ExitCode::Success;
    case Action::ShowConfig:
      return actions.show_configuration();
    case Action::HelpForMissingValue:
      actions.show_help(program_name);
      return ExitCode::MissingArguments;
    case Action::HelpForExtraArgument:
      actions.show_help(program_name);
      return ExitCode::InvalidCombination;
    case Action::Open:
      return actions.open_document(parsed.url_text, parsed.relative_path);
    case Action::SetBaseDir:
      return report(actions.write_base_dir(parsed.base_dir_value), kSetBaseDir, messages);
    case Action::RegisterScheme:
      return report(actions.register_url_scheme(), kRegisterScheme, messages);
    case Action::UnregisterScheme:
      return report(actions.unregister_url_scheme(), kUnregisterScheme, messages);
    case Action::RegisterLogSource:
      return report(actions.register_event_source(kCaption), kRegisterLogSource, messages);
    case Action::UnregisterLogSource:
      return report(actions.deregister_event_source(kCaption), kUnregisterLogSource, messages);
    case Action::None:
      return ExitCode::RegistrationMismatch;
  }
  return ExitCode::RegistrationMismatch;
}

}  // namespace

ExitCode run(std::span<const std::string_view> args, Messages& messages, Actions& actions) {
  if (args.size() <= 1) {
    actions.show_help(args.empty() ? kDefaultProgramName : args[0]);
    return ExitCode::MissingArguments;
  }
  ParsedArguments parsed;
  if (auto scanned = scan(args, messages, parsed); scanned.has_error()) return scanned.error();
  return perform(choose_action(parsed), parsed, args[0], messages, actions);
}

}  // namespace zub
