#pragma once

// GLib and GIO, loaded when first needed, so that runs that open nothing do not pay for them;
// their headers serve only for the prototypes. The libraries are never unloaded: GIO registers
// types and may start threads that must outlive any caller.

#include <gio/gio.h>
#include <glib.h>

#include <string>

#include "platform/unique_handle.h"

namespace zub::posix {

// The GLib entry points the launcher uses; nothing when libglib-2.0 cannot be loaded.
struct Glib {
  decltype(&g_free) free = nullptr;
  decltype(&g_error_free) error_free = nullptr;
  decltype(&g_utf8_normalize) utf8_normalize = nullptr;
};
const Glib* glib_library();

// The GIO entry points the shell needs, or why they cannot be had.
struct Gio {
  decltype(&g_file_new_for_path) file_new_for_path = nullptr;
  decltype(&g_file_get_uri) file_get_uri = nullptr;
  decltype(&g_file_query_info) file_query_info = nullptr;
  decltype(&g_file_info_get_content_type) file_info_get_content_type = nullptr;
  decltype(&g_content_type_is_a) content_type_is_a = nullptr;
  decltype(&g_app_info_launch_default_for_uri) app_info_launch_default_for_uri = nullptr;
  decltype(&g_object_unref) object_unref = nullptr;
};
struct GioLoad {
  Gio gio;
  std::string error;  // empty when loaded
};
const GioLoad& gio_library();

// The owner of what GLib and GIO hand out: a string (g_free), an error (g_error_free) or an
// object (g_object_unref). Only a loaded library hands anything out, so its release is there.
template <class T>
struct GlibTraits {
  using Handle = T*;
  static Handle invalid() { return nullptr; }
  static bool valid(Handle handle) { return handle != nullptr; }
  static int close(Handle handle) {
    if constexpr (std::is_same_v<T, char>) {
      glib_library()->free(handle);
    } else if constexpr (std::is_same_v<T, GError>) {
      glib_library()->error_free(handle);
    } else {
      gio_library().gio.object_unref(handle);
    }
    return 0;
  }
};
template <class T>
using GlibOwner = UniqueHandle<GlibTraits<T>>;

}  // namespace zub::posix
