#include "platform/path_buffer.h"

namespace zub {

Result<Path, IoError> fill_path_buffer(const BufferFillCall& call) {
  Path buffer;
  BufferFill fill = call(0, nullptr);
  while (true) {
    if (fill.value == 0) return fail(IoError::from_os(fill.last_error));
    if (fill.value < buffer.size()) break;
    // Two units more than asked for: the platform has been seen to ask for too little.
    if (fill.value >= 0xFFFFFFFEu) {
      return fail(IoError::own(IoError::Kind::Other, std::string(kPathTooLongText)));
    }
    const std::uint32_t capacity = fill.value + 2;
    buffer.assign(capacity, u'\0');
    fill = call(capacity, buffer.data());
  }
  buffer.resize(fill.value);
  return buffer;
}

}  // namespace zub
