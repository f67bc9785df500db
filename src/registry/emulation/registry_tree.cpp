#include "registry/emulation/registry_tree.h"

#include "common/utf8.h"

namespace zub {
namespace {

// Upper case of one unit, for the scripts whose names a user might type in either case.
char16_t upper_unit(char16_t c) {
  const auto u = static_cast<unsigned>(c);
  auto minus = [&](unsigned d) { return static_cast<char16_t>(u - d); };
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? minus(0x20) : c;
  if (u == 0xB5) return u'\u039C';
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return minus(0x20);
  if (u == 0xFF) return u'\u0178';
  // Latin Extended-A: pairs of capital and small letters.
  if (u == 0x131 || u == 0x17F) return u == 0x131 ? u'I' : u'S';
  if ((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) return (u & 1) ? minus(1) : c;
  if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) return (u & 1) ? c : minus(1);
  // Greek.
  if (u == 0x3AC) return u'\u0386';
  if (u >= 0x3AD && u <= 0x3AF) return minus(0x25);
  if (u == 0x3C2) return u'\u03A3';
  if ((u >= 0x3B1 && u <= 0x3C1) || (u >= 0x3C3 && u <= 0x3CB)) return minus(0x20);
  if (u == 0x3CC) return u'\u038C';
  if (u == 0x3CD || u == 0x3CE) return minus(0x3F);
  // Cyrillic.
  if (u >= 0x430 && u <= 0x44F) return minus(0x20);
  if (u >= 0x450 && u <= 0x45F) return minus(0x50);
  if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF)) return (u & 1) ? minus(1) : c;
  // Fullwidth Latin.
  if (u >= 0xFF41 && u <= 0xFF5A) return minus(0x20);
  return c;
}

}  // namespace

std::vector<std::uint8_t> reg_sz_bytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes = utf16le_bytes(text);
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::u16string registry_name_fold(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = upper_unit(c);
  return folded;
}

std::string_view hive_name(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case Hive::CurrentUser:
      return "HKEY_CURRENT_USER";
    case Hive::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
  }
  return "HKEY_UNKNOWN";
}

std::optional<std::vector<std::u16string>> split_key_path(std::u16string_view path) {
  std::vector<std::u16string> components;
  if (path.empty()) return components;
  if (path.back() == u'\\') path.remove_suffix(1);
  std::size_t start = 0;
  while (true) {
    const std::size_t end = path.find(u'\\', start);
    const std::size_t length = end == std::u16string_view::npos ? end : end - start;
    const std::u16string_view part = path.substr(start, length);
    if (part.empty()) return std::nullopt;
    components.emplace_back(part);
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  return components;
}

const RegistryTreeKey* RegistryTreeKey::child(std::u16string_view name) const {
  const auto it = children_.find(registry_name_fold(name));
  return it == children_.end() ? nullptr : it->second.get();
}

RegistryTreeKey* RegistryTreeKey::child(std::u16string_view name) {
  const auto it = children_.find(registry_name_fold(name));
  return it == children_.end() ? nullptr : it->second.get();
}

RegistryTreeKey& RegistryTreeKey::child_or_new(std::u16string_view name) {
  auto& slot = children_[registry_name_fold(name)];
  if (!slot) slot = std::make_unique<RegistryTreeKey>(std::u16string(name));
  return *slot;
}

bool RegistryTreeKey::remove_child(std::u16string_view name) {
  return children_.erase(registry_name_fold(name)) != 0;
}

bool RegistryTreeKey::remove_value(std::u16string_view name) {
  return values_.erase(registry_name_fold(name)) != 0;
}

const RegistryValue* RegistryTreeKey::value(std::u16string_view name) const {
  const auto it = values_.find(registry_name_fold(name));
  return it == values_.end() ? nullptr : &it->second;
}

bool RegistryTreeKey::set_value(std::u16string_view name, std::uint32_t type,
                                std::vector<std::uint8_t> data) {
  const auto [it, inserted] =
      values_.try_emplace(registry_name_fold(name), RegistryValue{std::u16string(name), type, {}});
  RegistryValue& value = it->second;
  if (!inserted && value.type == type && value.data == data) return false;
  value.type = type;
  value.data = std::move(data);
  return true;
}

const RegistryTreeKey* RegistryTree::find(const std::vector<std::u16string>& path) const {
  const RegistryTreeKey* key = &root_;
  for (const auto& name : path) {
    key = key->child(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryTreeKey* RegistryTree::find(const std::vector<std::u16string>& path) {
  RegistryTreeKey* key = &root_;
  for (const auto& name : path) {
    key = key->child(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryTreeKey& RegistryTree::create(const std::vector<std::u16string>& path, bool& created) {
  created = false;
  RegistryTreeKey* key = &root_;
  for (const auto& name : path) {
    RegistryTreeKey* next = key->child(name);
    if (next == nullptr) {
      next = &key->child_or_new(name);
      created = true;
    }
    key = next;
  }
  return *key;
}

bool RegistryTree::remove(const std::vector<std::u16string>& path) {
  if (path.empty()) {
    const bool had_content = !root_.empty();
    root_.clear();
    return had_content;
  }
  RegistryTreeKey* parent = find(std::vector<std::u16string>(path.begin(), path.end() - 1));
  return parent != nullptr && parent->remove_child(path.back());
}

void add_builtin_keys(Hive hive, RegistryTree& tree) {
  if (hive != Hive::LocalMachine) return;
  bool created = false;
  tree.create({u"SYSTEM", u"CurrentControlSet", u"Services", u"EventLog", u"Application"},
              created);
}

}  // namespace zub
