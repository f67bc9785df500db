#pragma once

// The open action: join the link's relative path to the base directory, resolve both, refuse
// anything outside the base directory, hand the document to the shell.

#include <string_view>

#include "common/exit_code.h"
#include "common/result.h"
#include "messages/messages.h"
#include "platform/ansi_code_page.h"
#include "platform/io_error.h"
#include "platform/path_resolver.h"
#include "platform/shell_open.h"
#include "platform/unicode_forms.h"
#include "registry/registry.h"

namespace zub {

// The platform services the open action needs.
struct OpenServices {
  PathResolver& paths;
  Shell& shell;
  UnicodeForms& unicode;
  AnsiCodePage& code_page;
};

// Returns 0, 5, 16, 17 or 18; shows its own messages. A link whose file does not exist is
// tried once more with each missing name of its relative path in its other Unicode normal form.
ExitCode open_document(Registry& registry, const OpenServices& services, Messages& messages,
                       std::string_view url_text, std::string_view relative_path);

// The error of shell_open; its text is "IO error" whatever it wraps.
struct ShellOpenError {
  IoError io;
};
inline constexpr std::string_view kShellOpenErrorText = "IO error";

// Refuses executable content, then opens; a failed first attempt is retried once with the
// normalised path when that is another path. `named` is the file under its long name (the
// canonical file): where its last name differs from that of `path` (a short form), both names
// are checked and the long one gives the type.
Result<void, ShellOpenError> shell_open(PathResolver& paths, Shell& shell, const Path& path,
                                        const Path& named);

// The first text, a line feed, the second text.
std::string join_messages(std::string_view first, std::string_view second);

}  // namespace zub
