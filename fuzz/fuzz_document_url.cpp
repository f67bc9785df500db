// The link check and its decoding: what any web page can hand the launcher.

#include <cstdint>
#include <string>

#include "common/quoted.h"
#include "common/utf8.h"
#include "document/document_url.h"
#include "fuzz_check.h"
#include "messages/messages.h"

namespace zub::fuzz {
namespace {

class SilentUi : public UserInterface {
 public:
  void write_stdout(std::string_view bytes) override { out += bytes; }
  void write_stderr(std::string_view bytes) override { err += bytes; }
  bool message_box(std::string_view, std::string_view, MessageKind) override { return false; }
  std::string out;
  std::string err;
};

// Every byte as %XX, or only those `pick` chooses ("%" always, so that the result decodes
// back to `text`). Mixed upper- and lower-case digits, as links in the wild have them.
template <class Pick>
std::string percent_encode(std::string_view text, Pick pick) {
  static constexpr char kUpper[] = "0123456789ABCDEF";
  static constexpr char kLower[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte != '%' && !pick(i, byte)) {
      out += text[i];
      continue;
    }
    const char* digits = (i % 2 == 0) ? kUpper : kLower;
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
  }
  return out;
}

struct Parsed {
  Result<std::string, ExitCode> result;
  std::string err;
};

Parsed parse(std::string_view link) {
  SilentUi ui;
  Messages messages(ui, true);
  auto result = parse_document_url(link, messages);
  return {std::move(result), std::move(ui.err)};
}

void check_decoding(std::string_view text) {
  std::string storage;
  const std::string_view decoded = percent_decode(text, storage);
  FUZZ_CHECK(decoded.size() <= text.size());
  if (text.find('%') == std::string_view::npos) {
    FUZZ_CHECK(decoded.data() == text.data() && decoded.size() == text.size());
  }
  const auto every_byte = [](std::size_t, unsigned char) { return true; };
  const auto some_bytes = [](std::size_t i, unsigned char byte) { return ((i ^ byte) & 1) != 0; };
  for (const std::string& encoded :
       {percent_encode(text, every_byte), percent_encode(text, some_bytes)}) {
    std::string again;
    FUZZ_CHECK(percent_decode(encoded, again) == text);
  }
}

void check_link(std::string_view link) {
  const Parsed parsed = parse(link);
  if (!link.starts_with(kSchemePrefix)) {
    FUZZ_CHECK(parsed.result.has_error() && parsed.result.error() == ExitCode::UrlFormat);
    // The message quotes the link, its control and format characters escaped.
    FUZZ_CHECK(parsed.err.find(escape_controls(link)) != std::string::npos);
    return;
  }
  std::string storage;
  const bool valid = is_valid_utf8(percent_decode(link, storage));
  if (!valid) {
    FUZZ_CHECK(parsed.result.has_error() && parsed.result.error() == ExitCode::UrlDecode);
    FUZZ_CHECK(!parsed.err.empty());
    return;
  }
  FUZZ_CHECK(parsed.result.has_value() && parsed.err.empty());
  const std::string& relative = parsed.result.value();
  FUZZ_CHECK(relative.size() + kSchemePrefix.size() <= link.size());
  FUZZ_CHECK(relative.find('/') == std::string::npos);
  FUZZ_CHECK(is_valid_utf8(relative));

  // The relative path, written as a link again, gives the same path: escaping changes
  // nothing. (A path in which removing the prefixes joined a new one would lose that too.)
  if (relative.find(kSchemePrefix) != std::string::npos) return;
  const auto every_byte = [](std::size_t, unsigned char) { return true; };
  const auto some_bytes = [](std::size_t i, unsigned char byte) { return ((i + byte) & 2) != 0; };
  for (const std::string& encoded :
       {percent_encode(relative, every_byte), percent_encode(relative, some_bytes)}) {
    const Parsed again = parse(std::string(kSchemePrefix) + encoded);
    FUZZ_CHECK(again.result.has_value() && again.result.value() == relative);
  }
}

}  // namespace
}  // namespace zub::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = zub::fuzz::as_text(data, size);
  zub::fuzz::check_decoding(text);
  zub::fuzz::check_link(text);
  // Most interesting inputs carry the scheme; give each the chance.
  zub::fuzz::check_link(std::string(zub::kSchemePrefix) + std::string(text));
  return 0;
}
