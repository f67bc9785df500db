#include "platform/path.h"

namespace zub {

std::string path_display(const Path& path) { return utf16_to_utf8_lossy(path); }

}  // namespace zub
