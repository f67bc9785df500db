#include "platform/io_error.h"

#include <cerrno>
#include <cstring>

namespace zub {
namespace {

// strerror_r comes in two flavours: GNU returns the text (which may not be the buffer), XSI
// fills the buffer and returns a status.
[[maybe_unused]] const char* strerror_text(const char* gnu_result, const char*) {
  return gnu_result;
}
[[maybe_unused]] const char* strerror_text(int xsi_status, const char* buffer) {
  return xsi_status == 0 ? buffer : "Unknown error";
}

}  // namespace

bool is_missing_path_error(const IoError& error) {
  return error.kind == IoError::Kind::Os && (error.code == ENOENT || error.code == ENOTDIR);
}

std::string system_error_message(OsError code) {
  char buffer[256] = {};
  std::string message = strerror_text(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
  while (!message.empty() && (message.back() == ' ' || message.back() == '\t' ||
                              message.back() == '\r' || message.back() == '\n')) {
    message.pop_back();
  }
  return message;
}

}  // namespace zub
