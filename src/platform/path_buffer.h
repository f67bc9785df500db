#pragma once

// The buffer protocol of GetFullPathNameW, GetFinalPathNameByHandleW and GetShortPathNameW.

#include <cstdint>
#include <functional>

#include "common/result.h"
#include "common/windows_status.h"
#include "platform/io_error.h"
#include "platform/path.h"

namespace zub {

// One call of a platform service that fills a UTF-16 buffer: 0 and the last-error code on
// failure; the needed size with the NUL when `capacity` is too small; otherwise the length of
// the result without the NUL.
struct BufferFill {
  std::uint32_t value = 0;
  OsError last_error = 0;
};
using BufferFillCall = std::function<BufferFill(std::uint32_t capacity, char16_t* buffer)>;

inline constexpr std::string_view kPathTooLongText = "required path length is too large for WinAPI";

// Calls `call` with an empty buffer, then grows the buffer to the asked size plus 2 units until
// the result fits.
Result<Path, IoError> fill_path_buffer(const BufferFillCall& call);

}  // namespace zub
