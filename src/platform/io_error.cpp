#include "platform/io_error.h"

#include "common/utf8.h"
#include "platform/file_identity.h"

namespace zub {

std::string IoError::text() const {
  if (kind == Kind::Os) {
    return system_error_message(code) + " (os error " + std::to_string(code) + ")";
  }
  return own_text;
}

std::string path_display(const Path& path) { return utf16_to_utf8_lossy(path); }

}  // namespace zub
