#include "platform/io_error.h"

namespace zub {

std::string IoError::text() const {
  if (kind == Kind::Os) {
    return system_error_message(code) + " (os error " + std::to_string(code) + ")";
  }
  return own_text;
}

}  // namespace zub
