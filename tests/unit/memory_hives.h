#pragma once

// The three root keys in memory: the six registry operations with the Windows rules of
// EmulatedRegistry (see registry_emulation.h), and helpers that set up and check the content
// without going through handles.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/emulation/registry_emulation.h"

namespace zub {

class MemoryHives : public EmulatedRegistry {
 public:
  MemoryHives();

  // --- Content. Paths are text with "\" separators, names are text; the empty name is the
  // default value.
  void add_key(Hive hive, std::string_view path);
  void put_value(Hive hive, std::string_view path, std::string_view name, std::uint32_t type,
                 std::vector<std::uint8_t> data);
  // REG_SZ holding the text and its terminator, as the system writes it.
  void put_string(Hive hive, std::string_view path, std::string_view name,
                  std::string_view text);
  bool key_exists(Hive hive, std::string_view path) const;
  std::optional<RegistryValue> value(Hive hive, std::string_view path,
                                     std::string_view name) const;
  // The key's name and its sub-keys' names as created, for case checks.
  std::optional<std::u16string> key_spelling(Hive hive, std::string_view path) const;
  void remove_key(Hive hive, std::string_view path);

  // --- Refused writes: a root key that this "user" may not change (like HKEY_LOCAL_MACHINE
  // without administrative rights). Opening for writing and every change give 5.
  void set_writable(Hive hive, bool writable);

 protected:
  OsError read_hive(Hive hive, const Reader& read) override;
  OsError change_hive(Hive hive, const Changer& change) override;
  OsError check_writable(Hive hive) override;

 private:
  RegistryTree& tree(Hive hive);
  const RegistryTree& tree(Hive hive) const;

  RegistryTree classes_root_;
  RegistryTree current_user_;
  RegistryTree local_machine_;
  bool writable_[3] = {true, true, true};
};

}  // namespace zub
