#pragma once

// The content of one root key as a tree: keys with values and sub-keys. Shared by the
// registry stand-ins (the in-memory one of the tests and the hive files of Linux).
//
// Names match case-insensitively and keep the case they were created with, as on Windows.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_api.h"

namespace zub {

// The comparison form of a key or value name: every UTF-16 unit upper-cased the way the
// registry compares names (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic; other units
// stay as they are).
std::u16string registry_name_fold(std::u16string_view name);

// The root key's own name as regedit writes it ("HKEY_CURRENT_USER", ...).
std::string_view hive_name(Hive hive);

// Splits a key path at "\". Empty is the key itself. A path with an empty component other
// than a single trailing one ("\a", "a\\b") is refused.
std::optional<std::vector<std::u16string>> split_key_path(std::u16string_view path);

// REG_SZ data: the UTF-16LE bytes of the text and its terminating NUL.
std::vector<std::uint8_t> reg_sz_bytes(std::u16string_view text);

struct RegistryValue {
  std::u16string name;  // as created
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

class RegistryTreeKey {
 public:
  explicit RegistryTreeKey(std::u16string name) : name_(std::move(name)) {}

  const std::u16string& name() const { return name_; }

  const RegistryTreeKey* child(std::u16string_view name) const;
  RegistryTreeKey* child(std::u16string_view name);
  // The existing child of that name, or a new one.
  RegistryTreeKey& child_or_new(std::u16string_view name);
  // False when there was no such child.
  bool remove_child(std::u16string_view name);

  const RegistryValue* value(std::u16string_view name) const;
  // Creates the value or replaces its type and data (the stored name keeps its case).
  // False when the value already held exactly this type and data.
  bool set_value(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
  // False when there was no such value.
  bool remove_value(std::u16string_view name);

  // In order of the folded names, so that writing the tree gives a stable, sorted file.
  const std::map<std::u16string, std::unique_ptr<RegistryTreeKey>>& children() const {
    return children_;
  }
  const std::map<std::u16string, RegistryValue>& values() const { return values_; }

  bool empty() const { return children_.empty() && values_.empty(); }
  void clear() {
    children_.clear();
    values_.clear();
  }

 private:
  std::u16string name_;
  std::map<std::u16string, std::unique_ptr<RegistryTreeKey>> children_;
  std::map<std::u16string, RegistryValue> values_;
};

// One root key with everything under it.
class RegistryTree {
 public:
  RegistryTree() : root_(u"") {}

  RegistryTreeKey& root() { return root_; }
  const RegistryTreeKey& root() const { return root_; }

  const RegistryTreeKey* find(const std::vector<std::u16string>& path) const;
  RegistryTreeKey* find(const std::vector<std::u16string>& path);
  // Creates the key and every missing key above it; `created` tells whether anything was new.
  RegistryTreeKey& create(const std::vector<std::u16string>& path, bool& created);
  // Removes the key with everything under it; false when it does not exist. The root stays
  // and only loses its content.
  bool remove(const std::vector<std::u16string>& path);

 private:
  RegistryTreeKey root_;
};

// The keys that every Windows system has under HKEY_LOCAL_MACHINE and that the launcher opens
// without creating them.
void add_builtin_keys(Hive hive, RegistryTree& tree);

}  // namespace zub
