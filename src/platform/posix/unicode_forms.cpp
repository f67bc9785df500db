// The Linux normal forms: GLib's g_utf8_normalize. GLib is loaded only when a link names no
// existing file, like GIO for the shell; its header serves only for the prototypes.

#include "platform/unicode_forms.h"

#include <dlfcn.h>
#include <glib.h>

#include <memory>

namespace zub::posix {
namespace {

struct Glib {
  decltype(&g_utf8_normalize) utf8_normalize = nullptr;
  decltype(&g_free) free = nullptr;
};

// Nothing when GLib cannot be loaded. The library is never unloaded: GIO, loaded later in the
// same run, shares it.
std::optional<Glib> load_glib() {
  void* library = ::dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::nullopt;
  Glib glib;
  glib.utf8_normalize =
      reinterpret_cast<decltype(glib.utf8_normalize)>(::dlsym(library, "g_utf8_normalize"));
  glib.free = reinterpret_cast<decltype(glib.free)>(::dlsym(library, "g_free"));
  if (glib.utf8_normalize == nullptr || glib.free == nullptr) return std::nullopt;
  return glib;
}

class GlibUnicodeForms final : public UnicodeForms {
 public:
  std::optional<std::string> to_form(std::string_view text, NormalForm form) override {
    static const std::optional<Glib> glib = load_glib();
    // GLib stops at a NUL, whatever length it is given.
    if (!glib || text.find('\0') != std::string_view::npos) return std::nullopt;
    const GNormalizeMode mode = form == NormalForm::C ? G_NORMALIZE_NFC : G_NORMALIZE_NFD;
    const auto free_text = [&](gchar* normalized) { glib->free(normalized); };
    // NULL for text that is not valid UTF-8.
    const std::unique_ptr<gchar, decltype(free_text)> normalized(
        glib->utf8_normalize(text.data(), static_cast<gssize>(text.size()), mode), free_text);
    if (!normalized) return std::nullopt;
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
