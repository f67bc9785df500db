#include "document/open_document.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/quoted.h"
#include "common/utf8.h"
#include "config/base_dir.h"
#include "platform/windows_path.h"

namespace zub {
namespace {

constexpr std::string_view kNulInPathText = "path contains NUL byte(s)";
constexpr std::string_view kExecutableContentText = "refusing to open executable content";
// Debug line: the canonical file is too long for the shell, and no short form of it fits.
constexpr std::string_view kNoShellFormText =
    "Path too long for the shell, and no short (8.3) form fits";

struct AttemptError {
  IoError io;
  // The shell was not asked: the file is something it would run. Not worth a second attempt.
  bool refused = false;
};

Result<void, AttemptError> open_attempt(Shell& shell, const Path& path, const Path& named) {
  if (contains_nul(path)) {
    return fail(AttemptError{
        IoError::own(IoError::Kind::InvalidInput, std::string(kNulInPathText)), false});
  }
  // A short form hides the long name's type ("X~1.APP" for "x.appref-ms"): both must pass.
  if (shell.is_executable_content(path) ||
      (last_name(named) != last_name(path) && shell.is_executable_content(named))) {
    return fail(AttemptError{
        IoError::own(IoError::Kind::Other, std::string(kExecutableContentText)), true});
  }
  if (auto opened = shell.open(path, named); opened.has_error()) {
    return fail(AttemptError{std::move(opened).error(), false});
  }
  return ok<AttemptError>();
}

// Link and file-system text as the messages show it: line breaks, bidirectional overrides and
// the like escaped, so that it cannot put lines of its own around the launcher's.
std::string shown(std::string_view text) { return escape_controls(text); }
std::string shown(const Path& path) { return escape_controls(path_display(path)); }

// The file that a link names in another Unicode normal form.
struct OtherForm {
  NormalForm form;
  Path joined;
  Path canonical;
};

// The NFC and the NFD form of the relative path, joined to the base directory as the registry
// holds it. Only forms that differ from the link and from each other count; found when exactly
// one of them can be canonicalised. Text that is not UTF-8 has no normal forms.
std::optional<OtherForm> find_in_other_form(PathResolver& paths, UnicodeForms& unicode,
                                            std::string_view base_dir,
                                            std::string_view relative_path) {
  if (!is_valid_utf8(relative_path)) return std::nullopt;
  std::vector<std::string> tried{std::string(relative_path)};
  std::optional<OtherForm> found;
  for (const NormalForm form : {NormalForm::C, NormalForm::D}) {
    auto in_form = unicode.to_form(relative_path, form);
    if (!in_form || std::ranges::find(tried, *in_form) != tried.end()) continue;
    tried.push_back(*in_form);
    Path joined = utf8_to_utf16(std::string(base_dir) + *in_form);
    auto canonical = canonicalize_path(paths, joined);
    if (canonical.has_error()) continue;
    if (found) return std::nullopt;
    found = OtherForm{form, std::move(joined), std::move(canonical).value()};
  }
  return found;
}

// How the open action can fail. Each kind has one exit code and one set of messages
// (report_failure).
struct OpenFailure {
  enum class Kind {
    BaseDirKey,          // the base directory's registry key cannot be opened
    BaseDirValue,        // its value cannot be read
    DocumentUnresolved,  // the joined path cannot be canonicalised (`cause`)
    BaseDirUnresolved,   // the base directory cannot be canonicalised (`cause`)
    OutsideBaseDir,      // the canonical file does not lie under the canonical base
    NoShellForm,         // too long for the shell, and no short form fits
    ShellFailed,         // refused as executable content, or the shell failed
  };
  Kind kind;
  IoError cause = {};
};

// What one open has learnt so far; the messages are built from it.
struct OpenState {
  std::string_view url_text;
  std::string_view relative_path;
  std::string base_dir;  // as the registry holds it
  Path joined;           // base directory and relative path, or the name in another form
  Path canonical_file;
  std::string report;  // the debug report
};

Result<std::string, OpenFailure> read_base(Registry& registry) {
  auto base_dir = read_base_dir(registry);
  if (base_dir.has_value()) return std::move(base_dir).value();
  switch (base_dir.error()) {
    case RegistryError::Key:
      return fail(OpenFailure{OpenFailure::Kind::BaseDirKey});
    case RegistryError::Value:
      return fail(OpenFailure{OpenFailure::Kind::BaseDirValue});
  }
  return fail(OpenFailure{OpenFailure::Kind::BaseDirValue});
}

// Joins and canonicalises; a name typed on another system may be stored in another normal form
// than the link's. What is found there is checked like any other file.
Result<void, OpenFailure> resolve_document(const OpenServices& services, OpenState& state) {
  // Plain concatenation: the relative path brings its own leading separator.
  state.joined = utf8_to_utf16(state.base_dir + std::string(state.relative_path));
  auto canonical = canonicalize_path(services.paths, state.joined);
  if (canonical.has_error() && is_missing_path_error(canonical.error())) {
    if (auto other = find_in_other_form(services.paths, services.unicode, state.base_dir,
                                        state.relative_path)) {
      state.report = join_messages(state.report, "Name found in Unicode form " +
                                                     std::string(text(other->form)) + ": " +
                                                     shown(other->joined));
      state.joined = std::move(other->joined);
      canonical = std::move(other->canonical);
    }
  }
  if (canonical.has_error()) {
    return fail(OpenFailure{OpenFailure::Kind::DocumentUnresolved, std::move(canonical).error()});
  }
  state.canonical_file = std::move(canonical).value();
  return ok<OpenFailure>();
}

Result<void, OpenFailure> check_containment(PathResolver& paths, const OpenState& state) {
  auto canonical_base = canonicalize_path(paths, utf8_to_utf16(state.base_dir));
  if (canonical_base.has_error()) {
    return fail(
        OpenFailure{OpenFailure::Kind::BaseDirUnresolved, std::move(canonical_base).error()});
  }
  if (!path_starts_with(state.canonical_file, canonical_base.value())) {
    return fail(OpenFailure{OpenFailure::Kind::OutsideBaseDir});
  }
  return ok<OpenFailure>();
}

// The shell gets the file that was checked, in the plain form where that names it
// unambiguously: many applications, and the shell's own path functions, cannot open a verbatim
// path. Beyond MAX_PATH only the short form can be handed over: the shell is not long-path
// aware and may report success while nothing opens. Messages keep the canonical form.
Result<void, OpenFailure> hand_over(const OpenServices& services, const OpenState& state) {
  const auto handed_over =
      shell_form(state.canonical_file,
                 [&services](const Path& path) { return services.paths.short_path(path); });
  if (!handed_over) return fail(OpenFailure{OpenFailure::Kind::NoShellForm});
  if (shell_open(services.paths, services.shell, *handed_over, state.canonical_file)
          .has_error()) {
    return fail(OpenFailure{OpenFailure::Kind::ShellFailed});
  }
  return ok<OpenFailure>();
}

Result<void, OpenFailure> open_steps(Registry& registry, const OpenServices& services,
                                     OpenState& state) {
  auto base_dir = read_base(registry);
  if (base_dir.has_error()) return fail(base_dir.error());
  state.base_dir = std::move(base_dir).value();
  state.report = "Basedir " + quoted_form(state.base_dir);
  // The document comes first: a missing document is reported as such even when the base
  // directory is missing too.
  if (auto resolved = resolve_document(services, state); resolved.has_error()) return resolved;
  if (auto inside = check_containment(services.paths, state); inside.has_error()) return inside;
  state.report = join_messages(state.report, "File " + shown(state.canonical_file));
  return hand_over(services, state);
}

// The one place where a failure becomes its messages and its exit code.
ExitCode report_failure(const OpenFailure& failure, const OpenState& state, Messages& messages) {
  using Kind = OpenFailure::Kind;
  switch (failure.kind) {
    case Kind::BaseDirKey:
      messages.show_error("Error try to get base dir!");
      messages.show_error("Error access the registry key : " +
                          std::string(text(RegistryError::Key)));
      return ExitCode::OpenFailed;
    case Kind::BaseDirValue:
      messages.show_error("Error try to get base dir!");
      messages.show_error("Error access the registry value : " +
                          std::string(text(RegistryError::Value)));
      return ExitCode::OpenFailed;
    case Kind::DocumentUnresolved:
      messages.show_error("\nFehler beim öffnen : " + failure.cause.text() + "\nURL: " +
                          shown(state.url_text) + "\nFile: " + shown(state.joined) + "\n");
      return ExitCode::OpenFailed;
    case Kind::BaseDirUnresolved:
      messages.show_error("\nFehler beim normalisieren des Basisverzeichnis : " +
                          failure.cause.text() + "\nBasisverzeichnis: " + shown(state.base_dir) +
                          "\n");
      return ExitCode::BaseDirNotCanonical;
    case Kind::OutsideBaseDir:
      messages.show_error("Fehler:\nDie zu öffnende Datei " + shown(state.joined) +
                          " canonicalized to " + shown(state.canonical_file) +
                          "\nliegt nicht unter dem varnelo Basisverzeichnis " +
                          shown(state.base_dir) + "\n");
      return ExitCode::OutsideBaseDir;
    case Kind::NoShellForm:
      messages.show_debug(join_messages(state.report, kNoShellFormText));
      [[fallthrough]];
    case Kind::ShellFailed:
      messages.show_error("\nFehler beim normalisieren des Pfades : " +
                          std::string(kShellOpenErrorText) + "\nURL: " + shown(state.url_text) +
                          "\nFile: " + shown(state.canonical_file) + "\n");
      return ExitCode::ShellOpenFailed;
  }
  return ExitCode::OpenFailed;
}

}  // namespace

std::string join_messages(std::string_view first, std::string_view second) {
  std::string joined;
  joined.reserve(first.size() + 1 + second.size());
  joined += first;
  joined += '\n';
  joined += second;
  return joined;
}

Result<void, ShellOpenError> shell_open(PathResolver& paths, Shell& shell, const Path& path,
                                        const Path& named) {
  auto first = open_attempt(shell, path, named);
  if (first.has_value()) return ok<ShellOpenError>();
  if (first.error().refused) return fail(ShellOpenError{std::move(first).error().io});

  // The second attempt uses the platform's absolute form, and only where that is another path:
  // asking again for the same one would mean a second security prompt after the user declined
  // the first, or a document opened twice. Its own error is not kept.
  auto normalized = normalize_path(paths, path);
  if (normalized.has_error() || normalized.value() == path) {
    return fail(ShellOpenError{std::move(first).error().io});
  }
  auto second = open_attempt(shell, normalized.value(), named);
  if (second.has_value()) return ok<ShellOpenError>();
  return fail(ShellOpenError{std::move(first).error().io});
}

ExitCode open_document(Registry& registry, const OpenServices& services, Messages& messages,
                       std::string_view url_text, std::string_view relative_path) {
  OpenState state{url_text, relative_path, {}, {}, {}, {}};
  if (auto opened = open_steps(registry, services, state); opened.has_error()) {
    return report_failure(opened.error(), state, messages);
  }
  messages.show_debug(join_messages(state.report, "document opened!"));
  return ExitCode::Success;
}

}  // namespace zub
