#include "document/open_document.h"

#include <optional>
#include <string>

#include "common/quoted.h"
#include "common/utf8.h"
#include "config/base_dir.h"
#include "document/path_logic.h"

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

Result<void, AttemptError> open_attempt(Shell& shell, const Path& path) {
  if (contains_nul(path)) {
    return fail(AttemptError{
        IoError::own(IoError::Kind::InvalidInput, std::string(kNulInPathText)), false});
  }
  if (shell.is_executable_content(path)) {
    return fail(AttemptError{
        IoError::own(IoError::Kind::Other, std::string(kExecutableContentText)), true});
  }
  if (auto opened = shell.open(path); opened.has_error()) {
    return fail(AttemptError{std::move(opened).error(), false});
  }
  return ok<AttemptError>();
}

// Link and file-system text as the messages show it: line breaks, bidirectional overrides and
// the like escaped, so that it cannot put lines of its own around the launcher's.
std::string shown(std::string_view text) { return escape_controls(text); }
std::string shown(const Path& path) { return escape_controls(path_display(path)); }

std::string registry_detail(RegistryError error) {
  switch (error) {
    case RegistryError::Key:
      return "Error access the registry key : " + std::string(text(error));
    case RegistryError::Value:
      return "Error access the registry value : " + std::string(text(error));
  }
  return std::string(text(error));
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

Result<void, ShellOpenError> shell_open(FileIdentity& files, Shell& shell, const Path& path) {
  auto first = open_attempt(shell, path);
  if (first.has_value()) return ok<ShellOpenError>();
  if (first.error().refused) return fail(ShellOpenError{std::move(first).error().io});

  // The second attempt uses the platform's absolute form, and only where that is another path:
  // asking again for the same one would mean a second security prompt after the user declined
  // the first, or a document opened twice. Its own error is not kept.
  auto normalized = normalize_path(files, path);
  if (normalized.has_error() || normalized.value() == path) {
    return fail(ShellOpenError{std::move(first).error().io});
  }
  auto second = open_attempt(shell, normalized.value());
  if (second.has_value()) return ok<ShellOpenError>();
  return fail(ShellOpenError{std::move(first).error().io});
}

ExitCode open_document(Registry& registry, FileIdentity& files, Shell& shell, Messages& messages,
                       std::string_view url_text, std::string_view relative_path) {
  auto base_dir_result = read_base_dir(registry);
  if (base_dir_result.has_error()) {
    messages.show_error("Error try to get base dir!");
    messages.show_error(registry_detail(base_dir_result.error()));
    return ExitCode::OpenFailed;
  }
  const std::string base_dir = std::move(base_dir_result).value();
  std::string report = "Basedir " + quoted_form(base_dir);

  // Plain concatenation: the relative path brings its own leading separator.
  const Path joined = utf8_to_utf16(base_dir + std::string(relative_path));

  const auto canonical_file = canonicalize_path(files, joined);
  if (canonical_file.has_error()) {
    messages.show_error("\nFehler beim öffnen : " + canonical_file.error().text() + "\nURL: " +
                        shown(url_text) + "\nFile: " + shown(joined) + "\n");
    return ExitCode::OpenFailed;
  }

  const auto canonical_base = canonicalize_path(files, utf8_to_utf16(base_dir));
  if (canonical_base.has_error()) {
    messages.show_error("\nFehler beim normalisieren des Basisverzeichnis : " +
                        canonical_base.error().text() + "\nBasisverzeichnis: " + shown(base_dir) +
                        "\n");
    return ExitCode::BaseDirNotCanonical;
  }

  if (!path_starts_with(canonical_file.value(), canonical_base.value())) {
    messages.show_error("Fehler:\nDie zu öffnende Datei " + shown(joined) +
                        " canonicalized to " + shown(canonical_file.value()) +
                        "\nliegt nicht unter dem varnelo Basisverzeichnis " + shown(base_dir) +
                        "\n");
    return ExitCode::OutsideBaseDir;
  }

  report = join_messages(report, "File " + shown(canonical_file.value()));

  const auto shell_failed = [&] {
    messages.show_error("\nFehler beim normalisieren des Pfades : " +
                        std::string(kShellOpenErrorText) + "\nURL: " + shown(url_text) +
                        "\nFile: " + shown(canonical_file.value()) + "\n");
    return ExitCode::ShellOpenFailed;
  };
  // The shell gets the file that was checked, in the plain form where that names it
  // unambiguously: many applications, and the shell's own path functions, cannot open a
  // verbatim path. Beyond MAX_PATH only the short form can be handed over: the shell is not
  // long-path aware and may report success while nothing opens. Messages keep the canonical
  // form.
  const auto handed_over = shell_form(
      canonical_file.value(), [&files](const Path& path) { return files.short_path(path); });
  if (!handed_over) {
    messages.show_debug(join_messages(report, kNoShellFormText));
    return shell_failed();
  }
  if (auto opened = shell_open(files, shell, *handed_over); opened.has_error()) {
    return shell_failed();
  }
  messages.show_debug(join_messages(report, "document opened!"));
  return ExitCode::Success;
}

}  // namespace zub
