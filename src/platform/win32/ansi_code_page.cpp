// The system's ANSI code page: WideCharToMultiByte with CP_ACP, the conversion through which a
// program without Unicode support gets its command line.

#include "platform/ansi_code_page.h"

#include <windows.h>

#include <climits>

namespace zub::win32 {
namespace {

class Win32AnsiCodePage final : public AnsiCodePage {
 public:
  std::optional<AnsiForm> convert(std::u16string_view text, bool best_fit) override {
    // A UTF-8 code page (the system setting "Use Unicode UTF-8 for worldwide language
    // support") holds every character; it takes no default character either.
    const UINT code_page = GetACP();
    if (code_page == CP_UTF8 || code_page == CP_UTF7) return std::nullopt;
    if (text.empty()) return AnsiForm{};
    if (text.size() > INT_MAX / 4) return std::nullopt;
    const auto* units = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const DWORD flags = best_fit ? 0 : WC_NO_BEST_FIT_CHARS;
    // An ANSI code page takes one or two bytes for a character; room for four per unit.
    std::string bytes(text.size() * 4, '\0');
    BOOL used_default = FALSE;
    const int written = WideCharToMultiByte(CP_ACP, flags, units, length, bytes.data(),
                                            static_cast<int>(bytes.size()), nullptr, &used_default);
    if (written <= 0) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(written));
    return AnsiForm{std::move(bytes), used_default != FALSE};
  }
};

}  // namespace
}  // namespace zub::win32

namespace zub {

AnsiCodePage& system_ansi_code_page() {
  static win32::Win32AnsiCodePage code_page;
  return code_page;
}

}  // namespace zub
