#include "document/open_document.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/quoted.h"
#include "common/utf8.h"
#include "config/base_dir.h"
#include "document/path_logic.h"
#include "platform/runnable_extension.h"

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
std::optional<OtherForm> find_in_other_form(FileIdentity& files, UnicodeNormalization& unicode,
                                            std::string_view base_dir,
                                            std::string_view relative_path) {
  if (!is_valid_utf8(relative_path)) return std::nullopt;
  std::vector<std::string> tried{std::string(relative_path)};
  std::optional<OtherForm> found;
  for (const NormalForm form : {NormalForm::C, NormalForm::D}) {
    auto normalized = unicode.normalize(relative_path, form);
    if (!normalized || std::ranges::find(tried, *normalized) != tried.end()) continue;
    tried.push_back(*normalized);
    Path joined = utf8_to_utf16(std::string(base_dir) + *normalized);
    auto canonical = canonicalize_path(files, joined);
    if (canonical.has_error()) continue;
    if (found) return std::nullopt;
    found = OtherForm{form, std::move(joined), std::move(canonical).value()};
  }
  return found;
}

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

Result<void, ShellOpenError> shell_open(FileIdentity& files, Shell& shell, const Path& path,
                                        const Path& named) {
  auto first = open_attempt(shell, path, named);
  if (first.has_value()) return ok<ShellOpenError>();
  if (first.error().refused) return fail(ShellOpenError{std::move(first).error().io});

  // The second attempt uses the platform's absolute form, and only where that is another path:
  // asking again for the same one would mean a second security prompt after the user declined
  // the first, or a document opened twice. Its own error is not kept.
  auto normalized = normalize_path(files, path);
  if (normalized.has_error() || normalized.value() == path) {
    return fail(ShellOpenError{std::move(first).error().io});
  }
  auto second = open_attempt(shell, normalized.value(), named);
  if (second.has_value()) return ok<ShellOpenError>();
  return fail(ShellOpenError{std::move(first).error().io});
}

ExitCode open_document(Registry& registry, FileIdentity& files, Shell& shell,
                       UnicodeNormalization& unicode, Messages& messages,
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
  Path joined = utf8_to_utf16(base_dir + std::string(relative_path));

  auto canonical_file = canonicalize_path(files, joined);
  if (canonical_file.has_error() && is_missing_path_error(canonical_file.error())) {
    // A name typed on another system may be stored in another normal form than the link's.
    // What is found there is checked like any other file.
    if (auto other = find_in_other_form(files, unicode, base_dir, relative_path)) {
      const std::string form(text(other->form));
      report = join_messages(report,
                             "Name found in Unicode form " + form + ": " + shown(other->joined));
      joined = std::move(other->joined);
      canonical_file = std::move(other->canonical);
    }
  }
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
  if (auto opened = shell_open(files, shell, *handed_over, canonical_file.value());
      opened.has_error()) {
    return shell_failed();
  }
  messages.show_debug(join_messages(report, "document opened!"));
  return ExitCode::Success;
}

}  // namespace zub
