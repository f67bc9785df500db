#include "memory_hives.h"

#include <cstdlib>

#include "common/utf8.h"

namespace zub {
namespace {

std::size_t hive_index(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot:
      return 0;
    case Hive::CurrentUser:
      return 1;
    case Hive::LocalMachine:
      return 2;
  }
  std::abort();
}

std::vector<std::u16string> path_of(std::string_view path) {
  auto components = split_key_path(utf8_to_utf16(path));
  if (!components) std::abort();  // a test set-up with a malformed path
  return std::move(*components);
}

}  // namespace

MemoryHives::MemoryHives() { add_builtin_keys(Hive::LocalMachine, local_machine_); }

RegistryTree& MemoryHives::tree(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot:
      return classes_root_;
    case Hive::CurrentUser:
      return current_user_;
    case Hive::LocalMachine:
      return local_machine_;
  }
  std::abort();
}

const RegistryTree& MemoryHives::tree(Hive hive) const {
  return const_cast<MemoryHives*>(this)->tree(hive);
}

void MemoryHives::add_key(Hive hive, std::string_view path) {
  bool created = false;
  tree(hive).create(path_of(path), created);
}

void MemoryHives::put_value(Hive hive, std::string_view path, std::string_view name,
                            std::uint32_t type, std::vector<std::uint8_t> data) {
  bool created = false;
  tree(hive).create(path_of(path), created).set_value(utf8_to_utf16(name), type, std::move(data));
}

void MemoryHives::put_string(Hive hive, std::string_view path, std::string_view name,
                             std::string_view text) {
  put_value(hive, path, name, kRegSz, reg_sz_bytes(utf8_to_utf16(text)));
}

bool MemoryHives::key_exists(Hive hive, std::string_view path) const {
  return tree(hive).find(path_of(path)) != nullptr;
}

std::optional<RegistryValue> MemoryHives::value(Hive hive, std::string_view path,
                                                std::string_view name) const {
  const RegistryTreeKey* key = tree(hive).find(path_of(path));
  if (key == nullptr) return std::nullopt;
  const RegistryValue* found = key->value(utf8_to_utf16(name));
  if (found == nullptr) return std::nullopt;
  return *found;
}

std::optional<std::u16string> MemoryHives::key_spelling(Hive hive, std::string_view path) const {
  const RegistryTreeKey* key = tree(hive).find(path_of(path));
  if (key == nullptr) return std::nullopt;
  return key->name();
}

void MemoryHives::remove_key(Hive hive, std::string_view path) {
  tree(hive).remove(path_of(path));
}

void MemoryHives::set_writable(Hive hive, bool writable) {
  writable_[hive_index(hive)] = writable;
}

OsError MemoryHives::read_hive(Hive hive, const Reader& read) { return read(tree(hive)); }

OsError MemoryHives::change_hive(Hive hive, const Changer& change) {
  if (!writable_[hive_index(hive)]) return kErrorAccessDenied;
  bool changed = false;
  return change(tree(hive), changed);
}

OsError MemoryHives::check_writable(Hive hive) {
  return writable_[hive_index(hive)] ? kErrorSuccess : kErrorAccessDenied;
}

}  // namespace zub
