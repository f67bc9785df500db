#include "platform/ansi_code_page.h"

namespace zub {
namespace {

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::optional<BestFit> meaningful_best_fit(std::u16string_view path, AnsiCodePage& code_page) {
  const auto exact = code_page.convert(path, false);
  if (!exact || !exact->used_default) return std::nullopt;
  for (std::size_t at = 0; at < path.size();) {
    // ASCII is the same in every ANSI code page.
    if (path[at] < 0x80) {
      ++at;
      continue;
    }
    const bool pair =
        is_high_surrogate(path[at]) && at + 1 < path.size() && is_low_surrogate(path[at + 1]);
    const auto character = path.substr(at, pair ? 2 : 1);
    at += character.size();
    const auto own = code_page.convert(character, false);
    if (!own || !own->used_default) continue;
    const auto fitted = code_page.convert(character, true);
    if (!fitted || fitted->used_default || fitted->bytes.size() != 1 ||
        kMeaningfulBestFits.find(fitted->bytes.front()) == std::string_view::npos) {
      continue;
    }
    const char32_t code_point =
        pair ? 0x10000 + ((char32_t{character[0]} - 0xD800) << 10) + (character[1] - 0xDC00)
             : char32_t{character[0]};
    return BestFit{code_point, fitted->bytes.front()};
  }
  return std::nullopt;
}

}  // namespace zub
