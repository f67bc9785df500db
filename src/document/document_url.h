#pragma once

// The document link: "zubdms:" followed by the document's path relative to the base
// directory, percent-encoded, with "/" separators.

#include <string>
#include <string_view>

#include "common/exit_code.h"
#include "common/result.h"
#include "messages/messages.h"

namespace zub {

inline constexpr std::string_view kSchemePrefix = "zubdms:";

// Decodes %XX escapes; every other byte, and every "%" that does not start a valid escape, is
// kept. Never fails. Returns `text` itself when it holds no "%", else a view of `storage`.
std::string_view percent_decode(std::string_view text, std::string& storage);

// Tests the scheme, decodes, removes every "zubdms:" and turns "/" into "\". On failure the
// message has been shown and the result carries exit code 14 or 15.
Result<std::string, ExitCode> parse_document_url(std::string_view link, Messages& messages);

}  // namespace zub
