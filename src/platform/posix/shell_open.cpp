// The Linux shell: GIO opens a file with the user's default application for its type. GIO is
// loaded only when a document is opened, so runs that open nothing do not pay for it; its
// headers serve only for the prototypes.

#include "platform/shell_open.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/native_path.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/runnable_content_type.h"
#include "platform/file_judgement.h"
#include "platform/program_content.h"
#include "platform/runnable_types.h"

namespace zub::posix {
namespace {

// The GIO entry points the shell needs. The library is never unloaded: GIO registers types and
// may start threads that must outlive any caller.
struct Gio {
  decltype(&g_file_new_for_path) file_new_for_path = nullptr;
  decltype(&g_file_get_uri) file_get_uri = nullptr;
  decltype(&g_file_query_info) file_query_info = nullptr;
  decltype(&g_file_info_get_content_type) file_info_get_content_type = nullptr;
  decltype(&g_content_type_is_a) content_type_is_a = nullptr;
  decltype(&g_app_info_launch_default_for_uri) app_info_launch_default_for_uri = nullptr;
  decltype(&g_object_unref) object_unref = nullptr;
  decltype(&g_free) free = nullptr;
  decltype(&g_error_free) error_free = nullptr;
};

struct GioLoad {
  Gio gio;
  std::string error;  // empty when loaded
};

template <class Function>
bool resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  return function != nullptr;
}

GioLoad load_gio() {
  GioLoad load;
  // The library handle is deliberately never closed (see Gio).
  void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    load.error = reason != nullptr ? reason : "libgio-2.0.so.0 cannot be loaded";
    return load;
  }
  Gio& gio = load.gio;
  // dlsym on the handle also searches GIO's own dependencies (GObject, GLib).
  const bool complete = resolve(library, "g_file_new_for_path", gio.file_new_for_path) &&
                        resolve(library, "g_file_get_uri", gio.file_get_uri) &&
                        resolve(library, "g_file_query_info", gio.file_query_info) &&
                        resolve(library, "g_file_info_get_content_type",
                                gio.file_info_get_content_type) &&
                        resolve(library, "g_content_type_is_a", gio.content_type_is_a) &&
                        resolve(library, "g_app_info_launch_default_for_uri",
                                gio.app_info_launch_default_for_uri) &&
                        resolve(library, "g_object_unref", gio.object_unref) &&
                        resolve(library, "g_free", gio.free) &&
                        resolve(library, "g_error_free", gio.error_free);
  if (!complete) load.error = "GIO lacks a required function";
  return load;
}

const GioLoad& gio_once() {
  static const GioLoad load = load_gio();
  return load;
}

// Owners of the GIO objects a call makes.
struct GObjectOwner {
  const Gio* gio;
  void operator()(void* object) const { gio->object_unref(object); }
};
struct GFreeOwner {
  const Gio* gio;
  void operator()(char* text) const { gio->free(text); }
};
struct GErrorOwner {
  const Gio* gio;
  void operator()(GError* error) const { gio->error_free(error); }
};
using FileOwner = std::unique_ptr<GFile, GObjectOwner>;
using FileInfoOwner = std::unique_ptr<GFileInfo, GObjectOwner>;
using TextOwner = std::unique_ptr<char, GFreeOwner>;
using ErrorOwner = std::unique_ptr<GError, GErrorOwner>;


// The judgement of a file by its name, kind, run bit and first bytes, and whether it is a
// folder. Linux has neither cloud files nor mandatory locks: every failure refuses.
struct Judged {
  FileVerdict verdict;
  bool folder;
};

