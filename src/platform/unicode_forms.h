#pragma once

// Unicode normal forms by the platform's own normalisation: a name typed on one system may be
// stored composed ("Ü") and linked decomposed ("U" and U+0308), or the other way round, and
// file systems compare names unit for unit.

#include <optional>
#include <string>
#include <string_view>

namespace zub {

enum class NormalForm {
  C,  // canonical composition (NFC)
  D,  // canonical decomposition (NFD)
};

// "NFC", "NFD".
constexpr std::string_view text(NormalForm form) {
  switch (form) {
    case NormalForm::C:
      return "NFC";
    case NormalForm::D:
      return "NFD";
  }
  return "";
}

class UnicodeForms {
 public:
  virtual ~UnicodeForms() = default;

  // `text` (valid UTF-8) in the normal form: NormalizeString on Windows, GLib's
  // g_utf8_normalize on Linux (loaded when first asked). Nothing when the platform cannot
  // convert it (a NUL in the text, for one), or has no normal forms at all.
  virtual std::optional<std::string> to_form(std::string_view text, NormalForm form) = 0;
};

UnicodeForms& system_unicode_forms();

}  // namespace zub
