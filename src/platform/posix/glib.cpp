#include "platform/posix/glib.h"

#include <dlfcn.h>

#include <optional>

namespace zub::posix {
namespace {

template <class Function>
bool resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  return function != nullptr;
}

std::optional<Glib> load_glib() {
  void* library = ::dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::nullopt;
  Glib glib;
  if (!resolve(library, "g_free", glib.free) || !resolve(library, "g_error_free", glib.error_free) ||
      !resolve(library, "g_utf8_normalize", glib.utf8_normalize)) {
    return std::nullopt;
  }
  return glib;
}

GioLoad load_gio() {
  GioLoad load;
  void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    load.error = reason != nullptr ? reason : "libgio-2.0.so.0 cannot be loaded";
    return load;
  }
  Gio& gio = load.gio;
  // dlsym on the handle also searches GIO's own dependencies (GObject, GLib).
  const bool complete =
      resolve(library, "g_file_new_for_path", gio.file_new_for_path) &&
      resolve(library, "g_file_get_uri", gio.file_get_uri) &&
      resolve(library, "g_file_query_info", gio.file_query_info) &&
      resolve(library, "g_file_info_get_content_type", gio.file_info_get_content_type) &&
      resolve(library, "g_content_type_is_a", gio.content_type_is_a) &&
      resolve(library, "g_app_info_launch_default_for_uri",
              gio.app_info_launch_default_for_uri) &&
      resolve(library, "g_object_unref", gio.object_unref) && glib_library() != nullptr;
  if (!complete) load.error = "GIO lacks a required function";
  return load;
}

}  // namespace

const Glib* glib_library() {
  static const std::optional<Glib> loaded = load_glib();
  return loaded ? &*loaded : nullptr;
}

const GioLoad& gio_library() {
  static const GioLoad load = load_gio();
  return load;
}

}  // namespace zub::posix
