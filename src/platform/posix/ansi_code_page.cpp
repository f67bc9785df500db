// Linux has no ANSI code page: programs get the bytes of a name as they are, and no character
// turns into another on the way.

#include "platform/ansi_code_page.h"

namespace zub::posix {
namespace {

class NoAnsiCodePage final : public AnsiCodePage {
 public:
  std::optional<AnsiForm> convert(std::u16string_view /*text*/, bool /*best_fit*/) override {
    return std::nullopt;
  }
};

}  // namespace
}  // namespace zub::posix

namespace zub {

AnsiCodePage& system_ansi_code_page() {
  static posix::NoAnsiCodePage code_page;
  return code_page;
}

}  // namespace zub
