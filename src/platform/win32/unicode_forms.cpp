// The Windows normal forms: NormalizeString, which kernel32 exports since Vista.

#include "platform/unicode_forms.h"

#include <windows.h>

#include <climits>

#include "common/utf8.h"

namespace zub::win32 {
namespace {

class Win32UnicodeForms final : public UnicodeForms {
 public:
  std::optional<std::string> to_form(std::string_view text, NormalForm form) override {
    if (text.empty()) return std::string();
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    const std::u16string source = utf8_to_utf16(text);
    if (source.size() > INT_MAX) return std::nullopt;
    const auto* units = reinterpret_cast<const wchar_t*>(source.data());
    const int length = static_cast<int>(source.size());
    const NORM_FORM norm_form = form == NormalForm::C ? NormalizationC : NormalizationD;
    // The first call estimates the size; a buffer that still proves too small is answered with
    // a new estimate (as a negative count), so a few rounds settle it.
    int estimate = NormalizeString(norm_form, units, length, nullptr, 0);
    std::u16string result;
    for (int round = 0; round < 10 && estimate > 0; ++round) {
      result.assign(static_cast<std::size_t>(estimate), u'\0');
      const int written = NormalizeString(norm_form, units, length,
                                          reinterpret_cast<wchar_t*>(result.data()), estimate);
      if (written > 0) {
        result.resize(static_cast<std::size_t>(written));
        return utf16_to_utf8_strict(result);
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || estimate > INT_MAX / 2) {
        return std::nullopt;
      }
      estimate = written < 0 && -written > estimate ? -written : estimate * 2;
    }
    return std::nullopt;
  }
};

}  // namespace
}  // namespace zub::win32

namespace zub {

UnicodeForms& system_unicode_forms() {
  static win32::Win32UnicodeForms forms;
  return forms;
}

}  // namespace zub
