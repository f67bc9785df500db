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
// Debug line, after best_fit_text: no short form of the file is free of best-fit characters of
// meaning.
constexpr std::string_view kNoBestFitFreeShortFormText =
    ", and no short (8.3) form is free of such characters";

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

// The file that a link names with some of its names in another Unicode normal form.
struct OtherForm {
  Path joined;
  Path canonical;
  std::string report;  // the debug line: which forms, and the path found
};

bool is_ascii(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A name in another normal form than this one: not ASCII (the same in every form), and UTF-8
// (other text has no normal forms).
bool may_have_other_form(std::string_view name) {
  return !is_ascii(name) && is_valid_utf8(name);
}

// The one existing name among the NFC and the NFD form of a name that does not exist in
// `folder` (the path so far, with its separator): forms that differ from the name and from each
// other count. Nothing when neither exists or both do.
std::optional<std::pair<NormalForm, std::string>> other_form_of(PathResolver& paths,
                                                                UnicodeForms& unicode,
                                                                const std::string& folder,
                                                                std::string_view name) {
  std::vector<std::string> tried{std::string(name)};
  std::optional<std::pair<NormalForm, std::string>> found;
  for (const NormalForm form : {NormalForm::C, NormalForm::D}) {
    auto in_form = unicode.to_form(name, form);
    if (!in_form || std::ranges::find(tried, *in_form) != tried.end()) continue;
    tried.push_back(*in_form);
    if (paths.query_metadata(utf8_to_utf16(folder + *in_form)).has_error()) continue;
    if (found) return std::nullopt;
    found.emplace(form, std::move(*in_form));
  }
  return found;
}

// A name typed on one system may be stored in another normal form than the link's, and a
// folder made on a Mac (NFD) may hold files named on Windows (NFC): each name of the relative
// path that does not exist as written is replaced by the one existing name among its normal
// forms, from the first name to the last, and the path found is canonicalised. Nothing when a
// name has no single match, or none needed one. Only names that can have another form are
// looked up on the way (none for a link in ASCII); the canonicalisation checks the rest.
std::optional<OtherForm> find_in_other_forms(PathResolver& paths, UnicodeForms& unicode,
                                             std::string_view base_dir,
                                             std::string_view relative_path) {
  std::string found(base_dir);
  std::vector<std::string_view> kept;  // the names that exist as the link writes them
  bool used[2] = {false, false};       // the forms that names were found in: NFC, NFD
  for (std::size_t at = 0; at < relative_path.size();) {
    // The separators go over as they are; then one name.
    const auto start = std::min(relative_path.find_first_not_of('\\', at), relative_path.size());
    found.append(relative_path.substr(at, start - at));
    const auto end = std::min(relative_path.find('\\', start), relative_path.size());
    const auto name = relative_path.substr(start, end - start);
    at = end;
    if (name.empty()) continue;
    if (!may_have_other_form(name)) {
      found += name;
      kept.push_back(name);
      continue;
    }
    auto exists = paths.query_metadata(utf8_to_utf16(found + std::string(name)));
    if (exists.has_value()) {
      found += name;
      kept.push_back(name);
      continue;
    }
    if (!is_missing_path_error(exists.error())) return std::nullopt;
    auto other = other_form_of(paths, unicode, found, name);
    if (!other) return std::nullopt;
    used[other->first == NormalForm::C ? 0 : 1] = true;
    found += other->second;
  }
  if (!used[0] && !used[1]) return std::nullopt;
  Path joined = utf8_to_utf16(found);
  auto canonical = canonicalize_path(paths, joined);
  if (canonical.has_error()) return std::nullopt;

  // The path found is all in one form when its names were found in that form alone and those
  // it kept are in it as well: the line says so. Otherwise it names the forms of the parts.
  std::string forms;
  if (used[0] != used[1]) {
    const NormalForm form = used[0] ? NormalForm::C : NormalForm::D;
    const bool whole = std::ranges::all_of(kept, [&](std::string_view name) {
      return is_ascii(name) || unicode.to_form(name, form) == name;
    });
    forms = (whole ? "in Unicode form " : "with parts in Unicode form ") + std::string(text(form));
  } else {
    forms = "with parts in Unicode forms NFC and NFD";
  }
  std::string report = "Name found " + forms + ": " + shown(joined);
  return OtherForm{std::move(joined), std::move(canonical).value(), std::move(report)};
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
    BestFitCharacter,    // ANSI programs would read a character of meaning (`best_fit`)
    ShellFailed,         // refused as executable content, or the shell failed
  };
  Kind kind;
  IoError cause = {};
  BestFit best_fit = {};
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

// Joins and canonicalises; names typed on other systems may be stored in another normal form
// than the link's. What is found there is checked like any other file.
Result<void, OpenFailure> resolve_document(const OpenServices& services, OpenState& state) {
  // Plain concatenation: the relative path brings its own leading separator.
  state.joined = utf8_to_utf16(state.base_dir + std::string(state.relative_path));
  auto canonical = canonicalize_path(services.paths, state.joined);
  if (canonical.has_error() && is_missing_path_error(canonical.error())) {
    if (auto other = find_in_other_forms(services.paths, services.unicode, state.base_dir,
                                         state.relative_path)) {
      state.report = join_messages(state.report, other->report);
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

// The start of the debug line on a best-fit character: "Path holds U+FF02, which ANSI programs
// read as \"".
std::string best_fit_text(const BestFit& best_fit) {
  // Upper-case hex, at least four digits. (No printf: it would pull MinGW's own implementation
  // into the executable.)
  std::string code = "U+";
  int shift = 12;
  while (shift < 20 && (best_fit.character >> (shift + 4)) != 0) shift += 4;
  for (; shift >= 0; shift -= 4) {
    code += "0123456789ABCDEF"[(best_fit.character >> shift) & 0xF];
  }
  return "Path holds " + code + ", which ANSI programs read as " +
         std::string(1, best_fit.becomes);
}

// The shell gets the file that was checked, in the plain form where that names it
// unambiguously: many applications, and the shell's own path functions, cannot open a verbatim
// path. Beyond MAX_PATH only the short form can be handed over: the shell is not long-path
// aware and may report success while nothing opens. Messages keep the canonical form.
//
// A program that reads its command line in the ANSI code page gets what the shell puts there,
// the path handed over, with each character that the code page lacks in its best-fit form: a
// name must not end its argument there, nor name another path. Such a path goes over in its
// short form, where that is free of them; otherwise not at all. The long name, which gives the
// type, goes to the shell only as the type's class, not onto the command line.
Result<void, OpenFailure> hand_over(const OpenServices& services, OpenState& state) {
  const auto short_path = [&services](const Path& path) {
    return services.paths.short_path(path);
  };
  auto handed_over = shell_form(state.canonical_file, short_path);
  if (!handed_over) return fail(OpenFailure{OpenFailure::Kind::NoShellForm});
  if (const auto best_fit = meaningful_best_fit(*handed_over, services.code_page)) {
    std::optional<Path> short_form;
    if (auto found = short_path(state.canonical_file); found.has_value()) {
      const auto no_lookup = [](const Path&) -> Result<Path, IoError> {
        return fail(IoError::from_os(kErrorFileNotFound));
      };
      short_form = shell_form(found.value(), no_lookup);
    }
    if (!short_form || meaningful_best_fit(*short_form, services.code_page)) {
      return fail(OpenFailure{OpenFailure::Kind::BestFitCharacter, {}, *best_fit});
    }
    state.report = join_messages(state.report, best_fit_text(*best_fit) +
                                                   ", handed over in its short (8.3) form " +
                                                   shown(*short_form));
    handed_over = std::move(short_form);
  }
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

// The message of every failure of the hand-over, whatever its cause.
ExitCode report_not_handed_over(const OpenState& state, Messages& messages) {
  messages.show_error("\nFehler beim normalisieren des Pfades : " +
                      std::string(kShellOpenErrorText) + "\nURL: " + shown(state.url_text) +
                      "\nFile: " + shown(state.canonical_file) + "\n");
  return ExitCode::ShellOpenFailed;
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
      return report_not_handed_over(state, messages);
    case Kind::BestFitCharacter:
      messages.show_debug(join_messages(
          state.report,
          best_fit_text(failure.best_fit) + std::string(kNoBestFitFreeShortFormText)));
      return report_not_handed_over(state, messages);
    case Kind::ShellFailed:
      return report_not_handed_over(state, messages);
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
