#include "platform/windows_path.h"

#include <algorithm>

#include "common/ascii.h"

namespace zub {
namespace {

constexpr std::u16string_view kVerbatimMarker = u"\\\\?\\";
constexpr std::u16string_view kNtMarker = u"\\??\\";
constexpr std::u16string_view kUncMarker = u"UNC\\";
// Units of the longest path that plain Win32 calls take, the NUL included.
constexpr std::size_t kMaxPath = 260;

bool is_separator(char16_t unit) { return unit == u'\\' || unit == u'/'; }
bool is_verbatim_separator(char16_t unit) { return unit == u'\\'; }

bool is_ascii_letter(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

}  // namespace

bool is_verbatim_kind(PrefixKind kind) {
  switch (kind) {
    case PrefixKind::Verbatim:
    case PrefixKind::VerbatimUnc:
    case PrefixKind::VerbatimDisk:
      return true;
    case PrefixKind::Device:
    case PrefixKind::Unc:
    case PrefixKind::Disk:
      return false;
  }
  return false;
}

namespace {

// A share or device names its root even when no separator follows. Behind a verbatim prefix
// only a written "\" is a root, for a share as for a drive: \\?\UNC\s\sh is not
// \\?\UNC\s\sh\, as \\?\C: is not \\?\C:\.
bool has_implicit_root(PrefixKind kind) {
  switch (kind) {
    case PrefixKind::Device:
    case PrefixKind::Unc:
      return true;
    case PrefixKind::Verbatim:
    case PrefixKind::VerbatimUnc:
    case PrefixKind::VerbatimDisk:
    case PrefixKind::Disk:
      return false;
  }
  return false;
}

// The run of units up to the first separator (or the end).
template <class IsSeparator>
std::u16string_view take_name(std::u16string_view text, IsSeparator is_sep) {
  const auto end = std::find_if(text.begin(), text.end(), is_sep);
  return text.substr(0, static_cast<std::size_t>(end - text.begin()));
}

Prefix parse_verbatim(std::u16string_view rest) {
  if (rest.starts_with(kUncMarker)) {
    const auto after = rest.substr(kUncMarker.size());
    const auto server = take_name(after, is_verbatim_separator);
    std::u16string_view share;
    std::size_t length = kVerbatimMarker.size() + kUncMarker.size() + server.size();
    if (server.size() < after.size()) {
      share = take_name(after.substr(server.size() + 1), is_verbatim_separator);
      length += 1 + share.size();
    }
    return {PrefixKind::VerbatimUnc, server, share, length};
  }
  if (rest.size() >= 2 && is_ascii_letter(rest[0]) && rest[1] == u':' &&
      (rest.size() == 2 || is_verbatim_separator(rest[2]))) {
    return {PrefixKind::VerbatimDisk, rest.substr(0, 1), {}, kVerbatimMarker.size() + 2};
  }
  const auto name = take_name(rest, is_verbatim_separator);
  return {PrefixKind::Verbatim, name, {}, kVerbatimMarker.size() + name.size()};
}

}  // namespace

std::optional<Prefix> parse_prefix(std::u16string_view path) {
  if (path.starts_with(kVerbatimMarker)) {
    return parse_verbatim(path.substr(kVerbatimMarker.size()));
  }
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
    if (path.size() >= 4 && path[2] == u'.' && is_separator(path[3])) {
      const auto name = take_name(path.substr(4), is_separator);
      return Prefix{PrefixKind::Device, name, {}, 4 + name.size()};
    }
    const auto after = path.substr(2);
    const auto server = take_name(after, is_separator);
    if (server.empty() || server.size() == after.size()) return std::nullopt;
    const auto share = take_name(after.substr(server.size() + 1), is_separator);
    if (share.empty()) return std::nullopt;
    return Prefix{PrefixKind::Unc, server, share, 2 + server.size() + 1 + share.size()};
  }
  if (path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == u':') {
    return Prefix{PrefixKind::Disk, path.substr(0, 1), {}, 2};
  }
  return std::nullopt;
}

std::vector<PathComponent> path_components(std::u16string_view path) {
  std::vector<PathComponent> components;
  const auto prefix = parse_prefix(path);
  const bool verbatim = prefix && is_verbatim_kind(prefix->kind);
  const auto is_sep = [verbatim](char16_t unit) {
    return verbatim ? is_verbatim_separator(unit) : is_separator(unit);
  };

  std::size_t pos = 0;
  if (prefix) {
    PathComponent component;
    component.kind = PathComponent::Kind::Prefix;
    component.prefix = *prefix;
    components.push_back(component);
    pos = prefix->length;
  }
  bool has_root = false;
  if (pos < path.size() && is_sep(path[pos])) {
    has_root = true;
    ++pos;
  } else if (prefix && has_implicit_root(prefix->kind)) {
    has_root = true;
  }
  if (has_root) components.push_back({PathComponent::Kind::Root, {}, {}});

  bool first_name = true;
  while (pos < path.size()) {
    const auto name = take_name(path.substr(pos), is_sep);
    pos += name.size() + 1;
    if (name.empty()) continue;
    const bool was_first = first_name;
    first_name = false;
    if (name == u".") {
      if (verbatim || (!has_root && was_first)) {
        components.push_back({PathComponent::Kind::CurrentDir, {}, {}});
      }
    } else if (name == u"..") {
      components.push_back({PathComponent::Kind::ParentDir, {}, {}});
    } else {
      components.push_back({PathComponent::Kind::Name, {}, name});
    }
  }
  return components;
}

bool components_equal(const PathComponent& a, const PathComponent& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case PathComponent::Kind::Prefix: {
      if (a.prefix.kind != b.prefix.kind) return false;
      switch (a.prefix.kind) {
        case PrefixKind::VerbatimDisk:
        case PrefixKind::Disk:
          return ascii_lower(a.prefix.first[0]) == ascii_lower(b.prefix.first[0]);
        case PrefixKind::Verbatim:
        case PrefixKind::VerbatimUnc:
        case PrefixKind::Device:
        case PrefixKind::Unc:
          return a.prefix.first == b.prefix.first && a.prefix.second == b.prefix.second;
      }
      return false;
    }
    case PathComponent::Kind::Root:
    case PathComponent::Kind::CurrentDir:
    case PathComponent::Kind::ParentDir:
      return true;
    case PathComponent::Kind::Name:
      return a.name == b.name;
  }
  return false;
}