Judged judge(const std::string& native, bool runnable_name) {
  FileFacts facts;
  facts.runnable_name = runnable_name;
  // Non-blocking, so that a FIFO cannot hold the launcher.
  const UniqueFd file(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat status {};
  if (file.get() < 0 || ::fstat(file.get(), &status) != 0) {
    facts.open_error = kErrorOpenFailed;
    return {judge_file(facts), false};
  }
  if (S_ISDIR(status.st_mode)) {
    facts.attributes = kAttributeDirectory;
  } else if (!S_ISREG(status.st_mode)) {
    facts.attributes = kAttributeDevice;
  }
  facts.script_may_run = (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
  char first[kDosHeaderSize];
  char header[kProgramHeaderSize];
  if (judge_file(facts) == FileVerdict::ReadContent) {
    const ssize_t read = ::pread(file.get(), first, sizeof first, 0);
    if (read < 0) {
      facts.read_error = kErrorReadFault;
    } else {
      facts.first_bytes = std::string_view(first, static_cast<std::size_t>(read));
      const auto offset =
          program_header_offset(facts.first_bytes, static_cast<std::uint64_t>(status.st_size));
      const ssize_t header_read =
          offset ? ::pread(file.get(), header, sizeof header, static_cast<off_t>(*offset)) : 0;
      if (header_read < 0) {
        facts.read_error = kErrorReadFault;
      } else {
        facts.header_bytes = std::string_view(header, static_cast<std::size_t>(header_read));
        facts.content_read = true;
      }
    }
  }
  return {judge_file(facts), S_ISDIR(status.st_mode)};
}

class GioShell final : public Shell {
 public:
  // A file by name (the runnable types and Windows' PATHEXT, as on Windows), by its first bytes,
  // and by the content type that GIO sees in name and content. A folder opens.
  bool is_executable_content(const Path& path) override {
    const std::string native = to_native(path);
    const Judged judged = judge(native, has_runnable_extension(path, kDefaultPathExt));
    if (judged.verdict != FileVerdict::Open) return true;
    if (judged.folder) return false;
    const GioLoad& load = gio_once();
    // Without GIO the content cannot be judged: refuse rather than guess.
    if (!load.error.empty()) return true;
    const Gio& gio = load.gio;
    FileOwner file(gio.file_new_for_path(native.c_str()), GObjectOwner{&gio});
    GError* raw_error = nullptr;
    // standard::content-type looks at the file's first bytes as well as its name.
    FileInfoOwner info(gio.file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                           G_FILE_QUERY_INFO_NONE, nullptr, &raw_error),
                       GObjectOwner{&gio});
    ErrorOwner error(raw_error, GErrorOwner{&gio});
    if (!info) return true;
    const char* content_type = gio.file_info_get_content_type(info.get());
    if (content_type == nullptr) return true;
    const auto is_a = [&gio](const char* type, const char* ancestor) {
      return gio.content_type_is_a(type, ancestor) != FALSE;
    };
    return runnable_category(content_type, is_a).has_value();
  }

  // Linux has no short names: `named` is `path`, and GIO finds the type itself.
  Result<void, IoError> open(const Path& path, const Path& /*named*/) override {
    const GioLoad& load = gio_once();
    if (!load.error.empty()) return fail(IoError::own(IoError::Kind::Other, load.error));
    const Gio& gio = load.gio;
    const std::string native = to_native(path);
    FileOwner file(gio.file_new_for_path(native.c_str()), GObjectOwner{&gio});
    TextOwner uri(gio.file_get_uri(file.get()), GFreeOwner{&gio});
    GError* raw_error = nullptr;
    // Starts the application and returns; it does not wait for it.
    const gboolean launched = gio.app_info_launch_default_for_uri(uri.get(), nullptr, &raw_error);
    ErrorOwner error(raw_error, GErrorOwner{&gio});
    if (!launched) {
      return fail(IoError::own(IoError::Kind::Other, error ? std::string(error->message)
                                                           : "no application opened the file"));
    }
    return ok<IoError>();
  }
};

}  // namespace
}  // namespace zub::posix

namespace zub {

Shell& system_shell() {
  static posix::GioShell shell;
  return shell;
}

}  // namespace zub
