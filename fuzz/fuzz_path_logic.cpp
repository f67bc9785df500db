// The path logic behind the containment check: prefixes, components and the prefix test, and
// the plain form handed to the shell.

#include <cstdint>
#include <string>

#include "platform/windows_path.h"
#include "fuzz_check.h"

namespace zub::fuzz {
namespace {

// Bytes as UTF-16 units, one unit per byte; 0xFF and the two bytes after it give any unit
// (unpaired surrogates included), as paths on Windows may hold them.
std::u16string to_units(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == 0xFF && i + 2 < bytes.size()) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 1]) |
                                            static_cast<unsigned char>(bytes[i + 2]) << 8));
      i += 2;
    } else {
      units.push_back(byte);
    }
  }
  return units;
}

bool same_prefix(const std::optional<Prefix>& a, const std::optional<Prefix>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->kind == b->kind && a->first == b->first && a->second == b->second &&
         a->length == b->length;
}

bool lies_within(std::u16string_view part, std::u16string_view whole) {
  return part.empty() || (part.data() >= whole.data() &&
                          part.data() + part.size() <= whole.data() + whole.size());
}

bool is_verbatim(const std::optional<Prefix>& prefix) {
  return prefix &&
         (prefix->kind == PrefixKind::Verbatim || prefix->kind == PrefixKind::VerbatimUnc ||
          prefix->kind == PrefixKind::VerbatimDisk);
}

void check_prefix_and_components(std::u16string_view path) {
  const auto prefix = parse_prefix(path);
  if (prefix) {
    FUZZ_CHECK(prefix->length > 0 && prefix->length <= path.size());
    const auto taken = path.substr(0, prefix->length);
    FUZZ_CHECK(lies_within(prefix->first, taken) && lies_within(prefix->second, taken));
    // The prefix alone parses to the same prefix.
    FUZZ_CHECK(same_prefix(parse_prefix(taken), prefix));
  }
  const bool verbatim = is_verbatim(prefix);
  const auto components = path_components(path);
  for (std::size_t i = 0; i < components.size(); ++i) {
    const auto& component = components[i];
    FUZZ_CHECK((component.kind == PathComponent::Kind::Prefix) == (i == 0 && prefix.has_value()));
    if (component.kind != PathComponent::Kind::Name) continue;
    FUZZ_CHECK(!component.name.empty() && lies_within(component.name, path));
    FUZZ_CHECK(component.name.find(u'\\') == std::u16string_view::npos);
    FUZZ_CHECK(verbatim || component.name.find(u'/') == std::u16string_view::npos);
    FUZZ_CHECK(component.name != u"." && component.name != u"..");
  }
}

// The path's last component is a name that runs to its very end (no separator after it).
bool ends_in_name(std::u16string_view path) {
  const auto components = path_components(path);
  if (components.empty() || components.back().kind != PathComponent::Kind::Name) return false;
  const auto name = components.back().name;
  return name.data() + name.size() == path.data() + path.size();
}

void check_prefix_test(std::u16string_view path, std::u16string_view base,
                       std::u16string_view third) {
  FUZZ_CHECK(path_starts_with(path, path));
  FUZZ_CHECK(path_starts_with(path, u""));
  if (path_starts_with(path, base) && path_starts_with(base, third)) {
    FUZZ_CHECK(path_starts_with(path, third));
  }

  if (!ends_in_name(base)) return;
  const std::u16string base_text(base);
  // A folder that only shares the base's name as a prefix is never under it: C:\DocsX is
  // not under C:\Docs, at any depth.
  const std::u16string sibling = base_text + u"X";
  FUZZ_CHECK(!path_starts_with(sibling, base));
  FUZZ_CHECK(!path_starts_with(sibling + u"\\" + std::u16string(path), base));
  FUZZ_CHECK(!path_starts_with(base, sibling));

  // A child is under its folder, and a trailing separator on the base changes nothing, as long
  // as the addition leaves the prefix alone (\\server + \x turns into a share).
  const std::u16string child = base_text + u"\\child";
  if (same_prefix(parse_prefix(child), parse_prefix(base))) {
    FUZZ_CHECK(path_starts_with(child, base));
    FUZZ_CHECK(!path_starts_with(base, child));
    const std::u16string with_separator = base_text + u"\\";
    FUZZ_CHECK(path_starts_with(path, with_separator) == path_starts_with(path, base));
  }
}

void check_verbatim_form(std::u16string_view path) {
  const Path verbatim = to_verbatim_form(path);
  FUZZ_CHECK(is_verbatim_text(verbatim));
  FUZZ_CHECK(!needs_verbatim_form(verbatim));
  FUZZ_CHECK(is_verbatim(parse_prefix(verbatim)));
}

// The plain form handed to the shell names the same file: it turns back into the very
// verbatim path, keeps every name, and fits MAX_PATH.
void check_plain_form(std::u16string_view path) {
  const auto plain = plain_form(path);
  if (!plain) return;
  FUZZ_CHECK(to_verbatim_form(*plain) == path);
  FUZZ_CHECK(plain->size() < 260);
  const auto kind = parse_prefix(*plain);
  FUZZ_CHECK(kind && (kind->kind == PrefixKind::Disk || kind->kind == PrefixKind::Unc));
  const auto names = [](std::u16string_view text) {
    std::size_t count = 0;
    for (const auto& component : path_components(text)) {
      count += component.kind == PathComponent::Kind::Name ? 1 : 0;
      FUZZ_CHECK(component.kind != PathComponent::Kind::CurrentDir &&
                 component.kind != PathComponent::Kind::ParentDir);
    }
    return count;
  };
  FUZZ_CHECK(names(*plain) == names(path));
}

}  // namespace
}  // namespace zub::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zub::fuzz;
  const auto pieces = split_lines(as_text(data, size), 3);
  const std::u16string path = to_units(pieces[0]);
  // Without line feeds, the leading halves stand in for the base and the third path.
  const std::u16string base =
      pieces.size() > 1 ? to_units(pieces[1]) : path.substr(0, path.size() / 2);
  const std::u16string third =
      pieces.size() > 2 ? to_units(pieces[2]) : base.substr(0, base.size() / 2);
  for (const auto& text : {path, base, third}) zub::fuzz::check_prefix_and_components(text);
  zub::fuzz::check_prefix_test(path, base, third);
  zub::fuzz::check_prefix_test(base, path, third);
  zub::fuzz::check_verbatim_form(path);
  zub::fuzz::check_plain_form(path);
  return 0;
}