bool path_starts_with(std::u16string_view path, std::u16string_view base) {
  const auto path_parts = path_components(path);
  const auto base_parts = path_components(base);
  if (base_parts.size() > path_parts.size()) return false;
  return std::equal(base_parts.begin(), base_parts.end(), path_parts.begin(), components_equal);
}

bool contains_nul(std::u16string_view path) {
  return path.find(u'\0') != std::u16string_view::npos;
}

std::u16string_view last_name(std::u16string_view path) {
  const auto separator = path.find_last_of(u"\\/");
  return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

bool is_verbatim_text(std::u16string_view path) {
  return path.starts_with(kVerbatimMarker) || path.starts_with(kNtMarker);
}

bool needs_verbatim_form(std::u16string_view path) {
  if (is_verbatim_text(path)) return false;
  // The platform's own path length limit counts the terminating NUL.
  constexpr std::size_t kShortPathLimit = 248;
  if (path.size() + 1 >= kShortPathLimit) return true;
  const bool drive_absolute =
      path.size() >= 3 && is_ascii_letter(path[0]) && path[1] == u':' && is_separator(path[2]);
  const bool two_separators = path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
  return !(drive_absolute || two_separators);
}

Path to_verbatim_form(std::u16string_view full_path) {
  const bool two_separators =
      full_path.size() >= 2 && is_separator(full_path[0]) && is_separator(full_path[1]);
  Path out(kVerbatimMarker);
  if (two_separators && full_path.size() >= 4 && full_path[2] == u'.' &&
      is_separator(full_path[3])) {
    out += full_path.substr(4);
  } else if (two_separators) {
    out += kUncMarker;
    out += full_path.substr(2);
  } else {
    out += full_path;
  }
  return out;
}

namespace {

// Win32 path parsing drops a trailing dot or blank, reads "." and "..", and takes a device
// name, with or without an extension, as the device: such a name means something else there.
bool is_dos_device_name(std::u16string_view name) {
  name = name.substr(0, std::min(name.find(u'.'), name.size()));
  while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
  for (const auto device : {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$"}) {
    if (equal_ignoring_ascii_case(name, device)) return true;
  }
  if (name.size() != 4) return false;
  // COM and LPT with a digit; Windows counts the superscript digits one to three as well.
  const char16_t digit = name[3];
  const bool port = (digit >= u'0' && digit <= u'9') || digit == u'\u00b9' ||
                    digit == u'\u00b2' || digit == u'\u00b3';
  return port && (equal_ignoring_ascii_case(name.substr(0, 3), u"com") ||
                  equal_ignoring_ascii_case(name.substr(0, 3), u"lpt"));
}

bool is_plain_name(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.back() == u'.' || name.back() == u' ') return false;
  constexpr std::u16string_view kRejected = u"<>:\"/|?*";
  for (const char16_t unit : name) {
    if (unit < 0x20 || kRejected.find(unit) != std::u16string_view::npos) return false;
  }
  return !is_dos_device_name(name);
}

}  // namespace

std::optional<Path> plain_form(std::u16string_view canonical) {
  const auto prefix = parse_prefix(canonical);
  if (!prefix || !canonical.starts_with(kVerbatimMarker)) return std::nullopt;
  Path plain;
  if (prefix->kind == PrefixKind::VerbatimDisk) {
    plain = canonical.substr(kVerbatimMarker.size());
  } else if (prefix->kind == PrefixKind::VerbatimUnc && is_plain_name(prefix->first) &&
             is_plain_name(prefix->second)) {
    plain = u"\\\\";
    plain += canonical.substr(kVerbatimMarker.size() + kUncMarker.size());
  } else {
    return std::nullopt;
  }
  // Then the root, and names each behind one separator. A drive needs its root: "C:" alone
  // is the drive's current folder.
  auto rest = canonical.substr(prefix->length);
  if (rest.empty()) {
    if (prefix->kind == PrefixKind::VerbatimDisk) return std::nullopt;
  } else if (rest.front() != u'\\') {
    return std::nullopt;
  } else if (rest.size() > 1) {
    rest.remove_prefix(1);
    while (true) {
      const auto end = rest.find(u'\\');
      if (!is_plain_name(rest.substr(0, end))) return std::nullopt;
      if (end == std::u16string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
  }
  if (plain.size() + 1 > kMaxPath) return std::nullopt;
  return plain;
}

std::optional<Path> shell_form(std::u16string_view canonical, const ShortPathLookup& short_path) {
  if (auto plain = plain_form(canonical)) return plain;
  if (!is_verbatim_text(canonical) || canonical.size() < kMaxPath) return Path(canonical);
  auto short_form = short_path(Path(canonical));
  if (short_form.has_error()) return std::nullopt;
  return plain_form(short_form.value());
}

}  // namespace zub
