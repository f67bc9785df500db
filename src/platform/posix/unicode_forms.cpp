// The Linux normal forms: GLib's g_utf8_normalize. GLib is loaded only when a link names no
// existing file, like GIO for the shell; its header serves only for the prototypes.

#include "platform/unicode_forms.h"

#include "platform/posix/glib.h"

namespace zub::posix {
namespace {

class GlibUnicodeForms final : public UnicodeForms {
 public:
  std::optional<std::string> to_form(std::string_view text, NormalForm form) override {
    const Glib* const glib = glib_library();
    // GLib stops at a NUL, whatever length it is given.
    if (glib == nullptr || text.find('\0') != std::string_view::npos) return std::nullopt;
    const GNormalizeMode mode = form == NormalForm::C ? G_NORMALIZE_NFC : G_NORMALIZE_NFD;
    // NULL for text that is not valid UTF-8.
    const GlibOwner<char> normalized(
        glib->utf8_normalize(text.data(), static_cast<gssize>(text.size()), mode));
    if (!normalized.valid()) return std::nullopt;
    return std::string(normalized.get());
  }
};

}  // namespace
}  // namespace zub::posix

namespace zub {

UnicodeForms& system_unicode_forms() {
  static posix::GlibUnicodeForms forms;
  return forms;
}

}  // namespace zub
