#include "frontend/dispatch.h"

#include <array>
#include <string>

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

template <class Error>
ExitCode report(const Result<void, Error>& outcome, Messages& messages, std::string_view success,
                std::string_view failure_prefix, ExitCode failure_code) {
  if (outcome.has_value()) {
    messages.show_info(success);
    return ExitCode::Success;
  }
  std::string message(failure_prefix);
  message.append(text(outcome.error()));
  messages.show_error(message);
  return failure_code;
}

}  // namespace

ExitCode run(std::span<const std::string_view> args, Messages& messages, Actions& actions) {
  if (args.empty()) {
    actions.show_help(kDefaultProgramName);
    return ExitCode::MissingArguments;
  }
  const std::string_view program_name = args[0];
  if (args.size() == 1) {
    actions.show_help(program_name);
    return ExitCode::MissingArguments;
  }

  ParsedArguments parsed;
  if (auto scanned = scan(args, messages, parsed); scanned.has_error()) return scanned.error();

  // The first row that holds chooses the one action; the order of the rows decides, not the
  // order of the arguments.
  if (parsed.help_requested) {
    actions.show_help(program_name);
    return ExitCode::Success;
  }
  if (parsed.show_config) return actions.show_configuration();
  if (parsed.base_dir_value_missing) {
    actions.show_help(program_name);
    return ExitCode::MissingArguments;
  }
  if (parsed.extra_argument) {
    actions.show_help(program_name);
    return ExitCode::InvalidCombination;
  }
  if (parsed.url_seen) return actions.open_document(parsed.url_text, parsed.relative_path);
  if (parsed.set_base_dir) {
    return report(actions.write_base_dir(parsed.base_dir_value), messages,
                  "Varneloverzeichnis gesetzt", "Fehler beim setzen des Varneloverzeichnis! ",
                  ExitCode::SetBaseDirFailed);
  }
  if (parsed.register_scheme) {
    return report(actions.register_url_scheme(), messages,
                  "Launcher wurde erfolgreich registriert!",
                  "Fehler bei der Registrierung des Launcher! ", ExitCode::RegisterSchemeFailed);
  }
  if (parsed.unregister_scheme) {
    return report(actions.unregister_url_scheme(), messages,
                  "Launcher wurde erfolgreich deregistriert!",
                  "Fehler bei der Deregistrierung des Launcher! ",
                  ExitCode::UnregisterSchemeFailed);
  }
  if (parsed.register_log_source) {
    return report(actions.register_event_source(kCaption), messages,
                  "Logging Quelle wurde registriert",
                  "Fehler bei der Registrierung der Logging Quelle! ",
                  ExitCode::RegisterEventSourceFailed);
  }
  if (parsed.unregister_log_source) {
    return report(actions.deregister_event_source(kCaption), messages,
                  "Logging Quelle wurde entfernt",
                  "Fehler bei der entfernen Registrierung der Logging Quelle! ",
                  ExitCode::RemoveEventSourceFailed);
  }
  // No action was chosen ("-d" alone): nothing is shown.
  return ExitCode::RegistrationMismatch;
}

}  // namespace zub
