#include "platform/file_type.h"

#include "platform/windows_path.h"

namespace zub {
namespace {

// The extension of one name, after dropping trailing dots and blanks; empty when none.
std::u16string extension_of(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.remove_suffix(1);
  const auto dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  return std::u16string(name.substr(dot));
}

}  // namespace

std::vector<std::u16string> shell_extensions(std::u16string_view path) {
  const auto name = last_name(path);
  std::vector<std::u16string> extensions;
  if (auto whole = extension_of(name); !whole.empty()) extensions.push_back(std::move(whole));
  if (const auto colon = name.find(u':'); colon != std::u16string_view::npos) {
    if (auto before = extension_of(name.substr(0, colon)); !before.empty()) {
      extensions.push_back(std::move(before));
    }
  }
  return extensions;
}

std::u16string association_class(std::u16string_view path) {
  auto extensions = shell_extensions(path);
  return extensions.empty() ? std::u16string(u".") : std::move(extensions.front());
}

}  // namespace zub
