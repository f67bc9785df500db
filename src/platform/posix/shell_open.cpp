// The Linux shell: GIO opens a file with the user's default application for its type. GIO is
// loaded only when a document is opened (glib.h).

#include "platform/shell_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/posix/glib.h"
#include "platform/posix/native_path.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/runnable_content_type.h"
#include "platform/file_judgement.h"
#include "platform/program_content.h"
#include "platform/runnable_types.h"

namespace zub::posix {
namespace {

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
    const GioLoad& load = gio_library();
    // Without GIO the content cannot be judged: refuse rather than guess.
    if (!load.error.empty()) return true;
    const Gio& gio = load.gio;
    const GlibOwner<GFile> file(gio.file_new_for_path(native.c_str()));
    GError* raw_error = nullptr;
    // standard::content-type looks at the file's first bytes as well as its name.
    const GlibOwner<GFileInfo> info(gio.file_query_info(
        file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE, nullptr,
        &raw_error));
    const GlibOwner<GError> error(raw_error);
    if (!info.valid()) return true;
    const char* content_type = gio.file_info_get_content_type(info.get());
    if (content_type == nullptr) return true;
    const auto is_a = [&gio](const char* type, const char* ancestor) {
      return gio.content_type_is_a(type, ancestor) != FALSE;
    };
    return runnable_category(content_type, is_a).has_value();
  }

  // Linux has no short names: `named` is `path`, and GIO finds the type itself.
  Result<void, IoError> open(const Path& path, const Path& /*named*/) override {
    const GioLoad& load = gio_library();
    if (!load.error.empty()) return fail(IoError::own(IoError::Kind::Other, load.error));
    const Gio& gio = load.gio;
    const std::string native = to_native(path);
    const GlibOwner<GFile> file(gio.file_new_for_path(native.c_str()));
    const GlibOwner<char> uri(gio.file_get_uri(file.get()));
    GError* raw_error = nullptr;
    // Starts the application and returns; it does not wait for it.
    const gboolean launched = gio.app_info_launch_default_for_uri(uri.get(), nullptr, &raw_error);
    const GlibOwner<GError> error(raw_error);
    if (!launched) {
      return fail(IoError::own(IoError::Kind::Other, error.valid()
                                                         ? std::string(error.get()->message)
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
