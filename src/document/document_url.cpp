#include "document/document_url.h"

#include <optional>

#include "common/ascii.h"
#include "common/quoted.h"
#include "common/utf8.h"

namespace zub {
namespace {

std::string decode_failure_text(const Utf8Error& error) {
  if (error.length) {
    return "invalid utf-8 sequence of " + std::to_string(*error.length) + " bytes from index " +
           std::to_string(error.index);
  }
  return "incomplete utf-8 byte sequence from index " + std::to_string(error.index);
}

// Removes every occurrence of the prefix in one pass from left to right; what arises from
// joining the text around a removed occurrence stays.
std::string remove_prefixes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t found = text.find(kSchemePrefix); found != std::string_view::npos;
       found = text.find(kSchemePrefix, pos)) {
    out.append(text, pos, found - pos);
    pos = found + kSchemePrefix.size();
  }
  out.append(text, pos);
  return out;
}

}  // namespace

std::string_view percent_decode(std::string_view text, std::string& storage) {
  if (text.find('%') == std::string_view::npos) return text;
  storage.clear();
  storage.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      storage.push_back(text[i++]);
      continue;
    }
    const auto high = i + 1 < text.size() ? hex_digit_value(text[i + 1]) : std::nullopt;
    const auto low = i + 2 < text.size() ? hex_digit_value(text[i + 2]) : std::nullopt;
    if (high && low) {
      storage.push_back(static_cast<char>((*high << 4) | *low));
      i += 3;
    } else if (high) {
      // "%" and one digit stay; decoding goes on at the byte after the digit.
      storage.append(text, i, 2);
      i += 2;
    } else {
      storage.push_back('%');
      i += 1;
    }
  }
  return storage;
}

Result<std::string, ExitCode> parse_document_url(std::string_view link, Messages& messages) {
  if (!link.starts_with(kSchemePrefix)) {
    constexpr std::string_view kHead = "\nFehler in der URL : ";
    constexpr std::string_view kTail = "\nURL muss mit zubdms:/ starten\n";
    constexpr std::size_t kPadding = 18;
    // Sized once: the link may be as long as the command line allows.
    std::string message;
    message.reserve(kHead.size() + link.size() + kTail.size() + kPadding);
    message += kHead;
    // Line breaks and bidirectional marks of the link are shown escaped, not obeyed.
    message += escape_controls(link);
    message += kTail;
    message.append(kPadding, ' ');
    messages.show_error(message);
    return fail(ExitCode::UrlFormat);
  }

  std::string storage;
  const std::string_view decoded = percent_decode(link, storage);

  // A link without "%" is the argument's own text, valid unless the argument itself was not
  // valid Unicode (raw bytes on Linux, a lone surrogate on Windows). Checking it too costs one
  // pass and keeps such an argument from naming a different file than the one given.
  if (const auto error = check_utf8(decoded)) {
    messages.show_error("Fehler beim URL Decode der Datei " + decode_failure_text(*error));
    return fail(ExitCode::UrlDecode);
  }

  std::string relative_path = remove_prefixes(decoded);
  for (char& c : relative_path) {
    if (c == '/') c = '\\';
  }
  return relative_path;
}

}  // namespace zub
