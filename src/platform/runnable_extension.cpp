#include "platform/runnable_extension.h"

#include <algorithm>

namespace zub {
namespace {

// Types the shell runs, installs or follows rather than shows. Beyond the usual programs and
// scripts these include shortcuts and shell files that point elsewhere, and help and setup files
// whose viewers run commands (a WinHelp macro can start any program). Where AssocIsDangerous is
// a stub (Wine) this list is all that stands between a document link and a program.
constexpr std::u16string_view kRunnableTypes[] = {
    u".exe",  u".com",  u".bat",  u".cmd",  u".vbs",  u".vbe",  u".js",   u".jse",
    u".wsf",  u".wsh",  u".msc",  u".lnk",  u".url",  u".scf",  u".pif",  u".hta",
    u".msi",  u".msp",  u".mst",  u".reg",  u".ps1",  u".psm1", u".psc1", u".jar",
    u".cpl",  u".scr",  u".application", u".appref-ms", u".library-ms", u".search-ms",
    u".settingcontent-ms", u".chm", u".sct", u".wsc", u".shb", u".shs", u".ins", u".isp",
    u".gadget", u".xbap", u".hlp", u".cnt", u".hpj", u".its", u".inf", u".vb", u".ws",
    u".ps1xml", u".ps2", u".ps2xml", u".psc2", u".msh", u".msh1", u".msh2", u".mshxml",
    u".msh1xml", u".msh2xml",
};

char16_t ascii_lower(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

bool equal_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return ascii_lower(x) == ascii_lower(y); });
}

std::u16string_view trim_blanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

// The extension of one name, after dropping trailing dots and blanks; empty when none.
std::u16string extension_of(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.remove_suffix(1);
  const auto dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  return std::u16string(name.substr(dot));
}

}  // namespace

std::vector<std::u16string> shell_extensions(std::u16string_view path) {
  const auto last_separator = path.find_last_of(u"\\/");
  const auto name =
      last_separator == std::u16string_view::npos ? path : path.substr(last_separator + 1);
  std::vector<std::u16string> extensions;
  if (auto whole = extension_of(name); !whole.empty()) extensions.push_back(std::move(whole));
  if (const auto colon = name.find(u':'); colon != std::u16string_view::npos) {
    if (auto before = extension_of(name.substr(0, colon)); !before.empty()) {
      extensions.push_back(std::move(before));
    }
  }
  return extensions;
}

bool has_runnable_extension(std::u16string_view path, std::u16string_view path_ext) {
  for (const auto& extension : shell_extensions(path)) {
    for (const auto type : kRunnableTypes) {
      if (equal_ignoring_ascii_case(extension, type)) return true;
    }
    std::size_t pos = 0;
    while (pos <= path_ext.size()) {
      const std::size_t end = std::min(path_ext.find(u';', pos), path_ext.size());
      const auto entry = trim_blanks(path_ext.substr(pos, end - pos));
      pos = end + 1;
      if (!entry.empty() && equal_ignoring_ascii_case(extension, entry)) return true;
    }
  }
  return false;
}

}  // namespace zub
